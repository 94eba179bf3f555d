// "createpagesxml": page records with ids from document.xml, imported link
// annotations placed where the page shows them, and refusal to write
// anything when document.xml does not fit the PDF.
#include <gtest/gtest.h>

#include "pdf/builder/PdfBuilder.h"
#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string descriptorJob(const std::string& pdf, const std::string& dir) {
    return "<job name=\"createdocumentxml\"><inputfile>" + pdf + "</inputfile><outputdir>" + dir +
           "</outputdir><version>1</version><documentlang>en</documentlang><thumbprefix>t"
           "</thumbprefix><pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix><zoompostfix>"
           "swf</zoompostfix><docid>d</docid><importbookmarks>false</importbookmarks>"
           "<importpagelabels>false</importpagelabels></job>";
}

std::string pagesJob(const std::string& pdf, const std::string& dir, const char* importLinks) {
    return "<job name=\"createpagesxml\"><inputfile>" + pdf + "</inputfile><outputdir>" + dir +
           "</outputdir><importlinks>" + importLinks + "</importlinks></job>";
}

pdfbuild::Link link(double x0, double y0, double x1, double y1, pdfbuild::Link::Kind kind) {
    pdfbuild::Link l;
    l.x0 = x0;
    l.y0 = y0;
    l.x1 = x1;
    l.y1 = y1;
    l.kind = kind;
    return l;
}

// Page 1 has a crop box [30 40 530 740] that does not start at 0 0 and
// carries, in this order: a go-to link to page 2, a web link whose address
// needs escaping, a mail link written in capitals, a launch link, a link to
// an undefined named destination, and a non-link note annotation. Page 2 is
// shown turned by /Rotate 90 and links back to page 1. Page 3 has no links.
std::string linkedPdf(const TempDir& dir) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(3);
    pdfbuild::PageSpec& first = doc.pages[0];
    first.cropBox = std::array<double, 4>{30, 40, 530, 740};
    pdfbuild::Link goTo = link(100.4, 700.6, 200.2, 720.9, pdfbuild::Link::GoTo);
    goTo.targetPage = 1;
    pdfbuild::Link web = link(50, 50, 150, 60, pdfbuild::Link::Uri);
    web.uri = "http://www.example.com/a?b=1&c=<2>";
    pdfbuild::Link mail = link(60.5, 100.5, 70.5, 110.5, pdfbuild::Link::Uri);
    mail.uri = "MAILTO:Someone@Example.com";
    pdfbuild::Link launch = link(200, 200, 300, 220, pdfbuild::Link::Launch);
    launch.file = "other.pdf";
    pdfbuild::Link nowhere = link(200, 300, 300, 320, pdfbuild::Link::UndefinedNamedDest);
    nowhere.destName = "no.such.place";
    first.links = {goTo, web, mail, launch, nowhere};
    first.addTextAnnotation = true;
    pdfbuild::PageSpec& turned = doc.pages[1];
    turned.rotate = 90;
    pdfbuild::Link back = link(72, 700, 172, 712, pdfbuild::Link::GoToAction);
    back.targetPage = 0;
    turned.links = {back};
    std::string path = dir.file("linked.pdf");
    pdfbuild::writePdf(doc, path);
    return path;
}

// The page ids of document.xml, in page order.
std::vector<std::string> descriptorIds(const std::string& xml) {
    std::vector<std::string> ids;
    const Pattern id("<page num=\"\\d+\" label=\"[^\"]*\" id=\"([0-9a-z]{32})\"");
    for (const Match& m : id.all(xml)) ids.push_back(m[1]);
    return ids;
}

std::string record(int number, const std::string& id, const std::string& links) {
    return "<?xml version=\"1.0\" ?>\n<page num=\"" + std::to_string(number) +
           "\" label=\"\" id=\"" + id + "\">\n" +
           (links.empty() ? "    <links />\n" : "    <links>\n" + links + "    </links>\n") +
           "    <videos />\n    <audios />\n    <flashanimations />\n    <products />\n</page>\n";
}

class PagesXML : public ::testing::Test {
  protected:
    void SetUp() override {
        pdf = linkedPdf(dir);
        ASSERT_EQ(0, runJob(dir, descriptorJob(pdf, dir.path())).status);
        ids = descriptorIds(readFile(dir.file("document.xml")));
        ASSERT_EQ(3u, ids.size());
    }
    std::string page(int n) { return readFile(dir.file("Page_" + std::to_string(n) + ".xml")); }

    TempDir dir;
    std::string pdf;
    std::vector<std::string> ids;
};

TEST_F(PagesXML, ImportedLinksExactBytes) {
    RunResult run = runJob(dir, pagesJob(pdf, dir.path(), "1"));
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ("  Destination is not valid\n", run.out);
    EXPECT_EQ(record(1, ids[0],
                     "        <link loc=\"70 19 100 21\" target=\"\" linktype=\"2\" url=\"2\" "
                     "text=\"2\" />\n"
                     "        <link loc=\"20 680 100 10\" target=\"\" "
                     "text=\"http://www.example.com/a?b=1&amp;c=&lt;2&gt;\" linktype=\"0\" "
                     "url=\"http://www.example.com/a?b=1&amp;c=&lt;2&gt;\" />\n"
                     "        <link loc=\"30 629 10 10\" target=\"\" "
                     "text=\"MAILTO:Someone@Example.com\" linktype=\"1\" "
                     "url=\"MAILTO:Someone@Example.com\" />\n"),
              page(1));
    // Turned clockwise, user (x, y) is shown at (y, x): the link's box
    // [72 700 172 712] is shown 12 wide and 100 high, 700 from the left.
    EXPECT_EQ(record(2, ids[1],
                     "        <link loc=\"700 72 12 100\" target=\"\" linktype=\"2\" url=\"1\" "
                     "text=\"1\" />\n"),
              page(2));
    EXPECT_EQ(record(3, ids[2], ""), page(3));
}

TEST_F(PagesXML, WithoutImportEveryLinksSectionIsEmpty) {
    RunResult run = runJob(dir, pagesJob(pdf, dir.path(), "0"));
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ("", run.out);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(record(n, ids[n - 1], ""), page(n));
}

TEST_F(PagesXML, SecondRunReplacesRecordsWholeAndDropsAddedLinks) {
    ASSERT_EQ(0, runJob(dir, pagesJob(pdf, dir.path(), "0")).status);
    writeFile(dir.file("Page_3.xml"), record(3, ids[2], "        <link loc=\"1 2 3 4\" />\n"));
    ASSERT_EQ(0, runJob(dir, pagesJob(pdf, dir.path(), "0")).status);
    EXPECT_EQ(record(3, ids[2], ""), page(3));
}

TEST_F(PagesXML, MissingDescriptorFailsAndWritesNoRecord) {
    std::remove(dir.file("document.xml").c_str());
    RunResult run = runJob(dir, pagesJob(pdf, dir.path(), "1"));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot read descriptor '" + dir.file("document.xml") + "'\n", run.out);
    EXPECT_FALSE(fileExists(dir.file("Page_1.xml")));
}

TEST_F(PagesXML, DescriptorThatIsNotXmlFails) {
    writeFile(dir.file("document.xml"), "<doc><pages>");
    RunResult run = runJob(dir, pagesJob(pdf, dir.path(), "1"));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(0u, run.out.find("Cannot read descriptor '" + dir.file("document.xml") + "': "))
        << run.out;
    EXPECT_FALSE(fileExists(dir.file("Page_1.xml")));
}

TEST_F(PagesXML, DescriptorWithFewerPagesKeepsExistingRecords) {
    ASSERT_EQ(0, runJob(dir, pagesJob(pdf, dir.path(), "0")).status);
    writeFile(dir.file("Page_1.xml"), "kept");
    writeFile(dir.file("document.xml"),
              "<?xml version=\"1.0\" ?>\n<doc><pages><page num=\"1\" id=\"a\"/><page num=\"2\" "
              "id=\"b\"/></pages></doc>\n");
    RunResult run = runJob(dir, pagesJob(pdf, dir.path(), "1"));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Descriptor '" + dir.file("document.xml") + "' lists 2 pages, the PDF has 3\n",
              run.out);
    EXPECT_EQ("kept", readFile(dir.file("Page_1.xml")));
}

TEST_F(PagesXML, DescriptorEntryWithoutIdFails) {
    writeFile(dir.file("document.xml"),
              "<?xml version=\"1.0\" ?>\n<doc><pages><page id=\"a\"/><page num=\"2\"/>"
              "<page id=\"c\"/></pages></doc>\n");
    RunResult run = runJob(dir, pagesJob(pdf, dir.path(), "1"));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Descriptor '" + dir.file("document.xml") + "' gives page 2 no id\n", run.out);
    EXPECT_FALSE(fileExists(dir.file("Page_1.xml")));
}

TEST_F(PagesXML, MissingPdfFailsSilently) {
    RunResult run = runJob(dir, pagesJob(dir.file("gone.pdf"), dir.path(), "1"));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("", run.out);
}

TEST(PagesXMLSingle, OnePageDocumentWritesExactlyOneRecord) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    pdfbuild::writePdf(doc, dir.file("one.pdf"));
    ASSERT_EQ(0, runJob(dir, descriptorJob(dir.file("one.pdf"), dir.path())).status);
    ASSERT_EQ(0, runJob(dir, pagesJob(dir.file("one.pdf"), dir.path(), "1")).status);
    EXPECT_EQ((std::vector<std::string>{"Page_1.xml", "document.xml", "job.xml", "one.pdf"}),
              listDir(dir.path()));
}

}  // namespace
