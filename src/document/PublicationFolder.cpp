#include "document/PublicationFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "document/OutputFile.h"

namespace fs = std::filesystem;

namespace {

std::string why() {
    return std::strerror(errno);
}

// True when dir is a folder without entries.
bool isEmptyFolder(const std::string& dir) {
    std::error_code error;
    return fs::is_empty(dir, error) && !error;
}

// Removes a tree, saying nothing of what cannot be removed (the next publish tries again).
void removeTree(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
}

// dir's tree again at copy, made of hard links (folders made anew, symbolic links copied as
// links).
void linkTree(const std::string& dir, const std::string& copy) {
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(dir, error); !error && it != fs::end(it);
         it.increment(error)) {
        const fs::path target = copy / fs::relative(it->path(), dir);
        const fs::file_status status = it->symlink_status();
        if (fs::is_directory(status)) {
            fs::create_directory(target, error);
        } else if (fs::is_symlink(status)) {
            fs::copy_symlink(it->path(), target, error);
        } else {
            fs::create_hard_link(it->path(), target, error);
        }
        if (error) {
            throw DocumentError("Cannot copy the publication in '" + dir + "' to republish it: " +
                                it->path().string() + ": " + error.message());
        }
    }
    if (error) {
        throw DocumentError("Cannot read the publication in '" + dir + "': " + error.message());
    }
}

// The prefix of a killed publish's leftovers beside the served folder.
std::string leftoverPrefix(const std::string& name) {
    return "." + name + ".stage-";
}

}  // namespace

PublicationFolder::PublicationFolder(const std::string& servedDir, Start start) {
    std::string dir = servedDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    // A link to the folder: the folder it names is the one replaced.
    if (char* resolved = realpath(dir.c_str(), nullptr)) {
        dir = resolved;
        free(resolved);
    } else if (errno != ENOENT) {
        throw DocumentError("Cannot publish into '" + servedDir + "': " + why());
    }
    const std::string::size_type slash = dir.rfind('/');
    parent_ = slash == std::string::npos ? "./" : dir.substr(0, slash + 1);
    name_ = slash == std::string::npos ? dir : dir.substr(slash + 1);
    if (name_.empty() || name_ == "." || name_ == "..") {
        throw DocumentError("Cannot publish into '" + servedDir +
                            "': a publication is a folder of its own, not the root");
    }
    served_ = parent_ + name_ + "/";

    struct stat folder {};
    const bool exists = stat(served_.c_str(), &folder) == 0;
    if (exists && !S_ISDIR(folder.st_mode))
        throw DocumentError("Cannot publish into '" + served_ + "': it is not a folder");
    if (exists && access((served_ + "document.xml").c_str(), F_OK) != 0 &&
        !isEmptyFolder(served_)) {
        throw DocumentError("Cannot publish into '" + served_ +
                            "': it holds files but no publication, and a publish replaces the "
                            "folder whole; name an empty or new folder");
    }

    const std::string lockPath = parent_ + "." + name_ + ".lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lockFd_ < 0) throw DocumentError("Cannot publish into '" + served_ + "': " + why());
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        const std::string reason = why();
        close(lockFd_);
        if (busy) {
            throw PublishBusy("another publish is running in " + served_ +
                              "; try again when it has finished");
        }
        throw DocumentError("Cannot lock '" + lockPath + "': " + reason);
    }
    try {
        // Again under the lock: another publish may have made or replaced it meanwhile.
        const bool existsNow = stat(served_.c_str(), &folder) == 0;
        const bool holdsPublication =
            existsNow && access((served_ + "document.xml").c_str(), F_OK) == 0;
        if (start == Start::CopyOfCurrent && !holdsPublication) {
            throw DocumentError("Cannot republish pages in '" + served_ +
                                "': it holds no publication");
        }
        // What killed publishes left: no publish of this folder runs now.
        if (DIR* listing = opendir(parent_.c_str())) {
            const std::string prefix = leftoverPrefix(name_);
            while (const dirent* entry = readdir(listing)) {
                if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
                    removeTree(parent_ + entry->d_name);
            }
            closedir(listing);
        }
        std::string stage = parent_ + leftoverPrefix(name_) + "XXXXXX";
        if (mkdtemp(&stage[0]) == nullptr)
            throw DocumentError("Cannot make a folder beside '" + served_ + "': " + why());
        stage_ = stage + "/";
        // mkdtemp makes the folder private; a web server must read the publication.
        const mode_t mask = umask(0);
        umask(mask);
        if (chmod(stage.c_str(), existsNow ? (folder.st_mode & 07777) : (0777 & ~mask)) != 0)
            throw DocumentError("Cannot make a folder beside '" + served_ + "': " + why());
        if (start == Start::CopyOfCurrent) linkTree(served_, stage);
    } catch (...) {
        if (!stage_.empty()) removeTree(stage_);
        close(lockFd_);
        throw;
    }
}

PublicationFolder::~PublicationFolder() {
    if (!swapped_ && !stage_.empty()) removeTree(stage_);
    if (lockFd_ >= 0) close(lockFd_);
}

void PublicationFolder::putInPlace() {
    OutputFile::syncFileSystem(stage_);
    OutputFile::syncDirectory(stage_);
    std::string stage = stage_;
    stage.pop_back();
    std::string served = served_;
    served.pop_back();
    // One exchange of the two names: there is no moment without a publication. Where the file
    // system cannot exchange, the old one is moved aside first, and for that moment readers find
    // no folder, never a mixture.
    if (renameat2(AT_FDCWD, stage.c_str(), AT_FDCWD, served.c_str(), RENAME_EXCHANGE) == 0) {
        swapped_ = true;
    } else if (errno == ENOENT || errno == EINVAL || errno == ENOSYS) {
        const bool hadOld = access(served.c_str(), F_OK) == 0;
        const std::string aside = parent_ + leftoverPrefix(name_) + "old";
        if (hadOld && rename(served.c_str(), aside.c_str()) != 0)
            throw DocumentError("Cannot put the publication in place in '" + served_ +
                                "': " + why());
        if (rename(stage.c_str(), served.c_str()) != 0) {
            const std::string reason = why();
            if (hadOld) rename(aside.c_str(), served.c_str());
            throw DocumentError("Cannot put the publication in place in '" + served_ +
                                "': " + reason);
        }
        swapped_ = true;
        stage_ = aside + "/";
        if (!hadOld) stage_.clear();
    } else {
        throw DocumentError("Cannot put the publication in place in '" + served_ + "': " + why());
    }
    OutputFile::syncDirectory(parent_);
    // The old publication, now under the stage's name.
    if (!stage_.empty()) removeTree(stage_);
}
