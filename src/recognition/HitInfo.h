// HitInfo — one thing found on a page, located as a rectangle.
//
// The rectangle is in page space: points from the top-left corner of the
// shown page (crop box, rotation applied), x right, y down; (x, y) is its
// top-left corner. Plain value, copied freely.
#pragma once

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
