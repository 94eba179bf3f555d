// Helpers shared by the tests: temporary directories, running the program
// on a job file, reading files, decoding JPEGs, finding the real-world corpus.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory under /tmp, removed with its content on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The directory's path with a trailing '/', ready to be an "outputdir".
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

struct RunResult {
    int status = -1000;  // exit status as the shell sees it (0..255)
    std::string out;     // everything written to standard output
    std::string err;     // everything written to standard error
};

// Runs the quillonproxy binary with the given arguments. beforeExec runs in
// the child just before the program starts (to set resource limits).
RunResult runProgram(const std::vector<std::string>& args,
                     const std::function<void()>& beforeExec = {});
// Runs the program on every job file at the same time; results in order.
std::vector<RunResult> runAtOnce(const std::vector<std::string>& jobFiles);

// A run of the program that goes on while the test does.
class Running {
  public:
    explicit Running(const std::vector<std::string>& args);
    ~Running();  // waits for the program
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    // Reads standard output until it holds marker; false when the program
    // ended first.
    bool readUntil(const std::string& marker);
    RunResult wait();

  private:
    int pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string read_;
};
// Writes jobXml to dir/job.xml and runs the program on it.
RunResult runJob(const TempDir& dir, const std::string& jobXml);

// Writes document.xml (no bookmarks, no labels) and empty page records
// Page_N.xml for pdf into dir, as recognition jobs expect to find them.
// Fails the current test when either job fails.
void publishPageRecords(const TempDir& dir, const std::string& pdf);
// The same without failing the test: "" when both jobs succeed, else the job
// that failed and what it printed.
std::string tryPublishPageRecords(const TempDir& dir, const std::string& pdf);

// Runs a shell command and returns its standard output.
std::string shell(const std::string& command);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// A PDF written byte for byte from its objects (numbered from 1 in order, the catalog first;
// `trailerExtra` goes into the trailer, e.g. "/Info 6 0 R"), with a correct cross-reference
// table: for what the builder cannot write (it re-encodes every stream and title it writes).
std::string handWrittenPdf(const std::vector<std::string>& objects,
                           const std::string& trailerExtra = "");
// The four bytes of value, big-endian.
std::string be32(unsigned value);
// A JPEG 2000 codestream's start: SOC and a SIZ marker declaring width x height pixels of
// three components (the decoder allocates from these), then a few bytes of nothing.
std::string jpxCodestream(unsigned width, unsigned height);
bool fileExists(const std::string& path);
// Names of the entries of dir (no "." and ".."), sorted.
std::vector<std::string> listDir(const std::string& dir);

struct Image {
    int width = 0;
    int height = 0;
    int components = 0;
    int densityUnit = -1;
    int xDensity = 0;
    int yDensity = 0;
    std::vector<unsigned char> pixels;  // rows top to bottom
    unsigned char at(int x, int y, int c) const {
        return pixels[(static_cast<size_t>(y) * width + x) * components + c];
    }
};
// Decodes a JPEG file (RGB output). Fails the current test on error.
Image decodeJpeg(const std::string& path);
// Reads a binary PPM (P6) as written by pdftoppm.
Image readPpm(const std::string& path);
// Mean absolute difference per sample between a(x, y) and b(x + dx, y + dy)
// over the area where both exist.
double meanAbsoluteDifference(const Image& a, const Image& b, int dx = 0, int dy = 0);
// The same over averages of block x block pixel squares: what a person sees
// at a glance, blind to how two renderers anti-alias glyph edges but not to
// missing, misplaced or turned content.
double blockMeanDifference(const Image& a, const Image& b, int block);

// The bundled sample publication PDF, made by the build.
std::string samplePdf();

// The real-world corpus directory, or "" when it is not there.
std::string corpusDir();
std::string corpusFile(const std::string& name);

}  // namespace testing_support

// Skips the current test when the corpus file is absent.
#define REQUIRE_CORPUS_FILE(var, name)                     \
    std::string var = ::testing_support::corpusFile(name); \
    if (var.empty()) GTEST_SKIP() << "corpus file " << (name) << " not present"
