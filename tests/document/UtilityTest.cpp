// File helpers: names, existence, sizes, dates; whole-or-nothing output files.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <ctime>

#include "document/DocumentError.h"
#include "document/OutputFile.h"
#include "document/Utility.h"
#include "support/TestSupport.h"
#include "text/TextEncoding.h"

using namespace testing_support;

namespace {

// Regression: a PDF named back\slash.pdf was recorded as "slash.pdf".
TEST(GetFileName, TakesThePartAfterTheLastSlashWithItsBackslashes) {
    EXPECT_EQ("back\\slash.pdf", Utility::getFileName("/srv/docs/back\\slash.pdf"));
    EXPECT_EQ("report.pdf", Utility::getFileName("/srv/docs/report.pdf"));
    EXPECT_EQ("report.pdf", Utility::getFileName("/srv\\mixed/report.pdf"));
    EXPECT_EQ("", Utility::getFileName("C:\\docs\\report.pdf"));
    EXPECT_EQ("", Utility::getFileName("report.pdf"));
    EXPECT_EQ("", Utility::getFileName("/srv/docs/"));
}

TEST(FileExists, TellsFilesThatAreThereFromThoseThatAreNot) {
    TempDir dir;
    writeFile(dir.file("here.pdf"), "x");
    EXPECT_TRUE(Utility::FileExists(dir.file("here.pdf")));
    EXPECT_FALSE(Utility::FileExists(dir.file("gone.pdf")));
}

TEST(FileExists, MissingPathThatIsNotUtf8Throws) {
    TempDir dir;
    EXPECT_THROW(Utility::FileExists(dir.file("caf\xE9.pdf")), EncodingError);
}

TEST(GetFileSize, GivesBytesOrMinusOne) {
    TempDir dir;
    writeFile(dir.file("five"), "12345");
    EXPECT_EQ(5, Utility::getFileSize(dir.file("five")));
    EXPECT_EQ(-1, Utility::getFileSize(dir.file("none")));
}

TEST(GetTime, IsTodaysLocalDateAsDayMonthYear) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char expected[40];
    std::snprintf(expected, sizeof expected, "%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900);
    std::string today = Utility::getTime();
    EXPECT_EQ(10u, today.size());
    EXPECT_EQ(expected, today);
}

TEST(OutputFileWrite, CommitReplacesTheTargetWhole) {
    TempDir dir;
    writeFile(dir.file("out.xml"), "old content");
    {
        OutputFile out(dir.file("out.xml"));
        std::fputs("new content", out.stream());
        EXPECT_EQ("old content", readFile(dir.file("out.xml")));  // not visible before commit
        out.commit();
    }
    EXPECT_EQ("new content", readFile(dir.file("out.xml")));
    EXPECT_EQ((std::vector<std::string>{"out.xml"}), listDir(dir.path()));
}

TEST(OutputFileWrite, AbandonedWriteLeavesTargetAndNoTemporaryFile) {
    TempDir dir;
    writeFile(dir.file("out.xml"), "old content");
    {
        OutputFile out(dir.file("out.xml"));
        std::fputs("half", out.stream());
    }
    EXPECT_EQ("old content", readFile(dir.file("out.xml")));
    EXPECT_EQ((std::vector<std::string>{"out.xml"}), listDir(dir.path()));
}

TEST(OutputFileWrite, NewFileGetsUsualPermissions) {
    TempDir dir;
    mode_t old = umask(022);
    OutputFile out(dir.file("new.jpg"));
    out.commit();
    umask(old);
    struct stat status;
    ASSERT_EQ(0, stat(dir.file("new.jpg").c_str(), &status));
    EXPECT_EQ(0644u, status.st_mode & 0777);
}

TEST(OutputFileWrite, MissingDirectoryIsNamedInTheError) {
    TempDir dir;
    try {
        OutputFile out(dir.file("no/such/dir/file.xml"));
        FAIL() << "expected DocumentError";
    } catch (const DocumentError& e) {
        EXPECT_EQ("Cannot create file '" + dir.file("no/such/dir/file.xml") +
                      "': No such file or directory",
                  std::string(e.what()));
    }
}

// A file-size limit makes the writes fail as a full disk would.
TEST(OutputFileWrite, FailedWriteIsReportedAndLeavesNothing) {
    TempDir dir;
    writeFile(dir.file("big.bin"), "old");
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            OutputFile out(dir.file("big.bin"));
            std::string block(1 << 16, 'x');
            std::fwrite(block.data(), 1, block.size(), out.stream());
            out.commit();
        } catch (const DocumentError& e) {
            std::string expected = "Cannot write file '" + dir.file("big.bin") + "': ";
            _exit(std::string(e.what()).rfind(expected, 0) == 0 ? 42 : 2);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(42, WEXITSTATUS(status));
    EXPECT_EQ("old", readFile(dir.file("big.bin")));
    EXPECT_EQ((std::vector<std::string>{"big.bin"}), listDir(dir.path()));
}

}  // namespace
