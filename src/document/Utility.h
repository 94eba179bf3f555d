// Utility — small file and date helpers of the publication outputs.
//
// Paths are UTF-8 byte strings. No state.
#pragma once

#include <string>

namespace Utility {

// The part after the last '/', the only separator of the paths the job
// opens: a backslash belongs to the name, as it does for the file system
// (a PDF named "back\\slash.pdf" is that file); the empty string when
// there is no '/'.
//     getFileName("/srv/docs/back\\slash.pdf") == "back\\slash.pdf"
//     getFileName("report.pdf") == ""
std::string getFileName(const std::string& path);

// True when the file's status can be read, or failing that when it opens for
// reading. Throws EncodingError ("La falla!") when the status cannot be read
// and the path is not well-formed UTF-8.
bool FileExists(const std::string& path);

// Why path cannot be found, as the system says it ("No such file or
// directory"); for a path FileExists reports missing.
std::string whyMissing(const std::string& path);

// True when path names a regular file (not a directory, device or pipe),
// following symbolic links.
bool isRegularFile(const std::string& path);

// The file's size in bytes; -1 when its status cannot be read.
long long getFileSize(const std::string& path);

// The file names of page N's record and text page in the output directory:
//     pageRecordName(3) == "Page_3.xml"     pageHtmlName(3) == "Page_3.html"
std::string pageRecordName(int pageNumber);
std::string pageHtmlName(int pageNumber);

// Today's local date as "DD/MM/YYYY", e.g. "05/03/2012".
std::string getTime();

}  // namespace Utility
