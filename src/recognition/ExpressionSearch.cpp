#include "recognition/ExpressionSearch.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "pdf/text/PaintedText.h"
#include "pdf/text/TextPage.h"
#include "pdf/text/TextSearch.h"
#include "recognition/HitInfoLocator.h"
#include "text/Ascii.h"
#include "text/Regex.h"

PageRange searchRange(bool useRange, int fromPage, int toPage, int pageCount) {
    PageRange range{1, pageCount};
    if (useRange) range = {fromPage, toPage};
    range.from = std::max(range.from, 1);
    range.to = std::min(range.to, pageCount);
    return range;
}

std::vector<std::unique_ptr<Regex>> compileExpressions(
    const std::vector<std::string>& expressions) {
    std::vector<std::unique_ptr<Regex>> compiled;
    try {
        for (const std::string& expression : expressions) {
            if (expression.empty()) break;
            compiled.push_back(std::make_unique<Regex>(expression));
        }
    } catch (const RegexError& e) {
        throw DocumentError(e.what());
    }
    return compiled;
}

std::vector<Finds> findOnPage(const pdf::Page& page, const pdf::PaintedText& painted,
                              const pdf::TextPage& text,
                              const std::vector<std::unique_ptr<Regex>>& expressions,
                              LinkLimits& limits) {
    std::vector<Finds> found(expressions.size());
    if (expressions.empty()) return found;
    const pdf::SearchableText searchable = pdf::searchableText(text);
    HitInfoLocator locator(page, painted);
    try {
        for (size_t i = 0; i < expressions.size(); ++i) {
            Finds& finds = found[i];
            pdf::searchPage(searchable, *expressions[i], [&](pdf::SearchMatch&& match) {
                std::vector<HitInfo> hits = locator.getSearchHitInfo(match.highlights, match.text);
                limits.add(page, std::max<size_t>(hits.size(), 1));
                finds.matches.push_back(
                    {std::move(match.text), finds.rectangles.size(), hits.size()});
                for (const HitInfo& hit : hits)
                    finds.rectangles.push_back({hit.x, hit.y, hit.width, hit.height});
            });
        }
    } catch (const RegexError& e) {
        throw DocumentError(e.what());
    }
    return found;
}

void handOnMatch(size_t expression, int page, const Finds& finds, const Finds::Match& match,
                 const HitHandler& onHit) {
    HitInfo hit;
    hit.page = page;
    hit.searchText = utf8ToAscii(match.text);
    for (size_t r = match.firstRectangle; r < match.firstRectangle + match.rectangleCount; ++r) {
        const Finds::Rectangle& rectangle = finds.rectangles[r];
        hit.x = rectangle.x;
        hit.y = rectangle.y;
        hit.width = rectangle.width;
        hit.height = rectangle.height;
        onHit(expression, match.text, hit);
    }
}

namespace {

void printProgress(const PageRange& range, int page) {
    std::printf("Progress %d\n", (page - range.from + 1) * 100 / range.span());
    std::fflush(stdout);
}

// Hands on the hits of one expression's matches on one page, as the
// locator made them.
void handOn(size_t expression, int page, const PageRange& range, const Finds& finds,
            const HitHandler& onHit) {
    for (const Finds::Match& match : finds.matches) {
        printProgress(range, page);
        handOnMatch(expression, page, finds, match, onHit);
    }
}

void searchAll(const pdf::Document& document, const PageRange& range,
               const std::vector<std::string>& expressions, LinkLimits& limits,
               const HitHandler& onHit);

}  // namespace

void searchExpressions(const pdf::Document& document, const PageRange& range,
                       const std::vector<std::string>& expressions, LinkLimits& limits,
                       const HitHandler& onHit) {
    // A job's expression that cannot be used fails the job as the job's own
    // failure, with the expression named.
    try {
        searchAll(document, range, expressions, limits, onHit);
    } catch (const RegexError& e) {
        throw DocumentError(e.what());
    }
}

namespace {

void searchAll(const pdf::Document& document, const PageRange& range,
               const std::vector<std::string>& expressions, LinkLimits& limits,
               const HitHandler& onHit) {
    const std::vector<std::unique_ptr<Regex>> compiled = compileExpressions(expressions);
    if (range.empty() || compiled.empty()) return;
    // found[page - from][expression]: filled when the first expression comes
    // to the page, emptied as each expression's turn passes.
    std::vector<std::vector<Finds>> found(static_cast<size_t>(range.span()));
    for (size_t i = 0; i < compiled.size(); ++i) {
        for (int page = range.from; page <= range.to; ++page) {
            std::vector<Finds>& onPage = found[static_cast<size_t>(page - range.from)];
            if (i == 0) {
                const pdf::Page read = document.page(page);
                const pdf::PaintedText painted = pdf::readPaintedText(read);
                onPage = findOnPage(read, painted, pdf::TextPage(read, painted), compiled, limits);
            }
            handOn(i, page, range, onPage[i], onHit);
            onPage[i] = Finds();  // handed on: let go
        }
        printProgress(range, range.to);
    }
}

}  // namespace
