#include "document/PDFPage.h"

#include <cstdio>

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/Utility.h"
#include "document/XmlFile.h"
#include "text/TextEncoding.h"

PDFPage::PDFPage(PDFDocument* document, int pageNumber)
    : path(document->outputDir + "Page_" + std::to_string(pageNumber) + ".xml"),
      pageNumber(pageNumber),
      document(document) {}

bool PDFPage::open() {
    xml = std::make_unique<TiXmlDocument>();
    utf8ToWide(path);  // the path must be well-formed UTF-8
    // TinyXML sizes its buffer from the stream's end, which a directory
    // does not have.
    if (!Utility::isRegularFile(path)) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bool loaded = xml->LoadFile(file, TIXML_ENCODING_UTF8);
    std::fclose(file);
    return loaded;
}

void PDFPage::prepare() {
    if (!xml && !open()) {
        throw DocumentError("Cannot load page record '" + path +
                            "': " + (xml->Error() ? xml->ErrorDesc() : "cannot open file"));
    }
    if (xml->Error()) {
        throw DocumentError("Cannot load page record '" + path + "': " + xml->ErrorDesc());
    }
    TiXmlNode* page = xml->FirstChild("page");
    if (page == nullptr) throw DocumentError("Page record '" + path + "' has no 'page' element");
    for (const char* section : {"links", "products"}) {
        if (page->FirstChildElement(section) == nullptr) {
            throw DocumentError("Page record '" + path + "' has no '" + section + "' element");
        }
    }
}

bool PDFPage::save() {
    if (!modified) return true;
    prepare();
    TiXmlNode* page = xml->FirstChild("page");
    TiXmlElement* links = page->FirstChildElement("links");
    TiXmlElement* products = page->FirstChildElement("products");
    // The document takes each element over; nothing is linked twice if the
    // record is saved again.
    for (auto& link : pendingLinks) links->LinkEndChild(link.release());
    for (auto& product : pendingProducts) products->LinkEndChild(product.release());
    pendingLinks.clear();
    pendingProducts.clear();

    writeXmlFile(*xml, path);
    return true;
}

bool PDFPage::addLink(TiXmlElement* element) {
    pendingLinks.emplace_back(element);
    modified = true;
    return true;
}

bool PDFPage::addProduct(TiXmlElement* element) {
    pendingProducts.emplace_back(element);
    modified = true;
    return true;
}
