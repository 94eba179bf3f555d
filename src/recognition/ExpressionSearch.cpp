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

namespace {

void printProgress(const PageRange& range, int page) {
    std::printf("Progress %d\n", (page - range.from + 1) * 100 / range.span());
    std::fflush(stdout);
}

// What one expression finds on one page: each match's text and the
// rectangles it is located as, all of the page's rectangles in one array
// (a match's follow each other), so that a kept link costs some 80 bytes
// here until its expression's turn.
struct Rectangle {
    double x, y, width, height;
};
struct Match {
    std::string text;
    std::size_t firstRectangle;
    std::size_t rectangleCount;
};
struct Finds {
    std::vector<Match> matches;
    std::vector<Rectangle> rectangles;
};

// What every expression finds on one page, by expression. Each match is
// located as it is found and counted against the limits at once, so a page
// that finds too much is refused before its finds are kept.
std::vector<Finds> findOnPage(const pdf::Document& document, int number,
                              const std::vector<std::unique_ptr<Regex>>& res, LinkLimits& limits) {
    pdf::Page page = document.page(number);
    pdf::PaintedText painted = pdf::readPaintedText(page);
    pdf::SearchableText text = pdf::searchableText(pdf::TextPage(page, painted));
    HitInfoLocator locator(page, painted);
    std::vector<Finds> found(res.size());
    for (size_t i = 0; i < res.size(); ++i) {
        Finds& finds = found[i];
        pdf::searchPage(text, *res[i], [&](pdf::SearchMatch&& match) {
            std::vector<HitInfo> hits = locator.getSearchHitInfo(match.highlights, match.text);
            limits.add(page, std::max<size_t>(hits.size(), 1));
            finds.matches.push_back({std::move(match.text), finds.rectangles.size(), hits.size()});
            for (const HitInfo& hit : hits)
                finds.rectangles.push_back({hit.x, hit.y, hit.width, hit.height});
        });
    }
    return found;
}

// Hands on the hits of one expression's matches on one page, as the
// locator made them.
void handOn(size_t expression, int page, const PageRange& range, const Finds& finds,
            const HitHandler& onHit) {
    for (const Match& match : finds.matches) {
        printProgress(range, page);
        HitInfo hit;
        hit.page = page;
        hit.searchText = utf8ToAscii(match.text);
        for (size_t r = match.firstRectangle; r < match.firstRectangle + match.rectangleCount;
             ++r) {
            const Rectangle& rectangle = finds.rectangles[r];
            hit.x = rectangle.x;
            hit.y = rectangle.y;
            hit.width = rectangle.width;
            hit.height = rectangle.height;
            onHit(expression, match.text, hit);
        }
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
    std::vector<std::unique_ptr<Regex>> compiled;
    for (const std::string& expression : expressions) {
        if (expression.empty()) break;
        compiled.push_back(std::make_unique<Regex>(expression));
    }
    if (range.empty() || compiled.empty()) return;
    // found[page - from][expression]: filled when the first expression comes
    // to the page, emptied as each expression's turn passes.
    std::vector<std::vector<Finds>> found(static_cast<size_t>(range.span()));
    for (size_t i = 0; i < compiled.size(); ++i) {
        for (int page = range.from; page <= range.to; ++page) {
            std::vector<Finds>& onPage = found[static_cast<size_t>(page - range.from)];
            if (i == 0) onPage = findOnPage(document, page, compiled, limits);
            handOn(i, page, range, onPage[i], onHit);
            onPage[i] = Finds();  // handed on: let go
        }
        printProgress(range, range.to);
    }
}

}  // namespace
