// Every match on its own text, on every document of the real-world corpus: "recognizelinks"
// with a few everyday patterns, each link checked against the same match found independently
// in MuPDF's structured text (mutool draw -F stext: lines of characters with their quads).
//
// A reference match is a match of a pattern in one stext line, or across two lines of one
// block where the first ends in a hyphen after a letter and the second starts with a letter
// (the hyphen left out), as a reader joins them; its rectangle on each line is the bounding box
// of its characters' quads there. A line whose last word holds the start of a web or e-mail
// address ("://", "www.", "@") may go on with the address on the next lines of its block:
// matches over such lines joined with nothing left out are alternative readings, one piece on
// each line. Per document:
//   - at least 99.5 % of the reference matches are covered by a link of the same pattern with
//     the same text that overlaps at least half of the smaller of the two rectangles, or lie
//     under an alternative reading so covered (the address read whole);
//   - no link lies on none of them (overlaps no reference match or alternative of its
//     pattern);
//   - no link is more than 1.6 times as wide as its text (plus the point that rounding up
//     adds), none has a side of 0 or less, and none is there twice.
//
// And every web and e-mail address's rectangle, as the locator makes it before "loc" rounds it,
// spans along its line the union of the same glyphs' quads as the page's reading
// (pdf::TextPage, the text layer's source) has them, to within kAlongTolerance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "pdf/Document.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/text/PaintedText.h"
#include "pdf/text/TextPage.h"
#include "pdf/text/TextSearch.h"
#include "recognition/HitInfoLocator.h"
#include "support/CorpusTools.h"
#include "support/Pattern.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"
#include "text/Regex.h"

using namespace testing_support;

namespace {

const std::vector<std::string> kPatterns = {
    "(?:https?://|www\\.)[A-Za-z0-9./?=_%:~+#-]*[A-Za-z0-9/]",
    "[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\\.[A-Za-z0-9-]+)*\\.[A-Za-z]{2,}",
    "\\d{3,}",
    "[Pp]age \\d+",
    "(?<=[Pp]age )\\d+",
};

struct Rect {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double width() const { return x1 - x0; }
    double area() const { return (x1 - x0) * (y1 - y0); }
};

double overlap(const Rect& a, const Rect& b) {
    double w = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
    double h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
    return w > 0 && h > 0 ? w * h : 0;
}

// A match: of a link, or of the reference; text in the ASCII form links carry.
struct Found {
    int page = 0;
    int pattern = 0;
    std::string text;
    Rect rect;
};

std::string ascii(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xC0) != 0x80) {
            out += '?';
        }
    }
    return out;
}

std::vector<Found> linksOfDocument(const TempDir& dir, int pages) {
    std::vector<Found> links;
    const Pattern link(
        "<link loc=\"(-?\\d+) (-?\\d+) (-?\\d+) (-?\\d+)\" url=\"[^\"]*\" target=\"1\" "
        "linktype=\"(\\d)\" text=\"([^\"]*)\"");
    for (int p = 1; p <= pages; ++p) {
        std::string xml = readFile(dir.file("Page_" + std::to_string(p) + ".xml"));
        for (const Match& m : link.all(xml)) {
            double x = std::stod(m[1]), y = std::stod(m[2]);
            links.push_back({p,
                             std::stoi(m[5]),
                             xmlUnescaped(m[6]),
                             {x, y, x + std::stod(m[3]), y + std::stod(m[4])}});
        }
    }
    return links;
}

// The bounding box of the characters of `line` that bytes [start, end) of its text show.
Rect boxOf(const StextLine& line, size_t start, size_t end) {
    Rect box{1e300, 1e300, -1e300, -1e300};
    size_t offset = 0;
    for (const StextChar& c : line.chars) {
        size_t next = offset + c.text.size();
        if (next > start && offset < end) {
            box.x0 = std::min(box.x0, c.x0);
            box.y0 = std::min(box.y0, c.y0);
            box.x1 = std::max(box.x1, c.x1);
            box.y1 = std::max(box.y1, c.y1);
        }
        offset = next;
    }
    return box;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A character that may go on with an address at the start of the next line.
bool goesOnWithAnAddress(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string("/._~%#?=&-").find(c) != std::string::npos;
}

// Matches over the lines from `first` on joined as one address (nothing left out), from
// the line whose last word starts one (or ends where the next line's e-mail address starts:
// "9-" before "ANM-Requests@faa.gov") to at most kMaxLines lines that go on with it, in
// MuPDF's order whatever its blocks (it may start a block inside a paragraph): one Found per
// line piece, each with the whole match's text.
void addressReadings(const std::vector<StextLine>& lines, size_t first, int page,
                     const std::vector<std::unique_ptr<Regex>>& patterns,
                     std::vector<Found>& alternatives) {
    constexpr size_t kMaxLines = 4;  // the longest address of the corpus spans four
    if (first + 1 >= lines.size()) return;
    std::string text = lines[first].text();
    text.erase(text.find_last_not_of(' ') + 1);
    const std::string lastWord = text.substr(text.find_last_of(' ') + 1);
    const std::string following = lines[first + 1].text();
    if (lastWord.find("://") == std::string::npos && lastWord.find("www.") == std::string::npos &&
        lastWord.find('@') == std::string::npos &&
        following.substr(0, following.find(' ')).find('@') == std::string::npos)
        return;
    std::string joined = text;
    std::vector<size_t> starts = {0};  // where each line starts in joined
    for (size_t l = first + 1; l < lines.size() && starts.size() < kMaxLines; ++l) {
        std::string next = lines[l].text();
        next.erase(next.find_last_not_of(' ') + 1);
        if (next.empty() || !goesOnWithAnAddress(next[0])) break;
        // A line after the first goes on only when it is all address.
        std::string previous = lines[l - 1].text();
        previous.erase(previous.find_last_not_of(' ') + 1);
        if (l > first + 1 && previous.find(' ') != std::string::npos) break;
        starts.push_back(joined.size());
        joined += next;
    }
    for (size_t p = 0; p < patterns.size(); ++p) {
        patterns[p]->forEachMatch(joined, [&](size_t start, size_t end) {
            if (starts.size() < 2 || end <= starts[1]) return;  // on the first line alone
            std::string matched = ascii(joined.substr(start, end - start));
            for (size_t k = 0; k < starts.size(); ++k) {
                size_t from = starts[k], to = k + 1 < starts.size() ? starts[k + 1] : joined.size();
                if (end <= from || start >= to) continue;
                alternatives.push_back({page, static_cast<int>(p), matched,
                                        boxOf(lines[first + k], std::max(start, from) - from,
                                              std::min(end, to) - from)});
            }
        });
    }
}

std::vector<Found> referenceMatches(const std::string& pdf,
                                    const std::vector<std::unique_ptr<Regex>>& patterns,
                                    std::vector<Found>& alternatives) {
    std::vector<Found> found;
    for (const auto& [page, lines] : mutoolLines(pdf)) {
        for (size_t l = 0; l < lines.size(); ++l) {
            addressReadings(lines, l, page, patterns, alternatives);
            const std::string text = lines[l].text();
            for (size_t p = 0; p < patterns.size(); ++p) {
                patterns[p]->forEachMatch(text, [&](size_t start, size_t end) {
                    found.push_back({page, static_cast<int>(p),
                                     ascii(text.substr(start, end - start)),
                                     boxOf(lines[l], start, end)});
                });
            }
            // A word hyphenated at the line's end goes on in the next line of its block.
            if (l + 1 >= lines.size() || lines[l + 1].block != lines[l].block) continue;
            const std::string next = lines[l + 1].text();
            size_t hyphen = text.find_last_not_of(' ');
            if (hyphen == std::string::npos || hyphen < 1 || text[hyphen] != '-' ||
                !isAsciiLetter(text[hyphen - 1]) || next.empty() || !isAsciiLetter(next[0]))
                continue;
            const std::string head = text.substr(0, hyphen);
            const std::string joined = head + next;
            for (size_t p = 0; p < patterns.size(); ++p) {
                patterns[p]->forEachMatch(joined, [&](size_t start, size_t end) {
                    if (start >= head.size() || end <= head.size()) return;
                    std::string matched = ascii(joined.substr(start, end - start));
                    found.push_back(
                        {page, static_cast<int>(p), matched, boxOf(lines[l], start, head.size())});
                    found.push_back({page, static_cast<int>(p), matched,
                                     boxOf(lines[l + 1], 0, end - head.size())});
                });
            }
        }
    }
    return found;
}

struct Figures {
    long references = 0, covered = 0, links = 0, onNone = 0, tooWide = 0, nonPositive = 0,
         duplicates = 0;
};

bool covers(const Found& l, const Found& r) {
    return l.page == r.page && l.pattern == r.pattern && l.text == r.text &&
           overlap(l.rect, r.rect) >= 0.5 * std::min(l.rect.area(), r.rect.area());
}

Figures compare(const std::vector<Found>& references, const std::vector<Found>& alternatives,
                const std::vector<Found>& links) {
    Figures f;
    f.references = static_cast<long>(references.size());
    f.links = static_cast<long>(links.size());
    auto covered = [&](const Found& r) {
        return std::any_of(links.begin(), links.end(),
                           [&](const Found& l) { return covers(l, r); });
    };
    for (const Found& r : references) {
        bool read = covered(r);
        // Or the address it is a piece of is read whole.
        for (size_t a = 0; !read && a < alternatives.size(); ++a) {
            const Found& alternative = alternatives[a];
            read = alternative.page == r.page && alternative.pattern == r.pattern &&
                   overlap(alternative.rect, r.rect) > 0 && covered(alternative);
        }
        if (read) ++f.covered;
    }
    std::map<std::tuple<int, int, std::string, double, double, double, double>, int> seen;
    for (const Found& l : links) {
        if (l.rect.width() <= 0 || l.rect.y1 - l.rect.y0 <= 0) ++f.nonPositive;
        if (++seen[{l.page, l.pattern, l.text, l.rect.x0, l.rect.y0, l.rect.x1, l.rect.y1}] > 1)
            ++f.duplicates;
        const Found* best = nullptr;
        for (const std::vector<Found>* readings : {&references, &alternatives}) {
            for (const Found& r : *readings) {
                if (r.page != l.page || r.pattern != l.pattern) continue;
                if (overlap(l.rect, r.rect) > 0 &&
                    (best == nullptr || overlap(l.rect, r.rect) > overlap(l.rect, best->rect)))
                    best = &r;
            }
        }
        if (best == nullptr) {
            ++f.onNone;
            std::printf("    on no reference match: page %d, pattern %d, \"%s\" at %.0f %.0f\n",
                        l.page, l.pattern, l.text.c_str(), l.rect.x0, l.rect.y0);
        } else if (l.rect.width() > 1.6 * best->rect.width() + 1) {
            ++f.tooWide;
            std::printf("    too wide: page %d \"%s\" %.0f wide, its text %.1f\n", l.page,
                        l.text.c_str(), l.rect.width(), best->rect.width());
        }
    }
    return f;
}

TEST(CorpusLocation, EveryMatchIsLinkedOnItsOwnText) {
    if (corpusDir().empty()) GTEST_SKIP() << "corpus not present";
    if (shell("command -v mutool").empty()) GTEST_SKIP() << "mutool not installed";
    std::vector<std::unique_ptr<Regex>> patterns;
    std::vector<Expression> expressions;
    for (size_t p = 0; p < kPatterns.size(); ++p) {
        patterns.push_back(std::make_unique<Regex>(kPatterns[p]));
        expressions.push_back({kPatterns[p], 1, static_cast<int>(p), "$regresult", ""});
    }
    for (const std::string& name : listDir(corpusDir())) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".pdf") continue;
        const std::string pdf = corpusFile(name);
        TempDir dir;
        if (!tryPublishPageRecords(dir, pdf).empty()) {
            std::printf("%-42s not published (the program refuses the file)\n", name.c_str());
            continue;
        }
        RunResult run = runJob(dir, linksJob(dir, pdf, expressions));
        ASSERT_EQ(0, run.status) << name << ": " << run.out;
        int pages = 0;
        while (fileExists(dir.file("Page_" + std::to_string(pages + 1) + ".xml"))) ++pages;
        std::vector<Found> alternatives;
        std::vector<Found> references = referenceMatches(pdf, patterns, alternatives);
        Figures f = compare(references, alternatives, linksOfDocument(dir, pages));
        double share = f.references == 0 ? 100 : 100.0 * f.covered / f.references;
        std::printf(
            "%-42s %5ld reference matches, %5ld covered (%6.2f%%); %5ld links: %ld on "
            "none, %ld too wide, %ld with no extent, %ld twice\n",
            name.c_str(), f.references, f.covered, share, f.links, f.onNone, f.tooWide,
            f.nonPositive, f.duplicates);
        EXPECT_GE(share, 99.5) << name;
        EXPECT_EQ(0, f.onNone) << name;
        EXPECT_EQ(0, f.tooWide) << name;
        EXPECT_EQ(0, f.nonPositive) << name;
        EXPECT_EQ(0, f.duplicates) << name;
    }
}

// How far along its line a rectangle's ends may lie from its glyphs' (points).
constexpr double kAlongTolerance = 0.5;

struct AlongFigures {
    long matches = 0, rectangles = 0, off = 0;
    double worst = 0;
};

// The page's addresses: each rectangle against the union, on the shown page, of the quads of
// the reading's characters that show the match's glyphs and lie across the rectangle's line
// (their quad's centre inside it), along the line (x, or y for a line that runs up or down).
void measureAlong(const pdf::Page& page, const std::vector<std::unique_ptr<Regex>>& patterns,
                  const std::string& name, AlongFigures& f) {
    const pdf::PaintedText painted = pdf::readPaintedText(page);
    const pdf::TextPage text(page, painted);
    const pdf::SearchableText searchable = pdf::searchableText(text);
    std::vector<std::vector<const pdf::TextChar*>> charsOfGlyph(
        static_cast<size_t>(painted.glyphCount()));
    for (const pdf::TextChar& c : text.chars())
        charsOfGlyph[static_cast<size_t>(c.glyph)].push_back(&c);
    const pdf::Matrix& toPage = page.userToPage();
    HitInfoLocator locator(page, painted);
    for (size_t p = 0; p < 2; ++p) {  // the web and e-mail addresses
        for (const pdf::SearchMatch& match : pdf::searchPage(searchable, *patterns[p])) {
            ++f.matches;
            for (const HitInfo& hit : locator.getSearchHitInfo(match.highlights, match.text)) {
                ++f.rectangles;
                double lo = 1e300, hi = -1e300;
                bool alongX = true;
                for (const pdf::Highlight& h : match.highlights) {
                    for (int g = h.position; g < h.position + h.length; ++g) {
                        for (const pdf::TextChar* c : charsOfGlyph[static_cast<size_t>(g)]) {
                            const pdf::Point q[4] = {
                                toPage.apply(c->quad.lowerLeft), toPage.apply(c->quad.lowerRight),
                                toPage.apply(c->quad.upperRight), toPage.apply(c->quad.upperLeft)};
                            const double cx = (q[0].x + q[2].x) / 2, cy = (q[0].y + q[2].y) / 2;
                            if (cx < hit.x || cx > hit.x + hit.width || cy < hit.y ||
                                cy > hit.y + hit.height)
                                continue;
                            alongX = std::fabs(q[1].x - q[0].x) >= std::fabs(q[1].y - q[0].y);
                            for (const pdf::Point& corner : q) {
                                lo = std::min(lo, alongX ? corner.x : corner.y);
                                hi = std::max(hi, alongX ? corner.x : corner.y);
                            }
                        }
                    }
                }
                const double start = alongX ? hit.x : hit.y;
                const double end = start + (alongX ? hit.width : hit.height);
                const double off =
                    lo > hi ? HUGE_VAL : std::max(std::fabs(start - lo), std::fabs(end - hi));
                f.worst = std::max(f.worst, off);
                if (off > kAlongTolerance && ++f.off <= 5)
                    std::printf("    %s page %d \"%s\": %.1f to %.1f, its glyphs %.1f to %.1f\n",
                                name.c_str(), page.number(), hit.searchText.c_str(), start, end, lo,
                                hi);
            }
        }
    }
}

TEST(CorpusLocation, AddressRectanglesSpanTheirGlyphsAlongTheLine) {
    if (corpusDir().empty()) GTEST_SKIP() << "corpus not present";
    std::vector<std::unique_ptr<Regex>> patterns;
    for (const std::string& pattern : kPatterns)
        patterns.push_back(std::make_unique<Regex>(pattern));
    pdf::Library library;
    for (const std::string& name : listDir(corpusDir())) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".pdf") continue;
        AlongFigures f;
        try {
            pdf::Document document(corpusFile(name));
            for (int n = 1; n <= document.pageCount(); ++n)
                measureAlong(document.page(n), patterns, name, f);
        } catch (const pdf::Error& e) {
            std::printf("%-42s not read: %s\n", name.c_str(), e.what());
            continue;
        }
        std::printf(
            "%-42s %5ld addresses, %5ld rectangles: %ld off their glyphs by more than "
            "%.1f pt along the line (the farthest %.2f)\n",
            name.c_str(), f.matches, f.rectangles, f.off, kAlongTolerance, f.worst);
        EXPECT_EQ(0, f.off) << name;
    }
}

}  // namespace
