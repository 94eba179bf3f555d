#include "document/JPEGHeader.h"

#include <cstdio>
#include <cstring>

int JPEGHeader::setResolution(const std::string& fileName, int xDensity, int yDensity) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb+");
    if (file == nullptr) return 0;
    unsigned char head[13];
    static const unsigned char kJfifStart[] = {0xFF, 0xD8, 0xFF, 0xE0};
    bool isJfif = std::fread(head, 1, sizeof head, file) == sizeof head &&
                  std::memcmp(head, kJfifStart, sizeof kJfifStart) == 0 &&
                  std::memcmp(head + 6, "JFIF", 5) == 0;
    bool written = false;
    if (isJfif && std::fseek(file, 13, SEEK_SET) == 0) {
        const unsigned char density[5] = {1, static_cast<unsigned char>(xDensity >> 8),
                                          static_cast<unsigned char>(xDensity & 0xFF),
                                          static_cast<unsigned char>(yDensity >> 8),
                                          static_cast<unsigned char>(yDensity & 0xFF)};
        written = std::fwrite(density, 1, sizeof density, file) == sizeof density;
    }
    std::fclose(file);
    if (written) std::fputs("the complete file content is in memory", stdout);
    return 0;
}
