#include "document/PDFPage.h"

#include <cstdio>

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/Utility.h"
#include "document/XmlFile.h"
#include "document/XmlLoad.h"
#include "text/TextEncoding.h"

PDFPage::PDFPage(PDFDocument* document, int pageNumber)
    : pageNumber(pageNumber), document(document) {}

std::string PDFPage::getPath() const {
    return document->outputDir + Utility::pageRecordName(pageNumber);
}

bool PDFPage::open() {
    xml = std::make_unique<TiXmlDocument>();
    const std::string path = getPath();
    utf8ToWide(path);  // the path must be well-formed UTF-8
    loadError = loadXmlFile(*xml, path);
    return loadError.empty();
}

TiXmlElement* PDFPage::load() {
    const std::string path = getPath();
    if (!open()) {
        throw DocumentError("Cannot load page record '" + path + "': " +
                            (loadError == "Failed to open file" ? "cannot open file" : loadError));
    }
    TiXmlElement* page = xml->FirstChildElement("page");
    if (page == nullptr) throw DocumentError("Page record '" + path + "' has no 'page' element");
    for (const char* section : {"links", "products"}) {
        if (page->FirstChildElement(section) == nullptr) {
            throw DocumentError("Page record '" + path + "' has no '" + section + "' element");
        }
    }
    return page;
}

void PDFPage::prepare() {
    load();
    xml.reset();
}

std::unique_ptr<OutputFile> PDFPage::stage() {
    if (!modified) return nullptr;
    TiXmlElement* page = load();
    TiXmlElement* links = page->FirstChildElement("links");
    TiXmlElement* products = page->FirstChildElement("products");
    // The document takes each element over; nothing is linked twice if the
    // record is staged again.
    for (auto& link : pendingLinks) links->LinkEndChild(link.release());
    for (auto& product : pendingProducts) products->LinkEndChild(product.release());
    pendingLinks.clear();
    pendingProducts.clear();
    std::unique_ptr<OutputFile> staged = stageXmlFile(*xml, getPath(), kRecordTemporaryPrefix);
    xml.reset();
    return staged;
}

bool PDFPage::save() {
    std::unique_ptr<OutputFile> staged = stage();
    if (staged) staged->commit();
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
