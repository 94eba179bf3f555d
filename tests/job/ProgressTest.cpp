// Progress for an operator: a line per stage, and while pages are worked on one at least every
// few seconds with the pages done of all; nothing when quiet; never standard output.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "job/Progress.h"

namespace {

TEST(Progress, SaysWhatIsDoneAtEachStageAndEveryFewSeconds) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    {
        Progress progress("book.pdf", false);
        progress.stage("12 pages into /srv/pub/");
        progress.startPages(12);
        for (int n = 0; n < 5; ++n) progress.pageDone();
        std::this_thread::sleep_for(std::chrono::milliseconds(kReportSeconds * 1000 + 400));
        progress.stopPages();
        progress.stage("published");
    }
    EXPECT_EQ(
        "publish: book.pdf: 12 pages into /srv/pub/\n"
        "publish: book.pdf: 5 of 12 pages done\n"
        "publish: book.pdf: published\n",
        testing::internal::GetCapturedStderr());
    EXPECT_EQ("", testing::internal::GetCapturedStdout());

    testing::internal::CaptureStderr();
    {
        Progress quiet("book.pdf", true);
        quiet.stage("12 pages into /srv/pub/");
        quiet.startPages(12);
        quiet.pageDone();
    }
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

}  // namespace
