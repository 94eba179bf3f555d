// HitInfoLocator — where on its page a search match lies.
//
// A text search reports a match as its text and highlight ranges: runs of
// glyphs given by page, position and length, positions being the
// content-order glyph numbers of the page's one reading (PaintedText.h), and
// each run tagged with the reading-order line it lies on. The locator
// measures the glyphs themselves, so a match is always measured on its own
// text; one rectangle is made for each line the match touches, so a match
// over a line break gives one hit per line piece (and so does a match over
// the lines of a wrapped table cell, which the reading puts on one line).
//
// Every glyph is measured by its quad: its advance from the font's descent
// to its ascent, as PaintedText.h sets it out and pdf::quadExtent
// (Geometry.h) measures it, the measure the text layer and word-list links
// take too, so a link lies over the same glyphs as the text layer's word.
//
// A piece whose glyphs the content stream draws left to right horizontally
// on the shown page (every glyph upright, running left to right, each
// standing right of the one before it; Hebrew or Arabic drawn in visual
// order too) runs along its line:
//   left    where the first glyph's advance starts;
//   top     the top of the first glyph's text element;
//   right   where the last glyph's advance ends;
//   bottom  the last glyph's baseline.
// Any other piece (a turned or mirrored line, vertical writing, right-to-
// left script drawn right to left) is the bounding box of its glyphs'
// quads. Either way the rectangle is in page space (points from the
// top-left of the shown page, y down; the page's rotation and crop box
// applied), the same as "loc", cut at the page's edges (a word read whole
// past the edge is linked where it is shown), and no rectangle has a side of
// 0 or less: a piece that would is measured by its glyphs' quads, and one
// whose glyphs have no extent on the page gives no hit.
//
//     HitInfoLocator locator(page, painted);
//     for (const HitInfo& hit : locator.getSearchHitInfo(match.highlights, match.text))
//         link(hit);
//
// One locator serves every match of its page. It borrows the page and its
// reading, which must outlive it. A match costs its own glyphs (their
// number, log of it for sorting them into lines) and no more. Nothing
// thrown.
#pragma once

#include <string>
#include <vector>

#include "pdf/Page.h"
#include "pdf/text/PaintedText.h"
#include "pdf/text/TextSearch.h"
#include "recognition/HitInfo.h"

class HitInfoLocator {
  public:
    HitInfoLocator(const pdf::Page& page, const pdf::PaintedText& painted)
        : page_(page), painted_(painted) {}
    HitInfoLocator(const HitInfoLocator&) = delete;
    HitInfoLocator& operator=(const HitInfoLocator&) = delete;

    // matchText: the match as UTF-8; hits carry it in its ASCII form.
    // REQUIRES: every highlight lies on the locator's page.
    std::vector<HitInfo> getSearchHitInfo(const std::vector<pdf::Highlight>& highlights,
                                          const std::string& matchText);

  private:
    // The glyphs (content order) split into the lines of the page they lie
    // on, each in content order, top to bottom in the frame of their
    // writing direction.
    std::vector<std::vector<int>> visualLines(const std::vector<int>& glyphs) const;
    // Measures one line piece: the glyphs of consecutive highlights of one
    // line. False when they have no extent on the page.
    bool getHitsData(const std::vector<int>& glyphs, HitInfo& hit) const;
    bool readsLeftToRight(const std::vector<int>& glyphs) const;
    bool measureAlongTheLine(const std::vector<int>& glyphs, HitInfo& hit) const;
    bool measureByBoxes(const std::vector<int>& glyphs, HitInfo& hit) const;
    // The glyph's quads along the page's horizontal: x as s, y as t.
    pdf::Extent glyphExtent(int glyph) const;

    const pdf::PaintedChar& firstChar(int glyph) const {
        return painted_.chars[static_cast<size_t>(painted_.glyphStart[glyph])];
    }

    const pdf::Page& page_;
    const pdf::PaintedText& painted_;
    std::string searchText;
};
