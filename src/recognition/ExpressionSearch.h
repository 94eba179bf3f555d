// The search loop shared by link and product recognition.
//
// Each expression, in job order, is searched over the page range; an empty
// expression ends the list (it and all after it are not searched). Every
// match is located on its page (HitInfoLocator.h) and each located hit is
// handed on, expression by expression, page by page, match by match.
// Progress goes to standard output: after every match a line "Progress P",
// P = (page - from + 1) * 100 / (to - from + 1), and when an expression's
// search is done one more line for the range's last page, so each
// expression ends with "Progress 100".
//
// Each page is read once (PaintedText.h) when the first expression comes to
// it, and every expression is searched and located on it then; the page's
// reading is let go at once and only the located hits are kept until their
// expression's turn. So a job costs one reading per page, and its memory
// grows with what it finds, not with the document; what it finds is counted
// against the limits of LinkLimits.h as it is found.
//
// Cost: per page, the reading and its text (linear in the page's glyphs, as
// the layout makes them), each expression's search of the text, and per
// match its length plus a sort of its glyphs; never a pass over a line or
// the page for each match.
//
// All expressions are compiled before the first is searched, so a pattern
// that does not compile fails the job before anything is found.
// Throws DocumentError (a pattern that does not compile or exceeds its match
// limit; a page or the job finds more than LinkLimits allows), pdf::Error (a
// page that cannot be read).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/text/PaintedText.h"
#include "pdf/text/TextPage.h"
#include "recognition/HitInfo.h"
#include "recognition/LinkLimits.h"

class Regex;

// A range of pages, both ends included; empty when to < from.
struct PageRange {
    int from = 1;
    int to = 0;
    bool empty() const { return to < from; }
    int span() const { return to - from + 1; }
};

// The pages a job asks for, cut to the document: pages outside it are
// absent, and a range whose end lies before its start is empty.
//     searchRange(true, 3, 7, 5) == {3, 5};  searchRange(true, 5, 2, 9).empty()
PageRange searchRange(bool useRange, int fromPage, int toPage, int pageCount);

// onHit(expression index, matched text (UTF-8), located hit)
using HitHandler = std::function<void(size_t, const std::string&, const HitInfo&)>;

void searchExpressions(const pdf::Document& document, const PageRange& range,
                       const std::vector<std::string>& expressions, LinkLimits& limits,
                       const HitHandler& onHit);

// The same search one page at a time, for a caller that reads each page once for several
// outputs (the publication).
//
// Every expression up to the first empty one, compiled. Throws DocumentError naming a pattern
// that does not compile.
std::vector<std::unique_ptr<Regex>> compileExpressions(const std::vector<std::string>& expressions);

// What one expression finds on one page: each match's text and the rectangles it is located as,
// all of the page's rectangles in one array (a match's follow each other), so that a kept link
// costs some 80 bytes until it is handed on.
struct Finds {
    struct Rectangle {
        double x, y, width, height;
    };
    struct Match {
        std::string text;
        std::size_t firstRectangle;
        std::size_t rectangleCount;
    };
    std::vector<Match> matches;
    std::vector<Rectangle> rectangles;
};

// What each expression finds on the page read as painted and text (TextPage(page, painted)),
// by expression. Each match is located and counted against limits as it is found, so a page
// that finds too much is refused before its finds are kept. Throws DocumentError (limits, an
// expression past its match limit), pdf::Error.
// REQUIRES: called on the thread that opened the page's document.
std::vector<Finds> findOnPage(const pdf::Page& page, const pdf::PaintedText& painted,
                              const pdf::TextPage& text,
                              const std::vector<std::unique_ptr<Regex>>& expressions,
                              LinkLimits& limits);

// Hands on each located rectangle of match, one of finds' matches of the expression on page.
void handOnMatch(size_t expression, int page, const Finds& finds, const Finds::Match& match,
                 const HitHandler& onHit);
