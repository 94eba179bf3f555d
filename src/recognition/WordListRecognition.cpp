// "recognizelinks" with "usebinarysearch": page words looked up in the
// job's word list. A page word that is no list word but holds CJK text,
// which has no spaces between words, gets a link on each list word inside it
// (FindWords::findWithin).
#include <algorithm>
#include <cstdio>

#include "document/PDFDocument.h"
#include "pdf/text/TextPage.h"
#include "recognition/FindWords.h"
#include "recognition/HitInfo.h"
#include "recognition/LinkLimits.h"
#include "recognition/Recognition.h"
#include "text/TextEncoding.h"

bool recognizeWordListLinks(PDFDocument& document, std::vector<ImportLinksExpression> expressions) {
    const int n = static_cast<int>(expressions.size());
    std::sort(expressions.begin(), expressions.end());
    FindWords finder(expressions);
    std::vector<HitInfo> hits;
    LinkLimits limits("links");

    const int count = document.getNumberOfPages();
    for (int i = 1; i <= count; ++i) document.pageRecord(i).prepare();
    for (int i = 1; i <= count; ++i) {
        std::printf("Page Number=%d\nProgress %d\n", i, i * 95 / count);
        std::fflush(stdout);
        pdf::Page page = document.pdf().page(i);
        pdf::TextPage text(page);
        // One link on found characters: the bounding box of their quads on the shown page.
        auto addHit = [&](pdf::Items<pdf::TextChar> found, const std::string& foundText,
                          const ImportLinksExpression& expression) {
            limits.add(page, 1);
            pdf::Extent box;
            for (const pdf::TextChar& c : found) {
                const pdf::Point quad[4] = {c.quad.lowerLeft, c.quad.lowerRight, c.quad.upperRight,
                                            c.quad.upperLeft};
                box.add(pdf::quadExtent(quad, page.userToPage(), {1, 0}));
            }
            HitInfo hit;
            hit.page = i;
            hit.x = box.s0;
            hit.y = box.t0;
            // Never 0 wide or high: a link must have an extent to be seen and clicked.
            hit.width = std::max(1.0, box.s1 - box.s0);
            hit.height = std::max(1.0, box.t1 - box.t0);
            hit.searchText = foundText;
            hit.url = expression.result;
            hit.linkText = expression.description;
            hit.linkType = expression.linkType;
            hit.target = expression.target;
            if (clipToPage(hit, page.width(), page.height())) hits.push_back(hit);
        };
        int wordIndex = 0;
        for (const pdf::TextLine& line : text.lines()) {
            for (const pdf::TextWord& word : text.words(line)) {
                auto chars = text.chars(word);
                SearchMatching record;
                record.word = std::string(text.wordText(word));
                record.length = static_cast<int>(chars.size());
                // A markedly smaller trailing character (a footnote mark, a
                // superscript) is not part of the word looked up.
                for (size_t l = 0; l + 1 < chars.size(); ++l) {
                    if (chars[l].fontSize * 0.9 > chars[l + 1].fontSize) {
                        std::wstring head;
                        for (size_t c = 0; c <= l; ++c) head += static_cast<wchar_t>(chars[c].code);
                        record.word = wideToUtf8(head);
                        record.length = static_cast<int>(l + 1);
                        break;
                    }
                }
                record.pageNumber = i;
                record.wordIndex = wordIndex++;
                if (finder.binarySearch(0, n - 1, record)) {
                    addHit(chars, record.word, record.expression);
                    continue;
                }
                // Text without spaces between words: the list words inside
                // the page word, each linked on its own characters.
                std::vector<char32_t> codes;
                codes.reserve(chars.size());
                for (const pdf::TextChar& c : chars) codes.push_back(c.code);
                for (const WordSpan& span : finder.findWithin(codes)) {
                    pdf::Items<pdf::TextChar> within(&chars[static_cast<size_t>(span.first)],
                                                     static_cast<size_t>(span.count));
                    std::string found;
                    for (const pdf::TextChar& c : within) appendUtf8(found, c.code);
                    addHit(within, found, finder.expression(span.expression));
                }
            }
        }
    }
    addLinksFromHits(document, hits);
    document.savePages();
    return true;
}
