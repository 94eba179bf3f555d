#include "document/Utility.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "text/TextEncoding.h"

namespace Utility {

std::string getFileName(const std::string& path) {
    std::string::size_type separator = path.rfind('/');
    if (separator == std::string::npos) return std::string();
    return path.substr(separator + 1);
}

bool FileExists(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0) return true;
    // The client's paths must be well-formed UTF-8 even where the status
    // query alone cannot tell; a malformed one ends the job.
    utf8ToWide(path);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool isRegularFile(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

long long getFileSize(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return -1;
    return static_cast<long long>(status.st_size);
}

std::string getTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900);
    return text;
}

std::string whyMissing(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0) return "it cannot be read";
    return std::strerror(errno);
}

std::string pageRecordName(int pageNumber) {
    return "Page_" + std::to_string(pageNumber) + ".xml";
}

std::string pageHtmlName(int pageNumber) {
    return "Page_" + std::to_string(pageNumber) + ".html";
}

}  // namespace Utility
