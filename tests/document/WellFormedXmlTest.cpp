// Every XML output of the pipeline is well-formed XML 1.0, whatever control characters the PDF
// and the job file hold: libxml2's strict parser (xmllint) reads each one. Regression: TinyXML
// wrote them as "&#x07;" and the like, which XML 1.0 forbids, and browsers refused the files.
#include <gtest/gtest.h>

#include "pdf/builder/PdfBuilder.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// Two pages; a control character in the document title, a page-label prefix, bookmark
// titles, link addresses and the page text.
std::string controlCharacterPdf(const TempDir& dir) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(2);
    doc.title = "Guide\x07 one";
    doc.labels = {{0, 'D', "\x01P-", 1}};
    pdfbuild::OutlineItem intro;
    intro.title = "Intro\x0B";
    intro.page = 0;
    pdfbuild::OutlineItem sub;
    sub.title =
        "\x1F"
        "sub";
    sub.page = 1;
    intro.children = {sub};
    doc.outline = {intro};
    pdfbuild::Link web;
    web.x0 = 100, web.y0 = 700, web.x1 = 200, web.y1 = 720;
    web.kind = pdfbuild::Link::Uri;
    web.uri = "http://example.com/\x1Bq";
    pdfbuild::Link mail = web;
    mail.y0 = 650, mail.y1 = 670;
    mail.uri = "mailto:a\x02@example.com";
    doc.pages[0].links = {web, mail};
    doc.pages[0].rawContent = "BT /Helv 12 Tf 1 0 0 1 72 600 Tm (see www.x\\007y.com QX-12) Tj ET";
    std::string path = dir.file("control.pdf");
    pdfbuild::writePdf(doc, path);
    return path;
}

TEST(WellFormedXml, EveryOutputParsesWithAStrictParser) {
    if (shell("command -v xmllint").empty()) GTEST_SKIP() << "xmllint not installed";
    TempDir dir;
    const std::string pdf = controlCharacterPdf(dir);
    const std::string files =
        "<inputfile>" + pdf + "</inputfile><outputdir>" + dir.path() + "</outputdir>";
    const std::string jobs[] = {
        "<job name=\"createdocumentxml\">" + files +
            "<version>1&#2;</version><documentlang>en</documentlang><thumbprefix>t</thumbprefix>"
            "<pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix><zoompostfix>jpg</zoompostfix>"
            "<docid>D&#1;7</docid><importbookmarks>true</importbookmarks>"
            "<importpagelabels>true</importpagelabels></job>",
        "<job name=\"createpagesxml\">" + files + "<importlinks>1</importlinks></job>",
        linksJob(dir, pdf, {{"www\\.[a-z]+\\.com"}}),
        "<job name=\"importproducts\">" + files +
            "<userange>0</userange><usebinarysearch>0</usebinarysearch><expresions><e "
            "result=\"shop/&#3;$regresult\" description=\"d\"><regexp>QX-\\d+</regexp></e>"
            "</expresions></job>",
        "<job name=\"createindex\">" + files + "</job>",
        "<job name=\"createseotext\">" + files +
            "<title>T&#3;itle</title><maxlines>0</maxlines><addcreatorlink>1</addcreatorlink>"
            "<creatorname>C&#4;</creatorname><creatorurl>http://c/&#5;</creatorurl></job>",
    };
    for (const std::string& job : jobs) {
        RunResult run = runJob(dir, job);
        ASSERT_EQ(0, run.status) << job << "\n" << run.out;
    }
    for (const char* output :
         {"document.xml", "Page_1.xml", "Page_2.xml", "DocumentIndex.xml", "seo.xml"}) {
        std::string verdict =
            shell("xmllint --noout '" + dir.file(output) + "' 2>&1 && echo well-formed");
        EXPECT_EQ("well-formed\n", verdict) << output << "\n" << readFile(dir.file(output));
    }
    // The control characters are left out; everything else is kept.
    const std::string descriptor = readFile(dir.file("document.xml"));
    EXPECT_NE(std::string::npos, descriptor.find("title=\"Guide one\"")) << descriptor;
    EXPECT_NE(std::string::npos, descriptor.find("id=\"D7\" version=\"1\"")) << descriptor;
    EXPECT_NE(std::string::npos, descriptor.find("label=\"P-1\"")) << descriptor;
    EXPECT_NE(std::string::npos, descriptor.find("<tocitem label=\"Intro\" gotopage=\"1\">"));
    EXPECT_NE(std::string::npos, descriptor.find("<tocitem label=\"sub\" gotopage=\"2\" />"));
    const std::string record = readFile(dir.file("Page_1.xml"));
    EXPECT_NE(std::string::npos, record.find("url=\"http://example.com/q\"")) << record;
    EXPECT_NE(std::string::npos, record.find("url=\"mailto:a@example.com\"")) << record;
    EXPECT_NE(std::string::npos, record.find("url=\"shop/QX-12\"")) << record;
    EXPECT_EQ(
        "<p>\n    <span>Title</span>\n    <a href=\"/#?page=1\">see www.xy.com QX-12</a>\n"
        "    <a href=\"/#?page=2\"></a>\n    <a href=\"http://c/\">C</a>\n</p>\n",
        readFile(dir.file("seo.xml")));
}

// Regression: a job file without a declaration was read as Latin-1, so "&#233;" in the SEO
// title came out as the single byte 0xE9. Job files are UTF-8 whatever they say.
TEST(WellFormedXml, JobFilesAreReadAsUtf8) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    pdfbuild::writePdf(doc, dir.file("one.pdf"));
    const std::string seo =
        "<job name=\"createseotext\"><inputfile>" + dir.file("one.pdf") +
        "</inputfile><outputdir>" + dir.path() +
        "</outputdir><title>Caf&#233; \xC3\xA9</title><maxlines>0</maxlines><addcreatorlink>0"
        "</addcreatorlink><creatorname>c</creatorname><creatorurl>u</creatorurl></job>";
    for (const std::string& declaration :
         {std::string(), std::string("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n")}) {
        RunResult run = runJob(dir, declaration + seo);
        ASSERT_EQ(0, run.status) << run.out;
        EXPECT_EQ(
            "<p>\n    <span>Caf\xC3\xA9 \xC3\xA9</span>\n    <a href=\"/#?page=1\"></a>\n</p>\n",
            readFile(dir.file("seo.xml")))
            << declaration;
    }
}

}  // namespace
