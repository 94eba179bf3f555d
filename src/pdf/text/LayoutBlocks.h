// Layout stage 4: lines into blocks, and blocks into reading order.
//
//   - A line continues the line above it in a block when each is the other's
//     only neighbour: the nearest row under the upper line (of the same
//     orientation, within kMaxLinePitch) holds exactly one line overlapping
//     it sideways, and the nearest row over the lower line likewise; their
//     baselines lie kMinLinePitch to kMaxLinePitch apart and their sizes
//     differ by less than kMaxSizeRatio. A line whose search for that row
//     looks at more than kMaxNeighbourSearch rows and lines has none.
//   - Blocks are read orientation by orientation (the one with the most
//     characters first, then 0 to 7), and within one in the order of
//     Breuel's rules: of two blocks that share a horizontal range the upper
//     comes first; of two side by side the left one, unless it lies wholly
//     below the other or a block between them spans both. Columns are thus
//     read one after another, a heading over both columns before them. Of
//     the blocks free to come next, one that continues the block just read
//     down its column (starting within kContinuationGap under it) is read
//     first. More than kMaxOrderedBlocks blocks of one orientation are read
//     top to bottom, left to right.
//
// Work: linear in the lines for blocks (each line's search bounded), the
// cube of kMaxOrderedBlocks at most per orientation for the order.
//
//     std::vector<Block> blocks = makeBlocks(set);
//     std::vector<int> order = readingOrder(blocks, set.lines);
//
// No state; nothing thrown.
#pragma once

#include <vector>

#include "pdf/text/LayoutModel.h"

namespace pdf {
namespace layout {

// The blocks of the lines, each line in exactly one, its lines top to
// bottom. REQUIRES: set.lines ordered row by row (LineSet).
std::vector<Block> makeBlocks(const LineSet& set);

// The indices of the blocks in reading order; every block once.
std::vector<int> readingOrder(const std::vector<Block>& blocks, const std::vector<Line>& lines);

}  // namespace layout
}  // namespace pdf
