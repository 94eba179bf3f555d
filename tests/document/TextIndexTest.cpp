// "createindex": DocumentIndex.xml byte for byte, the right-to-left rewrite, and what
// happens when the input or the output cannot be used.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "document/PDFDocument.h"
#include "document/TextIndex.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

pdfbuild::TextRun line(double y, const std::string& text, bool unicode = false) {
    return pdfbuild::textRun(72, y, text, 12, unicode);
}

// One page per entry; each page holds the given lines, 20 points apart from the top.
std::string writeLines(const TempDir& dir, const std::string& name,
                       const std::vector<std::vector<pdfbuild::TextRun>>& pages) {
    pdfbuild::DocumentSpec spec;
    for (const auto& runs : pages) {
        pdfbuild::PageSpec page;
        page.texts = runs;
        spec.pages.push_back(page);
    }
    std::string path = dir.file(name);
    pdfbuild::writePdf(spec, path);
    return path;
}

std::string indexJob(const std::string& pdf, const std::string& outputDir,
                     const std::string& extra = "") {
    return "<job name=\"createindex\"><inputfile>" + pdf + "</inputfile><outputdir>" + outputDir +
           "</outputdir>" + extra + "</job>";
}

const char kDeclaration[] = "<?xml version=\"1.0\" ?>\n";

TEST(TextIndex, OnePageWithTwoWords) {
    TempDir dir;
    std::string pdf = writeLines(dir, "hello.pdf", {{line(700, "Hello world")}});
    RunResult run = runJob(dir, indexJob(pdf, dir.path()));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(std::string(kDeclaration) +
                  "<doc>\n"
                  "    <page p=\"1\">Hello world</page>\n"
                  "</doc>\n",
              readFile(dir.file("DocumentIndex.xml")));
}

// Three pages, the middle one without text; then a document whose pages hold only a
// rectangle.
TEST(TextIndex, PagesWithoutTextGiveEmptyPageElements) {
    TempDir dir;
    std::string pdf = writeLines(dir, "gap.pdf", {{line(700, "Before")}, {}, {line(700, "After")}});
    ASSERT_EQ(0, runJob(dir, indexJob(pdf, dir.path())).status);
    EXPECT_EQ(std::string(kDeclaration) +
                  "<doc>\n"
                  "    <page p=\"1\">Before</page>\n"
                  "    <page p=\"2\"></page>\n"
                  "    <page p=\"3\">After</page>\n"
                  "</doc>\n",
              readFile(dir.file("DocumentIndex.xml")));

    pdfbuild::DocumentSpec blank;
    blank.pages.resize(2);
    blank.pages[0].rects.push_back({72, 72, 200, 200, 0, 0, 0});
    pdfbuild::writePdf(blank, dir.file("blank.pdf"));
    ASSERT_EQ(0, runJob(dir, indexJob(dir.file("blank.pdf"), dir.path())).status);
    EXPECT_EQ(std::string(kDeclaration) +
                  "<doc>\n"
                  "    <page p=\"1\"></page>\n"
                  "    <page p=\"2\"></page>\n"
                  "</doc>\n",
              readFile(dir.file("DocumentIndex.xml")));
}

// Markup characters, both quotes and the line feed between two lines are escaped the way
// TinyXML writes them.
TEST(TextIndex, TextIsEscaped) {
    TempDir dir;
    std::string pdf = writeLines(dir, "escape.pdf",
                                 {{line(700, "Say \"hi\" & 'bye' <now>"), line(680, "a > b")}});
    ASSERT_EQ(0, runJob(dir, indexJob(pdf, dir.path())).status);
    EXPECT_EQ(std::string(kDeclaration) +
                  "<doc>\n"
                  "    <page p=\"1\">Say &quot;hi&quot; &amp; &apos;bye&apos; &lt;now&gt;&#x0A;a "
                  "&gt; b</page>\n"
                  "</doc>\n",
              readFile(dir.file("DocumentIndex.xml")));
}

TEST(TextIndex, HyphenatedLineEndIsJoined) {
    TempDir dir;
    std::string pdf =
        writeLines(dir, "hyphen.pdf", {{line(700, "the publi-"), line(686, "cation is ready")}});
    ASSERT_EQ(0, runJob(dir, indexJob(pdf, dir.path())).status);
    EXPECT_EQ(std::string(kDeclaration) +
                  "<doc>\n"
                  "    <page p=\"1\">the publication is ready</page>\n"
                  "</doc>\n",
              readFile(dir.file("DocumentIndex.xml")));
}

// A Latin line, a Hebrew line and a mixed one. Without the flag the index holds reading
// order; with it every line's words are reversed and the Hebrew ones spelt backwards, while
// Latin words and numbers keep their spelling.
TEST(TextIndex, RightToLeftRewrite) {
    TempDir dir;
    std::string pdf = writeLines(dir, "hebrew.pdf",
                                 {{line(700, "abc 123"), line(680, "שלום עולם", true),
                                   line(660, "ספר Quillon 2024", true)}});
    const std::string logical = "abc 123&#x0A;שלום עולם&#x0A;ספר Quillon 2024";
    const std::string visual = "123 abc&#x0A;םלוע םולש&#x0A;2024 Quillon רפס";
    auto index = [&](const std::string& text) {
        return std::string(kDeclaration) + "<doc>\n    <page p=\"1\">" + text + "</page>\n</doc>\n";
    };

    ASSERT_EQ(
        0,
        runJob(dir, indexJob(pdf, dir.path(), "<generatertloutput>1</generatertloutput>")).status);
    EXPECT_EQ(index(visual), readFile(dir.file("DocumentIndex.xml")));

    for (const char* off : {"", "<generatertloutput>0</generatertloutput>",
                            "<generatertloutput>true</generatertloutput>",
                            "<generatertloutput></generatertloutput>"}) {
        ASSERT_EQ(0, runJob(dir, indexJob(pdf, dir.path(), off)).status) << off;
        EXPECT_EQ(index(logical), readFile(dir.file("DocumentIndex.xml"))) << off;
    }
}

// A PDF whose page tree is empty (written by hand: the builder always makes a page) would be
// published as an empty document; every text job refuses it with one line and writes nothing.
TEST(TextIndex, DocumentWithoutPagesIsRefused) {
    TempDir dir;
    writeFile(dir.file("nopages.pdf"),
              "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
              "2 0 obj <</Type/Pages/Kids[]/Count 0>> endobj\n"
              "trailer <</Root 1 0 R>>\n%%EOF\n");
    const std::string files = "<inputfile>" + dir.file("nopages.pdf") + "</inputfile><outputdir>" +
                              dir.path() + "</outputdir>";
    for (const std::string& job :
         {indexJob(dir.file("nopages.pdf"), dir.path()),
          "<job name=\"createseotext\">" + files +
              "<title>T</title><maxlines>5</maxlines><addcreatorlink>0</addcreatorlink>"
              "<creatorname>c</creatorname><creatorurl>u</creatorurl></job>",
          "<job name=\"createpageshtml\">" + files + "</job>"}) {
        RunResult run = runJob(dir, job);
        EXPECT_EQ(255, run.status) << job;
        EXPECT_EQ("nopages.pdf: cannot open document: it has no pages\n", run.out) << job;
    }
    EXPECT_EQ((std::vector<std::string>{"job.xml", "nopages.pdf"}), listDir(dir.path()));
}

TEST(TextIndex, SplitJoinAndRightToLeftTest) {
    std::vector<std::wstring> pieces;
    splitString(pieces, L"a  b", L" ");
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"b"}), pieces);
    std::reverse(pieces.begin(), pieces.end());
    EXPECT_EQ(L"b  a", joinStrings(pieces, L" "));

    pieces.clear();
    splitString(pieces, L"", L"\n");
    EXPECT_EQ((std::vector<std::wstring>{L""}), pieces);
    pieces.clear();
    splitString(pieces, L"\nx\n", L"\n");
    EXPECT_EQ((std::vector<std::wstring>{L"", L"x", L""}), pieces);
    EXPECT_EQ(L"\nx\n", joinStrings(pieces, L"\n"));
    // An empty separator leaves the text whole (searching for it would never advance).
    pieces.clear();
    splitString(pieces, L"abc", L"");
    EXPECT_EQ((std::vector<std::wstring>{L"abc"}), pieces);
    pieces = {L"", L"x", L""};
    // Pieces are appended to what the list holds.
    splitString(pieces, L"y", L"\n");
    EXPECT_EQ(4u, pieces.size());

    EXPECT_FALSE(hasRTLCharacters(L""));
    EXPECT_FALSE(hasRTLCharacters(L"abc123"));
    EXPECT_FALSE(hasRTLCharacters(std::wstring(1, wchar_t(0x058F))));
    EXPECT_TRUE(hasRTLCharacters(std::wstring(1, wchar_t(0x0590))));
    EXPECT_TRUE(hasRTLCharacters(L"ab" + std::wstring(1, wchar_t(0x07BF))));
    EXPECT_FALSE(hasRTLCharacters(std::wstring(1, wchar_t(0x07C0))));
}

TEST(TextIndex, OutputDirWithoutSeparatorPrefixesTheFileName) {
    TempDir dir;
    std::string pdf = writeLines(dir, "hello.pdf", {{line(700, "Hello")}});
    ASSERT_EQ(0, runJob(dir, indexJob(pdf, dir.path() + "out")).status);
    EXPECT_TRUE(fileExists(dir.file("outDocumentIndex.xml")));
}

TEST(TextIndex, ExistingIndexIsReplacedWhole) {
    TempDir dir;
    std::string pdf = writeLines(dir, "hello.pdf", {{line(700, "Hi")}});
    writeFile(dir.file("DocumentIndex.xml"), std::string(5000, 'x'));
    ASSERT_EQ(0, runJob(dir, indexJob(pdf, dir.path())).status);
    EXPECT_EQ(std::string(kDeclaration) + "<doc>\n    <page p=\"1\">Hi</page>\n</doc>\n",
              readFile(dir.file("DocumentIndex.xml")));
}

TEST(TextIndex, MissingInputFailsSilentlyAndWritesNothing) {
    TempDir dir;
    RunResult run = runJob(dir, indexJob(dir.file("absent.pdf"), dir.path()));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ((std::vector<std::string>{"job.xml"}), listDir(dir.path()));
}

TEST(TextIndex, InputThatIsNotPdfIsReportedAndNothingIsWritten) {
    TempDir dir;
    writeFile(dir.file("fake.pdf"), "plain text, not a PDF");
    RunResult run = runJob(dir, indexJob(dir.file("fake.pdf"), dir.path()));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(0u, run.out.find("fake.pdf: cannot open document: ")) << run.out;
    EXPECT_EQ((std::vector<std::string>{"fake.pdf", "job.xml"}), listDir(dir.path()));
}

// The output directory does not exist: one line naming the file, failure status.
TEST(TextIndex, OutputThatCannotBeCreatedIsReported) {
    TempDir dir;
    std::string pdf = writeLines(dir, "hello.pdf", {{line(700, "Hello")}});
    std::string target = dir.path() + "missing/DocumentIndex.xml";
    RunResult run = runJob(dir, indexJob(pdf, dir.path() + "missing/"));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot create file '" + target + "': No such file or directory\n", run.out);
}

// A directory stands where the index should go: the finished file cannot be put in place,
// the failure is reported, and nothing half-written is left behind.
TEST(TextIndex, OutputIsWrittenWholeOrNotAtAll) {
    TempDir dir;
    std::string pdf = writeLines(dir, "hello.pdf", {{line(700, "Hello")}});
    ASSERT_EQ(0, mkdir(dir.file("DocumentIndex.xml").c_str(), 0755));
    RunResult run = runJob(dir, indexJob(pdf, dir.path()));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(0u, run.out.find("Cannot write file '" + dir.file("DocumentIndex.xml") + "': "))
        << run.out;
    EXPECT_EQ((std::vector<std::string>{"DocumentIndex.xml", "hello.pdf", "job.xml"}),
              listDir(dir.path()));
    EXPECT_TRUE(listDir(dir.file("DocumentIndex.xml")).empty());
}

// An output directory in Latin-1 cannot reach the program: the job file holding it is not
// UTF-8 and is refused whole.
TEST(TextIndex, OutputDirThatIsNotUtf8IsRefusedWithItsJobFile) {
    TempDir dir;
    std::string pdf = writeLines(dir, "hello.pdf", {{line(700, "Hello")}});
    RunResult run = runJob(dir, indexJob(pdf, dir.path() + "caf\xE9-"));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.out.find("Error='The file is not UTF-8 text'")) << run.out;
    EXPECT_EQ((std::vector<std::string>{"hello.pdf", "job.xml"}), listDir(dir.path()));
}

}  // namespace
