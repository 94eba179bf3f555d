#include "pdf/text/DocumentWords.h"

#include <cmath>
#include <vector>

#include "pdf/Error.h"
#include "pdf/text/CharClass.h"
#include "pdf/text/PaintedText.h"
#include "pdf/text/TextLayout.h"

namespace pdf {
namespace {

char32_t asciiLower(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// The hyphens a word is written with: "-", the soft hyphen of fonts that put
// their hyphen at Latin-1's 0xAD, U+2010 and the non-breaking U+2011.
bool isWordHyphen(char32_t c) {
    return chars::isHyphen(c) || c == 0x2011;
}

std::u32string lowered(std::u32string text) {
    for (char32_t& c : text) c = asciiLower(c);
    return text;
}

}  // namespace

void WordRuns::addWord(std::u32string_view word) {
    std::u32string run, before;
    bool afterHyphen = false;
    // A path or an e-mail address: its hyphens are its own wherever it is
    // printed again.
    const bool address = (word.find(U'/') != word.npos && word.find(U'.') != word.npos) ||
                         word.find(U'@') != word.npos;
    auto endRun = [&](char32_t next) {
        if (run.empty()) return;
        ++runs_[run];
        if (afterHyphen) {
            std::u32string pair = before + U'-' + run;
            if (address) addressHyphened_.insert(pair);
            ++hyphened_[std::move(pair)];
        }
        afterHyphen = isWordHyphen(next);
        before = run;
        run.clear();
    };
    for (char32_t c : word) {
        if (chars::isLetter(c)) {
            run += asciiLower(c);
        } else {
            endRun(c);
            if (!isWordHyphen(c)) afterHyphen = false;
        }
    }
    endRun(0);
}

bool WordRuns::hyphenated(const std::u32string& left, const std::u32string& right) const {
    auto together = runs_.find(lowered(left + right));
    if (together == runs_.end()) return false;
    const std::u32string pair = lowered(left + U'-' + right);
    auto hyphened = hyphened_.find(pair);
    return hyphened == hyphened_.end() ||
           (addressHyphened_.count(pair) == 0 &&
            together->second >= kTogetherToHyphened * hyphened->second);
}

void WordRuns::addBrokenWord(std::u32string_view left, std::u32string_view right) {
    ++pieces_[lowered(std::u32string(left))];
    ++pieces_[lowered(std::u32string(right))];
}

bool WordRuns::writesWord(const std::u32string& run) const {
    const std::u32string key = lowered(run);
    auto written = runs_.find(key);
    if (written == runs_.end()) return false;
    auto piece = pieces_.find(key);
    return piece == pieces_.end() || written->second > piece->second;
}

bool WordRuns::writesHyphened(const std::u32string& left, const std::u32string& right) const {
    return hyphened_.count(lowered(left + U'-' + right)) > 0;
}

DocumentWords& DocumentWords::of(const Document& document) {
    std::shared_ptr<DocumentWords>& slot = document.wordsSlot();
    if (!slot) slot = std::make_shared<DocumentWords>(document);
    return *slot;
}

bool DocumentWords::hyphenated(const std::u32string& left, const std::u32string& right) {
    if (!read_) read();
    return runs_.hyphenated(left, right);
}

bool DocumentWords::writesWord(const std::u32string& run) {
    if (!read_) read();
    return runs_.writesWord(run);
}

bool DocumentWords::writesHyphened(const std::u32string& left, const std::u32string& right) {
    if (!read_) read();
    return runs_.writesHyphened(left, right);
}

bool DocumentWords::hyphenatesAddresses(const AddressBreak& addressBreak) {
    if (hyphenatesAddresses_ < 0) {
        if (!read_) read();
        int typesetters = 0, own = 0;
        for (const LineEnd& end : lineEnds_) {
            const HyphenPieces pieces = addressBreak(end.lastWord, end.nextLineFirstWord);
            if (pieces.first.empty()) continue;
            if (runs_.hyphenated(pieces.first, pieces.second))
                ++typesetters;
            else if (runs_.writesHyphened(pieces.first, pieces.second))
                ++own;
        }
        hyphenatesAddresses_ =
            typesetters >= kMinTypesetterBreaks && typesetters >= kTypesetterToOwn * own;
    }
    return hyphenatesAddresses_ == 1;
}

void DocumentWords::read() {
    read_ = true;
    int pages = 0;
    try {
        pages = document_.pageCount();
    } catch (const Error&) {
        return;
    }
    for (int number = 1; number <= pages && runs_.size() < kMaxRuns; ++number) {
        try {
            const Page page = document_.page(number);
            const PaintedText painted = readPaintedText(page);
            const Layout layout =
                layOutText(painted.chars, page.width(), page.height(), painted.rules);
            auto text = [&](const LaidOutWord& word) {
                return std::u32string_view(layout.code.data() + word.first,
                                           static_cast<std::size_t>(word.count));
            };
            for (const LaidOutWord& word : layout.words) runs_.addWord(text(word));
            // A word ending a line (a table cell's line too) in a hyphen
            // after a letter, over a word that starts with one.
            auto lineEnd = [&](const LaidOutWord& lastWord, const LaidOutWord& headWord) {
                const std::u32string_view last = text(lastWord), head = text(headWord);
                if (last.size() < 2 || !isWordHyphen(last.back()) ||
                    !chars::isLetter(last[last.size() - 2]) || head.empty() ||
                    !chars::isLetter(head.front()))
                    return;
                std::size_t leftStart = last.size() - 1;
                while (leftStart > 0 && chars::isLetter(last[leftStart - 1])) --leftStart;
                std::size_t rightEnd = 0;
                while (rightEnd < head.size() && chars::isLetter(head[rightEnd])) ++rightEnd;
                runs_.addBrokenWord(last.substr(leftStart, last.size() - 1 - leftStart),
                                    head.substr(0, rightEnd));
                if (last.find_first_of(U":/.@") != last.npos && lineEnds_.size() < kMaxBreaks)
                    lineEnds_.push_back({std::u32string(last), std::u32string(head)});
            };
            // In a table row, a cell's next line: its first word stands on a
            // later baseline and starts before the word before it ends.
            auto wrapsInCell = [&](const LaidOutWord& before, const LaidOutWord& after) {
                const PaintedChar& end =
                    painted.chars[layout.order[before.first + before.count - 1]];
                const PaintedChar& start = painted.chars[layout.order[after.first]];
                const double along = (start.origin.x - end.origin.x) * end.dirX +
                                     (start.origin.y - end.origin.y) * end.dirY;
                const double across = (start.origin.x - end.origin.x) * -end.dirY +
                                      (start.origin.y - end.origin.y) * end.dirX;
                return along < 0 && std::fabs(across) >= 0.5 * end.size;
            };
            for (std::size_t l = 0; l < layout.lines.size(); ++l) {
                const LaidOutLine& line = layout.lines[l];
                if (line.wordCount == 0) continue;
                if (line.tableRow)
                    for (int w = line.firstWord; w + 1 < line.firstWord + line.wordCount; ++w)
                        if (layout.words[w].count > 0 && layout.words[w + 1].count > 0 &&
                            wrapsInCell(layout.words[w], layout.words[w + 1]))
                            lineEnd(layout.words[w], layout.words[w + 1]);
                if (l + 1 < layout.lines.size() && layout.lines[l + 1].wordCount > 0)
                    lineEnd(layout.words[line.firstWord + line.wordCount - 1],
                            layout.words[layout.lines[l + 1].firstWord]);
            }
        } catch (const Error&) {
            // The page's own reading reports what is wrong with it.
        }
    }
}

}  // namespace pdf
