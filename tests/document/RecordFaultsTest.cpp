// Page records under concurrent jobs and faults: jobs that extend one directory's records at
// the same time keep every element of each other; a save that fails changes no record and
// leaves no temporary file; what another writer added while a job ran stays; temporary files
// that dead writers left behind go; a job killed during its commit is completed by the next.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "document/RecordsCommit.h"
#include "document/RecordsLock.h"
#include "document/XmlFile.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr int kPages = 12;

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class Records : public ::testing::Test {
  protected:
    // Twelve pages, each with an address and a product code of its own.
    void SetUp() override {
        pdfbuild::DocumentSpec doc;
        doc.pages.resize(kPages);
        for (int p = 0; p < kPages; ++p) {
            doc.pages[p].texts = {pdfbuild::textRun(
                72, 700, "Order QX-" + std::to_string(p + 1) + " at www.site.com today")};
        }
        pdf = dir.file("catalogue.pdf");
        pdfbuild::writePdf(doc, pdf);
        publishPageRecords(dir, pdf);
    }
    std::string recordFile(int page) const {
        return dir.file("Page_" + std::to_string(page) + ".xml");
    }
    std::map<int, std::string> records() const {
        std::map<int, std::string> all;
        for (int p = 1; p <= kPages; ++p) all[p] = readFile(recordFile(p));
        return all;
    }
    std::string productsJob() const {
        return "<job name=\"importproducts\"><inputfile>" + pdf + "</inputfile><outputdir>" +
               dir.path() +
               "</outputdir><userange>0</userange><usebinarysearch>0</usebinarysearch>"
               "<expresions><e result=\"shop/$regresult\" description=\"d\"><regexp>QX-\\d+"
               "</regexp></e></expresions></job>";
    }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> hidden;
        for (const std::string& name : listDir(dir.path()))
            if (name.rfind(".qp-", 0) == 0 || name.rfind(".qr-", 0) == 0) hidden.push_back(name);
        return hidden;
    }
    TempDir dir;
    std::string pdf;
};

// Two link jobs and a product job, started together ten times over: each run of each job
// adds one element to every page, and none is lost. Regression: the last job to save wrote
// its stale copies over the others' (509 of 579 links gone in one trial).
TEST_F(Records, JobsAtTheSameTimeKeepEveryElementOfEachOther) {
    writeFile(dir.file("links.xml"), linksJob(dir, pdf, {{"www\\.[a-z]+\\.com"}}));
    writeFile(dir.file("orders.xml"), linksJob(dir, pdf, {{"Order"}}));
    writeFile(dir.file("products.xml"), productsJob());
    const int rounds = 10;
    for (int round = 0; round < rounds; ++round) {
        for (const RunResult& run :
             runAtOnce({dir.file("links.xml"), dir.file("orders.xml"), dir.file("products.xml")}))
            ASSERT_EQ(0, run.status) << run.out << run.err;
    }
    for (const auto& [page, xml] : records()) {
        EXPECT_EQ(rounds, count(xml, "text=\"www.site.com\"")) << page;
        EXPECT_EQ(rounds, count(xml, "text=\"Order\"")) << page;
        EXPECT_EQ(rounds, count(xml, "<product ")) << page;
    }
    EXPECT_TRUE(leftovers().empty());
}

// The third record is too big to be written under the job's file size limit (as on a full
// disk): the first two were already written beside their records, and none is changed.
// Regression: records were saved one after another, and a failure left the first ones
// changed; a retry then added their links a second time.
TEST_F(Records, SaveThatFailsOnItsThirdRecordChangesNone) {
    std::string big = readFile(recordFile(3));
    std::string filler;
    for (int i = 0; i < 2000; ++i)
        filler += "<link loc=\"1 1 1 1\" url=\"u\" target=\"0\" linktype=\"0\" text=\"old\" />";
    big.replace(big.find("<links />"), 9, "<links>" + filler + "</links>");
    writeFile(recordFile(3), big);
    const std::map<int, std::string> before = records();

    writeFile(dir.file("links.xml"), linksJob(dir, pdf, {{"www\\.[a-z]+\\.com"}}));
    RunResult run = runProgram({dir.file("links.xml")}, [] {
        rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    });
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot write file '" + recordFile(3) + "': File too large\n",
              run.out.substr(run.out.rfind("Cannot")));
    EXPECT_EQ(before, records());
    EXPECT_TRUE(leftovers().empty());
}

// Another writer adds a link to page 1 while a job is between its search and its save (the
// test holds the records' lock meanwhile): the job keeps that link and adds its own after it.
TEST_F(Records, WhatAnotherWriterAddedDuringARunStays) {
    writeFile(dir.file("links.xml"), linksJob(dir, pdf, {{"www\\.[a-z]+\\.com"}}));
    int lock = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(0, flock(lock, LOCK_EX));
    {
        Running job({dir.file("links.xml")});
        // The last progress line comes when the search is done; the job then waits for the lock.
        ASSERT_TRUE(job.readUntil("Progress 100\n"));
        std::string record = readFile(recordFile(1));
        record.replace(record.find("<links />"), 9,
                       "<links><link loc=\"1 2 3 4\" url=\"other\" target=\"0\" linktype=\"0\" "
                       "text=\"other\" /></links>");
        writeFile(recordFile(1), record);
        flock(lock, LOCK_UN);
        RunResult run = job.wait();
        EXPECT_EQ(0, run.status) << run.out;
    }
    close(lock);
    const std::string record = readFile(recordFile(1));
    size_t other = record.find("text=\"other\"");
    size_t own = record.find("text=\"www.site.com\"");
    ASSERT_NE(std::string::npos, other) << record;
    ASSERT_NE(std::string::npos, own) << record;
    EXPECT_LT(other, own);
}

// Temporary files of writers killed before their commit pile up no more: the next job that
// writes into the directory removes those untouched for a quarter of an hour, and leaves a
// fresh one (another job's, being written) and files that only look alike.
TEST_F(Records, StaleTemporaryFilesAreRemoved) {
    for (const char* name : {".qp-Ab3dE9", ".qp-fresh1", ".qp-toolong", "qp-abcdef"})
        writeFile(dir.file(name), "partial");
    for (const char* name : {".qp-Ab3dE9", ".qp-toolong", "qp-abcdef"}) {
        timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        ASSERT_EQ(0, utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0));
    }
    RunResult run = runJob(dir, "<job name=\"createindex\"><inputfile>" + pdf +
                                    "</inputfile><outputdir>" + dir.path() + "</outputdir></job>");
    ASSERT_EQ(0, run.status) << run.out;
    EXPECT_EQ((std::vector<std::string>{".qp-fresh1", ".qp-toolong"}), leftovers());
    EXPECT_TRUE(fileExists(dir.file("qp-abcdef")));
}

// A job killed during its commit, at every point from before the first rename to before the
// last: the next job completes the commit, so every page holds the killed job's link once
// (and its own once), and nothing staged is left. Killed before its commit, the job changed
// nothing and its staged records go. The killed job is a child process that commits with the
// program's own units and dies at the chosen rename. Regression: records were renamed one by
// one, a kill left some pages changed and a retry added their links twice.
TEST_F(Records, KillDuringTheCommitIsCompletedByTheNextJob) {
    const std::map<int, std::string> pristine = records();
    writeFile(dir.file("links.xml"), linksJob(dir, pdf, {{"www\\.[a-z]+\\.com"}}));
    // -1: killed after staging, before the commit record; k >= 0: after k renames.
    for (int killAt = -1; killAt < kPages; ++killAt) {
        for (const auto& [page, xml] : pristine) writeFile(recordFile(page), xml);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) try {
                RecordsLock lock(dir.path());
                RecordsCommit commit(dir.path());
                for (int page = 1; page <= kPages; ++page) {
                    TiXmlDocument xml;
                    xml.Parse(pristine.at(page).c_str());
                    TiXmlElement* link = appendElement(
                        xml.FirstChildElement("page")->FirstChildElement("links"), "link");
                    link->SetAttribute("text", "killed");
                    commit.add(stageXmlFile(xml, recordFile(page), kRecordTemporaryPrefix));
                }
                if (killAt < 0) _exit(9);
                commit.apply([&](int renamesDone) {
                    if (renamesDone == killAt) _exit(9);
                });
                _exit(0);
            } catch (...) {
                _exit(1);
            }
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << killAt;
        EXPECT_FALSE(leftovers().empty()) << killAt;

        RunResult run = runProgram({dir.file("links.xml")});
        ASSERT_EQ(0, run.status) << killAt << run.out;
        for (const auto& [page, xml] : records()) {
            EXPECT_EQ(killAt < 0 ? 0 : 1, count(xml, "text=\"killed\"")) << killAt << " " << page;
            EXPECT_EQ(1, count(xml, "text=\"www.site.com\"")) << killAt << " " << page;
        }
        EXPECT_TRUE(leftovers().empty()) << killAt;
    }
}

// Regression: a damaged commit record blocked every record job of the folder, and the message
// did not say what to do. With nothing staged left it is moved aside; otherwise the message
// names it and says how to go on.
TEST_F(Records, DamagedCommitRecordIsMovedAsideOrNamedWithWhatToDo) {
    const std::string record = dir.file(kCommitRecordName);
    const std::vector<std::pair<std::string, std::function<void()>>> damages = {
        {"cut short", [&] { writeFile(record, "quillonproxy records commit 1\n"); }},
        {"no commit record", [&] { writeFile(record, ""); }},
        {"not a regular file", [&] { mkdir(record.c_str(), 0755); }},
        {"not a regular file", [&] { ASSERT_EQ(0, symlink("Page_1.xml", record.c_str())); }},
    };
    writeFile(dir.file("links.xml"), linksJob(dir, pdf, {{"www\\.[a-z]+\\.com"}}));
    for (bool staged : {false, true}) {
        for (const auto& [why, damage] : damages) {
            SCOPED_TRACE(why + (staged ? " with a staged record" : ""));
            damage();
            if (staged) writeFile(dir.file(".qr-abcdef"), "<page/>");
            RunResult run = runProgram({dir.file("links.xml")});
            const std::string named =
                "Cannot complete the commit of page records '" + record + "': " + why;
            if (staged) {
                EXPECT_EQ(255, run.status);
                // The job's last line, after its progress.
                const std::string last =
                    run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1);
                EXPECT_EQ(named +
                              "; the folder's records may be part old and part new: move the "
                              "file away, then run createpagesxml and the recognition jobs "
                              "again\n",
                          last);
                shell("rm -rf " + record + " " + dir.file(".qr-abcdef"));
            } else {
                EXPECT_EQ(0, run.status) << run.out;
                EXPECT_EQ("warning: " + named +
                              "; no staged record was left, so it was moved to '" + record +
                              ".damaged'\n",
                          run.err);
                EXPECT_FALSE(fileExists(record));
                shell("rm -rf " + record + ".damaged");
            }
        }
    }
}

// A record that a rename cannot replace (a directory named Page_5.xml) fails the job before
// any record is replaced. Regression: pages 1 to 4 were replaced before the job failed.
TEST_F(Records, RecordThatCannotBeReplacedIsFoundBeforeAnyRename) {
    for (int page = 1; page <= kPages; ++page) {
        std::string xml = readFile(recordFile(page));
        xml.replace(xml.find("<links />"), 9, "<links><link text=\"before\" /></links>");
        writeFile(recordFile(page), xml);
    }
    const std::map<int, std::string> before = records();
    ASSERT_EQ(0, std::remove(recordFile(5).c_str()));
    ASSERT_EQ(0, mkdir(recordFile(5).c_str(), 0755));
    RunResult run =
        runJob(dir, "<job name=\"createpagesxml\"><inputfile>" + pdf + "</inputfile><outputdir>" +
                        dir.path() + "</outputdir><importlinks>0</importlinks></job>");
    EXPECT_EQ(255, run.status);
    EXPECT_EQ("Cannot write file '" + recordFile(5) + "': Is a directory\n",
              run.out.substr(run.out.rfind("Cannot")));
    for (int page = 1; page <= kPages; ++page) {
        if (page == 5) continue;
        EXPECT_EQ(before.at(page), readFile(recordFile(page))) << page;
    }
    EXPECT_TRUE(leftovers().empty());
}

}  // namespace
