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

// Page space along the page's horizontal: s is x, t is y.
constexpr pdf::Point kRightwards{1, 0};

}  // namespace

// The glyph's quads (its characters' shares of its advance), page space, along the page's
// horizontal.
pdf::Extent HitInfoLocator::glyphExtent(int glyph) const {
    pdf::Extent e;
    for (int c = painted_.glyphStart[glyph]; c < painted_.glyphStart[glyph + 1]; ++c)
        e.add(pdf::quadExtent(painted_.chars[static_cast<size_t>(c)].quad, pdf::Matrix{},
                              kRightwards));
    return e;
}

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
    const bool measured = (readsLeftToRight(glyphs) && measureAlongTheLine(glyphs, hit)) ||
                          measureByBoxes(glyphs, hit);
    return measured && clipToPage(hit, page_.width(), page_.height());
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

bool HitInfoLocator::measureAlongTheLine(const std::vector<int>& glyphs, HitInfo& hit) const {
    const pdf::PaintedChar& first = firstChar(glyphs.front());
    const pdf::PaintedChar& last = firstChar(glyphs.back());
    const pdf::TextElement& firstElement = painted_.elements[static_cast<size_t>(first.element)];
    hit.x = glyphExtent(glyphs.front()).s0;
    hit.y = page_.userToPage().apply(firstElement.bbox).y0;
    hit.width = glyphExtent(glyphs.back()).s1 - hit.x;
    hit.height = last.origin.y - hit.y;
    return hit.width > 0 && hit.height > 0;
}

bool HitInfoLocator::measureByBoxes(const std::vector<int>& glyphs, HitInfo& hit) const {
    pdf::Extent box;
    for (int g : glyphs) box.add(glyphExtent(g));
    hit.x = box.s0;
    hit.y = box.t0;
    hit.width = box.s1 - box.s0;
    hit.height = box.t1 - box.t0;
    return hit.width > 0 && hit.height > 0;
}
