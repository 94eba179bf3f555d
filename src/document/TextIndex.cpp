// The "createindex" generator: DocumentIndex.xml, the text of every page for
// searching the publication, optionally rewritten for right-to-left scripts.
#include "document/TextIndex.h"

#include <algorithm>

#include "document/DocumentError.h"
#include "document/XmlFile.h"
#include "pdf/text/TextPage.h"
#include "text/TextEncoding.h"

bool writeTextIndex(const pdf::Document& document, const std::string& dir, bool generateRtlOutput) {
    // The path must be well-formed UTF-8; checked before any page is read.
    const std::string path = dir + "DocumentIndex.xml";
    utf8ToWide(path);
    std::vector<std::string> texts;
    for (int n = 1, count = document.pageCount(); n <= count; ++n)
        texts.push_back(indexText(pdf::TextPage(document.page(n)), generateRtlOutput));
    writeTextIndexFile(path, texts);
    return true;
}

std::string indexText(const pdf::TextPage& text, bool rightToLeft) {
    return rightToLeft ? rtlText(text.text()) : text.text();
}

void writeTextIndexFile(const std::string& path, const std::vector<std::string>& pageTexts) {
    utf8ToWide(path);
    TiXmlDocument xml;
    xml.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("doc");
    xml.LinkEndChild(root);
    int number = 0;
    for (const std::string& text : pageTexts) {
        auto* page = new TiXmlElement("page");
        root->LinkEndChild(page);
        page->SetAttribute("p", ++number);
        page->LinkEndChild(new TiXmlText(text));
    }
    writeXmlFile(xml, path);
}

std::string rtlText(const std::string& utf8) {
    const std::wstring text = utf8ToWide(utf8);
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

void splitString(std::vector<std::wstring>& pieces, const std::wstring& text,
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

std::wstring joinStrings(const std::vector<std::wstring>& pieces, const std::wstring& separator) {
    std::wstring joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) joined += separator;
        joined += pieces[i];
    }
    return joined;
}

bool hasRTLCharacters(const std::wstring& word) {
    return std::any_of(word.begin(), word.end(),
                       [](wchar_t c) { return c >= 0x0590 && c <= 0x07BF; });
}
