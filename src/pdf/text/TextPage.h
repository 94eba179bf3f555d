// pdf::TextPage — the text of one page, in reading order.
//
// What a page's text is (TextLayout.h has the details): the characters the
// page paints (PaintedText.h), less those hidden under something opaque
// painted later and the duplicates some producers paint to fake bold; grouped into words and lines;
// lines in reading order, columns one after another, right-to-left script in logical (reading)
// order. Each line carries the identifier of its flow (a column or region read as one) and of its
// paragraph; both count from 0 in reading order.
//
// Coordinates: every box and quad is in the page's unrotated user space —
// PDF points, axes as the page's content stream has them (y up), before
// /Rotate and the crop box take effect. Page::userToPage() maps them to page
// space.
//
// text() is the whole page as one UTF-8 string: the words of a line
// separated by one space, lines by a line feed, no line feed at the end; a
// line whose last word ends in a hyphen after a letter is joined to the next
// line without the hyphen when that line starts with a letter (a lower-case
// one if it starts another column); so is one that ends in a break mark
// (TextLayout.h), without the mark. A line that ends inside a web or e-mail
// address is joined to the next line of its flow with every character kept
// (hyphen included; one right after a slash is the publisher's break mark
// and left out) when that line goes on with the address, so that
// "https://wiki.example." over "org/Maintainers" reads as one address, and
// so does an address wrapped inside a table cell; a footnote mark after an
// address is set apart by a space. The rules, and the evidence that tells an
// address broken at the line end from one that ends there, are in
// AddressJoins.h. charAtTextByte()
// maps each byte of text() back to the character that produced it, so a
// match found in the text can be located on the page.
//
//     pdf::TextPage text(doc.page(3));
//     for (const pdf::TextLine& line : text.lines())
//         for (const pdf::TextWord& word : text.words(line))
//             use(text.wordText(word), word.box);
//
// Ownership: a TextPage owns copies of everything it holds; it does not keep
// the Page. Movable and copyable.
// REQUIRES: the pdf::Library lives while the TextPage is made.
// Throws pdf::Error naming file and page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/Geometry.h"
#include "pdf/Page.h"
#include "pdf/text/PaintedText.h"

namespace pdf {

// Four corners of a glyph's box; a rotated or skewed glyph's box is not an
// axis-aligned rectangle.
struct Quad {
    Point lowerLeft;   // start of the advance, on the descent line
    Point lowerRight;  // end of the advance, on the descent line
    Point upperRight;  // end of the advance, on the ascent line
    Point upperLeft;   // start of the advance, on the ascent line
};

struct TextChar {
    char32_t code = 0;    // Unicode scalar value
    double fontSize = 0;  // em height in points: Tf size scaled by text and graphics matrices
    Quad quad;
    Rect box;       // the quad's bounding box
    int glyph = 0;  // content-order number of the glyph that shows it, from 0
    int font = -1;  // the font's number on the page (PaintedText.h's TextElement::font)
};

struct TextWord {
    int firstChar = 0;  // range in TextPage::chars()
    int charCount = 0;
    Rect box;
    std::size_t textOffset = 0;  // the word's UTF-8 in TextPage::wordBytes()
    std::size_t textLength = 0;
    // Starts a table cell other than its row's first: in text() one space
    // before it, as between words; the searchable text (TextSearch.h) puts
    // a tab there, so that no match runs over the gutter as over a space.
    bool cellStart = false;
    // Holds an address that goes on at the next word, the next line of its
    // table cell, or a name in a fixed-pitch font broken there after its own
    // hyphen ("stats-" over "eratio1,"): text() puts nothing between them.
    bool joinsNext = false;
    // Ends in a hyphen that breaks a word at its table cell's line end
    // ("contain-" over "ing"): text() leaves the hyphen out and puts nothing
    // between it and the next word.
    bool hyphenJoinsNext = false;
    // Ends in this many characters of a footnote mark set after an address:
    // text() puts a space before them, so that the address ends there.
    int markChars = 0;
};

struct TextLine {
    int firstWord = 0;  // range in TextPage::words(); never empty
    int wordCount = 0;
    Rect box;
    int flowId = 0;
    int paragraphId = 0;
    bool hyphenJoined = false;  // joined to the next line in text(), without a line feed
    // Joined inside a web or e-mail address: every character kept, a hyphen at
    // the break being the address's own. Implies hyphenJoined (which alone
    // leaves out the line's last character, the hyphen).
    bool addressJoined = false;
    int table = -1;         // the table it is a line of, from 0 on the page; -1: none
    bool tableRow = false;  // a row of a table: its cells one after another
};

// A view of consecutive elements of one of the page's arrays.
template <typename T>
class Items {
  public:
    Items(const T* first, std::size_t count) : first_(first), count_(count) {}
    const T* begin() const { return first_; }
    const T* end() const { return first_ + count_; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const T& operator[](std::size_t i) const { return first_[i]; }
    const T& front() const { return first_[0]; }
    const T& back() const { return first_[count_ - 1]; }

  private:
    const T* first_;
    std::size_t count_;
};

class TextPage {
  public:
    explicit TextPage(const Page& page);
    // The reading-order view of text already read: chars() carry the glyph
    // numbers of `painted`, so a match in text() leads to its glyphs there.
    TextPage(const Page& page, const PaintedText& painted);

    int pageNumber() const { return pageNumber_; }

    const std::vector<TextLine>& lines() const { return lines_; }
    const std::vector<TextWord>& allWords() const { return words_; }
    const std::vector<TextChar>& chars() const { return chars_; }

    Items<TextWord> words(const TextLine& line) const {
        return {words_.data() + line.firstWord, static_cast<std::size_t>(line.wordCount)};
    }
    Items<TextChar> chars(const TextWord& word) const {
        return {chars_.data() + word.firstChar, static_cast<std::size_t>(word.charCount)};
    }
    // The word's characters as UTF-8.
    std::string_view wordText(const TextWord& word) const {
        return std::string_view(wordBytes_).substr(word.textOffset, word.textLength);
    }

    const std::string& text() const { return text_; }
    // Index in chars() of the character that byte `offset` of text() belongs
    // to; -1 for the spaces and line feeds between words and lines.
    // REQUIRES: offset < text().size().
    int charAtTextByte(std::size_t offset) const { return textChars_[offset]; }

  private:
    void build(const Page& page, const PaintedText& painted);

    int pageNumber_ = 0;
    std::vector<TextChar> chars_;
    std::vector<TextWord> words_;
    std::vector<TextLine> lines_;
    std::string wordBytes_;
    std::string text_;
    std::vector<int> textChars_;
};

}  // namespace pdf
