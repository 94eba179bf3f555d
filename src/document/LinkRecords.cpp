#include "document/LinkRecords.h"

#include <tinyxml.h>

#include <climits>
#include <cmath>
#include <cstdio>

namespace LinkRecords {
namespace {

int clampToInt(double value) {
    if (!(value > INT_MIN)) return INT_MIN;  // also catches NaN
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

}  // namespace

int roundHalfDown(double value) {
    double floor = std::floor(value);
    return clampToInt(value - floor > 0.5 ? floor + 1 : floor);
}

int roundUp(double value) {
    return clampToInt(std::ceil(value));
}

std::string formatLoc(double x, double y, double width, double height) {
    char text[64];
    std::snprintf(text, sizeof text, "%d %d %d %d", roundHalfDown(x), roundHalfDown(y),
                  roundUp(width), roundUp(height));
    return text;
}

TiXmlElement* newLink(const std::string& loc, const std::string& url, int target, int linkType,
                      const std::string& text) {
    auto* link = new TiXmlElement("link");
    link->SetAttribute("loc", loc);
    link->SetAttribute("url", url);
    link->SetAttribute("target", target);
    link->SetAttribute("linktype", linkType);
    link->SetAttribute("text", text);
    return link;
}

}  // namespace LinkRecords
