// The "createseotext" generator: seo.xml, the publication's title and one
// link per page labelled with the page's first line, for search engines.
#include <algorithm>

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/XmlFile.h"
#include "pdf/text/TextPage.h"
#include "text/TextEncoding.h"

bool PDFDocument::writeSeo(const SeoOptions& options) {
    const pdf::Document& document = pdf();
    const std::string path = options.outputDir + "seo.xml";
    utf8ToWide(path);

    TiXmlDocument xml;
    auto* paragraph = new TiXmlElement("p");
    auto* span = new TiXmlElement("span");
    span->LinkEndChild(new TiXmlText(options.title));
    paragraph->LinkEndChild(span);
    xml.LinkEndChild(paragraph);

    const int count = document.pageCount();
    const int links = options.maxLines < 1 ? count : std::min(options.maxLines, count);
    for (int n = 1; n <= links; ++n) {
        auto* link = new TiXmlElement("a");
        paragraph->LinkEndChild(link);
        link->SetAttribute("href", "/#?page=" + std::to_string(n));
        link->LinkEndChild(new TiXmlText(getFirstLinePageText(document.page(n))));
    }
    if (options.addCreatorLink) {
        auto* link = new TiXmlElement("a");
        paragraph->LinkEndChild(link);
        link->SetAttribute("href", options.creatorUrl);
        link->LinkEndChild(new TiXmlText(options.creatorName));
    }

    writeXmlFile(xml, path);
    return true;
}

std::string PDFDocument::getFirstLinePageText(const pdf::Page& page) {
    pdf::TextPage text(page);
    std::string result;
    if (text.lines().empty()) return result;
    bool first = true;
    for (const pdf::TextWord& word : text.words(text.lines().front())) {
        if (!first) result += ' ';
        result += text.wordText(word);
        first = false;
    }
    return result;
}
