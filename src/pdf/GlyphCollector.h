// The characters a page paints, in content order, with what covers them.
//
// Runs the page's content stream (not its annotations) and records one
// PaintedChar per Unicode character of every glyph shown, whatever the text
// rendering mode: filled, stroked, clipping and invisible text alike. A
// glyph whose font maps it to several characters (a ligature) gives each of
// them an equal share of its box, in reading order: from the right for
// right-to-left letters, from the left otherwise. Presentation forms are
// replaced by their plain letters the same way (U+FB01 by "fi", Arabic
// positional forms by the letter), so that the text can be searched. A glyph
// without any usable character is recorded as one unmapped PaintedChar.
//
// Coordinates are page space (Page.h): points, origin at the top-left of the
// shown page, y down, /Rotate applied. A character's box is the glyph's
// advance along the baseline by the font's ascent above and descent below
// it (0.8 and 0.2 em where the font gives no sensible values); a Type 3
// glyph's box spans its font's bounding box, and the height of that box
// counts as its em, since Type 3 glyph units can be anything.
//
// Hidden text: a character is marked hidden when something opaque painted
// after it covers its box: a filled rectangle, or an image without soft
// mask, stencil or colour key, drawn axis-aligned, at full opacity, in the
// normal blend mode and inside nothing but rectangular clips. Shapes that
// are not rectangles are never taken to cover anything, so text is kept
// whenever coverage is in doubt. Invisible text (rendering mode 3) is never
// hidden: nobody sees it anyway, and it is the searchable layer that OCR
// tools often put under a scanned page's image. Characters painted inside a soft mask's
// definition or a tiling pattern's cell are not visible on the page as
// such and are left out.
//
// Throws pdf::Error naming file and page.
#pragma once

#include <vector>

#include "pdf/Geometry.h"
#include "pdf/Page.h"

namespace pdf {

struct PaintedChar {
    char32_t code = 0;
    // Content-order number of the glyph that shows it, from 0.
    int glyph = 0;
    // The box's corners: start and end of the advance on the descent line,
    // then end and start on the ascent line.
    Point quad[4];
    // Where the glyph sits on its baseline.
    Point origin;
    // Unit vector of the writing direction (down the page for vertical
    // writing).
    double dirX = 1;
    double dirY = 0;
    // The height of the em square on the page, in points: the font size
    // scaled by the text and graphics transformations.
    double size = 0;
    // No character: the glyph's font maps it to nothing usable (a control
    // code, U+FFFD). It keeps its place on the line, so that it does not
    // split the word it stands in, but adds nothing to the text.
    bool unmapped = false;
    bool space = false;   // a space character: it separates words
    bool mark = false;    // a combining mark: it belongs to the character before
    bool hidden = false;  // covered by something opaque painted later
};

struct PaintedText {
    std::vector<PaintedChar> chars;  // content order
    int glyphCount = 0;
};

PaintedText collectPaintedText(const Page& page);

}  // namespace pdf
