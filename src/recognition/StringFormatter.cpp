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
    for (std::string::size_type i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto byte = static_cast<unsigned char>(c);
        // The hyphen U+2010 and the non-breaking hyphen U+2011 (E2 80 90,
        // E2 80 91) that word processors print in addresses stand for "-".
        if (byte == 0xE2 && i + 2 < utf8.size() && utf8[i + 1] == '\x80' &&
            (utf8[i + 2] == '\x90' || utf8[i + 2] == '\x91')) {
            address += '-';
            i += 2;
            continue;
        }
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
