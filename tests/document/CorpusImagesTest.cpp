// "createimages" on real-world documents, compared with poppler's renderer.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

struct Comparison {
    int pages = 0;
    double worstDifference = 0;
};

// Renders the whole document at dpi with a different header resolution, and
// compares every step-th page with pdftoppm's rendering of its crop box.
Comparison compareWithPoppler(const std::string& pdf, int dpi, int step) {
    Comparison result;
    TempDir dir;
    std::string r = std::to_string(dpi);
    RunResult run = runJob(dir, "<job name=\"createimages\"><inputfile>" + pdf +
                                    "</inputfile><outputdir>" + dir.path() +
                                    "</outputdir><prefix>p</prefix><quality>90</quality>"
                                    "<resolution>" +
                                    r + "</resolution><headerresolution>" +
                                    std::to_string(dpi + 1) + "</headerresolution></job>");
    EXPECT_EQ(0, run.status) << run.out;
    std::string pages = shell("pdfinfo '" + pdf + "' | sed -n 's/^Pages: *//p'");
    int count = std::atoi(pages.c_str());
    EXPECT_GT(count, 0);
    for (int n = 1; n <= count; ++n) {
        std::string file = dir.file("p" + std::to_string(n) + ".jpg");
        Image ours = decodeJpeg(file);
        EXPECT_EQ(1, ours.densityUnit) << file;
        EXPECT_EQ(300, ours.xDensity) << file;
        EXPECT_EQ(300, ours.yDensity) << file;
        if ((n - 1) % step != 0) continue;
        std::string number = std::to_string(n);
        shell("pdftoppm -cropbox -r " + r + " -f " + number + " -l " + number + " -singlefile '" +
              pdf + "' '" + dir.file("ref") + "'");
        Image reference = readPpm(dir.file("ref.ppm"));
        EXPECT_NEAR(reference.width, ours.width, 1) << "page " << n;
        EXPECT_NEAR(reference.height, ours.height, 1) << "page " << n;
        // The two engines draw glyphs a little differently heavy, which the
        // block averages keep; misplaced or missing content shows far more.
        double difference = blockMeanDifference(reference, ours, 4);
        EXPECT_LT(difference, 12.0) << "page " << n;
        // Content sits where poppler puts it: shifting either image by two
        // pixels only makes them differ more.
        double aligned = meanAbsoluteDifference(reference, ours);
        for (auto [dx, dy] : {std::pair{2, 0}, {-2, 0}, {0, 2}, {0, -2}}) {
            EXPECT_LE(aligned, meanAbsoluteDifference(reference, ours, dx, dy) + 0.01)
                << "page " << n << " shifted " << dx << "," << dy;
        }
        result.worstDifference = std::max(result.worstDifference, difference);
        ++result.pages;
    }
    EXPECT_EQ(count, static_cast<int>(listDir(dir.path()).size()) - 2);  // job.xml, ref.ppm
    return result;
}

bool haveTools() {
    return !shell("command -v pdftoppm").empty() && !shell("command -v pdfinfo").empty();
}

TEST(CorpusImages, LongBookMatchesPopplerPageByPage) {
    REQUIRE_CORPUS_FILE(pdf, "pdfjs_freeculture.pdf");
    if (!haveTools()) GTEST_SKIP() << "poppler-utils not installed";
    Comparison result = compareWithPoppler(pdf, 72, 12);
    std::printf("freeculture: %d pages compared, worst block difference %.2f\n", result.pages,
                result.worstDifference);
    EXPECT_EQ(30, result.pages);
}

TEST(CorpusImages, RotatedAndMixedSizePagesMatchPoppler) {
    if (!haveTools()) GTEST_SKIP() << "poppler-utils not installed";
    for (const char* name : {"pdfjs_rotation.pdf", "pdfjs_sizes.pdf", "plumber_nics-rotated.pdf",
                             "pysf_habibi-rotated.pdf", "pdfjs_tracemonkey.pdf"}) {
        std::string pdf = corpusFile(name);
        if (pdf.empty()) GTEST_SKIP() << "corpus not present";
        SCOPED_TRACE(name);
        Comparison result = compareWithPoppler(pdf, 60, 1);
        std::printf("%s: %d pages, worst block difference %.2f\n", name, result.pages,
                    result.worstDifference);
    }
}

}  // namespace
