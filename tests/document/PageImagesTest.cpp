// "createimages": file names, the width / height / resolution rules, the
// header-resolution step, pixel content and refused sizes.
#include <gtest/gtest.h>

#include <cmath>

#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

struct ImageJob {
    std::string prefix = "img";
    std::string quality = "80";
    std::string resolution = "72";
    std::string headerResolution = "72";
    std::string width;   // empty: element absent
    std::string height;  // empty: element absent
};

RunResult runImages(const TempDir& dir, const std::string& pdf, const ImageJob& job,
                    const std::string& outputDir) {
    std::string xml = "<job name=\"createimages\"><inputfile>" + pdf + "</inputfile><outputdir>" +
                      outputDir + "</outputdir><prefix>" + job.prefix + "</prefix><quality>" +
                      job.quality + "</quality><resolution>" + job.resolution +
                      "</resolution><headerresolution>" + job.headerResolution +
                      "</headerresolution>";
    if (!job.width.empty()) xml += "<width>" + job.width + "</width>";
    if (!job.height.empty()) xml += "<height>" + job.height + "</height>";
    return runJob(dir, xml + "</job>");
}

RunResult runImages(const TempDir& dir, const std::string& pdf, const ImageJob& job) {
    return runImages(dir, pdf, job, dir.path());
}

pdfbuild::PageSpec page(double w, double h) {
    pdfbuild::PageSpec p;
    p.width = w;
    p.height = h;
    return p;
}

// Page 1: Letter. Page 2: A4 landscape. Page 3: Letter shown rotated by 90
// degrees. Page 4: a crop box of 300 x 400 that does not start at 0 0.
std::string mixedSizesPdf(const TempDir& dir) {
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(612, 792));
    spec.pages.push_back(page(842, 595));
    pdfbuild::PageSpec rotated = page(612, 792);
    rotated.rotate = 90;
    spec.pages.push_back(rotated);
    pdfbuild::PageSpec cropped = page(612, 792);
    cropped.cropBox = std::array<double, 4>{100, 150, 400, 550};
    spec.pages.push_back(cropped);
    std::string path = dir.file("mixed.pdf");
    pdfbuild::writePdf(spec, path);
    return path;
}

struct Size {
    int w, h;
    bool operator==(const Size& o) const { return w == o.w && h == o.h; }
};
std::ostream& operator<<(std::ostream& os, const Size& s) {
    return os << s.w << "x" << s.h;
}

Size sizeOf(const std::string& path) {
    Image image = decodeJpeg(path);
    return {image.width, image.height};
}

TEST(ImageSizes, ResolutionRuleScalesTheShownPage) {
    TempDir dir;
    std::string pdf = mixedSizesPdf(dir);
    ImageJob job;
    job.resolution = "150";
    job.headerResolution = "150";
    RunResult run = runImages(dir, pdf, job);
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ("", run.out);
    EXPECT_EQ((Size{1275, 1650}), sizeOf(dir.file("img1.jpg")));
    EXPECT_EQ((Size{1754, 1239}), sizeOf(dir.file("img2.jpg")));  // 842 and 595 pt at 150 dpi
    EXPECT_EQ((Size{1650, 1275}), sizeOf(dir.file("img3.jpg")));  // rotated: width and height swap
    EXPECT_EQ((Size{625, 833}), sizeOf(dir.file("img4.jpg")));    // crop box 300 x 400 pt
    // Fractions of a pixel are dropped: 842 x 595 pt at 150 dpi is 1754.2 x 1239.6.
}

TEST(ImageSizes, WidthRuleKeepsAspectRatioTruncatingTheHeight) {
    TempDir dir;
    std::string pdf = mixedSizesPdf(dir);
    ImageJob job;
    job.width = "150";
    job.height = "999";  // ignored: the width wins
    ASSERT_EQ(0, runImages(dir, pdf, job).status);
    EXPECT_EQ((Size{150, 194}), sizeOf(dir.file("img1.jpg")));  // 792 / 612 * 150 = 194.1
    EXPECT_EQ((Size{150, 105}), sizeOf(dir.file("img2.jpg")));  // 595 / 842 * 150 = 105.9
    EXPECT_EQ((Size{150, 115}), sizeOf(dir.file("img3.jpg")));  // 612 / 792 * 150 = 115.9
    EXPECT_EQ((Size{150, 200}), sizeOf(dir.file("img4.jpg")));
}

TEST(ImageSizes, HeightRuleAppliesWhenWidthIsAbsentOrNotPositive) {
    TempDir dir;
    std::string pdf = mixedSizesPdf(dir);
    ImageJob job;
    job.width = "0";
    job.height = "200";
    ASSERT_EQ(0, runImages(dir, pdf, job).status);
    EXPECT_EQ((Size{154, 200}), sizeOf(dir.file("img1.jpg")));  // 612 / 792 * 200 = 154.5
    EXPECT_EQ((Size{283, 200}), sizeOf(dir.file("img2.jpg")));  // 842 / 595 * 200 = 283.0
    EXPECT_EQ((Size{150, 200}), sizeOf(dir.file("img4.jpg")));
}

TEST(ImageSizes, NegativeWidthAndHeightFallBackToResolution) {
    TempDir dir;
    std::string pdf = mixedSizesPdf(dir);
    ImageJob job;
    job.width = "-5";
    job.height = "-1";
    ASSERT_EQ(0, runImages(dir, pdf, job).status);
    EXPECT_EQ((Size{612, 792}), sizeOf(dir.file("img1.jpg")));
    EXPECT_EQ((Size{300, 400}), sizeOf(dir.file("img4.jpg")));
}

TEST(ImageFiles, TenPagesGiveNumberedFilesWithoutLeadingZeros) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    for (int i = 0; i < 10; ++i) spec.pages.push_back(page(100, 100));
    pdfbuild::writePdf(spec, dir.file("ten.pdf"));
    ImageJob job;
    job.prefix = "thumb";
    ASSERT_EQ(0, runImages(dir, dir.file("ten.pdf"), job).status);
    std::vector<std::string> expected = {"job.xml", "ten.pdf"};
    for (int i = 1; i <= 10; ++i) expected.push_back("thumb" + std::to_string(i) + ".jpg");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, listDir(dir.path()));
}

TEST(ImageFiles, OutputDirWithoutSeparatorGluesThePrefixOn) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(100, 100));
    pdfbuild::writePdf(spec, dir.file("one.pdf"));
    ImageJob job;
    job.prefix = "thumb";
    ASSERT_EQ(0, runImages(dir, dir.file("one.pdf"), job, dir.path() + "out").status);
    EXPECT_TRUE(fileExists(dir.file("outthumb1.jpg")));
}

TEST(ImageFiles, ExistingImagesAreReplaced) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(100, 100));
    pdfbuild::writePdf(spec, dir.file("one.pdf"));
    writeFile(dir.file("img1.jpg"), "old bytes");
    ASSERT_EQ(0, runImages(dir, dir.file("one.pdf"), ImageJob()).status);
    EXPECT_EQ((Size{100, 100}), sizeOf(dir.file("img1.jpg")));
}

TEST(ImageFiles, MissingOutputDirectoryFailsNamingThePath) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(100, 100));
    pdfbuild::writePdf(spec, dir.file("one.pdf"));
    RunResult run = runImages(dir, dir.file("one.pdf"), ImageJob(), dir.path() + "absent/");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot create file '" + dir.path() + "absent/img1.jpg': No such file or directory\n",
              run.out);
}

TEST(HeaderResolution, EqualResolutionsKeepTheRenderingDensityAndPrintNothing) {
    TempDir dir;
    std::string pdf = mixedSizesPdf(dir);
    ImageJob job;
    job.resolution = "96";
    job.headerResolution = "96";
    RunResult run = runImages(dir, pdf, job);
    ASSERT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    Image image = decodeJpeg(dir.file("img1.jpg"));
    EXPECT_EQ(1, image.densityUnit);
    EXPECT_EQ(96, image.xDensity);
    EXPECT_EQ(96, image.yDensity);
}

TEST(HeaderResolution, DifferentResolutionsRecord300DpiAndReportEachPage) {
    TempDir dir;
    std::string pdf = mixedSizesPdf(dir);
    ImageJob job;
    job.resolution = "50";
    job.headerResolution = "51";
    RunResult run = runImages(dir, pdf, job);
    ASSERT_EQ(0, run.status);
    std::string message = "the complete file content is in memory";
    EXPECT_EQ(message + message + message + message, run.out);
    EXPECT_EQ((Size{425, 550}), sizeOf(dir.file("img1.jpg")));  // rendered at 50 dpi still
    for (int n = 1; n <= 4; ++n) {
        Image image = decodeJpeg(dir.file("img" + std::to_string(n) + ".jpg"));
        EXPECT_EQ(1, image.densityUnit);
        EXPECT_EQ(300, image.xDensity);
        EXPECT_EQ(300, image.yDensity);
    }
}

// A page whose top-left quarter is black, drawn with a red bar along its
// bottom edge, so orientation and placement can be read off the pixels.
pdfbuild::PageSpec markedPage(double w, double h) {
    pdfbuild::PageSpec p = page(w, h);
    p.rects.push_back({0, h / 2, w / 2, h, 0, 0, 0});
    p.rects.push_back({0, 0, w, h / 10, 1, 0, 0});
    return p;
}

TEST(ImageContent, ContentLiesWhereThePageShowsIt) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(markedPage(200, 100));
    pdfbuild::PageSpec rotated = markedPage(200, 100);
    rotated.rotate = 90;
    spec.pages.push_back(rotated);
    pdfbuild::writePdf(spec, dir.file("marked.pdf"));
    ASSERT_EQ(0, runImages(dir, dir.file("marked.pdf"), ImageJob()).status);

    Image upright = decodeJpeg(dir.file("img1.jpg"));
    ASSERT_EQ((Size{200, 100}), (Size{upright.width, upright.height}));
    EXPECT_LT(upright.at(20, 20, 0), 40);    // black top-left
    EXPECT_GT(upright.at(180, 20, 0), 215);  // white top-right
    EXPECT_GT(upright.at(100, 97, 0), 200);  // red bottom bar
    EXPECT_LT(upright.at(100, 97, 1), 60);

    // Shown turned clockwise: the page's top edge is now on the right.
    Image turned = decodeJpeg(dir.file("img2.jpg"));
    ASSERT_EQ((Size{100, 200}), (Size{turned.width, turned.height}));
    EXPECT_LT(turned.at(80, 20, 0), 40);    // black top-right
    EXPECT_GT(turned.at(80, 180, 0), 215);  // white bottom-right
    EXPECT_GT(turned.at(3, 100, 0), 200);   // red bar on the left
    EXPECT_LT(turned.at(3, 100, 1), 60);
}

TEST(ImageContent, MatchesPopplersRenderingOfRotatedAndCroppedPages) {
    if (shell("command -v pdftoppm").empty()) GTEST_SKIP() << "pdftoppm not installed";
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(markedPage(400, 300));
    pdfbuild::PageSpec rotated = markedPage(400, 300);
    rotated.rotate = 270;
    rotated.texts.push_back({40, 200, "Rotated page with text", 24});
    spec.pages.push_back(rotated);
    pdfbuild::PageSpec cropped = markedPage(400, 300);
    cropped.cropBox = std::array<double, 4>{50, 20, 350, 280};
    spec.pages.push_back(cropped);
    pdfbuild::writePdf(spec, dir.file("cmp.pdf"));
    ImageJob job;
    job.resolution = "100";
    job.headerResolution = "100";
    job.quality = "95";
    ASSERT_EQ(0, runImages(dir, dir.file("cmp.pdf"), job).status);
    for (int n = 1; n <= 3; ++n) {
        std::string number = std::to_string(n);
        shell("pdftoppm -cropbox -r 100 -f " + number + " -l " + number + " -singlefile '" +
              dir.file("cmp.pdf") + "' '" + dir.file("ref" + number) + "'");
        Image reference = readPpm(dir.file("ref" + number + ".ppm"));
        Image ours = decodeJpeg(dir.file("img" + number + ".jpg"));
        EXPECT_NEAR(reference.width, ours.width, 1) << n;
        EXPECT_NEAR(reference.height, ours.height, 1) << n;
        EXPECT_LT(meanAbsoluteDifference(reference, ours), 4.0) << n;
    }
}

// Large enough that rendering is split into several bands; a black bar
// crosses every band boundary.
TEST(ImageContent, BandedRenderingOfALargePageIsSeamless) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    pdfbuild::PageSpec big = page(2400, 2400);
    big.rects.push_back({1000, 0, 1400, 2400, 0, 0, 0});
    spec.pages.push_back(big);
    pdfbuild::writePdf(spec, dir.file("big.pdf"));
    ImageJob job;
    job.resolution = "150";
    job.headerResolution = "150";
    ASSERT_EQ(0, runImages(dir, dir.file("big.pdf"), job).status);
    Image image = decodeJpeg(dir.file("img1.jpg"));
    ASSERT_EQ((Size{5000, 5000}), (Size{image.width, image.height}));
    int wrong = 0;
    for (int y = 0; y < image.height; ++y) {
        if (image.at(2500, y, 0) > 40) ++wrong;   // inside the bar
        if (image.at(1000, y, 0) < 215) ++wrong;  // left of it
        if (image.at(4000, y, 1) < 215) ++wrong;  // right of it
    }
    EXPECT_EQ(0, wrong);
}

TEST(ImageLimits, ImageBeyondJpegLimitIsRefusedBeforeAnyFileIsWritten) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(612, 792));
    spec.pages.push_back(page(14400, 14400));
    pdfbuild::writePdf(spec, dir.file("poster.pdf"));
    ImageJob job;
    job.resolution = "400";  // 80,000 pixels on the poster's side
    job.headerResolution = "400";
    RunResult run = runImages(dir, dir.file("poster.pdf"), job);
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(
        "Cannot make page 2 into an image of 80000 x 80000 pixels: a JPEG holds from 1 to "
        "65500 pixels per side\n",
        run.out);
    EXPECT_EQ((std::vector<std::string>{"job.xml", "poster.pdf"}), listDir(dir.path()));
}

TEST(ImageLimits, ZeroResolutionIsRefused) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(612, 792));
    pdfbuild::writePdf(spec, dir.file("one.pdf"));
    ImageJob job;
    job.resolution = "0";
    job.headerResolution = "0";
    RunResult run = runImages(dir, dir.file("one.pdf"), job);
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot make page 1 into an image at a resolution of 0 dpi\n", run.out);
    EXPECT_FALSE(fileExists(dir.file("img1.jpg")));
}

// Regression: a side the size rule truncated to 0 (150 / 14000 x 7 points) failed the whole
// job; it becomes one pixel.
TEST(ImageSizes, SideTruncatedToZeroBecomesOnePixel) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(14000, 7));
    pdfbuild::writePdf(spec, dir.file("thin.pdf"));
    ImageJob job;
    job.width = "150";
    RunResult run = runImages(dir, dir.file("thin.pdf"), job);
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ("", run.out);
    Image image = decodeJpeg(dir.file("img1.jpg"));
    EXPECT_EQ(150, image.width);
    EXPECT_EQ(1, image.height);
}

// Regression: temporary files were named after their target plus 11 bytes, so a target of
// 245 to 255 bytes, which the file system allows, could not be written.
TEST(ImageFiles, LongestNamesTheFileSystemAllowsAreWritten) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    spec.pages.push_back(page(100, 100));
    pdfbuild::writePdf(spec, dir.file("one.pdf"));
    ImageJob job;
    job.prefix = std::string(250, 'p');  // + "1.jpg": 255 bytes
    RunResult run = runImages(dir, dir.file("one.pdf"), job);
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ((std::vector<std::string>{"job.xml", "one.pdf", job.prefix + "1.jpg"}),
              listDir(dir.path()));
}

}  // namespace
