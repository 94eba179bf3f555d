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

namespace {

// Characters that printed addresses show for an ASCII one: the hyphen U+2010
// and the non-breaking hyphen U+2011 that word processors print, the soft
// hyphen U+00AD of fonts that keep their hyphen at Latin-1's 0xAD, the tilde
// operator U+223C that Doxygen prints and the small tilde U+02DC that TeX's
// accent gives ("http://www.stack.nl/∼dimitri/").
struct PrintedForm {
    const char* utf8;
    char ascii;
};
constexpr PrintedForm kPrintedForms[] = {{"\xE2\x80\x90", '-'},
                                         {"\xE2\x80\x91", '-'},
                                         {"\xC2\xAD", '-'},
                                         {"\xE2\x88\xBC", '~'},
                                         {"\xCB\x9C", '~'}};

}  // namespace

std::string StringFormatter::addressForm(const std::string& utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string address;
    address.reserve(utf8.size());
    for (std::string::size_type i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            address += c;
            continue;
        }
        const PrintedForm* form = nullptr;
        for (const PrintedForm& f : kPrintedForms)
            if (utf8.compare(i, std::char_traits<char>::length(f.utf8), f.utf8) == 0) form = &f;
        if (form != nullptr) {
            address += form->ascii;
            i += std::char_traits<char>::length(form->utf8) - 1;
            continue;
        }
        address += '%';
        address += kHex[byte >> 4];
        address += kHex[byte & 0x0F];
    }
    return address;
}
