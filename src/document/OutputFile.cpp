#include "document/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
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

// fsync that is retried when a signal interrupts it.
int syncDescriptor(int fd) {
    int result;
    do {
        result = fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

std::string OutputFile::directoryOf(const std::string& outputPrefix) {
    std::string::size_type slash = outputPrefix.rfind('/');
    return slash == std::string::npos ? "./" : outputPrefix.substr(0, slash + 1);
}

bool OutputFile::isTemporaryName(const std::string& name, const char* temporaryPrefix) {
    if (name.size() != 10 || name.compare(0, 4, temporaryPrefix) != 0) return false;
    for (std::size_t i = 4; i < 10; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

OutputFile::OutputFile(const std::string& path, const char* temporaryPrefix) : path_(path) {
    // A short hidden name in the target's directory: any name the file
    // system takes for the target also fits beside it.
    std::string::size_type slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string pattern = directory + temporaryPrefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        throw DocumentError("Cannot create file '" + path + "': " + std::strerror(errno));
    }
    temporaryPath_ = name.data();
    // What a reader of the target was allowed stays allowed.
    struct stat target;
    if (stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
        if (fchown(fd, target.st_uid, target.st_gid) != 0) {
            // Only the owner's group, or nothing, may be set; the mode still is.
        }
        fchmod(fd, target.st_mode & 0777);
    } else {
        fchmod(fd, newFileMode());
    }
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

void OutputFile::finish(Flush flush) {
    if (finished_) return;
    errno = 0;
    bool failed = std::fflush(stream_) != 0 || std::ferror(stream_) != 0;
    // The bytes reach the disk before the name does: a rename that lands
    // before its file's data would leave an empty file under the new name
    // after a power loss.
    if (!failed && flush == Flush::OnFinish && syncDescriptor(fileno(stream_)) != 0) failed = true;
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

void OutputFile::rename() {
    if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        int error = errno;
        throw DocumentError("Cannot write file '" + path_ + "': " + std::strerror(error));
    }
    committed_ = true;
}

void OutputFile::commit() {
    finish();
    rename();
    syncDirectory(path_);
}

void OutputFile::syncDirectory(const std::string& outputPrefix) {
    const std::string directory = directoryOf(outputPrefix);
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throw DocumentError("Cannot flush directory '" + directory + "': " + std::strerror(errno));
    }
    // Some file systems cannot flush a directory (EINVAL): their renames
    // are as durable as they make them.
    if (syncDescriptor(fd) != 0 && errno != EINVAL) {
        int error = errno;
        close(fd);
        throw DocumentError("Cannot flush directory '" + directory + "': " + std::strerror(error));
    }
    close(fd);
}

void OutputFile::syncFileSystem(const std::string& outputPrefix) {
    const std::string directory = directoryOf(outputPrefix);
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || syncfs(fd) != 0) {
        int error = errno;
        if (fd >= 0) close(fd);
        throw DocumentError("Cannot flush directory '" + directory + "': " + std::strerror(error));
    }
    close(fd);
}

void OutputFile::removeStale(const std::string& outputPrefix, long staleSeconds) {
    const std::string directory = directoryOf(outputPrefix);
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        if (!isTemporaryName(entry->d_name, kOutputTemporaryPrefix)) continue;
        std::string path = directory + entry->d_name;
        struct stat status;
        if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            now - status.st_mtime > staleSeconds)
            unlink(path.c_str());
    }
    closedir(dir);
}
