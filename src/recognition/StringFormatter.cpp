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

std::string StringFormatter::addressForm(const std::string& utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string address;
    address.reserve(utf8.size());
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            address += c;
        } else {
            address += '%';
            address += kHex[byte >> 4];
            address += kHex[byte & 0x0F];
        }
    }
    return address;
}
