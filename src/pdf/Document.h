// pdf::Document — one open PDF file.
//
// Opens the file as a PDF (never as another format, whatever its content),
// repairing a damaged cross-reference table where MuPDF can. A document that
// is encrypted with an empty user password opens; one that needs a real
// password is refused, and so is what is not a regular file (a device or a
// pipe would never end or block) and a file without pages: one whose page tree
// is missing (MuPDF's repair opens it as a document of no pages) or empty.
// Pages are numbered from 1 as everywhere in this program.
//
// Ownership: the Document owns the MuPDF document; Pages it hands out keep
// their own reference to it, so a Page may outlive the Document object (its
// text then reads nothing of the rest of the document: Page::document). It
// also owns the words the document writes, once read (text/DocumentWords.h).
// REQUIRES: a pdf::Library lives for as long as any Document or Page does.
//
// Throws pdf::Error, whose message starts with the file's name, e.g.
//     Document doc("in.pdf");      // "in.pdf: cannot open document: ..."
//     Page p = doc.page(3);        // "in.pdf: page 3: cannot load page: ..."
#pragma once

#include <memory>
#include <string>

#include "pdf/Error.h"
#include "pdf/Page.h"

struct pdf_document;

namespace pdf {

class DocumentWords;

class Document {
  public:
    // Opens path (UTF-8 bytes, passed to the file system unchanged).
    explicit Document(const std::string& path);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& path() const { return path_; }
    // The file's name without its directories — the prefix of error messages.
    std::string describe() const;
    // The document's place in errors: its file's name.
    Error::Place place() const;
    // Throws pdf::Error when the page tree cannot be read.
    int pageCount() const;

    // Throws pdf::Error when number is not 1..pageCount() or the page cannot
    // be loaded, and when a damaged file lacks the page's object or a content
    // stream its /Contents names (MuPDF would show it as an empty page).
    Page page(int number) const;

    // The document information's /Title in UTF-8; "" when there is none.
    // Throws pdf::Error when the information cannot be read.
    std::string title() const;

    // For the layer's own units; not for callers outside src/pdf/.
    pdf_document* handle() const { return doc_; }
    // The words the document writes, made by DocumentWords::of when first asked for.
    std::shared_ptr<DocumentWords>& wordsSlot() const { return words_; }

  private:
    std::string path_;
    pdf_document* doc_ = nullptr;
    bool pageMap_ = false;  // MuPDF's map of the page tree is loaded
    std::shared_ptr<DocumentCost> cost_;
    // This Document while it is open, for the pages it handed out (Page::document).
    std::shared_ptr<const Document*> self_;
    mutable std::shared_ptr<DocumentWords> words_;
};

}  // namespace pdf
