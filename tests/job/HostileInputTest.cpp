// Bounded work on hostile input: a PDF of a few kilobytes whose forms paint one another over
// and over, job files and records nested deep or too big, inputs that are devices or pipes,
// patterns that backtrack over a whole page. Each ends at once with its status and one line.
// (The runs below get a memory and a CPU limit, so that a regression ends the test instead of
// the machine.)
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// Runs with at most 2 GB of address space and 60 s of processor time. (AddressSanitizer
// reserves terabytes of address space for its shadow memory, so a sanitized build keeps only
// the time limit.)
RunResult runBounded(const TempDir& dir, const std::string& jobXml) {
    writeFile(dir.file("job.xml"), jobXml);
    return runProgram({dir.file("job.xml")}, [] {
#ifndef __SANITIZE_ADDRESS__
        rlimit memory{2ul << 30, 2ul << 30};
        setrlimit(RLIMIT_AS, &memory);
#endif
        rlimit cpu{60, 60};
        setrlimit(RLIMIT_CPU, &cpu);
    });
}

// Forms F0 to F[depth-1]: each paints the next `fanOut` times, a little apart; the last shows
// `text`. depth 9 and fan-out 10 make a 4 KB file that paints 10^8 forms.
std::string formBomb(const TempDir& dir, int depth, int fanOut, const std::string& text) {
    pdfbuild::DocumentSpec doc;
    std::string helv = pdfbuild::addHelveticaObject(doc);
    const size_t first = doc.objects.size();
    for (int k = 0; k < depth; ++k) {
        std::string content, resources;
        if (k + 1 < depth) {
            for (int i = 0; i < fanOut; ++i)
                content += "q 1 0 0 1 " + std::to_string(i % 50) + " 1 cm /F Do Q ";
            resources = "/XObject << /F @" + std::to_string(first + k + 1) + " >>";
        } else {
            content = "BT /Helv 10 Tf 1 0 0 1 100 700 Tm (" + text + ") Tj ET";
            resources = "/Font << /Helv " + helv + " >>";
        }
        doc.objects.push_back(
            {"<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] "
             "/Resources << " +
                 resources + " >> >>",
             content});
    }
    pdfbuild::PageSpec page;
    page.resources = {{"XObject", "F0", "@" + std::to_string(first)}};
    page.rawContent = "/F0 Do";
    doc.pages.push_back(page);
    std::string path = dir.file("bomb.pdf");
    pdfbuild::writePdf(doc, path);
    return path;
}

std::string files(const TempDir& dir, const std::string& pdf) {
    return "<inputfile>" + pdf + "</inputfile><outputdir>" + dir.path() + "</outputdir>";
}

std::string imagesJob(const TempDir& dir, const std::string& pdf) {
    return "<job name=\"createimages\">" + files(dir, pdf) +
           "<prefix>p</prefix><quality>80</quality><resolution>72</resolution>"
           "<headerresolution>72</headerresolution></job>";
}

// The images and PDFs in the folder (no temporary file, no image of a refused page).
std::vector<std::string> jpegsAndPdfs(const TempDir& dir) {
    std::vector<std::string> kept;
    for (const std::string& name : listDir(dir.path())) {
        if (name.size() > 4 &&
            (name.substr(name.size() - 4) == ".jpg" || name.substr(name.size() - 4) == ".pdf" ||
             name.rfind(".qp-", 0) == 0))
            kept.push_back(name);
    }
    return kept;
}

// Regression: such a file took recognition 16 s and 938 MB at depth 7, past 3.9 GB and an
// unexplained -1 at depth 8, and minutes of every job at depth 9.
TEST(HostileInput, FormsPaintingOneAnotherStopAtThePageLimit) {
    TempDir dir;
    const std::string pdf = formBomb(dir, 9, 10, "bomb");
    const std::string message =
        "bomb.pdf: page 1: cannot read text: the page paints more than 100000 forms, the most a "
        "page may\n";
    RunResult index = runBounded(dir, "<job name=\"createindex\">" + files(dir, pdf) + "</job>");
    EXPECT_EQ(255, index.status);
    EXPECT_EQ(message, index.out);
    // Images stop where the recording of the page's drawing reaches its limit.
    RunResult images = runBounded(dir, imagesJob(dir, pdf));
    EXPECT_EQ(255, images.status);
    EXPECT_EQ(
        "bomb.pdf: page 1: cannot render: the page clips more than 100000 times, the most a "
        "page may\n",
        images.out);
    EXPECT_EQ(std::vector<std::string>{"bomb.pdf"}, jpegsAndPdfs(dir));
    publishPageRecords(dir, pdf);
    RunResult run = runBounded(dir, linksJob(dir, pdf, {{"bomb"}}));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(message, run.out);
}

// Few forms that paint many glyphs, and many forms that draw paths: the recording stops at the
// page's limit of glyphs or of drawings.
TEST(HostileInput, DrawingStopsAtTheGlyphAndDrawingLimits) {
    TempDir dir;
    const std::string glyphs = formBomb(dir, 2, 200, std::string(3000, 'x'));
    RunResult run = runBounded(dir, imagesJob(dir, glyphs));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(
        "bomb.pdf: page 1: cannot render: the page paints more than 500000 glyphs, the most a "
        "page may\n",
        run.out);
    // 50 forms of 30,000 filled rectangles each.
    pdfbuild::DocumentSpec doc;
    std::string rectangles;
    for (int i = 0; i < 30000; ++i) rectangles += std::to_string(i % 500) + " 10 1 1 re f ";
    doc.objects.push_back({"<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] >>", rectangles});
    pdfbuild::PageSpec page;
    page.resources = {{"XObject", "R", "@0"}};
    for (int i = 0; i < 50; ++i) page.rawContent += "/R Do ";
    doc.pages.push_back(page);
    pdfbuild::writePdf(doc, dir.file("paths.pdf"));
    run = runBounded(dir, imagesJob(dir, dir.file("paths.pdf")));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(
        "paths.pdf: page 1: cannot render: the page draws more than 1000000 times, the most a "
        "page may\n",
        run.out);
}

// Few forms, many glyphs: 200 paintings of 3,000 glyphs.
TEST(HostileInput, PageOfTooManyGlyphsStopsAtTheLimit) {
    TempDir dir;
    const std::string pdf = formBomb(dir, 2, 200, std::string(3000, 'x'));
    RunResult run = runBounded(dir, "<job name=\"createindex\">" + files(dir, pdf) + "</job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(
        "bomb.pdf: page 1: cannot read text: the page paints more than 500000 glyphs, the "
        "most a page may\n",
        run.out);
}

// Regression: 50,000 nested elements overflowed the stack of TinyXML's recursive parser.
TEST(HostileInput, JobFilesNestedTooDeepOrTooBigAreRefused) {
    TempDir dir;
    std::string nested = "<job name=\"getpagescount\">";
    for (int i = 0; i < 100000; ++i) nested += "<a>";
    for (int i = 0; i < 100000; ++i) nested += "</a>";
    nested += "</job>";
    RunResult run = runBounded(dir, nested);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Could not load test file '" + dir.file("job.xml") +
                  "'. Error='Elements nest deeper than 256 levels'. Exiting.\n",
              run.out);

    std::string big =
        "<job name=\"getpagescount\"><!--" + std::string(64u << 20, 'x') + "--></job>";
    run = runBounded(dir, big);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Could not load test file '" + dir.file("job.xml") +
                  "'. Error='The file is larger than 64 MB'. Exiting.\n",
              run.out);
}

TEST(HostileInput, PageRecordNestedTooDeepIsRefusedByName) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    doc.pages[0].texts = {pdfbuild::textRun(72, 700, "www.deep.com")};
    const std::string pdf = dir.file("deep.pdf");
    pdfbuild::writePdf(doc, pdf);
    std::string record = "<page><links />";
    for (int i = 0; i < 300; ++i) record += "<v>";
    for (int i = 0; i < 300; ++i) record += "</v>";
    writeFile(dir.file("Page_1.xml"), record + "<products /></page>");
    RunResult run = runBounded(dir, linksJob(dir, pdf, {{"www\\.[a-z]+\\.com"}}));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot load page record '" + dir.file("Page_1.xml") +
                  "': Elements nest deeper than 256 levels\n",
              run.out);
}

// Regression: a device or a pipe as input made the job read without end or block.
TEST(HostileInput, InputsThatAreNoRegularFilesEndAtOnce) {
    TempDir dir;
    RunResult run = runBounded(dir,
                               "<job name=\"getpagescount\"><inputfile>/dev/zero</inputfile>"
                               "</job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("zero: cannot open document: it is not a regular file\n", run.out);
    ASSERT_EQ(0, mkfifo(dir.file("pipe.pdf").c_str(), 0600));
    run =
        runBounded(dir, "<job name=\"createindex\">" + files(dir, dir.file("pipe.pdf")) + "</job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("pipe.pdf: cannot open document: it is not a regular file\n", run.out);
    // A job file that is a pipe is no job file.
    ASSERT_EQ(0, mkfifo(dir.file("job-pipe.xml").c_str(), 0600));
    run = runProgram({dir.file("job-pipe.xml")});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Could not load test file '" + dir.file("job-pipe.xml") +
                  "'. Error='Failed to open file'. Exiting.\n",
              run.out);
}

// Regression: PCRE2's 32 KB JIT stack ended ordinary patterns such as "(.|\s)*" on a page of
// text with "JIT stack limit reached".
TEST(HostileInput, BacktrackingOverALongPageIsSearched) {
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(1);
    for (int line = 0; line < 60; ++line) {
        doc.pages[0].texts.push_back(pdfbuild::textRun(
            36, 760 - 12.0 * line, "line " + std::to_string(line) + " of a long page of words", 8));
    }
    doc.pages[0].texts.push_back(pdfbuild::textRun(36, 20, "the end", 8));
    const std::string pdf = dir.file("long.pdf");
    pdfbuild::writePdf(doc, pdf);
    publishPageRecords(dir, pdf);
    RunResult run = runBounded(dir, linksJob(dir, pdf, {{"(?s)(.)*end"}, {"(.|\\s)*end"}}));
    EXPECT_EQ(0, run.status) << run.out;
    // Each pattern matches the page from its first word to "end": one link on each of the
    // page's 61 lines.
    EXPECT_EQ(2u * 61u, linksOf(readFile(dir.file("Page_1.xml"))).size());
}

}  // namespace
