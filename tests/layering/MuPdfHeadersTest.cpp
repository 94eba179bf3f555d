// MuPDF is reached through the PDF layer only: no source outside src/pdf includes one of its
// headers, so that its types, exceptions and coordinate space never leak into other layers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

TEST(Layering, OnlyThePdfLayerIncludesMuPdfHeaders) {
    namespace fs = std::filesystem;
    const fs::path source(QUILLON_SOURCE_DIR);
    std::vector<std::string> offenders;
    int read = 0;
    for (const char* top : {"src", "tests", "bench"}) {
        if (!fs::exists(source / top)) continue;
        for (auto it = fs::recursive_directory_iterator(source / top);
             it != fs::recursive_directory_iterator(); ++it) {
            if (it->is_directory() && it->path().filename() == "node_modules") {
                it.disable_recursion_pending();
                continue;
            }
            const std::string ext = it->path().extension().string();
            if (!it->is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            const std::string relative = fs::relative(it->path(), source).generic_string();
            ++read;
            std::ifstream in(it->path());
            for (std::string line; std::getline(in, line);) {
                const bool mupdf = line.rfind("#include <mupdf/", 0) == 0 ||
                                   line.rfind("#include \"mupdf/", 0) == 0;
                if (mupdf && relative.rfind("src/pdf/", 0) != 0)
                    offenders.push_back(relative + ": " + line);
            }
        }
    }
    EXPECT_GT(read, 100);
    EXPECT_EQ(std::vector<std::string>{}, offenders);
}

}  // namespace
