// Reading order of the characters a page paints.
//
// Input: the page's characters in content order (PaintedText.h), with
// boxes in page space (points, y down, rotation applied). Output: the same
// characters as words and lines in the order a person reads them. Nothing
// here talks to MuPDF; the layout is geometry only.
//
// How it reads a page:
//   - Characters are grouped by writing direction on the page (upright,
//     turned a quarter either way, upside down); each group is laid out in
//     its own frame, where it runs left to right. The group with the most
//     characters comes first, the others follow in the order above.
//   - Hidden characters, characters whose box centre lies off the page, and
//     duplicates (the same character drawn again within a tenth of an em
//     along its line and a fifth across it, as producers do to fake bold or
//     when they fill and then stroke a glyph) are left out.
//   - Characters that follow each other in the content stream along one
//     baseline form runs; runs on a common baseline form a row; a row splits
//     into lines at gaps of three ems and more, and at gaps of more than
//     0.8 em that continue into a neighbouring row (a column gutter) — so a
//     justified line stays whole and two columns stay apart.
//   - The rows of a table are read left to right, each one line, its cells
//     one space apart, a wrapped cell read within its row (LayoutTables.h
//     tells what a table is and what are independent columns): price lists,
//     statistics, tables of contents and code listings with line numbers
//     read row by row; the columns of an article or an index one after
//     another.
//   - Within a line characters are ordered along the baseline; a space
//     character or a gap of more than 0.15 em ends a word (narrower ones on
//     a line whose letters touch, wider ones in letter-spaced lines, but not
//     beyond 0.8 em); gaps lie between the glyphs' advances on their
//     baseline, so text slanted by its matrix (fake italic) reads as
//     upright text does; combining marks stay with their base character,
//     and so do spacing accents set over or under a letter (old TeX output
//     sets "é" as an acute and an e); a character and its marks are
//     composed as Unicode composes them (NFC).
//   - Lines are chained into blocks when one lies directly under the other,
//     overlaps it sideways and nothing else competes for the link; blocks
//     are read in the order of Breuel's rules: of two blocks that share a
//     horizontal range the upper comes first, of two side by side the left
//     one, unless a block between them spans both. Columns are thus read
//     one after another, a heading over both columns before them.
//   - A flow is a run of blocks that continue each other down one column;
//     paragraphs break at a new block, at a first-line indent, at a wider
//     line gap, at a change of font size and where a table starts or ends.
//   - Lines holding right-to-left script are put in logical order
//     (BidiOrder.h); a line is read right to left when most of its words
//     are of a right-to-left script (on a tie, when most of its block's
//     are, then most of the page's).
//   - A line that ends in a hyphen after a letter is marked to be joined to
//     the next line when that starts with a letter: in the same flow always,
//     in the next column or region when the letter is lower case.
//     So is a line whose last word ends in a break mark, a small arrow set
//     where a long name or address broke (Doxygen's "http://glew.←" over
//     "sourceforge.net/"), whatever the next line of its flow starts with.
//
// The stages, each a function over plain data with its contract in its own
// header, and the thresholds they use: LayoutModel.h.
//
// Bounded work: no stage recurses, and every loop whose count the page
// decides is bounded by a named limit in LayoutModel.h, so the layout of n
// characters takes time of order n log n (with the limits as factors);
// past a limit the text is still read, only less of its structure found (a
// table's rows not joined, a line starting a block of its own).
//
// No state; nothing thrown.
#pragma once

#include <vector>

#include "pdf/text/PaintedText.h"

namespace pdf {

struct LaidOutWord {
    int first = 0;  // range in Layout::order
    int count = 0;
    // The first word of a table cell other than its row's first: a column
    // gutter lies before it.
    bool cellStart = false;
    // Ends in a hyphen that breaks a word at its table cell's line end: the
    // word goes on at the next word, without the hyphen.
    bool hyphenJoinsNext = false;
    // Ends in a name's own hyphen at its table cell's line end: the word goes
    // on at the next word, the hyphen kept.
    bool joinsNext = false;
};

struct LaidOutLine {
    int firstWord = 0;  // range in Layout::words
    int wordCount = 0;
    int flow = 0;            // from 0, in reading order
    int paragraph = 0;       // from 0, in reading order, unique on the page
    bool joinsNext = false;  // ends in a hyphen or break mark that joins it to the next line
    int table = -1;          // the table it is a line of, from 0 on the page; -1: none
    bool tableRow = false;   // a row of a table, its cells joined (LaidOutWord::cellStart)
};

struct Layout {
    std::vector<int> order;      // indices of painted characters, in reading order
    std::vector<char32_t> code;  // the character each stands for in the text
    std::vector<LaidOutWord> words;
    std::vector<LaidOutLine> lines;
};

// pageWidth, pageHeight: the shown page in points (Page::width/height).
// rules: the page's (PaintedText::rules), which part the cells of ruled
// tables.
Layout layOutText(const std::vector<PaintedChar>& chars, double pageWidth, double pageHeight,
                  const std::vector<Rule>& rules = {});

}  // namespace pdf
