// HitInfo — one thing found on a page, located as a rectangle.
//
// The rectangle is in page space: points from the top-left corner of the
// shown page (crop box, rotation applied), x right, y down; (x, y) is its
// top-left corner. Plain value, copied freely.
#pragma once

#include <algorithm>
#include <string>

struct HitInfo {
    int page = 0;  // 1-based
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    std::string searchText;  // what was searched for
    int linkType = 0;        // word-list search: the expression's link type
    int target = 0;          // word-list search: the expression's target
    std::string url;         // word-list search: the template, not yet substituted
    std::string linkText;    // word-list search: the expression's description
};

// Cuts the hit's rectangle at the edges of the shown page of pageWidth x
// pageHeight points: a word the page's text reads whole runs past its edge,
// and a link is clicked only where it is shown. False when nothing of it
// lies on the page.
inline bool clipToPage(HitInfo& hit, double pageWidth, double pageHeight) {
    const double x0 = std::max(hit.x, 0.0), y0 = std::max(hit.y, 0.0);
    const double x1 = std::min(hit.x + hit.width, pageWidth);
    const double y1 = std::min(hit.y + hit.height, pageHeight);
    if (!(x1 > x0 && y1 > y0)) return false;
    hit.x = x0;
    hit.y = y0;
    hit.width = x1 - x0;
    hit.height = y1 - y0;
    return true;
}
