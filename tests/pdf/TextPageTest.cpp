// The PDF layer's page text: words, lines and characters with their boxes in
// unrotated user space, reading order, hidden and duplicated glyphs, right-to-left
// lines, and the page text with its map back to the characters.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "pdf/text/TextPage.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

pdfbuild::TextRun run(double x, double y, const std::string& text, double size = 12) {
    return pdfbuild::textRun(x, y, text, size);
}

pdfbuild::TextRun hebrew(double x, double y, const std::string& text, double size = 12) {
    return pdfbuild::textRun(x, y, text, size, true);
}

class TextPageTest : public ::testing::Test {
  protected:
    // Writes the pages to a PDF in the test's directory and opens it.
    pdf::Document& open(const std::vector<pdfbuild::PageSpec>& pages) {
        pdfbuild::DocumentSpec spec;
        spec.pages = pages;
        std::string path = dir.file("text" + std::to_string(++count) + ".pdf");
        pdfbuild::writePdf(spec, path);
        doc = std::make_unique<pdf::Document>(path);
        return *doc;
    }

    static std::vector<std::string> wordsOf(const pdf::TextPage& text) {
        std::vector<std::string> words;
        for (const pdf::TextWord& w : text.allWords()) words.emplace_back(text.wordText(w));
        return words;
    }

    static std::vector<std::string> linesOf(const pdf::TextPage& text) {
        return testing_support::linesOf(text);
    }

    pdf::Library library;
    TempDir dir;
    std::unique_ptr<pdf::Document> doc;
    int count = 0;
};

// One line "Hello world" in 12-point Helvetica at (72, 700) on an upright page; the same words
// drawn upwards at (300, 200) on a page shown turned by /Rotate 90.
TEST_F(TextPageTest, WordsAndCharactersCarryBoxesInUnrotatedUserSpace) {
    pdfbuild::PageSpec upright, turned;
    upright.texts.push_back(run(72, 700, "Hello world"));
    turned.rotate = 90;
    pdfbuild::TextRun up = run(300, 200, "Hello world");
    up.angle = 90;
    turned.texts.push_back(up);
    pdf::Document& d = open({upright, turned});
    const double hello = pdfbuild::textWidth(run(0, 0, "Hello"));
    const double helloSpace = pdfbuild::textWidth(run(0, 0, "Hello "));
    const double all = pdfbuild::textWidth(run(0, 0, "Hello world"));

    pdf::TextPage text(d.page(1));
    ASSERT_EQ(1u, text.lines().size());
    ASSERT_EQ((std::vector<std::string>{"Hello", "world"}), wordsOf(text));
    const pdf::TextWord& first = text.allWords()[0];
    const pdf::TextWord& second = text.allWords()[1];
    EXPECT_NEAR(72, first.box.x0, 0.01);
    EXPECT_NEAR(72 + hello, first.box.x1, 0.01);
    EXPECT_NEAR(72 + helloSpace, second.box.x0, 0.01);
    EXPECT_NEAR(72 + all, second.box.x1, 0.01);
    // The box stands on the baseline, y up: descenders below 700, ascenders above.
    EXPECT_LT(first.box.y0, 700);
    EXPECT_GT(first.box.y0, 700 - 0.4 * 12);
    EXPECT_GT(first.box.y1, 700 + 0.6 * 12);
    EXPECT_LT(first.box.y1, 700 + 1.2 * 12);
    ASSERT_EQ(5u, text.chars(first).size());
    EXPECT_EQ(U'H', text.chars(first)[0].code);
    EXPECT_EQ(U'o', text.chars(first)[4].code);
    for (const pdf::TextChar& c : text.chars()) EXPECT_DOUBLE_EQ(12, c.fontSize);
    EXPECT_NEAR(72, text.lines()[0].box.x0, 0.01);
    EXPECT_NEAR(72 + all, text.lines()[0].box.x1, 0.01);

    // Turned page: the words read upright to the viewer, but their boxes stay in the
    // content's own coordinates, where the line runs up from (300, 200).
    pdf::TextPage turnedText(d.page(2));
    ASSERT_EQ((std::vector<std::string>{"Hello", "world"}), wordsOf(turnedText));
    const pdf::TextWord& up1 = turnedText.allWords()[0];
    EXPECT_NEAR(200, up1.box.y0, 0.01);
    EXPECT_NEAR(200 + hello, up1.box.y1, 0.01);
    EXPECT_LT(up1.box.x0, 300 - 0.6 * 12);
    EXPECT_GT(up1.box.x1, 300);
    EXPECT_LT(up1.box.x1, 300 + 0.4 * 12);
    // A quad follows the glyph: its lower left corner is on the baseline at the glyph's start.
    const pdf::TextChar& h = turnedText.chars(up1)[0];
    EXPECT_NEAR(200, h.quad.lowerLeft.y, 0.01);
    EXPECT_NEAR(200, h.quad.upperLeft.y, 0.01);
    EXPECT_GT(h.quad.lowerLeft.x, h.quad.upperLeft.x);
}

// Text set with "2 0 0 2" in its text matrix at 10 points appears at 20 points.
TEST_F(TextPageTest, FontSizeIsTheSizeOnThePage) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 700, "Small", 8));
    page.rawContent = "BT /Helv 10 Tf 2 0 0 2 72 600 Tm (Large) Tj ET";
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    ASSERT_EQ((std::vector<std::string>{"Small", "Large"}), wordsOf(text));
    for (const pdf::TextChar& c : text.chars(text.allWords()[0])) EXPECT_DOUBLE_EQ(8, c.fontSize);
    for (const pdf::TextChar& c : text.chars(text.allWords()[1])) EXPECT_NEAR(20, c.fontSize, 1e-4);
}

TEST_F(TextPageTest, PageWithoutTextHasNoLinesAndEmptyText) {
    pdfbuild::PageSpec page;
    page.rects.push_back({72, 72, 300, 300, 0.2, 0.4, 0.6});
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_TRUE(text.lines().empty());
    EXPECT_TRUE(text.allWords().empty());
    EXPECT_EQ("", text.text());
}

// Lines at a 14-point pitch: "a hyphen-" followed by "ated end" is one word split by the
// printer; "a dash -" ends in a free-standing dash; "year 2010-" ends in a hyphen after a
// digit; "upper-" followed by "(case)" is followed by a non-letter.
TEST_F(TextPageTest, PageTextJoinsHyphenatedLineEndsOnly) {
    pdfbuild::PageSpec page;
    const std::vector<std::string> lines = {"a hyphen-",  "ated end",  "a dash -", "next line",
                                            "year 2010-", "2011 here", "upper-",   "(case) end"};
    for (size_t i = 0; i < lines.size(); ++i)
        page.texts.push_back(run(72, 700 - 14.0 * i, lines[i]));
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ("a hyphenated end\na dash -\nnext line\nyear 2010-\n2011 here\nupper-\n(case) end",
              text.text());
    // The lines themselves keep the hyphen; only the first is marked as joined.
    ASSERT_EQ(8u, text.lines().size());
    EXPECT_EQ("hyphen-", text.wordText(text.words(text.lines()[0]).back()));
    EXPECT_TRUE(text.lines()[0].hyphenJoined);
    for (size_t i = 1; i < 8; ++i) EXPECT_FALSE(text.lines()[i].hyphenJoined) << i;
}

// The left column's last line breaks a word that the right column's first line completes;
// the right column's last line ends in a hyphen before a capitalised footer line.
TEST_F(TextPageTest, WordHyphenatedAcrossAColumnBreakIsJoined) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 700, "the left column ends"));
    page.texts.push_back(run(72, 686, "with a publi-"));
    page.texts.push_back(run(320, 700, "cation of the right"));
    page.texts.push_back(run(320, 686, "column Anglo-"));
    page.texts.push_back(run(72, 400, "Saxon words stay apart"));
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ(
        "the left column ends\nwith a publication of the right\ncolumn Anglo-\n"
        "Saxon words stay apart",
        text.text());
}

// Web and e-mail addresses broken at a line end read whole, every character kept: after a
// dot, after a slash, after the address's own hyphen, right after "https://" and after "@".
// A hyphen right after a slash is the publisher's break mark and left out. Prose keeps its
// line feeds: a hyphenated word is joined as ever, and neither an address that ends a sentence
// before a capitalised line, nor one followed by a plain word, nor a list of addresses, nor an
// e-mail address before a word is joined to the next line. After a dot, a lower-case word
// goes on with a host name ("org"), and with a path only as a file type ("html"; "untar"
// starts a sentence), never as a capitalised word; a listing's address line before a path
// line stays apart.
TEST_F(TextPageTest, AddressBrokenAtALineEndReadsWholeAndProseKeepsItsLines) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"see https://wiki.example.", "org/Maintainers for details"},
         "see https://wiki.example.org/Maintainers for details"},
        {{"at https://example.com/docs/", "install.html today"},
         "at https://example.com/docs/install.html today"},
        {{"read https://example.com/create-app-password-", "mail/ first"},
         "read https://example.com/create-app-password-mail/ first"},
        {{"found at https://", "www.example.org by searching"},
         "found at https://www.example.org by searching"},
        {{"email: 9-FAA-Inquiry@", "faa.gov."}, "email: 9-FAA-Inquiry@faa.gov."},
        {{"code at https://gitlab.com/-", "group/project/ here"},
         "code at https://gitlab.com/group/project/ here"},
        {{"a well-known hyphen-", "ated word"}, "a well-known hyphenated word"},
        {{"Visit https://example.org/help.", "The next sentence"},
         "Visit https://example.org/help.\nThe next sentence"},
        {{"see https://example.org/", "for details"}, "see https://example.org/\nfor details"},
        {{"http://one.example.org/", "http://two.example.org/"},
         "http://one.example.org/\nhttp://two.example.org/"},
        {{"write to info@example.com", "Tomorrow we meet"},
         "write to info@example.com\nTomorrow we meet"},
        {{"an info@martin-thoma.de", "schicken."}, "an info@martin-thoma.de\nschicken."},
        {{"at https://wiki.example.", "org for details"},
         "at https://wiki.example.org for details"},
        {{"see https://example.org/wiki/FormatTar.", "untar reads it"},
         "see https://example.org/wiki/FormatTar.\nuntar reads it"},
        {{"in https://example.org/docs/index.", "html for details"},
         "in https://example.org/docs/index.html for details"},
        {{"https://example.org/src/contrib/dir", "./tools/link-recommended"},
         "https://example.org/src/contrib/dir\n./tools/link-recommended"},
        {{"see https://example.org/TexMath.html.", "Name of the file"},
         "see https://example.org/TexMath.html.\nName of the file"},
    };
    std::vector<pdfbuild::PageSpec> pages;
    for (const auto& c : cases) {
        pdfbuild::PageSpec page;
        for (size_t i = 0; i < c.first.size(); ++i)
            page.texts.push_back(run(72, 700 - 14.0 * i, c.first[i]));
        pages.push_back(page);
    }
    pdf::Document& d = open(pages);
    for (size_t p = 0; p < cases.size(); ++p) {
        pdf::TextPage text(d.page(static_cast<int>(p) + 1));
        EXPECT_EQ(cases[p].second, text.text()) << "page " << p + 1;
        // Each line keeps its own words; only the join is marked.
        ASSERT_EQ(2u, text.lines().size()) << "page " << p + 1;
        EXPECT_EQ(cases[p].first[0], linesOf(text)[0]);
    }
}

// An address hyphenated like a word, where another page of the document writes the word
// whole: read with its document open, the hyphen is the typesetter's and left out; a page
// that outlives its document reads it on its own, and keeps the hyphen.
TEST_F(TextPageTest, TypesetterHyphenIsWeighedAgainstTheWholeDocumentWhileItIsOpen) {
    pdfbuild::PageSpec address, word;
    address.texts = {run(72, 700, "see https://www.example.org/soft-"),
                     run(72, 686, "ware/glpk/ now")};
    word.texts = {run(72, 700, "free software")};
    std::optional<pdf::Page> page = open({address, word}).page(1);
    EXPECT_EQ("see https://www.example.org/software/glpk/ now", pdf::TextPage(*page).text());
    doc.reset();
    EXPECT_EQ("see https://www.example.org/soft-ware/glpk/ now", pdf::TextPage(*page).text());
}

// A heading over two columns of four lines each, then a page number centred under the
// gutter. The content stream interleaves the columns row by row, so only the geometry can
// tell the reading order.
TEST_F(TextPageTest, TwoColumnsAreReadColumnByColumn) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 720, "A heading that runs over both of the columns", 16));
    for (int i = 0; i < 4; ++i) {
        page.texts.push_back(run(72, 680 - 14.0 * i, "left line " + std::to_string(i + 1)));
        page.texts.push_back(run(320, 680 - 14.0 * i, "right line " + std::to_string(i + 1)));
    }
    page.texts.push_back(run(300, 60, "7", 10));
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ(
        "A heading that runs over both of the columns\nleft line 1\nleft line 2\nleft line 3\nleft "
        "line 4\n"
        "right line 1\nright line 2\nright line 3\nright line 4\n7",
        text.text());
    ASSERT_EQ(10u, text.lines().size());
    const int left = text.lines()[1].flowId;
    const int right = text.lines()[5].flowId;
    EXPECT_NE(left, right);
    EXPECT_NE(text.lines()[0].flowId, left);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(left, text.lines()[i].flowId);
    for (int i = 5; i <= 8; ++i) EXPECT_EQ(right, text.lines()[i].flowId);
}

// A bibliography entry whose lines TeX stretched to an em and more a space around an address it
// could not break, each word a run of its own, the spaces after sentences four and five times
// as wide: each line reads whole, in order, and the address goes on at the next line. Such
// lines fell apart into columns read one after another, and the address was cut.
TEST_F(TextPageTest, JustifiedLinesStretchedAroundAnAddressReadWhole) {
    pdfbuild::PageSpec page;
    // The words of `line` set from x so that the last ends at 522, each space after the first
    // between two words one more space (after a sentence).
    auto justify = [&](double x, double y, const std::string& line) {
        std::vector<std::string> words(1);
        for (char c : line)
            if (c == ' ')
                words.emplace_back();
            else
                words.back() += c;
        double space = 522 - x;
        for (const std::string& word : words)
            if (!word.empty()) space -= pdfbuild::textWidth(run(0, 0, word, 10));
        space /= static_cast<double>(words.size() - 1);
        for (const std::string& word : words) {
            if (!word.empty()) {
                page.texts.push_back(run(x, y, word, 10));
                x += pdfbuild::textWidth(page.texts.back());
            }
            x += space;
        }
    };
    justify(72, 700,
            "Fitzmaurice GM (2014).    Multilevel Modeling of Longitudinal Data.  In Symposium on");
    justify(83.2, 688, "Recent Advances in Multilevel Modeling.  New York Uni-");
    justify(83.2, 676, "versity, New York.     URL https://sites.example.com/a/stern.nyu.edu/");
    page.texts.push_back(
        run(83.2, 664, "symposium-on-recent-advances-in-multilevel-modeling/.", 10));
    pdf::TextPage text(open({page}).page(1));
    EXPECT_EQ(
        "Fitzmaurice GM (2014). Multilevel Modeling of Longitudinal Data. In Symposium on\n"
        "Recent Advances in Multilevel Modeling. New York University, New York. URL "
        "https://sites.example.com/a/stern.nyu.edu/"
        "symposium-on-recent-advances-in-multilevel-modeling/.",
        text.text());
}

// Two paragraphs of a column: the second starts with an indented first line; a third block
// stands apart after a wider gap.
TEST_F(TextPageTest, ParagraphsBreakAtIndentsAndWideGaps) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 700, "First paragraph starts here and"));
    page.texts.push_back(run(72, 686, "goes on for a second line."));
    page.texts.push_back(run(90, 672, "Second paragraph is indented and"));
    page.texts.push_back(run(72, 658, "also has two lines."));
    page.texts.push_back(run(72, 600, "Far below stands a third one."));
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    ASSERT_EQ(5u, text.lines().size());
    const auto& l = text.lines();
    EXPECT_EQ(l[0].paragraphId, l[1].paragraphId);
    EXPECT_NE(l[1].paragraphId, l[2].paragraphId);
    EXPECT_EQ(l[2].paragraphId, l[3].paragraphId);
    EXPECT_NE(l[3].paragraphId, l[4].paragraphId);
    EXPECT_LT(l[0].paragraphId, l[2].paragraphId);
    EXPECT_LT(l[2].paragraphId, l[4].paragraphId);
}

// Each line is drawn first and then covered (or not) by what comes after it in the content
// stream: an opaque white image, a half-transparent image, a filled rectangle, a rectangle
// drawn beneath it, and a black image over the first word only.
TEST_F(TextPageTest, TextUnderLaterOpaqueContentIsLeftOut) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 700, "Visible words"));
    page.texts.push_back(run(72, 660, "Hidden under image"));
    page.texts.push_back(run(72, 620, "Seen through glass"));
    page.texts.push_back(run(72, 580, "Hidden under box"));
    page.texts.push_back(run(72, 540, "Painted over background"));
    page.texts.push_back(run(72, 500, "Covered visible"));
    page.rects.push_back({60, 530, 400, 560, 0.9, 0.9, 0.5});  // drawn before all text
    const double covered = pdfbuild::textWidth(run(0, 0, "Covered"));
    page.images = {{60, 650, 400, 680, 1, 1, 1, false},
                   {60, 610, 400, 640, 1, 1, 1, true},
                   {70, 490, 72 + covered + 1, 520, 0, 0, 0, false}};
    page.rawContent = "q 1 1 1 rg 60 570 340 30 re f Q";
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ("Visible words\nSeen through glass\nPainted over background\nvisible", text.text());
}

// An OCR layer drawn in rendering mode 3 before the scan's image, as OCR tools write it.
TEST_F(TextPageTest, InvisibleTextUnderAScanImageIsKept) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 300, "Printed words"));
    // The builder draws the image small at the bottom; the content draws it again over the
    // invisible words, after them.
    page.images.push_back({500, 40, 510, 50, 1, 1, 1, false});
    page.rawContent =
        "BT 3 Tr /Helv 12 Tf 1 0 0 1 72 450 Tm (Scanned words) Tj ET\n"
        "q 340 0 0 40 60 430 cm /Im0 Do Q";
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ("Scanned words\nPrinted words", text.text());
}

// "Bold" painted twice 0.4 pt apart (fake bold), "Stroked" filled and stroked in one go
// (rendering mode 2); "Balloon" keeps its genuine double letters.
TEST_F(TextPageTest, DuplicateGlyphsOfFakeBoldAreDropped) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 12 Tf 1 0 0 1 72 700 Tm (Bold) Tj ET\n"
        "BT /Helv 12 Tf 1 0 0 1 72.4 700 Tm (Bold) Tj ET\n"
        "BT 2 Tr /Helv 12 Tf 1 0 0 1 72 680 Tm (Stroked) Tj ET\n"
        "BT /Helv 12 Tf 1 0 0 1 72 660 Tm (Balloon) Tj ET";
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ("Bold\nStroked\nBalloon", text.text());
}

// Gaps decide word boundaries where a producer writes no space character: a 0.4 em gap
// in a TJ array separates, a 0.03 em kern does not.
TEST_F(TextPageTest, GapsSeparateWordsWhereNoSpaceIsDrawn) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 10 Tf 1 0 0 1 72 700 Tm [(Word)-400(Gap)] TJ ET\n"
        "BT /Helv 10 Tf 1 0 0 1 72 680 Tm [(Ke)30(rned)] TJ ET";
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ("Word Gap\nKerned", text.text());
}

// Hebrew runs are stored in visual order by the builder, as producers write them; the text
// comes out in reading order. Latin words and numbers inside keep their own order.
TEST_F(TextPageTest, RightToLeftLinesAreInReadingOrder) {
    const std::vector<std::string> lines = {"שלום עולם", "ספר Quillon חדש", "גרסה 2024 כאן"};
    pdfbuild::PageSpec page;
    for (size_t i = 0; i < lines.size(); ++i)
        page.texts.push_back(hebrew(72, 700 - 20.0 * i, lines[i]));
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ("שלום עולם\nספר Quillon חדש\nגרסה 2024 כאן", text.text());
    // The first word read is the rightmost one on the page.
    const pdf::TextLine& first = text.lines()[0];
    EXPECT_GT(text.words(first)[0].box.x0, text.words(first)[1].box.x1);
}

// A Hebrew sentence with a Latin word and a number, on a page whose other lines are Latin:
// the sentence's own words decide that it reads from the right.
TEST_F(TextPageTest, MixedLineOnALatinPageReadsInItsOwnDirection) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 700, "Most of this page is set in Latin letters and"));
    page.texts.push_back(run(72, 686, "only one line below is a Hebrew sentence."));
    page.texts.push_back(hebrew(72, 600, "ברוכים הבאים למדריך Quillon גרסה 2"));
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    ASSERT_EQ(3u, text.lines().size());
    EXPECT_EQ((std::vector<std::string>{"Most of this page is set in Latin letters and",
                                        "only one line below is a Hebrew sentence.",
                                        "ברוכים הבאים למדריך Quillon גרסה 2"}),
              linesOf(text));
}

// Every byte of the page text leads back to the character that produced it; the separators
// lead nowhere. Finding "world" in the text finds its glyphs on the page.
TEST_F(TextPageTest, PageTextMapsBackToCharacters) {
    pdfbuild::PageSpec page;
    page.texts.push_back(run(72, 700, "Hello world"));
    page.texts.push_back(hebrew(72, 680, "שלום"));
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    const std::string& t = text.text();
    ASSERT_EQ("Hello world\nשלום", t);
    for (std::size_t i = 0; i < t.size(); ++i) {
        int c = text.charAtTextByte(i);
        if (t[i] == ' ' || t[i] == '\n') {
            EXPECT_EQ(-1, c) << i;
        } else {
            ASSERT_GE(c, 0) << i;
            ASSERT_LT(c, static_cast<int>(text.chars().size()));
        }
    }
    std::size_t at = t.find("world");
    const pdf::TextChar& w = text.chars()[text.charAtTextByte(at)];
    EXPECT_EQ(U'w', w.code);
    EXPECT_NEAR(72 + pdfbuild::textWidth(run(0, 0, "Hello ")), w.box.x0, 0.01);
    // The four bytes of the first Hebrew letter (two per letter) all lead to shin.
    std::size_t shin = t.find("ש");
    EXPECT_EQ(text.charAtTextByte(shin), text.charAtTextByte(shin + 1));
    EXPECT_EQ(U'ש', text.chars()[text.charAtTextByte(shin)].code);
    // Glyph numbers count in content order, whatever the reading order.
    EXPECT_EQ(0, text.chars()[0].glyph);
}

TEST_F(TextPageTest, TextOutsideTheShownPageIsLeftOut) {
    pdfbuild::PageSpec page;
    page.cropBox = std::array<double, 4>{50, 50, 562, 742};
    page.texts.push_back(run(72, 700, "Inside"));
    page.texts.push_back(run(72, 760, "Slug above the crop box"));
    pdf::Document& d = open({page});
    EXPECT_EQ("Inside", pdf::TextPage(d.page(1)).text());
}

// Old TeX output sets accents as glyphs of their own over or under the letter: the acute of
// "Métro" before its e, the cedilla of "Aviação" after its c and the tilde after its a, each
// centred on its letter. A spacing accent that stands over no letter stays as it is.
TEST_F(TextPageTest, AccentSetOverALetterComposesWithIt) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 12 Tf 1 0 0 1 100 700 Tm (M) Tj 1 0 0 1 111.334 700 Tm (\264) Tj "
        "1 0 0 1 109.996 700 Tm (etro) Tj "
        "1 0 0 1 100 680 Tm (Aviac) Tj 1 0 0 1 124.342 680 Tm (\270) Tj "
        "1 0 0 1 129.34 680 Tm (a) Tj 1 0 0 1 130.678 680 Tm (\230) Tj "
        "1 0 0 1 136.012 680 Tm (o) Tj "
        "1 0 0 1 100 660 Tm (x \264 y) Tj ET";
    pdf::Document& d = open({page});
    pdf::TextPage text(d.page(1));
    EXPECT_EQ("M\u00E9tro\nAvia\u00E7\u00E3o\nx \u00B4 y", text.text());
    // The composed letter is the letter's glyph: "é" is glyph 2, the acute (glyph 1) is gone.
    EXPECT_EQ(U'\u00E9', text.chars()[1].code);
    EXPECT_EQ(2, text.chars()[1].glyph);
}

// A Type 3 font whose ToUnicode map gives the ligature "fi" a control code, as some producers
// write it: the glyph's name /fi says what it is.
TEST_F(TextPageTest, LigatureMappedToAControlCodeIsReadByItsName) {
    pdfbuild::DocumentSpec doc;
    std::string font = pdfbuild::addType3Font(
        doc, {{1, "s"}, {2, "i", 250}, {3, "g"}, {4, "n"}, {5, "fi", 550}, {6, "e"}, {7, "d"}},
        {{1, "s"}, {2, "i"}, {3, "g"}, {4, "n"}, {5, "\x0C"}, {6, "e"}, {7, "d"}});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "T3", font}};
    page.rawContent = "BT /T3 12 Tf 1 0 0 1 72 700 Tm <0102030402050607> Tj ET";
    doc.pages.push_back(page);
    pdfbuild::writePdf(doc, dir.file("t3.pdf"));
    pdf::Document d(dir.file("t3.pdf"));
    EXPECT_EQ("signified", pdf::TextPage(d.page(1)).text());
}

// A Type 3 font as dvips writes bitmap fonts: glyph space upside down, about fifty units a
// glyph, and a bounding box of a thousand units that stands for none of them. Its lines, 14 points
// apart, are read one after the other, word by word.
TEST_F(TextPageTest, Type3FontWithAPlaceholderBoxReadsLineByLine) {
    pdfbuild::DocumentSpec doc;
    const std::vector<pdfbuild::Type3Glyph> glyphs = {{1, "a", 50}, {2, "b", 55}, {3, "space", 33},
                                                      {4, "c", 44}, {5, "d", 55}, {6, "e", 44},
                                                      {7, "f", 30}, {8, "g", 50}};
    std::string font = pdfbuild::addType3Font(doc, glyphs, {{1, "a"}, {2, "b"}, {3, " "}},
                                              {"[1 0 0 -1 0 0]", "[0 0 1000 1000]"});
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "T3", font}};
    page.rawContent =
        "BT /T3 0.12 Tf 1 0 0 -1 72 700 Tm <0102030201> Tj ET "
        "BT /T3 0.12 Tf 1 0 0 -1 72 686 Tm <0201030102> Tj ET";
    doc.pages.push_back(page);
    pdfbuild::writePdf(doc, dir.file("dvips.pdf"));
    pdf::Document d(dir.file("dvips.pdf"));
    EXPECT_EQ("ab ba\nba ab", pdf::TextPage(d.page(1)).text());
}

// A tightly set line whose word gap after a full stop (0.12 em) is narrower than the usual
// 0.15 em; its letters touch, so the gap still stands out. A 0.05 em gap inside a word of the
// same kind of line does not.
TEST_F(TextPageTest, TightlySetLineSeparatesWordsAtItsOwnGaps) {
    pdfbuild::PageSpec page;
    page.rawContent =
        "BT /Helv 10 Tf 1 0 0 1 72 700 Tm [(It was generally.) -120 (The idea)] TJ ET\n"
        "BT /Helv 10 Tf 1 0 0 1 72 680 Tm [(An unker) -50 (ned word)] TJ ET";
    pdf::Document& d = open({page});
    EXPECT_EQ("It was generally. The idea\nAn unkerned word", pdf::TextPage(d.page(1)).text());
}

// Regression: lines placed with "cm" and one text matrix, starting with the same glyph, lost
// two of four lines; a form painted twice lost its second painting.
TEST_F(TextPageTest, TextThatStartsAlikeOrIsPaintedTwiceIsAllRead) {
    pdfbuild::PageSpec page;
    const char* lines[] = {"Hello world", "Happy day", "Goodbye", "Great news"};
    for (int i = 0; i < 4; ++i) {
        page.rawContent += "q 1 0 0 1 0 " + std::to_string(-20 * i) +
                           " cm BT /Helv 12 Tf 1 0 0 1 72 700 Tm (" + lines[i] + ") Tj ET Q\n";
    }
    page.forms = {{"Fm1", "BT /Helv 12 Tf 1 0 0 1 72 500 Tm (Order QX-1) Tj ET"}};
    page.rawContent += "q /Fm1 Do Q q 1 0 0 1 0 -40 cm /Fm1 Do Q";
    pdf::Document& d = open({page});
    EXPECT_EQ("Hello world\nHappy day\nGoodbye\nGreat news\nOrder QX-1\nOrder QX-1",
              pdf::TextPage(d.page(1)).text());
}

// The page image shows a filled-in field over the page; its value is part of the page's text.
TEST_F(TextPageTest, FieldValuesShownOnThePageAreText) {
    pdfbuild::DocumentSpec doc;
    std::string helv = pdfbuild::addHelveticaObject(doc);
    doc.objects.push_back(
        {"<< /Type /XObject /Subtype /Form /BBox [0 0 100 20] /Resources "
         "<< /Font << /Helv " +
             helv + " >> >> >>",
         "BT /Helv 10 Tf 2 5 Td (Jane Doe) Tj ET"});
    pdfbuild::PageSpec page;
    page.texts = {run(72, 700, "Name:")};
    page.rawAnnotations = {
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /Rect [120 692 220 712] "
        "/AP << /N @1 >> >>"};
    doc.pages.push_back(page);
    pdfbuild::writePdf(doc, dir.file("field.pdf"));
    pdf::Document d(dir.file("field.pdf"));
    EXPECT_EQ("Name: Jane Doe", pdf::TextPage(d.page(1)).text());
}

}  // namespace
