#include "document/RecordsCommit.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "document/DocumentError.h"
#include "document/XmlLoad.h"

namespace {

constexpr char kCommitHeader[] = "quillonproxy records commit 1";
constexpr char kCommitEnd[] = "end";

std::string baseName(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// File names are written with every byte that could break a line or a
// field as %XX, so any name the file system takes survives.
std::string encodeName(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (c > ' ' && c <= '~' && c != '%') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// False when text is no encoded name of a file in the directory itself.
bool decodeName(const std::string& text, std::string& name) {
    name.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return false;
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool exists(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

// A damaged commit record moved aside keeps its name with this after it.
constexpr char kDamagedSuffix[] = ".damaged";

// Whether the directory holds a record staged for a commit (a ".qr-" file).
bool stagedRecordsIn(const std::string& directory) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return false;
    bool found = false;
    while (const dirent* entry = readdir(dir))
        if (OutputFile::isTemporaryName(entry->d_name, kRecordTemporaryPrefix)) found = true;
    closedir(dir);
    return found;
}

// The renames of the commit record at path, as (staged, target) names.
std::vector<std::pair<std::string, std::string>> readCommitRecord(const std::string& path) {
    auto unreadable = [&](const std::string& why) {
        return DocumentError("Cannot complete the commit of page records '" + path + "': " + why);
    };
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) throw unreadable(std::strerror(errno));
    if (!S_ISREG(status.st_mode)) throw unreadable("not a regular file");
    if (static_cast<unsigned long long>(status.st_size) > kMaxXmlFileBytes)
        throw unreadable("larger than " + std::to_string(kMaxXmlFileBytes) + " bytes");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw unreadable(std::strerror(errno));
    std::vector<std::pair<std::string, std::string>> renames;
    std::string line;
    if (!std::getline(in, line) || line != kCommitHeader) throw unreadable("no commit record");
    bool ended = false;
    while (std::getline(in, line)) {
        if (line == kCommitEnd) {
            ended = true;
            break;
        }
        std::string::size_type space = line.find(' ');
        std::string staged, target;
        if (space == std::string::npos || !decodeName(line.substr(0, space), staged) ||
            !decodeName(line.substr(space + 1), target) ||
            !OutputFile::isTemporaryName(staged, kRecordTemporaryPrefix))
            throw unreadable("malformed line '" + line + "'");
        renames.emplace_back(staged, target);
    }
    if (!ended) throw unreadable("cut short");
    return renames;
}

}  // namespace

RecordsCommit::RecordsCommit(const std::string& recordsPrefix)
    : directory_(OutputFile::directoryOf(recordsPrefix)) {}

void RecordsCommit::add(std::unique_ptr<OutputFile> staged) {
    staged_.push_back(std::move(staged));
}

void RecordsCommit::apply(const std::function<void(int renamesDone)>& afterRename) {
    if (staged_.empty()) return;
    // A target that a rename cannot replace fails the job before anything
    // changes.
    for (const auto& file : staged_) {
        struct stat status;
        if (lstat(file->path().c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            throw DocumentError("Cannot write file '" + file->path() +
                                "': " + std::strerror(EISDIR));
    }

    // The staged records reach the disk before the list that names them:
    // one flush of the file system for all of them (they were finished with
    // Flush::ByCaller), cheaper than one a file.
    OutputFile::syncFileSystem(directory_);

    const std::string recordPath = directory_ + kCommitRecordName;
    {
        OutputFile record(recordPath, kRecordTemporaryPrefix);
        std::string text = std::string(kCommitHeader) + "\n";
        for (const auto& file : staged_) {
            text += encodeName(baseName(file->temporaryPath())) + " " +
                    encodeName(baseName(file->path())) + "\n";
        }
        text += std::string(kCommitEnd) + "\n";
        if (std::fwrite(text.data(), 1, text.size(), record.stream()) != text.size())
            throw DocumentError("Cannot write file '" + recordPath + "': " + std::strerror(errno));
        try {
            // Flushes the record and the directory, which holds the staged
            // files' names too.
            record.commit();
        } catch (...) {
            unlink(recordPath.c_str());
            throw;
        }
    }

    int done = 0;
    if (afterRename) afterRename(done);
    for (auto& file : staged_) {
        file->finish();
        file->rename();
        ++done;
        if (afterRename) afterRename(done);
    }
    OutputFile::syncDirectory(directory_);
    // Once the renames are on the disk the record has done its work; should
    // its removal be lost, the next job finds every rename done.
    unlink(recordPath.c_str());
    staged_.clear();
}

void RecordsCommit::recover(const std::string& recordsPrefix) {
    const std::string directory = OutputFile::directoryOf(recordsPrefix);
    const std::string recordPath = directory + kCommitRecordName;
    if (exists(recordPath)) {
        std::vector<std::pair<std::string, std::string>> renames;
        try {
            renames = readCommitRecord(recordPath);
        } catch (const DocumentError& damaged) {
            // This program writes the record whole before its first rename, so a damaged one
            // was damaged from outside. With no staged record left it has nothing to do, and
            // it is moved aside; otherwise it holds what is left of a set of records and
            // only a person can tell what to do.
            if (!stagedRecordsIn(directory)) {
                const std::string aside = recordPath + kDamagedSuffix;
                if (std::rename(recordPath.c_str(), aside.c_str()) == 0) {
                    std::fprintf(stderr,
                                 "warning: %s; no staged record was left, so it was moved to "
                                 "'%s'\n",
                                 damaged.what(), aside.c_str());
                    renames.clear();
                } else {
                    throw DocumentError(std::string(damaged.what()) +
                                        "; cannot move it aside: " + std::strerror(errno));
                }
            } else {
                throw DocumentError(
                    std::string(damaged.what()) +
                    "; the folder's records may be part old and part new: move the file away, "
                    "then run createpagesxml and the recognition jobs again");
            }
        }
        for (const auto& rename : renames) {
            const std::string staged = directory + rename.first;
            const std::string target = directory + rename.second;
            if (!exists(staged)) continue;  // renamed before the job was killed
            if (std::rename(staged.c_str(), target.c_str()) != 0) {
                throw DocumentError("Cannot complete the commit of page records '" + recordPath +
                                    "': cannot write file '" + target +
                                    "': " + std::strerror(errno));
            }
        }
        OutputFile::syncDirectory(directory);
        if (!exists(recordPath)) {
            // moved aside above
        } else if (unlink(recordPath.c_str()) != 0 && errno != ENOENT) {
            throw DocumentError("Cannot remove commit record '" + recordPath +
                                "': " + std::strerror(errno));
        }
    }
    // No commit is open now: every staged record left is an orphan of a job
    // killed before its commit.
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        if (!OutputFile::isTemporaryName(entry->d_name, kRecordTemporaryPrefix)) continue;
        const std::string path = directory + entry->d_name;
        struct stat status;
        if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) unlink(path.c_str());
    }
    closedir(dir);
}
