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
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "recognition/HitInfo.h"
#include "recognition/LinkLimits.h"

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
