// Outputs replaced by a job: the new file takes the permissions of the one it replaces, and a
// new one the usual permissions for the process's umask.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat status;
    EXPECT_EQ(0, stat(path.c_str(), &status)) << path;
    return status.st_mode & 0777;
}

// Regression: a 664 index came back 644 after every job (the temporary file's mode).
TEST(OutputFiles, ReplacedFileKeepsItsPermissions) {
    TempDir dir;
    const std::string job = "<job name=\"createindex\"><inputfile>" + samplePdf() +
                            "</inputfile><outputdir>" + dir.path() + "</outputdir></job>";
    const mode_t mask = umask(022);
    RunResult fresh = runJob(dir, job);
    ASSERT_EQ(0, fresh.status) << fresh.out;
    EXPECT_EQ(0644u, modeOf(dir.file("DocumentIndex.xml")));

    for (mode_t mode : {0664u, 0600u, 0640u}) {
        writeFile(dir.file("DocumentIndex.xml"), "old");
        ASSERT_EQ(0, chmod(dir.file("DocumentIndex.xml").c_str(), mode));
        RunResult replaced = runJob(dir, job);
        ASSERT_EQ(0, replaced.status) << replaced.out;
        EXPECT_EQ(mode, modeOf(dir.file("DocumentIndex.xml")));
        EXPECT_NE("old", readFile(dir.file("DocumentIndex.xml")));
    }
    umask(mask);
}

}  // namespace
