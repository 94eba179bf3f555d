// PDFPage — the record behind one page file "Page_N.xml".
//
// A page file, written by "createpagesxml", is an XML document whose root
// "page" holds the sections "links" and "products" among others. Recognition
// hands a PDFPage new <link> and <product> elements; save() appends them,
// in the order they were handed in, after what the file already holds and
// writes the file back whole (temporary file and rename). A record that was
// handed nothing never touches its file.
//
//     PDFPage page(&document, 3);          // path: outputDir + "Page_3.xml"
//     page.addLink(new TiXmlElement("link"));
//     page.save();                         // Page_3.xml gains one link
//
// Ownership: the record owns the elements handed to it until save() links
// them into its XML document, which it owns; the owning PDFDocument outlives
// it. The path is UTF-8 and must be well-formed (EncodingError otherwise).
// Throws DocumentError naming the file when it is missing, is not XML or
// lacks a section, or cannot be written.
#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

class PDFDocument;

class PDFPage {
  public:
    // path = document->outputDir + "Page_" + pageNumber + ".xml", fixed now.
    PDFPage(PDFDocument* document, int pageNumber);
    PDFPage(const PDFPage&) = delete;
    PDFPage& operator=(const PDFPage&) = delete;

    // Loads the page file. False when it cannot be read or is not XML.
    bool open();
    // Loads the file if needed and checks that it has "page" with "links"
    // and "products". Throws DocumentError naming the file when not.
    void prepare();
    // Appends the waiting elements and writes the file; true when written,
    // true without touching the file when nothing was handed in.
    // Throws DocumentError as prepare() does, or when the file cannot be
    // written.
    bool save();

    // Take ownership of element; always true.
    bool addLink(TiXmlElement* element);
    bool addProduct(TiXmlElement* element);

    const std::string& getPath() const { return path; }
    int getPageNumber() const { return pageNumber; }
    bool isModified() const { return modified; }

  private:
    std::unique_ptr<TiXmlDocument> xml;
    std::string path;
    int pageNumber;
    std::vector<std::unique_ptr<TiXmlElement>> pendingLinks;
    std::vector<std::unique_ptr<TiXmlElement>> pendingProducts;
    PDFDocument* document;
    bool modified = false;
};
