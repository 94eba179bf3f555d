#include "pdf/text/AddressJoins.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/text/CharClass.h"
#include "pdf/text/DocumentWords.h"

namespace pdf {
namespace {

// ---- Characters ----

bool isAsciiDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

bool isAsciiAlnum(char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isOneOf(char32_t c, std::u32string_view set) {
    return set.find(c) != std::u32string_view::npos;
}

// The hyphen (U+2010) and the non-breaking hyphen (U+2011) that word
// processors set in printed addresses stand for the address's own "-"; so
// does the soft hyphen (U+00AD) of fonts that put their hyphen at Latin-1's
// code 0xAD ("http://www.emma­soft.com/", mid-line).
bool isAddressHyphen(char32_t c) {
    return c == '-' || c == 0x2010 || c == 0x2011 || c == 0xAD;
}

// The tildes printed for an address's "~": TeX's accent (U+02DC, "http://
// www.labri.fr/" over "˜pelegrin/scotch/") and Doxygen's tilde operator
// (U+223C).
bool isAddressTilde(char32_t c) {
    return c == '~' || c == 0x2DC || c == 0x223C;
}

// What a web address may hold: the characters of a URI and, in an address
// written in another script (an IRI), letters and their marks.
bool isAddressChar(char32_t c) {
    if (c < 0x80) return isAsciiAlnum(c) || isOneOf(c, U"-._~:/?#[]@!$&'()*+,;=%");
    return isAddressHyphen(c) || isAddressTilde(c) || chars::isLetter(c) ||
           chars::isCombiningMark(c);
}

bool isDomainChar(char32_t c) {
    return c < 0x80 ? isAsciiAlnum(c) || c == '-' || c == '.'
                    : isAddressHyphen(c) || chars::isLetter(c);
}

bool isLocalPartChar(char32_t c) {
    return isAsciiAlnum(c) || isOneOf(c, U"._%+") || isAddressHyphen(c);
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
    bool numericHost = false;    // in its host, of digits and dots so far (IPv4)
    bool namedHost = false;      // in its host, which already holds a domain label ("a.org")
    bool inFragment = false;     // a web address past its "#"
    bool awaitsAddress = false;  // a web archive's address up to a capture's time
    char32_t opener = 0;         // the bracket right before the address, still open
    char32_t last = 0;
    char32_t beforeLast = 0;
};

// Digits and dots alone.
bool numeric(std::u32string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char32_t c) { return c == '.' || isAsciiDigit(c); });
}

// A dot followed by two letters or digits: "example.com", "org.uk".
bool holdsDomainLabel(std::u32string_view core) {
    for (std::size_t i = 0; i + 2 < core.size(); ++i)
        if (core[i] == '.' && isAsciiAlnum(core[i + 1]) && isAsciiAlnum(core[i + 2])) return true;
    return false;
}

// Whether a host name's start, a dot after it aside, is a name of its own
// ("eigen.tuxfamily.org."), not its first label ("buildd.").
bool namesHost(std::u32string_view host) {
    if (!host.empty() && host.back() == '.') host.remove_suffix(1);
    return holdsDomainLabel(host);
}

// Whether a web address ends in a web archive's "/web/" and the time of a
// capture ("…/web/20201130113133/", "…/web/2019id_/"): the archived address
// comes next, whatever it starts with.
bool endsInCaptureTime(std::u32string_view word) {
    if (word.empty() || word.back() != '/') return false;
    std::size_t start = word.size() - 1;
    while (start > 0 && word[start - 1] != '/') --start;
    std::size_t digits = start;
    while (digits < word.size() - 1 && isAsciiDigit(word[digits])) ++digits;
    if (digits - start < 4) return false;
    for (std::size_t i = digits; i + 1 < word.size(); ++i)
        if (!((word[i] >= 'a' && word[i] <= 'z') || word[i] == '_' || word[i] == '*')) return false;
    return start >= 5 && word.substr(start - 5, 5) == U"/web/";
}

// The bracket that closes `opener` (0 for none).
char32_t closerOf(char32_t opener) {
    return opener == '[' ? U']' : opener == '(' ? U')' : opener == '<' ? U'>' : 0;
}

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
        tail.numericHost = carried.numericHost && tail.inHost && numeric(word);
        tail.namedHost = tail.inHost && (carried.namedHost || namesHost(word));
        tail.inFragment = carried.inFragment || word.find(U'#') != word.npos;
        tail.awaitsAddress = tail.kind == AddressKind::Web && endsInCaptureTime(word);
        if (tail.kind == AddressKind::Web && word.find(closerOf(carried.opener)) == word.npos)
            tail.opener = carried.opener;
        return tail;
    }
    std::size_t from = word.size();
    while (from > 0 && isAddressChar(word[from - 1])) --from;
    for (std::size_t i = from; i < word.size(); ++i) {
        if (std::size_t n = addressStartAt(word, i)) {
            tail.kind = AddressKind::Web;
            tail.incomplete = i + n == word.size();
            tail.inHost = word.find(U'/', i + n) == word.npos;
            tail.numericHost = tail.inHost && numeric(word.substr(i + n));
            tail.namedHost = tail.inHost && namesHost(word.substr(i + n));
            tail.inFragment = word.find(U'#', i + n) != word.npos;
            tail.awaitsAddress = endsInCaptureTime(word.substr(i));
            if (i > 0 && isOneOf(word[i - 1], U"[(<") &&
                word.find(closerOf(word[i - 1]), i) == word.npos)
                tail.opener = word[i - 1];
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
    // Not after a dot: "e.g." ends many a line before an address. An opening
    // bracket may stand before it ("<ngspice-" over "devel@lists.example.net>").
    std::size_t local = 0;
    while (local < word.size() && isOneOf(word[local], U"<([{'\"")) ++local;
    tail.localPartOnly = local < word.size() &&
                         std::all_of(word.begin() + local, word.end(), isLocalPartChar) &&
                         (isAddressHyphen(tail.last) || tail.last == '_');
    return tail;
}

// The next line's first word without the punctuation a sentence puts after it,
// and the ">" that closes an address written "<ngspice-" over
// "devel@lists.sourceforge.net>.".
std::u32string_view headCore(std::u32string_view word) {
    while (!word.empty() && isOneOf(word.back(), U".,;:!?)]}'\">\u00A9\u00AE\u2122"))
        word.remove_suffix(1);
    return word;
}

// "2." or "3)": the number of the next list item, which starts the next line
// ("http://infrarecorder.org/-" over "2. Insert a blank CD").
bool isItemNumber(std::u32string_view word) {
    return word.size() >= 2 && word.size() <= 4 && isOneOf(word.back(), U".)") &&
           std::all_of(word.begin(), word.end() - 1, isAsciiDigit);
}

// An e-mail address, or a word with a web address's start in it but for one
// that a path or a query holds ("archive.org/web/20081204104459/http://…",
// "…?url=http://…").
bool isAddressOfItsOwn(std::u32string_view core) {
    for (std::size_t i = 0; i < core.size(); ++i)
        if (core[i] == '@' ||
            (addressStartAt(core, i) > 0 && (i == 0 || !isOneOf(core[i - 1], U"/="))))
            return true;
    return false;
}

// Whether the next line's first word closes the bracket an address was
// opened with, right after a piece of address characters and before no more
// than punctuation: DocBook's "Qt Creator [https://www.qt.io/" over
// "development-tools] is the fastest".
bool closesBracket(const AddressTail& tail, std::u32string_view head) {
    const std::size_t at = tail.opener != 0 ? head.find(closerOf(tail.opener)) : head.npos;
    if (at == head.npos || at == 0) return false;
    const std::u32string_view piece = head.substr(0, at);
    return std::all_of(piece.begin(), piece.end(), isAddressChar) && !isAddressOfItsOwn(piece) &&
           headCore(head.substr(at)).empty();
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
    return (isOneOf(core[0], U"/_?#%=&") || isAddressTilde(core[0])) && isAsciiAlnum(core[1]);
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

bool isHostName(std::u32string_view host) {
    if (host == U"localhost" || holdsDomainLabel(host)) return true;
    return host.find(U'.') != host.npos && std::all_of(host.begin(), host.end(), [](char32_t c) {
               return (c >= '0' && c <= '9') || c == '.' || c == ':';
           });
}

// Whether the characters on both sides of a break let an address that `tail`
// ends in go on with `head`, the next line's first word (rules 2, 3 and 5).
// `sameParagraph`: the next line is of the same paragraph, or as good as (a
// forced break over a piece of an address). Where the address cannot end, a
// paragraph break is only a hanging indent (a footnote's, a list item's);
// where it may end, the break is taken as its end.
bool charactersGoOn(const AddressTail& tail, bool sameParagraph, std::u32string_view head) {
    if (head.empty() || isItemNumber(head)) return false;
    std::u32string_view core = headCore(head);
    if (tail.localPartOnly) return isMailAddress(core);
    if (core.empty()) return false;
    const char32_t last = tail.last;
    const bool addressChars = std::all_of(core.begin(), core.end(), isAddressChar);
    // "https://" over "www.example.org": the scheme's own address, a host
    // name with a dot (or an IPv4 address, or localhost) before any path;
    // a scheme named in prose goes on with no word ("https://" over "The").
    if (tail.kind == AddressKind::Web && tail.incomplete)
        return addressChars && (isAsciiAlnum(head[0]) || chars::isLetter(head[0])) &&
               core.find(U"://") == core.npos && isHostName(core.substr(0, core.find(U'/')));
    // A web archive's address goes on with the address it archived; a
    // query's "key=" with its value, an e-mail address as well
    // ("…/developer.php?login=" over "team@lists.example.org").
    if (tail.awaitsAddress) return addressChars && addressStartAt(core, 0) > 0;
    if (isAddressOfItsOwn(core) && !(tail.kind == AddressKind::Web && last == '=')) return false;
    if (tail.kind == AddressKind::Web) {
        if (!isAddressChar(head[0]) || isOneOf(head[0], U"([{'\"!$*+,;:")) return false;
        if (isOneOf(last, U"_=&#%+@") || isAddressTilde(last) || isAddressHyphen(last))
            return addressChars;
        if (!sameParagraph) return false;
        // "(https://example.org/x)." closes the parenthesis the address stood in.
        if (isOneOf(tail.beforeLast, U")]'\"")) return false;
        // After a dot in a path, or after a host that is a name of its own,
        // a capital starts a sentence (or a heading, or the next entry of a
        // list: "URL https://eigen.tuxfamily.org." over "ISO/IEC (2011)").
        if (last == '.' && (!tail.inHost || tail.namedHost) && core[0] >= 'A' && core[0] <= 'Z')
            return false;
        // After a dot that ends a path, or a host named by letters, digits
        // and dots alone are a number that starts the next line
        // ("…/ekv_v262.pdf." over a heading's "11.2.13", "https://www.
        // cfengine.com." over "5.10"), not a piece of the address; an IPv4
        // host goes on ("http://192.168." over "1.1").
        if (last == '.' && !(tail.inHost && tail.numericHost) && numeric(core)) return false;
        // A colon in a path at a line end introduces what follows ("…/Coco/:"
        // over a list of files, "Taste.ATG  the attributed grammar"); in a
        // host it comes before a port, which goes on.
        if (last == ':' && !tail.inHost) return false;
        if (isOneOf(last, U"/.:?"))
            return isWebPiece(core) ||
                   (last == '.' && (tail.inHost ? isLowerCaseWord(core) : isFileType(core)));
        if (isAsciiAlnum(last) || chars::isLetter(last)) return startsWithSeparator(core);
        return false;
    }
    if (tail.kind == AddressKind::Mail) {
        if (tail.incomplete || isAddressHyphen(last)) return isDomainPiece(core);
        if (!sameParagraph) return false;
        if (last == '.') return isDomainPiece(core) && !(core[0] >= 'A' && core[0] <= 'Z');
        // Digits and dots alone start the next line ("…@enseirb-matmeca.fr"
        // over a heading's "7.10.2").
        if (isAsciiAlnum(last))
            return !numeric(core) && ((core[0] == '.' && isDomainPiece(core.substr(1))) ||
                                      (isDomainPiece(core) && holdsDomainLabel(core)));
    }
    return false;
}

// Whether the address cannot end where `tail` does (rule 2): after its
// scheme, "www." or "@", or in a character no address ends in.
bool cannotEnd(const AddressTail& tail) {
    if (tail.localPartOnly || tail.incomplete || tail.awaitsAddress) return true;
    if (isAddressHyphen(tail.last)) return true;
    return tail.kind == AddressKind::Web &&
           (isOneOf(tail.last, U"_=&#%+@") || isAddressTilde(tail.last));
}

// ---- Geometry and fonts ----

// A line's writing direction, a unit vector in the quads' frame.
struct Frame {
    double dx = 1, dy = 0;
    double along(const Point& p) const { return p.x * dx + p.y * dy; }
    double across(const Point& p) const { return p.y * dx - p.x * dy; }
    bool sameAs(const Frame& o) const { return dx * o.dx + dy * o.dy > 0.99; }
};

Frame frameOf(const TextChar& c) {
    double x = c.quad.lowerRight.x - c.quad.lowerLeft.x;
    double y = c.quad.lowerRight.y - c.quad.lowerLeft.y;
    double length = std::hypot(x, y);
    if (!(length > 0)) return Frame{};
    return Frame{x / length, y / length};
}

enum class FontEvidence {
    None,   // the address is set in the body font, or nothing tells
    Same,   // the address has a font of its own, and the next piece is set in it
    Other,  // the address has a font of its own, and the next piece is in the body font
};

// What a break is made of, beyond its characters.
struct Break {
    bool sameParagraph = true;
    bool forced = true;  // the next piece would not have fitted before the far edge
    FontEvidence font = FontEvidence::None;
    bool headAlone = false;  // the next line's first word is all of that line
};

// The characters that end a piece of an address a typesetter may break
// after; a line's next word up to the first of them (or whole) is the least
// that would have had to fit. Not the hyphen: TeX's url package breaks an
// address at its separators, never at a hyphen, so a short word before a
// hyphen is no sign that the break was a choice ("…/blog/" over
// "ipython-notebooks-and-git.html", three characters of room left).
bool endsPiece(char32_t c) {
    return isOneOf(c, U"/.?&=_#~:,;");
}

class PageGeometry {
  public:
    explicit PageGeometry(const std::vector<TextChar>& chars) : chars_(chars) {}

    Frame frameOf(const TextWord& word) const { return pdf::frameOf(chars_[word.firstChar]); }

    double start(const Frame& f, const TextWord& word) const {
        double s = 1e300;
        for (int c = word.firstChar; c < word.firstChar + word.charCount; ++c)
            s = std::min(
                {s, f.along(chars_[c].quad.lowerLeft), f.along(chars_[c].quad.lowerRight)});
        return s;
    }
    double end(const Frame& f, const TextWord& word, int lastChar = -1) const {
        if (lastChar < 0) lastChar = word.firstChar + word.charCount - 1;
        double e = -1e300;
        for (int c = word.firstChar; c <= lastChar; ++c)
            e = std::max(
                {e, f.along(chars_[c].quad.lowerLeft), f.along(chars_[c].quad.lowerRight)});
        return e;
    }
    // The width of the word's first piece: up to and with its first
    // character (past the first) that ends a piece.
    double pieceWidth(const Frame& f, const TextWord& word) const {
        int last = word.firstChar + word.charCount - 1;
        for (int c = word.firstChar + 1; c < word.firstChar + word.charCount; ++c)
            if (endsPiece(chars_[c].code)) {
                last = c;
                break;
            }
        return end(f, word, last) - start(f, word);
    }
    // Whether `next` lies on a later line of the page than `word` does: its
    // baseline below by most of a line.
    bool onLaterLine(const Frame& f, const TextWord& word, const TextWord& next) const {
        const TextChar& a = chars_[word.firstChar + word.charCount - 1];
        const TextChar& b = chars_[next.firstChar];
        return f.across(a.quad.lowerLeft) - f.across(b.quad.lowerLeft) >
               0.7 * std::max(a.fontSize, b.fontSize);
    }
    // On the next line, no more than kNextLineReach ems under the word.
    bool nextLineRightUnder(const Frame& f, const TextWord& word, const TextWord& next) const {
        const TextChar& a = chars_[word.firstChar + word.charCount - 1];
        const TextChar& b = chars_[next.firstChar];
        const double em = std::max(a.fontSize, b.fontSize);
        const double under = f.across(a.quad.lowerLeft) - f.across(b.quad.lowerLeft);
        return under > 0.7 * em && under <= kNextLineReach * em;
    }
    static constexpr double kNextLineReach = 2.0;
    // Whether `before`, the line read before `line`, is a key on its row:
    // on its baseline, ending left of it, starting where `head` (the next
    // line's first word) starts.
    bool keyBefore(const std::vector<TextWord>& words, const TextLine& before, const TextLine& line,
                   const TextWord& head) const {
        if (before.wordCount == 0 || line.wordCount == 0) return false;
        const TextWord& key = words[before.firstWord];
        const TextWord& keyEnd = words[before.firstWord + before.wordCount - 1];
        const TextWord& first = words[line.firstWord];
        if (key.charCount == 0 || keyEnd.charCount == 0 || first.charCount == 0) return false;
        const Frame f = frameOf(first);
        const double em = firstChar(first).fontSize;
        return f.sameAs(frameOf(key)) &&
               std::fabs(f.across(lastChar(keyEnd).quad.lowerLeft) -
                         f.across(firstChar(first).quad.lowerLeft)) <= 0.3 * em &&
               end(f, keyEnd) < start(f, first) &&
               std::fabs(start(f, key) - start(f, head)) <= 0.5 * em;
    }
    const TextChar& lastChar(const TextWord& word) const {
        return chars_[word.firstChar + word.charCount - 1];
    }
    const TextChar& firstChar(const TextWord& word) const { return chars_[word.firstChar]; }

  private:
    const std::vector<TextChar>& chars_;
};

// The font most characters of words [first, end) are set in (the lowest
// number on a tie); -1 when none is known.
int bodyFont(const std::vector<TextChar>& chars, const std::vector<TextWord>& words, int first,
             int end) {
    std::vector<long> counts;  // by font number: fonts are numbered from 0 on each page
    for (int w = first; w < end; ++w) {
        const TextWord& word = words[w];
        for (int c = word.firstChar; c < word.firstChar + word.charCount; ++c) {
            const int font = chars[c].font;
            if (font < 0) continue;
            if (static_cast<std::size_t>(font) >= counts.size()) counts.resize(font + 1, 0);
            ++counts[font];
        }
    }
    if (counts.empty()) return -1;
    return static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

FontEvidence fontEvidence(int addressFont, int body, int headFont) {
    if (addressFont < 0 || addressFont == body) return FontEvidence::None;
    if (headFont == addressFont) return FontEvidence::Same;
    return headFont == body ? FontEvidence::Other : FontEvidence::None;
}

bool looksLikeAPathPiece(const AddressTail& tail, std::u32string_view core) {
    if (core.empty() || !std::all_of(core.begin(), core.end(), isAddressChar)) return false;
    if (tail.last == '.')
        return isAsciiDigit(tail.beforeLast) && std::all_of(core.begin(), core.end(), isAsciiDigit);
    if (tail.last != '/') return false;
    if (std::any_of(core.begin(), core.end(), isAsciiDigit)) return true;
    for (std::size_t i = 1; i < core.size(); ++i)
        if (core[i] >= 'A' && core[i] <= 'Z' && core[i - 1] >= 'a' && core[i - 1] <= 'z')
            return true;
    // A colon between letters, with no space after it: a wiki's namespace
    // ("…/wiki/" over "Relation:multipolygon."), which prose never writes.
    for (std::size_t i = 1; i + 1 < core.size(); ++i)
        if (core[i] == ':' && chars::isLetter(core[i - 1]) && chars::isLetter(core[i + 1]))
            return true;
    return false;
}

// Whether an address that `tail` ends in goes on with `head` over `brk`.
// "%29…": a percent escape, which no word of prose starts with.
bool startsWithPercentEscape(std::u32string_view word) {
    auto hex = [](char32_t c) {
        return isAsciiDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    return word.size() >= 3 && word[0] == '%' && hex(word[1]) && hex(word[2]);
}

bool addressGoesOn(const AddressTail& tail, const Break& brk, std::u32string_view head) {
    if (head.empty()) return false;
    if (cannotEnd(tail)) return charactersGoOn(tail, brk.sameParagraph, head);
    std::u32string_view core = headCore(head);
    // A file's type after the dot of a path's last name is no word of prose,
    // however much room the line left: TeX breaks a line short of its edge
    // where that sets the paragraph better ("…/adns/adns.tar." over "gz.").
    if (brk.sameParagraph && brk.font != FontEvidence::Other && tail.kind == AddressKind::Web &&
        !tail.inHost && tail.last == '.' && isAsciiAlnum(tail.beforeLast) && isFileType(core))
        return true;
    // Nor is a percent escape that starts the next line, wherever the
    // producer broke the line, in a path or a fragment ("…_%28Brown-Driver-
    // Briggs" over "%29.djvu/25,", "…#HTTP%28S" over "%29_Test_Script_Recorder").
    if (brk.font != FontEvidence::Other && tail.kind == AddressKind::Web && !tail.inHost &&
        startsWithPercentEscape(core) && isWebPiece(core))
        return true;
    // An address in brackets goes on, whatever room its line left, with a
    // next word that closes the bracket after a piece of an address: the
    // bracket is still open, so its sentence has not ended. A line's room is
    // no measure where addresses too long for any line run past the column's
    // edge ("(http://www.unicode.org/Public/4.0-Update/" over
    // "UnicodeData-4.0.0.txt)" under a line that did).
    if (brk.sameParagraph && brk.font != FontEvidence::Other && closesBracket(tail, head) &&
        isWebPiece(head.substr(0, head.find(closerOf(tail.opener)))))
        return true;
    // The address may end here: the break must have been forced, and the
    // next piece not set in the body font while the address has its own.
    if (!brk.forced || brk.font == FontEvidence::Other) return false;
    if (charactersGoOn(tail, brk.sameParagraph || isWebPiece(core), head)) return true;
    if (brk.sameParagraph && closesBracket(tail, head)) return true;
    // A host broken anywhere, as packages that allow a break after any
    // letter do: a forced break inside a host name over the rest of a host
    // and a path ("(http://dep.de" over "bian.net/deps/dep5/").
    if (isAddressOfItsOwn(core)) return false;
    if (brk.sameParagraph && tail.kind == AddressKind::Web && tail.inHost &&
        (isAsciiAlnum(tail.last) || chars::isLetter(tail.last)) && core[0] >= 'a' &&
        core[0] <= 'z' && core.find(U'/') != core.npos &&
        holdsDomainLabel(core.substr(0, core.find(U'/'))))
        return true;
    // A path broken inside a name, as word processors break what does not
    // fit, goes on over a forced break with a piece no prose has: one holding
    // a host's label, a query, or digits beside a slash ("…/2015/03/28/
    // bioinforma" over "tics.btv184.abstract?keytype=ref", "…/5Rgv/do" over
    // "cument/tx14iers.0z9/eopc04_08.62-now", under a list item's hanging
    // indent as well). The rest of a name starts in lower case, a digit or "_";
    // "and/or" is prose, and so are a number ("…/cluster_job.py" over a
    // heading's "2.16"), a capital ("…/#border" over a heading's
    // "Namepunct.honorific") and a comment's "%"; a fragment after "#" ends
    // where its line does.
    if (tail.kind == AddressKind::Web && !tail.inHost && !tail.inFragment &&
        (isAsciiAlnum(tail.last) || chars::isLetter(tail.last)) && isWebPiece(core) &&
        ((core[0] >= 'a' && core[0] <= 'z') || isAsciiDigit(core[0]) || core[0] == '_') &&
        !numeric(core) && (brk.sameParagraph || core.find(U'/') != core.npos) &&
        (holdsDomainLabel(core) ||
         std::any_of(core.begin(), core.end(), [](char32_t c) { return isOneOf(c, U"?=&%"); }) ||
         (core.find(U'/') != core.npos && std::any_of(core.begin(), core.end(), isAsciiDigit))))
        return true;
    // A path goes on over a forced break with a word no prose has: a name
    // in camel case or one holding digits after a slash
    // ("…/YourAccount/" over "ImportingYourPGPKey", "…/" over
    // "tel-00710193"), more digits after a number and a dot
    // ("…?id=2032305." over "2032319").
    if (brk.sameParagraph && tail.kind == AddressKind::Web && !tail.inHost &&
        looksLikeAPathPiece(tail, core))
        return true;
    // A path's slash at a forced break, over one word and the full stop that
    // ends the sentence, a word alone on the paragraph's last line or one no
    // prose has: prose after an address goes on with more than a word, so the
    // word is the name the line had no room for ("See https://www.gnu.org/"
    // over "copyleft.", a cell's "…/wiki/De/" over "SEPA-Lastschrift.",
    // "…/listinfo/" over "pyx-user. The archive"; but German's verb ends a
    // sentence: "…Rechner[:Port]/" over "angegeben. Durch").
    if (brk.sameParagraph && tail.kind == AddressKind::Web && !tail.inHost && !tail.inFragment &&
        tail.last == '/' && head.size() == core.size() + 1 && head.back() == '.' &&
        chars::isLetter(core[0]) && std::all_of(core.begin(), core.end(), isAddressChar) &&
        !isAddressOfItsOwn(core) &&
        (brk.headAlone || !std::all_of(core.begin(), core.end(), chars::isLetter)))
        return true;
    // Rule 4: a path set in its own font goes on in that font; but after a
    // dot a capital starts a sentence there too ("…/glpk-java/files/." over
    // "Unzip the archive", the line past its column's edge).
    return brk.font == FontEvidence::Same && tail.kind == AddressKind::Web && !tail.inHost &&
           (tail.last == '/' || tail.last == '.') && !isOneOf(tail.beforeLast, U")]'\"") &&
           !core.empty() && std::all_of(core.begin(), core.end(), isAddressChar) &&
           !isAddressOfItsOwn(core) && !(tail.last == '.' && core[0] >= 'A' && core[0] <= 'Z');
}

// Two characters set in sizes within a tenth of each other (LaTeX's \large
// heading is a fifth larger than the text).
bool sameSize(const TextChar& a, const TextChar& b) {
    const double larger = std::max(a.fontSize, b.fontSize);
    return std::min(a.fontSize, b.fontSize) >= larger / 1.1;
}

// ---- Footnote marks ----

// The number of characters at the word's end that are a footnote mark: set
// smaller than, and raised above, the character before them.
int trailingMark(const std::vector<TextChar>& chars, const TextWord& word) {
    if (word.charCount < 2) return 0;
    const int end = word.firstChar + word.charCount;
    const Frame f = frameOf(chars[word.firstChar]);
    int first = end;
    while (first - 1 > word.firstChar) {
        const TextChar& mark = chars[first - 1];
        const TextChar& before = chars[first - 2];
        bool raised =
            f.across(mark.quad.lowerLeft) > f.across(before.quad.lowerLeft) + 0.2 * before.fontSize;
        if (!(mark.fontSize < 0.9 * before.fontSize) || !raised) break;
        --first;
        // A mark of several characters ("12") is all raised above the text.
        while (first - 1 > word.firstChar &&
               std::fabs(chars[first - 1].fontSize - mark.fontSize) < 0.01 * mark.fontSize &&
               std::fabs(f.across(chars[first - 1].quad.lowerLeft) -
                         f.across(mark.quad.lowerLeft)) < 0.1 * mark.fontSize)
            --first;
        break;
    }
    return end - first;
}

std::u32string wordCodes(const std::vector<TextChar>& chars, const TextWord& word,
                         int leaveOut = 0) {
    std::u32string codes;
    codes.reserve(static_cast<std::size_t>(word.charCount));
    for (int c = word.firstChar; c < word.firstChar + word.charCount - leaveOut; ++c)
        codes += chars[static_cast<std::size_t>(c)].code;
    return codes;
}

// A footnote mark after an address is set apart from it; the address then
// ends there.
void markFootnotes(const std::vector<TextChar>& chars, std::vector<TextWord>& words) {
    for (TextWord& word : words) {
        int mark = trailingMark(chars, word);
        if (mark == 0 || mark >= word.charCount) continue;
        if (addressTail(wordCodes(chars, word, mark), AddressTail{}).kind != AddressKind::None)
            word.markChars = mark;
    }
}

// ---- The joins ----

// Where the lines of a flow end: the end that three in four of its lines
// reach no farther than, along the line. Not the farthest end: a line that
// runs past the margin (an address a typesetter could not break) would make
// every full line look short.
struct Edges {
    std::vector<Frame> frame;  // per flow: the writing direction of its first line
    std::vector<double> end;   // per flow: where its lines end, in that direction
    std::vector<bool> known;
};

Edges flowEdges(const PageGeometry& g, const std::vector<TextWord>& words,
                const std::vector<TextLine>& lines) {
    Edges e;
    std::vector<std::vector<double>> ends;
    for (const TextLine& line : lines) {
        std::size_t flow = static_cast<std::size_t>(std::max(line.flowId, 0));
        if (flow >= e.end.size()) {
            e.frame.resize(flow + 1);
            e.end.resize(flow + 1, -1e300);
            e.known.resize(flow + 1, false);
            ends.resize(flow + 1);
        }
        // A table's rows are no measure of the prose around them.
        if (line.table >= 0) continue;
        const TextWord& first = words[line.firstWord];
        const TextWord& last = words[line.firstWord + line.wordCount - 1];
        if (first.charCount == 0 || last.charCount == 0) continue;
        Frame f = g.frameOf(first);
        if (!e.known[flow]) {
            e.frame[flow] = f;
            e.known[flow] = true;
        } else if (!f.sameAs(e.frame[flow])) {
            continue;
        }
        ends[flow].push_back(g.end(e.frame[flow], words[line.firstWord + line.wordCount - 1]));
    }
    for (std::size_t flow = 0; flow < ends.size(); ++flow) {
        std::vector<double>& v = ends[flow];
        if (v.empty()) continue;
        auto at = v.begin() + static_cast<std::ptrdiff_t>((v.size() * 3) / 4);
        std::nth_element(v.begin(), at, v.end());
        e.end[flow] = *at;
    }
    return e;
}

// The first word of the table cell that word w of `line` belongs to.
int cellFirstWord(const std::vector<TextWord>& words, const TextLine& line, int w) {
    while (w > line.firstWord && !words[w].cellStart) --w;
    return w;
}

// Whether the hyphen at the end of `last` that `head` goes on from is a
// typesetter's, not the address's own: rule 8 of the header, weighed against
// the document's words (DocumentWords.h), or the page's own when the page
// has no open document to read; those are gathered at the first hyphen that
// needs them.
class TypesetterHyphens {
  public:
    TypesetterHyphens(const std::vector<TextChar>& chars, const std::vector<TextWord>& words,
                      DocumentWords* document)
        : chars_(chars), words_(words), document_(document) {}
    bool at(std::u32string_view last, std::u32string_view head);

  private:
    const std::vector<TextChar>& chars_;
    const std::vector<TextWord>& words_;
    DocumentWords* document_;
    std::optional<WordRuns> page_;
};

// The letters a line's last word ends in before its final hyphen, and the
// letters the next line starts with; empty when either side is no letter.
std::pair<std::u32string, std::u32string> hyphenPieces(std::u32string_view last,
                                                       std::u32string_view head) {
    if (last.size() < 2 || !isAddressHyphen(last.back())) return {};
    std::size_t start = last.size() - 1;
    while (start > 0 && chars::isLetter(last[start - 1])) --start;
    // Hex digits of a percent escape are no part of the word ("cat=%2FUtili-"
    // over "ties" breaks "Utilities").
    auto hexDigit = [](char32_t c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    if (start >= 1 && last[start - 1] == '%' && start + 2 < last.size() && hexDigit(last[start]) &&
        hexDigit(last[start + 1]))
        start += 2;
    else if (start >= 2 && last[start - 2] == '%' && hexDigit(last[start - 1]) &&
             hexDigit(last[start]))
        ++start;
    std::size_t end = 0;
    while (end < head.size() && chars::isLetter(head[end])) ++end;
    if (start == last.size() - 1 || end == 0) return {};
    std::pair<std::u32string, std::u32string> pieces{last.substr(start, last.size() - 1 - start),
                                                     head.substr(0, end)};
    return pieces;
}

// The pieces of an address's line end in a hyphen between letters (rule 1
// for the address), as the document's vocabulary weighs them.
HyphenPieces addressHyphenPieces(std::u32string_view last, std::u32string_view head) {
    if (last.empty() || !isAddressHyphen(last.back()) ||
        addressTail(last, AddressTail{}).kind == AddressKind::None)
        return {};
    return hyphenPieces(last, head);
}

// Whether a hyphen that the document's words say nothing of is a typesetter's
// that hyphenates the document's addresses (DocumentWords.h): its own hyphen
// ("-" or the soft hyphen; never U+2010 or U+2011, which authors type), inside
// a word, not in a number ("…/9001c8de-" over "c19e-41a0"; but "…/i821ulblgp-"
// over "sr.html" breaks a name),
// between pieces that are not both words the document writes
// ("…/questions/1408356/keyboard-" over "interrupts-with-pythons-…" is the
// address's own).
bool typesetterHyphenByPrior(std::u32string_view last, std::u32string_view head,
                             const std::u32string& left, const std::u32string& right,
                             DocumentWords& document) {
    constexpr std::size_t kWordLetters = 3;
    if (last.back() != '-' && last.back() != 0xAD) return false;
    const std::size_t leftStart = last.size() - 1 - left.size();
    auto hexLetters = [](const std::u32string& piece) {
        return std::all_of(piece.begin(), piece.end(), [](char32_t c) {
            return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        });
    };
    if ((leftStart > 0 && isAsciiDigit(last[leftStart - 1]) && hexLetters(left)) ||
        (right.size() < head.size() && isAsciiDigit(head[right.size()])))
        return false;
    if (document.writesHyphened(left, right)) return false;
    if (left.size() >= kWordLetters && right.size() >= kWordLetters && document.writesWord(left) &&
        document.writesWord(right))
        return false;
    return document.hyphenatesAddresses(addressHyphenPieces);
}

bool TypesetterHyphens::at(std::u32string_view last, std::u32string_view head) {
    auto [left, right] = hyphenPieces(last, head);
    if (left.empty()) return false;
    if (document_ != nullptr)
        return document_->hyphenated(left, right) ||
               typesetterHyphenByPrior(last, head, left, right, *document_);
    if (!page_) {
        page_.emplace();
        for (const TextWord& word : words_) page_->addWord(wordCodes(chars_, word));
    }
    return page_->hyphenated(left, right);
}

// The words of a table row whose cell goes on at the cell's next line
// (wrapped inside the cell), joined to it.
void joinWithinCells(const std::vector<TextChar>& chars, const PageGeometry& g,
                     std::vector<TextWord>& words, const TextLine& line, int body,
                     TypesetterHyphens& hyphens) {
    const int end = line.firstWord + line.wordCount;
    if (words[line.firstWord].charCount == 0) return;
    const Frame f = g.frameOf(words[line.firstWord]);
    // Where each word's cell ends along the row, from one pass each way.
    std::vector<double> cellFar(static_cast<std::size_t>(line.wordCount));
    for (int w = line.firstWord, cell = w; w < end; ++w) {
        if (words[w].cellStart) cell = w;
        double e = g.end(f, words[w]);
        cellFar[w - line.firstWord] = w == cell ? e : std::max(cellFar[w - 1 - line.firstWord], e);
    }
    for (int w = end - 2; w >= line.firstWord; --w)
        if (!words[w + 1].cellStart) cellFar[w - line.firstWord] = cellFar[w + 1 - line.firstWord];
    // The address the cell's line before ended in, when joined to a line of
    // one word that this word is ("http://leadshineusa.com/-" over
    // "UploadFile/-" over "Down/-" over "DM422m.pdf" in a narrow column).
    AddressTail carried;
    for (int w = line.firstWord; w + 1 < end; ++w) {
        const TextWord& word = words[w];
        const TextWord& next = words[w + 1];
        const bool joinedFromBefore =
            w > line.firstWord && (words[w - 1].joinsNext || words[w - 1].hyphenJoinsNext);
        const AddressTail before = joinedFromBefore ? carried : AddressTail{};
        carried = AddressTail{};
        if (next.cellStart || word.markChars > 0 || word.charCount == 0 || next.charCount == 0)
            continue;
        if (!g.onLaterLine(f, word, next) || !sameSize(g.lastChar(word), g.firstChar(next)))
            continue;
        AddressTail tail = addressTail(wordCodes(chars, word), before);
        if (tail.kind == AddressKind::None && !tail.localPartOnly) continue;
        Break brk;
        brk.forced = cellFar[w - line.firstWord] - g.end(f, word) <
                     g.pieceWidth(f, next) + 0.5 * g.lastChar(word).fontSize;
        brk.font = fontEvidence(g.lastChar(word).font, body, g.firstChar(next).font);
        const std::u32string nextCodes = wordCodes(chars, next);
        if (addressGoesOn(tail, brk, nextCodes)) {
            // The address's own hyphen is kept; a typesetter's and the
            // publisher's break mark after a slash are left out (as between
            // lines, below).
            const bool leftOut =
                (chars::isHyphen(tail.last) && tail.beforeLast == '/' &&
                 nextCodes.front() != '/') ||
                (isAddressHyphen(tail.last) && hyphens.at(wordCodes(chars, word), nextCodes));
            words[w].joinsNext = !leftOut;
            words[w].hyphenJoinsNext = leftOut;
            if (tail.localPartOnly) tail.kind = AddressKind::Mail;
            carried = tail;
        }
    }
}

}  // namespace

void joinAddresses(const std::vector<TextChar>& chars, std::vector<TextWord>& words,
                   std::vector<TextLine>& lines, DocumentWords* document) {
    markFootnotes(chars, words);
    const PageGeometry g(chars);
    // The page's body font: the one most of its characters are set in.
    const int body = bodyFont(chars, words, 0, static_cast<int>(words.size()));
    TypesetterHyphens hyphens(chars, words, document);
    for (const TextLine& line : lines)
        if (line.tableRow) joinWithinCells(chars, g, words, line, body, hyphens);

    const Edges edges = flowEdges(g, words, lines);
    AddressTail carried;  // the address the line before ended in, when joined to this line
    for (std::size_t l = 0; l + 1 < lines.size(); ++l) {
        TextLine& line = lines[l];
        const TextLine& next = lines[l + 1];
        const int lastIndex = line.firstWord + line.wordCount - 1;
        const TextWord& lastWord = words[lastIndex];
        AddressTail tail =
            addressTail(wordCodes(chars, lastWord), line.wordCount == 1 ? carried : AddressTail{});
        carried = AddressTail{};
        if (tail.kind == AddressKind::None && !tail.localPartOnly) continue;
        // A footnote mark closes the address; so does the end of a flow,
        // but where the address cannot end and the next line lies right
        // under it (a justified "Link: http://…/~rlink-debugger-programmer__"
        // whose stretched space parted the address from its key, over
        // "microcontrollers__tool~tool__T018:4cn9ziz4bnx6.html").
        if (lastWord.markChars > 0) continue;
        const TextWord& head = words[next.firstWord];
        if (lastWord.charCount == 0 || head.charCount == 0) continue;
        // A key set on the address's row before it, in a flow of its own:
        // the stretched space of a justified line parted them ("Link:" and
        // "https://…/xdsdebugprobes/" over "emu_xds_software_package_
        // download.html#xds110-support-utilities" under the key).
        // The next line under the key is no such key itself ("GitHub:").
        const bool otherFlow = next.flowId != line.flowId;
        const bool keyBefore = otherFlow && l > 0 && g.keyBefore(words, lines[l - 1], line, head) &&
                               g.lastChar(head).code != ':';
        if (otherFlow && !((cannotEnd(tail) || keyBefore) &&
                           g.nextLineRightUnder(g.frameOf(lastWord), lastWord, head)))
            continue;
        // An address goes on in its own size: a next line set larger or
        // smaller is a heading or a note ("www.freefem.org/ff++" over a
        // section's "1 Outline of the commands").
        if (!sameSize(g.lastChar(lastWord), g.firstChar(head))) continue;
        const Frame f = g.frameOf(lastWord);
        Break brk;
        brk.sameParagraph = next.paragraphId == line.paragraphId || keyBefore;
        brk.headAlone = next.wordCount == 1;
        double far = 0;
        bool measured = false;
        if (line.table >= 0 || next.table >= 0) {
            // In a table, only the cell's own next line goes on with it: a
            // line of a single cell that starts where the cell does. A line
            // of the table that is no row of cells (a reference set with a
            // hanging indent beside its key: "[Mas00] Brian Maso. …
            // http://docslide.us/documents/" over "java-protocol-handler.html")
            // goes on under any of its words.
            if (next.tableRow) continue;
            // Under the start, or indented by up to two ems as a word
            // processor indents a cell's next lines ("…/102280/01.01.01"
            // over "   _60/ts_102280v010101p.pdf").
            const double em = g.lastChar(lastWord).fontSize;
            const double headStart = g.start(f, head);
            auto under = [&](const TextWord& word) {
                const double indent = headStart - g.start(f, word);
                return indent >= -0.5 * em && indent <= 2 * em;
            };
            bool underCell = false;
            if (line.tableRow) {
                const int cell = cellFirstWord(words, line, lastIndex);
                underCell = under(words[cell]);
                // A row of a key and its address: the address's next line
                // may start under the key, as a hanging paragraph of the
                // entry it belongs to does ("Link:" and "http://www.
                // johngustafson.net/presentations/" over "Multicore2016-
                // JLG.pdf" under "Link:").
                if (!underCell && cell > line.firstWord &&
                    cellFirstWord(words, line, cell - 1) == line.firstWord &&
                    words[cell - 1].charCount > 0 && g.lastChar(words[cell - 1]).code == ':')
                    underCell = under(words[line.firstWord]);
            } else {
                for (int k = line.firstWord; k <= lastIndex && !underCell; ++k)
                    underCell = under(words[k]);
            }
            if (!underCell) continue;
            brk.sameParagraph = true;
            far =
                std::max(g.end(f, lastWord), g.end(f, words[next.firstWord + next.wordCount - 1]));
            for (int k = cellFirstWord(words, line, lastIndex); k < lastIndex; ++k)
                far = std::max(far, g.end(f, words[k]));
            measured = true;
        } else {
            std::size_t flow = static_cast<std::size_t>(std::max(line.flowId, 0));
            if (flow < edges.known.size() && edges.known[flow] && f.sameAs(edges.frame[flow])) {
                far = edges.end[flow];
                measured = true;
            }
        }
        if (measured)
            brk.forced = far - g.end(f, lastWord) <
                         g.pieceWidth(f, head) + 0.5 * g.lastChar(lastWord).fontSize;
        brk.font = fontEvidence(g.lastChar(lastWord).font, body, g.firstChar(head).font);
        // The word before the address in the address's font: a block set in
        // that font (an example, a display), where the font tells nothing
        // ("Discuss ne at http://groups.google.com/group/niceeditor/" over
        // "Github repo: https://github.com/vigna/ne/").
        if (lastIndex > line.firstWord && words[lastIndex - 1].charCount > 0 &&
            g.lastChar(words[lastIndex - 1]).font == g.lastChar(lastWord).font)
            brk.font = FontEvidence::None;
        const std::u32string headCodes = wordCodes(chars, head);
        if (!addressGoesOn(tail, brk, headCodes)) continue;
        line.hyphenJoined = true;
        // A hyphen right after a slash marks where the publisher broke the
        // address (no path segment starts with one), unless the next line
        // starts with a slash ("/-/" in some addresses): it is left out.
        line.addressJoined =
            !(chars::isHyphen(tail.last) && tail.beforeLast == '/' && headCodes.front() != '/');
        // A typesetter that hyphenates addresses like words ("[https://bugs.
        // freedesk-" over "top.org/]", the same line holding
        // "freedesktop.org's"): a hyphen between letters is the address's own
        // unless the page writes the two pieces together and never with one.
        if (line.addressJoined && isAddressHyphen(tail.last) &&
            hyphens.at(wordCodes(chars, lastWord), headCodes))
            line.addressJoined = false;
        if (tail.localPartOnly) tail.kind = AddressKind::Mail;
        carried = tail;
    }
}

}  // namespace pdf
