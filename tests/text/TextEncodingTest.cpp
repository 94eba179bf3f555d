#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/TextEncoding.h"

using textenc::ConversionResult;

namespace {

using Bytes = std::vector<unsigned char>;

std::string asString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

template <typename Call>
void expectEncodingFailure(Call call) {
    try {
        call();
        ADD_FAILURE() << "expected EncodingError";
    } catch (const EncodingError& e) {
        EXPECT_STREQ("La falla!", e.what());
    }
}

void expectUtf8Rejected(const Bytes& bytes) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    expectEncodingFailure([&] { utf8ToWide(asString(bytes)); });
}

bool legal(const Bytes& bytes) {
    return textenc::isLegalUtf8Sequence(bytes.data(), static_cast<int>(bytes.size()));
}

struct Utf16Outcome {
    ConversionResult result;
    std::u16string units;
    std::size_t consumed;
};

Utf16Outcome decodeToUtf16(const Bytes& bytes, std::size_t room) {
    std::u16string target(room, u'\0');
    const unsigned char* src = bytes.data();
    char16_t* dst = &target[0];
    const ConversionResult result =
        textenc::utf8ToUtf16(src, bytes.data() + bytes.size(), dst, &target[0] + room);
    target.resize(static_cast<std::size_t>(dst - &target[0]));
    return {result, target, static_cast<std::size_t>(src - bytes.data())};
}

struct Utf32Outcome {
    ConversionResult result;
    std::u32string units;
    std::size_t consumed;
};

Utf32Outcome decodeToUtf32(const Bytes& bytes, std::size_t room) {
    std::u32string target(room, U'\0');
    const unsigned char* src = bytes.data();
    char32_t* dst = &target[0];
    const ConversionResult result =
        textenc::utf8ToUtf32(src, bytes.data() + bytes.size(), dst, &target[0] + room);
    target.resize(static_cast<std::size_t>(dst - &target[0]));
    return {result, target, static_cast<std::size_t>(src - bytes.data())};
}

struct Utf8Outcome {
    ConversionResult result;
    Bytes bytes;
    std::size_t consumed;
};

// The target is pre-filled with a sentinel so tests can see whether anything was written past
// the reported end.
constexpr unsigned char kSentinel = 0xAA;

Utf8Outcome encodeUtf16(const std::u16string& units, std::size_t room, Bytes* rawTarget = nullptr) {
    Bytes target(room + 1, kSentinel);
    const char16_t* src = units.data();
    unsigned char* dst = target.data();
    const ConversionResult result =
        textenc::utf16ToUtf8(src, units.data() + units.size(), dst, target.data() + room);
    if (rawTarget != nullptr) *rawTarget = target;
    target.resize(static_cast<std::size_t>(dst - target.data()));
    return {result, target, static_cast<std::size_t>(src - units.data())};
}

Utf8Outcome encodeUtf32(const std::u32string& units, std::size_t room, Bytes* rawTarget = nullptr) {
    Bytes target(room + 1, kSentinel);
    const char32_t* src = units.data();
    unsigned char* dst = target.data();
    const ConversionResult result =
        textenc::utf32ToUtf8(src, units.data() + units.size(), dst, target.data() + room);
    if (rawTarget != nullptr) *rawTarget = target;
    target.resize(static_cast<std::size_t>(dst - target.data()));
    return {result, target, static_cast<std::size_t>(src - units.data())};
}

const Bytes kGrinningFace = {0xF0, 0x9F, 0x98, 0x80};  // U+1F600

}  // namespace

// ---------------------------------------------------------------------------------------------
// Wide-string conversions

TEST(Utf8ToWide, ConvertsEmptyStringToEmptyString) {
    EXPECT_EQ(L"", utf8ToWide(""));
}

TEST(WideToUtf8, ConvertsEmptyStringToEmptyString) {
    EXPECT_EQ("", wideToUtf8(L""));
}

TEST(Utf8ToWide, ConvertsAsciiOneUnitPerByte) {
    const std::wstring wide = utf8ToWide("abc");
    ASSERT_EQ(3u, wide.size());
    EXPECT_EQ(L'a', wide[0]);
    EXPECT_EQ(L'b', wide[1]);
    EXPECT_EQ(L'c', wide[2]);
}

TEST(WideToUtf8, ConvertsAsciiOneBytePerUnit) {
    EXPECT_EQ("abc", wideToUtf8(L"abc"));
}

TEST(Utf8ToWide, DecodesAstralCharacterAsSingleUnitWhenWcharIs32Bits) {
    if (sizeof(wchar_t) != 4) GTEST_SKIP() << "wchar_t holds UTF-16 on this platform";
    const std::wstring wide = utf8ToWide(asString(kGrinningFace));
    ASSERT_EQ(1u, wide.size());
    EXPECT_EQ(0x1F600, static_cast<long>(wide[0]));
    EXPECT_EQ(asString(kGrinningFace), wideToUtf8(wide));
}

TEST(Utf8ToWide, StopsAtEmbeddedNul) {
    EXPECT_EQ(L"ab", utf8ToWide(std::string("ab\0cd", 5)));
}

TEST(WideToUtf8, StopsAtEmbeddedNul) {
    EXPECT_EQ("ab", wideToUtf8(std::wstring(L"ab\0cd", 5)));
}

TEST(Utf8ToWide, RoundTripsHebrewText) {
    // "shalom olam" written out as bytes so the test does not depend on the source charset.
    const Bytes hebrew = {0xD7, 0xA9, 0xD7, 0x9C, 0xD7, 0x95, 0xD7, 0x9D, 0x20,
                          0xD7, 0xA2, 0xD7, 0x95, 0xD7, 0x9C, 0xD7, 0x9D};
    const std::wstring wide = utf8ToWide(asString(hebrew));
    const std::wstring expected = {0x05E9, 0x05DC, 0x05D5, 0x05DD, 0x0020,
                                   0x05E2, 0x05D5, 0x05DC, 0x05DD};
    EXPECT_EQ(expected, wide);
    EXPECT_EQ(asString(hebrew), wideToUtf8(wide));
}

// ---------------------------------------------------------------------------------------------
// Malformed UTF-8 is refused with a single, fixed message

TEST(Utf8ToWide, ThrowsOnMultiByteCharacterTruncatedAtEnd) {
    expectUtf8Rejected({0xC3});
    expectUtf8Rejected({'a', 0xE2, 0x82});
    expectUtf8Rejected({'a', 0xF0, 0x9F, 0x98});
}

TEST(Utf8ToWide, RejectsOverlongForms) {
    expectUtf8Rejected({0xC0, 0x80});
    expectUtf8Rejected({0xC1, 0xBF});
    expectUtf8Rejected({0xE0, 0x80, 0x80});
    expectUtf8Rejected({0xE0, 0x9F, 0xBF});
    expectUtf8Rejected({0xF0, 0x8F, 0xBF, 0xBF});
}

TEST(Utf8ToWide, RejectsEncodedSurrogates) {
    expectUtf8Rejected({0xED, 0xA0, 0x80});
    expectUtf8Rejected({0xED, 0xBF, 0xBF});
}

TEST(Utf8ToWide, RejectsLeadBytesF5ThroughFF) {
    for (int lead = 0xF5; lead <= 0xFF; ++lead) {
        expectUtf8Rejected({static_cast<unsigned char>(lead), 0x80, 0x80, 0x80, 0x80, 0x80, 'x'});
    }
}

TEST(Utf8ToWide, RejectsValuesBeyondU10FFFF) {
    expectUtf8Rejected({0xF4, 0x90, 0x80, 0x80});
}

TEST(Utf8ToWide, RejectsStrayContinuationBytes) {
    expectUtf8Rejected({0x80});
    expectUtf8Rejected({'a', 0xBF, 'b'});
    expectUtf8Rejected({0xC3, 0xA9, 0xA9});
}

TEST(Utf8ToWide, RejectsLeadByteFollowedByNonContinuation) {
    expectUtf8Rejected({0xC3, 'a', 'b'});
    expectUtf8Rejected({0xE2, 0x82, 'a', 'b'});
}

TEST(Utf8ToWide, RejectsFiveAndSixByteForms) {
    expectUtf8Rejected({0xF8, 0x88, 0x80, 0x80, 0x80});
    expectUtf8Rejected({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80});
}

TEST(WideToUtf8, RejectsSurrogateValues) {
    expectEncodingFailure([] { wideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))); });
    expectEncodingFailure([] { wideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00))); });
}

TEST(WideToUtf8, RejectsValuesBeyondU10FFFFWhenWcharIs32Bits) {
    if (sizeof(wchar_t) != 4) GTEST_SKIP() << "wchar_t cannot hold such values on this platform";
    expectEncodingFailure([] { wideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))); });
}

TEST(EncodingError, IsAStandardRuntimeError) {
    try {
        utf8ToWide(asString({0xFF}));
        FAIL() << "expected an exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("La falla!", e.what());
    }
}

// ---------------------------------------------------------------------------------------------
// Boundary code points survive every path

namespace {

struct Boundary {
    char32_t codePoint;
    Bytes utf8;
};

const std::vector<Boundary> kBoundaries = {
    {0x7F, {0x7F}},
    {0x80, {0xC2, 0x80}},
    {0x7FF, {0xDF, 0xBF}},
    {0x800, {0xE0, 0xA0, 0x80}},
    {0xFFFF, {0xEF, 0xBF, 0xBF}},
    {0x10000, {0xF0, 0x90, 0x80, 0x80}},
    {0x10FFFF, {0xF4, 0x8F, 0xBF, 0xBF}},
};

}  // namespace

TEST(BoundaryCodePoints, RoundTripThroughUtf32) {
    for (const Boundary& b : kBoundaries) {
        SCOPED_TRACE(static_cast<unsigned long>(b.codePoint));
        const Utf32Outcome decoded = decodeToUtf32(b.utf8, b.utf8.size());
        ASSERT_EQ(textenc::conversionOk, decoded.result);
        ASSERT_EQ(std::u32string(1, b.codePoint), decoded.units);
        const Utf8Outcome encoded = encodeUtf32(decoded.units, 4);
        EXPECT_EQ(textenc::conversionOk, encoded.result);
        EXPECT_EQ(b.utf8, encoded.bytes);
    }
}

TEST(BoundaryCodePoints, RoundTripThroughUtf16) {
    for (const Boundary& b : kBoundaries) {
        SCOPED_TRACE(static_cast<unsigned long>(b.codePoint));
        const Utf16Outcome decoded = decodeToUtf16(b.utf8, 2);
        ASSERT_EQ(textenc::conversionOk, decoded.result);
        ASSERT_EQ(b.codePoint < 0x10000 ? 1u : 2u, decoded.units.size());
        const Utf8Outcome encoded = encodeUtf16(decoded.units, 4);
        EXPECT_EQ(textenc::conversionOk, encoded.result);
        EXPECT_EQ(b.utf8, encoded.bytes);
    }
}

TEST(BoundaryCodePoints, RoundTripThroughWideStrings) {
    for (const Boundary& b : kBoundaries) {
        SCOPED_TRACE(static_cast<unsigned long>(b.codePoint));
        EXPECT_EQ(asString(b.utf8), wideToUtf8(utf8ToWide(asString(b.utf8))));
    }
}

// ---------------------------------------------------------------------------------------------
// Primitive converters

TEST(Utf8ToUtf16, EncodesAstralCharacterAsSurrogatePair) {
    const Utf16Outcome decoded = decodeToUtf16(kGrinningFace, 2);
    EXPECT_EQ(textenc::conversionOk, decoded.result);
    EXPECT_EQ(std::u16string({0xD83D, 0xDE00}), decoded.units);
    EXPECT_EQ(4u, decoded.consumed);

    const Utf8Outcome encoded = encodeUtf16(decoded.units, 4);
    EXPECT_EQ(textenc::conversionOk, encoded.result);
    EXPECT_EQ(kGrinningFace, encoded.bytes);
}

TEST(Utf8ToUtf16, BacksUpToCharacterStartWhenTargetIsFull) {
    const Utf16Outcome decoded = decodeToUtf16({'a', 'b', 0xC3, 0xA9}, 2);
    EXPECT_EQ(textenc::targetExhausted, decoded.result);
    EXPECT_EQ(u"ab", decoded.units);
    EXPECT_EQ(2u, decoded.consumed);
}

TEST(Utf8ToUtf16, BacksUpWhenOnlyHalfASurrogatePairFits) {
    Bytes source = {'a'};
    source.insert(source.end(), kGrinningFace.begin(), kGrinningFace.end());
    const Utf16Outcome decoded = decodeToUtf16(source, 2);
    EXPECT_EQ(textenc::targetExhausted, decoded.result);
    EXPECT_EQ(u"a", decoded.units);
    EXPECT_EQ(1u, decoded.consumed);
}

TEST(Utf8ToUtf16, ReportsSourceExhaustedAtTruncatedCharacter) {
    const Utf16Outcome decoded = decodeToUtf16({'a', 0xC3}, 4);
    EXPECT_EQ(textenc::sourceExhausted, decoded.result);
    EXPECT_EQ(u"a", decoded.units);
    EXPECT_EQ(1u, decoded.consumed);
}

TEST(Utf8ToUtf16, ReportsSourceIllegalAtOffendingCharacter) {
    const Utf16Outcome decoded = decodeToUtf16({'a', 'b', 0xED, 0xA0, 0x80, 'c'}, 8);
    EXPECT_EQ(textenc::sourceIllegal, decoded.result);
    EXPECT_EQ(u"ab", decoded.units);
    EXPECT_EQ(2u, decoded.consumed);
}

TEST(Utf8ToUtf32, DecodesAstralCharacterAsSingleUnit) {
    const Utf32Outcome decoded = decodeToUtf32(kGrinningFace, 1);
    EXPECT_EQ(textenc::conversionOk, decoded.result);
    EXPECT_EQ(std::u32string(1, 0x1F600), decoded.units);

    const Utf8Outcome encoded = encodeUtf32(decoded.units, 4);
    EXPECT_EQ(textenc::conversionOk, encoded.result);
    EXPECT_EQ(kGrinningFace, encoded.bytes);
}

TEST(Utf8ToUtf32, BacksUpToCharacterStartWhenTargetIsFull) {
    Bytes source = {'a'};
    source.insert(source.end(), kGrinningFace.begin(), kGrinningFace.end());
    const Utf32Outcome decoded = decodeToUtf32(source, 1);
    EXPECT_EQ(textenc::targetExhausted, decoded.result);
    EXPECT_EQ(U"a", decoded.units);
    EXPECT_EQ(1u, decoded.consumed);
}

TEST(Utf8ToUtf32, ResumesAfterTargetExhaustedWithMoreRoom) {
    const Bytes source = {0xC3, 0xA9, 0xE2, 0x82, 0xAC};  // U+00E9 U+20AC
    std::u32string target(2, U'\0');
    const unsigned char* src = source.data();
    const unsigned char* srcEnd = source.data() + source.size();
    char32_t* dst = &target[0];
    EXPECT_EQ(textenc::targetExhausted, textenc::utf8ToUtf32(src, srcEnd, dst, &target[0] + 1));
    EXPECT_EQ(textenc::conversionOk, textenc::utf8ToUtf32(src, srcEnd, dst, &target[0] + 2));
    EXPECT_EQ(U"\u00E9\u20AC", target);
}

TEST(Utf16ToUtf8, RejectsLoneLowSurrogate) {
    const Utf8Outcome encoded = encodeUtf16({u'a', 0xDC00, u'b'}, 16);
    EXPECT_EQ(textenc::sourceIllegal, encoded.result);
    EXPECT_EQ(Bytes({'a'}), encoded.bytes);
    EXPECT_EQ(1u, encoded.consumed);
}

TEST(Utf16ToUtf8, RejectsHighSurrogateFollowedByNonLowSurrogate) {
    EXPECT_EQ(textenc::sourceIllegal, encodeUtf16({0xD83D, u'a'}, 16).result);
    EXPECT_EQ(textenc::sourceIllegal, encodeUtf16({0xD83D, 0xD83D, 0xDE00}, 16).result);
}

TEST(Utf16ToUtf8, ReportsSourceExhaustedForHighSurrogateAsLastUnit) {
    const Utf8Outcome encoded = encodeUtf16({u'a', 0xD83D}, 16);
    EXPECT_EQ(textenc::sourceExhausted, encoded.result);
    EXPECT_EQ(Bytes({'a'}), encoded.bytes);
    EXPECT_EQ(1u, encoded.consumed);
}

TEST(Utf16ToUtf8, BacksUpWithoutWritingWhenCharacterDoesNotFit) {
    Bytes raw;
    const Utf8Outcome encoded = encodeUtf16({u'a', 0xD83D, 0xDE00}, 4, &raw);
    EXPECT_EQ(textenc::targetExhausted, encoded.result);
    EXPECT_EQ(Bytes({'a'}), encoded.bytes);
    EXPECT_EQ(1u, encoded.consumed);
    EXPECT_EQ(Bytes({'a', kSentinel, kSentinel, kSentinel, kSentinel}), raw);
}

TEST(Utf32ToUtf8, ReplacesValueBeyondU10FFFFAndReportsIllegal) {
    const Utf8Outcome encoded = encodeUtf32({U'a', 0x110000, U'b'}, 16);
    EXPECT_EQ(textenc::sourceIllegal, encoded.result);
    EXPECT_EQ(Bytes({'a', 0xEF, 0xBF, 0xBD, 'b'}), encoded.bytes);
}

TEST(Utf32ToUtf8, RejectsSurrogateValues) {
    const Utf8Outcome encoded = encodeUtf32({U'a', 0xDFFF, U'b'}, 16);
    EXPECT_EQ(textenc::sourceIllegal, encoded.result);
    EXPECT_EQ(Bytes({'a'}), encoded.bytes);
    EXPECT_EQ(1u, encoded.consumed);
}

TEST(Utf32ToUtf8, BacksUpWithoutWritingWhenCharacterDoesNotFit) {
    Bytes raw;
    const Utf8Outcome encoded = encodeUtf32({U'a', 0x20AC}, 3, &raw);
    EXPECT_EQ(textenc::targetExhausted, encoded.result);
    EXPECT_EQ(Bytes({'a'}), encoded.bytes);
    EXPECT_EQ(1u, encoded.consumed);
    EXPECT_EQ(Bytes({'a', kSentinel, kSentinel, kSentinel}), raw);
}

// ---------------------------------------------------------------------------------------------
// Legality of a single sequence

TEST(IsLegalUtf8Sequence, AcceptsWellFormedCharactersAtTheEdgesOfRestrictedRanges) {
    EXPECT_TRUE(legal({0x00}));
    EXPECT_TRUE(legal({0x7F}));
    EXPECT_TRUE(legal({0xC2, 0x80}));
    EXPECT_TRUE(legal({0xE0, 0xA0, 0x80}));
    EXPECT_TRUE(legal({0xED, 0x9F, 0xBF}));
    EXPECT_TRUE(legal({0xEE, 0x80, 0x80}));
    EXPECT_TRUE(legal({0xF0, 0x90, 0x80, 0x80}));
    EXPECT_TRUE(legal({0xF4, 0x8F, 0xBF, 0xBF}));
}

TEST(IsLegalUtf8Sequence, RejectsSecondBytesOutsideRestrictedRanges) {
    EXPECT_FALSE(legal({0xE0, 0x9F, 0xBF}));
    EXPECT_FALSE(legal({0xED, 0xA0, 0x80}));
    EXPECT_FALSE(legal({0xF0, 0x8F, 0xBF, 0xBF}));
    EXPECT_FALSE(legal({0xF4, 0x90, 0x80, 0x80}));
}

TEST(IsLegalUtf8Sequence, RejectsForbiddenLeadBytes) {
    EXPECT_FALSE(legal({0x80}));
    EXPECT_FALSE(legal({0xBF}));
    EXPECT_FALSE(legal({0xC0, 0x80}));
    EXPECT_FALSE(legal({0xC1, 0xBF}));
    EXPECT_FALSE(legal({0xF5, 0x80, 0x80, 0x80}));
    EXPECT_FALSE(legal({0xFF, 0x80, 0x80, 0x80}));
}

TEST(IsLegalUtf8Sequence, RejectsLengthsOutsideOneToFour) {
    const Bytes zeros(8, 0x00);
    EXPECT_FALSE(textenc::isLegalUtf8Sequence(zeros.data(), 0));
    EXPECT_FALSE(textenc::isLegalUtf8Sequence(zeros.data(), -1));
    EXPECT_FALSE(legal({0xF8, 0x88, 0x80, 0x80, 0x80}));
    EXPECT_FALSE(legal({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}));
}

TEST(IsLegalUtf8Sequence, RejectsLengthThatDisagreesWithLeadByte) {
    EXPECT_FALSE(legal({0xC3}));
    EXPECT_FALSE(legal({'a', 0x80}));
    EXPECT_FALSE(legal({0xE2, 0x82}));
}

TEST(IsLegalUtf8Sequence, RejectsMissingContinuationBytes) {
    EXPECT_FALSE(legal({0xC3, 0x41}));
    EXPECT_FALSE(legal({0xE2, 0x82, 0xC0}));
    EXPECT_FALSE(legal({0xF0, 0x9F, 0x98, 0x7F}));
}
