// Small tables and numbered code listings in the page text, on PDFs built
// from code (10-point Helvetica; the listing in Courier): three rows or more
// of three cells or more, their gutters aligned, read row by row though no
// column holds numbers and the columns are of like width; a code listing
// whose lines carry numbers and whose code stands in aligned columns reads
// line by line. Columns of running text of like width still read one after
// another.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/text/TextPage.h"
#include "support/BuiltPageText.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

pdfbuild::TextRun at(double x, double y, const std::string& text) {
    return pdfbuild::textRun(x, y, text, 10);
}

class SmallTable : public BuiltPageText {};

// A FAQ's table of three columns of like width and four rows, between two
// paragraphs.
TEST_F(SmallTable, ThreeColumnsOfFourRowsReadRowByRow) {
    pdfbuild::PageSpec page;
    page.texts = {at(72, 720, "The options that change how files are kept:"),
                  at(72, 700, "Option"),
                  at(200, 700, "When it helps"),
                  at(330, 700, "What it costs"),
                  at(72, 686, "Keep backups"),
                  at(200, 686, "After a bad save"),
                  at(330, 686, "Twice the space"),
                  at(72, 672, "Compress files"),
                  at(200, 672, "On small disks"),
                  at(330, 672, "Slower saving"),
                  at(72, 658, "Sync at once"),
                  at(200, 658, "On shared drives"),
                  at(330, 658, "More traffic"),
                  at(72, 634, "Each option is set in the preferences.")};
    EXPECT_EQ(linesOf(page),
              (std::vector<std::string>{"The options that change how files are kept:",
                                        "Option When it helps What it costs",
                                        "Keep backups After a bad save Twice the space",
                                        "Compress files On small disks Slower saving",
                                        "Sync at once On shared drives More traffic",
                                        "Each option is set in the preferences."}));
}

// A numbered listing in Courier 9: line numbers right-aligned, then code in
// aligned columns (mnemonic, operands, comment), some lines without a
// comment or operands.
TEST_F(SmallTable, NumberedCodeListingReadsLineByLine) {
    pdfbuild::PageSpec page;
    page.resources = {{"Font", "Cour",
                       "<< /Type /Font /Subtype /Type1 /BaseFont /Courier "
                       "/Encoding /WinAnsiEncoding >>"}};
    const std::vector<std::vector<std::string>> rows = {
        {"1", "start:", "mov", "eax, 4", "; write"},
        {"2", "", "mov", "ebx, 1", "; to standard output"},
        {"3", "", "mov", "ecx, msg", "; the message"},
        {"4", "", "int", "0x80", ""},
        {"5", "", "mov", "eax, 1", "; exit"},
        {"6", "", "int", "0x80", "; no return"},
        {"7", "; the text to write follows the code", "", "", ""},
        {"8", "msg:", "db", "'Hi', 10", ""},
        {"9", "len:", "equ", "$ - msg ; its length in bytes", ""}};
    // Columns at character cells 0 (number, right-aligned in 3), 4, 12, 18, 30.
    const int cells[] = {4, 12, 18, 30};
    std::vector<std::string> expected;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        double y = 700 - 11.0 * static_cast<double>(r);
        std::string number = rows[r][0];
        std::string line = number;
        double numberX = 72 + 5.4 * (3 - static_cast<double>(number.size()));
        page.rawContent += "BT /Cour 9 Tf 1 0 0 1 " + std::to_string(numberX) + " " +
                           std::to_string(y) + " Tm (" + number + ") Tj ET ";
        for (int c = 0; c < 4; ++c) {
            const std::string& text = rows[r][static_cast<std::size_t>(c) + 1];
            if (text.empty()) continue;
            page.rawContent += "BT /Cour 9 Tf 1 0 0 1 " + std::to_string(72 + 5.4 * cells[c]) +
                               " " + std::to_string(y) + " Tm (" + text + ") Tj ET ";
            line += " " + text;
        }
        expected.push_back(line);
    }
    EXPECT_EQ(linesOf(page), expected);
}

// Three columns of running text of like width whose lines share baselines:
// each column is read through before the next.
TEST_F(SmallTable, ColumnsOfRunningTextStayApart) {
    pdfbuild::PageSpec page;
    const char* columns[3][4] = {{"The river rises in the hills", "and runs through the old town",
                                  "where the mills once stood", "beside the market square."},
                                 {"In spring the water is high", "and the meadows flood as far",
                                  "as the church at the end of", "the long road to the coast."},
                                 {"Boats no longer come up from", "the sea, but anglers sit on",
                                  "the banks on every fine day", "from April to October."}};
    std::vector<std::string> expected;
    for (int c = 0; c < 3; ++c) {
        for (int l = 0; l < 4; ++l) {
            page.texts.push_back(at(72 + 160 * c, 700 - 12 * l, columns[c][l]));
            expected.push_back(columns[c][l]);
        }
    }
    EXPECT_EQ(linesOf(page), expected);
}

}  // namespace
