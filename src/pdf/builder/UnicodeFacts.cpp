#include "pdf/builder/UnicodeFacts.h"

#include <mupdf/ucdn.h>

#include <cstdint>

namespace pdfbuild {

namespace {

void decompose(char32_t c, std::vector<char32_t>& out, int depth) {
    uint32_t parts[18];
    const int n = depth < 8 ? ucdn_compat_decompose(static_cast<uint32_t>(c), parts) : 0;
    if (n > 0) {
        for (int i = 0; i < n; ++i) decompose(parts[i], out, depth + 1);
        return;
    }
    uint32_t a = 0, b = 0;
    if (depth < 8 && ucdn_decompose(static_cast<uint32_t>(c), &a, &b)) {
        decompose(a, out, depth + 1);
        if (b != 0) decompose(b, out, depth + 1);
        return;
    }
    out.push_back(c);
}

}  // namespace

std::vector<char32_t> decomposed(char32_t c) {
    std::vector<char32_t> out;
    decompose(c, out, 0);
    return out;
}

bool isMarkControlOrSpace(char32_t c) {
    switch (ucdn_get_general_category(static_cast<uint32_t>(c))) {
        case UCDN_GENERAL_CATEGORY_MN:
        case UCDN_GENERAL_CATEGORY_ME:
        case UCDN_GENERAL_CATEGORY_CC:
        case UCDN_GENERAL_CATEGORY_CF:
        case UCDN_GENERAL_CATEGORY_ZS:
        case UCDN_GENERAL_CATEGORY_ZL:
        case UCDN_GENERAL_CATEGORY_ZP:
            return true;
        default:
            return false;
    }
}

bool isLetter(char32_t c) {
    switch (ucdn_get_general_category(static_cast<uint32_t>(c))) {
        case UCDN_GENERAL_CATEGORY_LU:
        case UCDN_GENERAL_CATEGORY_LL:
        case UCDN_GENERAL_CATEGORY_LO:
        case UCDN_GENERAL_CATEGORY_LT:
        case UCDN_GENERAL_CATEGORY_LM:
            return true;
        default:
            return false;
    }
}

bool isLatin(char32_t c) {
    return ucdn_get_script(static_cast<uint32_t>(c)) == UCDN_SCRIPT_LATIN;
}

}  // namespace pdfbuild
