// Text elements in content order: glyph origins, spacing operators, boxes,
// and forms entered where they are painted.
#include <gtest/gtest.h>

#include "fixtures/PdfBuilder.h"
#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/TextContent.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string textOf(const pdf::TextElement& element) {
    std::string text;
    for (const pdf::TextGlyph& g : element.glyphs) text += static_cast<char>(g.unicode);
    return text;
}

class TextContent : public ::testing::Test {
  protected:
    std::vector<pdf::TextElement> read(const fixtures::PageSpec& page) {
        fixtures::DocumentSpec doc;
        doc.pages.push_back(page);
        fixtures::writePdf(doc, dir.file("t.pdf"));
        pdf::Document document(dir.file("t.pdf"));
        return pdf::readTextElements(document, document.page(1));
    }
    pdf::Library library;
    TempDir dir;
};

// One operator each: Tj, TJ with a kerning adjustment, ' and " after a
// leading, and word and character spacing.
TEST_F(TextContent, EveryShowingOperatorIsOneElementWithItsAdvances) {
    fixtures::PageSpec page;
    page.rawContent =
        "BT /Helv 10 Tf 14 TL 1 0 0 1 100 700 Tm (AB) Tj [(A) -500 (B)] TJ"
        " (next) ' 2 1 (w x) \" ET";
    std::vector<pdf::TextElement> elements = read(page);
    ASSERT_EQ(4u, elements.size());
    EXPECT_EQ("AB", textOf(elements[0]));
    EXPECT_EQ("AB", textOf(elements[1]));
    EXPECT_EQ("next", textOf(elements[2]));
    EXPECT_EQ("w x", textOf(elements[3]));
    // Helvetica's A is 667/1000 em wide.
    EXPECT_DOUBLE_EQ(6.67, elements[0].glyphs[1].x);
    // The second element starts where the first ended; -500 moves B 5 pt on.
    EXPECT_DOUBLE_EQ(100 + 2 * 6.67, elements[1].textMatrix.e);
    EXPECT_DOUBLE_EQ(6.67 + 5, elements[1].glyphs[1].x);
    // ' moves to the next line: 14 below the line start.
    EXPECT_DOUBLE_EQ(686, elements[2].textMatrix.f);
    EXPECT_DOUBLE_EQ(100, elements[2].textMatrix.e);
    // " sets word spacing 2 and character spacing 1: w (722) + 1, then the
    // space (278) + 1 + 2.
    EXPECT_DOUBLE_EQ(672, elements[3].textMatrix.f);
    EXPECT_DOUBLE_EQ(7.22 + 1, elements[3].glyphs[1].x);
    EXPECT_DOUBLE_EQ(7.22 + 1 + 2.78 + 1 + 2, elements[3].glyphs[2].x);
    EXPECT_DOUBLE_EQ(10, elements[0].fontSize);
}

TEST_F(TextContent, BoxRunsOverTheAdvancesFromDescentToAscent) {
    fixtures::PageSpec page;
    page.texts = {{100, 700, "Hi", 20}};
    std::vector<pdf::TextElement> elements = read(page);
    ASSERT_EQ(1u, elements.size());
    const pdf::Rect& box = elements[0].bbox;
    EXPECT_NEAR(100, box.x0, 1e-6);
    EXPECT_NEAR(100 + fixtures::textWidth({100, 700, "Hi", 20}), box.x1, 1e-3);
    EXPECT_NEAR(700 - 0.207 * 20, box.y0, 1e-6);
    EXPECT_NEAR(700 + 0.718 * 20, box.y1, 1e-6);
}

TEST_F(TextContent, FormsAreEnteredWhereTheyArePaintedWithTheirMatrix) {
    fixtures::PageSpec page;
    page.forms = {{"Fm1", "BT /Helv 10 Tf 1 0 0 1 0 0 Tm (inside) Tj ET", {2, 0, 0, 2, 50, 60}}};
    page.rawContent =
        "BT /Helv 10 Tf 1 0 0 1 10 10 Tm (before) Tj ET q 1 0 0 1 5 5 cm /Fm1 Do Q"
        " BT /Helv 10 Tf 1 0 0 1 10 30 Tm (after) Tj ET";
    std::vector<pdf::TextElement> elements = read(page);
    ASSERT_EQ(3u, elements.size());
    EXPECT_EQ("before", textOf(elements[0]));
    EXPECT_EQ("inside", textOf(elements[1]));
    EXPECT_EQ("after", textOf(elements[2]));
    EXPECT_EQ(0, elements[0].formDepth);
    EXPECT_EQ(1, elements[1].formDepth);
    EXPECT_EQ(0, elements[2].formDepth);
    // Form matrix, then the page's cm: the form's origin lands at (55, 65).
    pdf::Point origin = elements[1].textMatrix.then(elements[1].ctm).apply(pdf::Point{0, 0});
    EXPECT_DOUBLE_EQ(55, origin.x);
    EXPECT_DOUBLE_EQ(65, origin.y);
    EXPECT_NEAR(55, elements[1].bbox.x0, 1e-9);
}

TEST_F(TextContent, FormThatPaintsItselfIsEnteredOnce) {
    fixtures::PageSpec page;
    page.forms = {{"Fm1", "BT /Helv 10 Tf (loop) Tj ET /Fm1 Do"}};
    page.rawContent = "/Fm1 Do";
    std::vector<pdf::TextElement> elements = read(page);
    ASSERT_EQ(1u, elements.size());
    EXPECT_EQ("loop", textOf(elements[0]));
}

TEST_F(TextContent, InlineImagesAreSkippedAndBrokenContentEndsTheWalk) {
    fixtures::PageSpec page;
    page.rawContent =
        "BT /Helv 10 Tf 1 0 0 1 10 10 Tm (one) Tj ET "
        "BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xff EI "
        "BT /Helv 10 Tf 1 0 0 1 10 30 Tm (two) Tj ET "
        "BT /Helv 10 Tf (three";
    std::vector<pdf::TextElement> elements = read(page);
    ASSERT_GE(elements.size(), 2u);
    EXPECT_EQ("one", textOf(elements[0]));
    EXPECT_EQ("two", textOf(elements[1]));
}

TEST_F(TextContent, UnicodeOfCidFontsComesFromTheirToUnicodeMap) {
    fixtures::PageSpec page;
    fixtures::TextRun hebrew{300, 500, "שלום", 14};
    hebrew.unicode = true;
    page.texts = {hebrew};
    std::vector<pdf::TextElement> elements = read(page);
    ASSERT_EQ(1u, elements.size());
    ASSERT_EQ(4u, elements[0].glyphs.size());
    // Stored in visual order: the last letter first.
    EXPECT_EQ(0x05DD, elements[0].glyphs[0].unicode);
    EXPECT_EQ(0x05E9, elements[0].glyphs[3].unicode);
}

}  // namespace
