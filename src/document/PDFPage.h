// PDFPage — the record behind one page file "Page_N.xml".
//
// A page file, written by "createpagesxml", is an XML document whose root
// "page" holds the sections "links" and "products" among others. Recognition
// hands a PDFPage new <link> and <product> elements; they are appended, in
// the order they were handed in, after what the file holds when it is
// written back, read afresh from the disk at that moment, so that what
// another job added in the meantime stays. A record that was handed nothing
// never touches its file. The document's savePages() writes all changed
// records of a job together (PDFDocument.h).
//
//     PDFPage page(&document, 3);          // path: outputDir + "Page_3.xml"
//     page.addLink(new TiXmlElement("link"));
//     page.save();                         // Page_3.xml gains one link
//
// Ownership: the record takes the elements handed to it; it keeps each as
// its name and attributes packed into one string (an element of TinyXML
// takes some 1.2 KB, the packed form a tenth of that, and a job may hand
// hundreds of thousands) and makes the element again when it writes the
// record. The owning PDFDocument outlives it. The path is UTF-8 and must be
// well-formed (EncodingError otherwise).
// A record without a "links" or "products" section holds none of those
// elements; the section is added at the end of "page" when elements go into
// it. Throws DocumentError naming the file when it is missing, is not XML (or
// larger or deeper than XmlLoad.h allows) or has no "page", or cannot be
// written.
#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "document/OutputFile.h"

class PDFDocument;

class PDFPage {
  public:
    // The record of page pageNumber in the document's output directory.
    PDFPage(PDFDocument* document, int pageNumber);
    PDFPage(const PDFPage&) = delete;
    PDFPage& operator=(const PDFPage&) = delete;

    // Loads the page file as it is on disk now. False when it cannot be read
    // or is not XML.
    bool open();
    // Checks that the page file can be read and has "page", keeping nothing
    // of it. Throws DocumentError naming the file when not.
    void prepare();
    // Reads the file afresh, appends the waiting elements and writes the
    // result beside the file, finished but not yet in place (null when
    // nothing was handed in). Throws DocumentError as prepare() does, or when
    // it cannot be written.
    std::unique_ptr<OutputFile> stage();
    // stage(), then puts the file in place; true.
    bool save();

    // Take ownership of element; always true.
    // REQUIRES: element has attributes and no child nodes, as <link> and
    // <product> have.
    bool addLink(TiXmlElement* element);
    bool addProduct(TiXmlElement* element);

    // document->outputDir + "Page_" + pageNumber + ".xml", as the directory is now.
    std::string getPath() const;
    int getPageNumber() const { return pageNumber; }
    bool isModified() const { return modified; }

  private:
    // Loads the file; its page element.
    TiXmlElement* load();

    std::unique_ptr<TiXmlDocument> xml;
    std::string loadError;  // why open() failed
    int pageNumber;
    // Packed elements: name, then each attribute's name and value, each
    // followed by a zero byte.
    std::vector<std::string> pendingLinks;
    std::vector<std::string> pendingProducts;
    PDFDocument* document;
    bool modified = false;
};
