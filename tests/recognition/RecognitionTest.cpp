// "recognizelinks" and "importproducts": what is found, where its rectangle
// lies, what the page records gain, the progress lines, and the refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "pdf/builder/PdfBuilder.h"
#include "support/Pattern.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string record(const TempDir& dir, int page) {
    return readFile(dir.file("Page_" + std::to_string(page) + ".xml"));
}

pdfbuild::TextRun run(double x, double y, const std::string& text, double size = 12) {
    return pdfbuild::textRun(x, y, text, size);
}

// Helvetica's published ascent, as the text elements' boxes use it.
constexpr double kAscent = 0.718;

class Recognition : public RecognitionFixture {};

// Page 1 holds three text elements: "www.example.com" alone, "Page 12 of 30",
// and "see pages 12-15 and QX-1042".
pdfbuild::DocumentSpec threeElements() {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {run(100, 700, "www.example.com"), run(100, 650, "Page 12 of 30"),
                          run(100, 600, "see pages 12-15 and QX-1042")};
    return doc;
}

TEST_F(Recognition, MatchOfAWholeElementReachesItsRightEdge) {
    write(threeElements());
    RunResult result = recognize({{"www\\.[a-z]+\\.com"}});
    ASSERT_EQ(0, result.status) << result.out;
    double width = pdfbuild::textWidth(run(100, 700, "www.example.com"));
    double top = 792 - (700 + kAscent * 12);
    EXPECT_EQ((std::vector<std::string>{"<link loc=\"" + loc(100, top, width, 92 - top) +
                                        "\" url=\"http://www.example.com\" target=\"0\" "
                                        "linktype=\"0\" text=\"www.example.com\" />"}),
              linksOf(record(dir, 1)));
}

TEST_F(Recognition, MatchInsideAnElementEndsWhereItsLastGlyphEnds) {
    write(threeElements());
    ASSERT_EQ(0, recognize({{"\\b12 of"}}).status);
    // "12 of" inside "Page 12 of 30": from the origin of "1" to the end of
    // the advance of "f".
    double start = 100 + pdfbuild::textWidth(run(0, 0, "Page "));
    double end = 100 + pdfbuild::textWidth(run(0, 0, "Page 12 of"));
    double top = 792 - (650 + kAscent * 12);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    EXPECT_NE(std::string::npos,
              links[0].find("loc=\"" + loc(start, top, end - start, 142 - top) + "\""))
        << links[0];
}

TEST_F(Recognition, TwoMatchesOnOnePageComeInTextOrderAfterExistingLinks) {
    write(threeElements());
    std::string existing =
        "<?xml version=\"1.0\" ?>\n<page num=\"1\" label=\"\" id=\"x\">\n    <links>\n"
        "        <link loc=\"1 1 1 1\" url=\"old\" target=\"\" linktype=\"0\" text=\"old\" />\n"
        "    </links>\n    <videos />\n    <audios />\n    <flashanimations />\n"
        "    <products />\n</page>\n";
    writeFile(dir.file("Page_1.xml"), existing);
    ASSERT_EQ(0, recognize({{"\\d+", 3, 2, "page$regresult.html"}}).status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(6u, links.size());  // the old one, then 12 30 12 15 1042
    EXPECT_NE(std::string::npos, links[0].find("url=\"old\""));
    std::vector<std::string> urls;
    for (size_t i = 1; i < links.size(); ++i) {
        Match m = Pattern("url=\"([^\"]*)\" target=\"3\" linktype=\"2\" text=\"(\\d+)\"")
                      .search(links[i]);
        ASSERT_TRUE(m) << links[i];
        urls.push_back(m[1]);
    }
    EXPECT_EQ((std::vector<std::string>{"page12.html", "page30.html", "page12.html", "page15.html",
                                        "page1042.html"}),
              urls);
}

TEST_F(Recognition, PageRangesAreCutToTheirFirstNumberForPageLinks) {
    write(threeElements());
    ASSERT_EQ(0,
              recognize({{"\\d+-\\d+", 0, 2, "page$regresult"}, {"QX-\\d+", 0, 1, "p$regresult"}},
                        "<gotofirstnumberinrange>1</gotofirstnumberinrange>")
                  .status);
    std::string xml = record(dir, 1);
    EXPECT_NE(std::string::npos,
              xml.find("url=\"page12\" target=\"0\" linktype=\"2\" text=\"12\""));
    // Not a page link: the text stays whole.
    EXPECT_NE(std::string::npos,
              xml.find("url=\"pQX-1042\" target=\"0\" linktype=\"1\" text=\"QX-1042\""));
}

TEST_F(Recognition, ResultWithoutPlaceholderIsUsedAsItIs) {
    write(threeElements());
    ASSERT_EQ(0, recognize({{"QX-\\d+", 0, 0, "http://shop.example.com/"}}).status);
    EXPECT_NE(std::string::npos, record(dir, 1).find("url=\"http://shop.example.com/\""));
}

// Seven pages, "Chapter N" on each.
pdfbuild::DocumentSpec sevenPages() {
    pdfbuild::DocumentSpec doc;
    for (int n = 1; n <= 7; ++n) {
        pdfbuild::PageSpec page;
        page.texts = {run(72, 700, "Chapter " + std::to_string(n))};
        doc.pages.push_back(page);
    }
    return doc;
}

TEST_F(Recognition, ProgressIsReportedPerMatchAcrossTheRange) {
    write(sevenPages());
    RunResult result = recognize({{"Chapter 5"}, {"Chapter [34]"}},
                                 "<userange>1</userange><frompage>3</frompage><topage>7</topage>");
    ASSERT_EQ(0, result.status);
    EXPECT_EQ("Progress 60\nProgress 100\nProgress 20\nProgress 40\nProgress 100\n", result.out);
    EXPECT_EQ(1u, linksOf(record(dir, 3)).size());
    EXPECT_EQ(1u, linksOf(record(dir, 5)).size());
    EXPECT_EQ(0u, linksOf(record(dir, 6)).size());
}

TEST_F(Recognition, WholeDocumentWhenNoRangeIsUsed) {
    write(sevenPages());
    RunResult result = recognize({{"Chapter 7"}}, "<userange>0</userange><frompage>2</frompage>");
    EXPECT_EQ("Progress 100\nProgress 100\n", result.out);
    EXPECT_EQ(1u, linksOf(record(dir, 7)).size());
}

TEST_F(Recognition, EmptyExpressionEndsTheListButRecordsAreStillSaved) {
    write(sevenPages());
    RunResult result =
        recognize({{"Chapter 1"}, {""}, {"Chapter 2"}}, "<importpdflinks>1</importpdflinks>");
    ASSERT_EQ(0, result.status);
    EXPECT_EQ(1u, linksOf(record(dir, 1)).size());
    EXPECT_EQ(0u, linksOf(record(dir, 2)).size());
}

TEST_F(Recognition, PatternWithoutMatchChangesNoFile) {
    write(sevenPages());
    std::string before = record(dir, 4);
    RunResult result = recognize({{"Appendix"}});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("Progress 100\n", result.out);
    EXPECT_EQ(before, record(dir, 4));
}

TEST_F(Recognition, RangesOutsideTheDocumentAreCutOrEmpty) {
    write(sevenPages());
    RunResult result = recognize({{"Chapter \\d"}},
                                 "<userange>1</userange><frompage>6</frompage><topage>40</topage>");
    ASSERT_EQ(0, result.status);
    EXPECT_EQ("Progress 50\nProgress 100\nProgress 100\n", result.out);
    result = recognize({{"Chapter \\d"}},
                       "<userange>1</userange><frompage>5</frompage><topage>2</topage>");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ(0u, linksOf(record(dir, 3)).size());
}

TEST_F(Recognition, AnnotationsOfTheRangeFollowTheRecognisedLinks) {
    pdfbuild::DocumentSpec doc = sevenPages();
    for (int p = 0; p < 7; ++p) {
        pdfbuild::Link link;
        link.x0 = 300;
        link.y0 = 300;
        link.x1 = 350;
        link.y1 = 320;
        link.kind = pdfbuild::Link::Uri;
        link.uri = "http://page" + std::to_string(p + 1) + ".example.com/";
        doc.pages[p].links = {link};
    }
    write(doc);
    ASSERT_EQ(0, recognize({{"Chapter \\d"}},
                           "<userange>1</userange><frompage>2</frompage>"
                           "<topage>4</topage><importpdflinks>1</importpdflinks>")
                     .status);
    for (int p = 1; p <= 7; ++p) {
        std::vector<std::string> links = linksOf(record(dir, p));
        if (p < 2 || p > 4) {
            EXPECT_TRUE(links.empty()) << p;
            continue;
        }
        ASSERT_EQ(2u, links.size()) << p;
        EXPECT_NE(std::string::npos, links[0].find("text=\"Chapter " + std::to_string(p) + "\""));
        EXPECT_NE(std::string::npos, links[1].find("http://page" + std::to_string(p)));
    }
}

TEST_F(Recognition, MissingPageRecordFailsAndChangesNoFile) {
    write(sevenPages());
    std::remove(dir.file("Page_6.xml").c_str());
    std::string before = record(dir, 1);
    RunResult result = recognize({{"Chapter \\d"}});
    EXPECT_EQ(255, result.status);
    EXPECT_EQ("Cannot load page record '" + dir.file("Page_6.xml") + "': cannot open file\n",
              result.out);
    EXPECT_EQ(before, record(dir, 1));
}

// A record without a "links" section gets one for the links found on its page. Regression:
// the job failed.
TEST_F(Recognition, PageRecordWithoutLinksSectionGetsOne) {
    write(sevenPages());
    writeFile(dir.file("Page_2.xml"), "<?xml version=\"1.0\" ?>\n<page><products /></page>\n");
    RunResult result = recognize({{"Chapter \\d"}});
    EXPECT_EQ(0, result.status) << result.out;
    const std::string record = readFile(dir.file("Page_2.xml"));
    EXPECT_EQ(0u, record.find("<?xml version=\"1.0\" ?>\n<page>\n    <products />\n    <links>\n"))
        << record;
    EXPECT_EQ(1u, linksOf(record).size()) << record;
}

TEST_F(Recognition, ExpressionThatDoesNotCompileIsNamed) {
    write(sevenPages());
    std::string before = record(dir, 1);
    RunResult result = recognize({{"Chapter"}, {"(unclosed"}});
    EXPECT_EQ(255, result.status);
    EXPECT_EQ(0u, result.out.find("Expression '(unclosed' does not compile: ")) << result.out;
    EXPECT_EQ(before, record(dir, 1));
}

TEST_F(Recognition, CatastrophicBacktrackingHitsTheMatchLimit) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {run(20, 700, std::string(40, 'a') + "!", 8)};
    write(doc);
    RunResult result = recognize({{"(a+)+$"}});
    EXPECT_EQ(255, result.status);
    EXPECT_EQ(0u, result.out.find("Expression '(a+)+$' cannot be searched: ")) << result.out;
}

// Shown turned clockwise, user (x, y) appears at (y, x): the text runs down
// the shown page.
TEST_F(Recognition, RectanglesOnTurnedPagesLieWhereThePageShowsTheText) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].rotate = 90;
    pdfbuild::TextRun upright = run(300, 100, "QX-2210");
    upright.angle = 90;
    doc.pages[0].texts = {upright};
    write(doc);
    ASSERT_EQ(0, recognize({{"QX-\\d+"}}).status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    Match m = Pattern("loc=\"(-?\\d+) (-?\\d+) (-?\\d+) (-?\\d+)\"").search(links[0]);
    ASSERT_TRUE(m);
    // The run starts at user (300, 100): shown at x 100, y 300; it reads
    // along the shown page's width, so the rectangle is wide, not tall.
    double width = pdfbuild::textWidth(upright);
    EXPECT_NEAR(100, std::stoi(m[1]), 1);
    EXPECT_NEAR(width, std::stoi(m[3]), 1.5);
    EXPECT_GT(std::stoi(m[3]), std::stoi(m[4]));
    EXPECT_NEAR(300 - kAscent * 12, std::stoi(m[2]), 1);
}

std::string productsJob(const TempDir& dir, const std::string& pdf, const std::string& expressions,
                        const std::string& range = "<userange>0</userange>") {
    return "<job name=\"importproducts\"><inputfile>" + pdf + "</inputfile><outputdir>" +
           dir.path() + "</outputdir>" + range + "<usebinarysearch>1</usebinarysearch>" +
           "<expresions>" + expressions + "</expresions></job>";
}

TEST_F(Recognition, ProductsGetFreshIdsAndTheMatchedText) {
    pdfbuild::DocumentSpec doc = sevenPages();
    doc.pages[3].texts.push_back(run(72, 500, "Order QX-1042 today"));
    doc.pages[5].texts.push_back(run(72, 500, "QX-1042 again"));
    write(doc);
    RunResult result = runJob(dir, productsJob(dir, pdf,
                                               "<p result=\"shop/$regresult\" description=\"x\">"
                                               "<regexp>QX-\\d+</regexp></p>"
                                               "<p result=\"\" description=\"x\"><regexp></regexp>"
                                               "</p>"));
    ASSERT_EQ(0, result.status) << result.out;
    const Pattern product(
        "<product id=\"([0-9a-z]{32})\" targettype=\"0\" productid=\"QX-1042\" "
        "loc=\"\\d+ \\d+ \\d+ \\d+\" url=\"shop/QX-1042\" text=\"QX-1042\" />");
    std::string page4 = record(dir, 4), page6 = record(dir, 6);
    Match first = product.search(page4), second = product.search(page6);
    ASSERT_TRUE(first) << page4;
    ASSERT_TRUE(second) << page6;
    EXPECT_NE(first.str(1), second.str(1));
    EXPECT_NE(std::string::npos, page4.find("    <products>\n        <product "));
    EXPECT_TRUE(linksOf(page4).empty());
}

TEST_F(Recognition, SameJobGivesTheSameProductIdsInEveryRun) {
    pdfbuild::DocumentSpec doc = sevenPages();
    doc.pages[1].texts.push_back(run(72, 500, "QX-1"));
    write(doc);
    std::string clean = record(dir, 2);
    std::string job = productsJob(dir, pdf,
                                  "<p result=\"$regresult\" description=\"\"><regexp>QX-\\d"
                                  "</regexp></p>");
    ASSERT_EQ(0, runJob(dir, job).status);
    std::string firstRun = record(dir, 2);
    writeFile(dir.file("Page_2.xml"), clean);
    ASSERT_EQ(0, runJob(dir, job).status);
    EXPECT_EQ(firstRun, record(dir, 2));
}

// Word-list search: each word of the page looked up exactly.
std::string wordJob(const TempDir& dir, const std::string& pdf,
                    const std::vector<Expression>& list) {
    return "<job name=\"recognizelinks\"><inputfile>" + pdf + "</inputfile><outputdir>" +
           dir.path() +
           "</outputdir><userange>0</userange><importpdflinks>0</importpdflinks>"
           "<usebinarysearch>1</usebinarysearch>" +
           expressionList(list) + "</job>";
}

TEST_F(Recognition, WordListFindsExactWordsWithTheirBoxes) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(10);
    doc.pages[0].texts = {run(100, 700, "Quillon guides readers"),
                          run(100, 650, "quillon, Quillon.")};
    write(doc);
    RunResult result = runJob(dir, wordJob(dir, pdf,
                                           {{"readers", 4, 1, "http://x/$regresult", "Readers"},
                                            {"Quillon", 2, 0, "q", "Q"}}));
    ASSERT_EQ(0, result.status) << result.out;
    EXPECT_NE(std::string::npos, result.out.find("Page Number=10\nProgress 95\n"));
    EXPECT_EQ(0u, result.out.find("Page Number=1\nProgress 9\nPage Number=2\nProgress 19\n"));
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(2u, links.size()) << record(
        dir, 1);  // "quillon," and "Quillon." are not words of the list
    double start = 100 + pdfbuild::textWidth(run(0, 0, "Quillon guides "));
    Match m = Pattern(
                  "loc=\"(\\d+) (\\d+) (\\d+) (\\d+)\" url=\"http://x/Readers\" target=\"4\" "
                  "linktype=\"1\" text=\"Readers\"")
                  .search(links[1]);
    ASSERT_TRUE(m) << links[1];
    EXPECT_NEAR(start, std::stoi(m[1]), 1);
    EXPECT_NE(std::string::npos, links[0].find("url=\"q\" target=\"2\" linktype=\"0\" text=\"Q\""));
}

// Regression: a word narrower or lower than a point had its size truncated to 0, a link
// nobody can see or click. "a" at 1 point is 0.556 points wide and 0.925 high.
TEST_F(Recognition, WordListLinksAreNeverEmpty) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {run(100, 700, "a", 1)};
    write(doc);
    ASSERT_EQ(0, runJob(dir, wordJob(dir, pdf, {{"a", 0, 0, "u", "A"}})).status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    EXPECT_NE(std::string::npos, links[0].find("loc=\"100 91 1 1\"")) << links[0];
}

// Regression: a word-list link's size was cut to whole points, so it stopped up to a point
// short of its word's glyphs; like every "loc" it is now rounded up. "ab" at 12 points spans
// 13.3 points along the line and 11.1 from Helvetica's descent to its ascent.
TEST_F(Recognition, WordListLinkCoversItsWordsGlyphs) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {run(100, 700, "ab")};
    write(doc);
    ASSERT_EQ(0, runJob(dir, wordJob(dir, pdf, {{"ab", 0, 0, "u", "AB"}})).status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    const double top = 792 - (700 + kAscent * 12);
    EXPECT_NE(std::string::npos, links[0].find("loc=\"" +
                                               loc(100, top, pdfbuild::textWidth(run(0, 0, "ab")),
                                                   (kAscent + 0.207) * 12) +
                                               "\""))
        << links[0];
}

TEST_F(Recognition, WordListCutsAMarkedlySmallerLastCharacter) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    double w = pdfbuild::textWidth(run(0, 0, "Quillon"));
    doc.pages[0].texts = {run(100, 700, "Quillon"), run(100 + w, 700, "2", 10),
                          run(100, 600, "Quillon"), run(100 + w, 600, "3", 11)};
    write(doc);
    ASSERT_EQ(0, runJob(dir, wordJob(dir, pdf,
                                     {{"Quillon", 0, 0, "u", "cut"},
                                      {"Quillon3", 0, 0, "u", "whole"},
                                      {"Quillon2", 0, 0, "u", "never"}}))
                     .status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(2u, links.size()) << record(dir, 1);
    // 10 pt after 12 pt is below 90%: "Quillon" is looked up; 11 pt is not.
    EXPECT_NE(std::string::npos, links[0].find("text=\"cut\""));
    EXPECT_NE(std::string::npos, links[1].find("text=\"whole\""));
}

TEST_F(Recognition, EqualListEntriesGiveOneLinkFromEitherEntry) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {run(100, 700, "Quillon")};
    write(doc);
    ASSERT_EQ(0, runJob(dir, wordJob(dir, pdf,
                                     {{"Quillon", 1, 0, "a", "A"}, {"Quillon", 2, 0, "b", "B"}}))
                     .status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    EXPECT_TRUE(links[0].find("text=\"A\"") != std::string::npos ||
                links[0].find("text=\"B\"") != std::string::npos);
}

}  // namespace

namespace {

// The match lies inside a form painted between two page texts; it is
// measured there, with the form's matrix applied.
TEST_F(Recognition, MatchInsideAFormIsMeasuredWithTheFormsMatrix) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].forms = {
        {"Fm1", "BT /Helv 12 Tf 1 0 0 1 0 0 Tm (Code QX-7) Tj ET", {1, 0, 0, 1, 200, 400}}};
    doc.pages[0].rawContent =
        "BT /Helv 12 Tf 1 0 0 1 50 500 Tm (QX-1 first) Tj ET /Fm1 Do "
        "BT /Helv 12 Tf 1 0 0 1 50 300 Tm (QX-9 last) Tj ET";
    write(doc);
    ASSERT_EQ(0, recognize({{"QX-7"}}).status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    // "QX-7" ends the element but is not all of it: the rectangle ends
    // where the advance of its "7" ends.
    double start = 200 + pdfbuild::textWidth(run(0, 0, "Code "));
    double end = 200 + pdfbuild::textWidth(run(0, 0, "Code QX-7"));
    double top = 792 - (400 + kAscent * 12);
    EXPECT_NE(std::string::npos,
              links[0].find("loc=\"" + loc(start, top, end - start, 392 - top) + "\""))
        << links[0];
}

}  // namespace

namespace {

// Regression: text drawn filled and stroked (render mode 2) reached the text
// extraction twice and numbered its glyphs twice, so every match after it
// on the page was looked for at the wrong glyphs and never located.
TEST_F(Recognition, TextFilledAndStrokedCountsItsGlyphsOnce) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].rawContent =
        "BT /Helv 12 Tf 2 Tr 1 0 0 1 100 700 Tm (Bold heading) Tj ET "
        "BT 0 Tr /Helv 12 Tf 1 0 0 1 100 600 Tm (Order QX-77 now) Tj ET";
    write(doc);
    ASSERT_EQ(0, recognize({{"QX-\\d+"}}).status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    // Measured from its own glyphs: top at the element's ascent, bottom on
    // the baseline (the glyph-code fallback would put the top elsewhere).
    double start = 100 + pdfbuild::textWidth(run(0, 0, "Order "));
    double lastOrigin = 100 + pdfbuild::textWidth(run(0, 0, "Order QX-7"));
    double top = 792 - (600 + kAscent * 12);
    EXPECT_NE(std::string::npos,
              links[0].find("loc=\"" + loc(start, top, lastOrigin + 6 - start, 192 - top) + "\""))
        << links[0];
}

// Regression: a glyph showing a ligature (U+FB00 "ff") spells two letters
// in the page text; the match was compared with one character for it and
// never located.
TEST_F(Recognition, MatchThroughALigatureGlyphIsLocated) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    pdfbuild::TextRun ligature = run(100, 700, "mail 42@chaostre\xEF\xAC\x80.at");
    ligature.unicode = true;
    doc.pages[0].texts = {ligature};
    write(doc);
    ASSERT_EQ(0, recognize({{"42@[a-z]+\\.at"}}).status);
    std::vector<std::string> links = linksOf(record(dir, 1));
    ASSERT_EQ(1u, links.size());
    EXPECT_NE(std::string::npos, links[0].find("text=\"42@chaostreff.at\"")) << links[0];
}

}  // namespace
