#include "fuzz/FuzzFiles.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fuzzfiles {
namespace {

std::string directory() {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillon-fuzz-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        std::atexit([] { std::filesystem::remove_all(directory()); });
        return pattern;
    }();
    return dir;
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
