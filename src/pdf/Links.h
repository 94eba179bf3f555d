// The link annotations of a page.
//
// Annotations are read from the page's /Annots in their stored order; only
// those of /Subtype /Link are returned, each with its /Rect in the page's
// user space (PDF points, y up, unrotated; corners put in order so that
// x0 <= x1 and y0 <= y1) and its action (Action.h). Page::userToPage() maps
// the rectangle to where the page shows it.
//
// Throws pdf::Error naming file and page when the annotations cannot be read.
#pragma once

#include <vector>

#include "pdf/Action.h"
#include "pdf/Document.h"
#include "pdf/Geometry.h"
#include "pdf/Page.h"

namespace pdf {

struct LinkAnnotation {
    Rect rect;  // user space
    Action action;
};

// REQUIRES: page was loaded from document.
std::vector<LinkAnnotation> readLinks(const Document& document, const Page& page);

}  // namespace pdf
