#include "recognition/HitInfoLocator.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "pdf/text/CharClass.h"
#include "text/Ascii.h"

namespace {

// How far from the page's horizontal a glyph may run and still be read as
// a horizontal line (about half a degree).
constexpr double kHorizontal = 0.01;

// Font size times the vertical scale of the text and graphics matrices.
double effectiveFontSize(const pdf::TextElement& element) {
    pdf::Matrix m = element.textMatrix.then(element.ctm);
    return element.fontSize * std::sqrt(m.b * m.b + m.d * m.d);
}

// Whether text holds needle as a run of consecutive characters, in time
// linear in both (Knuth-Morris-Pratt): a piece and an element may each be a
// whole line of the page.
bool contains(const std::u32string& text, const std::u32string& needle) {
    if (needle.empty()) return true;
    // border[k]: length of the longest proper border of needle[0..k].
    std::vector<std::size_t> border(needle.size(), 0);
    for (std::size_t k = 1, b = 0; k < needle.size(); ++k) {
        while (b > 0 && needle[k] != needle[b]) b = border[b - 1];
        if (needle[k] == needle[b]) ++b;
        border[k] = b;
    }
    for (std::size_t k = 0, b = 0; k < text.size(); ++k) {
        while (b > 0 && text[k] != needle[b]) b = border[b - 1];
        if (text[k] == needle[b]) ++b;
        if (b == needle.size()) return true;
    }
    return false;
}

}  // namespace

std::vector<HitInfo> HitInfoLocator::getSearchHitInfo(const std::vector<pdf::Highlight>& highlights,
                                                      const std::string& matchText) {
    searchText = utf8ToAscii(matchText);
    std::vector<HitInfo> hits;
    const int glyphCount = painted_.glyphCount();
    for (size_t i = 0; i < highlights.size();) {
        // One line piece: the highlights of one line that follow each other.
        std::vector<int> glyphs;
        size_t j = i;
        for (; j < highlights.size() && highlights[j].line == highlights[i].line; ++j) {
            const pdf::Highlight& range = highlights[j];
            for (int g = range.position; g < range.position + range.length; ++g)
                if (g >= 0 && g < glyphCount) glyphs.push_back(g);
        }
        i = j;
        std::sort(glyphs.begin(), glyphs.end());
        glyphs.erase(std::unique(glyphs.begin(), glyphs.end()), glyphs.end());
        for (const std::vector<int>& piece : visualLines(glyphs)) {
            HitInfo hit;
            if (getHitsData(piece, hit)) hits.push_back(hit);
        }
    }
    return hits;
}

// A line of the reading may lie on several lines of the page: a table row
// holds the wrapped text of a cell. Its glyphs are split where their
// baselines lie apart by more than kOtherLine of the larger size (sub- and
// superscripts stay with their line).
std::vector<std::vector<int>> HitInfoLocator::visualLines(const std::vector<int>& glyphs) const {
    constexpr double kOtherLine = 0.7;
    struct Placed {
        double across, size;
        int glyph;
    };
    std::vector<Placed> placed;
    for (int g : glyphs) {
        const pdf::PaintedChar& c = firstChar(g);
        placed.push_back({c.dirX * c.origin.y - c.dirY * c.origin.x, c.size, g});
    }
    std::sort(placed.begin(), placed.end(),
              [](const Placed& a, const Placed& b) { return a.across < b.across; });
    std::vector<std::vector<int>> lines;
    for (std::size_t k = 0; k < placed.size(); ++k) {
        if (k == 0 || placed[k].across - placed[k - 1].across >
                          kOtherLine * std::max(placed[k].size, placed[k - 1].size))
            lines.emplace_back();
        lines.back().push_back(placed[k].glyph);
    }
    for (std::vector<int>& line : lines) std::sort(line.begin(), line.end());
    return lines;
}

bool HitInfoLocator::getHitsData(const std::vector<int>& glyphs, HitInfo& hit) const {
    hit.page = page_.number();
    hit.searchText = searchText;
    if (readsLeftToRight(glyphs) && measureByElements(glyphs, hit)) return true;
    return measureByBoxes(glyphs, hit);
}

bool HitInfoLocator::readsLeftToRight(const std::vector<int>& glyphs) const {
    double previousX = -1e300;
    for (int g : glyphs) {
        for (int c = painted_.glyphStart[g]; c < painted_.glyphStart[g + 1]; ++c) {
            const pdf::PaintedChar& ch = painted_.chars[static_cast<size_t>(c)];
            if (ch.dirX < 1 - kHorizontal || std::fabs(ch.dirY) > kHorizontal) return false;
            if (ch.quad[3].y >= ch.quad[0].y) return false;  // mirrored: ascent below
        }
        const pdf::PaintedChar& first = firstChar(g);
        if (first.origin.x < previousX - kHorizontal) return false;
        previousX = first.origin.x;
    }
    return true;
}

bool HitInfoLocator::measureByElements(const std::vector<int>& glyphs, HitInfo& hit) const {
    const pdf::PaintedChar& first = firstChar(glyphs.front());
    const pdf::PaintedChar& last = firstChar(glyphs.back());
    const pdf::TextElement& firstElement = painted_.elements[static_cast<size_t>(first.element)];
    const pdf::TextElement& lastElement = painted_.elements[static_cast<size_t>(last.element)];
    const pdf::Matrix& toPage = page_.userToPage();

    // Does the piece hold the whole text of its last glyph's element? Only
    // a piece of at least as many characters can: an element may be a whole
    // line of the page, so its text is gathered only then, at the cost of
    // the piece, and never once per match at the cost of the element.
    const int elementBegin = painted_.glyphStart[lastElement.firstGlyph];
    const int elementEnd = painted_.glyphStart[lastElement.firstGlyph + lastElement.glyphCount];
    std::size_t pieceChars = 0;
    for (int g : glyphs)
        pieceChars += static_cast<std::size_t>(painted_.glyphStart[g + 1] - painted_.glyphStart[g]);
    bool holdsElement = false;
    if (static_cast<std::size_t>(elementEnd - elementBegin) <= pieceChars) {
        std::u32string piece, element;
        piece.reserve(pieceChars);
        for (int g : glyphs)
            for (int c = painted_.glyphStart[g]; c < painted_.glyphStart[g + 1]; ++c)
                piece += painted_.chars[static_cast<size_t>(c)].code;
        for (int c = elementBegin; c < elementEnd; ++c)
            element += painted_.chars[static_cast<size_t>(c)].code;
        holdsElement = contains(piece, element);
    }
    double right = holdsElement ? toPage.apply(lastElement.bbox).x1
                                : last.origin.x + effectiveFontSize(lastElement) / 2;

    hit.x = first.origin.x;
    hit.y = toPage.apply(firstElement.bbox).y0;
    hit.width = right - hit.x;
    hit.height = last.origin.y - hit.y;
    return hit.width > 0 && hit.height > 0;
}

bool HitInfoLocator::measureByBoxes(const std::vector<int>& glyphs, HitInfo& hit) const {
    pdf::Rect box{1e300, 1e300, -1e300, -1e300};
    for (int g : glyphs) {
        for (int c = painted_.glyphStart[g]; c < painted_.glyphStart[g + 1]; ++c)
            box = pdf::unite(box, pdf::boundsOfPoints(painted_.chars[static_cast<size_t>(c)].quad));
    }
    hit.x = box.x0;
    hit.y = box.y0;
    hit.width = box.width();
    hit.height = box.height();
    return hit.width > 0 && hit.height > 0;
}
