// Painted characters made without a PDF, for the layout stages' own tests, and the lines of
// a reading as strings, for any test of the page text.
//
// Each piece is a string set from its pen position (the baseline origin of
// its first character, page space: points, y down) along one of the four
// writing directions. Every character is kAdvance ems wide (a space half
// that), its box reaching kAscent ems above the baseline and kDescent below.
// A space is painted as a space character, as most producers do; with
// drawSpaces false it is only a gap.
//
//     std::vector<pdf::PaintedChar> chars = paint({{72, 100, "Alabama"}, {200, 100, "18,870"}});
//     std::vector<std::string> lines = readLines(chars);
#pragma once

#include <string>
#include <vector>

#include "pdf/text/PaintedText.h"
#include "pdf/text/TextLayout.h"
#include "pdf/text/TextPage.h"

namespace testing_support {

constexpr double kAdvance = 0.5;
constexpr double kAscent = 0.8;
constexpr double kDescent = 0.2;

struct Piece {
    double x = 0, y = 0;  // pen position of the first character
    std::string text;     // UTF-8, in painting order
    double size = 10;     // em in points
    // Quarter turns clockwise of the writing direction on the page: 0 runs
    // right, 1 down, 2 left (upside down), 3 up.
    int quarterTurns = 0;
    bool drawSpaces = true;
};

// The characters of the pieces, in the order given.
std::vector<pdf::PaintedChar> paint(const std::vector<Piece>& pieces);

// One character as UTF-8.
std::string utf8Of(char32_t c);

// Width in points of text set by paint().
double widthOf(const std::string& text, double size = 10);

// The pieces laid out on a page of the given size: one string per line,
// words joined by one space.
std::vector<std::string> readLines(const std::vector<Piece>& pieces, double pageWidth = 612,
                                   double pageHeight = 792);
std::vector<std::string> linesOf(const pdf::Layout& layout);

// The lines of a page's reading, words joined by one space.
std::vector<std::string> linesOf(const pdf::TextPage& text);

}  // namespace testing_support
