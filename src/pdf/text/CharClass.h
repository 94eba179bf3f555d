// Character classes the text extractor works with.
//
// The page text is built from Unicode scalar values as the PDF's fonts map
// them. These functions say which of them separate words, which are never
// part of the text (controls and other code points an XML file cannot
// carry), which attach to the character before them (combining marks), which
// are letters, and in which direction a character is written. Classes come
// from the Unicode Character Database as MuPDF bundles it; results do not
// depend on the process's locale.
//
// No state, nothing thrown.
#pragma once

namespace pdf {
namespace chars {

// Spaces of every width, the tab and the zero-width space: they end a word
// and are not kept as characters.
bool isSpace(char32_t c);

// Characters that are dropped from the text: C0 and C1 controls (but the
// tab, which is a space), surrogates, noncharacters, values beyond U+10FFFF,
// the invisible joiners and byte-order mark that only steer shaping, and the
// replacement character, which stands for a glyph the font does not map.
bool isDropped(char32_t c);

// Nonspacing and enclosing marks (accents, Hebrew points, Arabic vowels):
// they belong to the base character before them.
bool isCombiningMark(char32_t c);

// The combining mark that a spacing accent stands for when it is set over or
// under a letter (U+00B4 ACUTE ACCENT gives U+0301 COMBINING ACUTE ACCENT):
// grave, acute, circumflex, tilde, macron, breve, dot above, diaeresis,
// ring, double acute, caron, cedilla and ogonek, including the ASCII grave,
// circumflex and tilde that old TeX fonts map their accents to; 0 for any
// other character.
char32_t combiningFormOf(char32_t accent);

// c with the combining mark m composed into one character, as canonical
// composition (NFC) gives it; 0 when Unicode has no such character.
char32_t composed(char32_t c, char32_t m);

// Letters of any script (general categories L*).
bool isLetter(char32_t c);

// Characters of the scripts written without spaces between words: Han,
// Hiragana, Katakana, Bopomofo and Hangul, with the punctuation, marks of
// repetition and prolonged sound, and full-width forms set among them
// (U+3001 to U+303F, U+30A0 to U+30FF, U+FF01 to U+FFEF). A word of such
// text on a page is a run of many words.
bool isCjk(char32_t c);

// Lower-case letters (general category Ll).
bool isLowerCase(char32_t c);

// Hyphens that break a word at a line end: hyphen-minus, soft hyphen and
// the Unicode hyphen.
bool isHyphen(char32_t c);

// The writing direction classes that reordering distinguishes.
enum class Direction {
    LeftToRight,       // strong left-to-right: Latin, Greek, Cyrillic, CJK, ...
    RightToLeft,       // strong right-to-left: Hebrew, Arabic, Syriac, Thaana, ...
    Number,            // European and Arabic digits
    NumberSeparator,   // what may stand within a number: , . / : + -
    NumberTerminator,  // what may stand at its ends: % $ # ° and currency signs
    Neutral,           // spaces, other punctuation, symbols, marks
};
Direction direction(char32_t c);

// The plain letters behind a presentation form: the ligatures "ff" to "st"
// (U+FB00 to U+FB06), Hebrew and Arabic presentation forms (U+FB1D to
// U+FDFF, U+FE70 to U+FEFE) by their compatibility decomposition, without
// the spaces that the isolated forms of Arabic marks decompose with. Writes
// them to out and returns their count; any other character is written
// unchanged and 1 is returned.
constexpr int kMaxDecomposition = 18;
int plainLetters(char32_t c, char32_t out[kMaxDecomposition]);

}  // namespace chars
}  // namespace pdf
