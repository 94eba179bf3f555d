// The page layout's stages, each at its own seam, on characters made
// without a PDF (support/SyntheticText.h: every character half an em wide,
// a space a quarter em). Cases are tables of pieces and the lines expected.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "pdf/text/LayoutBlocks.h"
#include "pdf/text/LayoutFlows.h"
#include "pdf/text/LayoutItems.h"
#include "pdf/text/LayoutLines.h"
#include "pdf/text/LayoutTables.h"
#include "pdf/text/TextLayout.h"
#include "support/SyntheticText.h"

using namespace pdf::layout;
using testing_support::paint;
using testing_support::Piece;
using testing_support::readLines;
using testing_support::widthOf;

namespace {

// The stages up to lines (and tables, when asked), kept for inspection.
struct Staged {
    std::vector<pdf::PaintedChar> chars;
    std::vector<Item> items;
    MarkLinks marks;
    LineSet set;
};

Staged stage(const std::vector<Piece>& pieces, bool tables,
             const std::vector<pdf::Rule>& rules = {}) {
    Staged s;
    s.chars = paint(pieces);
    s.items = placeItems(s.chars, 612, 792);
    s.marks = attachMarks(s.items);
    s.set = buildLines(s.items, s.marks, rules);
    if (tables) joinTableRows(s.set, s.items);
    return s;
}

std::string textOf(const Line& line, const std::vector<Item>& items) {
    std::string text;
    for (std::size_t c = 0, w = 0; c < line.clusters.size(); ++c) {
        if (w < line.wordStart.size() && line.wordStart[w] == static_cast<int>(c)) {
            if (c > 0) text += ' ';
            ++w;
        }
        text += testing_support::utf8Of(items[line.clusters[c]].code);
    }
    return text;
}

// The lines of the set in its order: row by row, left to right.
std::vector<std::string> setLines(const std::vector<Piece>& pieces, bool tables = true,
                                  const std::vector<pdf::Rule>& rules = {}) {
    Staged s = stage(pieces, tables, rules);
    std::vector<std::string> lines;
    for (const Line& line : s.set.lines) lines.push_back(textOf(line, s.items));
    return lines;
}

// A piece ending at right (right-aligned numbers).
Piece right(double right, double y, const std::string& text, double size = 10) {
    return {right - widthOf(text, size), y, text, size};
}

// Lines of running text down a column: one piece per line, pitch 12.
std::vector<Piece> column(double x, double y, const std::vector<std::string>& lines) {
    std::vector<Piece> pieces;
    for (const std::string& line : lines) {
        pieces.push_back({x, y, line});
        y += 12;
    }
    return pieces;
}

// A line of words set apart by a stretched space of 4.5 points (no space
// drawn); an empty word doubles the space after a sentence.
std::vector<Piece> justified(double x, double y, const std::vector<std::string>& words,
                             double space = 4.5) {
    std::vector<Piece> pieces;
    for (const std::string& word : words) {
        if (!word.empty()) {
            pieces.push_back({x, y, word, 10, 0, false});
            x += widthOf(word);
        }
        x += space;
    }
    return pieces;
}

std::vector<Piece> join(std::vector<Piece> a, const std::vector<Piece>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- items ----

TEST(LayoutItems, OrientationFollowsTheWritingDirection) {
    struct Case {
        int quarterTurns;
        double x, y;
    } cases[] = {{0, 100, 100}, {1, 300, 100}, {2, 500, 400}, {3, 100, 700}};
    for (const Case& c : cases) {
        std::vector<pdf::PaintedChar> chars = paint({{c.x, c.y, "ab", 10, c.quarterTurns}});
        std::vector<Item> items = placeItems(chars, 612, 792);
        ASSERT_EQ(items.size(), 2u) << c.quarterTurns;
        EXPECT_EQ(items[0].rot, c.quarterTurns);
        // In the item's frame the text runs along +x on one baseline.
        EXPECT_LT(items[0].x1, items[1].x1 + 1e-9) << c.quarterTurns;
        EXPECT_DOUBLE_EQ(items[0].base, items[1].base) << c.quarterTurns;
        EXPECT_NEAR(items[0].x1 - items[0].x0, 5, 1e-9) << c.quarterTurns;
        EXPECT_NEAR(items[0].bottom - items[0].top, 10, 1e-9) << c.quarterTurns;
        EXPECT_LT(items[0].top, items[0].base) << c.quarterTurns;
    }
}

TEST(LayoutItems, MirroredHiddenAndOffPageCharactersAreTold) {
    std::vector<pdf::PaintedChar> chars = paint({{100, 100, "abcd"}});
    // b drawn with a flipped matrix: its ascent lies below the baseline.
    std::swap(chars[1].quad[0], chars[1].quad[3]);
    std::swap(chars[1].quad[1], chars[1].quad[2]);
    chars[2].hidden = true;
    for (pdf::Point& p : chars[3].quad) p.x += 600;  // centre beyond the page's right edge
    std::vector<Item> items = placeItems(chars, 612, 792);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].rot, 0);
    EXPECT_EQ(items[1].rot, kMirrored);
    EXPECT_EQ(items[1].src, 1);
}

TEST(LayoutItems, MarksJoinTheLetterTheySitOn) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::string expected;
    } cases[] = {
        {"combining mark after its letter", {{100, 100, "cafe\u0301 noir"}}, "café noir"},
        {"combining mark drawn before its letter",
         {{100, 100, "caf"}, {115, 100, "\u0301"}, {115, 100, "e noir"}},
         "café noir"},
        {"spacing accent over a letter",
         {{100, 100, "cafe"}, {115, 98, "\u00b4"}, {120, 100, " noir"}},
         "café noir"},
        {"spacing accent between words stays", {{100, 100, "a \u00b4 b"}}, "a \u00b4 b"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = readLines(c.pieces);
        ASSERT_EQ(lines.size(), 1u) << c.name;
        EXPECT_EQ(lines[0], c.expected) << c.name;
    }
}

// ---- lines ----

TEST(LayoutLines, RowsSplitAtGuttersAndWideGapsOnly) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<std::string> expected;
    } cases[] = {
        {"a justified line stays whole",
         {{72, 100, "wide", 10, 0, false}, {72 + 20 + 15, 100, "gap"}},
         {"wide gap"}},
        {"three ems always split",
         {{72, 100, "left"}, {72 + 20 + 30, 100, "right"}},
         {"left", "right"}},
        {"a gutter through the rows around splits",
         join(column(72, 100, {"one two", "three four", "five six"}),
              column(72 + widthOf("three four") + 12, 100, {"alpha", "beta", "gamma"})),
         {"one two", "alpha", "three four", "beta", "five six", "gamma"}},
        {"fake bold is read once", {{72, 100, "bold"}, {72.3, 100, "bold"}}, {"bold"}},
        {"gaps end words where no space is drawn",
         {{72, 100, "no", 10, 0, false}, {72 + 10 + 2, 100, "spaces"}},
         {"no spaces"}},
        {"a superscript stays with its word",
         {{72, 100, "x"}, {77, 96, "2", 6}, {80.6, 100, ", y"}},
         {"x2 , y"}},
        {"a run's raised first character leaves it in its row",
         {{72, 100, "url"},
          {72 + widthOf("url") + 9, 96, "~", 10, 0, false},
          {72 + widthOf("url~") + 9, 100, "miquel/soft.html.", 10, 0, false}},
         {"url ~miquel/soft.html."}},
        {"a raised character of a smaller address is no superscript",
         {{72, 100, "at", 11},
          {90, 100, "doc/Py", 8.7, 0, false},
          {90 + widthOf("doc/Py", 8.7), 98, "_", 8.7, 0, false},
          {90 + widthOf("doc/Py_", 8.7), 100, "Tut.ipynb", 8.7, 0, false}},
         {"at doc/Py_Tut.ipynb"}},
        {"spaces after sentences one over the other in justified lines part nothing",
         join(join(justified(72, 100, {"and", "partitions", "thereof.", "", "Research", "report"}),
                   justified(72, 112,
                             {"and", "partitions", "thereofs.", "", "Available", "from",
                              "https://hal."})),
              {{72, 124, "fr/hal."}}),
         {"and partitions thereof. Research report",
          "and partitions thereofs. Available from https://hal.", "fr/hal."}},
        // Characters that all advance alike are of a font of fixed pitch, whatever it says
        // of itself: a program listing's comment stays apart, its spaces equal or not.
        {"a listing in a font of fixed pitch splits at its comments",
         justified(72, 100,
                   {"let", "vout", "=", "real(v2)", "", "", "", "", "$", "generate", "a", "point"},
                   7),
         {"let vout = real(v2)", "$ generate a point"}},
        {"columns stretched each its own way split at their gutter",
         join(join(justified(72, 100, {"one", "two", "three"}, 7),
                   justified(176, 100, {"four", "five", "six"}, 7.9)),
              join(justified(72, 112, {"seven", "eight", "nine"}, 7),
                   justified(176, 112, {"ten", "eleven", "twelve"}, 7.9))),
         {"one two three", "four five six", "seven eight nine", "ten eleven twelve"}},
        {"a gap far wider than the row's word spaces splits beside one such row",
         {{72, 100, "1.1"},
          {113, 100, "Code Signing Components"},
          {72, 114, "1.1.1"},
          {138, 114, "Secure components"}},
         {"1.1", "Code Signing Components", "1.1.1", "Secure components"}},
        // Justified cells that fill their columns touch the next cell: painted cell by cell,
        // where a cell's next line starts, they part; painted row by row they are one line.
        {"cells painted apart part where they touch",
         {{72, 100, "Logger [http://home-"},
          {72, 112, "pages.au/"},
          {72 + widthOf("Logger [http://home-"), 100, "VisualGPS [http://"},
          {72 + widthOf("Logger [http://home-"), 112, "www.example.net/]"}},
         {"Logger [http://home-", "VisualGPS [http://", "pages.au/", "www.example.net/]"}},
        {"text painted in its order is one line where it touches",
         {{72, 100, "Logger [http://home-"},
          {72 + widthOf("Logger [http://home-"), 100, "VisualGPS [http://"},
          {72, 112, "pages.au/"},
          {72 + widthOf("Logger [http://home-"), 112, "www.example.net/]"}},
         {"Logger [http://home-VisualGPS [http://", "pages.au/", "www.example.net/]"}},
        {"rows of a loosely set table split at their gutter",
         {{72, 100, "Alpha"},
          {112, 100, "12.50"},
          {72, 125, "Beta"},
          {112, 125, "7.25"},
          {72, 150, "Gamma"},
          {112, 150, "0.99"}},
         {"Alpha", "12.50", "Beta", "7.25", "Gamma", "0.99"}},
    };
    for (const Case& c : cases) EXPECT_EQ(setLines(c.pieces, false), c.expected) << c.name;
}

// ---- tables ----

struct TableCase {
    const char* name;
    std::vector<Piece> pieces;
    std::vector<std::string> expected;  // lines after joinTableRows, in set order
};

// Article, description, unit and price; right-aligned prices; the second
// description wraps onto a line of its own.
std::vector<Piece> priceTable() {
    return {{72, 100, "Article"},
            {130, 100, "Description"},
            {290, 100, "Unit"},
            right(400, 100, "Price"),
            {72, 114, "A-100"},
            {130, 114, "Steel bolt, zinc plated"},
            {290, 114, "box"},
            right(400, 114, "12.50"),
            {72, 128, "A-200"},
            {130, 128, "Hex nut for bolts of"},
            {290, 128, "box"},
            right(400, 128, "4.75"),
            {130, 140, "size M6 and M8"},
            {72, 154, "A-300"},
            {130, 154, "Washer"},
            {290, 154, "bag"},
            right(400, 154, "1.20")};
}

// A table of contents: entries at x, page numbers ending at pageRight, dot
// leaders up to 3 ems before them when asked. The lines it should read as
// go to lines.
std::vector<Piece> contents(double x, double pageRight, double y, bool leaders,
                            std::vector<std::string>* lines = nullptr) {
    std::vector<Piece> pieces;
    const char* entries[] = {"Introduction", "Getting started", "Tables and lists", "Index"};
    const char* pages[] = {"1", "5", "17", "102"};
    for (int i = 0; i < 4; ++i) {
        std::string entry = entries[i];
        if (leaders) {
            while (widthOf(entry + " .") < pageRight - x - 30) entry += " .";
        }
        pieces.push_back({x, y, entry});
        pieces.push_back(right(pageRight, y, pages[i]));
        if (lines != nullptr) lines->push_back(entry + " " + pages[i]);
        y += 14;
    }
    return pieces;
}

std::vector<std::string> contentsLines(bool leaders) {
    std::vector<std::string> lines;
    contents(72, 300, 100, leaders, &lines);
    return lines;
}

TEST(LayoutTables, TableRowsAreJoinedAndColumnsAreNot) {
    const TableCase cases[] = {
        {"price list with a header, right-aligned prices and a wrapped cell",
         priceTable(),
         {"Article Description Unit Price", "A-100 Steel bolt, zinc plated box 12.50",
          "A-200 Hex nut for bolts of size M6 and M8 box 4.75", "A-300 Washer bag 1.20"}},
        {"contents without leaders",
         contents(72, 300, 100, false),
         {"Introduction 1", "Getting started 5", "Tables and lists 17", "Index 102"}},
        {"contents with dot leaders", contents(72, 300, 100, true), contentsLines(true)},
        {"code listing with line numbers",
         {right(80, 100, "9"),
          {92, 100, "for (i = 0; i < n; ++i)"},
          right(80, 112, "10"),
          {104, 112, "sum += a[i];"},
          right(80, 124, "11"),
          {92, 124, "return sum;"}},
         {"9 for (i = 0; i < n; ++i)", "10 sum += a[i];", "11 return sum;"}},
        {"key and description",
         {{72, 100, "-v"},
          {130, 100, "Tells what is done."},
          {72, 112, "-q"},
          {130, 112, "Tells nothing at all."},
          {72, 124, "-o"},
          {130, 124, "Names the output file."}},
         {"-v Tells what is done.", "-q Tells nothing at all.", "-o Names the output file."}},
        {"two columns of running text",
         join(column(72, 100,
                     {"The first column runs on", "in lines of words that go",
                      "on and on until it ends."}),
              column(250, 100,
                     {"The second column does", "the same with its own", "words, to its end."})),
         {"The first column runs on", "The second column does", "in lines of words that go",
          "the same with its own", "on and on until it ends.", "words, to its end."}},
        {"three columns of names, equal in width",
         join(join(column(72, 100, {"Abbott", "Barlow", "Carson"}),
                   column(172, 100, {"Dobbs", "Ellis", "Foster"})),
              column(272, 100, {"Grant", "Hughes", "Irving"})),
         {"Abbott", "Dobbs", "Grant", "Barlow", "Ellis", "Hughes", "Carson", "Foster", "Irving"}},
        {"notes in the margin beside running text",
         join(column(20, 100, {"Notes set", "in the margin", "run on too."}),
              column(
                  100, 100,
                  {"Running text has lines that", "go on from one to the next", "and end here."})),
         {"Notes set", "Running text has lines that", "in the margin", "go on from one to the next",
          "run on too.", "and end here."}},
        {"two rows are not yet a table",
         {{72, 100, "Alpha"}, right(300, 100, "1"), {72, 114, "Beta"}, right(300, 114, "2")},
         {"Alpha", "1", "Beta", "2"}},
        {"contents in two columns: each half on its own",
         join(contents(72, 280, 100, false), contents(320, 540, 100, false)),
         {"Introduction 1", "Introduction 1", "Getting started 5", "Getting started 5",
          "Tables and lists 17", "Tables and lists 17", "Index 102", "Index 102"}},
    };
    for (const TableCase& c : cases) EXPECT_EQ(setLines(c.pieces), c.expected) << c.name;
}

// The rules a page draws (page space): a vertical one parts two cells that
// lie close, or, crossed by a horizontal one, columns of like width that
// would read one after another; a horizontal one ends a row where the next
// line lines up with its cells.
TEST(LayoutTables, RulesPartCellsColumnsAndRows) {
    struct RuledCase {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<pdf::Rule> rules;
        bool tables;
        std::vector<std::string> expected;
        bool readOtherwiseWithoutRules = true;
    };
    const RuledCase cases[] = {
        {"two cells a word gap and a half apart",
         {{72, 100, "alpha"}, {109, 100, "beta"}},
         {{{103, 90, 103.5, 103}}},
         false,
         {"alpha", "beta"}},
        {"three columns of names, equal in width",
         join(join(column(72, 100, {"Abbott", "Barlow", "Carson"}),
                   column(172, 100, {"Dobbs", "Ellis", "Foster"})),
              column(272, 100, {"Grant", "Hughes", "Irving"})),
         {{{160, 88, 160.5, 128}}, {{260, 88, 260.5, 128}}, {{60, 103.3, 360, 103.7}}},
         true,
         {"Abbott Dobbs Grant", "Barlow Ellis Hughes", "Carson Foster Irving"}},
        {"a row's next line under a rule",
         {{72, 100, "Key"},
          {150, 100, "Value"},
          {72, 112, "A"},
          {150, 112, "first"},
          {150, 124, "second"},
          {72, 136, "B"},
          {150, 136, "third"}},
         {{{60, 115.3, 300, 115.7}}},
         true,
         {"Key Value", "A first", "second", "B third"}},
        {"a grid whose cells are set in their rows' middles",
         {{72, 100, "Type"},
          {200, 100, "Space"},
          {200, 114, "Size of the"},
          {72, 120, "RAID0"},
          {140, 120, "2"},
          {200, 126, "smallest part"},
          {72, 142, "RAID1"},
          {140, 142, "2"},
          {200, 142, "Half"},
          {72, 156, "RAID5"},
          {140, 156, "3"},
          {200, 156, "Most of"},
          {200, 168, "the space"}},
         {{{130, 90, 130.5, 173}},
          {{190, 90, 190.5, 173}},
          {{60, 104.3, 320, 104.7}},
          {{60, 130.3, 320, 130.7}},
          {{60, 146.3, 320, 146.7}},
          {{60, 172.3, 320, 172.7}}},
         true,
         {"Type Space", "RAID0 2 Size of the smallest part", "RAID1 2 Half",
          "RAID5 3 Most of the space"}},
        {"a grid whose last column is set in its rows' middles, a cell of two lines beside it",
         join(join(std::vector<Piece>{{72, 100, "Package"},
                                      {150, 100, "Size"},
                                      {200, 100, "Description"},
                                      {72, 126, "grub"},
                                      {150, 126, "159"},
                                      {72, 162, "lilo"},
                                      {150, 162, "697"},
                                      {72, 192, "loadlin"},
                                      {150, 192, "90"},
                                      {72, 220, "master boot"},
                                      {150, 220, "Not"},
                                      {72, 232, "record"},
                                      {150, 232, "kept"}},
                   join(column(200, 114,
                               {"This is smart enough to", "understand disk partitions",
                                "such as vfat and ext4."}),
                        column(200, 156, {"This relies on the", "sector locations."}))),
              join(column(200, 186, {"New system is started", "from a DOS system."}),
                   column(200, 214,
                          {"This is free software", "which substitutes the", "old boot record."}))),
         {{{140, 92, 140.5, 245}},
          {{190, 92, 190.5, 245}},
          {{60, 104.3, 360, 104.7}},
          {{60, 146.3, 360, 146.7}},
          {{60, 176.3, 360, 176.7}},
          {{60, 206.3, 360, 206.7}},
          {{60, 244.3, 360, 244.7}}},
         true,
         {"Package Size Description",
          "grub 159 This is smart enough to understand disk partitions such as vfat and ext4.",
          "lilo 697 This relies on the sector locations.",
          "loadlin 90 New system is started from a DOS system.",
          "master boot record Not kept This is free software which substitutes the old boot "
          "record."}},
        {"a grid whose key wraps beside a longer cell, once where a word would have fitted",
         {{72, 100, "Feature"},
          {200, 100, "Impact"},
          {72, 114, "No support for"},
          {200, 114, "When using more than one"},
          {72, 126, "the host"},
          {200, 126, "card, the port state is"},
          {72, 138, "of it"},
          {200, 138, "wrong."},
          {72, 156, "Pkey policy"},
          {200, 156, "Not enabled."},
          {72, 176, "Trusted"},
          {200, 176, "Not handled."}},
         {{{190, 90, 190.5, 185}},
          {{60, 104.3, 360, 104.7}},
          {{60, 146.3, 360, 146.7}},
          {{60, 166.3, 360, 166.7}},
          {{60, 184.3, 360, 184.7}}},
         true,
         {"Feature Impact",
          "No support for the host of it When using more than one card, the port state is wrong.",
          "Pkey policy Not enabled.", "Trusted Not handled."},
         false},
        {"a grid whose rules part pairs of rows",
         join(column(72, 100, {"Name", "Abbott", "Barlow", "Carson", "Dobbs"}),
              column(200, 100, {"Town", "Leeds", "York", "Bath", "Hull"})),
         {{{190, 90, 190.5, 150}},
          {{60, 103.3, 360, 103.7}},
          {{60, 127.3, 360, 127.7}},
          {{60, 151.3, 360, 151.7}}},
         true,
         {"Name Town", "Abbott Leeds", "Barlow York", "Carson Bath", "Dobbs Hull"},
         false},
        {"a ruled table beside a column of text, a heading on its first row",
         {{72, 100, "5.1 Optimizations"},
          {72, 114, "Running text goes on"},
          {72, 128, "below the heading."},
          {330, 100, "Tag"},
          {362, 100, "Type"},
          {402, 100, "Description"},
          {330, 112, "xx1"},
          {362, 112, "int"},
          {402, 112, "an integer"},
          {330, 124, "000"},
          {362, 124, "obj"},
          {402, 124, "a pointer"},
          {330, 136, "010"},
          {362, 136, "num"},
          {402, 136, "a double"}},
         {{{358, 92, 358.5, 140}}, {{398, 92, 398.5, 140}}, {{325, 103.3, 520, 103.7}}},
         true,
         {"5.1 Optimizations", "Tag Type Description", "Running text goes on", "xx1 int an integer",
          "000 obj a pointer", "below the heading.", "010 num a double"},
         false},
    };
    for (const RuledCase& c : cases) {
        EXPECT_EQ(setLines(c.pieces, c.tables, c.rules), c.expected) << c.name;
        if (c.readOtherwiseWithoutRules) {
            EXPECT_NE(setLines(c.pieces, c.tables), c.expected) << c.name << ", without its rules";
        }
    }
}

// Two columns of running text on one grid of baselines; down the right one
// a table of three rows, after which the right column's lines no longer
// line up with the left one's.
// A reference card's part under its last rule: commands and what they do, a line each, more
// lines than a row of a grid holds; read line by line, not as one row.
TEST(LayoutTables, RuledReferenceCardReadsLineByLine) {
    std::vector<Piece> pieces = {{72, 100, "Command"}, {200, 100, "Meaning"}, {330, 100, "Page"}};
    std::vector<std::string> expected = {"Command Meaning Page"};
    for (int k = 0; k < 20; ++k) {
        const std::string command = "run -" + std::string(1, static_cast<char>('a' + k));
        const std::string meaning = "does step " + std::to_string(k + 1) + " of the job";
        const double y = 114 + 12 * k + (k >= 2 ? 6 : 0);
        pieces.push_back({72, y, command});
        pieces.push_back({200, y, meaning});
        pieces.push_back(right(350, y, std::to_string(k + 3)));
        expected.push_back(command + " " + meaning + " " + std::to_string(k + 3));
    }
    const std::vector<pdf::Rule> rules = {{{60, 104.3, 360, 104.7}}, {{60, 131.3, 360, 131.7}}};
    EXPECT_EQ(setLines(pieces, true, rules), expected);
}

TEST(LayoutTables, TableInOneColumnOfAnArticle) {
    std::vector<Piece> pieces =
        column(72, 100,
               {"Running text in the left", "column goes on and on", "beside the right column,",
                "past the table set in", "it, and further down", "the page to its end."});
    for (const Piece& p : column(250, 100, {"The right column opens", "with two lines of text."}))
        pieces.push_back(p);
    const char* rows[][2] = {
        {"Item", "Price"}, {"Tea", "3.20"}, {"Coffee", "4.10"}, {"Cake", "2.75"}};
    double y = 129;
    for (const auto& row : rows) {
        pieces.push_back({250, y, row[0]});
        pieces.push_back(right(400, y, row[1]));
        y += 13;
    }
    for (const Piece& p : column(250, y + 4, {"It closes after it."})) pieces.push_back(p);
    EXPECT_EQ(readLines(pieces),
              (std::vector<std::string>{
                  "Running text in the left", "column goes on and on", "beside the right column,",
                  "past the table set in", "it, and further down", "the page to its end.",
                  "The right column opens", "with two lines of text.", "Item Price", "Tea 3.20",
                  "Coffee 4.10", "Cake 2.75", "It closes after it."}));
}

// Regression: a column of running text whose first line shares the first row of a table in
// the next column had its lines joined to the table's rows and to each other.
TEST(LayoutTables, ColumnBesideATableKeepsItsLines) {
    std::vector<Piece> pieces = column(72, 100,
                                       {"The left column runs", "down beside a table",
                                        "in the right column", "and ends below it."});
    pieces.push_back({250, 100, "Prices:"});
    const char* rows[][2] = {{"Tea", "3.20"}, {"Coffee", "4.10"}, {"Cake", "2.75"}};
    double y = 117;
    for (const auto& row : rows) {
        pieces.push_back({250, y, row[0]});
        pieces.push_back(right(400, y, row[1]));
        y += 13;
    }
    EXPECT_EQ(setLines(pieces),
              (std::vector<std::string>{"The left column runs", "Prices:", "down beside a table",
                                        "Tea 3.20", "in the right column", "Coffee 4.10",
                                        "and ends below it.", "Cake 2.75"}));
}

// A long table whose header has one cell over two columns.
TEST(LayoutTables, HeaderCellOverTwoColumnsIsBorne) {
    std::vector<Piece> pieces = {{72, 90, "State"}, {160, 90, "Checks by kind of firearm"}};
    const char* states[] = {"Alabama", "Alaska",  "Arizona", "Arkansas", "Colorado", "Delaware",
                            "Florida", "Georgia", "Hawaii",  "Idaho",    "Iowa"};
    int y = 104;
    for (const char* state : states) {
        pieces.push_back({72, static_cast<double>(y), state});
        pieces.push_back(right(200, y, std::to_string(1000 + 37 * (y - 100))));
        pieces.push_back(right(260, y, std::to_string(20 + 3 * (y - 100))));
        y += 12;
    }
    std::vector<std::string> lines = setLines(pieces);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "State Checks by kind of firearm");
    EXPECT_EQ(lines[1], "Alabama 1148 32");
    EXPECT_EQ(lines[11], "Iowa 5588 392");
}

// Hebrew cells (painted in visual order, right to left): the row reads from
// its rightmost cell, and a wrapped cell from its first line.
TEST(LayoutTables, RightToLeftTableReadsFromTheRight) {
    // "מחיר" price, "מוצר" product; items "תה" tea, "קפה" coffee, "עוגה" cake.
    std::vector<Piece> pieces = {
        right(300, 100, "רצומ"), {72, 100, "ריחמ"}, right(300, 114, "הת"),   {72, 114, "3.20"},
        right(300, 128, "הפק"),  {72, 128, "4.10"}, right(300, 142, "הגוע"), {72, 142, "2.75"},
    };
    std::vector<std::string> lines = readLines(pieces);
    EXPECT_EQ(lines, (std::vector<std::string>{"מוצר מחיר", "תה 3.20", "קפה 4.10", "עוגה 2.75"}));
}

// Characters of a proportional typeface (narrow dots, spaces and i, l, j,
// t, f; wide m and w; capitals wider than small letters), set upright from
// the pen position (x, y) in points, after those in chars.
void setProportional(std::vector<pdf::PaintedChar>& chars, double x, double y,
                     const std::string& text, double size) {
    for (char c : text) {
        const double width = size * (std::string(".: iljtf").find(c) != std::string::npos ? 0.25
                                     : c == 'm' || c == 'w'                               ? 0.8
                                     : c >= 'A' && c <= 'Z'                               ? 0.65
                                                                                          : 0.5);
        pdf::PaintedChar g;
        g.code = static_cast<unsigned char>(c);
        g.glyph = static_cast<int>(chars.size());
        g.origin = {x, y};
        g.quad[0] = {x, y + 0.2 * size};
        g.quad[1] = {x + width, y + 0.2 * size};
        g.quad[2] = {x + width, y - 0.8 * size};
        g.quad[3] = {x, y - 0.8 * size};
        g.size = size;
        g.space = c == ' ';
        chars.push_back(g);
        x += width;
    }
}

// A chapter of a contents page set as some producers set it: every leader
// dot painted on its own, 1.8 ems apart on one grid for all entries (so
// that the dots stand in columns, which the entries' ends cut into at
// different places); each entry paints its dots right to left, then its
// page number, then its title. The last dot falls on the page number's
// middle digit. 12-point type, entries 14.4 points apart from top; the
// lines the entries should read as (that dot left out) go to lines.
std::vector<pdf::PaintedChar> spacedLeaderChapter(int chapter, double top,
                                                  std::vector<std::string>& lines) {
    const std::string c = std::to_string(chapter), p = std::to_string(chapter - 1);
    std::vector<std::pair<int, std::string>> entries = {
        {1, p + ".3 Moving Stored Data"},        {1, p + ".3.1 Moving It All at Once"},
        {1, p + ".3.2 Moving It Step by Step"},  {1, p + ".4 Changes to the Class Model"},
        {1, p + ".4.1 Changes to Base Classes"}, {1, p + ".4.2 Changes to Virtual Base Classes"},
        {0, c + " Annotation Language"},         {1, c + ".1 Annotations of Classes"}};
    const std::pair<const char*, const char*> sections[] = {
        {"Classes",
         "table key abstract const versioned no_key hooks namespace derived cached defined "
         "volatile grouped removed batch"},
        {"Views", "class table select key hooks defined volatile"},
        {"Values",
         "kind key_kind empty/not_empty initial flags const defined volatile unsorted index_kind "
         "key_kind value_kind value_empty/value_not_empty key_flags"}};
    for (int s = 0; s < 3; ++s) {
        const std::string section = c + "." + std::to_string(s + 1);
        if (s > 0) entries.push_back({1, section + " Annotations of " + sections[s].first});
        std::istringstream words(sections[s].second);
        std::string word;
        for (int k = 1; words >> word; ++k)
            entries.push_back({2, section + "." + std::to_string(k) + " " + word});
    }
    std::vector<pdf::PaintedChar> chars;
    const double size = 12, numberEnd = 525, lastDot = 516, pitch = 21.6;
    double y = top;
    int number = 198;
    for (const auto& [level, title] : entries) {
        const double x = 71 + 24 * level;
        std::vector<pdf::PaintedChar> titleChars;
        setProportional(titleChars, x, y, title, size);
        std::string line = title;
        for (double dot = lastDot; dot >= titleChars.back().quad[1].x + 6; dot -= pitch) {
            setProportional(chars, dot, y, ".", size);
            if (dot < lastDot) line += " .";
        }
        const std::string digits = std::to_string(number);
        setProportional(chars, numberEnd - 1.5 * size, y, digits, size);
        for (pdf::PaintedChar& g : titleChars) {
            g.glyph = static_cast<int>(chars.size());
            chars.push_back(g);
        }
        lines.push_back(line + " " + digits);
        number += 1 + number % 3;
        y += 14.4;
    }
    return chars;
}

// Such a page once sent the table search round in circles: a run whose
// rows across the dot columns, with the short rows bordering them, filled
// the whole run was taken apart into that same run again and again, until
// the stack ran out.
TEST(LayoutTables, SpacedLeaderDotsEndTheTableSearch) {
    std::vector<std::string> expected = {"Table of Contents"};
    std::vector<pdf::PaintedChar> chars;
    setProportional(chars, 440, 45, "Table of Contents", 12);
    for (const pdf::PaintedChar& g : spacedLeaderChapter(14, 99.4, expected)) chars.push_back(g);
    EXPECT_EQ(testing_support::linesOf(pdf::layOutText(chars, 595, 842)), expected);
    EXPECT_EQ(expected[1], "13.3 Moving Stored Data . . . . . . . . . . . . . 198");
}

// A tall page of thousands of such entries, in one run of rows: the table
// search's work stays bounded, and every character but the dots on the
// page numbers is read, once.
TEST(LayoutTables, ThousandsOfSpacedLeaderRowsAreReadWhole) {
    std::vector<std::string> expected;
    std::vector<pdf::PaintedChar> chars;
    for (int chapter = 14; chapter < 14 + 80; ++chapter) {
        const double top = 99.4 + 14.4 * static_cast<double>(expected.size());
        for (const pdf::PaintedChar& g : spacedLeaderChapter(chapter, top, expected)) {
            chars.push_back(g);
            chars.back().glyph = static_cast<int>(chars.size()) - 1;
        }
    }
    ASSERT_GT(expected.size(), 3000u);
    const pdf::Layout layout = pdf::layOutText(chars, 595, 14.4 * (expected.size() + 20));
    std::vector<int> seen(chars.size(), 0);
    for (int src : layout.order) ++seen[static_cast<std::size_t>(src)];
    std::size_t spaces = 0, once = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        spaces += chars[i].space;
        once += seen[i] == 1;
        ASSERT_LE(seen[i], 1) << "character " << i << " read twice";
    }
    EXPECT_EQ(once, chars.size() - spaces - expected.size());
    std::vector<std::string> lines = testing_support::linesOf(layout);
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines.front(), expected.front());
    EXPECT_EQ(lines.back(), expected.back());
}

// ---- blocks and reading order ----

TEST(LayoutBlocks, ColumnsAreReadOneAfterAnother) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<std::string> expected;
    } cases[] = {
        {"heading over two columns comes first",
         join(join({{72, 80, "A heading over both columns of the page"}},
                   column(72, 100, {"Left column, first line", "left column, second line"})),
              column(250, 100, {"Right column, first line", "right column, second line"})),
         {"A heading over both columns of the page", "Left column, first line",
          "left column, second line", "Right column, first line", "right column, second line"}},
        {"a page number under the gutter comes last",
         join(join(column(72, 100, {"Left column, first line", "left column, second line"}),
                   column(250, 100, {"Right column, first line", "right column, second line"})),
              {{215, 700, "7"}}),
         {"Left column, first line", "left column, second line", "Right column, first line",
          "right column, second line", "7"}},
        {"text turned a quarter follows the upright text",
         {{100, 100, "Upright text comes first"}, {500, 100, "turned", 10, 1}},
         {"Upright text comes first", "turned"}},
    };
    for (const Case& c : cases) EXPECT_EQ(readLines(c.pieces), c.expected) << c.name;
}

TEST(LayoutBlocks, BlocksHoldLinesThatContinueEachOther) {
    Staged s =
        stage(join(column(72, 100, {"one", "two", "three"}), column(72, 160, {"apart"})), true);
    std::vector<Block> blocks = makeBlocks(s.set);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].lines, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(blocks[1].lines, (std::vector<int>{3}));
    std::vector<int> order = readingOrder(blocks, s.set.lines);
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
}

// ---- flows, paragraphs, directions, joins ----

TEST(LayoutFlows, ParagraphsBreakAtIndentsGapsSizesAndTables) {
    std::vector<Piece> pieces = column(72, 100, {"A first paragraph that runs", "over two lines."});
    for (const Piece& p : column(84, 124, {"An indented one", "follows it here."}))
        pieces.push_back(p);
    pieces.back().x = 72;
    for (const Piece& p : column(72, 160, {"After a wider gap.", "Still the same one."}))
        pieces.push_back(p);
    for (const Piece& p : contents(72, 300, 190, false)) pieces.push_back(p);
    Staged s = stage(pieces, true);
    std::vector<Block> blocks = makeBlocks(s.set);
    std::vector<int> order = readingOrder(blocks, s.set.lines);
    assignFlowsAndParagraphs(blocks, order, s.set.lines);
    std::vector<int> paragraphs;
    for (int b : order)
        for (int l : blocks[b].lines) paragraphs.push_back(s.set.lines[l].paragraph);
    EXPECT_EQ(paragraphs, (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3, 3, 3}));
}

TEST(LayoutFlows, HyphensJoinAndRightToLeftLinesTurn) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<std::string> expected;
        std::vector<bool> joins;
    } cases[] = {
        {"hyphen after a letter before a letter joins",
         column(72, 100, {"a word broken with infor-", "mation goes on"}),
         {"a word broken with infor-", "mation goes on"},
         {true, false}},
        {"a dash standing alone does not join",
         column(72, 100, {"a pause -", "then more"}),
         {"a pause -", "then more"},
         {false, false}},
        {"a table row's hyphen does not join a line of another column",
         {{72, 100, "Name"},
          {160, 100, "Source"},
          {260, 100, "Notes"},
          {72, 114, "Alpha Bank"},
          {160, 114, "alpha"},
          {260, 114, "see the list"},
          {72, 128, "Beta Bank"},
          {260, 128, "see https://taz.example.se-"},
          {160, 134, "beta_funds"},
          {72, 142, "funds, SE"},
          {260, 142, "bank.se/list.asp"}},
         {"Name Source Notes", "Alpha Bank alpha see the list",
          "Beta Bank see https://taz.example.se-", "beta_funds", "funds, SE bank.se/list.asp"},
         {false, false, false, false, false}},
        {"Hebrew painted right to left is read from the right",
         {{100, 100, "םלוע םולש"}},
         {"שלום עולם"},
         {false}},
        {"numbers keep their separators and signs in right-to-left text",
         {{100, 100, "12% ןיב 3.20 ריחמ"}},
         {"מחיר 3.20 בין 12%"},
         {false}},
    };
    for (const Case& c : cases) {
        Staged s = stage(c.pieces, true);
        std::vector<Block> blocks = makeBlocks(s.set);
        std::vector<int> order = readingOrder(blocks, s.set.lines);
        assignFlowsAndParagraphs(blocks, order, s.set.lines);
        resolveDirections(blocks, s.set.lines, s.items);
        markJoins(blocks, order, s.set.lines, s.items);
        std::vector<std::string> lines;
        std::vector<bool> joins;
        for (int b : order) {
            for (int l : blocks[b].lines) {
                lines.push_back(textOf(s.set.lines[l], s.items));
                joins.push_back(s.set.lines[l].joinsNext);
            }
        }
        EXPECT_EQ(lines, c.expected) << c.name;
        EXPECT_EQ(joins, c.joins) << c.name;
    }
}

}  // namespace
