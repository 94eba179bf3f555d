// Fuzz target: the page layout on its own, without a PDF. The bytes are a list of painted
// characters (LayoutInput.h: code, position, direction, size, advance, flags), laid out on a
// US Letter page by layOutText. It must end, in time linear in the characters, and read every
// character that is shown on the page at most once, its words and lines covering the reading
// order exactly; anything else stops the process.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/LayoutInput.h"
#include "pdf/text/TextLayout.h"

namespace {

void check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<pdf::PaintedChar> chars = fuzzlayout::decode(data, size);
    const pdf::Layout layout =
        pdf::layOutText(chars, fuzzlayout::kLayoutPageWidth, fuzzlayout::kLayoutPageHeight);

    check(layout.code.size() == layout.order.size());
    std::vector<char> read(chars.size(), 0);
    for (int src : layout.order) {
        check(src >= 0 && static_cast<std::size_t>(src) < chars.size());
        check(!chars[static_cast<std::size_t>(src)].hidden);
        check(read[static_cast<std::size_t>(src)]++ == 0);
    }
    // Words follow each other through the reading order, lines through the words.
    int nextChar = 0;
    for (const pdf::LaidOutWord& word : layout.words) {
        check(word.first == nextChar && word.count > 0);
        nextChar += word.count;
    }
    check(static_cast<std::size_t>(nextChar) == layout.order.size());
    int nextWord = 0;
    for (const pdf::LaidOutLine& line : layout.lines) {
        check(line.firstWord == nextWord && line.wordCount > 0);
        nextWord += line.wordCount;
    }
    check(static_cast<std::size_t>(nextWord) == layout.words.size());
    return 0;
}
