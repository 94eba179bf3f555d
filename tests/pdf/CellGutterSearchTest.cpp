// The searchable text of a page with a table (10-point Helvetica, built from
// code): a table row reads as one line with its cells one space apart, but
// no match runs over the gutter between two cells as if over that space.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/builder/PdfBuilder.h"
#include "pdf/text/TextPage.h"
#include "pdf/text/TextSearch.h"
#include "support/SyntheticText.h"
#include "support/TestSupport.h"
#include "text/Regex.h"

using namespace testing_support;

namespace {

pdfbuild::TextRun at(double x, double y, const std::string& text) {
    return pdfbuild::textRun(x, y, text, 10);
}

std::vector<std::string> matchesOf(const pdf::SearchableText& text, const std::string& pattern) {
    std::vector<std::string> found;
    for (const pdf::SearchMatch& m : pdf::searchPage(text, Regex(pattern))) found.push_back(m.text);
    return found;
}

// A flags table whose first column's cells end in "page" and whose second
// column's start with a digit, then a paragraph that names a page.
TEST(CellGutterSearch, MatchesStayWithinTheCellsOfATableRow) {
    pdf::Library library;
    TempDir dir;
    pdfbuild::PageSpec page;
    page.texts = {at(72, 720, "Flag"),
                  at(190, 720, "Value"),
                  at(250, 720, "Effect"),
                  at(72, 706, "Align to page"),
                  at(190, 706, "1<<3"),
                  at(250, 706, "Blocks start on a new page of their own"),
                  at(72, 692, "Keep with page"),
                  at(190, 692, "1<<4"),
                  at(250, 692, "Blocks stay with the one before"),
                  at(72, 678, "Number the page"),
                  at(190, 678, "1<<5"),
                  at(250, 678, "The page number is printed at the foot"),
                  at(72, 640, "The flags are described on page 12 and in the index.")};
    pdfbuild::DocumentSpec spec;
    spec.pages = {page};
    std::string path = dir.file("flags.pdf");
    pdfbuild::writePdf(spec, path);
    pdf::Document doc(path);
    pdf::TextPage text(doc.page(1));

    // The rows read as one line each, cells one space apart.
    EXPECT_EQ(linesOf(text),
              (std::vector<std::string>{
                  "Flag Value Effect", "Align to page 1<<3 Blocks start on a new page of their own",
                  "Keep with page 1<<4 Blocks stay with the one before",
                  "Number the page 1<<5 The page number is printed at the foot",
                  "The flags are described on page 12 and in the index."}));
    pdf::SearchableText searchable = pdf::searchableText(text);
    // The searched text differs from the page's text at the gutters only.
    ASSERT_EQ(searchable.text.size(), text.text().size());
    std::string expected = text.text();
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (searchable.text[i] != expected[i]) expected[i] = pdf::kCellSeparator;
    EXPECT_EQ(expected, searchable.text);
    EXPECT_NE(std::string::npos, searchable.text.find("page\t1<<3\tBlocks"));
    EXPECT_NE(std::string::npos, searchable.text.find("Blocks start on a new page of their own"));

    // "page 1" in the rows is "page" ending one cell and "1<<3" starting the
    // next: no match. The paragraph's "page 12" is one.
    EXPECT_EQ((std::vector<std::string>{"page 12"}), matchesOf(searchable, "[Pp]age \\d+"));
    // A pattern that asks for any white space crosses the gutter as it
    // would a line break; its text is reported with the page text's space.
    EXPECT_EQ((std::vector<std::string>{"page 1", "page 1", "page 1", "page 1"}),
              matchesOf(searchable, "[Pp]age\\s\\d"));
}

}  // namespace
