// Fuzz target: a PDF from bytes to what the publication takes from it. The bytes are opened as
// a PDF; for each of its first pages the page text (reading order, lines, words), the located
// characters, the link annotations and the page's size; matches of two expressions located on
// the page; then the outline, the page labels and
// the title. A refused or broken file must end in pdf::Error, never in a crash, a hang or a
// leak.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "pdf/Document.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Links.h"
#include "pdf/Outline.h"
#include "pdf/PageLabels.h"
#include "pdf/text/TextPage.h"
#include "recognition/ExpressionSearch.h"

namespace {

// Enough pages to reach the page tree's odd corners, few enough to keep a run fast.
constexpr int kPagesRead = 4;

pdf::Library* library = nullptr;

void readPage(const pdf::Document& document, int number) {
    pdf::Page page = document.page(number);
    (void)page.width();
    (void)page.height();
    pdf::TextPage text(page);
    size_t characters = 0;
    for (const pdf::TextLine& line : text.lines()) {
        for (const pdf::TextWord& word : text.words(line)) {
            characters += text.chars(word).size();
            (void)text.wordText(word);
        }
    }
    (void)characters;
    for (const pdf::LinkAnnotation& link : pdf::readLinks(document, page))
        (void)page.userToPage().apply(link.rect);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzfiles::silenceOutput();  // the search's progress lines
    library = new pdf::Library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzfiles::writeInput(data, size, "input.pdf");
    try {
        pdf::Document document(path);
        const int pages = document.pageCount();
        for (int n = 1; n <= pages && n <= kPagesRead; ++n) {
            try {
                readPage(document, n);
            } catch (const pdf::Error&) {
                // One broken page fails its job; the others are still read here.
            }
        }
        // Matches located on their glyphs, as "recognizelinks" does.
        PageRange range{1, pages < kPagesRead ? pages : kPagesRead};
        try {
            LinkLimits limits("links");
            searchExpressions(document, range, {"[A-Za-z]{2,}", "\\d+"}, limits,
                              [](size_t, const std::string&, const HitInfo&) {});
        } catch (const pdf::Error&) {
        } catch (const DocumentError&) {
            // More matches than a job may add: refused, as the job would be.
        }
        (void)pdf::readOutline(document);
        pdf::PageLabels labels(document);
        for (int n = 1; n <= pages && n <= kPagesRead; ++n) (void)labels.label(n);
        (void)document.title();
    } catch (const pdf::Error&) {
    }
    return 0;
}
