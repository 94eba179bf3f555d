// Web and e-mail addresses as "recognizelinks" links them with the publisher's expressions
// (scripts/publish.sh), on PDFs built from code: an address broken at a line end gives one
// link per line piece, each with the whole address as url and text; prose keeps its line
// ends; an address outside ASCII goes into the url percent-encoded (UTF-8) while the text
// keeps the ASCII form with "?".
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "recognition/PublisherExpressions.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// Helvetica's published ascent, which the rectangles' tops use.
constexpr double kAscent = 0.718;
constexpr double kSize = 12;
constexpr double kPitch = 14;

double width(const std::string& text) {
    return pdfbuild::textWidth(pdfbuild::textRun(0, 0, text, kSize));
}

std::string attribute(const std::string& link, const std::string& name) {
    std::smatch m;
    return std::regex_search(link, m, std::regex(" " + name + "=\"([^\"]*)\"")) ? m[1].str()
                                                                                : "<none>";
}

struct Recognised {
    std::string loc, url, text;
    bool operator==(const Recognised& o) const {
        return loc == o.loc && url == o.url && text == o.text;
    }
};

void PrintTo(const Recognised& r, std::ostream* os) {
    *os << "{" << r.loc << ", " << r.url << ", " << r.text << "}";
}

class AddressLinks : public ::testing::Test {
  protected:
    // Recognises the publisher's addresses in the document; the links of each page.
    std::vector<std::vector<Recognised>> recognise(const pdfbuild::DocumentSpec& doc) {
        std::string pdf = dir.file("in.pdf");
        pdfbuild::writePdf(doc, pdf);
        publishPageRecords(dir, pdf);
        RunResult result = runJob(dir, linksJob(dir, pdf, publisherAddressExpressions()));
        EXPECT_EQ(0, result.status) << result.out;
        std::vector<std::vector<Recognised>> pages;
        for (size_t p = 1; p <= doc.pages.size(); ++p) {
            pages.emplace_back();
            for (const std::string& link :
                 linksOf(readFile(dir.file("Page_" + std::to_string(p) + ".xml"))))
                pages.back().push_back(
                    {attribute(link, "loc"), attribute(link, "url"), attribute(link, "text")});
        }
        return pages;
    }
    TempDir dir;
};

// Where a line piece of a match lies, for lines set at (72, 700 - 14 i) in one run each: from
// the origin of its first glyph to half a font size past its last glyph's origin (the piece
// is a part of its line's text element), from the element's top to the baseline.
std::string pieceLoc(int line, const std::string& before, const std::string& upToLast) {
    const double baseline = 792 - (700 - kPitch * line);
    const double top = baseline - kAscent * kSize;
    const double x = 72 + width(before);
    return loc(x, top, 72 + width(upToLast) + kSize / 2 - x, baseline - top);
}

// Breaks after a dot, after a slash, after the address's own hyphen, right after "https://"
// and after an e-mail's "@", and the break mark after a slash: one link on each line piece,
// both with the whole address. Then prose: a sentence ending in an address before a
// capitalised line and an address before a plain word stay apart, as does a hyphenated word
// beside an address.
TEST_F(AddressLinks, AddressBrokenAtALineEndIsLinkedWholeOnEveryPiece) {
    struct Case {
        std::string line1, line2;
        std::string before1, upToLast1, upToLast2;  // where the pieces start and end
        std::string url, text;
    };
    const std::vector<Case> cases = {
        {"see https://wiki.example.", "org/Maintainers for details", "see ",
         "see https://wiki.example", "org/Maintainer", "https://wiki.example.org/Maintainers",
         "https://wiki.example.org/Maintainers"},
        {"at https://example.com/docs/", "install.html today", "at ", "at https://example.com/docs",
         "install.htm", "https://example.com/docs/install.html",
         "https://example.com/docs/install.html"},
        {"read https://example.com/create-app-password-", "mail/ first", "read ",
         "read https://example.com/create-app-password", "mail",
         "https://example.com/create-app-password-mail/",
         "https://example.com/create-app-password-mail/"},
        {"found at https://", "www.example.org by searching", "found at ", "found at https:/",
         "www.example.or", "https://www.example.org", "https://www.example.org"},
        {"write to team@", "example.org now", "write to ", "write to team", "example.or",
         "mailto:team@example.org", "team@example.org"},
        {"code at https://gitlab.com/-", "group/project/ here", "code at ",
         "code at https://gitlab.com", "group/project", "https://gitlab.com/group/project/",
         "https://gitlab.com/group/project/"},
    };
    pdfbuild::DocumentSpec doc;
    for (const Case& c : cases) {
        pdfbuild::PageSpec page;
        page.texts = {pdfbuild::textRun(72, 700, c.line1, kSize),
                      pdfbuild::textRun(72, 700 - kPitch, c.line2, kSize)};
        doc.pages.push_back(page);
    }
    // Prose beside addresses.
    pdfbuild::PageSpec prose;
    const std::vector<std::string> lines = {"Visit https://example.org/help.",
                                            "The next line",
                                            "see https://example.org/",
                                            "for details",
                                            "a well-known hyphen-",
                                            "ated word by info@example.com",
                                            "Tomorrow we meet"};
    for (size_t i = 0; i < lines.size(); ++i)
        prose.texts.push_back(pdfbuild::textRun(72, 700 - kPitch * i, lines[i], kSize));
    doc.pages.push_back(prose);

    std::vector<std::vector<Recognised>> pages = recognise(doc);
    for (size_t p = 0; p < cases.size(); ++p) {
        const Case& c = cases[p];
        EXPECT_EQ((std::vector<Recognised>{{pieceLoc(0, c.before1, c.upToLast1), c.url, c.text},
                                           {pieceLoc(1, "", c.upToLast2), c.url, c.text}}),
                  pages[p])
            << c.line1 << " / " << c.line2;
    }
    EXPECT_EQ(
        (std::vector<Recognised>{{pieceLoc(0, "Visit ", "Visit https://example.org/hel"),
                                  "https://example.org/help", "https://example.org/help"},
                                 {pieceLoc(2, "see ", "see https://example.org"),
                                  "https://example.org/", "https://example.org/"},
                                 {pieceLoc(5, "ated word by ", "ated word by info@example.co"),
                                  "mailto:info@example.com", "info@example.com"}}),
        pages.back());
}

// An Arabic article's address (the Latin part in Helvetica's widths, then the Arabic letters
// in the order they are read): the url carries the article's name percent-encoded as UTF-8,
// the text "?" for each Arabic letter as link texts always had.
TEST_F(AddressLinks, AddressOutsideAsciiIsPercentEncodedInTheUrlOnly) {
    pdfbuild::DocumentSpec doc;
    const std::string latin = "see http://ar.example.org/wiki/";
    // أوبن_تايب: alef with hamza, waw, beh, noon, low line, teh, alef, yeh, beh.
    const std::vector<std::string> arabic = {"\u0623", "\u0648", "\u0628", "\u0646", "_",
                                             "\u062A", "\u0627", "\u064A", "\u0628"};
    std::vector<pdfbuild::CidGlyph> glyphs;
    std::vector<int> latinCids, arabicCids;
    for (char c : latin) {
        glyphs.push_back({static_cast<int>(glyphs.size()) + 1, std::string(1, c),
                          static_cast<int>(width(std::string(1, c)) / kSize * 1000)});
        latinCids.push_back(glyphs.back().cid);
    }
    for (const std::string& a : arabic) {
        glyphs.push_back({static_cast<int>(glyphs.size()) + 1, a, 500});
        arabicCids.push_back(glyphs.back().cid);
    }
    std::string font = pdfbuild::addHorizontalFont(doc, glyphs);
    auto hex = [](int cid) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", cid);
        return std::string(code);
    };
    std::string shown = "<";
    for (int cid : latinCids) shown += hex(cid);
    for (int cid : arabicCids) shown += hex(cid);
    shown += ">";
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "F1", font}};
    page.rawContent = "BT /F1 12 Tf 1 0 0 1 72 700 Tm " + shown + " Tj ET";
    doc.pages.push_back(page);

    std::vector<std::vector<Recognised>> pages = recognise(doc);
    ASSERT_EQ(1u, pages[0].size());
    EXPECT_EQ("http://ar.example.org/wiki/%D8%A3%D9%88%D8%A8%D9%86_%D8%AA%D8%A7%D9%8A%D8%A8",
              pages[0][0].url);
    EXPECT_EQ("http://ar.example.org/wiki/????_????", pages[0][0].text);
}

}  // namespace
