// Recognition on the bundled sample publication: web addresses, page
// references and product codes written in its text.
#include <gtest/gtest.h>

#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class SampleRecognition : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        const std::string pdf = QUILLON_SAMPLE_PDF;
        const std::string common =
            "<inputfile>" + pdf + "</inputfile><outputdir>" + dir->path() + "</outputdir>";
        publishPageRecords(*dir, pdf);
        RunResult run;
        run =
            runJob(*dir, "<job name=\"recognizelinks\">" + common +
                             "<userange>0</userange><importpdflinks>0</importpdflinks>"
                             "<usebinarysearch>0</usebinarysearch><expresions>"
                             "<e target=\"1\" linktype=\"0\" result=\"http://$regresult\" "
                             "description=\"\"><regexp>www\\.[a-z]+\\.com(?:/[a-z]+)?</regexp></e>"
                             "<e target=\"0\" linktype=\"2\" result=\"#page=$regresult\" "
                             "description=\"\"><regexp>(?&lt;=page )\\d+</regexp></e>"
                             "</expresions></job>");
        ASSERT_EQ(0, run.status) << run.out;
        run = runJob(*dir, "<job name=\"importproducts\">" + common +
                               "<userange>0</userange><usebinarysearch>0</usebinarysearch>"
                               "<expresions><p result=\"http://shop.example.com/$regresult\" "
                               "description=\"\"><regexp>QX-\\d{4}</regexp></p></expresions>"
                               "</job>");
        ASSERT_EQ(0, run.status) << run.out;
    }
    static void TearDownTestSuite() { delete dir; }
    static std::string page(int n) {
        return readFile(dir->file("Page_" + std::to_string(n) + ".xml"));
    }
    static int count(const std::string& text, const std::string& pattern) {
        return static_cast<int>(Pattern(pattern).count(text));
    }
    static TempDir* dir;
};
TempDir* SampleRecognition::dir = nullptr;

TEST_F(SampleRecognition, WebAddressesInTheTextBecomeLinks) {
    EXPECT_EQ(1, count(page(3),
                       "url=\"http://www.example.com\" target=\"1\" linktype=\"0\" "
                       "text=\"www.example.com\""));
    EXPECT_EQ(1, count(page(4), "text=\"www.example.com/downloads\""));
    EXPECT_EQ(1, count(page(5), "text=\"www.example.com/catalog\""));
}

TEST_F(SampleRecognition, PageReferencesBecomePageLinks) {
    // "see page 3" on page 3 (label 1); "see page 4" on page 4; "see page 6"
    // on page 5.
    EXPECT_EQ(1, count(page(3), "url=\"#page=3\" target=\"0\" linktype=\"2\" text=\"3\""));
    EXPECT_EQ(1, count(page(4), "url=\"#page=4\" target=\"0\" linktype=\"2\" text=\"4\""));
    EXPECT_EQ(1, count(page(5), "url=\"#page=6\" target=\"0\" linktype=\"2\" text=\"6\""));
}

TEST_F(SampleRecognition, ProductCodesBecomeProductsWhereverTheyStand) {
    std::string table = page(5);
    for (const char* code : {"QX-1042", "QX-2210", "QX-3307", "QX-4480", "QX-5125"}) {
        EXPECT_EQ(1, count(table, std::string("productid=\"") + code + "\"")) << code;
    }
    EXPECT_EQ(0, count(table, "QZ-0915"));
    // In the Hebrew line too, and in the appendix.
    EXPECT_EQ(1, count(page(7), "productid=\"QX-1042\""));
    EXPECT_EQ(2, count(page(8), "<product "));
}

}  // namespace
