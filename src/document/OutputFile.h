// OutputFile — writes a file whole or not at all.
//
// The bytes go to a temporary file beside the target (same directory, so the
// final rename cannot cross file systems), named ".qp-" and six random
// characters, so that any name the target may have leaves room for it;
// commit() closes it and renames it over the target. A writer that fails or is destroyed without
// commit() leaves the target as it was and removes the temporary file, so no reader ever sees a
// truncated output. The finished file gets the usual permissions of a newly created file (0666 less
// the process's umask).
//
//     OutputFile out(dir + "document.xml");   // throws if it cannot be created
//     xml.SaveFile(out.stream());
//     out.commit();                           // throws if the bytes did not land
//
// Throws DocumentError naming the target path.
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
  public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The open temporary file, positioned at its start. Owned by this object.
    std::FILE* stream() const { return stream_; }
    const std::string& path() const { return path_; }

    // Flushes and closes the temporary file; throws DocumentError when the
    // bytes did not all land. commit() does it when it has not been done.
    void finish();
    // Puts the finished file in place of the target.
    // REQUIRES: not committed yet.
    void commit();

    // Removes what writers killed before their commit left behind in the
    // directory of outputPrefix + a name: temporary files of this program
    // (".qp-" and six characters) not changed for staleSeconds. Errors are
    // ignored: a file that cannot be removed stays.
    static void removeStale(const std::string& outputPrefix, long staleSeconds);

  private:
    std::string path_;
    std::string temporaryPath_;
    std::FILE* stream_ = nullptr;
    bool finished_ = false;
    bool committed_ = false;
};
