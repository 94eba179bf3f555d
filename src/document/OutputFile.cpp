#include "document/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "document/DocumentError.h"

namespace {

mode_t newFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path) {
    // A short hidden name in the target's directory: any name the file
    // system takes for the target also fits beside it.
    std::string::size_type slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string pattern = directory + ".qp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        throw DocumentError("Cannot create file '" + path + "': " + std::strerror(errno));
    }
    temporaryPath_ = name.data();
    fchmod(fd, newFileMode());
    stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) {
        int error = errno;
        close(fd);
        unlink(temporaryPath_.c_str());
        throw DocumentError("Cannot create file '" + path + "': " + std::strerror(error));
    }
}

OutputFile::~OutputFile() {
    if (!committed_) {
        if (stream_ != nullptr) std::fclose(stream_);
        unlink(temporaryPath_.c_str());
    }
}

void OutputFile::commit() {
    bool failed = std::fflush(stream_) != 0 || std::ferror(stream_) != 0;
    int error = errno;
    if (std::fclose(stream_) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    stream_ = nullptr;
    if (!failed && std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        failed = true;
        error = errno;
    }
    if (failed) {
        unlink(temporaryPath_.c_str());
        committed_ = true;  // nothing left to clean up
        throw DocumentError("Cannot write file '" + path_ +
                            "': " + std::strerror(error != 0 ? error : EIO));
    }
    committed_ = true;
}
