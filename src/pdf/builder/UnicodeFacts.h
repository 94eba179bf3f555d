// UnicodeFacts — what the Unicode character database says of a character, for tests that
// compare texts read by different tools (MuPDF's copy of the database, which nothing outside
// the PDF layer may reach directly).
//
//     decomposed(U'ﬁ')  == {U'f', U'i'}
//     decomposed(U'é')  == {U'e', U'\u0301'}   (the accent is a mark: isMarkControlOrSpace)
//
// Characters are code points; none of these functions throws.
#pragma once

#include <vector>

namespace pdfbuild {

// c's full decomposition, compatibility mappings and canonical pairs applied again to each
// part (to a depth of 8); c alone when it has none.
std::vector<char32_t> decomposed(char32_t c);

// A nonspacing or enclosing mark, a control or format character, or a space or line or
// paragraph separator: what two tools may keep or leave out of the same printed text.
bool isMarkControlOrSpace(char32_t c);

// A letter of any kind (upper, lower, title case, modifier, other).
bool isLetter(char32_t c);

// A character of the Latin script.
bool isLatin(char32_t c);

}  // namespace pdfbuild
