#include "pdf/text/TextPage.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "pdf/text/AddressJoins.h"
#include "pdf/text/DocumentWords.h"
#include "pdf/text/TextLayout.h"
#include "text/TextEncoding.h"

namespace pdf {
namespace {

Matrix inverse(const Matrix& m) {
    double det = m.a * m.d - m.b * m.c;
    if (det == 0) return Matrix{};
    Matrix r;
    r.a = m.d / det;
    r.b = -m.b / det;
    r.c = -m.c / det;
    r.d = m.a / det;
    r.e = -(m.e * r.a + m.f * r.c);
    r.f = -(m.e * r.b + m.f * r.d);
    return r;
}

Rect boundsOf(const Quad& q) {
    const Point corners[] = {q.lowerLeft, q.lowerRight, q.upperRight, q.upperLeft};
    return boundsOfPoints(corners);
}

}  // namespace

TextPage::TextPage(const Page& page) : pageNumber_(page.number()) {
    build(page, readPaintedText(page));
}

TextPage::TextPage(const Page& page, const PaintedText& painted) : pageNumber_(page.number()) {
    build(page, painted);
}

void TextPage::build(const Page& page, const PaintedText& painted) {
    Layout layout = layOutText(painted.chars, page.width(), page.height(), painted.rules);
    const Matrix toUser = inverse(page.userToPage());

    chars_.reserve(layout.order.size());
    for (std::size_t i = 0; i < layout.order.size(); ++i) {
        const PaintedChar& p = painted.chars[static_cast<std::size_t>(layout.order[i])];
        TextChar c;
        c.code = layout.code[i];
        c.fontSize = p.size;
        c.quad = {toUser.apply(p.quad[0]), toUser.apply(p.quad[1]), toUser.apply(p.quad[2]),
                  toUser.apply(p.quad[3])};
        c.box = boundsOf(c.quad);
        c.glyph = p.glyph;
        c.font = painted.elements[static_cast<std::size_t>(p.element)].font;
        chars_.push_back(c);
    }

    words_.reserve(layout.words.size());
    for (const LaidOutWord& w : layout.words) {
        TextWord word;
        word.firstChar = w.first;
        word.cellStart = w.cellStart;
        word.hyphenJoinsNext = w.hyphenJoinsNext;
        word.joinsNext = w.joinsNext;
        word.charCount = w.count;
        word.box = chars_[w.first].box;
        word.textOffset = wordBytes_.size();
        for (int i = w.first; i < w.first + w.count; ++i) {
            word.box = unite(word.box, chars_[i].box);
            appendUtf8(wordBytes_, chars_[i].code);
        }
        word.textLength = wordBytes_.size() - word.textOffset;
        words_.push_back(word);
    }

    lines_.reserve(layout.lines.size());
    for (const LaidOutLine& l : layout.lines) {
        TextLine line;
        line.firstWord = l.firstWord;
        line.wordCount = l.wordCount;
        line.flowId = l.flow;
        line.paragraphId = l.paragraph;
        line.hyphenJoined = l.joinsNext;
        line.table = l.table;
        line.tableRow = l.tableRow;
        line.box = words_[l.firstWord].box;
        for (int w = l.firstWord; w < l.firstWord + l.wordCount; ++w)
            line.box = unite(line.box, words_[w].box);
        lines_.push_back(line);
    }
    joinAddresses(chars_, words_, lines_,
                  page.document() != nullptr ? &DocumentWords::of(*page.document()) : nullptr);

    // The page text, with the character behind each of its bytes.
    text_.reserve(wordBytes_.size() + words_.size());
    textChars_.reserve(wordBytes_.size() + words_.size());
    for (std::size_t l = 0; l < lines_.size(); ++l) {
        const TextLine& line = lines_[l];
        bool join = line.hyphenJoined && l + 1 < lines_.size();
        for (int w = line.firstWord; w < line.firstWord + line.wordCount; ++w) {
            if (w > line.firstWord && !words_[w - 1].joinsNext && !words_[w - 1].hyphenJoinsNext) {
                text_ += ' ';
                textChars_.push_back(-1);
            }
            const TextWord& word = words_[w];
            int lastChar = word.firstChar + word.charCount;
            if ((join && !line.addressJoined && w == line.firstWord + line.wordCount - 1) ||
                word.hyphenJoinsNext)
                --lastChar;  // the hyphen
            const int markStart = word.firstChar + word.charCount - word.markChars;
            for (int c = word.firstChar; c < lastChar; ++c) {
                if (c == markStart) {  // a footnote mark after an address
                    text_ += ' ';
                    textChars_.push_back(-1);
                }
                std::size_t before = text_.size();
                appendUtf8(text_, chars_[c].code);
                textChars_.insert(textChars_.end(), text_.size() - before, c);
            }
        }
        if (l + 1 < lines_.size() && !join) {
            text_ += '\n';
            textChars_.push_back(-1);
        }
    }
}

}  // namespace pdf
