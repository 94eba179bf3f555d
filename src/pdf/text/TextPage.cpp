#include "pdf/text/TextPage.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "pdf/text/CharClass.h"
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

// ---- Addresses broken over lines ----
//
// A line ends inside an address when the run of characters it ends in holds
// the start of one (a scheme "http://", "https://" or "ftp://", or "www.", or
// an e-mail's "@" after a character of its local part) with nothing after it
// that an address cannot hold. Whether the address goes on at the next line
// of its flow, or ended at the line end, is read from both sides of the
// break, as publishers break addresses (after "//", "/", ".", "@", "-", "=",
// "&"; or before "/", ".", "~" ...):
//   - the run ends where the address cannot: right after its scheme, "www."
//     or "@", or in one of - _ = & # % ~ + @; the next line's first word
//     need only be made of address characters, and may stand in another
//     paragraph of the flow (a footnote's or list item's hanging indent
//     breaks the paragraph);
//   - else the next line must be of the same paragraph, and no ) ] ' "
//     closed the address before a last punctuation mark;
//   - it ends in / . : ? (where a sentence or an address may end too): the
//     next word must be a piece of an address itself (hold / ? = & # % _ ~
//     or a dot before two letters or digits, as "org/Maintainers" or
//     "example.com" do), or, after a dot, be a lower-case word of letters in
//     a host name (its last label; a new sentence starts in upper case, a
//     footnote with its number) or a file type in a path ("html"; after a
//     path a lower-case word may start a sentence: "untar"), and never a
//     capitalised word after a path;
//   - it ends in a letter or digit (an address that may be whole): the next
//     word must start with a separator ("/docs", ".org"); a code listing's
//     next line may well be a path of its own ("./tools/run"), so an address
//     alone on its line is no evidence.
// The next word is never an address of its own (a scheme, "www.", an "@"),
// so a list of addresses stays one per line. An e-mail goes on only over
// characters a domain may hold. And a line that ends in what can only start
// an e-mail's local part, up to a hyphen or low line ("9-"), goes on when
// the next word is a whole e-mail address ("ANM-Requests@faa.gov"). Each test looks at one word on
// each side, and an address carried on over several lines carries its state, so the cost is linear
// in the page's text.

bool isAsciiAlnum(char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isOneOf(char32_t c, std::u32string_view set) {
    return set.find(c) != std::u32string_view::npos;
}

// What a web address may hold: the characters of a URI and, in an address
// written in another script (an IRI), letters and their marks.
bool isAddressChar(char32_t c) {
    if (c < 0x80) return isAsciiAlnum(c) || isOneOf(c, U"-._~:/?#[]@!$&'()*+,;=%");
    return chars::isLetter(c) || chars::isCombiningMark(c);
}

bool isDomainChar(char32_t c) {
    return c < 0x80 ? isAsciiAlnum(c) || c == '-' || c == '.' : chars::isLetter(c);
}

bool isLocalPartChar(char32_t c) {
    return isAsciiAlnum(c) || isOneOf(c, U"._%+-");
}

bool startsWithNoCase(std::u32string_view text, std::size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char32_t c = text[at + i];
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        if (c != static_cast<unsigned char>(prefix[i])) return false;
    }
    return true;
}

// Length of the scheme or "www." that starts an address at `at`, else 0.
std::size_t addressStartAt(std::u32string_view word, std::size_t at) {
    char32_t before = at > 0 ? word[at - 1] : U' ';
    if (isAsciiAlnum(before)) return 0;
    for (std::string_view scheme : {"https://", "http://", "ftp://"})
        if (startsWithNoCase(word, at, scheme)) return scheme.size();
    if (startsWithNoCase(word, at, "www.") && !isOneOf(before, U"_.@/-")) return 4;
    return 0;
}

enum class AddressKind { None, Web, Mail };

// The address a line's last run of characters ends in.
struct AddressTail {
    AddressKind kind = AddressKind::None;
    bool incomplete = false;     // ends right after its scheme, "www." or "@"
    bool localPartOnly = false;  // no address, but could start an e-mail's local part
    bool inHost = false;         // a web address not yet past its host name
    char32_t last = 0;
    char32_t beforeLast = 0;
};

// `carried`: the tail of the line before when it was joined to this line, a
// line of one word.
AddressTail addressTail(std::u32string_view word, const AddressTail& carried) {
    AddressTail tail;
    if (word.empty()) return tail;
    tail.last = word.back();
    if (word.size() >= 2) tail.beforeLast = word[word.size() - 2];
    if (carried.kind != AddressKind::None) {
        auto holds = carried.kind == AddressKind::Web ? isAddressChar : isDomainChar;
        if (std::all_of(word.begin(), word.end(), holds)) tail.kind = carried.kind;
        tail.inHost = carried.inHost && word.find(U'/') == word.npos;
        return tail;
    }
    std::size_t from = word.size();
    while (from > 0 && isAddressChar(word[from - 1])) --from;
    for (std::size_t i = from; i < word.size(); ++i) {
        if (std::size_t n = addressStartAt(word, i)) {
            tail.kind = AddressKind::Web;
            tail.incomplete = i + n == word.size();
            tail.inHost = word.find(U'/', i + n) == word.npos;
            return tail;
        }
    }
    std::size_t domain = word.size();
    while (domain > 0 && isDomainChar(word[domain - 1])) --domain;
    if (domain >= 2 && word[domain - 1] == '@' && isLocalPartChar(word[domain - 2])) {
        tail.kind = AddressKind::Mail;
        tail.incomplete = domain == word.size();
        return tail;
    }
    // Not after a dot: "e.g." ends many a line before an address.
    tail.localPartOnly =
        std::all_of(word.begin(), word.end(), isLocalPartChar) && isOneOf(tail.last, U"-_");
    return tail;
}

// The next line's first word without the punctuation a sentence puts after it.
std::u32string_view headCore(std::u32string_view word) {
    while (!word.empty() && isOneOf(word.back(), U".,;:!?)]}'\"")) word.remove_suffix(1);
    return word;
}

bool isAddressOfItsOwn(std::u32string_view core) {
    for (std::size_t i = 0; i < core.size(); ++i)
        if (core[i] == '@' || addressStartAt(core, i) > 0) return true;
    return false;
}

// A dot followed by two letters or digits: "example.com", "org.uk".
bool holdsDomainLabel(std::u32string_view core) {
    for (std::size_t i = 0; i + 2 < core.size(); ++i)
        if (core[i] == '.' && isAsciiAlnum(core[i + 1]) && isAsciiAlnum(core[i + 2])) return true;
    return false;
}

bool isWebPiece(std::u32string_view core) {
    if (core.empty() || !std::all_of(core.begin(), core.end(), isAddressChar)) return false;
    return holdsDomainLabel(core) || std::any_of(core.begin(), core.end(), [](char32_t c) {
               return isOneOf(c, U"/?=&#%_~");
           });
}

// "/docs", ".org", "?page=2": a piece that starts where an address breaks
// before a separator.
bool startsWithSeparator(std::u32string_view core) {
    if (core.size() < 2 || !std::all_of(core.begin(), core.end(), isAddressChar)) return false;
    if (core[0] == '.')
        return (core[1] >= 'a' && core[1] <= 'z') || (core[1] >= '0' && core[1] <= '9');
    return isOneOf(core[0], U"/~_?#%=&") && isAsciiAlnum(core[1]);
}

// The types of file an address's path most often ends in: after a dot in a
// path, the next line's word goes on with the address when it is one of
// these ("index." over "html"), as a word of prose that starts a sentence
// ("untar") is not. A closed list, so that a lower-case word after a path
// is prose unless it names a file type.
constexpr std::u32string_view kFileTypes[] = {
    U"html", U"htm", U"shtml", U"xhtml", U"php", U"asp", U"aspx", U"jsp", U"cgi", U"pdf",
    U"txt",  U"xml", U"json",  U"md",    U"rst", U"gz",  U"tgz",  U"zip", U"bz2", U"xz",
    U"tar",  U"dmg", U"exe",   U"pkg",   U"deb", U"rpm", U"ps",   U"png", U"jpg", U"svg"};

bool isFileType(std::u32string_view core) {
    return std::find(std::begin(kFileTypes), std::end(kFileTypes), core) != std::end(kFileTypes);
}

// "org": a host name's last label (a footnote's number is none).
bool isLowerCaseWord(std::u32string_view core) {
    return core.size() >= 2 &&
           std::all_of(core.begin(), core.end(), [](char32_t c) { return c >= 'a' && c <= 'z'; });
}

bool isDomainPiece(std::u32string_view core) {
    return !core.empty() && (isAsciiAlnum(core[0]) || chars::isLetter(core[0])) &&
           std::all_of(core.begin(), core.end(), isDomainChar);
}

bool isMailAddress(std::u32string_view core) {
    std::size_t at = core.find(U'@');
    if (at == 0 || at == std::u32string_view::npos) return false;
    std::u32string_view local = core.substr(0, at), domain = core.substr(at + 1);
    return std::all_of(local.begin(), local.end(), isLocalPartChar) && isDomainPiece(domain) &&
           holdsDomainLabel(domain);
}

// Whether an address that `tail` ends in goes on with `head`, the next
// line's first word. `sameParagraph`: the next line is of the same paragraph. Where the address
// cannot end, a paragraph break is only a hanging indent (a footnote's, a
// list item's); where it may end, the break is taken as its end.
bool addressGoesOn(const AddressTail& tail, bool sameParagraph, std::u32string_view head) {
    if (head.empty()) return false;
    std::u32string_view core = headCore(head);
    if (tail.localPartOnly) return isMailAddress(core);
    if (core.empty()) return false;
    const char32_t last = tail.last;
    const bool addressChars = std::all_of(core.begin(), core.end(), isAddressChar);
    // "https://" over "www.example.org": the scheme's own address.
    if (tail.kind == AddressKind::Web && tail.incomplete)
        return addressChars && (isAsciiAlnum(head[0]) || chars::isLetter(head[0])) &&
               core.find(U"://") == core.npos;
    if (isAddressOfItsOwn(core)) return false;
    if (tail.kind == AddressKind::Web) {
        if (!isAddressChar(head[0]) || isOneOf(head[0], U"([{'\"!$*+,;:")) return false;
        if (isOneOf(last, U"-_=&#%~+@")) return addressChars;
        if (!sameParagraph) return false;
        // "(https://example.org/x)." closes the parenthesis the address stood in.
        if (isOneOf(tail.beforeLast, U")]'\"")) return false;
        // After a dot in a path, a capital starts a sentence (or a heading).
        if (last == '.' && !tail.inHost && core[0] >= 'A' && core[0] <= 'Z') return false;
        if (isOneOf(last, U"/.:?"))
            return isWebPiece(core) ||
                   (last == '.' && (tail.inHost ? isLowerCaseWord(core) : isFileType(core)));
        if (isAsciiAlnum(last) || chars::isLetter(last)) return startsWithSeparator(core);
        return false;
    }
    if (tail.kind == AddressKind::Mail) {
        if (tail.incomplete || last == '-') return isDomainPiece(core);
        if (!sameParagraph) return false;
        if (last == '.') return isDomainPiece(core) && !(core[0] >= 'A' && core[0] <= 'Z');
        if (isAsciiAlnum(last))
            return (core[0] == '.' && isDomainPiece(core.substr(1))) ||
                   (isDomainPiece(core) && holdsDomainLabel(core));
    }
    return false;
}

std::u32string wordCodes(const std::vector<TextChar>& chars, const TextWord& word) {
    std::u32string codes;
    codes.reserve(static_cast<std::size_t>(word.charCount));
    for (int c = word.firstChar; c < word.firstChar + word.charCount; ++c)
        codes += chars[static_cast<std::size_t>(c)].code;
    return codes;
}

// Marks the lines that end inside an address that the next line of their
// flow goes on with (addressJoined, and so hyphenJoined).
void markAddressBreaks(const std::vector<TextChar>& chars, const std::vector<TextWord>& words,
                       std::vector<TextLine>& lines) {
    AddressTail carried;  // the address the line before ended in, when joined to this line
    for (std::size_t l = 0; l + 1 < lines.size(); ++l) {
        TextLine& line = lines[l];
        const TextLine& next = lines[l + 1];
        const TextWord& lastWord =
            words[static_cast<std::size_t>(line.firstWord + line.wordCount - 1)];
        AddressTail tail =
            addressTail(wordCodes(chars, lastWord), line.wordCount == 1 ? carried : AddressTail{});
        carried = AddressTail{};
        if (tail.kind == AddressKind::None && !tail.localPartOnly) continue;
        // The paragraph may break where the address does, at a footnote's or a
        // list item's hanging indent; the flow may not.
        if (next.flowId != line.flowId) continue;
        const std::u32string head =
            wordCodes(chars, words[static_cast<std::size_t>(next.firstWord)]);
        if (!addressGoesOn(tail, next.paragraphId == line.paragraphId, head)) continue;
        line.hyphenJoined = true;
        // A hyphen right after a slash marks where the publisher broke the
        // address (no path segment starts with one), unless the next line
        // starts with a slash ("/-/" in some addresses): it is left out.
        line.addressJoined =
            !(chars::isHyphen(tail.last) && tail.beforeLast == '/' && head.front() != '/');
        if (tail.localPartOnly) tail.kind = AddressKind::Mail;
        carried = tail;
    }
}

}  // namespace

TextPage::TextPage(const Page& page) : pageNumber_(page.number()) {
    build(page, readPaintedText(page));
}

TextPage::TextPage(const Page& page, const PaintedText& painted) : pageNumber_(page.number()) {
    build(page, painted);
}

void TextPage::build(const Page& page, const PaintedText& painted) {
    Layout layout = layOutText(painted.chars, page.width(), page.height());
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
        chars_.push_back(c);
    }

    words_.reserve(layout.words.size());
    for (const LaidOutWord& w : layout.words) {
        TextWord word;
        word.firstChar = w.first;
        word.cellStart = w.cellStart;
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
        line.box = words_[l.firstWord].box;
        for (int w = l.firstWord; w < l.firstWord + l.wordCount; ++w)
            line.box = unite(line.box, words_[w].box);
        lines_.push_back(line);
    }
    markAddressBreaks(chars_, words_, lines_);

    // The page text, with the character behind each of its bytes.
    text_.reserve(wordBytes_.size() + words_.size());
    textChars_.reserve(wordBytes_.size() + words_.size());
    for (std::size_t l = 0; l < lines_.size(); ++l) {
        const TextLine& line = lines_[l];
        bool join = line.hyphenJoined && l + 1 < lines_.size();
        for (int w = line.firstWord; w < line.firstWord + line.wordCount; ++w) {
            if (w > line.firstWord) {
                text_ += ' ';
                textChars_.push_back(-1);
            }
            const TextWord& word = words_[w];
            int lastChar = word.firstChar + word.charCount;
            if (join && !line.addressJoined && w == line.firstWord + line.wordCount - 1)
                --lastChar;  // the hyphen
            for (int c = word.firstChar; c < lastChar; ++c) {
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
