// Independent readings of real-world PDFs for the corpus tests: MuPDF's command-line text
// extraction (mutool, as plain text and as structured text with character quads) and poppler's
// (pdftotext), parsed into plain data; and the character comparison both corpus text tests use.
// The tools are run as programs, so nothing here shares code with the project's own reading.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// A character of mutool's structured text: its UTF-8 and the bounding box of its quad, in
// points from the top-left of the shown page, y down.
struct StextChar {
    std::string text;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// A line of structured text, with the number of the block it stands in on its page.
struct StextLine {
    int block = 0;
    std::vector<StextChar> chars;
    std::string text() const;
};

// mutool draw -F stext: the lines of every page, pages from 1.
std::map<int, std::vector<StextLine>> mutoolLines(const std::string& pdf);

// mutool draw -F txt: the text of every page, pages from 1.
std::map<int, std::string> mutoolPageTexts(const std::string& pdf);

// pdftotext -bbox-layout -cropbox: the words of every page whose centre lies inside the crop
// box, joined by spaces; pages from 1.
std::map<int, std::string> pdftotextCropText(const std::string& pdf);

// The characters of a text as compared between readings: compatibility-decomposed (a ligature
// is its letters, "é" is e), without combining marks, white space, controls and hyphens (so
// that word splitting and joining count for nothing), the dotless i that TeX sets under accents
// read as i. Counted per character, as UTF-32.
std::map<char32_t, long> comparableCharacters(const std::string& utf8);

// Σ min(a[c], b[c]): how many of a's characters b holds too.
long heldIn(const std::map<char32_t, long>& a, const std::map<char32_t, long>& b);
long countOf(const std::map<char32_t, long>& characters);
// The characters both a and b hold.
std::map<char32_t, long> common(const std::map<char32_t, long>& a,
                                const std::map<char32_t, long>& b);

// True when at least 95 % of the letters of a text are Latin.
bool latinScript(const std::string& utf8);

}  // namespace testing_support
