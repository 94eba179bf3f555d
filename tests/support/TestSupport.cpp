#include "support/TestSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testing_support {

TempDir::TempDir() {
    char pattern[] = "/tmp/quillon-test-XXXXXX";
    char* made = mkdtemp(pattern);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = std::string(made) + "/";
}

TempDir::~TempDir() {
    std::string command = "rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0) std::perror("rm");
}

namespace {

// A started run of the program: its pid, the pipe of its standard output and
// the file of its standard error.
struct Started {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

Started start(const std::vector<std::string>& args, const std::function<void()>& beforeExec) {
    Started run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return run;
    // Standard error goes to a file, read once the program has ended, so
    // that neither stream can fill up and block it.
    char errName[] = "/tmp/quillon-stderr-XXXXXX";
    int errFd = mkstemp(errName);
    if (errFd < 0) return run;
    unlink(errName);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(errFd, STDERR_FILENO);
        close(errFd);
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (beforeExec) beforeExec();
        std::vector<char*> argv;
        std::string program = QUILLONPROXY_BIN;
        argv.push_back(program.data());
        std::vector<std::string> copies(args);
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    run.pid = pid;
    run.out = pipeFds[0];
    run.err = errFd;
    return run;
}

RunResult finish(Started& run) {
    RunResult result;
    if (run.pid < 0) return result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(run.out, buffer, sizeof buffer)) > 0) result.out.append(buffer, got);
    close(run.out);
    int status = 0;
    waitpid(run.pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
    lseek(run.err, 0, SEEK_SET);
    while ((got = read(run.err, buffer, sizeof buffer)) > 0) result.err.append(buffer, got);
    close(run.err);
    return result;
}

}  // namespace

RunResult runProgram(const std::vector<std::string>& args,
                     const std::function<void()>& beforeExec) {
    Started run = start(args, beforeExec);
    return finish(run);
}

Running::Running(const std::vector<std::string>& args) {
    Started run = start(args, {});
    pid_ = run.pid;
    out_ = run.out;
    err_ = run.err;
}

Running::~Running() {
    if (pid_ >= 0) wait();
}

bool Running::readUntil(const std::string& marker) {
    char buffer[4096];
    while (read_.find(marker) == std::string::npos) {
        ssize_t got = read(out_, buffer, sizeof buffer);
        if (got <= 0) return false;
        read_.append(buffer, static_cast<size_t>(got));
    }
    return true;
}

RunResult Running::wait() {
    Started run{pid_, out_, err_};
    pid_ = -1;
    RunResult result = finish(run);
    result.out = read_ + result.out;
    return result;
}

std::vector<RunResult> runAtOnce(const std::vector<std::string>& jobFiles) {
    std::vector<Started> runs;
    for (const std::string& job : jobFiles) runs.push_back(start({job}, {}));
    std::vector<RunResult> results;
    for (Started& run : runs) results.push_back(finish(run));
    return results;
}

RunResult runJob(const TempDir& dir, const std::string& jobXml) {
    writeFile(dir.file("job.xml"), jobXml);
    return runProgram({dir.file("job.xml")});
}

std::string tryPublishPageRecords(const TempDir& dir, const std::string& pdf) {
    const std::string files =
        "<inputfile>" + pdf + "</inputfile><outputdir>" + dir.path() + "</outputdir>";
    RunResult run = runJob(dir, "<job name=\"createdocumentxml\">" + files +
                                    "<version>1</version><documentlang>en</documentlang>"
                                    "<thumbprefix>t</thumbprefix><pagesprefix>p</pagesprefix>"
                                    "<zoomprefix>z</zoomprefix><zoompostfix>jpg</zoompostfix>"
                                    "<docid>d</docid><importbookmarks>false</importbookmarks>"
                                    "<importpagelabels>false</importpagelabels></job>");
    if (run.status != 0) return "createdocumentxml: " + run.out;
    run =
        runJob(dir, "<job name=\"createpagesxml\">" + files + "<importlinks>0</importlinks></job>");
    if (run.status != 0) return "createpagesxml: " + run.out;
    return "";
}

void publishPageRecords(const TempDir& dir, const std::string& pdf) {
    std::string failure = tryPublishPageRecords(dir, pdf);
    EXPECT_EQ("", failure) << pdf;
}

std::string shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    pclose(pipe);
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

bool fileExists(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return names;
    while (dirent* entry = readdir(d)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

struct JpegErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorJump*>(cinfo->err)->jump, 1);
}

bool decodeInto(FILE* file, Image& image) {
    jpeg_decompress_struct cinfo;
    JpegErrorJump errors;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    image.width = cinfo.output_width;
    image.height = cinfo.output_height;
    image.components = cinfo.output_components;
    image.densityUnit = cinfo.density_unit;
    image.xDensity = cinfo.X_density;
    image.yDensity = cinfo.Y_density;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * image.components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.pixels.data() +
                       static_cast<size_t>(cinfo.output_scanline) * image.width * image.components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

Image decodeJpeg(const std::string& path) {
    Image image;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot open " << path;
        return image;
    }
    if (!decodeInto(file, image)) ADD_FAILURE() << "not a decodable JPEG: " << path;
    std::fclose(file);
    return image;
}

Image readPpm(const std::string& path) {
    Image image;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255) {
        ADD_FAILURE() << "not an 8-bit P6 file: " << path;
        return Image();
    }
    image.components = 3;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(image.pixels.data()), image.pixels.size());
    return image;
}

double meanAbsoluteDifference(const Image& a, const Image& b, int dx, int dy) {
    int x0 = std::max(0, -dx), y0 = std::max(0, -dy);
    int x1 = std::min(a.width, b.width - dx), y1 = std::min(a.height, b.height - dy);
    if (x1 <= x0 || y1 <= y0 || a.components != b.components) return 255;
    double total = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            for (int c = 0; c < a.components; ++c)
                total += std::abs(a.at(x, y, c) - b.at(x + dx, y + dy, c));
    return total / (static_cast<double>(x1 - x0) * (y1 - y0) * a.components);
}

double blockMeanDifference(const Image& a, const Image& b, int block) {
    int w = std::min(a.width, b.width) / block;
    int h = std::min(a.height, b.height) / block;
    if (w <= 0 || h <= 0 || a.components != b.components) return 255;
    double total = 0;
    for (int by = 0; by < h; ++by)
        for (int bx = 0; bx < w; ++bx)
            for (int c = 0; c < a.components; ++c) {
                long sumA = 0, sumB = 0;
                for (int y = by * block; y < (by + 1) * block; ++y)
                    for (int x = bx * block; x < (bx + 1) * block; ++x) {
                        sumA += a.at(x, y, c);
                        sumB += b.at(x, y, c);
                    }
                total += std::abs(sumA - sumB) / static_cast<double>(block * block);
            }
    return total / (static_cast<double>(w) * h * a.components);
}

std::string be32(unsigned value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string jpxCodestream(unsigned width, unsigned height) {
    std::string siz = std::string("\xFF\x4F\xFF\x51\x00\x2F\x00\x00", 8) + be32(width) +
                      be32(height) + be32(0) + be32(0) + be32(width) + be32(height) + be32(0) +
                      be32(0) + std::string("\x00\x03", 2);
    for (int c = 0; c < 3; ++c) siz += std::string("\x07\x01\x01", 3);
    return siz + std::string(400, '\0') + "\xFF\xD9";
}

std::string handWrittenPdf(const std::vector<std::string>& objects,
                           const std::string& trailerExtra) {
    std::string pdf = "%PDF-1.7\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R" +
           (trailerExtra.empty() ? "" : " " + trailerExtra) + " >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string samplePdf() {
    return QUILLON_SAMPLE_PDF;
}

std::string corpusDir() {
    // QUILLON_CORPUS_DIR in the environment runs the corpus tests over another folder of
    // real-world PDFs (one holding a MANIFEST.md), e.g. documents the rules were not made on.
    const char* other = std::getenv("QUILLON_CORPUS_DIR");
    std::string dir = other != nullptr && *other != 0 ? other : QUILLON_CORPUS_DIR;
    return fileExists(dir + "/MANIFEST.md") ? dir : std::string();
}

std::string corpusFile(const std::string& name) {
    std::string dir = corpusDir();
    if (dir.empty() || !fileExists(dir + "/" + name)) return std::string();
    return dir + "/" + name;
}

}  // namespace testing_support
