#include "pdf/text/DocumentWords.h"

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

}  // namespace

void WordRuns::addWord(std::u32string_view word) {
    std::u32string run, before;
    bool afterHyphen = false;
    auto endRun = [&](char32_t next) {
        if (run.empty()) return;
        runs_.insert(run);
        if (afterHyphen) hyphened_.insert(before + U'-' + run);
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
    std::u32string joined = left + right;
    for (char32_t& c : joined) c = asciiLower(c);
    std::u32string hyphened = joined;
    hyphened.insert(left.size(), 1, U'-');
    return runs_.count(joined) > 0 && hyphened_.count(hyphened) == 0;
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
            for (const LaidOutWord& word : layout.words)
                runs_.addWord(std::u32string_view(layout.code.data() + word.first,
                                                  static_cast<std::size_t>(word.count)));
        } catch (const Error&) {
            // The page's own reading reports what is wrong with it.
        }
    }
}

}  // namespace pdf
