// FindWords — looks words up in a sorted list of link expressions.
//
// The expressions' regExp are taken as plain words. The list is sorted by
// them (byte-wise, case-sensitive) once; each lookup is a binary search, so
// a page costs one O(log n) search per word whatever the list's length.
//
//     std::sort(list.begin(), list.end(), byRegExp);
//     FindWords finder(list);
//     SearchMatching m; m.word = "Quillon";
//     if (finder.binarySearch(0, n - 1, m)) use(m.expression);
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

class FindWords {
  public:
    // REQUIRES: expressions sorted by operator<.
    explicit FindWords(std::vector<ImportLinksExpression> expressions)
        : expressions(std::move(expressions)) {}

    // Searches indices lo..hi for an exact match of record.word; on success
    // copies the expression into record.expression.
    bool binarySearch(int lo, int hi, SearchMatching& record) const;

  private:
    std::vector<ImportLinksExpression> expressions;
};
