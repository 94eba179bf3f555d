// pdf::PageLabels — the page labels a document defines (/PageLabels).
//
// The catalog's number tree maps the first page index of each range to a
// label dictionary: style /S (/D decimal, /R and /r roman, /A and /a
// letters, absent: no number), prefix /P and first number /St (default 1).
// A page's label is the prefix followed by (St + page - first page of its
// range) in the range's style:
//
//     /Nums [0 << /S /r >> 2 << /S /D >> 5 << /P (A-) /S /D /St 7 >>]
//     pages 1..7 -> "i" "ii" "1" "2" "3" "A-7" "A-8"
//
// Letters run A..Z, AA..ZZ, AAA..; roman numerals use as many M as needed.
// A page before the first range, or any page of a document without labels,
// has no label.
//
// Throws pdf::Error naming the file when the tree cannot be read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pdf/Document.h"

namespace pdf {

class PageLabels {
  public:
    explicit PageLabels(const Document& document);

    // REQUIRES: number >= 1. The label of page `number` (1-based), or none.
    std::optional<std::string> label(int number) const;

    // The numbering styles, for number >= 1.
    static std::string roman(int number, bool upperCase);
    static std::string letters(int number, bool upperCase);

  private:
    struct Range {
        int firstIndex = 0;  // 0-based page index where the range starts
        char style = 0;      // 'D', 'R', 'r', 'A', 'a' or 0
        std::string prefix;
        int start = 1;
    };
    std::vector<Range> ranges_;  // sorted by firstIndex
};

}  // namespace pdf
