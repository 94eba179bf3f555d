// FindWords — looks words up in a sorted list of link expressions.
//
// The expressions' regExp are taken as plain words. The list is sorted by
// them (byte-wise, case-sensitive) once; each lookup is a binary search, so
// a page costs one O(log n) search per word whatever the list's length.
//
// Text written without spaces between words (CJK: Han, Hiragana, Katakana,
// Hangul; pdf::chars::isCjk) shows a run of many words as one page word.
// findWithin() finds the list words inside such a run: a list word stands
// inside a page word where both of its ends are word ends, that is the page
// word's own ends or a place next to a CJK character (never before a
// combining mark). So "東京" is found in "東京都の地図" and "PDF" in
// "PDFファイル", while "port" is never found inside "report".
//
//     std::sort(list.begin(), list.end(), byRegExp);
//     FindWords finder(list);
//     SearchMatching m; m.word = "Quillon";
//     if (finder.binarySearch(0, n - 1, m)) use(m.expression);
//     for (const WordSpan& s : finder.findWithin(codes)) use(s.first, s.count);
//
// Nothing thrown but std::bad_alloc.
#pragma once

#include <string>
#include <vector>

#include "recognition/Expressions.h"

// Orders expressions by their word, byte-wise.
bool operator<(const ImportLinksExpression& left, const ImportLinksExpression& right);

// One word to look up, and what it found.
struct SearchMatching {
    ImportLinksExpression expression;  // filled by a successful lookup
    std::string word;                  // UTF-8
    int pageNumber = 0;
    int wordIndex = 0;
    int length = 0;  // characters
};

// A list word found inside a page word: its characters first .. first +
// count - 1 of the word, and the index of its expression in the list.
struct WordSpan {
    int first = 0;
    int count = 0;
    int expression = 0;
};

// The longest list word, in characters, that findWithin() looks for inside a
// longer word: the terms of a word list (names, product and place names) are
// far shorter; a longer one is still found where it is a page word of its
// own. Bounds the work per character of a page word (see findWithin).
constexpr int kMaxInnerWordChars = 64;

class FindWords {
  public:
    // REQUIRES: expressions sorted by operator<.
    explicit FindWords(std::vector<ImportLinksExpression> expressions)
        : expressions(std::move(expressions)) {}

    // Searches indices lo..hi for an exact match of record.word; on success
    // copies the expression into record.expression.
    bool binarySearch(int lo, int hi, SearchMatching& record) const;

    // The list words inside a page word given as its characters (one per
    // page character, marks included), where it has CJK characters: from its
    // start on, at each word end the longest list word starting there (of at
    // most kMaxInnerWordChars characters) that ends at a word end, then on
    // after it; left to right, never overlapping. Empty for a word without a
    // word end inside it (no CJK character): such a word is looked up whole.
    // Cost: per character at most kMaxInnerWordChars steps, each two binary
    // searches of the list that narrow the range of words sharing the
    // characters read so far; most stop after a step or two.
    std::vector<WordSpan> findWithin(const std::vector<char32_t>& word) const;

    const ImportLinksExpression& expression(int index) const {
        return expressions[static_cast<size_t>(index)];
    }

  private:
    std::vector<ImportLinksExpression> expressions;
};
