// The PDF layer: opening, page geometry in page space, banded rendering and
// the JPEG encoder's limits.
#include <gtest/gtest.h>

#include <cstdio>

#include "pdf/Document.h"
#include "pdf/Error.h"
#include "pdf/JpegWriter.h"
#include "pdf/Library.h"
#include "pdf/Renderer.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class PdfLayer : public ::testing::Test {
  protected:
    pdf::Library library;
    TempDir dir;
};

// Page 1: Letter. Page 2: Letter with /Rotate 90. Page 3: crop box
// [100 150 400 550]. Page 4: crop box and /Rotate 270.
std::string geometryPdf(const TempDir& dir) {
    pdfbuild::DocumentSpec spec;
    spec.pages.resize(4);
    spec.pages[1].rotate = 90;
    spec.pages[2].cropBox = std::array<double, 4>{100, 150, 400, 550};
    spec.pages[3].cropBox = std::array<double, 4>{100, 150, 400, 550};
    spec.pages[3].rotate = 270;
    std::string path = dir.file("geometry.pdf");
    pdfbuild::writePdf(spec, path);
    return path;
}

void expectPoint(pdf::Point expected, pdf::Point actual) {
    EXPECT_NEAR(expected.x, actual.x, 1e-3);
    EXPECT_NEAR(expected.y, actual.y, 1e-3);
}

TEST_F(PdfLayer, PageSizeIsTheShownCropBox) {
    pdf::Document doc(geometryPdf(dir));
    ASSERT_EQ(4, doc.pageCount());
    EXPECT_DOUBLE_EQ(612, doc.page(1).width());
    EXPECT_DOUBLE_EQ(792, doc.page(1).height());
    EXPECT_DOUBLE_EQ(792, doc.page(2).width());
    EXPECT_DOUBLE_EQ(612, doc.page(2).height());
    EXPECT_DOUBLE_EQ(300, doc.page(3).width());
    EXPECT_DOUBLE_EQ(400, doc.page(3).height());
    EXPECT_DOUBLE_EQ(400, doc.page(4).width());
    EXPECT_DOUBLE_EQ(300, doc.page(4).height());
    EXPECT_EQ(3, doc.page(3).number());
}

TEST_F(PdfLayer, UserToPageMapsUserCornersToWhereTheyAreShown) {
    pdf::Document doc(geometryPdf(dir));
    // Upright: user top-left (0, 792) is the shown top-left.
    expectPoint({0, 0}, doc.page(1).userToPage().apply(pdf::Point{0, 792}));
    expectPoint({72, 792 - 720}, doc.page(1).userToPage().apply(pdf::Point{72, 720}));
    // Turned clockwise: the user's top-left corner is shown top-right.
    expectPoint({792, 0}, doc.page(2).userToPage().apply(pdf::Point{0, 792}));
    expectPoint({0, 0}, doc.page(2).userToPage().apply(pdf::Point{0, 0}));
    // Cropped: the crop box's top-left corner is the origin.
    expectPoint({0, 0}, doc.page(3).userToPage().apply(pdf::Point{100, 550}));
    expectPoint({300, 400}, doc.page(3).userToPage().apply(pdf::Point{400, 150}));
    // Cropped and turned counter-clockwise: the crop box's top-left corner
    // is shown bottom-left.
    expectPoint({0, 300}, doc.page(4).userToPage().apply(pdf::Point{100, 550}));
}

TEST_F(PdfLayer, PageNumbersOutsideTheDocumentAreRefused) {
    pdf::Document doc(geometryPdf(dir));
    try {
        doc.page(5);
        FAIL() << "expected pdf::Error";
    } catch (const pdf::Error& e) {
        EXPECT_STREQ("geometry.pdf: page 5: no such page (the document has 4)", e.what());
    }
    EXPECT_THROW(doc.page(0), pdf::Error);
}

TEST_F(PdfLayer, OpenErrorsNameTheFile) {
    try {
        pdf::Document doc(dir.file("none.pdf"));
        FAIL() << "expected pdf::Error";
    } catch (const pdf::Error& e) {
        EXPECT_EQ(0u, std::string(e.what()).find("none.pdf: cannot open document: ")) << e.what();
    }
}

TEST_F(PdfLayer, DamagedCrossReferenceIsRepaired) {
    REQUIRE_CORPUS_FILE(pdf, "pdfjs_xref_command_missing.pdf");
    pdf::Document doc(pdf);
    EXPECT_EQ(1, doc.pageCount());
    EXPECT_DOUBLE_EQ(200, doc.page(1).width());
}

TEST_F(PdfLayer, UserUnitScalesThePageSize) {
    REQUIRE_CORPUS_FILE(pdf, "qpdf_overlay-copy-annotations.pdf");
    pdf::Document doc(pdf);
    // The corpus measures page 2 as 1224 x 1584 once its UserUnit is applied.
    EXPECT_NEAR(1224, doc.page(2).width(), 0.5);
    EXPECT_NEAR(1584, doc.page(2).height(), 0.5);
}

TEST_F(PdfLayer, SizesFollowTheRequest) {
    pdf::Document doc(geometryPdf(dir));
    pdf::RenderSize atResolution = pdf::sizeAtResolution(doc.page(2), 100);
    EXPECT_EQ(1100, atResolution.width);  // 792 pt at 100 dpi
    EXPECT_EQ(850, atResolution.height);
    EXPECT_DOUBLE_EQ(100.0 / 72.0, atResolution.scaleX);
    pdf::RenderSize exact = pdf::sizeInPixels(doc.page(3), 150, 200);
    EXPECT_EQ(150, exact.width);
    EXPECT_EQ(200, exact.height);
    EXPECT_DOUBLE_EQ(0.5, exact.scaleX);
}

std::vector<unsigned char> renderAll(const pdf::Page& page, const pdf::RenderSize& size,
                                     std::size_t bandBytes, int* bands) {
    std::vector<unsigned char> pixels;
    int expectedRow = 0;
    *bands = 0;
    pdf::renderPage(
        page, size,
        [&](const unsigned char* data, int firstRow, int rows) {
            EXPECT_EQ(expectedRow, firstRow);
            expectedRow += rows;
            pixels.insert(pixels.end(), data, data + static_cast<size_t>(rows) * size.width * 3);
            ++*bands;
        },
        bandBytes);
    EXPECT_EQ(size.height, expectedRow);
    return pixels;
}

TEST_F(PdfLayer, BandsJoinIntoTheSameImageAsOneBand) {
    pdfbuild::DocumentSpec spec;
    pdfbuild::PageSpec page;
    page.rects.push_back({50, 50, 300, 500, 0.2, 0.4, 0.8});
    for (int i = 0; i < 20; ++i) page.texts.push_back({60, 740.0 - i * 33, "Band test line", 30});
    spec.pages.push_back(page);
    pdfbuild::writePdf(spec, dir.file("bands.pdf"));
    pdf::Document doc(dir.file("bands.pdf"));
    pdf::Page p = doc.page(1);
    pdf::RenderSize size = pdf::sizeAtResolution(p, 72);
    int oneBand = 0;
    int manyBands = 0;
    std::vector<unsigned char> whole = renderAll(p, size, 64u << 20, &oneBand);
    std::vector<unsigned char> banded = renderAll(p, size, size.width * 3 * 37, &manyBands);
    EXPECT_EQ(1, oneBand);
    EXPECT_EQ((792 + 36) / 37, manyBands);
    ASSERT_EQ(whole.size(), banded.size());
    long differing = 0;
    for (size_t i = 0; i < whole.size(); ++i) differing += std::abs(whole[i] - banded[i]) > 8;
    EXPECT_LT(differing, static_cast<long>(whole.size() / 1000));
}

TEST_F(PdfLayer, RenderingRefusesEmptyRasters) {
    pdf::Document doc(geometryPdf(dir));
    EXPECT_THROW(pdf::renderPage(doc.page(1), pdf::RenderSize{0, 10, 1, 1},
                                 [](const unsigned char*, int, int) {}),
                 pdf::Error);
}

TEST_F(PdfLayer, JpegWriterRefusesSizesBeyondItsLimit) {
    std::FILE* sink = std::tmpfile();
    EXPECT_THROW(pdf::JpegWriter(sink, pdf::kMaxJpegDimension + 1, 10, 80, 72), pdf::Error);
    EXPECT_THROW(pdf::JpegWriter(sink, 10, 0, 80, 72), pdf::Error);
    std::fclose(sink);
}

TEST_F(PdfLayer, JpegWriterChecksRowCounts) {
    std::FILE* sink = std::tmpfile();
    std::vector<unsigned char> row(4 * 3, 128);
    {
        pdf::JpegWriter jpeg(sink, 4, 2, 80, 72);
        jpeg.writeRows(row.data(), 1);
        EXPECT_THROW(jpeg.finish(), pdf::Error);
        EXPECT_THROW(jpeg.writeRows(row.data(), 2), pdf::Error);
        jpeg.writeRows(row.data(), 1);
        jpeg.finish();
    }
    std::fclose(sink);
}

}  // namespace
