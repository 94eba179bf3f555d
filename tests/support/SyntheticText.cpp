#include "support/SyntheticText.h"

#include "text/TextEncoding.h"

namespace testing_support {
namespace {

std::u32string decode(const std::string& s) {
    std::wstring wide = utf8ToWide(s);
    return std::u32string(wide.begin(), wide.end());
}

bool isCombining(char32_t c) {
    return c >= 0x300 && c <= 0x36F;
}

}  // namespace

std::string utf8Of(char32_t c) {
    return wideToUtf8(std::wstring(1, static_cast<wchar_t>(c)));
}

double widthOf(const std::string& text, double size) {
    double width = 0;
    for (char32_t c : decode(text))
        if (!isCombining(c)) width += (c == U' ' ? kAdvance / 2 : kAdvance) * size;
    return width;
}

std::vector<pdf::PaintedChar> paint(const std::vector<Piece>& pieces) {
    std::vector<pdf::PaintedChar> chars;
    for (const Piece& piece : pieces) {
        // Writing direction and the direction from baseline to ascent, page
        // space (y down).
        static const double kDir[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        const double dx = kDir[piece.quarterTurns & 3][0], dy = kDir[piece.quarterTurns & 3][1];
        const double ux = dy, uy = -dx;
        const double s = piece.size;
        double pen = 0;
        double lastStart = 0;
        for (char32_t code : decode(piece.text)) {
            const bool mark = isCombining(code);
            const double advance = mark ? 0 : (code == U' ' ? kAdvance / 2 : kAdvance) * s;
            const double start = mark ? lastStart : pen;
            const double width = mark ? kAdvance * s : advance;
            if (code == U' ' && !piece.drawSpaces) {
                pen += advance;
                continue;
            }
            pdf::PaintedChar c;
            c.code = code;
            c.glyph = static_cast<int>(chars.size());
            c.origin = {piece.x + dx * start, piece.y + dy * start};
            auto at = [&](double along, double up) {
                return pdf::Point{piece.x + dx * along + ux * up, piece.y + dy * along + uy * up};
            };
            c.quad[0] = at(start, -kDescent * s);
            c.quad[1] = at(start + width, -kDescent * s);
            c.quad[2] = at(start + width, kAscent * s);
            c.quad[3] = at(start, kAscent * s);
            c.dirX = dx;
            c.dirY = dy;
            c.size = s;
            c.space = code == U' ';
            c.mark = mark;
            chars.push_back(c);
            if (!mark) lastStart = pen;
            pen += advance;
        }
    }
    return chars;
}

std::vector<std::string> linesOf(const pdf::Layout& layout) {
    std::vector<std::string> lines;
    for (const pdf::LaidOutLine& line : layout.lines) {
        std::string text;
        for (int w = line.firstWord; w < line.firstWord + line.wordCount; ++w) {
            if (w > line.firstWord) text += ' ';
            const pdf::LaidOutWord& word = layout.words[static_cast<std::size_t>(w)];
            for (int k = word.first; k < word.first + word.count; ++k)
                text += utf8Of(layout.code[static_cast<std::size_t>(k)]);
        }
        lines.push_back(text);
    }
    return lines;
}

std::vector<std::string> linesOf(const pdf::TextPage& text) {
    std::vector<std::string> lines;
    for (const pdf::TextLine& line : text.lines()) {
        std::string joined;
        for (const pdf::TextWord& w : text.words(line)) {
            if (!joined.empty()) joined += ' ';
            joined += text.wordText(w);
        }
        lines.push_back(joined);
    }
    return lines;
}

std::vector<std::string> readLines(const std::vector<Piece>& pieces, double pageWidth,
                                   double pageHeight) {
    return linesOf(pdf::layOutText(paint(pieces), pageWidth, pageHeight));
}

}  // namespace testing_support
