// "createimages" on several cores: the files written by 1, 2 and 4 workers (QUILLONPROXY_THREADS)
// are the same bytes; a page that cannot be drawn ends the job with its message whatever the
// number of workers, leaving no half-written file.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "document/UsableCpus.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string imagesJob(const std::string& pdf, const std::string& outputDir,
                      const std::string& rule) {
    return "<job name=\"createimages\"><inputfile>" + pdf + "</inputfile><outputdir>" + outputDir +
           "</outputdir><prefix>p</prefix><quality>80</quality>" + rule + "</job>";
}

// Runs the job with the given number of workers; the files it wrote, by name.
std::map<std::string, std::string> imagesWith(int workers, const std::string& pdf,
                                              const std::string& rule,
                                              RunResult* result = nullptr) {
    TempDir dir;
    setenv("QUILLONPROXY_THREADS", std::to_string(workers).c_str(), 1);
    RunResult run = runJob(dir, imagesJob(pdf, dir.path(), rule));
    unsetenv("QUILLONPROXY_THREADS");
    if (result != nullptr) *result = run;
    EXPECT_EQ(0, run.status) << run.out;
    std::map<std::string, std::string> files;
    for (const std::string& name : listDir(dir.path()))
        if (name != "job.xml") files[name] = readFile(dir.file(name));
    return files;
}

// Pages of four sizes, one shown turned by /Rotate 90 and one cropped, with text, rectangles
// and images (one under a soft mask), so that fonts, glyphs and images are shared between the
// pages that the workers draw at the same time.
std::string mixedPdf(const TempDir& dir) {
    pdfbuild::DocumentSpec spec;
    const double sizes[][2] = {{612, 792}, {842, 595}, {612, 792}, {300, 500}, {1224, 792}};
    for (int i = 0; i < 12; ++i) {
        pdfbuild::PageSpec page;
        page.width = sizes[i % 5][0];
        page.height = sizes[i % 5][1];
        if (i % 4 == 2) page.rotate = 90;
        if (i % 6 == 5) page.cropBox = std::array<double, 4>{40, 50, 280, 450};
        page.texts.push_back(
            pdfbuild::textRun(40, page.height - 60, "Page " + std::to_string(i + 1)));
        page.texts.push_back(
            pdfbuild::textRun(40, page.height - 90, "The same words on every page"));
        page.rects.push_back({30, 30, 30 + 10.0 * i, 80, 0.2, 0.4, 0.8});
        page.images.push_back({100, 100, 220, 180, 0.9, 0.3, 0.1});
        page.images.push_back({150, 120, 260, 240, 0.1, 0.6, 0.2, true});
        spec.pages.push_back(page);
    }
    const std::string path = dir.file("mixed.pdf");
    pdfbuild::writePdf(spec, path);
    return path;
}

TEST(ImagesOnManyCores, WorkersWriteTheSameBytesAsOne) {
    TempDir dir;
    const std::string mixed = mixedPdf(dir);
    struct Case {
        std::string pdf, rule;
    } cases[] = {
        {mixed, "<resolution>72</resolution><headerresolution>72</headerresolution>"},
        {mixed, "<resolution>150</resolution><headerresolution>150</headerresolution>"},
        {mixed,
         "<width>150</width><resolution>72</resolution><headerresolution>72</headerresolution>"},
        {samplePdf(), "<resolution>144</resolution><headerresolution>300</headerresolution>"},
    };
    for (const Case& c : cases) {
        std::map<std::string, std::string> one = imagesWith(1, c.pdf, c.rule);
        ASSERT_FALSE(one.empty()) << c.rule;
        for (int workers : {2, 4}) {
            std::map<std::string, std::string> many = imagesWith(workers, c.pdf, c.rule);
            ASSERT_EQ(one.size(), many.size()) << c.rule;
            for (const auto& [name, bytes] : one)
                EXPECT_TRUE(many[name] == bytes)
                    << name << " with " << workers << " workers, " << c.rule;
        }
    }
}

// Pages large enough to be drawn in several bands, and beyond the size that gets its own
// Huffman tables.
TEST(ImagesOnManyCores, BandedPagesAreTheSameBytes) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    for (int i = 0; i < 3; ++i) {
        pdfbuild::PageSpec page;
        page.width = page.height = 2400;
        page.rects.push_back({1000.0 + 100 * i, 0, 1400, 2400, 0, 0, 0});
        page.texts.push_back(pdfbuild::textRun(100, 2300, "Banded page", 60));
        spec.pages.push_back(page);
    }
    pdfbuild::writePdf(spec, dir.file("big.pdf"));
    const std::string rule = "<resolution>150</resolution><headerresolution>150</headerresolution>";
    std::map<std::string, std::string> one = imagesWith(1, dir.file("big.pdf"), rule);
    std::map<std::string, std::string> many = imagesWith(3, dir.file("big.pdf"), rule);
    ASSERT_EQ(3u, one.size());
    EXPECT_TRUE(one == many);
}

// Page 4 of seven clips more often than a page may (forms painting one another); with one
// worker and with four the job ends with page 4's message, and what it leaves are whole images
// of other pages.
TEST(ImagesOnManyCores, PageThatCannotBeDrawnEndsTheJobWithItsMessage) {
    TempDir dir;
    pdfbuild::DocumentSpec spec;
    // Forms F0..F5, each painting the next ten times: 10^6 clips.
    const std::size_t first = spec.objects.size();
    for (int k = 0; k < 6; ++k) {
        std::string content;
        if (k < 5)
            for (int i = 0; i < 10; ++i)
                content += "q 1 0 0 1 " + std::to_string(i) + " 1 cm /F Do Q ";
        std::string resources =
            k < 5 ? "/Resources << /XObject << /F @" + std::to_string(first + k + 1) + " >> >>"
                  : "";
        spec.objects.push_back(
            {"<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] " + resources + " >>", content});
    }
    for (int n = 1; n <= 7; ++n) {
        pdfbuild::PageSpec page;
        page.texts.push_back(pdfbuild::textRun(72, 700, "Page " + std::to_string(n)));
        if (n == 4) {
            page.resources = {{"XObject", "F0", "@" + std::to_string(first)}};
            page.rawContent = "/F0 Do";
        }
        spec.pages.push_back(page);
    }
    pdfbuild::writePdf(spec, dir.file("bomb.pdf"));
    for (int workers : {1, 4}) {
        TempDir out;
        setenv("QUILLONPROXY_THREADS", std::to_string(workers).c_str(), 1);
        RunResult run = runJob(
            out, imagesJob(dir.file("bomb.pdf"), out.path(),
                           "<resolution>72</resolution><headerresolution>72</headerresolution>"));
        unsetenv("QUILLONPROXY_THREADS");
        EXPECT_EQ(255, run.status) << workers;
        EXPECT_EQ(
            "bomb.pdf: page 4: cannot render: the page clips more than 100000 times, the most a "
            "page may\n",
            run.out)
            << workers;
        for (const std::string& name : listDir(out.path())) {
            EXPECT_NE(0u, name.rfind(".qp-", 0)) << "temporary file left: " << name;
            if (name == "job.xml") continue;
            EXPECT_NE("p4.jpg", name);
            Image image = decodeJpeg(out.file(name));  // whole: it decodes
            EXPECT_EQ(612, image.width) << name;
        }
    }
}

// The workers the job reports (QUILLONPROXY_DEBUG) when run as the child's setup leaves it.
std::string workersReported(const std::function<void()>& setup) {
    TempDir dir;
    writeFile(dir.file("job.xml"),
              imagesJob(samplePdf(), dir.path(),
                        "<resolution>36</resolution><headerresolution>36</headerresolution>"));
    RunResult run = runProgram({dir.file("job.xml")}, [&] {
        setenv("QUILLONPROXY_DEBUG", "1", 1);
        setup();
    });
    EXPECT_EQ(0, run.status) << run.out;
    // The line of the workers, of the job's debugging lines.
    const std::string::size_type start = run.err.find("debug: createimages renders");
    return start == std::string::npos
               ? run.err
               : run.err.substr(start, run.err.find('\n', start) + 1 - start);
}

std::string workersLine(int workers) {
    return "debug: createimages renders with " + std::to_string(workers) + " workers\n";
}

// A cpu control group of the v1 hierarchy mounted here, with a quota of one CPU; removed on
// destruction. Empty path when none can be made (no cgroup file system, not root).
class OneCpuGroup {
  public:
    OneCpuGroup() {
        for (const char* mount : {"/sys/fs/cgroup/cpu", "/sys/fs/cgroup/cpu,cpuacct"}) {
            std::string group = std::string(mount) + "/quillon-test-" + std::to_string(getpid());
            if (mkdir(group.c_str(), 0755) != 0) continue;
            std::ofstream(group + "/cpu.cfs_period_us") << 100000;
            std::ofstream quota(group + "/cpu.cfs_quota_us");
            if (quota << 100000 && quota.flush()) {
                path_ = group;
                return;
            }
            rmdir(group.c_str());
        }
    }
    ~OneCpuGroup() {
        if (!path_.empty()) rmdir(path_.c_str());
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Workers are as many as the CPUs the process may use: its affinity mask (as `taskset -c 0`
// sets it) and its control group's CPU quota count, and QUILLONPROXY_THREADS still decides.
// Regression: the count was the machine's CPUs, whatever the process was confined to.
TEST(ImagesOnManyCores, WorkersAreTheCpusTheProcessMayUse) {
    const long machine = sysconf(_SC_NPROCESSORS_ONLN);
    cpu_set_t all;
    ASSERT_EQ(0, sched_getaffinity(0, sizeof all, &all));
    EXPECT_EQ(workersLine(CPU_COUNT(&all)), workersReported([] {}));
    EXPECT_EQ(workersLine(1), workersReported([] {
                  cpu_set_t first;
                  CPU_ZERO(&first);
                  CPU_SET(0, &first);
                  sched_setaffinity(0, sizeof first, &first);
              }));
    EXPECT_EQ(workersLine(3), workersReported([] {
                  cpu_set_t first;
                  CPU_ZERO(&first);
                  CPU_SET(0, &first);
                  sched_setaffinity(0, sizeof first, &first);
                  setenv("QUILLONPROXY_THREADS", "3", 1);
              }));

    OneCpuGroup group;
    if (group.path().empty()) GTEST_SKIP() << "no cpu control group can be made here";
    const std::string tasks = group.path() + "/tasks";
    EXPECT_EQ(workersLine(1), workersReported([&] { std::ofstream(tasks) << getpid(); }))
        << "on a machine of " << machine << " CPUs";
}

// Quotas in the forms of the two control group versions, rounded up to whole CPUs.
TEST(ImagesOnManyCores, QuotasGiveWholeCpus) {
    EXPECT_EQ(0, cpusOfCpuMax("max 100000"));
    EXPECT_EQ(1, cpusOfCpuMax("100000 100000"));
    EXPECT_EQ(2, cpusOfCpuMax("150000 100000"));
    EXPECT_EQ(1, cpusOfCpuMax("1000 100000"));
    EXPECT_EQ(0, cpusOfCpuMax(""));
    EXPECT_EQ(0, cpusOfCfsQuota(-1, 100000));
    EXPECT_EQ(4, cpusOfCfsQuota(400000, 100000));
}

TEST(ImagesOnManyCores, ThreadCountThatIsNoNumberIsToldAndOnePerCoreIsUsed) {
    TempDir dir;
    setenv("QUILLONPROXY_THREADS", "many", 1);
    RunResult run = runJob(
        dir, imagesJob(samplePdf(), dir.path(),
                       "<resolution>72</resolution><headerresolution>72</headerresolution>"));
    unsetenv("QUILLONPROXY_THREADS");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(
        "warning: QUILLONPROXY_THREADS is 'many', not a number of threads from 1 on; one per "
        "usable CPU is used\n",
        run.err);
    EXPECT_TRUE(fileExists(dir.file("p8.jpg")));
}

}  // namespace
