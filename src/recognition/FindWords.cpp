#include "recognition/FindWords.h"

#include <algorithm>

#include "pdf/text/CharClass.h"
#include "text/TextEncoding.h"

bool operator<(const ImportLinksExpression& left, const ImportLinksExpression& right) {
    return left.regExp < right.regExp;
}

bool FindWords::binarySearch(int lo, int hi, SearchMatching& record) const {
    const std::string& key = record.word;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        const std::string& candidate = expressions[static_cast<size_t>(mid)].regExp;
        if (key > candidate) {
            lo = mid + 1;
        } else if (key < candidate) {
            hi = mid - 1;
        } else {
            record.expression = expressions[static_cast<size_t>(mid)];
            return true;
        }
    }
    return false;
}

std::vector<WordSpan> FindWords::findWithin(const std::vector<char32_t>& word) const {
    namespace chars = pdf::chars;
    std::vector<WordSpan> found;
    const int n = static_cast<int>(word.size());
    // Word ends: the word's own, and each place next to a CJK character but
    // for the one before a mark, which belongs to the character before it.
    std::vector<char> wordEnd(static_cast<size_t>(n) + 1, 0);
    wordEnd[0] = wordEnd[n] = 1;
    bool inner = false;
    for (int k = 1; k < n; ++k) {
        wordEnd[k] = (chars::isCjk(word[k - 1]) || chars::isCjk(word[k])) &&
                     !chars::isCombiningMark(word[k]);
        inner = inner || wordEnd[k];
    }
    if (!inner || expressions.empty()) return found;

    // The word as UTF-8, with where each character starts: UTF-8 orders as
    // the code points do, so the list's byte order serves for prefixes.
    std::string bytes;
    std::vector<size_t> offset(static_cast<size_t>(n) + 1, 0);
    for (int k = 0; k < n; ++k) {
        offset[k] = bytes.size();
        appendUtf8(bytes, word[k]);
    }
    offset[n] = bytes.size();

    using Iterator = std::vector<ImportLinksExpression>::const_iterator;
    for (int s = 0; s < n;) {
        if (!wordEnd[s]) {
            ++s;
            continue;
        }
        // The list words that begin with the characters s .. e - 1 lie
        // together in the sorted list; each character more narrows them.
        Iterator lo = expressions.begin(), hi = expressions.end();
        int bestEnd = -1;
        Iterator best;
        for (int e = s + 1; e <= n && e - s <= kMaxInnerWordChars && lo != hi; ++e) {
            const std::string prefix = bytes.substr(offset[s], offset[e] - offset[s]);
            lo = std::lower_bound(
                lo, hi, prefix,
                [](const ImportLinksExpression& x, const std::string& p) { return x.regExp < p; });
            hi = std::upper_bound(lo, hi, prefix,
                                  [](const std::string& p, const ImportLinksExpression& x) {
                                      return x.regExp.compare(0, p.size(), p) > 0;
                                  });
            if (lo != hi && wordEnd[e] && lo->regExp == prefix) {
                bestEnd = e;
                best = lo;
            }
        }
        if (bestEnd < 0) {
            ++s;
            continue;
        }
        found.push_back({s, bestEnd - s, static_cast<int>(best - expressions.begin())});
        s = bestEnd;
    }
    return found;
}
