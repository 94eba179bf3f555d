// Link records: the "loc" rounding, "$regresult" substitution and the form a
// match takes in an address, links made from hits, and the ASCII form of link
// texts.
#include <gtest/gtest.h>

#include "document/LinkRecords.h"
#include "document/PDFDocument.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "recognition/HitInfo.h"
#include "recognition/Recognition.h"
#include "recognition/StringFormatter.h"
#include "support/TestSupport.h"
#include "text/Ascii.h"

using namespace testing_support;

namespace {

TEST(Loc, PositionRoundsHalvesDownAndSizeRoundsUp) {
    EXPECT_EQ("10 21 4 7", LinkRecords::formatLoc(10.5, 20.51, 3.01, 7.0));
    EXPECT_EQ("-1 0 1 1", LinkRecords::formatLoc(-0.5, 0.4, 0.2, 1.0));
    EXPECT_EQ("11 -2 0 -3", LinkRecords::formatLoc(10.51, -1.5, 0, -3.5));
}

TEST(Loc, ValuesBeyondIntAreClamped) {
    EXPECT_EQ("2147483647 -2147483648 2147483647 0", LinkRecords::formatLoc(1e12, -1e12, 1e20, 0));
}

TEST(ReplaceAll, ReplacesEveryOccurrenceLeftToRight) {
    std::string text = "http://x/$regresult?q=$regresult";
    EXPECT_EQ("http://x/ab?q=ab", StringFormatter::replaceAll(text, "$regresult", "ab"));
}

TEST(ReplaceAll, TemplateWithoutPlaceholderIsUnchanged) {
    std::string text = "http://example.com/";
    EXPECT_EQ("http://example.com/", StringFormatter::replaceAll(text, "$regresult", "x"));
}

TEST(ReplaceAll, InsertedTextIsNotSearchedAgain) {
    std::string text = "<$regresult>";
    EXPECT_EQ("<$regresult$regresult>",
              StringFormatter::replaceAll(text, "$regresult", "$regresult$regresult"));
}

TEST(ReplaceAll, EmptyReplacementRemovesThePlaceholder) {
    std::string text = "a$regresultb$regresult";
    EXPECT_EQ("ab", StringFormatter::replaceAll(text, "$regresult", ""));
}

// Regression: an address outside ASCII went into the url as "?" for every character. Each
// byte outside ASCII is now written percent-encoded, so a character becomes its UTF-8 as a
// browser sends it; ASCII, reserved characters included, stays as the match had it.
TEST(AddressForm, BytesOutsideAsciiArePercentEncodedAsciiIsKept) {
    EXPECT_EQ("wiki/%D8%A3%D9%88_x", StringFormatter::addressForm("wiki/\u0623\u0648_x"));
    EXPECT_EQ("Einf%C3%BChrung", StringFormatter::addressForm("Einf\u00FChrung"));
    EXPECT_EQ("%F0%9F%98%80", StringFormatter::addressForm("\xF0\x9F\x98\x80"));
    EXPECT_EQ("a b?q=1&r=%20#x", StringFormatter::addressForm("a b?q=1&r=%20#x"));
    EXPECT_EQ("", StringFormatter::addressForm(""));
    // Regression: the tildes Doxygen and TeX print went in as "%E2%88%BC" and "%CB%9C".
    EXPECT_EQ("www.stack.nl/~dimitri/~x-y-z",
              StringFormatter::addressForm("www.stack.nl/\u223Cdimitri/\u02DCx\u2010y\u2011z"));
}

TEST(Ascii, NonAsciiCharactersAndBrokenBytesBecomeOneQuestionMarkEach) {
    EXPECT_EQ("Einf?hrung", utf8ToAscii("Einführung"));
    EXPECT_EQ("?? a", utf8ToAscii("שׁ a"));
    EXPECT_EQ("x?y", utf8ToAscii("x\xF0\x9F\x98\x80y"));
    EXPECT_EQ("?a?", utf8ToAscii("\xC3"
                                 "a\xFF"));
    EXPECT_EQ("plain & <ascii>", utf8ToAscii("plain & <ascii>"));
}

class HitLinks : public ::testing::Test {
  protected:
    void SetUp() override {
        pdfbuild::DocumentSpec doc;
        doc.pages.resize(3);
        pdfbuild::writePdf(doc, dir.file("three.pdf"));
        const std::string empty =
            "<?xml version=\"1.0\" ?>\n<page num=\"1\" label=\"\" id=\"x\">\n    <links />\n"
            "    <videos />\n    <audios />\n    <flashanimations />\n    <products />\n</page>\n";
        for (int n = 1; n <= 3; ++n)
            writeFile(dir.file("Page_" + std::to_string(n) + ".xml"), empty);
        document.setOutputDir(dir.path());
        ASSERT_TRUE(document.open(dir.file("three.pdf")));
    }
    pdf::Library library;
    TempDir dir;
    PDFDocument document;
};

HitInfo hit(int page, double x, const std::string& text) {
    HitInfo h;
    h.page = page;
    h.x = x;
    h.y = 20.5;
    h.width = 30.2;
    h.height = 10;
    h.searchText = text;
    h.linkType = 2;
    h.target = 1;
    h.url = "http://shop/$regresult";
    h.linkText = text;
    return h;
}

TEST_F(HitLinks, HitsBecomeLinksOnTheirOwnPagesInOrder) {
    std::vector<HitInfo> hits = {hit(2, 10, "first"), hit(3, 1.5, "other"), hit(2, 40.6, "A&B")};
    addLinksFromHits(document, hits);
    document.savePages();
    std::string page2 = readFile(dir.file("Page_2.xml"));
    EXPECT_NE(std::string::npos,
              page2.find("    <links>\n"
                         "        <link loc=\"10 20 31 10\" url=\"http://shop/first\" target=\"1\" "
                         "linktype=\"2\" text=\"first\" />\n"
                         "        <link loc=\"41 20 31 10\" url=\"http://shop/A&amp;B\" "
                         "target=\"1\" linktype=\"2\" text=\"A&amp;B\" />\n"
                         "    </links>\n"))
        << page2;
    EXPECT_NE(std::string::npos,
              readFile(dir.file("Page_3.xml")).find("url=\"http://shop/other\""));
    EXPECT_EQ(std::string::npos, readFile(dir.file("Page_1.xml")).find("<link "));
}

}  // namespace
