// Layout stage 2: items into rows, rows into lines, lines into words.
//
//   - Characters that follow each other in the content stream along one
//     baseline form runs (a character may sit kRunBaselineShift off the
//     run's baseline, start kRunGap past its end or kRunOverlap back); a
//     run's baseline is its first character's, or the one all the others
//     share when the first alone is raised or lowered.
//   - Runs on a common baseline (within kRowBaselineShift) form a row.
//   - A row splits into lines at gaps of kSplitGap and more, and at gaps of
//     more than kJoinGap that continue into a neighbouring row (a column
//     gutter: the rows within kGutterReach, or within kLooseGutterReach
//     when none so near has text on both sides, leave a strip of
//     kGutterWidth free in the gap, with text on both sides of the strip;
//     a gap no wider than a sentence's space, 2.5 times the row's median
//     word space, needs two such rows, or text beside the strip that starts,
//     ends or is centred where the row's own does: spaces after sentences
//     of two justified lines may lie one over the other); but not at a gap
//     of a justified line stretched far, whose word spaces after letters
//     and digits near it are kStretchedSpace and more and alike, that is one
//     of them or, after punctuation, no wider than kStretchedSentenceSpace
//     of them, and that no text of the rows around starts, ends or is
//     centred with (TeX's "versity, New York.      URL https://…" before an
//     address it could not break; a table's cells line up); and, in upright
//     text, at any gap that a
//     vertical rule the page draws runs through from the row's baseline to half an em above it (the
//     border between two cells of a ruled table) — so a justified line stays
//     whole and two columns, or the cells of a table, stay apart. A gap
//     near more than kMaxGutterNeighbours runs of other rows is no gutter.
//     A gap of more than kJoinGap that ends where the nearest rows above and
//     below both start (a column's left edge: a key before its cell's long
//     text) parts the row too, but softly (Line::softStart): LayoutTables
//     joins the two lines again unless a table holds either.
//     Runs of one row that touch (kTouchingGap) part too when they were
//     painted apart (another row's text painted between them, each painted
//     in one go), of the page's text size, and the second starts where a
//     run of another line, one to kLooseGutterReach ems away, starts: two
//     cells of a table whose justified lines fill their columns (FOP's
//     "GPS Data Logger [http://home-" against the next cell's "VisualGPS").
//   - Within a line characters are ordered along the baseline, duplicates
//     dropped (the same character within kDuplicateAlong along the line and
//     kDuplicateAcross across it, among the kDuplicateLookback characters
//     before it: fake bold, text filled and then stroked) and leader dots
//     painted over a character dropped (a dot that is a run of its own and
//     lies within the box of a character of another run next to it, as
//     when a grid of leader dots runs into the page number: "198", not
//     "19.8"), and the line is split into words (splitWords).
//
// Work: n log n in the characters for rows and lines; a gap's gutter and
// stretched-space tests look at no more than kMaxGutterNeighbours runs (and
// sixteen of the row's gaps), a character's duplicate test at
// kDuplicateLookback characters.
//
//     LineSet set = buildLines(items, marks, painted.rules);
//
// No state; nothing thrown.
#pragma once

#include <vector>

#include "pdf/text/LayoutModel.h"
#include "pdf/text/PaintedText.h"

namespace pdf {
namespace layout {

// REQUIRES: marks = attachMarks(items).
// rules: the page's (PaintedText.h), page space.
LineSet buildLines(const std::vector<Item>& items, const MarkLinks& marks,
                   const std::vector<Rule>& rules = {});

// Splits line.clusters (ordered along the baseline) into words, setting
// line.wordStart, and drops unmapped characters, which have kept their words
// together (and any word made of nothing else). A word ends at a space
// character standing between two characters, at a gap wider than the
// line's word gap (LayoutModel.h), and where text returns from a sub- or
// superscript to the baseline.
// REQUIRES: line.clusters holds heads of items (no marks); line.size and
// line.base are set.
void splitWords(Line& line, const std::vector<Item>& items, const MarkLinks& marks);

}  // namespace layout
}  // namespace pdf
