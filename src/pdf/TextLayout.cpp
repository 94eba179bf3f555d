#include "pdf/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "pdf/BidiOrder.h"
#include "pdf/CharClass.h"

namespace pdf {
namespace {

// Distances below are fractions of the font size (the em) of the text
// concerned, so that they hold for footnotes and headlines alike.

// Runs: how far a character may sit off the run's baseline (sub- and
// superscripts), how far past the run's end it may start, and how far back.
constexpr double kRunBaselineShift = 0.5;
constexpr double kRunGap = 0.8;
constexpr double kRunOverlap = 0.5;
// Rows: baselines this close (of the smaller size) are one row.
constexpr double kRowBaselineShift = 0.3;
// Line splitting within a row: gaps up to kJoinGap never split, gaps of
// kSplitGap and more always do; between them a gap splits when the rows
// within kGutterReach leave a strip of kGutterWidth free inside it.
constexpr double kJoinGap = 0.8;
constexpr double kSplitGap = 3.0;
constexpr double kGutterReach = 2.0;
constexpr double kGutterWidth = 0.3;
// Duplicates: the same character this close along and across the line.
constexpr double kDuplicateAlong = 0.1;
constexpr double kDuplicateAcross = 0.2;
// Words: a gap wider than kWordGap ends a word. On a line whose letters
// mostly touch (at least kTightGaps gaps between letters, their median
// below kWordGap - kLetterMargin), so does a gap kLetterMargin wider than
// that median, down to kMinWordGap: a tightly set line still shows its
// word gaps against its own letter gaps.
constexpr double kWordGap = 0.15;
constexpr double kMinWordGap = 0.08;
// Letter spacing wider than this is no letter spacing: characters that far
// apart (the numbers along a figure's axis) are words of their own.
constexpr double kMaxLetterSpacing = 0.8;
constexpr double kLetterMargin = 0.06;
constexpr int kTightGaps = 8;
// Sub- and superscripts: at most this size of the line's text, at least this
// far off its baseline.
constexpr double kScriptSize = 0.9;
constexpr double kScriptShift = 0.1;
// Blocks: baseline distances at which one line continues another, and how
// much their font sizes may differ.
constexpr double kMinLinePitch = 0.3;
constexpr double kMaxLinePitch = 1.8;
constexpr double kMaxSizeRatio = 1.5;
// Paragraphs: first-line indent, and how much wider than the block's usual
// line pitch a gap must be to start a new paragraph.
constexpr double kParagraphIndent = 0.8;
constexpr double kParagraphPitch = 1.3;
// Reading order: a block that starts within this distance under the block
// just read, in the same column, is read next.
constexpr double kContinuationGap = 3.0;
// Blocks beyond this count are read row by row: Breuel's ordering costs
// the cube of the count, and so many blocks are a table or a form.
constexpr int kMaxOrderedBlocks = 200;

// A character in the frame of its writing direction: x grows along the
// writing direction, y towards the next line.
struct Item {
    double x0, x1, top, bottom, base, size;
    int rot;
    int src;  // index into the painted characters
    bool space, mark, unmapped;
};

struct Run {
    int first, end;  // range of items
    int rot;
    double x0, x1;  // extent of its characters other than spaces
    double reach;   // end of its last character, spaces included
    double base, size;
    bool inked;  // holds more than spaces
};

struct Row {
    int rot;
    double base, size;
    std::vector<int> runs;  // by x0
};

struct Line {
    int rot;
    int row;
    double x0, x1, top, bottom, base, size;
    std::vector<int> clusters;   // head items, in reading order once resolved
    std::vector<int> wordStart;  // indices into clusters where words begin
    bool rightToLeftScript = false;
    int flow = 0;
    int paragraph = 0;
    bool joinsNext = false;
};

struct Block {
    int rot;
    double x0, x1, y0, y1;
    std::vector<int> lines;  // top to bottom
};

int orientationOf(double dx, double dy) {
    if (std::fabs(dx) >= std::fabs(dy)) return dx >= 0 ? 0 : 2;
    return dy >= 0 ? 1 : 3;
}

// Orientations 0 to 3 are quarter turns clockwise of upright text; 4 to 7
// the same for mirrored text (drawn with a flipped matrix), whose lines
// follow each other the other way.
constexpr int kOrientations = 8;
constexpr int kMirrored = 4;

Point toFrame(int rot, const Point& p) {
    Point f;
    switch (rot & 3) {
        case 0:
            f = {p.x, p.y};
            break;
        case 1:
            f = {p.y, -p.x};
            break;
        case 2:
            f = {-p.x, -p.y};
            break;
        default:
            f = {-p.y, p.x};
            break;
    }
    if (rot & kMirrored) f.y = -f.y;
    return f;
}

double overlap(double a0, double a1, double b0, double b1) {
    return std::min(a1, b1) - std::max(a0, b0);
}

class Layouter {
  public:
    Layouter(const std::vector<PaintedChar>& chars, double width, double height)
        : chars_(chars), width_(width), height_(height) {}

    Layout run() {
        makeItems();
        makeRuns();
        makeRows();
        makeLines();
        makeBlocks();
        orderBlocks();
        assignFlowsAndParagraphs();
        resolveDirections();
        markJoins();
        return emit();
    }

  private:
    void makeItems() {
        items_.reserve(chars_.size());
        for (std::size_t i = 0; i < chars_.size(); ++i) {
            const PaintedChar& c = chars_[i];
            if (c.hidden) continue;
            double cx = (c.quad[0].x + c.quad[2].x) / 2;
            double cy = (c.quad[0].y + c.quad[2].y) / 2;
            if (cx < 0 || cy < 0 || cx > width_ || cy > height_) continue;
            Item it;
            it.rot = orientationOf(c.dirX, c.dirY);
            // Upright text has its ascent line on the left of the writing
            // direction (y grows downwards on the page).
            double upX = c.quad[3].x - c.quad[0].x, upY = c.quad[3].y - c.quad[0].y;
            if (c.dirX * upY - c.dirY * upX > 0) it.rot |= kMirrored;
            Point p = toFrame(it.rot, c.quad[0]);
            it.x0 = it.x1 = p.x;
            it.top = it.bottom = p.y;
            for (int k = 1; k < 4; ++k) {
                Point q = toFrame(it.rot, c.quad[k]);
                it.x0 = std::min(it.x0, q.x);
                it.x1 = std::max(it.x1, q.x);
                it.top = std::min(it.top, q.y);
                it.bottom = std::max(it.bottom, q.y);
            }
            it.base = toFrame(it.rot, c.origin).y;
            it.size = c.size > 0.01 ? c.size : 0.01;
            it.src = static_cast<int>(i);
            it.space = c.space;
            it.mark = c.mark;
            it.unmapped = c.unmapped;
            items_.push_back(it);
        }
    }

    // Gives every combining mark to the character it sits on: of the
    // characters drawn just before and just after it, the one whose box holds
    // the mark's centre (producers draw marks before or after their base),
    // else the nearer one within an em. A mark without one stands alone.
    // A spacing accent (old TeX sets its accents so) is a mark too when the
    // box of a letter drawn next to it holds its centre; elsewhere it is a
    // character like any other.
    void attachMarks() {
        const int n = static_cast<int>(items_.size());
        firstMark_.assign(n, -1);
        nextMark_.assign(n, -1);
        owner_.assign(n, -1);
        std::vector<int> lastMark(n, -1);
        for (int i = 0; i < n; ++i) {
            Item& m = items_[i];
            const bool accent = !m.mark && chars::combiningFormOf(codeOf(i)) != 0;
            if (!m.mark && !accent) continue;
            int before = i - 1, after = i + 1;
            while (before >= 0 && (items_[before].mark || items_[before].space)) --before;
            while (after < n && (items_[after].mark || items_[after].space)) ++after;
            double centre = (m.x0 + m.x1) / 2;
            int best = -1;
            double bestDistance = m.size;
            for (int c : {before, after}) {
                if (c < 0 || c >= n) continue;
                const Item& b = items_[c];
                if (b.rot != m.rot || std::fabs(b.base - m.base) > m.size) continue;
                if (accent && (!chars::isLetter(codeOf(c)) || centre < b.x0 || centre > b.x1))
                    continue;
                double distance = centre < b.x0 ? b.x0 - centre : centre > b.x1 ? centre - b.x1 : 0;
                if (distance < bestDistance || (distance == 0 && best >= 0 && bestDistance > 0)) {
                    best = c;
                    bestDistance = distance;
                }
            }
            if (best < 0) continue;
            m.mark = true;
            owner_[i] = best;
            if (firstMark_[best] < 0)
                firstMark_[best] = i;
            else
                nextMark_[lastMark[best]] = i;
            lastMark[best] = i;
        }
    }

    void makeRuns() {
        attachMarks();
        for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
            const Item& it = items_[i];
            if (!runs_.empty()) {
                Run& r = runs_.back();
                if (r.rot == it.rot) {
                    double s = std::max(r.size, it.size);
                    double gap = it.x0 - r.reach;
                    bool joins = it.mark || (std::fabs(it.base - r.base) <= kRunBaselineShift * s &&
                                             gap <= kRunGap * s && gap >= -kRunOverlap * s);
                    if (joins) {
                        r.end = i + 1;
                        if (!it.mark) r.reach = std::max(r.reach, it.x1);
                        if (!it.mark && !it.space) {
                            if (!r.inked) r.x0 = it.x0, r.x1 = it.x1;
                            r.x0 = std::min(r.x0, it.x0);
                            r.x1 = std::max(r.x1, it.x1);
                            r.inked = true;
                        }
                        continue;
                    }
                }
            }
            runs_.push_back({i, i + 1, it.rot, it.x0, it.x1, it.x1, it.base, it.size, !it.space});
        }
    }

    void makeRows() {
        std::vector<int>& byBase = byBase_;
        byBase.resize(runs_.size());
        std::iota(byBase.begin(), byBase.end(), 0);
        std::sort(byBase.begin(), byBase.end(), [this](int a, int b) {
            const Run& ra = runs_[a];
            const Run& rb = runs_[b];
            if (ra.rot != rb.rot) return ra.rot < rb.rot;
            if (ra.base != rb.base) return ra.base < rb.base;
            return ra.x0 < rb.x0;
        });
        for (int r : byBase) {
            const Run& run = runs_[r];
            if (!run.inked) continue;  // spaces alone separate nothing more than the gap does
            if (!rows_.empty()) {
                Row& row = rows_.back();
                if (row.rot == run.rot &&
                    run.base - row.base <= kRowBaselineShift * std::min(run.size, row.size)) {
                    row.runs.push_back(r);
                    row.size = std::max(row.size, run.size);
                    continue;
                }
            }
            rows_.push_back({run.rot, run.base, run.size, {r}});
        }
        for (Row& row : rows_) {
            std::sort(row.runs.begin(), row.runs.end(),
                      [this](int a, int b) { return runs_[a].x0 < runs_[b].x0; });
        }
    }

    // A column gutter between x0 and x1: the runs of other rows within
    // kGutterReach of the row's baseline leave a strip of at least
    // kGutterWidth free somewhere in that gap, and have text on both sides
    // of the strip.
    bool gutterBetween(int rowIndex, double x0, double x1, double size) const {
        const Row& row = rows_[rowIndex];
        const double reach = kGutterReach * size;
        auto from = std::lower_bound(
            byBase_.begin(), byBase_.end(), std::make_pair(row.rot, row.base - reach),
            [this](int r, const std::pair<int, double>& key) {
                return runs_[r].rot < key.first ||
                       (runs_[r].rot == key.first && runs_[r].base < key.second);
            });
        std::vector<std::pair<double, double>> taken;
        std::vector<std::pair<double, double>> neighbours;
        for (auto it = from; it != byBase_.end(); ++it) {
            const Run& run = runs_[*it];
            if (run.rot != row.rot || run.base > row.base + reach) break;
            if (!run.inked) continue;
            if (std::fabs(run.base - row.base) <= kRowBaselineShift * std::min(run.size, row.size))
                continue;  // the row itself
            neighbours.push_back({run.x0, run.x1});
            if (run.x1 > x0 && run.x0 < x1) taken.push_back({run.x0, run.x1});
        }
        std::sort(taken.begin(), taken.end());
        double freeFrom = x0, bestFrom = 0, bestTo = 0;
        for (const auto& t : taken) {
            if (t.first - freeFrom > bestTo - bestFrom) bestFrom = freeFrom, bestTo = t.first;
            freeFrom = std::max(freeFrom, t.second);
        }
        if (x1 - freeFrom > bestTo - bestFrom) bestFrom = freeFrom, bestTo = x1;
        if (bestTo - bestFrom < kGutterWidth * size) return false;
        bool left = false, right = false;
        for (const auto& n : neighbours) {
            if (n.second <= bestFrom) left = true;
            if (n.first >= bestTo) right = true;
        }
        return left && right;
    }

    void makeLines() {
        for (int ri = 0; ri < static_cast<int>(rows_.size()); ++ri) {
            const Row& row = rows_[ri];
            std::vector<int> current;
            double end = 0, size = 0;
            for (int r : row.runs) {
                const Run& run = runs_[r];
                if (!current.empty()) {
                    double s = std::max(size, run.size);
                    double gap = run.x0 - end;
                    bool split = gap > kJoinGap * s &&
                                 (gap >= kSplitGap * s || gutterBetween(ri, end, run.x0, s));
                    if (split) {
                        addLine(ri, current);
                        current.clear();
                    }
                }
                if (current.empty()) {
                    end = run.x1;
                    size = run.size;
                } else {
                    end = std::max(end, run.x1);
                    size = std::max(size, run.size);
                }
                current.push_back(r);
            }
            if (!current.empty()) addLine(ri, current);
        }
    }

    // Collects the runs' characters into a line: ordered along the baseline,
    // duplicates dropped, split into words.
    void addLine(int rowIndex, const std::vector<int>& runIds) {
        std::vector<int> heads;
        for (int r : runIds) {
            for (int i = runs_[r].first; i < runs_[r].end; ++i) {
                if (owner_[i] < 0) heads.push_back(i);
            }
        }
        std::stable_sort(heads.begin(), heads.end(),
                         [this](int a, int b) { return items_[a].x0 < items_[b].x0; });

        Line line;
        line.rot = rows_[rowIndex].rot;
        line.row = rowIndex;
        line.size = 0;
        bool any = false;
        int baseOf = -1;
        for (int h : heads) {
            const Item& it = items_[h];
            if (isDuplicate(line.clusters, h)) continue;
            line.clusters.push_back(h);
            if (it.space || it.unmapped) continue;
            if (!any) {
                line.x0 = it.x0, line.x1 = it.x1, line.top = it.top, line.bottom = it.bottom;
                any = true;
            } else {
                line.x0 = std::min(line.x0, it.x0);
                line.x1 = std::max(line.x1, it.x1);
                line.top = std::min(line.top, it.top);
                line.bottom = std::max(line.bottom, it.bottom);
            }
            if (it.size > line.size) {
                line.size = it.size;
                baseOf = h;
            }
        }
        if (!any) return;
        line.base = items_[baseOf].base;
        splitWords(line);
        lines_.push_back(std::move(line));
    }

    bool isDuplicate(const std::vector<int>& kept, int h) const {
        const Item& it = items_[h];
        if (it.unmapped) return false;
        char32_t code = chars_[it.src].code;
        for (auto k = kept.rbegin(); k != kept.rend(); ++k) {
            const Item& other = items_[*k];
            if (other.x0 < it.x0 - kDuplicateAlong * it.size) break;
            if (chars_[other.src].code == code &&
                std::fabs(other.x0 - it.x0) <= kDuplicateAlong * it.size &&
                std::fabs(other.base - it.base) <= kDuplicateAcross * it.size)
                return true;
        }
        return false;
    }

    // Extent along the baseline of a character and its marks.
    double clusterEnd(int h) const {
        double end = items_[h].x1;
        for (int m = firstMark_[h]; m >= 0; m = nextMark_[m]) end = std::max(end, items_[m].x1);
        return end;
    }

    // A sub- or superscript: smaller than the line's text and off its
    // baseline. Text that returns from one to the baseline starts a new word
    // ("x1 ," as pdftotext writes it), so that the script stays with what it
    // qualifies and the punctuation after it stands apart.
    bool isScript(const Line& line, const Item& it) const {
        return it.size < kScriptSize * line.size &&
               std::fabs(it.base - line.base) > kScriptShift * line.size;
    }

    void splitWords(Line& line) {
        // Letter-spaced lines have no narrow gaps: the word gap must exceed
        // the narrowest gap between letters by a margin.
        double narrowest = 1e9;
        int gaps = 0;
        int previous = -1;
        std::vector<double> inEms;
        for (int h : line.clusters) {
            if (items_[h].space) {
                previous = -1;
                continue;
            }
            if (previous >= 0) {
                double gap = items_[h].x0 - clusterEnd(previous);
                narrowest = std::min(narrowest, gap);
                inEms.push_back(gap / std::max(items_[h].size, items_[previous].size));
                ++gaps;
            }
            previous = h;
        }
        double wordGap = kWordGap;
        if (gaps >= kTightGaps) {
            std::nth_element(inEms.begin(), inEms.begin() + inEms.size() / 2, inEms.end());
            double median = inEms[inEms.size() / 2];
            wordGap = std::clamp(median + kLetterMargin, kMinWordGap, kWordGap);
        }
        std::vector<int> kept;
        previous = -1;
        int space = -1;
        for (int h : line.clusters) {
            const Item& it = items_[h];
            if (it.space) {
                space = h;
                continue;
            }
            // A space separates words only where it stands between them; some
            // producers draw one on top of a letter.
            bool spaceSeen = false;
            if (space >= 0) {
                double centre = (items_[space].x0 + items_[space].x1) / 2;
                spaceSeen = (previous < 0 || centre >= clusterEnd(previous)) && centre <= it.x0;
            }
            bool starts = previous < 0 || spaceSeen;
            if (!starts) {
                double s = std::max(it.size, items_[previous].size);
                double threshold = wordGap * s;
                if (gaps >= 3 && narrowest > 0.5 * kWordGap * s &&
                    narrowest <= kMaxLetterSpacing * s)
                    threshold = std::max(kWordGap * s, narrowest * 1.3 + 0.05 * s);
                starts = it.x0 - clusterEnd(previous) > threshold ||
                         (isScript(line, items_[previous]) && !isScript(line, it));
            }
            if (starts) line.wordStart.push_back(static_cast<int>(kept.size()));
            kept.push_back(h);
            previous = h;
            space = -1;
        }
        // Unmapped glyphs have kept their words together; they leave now,
        // and with them any word made of nothing else.
        line.clusters.clear();
        std::vector<int> starts;
        std::size_t w = 0;
        bool pendingStart = false;
        for (std::size_t c = 0; c < kept.size(); ++c) {
            if (w < line.wordStart.size() && line.wordStart[w] == static_cast<int>(c)) {
                pendingStart = true;
                ++w;
            }
            if (items_[kept[c]].unmapped) continue;
            if (pendingStart) starts.push_back(static_cast<int>(line.clusters.size()));
            pendingStart = false;
            line.clusters.push_back(kept[c]);
        }
        line.wordStart = std::move(starts);
    }

    // ---- blocks ----

    void makeBlocks() {
        const int n = static_cast<int>(lines_.size());
        // Lines come row by row; rowStart[r] is the first line of row r.
        std::vector<int> rowStart(rows_.size() + 1, n);
        for (int i = n - 1; i >= 0; --i) rowStart[lines_[i].row] = i;
        for (int r = static_cast<int>(rows_.size()) - 1; r >= 0; --r)
            rowStart[r] = std::min(rowStart[r], rowStart[r + 1]);

        std::vector<int> down(n, -1), up(n, -1);
        for (int a = 0; a < n; ++a) {
            down[a] = neighbour(a, rowStart, +1);
            up[a] = neighbour(a, rowStart, -1);
        }
        std::vector<char> linked(n, 0);
        for (int a = 0; a < n; ++a) {
            int b = down[a];
            if (b >= 0 && up[b] == a) linked[b] = 1;
        }
        for (int a = 0; a < n; ++a) {
            if (linked[a]) continue;
            Block block;
            block.rot = lines_[a].rot;
            for (int l = a;;) {
                block.lines.push_back(l);
                int next = down[l];
                if (next < 0 || up[next] != l) break;
                l = next;
            }
            const Line& first = lines_[block.lines.front()];
            block.x0 = first.x0, block.x1 = first.x1, block.y0 = first.top, block.y1 = first.bottom;
            for (int l : block.lines) {
                block.x0 = std::min(block.x0, lines_[l].x0);
                block.x1 = std::max(block.x1, lines_[l].x1);
                block.y0 = std::min(block.y0, lines_[l].top);
                block.y1 = std::max(block.y1, lines_[l].bottom);
            }
            blocks_.push_back(std::move(block));
        }
    }

    // The line that continues line a below it (direction +1) or that it
    // continues above (-1): the only line of the nearest row that overlaps
    // it sideways, if that line is close enough and of a similar size.
    int neighbour(int a, const std::vector<int>& rowStart, int direction) const {
        const Line& la = lines_[a];
        for (int r = la.row + direction; r >= 0 && r < static_cast<int>(rows_.size());
             r += direction) {
            if (rows_[r].rot != la.rot) break;
            double distance = std::fabs(rows_[r].base - la.base);
            if (distance > kMaxLinePitch * std::max(la.size, rows_[r].size)) break;
            int found = -1, count = 0;
            for (int b = rowStart[r]; b < rowStart[r + 1]; ++b) {
                if (overlap(la.x0, la.x1, lines_[b].x0, lines_[b].x1) > 0) {
                    found = b;
                    ++count;
                }
            }
            if (count == 0) continue;
            if (count > 1) return -1;
            const Line& lb = lines_[found];
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
    bool before(int a, int b) const {
        const Block& A = blocks_[a];
        const Block& B = blocks_[b];
        if (overlap(A.x0, A.x1, B.x0, B.x1) > 0) return A.y0 < B.y0 || (A.y0 == B.y0 && a < b);
        // Side by side: the left block first, unless it lies wholly below the
        // other (a page number under the gutter is not read before the
        // right-hand column) or a block between them spans both.
        if (A.x1 > B.x0 || A.y0 >= B.y1) return false;
        double upper = std::min(A.y0, B.y0);
        double lower = std::max(A.y0, B.y0);
        for (std::size_t c = 0; c < blocks_.size(); ++c) {
            if (static_cast<int>(c) == a || static_cast<int>(c) == b) continue;
            const Block& C = blocks_[c];
            if (C.rot != A.rot) continue;
            if (C.y0 > upper && C.y0 < lower && overlap(C.x0, C.x1, A.x0, A.x1) > 0 &&
                overlap(C.x0, C.x1, B.x0, B.x1) > 0)
                return false;
        }
        return true;
    }

    // Two blocks in one column: their left edges align, or one lies within
    // the other's horizontal range. A header across several columns is not
    // in the column of the first of them.
    bool sameColumn(const Block& a, const Block& b) const {
        double tolerance =
            0.5 * std::max(lines_[a.lines.front()].size, lines_[b.lines.front()].size);
        return std::fabs(a.x0 - b.x0) <= tolerance ||
               (b.x0 >= a.x0 - tolerance && b.x1 <= a.x1 + tolerance) ||
               (a.x0 >= b.x0 - tolerance && a.x1 <= b.x1 + tolerance);
    }

    void orderBlocks() {
        // The orientation with the most characters is read first.
        int count[kOrientations] = {};
        for (const Line& l : lines_) count[l.rot] += static_cast<int>(l.clusters.size());
        int main = static_cast<int>(std::max_element(count, count + kOrientations) - count);
        std::vector<int> rotations = {main};
        for (int r = 0; r < kOrientations; ++r)
            if (r != main) rotations.push_back(r);

        for (int rot : rotations) {
            std::vector<int> ids;
            for (int b = 0; b < static_cast<int>(blocks_.size()); ++b)
                if (blocks_[b].rot == rot) ids.push_back(b);
            if (ids.empty()) continue;
            auto topLeft = [this](int a, int b) {
                if (blocks_[a].y0 != blocks_[b].y0) return blocks_[a].y0 < blocks_[b].y0;
                return blocks_[a].x0 < blocks_[b].x0;
            };
            std::sort(ids.begin(), ids.end(), topLeft);
            const int n = static_cast<int>(ids.size());
            if (n > kMaxOrderedBlocks) {
                order_.insert(order_.end(), ids.begin(), ids.end());
                continue;
            }
            std::vector<std::vector<int>> successors(n);
            std::vector<int> pending(n, 0);
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n; ++j) {
                    if (i != j && before(ids[i], ids[j])) {
                        successors[i].push_back(j);
                        ++pending[j];
                    }
                }
            }
            // Kahn's algorithm. Of the ready blocks, one that continues the
            // block just read down its column comes first, then the top-left
            // one; a cycle (overlapping blocks) is broken at its top-left
            // block.
            std::vector<char> done(n, 0);
            int last = -1;
            for (int emitted = 0; emitted < n; ++emitted) {
                int pick = -1;
                if (last >= 0) {
                    const Block& L = blocks_[ids[last]];
                    double reach = kContinuationGap * lines_[L.lines.back()].size;
                    for (int i = 0; i < n; ++i) {
                        const Block& B = blocks_[ids[i]];
                        if (done[i] || pending[i] != 0 || !sameColumn(L, B) ||
                            B.y0 < L.y1 - 0.5 * lines_[B.lines.front()].size || B.y0 > L.y1 + reach)
                            continue;
                        if (pick < 0 || B.y0 < blocks_[ids[pick]].y0) pick = i;
                    }
                }
                for (int i = 0; i < n && pick < 0; ++i)
                    if (!done[i] && pending[i] == 0) pick = i;
                for (int i = 0; i < n && pick < 0; ++i)
                    if (!done[i]) pick = i;
                last = pick;
                done[pick] = 1;
                order_.push_back(ids[pick]);
                for (int j : successors[pick]) --pending[j];
            }
        }
    }

    // ---- flows, paragraphs ----

    // Of two blocks one above the other, the wider spans several columns when
    // a block beside the narrower one lies under (or over) the wider one too:
    // a heading over two columns is not part of the left column's flow.
    bool spansColumns(const Block& a, const Block& b) const {
        const Block& wide = a.x1 - a.x0 >= b.x1 - b.x0 ? a : b;
        const Block& narrow = &wide == &a ? b : a;
        for (const Block& c : blocks_) {
            if (&c == &a || &c == &b || c.rot != a.rot) continue;
            if (overlap(c.x0, c.x1, wide.x0, wide.x1) > 0 &&
                overlap(c.x0, c.x1, narrow.x0, narrow.x1) <= 0 &&
                overlap(c.y0, c.y1, narrow.y0, narrow.y1) > 0)
                return true;
        }
        return false;
    }

    void assignFlowsAndParagraphs() {
        int flow = -1, paragraph = -1;
        const Block* previous = nullptr;
        for (int b : order_) {
            const Block& block = blocks_[b];
            bool continues = previous != nullptr && previous->rot == block.rot &&
                             block.y0 >= previous->y1 - 0.5 * lines_[block.lines[0]].size &&
                             overlap(previous->x0, previous->x1, block.x0, block.x1) > 0 &&
                             !spansColumns(*previous, block);
            if (!continues) ++flow;
            previous = &block;

            // The block's usual distance from line to line.
            std::vector<double> pitches;
            for (std::size_t i = 1; i < block.lines.size(); ++i)
                pitches.push_back(lines_[block.lines[i]].base - lines_[block.lines[i - 1]].base);
            double usual = 0;
            if (!pitches.empty()) {
                std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2,
                                 pitches.end());
                usual = pitches[pitches.size() / 2];
            }
            for (std::size_t i = 0; i < block.lines.size(); ++i) {
                Line& line = lines_[block.lines[i]];
                bool starts = i == 0;
                if (!starts) {
                    const Line& prev = lines_[block.lines[i - 1]];
                    double s = std::max(line.size, prev.size);
                    bool indented = line.x0 - block.x0 > kParagraphIndent * line.size &&
                                    prev.x0 - block.x0 < 0.3 * prev.size;
                    bool wideGap = pitches.size() >= 2 &&
                                   line.base - prev.base > kParagraphPitch * usual + 0.1 * s;
                    bool resized = std::fabs(line.size - prev.size) > 0.15 * s;
                    starts = indented || wideGap || resized;
                }
                if (starts) ++paragraph;
                line.flow = flow;
                line.paragraph = paragraph;
            }
        }
    }

    // ---- direction ----

    // A line is read right to left when most of its words are of a
    // right-to-left script; on a tie, when most of its block's are, then
    // most of the page's. (The glyphs' order on the page cannot tell: a
    // Hebrew sentence ending in a Latin word looks just like a Latin one
    // ending in a Hebrew word.)
    void resolveDirections() {
        struct Count {
            int rightToLeft = 0, leftToRight = 0;
            int compare() const {
                return (rightToLeft > leftToRight) - (rightToLeft < leftToRight);
            }
        };
        std::vector<Count> line(lines_.size()), block(blocks_.size());
        Count page;
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            for (int l : blocks_[b].lines) {
                const Line& ln = lines_[l];
                for (std::size_t w = 0; w < ln.wordStart.size(); ++w) {
                    std::size_t end =
                        w + 1 < ln.wordStart.size() ? ln.wordStart[w + 1] : ln.clusters.size();
                    for (std::size_t c = ln.wordStart[w]; c < end; ++c) {
                        chars::Direction d = chars::direction(codeOf(ln.clusters[c]));
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
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            for (int l : blocks_[b].lines) {
                Line& ln = lines_[l];
                ln.rightToLeftScript = line[l].rightToLeft > 0;
                if (!ln.rightToLeftScript) continue;
                int vote = line[l].compare();
                if (vote == 0) vote = block[b].compare();
                if (vote == 0) vote = page.compare();
                reorder(ln, vote > 0);
            }
        }
    }

    // Puts one line in logical order. Units are the characters (with their
    // marks) and one separator between each two words.
    void reorder(Line& line, bool rightToLeft) {
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
            classes.push_back(chars::direction(chars_[items_[line.clusters[c]].src].code));
        }
        std::vector<int> order = visualToLogical(classes, rightToLeft);
        std::vector<int> clusters;
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
        }
        line.clusters = std::move(clusters);
        line.wordStart = std::move(starts);
    }

    // ---- hyphenation ----

    // A line ending in a hyphen after a letter is joined to the next line
    // when that starts with a letter: in its own flow always, across a
    // column or region break when the letter is lower case (the word goes on
    // at the top of the next column).
    void markJoins() {
        Line* previous = nullptr;
        for (int b : order_) {
            for (int l : blocks_[b].lines) {
                Line& line = lines_[l];
                if (previous != nullptr && previous->rot == line.rot &&
                    !previous->rightToLeftScript && !line.rightToLeftScript) {
                    const std::vector<int>& c = previous->clusters;
                    std::size_t n = c.size();
                    bool hyphenAfterLetter = n >= 2 && chars::isHyphen(codeOf(c[n - 1])) &&
                                             chars::isLetter(codeOf(c[n - 2])) &&
                                             previous->wordStart.back() < static_cast<int>(n) - 1;
                    char32_t next = codeOf(line.clusters.front());
                    bool continues = previous->flow == line.flow ? chars::isLetter(next)
                                                                 : chars::isLowerCase(next);
                    if (hyphenAfterLetter && continues) previous->joinsNext = true;
                }
                previous = &line;
            }
        }
    }

    char32_t codeOf(int item) const { return chars_[items_[item].src].code; }

    // A character and its marks, composed as far as Unicode composes them
    // (canonical composition, NFC): "e" and an acute accent become "é".
    // Spacing accents that do not compose follow as combining marks; a
    // dotless i or j under an accent is read as i or j, as TeX sets them.
    void emitCluster(int head, Layout& out) const {
        char32_t code = codeOf(head);
        out.order.push_back(items_[head].src);
        std::size_t at = out.code.size();
        out.code.push_back(code);
        for (int m = firstMark_[head]; m >= 0; m = nextMark_[m]) {
            char32_t mark = codeOf(m);
            if (char32_t combining = chars::combiningFormOf(mark)) mark = combining;
            char32_t base = code == 0x131 ? U'i' : code == 0x237 ? U'j' : code;
            if (char32_t both = chars::composed(base, mark)) {
                code = both;
                out.code[at] = code;
                continue;
            }
            out.order.push_back(items_[m].src);
            out.code.push_back(mark);
        }
    }

    Layout emit() const {
        Layout out;
        out.order.reserve(items_.size());
        out.code.reserve(items_.size());
        for (int b : order_) {
            for (int l : blocks_[b].lines) {
                const Line& line = lines_[l];
                LaidOutLine laid;
                laid.firstWord = static_cast<int>(out.words.size());
                laid.wordCount = static_cast<int>(line.wordStart.size());
                laid.flow = line.flow;
                laid.paragraph = line.paragraph;
                laid.joinsNext = line.joinsNext;
                for (std::size_t w = 0; w < line.wordStart.size(); ++w) {
                    std::size_t begin = line.wordStart[w];
                    std::size_t end = w + 1 < line.wordStart.size() ? line.wordStart[w + 1]
                                                                    : line.clusters.size();
                    LaidOutWord word;
                    word.first = static_cast<int>(out.order.size());
                    for (std::size_t c = begin; c < end; ++c) emitCluster(line.clusters[c], out);
                    word.count = static_cast<int>(out.order.size()) - word.first;
                    out.words.push_back(word);
                }
                out.lines.push_back(laid);
            }
        }
        return out;
    }

    const std::vector<PaintedChar>& chars_;
    double width_, height_;
    std::vector<Item> items_;
    std::vector<Run> runs_;
    std::vector<int> byBase_;  // runs by orientation, then baseline
    // Combining marks: the character each belongs to (-1: none), and for
    // each character the chain of its marks in content order.
    std::vector<int> owner_, firstMark_, nextMark_;
    std::vector<Row> rows_;
    std::vector<Line> lines_;
    std::vector<Block> blocks_;
    std::vector<int> order_;  // blocks in reading order
};

}  // namespace

Layout layOutText(const std::vector<PaintedChar>& chars, double pageWidth, double pageHeight) {
    return Layouter(chars, pageWidth, pageHeight).run();
}

}  // namespace pdf
