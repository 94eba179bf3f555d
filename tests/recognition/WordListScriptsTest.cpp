// Word-list search ("usebinarysearch" 1) in text written without spaces between words: every
// occurrence of a list word in Japanese text gets a link on its own characters, while words of
// space-separated scripts must still equal a list word.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The characters of a one-em-wide CID font, code k + 1 for kChars[k]; "P", "D" and "F" are
// 0.6 em wide.
const std::vector<std::string> kChars = {"東", "京", "都", "の", "地", "図", "と", "駅", "フ", "ァ",
                                         "イ", "ル", "を", "開", "く", "P",  "D",  "F",  "。"};

// The codes of text made of kChars, as a hex string for Tj.
std::string codesOf(const std::vector<int>& indices) {
    std::string hex;
    char buf[8];
    for (int i : indices) {
        std::snprintf(buf, sizeof buf, "%04X", i + 1);
        hex += buf;
    }
    return "<" + hex + ">";
}

class WordListScripts : public ::testing::Test {
  protected:
    std::vector<std::string> links(const std::vector<Expression>& list) {
        pdfbuild::DocumentSpec doc;
        std::vector<pdfbuild::CidGlyph> glyphs;
        for (size_t k = 0; k < kChars.size(); ++k)
            glyphs.push_back(
                {static_cast<int>(k + 1), kChars[k], kChars[k].size() == 1 ? 600 : 1000});
        std::string font = pdfbuild::addHorizontalFont(doc, glyphs);
        pdfbuild::PageSpec page;
        page.resources = {{"Font", "F1", font}};
        // 東京都の地図と東京駅。 at (100, 700); PDFファイルを開く at (100, 650); 10 points.
        page.rawContent = "BT /F1 10 Tf 1 0 0 1 100 700 Tm " +
                          codesOf({0, 1, 2, 3, 4, 5, 6, 0, 1, 7, 18}) +
                          " Tj ET BT /F1 10 Tf 1 0 0 1 100 650 Tm " +
                          codesOf({15, 16, 17, 8, 9, 10, 11, 12, 13, 14}) + " Tj ET";
        page.texts = {pdfbuild::textRun(100, 600, "reports port")};
        doc.pages.push_back(page);
        std::string pdf = dir.file("in.pdf");
        pdfbuild::writePdf(doc, pdf);
        publishPageRecords(dir, pdf);
        RunResult result =
            runJob(dir, linksJob(dir, pdf, list, "<usebinarysearch>1</usebinarysearch>"));
        EXPECT_EQ(0, result.status) << result.out;
        return linksOf(readFile(dir.file("Page_1.xml")));
    }
    TempDir dir;
};

// The font's em box reaches 0.8 em above the baseline and 0.2 below: a line at y = 700 in
// 10 points lies from 84 to 94 on the page (792 high, y down).
TEST_F(WordListScripts, EveryListWordInJapaneseTextIsLinkedOnItsOwnCharacters) {
    std::vector<std::string> found = links({{"東京", 0, 0, "u", "Tokyo"},
                                            {"東京駅", 0, 0, "u", "Tokyo Station"},
                                            {"地図", 0, 0, "u", "map"},
                                            {"ファイル", 0, 0, "u", "file"},
                                            {"PDF", 0, 0, "u", "pdf"},
                                            {"開", 0, 0, "u", "open"},
                                            {"port", 0, 0, "u", "port"},
                                            {"京都", 0, 0, "u", "Kyoto"}});
    auto at = [](double x, double y, double w, const std::string& text) {
        return "<link loc=\"" + loc(x, y, w, 10) +
               "\" url=\"u\" target=\"0\" linktype=\"0\" text=\"" + text + "\" />";
    };
    // The longest list word wins where several start at one place (東京駅 over 東京), and
    // occurrences do not overlap: 京都 inside 東京都 is not linked once 東京 is. A Latin word
    // set against Japanese (PDF) ends where the Japanese starts; inside "reports" nothing is
    // found, but "port" standing alone is.
    double port = 100 + pdfbuild::textWidth(pdfbuild::textRun(0, 0, "reports "));
    ASSERT_EQ(7u, found.size()) << readFile(dir.file("Page_1.xml"));
    EXPECT_EQ(at(100, 84, 20, "Tokyo"), found[0]);
    EXPECT_EQ(at(140, 84, 20, "map"), found[1]);
    EXPECT_EQ(at(170, 84, 30, "Tokyo Station"), found[2]);
    EXPECT_EQ(at(100, 134, 18, "pdf"), found[3]);
    EXPECT_EQ(at(118, 134, 40, "file"), found[4]);
    EXPECT_EQ(at(168, 134, 10, "open"), found[5]);
    EXPECT_EQ(0u, found[6].find("<link loc=\"" + loc(port, 0, 0, 0).substr(0, 3))) << found[6];
    EXPECT_NE(std::string::npos, found[6].find("text=\"port\"")) << found[6];
}

}  // namespace
