// "createindex" on real-world documents: the words of every page against poppler's pdftotext
// (support/WordAgreement.h tells the two measures), and every visible character.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/CorpusTools.h"
#include "support/TestSupport.h"
#include "support/WordAgreement.h"

using namespace testing_support;

namespace {

void report(const std::string& name, const Agreement& a) {
    std::printf(
        "%-42s pdftotext %7ld words, index %7ld; in page order %6.2f%%, in paragraph "
        "order %6.2f%%\n",
        name.c_str(), a.reference, a.ours, 100 * a.page(), 100 * a.paragraph());
}

// Documents of running text: prose in one to three columns, with figures, footnotes,
// hyphenation, Type 3 fonts, encryption, an OCR layer under a scan, in English, German and
// Chinese. At least 97 % of pdftotext's words must be found, in order, in its paragraphs.
TEST(CorpusText, TextDocumentsAgreeWithPdftotext) {
    if (corpusDir().empty()) GTEST_SKIP() << "corpus not present";
    if (!haveTools()) GTEST_SKIP() << "poppler-utils not installed";
    const char* const documents[] = {
        "pdfjs_freeculture.pdf",        "pdfjs_tracemonkey.pdf",
        "pysf_multicolumn.pdf",         "plumber_federal-register-2020-17221.pdf",
        "pysf_mistitled_outlines.pdf",  "pdfjs_bug1997343.pdf",
        "pdfjs_bug1669099.pdf",         "pdfjs_bug1795263.pdf",
        "pdfjs_issue918.pdf",           "pdfjs_issue5896.pdf",
        "pdfjs_issue9972-1.pdf",        "pysf_libre-office-link.pdf",
        "pdfjs_rotation.pdf",           "ocrmypdf_graph_ocred.pdf",
        "plumber_issue-67-example.pdf", "pdfjs_issue14046.pdf",
    };
    for (const char* name : documents) {
        std::string pdf = corpusFile(name);
        if (pdf.empty()) continue;
        Agreement a = measure(pdf);
        report(name, a);
        EXPECT_GE(a.paragraph(), 0.97) << name;
        // The index loses no text: it holds about as many words as pdftotext finds.
        EXPECT_GE(a.ours, a.reference * 0.95) << name;
    }
}

// The rest of the corpus, reported for the record: math-heavy notes, tables, short
// right-to-left and vertical CJK samples, mirrored text, fonts without a usable Unicode map.
TEST(CorpusText, OtherDocumentsAreReported) {
    if (corpusDir().empty()) GTEST_SKIP() << "corpus not present";
    if (!haveTools()) GTEST_SKIP() << "poppler-utils not installed";
    for (const char* name :
         {"pysf_GeoTopo.pdf", "plumber_nics-rotated.pdf", "qpdf_overlay-copy-annotations.pdf",
          "pdfjs_issue19971.pdf", "pdfjs_issue11656.pdf", "pdfjs_issue12705.pdf",
          "pdfjs_issue6387.pdf", "pdfjs_bug900822.pdf", "plumber_issue-848.pdf",
          "pysf_habibi-rotated.pdf"}) {
        std::string pdf = corpusFile(name);
        if (pdf.empty()) continue;
        Agreement a = measure(pdf);
        report(name, a);
        EXPECT_GT(a.ours, 0) << name;
    }
}

// Nothing visible lost. On every page of every Latin-script document of the corpus (at least
// 95 % of its letters Latin), the index holds the characters that pdftotext finds inside the
// crop box, compared as multisets so that word splitting, hyphens and composition count for
// nothing. The measure that must reach 99.5 % counts the characters pdftotext and MuPDF's own
// extraction (mutool) agree on: each reads some glyphs wrongly on its own (pdftotext gives
// TeX's prime as 0 and its "not equal" as "6="), and a character the two read alike is one the
// page shows. Both figures are printed per document.
TEST(CorpusText, VisibleCharactersAreAllInTheIndex) {
    if (corpusDir().empty()) GTEST_SKIP() << "corpus not present";
    if (!haveTools() || shell("command -v mutool").empty()) GTEST_SKIP() << "tools missing";
    for (const std::string& name : listDir(corpusDir())) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".pdf") continue;
        const std::string pdf = corpusFile(name);
        std::vector<std::string> index = indexTexts(pdf);
        if (index.empty()) {
            std::printf("%-42s no index (the program refuses the file)\n", name.c_str());
            continue;
        }
        std::map<int, std::string> poppler = pdftotextCropText(pdf);
        std::map<int, std::string> mupdf = mutoolPageTexts(pdf);
        long reference = 0, held = 0, agreed = 0, heldAgreed = 0;
        std::string all;
        for (size_t p = 0; p < index.size(); ++p) {
            const int number = static_cast<int>(p) + 1;
            all += poppler[number];
            auto ours = comparableCharacters(index[p]);
            auto theirs = comparableCharacters(poppler[number]);
            auto both = common(theirs, comparableCharacters(mupdf[number]));
            reference += countOf(theirs);
            held += heldIn(theirs, ours);
            agreed += countOf(both);
            heldAgreed += heldIn(both, ours);
        }
        const bool latin = latinScript(all);
        auto percent = [](long part, long whole) {
            return whole == 0 ? 100.0 : 100.0 * part / whole;
        };
        std::printf(
            "%-42s %s pdftotext %7ld characters, index holds %6.2f%%; agreed %7ld, "
            "index holds %6.2f%%\n",
            name.c_str(), latin ? "latin" : "other", reference, percent(held, reference), agreed,
            percent(heldAgreed, agreed));
        if (latin) {
            EXPECT_GE(percent(heldAgreed, agreed), 99.5) << name;
        }
    }
}

}  // namespace
