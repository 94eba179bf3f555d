// "createseotext": seo.xml byte for byte — title, one link per page up to "maxlines",
// the creator link, escaping, text beyond ASCII — and failures.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

pdfbuild::TextRun line(double y, const std::string& text, bool unicode = false) {
    return pdfbuild::textRun(72, y, text, 12, unicode);
}

// Page 1: two lines, of which only the first is used; page 2: no text; page 3: an
// ampersand.
std::string threePages(const TempDir& dir) {
    pdfbuild::DocumentSpec spec;
    spec.pages.resize(3);
    spec.pages[0].texts = {line(700, "Hello world"), line(680, "second line")};
    spec.pages[2].texts = {line(700, "Fish & Chips")};
    std::string path = dir.file("three.pdf");
    pdfbuild::writePdf(spec, path);
    return path;
}

struct SeoJob {
    std::string pdf;
    std::string outputDir;
    std::string title = "Field Guide";
    std::string maxLines = "0";
    std::string addCreatorLink = "0";
    std::string creatorName = "Quillon";
    std::string creatorUrl = "http://example.com/";

    std::string xml() const {
        return "<job name=\"createseotext\"><inputfile>" + pdf + "</inputfile><outputdir>" +
               outputDir + "</outputdir><title>" + title + "</title><maxlines>" + maxLines +
               "</maxlines><addcreatorlink>" + addCreatorLink + "</addcreatorlink><creatorname>" +
               creatorName + "</creatorname><creatorurl>" + creatorUrl + "</creatorurl></job>";
    }
};

const std::string kLinks =
    "    <a href=\"/#?page=1\">Hello world</a>\n"
    "    <a href=\"/#?page=2\"></a>\n"
    "    <a href=\"/#?page=3\">Fish &amp; Chips</a>\n";

TEST(SeoText, OneLinkPerPageLabelledWithItsFirstLine) {
    TempDir dir;
    SeoJob job{threePages(dir), dir.path()};
    RunResult run = runJob(dir, job.xml());
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("<p>\n    <span>Field Guide</span>\n" + kLinks + "</p>\n",
              readFile(dir.file("seo.xml")));
}

TEST(SeoText, MaxLinesLimitsTheLinksWhenOneOrMore) {
    TempDir dir;
    SeoJob job{threePages(dir), dir.path()};
    const std::string all = "<p>\n    <span>Field Guide</span>\n" + kLinks + "</p>\n";
    for (const char* unlimited : {"0", "-3", "3", "10"}) {
        job.maxLines = unlimited;
        ASSERT_EQ(0, runJob(dir, job.xml()).status) << unlimited;
        EXPECT_EQ(all, readFile(dir.file("seo.xml"))) << unlimited;
    }
    job.maxLines = "2";
    ASSERT_EQ(0, runJob(dir, job.xml()).status);
    EXPECT_EQ(
        "<p>\n    <span>Field Guide</span>\n"
        "    <a href=\"/#?page=1\">Hello world</a>\n"
        "    <a href=\"/#?page=2\"></a>\n"
        "</p>\n",
        readFile(dir.file("seo.xml")));
    job.maxLines = "1";
    ASSERT_EQ(0, runJob(dir, job.xml()).status);
    EXPECT_EQ(
        "<p>\n    <span>Field Guide</span>\n    <a href=\"/#?page=1\">Hello world</a>\n</p>\n",
        readFile(dir.file("seo.xml")));
}

TEST(SeoText, CreatorLinkOnlyWhenAskedForWithOne) {
    TempDir dir;
    SeoJob job{threePages(dir), dir.path()};
    job.maxLines = "1";
    job.addCreatorLink = "1";
    job.creatorName = "Made by Q &amp; Co";
    job.creatorUrl = "http://example.com/?a=1&amp;b=2";
    ASSERT_EQ(0, runJob(dir, job.xml()).status);
    EXPECT_EQ(
        "<p>\n    <span>Field Guide</span>\n"
        "    <a href=\"/#?page=1\">Hello world</a>\n"
        "    <a href=\"http://example.com/?a=1&amp;b=2\">Made by Q &amp; Co</a>\n"
        "</p>\n",
        readFile(dir.file("seo.xml")));
    for (const char* no : {"0", "true", "2"}) {
        job.addCreatorLink = no;
        ASSERT_EQ(0, runJob(dir, job.xml()).status);
        EXPECT_EQ(std::string::npos, readFile(dir.file("seo.xml")).find("example.com")) << no;
    }
}

// An empty title element keeps an empty span; markup in the title is escaped, and an
// address holding a double quote is written between single quotes.
TEST(SeoText, TitleAndAddressAreEscaped) {
    TempDir dir;
    SeoJob job{threePages(dir), dir.path()};
    job.maxLines = "1";
    job.title = "";
    ASSERT_EQ(0, runJob(dir, job.xml()).status);
    EXPECT_EQ("<p>\n    <span></span>\n    <a href=\"/#?page=1\">Hello world</a>\n</p>\n",
              readFile(dir.file("seo.xml")));

    job.title = "&lt;Guide&gt; &amp; &quot;more&quot;";
    job.addCreatorLink = "1";
    job.creatorName = "Q";
    job.creatorUrl = "say &quot;hi&quot;";
    ASSERT_EQ(0, runJob(dir, job.xml()).status);
    EXPECT_EQ(
        "<p>\n    <span>&lt;Guide&gt; &amp; &quot;more&quot;</span>\n"
        "    <a href=\"/#?page=1\">Hello world</a>\n"
        "    <a href='say &quot;hi&quot;'>Q</a>\n"
        "</p>\n",
        readFile(dir.file("seo.xml")));
}

// First lines in French and Hebrew keep their letters (UTF-8), and the file stays
// well-formed XML.
TEST(SeoText, TextBeyondAsciiIsKeptAsUtf8) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.resize(2);
    spec.pages[0].texts = {line(700, "Café déjà vu")};
    spec.pages[1].texts = {line(700, "שלום עולם", true)};
    pdfbuild::writePdf(spec, dir.file("intl.pdf"));
    SeoJob job{dir.file("intl.pdf"), dir.path()};
    job.title = "Über";
    ASSERT_EQ(0, runJob(dir, job.xml()).status);
    const std::string seo = readFile(dir.file("seo.xml"));
    EXPECT_EQ(
        "<p>\n    <span>Über</span>\n"
        "    <a href=\"/#?page=1\">Café déjà vu</a>\n"
        "    <a href=\"/#?page=2\">שלום עולם</a>\n"
        "</p>\n",
        seo);
    TiXmlDocument parsed;
    parsed.Parse(seo.c_str(), nullptr, TIXML_ENCODING_UTF8);
    EXPECT_FALSE(parsed.Error()) << parsed.ErrorDesc();
}

TEST(SeoText, MissingInputFailsSilentlyAndWritesNothing) {
    TempDir dir;
    SeoJob job{dir.file("absent.pdf"), dir.path()};
    RunResult run = runJob(dir, job.xml());
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ((std::vector<std::string>{"job.xml"}), listDir(dir.path()));
}

TEST(SeoText, OutputThatCannotBeCreatedIsReported) {
    TempDir dir;
    SeoJob job{threePages(dir), dir.path() + "missing/"};
    RunResult run = runJob(dir, job.xml());
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot create file '" + dir.path() + "missing/seo.xml': No such file or directory\n",
              run.out);
}

}  // namespace
