// A UTF-8 string as a JSON string, escaped as jq writes it, so that files written here and files
// a jq filter would write are the same bytes: quotation mark and backslash escaped, the
// controls backspace, tab, line feed, form feed and carriage return as \b \t \n \f \r, the other
// controls below U+0020 and U+007F as \u00xx (lower-case hex), everything else as it is. With
// escapeC1, U+0080 to U+009F are written as \u00xx too: JSON allows them raw, but a reader of
// the file should not meet them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

inline void appendJsonString(std::string& out, std::string_view text, bool escapeC1 = false) {
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\b':
                out += "\\b";
                continue;
            case '\t':
                out += "\\t";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\f':
                out += "\\f";
                continue;
            case '\r':
                out += "\\r";
                continue;
            default:
                break;
        }
        unsigned code = 0x100;  // none to escape
        if (byte < 0x20 || byte == 0x7f) code = byte;
        // U+0080..U+009F are C2 80..C2 9F in UTF-8.
        if (escapeC1 && byte == 0xc2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9f) {
                code = next;
                ++i;
            }
        }
        if (code < 0x100) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}
