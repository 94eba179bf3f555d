// Underscores that a page draws as short bars instead of glyphs, read as "_".
//
// TeX's \_ in a font without an underscore (the OT1 fonts LaTeX uses by default) is a
// kern of .06 em, a bar of .3 em ruled on the baseline, and a kern of .06 em: nothing in
// the text. Read as it is drawn, "Mind_map" is the two words "Mind map", and an address
// "…/wiki/Mind_map" ends after "Mind". A bar is read as an underscore when it lies like
// one, on the baseline of a line of upright text:
//   - it is filled, at most kThickness em thick and kShortest to kLongest em long (a
//     font's underscore glyph is .3 to .6 em), its middle from kAbove em above the
//     baseline to kBelow em below it, where fonts put the underscore;
//   - a character of that line ends or starts next to it (within kNear em of its ends);
//   - no character of the line runs over or under it: an underline, a strike-through or
//     a fraction bar lies across its characters;
//   - no other bar or rule of the page goes on along its line into the characters beside
//     it (an underline drawn piece by piece has a piece under the space between two
//     words) or lies within kNear em of its ends (a dashed line drawn dash by dash);
//   - it does not start where a radical sign ends, and no character of another line stands
//     right under it (its ascent within kOverText em): a radical's bar, an overline;
//   - no vertical bar or rule stands on either of its ends: that is a visible space sign
//     (\textvisiblespace) or the corner of a box.
// The em is the neighbouring character's size.
//
// The underscore becomes a character of its own glyph, inserted in content order after
// the character on its left (before the one on its right when it has none on its left),
// in that character's text element, with its font and size; glyph numbers and the
// elements' glyph ranges are renumbered to match. Its box runs over the bar along the
// baseline, from the neighbour's descent to its ascent.
//
// Coordinates: page space (PaintedText.h). Bars: filled axis-aligned rectangles and
// stroked lines along an axis at most kRuleThickness thick, in the order painted, at most
// kMaxPageRules. Work: n log n in the characters, and at most kMaxLookups characters
// and rules looked at for each bar. No state; nothing thrown.
//
//     addDrawnUnderscores(painted, reader.bars());
#pragma once

#include <vector>

#include "pdf/Geometry.h"
#include "pdf/text/PaintedText.h"

namespace pdf {

// REQUIRES: painted is a complete reading (every glyph's characters, elements' ranges).
void addDrawnUnderscores(PaintedText& painted, const std::vector<Rect>& bars);

}  // namespace pdf
