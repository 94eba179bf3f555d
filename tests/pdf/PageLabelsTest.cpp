// Page labels: numbering styles, prefixes, start values, pages without a
// range, and real-world label trees.
#include <gtest/gtest.h>

#include <fstream>

#include "pdf/Document.h"
#include "pdf/Library.h"
#include "pdf/PageLabels.h"
#include "pdf/builder/PdfBuilder.h"
#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

TEST(LabelStyles, RomanNumerals) {
    EXPECT_EQ("i", pdf::PageLabels::roman(1, false));
    EXPECT_EQ("iv", pdf::PageLabels::roman(4, false));
    EXPECT_EQ("XLIX", pdf::PageLabels::roman(49, true));
    EXPECT_EQ("MCMXCIX", pdf::PageLabels::roman(1999, true));
    EXPECT_EQ("MMMMM", pdf::PageLabels::roman(5000, true));
}

TEST(LabelStyles, LettersRepeatAfterZ) {
    EXPECT_EQ("a", pdf::PageLabels::letters(1, false));
    EXPECT_EQ("Z", pdf::PageLabels::letters(26, true));
    EXPECT_EQ("AA", pdf::PageLabels::letters(27, true));
    EXPECT_EQ("bb", pdf::PageLabels::letters(28, false));
    EXPECT_EQ("zzz", pdf::PageLabels::letters(78, false));
}

// Seven pages; labels start at the second page: roman from i, then "A-" with
// decimals from 7, then letters, then a prefix alone.
TEST(PageLabelTree, RangesPrefixesAndStartValues) {
    pdf::Library library;
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(7);
    doc.labels = {{1, 'R', "", 1}, {3, 'D', "A-", 7}, {5, 'a', "", 1}, {6, 0, "Cover", 1}};
    pdfbuild::writePdf(doc, dir.file("labels.pdf"));
    pdf::Document document(dir.file("labels.pdf"));
    pdf::PageLabels labels(document);
    EXPECT_FALSE(labels.label(1).has_value());
    EXPECT_EQ("I", labels.label(2).value());
    EXPECT_EQ("II", labels.label(3).value());
    EXPECT_EQ("A-7", labels.label(4).value());
    EXPECT_EQ("A-8", labels.label(5).value());
    EXPECT_EQ("a", labels.label(6).value());
    EXPECT_EQ("Cover", labels.label(7).value());
}

TEST(PageLabelTree, DocumentWithoutLabelsHasNone) {
    pdf::Library library;
    TempDir dir;
    pdfbuild::DocumentSpec doc;
    doc.pages.resize(2);
    pdfbuild::writePdf(doc, dir.file("plain.pdf"));
    pdf::Document document(dir.file("plain.pdf"));
    EXPECT_FALSE(pdf::PageLabels(document).label(2).has_value());
}

// The label a page's effective label dictionary gives, as the corpus facts
// list them ({"/P": "u:", "/S": "/r", "/St": 2}), computed independently.
std::string expectedLabel(const std::string& dict) {
    std::string prefix, style;
    int start = 1;
    // qpdf marks text strings with "u:".
    if (Match m = Pattern("\"/P\": \"(?:u:)?([^\"]*)\"").search(dict)) prefix = m[1];
    if (Match m = Pattern("\"/S\": \"/(.)\"").search(dict)) style = m[1];
    if (Match m = Pattern("\"/St\": (\\d+)").search(dict)) start = std::stoi(m[1]);
    if (style == "D") return prefix + std::to_string(start);
    if (style == "r" || style == "R") return prefix + pdf::PageLabels::roman(start, style == "R");
    if (style == "a" || style == "A") return prefix + pdf::PageLabels::letters(start, style == "A");
    return prefix;
}

TEST(PageLabelTree, AgreesWithQpdfOnRealWorldFiles) {
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not present";
    pdf::Library library;
    int checked = 0;
    for (const char* name :
         {"pdfjs_labelled_pages", "pdfjs_bug793632", "qpdf_page-labels-and-outlines",
          "qpdf_page-labels-no-zero", "qpdf_11-pages-with-labels", "pysf_GeoTopo", "pdfjs_rotation",
          "plumber_issue-848"}) {
        std::ifstream facts(corpus + "/facts/" + name + ".txt");
        if (!facts) continue;
        pdf::Document document(corpus + "/" + name + ".pdf");
        pdf::PageLabels labels(document);
        std::string line;
        const Pattern entry("^page (\\d+): (\\{.*\\}|\\(none\\)) -> ");
        while (std::getline(facts, line)) {
            Match m = entry.search(line);
            if (!m) continue;
            int page = std::stoi(m[1]);
            if (m[2] == "(none)") {
                EXPECT_FALSE(labels.label(page).has_value()) << name << " page " << page;
            } else {
                EXPECT_EQ(expectedLabel(m[2]), labels.label(page).value_or("<none>"))
                    << name << " page " << page;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

}  // namespace
