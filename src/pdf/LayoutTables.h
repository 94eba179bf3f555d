// Layout stage 3: tables read row by row.
//
// LayoutLines splits a row at column gutters, so the cells of a table row
// come out as separate lines, and block building would read a table one
// column after another. This stage finds the rows that are rows of a table
// and joins each one's cells into one line, left to right (right to left in
// a table of right-to-left script), one word break between cells.
//
// What is a table, and what are independent columns (a two-column article,
// a three-column index), which must stay apart:
//   1. Runs. Within one orientation and a horizontal range (at first the
//      whole page), consecutive rows holding text in the range, each at most
//      kTableRowPitch ems below the one before, form a run. A run needs
//      kTableRows rows split into two or more cells (multi-cell rows).
//   2. Gutters. A gutter is a vertical strip at least kTableGutter ems wide
//      that the cells of the run's multi-cell rows leave free, but for a
//      tenth of them (kGutterNoise: a header cell spanning two columns).
//      The strips between gutters are the run's slots.
//   3. Breakers. A row of a single cell that spans a gutter (a paragraph
//      above or below the table, a full-width heading) does not belong to a
//      table: the run is cut there, and each piece is taken from step 2.
//   4. Slots. Each multi-cell row gives each slot an entry (its cells in the
//      slot). A slot is a number column when at least kNumericShare of its
//      entries are numbers (digits, with separators, signs, currency and
//      unit letters; roman page numbers; a dash for no value), a prose
//      column when its entries hold kProseWords words or more (median).
//   5. Independent columns. Slots that repeat a pattern of equal width
//      ([entry, page] [entry, page], or [text] [text], after any leading
//      number columns such as line numbers) are independent groups: a
//      two-column table of contents, the columns of an index. A prose slot
//      at either side that has an entry in fewer than half the multi-cell
//      rows is a column of running text beside a table, and stands apart.
//   6. Tables. A group is a table when it has kTableRows multi-cell rows
//      and (a number column, or text columns whose widths differ by a factor
//      of kUnequalWidths or more in text of one size), unless all its slots
//      are prose. So: price lists, statistics, tables of contents (with or
//      without dot leaders), code listings with line numbers and key /
//      description tables are tables; columns of running text, of equal
//      width and without numbers, are not.
//   7. A group that is not a table is searched again slot by slot (step 1
//      within the slot's range), so a table set in one column of an article
//      is found inside that column.
//
// In a table, a row whose cells all continue, left aligned (right aligned in
// right-to-left script) and within kContinuationPitch ems, the text cells of
// the row above, and that has no cell in the first (key) column nor in a
// number column, is a wrapped cell: its text is read within the cell it
// continues. Every line of a table gets Line::table, the table's number.
//
//     joinTableRows(set, items);
//
// No state; nothing thrown.
#pragma once

#include <vector>

#include "pdf/LayoutModel.h"

namespace pdf {
namespace layout {

// Joins the cells of table rows in set.lines (and the wrapped cells that
// continue them) into one line per row, keeping set.lines ordered row by
// row, left to right. REQUIRES: set = buildLines(items, ...).
void joinTableRows(LineSet& set, const std::vector<Item>& items);

}  // namespace layout
}  // namespace pdf
