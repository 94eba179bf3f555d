// The program as the client sees it: arguments, job files, command names,
// exit statuses and messages.
#include <gtest/gtest.h>

#include "pdf/builder/PdfBuilder.h"
#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// Twelve plain Letter pages with a line of text each.
std::string twelvePagePdf(const TempDir& dir) {
    pdfbuild::DocumentSpec spec;
    for (int i = 1; i <= 12; ++i) {
        pdfbuild::PageSpec page;
        page.texts.push_back({72, 720, "Page " + std::to_string(i)});
        spec.pages.push_back(page);
    }
    std::string path = dir.file("twelve.pdf");
    pdfbuild::writePdf(spec, path);
    return path;
}

std::string countJob(const std::string& pdf) {
    return "<job name=\"getpagescount\"><inputfile>" + pdf + "</inputfile></job>";
}

TEST(Arguments, NoArgumentPrintsNoInputFileWithoutLineEnd) {
    RunResult run = runProgram({});
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("No Input file", run.out);
}

TEST(Arguments, HelpAndVersionPrintAndSucceed) {
    RunResult help = runProgram({"--help"});
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.find("Usage: quillonproxy JOBFILE\n")) << help.out;
    EXPECT_NE(std::string::npos, help.out.find("docs/jobs.md")) << help.out;
    RunResult version = runProgram({"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_TRUE(Pattern("quillonproxy [0-9]+\\.[0-9]+\\.[0-9]+\n").matchesWhole(version.out))
        << version.out;
    // Anything else is a job file, even when it looks like an option.
    RunResult other = runProgram({"-h"});
    EXPECT_EQ(1, other.status);
    EXPECT_EQ(0u, other.out.find("Could not load test file '-h'")) << other.out;
}

TEST(JobFile, UnreadableJobFileNamesItsPathAndExitsWithOne) {
    TempDir dir;
    RunResult run = runProgram({dir.file("absent.xml")});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Could not load test file '" + dir.file("absent.xml") +
                  "'. Error='Failed to open file'. Exiting.\n",
              run.out);
}

TEST(JobFile, MalformedXmlGivesTinyXmlErrorAndExitsWithOne) {
    TempDir dir;
    RunResult run = runJob(dir, "<job name=\"getpagescount\"><inputfile>x</job>");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("Could not load test file '" + dir.file("job.xml") + "'. Error='"))
        << run.out;
    EXPECT_NE(std::string::npos, run.out.find("'. Exiting.\n"));
}

// Regression: TinyXML asked a directory for its length and ran out of memory.
TEST(JobFile, DirectoryAsJobFileIsAFileThatDoesNotLoad) {
    TempDir dir;
    RunResult run = runProgram({dir.path()});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(
        "Could not load test file '" + dir.path() + "'. Error='Failed to open file'. Exiting.\n",
        run.out);
}

TEST(JobFile, DocumentWithoutJobElementOrNameFails) {
    TempDir dir;
    RunResult run = runJob(dir, "<task name=\"getpagescount\"/>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Job file '" + dir.file("job.xml") + "' has no 'job' element\n", run.out);
    run = runJob(dir, "<job><inputfile>a.pdf</inputfile></job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Job file '" + dir.file("job.xml") + "' names no command\n", run.out);
}

TEST(CommandNames, NamesWithoutCommandFailAndWriteNothing) {
    TempDir dir;
    std::string pdf = twelvePagePdf(dir);
    for (const char* name : {"end", "createintopage"}) {
        RunResult run =
            runJob(dir, std::string("<job name=\"") + name + "\"><inputfile>" + pdf +
                            "</inputfile><outputdir>" + dir.path() + "</outputdir></job>");
        EXPECT_EQ(255, run.status) << name;
        EXPECT_EQ(std::string("Command '") + name + "' has nothing to run\n", run.out);
    }
    EXPECT_EQ((std::vector<std::string>{"job.xml", "twelve.pdf"}), listDir(dir.path()));
}

TEST(CommandNames, NamesDifferingInCaseAreUnknown) {
    TempDir dir;
    std::string pdf = twelvePagePdf(dir);
    RunResult run =
        runJob(dir, "<job name=\"GetPagesCount\"><inputfile>" + pdf + "</inputfile></job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Unknown command 'GetPagesCount'\n", run.out);
}

TEST(CommandNames, RecognitionWithoutItsRangeFlagFailsNamingIt) {
    TempDir dir;
    RunResult run = runJob(dir,
                           "<job name=\"recognizelinks\"><inputfile>a.pdf</inputfile>"
                           "<outputdir>" +
                               dir.path() + "</outputdir></job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Job parameter 'userange' is missing\n", run.out);
}

TEST(CommandNames, MissingRequiredParameterFailsBeforeAnyWork) {
    TempDir dir;
    RunResult run = runJob(dir,
                           "<job name=\"createimages\"><inputfile>a.pdf</inputfile>"
                           "<outputdir>" +
                               dir.path() +
                               "</outputdir><prefix>p</prefix>"
                               "<quality>80</quality><resolution>72</resolution></job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Job parameter 'headerresolution' is missing\n", run.out);
}

TEST(GetPagesCount, PrintsCountWithoutLineEndAndSucceeds) {
    TempDir dir;
    RunResult run = runJob(dir, countJob(twelvePagePdf(dir)));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("PageCount=12", run.out);
}

TEST(GetPagesCount, MissingFilePrintsNothingAndFails) {
    TempDir dir;
    RunResult run = runJob(dir, countJob(dir.file("missing.pdf")));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("", run.out);
}

// Job files are UTF-8 whatever they declare: one with a Latin-1 "é" in a path is refused
// before anything is looked at.
TEST(GetPagesCount, JobFileThatIsNotUtf8IsRefused) {
    TempDir dir;
    RunResult run = runJob(dir, countJob(dir.path() + "caf\xE9.pdf"));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Could not load test file '" + dir.file("job.xml") +
                  "'. Error='The file is not UTF-8 text'. Exiting.\n",
              run.out);
}

TEST(OpenFailure, FileThatIsNotPdfIsReportedAndNothingIsWritten) {
    TempDir dir;
    writeFile(dir.file("fake.pdf"), "\x89PNG\r\n\x1a\nnot a pdf at all");
    RunResult run = runJob(dir, countJob(dir.file("fake.pdf")));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(0u, run.out.find("fake.pdf: cannot open document: ")) << run.out;
    EXPECT_EQ('\n', run.out.back());

    run = runJob(dir, "<job name=\"createimages\"><inputfile>" + dir.file("fake.pdf") +
                          "</inputfile><outputdir>" + dir.path() +
                          "</outputdir><prefix>p</prefix><quality>80</quality>"
                          "<resolution>72</resolution><headerresolution>72</headerresolution>"
                          "</job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(0u, run.out.find("fake.pdf: cannot open document: ")) << run.out;
    EXPECT_EQ((std::vector<std::string>{"fake.pdf", "job.xml"}), listDir(dir.path()));
}

// Regression: MuPDF's repair opens a file whose catalog lost its /Pages as a document of no
// pages, and every job of the pipeline then published an empty document with status 0. Such
// a file, and one whose page tree is empty, is refused by every command with one line.
TEST(OpenFailure, DocumentWithoutPagesIsRefusedByEveryCommand) {
    TempDir dir;
    writeFile(dir.file("lost.pdf"),
              "%PDF-1.4\n1 0 obj <</Type/Catalog>> endobj\n"
              "2 0 obj <</Type/Page/MediaBox[0 0 100 100]>> endobj\n"
              "trailer <</Root 1 0 R>>\n%%EOF\n");
    writeFile(dir.file("empty-tree.pdf"),
              "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
              "2 0 obj <</Type/Pages/Kids[]/Count 0>> endobj\n"
              "trailer <</Root 1 0 R>>\n%%EOF\n");
    for (const auto& [file, reason] :
         {std::pair<std::string, std::string>{"lost.pdf", "its page tree is missing"},
          {"empty-tree.pdf", "it has no pages"}}) {
        const std::string files = "<inputfile>" + dir.file(file) + "</inputfile><outputdir>" +
                                  dir.path() + "out/</outputdir>";
        for (const std::string& job :
             {countJob(dir.file(file)),
              "<job name=\"createimages\">" + files +
                  "<prefix>p</prefix><quality>80</quality><resolution>72</resolution>"
                  "<headerresolution>72</headerresolution></job>",
              "<job name=\"createdocumentxml\">" + files +
                  "<version>1</version><documentlang>en</documentlang><thumbprefix>t"
                  "</thumbprefix><pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix>"
                  "<zoompostfix>jpg</zoompostfix><docid>d</docid><importbookmarks>true"
                  "</importbookmarks><importpagelabels>true</importpagelabels></job>",
              "<job name=\"createindex\">" + files + "</job>"}) {
            RunResult run = runJob(dir, job);
            EXPECT_EQ(255, run.status) << job;
            EXPECT_EQ(file + ": cannot open document: " + reason + "\n", run.out) << job;
        }
    }
    EXPECT_EQ((std::vector<std::string>{"empty-tree.pdf", "job.xml", "lost.pdf"}),
              listDir(dir.path()));
}

// Regression: MuPDF shows a page the file no longer holds (a truncated upload: the page tree
// names objects that were cut off) or whose content stream is gone as an empty page, and
// "createindex" wrote blank pages with status 0. Such a page fails the job with one line and
// nothing is written; the page count is still the tree's.
TEST(OpenFailure, PageThatATruncatedFileLostFailsTheJob) {
    TempDir dir;
    // Page 1 is whole; page 2 names object 4, which the file does not hold.
    writeFile(dir.file("cut.pdf"),
              "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
              "2 0 obj <</Type/Pages/Kids[3 0 R 4 0 R]/Count 2>> endobj\n"
              "3 0 obj <</Type/Page/Parent 2 0 R/MediaBox[0 0 100 100]>> endobj\n"
              "trailer <</Root 1 0 R>>\n%%EOF\n");
    // The one page's /Contents names object 4, which the file does not hold.
    writeFile(dir.file("no-content.pdf"),
              "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n"
              "2 0 obj <</Type/Pages/Kids[3 0 R]/Count 1>> endobj\n"
              "3 0 obj <</Type/Page/Parent 2 0 R/MediaBox[0 0 100 100]/Contents 4 0 R>> endobj\n"
              "trailer <</Root 1 0 R>>\n%%EOF\n");
    for (const auto& [file, line] :
         {std::pair<std::string, std::string>{
              "cut.pdf", "cut.pdf: page 2: cannot load page: its page object is missing"},
          {"no-content.pdf",
           "no-content.pdf: page 1: cannot load page: its content stream is missing"}}) {
        RunResult run =
            runJob(dir, "<job name=\"createindex\"><inputfile>" + dir.file(file) +
                            "</inputfile><outputdir>" + dir.path() + "</outputdir></job>");
        EXPECT_EQ(255, run.status) << file;
        EXPECT_EQ(line + "\n", run.out);
    }
    EXPECT_EQ((std::vector<std::string>{"cut.pdf", "job.xml", "no-content.pdf"}),
              listDir(dir.path()));
    RunResult count = runJob(dir, countJob(dir.file("cut.pdf")));
    EXPECT_EQ(0, count.status);
    EXPECT_EQ("PageCount=2", count.out);
}

TEST(OpenFailure, EmptyFileIsReported) {
    TempDir dir;
    writeFile(dir.file("empty.pdf"), "");
    RunResult run = runJob(dir, countJob(dir.file("empty.pdf")));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ(0u, run.out.find("empty.pdf: cannot open document")) << run.out;
}

TEST(OpenFailure, DocumentNeedingAPasswordIsRefused) {
    REQUIRE_CORPUS_FILE(pdf, "pysf_writer-password.pdf");
    TempDir dir;
    RunResult run = runJob(dir, countJob(pdf));
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("pysf_writer-password.pdf: cannot open document: a password is required\n", run.out);
}

TEST(OpenFailure, UnrecoverableCorpusFilesFailWithAMessage) {
    for (const char* name :
         {"ocrmypdf_invalid.pdf", "plumber_empty.pdf", "pysf_not-a-pdf-png.pdf"}) {
        std::string pdf = corpusFile(name);
        if (pdf.empty()) GTEST_SKIP() << "corpus not present";
        TempDir dir;
        RunResult run = runJob(dir, countJob(pdf));
        EXPECT_EQ(255, run.status) << name;
        EXPECT_EQ(0u, run.out.find(std::string(name) + ": cannot open document")) << run.out;
    }
}

// Every readable corpus file: the program's page count is pdfinfo's.
TEST(GetPagesCount, AgreesWithPdfinfoOnRealWorldFiles) {
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not present";
    if (shell("command -v pdfinfo").empty()) GTEST_SKIP() << "pdfinfo not installed";
    int compared = 0;
    for (const std::string& name : listDir(corpus)) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".pdf") continue;
        std::string path = corpus + "/" + name;
        std::string info = shell("pdfinfo '" + path + "' 2>/dev/null | sed -n 's/^Pages: *//p'");
        if (info.empty()) continue;  // pdfinfo cannot read it either
        TempDir dir;
        RunResult run = runJob(dir, countJob(path));
        EXPECT_EQ(0, run.status) << name << ": " << run.out;
        EXPECT_EQ("PageCount=" + info.substr(0, info.find('\n')), run.out) << name;
        ++compared;
    }
    EXPECT_GT(compared, 30);
}

TEST(GetPagesCount, EncryptedWithEmptyUserPasswordOpens) {
    REQUIRE_CORPUS_FILE(pdf, "pdfjs_issue7665.pdf");
    TempDir dir;
    RunResult run = runJob(dir, countJob(pdf));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("PageCount=1", run.out);
}

}  // namespace
