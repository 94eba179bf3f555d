#include "fuzz/FuzzFiles.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fuzzfiles {
namespace {

// The process's own directory, removed when the process ends (after the last input: it is
// an object with static storage, not an exit handler that could outlive its name).
class InputDirectory {
  public:
    InputDirectory() {
        std::string pattern = std::filesystem::temp_directory_path() / "quillon-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~InputDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

const std::string& directory() {
    static const InputDirectory dir;
    return dir.path();
}

}  // namespace

const std::string& writeInput(const uint8_t* data, size_t size, const char* name) {
    static std::string path;
    path = directory() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) std::abort();
    return path;
}

void silenceOutput() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

}  // namespace fuzzfiles
