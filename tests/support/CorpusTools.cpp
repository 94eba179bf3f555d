#include "support/CorpusTools.h"

#include <algorithm>
#include <cstdlib>

#include "pdf/builder/UnicodeFacts.h"
#include "support/Pattern.h"
#include "support/TestSupport.h"

namespace testing_support {
namespace {

std::vector<char32_t> decodeUtf8(const std::string& s) {
    std::vector<char32_t> out;
    for (size_t i = 0; i < s.size();) {
        unsigned char lead = static_cast<unsigned char>(s[i]);
        int len = lead < 0x80         ? 1
                  : (lead >> 5) == 6  ? 2
                  : (lead >> 4) == 14 ? 3
                  : (lead >> 3) == 30 ? 4
                                      : 1;
        char32_t cp = len == 1 ? lead : lead & (0x7F >> len);
        for (int k = 1; k < len && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(len);
    }
    return out;
}

// XML character references and the five entities.
std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        size_t end = s.find(';', i);
        if (end == std::string::npos) {
            out += s[i];
            continue;
        }
        std::string name = s.substr(i + 1, end - i - 1);
        i = end;
        if (name == "amp")
            out += '&';
        else if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else if (!name.empty() && name[0] == '#') {
            unsigned long cp = name.size() > 1 && name[1] == 'x'
                                   ? std::strtoul(name.c_str() + 2, nullptr, 16)
                                   : std::strtoul(name.c_str() + 1, nullptr, 10);
            if (cp < 0x80) {
                out += static_cast<char>(cp);
            } else if (cp < 0x800) {
                out += static_cast<char>(0xC0 | (cp >> 6));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                out += static_cast<char>(0xE0 | (cp >> 12));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | (cp >> 18));
                out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            }
        }
    }
    return out;
}

std::string quoted(const std::string& path) {
    return "'" + Pattern("'").replaceAll(path, "'\\''") + "'";
}

}  // namespace

std::string StextLine::text() const {
    std::string s;
    for (const StextChar& c : chars) s += c.text;
    return s;
}

std::map<int, std::vector<StextLine>> mutoolLines(const std::string& pdf) {
    std::map<int, std::vector<StextLine>> pages;
    std::string xml = shell("mutool draw -F stext -o - " + quoted(pdf) + " 2>/dev/null");
    const Pattern token(
        "<page |<block |<line |<char quad=\"([-\\d.e]+) ([-\\d.e]+) ([-\\d.e]+) "
        "([-\\d.e]+) ([-\\d.e]+) ([-\\d.e]+) ([-\\d.e]+) ([-\\d.e]+)\"[^>]* c=\"([^\"]*)\"");
    int page = 0, block = -1;
    for (const Match& m : token.all(xml)) {
        std::string head = m.str(0).substr(0, 6);
        if (head == "<page ") {
            ++page;
            block = -1;
            pages[page];
        } else if (head == "<block") {
            ++block;
        } else if (head == "<line ") {
            pages[page].push_back({block, {}});
        } else if (!pages[page].empty()) {
            double v[8];
            for (int k = 0; k < 8; ++k) v[k] = std::atof(m.str(k + 1).c_str());
            StextChar c{unescape(m.str(9)), v[0], v[1], v[0], v[1]};
            for (int k = 0; k < 8; k += 2) {
                c.x0 = std::min(c.x0, v[k]);
                c.x1 = std::max(c.x1, v[k]);
                c.y0 = std::min(c.y0, v[k + 1]);
                c.y1 = std::max(c.y1, v[k + 1]);
            }
            pages[page].back().chars.push_back(c);
        }
    }
    return pages;
}

std::map<int, std::string> mutoolPageTexts(const std::string& pdf) {
    std::map<int, std::string> pages;
    std::string text = shell("mutool draw -F txt -o - " + quoted(pdf) + " 2>/dev/null");
    int page = 1;
    size_t start = 0;
    for (size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
        pages[page++] = text.substr(start, ff - start);
    return pages;
}

std::map<int, std::string> pdftotextCropText(const std::string& pdf) {
    std::map<int, std::string> pages;
    std::string html =
        shell("pdftotext -bbox-layout -cropbox -enc UTF-8 " + quoted(pdf) + " - 2>/dev/null");
    const Pattern token(
        "<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">|<word xMin=\"([-\\d.]+)\" "
        "yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" yMax=\"([-\\d.]+)\">([^<]*)</word>");
    int page = 0;
    double width = 0, height = 0;
    for (const Match& m : token.all(html)) {
        if (m[1].matched) {
            ++page;
            width = std::stod(m[1]);
            height = std::stod(m[2]);
            pages[page];
            continue;
        }
        double cx = (std::stod(m[3]) + std::stod(m[5])) / 2;
        double cy = (std::stod(m[4]) + std::stod(m[6])) / 2;
        if (cx < 0 || cy < 0 || cx > width || cy > height) continue;
        pages[page] += unescape(m[7]) + " ";
    }
    return pages;
}

std::map<char32_t, long> comparableCharacters(const std::string& utf8) {
    std::map<char32_t, long> counts;
    for (char32_t c : decodeUtf8(utf8)) {
        for (char32_t p : pdfbuild::decomposed(c)) {
            if (p == 0x131) p = U'i';
            bool skipped = pdfbuild::isMarkControlOrSpace(p) || p == U'-' || p == 0x2010 ||
                           p == 0x2011 || p == 0xFFFD;
            if (!skipped) ++counts[p];
        }
    }
    return counts;
}

long heldIn(const std::map<char32_t, long>& a, const std::map<char32_t, long>& b) {
    long held = 0;
    for (const auto& [c, n] : a) {
        auto found = b.find(c);
        if (found != b.end()) held += std::min(n, found->second);
    }
    return held;
}

long countOf(const std::map<char32_t, long>& characters) {
    long n = 0;
    for (const auto& entry : characters) n += entry.second;
    return n;
}

std::map<char32_t, long> common(const std::map<char32_t, long>& a,
                                const std::map<char32_t, long>& b) {
    std::map<char32_t, long> both;
    for (const auto& [c, n] : a) {
        auto found = b.find(c);
        if (found != b.end()) both[c] = std::min(n, found->second);
    }
    return both;
}

bool latinScript(const std::string& utf8) {
    long latin = 0, other = 0;
    for (char32_t c : decodeUtf8(utf8)) {
        if (!pdfbuild::isLetter(c)) continue;
        if (pdfbuild::isLatin(c))
            ++latin;
        else
            ++other;
    }
    return latin + other > 0 && latin >= 0.95 * (latin + other);
}

}  // namespace testing_support
