#include "document/PublicationInfo.h"

#include <cstddef>

#include "document/JsonString.h"

namespace {

// Unicode's White_Space characters.
bool isWhiteSpace(char32_t c) {
    return c == 0x20 || (c >= 0x09 && c <= 0x0d) || c == 0x85 || c == 0xa0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 || c == 0x202f ||
           c == 0x205f || c == 0x3000;
}

// The code point that starts at text[at] and its length in bytes; a byte that starts no
// well-formed sequence stands for itself (and is no white space).
char32_t codePointAt(const std::string& text, std::size_t at, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t need = lead < 0x80    ? 1
                             : lead >= 0xf0 ? 4
                             : lead >= 0xe0 ? 3
                             : lead >= 0xc0 ? 2
                                            : 1;
    if (need == 1 || at + need > text.size()) {
        length = 1;
        return lead < 0x80 ? lead : 0xfffd;
    }
    char32_t c = lead & (0x7f >> need);
    for (std::size_t i = 1; i < need; ++i)
        c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3f);
    length = need;
    return c;
}

}  // namespace

std::string publicationTitle(const std::string& pdfTitle, const std::string& pdfFileName) {
    std::size_t first = pdfTitle.size(), last = 0;  // the text between, [first, last)
    for (std::size_t at = 0, length = 0; at < pdfTitle.size(); at += length) {
        if (isWhiteSpace(codePointAt(pdfTitle, at, length))) continue;
        if (first == pdfTitle.size()) first = at;
        last = at + length;
    }
    if (first < last) return pdfTitle.substr(first, last - first);
    const std::size_t n = pdfFileName.size();
    if (n > 4 && pdfFileName[n - 4] == '.' && (pdfFileName[n - 3] | 0x20) == 'p' &&
        (pdfFileName[n - 2] | 0x20) == 'd' && (pdfFileName[n - 1] | 0x20) == 'f') {
        return pdfFileName.substr(0, n - 4);
    }
    return pdfFileName;
}

std::string publicationJson(const std::string& title, bool withPdf, const std::string& pdfName,
                            bool rightToLeft, const std::string& tiles) {
    std::string json = "{\"title\":";
    appendJsonString(json, title, true);
    if (withPdf) {
        json += ",\"pdf\":\"document.pdf\",\"pdfName\":";
        appendJsonString(json, pdfName, true);
    }
    if (rightToLeft) json += ",\"dir\":\"rtl\"";
    if (!tiles.empty()) json += ",\"tiles\":" + tiles;
    return json + "}\n";
}

std::string seoTitle(const std::string& title, const std::string& docId) {
    std::string kept;
    bool onlyWhiteSpace = true;
    for (char c : title) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7f) continue;
        kept += c;
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') onlyWhiteSpace = false;
    }
    return onlyWhiteSpace ? docId : kept;
}

std::string publicationDocId(const std::string& pdfFileName) {
    const std::size_t dot = pdfFileName.rfind('.');
    return dot == std::string::npos ? pdfFileName : pdfFileName.substr(0, dot);
}
