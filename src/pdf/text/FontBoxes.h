// How a font shows a glyph, for the page text reader (PaintedText.h): the box
// the glyph occupies and the characters it stands for. For the layer's own
// units; not for callers outside src/pdf/.
//
// Box units: ems for ordinary fonts; for a Type 3 font with a usable bounding
// box, its glyph space, which its font matrix (boxToEm) takes to ems. A Type 3
// box taller than eight of the font's median advances stands for no glyph
// (dvips writes "[0 0 1000 1000]" around glyphs fifty units wide): the em is
// then two median advances, 0.8 of it above the baseline.
//
// Ownership and threads: a FontInfo lives for one reading of a page, on the
// thread that reads it. What it reads of the font program goes through
// FreeType under MuPDF's FreeType lock, since threads that render recorded
// pages share the font's FreeType face.
//
// Nothing thrown but std::bad_alloc: a font dictionary that cannot be read
// leaves the default box (0.8 em above the baseline, 0.2 below).
#pragma once

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <utility>
#include <vector>

namespace pdf {

// What the codes a ToUnicode map lacks read as, from the embedded font
// program: for each glyph id, the characters the program's Unicode cmap maps
// to it, lowest first (TrueType and OpenType programs; Type 1 and bare CFF
// ones have only glyph names). Read the first time a code needs it
// (unicodeOf), once per reading.
struct FontProgramChars {
    bool read = false;
    bool available = false;  // an embedded font program that FreeType reads
    // Glyph g's characters are chars[start[g]] up to chars[start[g + 1]], for
    // g below start.size() - 1.
    std::vector<int> start;
    std::vector<char32_t> chars;
    // What the names of glyphs the cmap has nothing for stand for, read on
    // first need: glyph g's count is named[nameAt[g]], its characters follow;
    // nameAt[g] is -1 until then.
    std::vector<int> nameAt;
    std::vector<int> named;
    // The code ranges (first, last) that the ToUnicode map maps to nothing
    // ("<0003> <>"), sorted: MuPDF leaves them out of its map as if they were
    // not there, but the producer said that they are no text of their own.
    std::vector<std::pair<int, int>> silent;
    // What a code below kCachedCodes came to when it gave one character or
    // none: the character, kNoCharacter, or kNotYet. Every glyph of a font
    // whose map lacks codes asks again, so the answer is looked up once.
    static constexpr int kCachedCodes = 0x10000;
    static constexpr int kNotYet = -2;
    static constexpr int kNoCharacter = -1;
    std::vector<int> byCode;
};

// What a glyph's box is made of, per font.
struct FontInfo {
    pdf_font_desc* desc = nullptr;  // the font; its owner keeps a reference
    double ascent = 0.8;            // above the baseline, in box units
    double descent = -0.2;
    double em = 1;                    // the em in box units: a Type 3 font's bounding-box height
    fz_matrix boxToEm = fz_identity;  // a Type 3 font's matrix
    // The font's ToUnicode stream (its object number; 0 when it has none) and
    // its document (borrowed: the page's).
    pdf_document* document = nullptr;
    int toUnicode = 0;
    // Read on first need by unicodeOf, which is why a const FontInfo may fill it.
    mutable FontProgramChars program;
    int id = 0;  // the font's number on its page, from 0 in the order of first use
};

// Fills info's box from the font's dictionary (nullptr when unknown): the
// descriptor's ascent and descent first, then the published metrics of a
// standard font named without being embedded, then the font program's. Notes
// where the dictionary's ToUnicode map is.
// REQUIRES: info.desc is set.
void measureFont(FontInfo& info, pdf_obj* dict);

// The characters (at most 8) the font maps glyph `cid` to. Its ToUnicode map
// first; characters beyond U+FFFF that the map writes as UTF-16 surrogate
// pairs come as one value each, also where an entry holds several of them (a
// letter and its mark); MuPDF decodes only an entry that is a single pair.
// Where the map gives nothing usable (no entry, or only control codes, which
// some producers map ligatures to; not an entry that maps the code to
// nothing, as "<0003> <>"), the embedded font program tells what the glyph
// MuPDF draws for the code is: the character that its Unicode cmap (of a
// TrueType or OpenType program) maps to the glyph (the encoding's own
// character where the cmap maps that one to it too, else the lowest), else
// what the glyph's name stands for as an Adobe glyph name ("uni1000",
// "u1000A", "afii57636", "f_i"; "g12" or "cid00123" stand for nothing).
// Private-use characters count for nothing there. Only then the character
// that the font's encoding names ("/fi", "/eacute", ...).
// Returns their count; 0 when the font maps the glyph to nothing.
int unicodeOf(const FontInfo& font, int cid, int out[8]);

}  // namespace pdf
