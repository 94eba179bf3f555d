// The plain data the page layout stages pass to one another, and the
// thresholds they work with, named in one place. Plain data: nothing thrown.
//
// The stages (each a function with its contract in its own header):
//   LayoutItems.h   painted characters -> items in the frame of their writing
//                   direction, combining marks and spacing accents given to
//                   their letters
//   LayoutLines.h   items -> rows of a common baseline -> lines (a row split
//                   at column gutters and wide gaps) -> words
//   LayoutTables.h  the cells of table rows -> one line per row
//   LayoutBlocks.h  lines -> blocks -> blocks in reading order
//   LayoutFlows.h   blocks -> flows and paragraphs; right-to-left lines in
//                   logical order; hyphenated line ends marked for joining
// TextLayout.h runs them in that order.
//
// Coordinates: an item's frame is page space (points, y down) turned so that
// its text runs along +x and the next line follows at larger y: for upright
// text on the shown page the frame is page space itself. Every distance
// threshold below is a fraction of the font size (the em) of the text
// concerned, so that it holds for footnotes and headlines alike.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "pdf/Geometry.h"

namespace pdf {
namespace layout {

// ---- thresholds ----

// Runs: how far a character may sit off the run's baseline (sub- and
// superscripts), how far past the run's end it may start, and how far back.
constexpr double kRunBaselineShift = 0.5;
constexpr double kRunGap = 0.8;
constexpr double kRunOverlap = 0.5;
// Rows: baselines this close (of the smaller size) are one row.
constexpr double kRowBaselineShift = 0.3;
// Line splitting within a row: gaps up to kJoinGap never split, gaps of
// kSplitGap and more do; between them a gap splits when the rows
// within kGutterReach (kLooseGutterReach when there are none so near)
// leave a strip of kGutterWidth free inside it. On a justified line stretched
// so far that its word spaces are kStretchedSpace ems and more, all alike, a
// gap that is one of them, or one up to kStretchedSentenceSpace times them
// after a sentence's punctuation, is a space unless the rows around line up
// with it (LayoutLines.h).
constexpr double kJoinGap = 0.8;
// Runs of one row that touch (no more than this gap or overlap between them)
// but were painted apart, other rows' text painted between them, where a run
// of a row near starts too, are cells of a table set against each other:
// they split too.
constexpr double kTouchingGap = 0.02;
constexpr double kSplitGap = 3.0;
constexpr double kGutterReach = 2.0;
constexpr double kLooseGutterReach = 3.0;
constexpr double kGutterWidth = 0.3;
constexpr double kStretchedSpace = 0.6;
constexpr double kStretchedSentenceSpace = 6.0;
// A column gutter is judged from the runs of the rows near the gap; with
// more than this many of them (a dense table has a few hundred: rows within
// kLooseGutterReach of a row, cells of a row) the page is no text of columns
// and the gap is none; the bound keeps each judgement's cost constant.
constexpr int kMaxGutterNeighbours = 1024;
// Duplicates: the same character this close along and across the line,
// looked for among the kDuplicateLookback characters before it on the line
// (fake bold draws a glyph two to four times; a line of one character
// painted over and over must not cost the square of its length).
constexpr double kDuplicateAlong = 0.1;
// Overprinting: a character of another run that overlaps its neighbour on
// the line by more than this share of the narrower one is painted over it
// (LayoutLines.h); letters of one line touch, kerning overlaps them by a
// few hundredths of an em.
constexpr double kOverprintShare = 0.5;
constexpr double kDuplicateAcross = 0.2;
constexpr int kDuplicateLookback = 16;
// Words: a gap wider than kWordGap ends a word. On a line whose letters
// mostly touch (at least kTightGaps gaps between letters, their median
// below kWordGap - kLetterMargin), so does a gap kLetterMargin wider than
// that median, down to kMinWordGap: a tightly set line still shows its
// word gaps against its own letter gaps. A letter-spaced line (no gap
// narrower than half kWordGap) needs a gap 1.3 times its narrowest; but
// spacing wider than kMaxLetterSpacing is no letter spacing (the numbers
// along a figure's axis are words of their own).
constexpr double kWordGap = 0.15;
constexpr double kMinWordGap = 0.08;
constexpr double kLetterMargin = 0.06;
constexpr int kTightGaps = 8;
constexpr double kMaxLetterSpacing = 0.8;
// Whatever the line's spacing, a gap of kFixedCellShare of a cell between
// two characters of a fixed-pitch font ends a word: such text has no letter
// spacing, and producers set its spaces as moves of one cell (a line of
// single digits "5 4 3 1 0" is five words, not one letter-spaced word). For
// the same reason the tight-line rule does not lower the word gap below
// kWordGap between two cells of one pitch ("ftp://ftp" with a point of glue
// after each "/" is one word).
constexpr double kFixedCellShare = 0.75;
// Letters of a joining script (Arabic and its kin) touch, but a kashida
// stretching a word may leave gaps between them: there the tight-line rule
// does not lower the word gap below kWordGap, and on a line whose word
// breaks are painted spaces such a gap ends a word only when it is also
// kPaintedSpaceShare of the line's narrowest painted space.
constexpr double kPaintedSpaceShare = 0.8;
// Sub- and superscripts: at most this size of the line's text, at least this
// far off its baseline.
constexpr double kScriptSize = 0.9;
constexpr double kScriptShift = 0.1;
// Tables (LayoutTables.h): rows at most kTableRowPitch apart, at least
// kTableRows of them split into cells, gutters at least kTableGutter wide
// and free in all but kGutterNoise of those rows; a column whose cells are
// at least kNumericShare numbers is a number column, one whose cells hold
// kProseWords words or more (median) a column of running text; columns
// whose widths differ by a factor of kUnequalWidths are unlike; a column of
// running text with cells in fewer than kTableFill of the rows stands
// beside the table; a wrapped cell goes on at most kContinuationPitch below.
constexpr double kTableRowPitch = 3.0;
// Rows of a padded table: the same step, up to kPaddedRowPitch ems, to rows
// of several cells, kTableRows times.
constexpr double kPaddedRowPitch = 6.0;
constexpr int kTableRows = 3;
// A table the page rules (column borders crossed by row rules through its
// rows) needs only kRuledTableRows rows of several cells: a header and one
// row, as reference manuals set a property or an option.
constexpr int kRuledTableRows = 2;
constexpr double kTableGutter = 0.1;
constexpr double kGutterNoise = 0.1;
constexpr double kNumericShare = 0.6;
constexpr int kProseWords = 4;
constexpr double kUnequalWidths = 1.5;
constexpr double kTableFill = 0.5;
constexpr double kContinuationPitch = 1.4;
// ... and kLooseContinuationPitch below in a column of running text, set
// with its document's leading however loose.
constexpr double kLooseContinuationPitch = 1.6;
// A small table: kTableRows rows with cells in kSmallTableCells columns or
// more (a FAQ's three columns of like width). A numbered listing: rows whose
// first cells are line numbers of at most kLineNumberDigits digits, rising
// by one from row to row.
constexpr int kSmallTableCells = 3;
constexpr std::size_t kLineNumberDigits = 6;
// The table search's work on a page, counted in lines looked at, may come
// to this many times the page's lines and rows (plus one); then it stops,
// and the rows it has not joined yet stay as they are (their text read, not
// as table rows). The real-world corpus's pages take at most 15 times their
// lines, its tables included; a page built to make the search take its runs
// apart again and again (thousands of columns of spaced dots) stops here.
constexpr long kTableWorkPerLine = 64;
// Columns of text that repeat side by side are independent when at least
// kTextColumnsLone of the rows with text in them hold it in one column
// only; two or more text columns of kColumnWidth or wider are columns of a
// page when kPageColumnsLone of the rows do.
constexpr double kTextColumnsLone = 0.2;
constexpr double kColumnWidth = 15.0;
constexpr double kPageColumnsLone = 0.5;
// Blocks: baseline distances at which one line continues another, and how
// much their font sizes may differ.
constexpr double kMinLinePitch = 0.3;
constexpr double kMaxLinePitch = 1.8;
constexpr double kMaxSizeRatio = 1.5;
// Paragraphs: first-line indent, and how much wider than the block's usual
// line pitch a gap must be to start a new paragraph.
constexpr double kParagraphIndent = 0.8;
constexpr double kParagraphPitch = 1.3;
// Break marks (LayoutFlows.h): an arrow at a line's end, at most this size of
// the character before it, marks where a word broke.
constexpr double kBreakMarkSize = 0.9;
// Reading order: a block that starts within this distance under the block
// just read, in the same column, is read next.
constexpr double kContinuationGap = 3.0;
// Blocks beyond this count (of one orientation) are read row by row:
// Breuel's ordering costs the cube of the count, and so many blocks are a
// table or a form. Flows on such a page follow position only (whether a
// block spans columns costs a look at every other block).
constexpr int kMaxOrderedBlocks = 200;
// A line's neighbour in the row above or below is sought among at most this
// many rows and lines (in a column of text: one row of a few lines); past
// it the line has none and starts a block.
constexpr int kMaxNeighbourSearch = 256;

// Coordinates and font sizes beyond this many points (far past any page a
// PDF can describe, and past the scale of any drawing on one) are no text:
// such characters, and those with coordinates that are no numbers, are left
// out, so that the stages' sums and products stay finite.
constexpr double kMaxCoordinate = 1e10;

// ---- orientations ----

// Orientations 0 to 3 are quarter turns clockwise of upright text; 4 to 7
// the same for mirrored text (drawn with a flipped matrix), whose lines
// follow each other the other way. Text turned more than kDiagonalTurn
// degrees from every quarter turn (a watermark across the page, a label
// along a chart's slanted axis) has orientation kDiagonal + 2 * degrees
// (its turn clockwise, rounded to a whole degree, 0 to 359), plus one when
// mirrored: its lines are its own, not pieces of every upright row it
// crosses.
constexpr int kMirrored = 4;
constexpr int kDiagonal = 8;
constexpr double kDiagonalTurn = 15;
constexpr int kOrientations = kDiagonal + 2 * 360;

// ---- data ----

// A character in the frame of its writing direction.
struct Item {
    // Along the line: where its advance starts and ends on its baseline, so
    // that the gaps between characters are those of their origins whatever
    // the text matrix (a slanted glyph's box reaches past its advance).
    double x0 = 0, x1 = 0;
    double top = 0, bottom = 0;  // across it (top < bottom): the box's extent
    double base = 0;             // the baseline
    double size = 1;             // em, at least 0.01
    int rot = 0;                 // orientation, 0 to 7
    int src = 0;                 // index of the painted character
    char32_t code = 0;
    bool space = false, mark = false, unmapped = false;
    bool fixedPitch = false;  // of a fixed-pitch font: x1 - x0 is its cell
};

// Which characters carry which marks: owner[i] is the character mark i
// belongs to (-1: none, or i is no mark); each character's marks, in
// content order, run first[c], next[first[c]], ... until -1.
struct MarkLinks {
    std::vector<int> owner, first, next;
};

// Characters on one baseline, of one orientation, and of similar size.
struct Row {
    int rot = 0;
    double base = 0, size = 0;
};

// A line (or, before LayoutTables, a table cell) of a row.
struct Line {
    int rot = 0;
    int row = 0;  // index in the rows
    double x0 = 0, x1 = 0, top = 0, bottom = 0, base = 0, size = 0;
    std::vector<int> clusters;   // head items (marks follow their heads), left to right
    std::vector<int> wordStart;  // indices into clusters where words begin; never empty
    // A joined table row's cells: cellOf[c] is the cell (from 0, in the
    // order joined) that clusters[c] belongs to. Empty on other lines.
    std::vector<int> cellOf;
    // Of a joined table row: the words (indices into wordStart, rising) that
    // end in a hyphen breaking a word at their cell's line end ("contain-"
    // over "ing"): the word goes on at the next one, without the hyphen.
    std::vector<int> hyphenWords;
    // Of a joined table row: the words that end in a hyphen of a name set in
    // a fixed-pitch font ("stats-" over "eratio1,"): the word goes on at the
    // next one, the hyphen kept.
    std::vector<int> keptHyphenWords;
    bool rightToLeftScript = false;
    int table = -1;  // the table it belongs to, counted from 0 on the page
    // Parted from the line before it in its row only because the rows next to
    // it start where it starts (a column's edge; LayoutLines.h): joined to it
    // again unless a table holds either of them.
    bool softStart = false;
    int flow = 0;
    int paragraph = 0;
    bool joinsNext = false;
};

// The lines of a page, row by row (the lines of row r follow those of rows
// before it, left to right), and the rows; the page's rules (PaintedText.h)
// in the frame of upright text (page space): horizontal ones top to bottom,
// vertical ones left to right.
struct LineSet {
    std::vector<Row> rows;
    std::vector<Line> lines;
    std::vector<Rect> horizontalRules;
    std::vector<Rect> verticalRules;
};

struct Block {
    int rot = 0;
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    std::vector<int> lines;  // top to bottom
};

inline double overlap(double a0, double a1, double b0, double b1) {
    return std::min(a1, b1) - std::max(a0, b0);
}

}  // namespace layout
}  // namespace pdf
