// The "createseotext" generator: seo.xml, the publication's title and one
// link per page labelled with the page's first line, for search engines.
#include "document/SeoText.h"

#include <algorithm>

#include "document/DocumentError.h"
#include "document/XmlFile.h"
#include "pdf/text/TextPage.h"
#include "text/TextEncoding.h"

bool writeSeo(const pdf::Document& document, const SeoOptions& options) {
    // The path must be well-formed UTF-8; checked before any page is read.
    utf8ToWide(options.outputDir + "seo.xml");
    const int count = document.pageCount();
    const int links = options.maxLines < 1 ? count : std::min(options.maxLines, count);
    std::vector<std::string> firstLines;
    for (int n = 1; n <= links; ++n)
        firstLines.push_back(firstLineText(pdf::TextPage(document.page(n))));
    writeSeoFile(options, firstLines);
    return true;
}

void writeSeoFile(const SeoOptions& options, const std::vector<std::string>& firstLines) {
    const std::string path = options.outputDir + "seo.xml";
    utf8ToWide(path);
    TiXmlDocument xml;
    auto* paragraph = new TiXmlElement("p");
    auto* span = new TiXmlElement("span");
    span->LinkEndChild(new TiXmlText(options.title));
    paragraph->LinkEndChild(span);
    xml.LinkEndChild(paragraph);
    const int count = static_cast<int>(firstLines.size());
    const int links = options.maxLines < 1 ? count : std::min(options.maxLines, count);
    for (int n = 1; n <= links; ++n) {
        auto* link = new TiXmlElement("a");
        paragraph->LinkEndChild(link);
        link->SetAttribute("href", "/#?page=" + std::to_string(n));
        link->LinkEndChild(new TiXmlText(firstLines[n - 1]));
    }
    if (options.addCreatorLink) {
        auto* link = new TiXmlElement("a");
        paragraph->LinkEndChild(link);
        link->SetAttribute("href", options.creatorUrl);
        link->LinkEndChild(new TiXmlText(options.creatorName));
    }
    writeXmlFile(xml, path);
}

std::string firstLineText(const pdf::TextPage& text) {
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
