// The "createpagesxml" generator: one Page_N.xml record per page.
#include "document/PagesXML.h"

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/RecordsCommit.h"
#include "document/RecordsLock.h"
#include "document/Utility.h"
#include "document/XmlFile.h"
#include "document/XmlLoad.h"
#include "text/TextEncoding.h"

bool PDFDocument::writePageRecords(const std::string& recordsDir, bool importLinks) {
    const std::string descriptorPath = recordsDir + "document.xml";
    utf8ToWide(descriptorPath);

    // The page ids come from document.xml; every page needs one before any
    // page file is replaced.
    if (!Utility::isRegularFile(descriptorPath)) {
        throw DocumentError("Cannot read descriptor '" + descriptorPath + "'");
    }
    TiXmlDocument descriptor;
    const std::string failure = loadXmlFile(descriptor, descriptorPath);
    if (!failure.empty()) {
        throw DocumentError("Cannot read descriptor '" + descriptorPath + "': " + failure);
    }
    const std::vector<std::string> pageIds = pageIdsOf(descriptor);
    const int count = getNumberOfPages();
    if (static_cast<int>(pageIds.size()) < count) {
        throw DocumentError("Descriptor '" + descriptorPath + "' lists " +
                            std::to_string(pageIds.size()) + " pages, the PDF has " +
                            std::to_string(count));
    }
    for (int n = 1; n <= count; ++n) {
        if (pageIds[n - 1].empty()) {
            throw DocumentError("Descriptor '" + descriptorPath + "' gives page " +
                                std::to_string(n) + " no id");
        }
    }

    // Every record is made before the first is written, so a PDF whose
    // annotations cannot be read replaces none.
    std::vector<std::unique_ptr<TiXmlDocument>> records;
    for (int n = 1; n <= count; ++n) {
        std::unique_ptr<TiXmlDocument> xml = newPageRecord(n, pageIds[n - 1]);
        if (importLinks) {
            TiXmlElement* links = recordSection(*xml, "links");
            for (auto& link : importLinksFromPDF(pdf().page(n), true, true, true)) {
                links->LinkEndChild(link.release());
            }
        }
        records.push_back(std::move(xml));
    }
    // The records are replaced together, under the lock the jobs that
    // extend them take, so none of them sees some replaced and some not.
    RecordsLock lock(recordsDir);
    RecordsCommit commit(recordsDir);
    for (int n = 1; n <= count; ++n) {
        commit.add(stageXmlFile(*records[n - 1], recordsDir + Utility::pageRecordName(n),
                                kRecordTemporaryPrefix, OutputFile::Flush::ByCaller));
    }
    commit.apply();
    return true;
}

std::unique_ptr<TiXmlDocument> newPageRecord(int number, const std::string& id) {
    auto xml = std::make_unique<TiXmlDocument>();
    xml->LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    TiXmlElement* page = appendElement(xml.get(), "page");
    page->SetAttribute("num", number);
    page->SetAttribute("label", "");
    page->SetAttribute("id", id);
    for (const char* section : {"links", "videos", "audios", "flashanimations", "products"}) {
        appendElement(page, section);
    }
    return xml;
}

TiXmlElement* recordSection(TiXmlDocument& record, const char* name) {
    return record.FirstChildElement("page")->FirstChildElement(name);
}
