// The three text outputs of the bundled sample publication: they parse as XML and HTML,
// and its Hebrew page comes out in reading order, or in visual order when asked for.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string job(const std::string& name, const TempDir& dir, const std::string& extra = "") {
    return "<job name=\"" + name + "\"><inputfile>" + samplePdf() + "</inputfile><outputdir>" +
           dir.path() + "</outputdir>" + extra + "</job>";
}

void expectXml(const std::string& path) {
    TiXmlDocument xml;
    EXPECT_TRUE(xml.LoadFile(path, TIXML_ENCODING_UTF8)) << path << ": " << xml.ErrorDesc();
    if (!shell("command -v xmllint").empty()) {
        EXPECT_EQ("ok", shell("xmllint --noout '" + path + "' 2>&1 && echo -n ok")) << path;
    }
}

std::string pageText(const std::string& indexPath, int number) {
    TiXmlDocument xml;
    if (!xml.LoadFile(indexPath, TIXML_ENCODING_UTF8)) return "";
    TiXmlElement* page = xml.FirstChildElement("doc")->FirstChildElement("page");
    for (int n = 1; page != nullptr && n < number; ++n) page = page->NextSiblingElement("page");
    const char* text = page != nullptr ? page->GetText() : nullptr;
    return text != nullptr ? text : "";
}

TEST(SampleText, IndexSeoAndHtmlPagesParse) {
    TempDir dir;
    ASSERT_EQ(0, runJob(dir, job("createindex", dir)).status);
    ASSERT_EQ(0, runJob(dir, job("createseotext", dir,
                                 "<title>Quillon Field Guide</title><maxlines>0</maxlines>"
                                 "<addcreatorlink>1</addcreatorlink><creatorname>Q &amp; Co"
                                 "</creatorname><creatorurl>http://example.com/?a=1&amp;b=2"
                                 "</creatorurl>"))
                     .status);
    ASSERT_EQ(0, runJob(dir, job("createpageshtml", dir)).status);
    expectXml(dir.file("DocumentIndex.xml"));
    expectXml(dir.file("seo.xml"));
    const bool xmllint = !shell("command -v xmllint").empty();
    for (int n = 1; n <= 8; ++n) {
        std::string page = dir.file("Page_" + std::to_string(n) + ".html");
        ASSERT_TRUE(fileExists(page)) << page;
        expectXml(page);
        if (xmllint) {
            EXPECT_EQ("ok", shell("xmllint --html --noout '" + page + "' 2>&1 && echo -n ok"))
                << page;
        }
    }
    EXPECT_FALSE(fileExists(dir.file("Page_9.html")));
    // The index holds the words of every page; the contents page's entries among them.
    EXPECT_NE(std::string::npos,
              pageText(dir.file("DocumentIndex.xml"), 2).find("1.2 Publishing Workflow"));
}

// Page 7 sets three Hebrew lines, right-aligned, two of them with Latin words and numbers.
TEST(SampleText, HebrewPageInReadingOrderAndInVisualOrder) {
    TempDir dir;
    ASSERT_EQ(0, runJob(dir, job("createindex", dir)).status);
    const std::string logical = pageText(dir.file("DocumentIndex.xml"), 7);
    EXPECT_NE(std::string::npos, logical.find("\nשלום עולם\n")) << logical;
    EXPECT_NE(std::string::npos, logical.find("\nברוכים הבאים למדריך Quillon גרסה 2\n"));
    EXPECT_NE(std::string::npos, logical.find("\nהמוצר QX-1042 מתואר בעמוד 3\n"));

    ASSERT_EQ(
        0, runJob(dir, job("createindex", dir, "<generatertloutput>1</generatertloutput>")).status);
    const std::string visual = pageText(dir.file("DocumentIndex.xml"), 7);
    EXPECT_NE(std::string::npos, visual.find("\nםלוע םולש\n")) << visual;
    EXPECT_NE(std::string::npos, visual.find("\n2 הסרג Quillon ךירדמל םיאבה םיכורב\n"));
    EXPECT_NE(std::string::npos, visual.find("\n3 דומעב ראותמ QX-1042 רצומה\n"));
    // Latin lines are rewritten too: their words in reverse order, spelt as before.
    EXPECT_NE(std::string::npos, visual.find("Languages 4")) << visual;
}

}  // namespace
