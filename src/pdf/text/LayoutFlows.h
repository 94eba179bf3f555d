// Layout stage 5: blocks in reading order into flows and paragraphs; lines
// of right-to-left script put in logical order; hyphenated line ends marked.
//
//   - A flow is a run of blocks, in reading order, that continue each other
//     down one column: a block starts no higher than the one before it ends,
//     overlaps it sideways, and neither spans columns the other does not (a
//     heading over two columns is not part of the left column's flow; on a
//     page of more than kMaxOrderedBlocks blocks of one orientation, read
//     row by row, that is not asked).
//   - Paragraphs break at a new block, at a first-line indent of more than
//     kParagraphIndent, at a line gap kParagraphPitch times the block's usual
//     one, and at a change of font size.
//   - A line holding right-to-left script is put in logical order
//     (BidiOrder.h), read right to left when most of its words are of a
//     right-to-left script (on a tie, when most of its block's are, then
//     most of the page's).
//   - A line ending in a hyphen after a letter is marked to be joined to the
//     next line when that starts with a letter: in the same flow always, in
//     the next column or region when the letter is lower case; a table row's
//     with a line under its last cell or its first (a hanging indent), not
//     with one that starts between them.
//
//     assignFlowsAndParagraphs(blocks, order, set.lines);
//     resolveDirections(blocks, set.lines, items);
//     markJoins(blocks, order, set.lines, items);
//
// Work: linear in the lines, times kMaxOrderedBlocks for the flows.
//
// No state; nothing thrown.
#pragma once

#include <vector>

#include "pdf/text/LayoutModel.h"

namespace pdf {
namespace layout {

// Sets Line::flow and Line::paragraph, both counted from 0 in reading order.
// REQUIRES: order = readingOrder(blocks, lines).
void assignFlowsAndParagraphs(const std::vector<Block>& blocks, const std::vector<int>& order,
                              std::vector<Line>& lines);

// Sets Line::rightToLeftScript and reorders the clusters and words of such
// lines into logical order.
void resolveDirections(const std::vector<Block>& blocks, std::vector<Line>& lines,
                       const std::vector<Item>& items);

// Sets Line::joinsNext: on a line that ends in a hyphen after a letter, when
// the next line starts with a letter (a lower-case one in another flow) and,
// after a joined table row, under its last cell or its first, not between
// them (that line is another column's); and
// on a line whose last word ends in a break mark, an arrow ("←", "↩", "↵") in
// a smaller size (kBreakMarkSize) set where a long name or address broke
// ("http://glew.←" over "sourceforge.net/"), when the next line is of the
// same flow or starts with a lower-case letter. The text leaves the hyphen or
// the mark out. REQUIRES: flows assigned, directions resolved.
void markJoins(const std::vector<Block>& blocks, const std::vector<int>& order,
               std::vector<Line>& lines, const std::vector<Item>& items);

}  // namespace layout
}  // namespace pdf
