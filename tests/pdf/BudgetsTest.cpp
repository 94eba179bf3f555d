// Budgets on the resources themselves and on what pages multiply: small files that stay
// under every count of one page and still cost minutes or gigabytes end with status 255 and
// one line naming the page and the budget, and write nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string deflated(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), 9);
    out.resize(size);
    return out;
}

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

std::string stream(const std::string& entries, const std::string& data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

// `pages` pages of 612 x 792 pt that all paint content object 3, with the given resources.
std::string pagesSharing(const TempDir& dir, const std::string& name, int pages,
                         const std::string& content, const std::string& resources,
                         const std::vector<std::string>& more = {}) {
    std::string kids;
    const int first = 4 + static_cast<int>(more.size());
    for (int i = 0; i < pages; ++i) kids += std::to_string(first + i) + " 0 R ";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>", content};
    objects.insert(objects.end(), more.begin(), more.end());
    for (int i = 0; i < pages; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << " +
                          resources + " >> /Contents 3 0 R >>");
    }
    writeFile(dir.file(name), handWrittenPdf(objects));
    return dir.file(name);
}

std::string imageEntries(const std::string& size, const std::string& filter) {
    return "/Type /XObject /Subtype /Image " + size +
           " /ColorSpace /DeviceRGB /BitsPerComponent 8" + filter;
}

struct BudgetCase {
    const char* what;
    std::function<std::string(const TempDir&)> pdf;
    const char* job;  // "createimages" (at `dpi`) or "createindex"
    int dpi;          // for createimages
    std::vector<std::pair<const char*, const char*>> environment;  // set for the program
    const char* failure;       // the line after "file: page N: ", or "" for success
    const char* warning = "";  // what standard error holds on success
};

std::string jobFor(const TempDir& dir, const std::string& pdf, const BudgetCase& c) {
    const std::string files =
        "<inputfile>" + pdf + "</inputfile><outputdir>" + dir.path() + "out/</outputdir>";
    if (std::string(c.job) == "createindex") return "<job name=\"createindex\">" + files + "</job>";
    const std::string dpi = std::to_string(c.dpi);
    return "<job name=\"createimages\">" + files +
           "<prefix>p</prefix><quality>80</quality><resolution>" + dpi +
           "</resolution><headerresolution>" + dpi + "</headerresolution></job>";
}

// Regression: each of these ran for minutes or took a gigabyte; they now end within their
// budget, and an operator's larger budget or a page within them still works.
TEST(Budgets, PagesPastABudgetAreRefusedWithOneLineNamingIt) {
    const std::string tiling = stream(
        "/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 0.02 0.02] /XStep 0.02 "
        "/YStep 0.02 /Resources << >>",
        "0 0 0.01 0.01 re f");
    const std::string jpx = " /Filter /JPXDecode";
    // An empty page: what the job costs apart from its content.
    const auto plain = [](const TempDir& d) {
        return pagesSharing(d, "plain.pdf", 1, stream("", ""), "");
    };
    const std::vector<BudgetCase> cases = {
        {"a pattern tiled in steps of 0.02 pt: drawing never looks at the cookie",
         [&](const TempDir& d) {
             return pagesSharing(d, "tiling.pdf", 1,
                                 stream("", "/Pattern cs /P0 scn 0 0 612 792 re f"),
                                 "/Pattern << /P0 4 0 R >>", {tiling});
         },
         "createimages",
         72,
         {{"QUILLONPROXY_PAGE_SECONDS", "0.5"}},
         "page 1: cannot render: the page takes more than 0.5 s of processor time, the most a "
         "page may"},
        {"five million operators: the interpreter is stopped through the cookie",
         [](const TempDir& d) {
             return pagesSharing(d, "slow.pdf", 1,
                                 stream("/Filter /FlateDecode", deflated(repeated("n ", 5000000))),
                                 "");
         },
         "createindex",
         0,
         {{"QUILLONPROXY_PAGE_SECONDS", "0.05"}},
         "page 1: cannot read text: the page takes more than 0.05 s of processor time, the most "
         "a page may"},
        {"a band of 32 MB at 600 dpi with 16 MB for the job",
         plain,
         "createimages",
         600,
         {{"QUILLONPROXY_MEMORY_MB", "16"}, {"QUILLONPROXY_THREADS", "1"}},
         "page 1: cannot render: the job needs more than 16 MB of memory, the most a job may"},
        {"the same with the default budget", plain, "createimages", 600, {}, ""},
        {"a budget that is no number leaves the default",
         plain,
         "createindex",
         0,
         {{"QUILLONPROXY_PAGE_SECONDS", "soon"}},
         "",
         "warning: QUILLONPROXY_PAGE_SECONDS is 'soon', not a positive number of seconds; the "
         "default is used\n"},
        {"two JPEG 2000 images, each within what a page may decode, not both",
         [&](const TempDir& d) {
             return pagesSharing(
                 d, "jpx.pdf", 1, stream("", "q 9 0 0 9 9 9 cm /A Do /B Do Q"),
                 "/XObject << /A 4 0 R /B 5 0 R >>",
                 {stream(imageEntries("/Width 1 /Height 1", jpx), jpxCodestream(4000, 4000)),
                  stream(imageEntries("/Width 1 /Height 1", jpx), jpxCodestream(4000, 4001))});
         },
         "createindex",
         0,
         {},
         "page 1: cannot read text: the page's JPEG 2000 images take more than 268435456 bytes "
         "to decode, the most a page's may"},
        {"two images, each within the pixels a page may have, not both",
         [&](const TempDir& d) {
             return pagesSharing(d, "pixels.pdf", 1, stream("", "q 9 0 0 9 9 9 cm /A Do /B Do Q"),
                                 "/XObject << /A 4 0 R /B 5 0 R >>",
                                 {stream(imageEntries("/Width 12000 /Height 12000", ""), "x"),
                                  stream(imageEntries("/Width 12000 /Height 12000", ""), "x")});
         },
         "createimages",
         72,
         {},
         "page 1: cannot render: the page paints images of more than 268435456 pixels in all, "
         "the most a page may"},
        {"twenty pages sharing one stream of six million operators",
         [](const TempDir& d) {
             return pagesSharing(d, "shared.pdf", 20,
                                 stream("/Filter /FlateDecode", deflated(repeated("n ", 6000000))),
                                 "");
         },
         "createindex",
         0,
         {},
         "page 2: cannot read text: the document's pages run more than "},
    };
    for (const BudgetCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string pdf = c.pdf(dir);
        writeFile(dir.file("job.xml"), jobFor(dir, pdf, c));
        mkdir(dir.file("out").c_str(), 0755);
        RunResult run = runProgram({dir.file("job.xml")}, [&c] {
            for (const auto& variable : c.environment) setenv(variable.first, variable.second, 1);
        });
        const std::string file = pdf.substr(pdf.find_last_of('/') + 1);
        if (std::string(c.failure).empty()) {
            EXPECT_EQ(0, run.status) << run.out;
            EXPECT_EQ(c.warning, run.err);
            EXPECT_FALSE(listDir(dir.file("out")).empty());
            continue;
        }
        EXPECT_EQ(255, run.status);
        EXPECT_EQ(0u, run.out.find(file + ": " + c.failure)) << run.out;
        EXPECT_EQ(1, std::count(run.out.begin(), run.out.end(), '\n')) << run.out;
        // No output, and no temporary left but what a killed process leaves.
        for (const std::string& name : listDir(dir.file("out")))
            EXPECT_EQ(0u, name.find(".qp-")) << name;
    }
}

}  // namespace
