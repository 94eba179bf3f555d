// Fonts for test PDFs that the builder's own two kinds cannot give: Type 3 fonts with chosen
// encodings and ToUnicode maps, a vertical (Identity-V) CID font, and Helvetica as an object of
// its own for appearance streams. Each function adds the font's objects to the document's raw
// objects (PdfBuilder.h) and returns the name of the font object ("@k"), to be put into a
// page's resources as a RawResource {"Font", name, returned value}.
//
// Type 3 glyphs are filled boxes in a 1000-unit em (FontMatrix 0.001): 0.7 em tall, as wide as
// their advance, so a line of them lies where a line of ordinary text would.
//
// Throws std::runtime_error for a description the fonts cannot hold (a code outside 1..255).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pdf/builder/PdfBuilder.h"

namespace pdfbuild {

struct Type3Glyph {
    int code = 0;      // 1..255, the byte a string shows it with
    std::string name;  // glyph name in the font's /Encoding /Differences, e.g. "fi"
    int width = 500;   // advance in thousandths of an em
};

// A ToUnicode map for one-byte codes: each code to the UTF-8 text given (one or more
// characters; a control character such as "\x0C" maps to that control code).
using UnicodeMap = std::vector<std::pair<int, std::string>>;

// A Type 3 font. With an empty map it has no /ToUnicode, and readers go by the glyph names.
std::string addType3Font(DocumentSpec& doc, const std::vector<Type3Glyph>& glyphs,
                         const UnicodeMap& toUnicode = {});

// A CID font written top to bottom (/Encoding /Identity-V), not embedded: two-byte codes,
// every glyph 1 em down the column, each code mapped to the text given.
std::string addVerticalFont(DocumentSpec& doc, const std::vector<std::pair<int, std::string>>& map);

// One glyph of a horizontal CID font (addHorizontalFont): its two-byte code (the CID), the
// text its ToUnicode map gives it (UTF-8; characters beyond U+FFFF are written as UTF-16
// surrogate pairs, as producers write them), and its advance in thousandths of an em (0 for a
// combining mark drawn over the glyph before it).
struct CidGlyph {
    int cid = 0;
    std::string text;
    int width = 1000;
};

// A CID font written left to right (/Encoding /Identity-H), not embedded: two-byte codes,
// each glyph as wide as given (/W), each code mapped to its text. For scripts the builder's
// embedded fonts cannot show: Japanese, Adlam, Arabic with its marks.
std::string addHorizontalFont(DocumentSpec& doc, const std::vector<CidGlyph>& glyphs);

// Base-14 Helvetica for ASCII text, with the same widths as the builder's page font (so
// textWidth() measures it), as a raw object.
std::string addHelveticaObject(DocumentSpec& doc);

}  // namespace pdfbuild
