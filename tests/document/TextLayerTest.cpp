// "createtextlayer": Text_N.json byte for byte, the boxes of words on upright, turned, rotated,
// right-to-left and vertical lines against the glyphs they cover, and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "document/TextLayerReader.h"
#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/TextPage.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// Base-14 Helvetica as the reader measures it: the published ascent and descent.
constexpr double kAscent = 0.718;
constexpr double kDescent = -0.207;
// Numbers are written to a tenth of a point.
constexpr double kRounding = 0.05 + 1e-9;

double width(const std::string& text, double size = 12, bool unicode = false) {
    return pdfbuild::textWidth(pdfbuild::textRun(0, 0, text, size, unicode));
}

std::string layerJob(const std::string& pdf, const std::string& outputDir,
                     const std::string& more = "") {
    return "<job name=\"createtextlayer\"><inputfile>" + pdf + "</inputfile><outputdir>" +
           outputDir + "</outputdir>" + more + "</job>";
}

std::string writeDoc(const TempDir& dir, const pdfbuild::DocumentSpec& spec) {
    std::string path = dir.file("in.pdf");
    pdfbuild::writePdf(spec, path);
    return path;
}

std::string writePages(const TempDir& dir, const std::vector<pdfbuild::PageSpec>& pages) {
    pdfbuild::DocumentSpec spec;
    spec.pages = pages;
    return writeDoc(dir, spec);
}

pdfbuild::PageSpec page(const std::vector<pdfbuild::TextRun>& runs) {
    pdfbuild::PageSpec spec;
    spec.texts = runs;
    return spec;
}

pdfbuild::TextRun turned(double x, double y, const std::string& text, double angle) {
    pdfbuild::TextRun run = pdfbuild::textRun(x, y, text);
    run.angle = angle;
    return run;
}

// Runs the job on pdf and reads page n's file.
Layer layerOf(const TempDir& dir, const std::string& pdf, int n = 1) {
    RunResult run = runJob(dir, layerJob(pdf, dir.path()));
    EXPECT_EQ(0, run.status) << run.out;
    Layer layer;
    LayerReader reader;
    const std::string json = readFile(dir.file("Text_" + std::to_string(n) + ".json"));
    EXPECT_TRUE(reader.read(json, layer)) << reader.error() << "\n" << json;
    return layer;
}

// Word i's start and length.
double start(const LayerLine& line, std::size_t i) {
    return line.b.at(2 * i);
}
double length(const LayerLine& line, std::size_t i) {
    return line.b.at(2 * i + 1);
}

// "Hello world" at (72, 700) and a line of JSON's special characters at (72, 680) in 12-point
// Helvetica on a Letter page, and an empty page. y = 792 - 700 - 0.718 × 12 = 83.384; h =
// (0.718 + 0.207) × 12 = 11.1; "Hello" is 2278/1000 em (27.336), "Hello " 2556 (30.672),
// "world" 2389 (28.668). The line's words are read as painted: an escaped quotation mark and
// backslash.
TEST(TextLayer, FileIsExactlyTheFormat) {
    TempDir dir;
    std::string pdf = writePages(dir, {page({pdfbuild::textRun(72, 700, "Hello world"),
                                             pdfbuild::textRun(72, 680, "Say \"hi\" C:\\dir")}),
                                       page({})});
    RunResult run = runJob(dir, layerJob(pdf, dir.path()));
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ("", run.out);
    EXPECT_EQ(
        "{\"v\":1,\"p\":1,\"w\":612,\"h\":792,\"l\":["
        "[\"Hello world\",72,83.4,11.1,12,[0,27.3,3.4,28.7]],"
        "[\"Say \\\"hi\\\" C:\\\\dir\",72,103.4,11.1,12,[0,20.7,3.3,17.9,3.3,28.7]]]}",
        readFile(dir.file("Text_1.json")));
    EXPECT_EQ("{\"v\":1,\"p\":2,\"w\":612,\"h\":792,\"l\":[]}", readFile(dir.file("Text_2.json")));

    // The figures are those of the font's metrics.
    Layer layer = layerOf(dir, pdf);
    ASSERT_EQ(2u, layer.lines.size());
    const LayerLine& hello = layer.lines[0];
    EXPECT_NEAR(792 - 700 - kAscent * 12, hello.y, kRounding);
    EXPECT_NEAR((kAscent - kDescent) * 12, hello.h, kRounding);
    EXPECT_NEAR(width("Hello"), length(hello, 0), kRounding);
    EXPECT_NEAR(width("Hello "), start(hello, 1), kRounding);
    EXPECT_NEAR(width("world"), length(hello, 1), kRounding);
    const LayerLine& say = layer.lines[1];
    EXPECT_NEAR(width("Say \"hi\" "), start(say, 2), kRounding);
    EXPECT_NEAR(width("C:\\dir"), length(say, 2), kRounding);
}

// A page shown turned by /Rotate 90 (792 wide, 612 high): a line drawn upwards reads upright
// on it, one drawn rightwards runs down the shown page ("a":90, its box starting at its
// right-hand top corner and running down and leftwards). On an upright page a line turned 2
// degrees counter-clockwise runs at 358 degrees, its words measured along it.
TEST(TextLayer, TurnedPagesAndLinesGetTheirDirection) {
    TempDir dir;
    pdfbuild::PageSpec rotated =
        page({turned(300, 100, "Upright words", 90), pdfbuild::textRun(100, 500, "Down the page")});
    rotated.rotate = 90;
    std::string pdf = writePages(dir, {rotated, page({turned(100, 300, "Tilted line", 2)})});
    Layer layer = layerOf(dir, pdf);
    EXPECT_EQ(792, layer.w);
    EXPECT_EQ(612, layer.h);
    ASSERT_EQ(2u, layer.lines.size());
    const LayerLine* upright = &layer.lines[0];
    const LayerLine* down = &layer.lines[1];
    if (upright->t != "Upright words") std::swap(upright, down);
    EXPECT_EQ("Upright words", upright->t);
    EXPECT_EQ(0, upright->a);
    // User (x, y) shows at (y, x): the baseline at 300 from the top, from x 100.
    EXPECT_NEAR(100, upright->x, kRounding);
    EXPECT_NEAR(300 - kAscent * 12, upright->y, kRounding);
    EXPECT_NEAR(width("Upright "), start(*upright, 1), kRounding);
    EXPECT_NEAR(width("words"), length(*upright, 1), kRounding);

    EXPECT_EQ("Down the page", down->t);
    EXPECT_EQ(90, down->a);
    EXPECT_NEAR(500 + kAscent * 12, down->x, kRounding);
    EXPECT_NEAR(100, down->y, kRounding);
    EXPECT_NEAR((kAscent - kDescent) * 12, down->h, kRounding);
    EXPECT_NEAR(width("Down the "), start(*down, 2), kRounding);
    EXPECT_NEAR(width("page"), length(*down, 2), kRounding);
    EXPECT_FALSE(down->r);

    Layer tilted = layerOf(dir, pdf, 2);
    ASSERT_EQ(1u, tilted.lines.size()) << readFile(dir.file("Text_2.json"));
    const LayerLine& line = tilted.lines[0];
    EXPECT_EQ(358, line.a);
    EXPECT_NEAR(width("Tilted "), start(line, 1), kRounding);
    EXPECT_NEAR(width("line"), length(line, 1), kRounding);
    EXPECT_NEAR((kAscent - kDescent) * 12, line.h, kRounding);
    // The box starts at the top of the first glyph's start: the baseline origin moved up by
    // the ascent, across the turned line.
    const double radians = 2 * M_PI / 180;
    EXPECT_NEAR(100 - std::sin(radians) * kAscent * 12, line.x, kRounding);
    EXPECT_NEAR(792 - 300 - std::cos(radians) * kAscent * 12, line.y, kRounding);
}

// A Hebrew line the builder draws in visual order: written in logical order, marked "r":1,
// the first word at the right, each box over its own glyphs.
TEST(TextLayer, RightToLeftLineIsLogicalWithBoxesOnTheShownPage) {
    TempDir dir;
    const std::string shalom = "\u05E9\u05DC\u05D5\u05DD", olam = "\u05E2\u05D5\u05DC\u05DD";
    std::string pdf =
        writePages(dir, {page({pdfbuild::textRun(72, 700, shalom + " " + olam, 12, true),
                               pdfbuild::textRun(72, 650, "Latin line", 12)})});
    Layer layer = layerOf(dir, pdf);
    ASSERT_EQ(2u, layer.lines.size());
    const LayerLine& line = layer.lines[0];
    EXPECT_EQ(shalom + " " + olam, line.t);
    EXPECT_TRUE(line.r);
    EXPECT_EQ(0, line.a);
    const double all = width(shalom + " " + olam, 12, true);
    EXPECT_NEAR(72, line.x, kRounding);
    EXPECT_NEAR(all - width(shalom, 12, true), start(line, 0), kRounding);
    EXPECT_NEAR(width(shalom, 12, true), length(line, 0), kRounding);
    EXPECT_NEAR(0, start(line, 1), kRounding);
    EXPECT_NEAR(width(olam, 12, true), length(line, 1), kRounding);
    EXPECT_GT(start(line, 0), start(line, 1));
    EXPECT_FALSE(layer.lines[1].r);
}

// Japanese down a column (Identity-V) at 20 points from user (300, 700): one em wide across,
// three ems down; the box starts at the column's top right and runs down and leftwards.
TEST(TextLayer, VerticalJapaneseRunsDownThePage) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    std::string font =
        pdfbuild::addVerticalFont(doc, {{1, "\u65E5"}, {2, "\u672C"}, {3, "\u8A9E"}});
    pdfbuild::PageSpec spec;
    spec.resources = {{"Font", "V1", font}};
    spec.rawContent = "BT /V1 20 Tf 1 0 0 1 300 700 Tm <000100020003> Tj ET";
    doc.pages.push_back(spec);
    std::string pdf = writeDoc(dir, doc);
    ASSERT_EQ(0, runJob(dir, layerJob(pdf, dir.path())).status);
    EXPECT_EQ(
        "{\"v\":1,\"p\":1,\"w\":612,\"h\":792,\"l\":[[\"\u65E5\u672C\u8A9E\","
        "310,92,20,20,[0,60],0,90]]}",
        readFile(dir.file("Text_1.json")));
}

// A word hyphenated over a line break keeps its hyphen on the first line (the index joins
// it); a table row is one line, its cells at their columns; text painted by a form XObject
// (moved by its matrix) is read where the form puts it.
TEST(TextLayer, HyphenatedWordsTableRowsAndForms) {
    TempDir dir;
    auto price = [](double y, const std::string& text) {
        return pdfbuild::textRun(400 - width(text), y, text);
    };
    pdfbuild::PageSpec first = page({pdfbuild::textRun(72, 700, "a long word is hyphen-"),
                                     pdfbuild::textRun(72, 686, "ated over two lines.")});
    pdfbuild::PageSpec table =
        page({pdfbuild::textRun(72, 720, "Prices of the day:"), pdfbuild::textRun(72, 700, "Item"),
              price(700, "Price"), pdfbuild::textRun(72, 686, "Tea"), price(686, "3.20"),
              pdfbuild::textRun(72, 672, "Coffee"), price(672, "4.10")});
    pdfbuild::PageSpec form;
    form.forms = {
        {"Fm1", "BT /Helv 12 Tf 1 0 0 1 72 700 Tm (In a form) Tj ET", {1, 0, 0, 1, 10, -20}}};
    form.rawContent = "q /Fm1 Do Q";
    std::string pdf = writePages(dir, {first, table, form});

    Layer hyphen = layerOf(dir, pdf, 1);
    ASSERT_EQ(2u, hyphen.lines.size());
    EXPECT_EQ("a long word is hyphen-", hyphen.lines[0].t);
    EXPECT_EQ("ated over two lines.", hyphen.lines[1].t);
    EXPECT_NEAR(width("hyphen-"), length(hyphen.lines[0], 4), kRounding);

    Layer rows = layerOf(dir, pdf, 2);
    ASSERT_EQ(4u, rows.lines.size());
    EXPECT_EQ("Coffee 4.10", rows.lines[3].t);
    EXPECT_NEAR(72, rows.lines[3].x, kRounding);
    EXPECT_NEAR(400 - width("4.10") - 72, start(rows.lines[3], 1), kRounding);
    EXPECT_NEAR(width("4.10"), length(rows.lines[3], 1), kRounding);

    Layer inForm = layerOf(dir, pdf, 3);
    ASSERT_EQ(1u, inForm.lines.size());
    EXPECT_EQ("In a form", inForm.lines[0].t);
    EXPECT_NEAR(82, inForm.lines[0].x, kRounding);
    EXPECT_NEAR(792 - 680 - kAscent * 12, inForm.lines[0].y, kRounding);
    EXPECT_NEAR(width("In a form"), start(inForm.lines[0], 2) + length(inForm.lines[0], 2),
                kRounding);
}

// Every word's box, rebuilt from the file (corner, direction, start, length, height), is the
// union of its glyphs' quads as the PDF layer measures them, mapped to the shown page: on
// upright and turned pages, in several sizes, with a line in a form and one upside down.
TEST(TextLayer, EveryWordBoxIsTheUnionOfItsGlyphQuads) {
    TempDir dir;
    pdfbuild::PageSpec upright = page({pdfbuild::textRun(72, 700, "Mixed sizes here", 18),
                                       pdfbuild::textRun(72, 660, "and a smaller line", 9),
                                       turned(500, 300, "upside down text", 180)});
    upright.forms = {{"Fm1", "BT /Helv 10 Tf 1 0 0 1 72 500 Tm (formed words) Tj ET"}};
    upright.rawContent = "q /Fm1 Do Q";
    pdfbuild::PageSpec rotated =
        page({turned(300, 100, "Upright words", 90), pdfbuild::textRun(100, 500, "Down the page"),
              turned(400, 700, "Up the page", 270)});
    rotated.rotate = 90;
    std::string pdf = writePages(dir, {upright, rotated});
    ASSERT_EQ(0, runJob(dir, layerJob(pdf, dir.path())).status);

    pdf::Library library;
    pdf::Document document(pdf);
    int words = 0;
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        Layer layer;
        LayerReader reader;
        ASSERT_TRUE(reader.read(readFile(dir.file("Text_" + std::to_string(n) + ".json")), layer))
            << reader.error();
        pdf::Page pdfPage = document.page(n);
        pdf::TextPage text(pdfPage);
        ASSERT_EQ(text.lines().size(), layer.lines.size());
        for (std::size_t l = 0; l < layer.lines.size(); ++l) {
            const LayerLine& line = layer.lines[l];
            SCOPED_TRACE(line.t);
            const double radians = line.a * M_PI / 180;
            const double ux = std::cos(radians), uy = std::sin(radians);
            auto words_ = text.words(text.lines()[l]);
            ASSERT_EQ(2 * words_.size(), line.b.size());
            for (std::size_t w = 0; w < words_.size(); ++w) {
                // The file's box: corners at start and end along, 0 and h across.
                double along0 = start(line, w), along1 = along0 + length(line, w);
                std::vector<pdf::Point> corners;
                for (double s : {along0, along1})
                    for (double t : {0.0, line.h})
                        corners.push_back({line.x + s * ux - t * uy, line.y + s * uy + t * ux});
                const pdf::Rect written = pdf::boundsOfPoints(corners);
                // The glyphs': every line here runs at a quarter turn, so the union of the
                // quads is the page-space box of the word's user-space box.
                const pdf::Rect glyphs = pdfPage.userToPage().apply(words_[w].box);
                const double tolerance = 2 * kRounding;
                EXPECT_NEAR(glyphs.x0, written.x0, tolerance);
                EXPECT_NEAR(glyphs.y0, written.y0, tolerance);
                EXPECT_NEAR(glyphs.x1, written.x1, tolerance);
                EXPECT_NEAR(glyphs.y1, written.y1, tolerance);
                ++words;
            }
        }
    }
    EXPECT_EQ(20, words);
}

// Only the page range asked for; without "userange" every page.
TEST(TextLayer, PageRangeIsReadLikeRecognizeLinks) {
    TempDir dir;
    std::string pdf = writePages(
        dir, {page({pdfbuild::textRun(72, 700, "one")}), page({pdfbuild::textRun(72, 700, "two")}),
              page({pdfbuild::textRun(72, 700, "three")})});
    RunResult run = runJob(dir, layerJob(pdf, dir.path(),
                                         "<userange>1</userange><frompage>2</frompage><topage>9"
                                         "</topage>"));
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ((std::vector<std::string>{"Text_2.json", "Text_3.json", "in.pdf", "job.xml"}),
              listDir(dir.path()));
    ASSERT_EQ(0, runJob(dir, layerJob(pdf, dir.path(), "<frompage>3</frompage>")).status);
    EXPECT_TRUE(fileExists(dir.file("Text_1.json")));
}

// Failures as "createpageshtml" has them: a missing input prints nothing, a damaged PDF and a
// page past the page limits one line, status 255; nothing half-written, earlier pages whole.
TEST(TextLayer, FailuresAreThoseOfTheOtherTextJobs) {
    TempDir dir;
    RunResult missing = runJob(dir, layerJob(dir.file("absent.pdf"), dir.path()));
    EXPECT_EQ(255, missing.status);
    EXPECT_EQ("", missing.out);
    EXPECT_EQ((std::vector<std::string>{"job.xml"}), listDir(dir.path()));

    writeFile(dir.file("damaged.pdf"), "%PDF-1.4\nno objects at all\n");
    RunResult damaged = runJob(dir, layerJob(dir.file("damaged.pdf"), dir.path()));
    RunResult html =
        runJob(dir, "<job name=\"createpageshtml\"><inputfile>" + dir.file("damaged.pdf") +
                        "</inputfile><outputdir>" + dir.path() + "</outputdir></job>");
    EXPECT_EQ(255, damaged.status);
    EXPECT_EQ(1, std::count(damaged.out.begin(), damaged.out.end(), '\n')) << damaged.out;
    EXPECT_EQ(html.out, damaged.out);
    EXPECT_EQ((std::vector<std::string>{"damaged.pdf", "job.xml"}), listDir(dir.path()));

    // Page 2: forms that paint one another, six levels of ten, past the 100,000 forms a page
    // may paint.
    pdfbuild::DocumentSpec doc;
    const std::string helv = pdfbuild::addHelveticaObject(doc);
    const std::size_t firstForm = doc.objects.size();
    for (int k = 0; k < 6; ++k) {
        std::string content = "BT /Helv 10 Tf 1 0 0 1 100 700 Tm (bomb) Tj ET";
        std::string resources = "/Font << /Helv " + helv + " >>";
        if (k < 5) {
            content.clear();
            for (int i = 0; i < 10; ++i)
                content += "q 1 0 0 1 " + std::to_string(i) + " 1 cm /F Do Q ";
            resources = "/XObject << /F @" + std::to_string(firstForm + k + 1) + " >>";
        }
        doc.objects.push_back(
            {"<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << " + resources +
                 " >> >>",
             content});
    }
    doc.pages.push_back(page({pdfbuild::textRun(72, 700, "fine")}));
    pdfbuild::PageSpec bomb;
    bomb.resources = {{"XObject", "F0", "@" + std::to_string(firstForm)}};
    bomb.rawContent = "/F0 Do";
    doc.pages.push_back(bomb);
    doc.pages.push_back(page({pdfbuild::textRun(72, 700, "never read")}));
    std::string pdf = writeDoc(dir, doc);
    RunResult limited = runJob(dir, layerJob(pdf, dir.path()));
    EXPECT_EQ(255, limited.status);
    EXPECT_EQ(
        "in.pdf: page 2: cannot read text: the page paints more than 100000 forms, the most a "
        "page may\n",
        limited.out);
    EXPECT_EQ((std::vector<std::string>{"Text_1.json", "damaged.pdf", "in.pdf", "job.xml"}),
              listDir(dir.path()));
    EXPECT_EQ(0u, readFile(dir.file("Text_1.json")).find("{\"v\":1,\"p\":1,"));

    // A file that cannot be created fails the job with one line naming it.
    RunResult unwritable = runJob(dir, layerJob(pdf, dir.path() + "nowhere/"));
    EXPECT_EQ(255, unwritable.status);
    EXPECT_EQ(
        "Cannot create file '" + dir.path() + "nowhere/Text_1.json': No such file or directory\n",
        unwritable.out);
}

}  // namespace
