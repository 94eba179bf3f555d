// PDFDocument — the open PDF and its page records; every generator of the
// publication's outputs is one of its operations.
//
// Lifecycle, one per job: construct, open, run one generator, destroy.
// pageRecord(n) is the record of page n, kept in getOutputDir() +
// "Page_<n>.xml" (the directory as it is when the record is read or written).
//
//     PDFDocument document;
//     document.setOutputDir("/pub/");               // page records in /pub/
//     if (document.open("/in/book.pdf")) document.writeImages(options);
//
// The generators below (and those of recognition/) take plain values
// (GeneratorOptions.h); the job layer (src/job/) reads them from the job
// file. Nothing here knows how a job is described.
//
// Generators report their outcome as a bool and raise DocumentError (their
// own failures, message names the file), pdf::Error (the PDF library) or
// EncodingError (a path that is not UTF-8); the job driver turns each into
// the failure status.
#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "document/GeneratorOptions.h"
#include "document/PDFPage.h"
#include "pdf/Document.h"
#include "pdf/Outline.h"
#include "pdf/Page.h"

class PDFDocument {
  public:
    PDFDocument();
    ~PDFDocument();
    PDFDocument(const PDFDocument&) = delete;
    PDFDocument& operator=(const PDFDocument&) = delete;

    // The directory of the page records, with its trailing separator.
    void setOutputDir(const std::string& dir) { outputDir = dir; }
    const std::string& getOutputDir() const { return outputDir; }

    // Opens the PDF at path (UTF-8) and makes one page record per page.
    // On failure prints the reason and a line end to standard output and
    // returns false; the document then holds no PDF.
    bool open(const std::string& path);
    bool isOpen() const { return pdfDoc_ != nullptr; }

    // The PDF's page count. Throws DocumentError when no PDF is open.
    int getNumberOfPages() const;
    // The record of page number (1 to getNumberOfPages()), made by open.
    // Throws DocumentError for a number without a record.
    PDFPage& pageRecord(int number);
    // The number of page records: the page count when open, else 0.
    int pageRecordCount() const { return static_cast<int>(pages_.size()); }
    // Saves every page record that was handed elements, all together and
    // under the records' lock (RecordsLock.h): each is read as it is on disk
    // then, its elements appended and written beside it; only when all are
    // written are they put in place. A missing, broken or unwritable record
    // changes none. Throws DocumentError naming the file.
    void savePages();
    // Writes 32 characters from 0-9a-z into buffer, drawn from the
    // process's unseeded rand(): every run yields the same sequence.
    // REQUIRES: buffer holds at least 32 bytes; it is not terminated here.
    static void getGuid(char* buffer);
    // The "id" of every entry of the descriptor's first section (the pages
    // of document.xml), in order; empty for an entry without one.
    static std::vector<std::string> pageIdsOf(const TiXmlDocument& descriptor);

    // Renders every page to options.outputDir + prefix + N + ".jpg".
    bool writeImages(const ImageOptions& options);
    // When the header resolution differs from the resolution (and the
    // images' headers record 300 dpi), writes the clients' message for each
    // image to standard output.
    void reportHeaderResolution(const ImageOptions& options);

    // Writes options.outputDir + "document.xml", the publication
    // descriptor: one entry per page with its id, label, image and record
    // file names and sizes, and the table of contents from the PDF's outline.
    bool writeDescriptor(const DescriptorOptions& options);
    // A new <toc> element (the caller takes it) holding the outline's go-to
    // bookmarks as nested <tocitem label= gotopage=>; an item that leads to
    // no page of this document or has no title is left out with everything
    // below it. An outline that cannot be read gives an empty <toc>.
    TiXmlElement* getBookMarks();
    // Appends entries for items (one sibling chain) and their children.
    void PrintOutlineTree(const std::vector<pdf::OutlineItem>& items, TiXmlElement* parent);

    // Writes recordsDir + "Page_N.xml" for every page, each carrying the id
    // that document.xml in the same directory gave the page, and, when
    // importLinks is set, the page's own link annotations. document.xml is
    // checked whole before any page file is written.
    bool writePageRecords(const std::string& recordsDir, bool importLinks);

    // The page's link annotations as <link> elements, in annotation order:
    // links to pages of this document, e-mail links and web links, each kind
    // only when asked for. The caller owns the elements.
    std::vector<std::unique_ptr<TiXmlElement>> importLinksFromPDF(const pdf::Page& page,
                                                                  bool pageLinks, bool mailLinks,
                                                                  bool webLinks);

    // Page text outputs. The text of a page is pdf::TextPage's: words in
    // reading order, one space between words, a line feed between lines,
    // hyphenated line ends joined, hidden text left out.
    //
    // Writes dir + "DocumentIndex.xml": <doc> with one <page p="N">
    // per page holding its text, right-to-left lines rewritten into visual
    // order when generateRtlOutput is set. Always true.
    bool writeTextIndex(const std::string& dir, bool generateRtlOutput);
    std::string getPageText(const pdf::Page& page);
    // The page text with every line's words in reverse order and the
    // letters of every word that holds right-to-left script reversed.
    // Throws EncodingError when the text is not well-formed UTF-8.
    std::string getRTLPageText(const pdf::Page& page);
    // The same rewriting of a page text already read (UTF-8).
    static std::string rtlText(const std::string& text);
    // Appends to pieces the parts of text between occurrences of separator;
    // empty parts count, so joinStrings(pieces, separator) gives text back.
    // An empty separator leaves text whole.
    static void splitString(std::vector<std::wstring>& pieces, const std::wstring& text,
                            const std::wstring& separator);
    static std::wstring joinStrings(const std::vector<std::wstring>& pieces,
                                    const std::wstring& separator);
    // True when a unit of word lies in U+0590..U+07BF (Hebrew, Arabic,
    // Syriac, Arabic Supplement, Thaana).
    static bool hasRTLCharacters(const std::wstring& word);

    // Writes dir + "Page_N.html" for every page: a fixed header, the
    // page's lines as "<br />" followed by each word and a space, grouped
    // in one <div class="paragraph"> per paragraph, a fixed footer. Each
    // file is written whole; a page that fails leaves the pages before it.
    // Always true.
    bool writeHtmlPages(const std::string& dir);
    void outputPageAsHTML(const pdf::Page& page, std::string outputDir);

    // Writes dir + "Text_N.json" for every page from fromPage to toPage (cut to the document;
    // none when the range is empty): the page's lines in reading order, each with its text,
    // writing direction and box on the shown page and the box of every word along it
    // (docs/jobs.md, "Text_N.json"). Each file is written whole, all flushed to the disk
    // together before they are put in place; a page that fails leaves the pages before it.
    // Always true.
    bool writeTextLayer(const std::string& dir, int fromPage, int toPage);

    // Writes options.outputDir + "seo.xml": <p> holding <span> with the
    // title, one <a href="/#?page=N"> per page (at most maxLines when that
    // is 1 or more) labelled with the page's first line, and the creator
    // link when asked for. Link texts are kept in UTF-8. Always true.
    bool writeSeo(const SeoOptions& options);
    // The words of the page's first line in reading order, separated by one
    // space; empty for a page without text.
    std::string getFirstLinePageText(const pdf::Page& page);

    // The open PDF. Throws DocumentError when none is open.
    const pdf::Document& pdf() const;

  private:
    void populatePages();
    std::string outputDir;
    std::unique_ptr<pdf::Document> pdfDoc_;
    std::vector<std::unique_ptr<PDFPage>> pages_;
};
