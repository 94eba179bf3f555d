// Page records: appending links and products to Page_N.xml files, leaving
// untouched files alone, refusing broken files before writing any.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "document/DocumentError.h"
#include "document/PDFDocument.h"
#include "document/PDFPage.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

const char* kPageFile =
    "<?xml version=\"1.0\" ?>\n"
    "<page num=\"3\" label=\"\" id=\"abc\">\n"
    "    <links>\n"
    "        <link loc=\"1 2 3 4\" url=\"http://old\" target=\"\" linktype=\"0\" text=\"old\" />\n"
    "    </links>\n"
    "    <videos />\n"
    "    <audios />\n"
    "    <flashanimations />\n"
    "    <products />\n"
    "</page>\n";

TiXmlElement* link(const std::string& url) {
    auto* element = new TiXmlElement("link");
    element->SetAttribute("loc", "10 20 30 40");
    element->SetAttribute("url", url);
    return element;
}

class PageRecords : public ::testing::Test {
  protected:
    void SetUp() override {
        pdfbuild::DocumentSpec spec;
        spec.pages.resize(4);
        pdfbuild::writePdf(spec, dir.file("four.pdf"));
        for (int n = 1; n <= 4; ++n) writeFile(pagePath(n), kPageFile);
        document.setOutputDir(dir.path());
        ASSERT_TRUE(document.open(dir.file("four.pdf")));
    }
    std::string pagePath(int n) const { return dir.file("Page_" + std::to_string(n) + ".xml"); }

    pdf::Library library;
    TempDir dir;
    PDFDocument document;
};

TEST_F(PageRecords, OneRecordPerPageWithPathFromOutputDir) {
    ASSERT_EQ(4, document.pageRecordCount());
    EXPECT_EQ(pagePath(1), document.pageRecord(1).getPath());
    EXPECT_EQ(4, document.pageRecord(4).getPageNumber());
}

TEST_F(PageRecords, AddedLinksFollowExistingOnesInOrder) {
    document.pageRecord(3).addLink(link("http://first"));
    document.pageRecord(3).addLink(link("http://second"));
    document.savePages();
    EXPECT_EQ(
        "<?xml version=\"1.0\" ?>\n"
        "<page num=\"3\" label=\"\" id=\"abc\">\n"
        "    <links>\n"
        "        <link loc=\"1 2 3 4\" url=\"http://old\" target=\"\" linktype=\"0\" "
        "text=\"old\" />\n"
        "        <link loc=\"10 20 30 40\" url=\"http://first\" />\n"
        "        <link loc=\"10 20 30 40\" url=\"http://second\" />\n"
        "    </links>\n"
        "    <videos />\n"
        "    <audios />\n"
        "    <flashanimations />\n"
        "    <products />\n"
        "</page>\n",
        readFile(pagePath(3)));
}

TEST_F(PageRecords, ProductsGoIntoTheProductsSection) {
    auto* product = new TiXmlElement("product");
    product->SetAttribute("id", "p1");
    document.pageRecord(1).addProduct(product);
    document.savePages();
    std::string saved = readFile(pagePath(1));
    EXPECT_NE(std::string::npos,
              saved.find("    <products>\n        <product id=\"p1\" />\n    </products>\n"))
        << saved;
}

TEST_F(PageRecords, UntouchedRecordsLeaveTheirFilesByteForByte) {
    writeFile(pagePath(2), std::string(kPageFile) + "\n<!-- trailing -->  ");
    struct stat before;
    stat(pagePath(2).c_str(), &before);
    document.pageRecord(1).addLink(link("http://x"));
    document.savePages();
    EXPECT_EQ(std::string(kPageFile) + "\n<!-- trailing -->  ", readFile(pagePath(2)));
    EXPECT_EQ(std::string(kPageFile), readFile(pagePath(4)));
}

TEST_F(PageRecords, SavingTwiceDoesNotDuplicateLinks) {
    document.pageRecord(1).addLink(link("http://once"));
    document.savePages();
    document.savePages();
    std::string saved = readFile(pagePath(1));
    EXPECT_EQ(saved.find("http://once"), saved.rfind("http://once"));
}

TEST_F(PageRecords, MissingPageFileStopsAllWritesAndIsNamed) {
    std::remove(pagePath(4).c_str());
    document.pageRecord(1).addLink(link("http://a"));
    document.pageRecord(4).addLink(link("http://b"));
    try {
        document.savePages();
        FAIL() << "expected DocumentError";
    } catch (const DocumentError& e) {
        EXPECT_EQ("Cannot load page record '" + pagePath(4) + "': cannot open file",
                  std::string(e.what()));
    }
    EXPECT_EQ(std::string(kPageFile), readFile(pagePath(1)));
}

// A record without a "products" (or "links") section holds none: links go into the links it
// has, and a section that elements go into is added at the end of the page. Regression: every
// recognition job failed on such a record, even one that added only links. A record without
// "page", or not XML, is still refused.
TEST_F(PageRecords, PageFileWithoutSectionIsReadAsEmpty) {
    writeFile(pagePath(2), "<?xml version=\"1.0\" ?>\n<page><links /></page>\n");
    document.pageRecord(2).addLink(link("http://a"));
    document.savePages();
    EXPECT_EQ(
        "<?xml version=\"1.0\" ?>\n<page>\n    <links>\n        <link loc=\"10 20 30 40\" "
        "url=\"http://a\" />\n"
        "    </links>\n</page>\n",
        readFile(pagePath(2)));

    writeFile(pagePath(3), "<?xml version=\"1.0\" ?>\n<page num=\"3\" />\n");
    document.pageRecord(3).addLink(link("http://b"));
    document.pageRecord(3).addProduct(link("http://c"));
    document.savePages();
    EXPECT_EQ(
        "<?xml version=\"1.0\" ?>\n<page num=\"3\">\n    <links>\n        <link "
        "loc=\"10 20 30 40\" url=\"http://b\" />\n    </links>\n    <products>\n        <link "
        "loc=\"10 20 30 40\" url=\"http://c\" "
        "/>\n    </products>\n</page>\n",
        readFile(pagePath(3)));

    writeFile(pagePath(2), "<?xml version=\"1.0\" ?>\n<pages />\n");
    document.pageRecord(2).addLink(link("http://a"));
    try {
        document.savePages();
        FAIL() << "expected DocumentError";
    } catch (const DocumentError& e) {
        EXPECT_EQ("Page record '" + pagePath(2) + "' has no 'page' element", std::string(e.what()));
    }
    writeFile(pagePath(2), "not xml <<<");
    EXPECT_THROW(document.savePages(), DocumentError);
}

TEST_F(PageRecords, UnwritableDirectoryFailsAndKeepsTheFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    chmod(dir.path().c_str(), 0555);
    document.pageRecord(1).addLink(link("http://a"));
    EXPECT_THROW(document.savePages(), DocumentError);
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(std::string(kPageFile), readFile(pagePath(1)));
}

// Regression: TinyXML asked a directory for its length and ran out of memory.
TEST_F(PageRecords, PageFileThatIsADirectoryIsRefusedByName) {
    std::remove(pagePath(1).c_str());
    mkdir(pagePath(1).c_str(), 0755);
    document.pageRecord(1).addLink(link("http://a"));
    try {
        document.savePages();
        FAIL() << "expected DocumentError";
    } catch (const DocumentError& e) {
        EXPECT_EQ("Cannot load page record '" + pagePath(1) + "': cannot open file",
                  std::string(e.what()));
    }
}

TEST(PageIds, GuidIsThirtyTwoDigitsOrLowerCaseLetters) {
    for (int i = 0; i < 50; ++i) {
        char buffer[39] = {0};
        PDFDocument::getGuid(buffer);
        std::string id(buffer);
        ASSERT_EQ(32u, id.size());
        EXPECT_EQ(std::string::npos, id.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz"))
            << id;
    }
}

TEST(PageIds, SuccessiveGuidsDiffer) {
    char first[39] = {0};
    char second[39] = {0};
    PDFDocument::getGuid(first);
    PDFDocument::getGuid(second);
    EXPECT_NE(std::string(first), std::string(second));
}

TEST(PageIds, InitPagesIdReadsTheIdsOfTheDescriptorsFirstSection) {
    TiXmlDocument descriptor;
    descriptor.Parse(
        "<doc id=\"d\"><pages><page num=\"1\" id=\"aaa\"/><page num=\"2\" id=\"bbb\"/>"
        "<page num=\"3\"/></pages><toc/></doc>");
    EXPECT_EQ((std::vector<std::string>{"aaa", "bbb", ""}), PDFDocument::pageIdsOf(descriptor));
}

TEST(DocumentOpen, FailurePrintsTheReasonAndLeavesNoPages) {
    pdf::Library library;
    TempDir dir;
    PDFDocument document;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(document.open(dir.file("absent.pdf")));
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, printed.find("absent.pdf: cannot open document: ")) << printed;
    EXPECT_EQ('\n', printed.back());
    EXPECT_FALSE(document.isOpen());
    EXPECT_EQ(0, document.pageRecordCount());
    EXPECT_THROW(document.getNumberOfPages(), DocumentError);
}

}  // namespace
