// The <link> and <product> elements stored in page records, and the "loc"
// form of their rectangles.
//
// "loc" is "x y width height" in whole points of page space (HitInfo.h):
// x and y rounded to the nearest integer with exact halves going down
// (10.5 -> 10, 10.51 -> 11, -0.5 -> -1), width and height rounded up:
//     formatLoc(10.5, 20.51, 3.01, 7.0) == "10 21 4 7"
#pragma once

#include <string>

class TiXmlElement;

namespace LinkRecords {

// Nearest integer, halves down.
int roundHalfDown(double value);
// Rounds up (ceiling).
int roundUp(double value);
std::string formatLoc(double x, double y, double width, double height);

// A new <link> (the caller takes it) with its attributes in the order the records hold them:
// loc, url, target, linktype, text.
TiXmlElement* newLink(const std::string& loc, const std::string& url, int target, int linkType,
                      const std::string& text);

}  // namespace LinkRecords
