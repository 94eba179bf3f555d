// Recognition on pages that find a lot: every one of many matches on one
// line located on its own glyphs, and the limits of links per page and per
// job (src/recognition/LinkLimits.h) refusing a job that finds more.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/text/PaintedText.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"
#include "text/Regex.h"

using namespace testing_support;

namespace {

std::string record(const TempDir& dir, int page) {
    return readFile(dir.file("Page_" + std::to_string(page) + ".xml"));
}

// Helvetica's published ascent, as the text elements' boxes use it.
constexpr double kAscent = 0.718;

// Pages of `lines` lines of `perLine` copies of `token` joined by `separator`,
// 2 pt Helvetica, 3 pt apart, on pages wide enough for them.
pdfbuild::PageSpec repeatedPage(const std::string& token, const std::string& separator, int perLine,
                                int lines) {
    std::string line = token;
    for (int i = 1; i < perLine; ++i) line += separator + token;
    pdfbuild::PageSpec page;
    page.width = 3000;
    page.height = 20 + 3.0 * lines;
    for (int l = 0; l < lines; ++l)
        page.texts.push_back(pdfbuild::textRun(10, page.height - 10 - 3.0 * l, line, 2));
    return page;
}

class RecognitionAtScale : public RecognitionFixture {};

// Regression: the subject's UTF-8 was checked from each match onwards to its
// end, once per match (a page with n matches cost n passes over its text);
// it is checked once per search now. Matches after the first, in text of
// several-byte characters, are all found at their own bytes, and a pattern
// that also matches empty steps over whole characters.
TEST(RecognitionRegex, EveryMatchOfATextOfSeveralByteCharactersIsFound) {
    Regex digit("\\d");
    std::vector<std::pair<size_t, size_t>> found;
    const std::string text = "\u00E91 \u05D02 \U0001F6003 \u00DF";
    digit.forEachMatch(text, [&](size_t start, size_t end) { found.emplace_back(start, end); });
    EXPECT_EQ((std::vector<std::pair<size_t, size_t>>{{2, 3}, {6, 7}, {12, 13}}), found);

    std::vector<std::string> words;
    Regex maybeLetters("[a-z]*");
    maybeLetters.forEachMatch("\u00E9ab\u00FCc", [&](size_t start, size_t end) {
        words.push_back(std::string("\u00E9ab\u00FCc").substr(start, end - start));
    });
    EXPECT_EQ((std::vector<std::string>{"ab", "c"}), words);
}

// Regression: each match was measured by gathering the whole text of its
// text element, so a line set by one operator cost its length for every
// match on it (9,000 addresses on one line took 9 s). Now a match costs its
// own glyphs; this checks that each of 2,000 addresses on one line, set by
// one operator, still gets the rectangle of its own glyphs.
TEST_F(RecognitionAtScale, ManyAddressesOnOneLineAreEachLocatedOnTheirOwnGlyphs) {
    constexpr int kAddresses = 2000;
    constexpr double kSize = 10, kX = 10, kBaseline = 100, kHeight = 200;
    std::vector<std::string> addresses;
    std::string line;
    for (int k = 0; k < kAddresses; ++k) {
        addresses.push_back("www.a" + std::to_string(k) + ".com");
        line += (k > 0 ? " " : "") + addresses.back();
    }
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].width = 160000;
    doc.pages[0].height = kHeight;
    doc.pages[0].texts = {pdfbuild::textRun(kX, kBaseline, line, kSize)};
    write(doc);
    ASSERT_EQ(0, recognize({{"www\\.[a-z0-9]+\\.com"}}).status);

    // Where the page paints each glyph: the line's characters are its
    // glyphs, one each, in order.
    pdf::Library library;
    pdf::Document document(pdf);
    pdf::Page page = document.page(1);
    const pdf::PaintedText painted = pdf::readPaintedText(page);
    ASSERT_EQ(static_cast<int>(line.size()), painted.glyphCount());
    auto originX = [&](size_t glyph) {
        return painted.chars[static_cast<size_t>(painted.glyphStart[glyph])].origin.x;
    };

    // Widths depend on the number of digits only (Helvetica's digits are
    // equally wide): measured once per length.
    std::map<std::string, double> widths;
    auto width = [&](const std::string& text) {
        std::string shape = text;
        for (char& c : shape)
            if (c >= '0' && c <= '9') c = '0';
        auto known = widths.find(shape);
        if (known != widths.end()) return known->second;
        return widths[shape] = pdfbuild::textWidth(pdfbuild::textRun(0, 0, shape, kSize));
    };

    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(static_cast<size_t>(kAddresses), links.size());
    const double top = kHeight - (kBaseline + kAscent * kSize);
    size_t first = 0;  // address k's first glyph
    int wrong = 0;
    for (int k = 0; k < kAddresses; ++k) {
        const std::string& address = addresses[static_cast<size_t>(k)];
        // From the first glyph's origin to the end of the last one's advance
        // (an "m").
        const size_t last = first + address.size() - 1;
        const double x = originX(first);
        const std::string expected =
            "loc=\"" + loc(x, top, originX(last) + width("m") - x, kHeight - kBaseline - top) +
            "\" url=\"http://" + address + "\"";
        if (links[static_cast<size_t>(k)].find(expected) == std::string::npos && ++wrong <= 5)
            ADD_FAILURE() << "address " << k << ": " << links[static_cast<size_t>(k)]
                          << ", expected " << expected;
        // The glyphs themselves lie where the font's widths put them, to the
        // single-precision rounding of positions far along the line.
        if (k + 1 < kAddresses) {
            EXPECT_NEAR(width(address + " "), originX(last + 2) - x, 0.1) << "address " << k;
        }
        first = last + 2;  // over the space
    }
    EXPECT_EQ(0, wrong);
}

// A match over two elements ("see aa" and "aab") and a match inside an element ("aa" of
// "see aa") both end where their last glyph's advance ends, whatever their elements hold.
TEST_F(RecognitionAtScale, AMatchEndsWhereItsLastGlyphEndsWhateverItsElementsHold) {
    const double size = 12, baseline = 700;
    auto width = [&](const std::string& text) {
        return pdfbuild::textWidth(pdfbuild::textRun(0, 0, text, size));
    };
    const double second = 100 + width("see aa ");
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {pdfbuild::textRun(100, baseline, "see aa", size),
                          pdfbuild::textRun(second, baseline, "aab", size)};
    write(doc);
    ASSERT_EQ(0, recognize({{"aa aab"}, {"aa(?= )"}}).status);
    const double left = 100 + width("see ");
    const double top = 792 - (baseline + kAscent * size), height = 792 - baseline - top;
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(2u, links.size());
    EXPECT_NE(std::string::npos,
              links[0].find("loc=\"" + loc(left, top, second + width("aab") - left, height)))
        << links[0];
    EXPECT_NE(std::string::npos,
              links[1].find("loc=\"" + loc(left, top, 100 + width("see aa") - left, height)))
        << links[1];
}

// A page may have at most 50,000 links: a page with that many is recognised,
// one with one more refuses the job, naming the page and the limit, and no
// record changes. Products count the same way.
TEST_F(RecognitionAtScale, APageFindingMoreLinksThanItMayHaveRefusesTheJob) {
    pdfbuild::DocumentSpec doc;
    doc.pages = {repeatedPage("7", "", 1000, 50), repeatedPage("7", "", 1000, 50)};
    doc.pages[1].texts.push_back(pdfbuild::textRun(10, 5, "7", 2));  // the 50,001st
    write(doc);
    const std::string before = record(dir, 2);

    RunResult fits = recognize({{"\\d"}},
                               "<userange>1</userange><frompage>1</frompage>"
                               "<topage>1</topage>");
    ASSERT_EQ(0, fits.status) << fits.out;
    EXPECT_EQ(50000u, linksOf(record(dir, 1)).size());

    const std::string first = record(dir, 1);
    RunResult links = recognize({{"\\d"}});
    EXPECT_EQ(255, links.status);
    EXPECT_NE(std::string::npos,
              links.out.find("in.pdf: page 2: more than 50000 links found on the page, the most "
                             "one page may have\n"))
        << links.out.substr(links.out.size() > 300 ? links.out.size() - 300 : 0);
    EXPECT_EQ(first, record(dir, 1));
    EXPECT_EQ(before, record(dir, 2));

    RunResult products = runJob(
        dir, "<job name=\"importproducts\"><inputfile>" + pdf + "</inputfile><outputdir>" +
                 dir.path() +
                 "</outputdir><userange>0</userange><usebinarysearch>1</usebinarysearch>"
                 "<expresions><p result=\"$regresult\" description=\"\"><regexp>\\d</regexp></p>"
                 "</expresions></job>");
    EXPECT_EQ(255, products.status);
    EXPECT_NE(std::string::npos, products.out.find("in.pdf: page 2: more than 50000 products found "
                                                   "on the page, the most one page may have\n"));
    EXPECT_EQ(before, record(dir, 2));
}

// A job may add at most 1,000,000 links: pages of 48,000 each refuse it at
// the 21st, by expressions as by a word list, and no record changes.
TEST_F(RecognitionAtScale, AJobFindingMoreLinksThanItMayAddIsRefused) {
    pdfbuild::DocumentSpec doc;
    doc.pages.assign(21, repeatedPage("a", " ", 1000, 48));
    write(doc);
    const std::string before = record(dir, 1);

    RunResult expressions = recognize({{"a"}});
    EXPECT_EQ(255, expressions.status);
    EXPECT_NE(
        std::string::npos,
        expressions.out.find("in.pdf: page 21: more than 1000000 links found in the document, "
                             "the most one job may add\n"));

    RunResult words = recognize({{"a"}}, "<usebinarysearch>1</usebinarysearch>");
    EXPECT_EQ(255, words.status);
    EXPECT_NE(std::string::npos, words.out.find("in.pdf: page 21: more than 1000000 links found in "
                                                "the document, the most one job may add\n"))
        << words.out.substr(words.out.size() > 300 ? words.out.size() - 300 : 0);
    EXPECT_EQ(before, record(dir, 1));
}

}  // namespace
