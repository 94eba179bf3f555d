#include "recognition/ExpressionSearch.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "pdf/text/PaintedText.h"
#include "pdf/text/Regex.h"
#include "pdf/text/TextPage.h"
#include "pdf/text/TextSearch.h"
#include "recognition/HitInfoLocator.h"

PageRange searchRange(bool useRange, int fromPage, int toPage, int pageCount) {
    PageRange range{1, pageCount};
    if (useRange) range = {fromPage, toPage};
    range.from = std::max(range.from, 1);
    range.to = std::min(range.to, pageCount);
    return range;
}

namespace {

void printProgress(const PageRange& range, int page) {
    std::printf("Progress %d\n", (page - range.from + 1) * 100 / range.span());
    std::fflush(stdout);
}

// A match and where it was found.
struct Located {
    std::string text;
    std::vector<HitInfo> hits;
};

// What every expression finds on one page, by expression.
std::vector<std::vector<Located>> findOnPage(const pdf::Document& document, int number,
                                             const std::vector<std::unique_ptr<pdf::Regex>>& res) {
    pdf::Page page = document.page(number);
    pdf::PaintedText painted = pdf::readPaintedText(page);
    pdf::SearchableText text = pdf::searchableText(pdf::TextPage(page, painted));
    std::vector<std::vector<Located>> found(res.size());
    for (size_t i = 0; i < res.size(); ++i) {
        for (pdf::SearchMatch& match : pdf::searchPage(text, *res[i])) {
            HitInfoLocator locator(page, painted);
            std::vector<HitInfo> hits = locator.getSearchHitInfo(match.highlights, match.text);
            found[i].push_back({std::move(match.text), std::move(hits)});
        }
    }
    return found;
}

}  // namespace

void searchExpressions(const pdf::Document& document, const PageRange& range,
                       const std::vector<std::string>& expressions, const HitHandler& onHit) {
    std::vector<std::unique_ptr<pdf::Regex>> compiled;
    for (const std::string& expression : expressions) {
        if (expression.empty()) break;
        compiled.push_back(std::make_unique<pdf::Regex>(expression));
    }
    if (range.empty() || compiled.empty()) return;
    // found[page - from][expression]: filled when the first expression comes
    // to the page, emptied as each expression's turn passes.
    std::vector<std::vector<std::vector<Located>>> found(static_cast<size_t>(range.span()));
    for (size_t i = 0; i < compiled.size(); ++i) {
        for (int page = range.from; page <= range.to; ++page) {
            std::vector<std::vector<Located>>& onPage =
                found[static_cast<size_t>(page - range.from)];
            if (i == 0) onPage = findOnPage(document, page, compiled);
            for (const Located& match : onPage[i]) {
                printProgress(range, page);
                for (const HitInfo& hit : match.hits) onHit(i, match.text, hit);
            }
            std::vector<Located>().swap(onPage[i]);
        }
        printProgress(range, range.to);
    }
}
