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
    pages_.clear();
    pdfDoc_.reset();
}

bool PDFDocument::open(const std::string& path) {
    try {
        pdfDoc_ = std::make_unique<pdf::Document>(path);
        populatePages();
        return true;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
    } catch (...) {
        std::printf("Unknown Exception\n");
    }
    pages_.clear();
    pdfDoc_.reset();
    return false;
}

const pdf::Document& PDFDocument::pdf() const {
    if (!pdfDoc_) throw DocumentError("No PDF document is open");
    return *pdfDoc_;
}

int PDFDocument::getNumberOfPages() const {
    return pdf().pageCount();
}

void PDFDocument::populatePages() {
    int count = getNumberOfPages();
    for (int n = 1; n <= count; ++n) pages_.push_back(std::make_unique<PDFPage>(this, n));
}

PDFPage& PDFDocument::pageRecord(int number) {
    if (number < 1 || number > static_cast<int>(pages_.size()))
        throw DocumentError("Page " + std::to_string(number) + " has no record");
    return *pages_[number - 1];
}

void PDFDocument::savePages() {
    bool changed = false;
    for (auto& page : pages_) changed = changed || page->isModified();
    if (!changed) return;
    // Under the lock, every changed record is read as it is now, written
    // beside itself, and only when all are written are they put in place,
    // all at once as the next job sees them (RecordsCommit.h): a failure
    // before that changes none, and no other job's additions are lost.
    RecordsLock lock(outputDir);
    RecordsCommit commit(outputDir);
    for (auto& page : pages_) {
        if (std::unique_ptr<OutputFile> file = page->stage()) commit.add(std::move(file));
    }
    commit.apply();
}

std::vector<std::string> PDFDocument::pageIdsOf(const TiXmlDocument& descriptor) {
    std::vector<std::string> ids;
    const TiXmlNode* doc = descriptor.FirstChild("doc");
    const TiXmlNode* section = doc != nullptr ? doc->FirstChild() : nullptr;
    if (section == nullptr) return ids;
    for (const TiXmlElement* entry = section->FirstChildElement(); entry != nullptr;
         entry = entry->NextSiblingElement()) {
        const char* id = entry->Attribute("id");
        ids.push_back(id != nullptr ? id : "");
    }
    return ids;
}

void PDFDocument::getGuid(char* buffer) {
    static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 32; ++i) buffer[i] = kAlphabet[std::rand() % 36];
}
