// Where "recognizelinks" puts a match: on its own glyphs, in every direction text can run on
// the shown page, one rectangle per line of a match over a line break, never a rectangle with
// a side of 0 or less. Left-to-right horizontal text runs from its first glyph's advance to the
// end of its last one's (RecognitionTest); everything else is the bounding box of the matched
// glyphs' boxes on the shown page.
#include <gtest/gtest.h>

#include <algorithm>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/PaintedText.h"
#include "pdf/text/TextPage.h"
#include "pdf/text/TextSearch.h"
#include "recognition/HitInfoLocator.h"
#include "support/Pattern.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// Helvetica's published metrics, which the glyph boxes use.
constexpr double kAscent = 0.718;
constexpr double kDescent = -0.207;

double width(const std::string& text, double size = 12) {
    return pdfbuild::textWidth(pdfbuild::textRun(0, 0, text, size));
}

std::string locOf(const std::string& link) {
    Match m = Pattern("loc=\"([^\"]*)\"").search(link);
    return m ? m.str(1) : "";
}

class Location : public ::testing::Test {
  protected:
    // The loc values of the links recognised on page 1, in order.
    std::vector<std::string> locate(const pdfbuild::DocumentSpec& doc, const std::string& regexp) {
        std::string pdf = dir.file("in.pdf");
        pdfbuild::writePdf(doc, pdf);
        publishPageRecords(dir, pdf);
        RunResult result = runJob(dir, linksJob(dir, pdf, {{regexp}}));
        EXPECT_EQ(0, result.status) << result.out;
        links = linksOf(readFile(dir.file("Page_1.xml")));
        std::vector<std::string> locs;
        for (const std::string& link : links) locs.push_back(locOf(link));
        return locs;
    }
    std::vector<std::string> locate(const pdfbuild::PageSpec& page, const std::string& regexp) {
        pdfbuild::DocumentSpec doc;
        doc.pages.push_back(page);
        return locate(doc, regexp);
    }
    TempDir dir;
    std::vector<std::string> links;
};

// "Call 4242 now" set horizontally in user space at (100, 500), on pages turned by /Rotate:
// the rectangle is the box of the glyphs of "4242" where the turned page shows them.
TEST_F(Location, TextOnTurnedPagesGetsTheBoxOfItsGlyphs) {
    const double x0 = 100 + width("Call "), x1 = 100 + width("Call 4242");
    const double y0 = 500 + kDescent * 12, y1 = 500 + kAscent * 12;
    struct Case {
        int rotate;
        std::string expected;
    };
    // The page is 612 x 792; user (x, y) is shown at (y, x) turned by 90, at (612 - x, y) by
    // 180, at (792 - y, 612 - x) by 270.
    const Case cases[] = {
        {90, loc(y0, x0, y1 - y0, x1 - x0)},
        {180, loc(612 - x1, y0, x1 - x0, y1 - y0)},
        {270, loc(792 - y1, 612 - x1, y1 - y0, x1 - x0)},
    };
    for (const Case& c : cases) {
        pdfbuild::PageSpec page;
        page.rotate = c.rotate;
        page.texts = {pdfbuild::textRun(100, 500, "Call 4242 now")};
        EXPECT_EQ((std::vector<std::string>{c.expected}), locate(page, "\\d+")) << c.rotate;
    }
}

// Regression: upright left-to-right text inside its element ended half its effective font size
// (font size times the vertical scale of text matrix and graphics matrix) past its last glyph's
// origin, which misses the glyph's end wherever the advance is scaled apart from that size. A
// negative font size in a text matrix turned half way (upright on the page) put the end half a
// size before the origin: "4242" got 15 of its 27 points. Horizontal scaling and a stretched
// graphics matrix fell short by most of the last glyph, and so, by the glyph's advance less half
// a size, did a CID font listing its widths out of CID order shown by several operators with TJ
// kerning. Every rectangle now spans its glyphs' advances, as the text layer's box does.
TEST_F(Location, RectangleSpansItsGlyphsAdvancesHoweverTheyArePlaced) {
    const double tel = width("Tel "), digits = width("4242");
    struct Case {
        const char* what;
        std::string content;
        double start, width, ascent;
    };
    const Case cases[] = {
        {"negative font size", "BT /Helv -1 Tf -12 0 0 -12 100 700 Tm (Tel 4242 ok) Tj ET",
         100 + tel, digits, kAscent},
        {"horizontal scaling", "BT /Helv 12 Tf 200 Tz 1 0 0 1 100 700 Tm (Tel 4242 ok) Tj ET",
         100 + 2 * tel, 2 * digits, kAscent},
        {"stretched graphics matrix",
         "q 3 0 0 1 0 0 cm BT /Helv 12 Tf 1 0 0 1 30 700 Tm (Tel 4242 ok) Tj ET Q", 90 + 3 * tel,
         3 * digits, kAscent},
        // "abcabx": a 0.5 em, b, c, x 0.6 em; the kerning moves the last b 1.2 points on.
        {"CID widths out of order",
         "BT /H1 12 Tf 1 0 0 1 100 700 Tm <0032> Tj <000A000B> Tj [<0032> -100 <000A000C>] TJ ET",
         100, 6 + 7.2 + 7.2 + 6 + 1.2 + 7.2, 0.8},
    };
    for (const Case& c : cases) {
        pdfbuild::DocumentSpec doc;
        const std::string font = pdfbuild::addHorizontalFont(
            doc, {{50, "a", 500}, {10, "b", 600}, {11, "c", 600}, {12, "x", 600}});
        pdfbuild::PageSpec page;
        page.resources = {{"Font", "H1", font}};
        page.rawContent = c.content;
        doc.pages.push_back(page);
        const double top = 792 - (700 + c.ascent * 12);
        EXPECT_EQ((std::vector<std::string>{loc(c.start, top, c.width, 92 - top)}),
                  locate(doc, "\\d+|[abc]+"))
            << c.what;
    }
}

// A word that runs over the page's right or left edge (612 x 792) is read whole, as its
// producer wrote it, and linked where the page shows it: cut at the edge. Regression: the
// glyphs past the edge were dropped and the link led to a cut address.
TEST_F(Location, WordOverThePageEdgeIsFoundWholeAndLinkedWhereShown) {
    const std::string digits = "4242424242";
    struct Case {
        double x;
        std::string expected;
    };
    const double top = 792 - (700 + kAscent * 12);
    const Case cases[] = {
        {590, loc(590, top, 612 - 590, 92 - top)},
        {-40, loc(0, top, width(digits) - 40, 92 - top)},
    };
    for (const Case& c : cases) {
        pdfbuild::PageSpec page;
        page.texts = {pdfbuild::textRun(c.x, 700, digits + " ok")};
        EXPECT_EQ((std::vector<std::string>{c.expected}), locate(page, "\\d+")) << c.x;
        ASSERT_EQ(1u, links.size()) << c.x;
        EXPECT_NE(std::string::npos, links[0].find(" text=\"" + digits + "\"")) << links[0];
    }
}

// Text mirrored left to right (it runs leftwards from x 300) and text upside down. Of two
// directions with as many characters, upside down is read before mirrored.
TEST_F(Location, MirroredAndUpsideDownTextGetTheBoxOfItsGlyphs) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 12 Tf -1 0 0 1 300 700 Tm (QX-77) Tj ET "
        "BT /Helv 12 Tf -1 0 0 -1 300 600 Tm (QX-88) Tj ET";
    const double w = width("QX-77");
    const double h = 12 * (kAscent - kDescent);
    EXPECT_EQ((std::vector<std::string>{loc(300 - w, 192 + kDescent * 12, w, h),
                                        loc(300 - w, 92 - kAscent * 12, w, h)}),
              locate(page, "QX-\\d+"));
}

// Identity-V: the digits 1, 2, 3 written down a column from user (300, 700) at 20 points.
TEST_F(Location, VerticalWritingGetsTheColumnOfItsGlyphs) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addVerticalFont(doc, {{1, "1"}, {2, "2"}, {3, "3"}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "V1", font}};
    page.rawContent = "BT /V1 20 Tf 1 0 0 1 300 700 Tm <000100020003> Tj ET";
    doc.pages.push_back(page);
    EXPECT_EQ((std::vector<std::string>{"290 92 20 60"}), locate(doc, "\\d+"));
}

// A Type 3 font of 0.5-em boxes, 0.7 em tall, showing a Hebrew word in visual order (its last
// letter first, at x 100): the match, written in reading order, is found and boxed.
TEST_F(Location, RightToLeftMatchIsLocatedOnItsGlyphs) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addType3Font(
        doc, {{1, "uni05E9"}, {2, "uni05DC"}, {3, "uni05D5"}, {4, "uni05DD"}, {5, "one"}},
        {{1, "\u05E9"}, {2, "\u05DC"}, {3, "\u05D5"}, {4, "\u05DD"}, {5, "1"}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "T3", font}};
    page.rawContent = "BT /T3 10 Tf 1 0 0 1 100 700 Tm <04030201> Tj ET";
    doc.pages.push_back(page);
    EXPECT_EQ((std::vector<std::string>{"100 85 20 7"}), locate(doc, "\u05E9\u05DC\u05D5\u05DD"));
    EXPECT_NE(std::string::npos, links[0].find("text=\"????\"")) << links[0];
}

// A Hebrew word that the content stream draws left to right (visual order, its last letter
// first), in a font with a descent: measured as left-to-right text is, from its first glyph's
// origin and its element's top down to the baseline, not by its glyph boxes (which reach 2 pt
// below the baseline). Regression: right-to-left script always got its glyph boxes.
TEST_F(Location, RightToLeftScriptDrawnLeftToRightIsMeasuredByItsElements) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addHorizontalFont(
        doc, {{1, "\u05E9", 500}, {2, "\u05DC", 500}, {3, "\u05D5", 500}, {4, "\u05DD", 500}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "H1", font}};
    page.rawContent = "BT /H1 10 Tf 1 0 0 1 100 700 Tm <0004000300020001> Tj ET";
    doc.pages.push_back(page);
    EXPECT_EQ((std::vector<std::string>{"100 84 20 8"}), locate(doc, "\u05E9\u05DC\u05D5\u05DD"));
}

// "alpha beta" split over two lines: one link on each line's piece, both with the match's
// text. Each piece ends inside its element, where its last glyph's advance ends.
TEST_F(Location, MatchOverALineBreakGetsOneLinkPerLine) {
    pdfbuild::PageSpec page;
    page.texts = {pdfbuild::textRun(72, 700, "first line ends alpha"),
                  pdfbuild::textRun(72, 686, "beta starts second line")};
    const double start = 72 + width("first line ends ");
    const double top1 = 792 - (700 + kAscent * 12), top2 = 792 - (686 + kAscent * 12);
    EXPECT_EQ((std::vector<std::string>{
                  loc(start, top1, 72 + width("first line ends alpha") - start, 92 - top1),
                  loc(72, top2, width("beta"), 106 - top2)}),
              locate(page, "alpha\\s+beta"));
    ASSERT_EQ(2u, links.size());
    for (const std::string& link : links)
        EXPECT_NE(std::string::npos, link.find("text=\"alpha&#x0A;beta\"")) << link;
}

// Regression: a glyph mapped to the two characters "fi" was counted as one character, so the
// match was never located on it.
TEST_F(Location, GlyphMappedToTwoCharactersIsLocated) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addType3Font(doc, {{1, "fi", 600}, {2, "l", 250}, {3, "e", 500}},
                                              {{1, "fi"}, {2, "l"}, {3, "e"}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "T3", font}};
    page.rawContent = "BT /T3 10 Tf 1 0 0 1 100 700 Tm <010203> Tj ET";
    doc.pages.push_back(page);
    // The whole element: from x 100 to its right edge (6 + 2.5 + 5 points), 7 points tall.
    EXPECT_EQ((std::vector<std::string>{"100 85 14 7"}), locate(doc, "\\bfiles?\\b"));
}

// Regression: a form painted twice lost its second painting, and text placed with "cm" that
// started like the text before it was dropped; matches after them landed on other text.
TEST_F(Location, MatchesInRepeatedAndSimilarTextLieOnTheirOwnGlyphs) {
    pdfbuild::PageSpec page;
    page.forms = {{"Fm1", "BT /Helv 12 Tf 1 0 0 1 72 700 Tm (Order QX-1) Tj ET"}};
    page.rawContent = "q /Fm1 Do Q q 1 0 0 1 0 -100 cm /Fm1 Do Q ";
    for (int i = 0; i < 2; ++i)
        page.rawContent += "q 1 0 0 1 0 " + std::to_string(-300 - 20 * i) +
                           " cm BT /Helv 12 Tf 1 0 0 1 72 700 Tm (QX-" + std::to_string(2 + i) +
                           " here) Tj ET Q ";
    const double start = 72 + width("Order "), end = 72 + width("Order QX-1");
    auto top = [](double baseline) { return 792 - (baseline + kAscent * 12); };
    EXPECT_EQ((std::vector<std::string>{loc(start, top(700), end - start, 92 - top(700)),
                                        loc(start, top(600), end - start, 192 - top(600)),
                                        loc(72, top(400), width("QX-2"), 392 - top(400)),
                                        loc(72, top(380), width("QX-3"), 412 - top(380))}),
              locate(page, "QX-\\d"));
}

// Regression: a copy of the text in a switched-off layer drew the link to where the hidden
// copy lies.
TEST_F(Location, TextInASwitchedOffLayerIsNeitherFoundNorMeasured) {
    pdfbuild::DocumentSpec doc;
    doc.objects.push_back({"<< /Type /OCG /Name (Draft) >>", std::nullopt});
    doc.catalog = {{"OCProperties", "<< /OCGs [@0] /D << /OFF [@0] >> >>"}};
    pdfbuild::PageSpec page;
    page.resources = {{"Properties", "Draft", "@0"}};
    page.rawContent =
        "/OC /Draft BDC BT /Helv 12 Tf 1 0 0 1 300 700 Tm (www.same.com) Tj ET EMC "
        "BT /Helv 12 Tf 1 0 0 1 72 650 Tm (www.same.com) Tj ET";
    doc.pages.push_back(page);
    double top = 792 - (650 + kAscent * 12);
    EXPECT_EQ((std::vector<std::string>{loc(72, top, width("www.same.com"), 142 - top)}),
              locate(doc, "www\\.[a-z]+\\.com"));
}

// "Métro" set the old TeX way, the acute before the e: the match of the composed word is
// measured from the M to the end of the element "etro".
TEST_F(Location, MatchOfAComposedLetterIsLocated) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 12 Tf 1 0 0 1 100 700 Tm (M) Tj 1 0 0 1 111.334 700 Tm (\\264) Tj "
        "1 0 0 1 109.996 700 Tm (etro) Tj ET";
    double top = 792 - (700 + kAscent * 12);
    EXPECT_EQ((std::vector<std::string>{loc(100, top, 9.996 + width("etro"), 92 - top)}),
              locate(page, "M\u00E9tro"));
}

// The locator itself, on a page read once: highlights of two lines give two hits; glyph numbers
// the page does not have, and a match without highlights, give none.
TEST(HitInfoLocator, OneHitPerLineAndNoneForGlyphsThePageLacks) {
    pdf::Library library;
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {pdfbuild::textRun(72, 700, "Call 555"),
                          pdfbuild::textRun(72, 680, "now")};
    pdfbuild::writePdf(doc, dir.file("l.pdf"));
    pdf::Document document(dir.file("l.pdf"));
    pdf::Page page = document.page(1);
    pdf::PaintedText painted = pdf::readPaintedText(page);
    pdf::SearchableText text = pdf::searchableText(pdf::TextPage(page, painted));
    std::vector<pdf::SearchMatch> matches = pdf::searchPage(text, Regex("555\\s+now"));
    ASSERT_EQ(1u, matches.size());
    ASSERT_EQ(2u, matches[0].highlights.size());
    EXPECT_EQ(0, matches[0].highlights[0].line);
    EXPECT_EQ(1, matches[0].highlights[1].line);

    HitInfoLocator locator(page, painted);
    std::vector<HitInfo> hits = locator.getSearchHitInfo(matches[0].highlights, matches[0].text);
    ASSERT_EQ(2u, hits.size());
    EXPECT_NEAR(72 + width("Call "), hits[0].x, 1e-3);
    EXPECT_NEAR(72, hits[1].x, 1e-3);
    EXPECT_EQ("555\nnow", hits[1].searchText);
    for (const HitInfo& hit : hits) {
        EXPECT_EQ(1, hit.page);
        EXPECT_GT(hit.width, 0);
        EXPECT_GT(hit.height, 0);
    }
    HitInfoLocator none(page, painted);
    EXPECT_TRUE(none.getSearchHitInfo({}, "555").empty());
    HitInfoLocator beyond(page, painted);
    EXPECT_TRUE(beyond.getSearchHitInfo({{1, 500, 3, 0}}, "555").empty());
}

}  // namespace

// A price table (12-point Helvetica, prices ending at x 420) whose third description wraps onto
// a second line. A match over a whole row is one rectangle from its first glyph to the end of
// the price; a match over the wrapped cell, which the reading puts on the row's line, gets one
// rectangle on each line of the page it lies on.
class TableLocation : public Location {
  protected:
    static pdfbuild::PageSpec table() {
        auto endingAt = [](double right, double y, const std::string& text) {
            return pdfbuild::textRun(right - width(text), y, text);
        };
        pdfbuild::PageSpec page;
        page.texts = {pdfbuild::textRun(72, 700, "Item"),
                      pdfbuild::textRun(150, 700, "Description"),
                      endingAt(420, 700, "Price"),
                      pdfbuild::textRun(72, 684, "Tea"),
                      pdfbuild::textRun(150, 684, "Black tea, loose"),
                      endingAt(420, 684, "3.20"),
                      pdfbuild::textRun(72, 668, "Bolt"),
                      pdfbuild::textRun(150, 668, "Hex nut for bolts of"),
                      endingAt(420, 668, "4.75"),
                      pdfbuild::textRun(150, 654, "size M6"),
                      pdfbuild::textRun(72, 638, "Cake"),
                      pdfbuild::textRun(150, 638, "Lemon cake"),
                      endingAt(420, 638, "2.75")};
        return page;
    }
    static double top(double baseline) { return 792 - (baseline + kAscent * 12); }
};

TEST_F(TableLocation, MatchOverARowIsOneRectangleAlongIt) {
    EXPECT_EQ((std::vector<std::string>{loc(72, top(638), 420 - 72, 154 - top(638))}),
              locate(table(), "Cake\\s+Lemon cake\\s+2\\.75"));
}

TEST_F(TableLocation, MatchOverAWrappedCellGetsARectangleOnEachLine) {
    const double start = 150 + width("Hex nut for ");
    EXPECT_EQ((std::vector<std::string>{
                  loc(start, top(668), 150 + width("Hex nut for bolts of") - start, 124 - top(668)),
                  loc(150, top(654), width("size"), 138 - top(654))}),
              locate(table(), "bolts\\s+of\\s+size"));
}
