// pdf::Page — one loaded page and its geometry.
//
// "Page space" is what a person sees: the page's crop box (clipped to the
// media box) with the page's /Rotate and /UserUnit applied, in points, origin
// at the top-left corner of the shown page, x to the right, y down. width()
// and height() are the size of that area, so a page of 612 x 792 points with
// /Rotate 90 is 792 wide and 612 high.
//
// Ownership: a Page owns its MuPDF page, which keeps the document alive.
// Pages are movable, not copyable.
// REQUIRES: the pdf::Library lives for as long as the Page does.
// The constructor throws pdf::Error naming file and page when the page's
// boxes cannot be read; the accessors never throw.
#pragma once

#include <memory>
#include <string>

#include "pdf/Error.h"
#include "pdf/Geometry.h"

struct pdf_page;

namespace pdf {

class Document;
struct DocumentCost;

class Page {
  public:
    Page(Page&& other) noexcept;
    Page& operator=(Page&& other) noexcept;
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;
    ~Page();

    // 1-based page number.
    int number() const { return number_; }
    double width() const { return bounds_.width(); }
    double height() const { return bounds_.height(); }

    // Maps the page's user space (PDF coordinates, y up) to page space.
    const Matrix& userToPage() const { return userToPage_; }

    // "file.pdf: page N" — the prefix of this page's error messages.
    std::string describe() const;
    // File and page, for errors about this page.
    Error::Place place() const;

    // For the layer's own units; not for callers outside src/pdf/.
    pdf_page* handle() const { return page_; }
    // What the document's pages have cost so far (PageLimits.h), shared with its Document.
    DocumentCost& documentCost() const { return *documentCost_; }
    // The Document that loaded the page while that is open, else nullptr: what the page's
    // text reads of the rest of its document (text/DocumentWords.h) is read through it.
    const Document* document() const { return document_ ? *document_ : nullptr; }

  private:
    friend class Document;
    Page(pdf_page* page, int number, std::string fileName,
         std::shared_ptr<DocumentCost> documentCost, std::shared_ptr<const Document*> document);

    pdf_page* page_ = nullptr;
    std::shared_ptr<DocumentCost> documentCost_;
    std::shared_ptr<const Document*> document_;
    int number_ = 0;
    std::string fileName_;
    Rect bounds_;
    Matrix userToPage_;
};

}  // namespace pdf
