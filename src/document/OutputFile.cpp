#include "document/OutputFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
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

void OutputFile::finish() {
    if (finished_) return;
    bool failed = std::fflush(stream_) != 0 || std::ferror(stream_) != 0;
    int error = errno;
    if (std::fclose(stream_) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    stream_ = nullptr;
    finished_ = true;
    if (failed) {
        throw DocumentError("Cannot write file '" + path_ +
                            "': " + std::strerror(error != 0 ? error : EIO));
    }
}

void OutputFile::commit() {
    finish();
    if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        int error = errno;
        throw DocumentError("Cannot write file '" + path_ + "': " + std::strerror(error));
    }
    committed_ = true;
}

void OutputFile::removeStale(const std::string& outputPrefix, long staleSeconds) {
    std::string::size_type slash = outputPrefix.rfind('/');
    std::string directory = slash == std::string::npos ? "." : outputPrefix.substr(0, slash + 1);
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        bool ours = std::strncmp(name, ".qp-", 4) == 0 && std::strlen(name) == 10;
        for (int i = 4; ours && i < 10; ++i)
            ours = std::isalnum(static_cast<unsigned char>(name[i]));
        if (!ours) continue;
        std::string path = directory + (directory.back() == '/' ? "" : "/") + name;
        struct stat status;
        if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            now - status.st_mtime > staleSeconds)
            unlink(path.c_str());
    }
    closedir(dir);
}
