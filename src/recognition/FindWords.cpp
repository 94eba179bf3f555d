#include "recognition/FindWords.h"

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
