#include "pdf/text/TextLayout.h"

#include <algorithm>

#include "pdf/text/CharClass.h"
#include "pdf/text/LayoutBlocks.h"
#include "pdf/text/LayoutFlows.h"
#include "pdf/text/LayoutItems.h"
#include "pdf/text/LayoutLines.h"
#include "pdf/text/LayoutModel.h"
#include "pdf/text/LayoutTables.h"

namespace pdf {
namespace {

using layout::Block;
using layout::Item;
using layout::Line;
using layout::MarkLinks;

// A character and its marks, composed as far as Unicode composes them
// (canonical composition, NFC): "e" and an acute accent become "é".
// Spacing accents that do not compose follow as combining marks; a dotless
// i or j under an accent is read as i or j, as TeX sets them.
void emitCluster(const std::vector<Item>& items, const MarkLinks& marks, int head, Layout& out) {
    char32_t code = items[head].code;
    out.order.push_back(items[head].src);
    std::size_t at = out.code.size();
    out.code.push_back(code);
    for (int m = marks.first[head]; m >= 0; m = marks.next[m]) {
        char32_t mark = items[m].code;
        if (char32_t combining = chars::combiningFormOf(mark)) mark = combining;
        char32_t base = code == 0x131 ? U'i' : code == 0x237 ? U'j' : code;
        if (char32_t both = chars::composed(base, mark)) {
            code = both;
            out.code[at] = code;
            continue;
        }
        out.order.push_back(items[m].src);
        out.code.push_back(mark);
    }
}

Layout emit(const std::vector<Item>& items, const MarkLinks& marks, const std::vector<Line>& lines,
            const std::vector<Block>& blocks, const std::vector<int>& order) {
    Layout out;
    out.order.reserve(items.size());
    out.code.reserve(items.size());
    for (int b : order) {
        for (int l : blocks[b].lines) {
            const Line& line = lines[l];
            LaidOutLine laid;
            laid.firstWord = static_cast<int>(out.words.size());
            laid.wordCount = static_cast<int>(line.wordStart.size());
            laid.flow = line.flow;
            laid.paragraph = line.paragraph;
            laid.joinsNext = line.joinsNext;
            laid.table = line.table;
            laid.tableRow = !line.cellOf.empty();
            for (std::size_t w = 0; w < line.wordStart.size(); ++w) {
                std::size_t begin = line.wordStart[w];
                std::size_t end =
                    w + 1 < line.wordStart.size() ? line.wordStart[w + 1] : line.clusters.size();
                LaidOutWord word;
                word.first = static_cast<int>(out.order.size());
                word.cellStart = w > 0 && !line.cellOf.empty() &&
                                 line.cellOf[begin] != line.cellOf[line.wordStart[w - 1]];
                word.hyphenJoinsNext = std::binary_search(
                    line.hyphenWords.begin(), line.hyphenWords.end(), static_cast<int>(w));
                word.joinsNext = std::binary_search(
                    line.keptHyphenWords.begin(), line.keptHyphenWords.end(), static_cast<int>(w));
                for (std::size_t c = begin; c < end; ++c)
                    emitCluster(items, marks, line.clusters[c], out);
                word.count = static_cast<int>(out.order.size()) - word.first;
                out.words.push_back(word);
            }
            out.lines.push_back(laid);
        }
    }
    return out;
}

}  // namespace

Layout layOutText(const std::vector<PaintedChar>& chars, double pageWidth, double pageHeight,
                  const std::vector<Rule>& rules) {
    std::vector<Item> items = layout::placeItems(chars, pageWidth, pageHeight);
    for (Item& item : items) item.fixedPitch = chars[static_cast<std::size_t>(item.src)].fixedPitch;
    MarkLinks marks = layout::attachMarks(items);
    layout::LineSet set = layout::buildLines(items, marks, rules);
    layout::joinTableRows(set, items);
    std::vector<Block> blocks = layout::makeBlocks(set);
    std::vector<int> order = layout::readingOrder(blocks, set.lines);
    layout::assignFlowsAndParagraphs(blocks, order, set.lines);
    layout::resolveDirections(blocks, set.lines, items);
    layout::markJoins(blocks, order, set.lines, items);
    return emit(items, marks, set.lines, blocks, order);
}

}  // namespace pdf
