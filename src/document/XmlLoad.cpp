#include "document/XmlLoad.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "text/TextEncoding.h"

int elementDepth(const std::string& text, int limit) {
    int depth = 0, deepest = 0;
    size_t i = 0;
    auto skipPast = [&](const char* end) {
        size_t at = text.find(end, i);
        i = at == std::string::npos ? text.size() : at + std::strlen(end);
    };
    while (i < text.size() && deepest <= limit) {
        if (text[i] != '<') {
            ++i;
            continue;
        }
        if (text.compare(i, 4, "<!--") == 0) {
            skipPast("-->");
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            skipPast("]]>");
        } else if (text.compare(i, 2, "<?") == 0) {
            skipPast("?>");
        } else if (text.compare(i, 2, "<!") == 0) {
            skipPast(">");
        } else if (text.compare(i, 2, "</") == 0) {
            if (depth > 0) --depth;
            skipPast(">");
        } else {
            // An element's start tag; quoted values may hold '>' and "/>".
            char quote = 0;
            bool empty = false;
            for (++i; i < text.size(); ++i) {
                char c = text[i];
                if (quote != 0) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    empty = text[i - 1] == '/';
                    ++i;
                    break;
                }
            }
            if (!empty) deepest = std::max(deepest, ++depth);
        }
    }
    return deepest;
}

std::string loadXmlFile(TiXmlDocument& document, const std::string& path) {
    struct stat status;
    // A directory, device or pipe has no end to read up to.
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return "Failed to open file";
    if (static_cast<unsigned long long>(status.st_size) > kMaxXmlFileBytes)
        return "The file is larger than " + std::to_string(kMaxXmlFileBytes >> 20) + " MB";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return "Failed to open file";
    std::string bytes;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
        if (bytes.size() > kMaxXmlFileBytes) break;
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return "Failed to read file";
    if (bytes.size() > kMaxXmlFileBytes)
        return "The file is larger than " + std::to_string(kMaxXmlFileBytes >> 20) + " MB";
    if (!isWellFormedUtf8(bytes)) return "The file is not UTF-8 text";
    if (bytes.find('\0') != std::string::npos) return "The file holds a NUL character";
    if (elementDepth(bytes, kMaxXmlDepth) > kMaxXmlDepth)
        return "Elements nest deeper than " + std::to_string(kMaxXmlDepth) + " levels";
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
        } else {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        }
    }
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    return document.Error() ? document.ErrorDesc() : "";
}
