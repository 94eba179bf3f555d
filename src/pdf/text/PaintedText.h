// The text a page paints, read once: one list of glyphs that every view of
// the page's text is taken from.
//
// One pass of MuPDF's content interpreter (pdf_process_contents, driving a
// processor of this unit's own) over the page's content streams and the form
// XObjects they paint, then over the appearance streams of the page's
// annotations and form fields that the page image shows (after the content,
// in the order the page lists them). Every glyph that a text-showing operator
// (Tj, TJ, ', ") shows is numbered in that order from 0; every operator that
// shows at least one glyph is one TextElement. MuPDF decodes the strings,
// loads fonts and their ToUnicode maps and switches optional content;
// positions follow its own text-state arithmetic, so the glyphs lie where
// the page image draws them.
//
//     PaintedText painted = readPaintedText(page);
//     for (const TextElement& e : painted.elements)
//         for (int g = e.firstGlyph; g < e.firstGlyph + e.glyphCount; ++g)
//             for (int c = painted.glyphStart[g]; c < painted.glyphStart[g + 1]; ++c)
//                 use(painted.chars[c]);
//
// What a glyph is, as text: every character of its font's mapping, in
// reading order (a ligature "fi" gives f and i, each with an equal share of
// the glyph's box: from the right for right-to-left letters, from the left
// otherwise; a combining mark gets no share but the box of the letter it
// follows). The ToUnicode map comes first, characters beyond U+FFFF read
// from its UTF-16 surrogate pairs however many it holds; where it gives
// nothing usable (no entry, or only control codes), the embedded font
// program's own: the character its Unicode cmap maps to the glyph drawn, else
// what the glyph's name stands for ("uni1000", "afii57636"); then the
// character named by the font's encoding ("/fi", "/eacute", ...). Details in
// FontBoxes.h. Presentation forms become their plain letters (U+FB01 becomes
// "fi", Arabic positional forms the letter).
// Characters that are never text (controls, U+FFFD, invisible joiners) are
// left out; a glyph left with none is one unmapped PaintedChar, which keeps
// its place on the line but adds nothing to the text.
//
// A short bar drawn where an underscore goes, as TeX draws \_ in fonts
// without one, is read as a glyph "_" of its own (DrawnUnderscores.h).
//
// Besides its text, a page's rules (Rule): the borders and row lines that
// part a ruled table's cells, read from the same pass.
//
// Coordinates: chars and rules are in page space (Page.h: points, origin at the
// top-left of the shown page, y down, /Rotate and /UserUnit applied).
// Elements keep the operator's own matrices, and their bbox is in the page's
// user space (points, y up, unrotated), as the content stream has them;
// Page::userToPage() takes user space to page space.
//
// A glyph's box runs along its advance (its width in the font's /Widths;
// half an em where that is zero or absurd, and for a glyph of combining
// marks without advance the half em before its pen, where fonts draw such
// marks: over the glyph they sit on) from the font's descent to its
// ascent: the font descriptor's values, the published ones of the standard
// fonts that files name without embedding them, else the font program's
// (0.8 and -0.2 em where none is sensible). A Type 3 glyph's box spans its
// font's bounding box, whose height counts as its em, since Type 3 units can
// be anything. Vertical writing advances down the column, one em wide
// across it.
//
// Left out: text in optional content that is switched off, in soft-mask
// definitions and tiling-pattern cells (not visible as such), and in Type 3
// glyph procedures. Kept but marked hidden: characters that something opaque
// painted later covers: a filled rectangle, or an image without soft mask,
// stencil or colour key, drawn axis-aligned, at full opacity, in the normal
// blend mode and inside nothing but rectangular clips. Shapes that are not
// rectangles never cover anything, so text is kept whenever coverage is in
// doubt. Invisible text (rendering mode 3) is never hidden: it is the
// searchable layer that OCR tools put under a scanned page's image.
//
// Forms nested deeper than 16 levels, or painting themselves, are not
// entered. A form or annotation whose content cannot be read is passed over.
//
// Bounded work: a page may paint at most kMaxPageGlyphs glyphs and
// kMaxPageForms forms (counted every time they are painted, in switched-off
// content too). The real-world corpus paints at most 9,407 glyphs on a page;
// the limits stop a file of a few kilobytes whose forms paint one another
// over and over (millions of times) within a second, before its reading
// takes gigabytes. Before reading, the page passes the limits of PageLimits.h
// (decompressed content, operators, image pixels), refused the same way.
//
// Throws pdf::Error naming file and page when the page's own content cannot
// be read at all, or paints more than a page may.
#pragma once

#include <vector>

#include "pdf/Geometry.h"
#include "pdf/Page.h"

namespace pdf {

constexpr long kMaxPageGlyphs = 500000;
// Rules kept of a page (PaintedText::rules); those painted after are not.
constexpr std::size_t kMaxPageRules = 4096;
constexpr long kMaxPageForms = 100000;

// One character a glyph shows. All of a glyph's characters share its origin,
// direction, size and element.
struct PaintedChar {
    char32_t code = 0;
    int glyph = 0;    // content-order number of the glyph, from 0
    int element = 0;  // index in PaintedText::elements
    // The character's share of the glyph's box: start and end of the
    // advance on the descent line, then end and start on the ascent line.
    Point quad[4];
    // Where the glyph sits on its baseline (vertical writing: where the pen
    // stands before the glyph).
    Point origin;
    // Unit vector of the writing direction (down the page for vertical
    // writing).
    double dirX = 1;
    double dirY = 0;
    // The em height on the page, in points: the font size scaled by the
    // text and graphics transformations.
    double size = 0;
    bool unmapped = false;  // no character: see above
    bool space = false;     // a space character: it separates words
    bool mark = false;      // a combining mark: it belongs to the character before
    bool hidden = false;    // covered by something opaque painted later
    // Its font is of fixed pitch (the descriptor's FixedPitch flag, or the
    // font program's): every glyph, the space too, is one cell wide.
    bool fixedPitch = false;
};

// One text-showing operator.
struct TextElement {
    Matrix ctm;         // the operator's user space to the page's user space
    Matrix textMatrix;  // the text matrix at the operator's start
    double fontSize = 0;
    int font = -1;  // the font's number on the page (from 0, in the order of first use); -1: none
    Rect bbox;      // the union of its glyphs' boxes, page user space
    int firstGlyph = 0;
    int glyphCount = 0;
    int formDepth = 0;        // 0: the page's own content; n: inside n nested forms
    bool annotation = false;  // painted by an annotation's or field's appearance
};

// A rule a page draws: a filled rectangle at most kRuleThickness points
// thin, or a straight stroke along an axis (an edge of a stroked
// rectangle too), as tables draw their borders: one a path, or every one
// a subpath of one path of straight subpaths (filled, each thin subpath;
// stroked, each line and rectangle's edge; up to kMaxPathPieces of each).
// Page space; a stroke's
// width is not kept, so a stroked rule has no thickness.
constexpr double kRuleThickness = 2.5;
struct Rule {
    Rect box;
    bool vertical() const { return box.y1 - box.y0 > box.x1 - box.x0; }
};

struct PaintedText {
    std::vector<TextElement> elements;  // content order
    // Content order, those of the page's own content and forms (not of
    // annotations), in switched-on content; at most kMaxPageRules.
    std::vector<Rule> rules;
    std::vector<PaintedChar> chars;  // content order; a glyph's characters follow each other
    // Glyph g's characters are chars[glyphStart[g]] up to chars[glyphStart[g + 1]];
    // glyphStart has one entry more than there are glyphs.
    std::vector<int> glyphStart{0};

    int glyphCount() const { return static_cast<int>(glyphStart.size()) - 1; }
};

PaintedText readPaintedText(const Page& page);

}  // namespace pdf
