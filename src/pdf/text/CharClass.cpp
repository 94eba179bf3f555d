#include "pdf/text/CharClass.h"

#include <mupdf/ucdn.h>

#include <cstdint>

namespace pdf {
namespace chars {

bool isSpace(char32_t c) {
    switch (c) {
        case 0x09:
        case 0x20:
        case 0xA0:
        case 0x1680:
        case 0x200B:
        case 0x202F:
        case 0x205F:
        case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200A;
    }
}

bool isDropped(char32_t c) {
    if (c < 0x20) return c != 0x09;
    if (c >= 0x7F && c <= 0x9F) return true;
    if (c >= 0xD800 && c <= 0xDFFF) return true;
    if (c > 0x10FFFF) return true;
    if (c >= 0xFDD0 && c <= 0xFDEF) return true;
    if ((c & 0xFFFE) == 0xFFFE) return true;
    return c == 0x200C || c == 0x200D || c == 0x2060 || c == 0xFEFF || c == 0xFFFD;
}

bool isCombiningMark(char32_t c) {
    // The common case, plain ASCII, needs no table lookup.
    if (c < 0x300) return false;
    int category = ucdn_get_general_category(static_cast<uint32_t>(c));
    return category == UCDN_GENERAL_CATEGORY_MN || category == UCDN_GENERAL_CATEGORY_ME;
}

char32_t combiningFormOf(char32_t accent) {
    switch (accent) {
        case 0x0060:  // grave
        case 0x02CB:
            return 0x0300;
        case 0x00B4:  // acute
        case 0x02CA:
            return 0x0301;
        case 0x005E:  // circumflex
        case 0x02C6:
            return 0x0302;
        case 0x007E:  // tilde
        case 0x02DC:
            return 0x0303;
        case 0x00AF:  // macron
        case 0x02C9:
            return 0x0304;
        case 0x02D8:  // breve
            return 0x0306;
        case 0x02D9:  // dot above
            return 0x0307;
        case 0x00A8:  // diaeresis
            return 0x0308;
        case 0x02DA:  // ring
            return 0x030A;
        case 0x02DD:  // double acute
            return 0x030B;
        case 0x02C7:  // caron
            return 0x030C;
        case 0x00B8:  // cedilla
            return 0x0327;
        case 0x02DB:  // ogonek
            return 0x0328;
        default:
            return 0;
    }
}

char32_t composed(char32_t c, char32_t m) {
    uint32_t out = 0;
    if (!ucdn_compose(&out, static_cast<uint32_t>(c), static_cast<uint32_t>(m))) return 0;
    return static_cast<char32_t>(out);
}

bool isLetter(char32_t c) {
    if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    switch (ucdn_get_general_category(static_cast<uint32_t>(c))) {
        case UCDN_GENERAL_CATEGORY_LL:
        case UCDN_GENERAL_CATEGORY_LM:
        case UCDN_GENERAL_CATEGORY_LO:
        case UCDN_GENERAL_CATEGORY_LT:
        case UCDN_GENERAL_CATEGORY_LU:
            return true;
        default:
            return false;
    }
}

bool isCjk(char32_t c) {
    // Every such script lies above U+1100 (Hangul Jamo).
    if (c < 0x1100) return false;
    if ((c >= 0x3001 && c <= 0x303F) || (c >= 0x30A0 && c <= 0x30FF) ||
        (c >= 0xFF01 && c <= 0xFFEF))
        return true;
    switch (ucdn_get_script(static_cast<uint32_t>(c))) {
        case UCDN_SCRIPT_HAN:
        case UCDN_SCRIPT_HIRAGANA:
        case UCDN_SCRIPT_KATAKANA:
        case UCDN_SCRIPT_BOPOMOFO:
        case UCDN_SCRIPT_HANGUL:
            return true;
        default:
            return false;
    }
}

bool isLowerCase(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z';
    return ucdn_get_general_category(static_cast<uint32_t>(c)) == UCDN_GENERAL_CATEGORY_LL;
}

bool isHyphen(char32_t c) {
    return c == 0x2D || c == 0xAD || c == 0x2010;
}

Direction direction(char32_t c) {
    if (c < 0x80 && (c | 0x20) >= 'a' && (c | 0x20) <= 'z') return Direction::LeftToRight;
    switch (ucdn_get_bidi_class(static_cast<uint32_t>(c))) {
        case UCDN_BIDI_CLASS_L:
            return Direction::LeftToRight;
        case UCDN_BIDI_CLASS_R:
        case UCDN_BIDI_CLASS_AL:
            return Direction::RightToLeft;
        case UCDN_BIDI_CLASS_EN:
        case UCDN_BIDI_CLASS_AN:
            return Direction::Number;
        case UCDN_BIDI_CLASS_CS:
        case UCDN_BIDI_CLASS_ES:
            return Direction::NumberSeparator;
        case UCDN_BIDI_CLASS_ET:
            return Direction::NumberTerminator;
        default:
            return Direction::Neutral;
    }
}

int plainLetters(char32_t c, char32_t out[kMaxDecomposition]) {
    bool presentationForm = (c >= 0xFB00 && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFE);
    if (!presentationForm) {
        out[0] = c;
        return 1;
    }
    uint32_t decomposed[kMaxDecomposition];
    int n = ucdn_compat_decompose(static_cast<uint32_t>(c), decomposed);
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (decomposed[i] == 0x20 && n > 1) continue;
        out[count++] = static_cast<char32_t>(decomposed[i]);
    }
    if (count == 0) {
        out[0] = c;
        count = 1;
    }
    return count;
}

}  // namespace chars
}  // namespace pdf
