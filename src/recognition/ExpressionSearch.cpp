#include "recognition/ExpressionSearch.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "pdf/Regex.h"
#include "pdf/TextSearch.h"
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

}  // namespace

void searchExpressions(PageContentCache& pages, const PageRange& range,
                       const std::vector<std::string>& expressions, const HitHandler& onHit) {
    std::vector<std::unique_ptr<pdf::Regex>> compiled;
    for (const std::string& expression : expressions) {
        if (expression.empty()) break;
        compiled.push_back(std::make_unique<pdf::Regex>(expression));
    }
    if (range.empty()) return;
    for (size_t i = 0; i < compiled.size(); ++i) {
        for (int page = range.from; page <= range.to; ++page) {
            for (const pdf::SearchMatch& match : pdf::searchPage(pages.text(page), *compiled[i])) {
                printProgress(range, match.page);
                HitInfoLocator locator(pages);
                for (const HitInfo& hit : locator.getSearchHitInfo(match.highlights, match.text))
                    onHit(i, match.text, hit);
            }
        }
        printProgress(range, range.to);
    }
}
