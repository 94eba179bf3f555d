// "createdocumentxml": the descriptor's exact bytes, page sizes, labels and
// the table of contents pruned from the outline.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "document/Utility.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string descriptorJob(const std::string& pdf, const std::string& outputDir,
                          const std::string& extra) {
    return "<job name=\"createdocumentxml\"><inputfile>" + pdf + "</inputfile><outputdir>" +
           outputDir +
           "</outputdir><version>2.1</version><documentlang>en</documentlang>"
           "<thumbprefix>t_</thumbprefix><pagesprefix>p_</pagesprefix><zoomprefix>z_</zoomprefix>"
           "<zoompostfix>swf</zoompostfix><docid>DOC-7</docid>" +
           extra + "</job>";
}

const char* kFlagsOn =
    "<importbookmarks>true</importbookmarks><importpagelabels>true</importpagelabels>";

// Replaces the two dates (checked to be today) and the page ids (checked to
// be 32 of 0-9a-z) by fixed words, so the rest can be compared byte for byte.
std::string normalized(const std::string& xml) {
    std::string today = Utility::getTime();
    std::string out = Pattern("uploaddate=\"" + today + "\" publishdate=\"" + today + "\"")
                          .replaceAll(xml, "uploaddate=\"TODAY\" publishdate=\"TODAY\"");
    return Pattern(" id=\"[0-9a-z]{32}\"").replaceAll(out, " id=\"ID\"");
}

pdfbuild::OutlineItem item(const std::string& title, int page,
                           std::vector<pdfbuild::OutlineItem> children = {}) {
    pdfbuild::OutlineItem i;
    i.title = title;
    i.page = page;
    i.children = std::move(children);
    return i;
}

// Four pages: Letter; Letter; a crop box of 500 x 600 starting at 50 100; A4
// shown turned by /Rotate 90. Labels: i, ii, A-7, A-8. The outline has three
// go-to levels, an item with an empty title and a child, a web bookmark with
// a child, an item without destination, and a title that needs escaping.
std::string descriptorPdf(const TempDir& dir) {
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(4);
    doc.pages[2].cropBox = std::array<double, 4>{50, 100, 550, 700};
    doc.pages[3].width = 595;
    doc.pages[3].height = 842;
    doc.pages[3].rotate = 90;
    doc.labels = {{0, 'r', "", 1}, {2, 'D', "A-", 7}};
    doc.title = "Field Guide";
    pdfbuild::OutlineItem web = item("Web site", -1, {item("Under the web site", 1)});
    web.uri = "http://www.example.com/";
    pdfbuild::OutlineItem section = item("Section 1.1", 1, {item("Step 1.1.1", 2)});
    section.useAction = true;
    doc.outline = {
        item("Chapter 1", 0, {section, item("", 2, {item("Under an empty title", 3)})}),
        web,
        item("No destination", -1),
        item("Tom & \"Jerry\" <end>", 3),
    };
    std::string path = dir.file("guide.pdf");
    pdfbuild::writePdf(doc, path);
    return path;
}

TEST(Descriptor, ExactBytesWithLabelsSizesAndPrunedOutline) {
    TempDir dir;
    std::string pdf = descriptorPdf(dir);
    RunResult run = runJob(dir, descriptorJob(pdf, dir.path(), kFlagsOn));
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ("", run.out);
    std::string size = std::to_string(Utility::getFileSize(pdf));
    std::string page =
        "        <page num=\"%N\" label=\"%L\" id=\"ID\">\n"
        "            <thumbnail file=\"t_%N.jpg\" width=\"%TW\" height=\"%TH\" />\n"
        "            <normal file=\"p_%N.jpg\" width=\"%W\" height=\"%H\" />\n"
        "            <hi file=\"z_%N.swf\" width=\"%W\" height=\"%H\" />\n"
        "            <hiimage file=\"z_%N.jpg\" width=\"%2W\" height=\"%2H\" />\n"
        "            <data file=\"Page_%N.xml\" />\n"
        "            <htmlview file=\"Page_%N.html\" />\n"
        "        </page>\n";
    // One entry: page number, label, thumbnail size, page size; the zoom
    // image is twice the page size.
    auto fill = [&](int n, const std::string& label, int tw, int th, int w, int h) {
        std::vector<std::pair<std::string, std::string>> values = {
            {"%N", std::to_string(n)},      {"%L", label},
            {"%TW", std::to_string(tw)},    {"%TH", std::to_string(th)},
            {"%2W", std::to_string(2 * w)}, {"%2H", std::to_string(2 * h)},
            {"%W", std::to_string(w)},      {"%H", std::to_string(h)}};
        std::string out = page;
        for (auto& [key, value] : values) out = Pattern(key).replaceAll(out, value);
        return out;
    };
    std::string expected =
        "<?xml version=\"1.0\" ?>\n"
        "<doc id=\"DOC-7\" version=\"2.1\" uploaddate=\"TODAY\" publishdate=\"TODAY\" "
        "filename=\"guide.pdf\" filesize=\"" +
        size +
        "\" title=\"Field Guide\">\n"
        "    <pages>\n" +
        fill(1, "i", 170, 220, 612, 792) + fill(2, "ii", 170, 220, 612, 792) +
        fill(3, "A-7", 138, 166, 500, 600) + fill(4, "A-8", 233, 165, 842, 595) +
        "    </pages>\n"
        "    <docmetadata />\n"
        "    <bookmarks />\n"
        "    <toc type=\"2\" targetpage=\"1\">\n"
        "        <tocitem label=\"Chapter 1\" gotopage=\"1\">\n"
        "            <tocitem label=\"Section 1.1\" gotopage=\"2\">\n"
        "                <tocitem label=\"Step 1.1.1\" gotopage=\"3\" />\n"
        "            </tocitem>\n"
        "        </tocitem>\n"
        // TinyXML quotes a value holding a double quote with single quotes.
        "        <tocitem label='Tom &amp; &quot;Jerry&quot; &lt;end&gt;' gotopage=\"4\" />\n"
        "    </toc>\n"
        "    <links />\n"
        "</doc>\n";
    EXPECT_EQ(expected, normalized(readFile(dir.file("document.xml"))));
}

TEST(Descriptor, FlagsOffGiveEmptyLabelsAndAnEmptyTocOfTypeZero) {
    TempDir dir;
    std::string pdf = descriptorPdf(dir);
    RunResult run = runJob(dir, descriptorJob(pdf, dir.path(),
                                              "<importbookmarks>True</importbookmarks>"
                                              "<importpagelabels>1</importpagelabels>"));
    ASSERT_EQ(0, run.status) << run.out;
    std::string xml = readFile(dir.file("document.xml"));
    EXPECT_NE(std::string::npos, xml.find("    <toc type=\"0\" targetpage=\"1\" />\n"));
    EXPECT_EQ(4u, Pattern("label=\"\"").count(xml));
}

TEST(Descriptor, ThumbWidthFixesWidthAndKeepsAspect) {
    TempDir dir;
    std::string pdf = descriptorPdf(dir);
    ASSERT_EQ(0, runJob(dir, descriptorJob(pdf, dir.path(),
                                           std::string(kFlagsOn) + "<thumbwidth>100</thumbwidth>"))
                     .status);
    std::string xml = readFile(dir.file("document.xml"));
    EXPECT_NE(std::string::npos,
              xml.find("<thumbnail file=\"t_1.jpg\" width=\"100\" height=\"129\" />"));
    EXPECT_NE(std::string::npos,
              xml.find("<thumbnail file=\"t_3.jpg\" width=\"100\" height=\"120\" />"));
    EXPECT_NE(std::string::npos,
              xml.find("<thumbnail file=\"t_4.jpg\" width=\"100\" height=\"70\" />"));
}

TEST(Descriptor, DocumentWithoutOutlineOrTitle) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    pdfbuild::writePdf(doc, dir.file("plain.pdf"));
    ASSERT_EQ(0, runJob(dir, descriptorJob(dir.file("plain.pdf"), dir.path(), kFlagsOn)).status);
    std::string xml = readFile(dir.file("document.xml"));
    EXPECT_NE(std::string::npos, xml.find(" title=\"\">\n"));
    EXPECT_NE(std::string::npos, xml.find("    <toc type=\"2\" targetpage=\"1\" />\n"));
    EXPECT_NE(std::string::npos, xml.find("<page num=\"1\" label=\"\" id=\""));
}

// An outline nested 70 levels deep: the table of contents keeps 65 levels and the operator is
// told on standard error. Regression: the deeper levels went without a word.
TEST(Descriptor, OutlineDeeperThanTheTableOfContentsHoldsIsToldAndCut) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    pdfbuild::OutlineItem deepest = item("Level 70", 0);
    for (int level = 69; level >= 1; --level)
        deepest = item("Level " + std::to_string(level), 0, {deepest});
    doc.outline = {deepest};
    pdfbuild::writePdf(doc, dir.file("deep.pdf"));
    RunResult run = runJob(dir, descriptorJob(dir.file("deep.pdf"), dir.path(), kFlagsOn));
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ("", run.out);
    EXPECT_EQ(
        "warning: deep.pdf: bookmarks more than 64 levels deep are left out of the table "
        "of contents\n",
        run.err);
    std::string xml = readFile(dir.file("document.xml"));
    EXPECT_NE(std::string::npos, xml.find("label=\"Level 65\""));
    EXPECT_EQ(std::string::npos, xml.find("label=\"Level 66\""));

    // 65 levels fit: nothing is said.
    doc.outline = {deepest.children[0].children[0].children[0].children[0].children[0]};
    pdfbuild::writePdf(doc, dir.file("fits.pdf"));
    RunResult fits = runJob(dir, descriptorJob(dir.file("fits.pdf"), dir.path(), kFlagsOn));
    ASSERT_EQ(0, fits.status) << fits.out;
    EXPECT_EQ("", fits.err);
    EXPECT_NE(std::string::npos, readFile(dir.file("document.xml")).find("label=\"Level 70\""));
}

TEST(Descriptor, PageIdsAreFreshForEveryPageAndDifferentAcrossPages) {
    TempDir dir;
    std::string pdf = descriptorPdf(dir);
    ASSERT_EQ(0, runJob(dir, descriptorJob(pdf, dir.path(), kFlagsOn)).status);
    std::string xml = readFile(dir.file("document.xml"));
    std::set<std::string> ids;
    for (const Match& m : Pattern(" id=\"([0-9a-z]{32})\"").all(xml)) ids.insert(m[1]);
    EXPECT_EQ(4u, ids.size());
}

TEST(Descriptor, NonAsciiTitleIsWrittenAsAsciiAndLabelsAndBookmarksAsUtf8) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.title = "Einführung";
    doc.labels = {{0, 0, "Vorwort–", 1}};
    doc.outline = {item("Übersicht", 0)};
    pdfbuild::writePdf(doc, dir.file("de.pdf"));
    ASSERT_EQ(0, runJob(dir, descriptorJob(dir.file("de.pdf"), dir.path(), kFlagsOn)).status);
    std::string xml = readFile(dir.file("document.xml"));
    EXPECT_NE(std::string::npos, xml.find(" title=\"Einf?hrung\">"));
    EXPECT_NE(std::string::npos, xml.find("label=\"Vorwort–\""));
    EXPECT_NE(std::string::npos, xml.find("<tocitem label=\"Übersicht\" gotopage=\"1\" />"));
}

// Regression: TinyXML's printer passed "&#x" up to the next ';' through unescaped, so a title
// holding the text "&#x41;" was read back as "A" and one holding "&#x3c;" or a '<' before the
// ';' made document.xml ill-formed.
TEST(Descriptor, TextThatLooksLikeACharacterReferenceIsWrittenAsText) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.title = "&#x41; &#x3c;b&#x3e; &#x<i>; a&b";
    doc.outline = {item("R&#xE9;sum\xC3\xA9 &#x", 0)};
    pdfbuild::writePdf(doc, dir.file("refs.pdf"));
    ASSERT_EQ(0, runJob(dir, descriptorJob(dir.file("refs.pdf"), dir.path(), kFlagsOn)).status);
    const std::string xml = readFile(dir.file("document.xml"));
    EXPECT_NE(std::string::npos,
              xml.find(" title=\"&amp;#x41; &amp;#x3c;b&amp;#x3e; &amp;#x&lt;i&gt;; a&amp;b\">"))
        << xml;
    EXPECT_NE(std::string::npos,
              xml.find("<tocitem label=\"R&amp;#xE9;sum\xC3\xA9 &amp;#x\" gotopage=\"1\" />"))
        << xml;
    TiXmlDocument parsed;
    ASSERT_TRUE(parsed.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UTF8)) << parsed.ErrorDesc();
    EXPECT_EQ(std::string("&#x41; &#x3c;b&#x3e; &#x<i>; a&b"),
              parsed.RootElement()->Attribute("title"));
}

TEST(Descriptor, MissingOutputDirectoryFailsNamingThePath) {
    TempDir dir;
    std::string pdf = descriptorPdf(dir);
    RunResult run = runJob(dir, descriptorJob(pdf, dir.path() + "nope/", kFlagsOn));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(
        "Cannot create file '" + dir.path() + "nope/document.xml': No such file or directory\n",
        run.out);
}

TEST(Descriptor, UnreadablePdfWritesNothing) {
    TempDir dir;
    writeFile(dir.file("bad.pdf"), "%PDF-1.4 garbage");
    RunResult run = runJob(dir, descriptorJob(dir.file("bad.pdf"), dir.path(), kFlagsOn));
    EXPECT_EQ(255, run.status);
    EXPECT_FALSE(fileExists(dir.file("document.xml")));
}

// Sizes the descriptor cannot hold fail the job with one line and no descriptor: a thumbnail
// width of 2^31 - 1 on a portrait page (its height beyond int), and a page shown 1.08e9 points
// wide (/UserUnit 75000), whose zoom image is twice that. Regression: both were written
// wrapped, as negative numbers, with status 0.
TEST(Descriptor, SizesBeyondWhatItHoldsAreRefused) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    pdfbuild::writePdf(doc, dir.file("letter.pdf"));
    RunResult run =
        runJob(dir, descriptorJob(dir.file("letter.pdf"), dir.path(),
                                  "<thumbwidth>2147483647</thumbwidth>" + std::string(kFlagsOn)));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(
        "Cannot describe page 1: its thumbnail height would be 2779096484, more than the "
        "descriptor can hold\n",
        run.out);
    writeFile(dir.file("huge.pdf"),
              "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
              "2 0 obj <</Type/Pages/Kids[3 0 R]/Count 1>> endobj\n"
              "3 0 obj <</Type/Page/Parent 2 0 R/MediaBox[0 0 14400 14400]/UserUnit 75000>> "
              "endobj\ntrailer <</Root 1 0 R>>\n%%EOF\n");
    run = runJob(dir, descriptorJob(dir.file("huge.pdf"), dir.path(), kFlagsOn));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(
        "Cannot describe page 1: its zoom image width would be 2160000000, more than the "
        "descriptor can hold\n",
        run.out);
    EXPECT_FALSE(fileExists(dir.file("document.xml")));
}

// A page of 3 x 100 points: 20/72 of its width truncates to 0; the thumbnail is a pixel wide,
// as its image is.
TEST(Descriptor, SizeTruncatedToZeroIsOne) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].width = 3;
    doc.pages[0].height = 100;
    pdfbuild::writePdf(doc, dir.file("sliver.pdf"));
    ASSERT_EQ(0, runJob(dir, descriptorJob(dir.file("sliver.pdf"), dir.path(), kFlagsOn)).status);
    EXPECT_NE(std::string::npos, readFile(dir.file("document.xml"))
                                     .find("<thumbnail file=\"t_1.jpg\" width=\"1\" "
                                           "height=\"27\" />"));
}

// The catalog holds both a /Dests dictionary and a /Names /Dests tree. Regression: a name kept
// only in the tree was reported as not valid and its link dropped.
TEST(NamedDestinations, BothTheDictionaryAndTheNameTreeAreLookedIn) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(3);
    doc.catalog = {{"Dests", "<< /old [1 /Fit] >>"}};
    pdfbuild::Link inTree;
    inTree.x0 = 100, inTree.y0 = 700, inTree.x1 = 200, inTree.y1 = 720;
    inTree.kind = pdfbuild::Link::NamedDestGoTo;
    inTree.targetPage = 2;
    inTree.destName = "chap2";
    doc.pages[0].links = {inTree};
    doc.pages[0].rawAnnotations = {
        "<< /Type /Annot /Subtype /Link /Rect [100 600 200 620] /Border [0 0 0] /Dest /old >>"};
    pdfbuild::writePdf(doc, dir.file("both.pdf"));
    ASSERT_EQ(0, runJob(dir, descriptorJob(dir.file("both.pdf"), dir.path(), kFlagsOn)).status);
    RunResult run = runJob(dir, "<job name=\"createpagesxml\"><inputfile>" + dir.file("both.pdf") +
                                    "</inputfile><outputdir>" + dir.path() +
                                    "</outputdir><importlinks>1</importlinks></job>");
    ASSERT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    std::string record = readFile(dir.file("Page_1.xml"));
    EXPECT_NE(std::string::npos,
              record.find("<link loc=\"100 72 100 20\" target=\"\" linktype=\"2\" url=\"3\" "
                          "text=\"3\" />"))
        << record;
    EXPECT_NE(std::string::npos,
              record.find("<link loc=\"100 172 100 20\" target=\"\" linktype=\"2\" url=\"2\" "
                          "text=\"2\" />"))
        << record;
}

// A PDF of 2.2 GB, its middle a hole in the file (the disk holds a few bytes of it), whose
// size the descriptor's int cannot hold. Regression: it was written wrapped, as
// filesize="-1988100096", with status 0.
TEST(Descriptor, FileOfTwoGigabytesOrMoreIsRefused) {
    TempDir dir;
    std::string head = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (const char* object :
         {"<</Type/Catalog/Pages 2 0 R>>", "<</Type/Pages/Kids[3 0 R]/Count 1>>",
          "<</Type/Page/Parent 2 0 R/MediaBox[0 0 100 100]>>"}) {
        offsets.push_back(head.size());
        head += std::to_string(offsets.size()) + " 0 obj " + object + " endobj\n";
    }
    const size_t xref = head.size();
    head += "xref\n0 4\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        head += entry;
    }
    head += "trailer <</Size 4/Root 1 0 R>>\n";
    const std::string tail = "\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    {
        std::ofstream out(dir.file("huge.pdf"), std::ios::binary);
        out << head;
        out.seekp(2200000000LL);
        out << tail;
    }
    RunResult run = runJob(dir, descriptorJob(dir.file("huge.pdf"), dir.path(), kFlagsOn));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot describe huge.pdf: its size of " +
                  std::to_string(2200000000LL + tail.size()) +
                  " bytes is more than the descriptor can hold\n",
              run.out);
    EXPECT_FALSE(fileExists(dir.file("document.xml")));
}

}  // namespace
