// The layout fuzz target's input: bytes as a list of painted characters, and back.
//
// Each character is one record of kLayoutRecordSize bytes (a shorter tail is ignored), at most
// kMaxLayoutChars of them:
//   0-1  the character's code, little-endian (the Basic Multilingual Plane: letters, digits,
//        spaces, dots, combining marks, Hebrew and Arabic)
//   2    flags: bit 0 hidden, 1 space, 2 combining mark, 3 unmapped, bits 4-5 the writing
//        direction in quarter turns clockwise, 6 mirrored (ascent on the right of the
//        direction), 7 coordinates that are no number (a NaN, which the layout must leave out)
//   3-4  the pen position's x, in hundredths of a point, from -10 points
//   5-6  its y (page space, y down), in eightieths of a point, from -10 points
//   7    the size in quarter points (0: none)
//   8    the advance in hundredths of an em
//   9    the box's shift off the baseline across the line, (value - 128) / 256 em
// so the positions cover a US Letter page (612 x 792 points, kLayoutPageWidth x
// kLayoutPageHeight) and a margin around it. Header only: plain data, nothing thrown.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "pdf/text/PaintedText.h"

namespace fuzzlayout {

constexpr std::size_t kLayoutRecordSize = 10;
// Enough for a dense page of text (the real-world corpus paints up to some 9,400 glyphs on a
// page, most pages far fewer), few enough that an input runs in a millisecond or two.
constexpr std::size_t kMaxLayoutChars = 4096;
constexpr double kLayoutPageWidth = 612, kLayoutPageHeight = 792;

inline std::vector<pdf::PaintedChar> decode(const uint8_t* data, std::size_t size) {
    std::vector<pdf::PaintedChar> chars;
    const std::size_t count = std::min(size / kLayoutRecordSize, kMaxLayoutChars);
    chars.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* r = data + i * kLayoutRecordSize;
        const int flags = r[2];
        pdf::PaintedChar c;
        c.code = static_cast<char32_t>(r[0] | (r[1] << 8));
        c.glyph = static_cast<int>(i);
        c.hidden = flags & 1;
        c.space = flags & 2;
        c.mark = flags & 4;
        c.unmapped = flags & 8;
        static const double kDir[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        const int turns = (flags >> 4) & 3;
        const double dx = kDir[turns][0], dy = kDir[turns][1];
        // From the baseline towards the ascent: left of the writing direction (y down), or
        // right of it when mirrored.
        const double side = (flags & 64) ? -1 : 1;
        const double ux = dy * side, uy = -dx * side;
        const double x = (r[3] | (r[4] << 8)) / 100.0 - 10;
        const double y = (r[5] | (r[6] << 8)) / 80.0 - 10;
        const double em = r[7] / 4.0;
        const double advance = r[8] / 100.0 * em;
        const double shift = (r[9] - 128) / 256.0 * em;
        c.size = em;
        c.dirX = dx;
        c.dirY = dy;
        c.origin = {x, y};
        auto at = [&](double along, double up) {
            return pdf::Point{x + dx * along + ux * (up + shift),
                              y + dy * along + uy * (up + shift)};
        };
        c.quad[0] = at(0, -0.2 * em);
        c.quad[1] = at(advance, -0.2 * em);
        c.quad[2] = at(advance, 0.8 * em);
        c.quad[3] = at(0, 0.8 * em);
        if (flags & 128) c.quad[1].x = std::numeric_limits<double>::quiet_NaN();
        chars.push_back(c);
    }
    return chars;
}

// The record of a painted character, as near as the record's units come.
inline void encode(const pdf::PaintedChar& c, std::vector<uint8_t>& out) {
    auto quantize = [](double v, double scale, double from, int max) {
        double q = std::round((v - from) * scale);
        return static_cast<int>(std::clamp(std::isfinite(q) ? q : 0.0, 0.0, double(max)));
    };
    const int turns =
        std::fabs(c.dirX) >= std::fabs(c.dirY) ? (c.dirX >= 0 ? 0 : 2) : (c.dirY >= 0 ? 1 : 3);
    const double upX = c.quad[3].x - c.quad[0].x, upY = c.quad[3].y - c.quad[0].y;
    const bool mirrored = c.dirX * upY - c.dirY * upX > 0;
    const double em = c.size > 0 ? c.size : 1;
    const double advance = std::hypot(c.quad[1].x - c.quad[0].x, c.quad[1].y - c.quad[0].y) / em;
    // The descent corner's distance from the origin across the line, less the usual descent.
    const double side = mirrored ? -1 : 1;
    const double across =
        ((c.quad[0].x - c.origin.x) * c.dirY * side - (c.quad[0].y - c.origin.y) * c.dirX * side) /
            em +
        0.2;
    const int x = quantize(c.origin.x, 100, -10, 65535);
    const int y = quantize(c.origin.y, 80, -10, 65535);
    const uint8_t record[kLayoutRecordSize] = {
        static_cast<uint8_t>(c.code & 0xFF),
        static_cast<uint8_t>((c.code >> 8) & 0xFF),
        static_cast<uint8_t>(c.hidden | c.space << 1 | c.mark << 2 | c.unmapped << 3 | turns << 4 |
                             mirrored << 6),
        static_cast<uint8_t>(x & 0xFF),
        static_cast<uint8_t>(x >> 8),
        static_cast<uint8_t>(y & 0xFF),
        static_cast<uint8_t>(y >> 8),
        static_cast<uint8_t>(quantize(c.size, 4, 0, 255)),
        static_cast<uint8_t>(quantize(advance, 100, 0, 255)),
        static_cast<uint8_t>(quantize(across, 256, -0.5, 255))};
    out.insert(out.end(), record, record + kLayoutRecordSize);
}

}  // namespace fuzzlayout
