// Every match on its own text, on every document of the real-world corpus: "recognizelinks"
// with a few everyday patterns, each link checked against the same match found independently
// in MuPDF's structured text (mutool draw -F stext: lines of characters with their quads).
//
// A reference match is a match of a pattern in one stext line, or across two lines of one
// block where the first ends in a hyphen after a letter and the second starts with a letter
// (the hyphen left out), as a reader joins them; its rectangle on each line is the bounding box
// of its characters' quads there. Per document:
//   - at least 99.5 % of the reference matches are covered by a link of the same pattern with
//     the same text that overlaps at least half of the smaller of the two rectangles;
//   - no link lies on none of them (overlaps no reference match of its pattern);
//   - no link is more than 1.6 times as wide as its text (plus the point that rounding up
//     adds), none has a side of 0 or less, and none is there twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <tuple>

#include "pdf/text/Regex.h"
#include "support/CorpusTools.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"

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

std::string unescapeAttribute(std::string s) {
    const std::pair<const char*, const char*> entities[] = {{"&#x0A;", "\n"}, {"&quot;", "\""},
                                                            {"&apos;", "'"},  {"&lt;", "<"},
                                                            {"&gt;", ">"},    {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        for (size_t at; (at = s.find(from)) != std::string::npos;)
            s.replace(at, std::string(from).size(), to);
    }
    return s;
}

std::vector<Found> linksOfDocument(const TempDir& dir, int pages) {
    std::vector<Found> links;
    std::regex link(
        "<link loc=\"(-?\\d+) (-?\\d+) (-?\\d+) (-?\\d+)\" url=\"[^\"]*\" target=\"1\" "
        "linktype=\"(\\d)\" text=\"([^\"]*)\"");
    for (int p = 1; p <= pages; ++p) {
        std::string xml = readFile(dir.file("Page_" + std::to_string(p) + ".xml"));
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), link);
             it != std::sregex_iterator(); ++it) {
            const std::smatch& m = *it;
            double x = std::stod(m[1]), y = std::stod(m[2]);
            links.push_back({p,
                             std::stoi(m[5]),
                             unescapeAttribute(m[6]),
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

std::vector<Found> referenceMatches(const std::string& pdf,
                                    const std::vector<std::unique_ptr<pdf::Regex>>& patterns) {
    std::vector<Found> found;
    for (const auto& [page, lines] : mutoolLines(pdf)) {
        for (size_t l = 0; l < lines.size(); ++l) {
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

Figures compare(const std::vector<Found>& references, const std::vector<Found>& links) {
    Figures f;
    f.references = static_cast<long>(references.size());
    f.links = static_cast<long>(links.size());
    for (const Found& r : references) {
        for (const Found& l : links) {
            if (l.page == r.page && l.pattern == r.pattern && l.text == r.text &&
                overlap(l.rect, r.rect) >= 0.5 * std::min(l.rect.area(), r.rect.area())) {
                ++f.covered;
                break;
            }
        }
    }
    std::map<std::tuple<int, int, std::string, double, double, double, double>, int> seen;
    for (const Found& l : links) {
        if (l.rect.width() <= 0 || l.rect.y1 - l.rect.y0 <= 0) ++f.nonPositive;
        if (++seen[{l.page, l.pattern, l.text, l.rect.x0, l.rect.y0, l.rect.x1, l.rect.y1}] > 1)
            ++f.duplicates;
        const Found* best = nullptr;
        for (const Found& r : references) {
            if (r.page != l.page || r.pattern != l.pattern) continue;
            if (overlap(l.rect, r.rect) > 0 &&
                (best == nullptr || overlap(l.rect, r.rect) > overlap(l.rect, best->rect)))
                best = &r;
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
    std::vector<std::unique_ptr<pdf::Regex>> patterns;
    std::vector<Expression> expressions;
    for (size_t p = 0; p < kPatterns.size(); ++p) {
        patterns.push_back(std::make_unique<pdf::Regex>(kPatterns[p]));
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
        Figures f = compare(referenceMatches(pdf, patterns), linksOfDocument(dir, pages));
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

}  // namespace
