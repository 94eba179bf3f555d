// Word agreement between the text index and poppler's pdftotext, for the corpus tests.
//
// Two measures, both the share of pdftotext's words that the index holds in the same order:
//   page      — over the page as a whole (longest common subsequence of the word lists);
//   paragraph — within each of pdftotext's paragraphs (blocks it separates by a blank line),
//               so that a column or figure caption placed elsewhere on the page costs nothing
//               while every word and the order inside each paragraph still count.
// pdftotext reads only the page's crop box here, as a reader sees the page (it otherwise
// includes printer's marks outside it). Invisible direction marks, zero-width spaces,
// ligature characters and the soft hyphens it leaves at line ends (it joins hyphenated words
// only at "-") are evened out before comparing, and a web address's scheme ("https://") is a
// word of its own on both sides (pdftotext keeps one that ends a line apart from the rest). The index is made by running the program.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

using Words = std::vector<std::string>;

// The words of a text, white space apart, invisible characters evened out as above.
Words wordsOf(const std::string& text);

// Length of the longest common subsequence.
long commonInOrder(const Words& a, const Words& b);

// The text of every page of the index "createindex" writes for pdf, pages from 1 at index 0;
// empty when the job fails.
std::vector<std::string> indexTexts(const std::string& pdf);

struct Agreement {
    long reference = 0;  // pdftotext's words
    long ours = 0;       // the index's words
    long inPageOrder = 0;
    long inParagraphOrder = 0;
    double page() const { return reference == 0 ? 1 : double(inPageOrder) / reference; }
    double paragraph() const { return reference == 0 ? 1 : double(inParagraphOrder) / reference; }
};

// Both measures over the pages of pdf for which counts (given a page number from 1) is true,
// or over all pages when it is empty.
Agreement measure(const std::string& pdf, const std::function<bool(int)>& counts = {});

// pdftotext and pdfinfo are installed.
bool haveTools();

}  // namespace testing_support
