// The "createtextlayer" generator: Text_N.json, one file per page, the page's lines in reading
// order with the box of every word on the shown page, for a viewer to lay selectable text over
// the page image (docs/jobs.md, "Text_N.json", has the format).
//
// Geometry: every box is measured on the characters' quads (pdf::TextPage, unrotated user
// space) mapped to page space by Page::userToPage(), along the line's writing direction and
// across it, so that a turned line, vertical writing and text upside down get boxes that fit
// their glyphs as tightly as upright text does. The direction is the sum of the quads' baseline
// vectors, rounded to a tenth of a degree as it is written, and the boxes are measured along
// the rounded direction: what the file says is what a reader rebuilds.
//
// Cost: linear in the page's characters, but for sorting each line's font sizes (n log n); the
// characters are bounded by kMaxPageGlyphs (PaintedText.h).
#include "document/TextLayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/OutputFile.h"
#include "pdf/text/CharClass.h"
#include "pdf/text/TextPage.h"

namespace {

// The format's version, "v".
constexpr int kFormatVersion = 1;
// Tenths of a degree in a full turn: angles are written to a tenth of a degree.
constexpr long kTenthsPerTurn = 3600;
constexpr long kTenthsPerQuarter = 900;
// A direction vector shorter than this (points) is no direction: the line's quads are
// degenerate, and it is taken as upright.
constexpr double kNoDirection = 1e-9;
constexpr double kPi = 3.14159265358979323846;

// number rounded to one decimal, as JSON writes it: "%.1f" without a trailing ".0" and
// without the sign of a negative zero. The process never sets a locale, so printf's decimal
// point is the classic '.'; any other is made one so that the file stays JSON whatever the
// environment.
// A number of tenths as a decimal: "12.3", "-0.5", "7" (no ".0", never "-0").
void appendTenths(std::string& out, long long tenths) {
    if (tenths < 0) out += '-';
    unsigned long long magnitude = tenths < 0 ? 0ULL - static_cast<unsigned long long>(tenths)
                                              : static_cast<unsigned long long>(tenths);
    char digits[24];
    char* end = digits + sizeof digits;
    char* at = end;
    unsigned long long whole = magnitude / 10;
    do {
        *--at = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    out.append(at, static_cast<std::size_t>(end - at));
    if (magnitude % 10 != 0) {
        out += '.';
        out += static_cast<char>('0' + magnitude % 10);
    }
}

// A length or position in points, rounded to the nearest tenth (halves away from zero);
// what is not a number, or beyond any page, is written as 0.
void appendNumber(std::string& out, double number) {
    constexpr double kLargestTenths = 1e15;  // far beyond any page, well inside long long
    const double tenths = number * 10;
    if (!std::isfinite(tenths) || std::fabs(tenths) > kLargestTenths) {
        out += '0';
        return;
    }
    appendTenths(out, std::llround(tenths));
}

// text as a JSON string: quotation mark, backslash and control characters escaped (the
// controls as \u00XX), everything else, UTF-8 included, as it is.
void appendString(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

// A writing direction on the shown page: the angle in tenths of a degree clockwise from +x
// (y down), from 0 to 3599, and its unit vector. Across the line is the direction turned a
// quarter clockwise: (-along.y, along.x).
struct Direction {
    long tenths = 0;
    pdf::Point along{1, 0};
};

Direction directionOfTenths(long tenths) {
    Direction d;
    d.tenths = ((tenths % kTenthsPerTurn) + kTenthsPerTurn) % kTenthsPerTurn;
    // Quarter turns exactly, so that upright and turned text get boxes without rounding noise.
    static const pdf::Point kQuarters[] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    if (d.tenths % kTenthsPerQuarter == 0) {
        d.along = kQuarters[d.tenths / kTenthsPerQuarter];
    } else {
        const double radians = static_cast<double>(d.tenths) / 10 * kPi / 180;
        d.along = {std::cos(radians), std::sin(radians)};
    }
    return d;
}

pdf::Point linearPart(const pdf::Matrix& m, pdf::Point from, pdf::Point to) {
    const pdf::Point a = m.apply(from), b = m.apply(to);
    return {b.x - a.x, b.y - a.y};
}

// The line's direction on the page: the sum of its characters' baseline and top-line
// vectors (start to end of each advance), rounded to a tenth of a degree.
Direction lineDirection(const pdf::TextPage& text, const pdf::TextLine& line,
                        const pdf::Matrix& toPage) {
    double sumX = 0, sumY = 0;
    for (const pdf::TextWord& word : text.words(line)) {
        for (const pdf::TextChar& c : text.chars(word)) {
            const pdf::Point base = linearPart(toPage, c.quad.lowerLeft, c.quad.lowerRight);
            const pdf::Point top = linearPart(toPage, c.quad.upperLeft, c.quad.upperRight);
            sumX += base.x + top.x;
            sumY += base.y + top.y;
        }
    }
    if (!(std::hypot(sumX, sumY) > kNoDirection)) return directionOfTenths(0);
    const double degrees = std::atan2(sumY, sumX) * 180 / kPi;
    return directionOfTenths(std::lround(degrees * 10));
}

// The character's quad on the page (its share of its glyph's), along and across d.
pdf::Extent charExtent(const pdf::TextChar& c, const pdf::Matrix& toPage, const Direction& d) {
    const pdf::Point quad[4] = {c.quad.lowerLeft, c.quad.lowerRight, c.quad.upperRight,
                                c.quad.upperLeft};
    return pdf::quadExtent(quad, toPage, d.along);
}

// The union of the word's glyph quads on the page, along and across d.
pdf::Extent wordExtent(const pdf::TextPage& text, const pdf::TextWord& word,
                       const pdf::Matrix& toPage, const Direction& d) {
    pdf::Extent e;
    for (const pdf::TextChar& c : text.chars(word)) e.add(charExtent(c, toPage, d));
    return e;
}

// The font size most of the line's characters have (to a tenth of a point; of two as common,
// the larger).
double lineFontSize(const pdf::TextPage& text, const pdf::TextLine& line) {
    std::vector<long> tenths;
    for (const pdf::TextWord& word : text.words(line))
        for (const pdf::TextChar& c : text.chars(word))
            tenths.push_back(std::isfinite(c.fontSize) ? std::lround(c.fontSize * 10) : 0);
    if (tenths.empty()) return 0;
    std::sort(tenths.begin(), tenths.end());
    long best = tenths.front(), bestCount = 0;
    for (std::size_t i = 0; i < tenths.size();) {
        std::size_t j = i;
        while (j < tenths.size() && tenths[j] == tenths[i]) ++j;
        if (static_cast<long>(j - i) >= bestCount) {
            best = tenths[i];
            bestCount = static_cast<long>(j - i);
        }
        i = j;
    }
    return static_cast<double>(best) / 10;
}

struct WrittenWord {
    std::string_view text;
    pdf::Extent extent;
};

// Whether the line, its words in reading order, is read right to left: the layout puts a
// right-to-left line's words (and a right-to-left word's letters) in logical order, so they
// run backwards along the line; a line of one character is right to left when its character
// is of a right-to-left script.
bool readRightToLeft(const pdf::TextPage& text, const std::vector<WrittenWord>& words,
                     const std::vector<const pdf::TextWord*>& sources, const pdf::Matrix& toPage,
                     const Direction& d) {
    if (words.size() >= 2) return words.front().extent.middle() > words.back().extent.middle();
    const pdf::TextWord& word = *sources.front();
    const auto chars = text.chars(word);
    if (chars.size() >= 2)
        return charExtent(chars.front(), toPage, d).middle() >
               charExtent(chars.back(), toPage, d).middle();
    return pdf::chars::direction(chars.front().code) == pdf::chars::Direction::RightToLeft;
}

// A word of unmapped glyphs only holds no text to write.
bool writtenWord(const pdf::TextPage& text, const pdf::TextWord& word) {
    return !text.wordText(word).empty() && word.charCount != 0;
}

// One line of the file, or nothing for a line without text.
void appendLine(std::string& out, const pdf::TextPage& text, const pdf::TextLine& line,
                const pdf::Matrix& toPage) {
    const Direction d = lineDirection(text, line, toPage);
    std::vector<WrittenWord> words;
    std::vector<const pdf::TextWord*> sources;
    pdf::Extent box;
    for (const pdf::TextWord& word : text.words(line)) {
        if (!writtenWord(text, word)) continue;
        std::string_view utf8 = text.wordText(word);
        words.push_back({utf8, wordExtent(text, word, toPage, d)});
        sources.push_back(&word);
        box.add(words.back().extent);
    }
    if (words.empty()) return;

    if (out.back() != '[') out += ',';
    out += '[';
    std::string joined;
    for (const WrittenWord& word : words) {
        if (!joined.empty()) joined += ' ';
        joined += word.text;
    }
    appendString(out, joined);
    // The corner where both extents start.
    const double x = box.s0 * d.along.x - box.t0 * d.along.y;
    const double y = box.s0 * d.along.y + box.t0 * d.along.x;
    for (double value : {x, y, box.t1 - box.t0, lineFontSize(text, line)}) {
        out += ',';
        appendNumber(out, value);
    }
    // Each word's gap from the end of the word before (from the line's start
    // for the first) and its length, in tenths of a point rounded first, so
    // that summing them back gives every word's rounded start exactly.
    out += ",[";
    long long end = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const long long start = std::llround((words[i].extent.s0 - box.s0) * 10);
        const long long length = std::llround((words[i].extent.s1 - words[i].extent.s0) * 10);
        if (i > 0) out += ',';
        appendTenths(out, start - end);
        out += ',';
        appendTenths(out, length);
        end = start + length;
    }
    out += ']';
    const bool rightToLeft = readRightToLeft(text, words, sources, toPage, d);
    if (rightToLeft || d.tenths != 0) out += rightToLeft ? ",1" : ",0";
    if (d.tenths != 0) {
        out += ',';
        appendTenths(out, d.tenths);
    }
    out += ']';
}

}  // namespace

PageShape pageShape(const pdf::Page& page) {
    return {page.number(), page.width(), page.height(), page.userToPage()};
}

std::string textLayerJson(const PageShape& page, const pdf::TextPage& text) {
    std::string out = "{\"v\":" + std::to_string(kFormatVersion) +
                      ",\"p\":" + std::to_string(page.number) + ",\"w\":";
    appendNumber(out, page.width);
    out += ",\"h\":";
    appendNumber(out, page.height);
    out += ",\"l\":[";
    for (const pdf::TextLine& line : text.lines()) appendLine(out, text, line, page.userToPage);
    out += "]}";
    return out;
}

std::vector<std::string> textLayerLines(const pdf::TextPage& text) {
    std::vector<std::string> lines;
    for (const pdf::TextLine& line : text.lines()) {
        std::string joined;
        for (const pdf::TextWord& word : text.words(line)) {
            if (!writtenWord(text, word)) continue;
            if (!joined.empty()) joined += ' ';
            joined += text.wordText(word);
        }
        if (!joined.empty()) lines.push_back(std::move(joined));
    }
    return lines;
}

bool writeTextLayer(const pdf::Document& document, const std::string& dir, int fromPage,
                    int toPage) {
    const int first = std::max(fromPage, 1);
    const int last = std::min(toPage, document.pageCount());
    // Each page's file is finished beside its name; the files go to the disk together, with
    // one flush of the file system (a flush a file took as long as reading the pages), and
    // only then into place, in page order. A page that fails puts the files of the pages
    // before it in place first, as writing them one by one would have left them.
    std::vector<std::unique_ptr<OutputFile>> finished;
    auto putInPlace = [&] {
        if (finished.empty()) return;
        OutputFile::syncFileSystem(dir);
        for (const std::unique_ptr<OutputFile>& file : finished) file->rename();
        OutputFile::syncDirectory(dir);
        finished.clear();
    };
    try {
        for (int n = first; n <= last; ++n) {
            const pdf::Page page = document.page(n);
            const std::string json = textLayerJson(pageShape(page), pdf::TextPage(page));
            auto out = std::make_unique<OutputFile>(dir + "Text_" + std::to_string(n) + ".json");
            std::fwrite(json.data(), 1, json.size(), out->stream());
            out->finish(OutputFile::Flush::ByCaller);
            finished.push_back(std::move(out));
        }
    } catch (...) {
        putInPlace();
        throw;
    }
    putInPlace();
    return true;
}
