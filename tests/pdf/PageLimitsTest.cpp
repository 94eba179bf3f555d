// What interpreting a page may cost (PageLimits.h): content that inflates past the limit, too
// many operators and images declaring too many pixels are refused by both readings of a page
// (createimages, createindex) with one line naming the page and the limit, and nothing written;
// a page near the limits is read; real pages stay far below them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/PageLimits.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// A PDF of one page written byte for byte (the builder re-encodes every stream it writes):
// the page's content and one image /Im0 of the given dictionary entries and data.
std::string writeOnePagePdf(const TempDir& dir, const std::string& name, const std::string& content,
                            const std::string& imageEntries, const std::string& imageData) {
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im0 5 "
        "0 R >> >> /Contents 4 0 R >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /XObject /Subtype /Image " + imageEntries + " /Length " +
            std::to_string(imageData.size()) + " >>\nstream\n" + imageData + "\nendstream"};
    const std::string path = dir.file(name);
    writeFile(path, handWrittenPdf(objects));
    return path;
}

// The same codestream in a JP2 file: signature, file type, header (ihdr) and codestream boxes.
std::string jp2File(unsigned width, unsigned height) {
    const std::string ihdr =
        be32(22) + "ihdr" + be32(height) + be32(width) + std::string("\x00\x03\x07\x07\x00\x00", 6);
    const std::string cs = jpxCodestream(width, height);
    return std::string("\x00\x00\x00\x0CjP  \x0D\x0A\x87\x0A", 12) + be32(20) + "ftyp" + "jp2 " +
           be32(0) + "jp2 " + be32(8 + static_cast<unsigned>(ihdr.size())) + "jp2h" + ihdr +
           be32(8 + static_cast<unsigned>(cs.size())) + "jp2c" + cs;
}

std::string imagesJob(const TempDir& dir, const std::string& pdf) {
    return "<job name=\"createimages\"><inputfile>" + pdf + "</inputfile><outputdir>" + dir.path() +
           "</outputdir><prefix>p</prefix><quality>80</quality><resolution>72</resolution>"
           "<headerresolution>72</headerresolution></job>";
}

std::string indexJob(const TempDir& dir, const std::string& pdf) {
    return "<job name=\"createindex\"><inputfile>" + pdf + "</inputfile><outputdir>" + dir.path() +
           "</outputdir></job>";
}

// Both readings of page 1 fail with `reason` and write nothing.
void expectRefusedByBothReadings(const TempDir& dir, const std::string& pdf,
                                 const std::string& reason) {
    const std::string file = pdf.substr(pdf.find_last_of('/') + 1);
    RunResult images = runJob(dir, imagesJob(dir, pdf));
    EXPECT_EQ(255, images.status);
    EXPECT_EQ(file + ": page 1: cannot render: " + reason + "\n", images.out);
    EXPECT_FALSE(fileExists(dir.file("p1.jpg")));
    RunResult index = runJob(dir, indexJob(dir, pdf));
    EXPECT_EQ(255, index.status);
    EXPECT_EQ(file + ": page 1: cannot read text: " + reason + "\n", index.out);
    EXPECT_FALSE(fileExists(dir.file("DocumentIndex.xml")));
}

std::string repeated(const std::string& piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// Regression: a 2 MB file whose content inflated to 2 GiB took half a minute of each job.
TEST(PageLimits, ContentInflatingPastTheLimitIsRefusedByBothReadings) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {pdfbuild::textRun(72, 700, "Spaces follow")};
    doc.pages[0].rawContent = std::string(pdf::kMaxPageContentBytes, ' ');
    pdfbuild::writePdf(doc, dir.file("inflating.pdf"));
    expectRefusedByBothReadings(
        dir, dir.file("inflating.pdf"),
        "the page's content is more than 67108864 bytes decompressed, the most a page may");
}

// Regression: 50 million cheap operators took 12 s.
TEST(PageLimits, OperatorsPastTheLimitAreRefusedByBothReadings) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].rawContent = repeated("n ", pdf::kMaxPageOperators + 1);
    pdfbuild::writePdf(doc, dir.file("operators.pdf"));
    expectRefusedByBothReadings(dir, dir.file("operators.pdf"),
                                "the page runs more than 10000000 operators, the most a page may");
}

// Regression: a 500-byte JPEG 2000 image declaring 60000 x 60000 pixels took 1 GB before it
// failed the whole job. Its dictionary says 1 x 1; the codestream is what is decoded.
TEST(PageLimits, ImagesDeclaringTooManyPixelsAreRefusedBeforeDecoding) {
    TempDir dir;
    const std::string content = "q 500 0 0 500 50 100 cm /Im0 Do Q";
    const std::string jpx =
        "/Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode";
    const std::string reason =
        "the page paints an image of 60000 x 60000 pixels, more than the 268435456 an image may "
        "have";
    expectRefusedByBothReadings(
        dir, writeOnePagePdf(dir, "codestream.pdf", content, jpx, jpxCodestream(60000, 60000)),
        reason);
    expectRefusedByBothReadings(
        dir, writeOnePagePdf(dir, "jp2.pdf", content, jpx, jp2File(60000, 60000)), reason);
    // Other images by their dictionary, inline images by theirs.
    expectRefusedByBothReadings(
        dir,
        writeOnePagePdf(dir, "flate.pdf", content,
                        "/Width 16385 /Height 16384 /ColorSpace /DeviceGray /BitsPerComponent 8",
                        "x"),
        "the page paints an image of 16385 x 16384 pixels, more than the 268435456 an image "
        "may have");
    expectRefusedByBothReadings(
        dir,
        writeOnePagePdf(dir, "inline.pdf",
                        "q 9 0 0 9 9 9 cm BI /W 20000 /H 20000 /CS /G /BPC 8 /F /AHx ID 00> EI Q",
                        "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "x"),
        "the page paints an image of 20000 x 20000 pixels, more than the 268435456 an image "
        "may have");
}

// A page near the limits is read by both jobs: 32 MiB of content, a million operators.
TEST(PageLimits, PageWithinTheLimitsIsRead) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {pdfbuild::textRun(72, 700, "Findable")};
    doc.pages[0].rawContent = repeated("n ", 1000000) + std::string(32u << 20, ' ');
    pdfbuild::writePdf(doc, dir.file("big.pdf"));
    RunResult images = runJob(dir, imagesJob(dir, dir.file("big.pdf")));
    EXPECT_EQ(0, images.status) << images.out;
    EXPECT_TRUE(fileExists(dir.file("p1.jpg")));
    RunResult index = runJob(dir, indexJob(dir, dir.file("big.pdf")));
    EXPECT_EQ(0, index.status) << index.out;
    EXPECT_NE(std::string::npos, readFile(dir.file("DocumentIndex.xml")).find("Findable"));
}

class PageLimitsPass : public ::testing::Test {
  protected:
    // The page's cost, or the reason it is refused, under the given limits.
    std::string check(const std::string& path, const pdf::PageLimits& limits,
                      pdf::PageCost* cost = nullptr) {
        pdf::Document document(path);
        try {
            pdf::PageCost counted = pdf::checkPageLimits(document.page(1), "reading", limits);
            if (cost != nullptr) *cost = counted;
            return "";
        } catch (const pdf::Error& e) {
            return e.what();
        }
    }

    pdf::Library library;
    TempDir dir;
};

// A form is counted every time it is painted; the limit is the most a page may have.
TEST_F(PageLimitsPass, FormsCountEveryTimeTheyArePainted) {
    // 4 operators and 16 bytes of form content, painted once or 5 times.
    auto paintings = [&](int times) {
        pdfbuild::DocumentSpec doc;
        doc.pages.resize(1);
        doc.pages[0].forms = {{"F", "0 0 1 1 re f q Q", {1, 0, 0, 1, 0, 0}}};
        doc.pages[0].rawContent = repeated("/F Do ", times);
        const std::string path = dir.file("forms" + std::to_string(times) + ".pdf");
        pdfbuild::writePdf(doc, path);
        pdf::PageCost cost;
        EXPECT_EQ("", check(path, pdf::PageLimits(), &cost));
        EXPECT_EQ(times, cost.formsPainted);
        return cost;
    };
    const pdf::PageCost once = paintings(1);
    const pdf::PageCost cost = paintings(5);
    EXPECT_EQ(4 * (4 + 1), cost.operators - once.operators);  // the form's and the Do
    EXPECT_EQ(4u * (16 + 6), cost.contentBytes - once.contentBytes);
    const long operators = cost.operators;

    pdf::PageLimits exact;
    exact.operators = operators;
    exact.contentBytes = cost.contentBytes;
    EXPECT_EQ("", check(dir.file("forms5.pdf"), exact));
    exact.operators = operators - 1;
    EXPECT_EQ("forms5.pdf: page 1: reading: the page runs more than " +
                  std::to_string(operators - 1) + " operators, the most a page may",
              check(dir.file("forms5.pdf"), exact));
    exact.operators = operators;
    exact.contentBytes = cost.contentBytes - 1;
    EXPECT_EQ("forms5.pdf: page 1: reading: the page's content is more than " +
                  std::to_string(cost.contentBytes - 1) +
                  " bytes decompressed, the most a page may",
              check(dir.file("forms5.pdf"), exact));
}

TEST_F(PageLimitsPass, ImageLimitIsTheMostPixelsAnImageMayHave) {
    const std::string path =
        writeOnePagePdf(dir, "image.pdf", "q 9 0 0 9 9 9 cm /Im0 Do Q",
                        "/Width 300 /Height 200 /ColorSpace /DeviceGray /BitsPerComponent 8", "x");
    pdf::PageLimits limits;
    limits.imagePixels = 60000;
    pdf::PageCost cost;
    EXPECT_EQ("", check(path, limits, &cost));
    EXPECT_EQ(60000, cost.largestImagePixels);
    limits.imagePixels = 59999;
    EXPECT_EQ(
        "image.pdf: page 1: reading: the page paints an image of 300 x 200 pixels, more than "
        "the 59999 an image may have",
        check(path, limits));
}

// The pass reads the content with a scanner of its own: what looks like an operator inside a
// string, a hexadecimal string, a comment or a dictionary is none, true/false/null are values,
// and a name written with #xx escapes is the image it names.
TEST_F(PageLimitsPass, OperatorsAreCountedAsTheInterpreterReadsThem) {
    const std::string content =
        "q % Do BI Tj in a comment\n"
        "BT /F1 12 Tf (Do \\) (BI (Tj) Do)) Tj <446f> Tj [(re) -12.5 (f)] TJ ET\n"
        "/OC << /Do true /BI [null false] >> BDC EMC\n"
        "9 0 0 9 9 9 cm /Im#30 Do Q";
    const std::string path =
        writeOnePagePdf(dir, "tokens.pdf", content,
                        "/Width 300 /Height 200 /ColorSpace /DeviceGray /BitsPerComponent 8", "x");
    pdf::PageLimits limits;
    pdf::PageCost cost;
    EXPECT_EQ("", check(path, limits, &cost));
    // q BT Tf Tj Tj TJ ET BDC EMC cm Do Q
    EXPECT_EQ(12, cost.operators);
    EXPECT_EQ(60000, cost.largestImagePixels);  // /Im#30 is /Im0
    EXPECT_EQ(content.size(), cost.contentBytes);
    limits.imagePixels = 59999;
    EXPECT_NE("", check(path, limits));
}

TEST(PageLimitsJpx, DeclaredSizeComesFromTheCodestreamOrTheJp2Header) {
    long long width = 0, height = 0;
    const std::string raw = jpxCodestream(60000, 50000);
    ASSERT_TRUE(pdf::jpxDeclaredSize(reinterpret_cast<const unsigned char*>(raw.data()), raw.size(),
                                     width, height));
    EXPECT_EQ(60000, width);
    EXPECT_EQ(50000, height);
    const std::string jp2 = jp2File(70000, 3);
    ASSERT_TRUE(pdf::jpxDeclaredSize(reinterpret_cast<const unsigned char*>(jp2.data()), jp2.size(),
                                     width, height));
    EXPECT_EQ(70000, width);
    EXPECT_EQ(3, height);
    // Cut before any size: unknown.
    EXPECT_FALSE(pdf::jpxDeclaredSize(reinterpret_cast<const unsigned char*>(jp2.data()), 40, width,
                                      height));
    EXPECT_FALSE(pdf::jpxDeclaredSize(reinterpret_cast<const unsigned char*>(raw.data()), 20, width,
                                      height));
}

// The limits leave real pages a wide margin: every page of the corpus costs less than a tenth
// of the content and operator limits, and paints no image of half the pixels an image may have
// (the largest: a 1-bit scan of 113 M pixels).
TEST_F(PageLimitsPass, CorpusPagesStayFarBelowTheLimits) {
    const std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not present";
    pdf::PageCost most;
    int pages = 0;
    for (const std::string& name : listDir(corpus)) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".pdf") continue;
        try {
            pdf::Document document(corpus + "/" + name);
            for (int n = 1; n <= document.pageCount(); ++n) {
                pdf::PageCost cost = pdf::checkPageLimits(document.page(n), "reading");
                most.contentBytes = std::max(most.contentBytes, cost.contentBytes);
                most.operators = std::max(most.operators, cost.operators);
                most.largestImagePixels =
                    std::max(most.largestImagePixels, cost.largestImagePixels);
                ++pages;
            }
        } catch (const pdf::Error& e) {
            // Files the program refuses for other reasons (damaged, locked) are not measured.
            const std::string message = e.what();
            EXPECT_EQ(std::string::npos, message.find("the most")) << message;
            EXPECT_EQ(std::string::npos, message.find("may have")) << message;
        }
    }
    std::printf("%d pages; most content %zu bytes, operators %ld, image pixels %lld\n", pages,
                most.contentBytes, most.operators, most.largestImagePixels);
    EXPECT_GT(pages, 0);
    EXPECT_LT(most.contentBytes, pdf::kMaxPageContentBytes / 10);
    EXPECT_LT(most.operators, pdf::kMaxPageOperators / 10);
    EXPECT_LT(most.largestImagePixels, pdf::kMaxImagePixels / 2);
}

}  // namespace
