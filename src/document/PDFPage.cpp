#include "document/PDFPage.h"

#include <cstdio>

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/Utility.h"
#include "document/XmlFile.h"
#include "document/XmlLoad.h"
#include "text/TextEncoding.h"

namespace {

std::string pack(TiXmlElement* handed) {
    std::unique_ptr<TiXmlElement> element(handed);
    std::string packed = element->ValueStr();
    packed += '\0';
    for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next()) {
        packed += a->NameTStr();
        packed += '\0';
        packed += a->ValueStr();
        packed += '\0';
    }
    return packed;
}

TiXmlElement* unpack(const std::string& packed) {
    std::size_t end = packed.find('\0');
    auto* element = new TiXmlElement(packed.substr(0, end));
    for (std::size_t at = end + 1; at < packed.size();) {
        std::size_t nameEnd = packed.find('\0', at);
        std::size_t valueEnd = packed.find('\0', nameEnd + 1);
        element->SetAttribute(packed.substr(at, nameEnd - at),
                              packed.substr(nameEnd + 1, valueEnd - nameEnd - 1));
        at = valueEnd + 1;
    }
    return element;
}

}  // namespace

PDFPage::PDFPage(PDFDocument* document, int pageNumber)
    : pageNumber(pageNumber), document(document) {}

std::string PDFPage::getPath() const {
    return document->getOutputDir() + Utility::pageRecordName(pageNumber);
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
    return page;
}

void PDFPage::prepare() {
    load();
    xml.reset();
}

std::unique_ptr<OutputFile> PDFPage::stage() {
    if (!modified) return nullptr;
    TiXmlElement* page = load();
    // A record without a section holds none of its elements: the section is
    // added, at the end of the page, when there are elements to put in it.
    auto section = [page](const char* name, bool needed) {
        TiXmlElement* found = page->FirstChildElement(name);
        return found != nullptr || !needed ? found : appendElement(page, name);
    };
    TiXmlElement* links = section("links", !pendingLinks.empty());
    TiXmlElement* products = section("products", !pendingProducts.empty());
    // The document takes each element over; nothing is linked twice if the
    // record is staged again.
    for (const std::string& link : pendingLinks) links->LinkEndChild(unpack(link));
    for (const std::string& product : pendingProducts) products->LinkEndChild(unpack(product));
    pendingLinks.clear();
    pendingProducts.clear();
    std::unique_ptr<OutputFile> staged =
        stageXmlFile(*xml, getPath(), kRecordTemporaryPrefix, OutputFile::Flush::ByCaller);
    xml.reset();
    return staged;
}

bool PDFPage::save() {
    std::unique_ptr<OutputFile> staged = stage();
    if (staged) staged->commit();
    return true;
}

bool PDFPage::addLink(TiXmlElement* element) {
    pendingLinks.push_back(pack(element));
    modified = true;
    return true;
}

bool PDFPage::addProduct(TiXmlElement* element) {
    pendingProducts.push_back(pack(element));
    modified = true;
    return true;
}
