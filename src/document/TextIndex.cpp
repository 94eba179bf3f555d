// The "createindex" generator: DocumentIndex.xml, the text of every page for
// searching the publication, optionally rewritten for right-to-left scripts.
#include <algorithm>

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/XmlFile.h"
#include "pdf/text/TextPage.h"
#include "text/TextEncoding.h"

bool PDFDocument::writeTextIndex(const std::string& dir, bool generateRtlOutput) {
    const pdf::Document& document = pdf();
    // The path must be well-formed UTF-8; checked before any page is read.
    const std::string path = dir + "DocumentIndex.xml";
    utf8ToWide(path);

    TiXmlDocument xml;
    xml.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("doc");
    xml.LinkEndChild(root);
    const int count = document.pageCount();
    for (int n = 1; n <= count; ++n) {
        auto* page = new TiXmlElement("page");
        root->LinkEndChild(page);
        page->SetAttribute("p", n);
        pdf::Page pdfPage = document.page(n);
        page->LinkEndChild(
            new TiXmlText(generateRtlOutput ? getRTLPageText(pdfPage) : getPageText(pdfPage)));
    }

    writeXmlFile(xml, path);
    return true;
}

std::string PDFDocument::getPageText(const pdf::Page& page) {
    return pdf::TextPage(page).text();
}

std::string PDFDocument::getRTLPageText(const pdf::Page& page) {
    const std::wstring text = utf8ToWide(getPageText(page));
    std::vector<std::wstring> lines;
    splitString(lines, text, L"\n");
    for (std::wstring& line : lines) {
        std::vector<std::wstring> words;
        splitString(words, line, L" ");
        std::reverse(words.begin(), words.end());
        for (std::wstring& word : words) {
            if (hasRTLCharacters(word)) std::reverse(word.begin(), word.end());
        }
        line = joinStrings(words, L" ");
    }
    return wideToUtf8(joinStrings(lines, L"\n"));
}

void PDFDocument::splitString(std::vector<std::wstring>& pieces, const std::wstring& text,
                              const std::wstring& separator) {
    if (separator.empty()) {
        pieces.push_back(text);
        return;
    }
    std::wstring::size_type start = 0;
    for (;;) {
        std::wstring::size_type found = text.find(separator, start);
        if (found == std::wstring::npos) {
            pieces.push_back(text.substr(start));
            return;
        }
        pieces.push_back(text.substr(start, found - start));
        start = found + separator.size();
    }
}

std::wstring PDFDocument::joinStrings(const std::vector<std::wstring>& pieces,
                                      const std::wstring& separator) {
    std::wstring joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) joined += separator;
        joined += pieces[i];
    }
    return joined;
}

bool PDFDocument::hasRTLCharacters(const std::wstring& word) {
    return std::any_of(word.begin(), word.end(),
                       [](wchar_t c) { return c >= 0x0590 && c <= 0x07BF; });
}
