// JPEGHeader — rewrites the density recorded in a JPEG file's JFIF header.
//
// Only a file that starts with SOI directly followed by a JFIF APP0 segment
// ("FF D8 FF E0 len len J F I F 00") is changed: its units byte (offset 13)
// becomes 1 (dots per inch) and the X and Y densities (offsets 14-17,
// big-endian) the given values. Five bytes are written in place; the rest of
// the file stays as it was. Any other file is left untouched.
//
// After patching a file it writes "the complete file content is in memory"
// to standard output, with no line end.
#pragma once

#include <string>

class JPEGHeader {
  public:
    // Returns 0 in every case; a file that cannot be opened for update or is
    // not JFIF is skipped silently.
    // REQUIRES: 0 <= xDensity, yDensity <= 65535.
    int setResolution(const std::string& fileName, int xDensity, int yDensity);
};
