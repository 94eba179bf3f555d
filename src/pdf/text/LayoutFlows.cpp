#include "pdf/text/LayoutFlows.h"

#include <algorithm>
#include <cmath>

#include "pdf/text/BidiOrder.h"
#include "pdf/text/CharClass.h"

namespace pdf {
namespace layout {
namespace {

// Of two blocks one above the other, the wider spans several columns when a
// block beside the narrower one lies under (or over) the wider one too.
// others: the blocks of their orientation.
bool spansColumns(const std::vector<Block>& blocks, const std::vector<int>& others, const Block& a,
                  const Block& b) {
    const Block& wide = a.x1 - a.x0 >= b.x1 - b.x0 ? a : b;
    const Block& narrow = &wide == &a ? b : a;
    for (int k : others) {
        const Block& c = blocks[k];
        if (&c == &a || &c == &b) continue;
        if (overlap(c.x0, c.x1, wide.x0, wide.x1) > 0 &&
            overlap(c.x0, c.x1, narrow.x0, narrow.x1) <= 0 &&
            overlap(c.y0, c.y1, narrow.y0, narrow.y1) > 0)
            return true;
    }
    return false;
}

// Puts one line in logical order. Units are the characters (with their
// marks) and one separator between each two words.
void reorder(Line& line, bool rightToLeft, const std::vector<Item>& items) {
    std::vector<int> units;  // cluster index, or -1 for a separator
    std::vector<chars::Direction> classes;
    std::size_t w = 0;
    for (std::size_t c = 0; c < line.clusters.size(); ++c) {
        if (w < line.wordStart.size() && line.wordStart[w] == static_cast<int>(c)) {
            if (c > 0) {
                units.push_back(-1);
                classes.push_back(chars::Direction::Neutral);
            }
            ++w;
        }
        units.push_back(static_cast<int>(c));
        classes.push_back(chars::direction(items[line.clusters[c]].code));
    }
    std::vector<int> order = visualToLogical(classes, rightToLeft);
    std::vector<int> clusters, cells;
    std::vector<int> starts;
    bool startWord = true;
    for (int v : order) {
        if (units[v] < 0) {
            startWord = true;
            continue;
        }
        if (startWord) starts.push_back(static_cast<int>(clusters.size()));
        startWord = false;
        clusters.push_back(line.clusters[units[v]]);
        if (!line.cellOf.empty()) cells.push_back(line.cellOf[units[v]]);
    }
    line.clusters = std::move(clusters);
    line.wordStart = std::move(starts);
    line.cellOf = std::move(cells);
}

// Arrows that mark where a word was broken: left, hooked left, down and left.
bool isBreakArrow(char32_t c) {
    return c == 0x2190 || c == 0x21A9 || c == 0x21B5;
}

}  // namespace

void assignFlowsAndParagraphs(const std::vector<Block>& blocks, const std::vector<int>& order,
                              std::vector<Line>& lines) {
    int flow = -1, paragraph = -1;
    // Pages of more blocks are read row by row (LayoutBlocks.h): no
    // columns to span.
    std::vector<std::vector<int>> ofOrientation(kOrientations);
    for (int b = 0; b < static_cast<int>(blocks.size()); ++b)
        ofOrientation[blocks[b].rot].push_back(b);
    auto spans = [&](const Block& a, const Block& b) {
        const std::vector<int>& others = ofOrientation[a.rot];
        return static_cast<int>(others.size()) <= kMaxOrderedBlocks &&
               spansColumns(blocks, others, a, b);
    };
    const Block* previous = nullptr;
    for (int b : order) {
        const Block& block = blocks[b];
        bool continues = previous != nullptr && previous->rot == block.rot &&
                         block.y0 >= previous->y1 - 0.5 * lines[block.lines[0]].size &&
                         overlap(previous->x0, previous->x1, block.x0, block.x1) > 0 &&
                         !spans(*previous, block);
        if (!continues) ++flow;
        previous = &block;

        // The block's usual distance from line to line.
        std::vector<double> pitches;
        for (std::size_t i = 1; i < block.lines.size(); ++i)
            pitches.push_back(lines[block.lines[i]].base - lines[block.lines[i - 1]].base);
        double usual = 0;
        if (!pitches.empty()) {
            std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
            usual = pitches[pitches.size() / 2];
        }
        for (std::size_t i = 0; i < block.lines.size(); ++i) {
            Line& line = lines[block.lines[i]];
            bool starts = i == 0;
            if (!starts) {
                const Line& prev = lines[block.lines[i - 1]];
                double s = std::max(line.size, prev.size);
                bool indented = line.x0 - block.x0 > kParagraphIndent * line.size &&
                                prev.x0 - block.x0 < 0.3 * prev.size;
                bool wideGap = pitches.size() >= 2 &&
                               line.base - prev.base > kParagraphPitch * usual + 0.1 * s;
                bool resized = std::fabs(line.size - prev.size) > 0.15 * s;
                starts = indented || wideGap || resized || line.table != prev.table;
            }
            if (starts) ++paragraph;
            line.flow = flow;
            line.paragraph = paragraph;
        }
    }
}

// (The glyphs' order on the page cannot tell the direction: a Hebrew
// sentence ending in a Latin word looks just like a Latin one ending in a
// Hebrew word.)
void resolveDirections(const std::vector<Block>& blocks, std::vector<Line>& lines,
                       const std::vector<Item>& items) {
    struct Count {
        int rightToLeft = 0, leftToRight = 0;
        int compare() const { return (rightToLeft > leftToRight) - (rightToLeft < leftToRight); }
    };
    std::vector<Count> line(lines.size()), block(blocks.size());
    Count page;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        for (int l : blocks[b].lines) {
            const Line& ln = lines[l];
            for (std::size_t w = 0; w < ln.wordStart.size(); ++w) {
                std::size_t end =
                    w + 1 < ln.wordStart.size() ? ln.wordStart[w + 1] : ln.clusters.size();
                for (std::size_t c = ln.wordStart[w]; c < end; ++c) {
                    chars::Direction d = chars::direction(items[ln.clusters[c]].code);
                    if (d == chars::Direction::RightToLeft) {
                        ++line[l].rightToLeft;
                        break;
                    }
                    if (d == chars::Direction::LeftToRight) {
                        ++line[l].leftToRight;
                        break;
                    }
                }
            }
            block[b].rightToLeft += line[l].rightToLeft;
            block[b].leftToRight += line[l].leftToRight;
        }
        page.rightToLeft += block[b].rightToLeft;
        page.leftToRight += block[b].leftToRight;
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        for (int l : blocks[b].lines) {
            Line& ln = lines[l];
            ln.rightToLeftScript = line[l].rightToLeft > 0;
            if (!ln.rightToLeftScript) continue;
            int vote = line[l].compare();
            if (vote == 0) vote = block[b].compare();
            if (vote == 0) vote = page.compare();
            reorder(ln, vote > 0, items);
        }
    }
}

namespace {

// Whether `line` may go on from `row` for where it starts, when `row` is a
// joined table row: under its last cell (no farther left than half an em
// before it), or under its first cell (within kHangingIndent of its start:
// an entry's hanging indent). A line that starts between them is another
// column's ("https://taz.vv.se-" in a table's last column over the middle
// column's "seb_funds", set half a line lower). Any line may go on from a
// line that is no table row.
bool mayGoOnFromRow(const Line& row, const Line& line, const std::vector<Item>& items) {
    constexpr double kHangingIndent = 5.0;  // ems
    if (row.cellOf.empty() || line.clusters.empty()) return true;
    std::size_t last = row.cellOf.size() - 1;
    while (last > 0 && row.cellOf[last - 1] == row.cellOf.back()) --last;
    const Item& first = items[row.clusters.front()];
    const Item& lastStart = items[row.clusters[last]];
    const double x = items[line.clusters.front()].x0;
    return x >= lastStart.x0 - 0.5 * lastStart.size || x <= first.x0 + kHangingIndent * first.size;
}

}  // namespace

void markJoins(const std::vector<Block>& blocks, const std::vector<int>& order,
               std::vector<Line>& lines, const std::vector<Item>& items) {
    Line* previous = nullptr;
    for (int b : order) {
        for (int l : blocks[b].lines) {
            Line& line = lines[l];
            if (previous != nullptr && previous->rot == line.rot && !previous->rightToLeftScript &&
                !line.rightToLeftScript) {
                const std::vector<int>& c = previous->clusters;
                std::size_t n = c.size();
                bool hyphenAfterLetter = n >= 2 && chars::isHyphen(items[c[n - 1]].code) &&
                                         chars::isLetter(items[c[n - 2]].code) &&
                                         previous->wordStart.back() < static_cast<int>(n) - 1;
                char32_t next = items[line.clusters.front()].code;
                bool continues = (previous->flow == line.flow ? chars::isLetter(next)
                                                              : chars::isLowerCase(next)) &&
                                 mayGoOnFromRow(*previous, line, items);
                if (hyphenAfterLetter && continues) previous->joinsNext = true;
                // A break mark: a small arrow set instead of a hyphen where a
                // long name or address breaks (Doxygen's "\+", a hooked "←"
                // in a smaller size: "http://glew.←" over "sourceforge.net/",
                // "Fl_Gl←" over "_Window"). The word goes on whatever it
                // starts with.
                const bool breakMark = n >= 2 && isBreakArrow(items[c[n - 1]].code) &&
                                       previous->wordStart.back() < static_cast<int>(n) - 1 &&
                                       items[c[n - 1]].size < kBreakMarkSize * items[c[n - 2]].size;
                if (breakMark && (previous->flow == line.flow || chars::isLowerCase(next)))
                    previous->joinsNext = true;
            }
            previous = &line;
        }
    }
}

}  // namespace layout
}  // namespace pdf
