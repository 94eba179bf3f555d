// Marks of scripts beyond the Basic Multilingual Plane and of right-to-left scripts, read from
// PDFs whose ToUnicode maps write them as UTF-16 surrogate pairs: every mark is kept, on the
// letter it is drawn over, in reading order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/PaintedText.h"
#include "pdf/text/TextPage.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class ScriptMarksTest : public ::testing::Test {
  protected:
    // A page that shows `content` with the font of `glyphs` as /F1.
    pdf::Document& open(const std::vector<pdfbuild::CidGlyph>& glyphs, const std::string& content) {
        pdfbuild::DocumentSpec spec;
        std::string font = pdfbuild::addHorizontalFont(spec, glyphs);
        pdfbuild::PageSpec page;
        page.resources = {{"Font", "F1", font}};
        page.rawContent = content;
        spec.pages.push_back(page);
        std::string path = dir.file("marks" + std::to_string(++count) + ".pdf");
        pdfbuild::writePdf(spec, path);
        doc = std::make_unique<pdf::Document>(path);
        return *doc;
    }

    pdf::Library library;
    TempDir dir;
    std::unique_ptr<pdf::Document> doc;
    int count = 0;
};

// Wancho (left to right): letters U+1E2C0.., tone marks U+1E2EC.. of no advance. Glyphs 1 to 3
// are letters, 4 and 5 tone marks, 6 one glyph for a letter and its mark together, 7 a space,
// 0xFF a glyph mapped to a control code, which is no character.
const std::vector<pdfbuild::CidGlyph> kWancho = {
    {1, "\U0001E2C0", 600}, {2, "\U0001E2C1", 600}, {3, "\U0001E2C2", 600},
    {4, "\U0001E2EC", 0},   {5, "\U0001E2ED", 0},   {6, "\U0001E2C2\U0001E2EE", 600},
    {7, " ", 250},          {0xFF, "\x01", 300}};

// Regression: a glyph whose ToUnicode entry is two surrogate pairs (a letter and its tone mark)
// read as no character at all, and a tone mark of no advance, drawn over the letter before it,
// was boxed after its pen and given to the letter after it, or lost with a glyph that maps to
// nothing.
TEST_F(ScriptMarksTest, SupplementaryPlaneToneMarksStayOnTheirLetters) {
    pdf::Document& d = open(kWancho,
                            "BT /F1 10 Tf 1 0 0 1 100 700 Tm "
                            "<0001000400020005000300070006000100070001000400FF00050002> Tj ET");
    pdf::PaintedText painted = pdf::readPaintedText(d.page(1));
    // The joined glyph (number 6) gives both characters, the mark on the letter's whole box.
    ASSERT_EQ(14, painted.glyphCount());
    int joined = painted.glyphStart[6];
    ASSERT_EQ(2, painted.glyphStart[7] - joined);
    EXPECT_EQ(U'\U0001E2C2', painted.chars[joined].code);
    EXPECT_EQ(U'\U0001E2EE', painted.chars[joined + 1].code);
    EXPECT_TRUE(painted.chars[joined + 1].mark);
    EXPECT_NEAR(painted.chars[joined].quad[0].x, painted.chars[joined + 1].quad[0].x, 1e-6);
    EXPECT_NEAR(painted.chars[joined].quad[1].x, painted.chars[joined + 1].quad[1].x, 1e-6);
    // A mark glyph of no advance lies back over the letter before its pen.
    const pdf::PaintedChar& mark = painted.chars[painted.glyphStart[1]];
    EXPECT_TRUE(mark.mark);
    EXPECT_NEAR(106, mark.quad[1].x, 1e-3);
    EXPECT_NEAR(101, mark.quad[0].x, 1e-3);

    // Glyph 0xFF maps to nothing: the mark drawn over it goes to the nearer letter, the one
    // before it, instead of being lost with it.
    pdf::TextPage text(d.page(1));
    EXPECT_EQ(
        "\U0001E2C0\U0001E2EC\U0001E2C1\U0001E2ED\U0001E2C2 \U0001E2C2\U0001E2EE\U0001E2C0 "
        "\U0001E2C0\U0001E2EC\U0001E2ED\U0001E2C1",
        text.text());
    // Each mark's character follows its letter's, and every mark is a character of the text.
    int marks = 0;
    for (const pdf::TextChar& c : text.chars()) marks += c.code >= 0x1E2EC && c.code <= 0x1E2EF;
    EXPECT_EQ(5, marks);
}

// Adlam (right to left, beyond U+FFFF) and Arabic with its vowel marks, glyphs in visual order
// as producers write them: a mark of no advance with its origin where its letter ends, set by
// a TJ adjustment before the letter (shaping engines put a right-to-left cluster's mark first)
// or shown after it. The text has each mark after its letter, in reading order.
TEST_F(ScriptMarksTest, RightToLeftMarksStayOnTheirLettersInReadingOrder) {
    pdf::Document& adlam = open({{1, "\U0001E900", 600},
                                 {2, "\U0001E901", 600},
                                 {3, "\U0001E902", 600},
                                 {4, "\U0001E944", 0},
                                 {5, "\U0001E945", 0},
                                 {6, " ", 250}},
                                // Reading order: 1E900+1E944 1E901 1E902+1E945, space, 1E900.
                                "BT /F1 10 Tf 1 0 0 1 100 700 Tm "
                                "[<0001 0006> -600 <0005> 600 <0003 0002> -600 <0004> 600 <0001>] "
                                "TJ ET");
    EXPECT_EQ("\U0001E900\U0001E944\U0001E901\U0001E902\U0001E945 \U0001E900",
              pdf::TextPage(adlam.page(1)).text());

    // كَتَبَ بِسْمِ: positional forms (the letters behind them are read) and the marks fatha
    // U+064E, kasra U+0650, sukun U+0652. The second word (on the left) has its marks after
    // their letters, the first one before them.
    pdf::Document& arabic = open({{1, "\uFEDB", 500},  // kaf, initial
                                  {2, "\uFE98", 300},  // teh, medial
                                  {3, "\uFE90", 600},  // beh, final
                                  {4, "\uFE91", 300},  // beh, initial
                                  {5, "\uFEB4", 500},  // seen, medial
                                  {6, "\uFEE2", 500},  // meem, final
                                  {7, "\u064E", 0},
                                  {8, "\u0650", 0},
                                  {9, "\u0652", 0},
                                  {10, " ", 250}},
                                 "BT /F1 10 Tf 1 0 0 1 100 700 Tm "
                                 "[<0006 0008 0005 0009 0004 0008 000A> -600 <0007> 600 <0003> "
                                 "-300 <0007> 300 <0002> -500 <0007> 500 <0001>] TJ ET");
    EXPECT_EQ("\u0643\u064E\u062A\u064E\u0628\u064E \u0628\u0650\u0633\u0652\u0645\u0650",
              pdf::TextPage(arabic.page(1)).text());
}

}  // namespace
