// Strict conversion between UTF-8 byte strings and wide strings.
//
// Everything PDF text extraction hands us is turned into wide strings here, and everything we
// write out (file names, HTML, metadata) goes back to UTF-8 through here. The conversions are
// strict: malformed input is never repaired or skipped, because silently mangled text in a
// publication is worse than a job that stops and says so.
//
// Ownership: the functions own nothing; the primitive converters read and write only the
// caller's ranges.
//
// Errors: utf8ToWide() and wideToUtf8() throw EncodingError (a std::runtime_error) on any
// failure, with the same message whatever the cause, since callers only need to know that the
// text is unusable. The primitive converters in namespace textenc never throw; they report
// through ConversionResult instead.
#pragma once

#include <stdexcept>
#include <string>

class EncodingError : public std::runtime_error {
  public:
    EncodingError() : std::runtime_error("La falla!") {}
};

// Decodes UTF-8 into a wide string, using the UTF-16 or UTF-32 algorithm to match the width of
// wchar_t. The result ends just before the first NUL, so an embedded NUL cuts the text.
// Throws EncodingError on malformed or truncated input, or if wchar_t is neither 16 nor 32 bits.
std::wstring utf8ToWide(const std::string& utf8);

// Encodes a wide string (UTF-16 or UTF-32, by the width of wchar_t) as UTF-8. The result ends
// just before the first NUL. Throws EncodingError on unpaired surrogates, values beyond
// U+10FFFF, or an unsupported wchar_t width.
std::string wideToUtf8(const std::wstring& wide);

// Appends one character as UTF-8. A value that is no Unicode scalar (a surrogate, or beyond
// U+10FFFF) is appended as U+FFFD, so the result stays well-formed. Never throws but for
// std::bad_alloc.
//     appendUtf8(s = "", U'\u00E9') gives "\xC3\xA9"
void appendUtf8(std::string& out, char32_t character);

// True when the whole of text is well-formed UTF-8 (embedded NULs included,
// which are U+0000).
bool isWellFormedUtf8(const std::string& text);

namespace textenc {

enum ConversionResult {
    conversionOk = 0,     // the whole source was converted
    sourceExhausted = 1,  // the source ends in the middle of a character
    targetExhausted = 2,  // the next character does not fit in the target
    sourceIllegal = 3     // the source holds a malformed or forbidden sequence
};

// Primitive converters. Each converts [src, srcEnd) into [dst, dstEnd), advancing src and dst
// past what it converted. When it stops early, src is left on the first unit of the character
// it could not convert, and nothing of that character has been written, so a caller can give
// more room and resume. The one exception is utf32ToUtf8, which writes U+FFFD for a value
// beyond U+10FFFF and carries on (see below).
ConversionResult utf8ToUtf16(const unsigned char*& src, const unsigned char* srcEnd, char16_t*& dst,
                             char16_t* dstEnd);
ConversionResult utf16ToUtf8(const char16_t*& src, const char16_t* srcEnd, unsigned char*& dst,
                             unsigned char* dstEnd);
ConversionResult utf8ToUtf32(const unsigned char*& src, const unsigned char* srcEnd, char32_t*& dst,
                             char32_t* dstEnd);

// A value beyond U+10FFFF is written as U+FFFD and conversion continues; the result is then
// sourceIllegal unless conversion stopped early, in which case the reason for stopping wins so
// that the pointers can be interpreted.
ConversionResult utf32ToUtf8(const char32_t*& src, const char32_t* srcEnd, unsigned char*& dst,
                             unsigned char* dstEnd);

// True when source[0..length) is exactly one well-formed UTF-8 character: no overlong forms,
// no encoded surrogates, nothing beyond U+10FFFF, and a length matching the lead byte.
bool isLegalUtf8Sequence(const unsigned char* source, int length);

}  // namespace textenc
