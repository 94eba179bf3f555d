// RecordsCommit — puts a set of page records in place all at once, as the
// next job sees them.
//
// A job that changes page records stages every new record beside its target
// (stageXmlFile with kRecordTemporaryPrefix: a ".qr-" file, finished with
// OutputFile::Flush::ByCaller) and hands them to a RecordsCommit, which then:
//   1. checks that every target can be replaced (it is no directory), so a
//      record that cannot be written is found before any is renamed, and
//      flushes the staged records to the disk, all at once (syncfs);
//   2. writes the commit record kCommitRecordName beside the records (the
//      list of renames, itself written under a temporary name, flushed and
//      renamed into place) and flushes the directory;
//   3. renames every staged file over its target, in page order, and
//      flushes the directory;
//   4. removes the commit record.
// A job killed at any moment leaves either no commit record (nothing was
// renamed: the staged files are orphans) or a whole one. The next job that
// takes the records lock calls recover() first: it completes the renames of
// a commit record it finds (those whose staged file is still there; the
// others were done), removes the record, and removes every ".qr-" file that
// no commit names. So the next job sees all of a killed job's changes or
// none of them, never some pages.
// A commit record that cannot be read (cut short, empty, no regular file)
// was damaged from outside: with no staged record left in the directory it
// is moved aside (kCommitRecordName + ".damaged") with a warning on standard
// error; with staged records left, recover() fails with a message that names
// the file and says what to do.
//
//     RecordsLock lock(dir);                 // recovers what a killed job left
//     RecordsCommit commit(dir);
//     commit.add(stageXmlFile(xml, dir + "Page_1.xml", kRecordTemporaryPrefix));
//     commit.apply();                        // all renamed, or none
//
// Commit record format (text, one line each): "quillonproxy records commit
// 1", then one line per rename "STAGED TARGET" (file names without a
// directory, bytes outside '!'..'~' and '%' written as %XX), then "end".
//
// recordsPrefix is an output directory prefix as the jobs take it (its
// directory is everything up to the last '/'). REQUIRES: the caller holds the
// RecordsLock of that directory for as long as these run.
// Throws DocumentError naming the file concerned.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/OutputFile.h"

constexpr char kCommitRecordName[] = ".qp-records-commit";

class RecordsCommit {
  public:
    explicit RecordsCommit(const std::string& recordsPrefix);

    // Takes a record finished beside its target.
    // REQUIRES: staged in the records' directory with kRecordTemporaryPrefix.
    void add(std::unique_ptr<OutputFile> staged);
    bool empty() const { return staged_.empty(); }

    // Puts every record in place as described above. afterRename, when
    // given, is called with the number of renames done once the commit
    // record is on the disk and after each rename (a seam for fault tests). After a failure before
    // the first rename the targets are as they were and the staged files are removed.
    void apply(const std::function<void(int renamesDone)>& afterRename = nullptr);

    // Completes a commit that a killed job left in the directory of
    // recordsPrefix and removes the staged records no commit names.
    static void recover(const std::string& recordsPrefix);

  private:
    std::string directory_;
    std::vector<std::unique_ptr<OutputFile>> staged_;
};
