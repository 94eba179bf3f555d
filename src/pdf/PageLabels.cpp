#include "pdf/PageLabels.h"

#include <algorithm>
#include <map>
#include <set>

#include "pdf/Error.h"
#include "pdf/Objects.h"

namespace pdf {
namespace {

constexpr int kMaxTreeDepth = 32;

void collect(pdf_obj* node, int depth, std::set<int>& seen,
             std::vector<std::pair<int, pdf_obj*>>& entries) {
    int number = objects::objectNumber(node);
    if (depth > kMaxTreeDepth || (number != 0 && !seen.insert(number).second)) return;
    pdf_obj* nums = objects::get(node, "Nums");
    int n = objects::length(nums);
    for (int i = 0; i + 1 < n; i += 2) {
        pdf_obj* key = objects::at(nums, i);
        if (objects::isInteger(key))
            entries.emplace_back(objects::toInteger(key), objects::at(nums, i + 1));
    }
    pdf_obj* kids = objects::get(node, "Kids");
    for (int i = 0, k = objects::length(kids); i < k; ++i)
        collect(objects::at(kids, i), depth + 1, seen, entries);
}

}  // namespace

PageLabels::PageLabels(const Document& document) {
    try {
        pdf_obj* tree = objects::get(objects::catalog(document.handle()), "PageLabels");
        if (tree == nullptr) return;
        std::vector<std::pair<int, pdf_obj*>> entries;
        std::set<int> seen;
        collect(tree, 0, seen, entries);
        // Only ranges that start on a page of the document label one, and of several for the
        // same first page the last: what is kept grows with the pages, whatever the tree
        // declares (a million ranges past the last page are read and passed over).
        const int pages = document.pageCount();
        std::map<int, Range> byFirstIndex;
        for (const auto& [firstIndex, dict] : entries) {
            if (firstIndex < 0 || firstIndex >= pages || !objects::isDictionary(dict)) continue;
            Range range;
            range.firstIndex = firstIndex;
            pdf_obj* style = objects::get(dict, "S");
            for (const char* s : {"D", "R", "r", "A", "a"}) {
                if (objects::isName(style, s)) range.style = s[0];
            }
            range.prefix = objects::toText(objects::get(dict, "P"));
            pdf_obj* start = objects::get(dict, "St");
            if (objects::isInteger(start) && objects::toInteger(start) >= 1) {
                range.start = objects::toInteger(start);
            }
            byFirstIndex[firstIndex] = range;
        }
        for (auto& entry : byFirstIndex) ranges_.push_back(std::move(entry.second));
    } catch (const Error& e) {
        throw e.within(document.place(), "page labels");
    }
}

std::optional<std::string> PageLabels::label(int number) const {
    int index = number - 1;
    auto after = std::upper_bound(ranges_.begin(), ranges_.end(), index,
                                  [](int i, const Range& r) { return i < r.firstIndex; });
    if (after == ranges_.begin()) return std::nullopt;
    const Range& range = *(after - 1);
    long long value = static_cast<long long>(range.start) + (index - range.firstIndex);
    int n = value > 1000000000 ? 1000000000 : static_cast<int>(value);
    switch (range.style) {
        case 'D':
            return range.prefix + std::to_string(n);
        case 'R':
            return range.prefix + roman(n, true);
        case 'r':
            return range.prefix + roman(n, false);
        case 'A':
            return range.prefix + letters(n, true);
        case 'a':
            return range.prefix + letters(n, false);
        default:
            return range.prefix;
    }
}

std::string PageLabels::roman(int number, bool upperCase) {
    static const struct {
        int value;
        const char* upper;
        const char* lower;
    } kDigits[] = {{1000, "M", "m"}, {900, "CM", "cm"}, {500, "D", "d"}, {400, "CD", "cd"},
                   {100, "C", "c"},  {90, "XC", "xc"},  {50, "L", "l"},  {40, "XL", "xl"},
                   {10, "X", "x"},   {9, "IX", "ix"},   {5, "V", "v"},   {4, "IV", "iv"},
                   {1, "I", "i"}};
    // Thousands are written as repeated M; past a few thousand that is
    // silly but still a label, and capped so a hostile /St cannot make one
    // of megabytes.
    number = std::min(number, 100000);
    std::string out;
    for (const auto& digit : kDigits) {
        while (number >= digit.value) {
            out += upperCase ? digit.upper : digit.lower;
            number -= digit.value;
        }
    }
    return out;
}

std::string PageLabels::letters(int number, bool upperCase) {
    if (number < 1) return std::string();
    number = std::min(number, 26 * 1000);
    char letter = static_cast<char>((upperCase ? 'A' : 'a') + (number - 1) % 26);
    return std::string(static_cast<size_t>((number - 1) / 26 + 1), letter);
}

}  // namespace pdf
