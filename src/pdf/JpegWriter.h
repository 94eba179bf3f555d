// pdf::JpegWriter — streams RGB rows into a baseline JPEG (libjpeg-turbo).
//
// Images of up to kOptimizedCodingBytes / 3 pixels get Huffman tables made
// for them (libjpeg's optimize_coding: the same pixels, about 3 % fewer
// bytes on rendered pages); for them the encoder holds the image's
// coefficients, 3 bytes a pixel. Larger images use the standard tables and
// stream: memory stays bounded whatever the size.
//
// The file starts with SOI directly followed by a JFIF APP0 segment whose
// density is recorded in dots per inch, so byte 13 of the file is the
// density-units byte (1) and bytes 14-17 the X and Y density, big-endian.
// Quality is handed to the encoder as given; libjpeg itself treats values
// below 1 as 1 and above 100 as 100.
//
// Usage:
//     JpegWriter jpeg(file, 1275, 1650, 80, 150);
//     jpeg.writeRows(pixels, rows);   // as often as needed, top to bottom
//     jpeg.finish();                  // after the last row
//
// Ownership: the FILE* stays the caller's and is not closed.
// Throws pdf::Error when the encoder fails (a write error, a size beyond
// kMaxJpegDimension, rows beyond the height, finish() before the last row).
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

namespace pdf {

// The largest width or height libjpeg encodes.
constexpr int kMaxJpegDimension = 65500;
// True when a JPEG can hold an image of width x height pixels: from 1 to
// kMaxJpegDimension pixels per side.
inline bool jpegHolds(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxJpegDimension && height <= kMaxJpegDimension;
}
// The most coefficient memory an image may take to get its own tables.
constexpr std::size_t kOptimizedCodingBytes = 64u << 20;

class JpegWriter {
  public:
    // REQUIRES: 0 < width, height <= kMaxJpegDimension; 1 <= densityDpi <= 65535.
    // standardTables: the standard Huffman tables whatever the size (for many small images,
    // where making tables would take about as long as the rest of the encoding).
    JpegWriter(std::FILE* out, int width, int height, int quality, int densityDpi,
               bool standardTables = false);
    ~JpegWriter();
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    // pixels: `rows` rows of width * 3 bytes (RGB), continuing where the
    // previous call stopped.
    void writeRows(const unsigned char* pixels, int rows);
    void finish();

    struct State;  // libjpeg's objects; defined in JpegWriter.cpp

  private:
    std::unique_ptr<State> state_;
};

}  // namespace pdf
