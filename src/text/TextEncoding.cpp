#include "text/TextEncoding.h"

#include <cstddef>
#include <vector>

namespace textenc {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kHighSurrogateLast = 0xDBFF;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kLowSurrogateLast = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;

bool isHighSurrogate(char32_t v) {
    return v >= kHighSurrogateFirst && v <= kHighSurrogateLast;
}
bool isLowSurrogate(char32_t v) {
    return v >= kLowSurrogateFirst && v <= kLowSurrogateLast;
}
bool isSurrogate(char32_t v) {
    return v >= kHighSurrogateFirst && v <= kLowSurrogateLast;
}
bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Deliberately generous: it covers the obsolete 5- and 6-byte forms so that the decoder can
// tell a truncated long form from a complete one before the legality test rejects it.
int trailingBytesFor(unsigned char lead) {
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    return 5;
}

// The length a lead byte commits to in well-formed UTF-8, or 0 when the byte can never start a
// character (continuations, the overlong leads C0/C1, and F5 upwards).
int wellFormedLengthFor(unsigned char lead) {
    if (lead <= 0x7F) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

int utf8LengthOf(char32_t v) {
    if (v < 0x80) return 1;
    if (v < 0x800) return 2;
    if (v <= 0xFFFF) return 3;
    return 4;
}

void writeUtf8(char32_t v, int length, unsigned char*& dst) {
    static const unsigned char kLeadMarks[] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};
    // Fill from the last byte backwards so each step only has to peel off six bits.
    for (int i = length - 1; i > 0; --i) {
        dst[i] = static_cast<unsigned char>(0x80 | (v & 0x3F));
        v >>= 6;
    }
    dst[0] = static_cast<unsigned char>(kLeadMarks[length] | v);
    dst += length;
}

// Reads one character from src without advancing it. On conversionOk, value and length
// describe the character; otherwise src points at where the problem starts.
ConversionResult readUtf8(const unsigned char* src, const unsigned char* srcEnd, char32_t& value,
                          int& length) {
    const int trailing = trailingBytesFor(*src);
    if (trailing >= srcEnd - src) return sourceExhausted;
    length = trailing + 1;
    if (!isLegalUtf8Sequence(src, length)) return sourceIllegal;

    static const unsigned char kLeadMasks[] = {0x00, 0x7F, 0x1F, 0x0F, 0x07};
    value = src[0] & kLeadMasks[length];
    for (int i = 1; i < length; ++i) value = (value << 6) | (src[i] & 0x3F);

    // The legality test already excludes these; kept so the decoder never emits a value that
    // is not a Unicode scalar even if that test is loosened.
    if (isSurrogate(value) || value > kMaxCodePoint) return sourceIllegal;
    return conversionOk;
}

// Shared by both wide-to-UTF-8 encoders once a complete scalar value is in hand.
bool fitsAndWrite(char32_t v, unsigned char*& dst, unsigned char* dstEnd) {
    const int length = utf8LengthOf(v);
    if (dstEnd - dst < length) return false;
    writeUtf8(v, length, dst);
    return true;
}

}  // namespace

// The encoder of appendUtf8, beside the file's other helpers.
void appendCharacter(std::string& out, char32_t character) {
    if (isSurrogate(character) || character > kMaxCodePoint) character = 0xFFFD;
    unsigned char bytes[4];
    unsigned char* end = bytes;
    writeUtf8(character, utf8LengthOf(character), end);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(end - bytes));
}

bool isLegalUtf8Sequence(const unsigned char* source, int length) {
    if (source == nullptr || length < 1 || length > 4) return false;
    const unsigned char lead = source[0];
    if (wellFormedLengthFor(lead) != length) return false;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(source[i])) return false;
    }
    if (length < 2) return true;

    // These leads leave part of their range to overlong forms, surrogates, or values beyond
    // U+10FFFF; the second byte decides which part is meant.
    const unsigned char second = source[1];
    switch (lead) {
        case 0xE0:
            return second >= 0xA0;
        case 0xED:
            return second <= 0x9F;
        case 0xF0:
            return second >= 0x90;
        case 0xF4:
            return second <= 0x8F;
        default:
            return true;
    }
}

ConversionResult utf8ToUtf16(const unsigned char*& src, const unsigned char* srcEnd, char16_t*& dst,
                             char16_t* dstEnd) {
    while (src < srcEnd) {
        char32_t value = 0;
        int length = 0;
        const ConversionResult read = readUtf8(src, srcEnd, value, length);
        if (read != conversionOk) return read;

        if (value < kFirstSupplementary) {
            if (dst >= dstEnd) return targetExhausted;
            *dst++ = static_cast<char16_t>(value);
        } else {
            if (dstEnd - dst < 2) return targetExhausted;
            const char32_t offset = value - kFirstSupplementary;
            *dst++ = static_cast<char16_t>(kHighSurrogateFirst + (offset >> 10));
            *dst++ = static_cast<char16_t>(kLowSurrogateFirst + (offset & 0x3FF));
        }
        src += length;
    }
    return conversionOk;
}

ConversionResult utf8ToUtf32(const unsigned char*& src, const unsigned char* srcEnd, char32_t*& dst,
                             char32_t* dstEnd) {
    while (src < srcEnd) {
        char32_t value = 0;
        int length = 0;
        const ConversionResult read = readUtf8(src, srcEnd, value, length);
        if (read != conversionOk) return read;
        if (dst >= dstEnd) return targetExhausted;
        *dst++ = value;
        src += length;
    }
    return conversionOk;
}

ConversionResult utf16ToUtf8(const char16_t*& src, const char16_t* srcEnd, unsigned char*& dst,
                             unsigned char* dstEnd) {
    while (src < srcEnd) {
        char32_t value = src[0];
        int units = 1;
        if (isHighSurrogate(value)) {
            if (srcEnd - src < 2) return sourceExhausted;
            const char32_t low = src[1];
            if (!isLowSurrogate(low)) return sourceIllegal;
            value = ((value - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst) +
                    kFirstSupplementary;
            units = 2;
        } else if (isLowSurrogate(value)) {
            return sourceIllegal;
        }
        if (!fitsAndWrite(value, dst, dstEnd)) return targetExhausted;
        src += units;
    }
    return conversionOk;
}

ConversionResult utf32ToUtf8(const char32_t*& src, const char32_t* srcEnd, unsigned char*& dst,
                             unsigned char* dstEnd) {
    ConversionResult result = conversionOk;
    while (src < srcEnd) {
        char32_t value = *src;
        if (isSurrogate(value)) return sourceIllegal;
        bool replaced = false;
        if (value > kMaxCodePoint) {
            value = kReplacementCharacter;
            replaced = true;
        }
        if (!fitsAndWrite(value, dst, dstEnd)) return targetExhausted;
        if (replaced) result = sourceIllegal;
        ++src;
    }
    return result;
}

}  // namespace textenc

namespace {

// Units are copied rather than reinterpreting wchar_t storage as char16_t/char32_t, which would
// break aliasing rules; the strings involved are small next to the PDFs they come from.
template <typename Unit, typename Converter>
std::wstring decodeWith(const std::string& utf8, Converter convert) {
    const std::size_t n = utf8.size();
    std::vector<Unit> buffer(n + 1, Unit{0});
    const auto* src = reinterpret_cast<const unsigned char*>(utf8.data());
    Unit* dst = buffer.data();
    // UTF-8 never needs fewer bytes than UTF-16 or UTF-32 need units, so n units always suffice.
    if (convert(src, src + n, dst, buffer.data() + n) != textenc::conversionOk) {
        throw EncodingError();
    }
    std::wstring result;
    for (const Unit* p = buffer.data(); *p != 0; ++p) result.push_back(static_cast<wchar_t>(*p));
    return result;
}

template <typename Unit, typename Converter>
std::string encodeWith(const std::wstring& wide, std::size_t bytesPerUnit, Converter convert) {
    const std::size_t n = wide.size();
    std::vector<Unit> units(wide.begin(), wide.end());
    std::vector<unsigned char> buffer(bytesPerUnit * n + 1, 0);
    const Unit* src = units.data();
    unsigned char* dst = buffer.data();
    if (convert(src, src + n, dst, buffer.data() + bytesPerUnit * n) != textenc::conversionOk) {
        throw EncodingError();
    }
    return std::string(reinterpret_cast<const char*>(buffer.data()));
}

}  // namespace

std::wstring utf8ToWide(const std::string& utf8) {
    if constexpr (sizeof(wchar_t) == 2) {
        return decodeWith<char16_t>(utf8, textenc::utf8ToUtf16);
    } else if constexpr (sizeof(wchar_t) == 4) {
        return decodeWith<char32_t>(utf8, textenc::utf8ToUtf32);
    } else {
        throw EncodingError();
    }
}

std::string wideToUtf8(const std::wstring& wide) {
    // A UTF-16 unit never takes more than 3 bytes (a pair takes 4 for two units); a UTF-32 unit
    // never more than 4.
    if constexpr (sizeof(wchar_t) == 2) {
        return encodeWith<char16_t>(wide, 3, textenc::utf16ToUtf8);
    } else if constexpr (sizeof(wchar_t) == 4) {
        return encodeWith<char32_t>(wide, 4, textenc::utf32ToUtf8);
    } else {
        throw EncodingError();
    }
}

bool isWellFormedUtf8(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = bytes[i];
        int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + static_cast<size_t>(length) > text.size() ||
            !textenc::isLegalUtf8Sequence(bytes + i, length))
            return false;
        i += static_cast<size_t>(length);
    }
    return true;
}

void appendUtf8(std::string& out, char32_t character) {
    textenc::appendCharacter(out, character);
}
