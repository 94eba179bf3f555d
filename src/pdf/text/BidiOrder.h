// Reading order of one line of mixed-direction text.
//
// A PDF places glyphs where they are seen: a Hebrew or Arabic word appears
// letter by letter from left to right on the page, the reverse of the order
// in which it is read. Given the units of a line (characters with their
// marks, and the spaces between words) in that visual order, left to right,
// visualToLogical gives the order in which a reader takes them in.
//
// It applies the reordering of the Unicode bidirectional algorithm (UAX #9)
// in the reduced form that page text needs: one paragraph level, no
// explicit embeddings; a separator between two digits and terminators next
// to one belong to the number ("3.20", "12%": W4, W5); numbers after
// left-to-right text count as left-to-right (W7), neutrals between two runs
// of one direction take that direction and otherwise the line's (N1, N2),
// numbers count as right-to-left for that purpose, and runs are reversed
// level by level (L2). Reversal is its own inverse for such levels, so the
// same pass turns visual order back into logical order. Visual order is
// ambiguous in a few mixed cases (a number between a Hebrew and a Latin
// word may have been written before or after the Latin word); the result
// then is the reading that keeps the left-to-right run together. Mirrored
// glyphs such as parentheses are left as the PDF maps them.
//
// No state, nothing thrown.
#pragma once

#include <vector>

#include "pdf/text/CharClass.h"

namespace pdf {

// classes: the direction of each unit in visual order. rightToLeftLine: the
// line's base direction. Returns a permutation: element i is the visual
// index of the i-th unit in logical order.
std::vector<int> visualToLogical(const std::vector<chars::Direction>& classes,
                                 bool rightToLeftLine);

}  // namespace pdf
