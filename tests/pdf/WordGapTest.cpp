// Where words end on lines of unusual spacing, on PDFs built from code:
// fixed-width text whose word spaces are moves of one character cell, a
// letter-spaced word in a proportional font, and Arabic set with kashida and
// wide word spacing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/TextPage.h"
#include "support/BuiltPageText.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class WordGap : public BuiltPageText {};

// Courier, 10 points: every glyph is a 6-point cell. groff and pdfTeX set a
// space of fixed-width text as a move of one cell, not as a space glyph, so
// every gap on these lines is as wide as a letter: the lines are not
// letter-spaced words but words of one character. Below them, Helvetica
// set with 2 points (0.2 em) of letter spacing, its word space painted.
TEST_F(WordGap, FixedWidthSpacesSeparateWordsLetterSpacingDoesNot) {
    pdfbuild::DocumentSpec spec;
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "Cour",
                       "<< /Type /Font /Subtype /Type1 /BaseFont /Courier "
                       "/Encoding /WinAnsiEncoding >>"}};
    page.rawContent =
        "BT /Cour 10 Tf 1 0 0 1 72 700 Tm [(5) -600 (4) -600 (3) -600 (1) -600 (0)] TJ ET "
        "BT /Cour 10 Tf 1 0 0 1 72 686 Tm [(#) -600 (1) -600 (2) -600 (3) -600 (4)] TJ ET "
        "BT /Cour 10 Tf 1 0 0 1 72 672 Tm [(mov) -600 (eax,) -600 (1)] TJ ET "
        "BT /Helv 10 Tf 2 Tc 1 0 0 1 72 640 Tm (LETTER SPACED) Tj ET";
    spec.pages = {page};
    EXPECT_EQ(linesOf(spec),
              (std::vector<std::string>{"5 4 3 1 0", "# 1 2 3 4", "mov eax, 1", "LETTER SPACED"}));
}

// Arabic (a CID font with plain letters in its ToUnicode map, glyphs in
// visual order) justified with kashida and wide spacing, as word processors
// set it: the letters of a word touch, but where a tatweel stretches a word
// the producer leaves a gap of 0.1 em on each side of it; the words are
// apart by a painted space and 0.3 em more. Each word reads whole.
TEST_F(WordGap, ArabicSetWithKashidaReadsWordsWhole) {
    pdfbuild::DocumentSpec spec;
    // Letters of the words كتاب جميل مكتبة قلم, the tatweel and the space.
    const std::vector<std::pair<int, std::string>> letters = {
        {1, "\u0643"}, {2, "\u062A"}, {3, "\u0627"}, {4, "\u0628"},  {5, "\u062C"},  {6, "\u0645"},
        {7, "\u064A"}, {8, "\u0644"}, {9, "\u0629"}, {10, "\u0642"}, {11, "\u0640"}, {12, " "}};
    std::vector<pdfbuild::CidGlyph> glyphs;
    for (const auto& l : letters) glyphs.push_back({l.first, l.second, l.first == 12 ? 250 : 450});
    std::string font = pdfbuild::addHorizontalFont(spec, glyphs);
    auto g = [](int cid) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "<%04X>", cid);
        return std::string(hex);
    };
    const std::string gap = " -100 ";    // 0.1 em beside a tatweel
    const std::string space = " -300 ";  // wide spacing after a painted space
    // Visual order, left to right: قلم, مكتبة, جميل, كتاب each from its last
    // letter; مكـتبة and كـتاب stretched after their kaf.
    std::string tj = "[" + g(6) + g(8) + g(10) + g(12) + space;                  // قلم
    tj += g(9) + g(4) + g(2) + gap + g(11) + gap + g(1) + g(6) + g(12) + space;  // مكـتبة
    tj += g(8) + g(7) + g(6) + g(5) + g(12) + space;                             // جميل
    tj += g(4) + g(3) + g(2) + gap + g(11) + gap + g(1) + "] TJ";                // كـتاب
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "Ar", font}};
    page.rawContent = "BT /Ar 12 Tf 1 0 0 1 100 700 Tm " + tj + " ET";
    spec.pages = {page};
    EXPECT_EQ(linesOf(spec), (std::vector<std::string>{
                                 "\u0643\u0640\u062A\u0627\u0628 \u062C\u0645\u064A\u0644 "
                                 "\u0645\u0643\u0640\u062A\u0628\u0629 \u0642\u0644\u0645"}));
}

}  // namespace
