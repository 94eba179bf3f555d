// Where words end on lines of unusual spacing, on PDFs built from code:
// fixed-width text whose word spaces are moves of one character cell, a
// letter-spaced word in a proportional font, Arabic set with kashida and
// wide word spacing, text drawn with a slanted or scaled text matrix (fake
// italic), and a word gap before a ligature glyph.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/TextPage.h"
#include "support/BuiltPageText.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class WordGap : public BuiltPageText {};

// Courier, 10 points: every glyph is a 6-point cell. groff and pdfTeX set a
// space of fixed-width text as a move of one cell, not as a space glyph, so
// every gap on these lines is as wide as a letter: the lines are not
// letter-spaced words but words of one character. A gap narrower than a
// cell is no space: glue that texinfo sets after the "/" and "." of an
// address, stretched on a justified line ("ftp: / / ftp . gnu" read
// apart); a space set in the text's own font between two such words is
// one. Below them, Helvetica
// set with 2 points (0.2 em) of letter spacing, its word space painted.
TEST_F(WordGap, FixedWidthSpacesSeparateWordsLetterSpacingDoesNot) {
    pdfbuild::DocumentSpec spec;
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "Cour",
                       "<< /Type /Font /Subtype /Type1 /BaseFont /Courier "
                       "/Encoding /WinAnsiEncoding >>"}};
    page.rawContent =
        "BT /Cour 10 Tf 1 0 0 1 72 700 Tm [(5) -600 (4) -600 (3) -600 (1) -600 (0)] TJ ET "
        "BT /Cour 10 Tf 1 0 0 1 72 686 Tm [(#) -600 (1) -600 (2) -600 (3) -600 (4)] TJ ET "
        "BT /Cour 10 Tf 1 0 0 1 72 672 Tm [(mov) -600 (eax,) -600 (1)] TJ ET "
        "BT /Cour 10 Tf 1 0 0 1 72 658 Tm [(from) -600 (ftp:/) -100 (/) -100 (ftp.) -100 (gnu.) "
        "-100 (org/) -100 (pub/) -100 (gnu/) -330 (and)] TJ ET "
        "BT /Helv 10 Tf 2 Tc 1 0 0 1 72 640 Tm (LETTER SPACED) Tj ET";
    spec.pages = {page};
    EXPECT_EQ(linesOf(spec),
              (std::vector<std::string>{"5 4 3 1 0", "# 1 2 3 4", "mov eax, 1",
                                        "from ftp://ftp.gnu.org/pub/gnu/ and", "LETTER SPACED"}));
}

// Arabic (a CID font with plain letters in its ToUnicode map, glyphs in
// visual order) justified with kashida and wide spacing, as word processors
// set it: the letters of a word touch, but where a tatweel stretches a word
// the producer leaves a gap of 0.1 em on each side of it; the words are
// apart by a painted space and 0.3 em more. Each word reads whole.
TEST_F(WordGap, ArabicSetWithKashidaReadsWordsWhole) {
    pdfbuild::DocumentSpec spec;
    // Letters of the words كتاب جميل مكتبة قلم, the tatweel and the space.
    const std::vector<std::pair<int, std::string>> letters = {
        {1, "\u0643"}, {2, "\u062A"}, {3, "\u0627"}, {4, "\u0628"},  {5, "\u062C"},  {6, "\u0645"},
        {7, "\u064A"}, {8, "\u0644"}, {9, "\u0629"}, {10, "\u0642"}, {11, "\u0640"}, {12, " "}};
    std::vector<pdfbuild::CidGlyph> glyphs;
    for (const auto& l : letters) glyphs.push_back({l.first, l.second, l.first == 12 ? 250 : 450});
    std::string font = pdfbuild::addHorizontalFont(spec, glyphs);
    auto g = [](int cid) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "<%04X>", cid);
        return std::string(hex);
    };
    const std::string gap = " -100 ";    // 0.1 em beside a tatweel
    const std::string space = " -300 ";  // wide spacing after a painted space
    // Visual order, left to right: قلم, مكتبة, جميل, كتاب each from its last
    // letter; مكـتبة and كـتاب stretched after their kaf.
    std::string tj = "[" + g(6) + g(8) + g(10) + g(12) + space;                  // قلم
    tj += g(9) + g(4) + g(2) + gap + g(11) + gap + g(1) + g(6) + g(12) + space;  // مكـتبة
    tj += g(8) + g(7) + g(6) + g(5) + g(12) + space;                             // جميل
    tj += g(4) + g(3) + g(2) + gap + g(11) + gap + g(1) + "] TJ";                // كـتاب
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "Ar", font}};
    page.rawContent = "BT /Ar 12 Tf 1 0 0 1 100 700 Tm " + tj + " ET";
    spec.pages = {page};
    EXPECT_EQ(linesOf(spec), (std::vector<std::string>{
                                 "\u0643\u0640\u062A\u0627\u0628 \u062C\u0645\u064A\u0644 "
                                 "\u0645\u0643\u0640\u062A\u0628\u0629 \u0642\u0644\u0645"}));
}

// ---- Slanted and scaled text matrices, ligatures: each row a page's content
// and the lines expected of it ----

struct Row {
    const char* name;
    std::string content;  // with /Helv (Helvetica), /Lig and /LigU (below)
    std::vector<std::string> lines;
};

// Helvetica, not embedded (MuPDF's metrics), whose codes 1 and 2 show the fi
// and fl ligature glyphs: /Lig by their names alone, /LigU with a ToUnicode
// map giving "fi" and U+FB02, as pdfTeX and word processors write them.
const char* const kLigatureFont =
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding "
    "<< /Type /Encoding /BaseEncoding /WinAnsiEncoding /Differences [1 /fi 2 /fl] >> >>";
const char* const kLigatureMap =
    "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
    "/CMapName /Test-UCS def /CMapType 2 def\n"
    "1 begincodespacerange <00> <FF> endcodespacerange\n"
    "2 beginbfchar\n<01> <00660069>\n<02> <FB02>\nendbfchar\n"
    "1 beginbfrange\n<20> <7E> <0020>\nendbfrange\n"
    "endcmap CMapName currentdict /CMap defineresource pop end end\n";

// "BT font Tf matrix 72 y Tm show ET".
std::string shown(const std::string& matrix, const std::string& show,
                  const std::string& font = "/Helv 10", int y = 700) {
    return "BT " + font + " Tf " + matrix + " 72 " + std::to_string(y) + " Tm " + show + " ET ";
}

// Words one space apart, shown as one string with its space glyphs, or as a
// TJ array whose only gaps are kerns of a Helvetica space (0.278 em).
std::string painted(const std::string& words) {
    return "(" + words + ") Tj";
}
std::string kerned(const std::string& words) {
    std::string tj = "[(";
    for (char c : words) tj += c == ' ' ? std::string(") -278 (") : std::string(1, c);
    return tj + ")] TJ";
}

const std::string kCodes = "Codes for the Identification of Countries";

// Fake italic: a text matrix (or CTM) that slants the glyphs by up to a third
// of an em widens each glyph's box along the line by as much, more than a
// space is wide; the words must come from where the glyphs stand on their
// baseline, whether the spaces are painted or only gaps, at any scale of the
// matrix and font size, and the upright rows read as before.
std::vector<Row> slantedRows() {
    const std::vector<std::string> codes{kCodes};
    // One word slanted for emphasis in an upright line, each part placed
    // where the one before ends, the spaces painted in the upright parts.
    auto width = [](const char* text) {
        return pdfbuild::textWidth(pdfbuild::textRun(0, 0, text, 10));
    };
    const double emphasis = 72 + width("This is "), after = emphasis + width("important");
    const std::string emphasised = "BT /Helv 10 Tf 1 0 0 1 72 700 Tm (This is ) Tj 1 0 0.3333 1 " +
                                   std::to_string(emphasis) + " 700 Tm (important) Tj 1 0 0 1 " +
                                   std::to_string(after) + " 700 Tm ( text) Tj ET";
    return {
        {"one word slanted in an upright line", emphasised, {"This is important text"}},
        {"upright, painted spaces", shown("1 0 0 1", painted(kCodes)), codes},
        {"slanted a third", shown("1 0 0.3333 1", painted(kCodes)), codes},
        {"slanted a third, kerned gaps", shown("1 0 0.3333 1", kerned(kCodes)), codes},
        {"slanted and scaled, size 1", shown("10 0 3.3 10", painted(kCodes), "/Helv 1"), codes},
        {"slanted by the CTM", "q 1 0 0.3333 1 0 0 cm " + shown("1 0 0 1", painted(kCodes)) + "Q",
         codes},
        {"slanted, running up the page", shown("0 1 -1 0.3333", painted(kCodes), "/Helv 10", 300),
         codes},
        {"slanted, upside down",
         "q 1 0 0 1 400 0 cm " + shown("-1 0 -0.3333 -1", painted(kCodes), "/Helv 10", 300) + "Q",
         codes},
        {"slanted, two lines",
         shown("1 0 0.3333 1", "12 TL (Codes for the) Tj T* (Identification of Countries) Tj"),
         {"Codes for the", "Identification of Countries"}},
    };
}

// A ligature glyph is one glyph whose letters share its box; the gap before
// it is a word gap like any other, made by a kern or by a move, with no space
// glyph in it.
std::vector<Row> ligatureRows() {
    // Where a word after "/MentorsFaq" and a space starts.
    const std::string next =
        std::to_string(pdfbuild::textWidth(pdfbuild::textRun(0, 0, "/MentorsFaq ", 10)));
    const std::string address = "[(.../MentorsFaq) -278 <01> (rst steps)] TJ";
    const std::vector<std::string> addressLine{".../MentorsFaq first steps"};
    return {
        {"fi by name after a kerned gap", shown("1 0 0 1", address, "/Lig 10"), addressLine},
        {"fi by ToUnicode after a kerned gap", shown("1 0 0 1", address, "/LigU 10"), addressLine},
        {"fi after a move",
         "BT /Lig 10 Tf 72 700 Td (/MentorsFaq) Tj " + next + " 0 Td <01> Tj (rst) Tj ET",
         {"/MentorsFaq first"}},
        {"fi, slanted", shown("1 0 0.3333 1", address, "/Lig 10"), addressLine},
        {"fi by ToUnicode, slanted and scaled", shown("10 0 3.3 10", address, "/LigU 1"),
         addressLine},
    };
}

class WordGapRows : public BuiltPageText {
  protected:
    void check(const Row& row) {
        pdfbuild::DocumentSpec spec;
        spec.objects.push_back({"<< >>", std::string(kLigatureMap)});
        pdfbuild::PageSpec page;
        const std::string withMap = std::string(kLigatureFont);
        page.resources = {
            {"Font", "Lig", kLigatureFont},
            {"Font", "LigU", withMap.substr(0, withMap.size() - 2) + " /ToUnicode @0 >>"}};
        page.rawContent = row.content;
        spec.pages = {page};
        EXPECT_EQ(linesOf(spec), row.lines) << row.name << ": " << row.content;
    }
};

TEST_F(WordGapRows, SlantedTextMatrixKeepsWordsApart) {
    for (const Row& row : slantedRows()) check(row);
}

TEST_F(WordGapRows, GapBeforeLigatureEndsWord) {
    for (const Row& row : ligatureRows()) check(row);
}

}  // namespace
