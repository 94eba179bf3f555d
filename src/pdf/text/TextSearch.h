// Regular-expression search over a page's reading-order text.
//
// The text searched is TextPage::text(): words separated by one space,
// lines by a line feed, hyphenated line ends joined, right-to-left script in
// reading order — what a person reads, so "www\.[a-z]+\.com" or "page \d+"
// find what they look like. One difference: between the cells of a table
// row, where text() has a space, the searched text has a tab
// (kCellSeparator), so that a literal space in a pattern never runs over a
// column gutter ("page \d+" does not take "page" at the end of one cell and
// "1" at the start of the next); the gap between two columns of text is a
// line feed already, as between any two lines. The tab is white space as
// "\s" and "\h" see it, and "." matches it: a pattern that asks for any
// white space still crosses a gutter, as it crosses a line break. A match's
// text is reported with a space where it crossed one, as text() has it. Each match reports its text
// and highlight ranges: the content-order numbers of the glyphs that show its characters
// (TextChar::glyph), cut into runs of consecutive numbers, and each run
// tagged with the reading-order line it lies on, so that a match over a line
// break can be shown line by line. The spaces and line feeds the text puts
// between words and lines belong to no character; where the page paints the
// space as a glyph of its own the run goes on over it, else the run simply
// skips it.
//
//     Regex re("QX-\\d+");
//     SearchableText text = searchableText(textPage);  // keep this, not the TextPage
//     for (const SearchMatch& m : searchPage(text, re)) locate(m);
//
// Cost: building the searchable text is linear in the page's text; a
// search is the regular expression's own (linear for ordinary patterns,
// under the match limit of Regex.h) plus, per match, its length and a binary
// search for its line.
//
// Throws pdf::Error when the expression exceeds its match limit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pdf/text/TextPage.h"
#include "text/Regex.h"

namespace pdf {

// A run of a match's glyphs.
struct Highlight {
    int page = 0;      // 1-based
    int position = 0;  // content-order number of the first glyph, from 0
    int length = 0;    // glyphs
    int line = 0;      // index in TextPage::lines()
};

// What searching a page needs, and no more: a job keeps it for every page
// it searches again and again.
// What stands between two cells of a table row in the searched text.
constexpr char kCellSeparator = '\t';

struct SearchableText {
    int page = 0;
    std::string text;               // TextPage::text(), a tab between table cells
    std::vector<int> glyphAtByte;   // glyph showing each byte; -1 for separators
    std::vector<size_t> lineStart;  // byte offset in text where each line starts
};

SearchableText searchableText(const TextPage& page);

struct SearchMatch {
    int page = 0;
    std::string text;  // UTF-8, as matched in TextPage::text()
    std::vector<Highlight> highlights;
};

// Matches in the order they occur in the page's text.
std::vector<SearchMatch> searchPage(const SearchableText& page, const Regex& regex);

// The same matches handed to onMatch one by one as they are found, so a
// caller keeps only what it needs; an exception thrown by onMatch ends the
// search and goes on to the caller.
void searchPage(const SearchableText& page, const Regex& regex,
                const std::function<void(SearchMatch&&)>& onMatch);

}  // namespace pdf
