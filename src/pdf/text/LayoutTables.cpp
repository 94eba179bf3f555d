#include "pdf/text/LayoutTables.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "pdf/text/CharClass.h"
#include "pdf/text/PaintedText.h"

namespace pdf {
namespace layout {
namespace {

bool isDigit(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= 0xFF10 && c <= 0xFF19) || (c >= 0x660 && c <= 0x669) ||
           (c >= 0x6F0 && c <= 0x6F9);
}

bool isDash(char32_t c) {
    return c == U'-' || (c >= 0x2010 && c <= 0x2015) || c == 0x2212;
}

// A roman numeral below 90 (front-matter page numbers), in one case.
bool isRoman(const std::u32string& s) {
    if (s.empty() || s.size() > 8) return false;
    bool lower = s[0] >= U'a';
    std::string ascii;
    for (char32_t c : s) {
        char32_t u = lower ? c - (U'a' - U'A') : c;
        if ((c >= U'a') != lower || (u != U'I' && u != U'V' && u != U'X' && u != U'L'))
            return false;
        ascii += static_cast<char>(u);
    }
    // Tens, then units, in the one order roman numerals allow.
    static const char* const kTens[] = {"", "X", "XX", "XXX", "XL", "L", "LX", "LXX", "LXXX"};
    static const char* const kUnits[] = {"",  "I",  "II",  "III",  "IV",
                                         "V", "VI", "VII", "VIII", "IX"};
    for (const char* tens : kTens) {
        std::string t = tens;
        if (ascii.compare(0, t.size(), t) != 0) continue;
        for (const char* units : kUnits)
            if (ascii.size() == t.size() + std::char_traits<char>::length(units) &&
                ascii.compare(t.size(), std::string::npos, units) == 0)
                return true;
    }
    return false;
}

// A number as tables set them: "18,870", "98 452", "2.20x", "$12.50",
// "12 %", "(3)", "12–14", "iv"; a dash alone stands for no value.
bool isNumeric(const std::u32string& text) {
    // Dot leaders are no part of the number.
    std::u32string s;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto isDot = [](char32_t c) { return c == U'.' || c == 0x2026 || c == 0xB7; };
        bool leader = isDot(text[i]) && ((i > 0 && isDot(text[i - 1])) ||
                                         (i + 1 < text.size() && isDot(text[i + 1])));
        if (!leader && text[i] != 0x2026) s += text[i];
    }
    if (s.empty()) return false;
    if (std::all_of(s.begin(), s.end(), isDash)) return true;
    if (isRoman(s)) return true;
    std::size_t digits = 0;
    int letterRun = 0, longestRun = 0;
    for (char32_t c : s) {
        if (isDigit(c)) ++digits;
        letterRun = chars::isLetter(c) ? letterRun + 1 : 0;
        longestRun = std::max(longestRun, letterRun);
    }
    return digits > 0 && 2 * digits >= s.size() && longestRun <= 3;
}

struct Slot {
    double x0 = 0, x1 = 0;  // extent of its cells
    // Extent of the cells that start in it (end in it, right to left): the
    // room a word had to fit in. A cell that overflowed from the slot before
    // ("LinistepperTHB60642300" across the model column) made none.
    double ownX0 = std::numeric_limits<double>::infinity();
    double ownX1 = -std::numeric_limits<double>::infinity();
    int entries = 0, numeric = 0;
    std::vector<int> words;     // per entry
    std::vector<double> sizes;  // per cell
    char kind = 'T';            // 'N' numbers, 'P' running text, 'T' other text
    double fill = 0;            // share of the multi-cell rows with an entry
    // Entries right under an entry of the row above, and how many of them
    // go on in lower case, as the lines of running text do.
    int following = 0, lowerCase = 0;
    bool runsOn() const { return following > 0 && 2 * lowerCase >= following; }
    // Names or identifiers: entries of one word each, but for a tenth of
    // them (a header of two words).
    bool singleWords() const {
        const auto phrases = std::count_if(words.begin(), words.end(), [](int w) { return w > 1; });
        return phrases <= std::lround(kGutterNoise * static_cast<double>(words.size()));
    }
};

template <typename T>
T median(std::vector<T> v) {
    if (v.empty()) return T();
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// One row of a table, joined: its cells left to right, each a list of lines
// (the cell's line in the row, then the lines that continue it).
struct Join {
    int table = 0;
    bool rightToLeft = false;
    // How far its first row lies below the row before it (0: none before):
    // a table whose rows are spaced apart wraps its cells closer.
    double leadGap = 0;
    std::vector<std::vector<int>> cells;
};

class TableFinder {
  public:
    TableFinder(LineSet& set, const std::vector<Item>& items) : set_(set), items_(items) {}

    void run() {
        const int lineCount = static_cast<int>(set_.lines.size());
        const int rowCount = static_cast<int>(set_.rows.size());
        rowStart_.assign(rowCount + 1, lineCount);
        for (int i = lineCount - 1; i >= 0; --i) rowStart_[set_.lines[i].row] = i;
        for (int r = rowCount - 1; r >= 0; --r)
            rowStart_[r] = std::min(rowStart_[r], rowStart_[r + 1]);
        budget_ = kTableWorkPerLine * (static_cast<long>(lineCount) + rowCount + 1);

        // Rows come orientation by orientation, each top to bottom.
        constexpr double kInfinity = std::numeric_limits<double>::infinity();
        std::vector<Task> tasks;
        for (int first = 0; first < rowCount;) {
            int end = first;
            std::vector<int> rows;
            while (end < rowCount && set_.rows[end].rot == set_.rows[first].rot)
                rows.push_back(end++);
            auto shared = std::make_shared<const std::vector<int>>(std::move(rows));
            tasks.push_back({Task::Runs, std::move(shared), -kInfinity, kInfinity, nullptr, {}});
            first = end;
        }
        // One task at a time from a stack, in the order a depth-first
        // search would take them (so tables are numbered top to bottom);
        // a task's follow-up tasks each cover fewer cells than it does.
        std::reverse(tasks.begin(), tasks.end());
        while (!tasks.empty() && !exhausted()) {
            Task task = std::move(tasks.back());
            tasks.pop_back();
            std::vector<Task> next;
            switch (task.kind) {
                case Task::Runs:
                    findRuns(*task.rows, task.x0, task.x1, next);
                    break;
                case Task::Run:
                    analyseRun(task.rows, task.x0, task.x1, next);
                    break;
                case Task::Mark:
                    markTable(*task.rows, task.x0, task.x1, task.slots->bounds, task.slots->slots,
                              task.group, task.listing);
                    break;
            }
            tasks.insert(tasks.end(), std::make_move_iterator(next.rbegin()),
                         std::make_move_iterator(next.rend()));
        }
        if (!joins_.empty() || !members_.empty()) apply();
    }

  private:
    // The slots of a run, shared by the tables found among them.
    struct SlotSet {
        std::vector<double> bounds;  // slot i spans [bounds[i], bounds[i + 1])
        std::vector<Slot> slots;
    };

    // A piece of work: the runs of rows within [x0, x1) (step 1), one run
    // (steps 2 to 7), or the rows of a table to join.
    struct Task {
        enum Kind { Runs, Run, Mark } kind;
        std::shared_ptr<const std::vector<int>> rows;  // shared by the tasks of one run
        double x0, x1;
        std::shared_ptr<const SlotSet> slots;  // Mark: the run's slots
        std::pair<int, int> group;             // Mark: the table's slots
        bool listing = false;                  // Mark: a numbered listing, line by line
    };

    // Work is counted in lines looked at; past the page's budget no more
    // tasks are taken up and the rows not yet joined stay as they are.
    void charge(long work) { spent_ += work; }
    bool exhausted() const { return spent_ > budget_; }

    // The lines of row r whose centre lies in [x0, x1), left to right.
    std::vector<int> cellsIn(int r, double x0, double x1) {
        charge(rowStart_[r + 1] - rowStart_[r] + 1);
        std::vector<int> cells;
        for (int l = rowStart_[r]; l < rowStart_[r + 1]; ++l) {
            double centre = (set_.lines[l].x0 + set_.lines[l].x1) / 2;
            if (centre >= x0 && centre < x1) cells.push_back(l);
        }
        return cells;
    }

    // Step 1: the runs of rows within [x0, x1).
    void findRuns(const std::vector<int>& rows, double x0, double x1, std::vector<Task>& next) {
        std::vector<int> run;
        int multi = 0;
        auto flush = [&]() {
            if (multi >= kRuledTableRows) {
                auto runRows = std::make_shared<const std::vector<int>>(run);
                next.push_back({Task::Run, std::move(runRows), x0, x1, nullptr, {}});
            }
            run.clear();
            multi = 0;
        };
        // The rows with cells in the range, and the steps before them.
        std::vector<std::pair<int, std::size_t>> held;  // (row, cells)
        for (int r : rows) {
            std::size_t cells = cellsIn(r, x0, x1).size();
            if (cells > 0) held.push_back({r, cells});
        }
        // A table whose rows are padded apart (a ruled table, its cells'
        // margins wide) steps farther than kTableRowPitch from a row's last
        // line to the next row, by the same step each time: a step of up to
        // kPaddedRowPitch ems to a row of several cells, taken kTableRows
        // times or more in the range (within a twentieth), does not end the
        // run.
        auto step = [&](std::size_t k) {
            return set_.rows[held[k].first].base - set_.rows[held[k - 1].first].base;
        };
        auto em = [&](std::size_t k) {
            return std::max(set_.rows[held[k].first].size, set_.rows[held[k - 1].first].size);
        };
        std::vector<double> padded;
        for (std::size_t k = 1; k < held.size(); ++k)
            if (held[k].second >= 2 && step(k) > kTableRowPitch * em(k) &&
                step(k) <= kPaddedRowPitch * em(k))
                padded.push_back(step(k));
        std::sort(padded.begin(), padded.end());
        charge(static_cast<long>(held.size() + padded.size()));
        auto recurs = [&](double s) {
            auto from = std::lower_bound(padded.begin(), padded.end(), s * 0.95);
            auto to = std::upper_bound(padded.begin(), padded.end(), s * 1.05);
            return to - from >= kTableRows;
        };
        // A column border that the page draws through a row of several
        // cells and the row above, both, holds them in one ruled table,
        // however far its padding sets its rows apart and however few they
        // are (a row of one line after a row of four).
        auto ruledTogether = [&](std::size_t k) {
            const Row& upper = set_.rows[held[k - 1].first];
            const Row& lower = set_.rows[held[k].first];
            if (held[k].second < 2 || lower.rot != 0 || upper.rot != 0) return false;
            double firstEnd = std::numeric_limits<double>::infinity(), lastStart = -firstEnd;
            for (int l : cellsIn(held[k].first, x0, x1)) {
                firstEnd = std::min(firstEnd, set_.lines[l].x1);
                lastStart = std::max(lastStart, set_.lines[l].x0);
            }
            const std::vector<Rect>& rules = set_.verticalRules;
            auto r = std::upper_bound(rules.begin(), rules.end(), firstEnd,
                                      [](double x, const Rect& rule) { return x < rule.x0; });
            for (int looked = 0; r != rules.end() && r->x1 <= lastStart && looked < kMaxBorders;
                 ++r, ++looked) {
                charge(1);
                if (r->y0 <= upper.base - 0.5 * upper.size && r->y1 >= lower.base) return true;
            }
            return false;
        };
        for (std::size_t k = 0; k < held.size(); ++k) {
            if (k > 0 && step(k) > kTableRowPitch * em(k) &&
                !(held[k].second >= 2 && step(k) <= kPaddedRowPitch * em(k) && recurs(step(k))) &&
                !ruledTogether(k))
                flush();
            run.push_back(held[k].first);
            if (held[k].second >= 2) ++multi;
        }
        flush();
    }

    // Steps 2 to 7 for one run; rows all hold cells in [x0, x1).
    void analyseRun(const std::shared_ptr<const std::vector<int>>& rowList, double x0, double x1,
                    std::vector<Task>& next) {
        const std::vector<int>& rows = *rowList;
        std::vector<std::vector<int>> cells(rows.size());
        std::vector<int> multi;  // indices into rows
        std::size_t cellCount = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            cells[i] = cellsIn(rows[i], x0, x1);
            cellCount += cells[i].size();
            if (cells[i].size() >= 2) multi.push_back(static_cast<int>(i));
        }
        if (static_cast<int>(multi.size()) < kRuledTableRows) return;

        // A ruled table's columns are where its rules are, whatever gaps its
        // text leaves between them; elsewhere where the text leaves gutters.
        const std::vector<std::pair<double, double>> ruledLines = ruledBorders(rows, cells, multi);
        if (static_cast<int>(multi.size()) < kTableRows && ruledLines.empty()) return;
        std::vector<std::pair<double, double>> gutters = findGutters(cells, multi);
        if (!ruledLines.empty()) {
            const double from = ruledLines.front().first, to = ruledLines.back().second;
            std::vector<std::pair<double, double>> merged;
            for (const auto& g : gutters)
                if (g.second < from || g.first > to) merged.push_back(g);
            for (const auto& r : ruledLines)
                if (r.first > textLeft_ && r.second < textRight_) merged.push_back(r);
            // Text beside the table's frame (a column of the page) is no cell
            // of it.
            if (frameLeft_ > textLeft_ && frameLeft_ < from)
                merged.push_back({frameLeft_, frameLeft_});
            if (frameRight_ < textRight_ && frameRight_ > to)
                merged.push_back({frameRight_, frameRight_});
            std::sort(merged.begin(), merged.end());
            gutters = std::move(merged);
        }
        // A numbered code listing is read line by line, whatever its code
        // lines do across its columns.
        const bool listing = isNumberedListing(cells);

        // Step 3: rows with a cell across a gutter. A single cell (a
        // paragraph, a heading) cuts the run; kTableRows rows of cells that
        // do not fit the slots (with single cells between them) are a
        // structure of their own, read on their own; fewer (a header with
        // cells spanning columns) are borne.
        // (Gutters lie apart, left to right: a cell spans those that start
        // after its start and end before its end.)
        std::vector<char> misfit(rows.size(), 0);
        for (std::size_t i = 0; i < rows.size() && !listing; ++i) {
            for (int l : cells[i]) {
                const Line& line = set_.lines[l];
                auto g = std::upper_bound(gutters.begin(), gutters.end(), line.x0,
                                          [](double x, const std::pair<double, double>& gutter) {
                                              return x < gutter.first;
                                          });
                // A line that crosses a gutter only where a gap between its
                // words lies over it is two cells the line stage could not
                // part ("2-0  FPGA Rx FIFO fill status:", its neighbours
                // holding text on one side only): it fits.
                // Nor does a short line across a gutter narrower than a wide
                // word gap: cells of one column set off from one another (a
                // header's "Size" left of its numbers, its second line
                // "(bits)" across the strip between them), not a paragraph.
                const bool shortLine = line.x1 - line.x0 <= kShortCell * line.size;
                // Nor does one word that cannot break (an address, a path)
                // set under a cell of the row above, at its start, right of
                // a gutter: a cell too long for its column, running on over
                // the next ("Changelog of SDCC  sdcc/Changelog  online at:"
                // over "http://svn.code.sf.net/p/sdcc/code/trunk/").
                const bool overflow = g != gutters.begin() && i > 0 && line.wordStart.size() <= 1 &&
                                      startsUnderCell(line, cells[i - 1]);
                for (; g != gutters.end() && g->first < line.x1 && !misfit[i] && !overflow; ++g)
                    if (line.x1 > g->second && !partedAt(line, *g) &&
                        !(shortLine && g->second - g->first < kJoinGap * line.size))
                        misfit[i] = 1;
            }
        }
        charge(static_cast<long>(cellCount));
        std::vector<std::size_t> cuts;  // pieces are [cuts[k], cuts[k + 1])
        std::vector<char> skip(rows.size(), 0);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (misfit[i] && cells[i].size() == 1) {
                cuts.push_back(i);
                skip[i] = 1;
                cuts.push_back(i + 1);
            }
        }
        for (std::size_t i = 0; i < rows.size();) {
            if (!misfit[i] || cells[i].size() < 2) {
                ++i;
                continue;
            }
            // A group of misfit rows, single fitting cells between them.
            std::size_t end = i, count = 0;
            for (std::size_t k = i; k < rows.size(); ++k) {
                if (cells[k].size() >= 2 && !misfit[k]) break;
                if (cells[k].size() == 1 && misfit[k]) break;
                if (misfit[k]) {
                    ++count;
                    end = k + 1;
                }
            }
            if (count >= static_cast<std::size_t>(kTableRows) && count < multi.size()) {
                // With the single cells and the rows of short cells (a
                // header) next to it.
                auto borders = [&](std::size_t k) {
                    if (misfit[k]) return false;
                    for (int l : cells[k])
                        if (cells[k].size() > 1 && wordsWithLetters(set_.lines[l]) >= kProseWords)
                            return false;
                    return true;
                };
                std::size_t from = i;
                while (from > 0 && borders(from - 1)) --from;
                while (end < rows.size() && borders(end)) ++end;
                cuts.push_back(from);
                cuts.push_back(end);
            }
            i = end;
        }
        // A structure that, with the rows bordering it, leaves beside it no
        // piece of kTableRows rows is the run itself: it is read as it is,
        // its few rows across the gutters borne (taken apart, it would be
        // found again, and the rows left beside it would be read cell by
        // cell).
        if (!cuts.empty()) {
            cuts.push_back(0);
            cuts.push_back(rows.size());
            std::sort(cuts.begin(), cuts.end());
            cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
            int pieces = 0;
            for (std::size_t k = 0; k + 1 < cuts.size(); ++k)
                pieces += cuts[k + 1] - cuts[k] >= static_cast<std::size_t>(kTableRows);
            if (pieces <= 1 && std::count(skip.begin(), skip.end(), 1) == 0) cuts.clear();
        }
        if (!cuts.empty()) {
            // Each piece leaves out at least one row of the run.
            for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
                std::vector<int> piece;
                for (std::size_t i = cuts[k]; i < cuts[k + 1]; ++i)
                    if (!skip[i]) piece.push_back(rows[i]);
                if (piece.size() < static_cast<std::size_t>(kRuledTableRows) ||
                    piece.size() == rows.size())
                    continue;
                auto pieceRows = std::make_shared<const std::vector<int>>(std::move(piece));
                next.push_back({Task::Run, std::move(pieceRows), x0, x1, nullptr, {}});
            }
            return;
        }

        auto slotSet = std::make_shared<SlotSet>();
        std::vector<double>& bounds = slotSet->bounds;
        bounds.push_back(x0);
        for (const auto& g : gutters) bounds.push_back((g.first + g.second) / 2);
        bounds.push_back(x1);
        slotSet->slots = describeSlots(cells, multi, bounds);
        const std::vector<Slot>& slots = slotSet->slots;

        // The run's cells in each slot: a slot searched again (step 7)
        // must leave some of them out, or it would be this run again.
        std::vector<std::size_t> cellsInSlot(slots.size(), 0);
        for (const std::vector<int>& row : cells)
            for (int l : row) ++cellsInSlot[slotOfLine(bounds, set_.lines[l])];

        if (listing) {
            next.push_back({Task::Mark,
                            rowList,
                            x0,
                            x1,
                            slotSet,
                            {0, static_cast<int>(slots.size()) - 1},
                            true});
            return;
        }
        // Whether ruled borders part slots from first to last.
        auto ruledBetween = [&ruledLines, &bounds](int first, int last) {
            for (const auto& r : ruledLines)
                if (r.first > bounds[first] && r.second < bounds[last + 1]) return true;
            return false;
        };
        // Slot s starts at a ruled border: no column of a page starts there.
        std::vector<char> ruledStart(slots.size(), 0);
        for (std::size_t s = 1; s < slots.size(); ++s)
            for (const auto& r : ruledLines)
                ruledStart[s] =
                    ruledStart[s] || (r.first - 0.5 <= bounds[s] && bounds[s] <= r.second + 0.5);
        const bool ruled = ruledBetween(0, static_cast<int>(slots.size()) - 1);
        for (const std::pair<int, int>& group : independentGroups(
                 slots, cells, bounds, ruled, ruledStart,
                 ruled ? std::make_pair(frameLeft_, frameRight_) : std::make_pair(0.0, 0.0))) {
            if (exhausted()) return;
            double from = bounds[group.first], to = bounds[group.second + 1];
            if (isTable(slots, group, cells, multi, bounds,
                        ruledBetween(group.first, group.second))) {
                next.push_back({Task::Mark, rowList, from, to, slotSet, group});
            } else {
                for (int s = group.first; s <= group.second; ++s)
                    if (cellsInSlot[s] < cellCount)
                        next.push_back(
                            {Task::Runs, rowList, bounds[s], bounds[s + 1], nullptr, {}});
            }
        }
    }

    // The vertical rules of a ruled table over the run, left to right, as
    // strips: those the page draws across the text of kTableRows of its
    // multi-cell rows or more, each crossed by a horizontal rule, within the
    // run's extent or up to kFrameReach ems outside it (the table's frame).
    // Sets textLeft_ and textRight_ to the run's extent. None in text that
    // is not upright.
    std::vector<std::pair<double, double>> ruledBorders(const std::vector<int>& rows,
                                                        const std::vector<std::vector<int>>& cells,
                                                        const std::vector<int>& multi) {
        std::vector<std::pair<double, double>> borders;
        textLeft_ = std::numeric_limits<double>::infinity(), textRight_ = -textLeft_;
        frameLeft_ = textLeft_, frameRight_ = textRight_;
        for (const std::vector<int>& row : cells)
            for (int l : row)
                textLeft_ = std::min(textLeft_, set_.lines[l].x0),
                textRight_ = std::max(textRight_, set_.lines[l].x1);
        if (rows.empty() || set_.rows[rows.front()].rot != 0) return borders;
        const double reach = kFrameReach * set_.rows[rows.front()].size;
        const std::vector<Rect>& rules = set_.verticalRules;
        auto r = std::upper_bound(rules.begin(), rules.end(), textLeft_ - reach,
                                  [](double x, const Rect& rule) { return x < rule.x0; });
        for (int looked = 0; r != rules.end() && r->x1 < textRight_ + reach && looked < kMaxBorders;
             ++r, ++looked) {
            int across = 0;
            for (int i : multi) {
                const Row& row = set_.rows[rows[i]];
                across += r->y0 <= row.base - 0.5 * row.size && r->y1 >= row.base;
            }
            charge(static_cast<long>(multi.size()) + 1);
            if (across < std::min<int>(kTableRows, static_cast<int>(multi.size())) || !crossed(*r))
                continue;
            if (!borders.empty() && r->x0 - borders.back().second < kRuleThickness) {
                borders.back().second = std::max(borders.back().second, r->x1);
            } else {
                borders.push_back({r->x0, r->x1});
            }
        }
        return borders;
    }
    static constexpr double kFrameReach = 2;
    // Lines one under another in a band of a grid, enough to tell entries of
    // their own from a row's wrapped cells.
    static constexpr int kCrowdedBandPairs = 4;
    // Lines of several cells that a grid's row holds at most.
    static constexpr int kMaxRowLines = 16;
    // The share of a keyed table's rows that hold a key and its text.
    static constexpr double kKeyedFill = 0.8;
    // A line no wider than this many ems is a cell's, not a paragraph's.
    static constexpr double kShortCell = 6;
    static constexpr int kMaxBorders = 256;

    // Whether a horizontal rule crosses the vertical one: a table's rows
    // are ruled across its column borders, where a frame's edge (a figure's,
    // a note's beside running text) only meets the rules of its own corners.
    // The table's frame (frameLeft_, frameRight_) grows to the rule's ends.
    bool crossed(const Rect& vertical) {
        const std::vector<Rect>& rules = set_.horizontalRules;
        auto r = std::lower_bound(rules.begin(), rules.end(), vertical.y0 - kRuleThickness,
                                  [](const Rect& rule, double y) { return rule.y0 < y; });
        bool found = false;
        for (int looked = 0; r != rules.end() && r->y0 <= vertical.y1 + kRuleThickness &&
                             looked < kMaxBorders && !found;
             ++r, ++looked) {
            found = r->x0 < vertical.x0 - kRuleThickness && r->x1 > vertical.x1 + kRuleThickness;
            if (found)
                frameLeft_ = std::min(frameLeft_, r->x0),
                frameRight_ = std::max(frameRight_, r->x1);
            charge(1);
        }
        return found;
    }

    // Whether `line` starts where one of the lines `above` starts, within
    // half an em, as a cell's next line does.
    bool startsUnderCell(const Line& line, const std::vector<int>& above) const {
        for (int l : above)
            if (std::fabs(set_.lines[l].x0 - line.x0) <= 0.5 * line.size) return true;
        return false;
    }

    // Whether a gap of more than kJoinGap between two of the line's words
    // lies over the gutter.
    bool partedAt(const Line& line, const std::pair<double, double>& gutter) const {
        for (std::size_t w = 1; w < line.wordStart.size(); ++w) {
            const Item& before = items_[line.clusters[line.wordStart[w] - 1]];
            const Item& after = items_[line.clusters[line.wordStart[w]]];
            if (after.x0 - before.x1 > kJoinGap * line.size &&
                overlap(before.x1, after.x0, gutter.first, gutter.second) > 0)
                return true;
        }
        return false;
    }

    // A numbered listing: each row opens with a line number (its first
    // word digits alone; a wrapped line of a single cell may have none),
    // the numbers rising by one from row to row but for a tenth of the
    // steps (kGutterNoise), in kTableRows rows or more.
    bool isNumberedListing(const std::vector<std::vector<int>>& cells) const {
        long previous = -1;
        int numbered = 0, steps = 0, byOne = 0;
        for (const std::vector<int>& row : cells) {
            if (row.empty()) continue;
            const Line& first = set_.lines[row.front()];
            const std::size_t end =
                first.wordStart.size() > 1 ? first.wordStart[1] : first.clusters.size();
            long number = end <= kLineNumberDigits ? 0 : -1;
            for (std::size_t c = 0; c < end && number >= 0; ++c) {
                const char32_t code = items_[first.clusters[c]].code;
                number = code >= U'0' && code <= U'9' ? number * 10 + (code - U'0') : -1;
            }
            if (number < 0) {
                if (row.size() > 1) return false;
                continue;
            }
            if (previous >= 0) {
                if (number <= previous) return false;
                ++steps;
                byOne += number == previous + 1;
            }
            previous = number;
            ++numbered;
        }
        return numbered >= kTableRows && steps - byOne <= kGutterNoise * steps;
    }

    // Step 2: strips that the multi-cell rows leave free but for a tenth of
    // them (rounded: one of five to fourteen rows), at least kTableGutter
    // ems wide, with cells on both sides; a strip that leaves a slot holding
    // cells of no more rows than that tenth (or one) is no gutter.
    std::vector<std::pair<double, double>> findGutters(const std::vector<std::vector<int>>& cells,
                                                       const std::vector<int>& multi) {
        std::vector<std::pair<double, int>> events;
        std::vector<double> sizes;
        for (int i : multi) {
            for (int l : cells[i]) {
                events.push_back({set_.lines[l].x0, +1});
                events.push_back({set_.lines[l].x1, -1});
                sizes.push_back(set_.lines[l].size);
            }
        }
        std::sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
            return a.first < b.first || (a.first == b.first && a.second > b.second);
        });
        const int allowance =
            static_cast<int>(std::lround(kGutterNoise * static_cast<double>(multi.size())));
        const double minWidth = kTableGutter * median(sizes);
        std::vector<std::pair<double, double>> gutters;
        int coverage = 0;
        double lowFrom = 0;
        bool inLow = false, started = false;
        for (const auto& e : events) {
            int before = coverage;
            coverage += e.second;
            if (!started) {
                started = true;
                continue;  // the left edge of the first cell
            }
            if (before > allowance && coverage <= allowance) {
                lowFrom = e.first;
                inLow = true;
            } else if (before <= allowance && coverage > allowance && inLow) {
                if (e.first - lowFrom >= minWidth) gutters.push_back({lowFrom, e.first});
                inLow = false;
            }
        }
        // (A low stretch still open at the end is the right margin.)

        // Drop gutters that leave a slot (nearly) empty: with cells in
        // the run's rows, split or not, of no more rows than the tenth.
        std::size_t cellCount = 0;
        for (const std::vector<int>& row : cells) cellCount += row.size();
        for (bool changed = true; changed && !gutters.empty();) {
            changed = false;
            // A pass looks at every cell once; each drops a gutter.
            charge(static_cast<long>(cellCount + cells.size() + gutters.size()));
            if (exhausted()) return {};
            std::vector<double> middles;
            for (const auto& g : gutters) middles.push_back((g.first + g.second) / 2);
            std::vector<int> rowsIn(gutters.size() + 1, 0);
            std::vector<std::size_t> lastRow(gutters.size() + 1, cells.size());
            for (std::size_t i = 0; i < cells.size(); ++i) {
                for (int l : cells[i]) {
                    double centre = (set_.lines[l].x0 + set_.lines[l].x1) / 2;
                    std::size_t s = static_cast<std::size_t>(
                        std::lower_bound(middles.begin(), middles.end(), centre) - middles.begin());
                    if (lastRow[s] != i) ++rowsIn[s];
                    lastRow[s] = i;
                }
            }
            for (std::size_t s = 0; s < rowsIn.size(); ++s) {
                if (rowsIn[s] > std::max(allowance, 1)) continue;
                std::size_t drop = s == 0 ? 0 : s - 1;
                if (s > 0 && s < gutters.size() &&
                    gutters[s].second - gutters[s].first <
                        gutters[s - 1].second - gutters[s - 1].first)
                    drop = s;
                gutters.erase(gutters.begin() + static_cast<std::ptrdiff_t>(drop));
                changed = true;
                break;
            }
        }
        return gutters;
    }

    // Step 4: what each slot holds.
    std::vector<Slot> describeSlots(const std::vector<std::vector<int>>& cells,
                                    const std::vector<int>& multi,
                                    const std::vector<double>& bounds) const {
        const int count = static_cast<int>(bounds.size()) - 1;
        std::vector<Slot> slots(count);
        std::vector<bool> started(count, false);
        std::vector<bool> before(count, false);  // an entry in the row above
        int previous = -2;
        for (int i : multi) {
            std::vector<int> words(count, 0), firstLine(count, -1);
            std::vector<bool> allNumeric(count, true), any(count, false);
            for (int l : cells[i]) {
                const Line& line = set_.lines[l];
                int s = slotOfLine(bounds, line);
                Slot& slot = slots[s];
                if (!started[s]) slot.x0 = line.x0, slot.x1 = line.x1, started[s] = true;
                slot.x0 = std::min(slot.x0, line.x0);
                slot.x1 = std::max(slot.x1, line.x1);
                if (slotOf(bounds, line.x0) == s) slot.ownX1 = std::max(slot.ownX1, line.x1);
                if (slotOf(bounds, line.x1) == s) slot.ownX0 = std::min(slot.ownX0, line.x0);
                slot.sizes.push_back(line.size);
                any[s] = true;
                if (firstLine[s] < 0) firstLine[s] = l;
                allNumeric[s] = allNumeric[s] && isNumeric(textOf(line));
                words[s] += wordsWithLetters(line);
            }
            for (int s = 0; s < count; ++s) {
                if (any[s] && before[s] && previous == i - 1) {
                    ++slots[s].following;
                    const Line& line = set_.lines[firstLine[s]];
                    slots[s].lowerCase += chars::isLowerCase(items_[line.clusters.front()].code);
                }
                before[s] = any[s];
                if (!any[s]) continue;
                ++slots[s].entries;
                slots[s].numeric += allNumeric[s];
                slots[s].words.push_back(words[s]);
            }
            previous = i;
        }
        for (Slot& slot : slots) {
            if (slot.entries == 0) continue;
            slot.fill = static_cast<double>(slot.entries) / static_cast<double>(multi.size());
            if (slot.numeric >= kNumericShare * slot.entries)
                slot.kind = 'N';
            else if (median(slot.words) >= kProseWords)
                slot.kind = 'P';
        }
        return slots;
    }

    static int slotOf(const std::vector<double>& bounds, double x) {
        int s =
            static_cast<int>(std::upper_bound(bounds.begin(), bounds.end(), x) - bounds.begin()) -
            1;
        return std::clamp(s, 0, static_cast<int>(bounds.size()) - 2);
    }

    // The slot of a line: the one its middle lies in; but a line of one word
    // that starts within an em of a slot's start (its end, in right-to-left
    // script) and runs on over that slot's far edge is the slot's,
    // overflowing it: a word that cannot break, wider than its column
    // ("http://www.geckodrive.com/-" over the empty column beside its own).
    int slotOfLine(const std::vector<double>& bounds, const Line& line) const {
        const int middle = slotOf(bounds, (line.x0 + line.x1) / 2);
        if (line.wordStart.size() != 1) return middle;
        if (line.rightToLeftScript) {
            const int end = slotOf(bounds, line.x1);
            return end > middle && bounds[end + 1] - line.x1 <= line.size ? end : middle;
        }
        const int start = slotOf(bounds, line.x0);
        return start < middle && line.x0 - bounds[start] <= line.size ? start : middle;
    }

    std::u32string textOf(const Line& line) const {
        std::u32string text;
        for (int c : line.clusters)
            if (!items_[c].space) text += items_[c].code;
        return text;
    }

    int wordsWithLetters(const Line& line) const {
        int count = 0;
        for (std::size_t w = 0; w < line.wordStart.size(); ++w) {
            std::size_t end =
                w + 1 < line.wordStart.size() ? line.wordStart[w + 1] : line.clusters.size();
            for (std::size_t c = line.wordStart[w]; c < end; ++c) {
                if (chars::isLetter(items_[line.clusters[c]].code)) {
                    ++count;
                    break;
                }
            }
        }
        return count;
    }

    static double widthOf(const std::vector<Slot>& slots, int first, int last) {
        return slots[last].x1 - slots[first].x0;
    }

    // Step 5: the groups of slots that are read on their own, as ranges of
    // slot indices.
    std::vector<std::pair<int, int>> independentGroups(const std::vector<Slot>& slots,
                                                       const std::vector<std::vector<int>>& cells,
                                                       const std::vector<double>& bounds,
                                                       bool ruled,
                                                       const std::vector<char>& ruledStart,
                                                       std::pair<double, double> frame) {
        std::vector<std::pair<int, int>> groups, tail;
        int a = 0, b = static_cast<int>(slots.size()) - 1;
        // Running text beside a table; not inside a ruled table's frame,
        // where a column of cells set in their middles has few entries on
        // the rows' lines.
        auto inFrame = [&](int s) {
            return ruled && bounds[s + 1] > frame.first + 1 && bounds[s] < frame.second - 1;
        };
        while (a < b && slots[a].kind == 'P' && slots[a].fill < kTableFill && !inFrame(a)) {
            groups.push_back({a, a});
            ++a;
        }
        while (a < b && slots[b].kind == 'P' && slots[b].fill < kTableFill && !inFrame(b)) {
            tail.push_back({b, b});
            --b;
        }
        // Where rules part the slots, the slots inside the table's frame are
        // its columns; those beside it, each side, a group of their own.
        if (ruled) {
            int first = a, last = b;
            while (first < b && bounds[first + 1] <= frame.first + 1) ++first;
            while (last > first && bounds[last] >= frame.second - 1) --last;
            if (first > a) groups.push_back({a, first - 1});
            groups.push_back({first, last});
            if (last < b) groups.push_back({last + 1, b});
            groups.insert(groups.end(), tail.rbegin(), tail.rend());
            return groups;
        }
        // Two or more columns of text as wide as the columns of a page: each
        // starts a group of its own, with the narrower slots after it.
        std::vector<int> wide;
        for (int s = a; s <= b; ++s)
            if (slots[s].kind != 'N' &&
                slots[s].x1 - slots[s].x0 >= kColumnWidth * median(slots[s].sizes) &&
                !(wide.size() > 0 && ruledStart[s]))
                wide.push_back(s);
        if (wide.size() >= 2) {
            std::vector<std::pair<int, int>> columns;
            std::vector<int> unitOf(b - a + 1, 0);
            for (std::size_t k = 0; k < wide.size(); ++k) {
                int first = k == 0 ? a : wide[k];
                int last = k + 1 < wide.size() ? wide[k + 1] - 1 : b;
                columns.push_back({first, last});
                for (int s = first; s <= last; ++s) unitOf[s - a] = static_cast<int>(k);
            }
            // Columns of a page mostly hold lines on their own (their
            // baselines meet by chance); long cells of a table share rows.
            if (loneShare(cells, bounds, a, b, unitOf) >= kPageColumnsLone) {
                groups.insert(groups.end(), columns.begin(), columns.end());
                groups.insert(groups.end(), tail.rbegin(), tail.rend());
                return groups;
            }
        }
        int leading = 0;
        while (a + leading < b && slots[a + leading].kind == 'N') ++leading;
        const int start = a + leading, length = b - start + 1;
        int period = 0;
        // Line numbers number the lines of every column; numbers left empty
        // where the text beside them wraps are a table's keys ("0x00000001
        // DEBUG_GENERIC Schaltet generelle" over "Debug-Meldungen ein."),
        // and what follows them is one table.
        if (leading > 0 &&
            shareWithout(cells, bounds, {start, b}, {a, start - 1}, 0) > kGutterNoise)
            period = -1;
        for (int p = 1; p <= length / 2 && period == 0; ++p) {
            if (length % p != 0) continue;
            bool repeats = true, hasText = false;
            double narrowest = widthOf(slots, start, start + p - 1), widest = narrowest;
            for (int k = 0; k < p; ++k) hasText = hasText || slots[start + k].kind != 'N';
            for (int u = start + p; u <= b && repeats; u += p) {
                for (int k = 0; k < p; ++k)
                    repeats = repeats && slots[u + k].kind == slots[start + k].kind;
                double width = widthOf(slots, u, u + p - 1);
                narrowest = std::min(narrowest, width);
                widest = std::max(widest, width);
            }
            std::vector<int> unitOf(length);
            for (int k = 0; k < length; ++k) unitOf[k] = k / p;
            if (repeats && hasText && widest < kUnequalWidths * narrowest &&
                (hasNumbers(slots, start, p) ||
                 (loneShare(cells, bounds, start, b, unitOf) >= kTextColumnsLone &&
                  !(p >= 2 && rowsFillSlots(cells, bounds, start, b)))))
                period = p;
        }
        if (period <= 0) {
            groups.push_back({a, b});
        } else {
            groups.push_back({a, start + period - 1});
            for (int u = start + period; u <= b; u += period) groups.push_back({u, u + period - 1});
        }
        groups.insert(groups.end(), tail.rbegin(), tail.rend());
        return groups;
    }

    // Whether every row with cells in two or more of the slots from first to
    // last has a cell in each of them, but maybe the last: the rows of a
    // table whose last column wraps ("English | United Kingdom | Unicode
    // UTF-8 | /usr/share/man/" over "en_GB.10646") or holds a remark now and
    // then, where the lines of two columns of entries, each a term and its
    // text, leave slots empty wherever an entry's text wraps.
    bool rowsFillSlots(const std::vector<std::vector<int>>& cells,
                       const std::vector<double>& bounds, int first, int last) {
        int rows = 0;
        for (const std::vector<int>& row : cells) {
            charge(static_cast<long>(row.size()) + 1);
            std::vector<char> held(static_cast<std::size_t>(last - first + 1), 0);
            int count = 0;
            for (int l : row) {
                int s = slotOfLine(bounds, set_.lines[l]);
                if (s < first || s > last || held[s - first]) continue;
                held[s - first] = 1;
                ++count;
            }
            if (count < 2) continue;
            // (A table's last column may be left empty: a remark.)
            if (std::find(held.begin(), held.end() - 1, 0) != held.end() - 1) return false;
            ++rows;
        }
        return rows >= kTableRows;
    }

    static bool hasNumbers(const std::vector<Slot>& slots, int start, int period) {
        for (int k = 0; k < period; ++k)
            if (slots[start + k].kind == 'N') return true;
        return false;
    }

    // The share of the rows with text in the slots from first to last that
    // hold it in one unit only, unitOf giving each slot's unit (from first).
    // Columns whose lines wrap each on its own have many such rows; the
    // rows of a table fill its columns.
    double loneShare(const std::vector<std::vector<int>>& cells, const std::vector<double>& bounds,
                     int first, int last, const std::vector<int>& unitOf) {
        int lone = 0, shared = 0;
        for (const std::vector<int>& row : cells) {
            charge(static_cast<long>(row.size()) + 1);
            int firstUnit = -1;
            bool several = false;
            for (int l : row) {
                int s = slotOfLine(bounds, set_.lines[l]);
                if (s < first || s > last) continue;
                int unit = unitOf[s - first];
                if (firstUnit >= 0 && unit != firstUnit) several = true;
                if (firstUnit < 0) firstUnit = unit;
            }
            if (firstUnit < 0) continue;
            several ? ++shared : ++lone;
        }
        return lone + shared == 0 ? 0 : static_cast<double>(lone) / (lone + shared);
    }

    // Step 6.
    bool isTable(const std::vector<Slot>& slots, const std::pair<int, int>& group,
                 const std::vector<std::vector<int>>& cells, const std::vector<int>& multi,
                 const std::vector<double>& bounds, bool ruled) {
        if (group.first == group.second) return false;
        int rowsAcross = 0, rowsWithCells = 0;
        for (int i : multi) {
            charge(static_cast<long>(cells[i].size()) + 1);
            int first = -1, slotsHeld = 0, last = -1;
            bool across = false;
            for (int l : cells[i]) {
                int s = slotOfLine(bounds, set_.lines[l]);
                if (s < group.first || s > group.second) continue;
                if (first >= 0 && s != first) across = true;
                if (first < 0) first = s;
                slotsHeld += s != last;  // cells come left to right
                last = s;
            }
            rowsAcross += across;
            rowsWithCells += slotsHeld >= kSmallTableCells;
        }
        if (rowsAcross <
            (ruled ? std::min<int>(kTableRows, static_cast<int>(multi.size())) : kTableRows))
            return false;
        // A slot with a cell in one row only is a stray cell (a page
        // number, a note), no column; a number column needs a number in
        // as many rows as a table has.
        bool allProse = true, anyNumber = false;
        double narrowest = 0, widest = 0, smallest = 0, largest = 0;
        int columns = 0;
        for (int s = group.first; s <= group.second; ++s) {
            const Slot& slot = slots[s];
            if (slot.entries < 2) continue;
            allProse = allProse && slot.kind == 'P';
            anyNumber = anyNumber || (slot.kind == 'N' && slot.entries >= kTableRows);
            double width = slot.x1 - slot.x0, size = median(slot.sizes);
            if (columns++ == 0) narrowest = widest = width, smallest = largest = size;
            narrowest = std::min(narrowest, width);
            widest = std::max(widest, width);
            smallest = std::min(smallest, size);
            largest = std::max(largest, size);
        }
        if (columns < 2) return false;
        // Columns with rules between them are a ruled table's, whatever text
        // they hold.
        if (ruled || anyNumber) return true;
        if (allProse) return false;
        // Text beside text: a key / description table has keys that do not
        // run on from row to row as the lines of notes in a margin beside
        // running text do.
        // (A column whose cells are one word each, names or identifiers,
        // holds no lines of running text, in whatever case they start.)
        bool allRunOn = true;
        for (int s = group.first; s <= group.second; ++s) {
            allRunOn = allRunOn &&
                       (slots[s].entries < 2 || (slots[s].runsOn() && !slots[s].singleWords()));
        }
        if (allRunOn || largest > 1.15 * smallest) return false;
        if (widest >= kUnequalWidths * narrowest) return true;
        // Names of a word or two that do not run on, beside running text,
        // both in nearly every row, and a name hardly ever without its text:
        // keys and their descriptions, however wide the keys
        // ("CorrigeExercicesBaseTitleColor C2" beside its text); not two
        // columns of a page, as wide as each other to a hundredth.
        if (group.second == group.first + 1 && widest > 1.01 * narrowest) {
            const Slot& keys = slots[group.first];
            const Slot& text = slots[group.second];
            if (keys.kind == 'T' && !keys.runsOn() && median(keys.words) <= 2 && text.kind == 'P' &&
                keys.fill >= kKeyedFill && text.fill >= kKeyedFill &&
                shareWithout(cells, bounds, {group.first, group.first},
                             {group.first + 1, group.first + 1}, 1) <= kGutterNoise)
                return true;
        }
        // A small table: kTableRows rows with cells in kSmallTableCells
        // slots or more, though its columns be of like width; but no
        // running text, none as wide as a column of a page, and some cells
        // of several words (single words in every column are a list set in
        // columns: names, commands).
        bool phrases = false;
        for (int s = group.first; s <= group.second; ++s) {
            const Slot& slot = slots[s];
            if (slot.entries < 2) continue;
            if (slot.kind == 'P' || slot.x1 - slot.x0 >= kColumnWidth * median(slot.sizes))
                return false;
            phrases = phrases || median(slot.words) >= 2;
        }
        return phrases && rowsWithCells >= kTableRows;
    }

    // The share of the rows with a line in the slots `held` (first, last)
    // that have none in the slots `empty`; `none` when no row has one.
    double shareWithout(const std::vector<std::vector<int>>& cells,
                        const std::vector<double>& bounds, std::pair<int, int> held,
                        std::pair<int, int> empty, double none) {
        int withLine = 0, without = 0;
        for (const std::vector<int>& row : cells) {
            charge(static_cast<long>(row.size()) + 1);
            bool inHeld = false, inEmpty = false;
            for (int l : row) {
                const int s = slotOfLine(bounds, set_.lines[l]);
                inHeld = inHeld || (s >= held.first && s <= held.second);
                inEmpty = inEmpty || (s >= empty.first && s <= empty.second);
            }
            withLine += inHeld;
            without += inHeld && !inEmpty;
        }
        return withLine == 0 ? none : static_cast<double>(without) / withLine;
    }

    bool rightToLeft(const std::vector<int>& rows, double from, double to) {
        int rtl = 0, ltr = 0;
        for (int r : rows) {
            for (int l : cellsIn(r, from, to)) {
                for (int c : set_.lines[l].clusters) {
                    chars::Direction d = chars::direction(items_[c].code);
                    rtl += d == chars::Direction::RightToLeft;
                    ltr += d == chars::Direction::LeftToRight;
                }
            }
        }
        return rtl > ltr;
    }

    // Joins the rows of a table: the run's rows with cells in [from, to); a
    // numbered listing's line by line, whatever rules it draws.
    void markTable(const std::vector<int>& rows, double from, double to,
                   const std::vector<double>& bounds, const std::vector<Slot>& slots,
                   const std::pair<int, int>& group, bool listing) {
        const int table = tables_++;
        const bool rtl = rightToLeft(rows, from, to);
        if (!listing && markBands(rows, from, to, bounds, table, rtl)) return;
        const int key = rtl ? group.second : group.first;
        // Where each slot's cell of the last row joined ends: its index in
        // the join's cells, or -1.
        int current = -1, firstJoin = -1;
        bool rowSeen = false;
        std::vector<int> singles;  // single lines since the last row joined
        // The usual distance between the table's rows: a row much closer to
        // the one before than that wraps a cell of it.
        std::vector<double> gaps;
        double previousBase = std::numeric_limits<double>::quiet_NaN();
        for (int r : rows) {
            std::vector<int> cells = cellsIn(r, from, to);
            if (cells.empty()) continue;
            if (!std::isnan(previousBase)) gaps.push_back(set_.lines[cells[0]].base - previousBase);
            previousBase = set_.lines[cells[0]].base;
        }
        rowGap_ = median(gaps);
        previousBase = std::numeric_limits<double>::quiet_NaN();
        for (int r : rows) {
            std::vector<int> cells = cellsIn(r, from, to);
            if (cells.empty()) continue;
            const double base = set_.lines[cells[0]].base;
            const double gap = base - previousBase;
            previousBase = base;
            if (current >= 0) {
                std::vector<int> continued =
                    continuedCells(cells, bounds, slots, key, joins_[current]);
                // A table's first row, its header as a rule, goes on only
                // where its words do (in lower case, after a hyphen): a
                // header of two lines ("Size" over "(bits)") stays as printed.
                if (current == firstJoin) {
                    for (std::size_t k = 0; k < continued.size(); ++k) {
                        const Line& above = set_.lines[joins_[current].cells[continued[k]].back()];
                        const Line& line = set_.lines[cells[k]];
                        if (!chars::isLowerCase(items_[line.clusters.front()].code) &&
                            !isDash(items_[above.clusters.back()].code))
                            continued.clear();
                    }
                }
                for (std::size_t k = 0; k < continued.size(); ++k)
                    joins_[current].cells[continued[k]].push_back(cells[k]);
                if (!continued.empty()) continue;
            }
            if (cells.size() < 2) {
                if (rowSeen) singles.push_back(cells[0]);
                current = -1;
                continue;
            }
            Join join;
            join.table = table;
            join.rightToLeft = rtl;
            join.leadGap = std::isnan(gap) ? 0 : gap;
            for (int l : cells) join.cells.push_back({l});
            for (int l : singles) members_.push_back({l, table});
            singles.clear();
            rowSeen = true;
            current = static_cast<int>(joins_.size());
            if (firstJoin < 0) firstJoin = current;
            joins_.push_back(std::move(join));
        }
    }

    // A table whose rows horizontal rules part, two rules or more between
    // its first and last rows and one row of several cells between two rules
    // but in the first band that has one (its header, cells of several lines
    // set in their middles): each band between two rules is a row, whatever the
    // baselines of its lines (a row's cells set in its middle, a long cell's
    // lines above and below the others), its cells column by column, each
    // cell's lines top to bottom; lines before the first such row and after
    // the last (the paragraph above) are left as they are. False, with
    // nothing joined, for a table not so ruled (rules under a header and at
    // the foot only, say). Only a grid is so read: rows within the height of
    // its vertical rules.
    bool markBands(const std::vector<int>& rows, double from, double to,
                   const std::vector<double>& bounds, int table, bool rtl) {
        std::vector<std::pair<int, std::vector<int>>> held;  // (row, its cells)
        double left = std::numeric_limits<double>::infinity(), right = -left;
        for (int r : rows) {
            std::vector<int> cells = cellsIn(r, from, to);
            if (cells.empty()) continue;
            for (int l : cells)
                left = std::min(left, set_.lines[l].x0), right = std::max(right, set_.lines[l].x1);
            held.push_back({r, std::move(cells)});
        }
        if (held.size() < 2 || set_.rows[held.front().first].rot != 0) return false;
        // The grid's height: its vertical rules' inside the table, which the
        // rows taking part lie within (not a paragraph above the table).
        // A table ruled only across (no rule between its columns) is read
        // band by band all along.
        double gridTop = std::numeric_limits<double>::infinity(), gridBottom = -gridTop;
        const std::vector<Rect>& verticals = set_.verticalRules;
        auto v = std::upper_bound(verticals.begin(), verticals.end(), left,
                                  [](double x, const Rect& rule) { return x < rule.x0; });
        for (int looked = 0; v != verticals.end() && v->x1 < right && looked < kMaxBorders;
             ++v, ++looked)
            gridTop = std::min(gridTop, v->y0), gridBottom = std::max(gridBottom, v->y1);
        if (gridTop > gridBottom) std::swap(gridTop, gridBottom);
        held.erase(std::remove_if(held.begin(), held.end(),
                                  [&](const std::pair<int, std::vector<int>>& h) {
                                      const Row& row = set_.rows[h.first];
                                      return row.base < gridTop || row.base - row.size > gridBottom;
                                  }),
                   held.end());
        if (held.size() < 2) return false;
        const double top = set_.rows[held.front().first].base;
        const double bottom = set_.rows[held.back().first].base;
        std::vector<double> ys;  // the rules across the table, top to bottom
        const std::vector<Rect>& rules = set_.horizontalRules;
        auto r = std::upper_bound(rules.begin(), rules.end(), top,
                                  [](double y, const Rect& rule) { return y < rule.y0; });
        for (int looked = 0; r != rules.end() && r->y0 < bottom && looked < kMaxBorders;
             ++r, ++looked)
            if (overlap(r->x0, r->x1, left, right) >= 0.6 * (right - left))
                ys.push_back((r->y0 + r->y1) / 2);
        charge(static_cast<long>(held.size() + ys.size()) + 1);
        if (ys.size() < 2) return false;
        auto bandOf = [&ys](const Row& row) {
            return static_cast<std::size_t>(
                std::upper_bound(ys.begin(), ys.end(), row.base - 0.5 * row.size) - ys.begin());
        };
        std::vector<int> multiIn(ys.size() + 1, 0);
        for (const auto& [row, cells] : held)
            if (cells.size() >= 2) ++multiIn[bandOf(set_.rows[row])];
        const auto first =
            std::find_if(multiIn.begin(), multiIn.end(), [](int n) { return n > 0; });
        const auto last =
            std::find_if(multiIn.rbegin(), multiIn.rend(), [](int n) { return n > 0; });
        if (first == multiIn.end()) return false;
        const std::size_t firstBand = static_cast<std::size_t>(first - multiIn.begin());
        const std::size_t lastBand =
            multiIn.size() - 1 - static_cast<std::size_t>(last - multiIn.rbegin());
        const std::size_t slotCount = bounds.size() - 1;
        std::vector<std::vector<std::vector<int>>> bands(ys.size() + 1,
                                                         std::vector<std::vector<int>>(slotCount));
        for (const auto& [row, cells] : held) {
            auto& band = bands[bandOf(set_.rows[row])];
            for (int l : cells)
                band[static_cast<std::size_t>(slotOfLine(bounds, set_.lines[l]))].push_back(l);
        }
        if (!bandsAreRows(bands, multiIn, firstBand, lastBand, rtl)) return false;
        for (std::size_t b = firstBand; b <= lastBand; ++b) {
            if (multiIn[b] == 0) {  // a title, a note: lines of the table
                for (const std::vector<int>& cell : bands[b])
                    for (int l : cell) members_.push_back({l, table});
                continue;
            }
            Join join;
            join.table = table;
            join.rightToLeft = rtl;
            for (std::vector<int>& cell : bands[b])
                if (!cell.empty()) join.cells.push_back(std::move(cell));
            joins_.push_back(std::move(join));
        }
        return true;
    }

    // Whether the bands of a grid (bands[b][s]: the lines of band b in slot
    // s; multiIn[b]: its lines of several cells), from firstBand, its
    // header's, to lastBand, are its rows.
    bool bandsAreRows(const std::vector<std::vector<std::vector<int>>>& bands,
                      const std::vector<int>& multiIn, std::size_t firstBand, std::size_t lastBand,
                      bool rtl) const {
        const std::size_t slotCount = bands.front().size();
        // Rules that part the rows leave one row a band: in bands of several
        // lines of several cells, a line under another in a column mostly
        // wraps it (its first word would not have fitted there: "NPTL
        // problem under Red Hat 9.0, Red" over "Hat AS 3.0"; a key of one
        // line beside cells set in the row's middle). Where most such lines
        // are entries of their own (a reference card's commands and what
        // they do, a line each; names: "Abbott" over "Barlow"), the rules
        // part groups of rows, which are read row by row.
        // (And a table's body between the rules under its header and at its
        // foot is no row.)
        const long bodyBands = std::count_if(multiIn.begin() + firstBand + 1, multiIn.end(),
                                             [](int n) { return n > 0; });
        const bool crowded = std::any_of(multiIn.begin() + firstBand + 1, multiIn.end(),
                                         [](int n) { return n > 1; });
        if (crowded && bodyBands < 2) return false;
        // Of a column's lines, one under another, in each band and in all.
        std::vector<int> pairsIn(bands.size(), 0), entriesIn(bands.size(), 0);
        for (std::size_t s = 0; s < slotCount && crowded; ++s) {
            Slot column;
            column.x0 = std::numeric_limits<double>::infinity(), column.x1 = -column.x0;
            // (A key column of names, a word a line, is one of entries,
            // where none would fit beside another; a word broken at a
            // hyphen aside: a band of two of them is no row.)
            bool names = s == (rtl ? slotCount - 1 : 0);
            for (std::size_t b = firstBand + 1; b <= lastBand; ++b) {
                for (int l : bands[b][s]) {
                    const Line& line = set_.lines[l];
                    column.x0 = std::min(column.x0, line.x0);
                    column.x1 = std::max(column.x1, line.x1);
                    names = names && line.wordStart.size() == 1 &&
                            !isDash(items_[line.clusters.back()].code);
                }
            }
            for (std::size_t b = firstBand + 1; b <= lastBand; ++b) {
                const std::vector<int>& lines = bands[b][s];
                if (multiIn[b] < 2) continue;
                if (names && lines.size() > 1) return false;
                for (std::size_t k = 1; k < lines.size(); ++k, ++pairsIn[b])
                    entriesIn[b] +=
                        fitsAfter(set_.lines[lines[k - 1]], set_.lines[lines[k]], column, rtl);
            }
        }
        int pairs = 0, entries = 0;
        for (std::size_t b = 0; b < bands.size(); ++b) {
            // (A band of lines mostly entries of their own, or of more lines
            // of several cells than a row holds: a page's part under one
            // rule.)
            if (pairsIn[b] >= kCrowdedBandPairs && 2 * entriesIn[b] > pairsIn[b]) return false;
            if (multiIn[b] > kMaxRowLines) return false;
            pairs += pairsIn[b], entries += entriesIn[b];
        }
        return !(2 * entries >= pairs && pairs > 0);
    }

    // Wrapped cells: a row whose every line continues a cell of the join
    // (continuedCell), each a cell of its own ("Language codes of the world,
    // with | Library of" over "their alpha-3 forms | Congress"): the cells it
    // continues, in the order of its lines, or nothing. A row with a line in
    // a number column is a row of its own (but for a range's end that wrapped),
    // though its cells may line up with the row above: the lines of a code
    // listing do.
    //
    // A line in the key column that would start a row goes on with the key
    // above it when the rest of the row does, each of its lines wrapping a
    // cell and one under a cell broken at a hyphen, and the row leaves empty
    // a number column the join fills, as no row of its own would ("Granite  VSD-  125  125 …
    // http://granitedevices.fi/-" over "Devices  E/XE  Edge  assets/-").
    std::vector<int> continuedCells(const std::vector<int>& lines,
                                    const std::vector<double>& bounds,
                                    const std::vector<Slot>& slots, int key,
                                    const Join& join) const {
        std::vector<int> cells;
        int keyLine = -1;  // index in lines of a key line that starts a row
        for (int l : lines) {
            int c = continuedCell(l, bounds, slots, key, join, false);
            if (c < 0 && keyLine < 0 && slotOfLine(bounds, set_.lines[l]) == key) {
                keyLine = static_cast<int>(cells.size());
                cells.push_back(-1);
                continue;
            }
            if (c < 0 || std::find(cells.begin(), cells.end(), c) != cells.end()) return {};
            cells.push_back(c);
        }
        if (keyLine < 0) return cells;
        if (lines.size() < 2 || !leavesNumbersEmpty(lines, bounds, slots, join)) return {};
        // One of its lines at least surely goes on: under a cell broken at a
        // hyphen.
        if (std::none_of(cells.begin(), cells.end(), [&](int c) {
                return c >= 0 &&
                       isDash(items_[set_.lines[join.cells[c].back()].clusters.back()].code);
            }))
            return {};
        const int c = continuedCell(lines[keyLine], bounds, slots, key, join, true);
        if (c < 0 || std::find(cells.begin(), cells.end(), c) != cells.end()) return {};
        cells[keyLine] = c;
        return cells;
    }

    // Whether the join has a cell in a number column where none of `lines`
    // lies.
    bool leavesNumbersEmpty(const std::vector<int>& lines, const std::vector<double>& bounds,
                            const std::vector<Slot>& slots, const Join& join) const {
        for (const std::vector<int>& cell : join.cells) {
            const int s = slotOfLine(bounds, set_.lines[cell.front()]);
            if (slots[s].kind != 'N') continue;
            if (std::none_of(lines.begin(), lines.end(),
                             [&](int l) { return slotOfLine(bounds, set_.lines[l]) == s; }))
                return true;
        }
        return false;
    }

    // The cell of the join that `l` continues, aligned with it (or with a
    // column inside it: startsSubColumn) and of its size, in its slot, a
    // text slot; -1 for none.
    // rowGoesOn: the rest of the row goes on (continuedCells), and a key
    // line may too, whatever its case.
    int continuedCell(int l, const std::vector<double>& bounds, const std::vector<Slot>& slots,
                      int key, const Join& join, bool rowGoesOn) const {
        const Line& line = set_.lines[l];
        int s = slotOfLine(bounds, line);
        const bool numbers = slots[s].kind == 'N';
        for (std::size_t c = 0; c < join.cells.size(); ++c) {
            const std::vector<int>& cell = join.cells[c];
            const Line& first = set_.lines[cell.front()];
            const Line& last = set_.lines[cell.back()];
            if (numbers) {
                // A number starts a row of its own, but for the end of a
                // range that wrapped ("0.0 -" over "180.0"), under it (a
                // dash alone is no value, not a range).
                if (slotOfLine(bounds, first) == s && last.clusters.size() > 1 &&
                    isDash(items_[last.clusters.back()].code) &&
                    overlap(line.x0, line.x1, last.x0, last.x1) > 0 &&
                    std::fabs(line.size - last.size) <= 0.1 * last.size && line.base > last.base &&
                    line.base - last.base <= kContinuationPitch * last.size)
                    return static_cast<int>(c);
                continue;
            }
            // A cell that reaches over a gutter (a row the gutters were
            // found beside: "SBFCODED Integer", one line across the key and
            // type columns) is continued in any slot it lies over, aligned
            // with its start or under its later word.
            if (slotOfLine(bounds, first) != s &&
                (slotOf(bounds, first.x0) > s || slotOf(bounds, first.x1) < s))
                continue;
            double edge = join.rightToLeft ? first.x1 - line.x1 : line.x0 - first.x0;
            // The key column's cells start rows: a line there continues its
            // cell only when it goes on in lower case, maybe indented, or lies
            // closer to it than the row lies to the row before and than the
            // table's rows usually lie apart ("Installation Guide for the" over
            // "Debian Operating System" in a table whose rows are spaced apart).
            // A line under a word of the cell's first line that stands after
            // a wide gap continues a column inside the cell, in the key
            // column too: a new row starts at the key's own edge
            // ("ACSCALE  Integer" over "array").
            const bool subColumn = !join.rightToLeft && startsSubColumn(first, line);
            double indent = 0;
            if (s == key && !subColumn) {
                const double gap = (line.base - last.base) * 1.25;
                const bool closer = join.leadGap > 0 && gap <= join.leadGap && gap <= rowGap_;
                if (!closer && !rowGoesOn &&
                    !chars::isLowerCase(items_[line.clusters.front()].code))
                    continue;
                indent = 2 * line.size;
            }
            // The room a word had: the cells that start in the column; a key
            // that goes on with its row ends, at the latest, in the gutter
            // after it, whatever name overflowed its cell ("LinistepperTHB6064").
            double x0 = std::isfinite(slots[s].ownX0) ? slots[s].ownX0 : slots[s].x0;
            double x1 = std::isfinite(slots[s].ownX1) ? slots[s].ownX1 : slots[s].x1;
            if (rowGoesOn) x0 = std::max(x0, bounds[s]), x1 = std::min(x1, bounds[s + 1]);
            // A key column of single words (names, identifiers) holds no
            // wraps: "weber" over "tesla" are two rows.
            if (!subColumn && ((s == key && slots[s].singleWords() && !rowGoesOn) ||
                               fitsAfter(last, line, x0, x1, join.rightToLeft)))
                continue;
            // Running text wraps with the document's own leading, which may
            // be loose, and so does a word broken at a hyphen; other lines
            // farther apart than kContinuationPitch are rows of their own.
            const double pitch = slots[s].kind == 'P' || isDash(items_[last.clusters.back()].code)
                                     ? kLooseContinuationPitch
                                     : kContinuationPitch;
            const bool aligned =
                (edge >= -0.5 * line.size && edge <= 0.5 * line.size + indent) || subColumn;
            if (aligned && std::fabs(line.size - last.size) <= 0.1 * last.size &&
                line.base > last.base && line.base - last.base <= pitch * last.size &&
                !ruleBetween(last, line))
                return static_cast<int>(c);
        }
        return -1;
    }

    // Whether the first word of `line` would have fitted at the end of
    // `above` in a column reaching from x0 to x1: then `line` is no wrap of it
    // but an entry of its own ("de-DE" over "de-DE-1901", keys that start in
    // lower case). A line broken at a hyphen goes on.
    bool fitsAfter(const Line& above, const Line& line, const Slot& column,
                   bool rightToLeft) const {
        return fitsAfter(above, line, column.x0, column.x1, rightToLeft);
    }
    bool fitsAfter(const Line& above, const Line& line, double x0, double x1,
                   bool rightToLeft) const {
        if (above.clusters.empty() || line.clusters.empty()) return false;
        // (A word space of a third of an em, as wide as typesetters make it.)
        const double space = line.size / 3;
        if (rightToLeft) {  // the first word read is the rightmost
            if (isDash(items_[above.clusters.front()].code)) return false;
            const double wordStart = items_[line.clusters[line.wordStart.back()]].x0;
            return above.x0 - space - (line.x1 - wordStart) >= x0;
        }
        if (isDash(items_[above.clusters.back()].code)) return false;
        const double wordEnd =
            line.wordStart.size() > 1 ? items_[line.clusters[line.wordStart[1] - 1]].x1 : line.x1;
        return above.x1 + space + (wordEnd - line.x0) <= x1;
    }

    // Whether a horizontal rule the page draws lies between the lines, below
    // the descent of the one above and over half the one below: the border
    // between two rows of a ruled table (an underline lies closer).
    bool ruleBetween(const Line& above, const Line& below) const {
        if (below.rot != 0) return false;
        const std::vector<Rect>& rules = set_.horizontalRules;
        const double from = above.base + 0.25 * above.size, to = below.base - 0.75 * below.size;
        auto r = std::upper_bound(rules.begin(), rules.end(), from,
                                  [](double y, const Rect& rule) { return y < rule.y0; });
        for (int looked = 0; r != rules.end() && r->y0 < to && looked < 64; ++r, ++looked)
            if (overlap(r->x0, r->x1, below.x0, below.x1) >= 0.5 * (below.x1 - below.x0))
                return true;
        return false;
    }

    // Whether `line` starts under a word of the cell line `first` that stands
    // after a gap wider than a word space: a column inside the cell that the
    // gutter search did not find, whose text wraps ("No  The total number of
    // super blocks" over "in a frame.").
    bool startsSubColumn(const Line& first, const Line& line) const {
        for (std::size_t w = 1; w < first.wordStart.size(); ++w) {
            const Item& word = items_[first.clusters[first.wordStart[w]]];
            const Item& before = items_[first.clusters[first.wordStart[w] - 1]];
            if (word.x0 - before.x1 > kJoinGap * first.size &&
                std::fabs(line.x0 - word.x0) <= 0.5 * line.size)
                return true;
        }
        return false;
    }

    // Rebuilds the lines: each join becomes one line at the place of its
    // first cell.
    void apply() {
        const int lineCount = static_cast<int>(set_.lines.size());
        std::vector<int> headOf(lineCount, -1);  // join whose first cell line this is
        std::vector<char> absorbed(lineCount, 0);
        for (int j = 0; j < static_cast<int>(joins_.size()); ++j) {
            for (const std::vector<int>& cell : joins_[j].cells)
                for (int l : cell) absorbed[l] = 1;
            headOf[joins_[j].cells.front().front()] = j;
        }
        std::vector<int> tableOf(lineCount, -1);
        for (const auto& m : members_) tableOf[m.first] = m.second;

        std::vector<Line> lines;
        lines.reserve(set_.lines.size());
        for (int l = 0; l < lineCount; ++l) {
            if (headOf[l] >= 0) {
                lines.push_back(joined(joins_[headOf[l]]));
            } else if (!absorbed[l]) {
                lines.push_back(std::move(set_.lines[l]));
                lines.back().table = tableOf[l];
            }
        }
        set_.lines = std::move(lines);
    }

    Line joined(const Join& join) const {
        const Line& head = set_.lines[join.cells.front().front()];
        Line out;
        out.rot = head.rot;
        out.row = head.row;
        out.x0 = head.x0, out.x1 = head.x1, out.top = head.top, out.bottom = head.bottom;
        out.base = head.base;
        out.size = 0;
        out.table = join.table;
        int cellNumber = 0;
        const std::vector<Item>& items = items_;
        auto append = [&out, &cellNumber, &items](const Line& line, bool sameCell) {
            int offset = static_cast<int>(out.clusters.size());
            // A word that a hyphen breaks at the cell's line end, as in a
            // paragraph: a hyphen after a letter over a lower-case letter;
            // but a name set in a fixed-pitch font keeps its hyphen
            // ("stats-" over "eratio1," is "stats-eratio1,").
            const std::size_t n = out.clusters.size();
            const bool hyphenEnd = sameCell && n >= 2 &&
                                   chars::isHyphen(items[out.clusters[n - 1]].code) &&
                                   out.wordStart.back() < static_cast<int>(n) - 1;
            const int lastWord = static_cast<int>(out.wordStart.size()) - 1;
            // (A soft hyphen is the typesetter's, whatever the font.)
            if (hyphenEnd && items[out.clusters[n - 1]].fixedPitch &&
                items[out.clusters[n - 1]].code != U'\u00AD' &&
                items[line.clusters.front()].fixedPitch &&
                chars::isLetter(items[line.clusters.front()].code)) {
                out.keptHyphenWords.push_back(lastWord);
            } else if (hyphenEnd && chars::isLetter(items[out.clusters[n - 2]].code) &&
                       chars::isLowerCase(items[line.clusters.front()].code)) {
                out.hyphenWords.push_back(lastWord);
            }
            for (int w : line.wordStart) out.wordStart.push_back(offset + w);
            out.clusters.insert(out.clusters.end(), line.clusters.begin(), line.clusters.end());
            out.cellOf.insert(out.cellOf.end(), line.clusters.size(), cellNumber);
            out.x0 = std::min(out.x0, line.x0);
            out.x1 = std::max(out.x1, line.x1);
            out.top = std::min(out.top, line.top);
            out.bottom = std::max(out.bottom, line.bottom);
        };
        for (const std::vector<int>& cell : join.cells) {
            const Line& first = set_.lines[cell.front()];
            if (first.size > out.size) out.size = first.size, out.base = first.base;
            // Lines are laid out left to right: a right-to-left cell's later
            // lines go before its first, so that reading the row from the
            // right reads the cell from its first line.
            if (join.rightToLeft) {
                for (auto l = cell.rbegin(); l != cell.rend(); ++l) append(set_.lines[*l], false);
            } else {
                for (std::size_t k = 0; k < cell.size(); ++k) append(set_.lines[cell[k]], k > 0);
            }
            ++cellNumber;
        }
        return out;
    }

    LineSet& set_;
    const std::vector<Item>& items_;
    std::vector<int> rowStart_;
    std::vector<Join> joins_;
    std::vector<std::pair<int, int>> members_;  // (line, table) of single lines in a table
    int tables_ = 0;
    // The extent of the run analysed, and of the ruled table over it: its
    // horizontal rules' (ruledBorders).
    double textLeft_ = 0, textRight_ = 0, frameLeft_ = 0, frameRight_ = 0;
    double rowGap_ = 0;            // the median distance between rows of the table being joined
    long budget_ = 0, spent_ = 0;  // lines looked at: see kTableWorkPerLine
};

// Joins each line parted from the line before it only at a column's edge
// (Line::softStart) to that line again when no table holds either: the
// term of a definition list stays on the line of its text.
void rejoinSoftParts(LineSet& set) {
    std::vector<Line> lines;
    lines.reserve(set.lines.size());
    for (Line& line : set.lines) {
        if (line.softStart && line.table < 0 && !lines.empty() && lines.back().row == line.row &&
            lines.back().table < 0 && lines.back().cellOf.empty()) {
            Line& before = lines.back();
            const int offset = static_cast<int>(before.clusters.size());
            for (int w : line.wordStart) before.wordStart.push_back(offset + w);
            before.clusters.insert(before.clusters.end(), line.clusters.begin(),
                                   line.clusters.end());
            before.x0 = std::min(before.x0, line.x0);
            before.x1 = std::max(before.x1, line.x1);
            before.top = std::min(before.top, line.top);
            before.bottom = std::max(before.bottom, line.bottom);
            if (line.size > before.size) before.size = line.size, before.base = line.base;
            continue;
        }
        line.softStart = false;
        lines.push_back(std::move(line));
    }
    set.lines = std::move(lines);
}

}  // namespace

void joinTableRows(LineSet& set, const std::vector<Item>& items) {
    TableFinder(set, items).run();
    rejoinSoftParts(set);
}

}  // namespace layout
}  // namespace pdf
