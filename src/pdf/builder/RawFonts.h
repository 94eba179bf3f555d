// Fonts for test PDFs that the builder's own two kinds cannot give: Type 3 fonts with chosen
// encodings and ToUnicode maps, a vertical (Identity-V) CID font, an embedded TrueType font
// whose cmap, glyph names and ToUnicode map the test chooses, and Helvetica as an object of its
// own for appearance streams. Each function adds the font's objects to the document's raw
// objects (PdfBuilder.h) and returns the name of the font object ("@k"), to be put into a
// page's resources as a RawResource {"Font", name, returned value}.
//
// Type 3 glyphs are filled boxes in a 1000-unit em (FontMatrix 0.001): 0.7 em tall, as wide as
// their advance, so a line of them lies where a line of ordinary text would.
//
// Throws std::runtime_error for a description the fonts cannot hold (a code outside 1..255).
// addTrueTypeFont also throws it when MuPDF cannot give its font program.
#pragma once

#include <optional>
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

// A Type 3 font's /FontMatrix and /FontBBox as the dictionary writes them; widths are in its
// glyph space.
struct Type3Space {
    std::string matrix = "[0.001 0 0 0.001 0 0]";
    std::string bbox = "[0 0 1000 700]";
};

// A Type 3 font. With an empty map it has no /ToUnicode, and readers go by the glyph names.
std::string addType3Font(DocumentSpec& doc, const std::vector<Type3Glyph>& glyphs,
                         const UnicodeMap& toUnicode = {}, const Type3Space& space = {});

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

// One glyph of an embedded TrueType font (addTrueTypeFont): a glyph of MuPDF's Noto Serif
// Myanmar, shown with a code of the test's choosing.
struct TrueTypeGlyph {
    int code = 0;        // simple font: the byte 32..255; CID font: the CID 1..0xFFFF
    char32_t shows = 0;  // the glyph Noto Serif Myanmar draws this character (U+0020..U+FFFD) with
    bool inCmap = true;  // the font's Unicode cmap maps `shows` to the glyph
    std::string name;    // the glyph's name in the font; "" for none (.notdef)
    // UTF-8 the ToUnicode map gives the code ("" writes "<code> <>"); none: the map lacks it.
    std::optional<std::string> toUnicode;
};

// Noto Serif Myanmar embedded whole (/FontFile2), its cmap and glyph names rewritten: its
// Unicode cmap (3,1) maps exactly the `shows` of the glyphs with inCmap, and it names only the
// glyphs given a name (a post table of format 2). With cid false, a symbolic /TrueType font
// with /WinAnsiEncoding whose symbol cmap (3,0) takes each code to its glyph, as subsetting
// producers write them: the encoding names Latin-1 letters for the codes 0xC0..0xFF whatever
// the glyphs show. With cid true, a /Type0 font (/Identity-H) whose /CIDToGIDMap takes each
// CID to its glyph. Every glyph is 500 units wide; the font has a ToUnicode map even when it
// maps nothing.
std::string addTrueTypeFont(DocumentSpec& doc, const std::vector<TrueTypeGlyph>& glyphs, bool cid);

// Base-14 Helvetica for ASCII text, with the same widths as the builder's page font (so
// textWidth() measures it), as a raw object.
std::string addHelveticaObject(DocumentSpec& doc);

}  // namespace pdfbuild
