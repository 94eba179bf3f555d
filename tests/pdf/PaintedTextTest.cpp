// The one reading of a page's text, in content order: one element per text-showing operator,
// every glyph with all the characters of its mapping, its origin and box on the shown page;
// forms entered where (and as often as) they are painted; switched-off optional content left
// out; annotation and form-field appearances read after the page's own content.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/PaintedText.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr double kAscent = 0.718;  // Helvetica's published metrics
constexpr double kDescent = -0.207;

// The characters of an element's glyphs, in content order.
std::string textOf(const pdf::PaintedText& painted, const pdf::TextElement& element) {
    std::string text;
    for (int c = painted.glyphStart[element.firstGlyph];
         c < painted.glyphStart[element.firstGlyph + element.glyphCount]; ++c)
        text += testing_support::utf8Of(painted.chars[c].code);
    return text;
}

std::vector<std::string> elementTexts(const pdf::PaintedText& painted) {
    std::vector<std::string> texts;
    for (const pdf::TextElement& e : painted.elements) texts.push_back(textOf(painted, e));
    return texts;
}

const pdf::PaintedChar& glyph(const pdf::PaintedText& painted, int g) {
    return painted.chars[painted.glyphStart[g]];
}

double width(const std::string& text, double size) {
    return pdfbuild::textWidth(pdfbuild::textRun(0, 0, text, size));
}

class PaintedTextTest : public ::testing::Test {
  protected:
    pdf::PaintedText read(const pdfbuild::DocumentSpec& doc) {
        pdfbuild::writePdf(doc, dir.file("t.pdf"));
        pdf::Document document(dir.file("t.pdf"));
        return pdf::readPaintedText(document.page(1));
    }
    pdf::PaintedText read(const pdfbuild::PageSpec& page) {
        pdfbuild::DocumentSpec doc;
        doc.pages.push_back(page);
        return read(doc);
    }
    pdf::Library library;
    TempDir dir;
};

// One operator each: Tj, TJ with a kerning adjustment, ' and " after a leading, and word and
// character spacing.
TEST_F(PaintedTextTest, EveryShowingOperatorIsOneElementWithItsAdvances) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 10 Tf 14 TL 1 0 0 1 100 700 Tm (AB) Tj [(A) -500 (B)] TJ"
        " (next) ' 2 1 (w x) \" ET";
    pdf::PaintedText painted = read(page);
    EXPECT_EQ((std::vector<std::string>{"AB", "AB", "next", "w x"}), elementTexts(painted));
    ASSERT_EQ(4u, painted.elements.size());
    // Helvetica's A is 667/1000 em wide; the page is 792 high.
    EXPECT_NEAR(106.67, glyph(painted, 1).origin.x, 1e-3);
    EXPECT_NEAR(92, glyph(painted, 1).origin.y, 1e-3);
    // The second element starts where the first ended; -500 moves its B 5 pt on.
    EXPECT_NEAR(100 + 2 * 6.67, painted.elements[1].textMatrix.e, 1e-3);
    EXPECT_NEAR(100 + 2 * 6.67 + 6.67 + 5, glyph(painted, 3).origin.x, 1e-3);
    // ' moves to the next line: 14 below the line start.
    EXPECT_NEAR(686, painted.elements[2].textMatrix.f, 1e-3);
    EXPECT_NEAR(100, painted.elements[2].textMatrix.e, 1e-3);
    // " sets word spacing 2 and character spacing 1: w (722) + 1, then the space (278) + 1 + 2.
    EXPECT_NEAR(672, painted.elements[3].textMatrix.f, 1e-3);
    EXPECT_NEAR(100 + 7.22 + 1, glyph(painted, 9).origin.x, 1e-3);
    EXPECT_NEAR(100 + 7.22 + 1 + 2.78 + 1 + 2, glyph(painted, 10).origin.x, 1e-3);
    EXPECT_DOUBLE_EQ(10, painted.elements[0].fontSize);
    for (const pdf::TextElement& e : painted.elements) EXPECT_EQ(0, e.formDepth);
}

// "Hi" at 20 points, baseline at user (100, 700): page space has y down from the top of the
// 792-point page.
TEST_F(PaintedTextTest, BoxesRunOverTheAdvancesFromDescentToAscent) {
    pdfbuild::PageSpec page;
    page.texts = {pdfbuild::textRun(100, 700, "Hi", 20)};
    pdf::PaintedText painted = read(page);
    ASSERT_EQ(1u, painted.elements.size());
    const pdf::Rect& box = painted.elements[0].bbox;
    EXPECT_NEAR(100, box.x0, 1e-3);
    EXPECT_NEAR(100 + width("Hi", 20), box.x1, 1e-3);
    EXPECT_NEAR(700 + kDescent * 20, box.y0, 1e-3);
    EXPECT_NEAR(700 + kAscent * 20, box.y1, 1e-3);
    const pdf::PaintedChar& h = painted.chars[0];
    EXPECT_NEAR(100, h.quad[0].x, 1e-3);
    EXPECT_NEAR(92 - kDescent * 20, h.quad[0].y, 1e-3);
    EXPECT_NEAR(100 + width("H", 20), h.quad[2].x, 1e-3);
    EXPECT_NEAR(92 - kAscent * 20, h.quad[2].y, 1e-3);
    EXPECT_NEAR(20, h.size, 1e-3);
    EXPECT_DOUBLE_EQ(1, h.dirX);
}

TEST_F(PaintedTextTest, FormsAreEnteredWhereTheyArePaintedWithTheirMatrix) {
    pdfbuild::PageSpec page;
    page.forms = {{"Fm1", "BT /Helv 10 Tf 1 0 0 1 0 0 Tm (inside) Tj ET", {2, 0, 0, 2, 50, 60}}};
    page.rawContent =
        "BT /Helv 10 Tf 1 0 0 1 10 10 Tm (before) Tj ET q 1 0 0 1 5 5 cm /Fm1 Do Q"
        " BT /Helv 10 Tf 1 0 0 1 10 30 Tm (after) Tj ET";
    pdf::PaintedText painted = read(page);
    EXPECT_EQ((std::vector<std::string>{"before", "inside", "after"}), elementTexts(painted));
    ASSERT_EQ(3u, painted.elements.size());
    EXPECT_EQ(0, painted.elements[0].formDepth);
    EXPECT_EQ(1, painted.elements[1].formDepth);
    EXPECT_EQ(0, painted.elements[2].formDepth);
    // Form matrix, then the page's cm: the form's origin lands at user (55, 65).
    pdf::Point origin =
        painted.elements[1].textMatrix.then(painted.elements[1].ctm).apply(pdf::Point{0, 0});
    EXPECT_NEAR(55, origin.x, 1e-4);
    EXPECT_NEAR(65, origin.y, 1e-4);
    EXPECT_NEAR(55, glyph(painted, 6).origin.x, 1e-4);
    EXPECT_NEAR(792 - 65, glyph(painted, 6).origin.y, 1e-4);
}

// Regression: a form painted a second time was taken for the same text object again and its
// second painting lost.
TEST_F(PaintedTextTest, FormPaintedTwiceIsReadTwiceWhereItIsPainted) {
    pdfbuild::PageSpec page;
    page.forms = {{"Fm1", "BT /Helv 12 Tf 1 0 0 1 72 700 Tm (Order QX-1) Tj ET"}};
    page.rawContent = "q /Fm1 Do Q q 1 0 0 1 0 -100 cm /Fm1 Do Q";
    pdf::PaintedText painted = read(page);
    EXPECT_EQ((std::vector<std::string>{"Order QX-1", "Order QX-1"}), elementTexts(painted));
    EXPECT_NEAR(92, glyph(painted, 0).origin.y, 1e-3);
    EXPECT_NEAR(192, glyph(painted, 10).origin.y, 1e-3);
}

// Regression: lines placed with their own "cm" and the same text matrix, starting with the same
// glyph, were taken for one text object painted again; two of the four were lost.
TEST_F(PaintedTextTest, LinesPlacedWithCmThatStartAlikeAreAllRead) {
    pdfbuild::PageSpec page;
    const char* lines[] = {"Hello world", "Happy day", "Goodbye", "Great news"};
    for (int i = 0; i < 4; ++i) {
        page.rawContent += "q 1 0 0 1 0 " + std::to_string(-20 * i) +
                           " cm BT /Helv 12 Tf 1 0 0 1 72 700 Tm (" + lines[i] + ") Tj ET Q ";
    }
    pdf::PaintedText painted = read(page);
    EXPECT_EQ((std::vector<std::string>{"Hello world", "Happy day", "Goodbye", "Great news"}),
              elementTexts(painted));
    for (int i = 0; i < 4; ++i) {
        const pdf::TextElement& e = painted.elements[i];
        EXPECT_NEAR(92 + 20 * i, glyph(painted, e.firstGlyph).origin.y, 1e-3) << lines[i];
    }
}

// Text drawn filled and stroked in one operator (rendering mode 2) is one element.
TEST_F(PaintedTextTest, FilledAndStrokedTextIsOneElement) {
    pdfbuild::PageSpec page;
    page.rawContent = "BT /Helv 12 Tf 2 Tr 1 0 0 1 100 700 Tm (Bold) Tj ET";
    pdf::PaintedText painted = read(page);
    EXPECT_EQ((std::vector<std::string>{"Bold"}), elementTexts(painted));
    EXPECT_EQ(4, painted.glyphCount());
}

TEST_F(PaintedTextTest, FormThatPaintsItselfIsEnteredOnce) {
    pdfbuild::PageSpec page;
    page.forms = {{"Fm1", "BT /Helv 10 Tf (loop) Tj ET /Fm1 Do"}};
    page.rawContent = "/Fm1 Do";
    EXPECT_EQ((std::vector<std::string>{"loop"}), elementTexts(read(page)));
}

TEST_F(PaintedTextTest, InlineImagesArePassedOverAndBrokenContentEndsTheReading) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 10 Tf 1 0 0 1 10 10 Tm (one) Tj ET "
        "BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xff EI "
        "BT /Helv 10 Tf 1 0 0 1 10 30 Tm (two) Tj ET "
        "BT /Helv 10 Tf (three";
    std::vector<std::string> texts = elementTexts(read(page));
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ("one", texts[0]);
    EXPECT_EQ("two", texts[1]);
}

TEST_F(PaintedTextTest, CharactersOfCidFontsComeFromTheirToUnicodeMap) {
    pdfbuild::PageSpec page;
    page.texts = {pdfbuild::textRun(300, 500, "שלום", 14, true)};
    pdf::PaintedText painted = read(page);
    ASSERT_EQ(4, painted.glyphCount());
    // Stored in visual order: the last letter first.
    EXPECT_EQ(U'\u05DD', glyph(painted, 0).code);
    EXPECT_EQ(U'\u05E9', glyph(painted, 3).code);
}

// A Type 3 font: code 1 is the ligature glyph /fi, 2 is /l, 3 is /e.
pdfbuild::DocumentSpec ligatureDocument(const pdfbuild::UnicodeMap& toUnicode) {
    pdfbuild::DocumentSpec doc;
    std::string font =
        pdfbuild::addType3Font(doc, {{1, "fi", 600}, {2, "l", 250}, {3, "e", 500}}, toUnicode);
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "T3", font}};
    page.rawContent = "BT /T3 10 Tf 1 0 0 1 100 700 Tm <010203> Tj ET";
    doc.pages.push_back(page);
    return doc;
}

// Regression: of a ToUnicode mapping to two characters (as pdfTeX writes for "fi"), only the
// first was kept.
TEST_F(PaintedTextTest, GlyphMappedToTwoCharactersGivesBothInTwoHalves) {
    pdf::PaintedText painted = read(ligatureDocument({{1, "fi"}, {2, "l"}, {3, "e"}}));
    EXPECT_EQ((std::vector<std::string>{"file"}), elementTexts(painted));
    ASSERT_EQ(3, painted.glyphCount());
    EXPECT_EQ(2, painted.glyphStart[1]);  // f and i share glyph 0
    EXPECT_EQ(0, painted.chars[1].glyph);
    EXPECT_NEAR(100, painted.chars[0].quad[0].x, 1e-3);
    EXPECT_NEAR(103, painted.chars[0].quad[1].x, 1e-3);
    EXPECT_NEAR(103, painted.chars[1].quad[0].x, 1e-3);
    EXPECT_NEAR(106, painted.chars[1].quad[1].x, 1e-3);
}

// Regression: a ToUnicode map that gives control codes for ligatures ("signied") lost them; the
// encoding's glyph name says what the glyph is.
TEST_F(PaintedTextTest, ControlCodesFromAToUnicodeMapGiveWayToTheGlyphName) {
    pdf::PaintedText painted = read(ligatureDocument({{1, "\x0C"}, {2, "l"}, {3, "e"}}));
    EXPECT_EQ((std::vector<std::string>{"file"}), elementTexts(painted));
    // Without any map the glyph names alone give the text.
    EXPECT_EQ((std::vector<std::string>{"file"}), elementTexts(read(ligatureDocument({}))));
}

// What a code the ToUnicode map lacks (or maps to nothing usable) reads as, from the embedded
// font program: the character the font's Unicode cmap gives the code's glyph, else the glyph's
// name; only then the encoding's letter. Each row puts one glyph of Noto Serif Myanmar at code
// 0xC1 of a simple TrueType font (its /WinAnsiEncoding names "Aacute" there) and at CID 1 of an
// Identity-H font, each after a glyph the map has (ka). A code the map maps to nothing is no
// text of its own: the font is not asked (MuPDF, which drops such entries, gives the encoding's
// letter).
// Regression: Myanmar words read Latin-1 letters where the map lacked their codes.
TEST_F(PaintedTextTest, CodesTheToUnicodeMapLacksAreReadFromTheEmbeddedFont) {
    struct Case {
        const char* what;
        pdfbuild::TrueTypeGlyph glyph;  // its code is set per font
        const char* simpleText;         // what the row's code reads as in each font
        const char* cidText;
    };
    const Case cases[] = {
        // {} : the map lacks the code; "" : the map says "<code> <>".
        {"the map's entry first", {0, U'\u1001', true, "", "\u1010"}, "\u1010", "\u1010"},
        {"the font's cmap", {0, U'\u1001', true, "", {}}, "\u1001", "\u1001"},
        {"a control code in the map", {0, U'\u1001', true, "", "\x0C"}, "\u1001", "\u1001"},
        {"an entry of nothing", {0, U'\u1001', true, "", ""}, "\u00C1", ""},
        {"uni name", {0, U'\u1002', false, "uni1002", {}}, "\u1002", "\u1002"},
        {"u name", {0, U'\u1002', false, "u1000A", {}}, "\U0001000A", "\U0001000A"},
        {"Adobe name", {0, U'\u1002', false, "afii57636", {}}, "\u20AA", "\u20AA"},
        {"ligature name", {0, U'\u1002', false, "f_f_i.alt", {}}, "ffi", "ffi"},
        {"no name", {0, U'\u1002', false, "", {}}, "\u00C1", ""},
        {"g12", {0, U'\u1002', false, "g12", {}}, "\u00C1", ""},
        {"glyph123", {0, U'\u1002', false, "glyph123", {}}, "\u00C1", ""},
        {"cid00123", {0, U'\u1002', false, "cid00123", {}}, "\u00C1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pdfbuild::TrueTypeGlyph ka{0, U'\u1000', true, "", "\u1000"};
        pdfbuild::TrueTypeGlyph simple = c.glyph, cid = c.glyph;
        ka.code = 0xC0, simple.code = 0xC1;
        pdfbuild::DocumentSpec doc;
        pdfbuild::PageSpec page;
        page.resources = {{"Font", "TT", pdfbuild::addTrueTypeFont(doc, {ka, simple}, false)}};
        ka.code = 2, cid.code = 1;
        page.resources.push_back({"Font", "CT", pdfbuild::addTrueTypeFont(doc, {ka, cid}, true)});
        page.rawContent =
            "BT /TT 10 Tf 1 0 0 1 100 700 Tm <C0C1> Tj /CT 10 Tf 1 0 0 1 100 650 Tm <00020001> Tj "
            "ET";
        doc.pages.push_back(page);
        pdf::PaintedText painted = read(doc);
        ASSERT_EQ(4, painted.glyphCount());
        std::vector<std::string> texts(2);  // of each font, its unmapped glyph left out
        for (const pdf::PaintedChar& ch : painted.chars)
            if (!ch.unmapped) texts[ch.glyph / 2] += utf8Of(ch.code);
        EXPECT_EQ((std::vector<std::string>{std::string("\u1000") + c.simpleText,
                                            std::string("\u1000") + c.cidText}),
                  texts);
    }
}

TEST_F(PaintedTextTest, ContentInOptionalContentThatIsOffIsLeftOut) {
    pdfbuild::DocumentSpec doc;
    doc.objects.push_back({"<< /Type /OCG /Name (Draft) >>", std::nullopt});
    doc.catalog = {{"OCProperties", "<< /OCGs [@0] /D << /OFF [@0] >> >>"}};
    pdfbuild::PageSpec page;
    page.resources = {{"Properties", "Draft", "@0"}};
    page.forms = {{"Fm1", "BT /Helv 12 Tf 1 0 0 1 72 600 Tm (form copy) Tj ET"}};
    page.rawContent =
        "/OC /Draft BDC BT /Helv 12 Tf 1 0 0 1 72 700 Tm (hidden copy) Tj ET /Fm1 Do EMC "
        "BT /Helv 12 Tf 1 0 0 1 72 650 Tm (visible) Tj ET";
    doc.pages.push_back(page);
    pdf::PaintedText painted = read(doc);
    EXPECT_EQ((std::vector<std::string>{"visible"}), elementTexts(painted));
    EXPECT_EQ(0, painted.elements[0].firstGlyph);
}

// A filled-in form field and a free-text annotation show text on the page image; a widget that
// is no field (no /T) and a hidden annotation do not.
TEST_F(PaintedTextTest, AnnotationAndFieldAppearancesAreReadAfterThePageContent) {
    pdfbuild::DocumentSpec doc;
    std::string helv = pdfbuild::addHelveticaObject(doc);
    auto appearance = [&](const std::string& text) {
        doc.objects.push_back(
            {"<< /Type /XObject /Subtype /Form /BBox [0 0 100 20] /Resources "
             "<< /Font << /Helv " +
                 helv + " >> >> >>",
             "BT /Helv 10 Tf 2 5 Td (" + text + ") Tj ET"});
        return "@" + std::to_string(doc.objects.size() - 1);
    };
    std::string note = appearance("Note text");
    std::string field = appearance("Field value");
    std::string nameless = appearance("No field");
    std::string hidden = appearance("Hidden note");
    pdfbuild::PageSpec page;
    page.texts = {pdfbuild::textRun(72, 700, "Page text")};
    page.rawAnnotations = {
        "<< /Type /Annot /Subtype /FreeText /Rect [200 600 300 620] /AP << /N " + note + " >> >>",
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /Rect [200 500 300 520] /AP << /N " +
            field + " >> >>",
        "<< /Type /Annot /Subtype /Widget /Rect [200 400 300 420] /AP << /N " + nameless + " >> >>",
        "<< /Type /Annot /Subtype /FreeText /F 2 /Rect [200 300 300 320] /AP << /N " + hidden +
            " >> >>"};
    doc.pages.push_back(page);
    pdf::PaintedText painted = read(doc);
    EXPECT_EQ((std::vector<std::string>{"Page text", "Note text", "Field value"}),
              elementTexts(painted));
    ASSERT_EQ(3u, painted.elements.size());
    EXPECT_FALSE(painted.elements[0].annotation);
    EXPECT_TRUE(painted.elements[1].annotation);
    // The appearance's box is fitted to the annotation's rectangle: (2, 5) in it is user
    // (202, 605).
    const pdf::PaintedChar& n = glyph(painted, painted.elements[1].firstGlyph);
    EXPECT_NEAR(202, n.origin.x, 1e-3);
    EXPECT_NEAR(792 - 605, n.origin.y, 1e-3);
}

// Identity-V: codes 1, 2, 3 written down a column from user (300, 700) at 20 points.
TEST_F(PaintedTextTest, VerticalWritingRunsDownTheColumnOneEmAGlyph) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addVerticalFont(doc, {{1, "\u7E26"}, {2, "\u66F8"}, {3, "1"}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "V1", font}};
    page.rawContent = "BT /V1 20 Tf 1 0 0 1 300 700 Tm <000100020003> Tj ET";
    doc.pages.push_back(page);
    pdf::PaintedText painted = read(doc);
    ASSERT_EQ(3, painted.glyphCount());
    for (int g = 0; g < 3; ++g) {
        const pdf::PaintedChar& c = glyph(painted, g);
        EXPECT_NEAR(0, c.dirX, 1e-6);
        EXPECT_NEAR(1, c.dirY, 1e-6);
        EXPECT_NEAR(300, c.origin.x, 1e-3);
        EXPECT_NEAR(92 + 20 * g, c.origin.y, 1e-3);
        // One em across the column, centred on the pen; one em down.
        double x0 = std::min(c.quad[0].x, c.quad[2].x), x1 = std::max(c.quad[0].x, c.quad[2].x);
        double y0 = std::min(c.quad[0].y, c.quad[2].y), y1 = std::max(c.quad[0].y, c.quad[2].y);
        EXPECT_NEAR(290, x0, 1e-3);
        EXPECT_NEAR(310, x1, 1e-3);
        EXPECT_NEAR(92 + 20 * g, y0, 1e-3);
        EXPECT_NEAR(112 + 20 * g, y1, 1e-3);
    }
    EXPECT_EQ(U'\u7E26', glyph(painted, 0).code);
}

// Text under an opaque rectangle painted later is kept in the reading but marked hidden;
// invisible text (rendering mode 3) under it is not.
TEST_F(PaintedTextTest, TextUnderLaterOpaqueContentIsMarkedHidden) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 12 Tf 1 0 0 1 100 700 Tm (covered) Tj 3 Tr 1 0 0 1 100 650 Tm (ocr) Tj ET "
        "1 1 1 rg 90 640 200 80 re f";
    pdf::PaintedText painted = read(page);
    EXPECT_EQ((std::vector<std::string>{"covered", "ocr"}), elementTexts(painted));
    EXPECT_TRUE(glyph(painted, 0).hidden);
    EXPECT_FALSE(glyph(painted, 7).hidden);
}

}  // namespace
