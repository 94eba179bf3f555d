// Tables in the page text, on PDFs built from code (10-point Helvetica):
// rows read left to right as one line each, where the tables stand among
// the text around them; independent columns still read one after another.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/text/TextPage.h"
#include "support/BuiltPageText.h"
#include "support/SpacedLeaderContents.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

pdfbuild::TextRun at(double x, double y, const std::string& text) {
    return pdfbuild::textRun(x, y, text, 10);
}

// Text ending at right.
pdfbuild::TextRun endingAt(double right, double y, const std::string& text) {
    return at(right - pdfbuild::textWidth(at(0, 0, text)), y, text);
}

class TableText : public BuiltPageText {};

// A price list between two paragraphs: a header row, four columns, prices
// right-aligned at x = 400, and a description that wraps onto a second line.
TEST_F(TableText, PriceListReadsRowByRowBetweenItsParagraphs) {
    pdfbuild::PageSpec page;
    page.texts = {at(72, 720, "Our prices for the coming season, valid from May, are these:"),
                  at(72, 696, "Article"),
                  at(130, 696, "Description"),
                  at(290, 696, "Unit"),
                  endingAt(400, 696, "Price"),
                  at(72, 682, "A-100"),
                  at(130, 682, "Steel bolt, zinc plated"),
                  at(290, 682, "box"),
                  endingAt(400, 682, "12.50"),
                  at(72, 668, "A-200"),
                  at(130, 668, "Hex nut for bolts of"),
                  at(290, 668, "box"),
                  endingAt(400, 668, "4.75"),
                  at(130, 656, "size M6 and M8"),
                  at(72, 642, "A-300"),
                  at(130, 642, "Washer"),
                  at(290, 642, "bag"),
                  endingAt(400, 642, "1.20"),
                  at(72, 618, "Orders of more than ten boxes are sent free of charge.")};
    EXPECT_EQ(linesOf(page),
              (std::vector<std::string>{
                  "Our prices for the coming season, valid from May, are these:",
                  "Article Description Unit Price", "A-100 Steel bolt, zinc plated box 12.50",
                  "A-200 Hex nut for bolts of size M6 and M8 box 4.75", "A-300 Washer bag 1.20",
                  "Orders of more than ten boxes are sent free of charge."}));
}

// Entries at x = 72 (sections indented), page numbers right-aligned at 540,
// with dot leaders or with a plain gap.
pdfbuild::PageSpec contentsPage(bool leaders, std::vector<std::string>& expected) {
    pdfbuild::PageSpec page;
    page.texts.push_back(at(72, 740, "Contents"));
    expected.push_back("Contents");
    struct Entry {
        double x;
        const char* title;
        const char* number;
    } entries[] = {{72, "1 Introduction", "1"},
                   {84, "1.1 Scope", "2"},
                   {84, "1.2 Terms", "4"},
                   {72, "2 Tables", "9"},
                   {84, "2.1 Rows and columns", "11"},
                   {72, "Index", "102"}};
    double y = 716;
    for (const Entry& e : entries) {
        std::string title = e.title;
        if (leaders) {
            while (e.x + pdfbuild::textWidth(at(0, 0, title + " .")) < 510) title += " .";
        }
        page.texts.push_back(at(e.x, y, title));
        page.texts.push_back(endingAt(540, y, e.number));
        expected.push_back(title + " " + e.number);
        y -= 14;
    }
    return page;
}

TEST_F(TableText, ContentsWithDotLeadersKeepNumbersOnTheirLines) {
    std::vector<std::string> expected;
    pdfbuild::PageSpec page = contentsPage(true, expected);
    EXPECT_EQ(linesOf(page), expected);
    EXPECT_EQ(expected[2].substr(0, 13), "1.1 Scope . .");
}

TEST_F(TableText, ContentsWithoutLeadersKeepNumbersOnTheirLines) {
    std::vector<std::string> expected;
    pdfbuild::PageSpec page = contentsPage(false, expected);
    EXPECT_EQ(linesOf(page), expected);
    EXPECT_EQ(expected[5], "2.1 Rows and columns 11");
}

TEST_F(TableText, SpacedLeaderDotsEndTheTableSearch) {
    std::vector<std::string> expected;
    pdfbuild::PageSpec page = spacedLeaderContents(expected);
    EXPECT_EQ(linesOf(page), expected);
    EXPECT_EQ(expected[1], "13.3 Moving Stored Data . . . . . . . . . . . . . 198");
}

// Two columns of running text whose lines share one grid of baselines:
// nothing in them is a table.
TEST_F(TableText, TwoColumnArticleStillReadsColumnByColumn) {
    const char* left[] = {"The first column of this article", "runs on in lines that go from",
                          "one to the next, and it ends", "here, at the foot of the page."};
    const char* right[] = {"The second column begins at the", "top again and goes on in the",
                           "same way as the first, down to", "its own end."};
    pdfbuild::PageSpec page;
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) {
        page.texts.push_back(at(72, 700 - 12 * i, left[i]));
        page.texts.push_back(at(320, 700 - 12 * i, right[i]));
    }
    for (const char* l : left) expected.push_back(l);
    for (const char* r : right) expected.push_back(r);
    EXPECT_EQ(linesOf(page), expected);
}

// A two-column article with a table in its right column: the left column
// reads whole, then the right one with the table's rows in their place.
TEST_F(TableText, TableInOneColumnStaysInThatColumn) {
    const char* left[] = {"The left column of the article", "runs down beside the table that",
                          "stands in the right column, and", "goes on below it in lines of",
                          "its own until it ends here."};
    pdfbuild::PageSpec page;
    std::vector<std::string> expected;
    for (int i = 0; i < 5; ++i) {
        page.texts.push_back(at(72, 700 - 12 * i, left[i]));
        expected.push_back(left[i]);
    }
    page.texts.push_back(at(320, 700, "Prices in the shop:"));
    expected.push_back("Prices in the shop:");
    const char* rows[][2] = {{"Tea", "3.20"}, {"Coffee", "4.10"}, {"Cake", "2.75"}};
    double y = 683;
    for (const auto& row : rows) {
        page.texts.push_back(at(320, y, row[0]));
        page.texts.push_back(endingAt(500, y, row[1]));
        expected.push_back(std::string(row[0]) + " " + row[1]);
        y -= 13;
    }
    page.texts.push_back(at(320, y - 5, "All served until six."));
    expected.push_back("All served until six.");
    EXPECT_EQ(linesOf(page), expected);
}

// Line numbers right-aligned in a margin column, code indented after them.
TEST_F(TableText, NumberedCodeListingKeepsEachNumberOnItsLine) {
    const char* code[][2] = {{"8", "int total(const int* a, int n) {"},
                             {"9", "    int sum = 0;"},
                             {"10", "    for (int i = 0; i < n; ++i) sum += a[i];"},
                             {"11", "    return sum;"},
                             {"12", "}"}};
    pdfbuild::PageSpec page;
    page.texts.push_back(at(72, 720, "Listing 1 adds up the numbers:"));
    std::vector<std::string> expected = {"Listing 1 adds up the numbers:"};
    double y = 700;
    for (const auto& row : code) {
        page.texts.push_back(endingAt(90, y, row[0]));
        std::string text = row[1];
        double indent = text[0] == ' ' ? 20 : 0;
        page.texts.push_back(at(104 + indent, y, text.substr(text.find_first_not_of(' '))));
        expected.push_back(std::string(row[0]) + " " + text.substr(text.find_first_not_of(' ')));
        y -= 12;
    }
    EXPECT_EQ(linesOf(page), expected);
}

// The same kind of table set along the long side of a page shown turned by
// /Rotate 90: rows run along user y, the next row lies at larger user x.
TEST_F(TableText, TableOnATurnedPageReadsRowByRow) {
    const char* rows[][3] = {{"Region", "Orders", "Returns"},
                             {"North", "1,204", "31"},
                             {"South", "987", "12"},
                             {"East", "1,530", "40"}};
    pdfbuild::PageSpec page;
    page.rotate = 90;
    std::vector<std::string> expected;
    double x = 100;
    for (const auto& row : rows) {
        // A cell starting `along` points up the page's user y.
        auto cell = [x](double along, const std::string& text) {
            pdfbuild::TextRun run = at(x, along, text);
            run.angle = 90;
            return run;
        };
        page.texts.push_back(cell(80, row[0]));
        page.texts.push_back(cell(260 - pdfbuild::textWidth(at(0, 0, row[1])), row[1]));
        page.texts.push_back(cell(360 - pdfbuild::textWidth(at(0, 0, row[2])), row[2]));
        expected.push_back(std::string(row[0]) + " " + row[1] + " " + row[2]);
        x += 14;
    }
    EXPECT_EQ(linesOf(page), expected);
}

// A watermark set across a table at an angle far from upright (a document's "DRAFT" stamp):
// a line of its own, read after the page's upright text, at 30 and at 45 degrees; not pieces
// that cut the table's rows apart.
TEST_F(TableText, WatermarkAcrossATableIsALineOfItsOwn) {
    for (double angle : {30.0, 45.0}) {
        pdfbuild::PageSpec page;
        page.texts = {at(72, 700, "Feature"),
                      at(200, 700, "Impact"),
                      at(72, 686, "Pkey policy"),
                      at(200, 686, "Tables of the subnet are not"),
                      at(200, 674, "configured."),
                      at(72, 660, "Trusted queries"),
                      at(200, 660, "Sources are not told apart"),
                      at(200, 648, "from others."),
                      at(72, 634, "Service keys"),
                      at(200, 634, "No way to manage access")};
        pdfbuild::TextRun stamp = pdfbuild::textRun(90, 600, "DRAFT COPY", 40);
        stamp.angle = angle;
        page.texts.push_back(stamp);
        EXPECT_EQ(linesOf(page),
                  (std::vector<std::string>{
                      "Feature Impact", "Pkey policy Tables of the subnet are not configured.",
                      "Trusted queries Sources are not told apart from others.",
                      "Service keys No way to manage access", "DRAFT COPY"}))
            << angle;
    }
}

// A table ruled only across, as a word processor draws it: every rule a thin four-point
// subpath of one filled path. Each band between two rules is a row, its key's lines too, and
// names set in a smaller type on baselines of their own.
TEST_F(TableText, TableRuledOnlyAcrossReadsBandByBand) {
    pdfbuild::PageSpec page;
    page.texts = {at(72, 700, "Item"),
                  at(160, 700, "Description"),
                  at(320, 700, "Option"),
                  at(72, 684, "Reject"),
                  at(160, 684, "Set the reject threshold of the"),
                  at(72, 672, "Threshold of"),
                  at(160, 672, "innovation. Larger ones are"),
                  at(72, 660, "GDOP"),
                  at(160, 660, "excluded."),
                  at(72, 642, "Number of"),
                  at(160, 642, "Set the number of iterations."),
                  at(72, 630, "Iterations"),
                  at(72, 612, "Sync"),
                  at(160, 612, "Set the mode of the solution.")};
    // Option names in a smaller fixed-pitch type, on baselines of their own; a name broken
    // after its own hyphen keeps it.
    page.resources = {{"Font", "Cour", "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>"}};
    std::string names;
    for (const auto& [y, name] : std::vector<std::pair<int, std::string>>{
             {684, "stats-"}, {675, "rejgdop,"}, {666, "rejionno"}, {642, "pos2-niter"}})
        names += "BT /Cour 9 Tf 320 " + std::to_string(y) + " Td (" + name + ") Tj ET ";
    std::string rules;
    for (double y : {694.0, 652.0, 622.0, 606.0})
        rules += "66 " + std::to_string(y) + " m 400 " + std::to_string(y) + " l 400 " +
                 std::to_string(y + 0.5) + " l 66 " + std::to_string(y + 0.5) + " l ";
    page.rawContent = rules + "f " + names;
    const std::vector<std::string> expected = {
        "Item Description Option",
        "Reject Threshold of GDOP Set the reject threshold of the innovation. Larger ones are "
        "excluded. stats-rejgdop, rejionno",
        "Number of Iterations Set the number of iterations. pos2-niter",
        "Sync Set the mode of the solution."};
    EXPECT_EQ(textLinesOf(page), expected);
    page.rawContent = names;
    EXPECT_NE(textLinesOf(page), expected) << "the same table without its rules";
}

}  // namespace

namespace {

// Tables whose cells wrap onto more lines, each given as its lines {y, {x, text}...}, and the
// page text expected: one line a row, each cell's lines joined with a space.
struct WrappedTable {
    std::vector<std::pair<double, std::vector<std::pair<double, std::string>>>> lines;
    std::vector<std::string> expected;
    std::string rules = {};         // what the page draws; without it, the rows read otherwise
    bool readWithoutRules = false;  // the rules part the columns, but the rows read alike
};

TEST_F(TableText, RowsWhoseCellsWrapReadAsOneLineEach) {
    const std::vector<WrappedTable> tables = {
        // A code list whose description and entity wrap in the same rows.
        {{{700, {{72, "Code"}, {130, "Description"}, {400, "Entity"}}},
          {686, {{72, "AB12"}, {130, "Codes for the identification of the"}, {400, "ISO"}}},
          {675, {{130, "representation of names of countries"}}},
          {661, {{72, "CD34"}, {130, "Data elements and interchange"}, {400, "ISO/IEC"}}},
          {650, {{130, "formats for information exchange"}}},
          {636, {{72, "GH78"}, {130, "Language codes of the world, with"}, {400, "Library of"}}},
          {625, {{130, "their alpha-3 forms and names"}, {400, "Congress"}}}},
         {"Code Description Entity",
          "AB12 Codes for the identification of the representation of names of countries ISO",
          "CD34 Data elements and interchange formats for information exchange ISO/IEC",
          "GH78 Language codes of the world, with their alpha-3 forms and names Library of "
          "Congress"}},
        // Titles in title case that wrap, in a table whose rows are spaced apart.
        {{{700, {{72, "Title"}, {260, "File"}}},
          {684, {{72, "Installation Guide for the"}, {260, "install/amd64/"}}},
          {673, {{72, "Debian Operating System"}, {260, "index.html"}}},
          {658, {{72, "Release Notes"}, {260, "release-notes.txt"}}},
          {643, {{72, "Frequently Asked Questions"}, {260, "doc/manuals/"}}},
          {632, {{72, "About the Project"}, {260, "faq.html"}}},
          {617, {{72, "Reference Card"}, {260, "refcard.pdf"}}}},
         {"Title File",
          "Installation Guide for the Debian Operating System install/amd64/ index.html",
          "Release Notes release-notes.txt",
          "Frequently Asked Questions About the Project doc/manuals/ faq.html",
          "Reference Card refcard.pdf"}},
        // Columns too close for the gutter search to part them, the last one's text wrapping.
        {{{700,
           {{160, "NSBS"}, {232, "Integer"}, {294, "32"}, {327, "No"}, {362, "The total number"}}},
          {688, {{362, "of super blocks."}}},
          {676, {{160, "NBS"}, {232, "Integer"}, {294, "36"}, {327, "No"}, {362, "The number of"}}},
          {664, {{362, "blocks."}}},
          {652,
           {{160, "CS"}, {232, "Integer"}, {294, "8"}, {327, "No"}, {362, "The colour space."}}}},
         {"NSBS Integer 32 No The total number of super blocks.",
          "NBS Integer 36 No The number of blocks.", "CS Integer 8 No The colour space."}},
        // No gutter after the key column (a long key comes near the type column): the type
        // wraps under a word of the key's line; a word broken by a hyphen in a cell.
        {{{700,
           {{160, "ACSCALE"},
            {218, "Integer"},
            {294, "16"},
            {327, "No"},
            {362, "An array holding"}}},
          {688, {{218, "array"}, {362, "the scales."}}},
          {676, {{160, "NSBS"}, {218, "Integer"}, {294, "32"}, {327, "No"}, {362, "The num-"}}},
          {664, {{362, "ber of blocks."}}},
          {652, {{160, "CS"}, {218, "Integer"}, {294, "8"}, {327, "No"}, {362, "The colours."}}},
          {640, {{160, "NBS"}, {218, "Integer"}, {294, "36"}, {327, "No"}, {362, "The blocks."}}},
          {628, {{160, "DCSCALE"}, {218, "Integer"}, {294, "16"}, {327, "No"}, {362, "The DC."}}},
          {616, {{218, "array"}}}},
         {"ACSCALE Integer array 16 No An array holding the scales.",
          "NSBS Integer 32 No The number of blocks.", "CS Integer 8 No The colours.",
          "NBS Integer 36 No The blocks.", "DCSCALE Integer array 16 No The DC."}},
        // A header read as two lines, and one row whose key and type are one line
        // ("SBFCODED    Integer"): each crosses a gutter the other rows leave free, one row
        // in nine (a tenth, rounded); the type wraps under the type's word.
        {{{700, {{107, "Name"}, {175, "Type     Size  Signed?   Description"}}},
          {688, {{107, "NBITS"}, {175, "Integer"}, {249, "36"}, {281, "No"}, {316, "The length."}}},
          {676, {{107, "BITS"}, {175, "Bits"}, {249, "1"}, {281, "No"}, {316, "The flags."}}},
          {664,
           {{107, "SBPCODED"},
            {175, "Integer"},
            {254, "1"},
            {281, "No"},
            {316, "An array holding"}}},
          {652, {{175, "Array"}, {316, "the flags."}}},
          {640, {{107, "SBFCODED    Integer"}, {254, "1"}, {281, "No"}, {316, "An array holding"}}},
          {628, {{175, "Array"}, {316, "the coded flags."}}},
          {616, {{107, "SBI"}, {175, "Integer"}, {249, "32"}, {281, "No"}, {316, "The index."}}},
          {604, {{107, "BI"}, {175, "Integer"}, {249, "36"}, {281, "No"}, {316, "The block."}}}},
         {"Name Type Size Signed? Description", "NBITS Integer 36 No The length.",
          "BITS Bits 1 No The flags.", "SBPCODED Integer Array 1 No An array holding the flags.",
          "SBFCODED Integer Array 1 No An array holding the coded flags.",
          "SBI Integer 32 No The index.", "BI Integer 36 No The block."}},
        // Ranges that wrap in number columns, a dash alone for no value.
        {{{700, {{72, "Code"}, {130, "Name"}, {250, "Period"}, {330, "Inclination"}}},
          {686, {{72, "ATM"}, {130, "Atmospheric"}, {250, "-"}, {330, "0.0 -"}}},
          {675, {{330, "180.0"}}},
          {661, {{72, "LEO/I"}, {130, "Intermediate"}, {250, "1:26 - 2:00"}, {330, "20.0 -"}}},
          {650, {{330, "85.0"}}},
          {636, {{72, "GEO/S"}, {130, "Stationary"}, {250, "23:55.5 -"}, {330, "0.0 - 2.0"}}},
          {625, {{130, "geosynchronous"}, {250, "23:56.5"}}},
          {611, {{72, "DSO"}, {130, "Deep space"}, {250, ">25:00"}, {330, "0.0 - 180.0"}}}},
         {"Code Name Period Inclination", "ATM Atmospheric - 0.0 - 180.0",
          "LEO/I Intermediate 1:26 - 2:00 20.0 - 85.0",
          "GEO/S Stationary geosynchronous 23:55.5 - 23:56.5 0.0 - 2.0",
          "DSO Deep space >25:00 0.0 - 180.0"}},
        // A ruled table whose rows are padded four lines apart, its lines 1.35 apart.
        {{{700, {{72, "NUMBER"}, {150, "DATE"}, {230, "DESCRIPTION"}, {450, "NAME"}}},
          {664,
           {{72, "01"}, {150, "2009/05/05"}, {230, "The manual does not include"}, {450, "B. G."}}},
          {650.5, {{230, "the change history anymore."}}},
          {614.5,
           {{72, "02"}, {150, "2009/06/21"}, {230, "Add a section about sets."}, {450, "B. G."}}},
          {578.5,
           {{72, "03"}, {150, "2011/07/03"}, {230, "Add a section about tables"}, {450, "A. H."}}},
          {565, {{230, "and about the distribution."}}},
          {529,
           {{72, "04"}, {150, "2012/04/10"}, {230, "Update for release 0.3.3."}, {450, "A. H."}}}},
         {"NUMBER DATE DESCRIPTION NAME",
          "01 2009/05/05 The manual does not include the change history anymore. B. G.",
          "02 2009/06/21 Add a section about sets. B. G.",
          "03 2011/07/03 Add a section about tables and about the distribution. A. H.",
          "04 2012/04/10 Update for release 0.3.3. A. H."}},
        // Cells two ems apart, in rows whose near neighbours are wrapped lines of other
        // columns only: the rows farther off show the gutters.
        {{{700, {{107, "Name"}, {174, "Type"}, {255, "Size"}, {288, "Sign"}, {323, "Text"}}},
          {688,
           {{107, "QRSIZES"},
            {174, "3D Integer"},
            {260, "6"},
            {288, "No"},
            {323, "An array holding"}}},
          {676, {{174, "array"}, {323, "the sizes."}}},
          {664,
           {{107, "QRBMIS"},
            {174, "3D Integer"},
            {260, "9"},
            {288, "No"},
            {323, "An array holding"}}},
          {652, {{174, "array"}, {323, "the indices."}}},
          {640,
           {{107, "QRNEXT"},
            {174, "3D Integer"},
            {260, "9"},
            {288, "No"},
            {323, "An array holding"}}},
          {628, {{174, "array"}, {323, "the ranges."}}},
          {616, {{107, "qti"}, {174, "Integer"}, {260, "1"}, {288, "No"}, {323, "A quantization"}}},
          {604, {{323, "type index."}}},
          {592, {{107, "pli"}, {174, "Integer"}, {260, "2"}, {288, "No"}, {323, "A color plane"}}},
          {580, {{323, "index."}}},
          {568, {{107, "qi"}, {174, "Integer"}, {260, "6"}, {288, "No"}, {323, "The quantizer"}}},
          {556, {{323, "index."}}}},
         {"Name Type Size Sign Text", "QRSIZES 3D Integer array 6 No An array holding the sizes.",
          "QRBMIS 3D Integer array 9 No An array holding the indices.",
          "QRNEXT 3D Integer array 9 No An array holding the ranges.",
          "qti Integer 1 No A quantization type index.", "pli Integer 2 No A color plane index.",
          "qi Integer 6 No The quantizer index."}},
        // Two pairs of columns of like width, every row filling all four: one table, though
        // only its last column wraps.
        {{{700, {{72, "Language"}, {160, "Territory"}, {260, "Character Set"}, {370, "Directory"}}},
          {686, {{72, "English"}, {160, "-"}, {260, "ASCII"}, {370, "/usr/share/man/en"}}},
          {672,
           {{72, "English"},
            {160, "United Kingdom"},
            {260, "Unicode UTF-8"},
            {370, "/usr/share/"}}},
          {660, {{370, "en_GB.10646"}}},
          {646, {{72, "French"}, {160, "Canada"}, {260, "ISO 8859-1"}, {370, "/usr/share/"}}},
          {634, {{370, "fr_CA.88591"}}},
          {620, {{72, "German"}, {160, "Germany"}, {260, "ISO 646"}, {370, "/usr/share/"}}},
          {608, {{370, "de_DE.646"}}}},
         {"Language Territory Character Set Directory", "English - ASCII /usr/share/man/en",
          "English United Kingdom Unicode UTF-8 /usr/share/ en_GB.10646",
          "French Canada ISO 8859-1 /usr/share/ fr_CA.88591",
          "German Germany ISO 646 /usr/share/ de_DE.646"}},
        // The same, its last column a remark now and then, wrapped.
        {{{700, {{72, "Path"}, {160, "Name"}, {260, "Value"}, {370, "Remark"}}},
          {686, {{72, "Catalog"}, {160, "Fields"}, {260, "object ref"}}},
          {672, {{72, "Catalog"}, {160, "AF"}, {260, "object ref"}, {370, "PDF 2.0, for"}}},
          {660, {{370, "associated files"}}},
          {646, {{72, "Catalog/Names"}, {160, "Configs"}, {260, "object ref"}}},
          {632, {{72, "Catalog/Names"}, {160, "Default"}, {260, "object ref"}, {370, "A single"}}},
          {620, {{370, "value only."}}},
          {606, {{72, "Catalog"}, {160, "Intents"}, {260, "object ref"}}}},
         {"Path Name Value Remark", "Catalog Fields object ref",
          "Catalog AF object ref PDF 2.0, for associated files", "Catalog/Names Configs object ref",
          "Catalog/Names Default object ref A single value only.", "Catalog Intents object ref"}},
        // A sub-row whose bits and text lie two ems apart, its neighbours the text's lines
        // only, starting where its text starts: its own cells, its text wrapping as row 4's.
        {{{700, {{72, "Byte"}, {133, "Bits"}, {168, "Description"}}},
          {688, {{72, "0"}, {133, "15-2"}, {168, "Reserved"}}},
          {676, {{133, "4"}, {168, "Disable the timestamp"}}},
          {664, {{168, "synchronization with"}}},
          {652, {{168, "the samples."}}},
          {640, {{133, "2-0"}, {168, "FIFO fill status of the"}}},
          {628, {{168, "receive buffer, in"}}},
          {616, {{168, "eighths."}}},
          {604, {{72, "8-15"}, {133, "15-0"}, {168, "Timestamp:"}}},
          {592, {{72, "16-4095"}, {133, "15-0"}, {168, "RF samples data:"}}}},
         {"Byte Bits Description", "0 15-2 Reserved",
          "4 Disable the timestamp synchronization with the samples.",
          "2-0 FIFO fill status of the receive buffer, in eighths.",
          "8-15 15-0 Timestamp:", "16-4095 15-0 RF samples data:"}},
        // A maker's name that wraps in title case beside a model broken at a hyphen, its next
        // line leaving the number columns empty, though a name overflowing its cell widens
        // the makers' column.
        {{{700, {{72, "Maker"}, {130, "Model"}, {190, "Step"}, {240, "Hold"}, {290, "Trigger"}}},
          {686, {{72, "Gecko"}, {130, "320"}, {190, "3500"}, {240, "200"}, {290, "Rising"}}},
          {675, {{290, "Edge"}}},
          {661, {{72, "Granite"}, {130, "VSD-"}, {190, "125"}, {240, "125"}, {290, "Rising"}}},
          {650, {{72, "Devices"}, {130, "E/XE"}, {290, "Edge"}}},
          {636, {{72, "JVL"}, {130, "SMD41"}, {190, "500"}, {240, "2500"}, {290, "Rising"}}},
          {625, {{290, "Edge"}}},
          {611, {{72, "LinistepperTHB6064"}, {240, "1000"}, {290, "Rising"}}},
          {600, {{290, "Edge"}}}},
         {"Maker Model Step Hold Trigger", "Gecko 320 3500 200 Rising Edge",
          "Granite Devices VSD- E/XE 125 125 Rising Edge", "JVL SMD41 500 2500 Rising Edge",
          "LinistepperTHB6064 1000 Rising Edge"}},
        // A model broken at a hyphen, though a name overflowing into its column widens it.
        {{{700, {{72, "Maker"}, {130, "Model"}, {200, "Step"}, {250, "Hold"}, {300, "Trigger"}}},
          {686, {{72, "Gecko"}, {130, "320"}, {200, "3500"}, {250, "200"}, {300, "Rising"}}},
          {675, {{300, "Edge"}}},
          {661, {{72, "Granite"}, {130, "E/XE"}, {200, "125"}, {250, "125"}, {300, "Rising"}}},
          {650, {{130, "Evolu-"}, {300, "Edge"}}},
          {639, {{130, "tion"}}},
          {625, {{72, "JVL"}, {130, "SMD41"}, {200, "500"}, {250, "2500"}, {300, "Rising"}}},
          {614, {{300, "Edge"}}},
          {600, {{72, "LinistepperTHB60642300"}, {250, "1000"}, {300, "Rising"}}},
          {589, {{300, "Edge"}}}},
         {"Maker Model Step Hold Trigger", "Gecko 320 3500 200 Rising Edge",
          "Granite E/XE Evolution 125 125 Rising Edge", "JVL SMD41 500 2500 Rising Edge",
          "LinistepperTHB60642300 1000 Rising Edge"}},
        // Keys in lower case, each a row of its own though its neighbour would continue it:
        // the key's first word would have fitted on the line above, and so would "german".
        {{{700, {{72, "Tag"}, {150, "Name"}, {220, "Options"}}},
          {688, {{72, "de-DE"}, {150, "german"}, {220, "variant=german,"}}},
          {676, {{72, "de-DE-1901"}, {150, "german"}, {220, "variant=german,"}}},
          {664, {{220, "spelling=old"}}},
          {652, {{72, "de-AT-1996"}, {150, "german"}, {220, "variant=austrian,"}}},
          {640, {{220, "spelling=new"}}}},
         {"Tag Name Options", "de-DE german variant=german,",
          "de-DE-1901 german variant=german, spelling=old",
          "de-AT-1996 german variant=austrian, spelling=new"}},
        // Keys of one word each, in lower case, close to the cells after them.
        {{{700, {{72, "Name"}, {140, "Base units"}, {230, "Symbol"}}},
          {688, {{72, "weber"}, {140, "m2 kg s-2 A-1"}, {230, "Wb"}}},
          {676, {{72, "tesla"}, {140, "kg s-2 A-1"}, {230, "T"}}},
          {664, {{72, "henry"}, {140, "m2 kg s-2 A-2"}, {230, "H"}}}},
         {"Name Base units Symbol", "weber m2 kg s-2 A-1 Wb", "tesla kg s-2 A-1 T",
          "henry m2 kg s-2 A-2 H"}},
        // A key two and a half ems before its long text, and no other key within three
        // lines: the rows next to it start where its text starts.
        {{{700, {{72, "type"}, {140, "modifier"}, {220, "description"}}},
          {688, {{72, "data(0)"}, {140, "data(0)"}, {220, "The packet is one that contains"}}},
          {676, {{220, "user information for the process."}}},
          {664, {{140, "cancel(1)"}, {220, "If a producer finds itself holding"}}},
          {652, {{220, "a transmit token and has no data"}}},
          {640, {{220, "to send, it may cancel the token"}}},
          {628, {{220, "by multicasting an empty message."}}},
          {616, {{140, "hibernate(2)"}, {220, "If the master holds every token"}}},
          {604, {{220, "it may transmit empty packets."}}}},
         {"type modifier description",
          "data(0) data(0) The packet is one that contains user information for the process.",
          "cancel(1) If a producer finds itself holding a transmit token and has no data to "
          "send, it may cancel the token by multicasting an empty message.",
          "hibernate(2) If the master holds every token it may transmit empty packets."}},
        // A table of two rows under a header of two lines, its second line across the strip
        // between the size column's header and its numbers: the header stays as printed.
        {{{700,
           {{113, "Name"}, {154, "Type"}, {199, "Size"}, {234, "Signed?"}, {302, "Description"}}},
          {688, {{195, "(bits)"}}},
          {671,
           {{107, "qi"},
            {150, "Integer"},
            {220, "6"},
            {245, "No"},
            {280, "The quantization index."}}},
          {659,
           {{107, "NBITS"},
            {150, "Integer"},
            {220, "3"},
            {245, "No"},
            {280, "The size of values being read in the cur-"}}},
          {647, {{280, "rent table."}}}},
         {"Name Type Size Signed? Description", "(bits)", "qi Integer 6 No The quantization index.",
          "NBITS Integer 3 No The size of values being read in the current table."}},
        // Keys as wide as their descriptions, a name and a code each: still keys.
        {{{700,
           {{72, "ListeMethodeTitleColor B2"},
            {260, "Colour of the titles of the methods in the"}}},
          {688, {{260, "enumeration of methods."}}},
          {676,
           {{72, "CorrigeHeadFrameColor J2"},
            {260, "Colour of the margin bars in the corrections"}}},
          {664, {{260, "of the exercises."}}},
          {652,
           {{72, "CorrigeExercicesBaseTitleColor C2"},
            {260, "Colour of the title in the corrections of the"}}},
          {640, {{260, "exercises to train on."}}},
          {628, {{72, "TablePropertyBkgColor J4"}, {260, "Colour of the middle column."}}}},
         {"ListeMethodeTitleColor B2 Colour of the titles of the methods in the enumeration of "
          "methods.",
          "CorrigeHeadFrameColor J2 Colour of the margin bars in the corrections of the exercises.",
          "CorrigeExercicesBaseTitleColor C2 Colour of the title in the corrections of the "
          "exercises to train on.",
          "TablePropertyBkgColor J4 Colour of the middle column."}},
        // Descriptions set with loose leading, a line and a half apart, wrap as far apart.
        {{{700, {{72, "Name"}, {170, "Code"}, {220, "Description"}}},
          {685, {{72, "RuleColor"}, {170, "J1"}, {220, "Colour of the rules in the"}}},
          {670, {{220, "example boxes."}}},
          {655, {{72, "EdgeColor"}, {170, "J2"}, {220, "Colour of the left and lower"}}},
          {640, {{220, "edges of the boxes."}}},
          {625, {{72, "TitleColor"}, {170, "A1"}, {220, "Colour of the titles."}}}},
         {"Name Code Description", "RuleColor J1 Colour of the rules in the example boxes.",
          "EdgeColor J2 Colour of the left and lower edges of the boxes.",
          "TitleColor A1 Colour of the titles."}},
        // Names as far apart, one row without a key: a row of its own, not a wrap.
        {{{700, {{72, "xa"}, {130, "\\xa"}, {190, "\\alpha"}}},
          {685, {{72, "xb"}, {130, "\\xb"}, {190, "\\beta"}}},
          {670, {{130, "\\bsk"}, {190, "\\bigskip"}}},
          {655, {{72, "xc"}, {130, "\\xc"}, {190, "\\chi"}}},
          {640, {{72, "xd"}, {130, "\\xd"}, {190, "\\delta"}}}},
         {"xa \\xa \\alpha", "xb \\xb \\beta", "\\bsk \\bigskip", "xc \\xc \\chi",
          "xd \\xd \\delta"}},
        // Two terms before their text, too few rows for a table: each term stays on the line
        // of its text, where it is read.
        {{{700, {{130, "to choose between, and they are"}}},
          {688, {{72, "yywrap"}, {130, "Indicate that the library needs"}}},
          {676, {{130, "to define the function yywrap."}}},
          {664, {{72, "noyywrap"}, {130, "Indicate that it does not need"}}},
          {652, {{130, "to define it at all."}}}},
         {"to choose between, and they are", "yywrap Indicate that the library needs",
          "to define the function yywrap.", "noyywrap Indicate that it does not need",
          "to define it at all."}},
        // Rows as close as the header is far: each row its own, in title case.
        {{{700, {{72, "Name"}, {200, "Value"}}},
          {684, {{72, "Alpha"}, {200, "first value"}}},
          {673, {{72, "Beta"}, {200, "second value"}}},
          {662, {{72, "Gamma"}, {200, "third value"}}}},
         {"Name Value", "Alpha first value", "Beta second value", "Gamma third value"}},
        // Addresses too long for their column, set on the line under the file's name and
        // running on over the next column.
        {{{700, {{72, "Subject"}, {250, "Where to get"}}},
          {686, {{72, "Compiler guide"}, {250, "You are reading it"}, {420, "online at:"}}},
          {675, {{250, "http://sdcc.example.net/doc/sdccman.pdf"}}},
          {661, {{72, "Changelog"}, {250, "sdcc/Changelog"}, {420, "online at:"}}},
          {650, {{250, "http://svn.example.net/p/sdcc/code/trunk/"}}},
          {639, {{250, "sdcc/ChangeLog"}}},
          {625, {{72, "Debugger notes"}, {250, "sdcc/debugger/README"}, {420, "online at:"}}},
          {614, {{250, "http://svn.example.net/p/sdcc/code/trunk/"}}},
          {603, {{250, "sdcc/debugger/README"}}}},
         {"Subject Where to get",
          "Compiler guide You are reading it http://sdcc.example.net/doc/sdccman.pdf online at:",
          "Changelog sdcc/Changelog http://svn.example.net/p/sdcc/code/trunk/sdcc/ChangeLog "
          "online at:",
          "Debugger notes sdcc/debugger/README "
          "http://svn.example.net/p/sdcc/code/trunk/sdcc/debugger/README online at:"}},
        // Numbered keys, names and descriptions of like width: the numbers are left empty
        // where a description wraps, so they are no line numbers of two columns of text.
        {{{700, {{72, "Value"}, {160, "Name"}, {300, "Description"}}},
          {686, {{72, "0x0001"}, {160, "DEBUG_GENERIC"}, {300, "Enables general debugging"}}},
          {675, {{300, "messages to the logfile."}}},
          {661, {{72, "0x0002"}, {160, "DEBUG_READER"}, {300, "Enables reader-related"}}},
          {650, {{300, "debugging messages."}}},
          {636, {{72, "0x0004"}, {160, "DEBUG_CTAPI"}, {300, "Enables CTAPI-related"}}},
          {625, {{300, "debugging messages."}}},
          {611, {{72, "0x1000"}, {160, "NO_BEEP"}, {300, "Disables beeping."}}}},
         {"Value Name Description",
          "0x0001 DEBUG_GENERIC Enables general debugging messages to the logfile.",
          "0x0002 DEBUG_READER Enables reader-related debugging messages.",
          "0x0004 DEBUG_CTAPI Enables CTAPI-related debugging messages.",
          "0x1000 NO_BEEP Disables beeping."}},
        // Ruled tables that only their rules make tables: a header and a single row whose
        // description wraps, between its caption and a paragraph (a manual's table for one
        // property); rows padded apart by steps that differ as the cells above them wrap.
        {{{720, {{72, "Table 1. Nulls in unique constraints"}}},
          {700, {{76, "Name"}, {250, "Default"}, {300, "Description"}}},
          {684,
           {{76, "sql.unique_nulls"},
            {250, "true"},
            {300, "behaviour of unique constraints with"}}},
          {672, {{300, "null values"}}},
          {650,
           {{72,
             "When this property is false, unique constraints on several columns are stricter."}}}},
         {"Table 1. Nulls in unique constraints", "Name Default Description",
          "sql.unique_nulls true behaviour of unique constraints with null values",
          "When this property is false, unique constraints on several columns are stricter."},
         "0.5 w 245 664 m 245 712 l S 295 664 m 295 712 l S 70 664 490 48 re S "
         "70 694 m 560 694 l S"},
        {{{700, {{76, "Argument"}, {180, "Description"}, {330, "Valid values"}, {470, "Mode"}}},
          {669,
           {{76, "Engine"},
            {180, "Signature hash engine"},
            {330, "ANY, SAHARA, RTIC,"},
            {470, "D"}}},
          {658, {{330, "CAAM and SW"}}},
          {627,
           {{76, "Configuration"}, {180, "Flags for the hash"}, {330, "see Table 4"}, {470, "D"}}},
          {616, {{180, "engine. Note that the"}}},
          {605, {{180, "hash is computed over"}}},
          {594, {{180, "a copy of the file."}}},
          {571, {{76, "Format"}, {180, "Signature format"}, {330, "CMS"}, {470, "D"}}}},
         {"Argument Description Valid values Mode",
          "Engine Signature hash engine ANY, SAHARA, RTIC, CAAM and SW D",
          "Configuration Flags for the hash engine. Note that the hash is computed over a copy of "
          "the file. see Table 4 D",
          "Format Signature format CMS D"},
         "0.5 w 175 563 m 175 712 l S 325 563 m 325 712 l S 465 563 m 465 712 l S "
         "70 563 450 149 re S 70 688 m 520 688 l S 70 645 m 520 645 l S 70 584 m 520 584 l S"},
        // Regression: addresses broken at every slash, with the publisher's break marks, in a
        // ruled column too narrow for their first line, which runs on over the empty column
        // beside it. That line was read as the empty column's cell, after the rest of its
        // address.
        {{{700, {{76, "Maker"}, {160, "Model"}, {300, "Sheet"}}},
          {684, {{76, "Gecko"}, {160, "G201"}, {300, "http://www.example.com/-"}}},
          {672, {{300, "support/-"}}},
          {660, {{300, "g201.html"}}},
          {640, {{76, "Leadshine"}, {160, "DM422"}, {300, "http://leadshine.example.com/-"}}},
          {628, {{300, "Down/-"}}},
          {616, {{300, "DM422m.pdf"}}},
          {596, {{76, "Pololu"}, {160, "P1182"}, {300, "http://www.example.org/-"}}},
          {584, {{300, "catalog/-"}}},
          {572, {{300, "1182.html"}}}},
         {"Maker Model Sheet", "Gecko G201 http://www.example.com/support/g201.html",
          "Leadshine DM422 http://leadshine.example.com/Down/DM422m.pdf",
          "Pololu P1182 http://www.example.org/catalog/1182.html"},
         "0.5 w 155 566 m 155 712 l S 295 566 m 295 712 l S 350 566 m 350 712 l S "
         "70 566 400 146 re S 70 694 m 470 694 l S 70 650 m 470 650 l S 70 606 m 470 606 l S",
         true},
    };
    for (const WrappedTable& table : tables) {
        pdfbuild::PageSpec page;
        for (const auto& [y, cells] : table.lines)
            for (const auto& [x, text] : cells) page.texts.push_back(at(x, y, text));
        page.rawContent = table.rules;
        EXPECT_EQ(textLinesOf(page), table.expected) << table.expected.front();
        if (table.rules.empty() || table.readWithoutRules) continue;
        page.rawContent.clear();
        EXPECT_NE(textLinesOf(page), table.expected) << "without rules: " << table.expected.front();
    }
}

// A ruled table of names in columns of like width, which without its rules reads column by
// column, its rules drawn as a program draws them: its borders as stroked lines inside a
// stroked rectangle (the frame) and its rows parted by thin filled rectangles; or every border
// one subpath of one stroked path, the frame closed with "h" (FrameMaker); or the column
// borders thin rectangles of one filled path.
TEST_F(TableText, RuledColumnsReadRowByRow) {
    pdfbuild::PageSpec page;
    const char* names[][3] = {{"Abbott", "Dobbs", "Grant"},
                              {"Barlow", "Ellis", "Hughes"},
                              {"Carson", "Foster", "Irving"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            page.texts.push_back(at(76 + 100 * c, 700 - 16 * r, names[r][c]));
    const std::vector<std::string> expected = {"Abbott Dobbs Grant", "Barlow Ellis Hughes",
                                               "Carson Foster Irving"};
    const std::string rowRules = "70 693.5 300 0.5 re f 70 677.5 300 0.5 re f ";
    const std::string drawings[] = {
        rowRules + "0.5 w 170 662 m 170 714 l S 270 662 m 270 714 l S 70 662 300 52 re S",
        rowRules +
            "0.5 w 170 662 m 170 714 l 270 662 m 270 714 l "
            "70 662 m 370 662 l 370 714 l 70 714 l h S",
        "169.75 662 0.5 52 re 269.75 662 0.5 52 re f 0.5 w 70 662 300 52 re S",
    };
    for (const std::string& drawing : drawings) {
        page.rawContent = drawing;
        EXPECT_EQ(textLinesOf(page), expected) << drawing;
    }
    page.rawContent.clear();
    EXPECT_NE(textLinesOf(page), expected) << "the same names without their rules";

    // A grid whose cell holds an address broken after its own hyphen: the hyphen stays.
    pdfbuild::PageSpec grid;
    const char* cells[][2] = {{"Notes", "(see https://example.org/open-"},
                              {"", "eid/lib/NOTES.txt)"},
                              {"Home", "the project's site"},
                              {"Mail", "the list"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c)
            grid.texts.push_back(at(76 + 100 * c, 700 - 12 * r, cells[r][c]));
    grid.texts.erase(grid.texts.begin() + 2);  // the empty cell
    grid.rects = {{170, 660, 170.5, 712}, {70, 684.3, 370, 684.7}, {70, 672.3, 370, 672.7}};
    EXPECT_EQ(textLinesOf(grid),
              (std::vector<std::string>{"Notes (see https://example.org/open-eid/lib/NOTES.txt)",
                                        "Home the project's site", "Mail the list"}));
}

}  // namespace
