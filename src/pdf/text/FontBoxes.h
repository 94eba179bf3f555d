// How a font shows a glyph, for the page text reader (PaintedText.h): the box
// the glyph occupies and the characters it stands for. For the layer's own
// units; not for callers outside src/pdf/.
//
// Box units: ems for ordinary fonts; for a Type 3 font with a usable bounding
// box, its glyph space, which its font matrix (boxToEm) takes to ems.
//
// Nothing thrown: a font dictionary that cannot be read leaves the default
// box (0.8 em above the baseline, 0.2 below).
#pragma once

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

namespace pdf {

// What a glyph's box is made of, per font.
struct FontInfo {
    pdf_font_desc* desc = nullptr;  // the font; its owner keeps a reference
    double ascent = 0.8;            // above the baseline, in box units
    double descent = -0.2;
    double em = 1;                    // the em in box units: a Type 3 font's bounding-box height
    fz_matrix boxToEm = fz_identity;  // a Type 3 font's matrix
    int id = 0;  // the font's number on its page, from 0 in the order of first use
};

// Fills info's box from the font's dictionary (nullptr when unknown): the
// descriptor's ascent and descent first, then the published metrics of a
// standard font named without being embedded, then the font program's.
// REQUIRES: info.desc is set.
void measureFont(FontInfo& info, pdf_obj* dict);

// The characters (at most 8) the font maps glyph `cid` to: its ToUnicode map,
// else the character its encoding names. Characters beyond U+FFFF that the
// map writes as UTF-16 surrogate pairs come as one value each, also where an
// entry holds several of them (a letter and its mark); MuPDF decodes only an
// entry that is a single pair. Control codes from a ToUnicode map
// (some producers map ligatures to them) give way to the encoding's name.
// Returns their count; 0 when the font maps the glyph to nothing.
int unicodeOf(const pdf_font_desc* desc, int cid, int out[8]);

}  // namespace pdf
