#include "pdf/text/LayoutBlocks.h"

#include <algorithm>
#include <cmath>

namespace pdf {
namespace layout {
namespace {

// The line that continues line a below it (direction +1) or that it
// continues above (-1): the only line of the nearest row that overlaps it
// sideways, if that line is close enough and of a similar size.
int neighbour(const LineSet& set, const std::vector<int>& rowStart, int a, int direction) {
    const Line& la = set.lines[a];
    const int rowCount = static_cast<int>(set.rows.size());
    int looked = 0;
    for (int r = la.row + direction; r >= 0 && r < rowCount; r += direction) {
        const Row& row = set.rows[r];
        if (row.rot != la.rot) break;
        double distance = std::fabs(row.base - la.base);
        if (distance > kMaxLinePitch * std::max(la.size, row.size)) break;
        looked += 1 + rowStart[r + 1] - rowStart[r];
        if (looked > kMaxNeighbourSearch) return -1;
        int found = -1, count = 0;
        for (int b = rowStart[r]; b < rowStart[r + 1]; ++b) {
            if (overlap(la.x0, la.x1, set.lines[b].x0, set.lines[b].x1) > 0) {
                found = b;
                ++count;
            }
        }
        if (count == 0) continue;
        if (count > 1) return -1;
        const Line& lb = set.lines[found];
        double larger = std::max(la.size, lb.size);
        double smaller = std::min(la.size, lb.size);
        double pitch = std::fabs(lb.base - la.base);
        if (larger > kMaxSizeRatio * smaller || pitch < kMinLinePitch * larger ||
            pitch > kMaxLinePitch * larger)
            return -1;
        return found;
    }
    return -1;
}

// Breuel's rules: true when block a must be read before block b.
bool before(const std::vector<Block>& blocks, int a, int b) {
    const Block& A = blocks[a];
    const Block& B = blocks[b];
    if (overlap(A.x0, A.x1, B.x0, B.x1) > 0) return A.y0 < B.y0 || (A.y0 == B.y0 && a < b);
    // Side by side: the left block first, unless it lies wholly below the
    // other (a page number under the gutter is not read before the
    // right-hand column) or a block between them spans both.
    if (A.x1 > B.x0 || A.y0 >= B.y1) return false;
    double upper = std::min(A.y0, B.y0);
    double lower = std::max(A.y0, B.y0);
    for (std::size_t c = 0; c < blocks.size(); ++c) {
        if (static_cast<int>(c) == a || static_cast<int>(c) == b) continue;
        const Block& C = blocks[c];
        if (C.rot != A.rot) continue;
        if (C.y0 > upper && C.y0 < lower && overlap(C.x0, C.x1, A.x0, A.x1) > 0 &&
            overlap(C.x0, C.x1, B.x0, B.x1) > 0)
            return false;
    }
    return true;
}

// Two blocks in one column: their left edges align, or one lies within the
// other's horizontal range. A header across several columns is not in the
// column of the first of them.
bool sameColumn(const Block& a, const Block& b, const std::vector<Line>& lines) {
    double tolerance = 0.5 * std::max(lines[a.lines.front()].size, lines[b.lines.front()].size);
    return std::fabs(a.x0 - b.x0) <= tolerance ||
           (b.x0 >= a.x0 - tolerance && b.x1 <= a.x1 + tolerance) ||
           (a.x0 >= b.x0 - tolerance && a.x1 <= b.x1 + tolerance);
}

// Orders the blocks ids (all of one orientation) and appends them to order.
void orderOrientation(const std::vector<Block>& blocks, const std::vector<Line>& lines,
                      std::vector<int> ids, std::vector<int>& order) {
    std::sort(ids.begin(), ids.end(), [&blocks](int a, int b) {
        if (blocks[a].y0 != blocks[b].y0) return blocks[a].y0 < blocks[b].y0;
        return blocks[a].x0 < blocks[b].x0;
    });
    const int n = static_cast<int>(ids.size());
    if (n > kMaxOrderedBlocks) {
        order.insert(order.end(), ids.begin(), ids.end());
        return;
    }
    std::vector<std::vector<int>> successors(n);
    std::vector<int> pending(n, 0);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (i != j && before(blocks, ids[i], ids[j])) {
                successors[i].push_back(j);
                ++pending[j];
            }
        }
    }
    // Kahn's algorithm. Of the ready blocks, one that continues the block
    // just read down its column comes first, then the top-left one; a cycle
    // (overlapping blocks) is broken at its top-left block.
    std::vector<char> done(n, 0);
    int last = -1;
    for (int emitted = 0; emitted < n; ++emitted) {
        int pick = -1;
        if (last >= 0) {
            const Block& L = blocks[ids[last]];
            double reach = kContinuationGap * lines[L.lines.back()].size;
            for (int i = 0; i < n; ++i) {
                const Block& B = blocks[ids[i]];
                if (done[i] || pending[i] != 0 || !sameColumn(L, B, lines) ||
                    B.y0 < L.y1 - 0.5 * lines[B.lines.front()].size || B.y0 > L.y1 + reach)
                    continue;
                if (pick < 0 || B.y0 < blocks[ids[pick]].y0) pick = i;
            }
        }
        for (int i = 0; i < n && pick < 0; ++i)
            if (!done[i] && pending[i] == 0) pick = i;
        for (int i = 0; i < n && pick < 0; ++i)
            if (!done[i]) pick = i;
        last = pick;
        done[pick] = 1;
        order.push_back(ids[pick]);
        for (int j : successors[pick]) --pending[j];
    }
}

}  // namespace

std::vector<Block> makeBlocks(const LineSet& set) {
    const std::vector<Line>& lines = set.lines;
    const int n = static_cast<int>(lines.size());
    // Lines come row by row; rowStart[r] is the first line of row r.
    std::vector<int> rowStart(set.rows.size() + 1, n);
    for (int i = n - 1; i >= 0; --i) rowStart[lines[i].row] = i;
    for (int r = static_cast<int>(set.rows.size()) - 1; r >= 0; --r)
        rowStart[r] = std::min(rowStart[r], rowStart[r + 1]);

    std::vector<int> down(n, -1), up(n, -1);
    for (int a = 0; a < n; ++a) {
        down[a] = neighbour(set, rowStart, a, +1);
        up[a] = neighbour(set, rowStart, a, -1);
    }
    std::vector<char> linked(n, 0);
    for (int a = 0; a < n; ++a) {
        int b = down[a];
        if (b >= 0 && up[b] == a) linked[b] = 1;
    }
    std::vector<Block> blocks;
    for (int a = 0; a < n; ++a) {
        if (linked[a]) continue;
        Block block;
        block.rot = lines[a].rot;
        for (int l = a;;) {
            block.lines.push_back(l);
            int next = down[l];
            if (next < 0 || up[next] != l) break;
            l = next;
        }
        const Line& first = lines[block.lines.front()];
        block.x0 = first.x0, block.x1 = first.x1, block.y0 = first.top, block.y1 = first.bottom;
        for (int l : block.lines) {
            block.x0 = std::min(block.x0, lines[l].x0);
            block.x1 = std::max(block.x1, lines[l].x1);
            block.y0 = std::min(block.y0, lines[l].top);
            block.y1 = std::max(block.y1, lines[l].bottom);
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::vector<int> readingOrder(const std::vector<Block>& blocks, const std::vector<Line>& lines) {
    // The orientation with the most characters is read first.
    std::vector<int> count(kOrientations, 0);
    for (const Line& l : lines) count[l.rot] += static_cast<int>(l.clusters.size());
    int main = static_cast<int>(std::max_element(count.begin(), count.end()) - count.begin());
    // The others in the order of their orientations.
    std::vector<std::vector<int>> ofOrientation(kOrientations);
    for (int b = 0; b < static_cast<int>(blocks.size()); ++b)
        ofOrientation[blocks[b].rot].push_back(b);

    std::vector<int> order;
    order.reserve(blocks.size());
    if (!ofOrientation[main].empty())
        orderOrientation(blocks, lines, std::move(ofOrientation[main]), order);
    for (int rot = 0; rot < kOrientations; ++rot)
        if (rot != main && !ofOrientation[rot].empty())
            orderOrientation(blocks, lines, std::move(ofOrientation[rot]), order);
    return order;
}

}  // namespace layout
}  // namespace pdf
