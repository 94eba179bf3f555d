// Web and e-mail addresses as "recognizelinks" links them with the publisher's expressions
// (scripts/publish.sh), on PDFs built from code: an address broken at a line end gives one
// link per line piece, each with the whole address as url and text; prose keeps its line
// ends; an address outside ASCII goes into the url percent-encoded (UTF-8) while the text
// keeps the ASCII form with "?".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf/builder/PdfBuilder.h"
#include "pdf/builder/RawFonts.h"
#include "recognition/PublisherExpressions.h"
#include "support/Pattern.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"
#include "text/TextEncoding.h"

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
    Match m = Pattern(" " + name + "=\"([^\"]*)\"").search(link);
    return m ? m.str(1) : "<none>";
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
// the origin of its first glyph to the end of its last glyph's advance (the glyph after
// upToLast in lineText), from the element's top to the baseline.
std::string pieceLoc(int line, const std::string& before, const std::string& upToLast,
                     const std::string& lineText) {
    const double baseline = 792 - (700 - kPitch * line);
    const double top = baseline - kAscent * kSize;
    const double x = 72 + width(before);
    return loc(x, top, 72 + width(lineText.substr(0, upToLast.size() + 1)) - x, baseline - top);
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
        EXPECT_EQ(
            (std::vector<Recognised>{{pieceLoc(0, c.before1, c.upToLast1, c.line1), c.url, c.text},
                                     {pieceLoc(1, "", c.upToLast2, c.line2), c.url, c.text}}),
            pages[p])
            << c.line1 << " / " << c.line2;
    }
    EXPECT_EQ((std::vector<Recognised>{
                  {pieceLoc(0, "Visit ", "Visit https://example.org/hel", lines[0]),
                   "https://example.org/help", "https://example.org/help"},
                  {pieceLoc(2, "see ", "see https://example.org", lines[2]), "https://example.org/",
                   "https://example.org/"},
                  {pieceLoc(5, "ated word by ", "ated word by info@example.co", lines[5]),
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

namespace {

// Pages set in two fonts of equal pitch (every glyph half an em: 6 pt at 12 pt), a body font
// and a font of its own for addresses, so that what fits on a line is known. In a page's
// lines, "{a}" switches to the address font, "{b}" back to the body font, "{^}" sets a raised
// footnote mark (8 pt, 4 pt up) until the next switch, and a tab moves to a table's second
// column, 30 glyphs on.
struct FontPage {
    std::vector<std::string> lines;
    std::vector<std::string> urls;  // every link, one per line piece, in page order
};

std::u32string utf32(const std::string& utf8) {
    const std::wstring wide = utf8ToWide(utf8);
    return std::u32string(wide.begin(), wide.end());
}

pdfbuild::DocumentSpec fontPages(const std::vector<FontPage>& pages) {
    std::vector<char32_t> codes;  // CID k + 1 shows codes[k]
    for (const FontPage& page : pages)
        for (const std::string& line : page.lines)
            for (char32_t c : utf32(line))
                if (std::find(codes.begin(), codes.end(), c) == codes.end()) codes.push_back(c);
    std::vector<pdfbuild::CidGlyph> glyphs;
    for (std::size_t k = 0; k < codes.size(); ++k) {
        std::string text;
        appendUtf8(text, codes[k]);
        glyphs.push_back({static_cast<int>(k) + 1, text, 500});
    }
    pdfbuild::DocumentSpec doc;
    const std::string body = pdfbuild::addHorizontalFont(doc, glyphs);
    const std::string own = pdfbuild::addHorizontalFont(doc, glyphs);
    for (const FontPage& spec : pages) {
        pdfbuild::PageSpec page;
        page.resources = {{"Font", "B", body}, {"Font", "A", own}};
        for (std::size_t i = 0; i < spec.lines.size(); ++i) {
            const double y = 700 - kPitch * static_cast<double>(i);
            std::string shown = "BT /B 12 Tf 72 " + std::to_string(y) + " Td <";
            const std::u32string line = utf32(spec.lines[i]);
            for (std::size_t k = 0; k < line.size(); ++k) {
                auto at = [&](const char* s) { return line.compare(k, 3, utf32(s)) == 0; };
                if (at("{a}") || at("{b}") || at("{^}")) {
                    shown += std::string("> Tj ") +
                             (at("{a}")   ? "/A 12 Tf 0 Ts"
                              : at("{b}") ? "/B 12 Tf 0 Ts"
                                          : "/B 8 Tf 4 Ts") +
                             " <";
                    k += 2;
                } else if (line[k] == '\t') {
                    shown += "> Tj ET BT /B 12 Tf 252 " + std::to_string(y) + " Td <";
                } else {
                    char hex[8];
                    auto cid = std::find(codes.begin(), codes.end(), line[k]) - codes.begin() + 1;
                    std::snprintf(hex, sizeof hex, "%04X", static_cast<int>(cid));
                    shown += hex;
                }
            }
            page.rawContent += shown + "> Tj ET\n";
        }
        doc.pages.push_back(page);
    }
    return doc;
}

// Where an address ends, from what lies around it: a table cell's next line goes on with the
// cell's address and a next row never does; an address set in a font of its own goes on in
// that font; a list item's address with room to spare after it ends there (after a host's
// last label and its full stop too), and a host's full stop before a capital ends it; an
// address in brackets goes on with the word that closes them; a raised footnote mark is no
// part of it; non-breaking hyphens are the address's "-", a typesetter's hyphen is not; text
// without spaces (Chinese, Japanese, Korean) and full-width punctuation end it; a parenthesis
// closes it unless it holds the opening one.
TEST_F(AddressLinks, AddressEndsWhereItsCellFontRoomMarkOrScriptSaysSo) {
    const std::vector<FontPage> pages = {
        {{"Name\tLocation", "Mailing list\thttps://lists.example.net/", "\tmailman/listinfo/users",
          "Source code\thttps://svn.example.org/code/trunk/", "\tdoc/",
          "Debugger\ttools/debugger/README",
          "Project pages\thttps://www.example.com/projects/abc5/",
          "xyzdrv/newdb\tthe new database driver"},
         {"https://lists.example.net/mailman/listinfo/users",
          "https://lists.example.net/mailman/listinfo/users",
          "https://svn.example.org/code/trunk/doc/", "https://svn.example.org/code/trunk/doc/",
          "https://www.example.com/projects/abc5/"}},
        {{"The project keeps every note of its work in the wiki, at "
          "{a}https://wiki.example.org/wiki/",
          "{a}Reproducibility{b} and everybody may edit them there as they see fit to do so."},
         {"https://wiki.example.org/wiki/Reproducibility",
          "https://wiki.example.org/wiki/Reproducibility"}},
        {{"The programs of this book come from many places, and each has its own home page:",
          "* Tool one: http://tool.example.net.",
          "othertool is another program that does other things well enough for most of us.",
          "* Symbols: http://www.example.org/",
          "symbols/symbolsX.txt lists all the symbols used in this book and what they mean."},
         {"http://tool.example.net", "http://www.example.org/"}},
        {{"Subscribe at https://lists.example.org/mailman/list-user{^}2{b} to get the news."},
         {"https://lists.example.org/mailman/list-user"}},
        {{"See https://images\u2011search.example.org/ for the pictures and write to project\u2011",
          "boot@lists.example.org with any questions."},
         {"https://images-search.example.org/", "mailto:project-boot@lists.example.org",
          "mailto:project-boot@lists.example.org"}},
        {{"\u955c\u50cf\u5217\u8868\u5728https://mirror.example.cn/mirror/list\u3002\u4e0b",
          "\uc704\ud0a4 https://wiki.example.kr/amd64/\uc5d0\uc788\ub294 \ud30c\uc77c",
          "\u53c2\u89c1https://ja.example.org/wiki/\u3002Next\uff09"},
         {"https://mirror.example.cn/mirror/list", "https://wiki.example.kr/amd64/",
          "https://ja.example.org/wiki/"}},
        {{"We take reports in Freedesktop.org's tracker [https://bugs.freedesk-",
          "top.org/] and the well-known list at https://lists.example.org/well-",
          "known/ as well."},
         {"https://bugs.freedesktop.org/", "https://bugs.freedesktop.org/",
          "https://lists.example.org/well-known/", "https://lists.example.org/well-known/"}},
        {{"(see https://en.wikipedia.org/wiki/Foo_(bar)) and (https://example.org/x)."},
         {"https://en.wikipedia.org/wiki/Foo_(bar)", "https://example.org/x"}},
        {{"Homepages: http://www.example.ch/people/rufibach.html,http://www.example.ch/duembgen,",
          "www.example.org/a,www.example.net/b and https://example.org/?q=a,b too."},
         {"http://www.example.ch/people/rufibach.html", "http://www.example.ch/duembgen",
          "https://example.org/?q=a,b", "http://www.example.org/a", "http://www.example.net/b"}},
        {{"The tables of all the years are kept by the office at https://www.example.gov/cgi-bin/",
          "   tsp?docNumber=4&fileType=pdf for each year."},
         {"https://www.example.gov/cgi-bin/tsp?docNumber=4&fileType=pdf",
          "https://www.example.gov/cgi-bin/tsp?docNumber=4&fileType=pdf"}},
        {{"The start-up code of the C library is in the file "
          "{a}http://src.example.org/lib/crtstart.",
          "{a}asm){b} and it is short."},
         {"http://src.example.org/lib/crtstart.asm", "http://src.example.org/lib/crtstart.asm"}},
        {{"The key is imported as the help pages say, at https://help.example.net/YourAccount/",
          "ImportingYourPGPKey for the details.",
          "The paper is in the library of the association at http://dl.example.org/c.cfm?id=203.",
          "2032319 and at http://doc.example.com/qregexp.html#details\u2014this is the place.",
          "The machine-readable format of all the copyright files is set out at (http://dep.de",
          "bian.net/deps/dep5/) in full.",
          "The characters are listed by the consortium at http://unicode.org/versions/Unicode6.0.0",
          "http://ar.example.org/wiki/Fonts is the next one.",
          "A secure address begins with a scheme, as every address of the web does: https://",
          "The rest names the host."},
         {"https://help.example.net/YourAccount/ImportingYourPGPKey",
          "https://help.example.net/YourAccount/ImportingYourPGPKey",
          "http://dl.example.org/c.cfm?id=203.2032319",
          "http://dl.example.org/c.cfm?id=203.2032319",
          "http://doc.example.com/qregexp.html#details", "http://dep.debian.net/deps/dep5/",
          "http://dep.debian.net/deps/dep5/", "http://unicode.org/versions/Unicode6.0.0",
          "http://ar.example.org/wiki/Fonts"}},
        {{"Many people have written about keeping notebooks under version control, and some",
          "of the more careful accounts are kept at https://example.org/blog/",
          "ipython-notebooks-and-git.html, which also says how to strip the outputs first.",
          "Others keep the outputs and let version control store them just as they are."},
         {"https://example.org/blog/ipython-notebooks-and-git.html",
          "https://example.org/blog/ipython-notebooks-and-git.html"}},
        {{"[Bea]\tZach Beane. Quicklisp. http://www.quicklisp.org/. Accessed 2012.",
          "[Lea98]\tDoug Lea. Overview of util.concurrent release 1.3.4.",
          "\thttp://gee.example.edu/dl/concurrent/intro.html, 1998.",
          "[Masonry-Handlers-Java-2000]  Brian Maso. Java protocol handlers. "
          "http://docs.example.us/",
          "\tjava-protocol-handler.html, August 2000. Last accessed 2016.",
          "[Mic05]\tSun. Nio. https://docs.example.com/javase/8/api/nio/",
          "\tpackage-summary.html, 2005. Last accessed April 30, 2022."},
         {"http://www.quicklisp.org/", "http://gee.example.edu/dl/concurrent/intro.html",
          "http://docs.example.us/java-protocol-handler.html",
          "http://docs.example.us/java-protocol-handler.html",
          "https://docs.example.com/javase/8/api/nio/package-summary.html",
          "https://docs.example.com/javase/8/api/nio/package-summary.html"}},
        {{"The library is free software and it comes with its sources and a manual.",
          "Download the library from {a}https://sourceforge.example.net/projects/lib/files/.",
          "{a}Unzip{b} the archive with the usual tools and read the manual first.",
          "Then build the library as the manual says, and install it as root."},
         {"https://sourceforge.example.net/projects/lib/files/"}},
        {{"If you should be on this list of helpers, then please write to <project-",
          "devel@lists.example.org>. Do not be shy, we would like the list complete."},
         {"mailto:project-devel@lists.example.org", "mailto:project-devel@lists.example.org"}},
        {{"The model is coded as the technical report says, and the report is",
          "available at http://models.example.net/external-documents/ekv_v262.pdf.",
          "11.2.13 The next model",
          "The next model is a compact one, made for digital and analog design."},
         {"http://models.example.net/external-documents/ekv_v262.pdf"}},
        // A colon in a path before a list, and a next line in another size (a note; a
        // heading), end the address.
        {{"The files of the example can also be downloaded from http://ssw.example.at/Coco/:",
          "Taste.ATG the attributed grammar",
          "It is a part of the mesh software www.freefem.org/ff++",
          "{^}1 Outline of the commands of the mesh generator"},
         {"http://ssw.example.at/Coco/", "http://www.freefem.org/ff++"}},
        // A host's full stop over a section's number, in lines of like length.
        {{"The configuration tool this guide describes is kept at "
          "https://www.cfengine.example.com.",
          "5.10 The next version of the tool is described in the chapter after this one, so read "
          "on.",
          "It holds all that is needed to set up the machines of a network, one by one, from a "
          "host.",
          "The last chapter of the guide lists the options of every command the tool has, in "
          "order."},
         {"https://www.cfengine.example.com"}},
        // An e-mail address over a heading's number, in lines of like length.
        {{"Questions on this part of the library go to its author, at lagrasse@enseirb-example.fr",
          "7.10.2 Function documentation of this part of the library follows in the next lines.",
          "The functions are listed in the order of their names, with arguments and results..",
          "The return values of all of these functions are listed at the end of this chapter.."},
         {"mailto:lagrasse@enseirb-example.fr"}},
        // Hyphens of a typesetter that breaks addresses like words, whose words the document
        // writes whole on another page.
        {{"The solver is built from the sources at https://www.example.org/soft-",
          "ware/glpk/ and packages are at http://rpm.example.de/nav.php?cat=%2FUtili-",
          "ties%2Fxml/ for those who build it themselves."},
         {"https://www.example.org/software/glpk/", "https://www.example.org/software/glpk/",
          "http://rpm.example.de/nav.php?cat=%2FUtilities%2Fxml/",
          "http://rpm.example.de/nav.php?cat=%2FUtilities%2Fxml/"}},
        {{"The utilities of the project are listed in the next chapter."}, {}},
        // A host's full stop over a bibliography's next entry; a bracket that the next line
        // closes after a line with room, under an address too long for the column.
        {{"Guennebaud G, Jacob B et al. (2012). Eigen v3. URL https://eigen.tuxfamily.example.org.",
          "ISO/IEC (2011). C++ 2011 Standard Document 14882:2011. ISO/IEC Standard Group, Geneva",
          "Knuth DE (1984). The TeXbook. Addison-Wesley, Reading, Massachusetts, a classic text.",
          "Lamport L (1994). LaTeX: A Document Preparation System. Addison-Wesley, Reading, MA."},
         {"https://eigen.tuxfamily.example.org"}},
        {{"See http://www.unicode.example.org/Public/4.0-Update/UnicodeData-4.0.0.txt",
          "(http://www.unicode.example.org/Public/4.0-Update/",
          "UnicodeData-4.0.0.txt) for the rest."},
         {"http://www.unicode.example.org/Public/4.0-Update/UnicodeData-4.0.0.txt",
          "http://www.unicode.example.org/Public/4.0-Update/UnicodeData-4.0.0.txt",
          "http://www.unicode.example.org/Public/4.0-Update/UnicodeData-4.0.0.txt"}},
        // The soft hyphen that some fonts print for "-", mid-line and at a line end.
        {{"Download the installer from http://www.emma\u00ADsoft.com/games/amoebax/ and run it.",
          "Or get the disk image from http://www.emma\u00AD",
          "soft.com/games/amoebax/. When it is downloaded, open it."},
         {"http://www.emma-soft.com/games/amoebax/", "http://www.emma-soft.com/games/amoebax/",
          "http://www.emma-soft.com/games/amoebax/"}},
        // A path broken inside a name where the line is full, over a piece no prose has
        // (once under a hanging indent); TeX's accent for the tilde starting the next line.
        {{"The paper is online at http://journals.example.org/content/early/2015/03/28/bioinforma",
          "tics.btv184.abstract?keytype=ref and the data at http://data.example.org/eop/5Rgv/do",
          "   cument/tx14iers.0z9/eopc04_08.62-now for every year.",
          "[44] F. Pellegrini. The user's guide of the library. Available from "
          "http://www.labri.fr/",
          "\u02DCpelegrin/scotch/."},
         {"http://journals.example.org/content/early/2015/03/28/bioinformatics.btv184.abstract?"
          "keytype=ref",
          "http://journals.example.org/content/early/2015/03/28/bioinformatics.btv184.abstract?"
          "keytype=ref",
          "http://data.example.org/eop/5Rgv/document/tx14iers.0z9/eopc04_08.62-now",
          "http://data.example.org/eop/5Rgv/document/tx14iers.0z9/eopc04_08.62-now",
          "http://www.labri.fr/~pelegrin/scotch/", "http://www.labri.fr/~pelegrin/scotch/"}},
        {{"The runner of the jobs is at https://github.example.com/bjpop/rubra/blob/cluster_job.py",
          "2.16 Running the jobs on a cluster"},
         {"https://github.example.com/bjpop/rubra/blob/cluster_job.py"}},
        {{"See the draft at http://www.w3.example.org/TR/2004/WD-xsl11-20041216/#border",
          "Namepunct.honorific - Punctuation after an honorific in a name."},
         {"http://www.w3.example.org/TR/2004/WD-xsl11-20041216/#border"}},
        {{"% This file is part of the package at "
          "https://github.example.com/gucci/lua-widow-control",
          "% SPDX-License-Identifier: MPL-2.0+"},
         {"https://github.example.com/gucci/lua-widow-control"}},
        // A web archive's address before the one it archived, whole or broken in its host;
        // a query's key before its value, an e-mail address.
        {{"The pictures were posted by their author at https://web.archive.org/web/20201130113133/",
          "http://www.example.fr/asymptote. The format of its files is described at https://web.",
          "archive.org/web/20081204104459/http://docs.example.com/prc/ in full, and the team's",
          "packages are listed at https://qa.example.org/developer.php?login=",
          "team-maintainers@lists.example.org, by name."},
         {"https://web.archive.org/web/20201130113133/http://www.example.fr/asymptote",
          "https://web.archive.org/web/20201130113133/http://www.example.fr/asymptote",
          "https://web.archive.org/web/20081204104459/http://docs.example.com/prc/",
          "https://web.archive.org/web/20081204104459/http://docs.example.com/prc/",
          "https://qa.example.org/developer.php?login=team-maintainers@lists.example.org",
          "https://qa.example.org/developer.php?login=team-maintainers@lists.example.org"}},
        // References whose addresses a word processor breaks where the cell is full, its next
        // line indented a little: inside a name, over a piece starting with "_" or holding "%".
        {{"[9] Service\tThe service description, http://sk.example.ee/upload/files/spec.pdf",
          "[10] X.509 V3\tETSI TS 102 280 (V1.1.1) - X.509 V3 Certificate Profile for",
          "\thttp://www.etsi.example.org/deliver/etsi_ts/102200_102299/01.01.01",
          "\t   _60/ts_102280v010101p.pdf",
          "[12] Institution\tProfile of institution certificates and revocation lists,",
          "\thttps://sk.example.ee/upload/files/SK_Profile%20of%20institution%20certific",
          "\t   ates%20and%20Revocation%20List.pdf",
          "[13] Libraries\thttp://id.example.ee/index.php?id=30486"},
         {"http://sk.example.ee/upload/files/spec.pdf",
          "http://www.etsi.example.org/deliver/etsi_ts/102200_102299/01.01.01_60/"
          "ts_102280v010101p.pdf",
          "http://www.etsi.example.org/deliver/etsi_ts/102200_102299/01.01.01_60/"
          "ts_102280v010101p.pdf",
          "https://sk.example.ee/upload/files/"
          "SK_Profile%20of%20institution%20certificates%20and%20Revocation%20List.pdf",
          "https://sk.example.ee/upload/files/"
          "SK_Profile%20of%20institution%20certificates%20and%20Revocation%20List.pdf",
          "http://id.example.ee/index.php?id=30486"}},
        // DocBook's addresses in brackets after their link's text: the bracket closes on the
        // next line; a sign set right after it is none of the address.
        {{"The fastest way for most people to build it is to open the project from the Qt",
          "Creator [https://www.example.io/development-tools/and-more/of-them/for-all/",
          "development-tools] which handles the build dependencies and everything else.",
          "Serial download protocol for the XAiOX iTrackU BLUETOOTH GPS-RECEIVER [http://",
          "www.example.com/itracku_sirf3.htm]\u2122 data logger, and its other formats too."},
         {"https://www.example.io/development-tools/and-more/of-them/for-all/development-tools",
          "https://www.example.io/development-tools/and-more/of-them/for-all/development-tools",
          "http://www.example.com/itracku_sirf3.htm", "http://www.example.com/itracku_sirf3.htm"}},
        // A key before an address, parted from it by a justified line's space, with the
        // address's next line under the key.
        {{"The adapters that are known to work with the program are listed here with links:",
          "Link:\thttp://www.example.com/~rlink-debugger-programmer__",
          "microcontrollers__tool~tool__T018:4cn9ziz4bnx6.html",
          "Link:\thttps://software.example.com/ccs/esd/documents/xdsdebugprobes/",
          "emu_xds_software_package_download.html#xds110-support-utilities",
          "The next adapter is described in the chapter after this one, with its own link."},
         {"http://www.example.com/~rlink-debugger-programmer__microcontrollers__tool~tool__"
          "T018:4cn9ziz4bnx6.html",
          "http://www.example.com/~rlink-debugger-programmer__microcontrollers__tool~tool__"
          "T018:4cn9ziz4bnx6.html",
          "https://software.example.com/ccs/esd/documents/xdsdebugprobes/"
          "emu_xds_software_package_download.html#xds110-support-utilities",
          "https://software.example.com/ccs/esd/documents/xdsdebugprobes/"
          "emu_xds_software_package_download.html#xds110-support-utilities"}},
        // A percent escape that starts the next line goes on with the address, whatever room
        // the line left.
        {{"The pages of the lexicon are all kept at the library of sources, page by page, as "
          "images.",
          "Page one is at http://en.example.org/wiki/Lexicon_%28Brown",
          "%29.djvu/25, where the last number is the page's number plus twenty-four, in order.",
          "The recorder is at "
          "http://jmeter.example.org/usermanual/component_reference.html#HTTP%28S",
          "%29_Test_Script_Recorder for those who want it."},
         {"http://en.example.org/wiki/Lexicon_%28Brown%29.djvu/25",
          "http://en.example.org/wiki/Lexicon_%28Brown%29.djvu/25",
          "http://jmeter.example.org/usermanual/component_reference.html#HTTP%28S%29_Test_Script_"
          "Recorder",
          "http://jmeter.example.org/usermanual/component_reference.html#HTTP%28S%29_Test_Script_"
          "Recorder"}},
        // A footnote's number set before its address with no space.
        {{"The proposal is written up in a shared document.",
          "1https://docs.example.com/document/d/1TFea6K/edit# and 2www.example.org/perf"},
         {"https://docs.example.com/document/d/1TFea6K/edit#", "http://www.example.org/perf"}},
        // An address in a display set all in its font: the font tells nothing.
        {{"The editor is free software, and it runs", "on every system that has a terminal. It",
          "has a home page, a place for its sources", "and a mailing list for its users, here:",
          "{a}Discuss ne at http://groups.example.com/group/niceeditor/",
          "{a}Github repo: https://github.example.com/vigna/ne/",
          "{b}Write to the list with questions."},
         {"http://groups.example.com/group/niceeditor/", "https://github.example.com/vigna/ne/"}},
        // A file's type after the line TeX broke short of its edge.
        {{"GNU adns is an advanced DNS client library, and its latest version can be down-",
          "loaded from http://www.example.org/~ian/adns/adns.tar.",
          "gz. Visit the site of the library for more about it."},
         {"http://www.example.org/~ian/adns/adns.tar.gz",
          "http://www.example.org/~ian/adns/adns.tar.gz"}},
        // A break mark, a small arrow where the typesetter broke the address (Doxygen's),
        // is left out.
        {{"GLEW comes as a package, and as its source from http://glew.{^}\u2190",
          "{b}sourceforge.net/ for the other platforms."},
         {"http://glew.sourceforge.net/", "http://glew.sourceforge.net/"}},
        // A path's last name alone before a sentence's full stop on a full line's next line, and
        // a wiki's namespace; a plain word before a full stop and more prose is no name.
        {{"Such new versions will be similar in spirit to the present version of this License, but",
          "may differ in detail to address new problems or concerns. See https://www.example.org/",
          "copyleft.",
          "The notes on the maps are kept in the wiki of the project, at https://wiki.example.org/"
          "wiki/",
          "Relation:multipolygon and at other places that the site lists for them, page by page.",
          "The same notes are also kept for those who cannot reach the wiki at "
          "https://example.org/",
          "anyway. Both are the same."},
         {"https://www.example.org/copyleft", "https://www.example.org/copyleft",
          "https://wiki.example.org/wiki/Relation:multipolygon",
          "https://wiki.example.org/wiki/Relation:multipolygon", "https://example.org/"}},
        // A bibliography's table of keys and entries, a link's key on a row of its own with its
        // address, whose next line starts under the key.
        {{"[Give54]\tW. Givens. Numerical computation of the values.",
          "\tTechnical Report ORNL-1574, Oak Ridge, 1954.",
          "[Gust16]\tJohn Gustafson. A radical approach to computation.",
          "Link:\thttp://www.example.net/presentations/", "Multicore2016-JLG.pdf",
          "[Hamm05]\tSven Hammarling. An Introduction to the Quality.", "\tSIAM, 2005."},
         {"http://www.example.net/presentations/Multicore2016-JLG.pdf",
          "http://www.example.net/presentations/Multicore2016-JLG.pdf"}},
        // 90 glyphs fit on a line: ".net." lies past the page's right edge.
        {{"Questions on the program go to the mailing list of all its users, emc-users@lists."
          "sourceforge.net.",
          "1. Download the image burner from http://infrarecorder.org/-",
          "2. Insert a blank disc in the drive and burn the image onto it."},
         {"http://infrarecorder.org/", "mailto:emc-users@lists.sourceforge.net"}},
    };
    std::vector<std::vector<Recognised>> found = recognise(fontPages(pages));
    for (std::size_t p = 0; p < pages.size(); ++p) {
        std::vector<std::string> urls;
        for (const Recognised& link : found[p]) urls.push_back(xmlUnescaped(link.url));
        EXPECT_EQ(pages[p].urls, urls) << pages[p].lines.front();
    }
}

// A document whose typesetter hyphenates its addresses like words (the pieces of three breaks
// are words it writes whole) has its hyphen left out where the words say nothing, but not in
// a number or between two words of the document; a document that shows no such typesetter
// keeps it.
TEST_F(AddressLinks, HyphenWithoutEvidenceFollowsHowTheDocumentBreaksItsAddresses) {
    const FontPage brokenLikeWords = {
        {"The main software reads every waypoint; the code is at sourceforge as it always was.",
         "The sources are at https://www.example.org/soft-",
         "ware/glpk/ and mirrored at https://source-",
         "forge.example.net/projects/gps/ for all. The format is at http://www.example.com/Way-",
         "point.html and the list of the others at http://www.example.com/gpx_re-",
         "sources.asp. Keyboard interrupts get lost: https://stack.example.com/q/1408356/keyboard-",
         "interrupts-with-pool says why, and http://sw.example.com/id/9001c8de-",
         "c19e-41a0/ex.pdf is a number.", "Name\tLicence",
         "common\tCC0 [http://cc.example.org/publicdo-", "\tmain/zero/1.0/]",
         "ovirt\tOPL [http://www.example.org/openpub/]",
         "redhat\tCC-BY-SA [http://cc.example.org/by-sa/]"},
        {"https://www.example.org/software/glpk/", "https://www.example.org/software/glpk/",
         "https://sourceforge.example.net/projects/gps/",
         "https://sourceforge.example.net/projects/gps/", "http://www.example.com/Waypoint.html",
         "http://www.example.com/Waypoint.html", "http://www.example.com/gpx_resources.asp",
         "http://www.example.com/gpx_resources.asp",
         "https://stack.example.com/q/1408356/keyboard-interrupts-with-pool",
         "https://stack.example.com/q/1408356/keyboard-interrupts-with-pool",
         "http://sw.example.com/id/9001c8de-c19e-41a0/ex.pdf",
         "http://sw.example.com/id/9001c8de-c19e-41a0/ex.pdf",
         "http://cc.example.org/publicdomain/zero/1.0/",
         "http://cc.example.org/publicdomain/zero/1.0/", "http://www.example.org/openpub/",
         "http://cc.example.org/by-sa/"}};
    const FontPage noEvidence = {
        {"The list of them is at http://www.example.com/gpx_re-", "sources.asp for all."},
        {"http://www.example.com/gpx_re-sources.asp", "http://www.example.com/gpx_re-sources.asp"}};
    for (const FontPage& page : {brokenLikeWords, noEvidence}) {
        std::vector<std::vector<Recognised>> found = recognise(fontPages({page}));
        std::vector<std::string> urls;
        for (const Recognised& link : found[0]) urls.push_back(xmlUnescaped(link.url));
        EXPECT_EQ(page.urls, urls) << page.lines.front();
    }
}

// An underscore drawn as a bar, as TeX draws \_ in fonts without one: a filled bar of .3 em
// on the baseline, or a stroked line, between ".../get" and "file" is part of the address,
// its text and its link. The same gap bridged by a visible space sign (a bar on two ticks)
// or by a piece of an underline that runs under the words beside it is no underscore.
TEST_F(AddressLinks, UnderscoreDrawnAsABarIsPartOfTheAddress) {
    const std::string left = "see http://example.org/get";
    const double kern = 0.06 * kSize, bar = 0.3 * kSize;
    const double x0 = 72 + width(left) + kern, x1 = x0 + bar;
    auto num = [](double v) { return std::to_string(v); };
    const std::string filled = num(x0) + " 700 " + num(bar) + " 0.4 re f";
    const std::string stroked = "0.4 w " + num(x0) + " 700.2 m " + num(x1) + " 700.2 l S";
    const std::string ticks = "0.4 w " + num(x0) + " 700 m " + num(x0) + " 701.5 l S " + num(x1) +
                              " 700 m " + num(x1) + " 701.5 l S";
    const double underStart = 72 + width("see ");
    const std::string underline = num(underStart) + " 698 " + num(x0 - underStart) + " 0.5 re f " +
                                  num(x0) + " 698 " + num(bar) + " 0.5 re f " + num(x1) + " 698 " +
                                  num(width("file")) + " 0.5 re f";
    struct Case {
        std::string drawn, url;
    };
    const std::vector<Case> cases = {
        {filled, "http://example.org/get_file"},
        {stroked, "http://example.org/get_file"},
        {filled + " " + ticks, "http://example.org/get"},
        {underline, "http://example.org/get"},
    };
    pdfbuild::DocumentSpec doc;
    for (const Case& c : cases) {
        pdfbuild::PageSpec page;
        page.texts = {pdfbuild::textRun(72, 700, left, kSize),
                      pdfbuild::textRun(x1 + kern, 700, "file now", kSize)};
        page.rawContent = c.drawn;
        doc.pages.push_back(page);
    }
    std::vector<std::vector<Recognised>> found = recognise(doc);
    for (size_t p = 0; p < cases.size(); ++p) {
        ASSERT_EQ(1u, found[p].size()) << cases[p].drawn;
        EXPECT_EQ(cases[p].url, found[p][0].url) << cases[p].drawn;
        EXPECT_EQ(cases[p].url, found[p][0].text) << cases[p].drawn;
        // The link runs from the address's first glyph to the end of its last one.
        const double end = cases[p].url.size() > 22 ? x1 + kern + width("file") : x0 - kern;
        const double top = 792 - 700 - kAscent * kSize;
        EXPECT_EQ(loc(underStart, top, end - underStart, 792 - 700 - top), found[p][0].loc)
            << cases[p].drawn;
    }
}

}  // namespace
