// OutputFile — writes a file whole or not at all.
//
// The bytes go to a temporary file beside the target (same directory, so the
// final rename cannot cross file systems), named by a four-character prefix
// (".qp-" for outputs, ".qr-" for page records staged under the records
// lock) and six random characters, so that any name the target may have
// leaves room for it; commit() flushes it to the disk (fsync), closes it,
// renames it over the target and flushes the directory, so that after a
// power loss the target holds either its old bytes or all of the new ones.
// A writer that fails or is destroyed without commit() leaves the target as
// it was and removes the temporary file, so no reader ever sees a truncated
// output. A file that replaces another keeps the other's permissions (and
// its owner and group where the process may set them); a new file gets the
// usual permissions of a newly created file (0666 less the process's
// umask). Other hard links to the replaced file keep the old bytes: the
// rename that makes the replacement whole makes it a new file.
//
//     OutputFile out(dir + "document.xml");   // throws if it cannot be created
//     xml.SaveFile(out.stream());
//     out.commit();                           // throws if the bytes did not land
//
// Throws DocumentError naming the target path.
#pragma once

#include <cstdio>
#include <string>

// Prefixes of temporary names: outputs of any job, and page records, which
// only the holder of the records lock stages (RecordsCommit.h).
constexpr char kOutputTemporaryPrefix[] = ".qp-";
constexpr char kRecordTemporaryPrefix[] = ".qr-";

class OutputFile {
  public:
    // REQUIRES: temporaryPrefix is one of the two prefixes above.
    explicit OutputFile(const std::string& path,
                        const char* temporaryPrefix = kOutputTemporaryPrefix);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The open temporary file, positioned at its start. Owned by this object.
    std::FILE* stream() const { return stream_; }
    const std::string& path() const { return path_; }
    const std::string& temporaryPath() const { return temporaryPath_; }

    // When the bytes go to the disk: at finish(), or later, all of a set of
    // files at once by the caller (syncFileSystem), which costs one flush
    // instead of one a file.
    enum class Flush { OnFinish, ByCaller };

    // Flushes the temporary file to the disk (unless flush says the caller
    // does) and closes it; throws DocumentError when the bytes did not all
    // land. commit() does it when it has not been done.
    void finish(Flush flush = Flush::OnFinish);
    // Puts the finished file in place of the target and flushes the
    // directory. REQUIRES: not committed yet.
    void commit();
    // Only the rename of commit(); the caller flushes the directory
    // (syncDirectory) once after a set of them. REQUIRES: finished.
    void rename();

    // Flushes the directory entries of the directory of outputPrefix + a
    // name to the disk; throws DocumentError naming it when that fails.
    static void syncDirectory(const std::string& outputPrefix);
    // Flushes everything written to the file system that holds the
    // directory of outputPrefix + a name (syncfs): the files finished with
    // Flush::ByCaller there. Throws DocumentError naming the directory.
    static void syncFileSystem(const std::string& outputPrefix);
    // The directory of outputPrefix + a name, with its trailing '/' ("./"
    // when the prefix names none).
    static std::string directoryOf(const std::string& outputPrefix);

    // Removes what writers killed before their commit left behind in the
    // directory of outputPrefix + a name: temporary files of this program
    // (".qp-" and six characters) not changed for staleSeconds. Errors are
    // ignored: a file that cannot be removed stays.
    static void removeStale(const std::string& outputPrefix, long staleSeconds);
    // True when name (no directory) is a temporary name with the prefix.
    static bool isTemporaryName(const std::string& name, const char* temporaryPrefix);

  private:
    std::string path_;
    std::string temporaryPath_;
    std::FILE* stream_ = nullptr;
    bool finished_ = false;
    bool committed_ = false;
};
