#include "support/WordAgreement.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>

#include "support/TestSupport.h"

namespace testing_support {
namespace {

std::string withoutInvisibles(std::string text) {
    struct Replacement {
        const char* from;
        const char* to;
    };
    static const Replacement kReplacements[] = {
        {"\xE2\x80\xAA", ""},
        {"\xE2\x80\xAB", ""},
        {"\xE2\x80\xAC", ""},
        {"\xE2\x80\xAD", ""},
        {"\xE2\x80\xAE", ""},
        {"\xE2\x80\x8E", ""},
        {"\xE2\x80\x8F", ""},
        {"\xE2\x81\xA6", ""},
        {"\xE2\x81\xA7", ""},
        {"\xE2\x81\xA8", ""},
        {"\xE2\x81\xA9", ""},
        {"\xE2\x80\x8B", " "},
        // Ligature characters, which the index spells out.
        {"\xEF\xAC\x80", "ff"},
        {"\xEF\xAC\x81", "fi"},
        {"\xEF\xAC\x82", "fl"},
        {"\xEF\xAC\x83", "ffi"},
        {"\xEF\xAC\x84", "ffl"},
        {"\xEF\xAC\x85", "st"},
        {"\xEF\xAC\x86", "st"},
    };
    for (const Replacement& r : kReplacements) {
        std::string::size_type at;
        while ((at = text.find(r.from)) != std::string::npos)
            text.replace(at, std::string(r.from).size(), r.to);
    }
    // A soft hyphen followed by white space: the word goes on in the next line. Control
    // codes that fonts without a Unicode map leave (pdftotext writes them out) are no text.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\n' && c != '\t' && c != '\r') continue;
        if (text.compare(i, 2, "\xC2\xAD") == 0) {
            std::size_t j = i + 2;
            while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j]))) ++j;
            if (j > i + 2) {
                i = j - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool operator!=(const Box& o) const {
        return x0 != o.x0 || y0 != o.y0 || x1 != o.x1 || y1 != o.y1;
    }
};

struct PageGeometry {
    Box media, crop;
    int rotation = 0;
};

std::map<int, PageGeometry> geometryOf(const std::string& pdf) {
    std::map<int, PageGeometry> pages;
    std::istringstream in(shell("pdfinfo -box -f 1 -l 100000 '" + pdf + "' 2>/dev/null"));
    std::string line;
    while (std::getline(in, line)) {
        int page = 0;
        char kind[16] = {0};
        Box b;
        if (std::sscanf(line.c_str(), "Page %d %15[A-Za-z]: %lf %lf %lf %lf", &page, kind, &b.x0,
                        &b.y0, &b.x1, &b.y1) == 6) {
            if (std::string(kind) == "MediaBox") pages[page].media = b;
            if (std::string(kind) == "CropBox") pages[page].crop = b;
        } else if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &pages[page].rotation) ==
                   2) {
        }
    }
    return pages;
}

// pdftotext's text of one page, limited to the crop box where it differs from the media box.
std::string referenceText(const std::string& pdf, int page, const PageGeometry& g) {
    std::string command =
        "pdftotext -enc UTF-8 -f " + std::to_string(page) + " -l " + std::to_string(page);
    if (g.media != g.crop && g.rotation == 0) {
        command += " -x " + std::to_string(static_cast<int>(g.crop.x0 - g.media.x0)) + " -y " +
                   std::to_string(static_cast<int>(g.media.y1 - g.crop.y1)) + " -W " +
                   std::to_string(static_cast<int>(g.crop.x1 - g.crop.x0 + 0.999)) + " -H " +
                   std::to_string(static_cast<int>(g.crop.y1 - g.crop.y0 + 0.999));
    }
    return shell(command + " '" + pdf + "' - 2>/dev/null");
}

std::vector<std::string> paragraphsOf(const std::string& text) {
    std::vector<std::string> paragraphs(1);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\f\r") == std::string::npos) {
            if (!paragraphs.back().empty()) paragraphs.emplace_back();
        } else {
            paragraphs.back() += line + "\n";
        }
    }
    return paragraphs;
}

}  // namespace

Words wordsOf(const std::string& text) {
    Words words;
    std::istringstream in(withoutInvisibles(text));
    std::string w;
    while (in >> w) {
        // A web address's scheme counts as a word of its own: pdftotext keeps a scheme that
        // ends a line apart from the rest of its address, the index reads the address whole.
        std::string::size_type scheme = w.find("://");
        if (scheme != std::string::npos && scheme + 3 < w.size()) {
            words.push_back(w.substr(0, scheme + 3));
            w.erase(0, scheme + 3);
        }
        words.push_back(w);
    }
    return words;
}

// Length of the longest common subsequence.
long commonInOrder(const Words& a, const Words& b) {
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    std::vector<int> row(m + 1, 0), next(m + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < m; ++j) {
            next[j + 1] = a[head + i] == b[head + j] ? row[j] + 1 : std::max(row[j + 1], next[j]);
        }
        std::swap(row, next);
    }
    return static_cast<long>(head + tail) + row[m];
}

// The text of every page of the index "createindex" writes for pdf; empty when the job fails.
std::vector<std::string> indexTexts(const std::string& pdf) {
    std::vector<std::string> pages;
    TempDir dir;
    RunResult run = runJob(dir, "<job name=\"createindex\"><inputfile>" + pdf +
                                    "</inputfile><outputdir>" + dir.path() + "</outputdir></job>");
    if (run.status != 0) return pages;
    TiXmlDocument index;
    EXPECT_TRUE(index.LoadFile(dir.file("DocumentIndex.xml"), TIXML_ENCODING_UTF8)) << pdf;
    TiXmlElement* root = index.FirstChildElement("doc");
    if (root == nullptr) return pages;
    for (TiXmlElement* page = root->FirstChildElement("page"); page != nullptr;
         page = page->NextSiblingElement("page")) {
        const char* text = page->GetText();
        pages.push_back(text != nullptr ? text : "");
    }
    return pages;
}

Agreement measure(const std::string& pdf, const std::function<bool(int)>& counts) {
    Agreement a;
    std::vector<std::string> index = indexTexts(pdf);
    EXPECT_FALSE(index.empty()) << pdf;
    std::map<int, PageGeometry> geometry = geometryOf(pdf);
    int number = 0;
    for (const std::string& text : index) {
        ++number;
        if (counts && !counts(number)) continue;
        Words ours = wordsOf(text);
        std::string reference = referenceText(pdf, number, geometry[number]);
        Words theirs = wordsOf(reference);
        a.reference += static_cast<long>(theirs.size());
        a.ours += static_cast<long>(ours.size());
        a.inPageOrder += commonInOrder(ours, theirs);
        for (const std::string& paragraph : paragraphsOf(reference))
            a.inParagraphOrder += commonInOrder(ours, wordsOf(paragraph));
    }
    return a;
}

bool haveTools() {
    return !shell("command -v pdftotext").empty() && !shell("command -v pdfinfo").empty();
}

}  // namespace testing_support
