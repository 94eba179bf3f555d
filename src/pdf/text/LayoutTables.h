// Layout stage 3: tables read row by row.
//
// LayoutLines splits a row at column gutters, so the cells of a table row
// come out as separate lines, and block building would read a table one
// column after another. This stage finds the rows that are rows of a table
// and joins each one's cells into one line, left to right (right to left in
// a table of right-to-left script), one word break between cells; each
// cluster of a joined row carries its cell's number (Line::cellOf), so that
// the page text can tell a gutter from a word space (TextSearch.h).
//
// What is a table, and what are independent columns (a two-column article,
// a three-column index, notes in a margin), which must stay apart:
//   1. Runs. Within one orientation and a horizontal range (at first the
//      whole page), consecutive rows holding text in the range, each at most
//      kTableRowPitch ems below the one before (up to kPaddedRowPitch ems
//      for a step to a row of several cells that recurs kTableRows times:
//      a padded, ruled table; or any step to a row of several cells
//      when a column border the page draws runs through that row and the
//      one above it), form a run. A run needs kTableRows rows split into
//      two or more cells (multi-cell rows); kRuledTableRows when the page
//      rules them (below): a header and one row.
//   2. Gutters. A gutter is a vertical strip at least kTableGutter ems wide
//      that the cells of the run's multi-cell rows leave free, but for a
//      tenth of them, rounded (kGutterNoise: a header cell spanning two
//      columns, one line of a row whose cells lie close),
//      and that leaves text in more than that tenth (and one) of the run's
//      rows on either side. In a ruled table the rules are the gutters: the
//      vertical rules the page draws (PaintedText.h) through the text of
//      kTableRows of the run's multi-cell rows (all of them, when fewer),
//      each crossed by a horizontal
//      rule (a frame's edge beside running text is not); its groups are
//      not taken apart in step 5, and they are a table in step 6. The strips between gutters are
//      the run's slots.
//   3. Rows across gutters. A numbered listing (the first cell of every
//      multi-cell row a line number of at most kLineNumberDigits digits,
//      the numbers rising by one from row to row but for a tenth of the
//      steps) is read row by row as it is: its code lines may cross its
//      columns as they like, and steps 3 to 6 do not apply. Otherwise a
//      row of a single cell that spans a gutter (a
//      paragraph above or below the table, a full-width heading) cuts the
//      run, but for one word that cannot break (an address, a path) set
//      under a cell of the row above, at its start, right of a gutter; a line of at most kShortCell ems across gutters narrower than
//      kJoinGap ems only (a header's second line, "(bits)" under "Size")
//      does not. kTableRows or more multi-cell rows whose cells span gutters,
//      with single cells between them, are a structure of their own (a
//      table under three columns of text) and are taken apart, with the
//      single cells and the rows of short cells (its header) next to them.
//      Each piece (leaving out at least one row of the run) is taken from
//      step 2. A structure that, with the rows next to it, leaves beside it
//      no piece of kTableRows rows is the run itself, read on as it is.
//   4. Slots. Each multi-cell row gives each slot an entry (its cells in the
//      slot). A slot is a number column when at least kNumericShare of its
//      entries are numbers (digits, with separators, signs, currency and
//      unit letters, dot leaders left out; roman page numbers; a dash for no
//      value), a prose column when its entries hold kProseWords words with
//      letters or more (median). A slot runs on when most of its entries
//      that follow an entry in the row above start in lower case.
//   5. Independent columns. A prose slot at either side that has an entry
//      in fewer than kTableFill of the multi-cell rows is running text
//      beside a table (not inside a ruled table's frame, where a column set
//      in its rows' middles shares few of their baselines). Two or more text slots kColumnWidth ems
//      wide or wider, when kPageColumnsLone of the rows with text in them hold it in one of them
//      only, are columns of the page, each starting a group with the narrower slots after it. Slots
//      that repeat a pattern of like width ([entry, page] [entry, page], or [text] [text] with
//      kTextColumnsLone of the rows in one unit only, unless units of
//      several slots each are all filled, but maybe the last, by every row
//      with cells in two of them: a table whose last column wraps or holds a
//      remark now and then; each unit's slots of the same
//      kinds, number, prose or other text), after any leading
//      number columns such as line numbers, are independent groups: a
//      two-column table of contents, the columns of an index. Leading
//      numbers missing in more than a tenth of the rows with text after
//      them (left empty where that text wraps) are a table's keys, not
//      line numbers: the slots are one group.
//   6. Tables. A group is a table when kTableRows of its rows have cells in
//      two of its slots, and (it has a number column with numbers in
//      kTableRows rows, or its text columns, in text of one size and not
//      all running on, differ in width by a factor of kUnequalWidths or
//      more (a column whose cells are one word each, names or
//      identifiers, never runs on), or are keys beside running text (two
//      slots: names of a word or two that do not run on, and prose, both in
//      kKeyedFill of the rows, a key without its text in at most a tenth;
//      not of one width to a hundredth, as columns of a page are), or hold
//      cells in kSmallTableCells slots or more in kTableRows
//      rows, none of them prose or kColumnWidth ems wide, some of them
//      phrases: a median of two words or more), unless all its slots are
//      prose. A slot with an entry in one
//      row only (a page number) is no column. So: price lists, statistics,
//      tables of contents (with or without dot leaders), code listings with
//      line numbers or comments, key / description tables and small tables
//      of three columns or more (a FAQ's options, what they help, what
//      they cost) are tables; columns of running text, of like width or
//      beside notes in a margin that run on with them, are not.
//   7. A group that is not a table is searched again slot by slot (step 1
//      within the slot's range), so a table set in one column of an article
//      is found inside that column; a slot that holds all the run's cells
//      is not (it would be the same search again).
//
// In a table, a row whose every line continues a text cell of the row just
// joined (same slot, or under a later word of a cell that reaches into its
// slot; left aligned with it or right aligned in right-to-left script; of
// its size; within kContinuationPitch ems below it; one line a
// slot) holds wrapped cells: each line's text is read within the cell it
// continues, so that a row whose description and entity both wrap stays one
// row; not where a horizontal rule the page draws lies between a line and
// the cell above it (the border of a ruled table's rows). A line in a number
// column continues only the end of a range that
// wrapped ("0.0 -" over "180.0"); one in the first (key)
// column only when it goes on in lower case (a hanging indent of up to two
// ems allowed), or under a word of the key's line that stands after a wide
// gap (a type column the gutter search did not part from the keys:
// "ACSCALE  Integer" over "array"), for a new row often starts with a
// heading there; never in a key column of single words (names, identifiers:
// "weber" over "tesla"), but where the rest of its row goes on, one of its
// lines under a cell broken at a hyphen, and the row leaves a number column
// of the row above empty ("Granite" over "Devices" beside "VSD-" over
// "E/XE", under step times of "125"). A line wraps its cell only where its
// first word would not have fitted at the end of the line above, in its
// column, as wide as the cells that start in it (a name that overflowed from
// the column before makes no room; a key that goes on with its row ends in
// the gutter after it): under
// one it could have followed, it is an entry of its own ("de-DE" over
// "de-DE-1901", an item of a list set in the cell, a sub-row whose first
// cell is empty). A column of running text wraps up to
// kLooseContinuationPitch ems below (a document's loose leading), as does a
// word broken by a hyphen. A table's first row, its header as a rule, goes
// on only in lower case or after a hyphen: a header of two lines ("Size"
// over "(bits)") stays as printed. Lines that LayoutLines parted softly
// (Line::softStart) and no table holds are joined again. A word broken by a hyphen at a cell's line
// end ("contain-" over "ing") goes on without it (Line::hyphenWords). Every line of a table gets
// Line::table, the table's number, and so do the single lines between its rows.
//
// Bounded work: the search is a work list, not a recursion. Each search it
// adds to the list (a piece, a slot) covers fewer of the run's cells than
// the run, so it ends; and its work on a page stops at kTableWorkPerLine
// times the page's lines (LayoutModel.h), the rows not yet joined then
// staying as they are. Apart from that bound, the work is that of the
// searches: each costs the lines of its rows, a gutter dropped costs a look
// at the run's cells again.
//
//     joinTableRows(set, items);
//
// No state; nothing thrown.
#pragma once

#include <vector>

#include "pdf/text/LayoutModel.h"

namespace pdf {
namespace layout {

// Joins the cells of table rows in set.lines (and the wrapped cells that
// continue them) into one line per row, keeping set.lines ordered row by
// row, left to right. REQUIRES: set = buildLines(items, ...).
void joinTableRows(LineSet& set, const std::vector<Item>& items);

}  // namespace layout
}  // namespace pdf
