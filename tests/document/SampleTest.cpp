// The bundled sample publication: its descriptor and page records show the
// sample's outline, labels and links.
#include <gtest/gtest.h>

#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class SamplePublication : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        const std::string pdf = QUILLON_SAMPLE_PDF;
        RunResult run = runJob(
            *dir, "<job name=\"createdocumentxml\"><inputfile>" + pdf + "</inputfile><outputdir>" +
                      dir->path() +
                      "</outputdir><version>1</version><documentlang>en</documentlang>"
                      "<thumbprefix>thumb</thumbprefix><pagesprefix>page</pagesprefix>"
                      "<zoomprefix>zoom</zoomprefix><zoompostfix>jpg</zoompostfix><docid>sample"
                      "</docid><importbookmarks>true</importbookmarks><importpagelabels>true"
                      "</importpagelabels></job>");
        ASSERT_EQ(0, run.status) << run.out;
        run = runJob(*dir, "<job name=\"createpagesxml\"><inputfile>" + pdf +
                               "</inputfile><outputdir>" + dir->path() +
                               "</outputdir><importlinks>1</importlinks></job>");
        ASSERT_EQ(0, run.status) << run.out;
    }
    static void TearDownTestSuite() { delete dir; }
    static std::string file(const std::string& name) { return readFile(dir->file(name)); }
    static TempDir* dir;
};
TempDir* SamplePublication::dir = nullptr;

TEST_F(SamplePublication, LabelsAreRomanThenArabic) {
    std::string xml = file("document.xml");
    std::vector<std::string> labels;
    for (const Match& m : Pattern("<page num=\"\\d+\" label=\"([^\"]*)\"").all(xml))
        labels.push_back(m[1]);
    EXPECT_EQ((std::vector<std::string>{"i", "ii", "1", "2", "3", "4", "5", "6"}), labels);
    EXPECT_NE(std::string::npos,
              xml.find("<normal file=\"page5.jpg\" width=\"792\" height=\"612\" />"));
    EXPECT_NE(std::string::npos,
              xml.find("<normal file=\"page6.jpg\" width=\"792\" height=\"612\" />"));
}

TEST_F(SamplePublication, TableOfContentsHasThreeLevelsAndNoWebBookmark) {
    std::string xml = file("document.xml");
    EXPECT_NE(std::string::npos,
              xml.find("        <tocitem label=\"1 Getting Started\" gotopage=\"3\">\n"
                       "            <tocitem label=\"1.1 Installing\" gotopage=\"3\">\n"
                       "                <tocitem label=\"1.1.1 Requirements\" gotopage=\"3\" />\n"
                       "                <tocitem label=\"1.1.2 First Run\" gotopage=\"4\" />\n"
                       "            </tocitem>\n"))
        << xml;
    EXPECT_NE(std::string::npos,
              xml.find("<tocitem label=\"4.1 עברית – Hebrew\" gotopage=\"7\" />"));
    EXPECT_EQ(std::string::npos, xml.find("Quillon on the Web"));
    EXPECT_EQ(12u, Pattern("<tocitem ").count(xml));
}

TEST_F(SamplePublication, LinksLieWhereEachPageShowsThem) {
    std::string title = file("Page_1.xml");
    EXPECT_NE(
        std::string::npos,
        title.find(
            "<link loc=\"147 480 49 15\" target=\"\" linktype=\"2\" url=\"2\" text=\"2\" />"));
    EXPECT_NE(std::string::npos, title.find("linktype=\"1\" url=\"mailto:editor@example.com\""));
    // Landscape page: the catalog link [183 287 315 301] of a 612 high page.
    EXPECT_NE(std::string::npos,
              file("Page_5.xml")
                  .find("<link loc=\"183 311 132 14\" target=\"\" "
                        "text=\"http://www.example.com/catalog\" linktype=\"0\""));
    // Page turned clockwise: the link [370 72 383 146] shows at (y, x).
    EXPECT_NE(std::string::npos, file("Page_6.xml")
                                     .find("<link loc=\"72 370 74 13\" target=\"\" "
                                           "linktype=\"2\" url=\"2\" text=\"2\" />"));
    EXPECT_NE(std::string::npos, file("Page_8.xml").find("url=\"mailto:info@example.com\""));
}

}  // namespace
