#include "document/RecordsLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "document/DocumentError.h"
#include "document/RecordsCommit.h"

RecordsLock::RecordsLock(const std::string& outputDir) {
    std::string::size_type slash = outputDir.rfind('/');
    const std::string path = slash == std::string::npos ? "." : outputDir.substr(0, slash + 1);
    fd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        throw DocumentError("Cannot lock the page records in '" + path +
                            "': " + std::strerror(errno));
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(kRecordsLockWaitSeconds);
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            int error = errno;
            close(fd_);
            throw DocumentError("Cannot lock the page records in '" + path +
                                "': " + std::strerror(error));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            close(fd_);
            throw DocumentError("Cannot lock the page records in '" + path +
                                "': another job has held them for " +
                                std::to_string(kRecordsLockWaitSeconds) + " seconds");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    try {
        RecordsCommit::recover(outputDir);
    } catch (...) {
        close(fd_);
        throw;
    }
}

RecordsLock::~RecordsLock() {
    close(fd_);  // releases the lock
}
