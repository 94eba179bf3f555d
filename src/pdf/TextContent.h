// The text-showing operations of a page, in content order.
//
// Each Tj, TJ, ' and " operator of the page's content streams, and of the
// form XObjects they paint (entered where they are painted), becomes one
// TextElement: its glyphs with their character codes, the Unicode character
// each shows, and their origins; the current transformation matrix and text
// matrix at the operator; the font size; and the element's bounding box.
//
// Coordinate spaces:
//   - glyph origins are in the element's text space: x is the advance from
//     the element's start along the baseline (TJ adjustments included), y the
//     text rise. textMatrix.then(ctm) maps them to the page's user space.
//   - ctm maps the element's user space to the page's user space (forms'
//     matrices included); bbox is in the page's user space (points, y up,
//     unrotated); Page::userToPage() takes it to where the page shows it.
//
//     for (const TextElement& e : readTextElements(doc, page))
//         for (const TextGlyph& g : e.glyphs)
//             Point user = e.textMatrix.then(e.ctm).apply(Point{g.x, g.y});
//
// Nothing else of the content is interpreted: colours, paths and images are
// passed over, inline image data is skipped. A font that cannot be loaded
// shows one glyph per byte with an unknown character (U+FFFD) and a width
// of half an em; a content stream that breaks off ends the walk with what
// was read so far.
//
// Throws pdf::Error naming file and page when the page's content cannot be
// opened at all.
#pragma once

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Geometry.h"
#include "pdf/Page.h"

namespace pdf {

struct TextGlyph {
    unsigned int code = 0;  // character code as the string holds it (1 to 4 bytes)
    int unicode = 0xFFFD;   // first Unicode character the font maps the code to
    double x = 0;           // origin in the element's text space
    double y = 0;
};

struct TextElement {
    std::vector<TextGlyph> glyphs;
    Matrix ctm;
    Matrix textMatrix;  // at the start of the operator
    double fontSize = 0;
    Rect bbox;          // page user space
    int formDepth = 0;  // 0: the page's own content; n: inside n nested forms
};

// REQUIRES: page was loaded from document.
std::vector<TextElement> readTextElements(const Document& document, const Page& page);

}  // namespace pdf
