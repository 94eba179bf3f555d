// "createpageshtml": Page_N.html byte for byte, paragraphs, escaping, and failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

const std::string kHeader =
    "<html encoding='UTF-8'><head><link href=\"Styles/Page.css\" rel=\"stylesheet\" "
    "type=\"text/css\" /></head><body><div align=\"center\">";
const std::string kFooter = "</div></body></html>";
const std::string kOpen = "<div class=\"paragraph\">";
const std::string kClose = "</div>";

pdfbuild::TextRun line(double x, double y, const std::string& text) {
    return pdfbuild::textRun(x, y, text);
}

std::string writePages(const TempDir& dir,
                       const std::vector<std::vector<pdfbuild::TextRun>>& pages) {
    pdfbuild::DocumentSpec spec;
    for (const auto& runs : pages) {
        pdfbuild::PageSpec page;
        page.texts = runs;
        spec.pages.push_back(page);
    }
    std::string path = dir.file("in.pdf");
    pdfbuild::writePdf(spec, path);
    return path;
}

std::string htmlJob(const std::string& pdf, const std::string& outputDir) {
    return "<job name=\"createpageshtml\"><inputfile>" + pdf + "</inputfile><outputdir>" +
           outputDir + "</outputdir></job>";
}

TEST(HtmlPages, OneLineBecomesOneParagraphWithItsWords) {
    TempDir dir;
    std::string pdf = writePages(dir, {{line(72, 700, "Hello world")}});
    RunResult run = runJob(dir, htmlJob(pdf, dir.path()));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(kHeader + kOpen + "<br />Hello world " + kClose + kFooter,
              readFile(dir.file("Page_1.html")));
}

// A page without text, and one with text only off the shown page area.
TEST(HtmlPages, PageWithoutWordsHasOnlyHeaderAndFooter) {
    TempDir dir;
    std::string pdf = writePages(dir, {{}, {line(72, 900, "Beyond the page")}});
    ASSERT_EQ(0, runJob(dir, htmlJob(pdf, dir.path())).status);
    EXPECT_EQ(kHeader + kFooter, readFile(dir.file("Page_1.html")));
    EXPECT_EQ(kHeader + kFooter, readFile(dir.file("Page_2.html")));
}

// Two paragraphs (the second with an indented first line) of two lines each.
TEST(HtmlPages, EveryParagraphIsADivisionAndEveryLineStartsWithABreak) {
    TempDir dir;
    std::string pdf = writePages(
        dir, {{line(72, 700, "First paragraph starts here and"), line(72, 686, "goes on."),
               line(90, 672, "Second paragraph is indented and"), line(72, 658, "ends.")}});
    ASSERT_EQ(0, runJob(dir, htmlJob(pdf, dir.path())).status);
    EXPECT_EQ(kHeader + kOpen + "<br />First paragraph starts here and <br />goes on. " + kClose +
                  kOpen + "<br />Second paragraph is indented and <br />ends. " + kClose + kFooter,
              readFile(dir.file("Page_1.html")));
}

// Two columns side by side: each column's lines form their own paragraph, left first.
TEST(HtmlPages, ColumnsAreWrittenOneAfterTheOther) {
    TempDir dir;
    std::string pdf = writePages(dir, {{line(72, 700, "left one"), line(320, 700, "right one"),
                                        line(72, 686, "left two"), line(320, 686, "right two")}});
    ASSERT_EQ(0, runJob(dir, htmlJob(pdf, dir.path())).status);
    EXPECT_EQ(kHeader + kOpen + "<br />left one <br />left two " + kClose + kOpen +
                  "<br />right one <br />right two " + kClose + kFooter,
              readFile(dir.file("Page_1.html")));
}

// A line of text over a table of three rows, prices ending at x 400: the table is a division
// of its own, each row one line with its cells in order.
TEST(HtmlPages, TableRowsAreLinesOfTheirOwn) {
    TempDir dir;
    auto price = [](double y, const std::string& text) {
        return line(400 - pdfbuild::textWidth(pdfbuild::textRun(0, 0, text)), y, text);
    };
    std::string pdf = writePages(
        dir, {{line(72, 720, "Prices of the day:"), line(72, 700, "Item"), price(700, "Price"),
               line(72, 686, "Tea"), price(686, "3.20"), line(72, 672, "Coffee"),
               price(672, "4.10"), line(72, 658, "Cake"), price(658, "2.75")}});
    ASSERT_EQ(0, runJob(dir, htmlJob(pdf, dir.path())).status);
    EXPECT_EQ(kHeader + kOpen + "<br />Prices of the day: " + kClose + kOpen +
                  "<br />Item Price <br />Tea 3.20 <br />Coffee 4.10 <br />Cake 2.75 " + kClose +
                  kFooter,
              readFile(dir.file("Page_1.html")));
}

TEST(HtmlPages, MarkupCharactersInWordsAreEscaped) {
    TempDir dir;
    std::string pdf = writePages(dir, {{line(72, 700, "Fish & Chips <b> \"q\" 'a'")}});
    ASSERT_EQ(0, runJob(dir, htmlJob(pdf, dir.path())).status);
    EXPECT_EQ(kHeader + kOpen + "<br />Fish &amp; Chips &lt;b&gt; \"q\" 'a' " + kClose + kFooter,
              readFile(dir.file("Page_1.html")));
}

TEST(HtmlPages, OneFilePerPageReplacingOldOnes) {
    TempDir dir;
    std::vector<std::vector<pdfbuild::TextRun>> pages;
    for (int i = 1; i <= 10; ++i) pages.push_back({line(72, 700, "Page " + std::to_string(i))});
    std::string pdf = writePages(dir, pages);
    writeFile(dir.file("Page_3.html"), std::string(4000, 'x'));
    ASSERT_EQ(0, runJob(dir, htmlJob(pdf, dir.path())).status);
    std::vector<std::string> expected = {"in.pdf", "job.xml"};
    for (int i = 1; i <= 10; ++i) expected.push_back("Page_" + std::to_string(i) + ".html");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, listDir(dir.path()));
    EXPECT_EQ(kHeader + kOpen + "<br />Page 3 " + kClose + kFooter,
              readFile(dir.file("Page_3.html")));
    EXPECT_EQ(kHeader + kOpen + "<br />Page 10 " + kClose + kFooter,
              readFile(dir.file("Page_10.html")));
}

TEST(HtmlPages, OutputDirWithoutSeparatorPrefixesTheFileNames) {
    TempDir dir;
    std::string pdf = writePages(dir, {{line(72, 700, "Hello")}});
    ASSERT_EQ(0, runJob(dir, htmlJob(pdf, dir.path() + "pub")).status);
    EXPECT_TRUE(fileExists(dir.file("pubPage_1.html")));
}

TEST(HtmlPages, MissingInputFailsSilentlyAndWritesNothing) {
    TempDir dir;
    RunResult run = runJob(dir, htmlJob(dir.file("absent.pdf"), dir.path()));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ((std::vector<std::string>{"job.xml"}), listDir(dir.path()));
}

// Page 2's file cannot be put in place (a directory has its name): the job fails with one
// line naming it; page 1 stays written, page 3 is not attempted, nothing half-written is
// left.
TEST(HtmlPages, PageThatCannotBeWrittenFailsTheJob) {
    TempDir dir;
    std::string pdf =
        writePages(dir, {{line(72, 700, "one")}, {line(72, 700, "two")}, {line(72, 700, "three")}});
    ASSERT_EQ(0, mkdir(dir.file("Page_2.html").c_str(), 0755));
    RunResult run = runJob(dir, htmlJob(pdf, dir.path()));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(0u, run.out.find("Cannot write file '" + dir.file("Page_2.html") + "': ")) << run.out;
    EXPECT_EQ(1, std::count(run.out.begin(), run.out.end(), '\n'));
    EXPECT_EQ((std::vector<std::string>{"Page_1.html", "Page_2.html", "in.pdf", "job.xml"}),
              listDir(dir.path()));
    EXPECT_EQ(kHeader + kOpen + "<br />one " + kClose + kFooter, readFile(dir.file("Page_1.html")));

    RunResult missing = runJob(dir, htmlJob(pdf, dir.path() + "nowhere/"));
    EXPECT_EQ(255, missing.status);
    EXPECT_EQ("Cannot create file '" + dir.path() +
                  "nowhere/Page_1.html': No such file or "
                  "directory\n",
              missing.out);
}

}  // namespace
