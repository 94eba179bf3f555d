// PDFDocument — the open PDF and its page records, with the outputs that describe the document
// and its records: document.xml, Page_N.xml and the links they import. The other outputs are
// written by their own units from a page's reading (PageImages.h, TextIndex.h, HtmlPages.h,
// TextLayer.h, SeoText.h, SearchText.h), over pdf().
//
// Lifecycle, one per job: construct, open, run one generator, destroy.
// pageRecord(n) is the record of page n, kept in getOutputDir() +
// "Page_<n>.xml" (the directory as it is when the record is read or written).
//
//     PDFDocument document;
//     document.setOutputDir("/pub/");               // page records in /pub/
//     if (document.open("/in/book.pdf")) document.writeDescriptor(options);
//
// The generators here (and those of recognition/) take plain values
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

    // The open PDF. Throws DocumentError when none is open.
    const pdf::Document& pdf() const;

  private:
    void populatePages();
    std::string outputDir;
    std::unique_ptr<pdf::Document> pdfDoc_;
    std::vector<std::unique_ptr<PDFPage>> pages_;
};
