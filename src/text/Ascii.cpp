#include "text/Ascii.h"

#include "text/TextEncoding.h"

std::string utf8ToAscii(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = bytes[i];
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        bool wellFormed =
            i + length <= text.size() && textenc::isLegalUtf8Sequence(bytes + i, length);
        out += '?';
        i += wellFormed ? length : 1;
    }
    return out;
}
