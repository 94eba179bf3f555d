#include "document/PDFDocument.h"

#include <cstdio>
#include <cstdlib>

#include "document/DocumentError.h"
#include "document/RecordsCommit.h"
#include "document/RecordsLock.h"
#include "pdf/Error.h"

PDFDocument::PDFDocument() = default;

// Page records go before the PDF they describe.
PDFDocument::~PDFDocument() {
    pages.clear();
    pdfDoc.reset();
}

bool PDFDocument::open(const std::string& path) {
    try {
        pdfDoc = std::make_unique<pdf::Document>(path);
        populatePages();
        return true;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
    } catch (...) {
        std::printf("Unknown Exception\n");
    }
    pages.clear();
    pdfDoc.reset();
    return false;
}

const pdf::Document& PDFDocument::pdf() const {
    if (!pdfDoc) throw DocumentError("No PDF document is open");
    return *pdfDoc;
}

int PDFDocument::getNumberOfPages() const {
    return pdf().pageCount();
}

void PDFDocument::populatePages() {
    int count = getNumberOfPages();
    for (int n = 1; n <= count; ++n) pages.push_back(std::make_unique<PDFPage>(this, n));
}

void PDFDocument::savePages() {
    bool changed = false;
    for (auto& page : pages) changed = changed || page->isModified();
    if (!changed) return;
    // Under the lock, every changed record is read as it is now, written
    // beside itself, and only when all are written are they put in place,
    // all at once as the next job sees them (RecordsCommit.h): a failure
    // before that changes none, and no other job's additions are lost.
    RecordsLock lock(outputDir);
    RecordsCommit commit(outputDir);
    for (auto& page : pages) {
        if (std::unique_ptr<OutputFile> file = page->stage()) commit.add(std::move(file));
    }
    commit.apply();
}

std::string PDFDocument::initPagesID() {
    TiXmlNode* doc = descriptor.FirstChild("doc");
    TiXmlNode* section = doc != nullptr ? doc->FirstChild() : nullptr;
    if (section == nullptr) return std::string();
    for (TiXmlElement* entry = section->FirstChildElement(); entry != nullptr;
         entry = entry->NextSiblingElement()) {
        const char* id = entry->Attribute("id");
        pageIds.push_back(id != nullptr ? id : "");
    }
    return std::string();
}

void PDFDocument::getGuid(char* buffer) {
    static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 32; ++i) buffer[i] = kAlphabet[std::rand() % 36];
}
