#include "pdf/text/LayoutLines.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

#include "pdf/text/CharClass.h"

namespace pdf {
namespace layout {
namespace {

struct Run {
    int first, end;  // range of items
    int rot;
    double x0, x1;  // extent of its characters other than spaces
    double reach;   // end of its last character, spaces included
    double base, size;
    bool inked;  // holds more than spaces
};

// Extent along the baseline of a character and its marks.
double clusterEnd(const std::vector<Item>& items, const MarkLinks& marks, int h) {
    double end = items[h].x1;
    for (int m = marks.first[h]; m >= 0; m = marks.next[m]) end = std::max(end, items[m].x1);
    return end;
}

// A sub- or superscript: smaller than the line's text and off its baseline.
// Text that returns from one to the baseline starts a new word ("x1 ," as
// pdftotext writes it), so that the script stays with what it qualifies and
// the punctuation after it stands apart; text of the script's own size does
// not (a raised "_" in an address set smaller than the line's body text:
// "…/PyNormaliz_Tutorial.ipynb").
bool isScript(const Line& line, const Item& it) {
    return it.size < kScriptSize * line.size &&
           std::fabs(it.base - line.base) > kScriptShift * line.size;
}

// Letters of a script whose letters join (Arabic, Syriac, N'Ko, Mongolian,
// Mandaic): a kashida stretching a word may leave gaps between them.
bool joinsLetters(char32_t c) {
    return (c >= 0x600 && c <= 0x77F) ||  // Arabic, Syriac, Arabic Supplement
           (c >= 0x7C0 && c <= 0x7FF) ||  // N'Ko
           (c >= 0x840 && c <= 0x8FF) ||  // Mandaic, Syriac and Arabic extensions
           (c >= 0x1800 && c <= 0x18AF);  // Mongolian
}

class LineBuilder {
  public:
    LineBuilder(const std::vector<Item>& items, const MarkLinks& marks,
                const std::vector<Rule>& rules)
        : items_(items), marks_(marks) {
        for (const Rule& r : rules) {
            if (r.vertical()) {
                out_.verticalRules.push_back(r.box);
            } else {
                out_.horizontalRules.push_back(r.box);
            }
        }
        out_.verticalRules = joinedRules(std::move(out_.verticalRules), true);
        out_.horizontalRules = joinedRules(std::move(out_.horizontalRules), false);
    }

    // The rules, those that go on one from another along one line (a
    // table's border drawn cell by cell) joined into one, sorted across and
    // then along: vertical ones by x, horizontal ones by y.
    static std::vector<Rect> joinedRules(std::vector<Rect> rules, bool vertical) {
        auto across = [vertical](const Rect& r) { return vertical ? r.x0 : r.y0; };
        auto from = [vertical](const Rect& r) { return vertical ? r.y0 : r.x0; };
        auto to = [vertical](const Rect& r) { return vertical ? r.y1 : r.x1; };
        std::sort(rules.begin(), rules.end(), [&](const Rect& a, const Rect& b) {
            return across(a) < across(b) || (across(a) == across(b) && from(a) < from(b));
        });
        std::vector<Rect> joined;
        std::size_t lineStart = 0;  // the first joined rule on the current line
        for (const Rect& r : rules) {
            if (!joined.empty() && across(r) - across(joined[lineStart]) > kRuleAlign)
                lineStart = joined.size();
            // Along one line (within kRuleAlign), rules come by their start:
            // only the last one joined can meet the next.
            if (joined.size() > lineStart && from(r) <= to(joined.back()) + kRuleAlign) {
                Rect& j = joined.back();
                j = {std::min(j.x0, r.x0), std::min(j.y0, r.y0), std::max(j.x1, r.x1),
                     std::max(j.y1, r.y1)};
            } else {
                joined.push_back(r);
            }
        }
        std::stable_sort(joined.begin(), joined.end(),
                         [&](const Rect& a, const Rect& b) { return across(a) < across(b); });
        return joined;
    }
    static constexpr double kRuleAlign = 1.5;        // points
    static constexpr double kSharedBaseline = 0.05;  // ems

    LineSet run() {
        makeRuns();
        makeRows();
        makeLines();
        return std::move(out_);
    }

  private:
    void makeRuns() {
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
        // A run whose characters all share one baseline but for a raised or
        // lowered first one (TeX's "~" in "~miquel/soft.html", a note's
        // mark) lies on theirs: the first would lift the run out of its row.
        for (Run& r : runs_) {
            int first = -1, second = -1, inked = 0;
            bool shared = true;
            for (int i = r.first; i < r.end && shared; ++i) {
                const Item& it = items_[i];
                if (it.space || it.mark) continue;
                ++inked;
                if (first < 0) {
                    first = i;
                } else if (second < 0) {
                    second = i;
                } else {
                    shared = std::fabs(it.base - items_[second].base) <= kSharedBaseline * r.size;
                }
            }
            if (shared && inked >= 3 &&
                std::fabs(items_[first].base - items_[second].base) > kSharedBaseline * r.size)
                r.base = items_[second].base;
        }
    }

    void makeRows() {
        byBase_.resize(runs_.size());
        std::iota(byBase_.begin(), byBase_.end(), 0);
        std::sort(byBase_.begin(), byBase_.end(), [this](int a, int b) {
            const Run& ra = runs_[a];
            const Run& rb = runs_[b];
            if (ra.rot != rb.rot) return ra.rot < rb.rot;
            if (ra.base != rb.base) return ra.base < rb.base;
            return ra.x0 < rb.x0;
        });
        for (int r : byBase_) {
            const Run& run = runs_[r];
            if (!run.inked) continue;  // spaces alone separate nothing more than the gap does
            if (!out_.rows.empty()) {
                Row& row = out_.rows.back();
                if (row.rot == run.rot &&
                    run.base - row.base <= kRowBaselineShift * std::min(run.size, row.size)) {
                    rowRuns_.back().push_back(r);
                    row.size = std::max(row.size, run.size);
                    continue;
                }
            }
            out_.rows.push_back({run.rot, run.base, run.size});
            rowRuns_.push_back({r});
        }
        // Each row's runs lie together in byBase_ (non-inked runs may lie
        // among them): where they begin and end there.
        std::vector<int> rowOf(runs_.size(), -1);
        for (int ri = 0; ri < static_cast<int>(rowRuns_.size()); ++ri)
            for (int r : rowRuns_[ri]) rowOf[r] = ri;
        rowSpan_.assign(rowRuns_.size(), {0, 0});
        for (int k = static_cast<int>(byBase_.size()) - 1; k >= 0; --k)
            if (rowOf[byBase_[k]] >= 0) rowSpan_[rowOf[byBase_[k]]].first = k;
        for (int k = 0; k < static_cast<int>(byBase_.size()); ++k)
            if (rowOf[byBase_[k]] >= 0) rowSpan_[rowOf[byBase_[k]]].second = k + 1;
        for (std::vector<int>& runs : rowRuns_) {
            std::sort(runs.begin(), runs.end(),
                      [this](int a, int b) { return runs_[a].x0 < runs_[b].x0; });
        }
    }

    enum class Gutter { Found, FoundFar, Blocked, OneSided };
    using Span = std::pair<double, double>;  // x0, x1 along the row
    struct Neighbour {                       // a run of another row
        double x0, x1, base;
    };

    // A column gutter between x0 and x1: the runs of other rows within
    // kGutterReach of the row's baseline leave a strip of at least
    // kGutterWidth free somewhere in that gap, and have text on both sides
    // of the strip. When they leave it free but have no text on one side
    // (none so near, or the wrapped lines of a table's last column: "qti
    // Integer 1 No A quantization type index." under "are used."), the rows
    // within kLooseGutterReach are asked instead: the rows of a loosely set
    // table, the next row of a table whose cells wrap.
    // A gutter found only so far off parts the row softly (Line::softStart).
    // `left` and `right` are the runs on either side of the gap.
    Gutter gutterBetween(int rowIndex, const Span& left, const Span& right, double size) const {
        Gutter near = gutterWithin(rowIndex, left, right, kGutterReach * size, size, true);
        if (near != Gutter::OneSided) return near;
        return gutterWithin(rowIndex, left, right, kLooseGutterReach * size, size, false) ==
                       Gutter::Found
                   ? Gutter::FoundFar
                   : Gutter::OneSided;
    }

    // The first run in byBase_ of orientation rot whose baseline is at
    // `base` or below it.
    std::vector<int>::const_iterator firstRunFrom(int rot, double base) const {
        return std::lower_bound(byBase_.begin(), byBase_.end(), std::make_pair(rot, base),
                                [this](int r, const std::pair<int, double>& key) {
                                    return runs_[r].rot < key.first || (runs_[r].rot == key.first &&
                                                                        runs_[r].base < key.second);
                                });
    }

    // Whether the nearest rows above and below, within reach, both start at
    // x (within a quarter em): the left edge of a column whose cells wrap,
    // after the key that heads a long cell ("cancel(1)  If a producer finds"
    // over "and has no data to send,"), or of the text of a definition list.
    bool columnEdgeAt(int rowIndex, double x, double reach, double size) const {
        const Row& row = out_.rows[rowIndex];
        double aboveBase = -std::numeric_limits<double>::infinity(), aboveStart = 0;
        double belowBase = std::numeric_limits<double>::infinity(), belowStart = 0;
        auto from = firstRunFrom(row.rot, row.base - reach);
        int looked = 0;
        for (auto k = from; k != byBase_.end() && looked < kMaxGutterNeighbours; ++k, ++looked) {
            const Run& run = runs_[*k];
            if (run.rot != row.rot || run.base > row.base + reach) break;
            if (!run.inked ||
                std::fabs(run.base - row.base) <= kRowBaselineShift * std::min(run.size, row.size))
                continue;
            if (run.base < row.base) {
                if (run.base > aboveBase + kRowBaselineShift * run.size)
                    aboveBase = run.base, aboveStart = run.x0;
                else
                    aboveStart = std::min(aboveStart, run.x0);
            } else if (run.base < belowBase - kRowBaselineShift * run.size) {
                belowBase = run.base, belowStart = run.x0;
            } else if (run.base <= belowBase + kRowBaselineShift * run.size) {
                belowStart = std::min(belowStart, run.x0);
            }
        }
        return std::isfinite(aboveBase) && std::isfinite(belowBase) &&
               std::fabs(aboveStart - x) <= 0.25 * size && std::fabs(belowStart - x) <= 0.25 * size;
    }

    // Whether a run of another line within reach, of the same size, starts at
    // x (within kTouchingGap ems): a column's left edge, where a cell's next
    // line starts. Not a formula's indices and exponents, which start
    // together less than a line apart.
    bool columnStartAt(int rowIndex, double x, double reach, double size) const {
        const Row& row = out_.rows[rowIndex];
        int looked = 0;
        for (auto k = firstRunFrom(row.rot, row.base - reach);
             k != byBase_.end() && looked < kMaxGutterNeighbours; ++k, ++looked) {
            const Run& run = runs_[*k];
            if (run.rot != row.rot || run.base > row.base + reach) break;
            if (run.inked && std::fabs(run.base - row.base) >= size &&
                std::fabs(run.size - size) <= 0.01 * size &&
                std::fabs(run.x0 - x) <= kTouchingGap * size)
                return true;
        }
        return false;
    }

    // A vertical rule between x0 and x1 across an upright row's text, from
    // its baseline to half an em above: a border between two cells. At most
    // kRuleLookups rules are looked at for one gap.
    bool ruleBetween(int rowIndex, double x0, double x1) const {
        const Row& row = out_.rows[rowIndex];
        if (row.rot != 0 || x1 <= x0) return false;
        const std::vector<Rect>& rules = out_.verticalRules;
        auto r = std::upper_bound(rules.begin(), rules.end(), x0,
                                  [](double x, const Rect& rule) { return x < rule.x0; });
        for (int looked = 0; r != rules.end() && r->x1 < x1 && looked < kRuleLookups; ++r, ++looked)
            if (r->y0 <= row.base - 0.5 * row.size && r->y1 >= row.base) return true;
        return false;
    }
    static constexpr int kRuleLookups = 16;

    // With `sure`, a gap no wider than kSentenceSpace times the row's own
    // word space (the space after a sentence, stretched with the others on
    // a justified line) that only one other row frees (with text on both
    // sides of the strip) is a gutter only when that text is aligned with
    // the row's own: a column's start or end, or a centred cell's middle.
    // Two lines of justified prose may have the spaces after two sentences
    // one over the other ("December 2017.  Available from https://hal.inria."
    // under "Thereof.  Research Report"), and their runs line up neither way.
    Gutter gutterWithin(int rowIndex, const Span& left, const Span& right, double reach,
                        double size, bool sure) const {
        const double x0 = left.second, x1 = right.first;
        std::vector<Neighbour> taken, neighbours;
        if (!neighboursOf(rowIndex, x0, x1, reach, taken, neighbours)) return Gutter::Blocked;
        std::sort(taken.begin(), taken.end(),
                  [](const Neighbour& a, const Neighbour& b) { return a.x0 < b.x0; });
        double freeFrom = x0, bestFrom = 0, bestTo = 0;
        for (const Neighbour& t : taken) {
            if (t.x0 - freeFrom > bestTo - bestFrom) bestFrom = freeFrom, bestTo = t.x0;
            freeFrom = std::max(freeFrom, t.x1);
        }
        if (x1 - freeFrom > bestTo - bestFrom) bestFrom = freeFrom, bestTo = x1;
        if (bestTo - bestFrom < kGutterWidth * size) return Gutter::Blocked;
        bool textLeft = false, textRight = false, aligned = false;
        std::vector<double> leftRows, rightRows;  // baselines
        auto centre = [](double a, double b) { return 0.5 * (a + b); };
        for (const Neighbour& n : neighbours) {
            if (n.x1 <= bestFrom) {
                textLeft = true;
                leftRows.push_back(n.base);
                aligned = aligned || std::fabs(n.x1 - left.second) <= kEdgeAlign * size ||
                          std::fabs(centre(n.x0, n.x1) - centre(left.first, left.second)) <=
                              kCentreAlign * size;
            }
            if (n.x0 >= bestTo) {
                textRight = true;
                rightRows.push_back(n.base);
                aligned = aligned || std::fabs(n.x0 - right.first) <= kEdgeAlign * size ||
                          std::fabs(centre(n.x0, n.x1) - centre(right.first, right.second)) <=
                              kCentreAlign * size;
            }
        }
        if (!textLeft || !textRight) return Gutter::OneSided;
        if (!sure || aligned || x1 - x0 > kSentenceSpace * wordSpace(rowIndex))
            return Gutter::Found;
        // Rows with text on both sides of the strip.
        std::sort(leftRows.begin(), leftRows.end());
        std::sort(rightRows.begin(), rightRows.end());
        int spanning = 0;
        double last = -std::numeric_limits<double>::infinity();
        for (double base : leftRows) {
            if (base - last <= kRowBaselineShift * size) continue;
            auto r = std::lower_bound(rightRows.begin(), rightRows.end(),
                                      base - kRowBaselineShift * size);
            if (r != rightRows.end() && *r <= base + kRowBaselineShift * size) {
                ++spanning;
                last = base;
            }
        }
        return spanning >= 2 ? Gutter::Found : Gutter::Blocked;
    }
    static constexpr double kEdgeAlign = 0.25;   // ems
    static constexpr double kCentreAlign = 0.1;  // ems
    static constexpr double kSentenceSpace = 2.5;

    // The median gap between the words of the row's runs (0 when they hold
    // one word): gaps of kWordGap ems and more between inked characters.
    // Rows are split one after another: the last row's answer is kept, so a
    // row with many gaps is measured once.
    double wordSpace(int rowIndex) const {
        measureRow(rowIndex);
        std::vector<double> widths;
        widths.reserve(rowGaps_.size());
        for (const Gap& g : rowGaps_) widths.push_back(g.to - g.from);
        if (widths.empty()) return 0;
        std::nth_element(widths.begin(), widths.begin() + widths.size() / 2, widths.end());
        return widths[widths.size() / 2];
    }
    // Whether the gap [x0, x1] of the row is a space of a justified line
    // stretched far (a long address TeX could not break, in a bibliography:
    // "versity, New York.      URL https://…"): the word spaces after a
    // letter or digit among the kStretchedLook nearest the gap on each side,
    // narrower than kSplitGap, kStretchedGaps and more, are kStretchedSpace
    // and more and equal within kStretchedEqual, as a line's glue is
    // stretched alike (the spaces after punctuation stretch more); and the
    // gap is one of them, or after punctuation (the end of a sentence) no
    // more than kStretchedSentenceSpace times them. Two columns of justified text
    // have lines stretched each its own way, and rarely that far. Only gaps
    // between characters of proportional fonts count: text of a fixed-pitch
    // font is laid out in columns by its spaces (a program's table output).
    // And no text of the rows around (within kGutterReach) may start where
    // the run after the gap starts, end where it or the text before the gap
    // ends, or be centred where it is, within kStretchedAlign: the cells of a
    // table whose columns are spaced alike line up so (a matrix's entries
    // centred); the words of prose hardly ever do.
    // `x0`, `x1`: the gap; `runEnd`: where the run after it ends.
    bool stretchedSpace(int rowIndex, double x0, double x1, double runEnd, double size) const {
        measureRow(rowIndex);
        const double split = kSplitGap * size;
        // The gap between inked characters that holds [x0, x1] (the runs'
        // ends may be spaces).
        const double slack = 0.01 * size;
        auto at = std::lower_bound(rowGaps_.begin(), rowGaps_.end(), x1 - slack,
                                   [](const Gap& g, double x) { return g.to < x; });
        if (at == rowGaps_.end() || at->from > x0 + slack || !at->proportional) return false;
        int count = 0;
        double least = std::numeric_limits<double>::infinity(), most = 0;
        auto weigh = [&](auto from, auto to) {
            for (int looked = 0; from != to && looked < kStretchedLook; ++from, ++looked) {
                const double width = from->to - from->from;
                if (width >= split || !from->proportional || !from->afterWord) continue;
                least = std::min(least, width);
                most = std::max(most, width);
                ++count;
            }
        };
        // The gaps before [x0, x1], nearest first, and it with those after it.
        weigh(std::make_reverse_iterator(at), rowGaps_.rend());
        weigh(at, rowGaps_.end());
        if (count < kStretchedGaps) return false;
        if (!(least >= kStretchedSpace * size && most - least <= kStretchedEqual * most &&
              at->to - at->from <=
                  (at->afterWord ? (1 + kStretchedEqual) * most : kStretchedSentenceSpace * most)))
            return false;
        std::vector<Neighbour> taken, neighbours;
        if (!neighboursOf(rowIndex, x0, x1, kGutterReach * size, taken, neighbours)) return false;
        const double near = kStretchedAlign * size;
        return std::none_of(neighbours.begin(), neighbours.end(), [&](const Neighbour& n) {
            return std::fabs(n.x0 - x1) <= near || std::fabs(n.x1 - runEnd) <= near ||
                   std::fabs(n.x1 - x0) <= near || std::fabs(n.x0 + n.x1 - x1 - runEnd) <= near;
        });
    }
    static constexpr double kStretchedAlign = 0.1;  // ems
    static constexpr int kStretchedLook = 8;
    static constexpr std::size_t kFixedPitchChars = 8;
    static constexpr double kFixedPitchShare = 0.8;
    static constexpr int kStretchedGaps = 2;
    static constexpr double kStretchedEqual = 0.1;
    // The gaps of kWordGap ems and more between the row's inked characters,
    // along the row.
    void measureRow(int rowIndex) const {
        if (gapsRow_ == rowIndex) return;
        gapsRow_ = rowIndex;
        std::vector<const Item*> inked;
        for (int r : rowRuns_[rowIndex])
            for (int i = runs_[r].first; i < runs_[r].end; ++i)
                if (!items_[i].space && !items_[i].mark) inked.push_back(&items_[i]);
        std::sort(inked.begin(), inked.end(),
                  [](const Item* a, const Item* b) { return a->x0 < b->x0; });
        rowGaps_.clear();
        // A row whose characters nearly all advance alike is set in a font of
        // fixed pitch, whatever the font says of itself (a Type 3 font's
        // program listing): its gaps are columns laid out by spaces.
        std::map<long, int> advances;
        int mostAlike = 0;
        for (const Item* item : inked)
            mostAlike = std::max(mostAlike,
                                 ++advances[std::lround((item->x1 - item->x0) / item->size * 100)]);
        const bool fixedRow = inked.size() >= kFixedPitchChars &&
                              mostAlike >= kFixedPitchShare * static_cast<double>(inked.size());
        double reach = -std::numeric_limits<double>::infinity();
        const Item* farthest = nullptr;  // the character that reaches farthest
        for (const Item* item : inked) {
            const double gap = item->x0 - reach;
            if (farthest != nullptr && gap >= kWordGap * out_.rows[rowIndex].size) {
                const char32_t c = farthest->code;
                rowGaps_.push_back({reach, item->x0,
                                    !fixedRow && !farthest->fixedPitch && !item->fixedPitch,
                                    chars::isLetter(c) || (c >= '0' && c <= '9')});
            }
            if (item->x1 >= reach) farthest = item;
            reach = std::max(reach, item->x1);
        }
    }

    // The extents of the runs of other rows within reach of the row's
    // baseline (neighbours), and of those among them that overlap [x0, x1]
    // (taken). False, with nothing found, when more than
    // kMaxGutterNeighbours runs are within reach.
    bool neighboursOf(int rowIndex, double x0, double x1, double reach,
                      std::vector<Neighbour>& taken, std::vector<Neighbour>& neighbours) const {
        const Row& row = out_.rows[rowIndex];
        const auto begin = byBase_.begin();
        auto from = firstRunFrom(row.rot, row.base - reach);
        const auto [ownFirst, ownEnd] = rowSpan_[rowIndex];
        int looked = 0;
        for (auto k = static_cast<int>(from - begin); k < static_cast<int>(byBase_.size()); ++k) {
            if (k >= ownFirst && k < ownEnd) {  // the row's own runs
                k = ownEnd - 1;
                continue;
            }
            const Run& run = runs_[byBase_[k]];
            if (run.rot != row.rot || run.base > row.base + reach) break;
            if (!run.inked) continue;
            if (std::fabs(run.base - row.base) <= kRowBaselineShift * std::min(run.size, row.size))
                continue;  // the row itself
            if (++looked > kMaxGutterNeighbours) {
                taken.clear();
                neighbours.clear();
                return false;
            }
            neighbours.push_back({run.x0, run.x1, run.base});
            if (run.x1 > x0 && run.x0 < x1) taken.push_back({run.x0, run.x1, run.base});
        }
        return true;
    }

    // Whether text of another row was painted between runs a and b, or more
    // than kPaintedApartLook runs, which are taken for such text.
    bool otherRowPaintedBetween(int a, int b) const {
        const int from = std::min(a, b) + 1, to = std::max(a, b);
        if (to - from > kPaintedApartLook) return true;
        const Run& ra = runs_[a];
        for (int k = from; k < to; ++k) {
            const Run& between = runs_[k];
            if (between.inked &&
                (between.rot != ra.rot || std::fabs(between.base - ra.base) >
                                              kRowBaselineShift * std::min(between.size, ra.size)))
                return true;
        }
        return false;
    }
    static constexpr int kPaintedApartLook = 64;
    static constexpr int kCellCharacters = 3;

    // Whether runs a and b of one row were painted apart: text of other rows
    // painted between them, as a table is painted cell by cell. Two such runs
    // that touch where a column starts (columnStartAt) are two cells whose
    // justified lines fill their columns, set with no space between (FOP's
    // "GPS Data Logger [http://home-" right against the next cell's
    // "VisualGPS"), not one word. Both of one size on one baseline, the
    // page's text size or larger, with kCellCharacters or more each: a
    // formula's symbol and its indices are painted apart too, and touch.
    bool paintedApart(int a, int b) const {
        if (a < 0) return false;
        const Run& ra = runs_[a];
        const Run& rb = runs_[b];
        if (ra.end - ra.first < kCellCharacters || rb.end - rb.first < kCellCharacters ||
            std::fabs(ra.size - rb.size) > 0.01 * ra.size || ra.size < 0.95 * textSize_ ||
            std::fabs(ra.base - rb.base) > 0.05 * ra.size)
            return false;
        return otherRowPaintedBetween(a, b);
    }

    // Whether the runs (of one row) were painted one after another, no other
    // row's text between them: a cell's line, not a formula, whose indices
    // and exponents are painted between the pieces of its baseline.
    // More than kPaintedApartLook runs are no cell's line.
    bool paintedTogether(std::vector<int> runs) const {
        if (runs.size() > static_cast<std::size_t>(kPaintedApartLook)) return false;
        std::sort(runs.begin(), runs.end());
        for (std::size_t k = 1; k < runs.size(); ++k)
            if (otherRowPaintedBetween(runs[k - 1], runs[k])) return false;
        return true;
    }

    // The size most of the page's characters are set in.
    double textSize() const {
        std::vector<std::pair<double, int>> sizes;  // size, characters
        for (const Run& run : runs_) {
            auto at = std::find_if(sizes.begin(), sizes.end(), [&](const auto& entry) {
                return std::fabs(entry.first - run.size) <= 0.01 * run.size;
            });
            if (at == sizes.end() && sizes.size() < kTextSizesLook)
                at = sizes.insert(sizes.end(), {run.size, 0});
            if (at != sizes.end()) at->second += run.end - run.first;
        }
        double size = 0;
        int most = 0;
        for (const auto& entry : sizes)
            if (entry.second > most) most = entry.second, size = entry.first;
        return size;
    }
    static constexpr std::size_t kTextSizesLook = 64;

    void makeLines() {
        textSize_ = textSize();
        for (int ri = 0; ri < static_cast<int>(out_.rows.size()); ++ri) {
            std::vector<int> current;
            double start = 0, end = 0, size = 0;  // of the line in `current`
            bool softStart = false;               // of the line in `current`
            auto flush = [&]() {
                const std::size_t first = out_.lines.size();
                addLine(ri, current);
                if (softStart && first < out_.lines.size()) out_.lines[first].softStart = true;
                current.clear();
            };
            int last = -1;  // the run of `current` that ends it
            for (int r : rowRuns_[ri]) {
                const Run& run = runs_[r];
                if (!current.empty()) {
                    double s = std::max(size, run.size);
                    double gap = run.x0 - end;
                    const bool wide = gap > kJoinGap * s;
                    const bool stretched = wide && stretchedSpace(ri, end, run.x0, run.x1, s);
                    const Gutter gutter = wide && !stretched && gap < kSplitGap * s
                                              ? gutterBetween(ri, {start, end}, {run.x0, run.x1}, s)
                                              : Gutter::Blocked;
                    const bool split =
                        (wide && !stretched && (gap >= kSplitGap * s || gutter == Gutter::Found)) ||
                        ruleBetween(ri, end, run.x0) ||
                        (std::fabs(gap) <= kTouchingGap * s && paintedApart(last, r) &&
                         columnStartAt(ri, run.x0, kLooseGutterReach * s, s) &&
                         paintedTogether(current));
                    const bool soft = !split && wide &&
                                      (gutter == Gutter::FoundFar ||
                                       columnEdgeAt(ri, run.x0, kGutterReach * s, s));
                    if (split || soft) {
                        flush();
                        softStart = soft;
                    }
                }
                if (current.empty()) {
                    start = run.x0;
                    end = run.x1;
                    size = run.size;
                    last = r;
                } else {
                    if (run.x1 >= end) last = r;
                    end = std::max(end, run.x1);
                    size = std::max(size, run.size);
                }
                current.push_back(r);
            }
            if (!current.empty()) flush();
        }
    }

    // Collects the runs' characters into a line: ordered along the baseline,
    // duplicates dropped, split into words.
    // Runs painted over others (overprinted) are set apart first and make a
    // line of their own after the rest, with no further setting apart.
    void addLine(int rowIndex, const std::vector<int>& runIds, bool setApart = true) {
        std::vector<std::pair<int, int>> heads;  // (item, run)
        for (int r : runIds) {
            for (int i = runs_[r].first; i < runs_[r].end; ++i) {
                if (marks_.owner[i] < 0) heads.push_back({i, r});
            }
        }
        std::stable_sort(heads.begin(), heads.end(), [this](const auto& a, const auto& b) {
            return items_[a.first].x0 < items_[b.first].x0;
        });
        if (setApart && runIds.size() > 1) {
            std::vector<int> over = overprintedRuns(heads);
            if (!over.empty()) {
                std::vector<int> under;
                for (int r : runIds)
                    if (!std::binary_search(over.begin(), over.end(), r)) under.push_back(r);
                addLine(rowIndex, under, false);
                addLine(rowIndex, over, false);
                return;
            }
        }

        Line line;
        line.rot = out_.rows[rowIndex].rot;
        line.row = rowIndex;
        line.size = 0;
        bool any = false;
        int baseOf = -1;
        for (std::size_t k = 0; k < heads.size(); ++k) {
            const int h = heads[k].first;
            const Item& it = items_[h];
            if (isDuplicate(line.clusters, h) || isOverprintedDot(heads, k)) continue;
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
        splitWords(line, items_, marks_);
        out_.lines.push_back(std::move(line));
    }

    // Text painted over text of another run (a page number set on a
    // running heading): characters next to each other along the line, of
    // two runs, that overlap by more than kOverprintShare of the narrower
    // and are no duplicate of each other (fake bold) and no leader dot. Of
    // two such runs, the one with fewer characters is painted over the
    // other when at least half of its characters overlap so; read in order
    // along the line, the two would be interleaved letter by letter.
    // Returns those runs, sorted. Linear in the heads, n log n in the runs.
    std::vector<int> overprintedRuns(const std::vector<std::pair<int, int>>& heads) const {
        auto inked = [this](int item) { return !items_[item].space && !items_[item].unmapped; };
        // The overlapping neighbours, as (index of the right one in heads);
        // most lines have none, and cost no more than this pass.
        std::vector<std::size_t> overlapping;
        int previous = -1;
        for (std::size_t k = 0; k < heads.size(); ++k) {
            if (!inked(heads[k].first)) continue;
            if (previous >= 0 && heads[previous].second != heads[k].second) {
                const Item& a = items_[heads[previous].first];
                const Item& b = items_[heads[k].first];
                double narrower = std::min(a.x1 - a.x0, b.x1 - b.x0);
                bool duplicate = a.code == b.code && std::fabs(a.x0 - b.x0) <=
                                                         kDuplicateAlong * std::max(a.size, b.size);
                if (!duplicate && narrower > 0 &&
                    overlap(a.x0, a.x1, b.x0, b.x1) > kOverprintShare * narrower &&
                    !isOverprintedDot(heads, static_cast<std::size_t>(previous)) &&
                    !isOverprintedDot(heads, k))
                    overlapping.push_back(k);
            }
            previous = static_cast<int>(k);
        }
        if (overlapping.empty()) return {};
        std::map<int, int> charsOf;  // run -> its inked heads on the line
        for (const auto& h : heads)
            if (inked(h.first)) ++charsOf[h.second];
        std::map<std::pair<int, int>, int> overlaps;  // (smaller run, other) -> characters
        for (std::size_t k : overlapping) {
            std::size_t before = k - 1;
            while (!inked(heads[before].first)) --before;
            int ra = heads[before].second, rb = heads[k].second;
            if (charsOf[ra] < charsOf[rb] || (charsOf[ra] == charsOf[rb] && ra > rb))
                std::swap(ra, rb);
            ++overlaps[{rb, ra}];
        }
        std::vector<int> over;
        for (const auto& o : overlaps)
            if (2 * o.second >= charsOf[o.first.first]) over.push_back(o.first.first);
        std::sort(over.begin(), over.end());
        over.erase(std::unique(over.begin(), over.end()), over.end());
        // A run both painted over and painted on stays with the line.
        if (over.size() >= charsOf.size()) over.clear();
        return over;
    }

    bool isDuplicate(const std::vector<int>& kept, int h) const {
        const Item& it = items_[h];
        if (it.unmapped) return false;
        int looked = 0;
        for (auto k = kept.rbegin(); k != kept.rend() && looked < kDuplicateLookback;
             ++k, ++looked) {
            const Item& other = items_[*k];
            if (other.x0 < it.x0 - kDuplicateAlong * it.size) break;
            if (other.code == it.code && std::fabs(other.x0 - it.x0) <= kDuplicateAlong * it.size &&
                std::fabs(other.base - it.base) <= kDuplicateAcross * it.size)
                return true;
        }
        return false;
    }

    // A dot painted on its own (a leader dot of a run of its own) that lies
    // within the box of a character of another run next to it on the line:
    // producers that set leader dots on a fixed grid let the last one fall
    // on the page number. Read, it would split the number ("19.8").
    bool isOverprintedDot(const std::vector<std::pair<int, int>>& heads, std::size_t k) const {
        const Item& dot = items_[heads[k].first];
        const Run& run = runs_[heads[k].second];
        if ((dot.code != U'.' && dot.code != 0xB7) || run.end - run.first != 1) return false;
        const double along = kDuplicateAlong * dot.size;
        for (std::size_t n : {k - 1, k + 1}) {
            if (n >= heads.size() || heads[n].second == heads[k].second) continue;
            const Item& other = items_[heads[n].first];
            if (other.space || other.unmapped || other.code == dot.code) continue;
            if (dot.x0 >= other.x0 - along && dot.x1 <= other.x1 + along &&
                std::fabs(other.base - dot.base) <= kDuplicateAcross * dot.size)
                return true;
        }
        return false;
    }

    const std::vector<Item>& items_;
    const MarkLinks& marks_;
    std::vector<Run> runs_;
    std::vector<int> byBase_;                   // runs by orientation, then baseline
    std::vector<std::vector<int>> rowRuns_;     // the runs of each row, by x0
    double textSize_ = 0;                       // the size most characters are set in
    std::vector<std::pair<int, int>> rowSpan_;  // each row's runs in byBase_: [first, second)
    mutable int gapsRow_ = -1;                  // the row rowGaps_ were measured for
    struct Gap {
        double from, to;
        bool proportional;  // between two characters of proportional fonts
        bool afterWord;     // after a letter or digit, not punctuation
    };
    mutable std::vector<Gap> rowGaps_;  // its word gaps, along it
    LineSet out_;
};

}  // namespace

LineSet buildLines(const std::vector<Item>& items, const MarkLinks& marks,
                   const std::vector<Rule>& rules) {
    return LineBuilder(items, marks, rules).run();
}

void splitWords(Line& line, const std::vector<Item>& items, const MarkLinks& marks) {
    auto end = [&](int h) { return clusterEnd(items, marks, h); };
    // Letter-spaced lines have no narrow gaps: the word gap must exceed the
    // narrowest gap between letters by a margin.
    double narrowest = 1e9;
    int gaps = 0;
    int previous = -1;
    std::vector<double> inEms;
    // Spaces painted between two words, and the narrowest of them in ems.
    int paintedSpaces = 0;
    double narrowestSpace = 1e9;
    int pendingSpace = -1, lastInked = -1;
    for (int h : line.clusters) {
        if (items[h].space) {
            previous = -1;
            pendingSpace = h;
            continue;
        }
        if (pendingSpace >= 0 && lastInked >= 0) {
            const Item& sp = items[pendingSpace];
            double centre = (sp.x0 + sp.x1) / 2;
            if (centre >= end(lastInked) && centre <= items[h].x0) {
                ++paintedSpaces;
                narrowestSpace = std::min(narrowestSpace, (sp.x1 - sp.x0) / sp.size);
            }
        }
        pendingSpace = -1;
        lastInked = h;
        if (previous >= 0) {
            double gap = items[h].x0 - end(previous);
            narrowest = std::min(narrowest, gap);
            inEms.push_back(gap / std::max(items[h].size, items[previous].size));
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
    line.wordStart.clear();
    previous = -1;
    int space = -1;
    for (int h : line.clusters) {
        const Item& it = items[h];
        if (it.space) {
            space = h;
            continue;
        }
        // A space separates words only where it stands between them; some
        // producers draw one on top of a letter.
        bool spaceSeen = false;
        if (space >= 0) {
            double centre = (items[space].x0 + items[space].x1) / 2;
            spaceSeen = (previous < 0 || centre >= end(previous)) && centre <= it.x0;
        }
        bool starts = previous < 0 || spaceSeen;
        if (!starts) {
            double s = std::max(it.size, items[previous].size);
            double threshold = wordGap * s;
            if (gaps >= 3 && narrowest > 0.5 * kWordGap * s && narrowest <= kMaxLetterSpacing * s)
                threshold = std::max(kWordGap * s, narrowest * 1.3 + 0.05 * s);
            const Item& before = items[previous];
            if (joinsLetters(before.code) && joinsLetters(it.code)) {
                threshold = std::max(threshold, kWordGap * s);
                if (paintedSpaces > 0)
                    threshold = std::max(threshold, kPaintedSpaceShare * narrowestSpace * s);
            }
            if (before.fixedPitch && it.fixedPitch) {
                const double cellBefore = before.x1 - before.x0, cell = it.x1 - it.x0;
                const double wider = std::max(cellBefore, cell);
                // Two cells of one pitch: such text has no letter spacing, so
                // the tight-line rule does not lower the word gap below
                // kWordGap there (glue that a typesetter put after an
                // address's "/" and "." to break the line there, stretched
                // on a justified line, is no space; a space set in the text
                // font between two such words is).
                if (std::fabs(cellBefore - cell) <= 0.1 * wider)
                    threshold = std::max(threshold, kWordGap * s);
                threshold = std::min(threshold, kFixedCellShare * wider);
            }
            starts = it.x0 - end(previous) > threshold ||
                     (isScript(line, items[previous]) && !isScript(line, it) &&
                      items[previous].size < kScriptSize * it.size);
        }
        if (starts) line.wordStart.push_back(static_cast<int>(kept.size()));
        kept.push_back(h);
        previous = h;
        space = -1;
    }
    // Unmapped glyphs have kept their words together; they leave now, and
    // with them any word made of nothing else.
    line.clusters.clear();
    std::vector<int> starts;
    std::size_t w = 0;
    bool pendingStart = false;
    for (std::size_t c = 0; c < kept.size(); ++c) {
        if (w < line.wordStart.size() && line.wordStart[w] == static_cast<int>(c)) {
            pendingStart = true;
            ++w;
        }
        if (items[kept[c]].unmapped) continue;
        if (pendingStart) starts.push_back(static_cast<int>(line.clusters.size()));
        pendingStart = false;
        line.clusters.push_back(kept[c]);
    }
    line.wordStart = std::move(starts);
}

}  // namespace layout
}  // namespace pdf
