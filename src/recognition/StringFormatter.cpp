#include "recognition/StringFormatter.h"

std::string& StringFormatter::replaceAll(std::string& text, const std::string& from,
                                         const std::string& to) {
    if (from.empty()) return text;
    std::string::size_type position = 0;
    while ((position = text.find(from, position)) != std::string::npos) {
        text.replace(position, from.size(), to);
        position += to.size();
    }
    return text;
}
