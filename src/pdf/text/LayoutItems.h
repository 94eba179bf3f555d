// Layout stage 1: the painted characters of a page as items in the frame of
// their writing direction (LayoutModel.h), and the marks given to the
// characters they sit on.
//
//     std::vector<Item> items = placeItems(painted.chars, page.width(), page.height());
//     MarkLinks marks = attachMarks(items);
//
// No state; nothing thrown.
#pragma once

#include <vector>

#include "pdf/text/LayoutModel.h"
#include "pdf/text/PaintedText.h"

namespace pdf {
namespace layout {

// The characters, in content order, less those hidden (PaintedChar::hidden),
// those whose box centre lies off the shown page of pageWidth x pageHeight
// points (but a word that runs over the page's edge is kept whole: the
// characters drawn right after or before one on the page, on its baseline
// with no space, gap or Han, Kana or Hangul letter between, up to 128 of
// them), and those with a coordinate, direction or size that is no number
// or beyond kMaxCoordinate. An item's orientation is that of its writing direction
// on the page, in quarter turns (in whole degrees when far from every
// quarter turn: LayoutModel.h), and mirrored when its ascent lies on the
// right of that direction. Its extent along the line is where its box's
// start and end edges cross its baseline (for upright text, the box's
// own); across the line, the box's. So text drawn with a slanted text
// matrix (fake italic), whose boxes overlap their neighbours', keeps the
// gaps between its glyphs' origins: a space glyph's middle still lies
// between the words it separates, and a word gap stays a gap.
std::vector<Item> placeItems(const std::vector<PaintedChar>& chars, double pageWidth,
                             double pageHeight);

// Gives every combining mark to the character it sits on: of the characters
// drawn just before and just after it (spaces, marks and glyphs that map to
// no character passed over: a mark given to one would be lost), the
// one whose box holds the mark's centre (producers draw marks before or after
// their base), else the nearer one within an em, of the same orientation and
// a baseline within an em. A mark without one stands alone. A spacing accent
// (CharClass.h's combiningFormOf; old TeX sets its accents so) becomes a mark
// of a letter drawn next to it whose box holds its centre; elsewhere it is a
// character like any other. Items that become marks get Item::mark set.
// Linear in the items.
MarkLinks attachMarks(std::vector<Item>& items);

}  // namespace layout
}  // namespace pdf
