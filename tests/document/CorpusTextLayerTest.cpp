// "createtextlayer" on real-world documents: every word's box against the box poppler's
// pdftotext -bbox measures for the same word, and the files' size against the HTML pages'.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "document/TextLayerReader.h"
#include "support/CorpusTools.h"
#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// A word's box agrees with pdftotext's when it lies over the same word: along the line its
// start and end lie within this many points of pdftotext's, and across the line the two
// overlap by at least half of the lower one. Across the line each reader sets the box from the
// font's ascent to its descent, and takes those from different places (pdftotext scales the
// font's bounding box, this program reads the descriptor's values first): pdftotext's boxes
// are 0 to 10 points taller, so the edges across are not compared.
constexpr double kEdgeTolerance = 1.5;
constexpr double kAcrossOverlap = 0.5;
// Two words are the same word of the page when they read alike and their centres lie within
// this many points of each other in both directions: a page repeats its words (a form's
// labels, a table's figures) and the two readers may read them in different orders, so a match
// by text alone pairs a word with another of its occurrences. The distance is far beyond the
// tolerance measured and within the height of a line of text.
constexpr double kSameWordDistance = 12;
// Where one reader finds more than this many times the other's words (pdftotext keeps text a
// producer paints twice, slightly apart, that the layout drops as a duplicate), words are
// paired with the wrong copies: the figures are printed, not held to the bound.
constexpr double kComparableWordRatio = 1.5;
// The files' size: at most 2.5 times the HTML pages' bytes across the corpus (1.7 to 2.3 on
// documents of running text). A table of short numbers costs more (its words are shorter than
// their boxes' figures: 3.2 on a turned table), printed "over" and held to kSizeLimit per
// document, so that the files do not grow.
constexpr double kSizeBudget = 2.5;
constexpr double kSizeLimit = 3.5;

struct Word {
    std::string text;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double a = 0;  // the line's direction (ours only)
};

// Whether our word o lies over pdftotext's word t (kEdgeTolerance). Along is x for lines at 0
// and 180 degrees, y for lines at 90 and 270; for lines at other angles both axes are compared
// by the centres of the boxes.
bool liesOver(const Word& o, const Word& t) {
    auto close = [](double a, double b) { return std::abs(a - b) <= kEdgeTolerance; };
    auto overlaps = [](double a0, double a1, double b0, double b1) {
        return std::min(a1, b1) - std::max(a0, b0) >= kAcrossOverlap * std::min(a1 - a0, b1 - b0);
    };
    if (o.a == 0 || o.a == 180)
        return close(o.x0, t.x0) && close(o.x1, t.x1) && overlaps(o.y0, o.y1, t.y0, t.y1);
    if (o.a == 90 || o.a == 270)
        return close(o.y0, t.y0) && close(o.y1, t.y1) && overlaps(o.x0, o.x1, t.x0, t.x1);
    return close((o.x0 + o.x1) / 2, (t.x0 + t.x1) / 2) &&
           close((o.y0 + o.y1) / 2, (t.y0 + t.y1) / 2);
}

// text as one word of a shell command.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string xmlUnescaped(const std::string& s) {
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool replaced = false;
        for (const auto& [entity, text] : kEntities) {
            if (s.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
                out += text;
                i += std::char_traits<char>::length(entity);
                replaced = true;
                break;
            }
        }
        if (!replaced) out += s[i++];
    }
    return out;
}

// pdftotext -bbox -cropbox: every page's words with their boxes, pages from 1, in points from
// the top-left corner of the shown page, y down (page rotation applied, as the layer has them).
std::map<int, std::vector<Word>> popplerWords(const std::string& pdf) {
    std::map<int, std::vector<Word>> pages;
    const std::string html =
        shell("pdftotext -bbox -cropbox -enc UTF-8 " + quoted(pdf) + " - 2>/dev/null");
    const Pattern token(
        "<page width=|<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" "
        "yMax=\"([-\\d.]+)\">([^<]*)</word>");
    int page = 0;
    for (const Match& m : token.all(html)) {
        if (!m[1].matched) {
            pages[++page];
            continue;
        }
        pages[page].push_back({xmlUnescaped(m[5]), std::stod(m[1]), std::stod(m[2]),
                               std::stod(m[3]), std::stod(m[4])});
    }
    return pages;
}

// The words of a layer file with their boxes on the page (the bounds of each turned box).
std::vector<Word> layerWords(const Layer& layer) {
    std::vector<Word> words;
    for (const LayerLine& line : layer.lines) {
        const double radians = line.a * M_PI / 180;
        const double ux = std::cos(radians), uy = std::sin(radians);
        std::size_t from = 0;
        for (std::size_t w = 0; 2 * w + 1 < line.b.size(); ++w) {
            std::size_t to = line.t.find(' ', from);
            if (to == std::string::npos) to = line.t.size();
            Word word{
                line.t.substr(from, to - from), HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL, line.a};
            from = to + 1;
            for (double s : {line.b[2 * w], line.b[2 * w] + line.b[2 * w + 1]}) {
                for (double t : {0.0, line.h}) {
                    const double x = line.x + s * ux - t * uy, y = line.y + s * uy + t * ux;
                    word.x0 = std::min(word.x0, x);
                    word.x1 = std::max(word.x1, x);
                    word.y0 = std::min(word.y0, y);
                    word.y1 = std::max(word.y1, y);
                }
            }
            words.push_back(word);
        }
    }
    return words;
}

struct BoxAgreement {
    long matched = 0;  // our words that pdftotext also reads there (sameWord)
    long close = 0;    // of those, boxes that lie over pdftotext's (liesOver)
    long ours = 0, theirs = 0;
};

bool sameWord(const Word& o, const Word& t) {
    return o.text == t.text &&
           std::abs((o.x0 + o.x1) / 2 - (t.x0 + t.x1) / 2) <= kSameWordDistance &&
           std::abs((o.y0 + o.y1) / 2 - (t.y0 + t.y1) / 2) <= kSameWordDistance;
}

// Pairs each of our words with pdftotext's word of the same text nearest to it (sameWord), in
// any order: the two readers may order a page's columns, turned lines and form fields
// differently, and a page repeats its words (leader dots, a form's labels), so neither the
// order nor the text alone pairs the words.
void compare(const std::vector<Word>& ours, const std::vector<Word>& theirs, BoxAgreement& a) {
    a.ours += static_cast<long>(ours.size());
    a.theirs += static_cast<long>(theirs.size());
    std::multimap<std::string, const Word*> byText;
    for (const Word& t : theirs) byText.emplace(t.text, &t);
    auto distance = [](const Word& o, const Word& t) {
        return std::hypot((o.x0 + o.x1) / 2 - (t.x0 + t.x1) / 2,
                          (o.y0 + o.y1) / 2 - (t.y0 + t.y1) / 2);
    };
    for (const Word& o : ours) {
        const Word* nearest = nullptr;
        const auto [from, to] = byText.equal_range(o.text);
        for (auto it = from; it != to; ++it)
            if (sameWord(o, *it->second) &&
                (nearest == nullptr || distance(o, *it->second) < distance(o, *nearest)))
                nearest = it->second;
        if (nearest == nullptr) continue;
        ++a.matched;
        if (liesOver(o, *nearest)) ++a.close;
    }
}

long long bytesOf(const std::string& dir, const std::string& prefix, const std::string& suffix) {
    long long total = 0;
    for (const std::string& name : listDir(dir))
        if (name.rfind(prefix, 0) == 0 && name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            total += static_cast<long long>(readFile(dir + name).size());
    return total;
}

std::string job(const char* name, const std::string& pdf, const TempDir& out) {
    return std::string("<job name=\"") + name + "\"><inputfile>" + pdf + "</inputfile><outputdir>" +
           out.path() + "</outputdir></job>";
}

// Every document of the corpus the program reads: the words' boxes lie over pdftotext's on at
// least 99 % of the words both read alike, in every Latin-script document (at least 95 % of
// its letters Latin) whose words the two readers count alike (others are reported), and the
// layer files' size against the HTML pages' (kSizeBudget, kSizeLimit).
TEST(CorpusTextLayer, WordBoxesAgreeWithPdftotextAndFilesStayWithinTheirBudget) {
    if (corpusDir().empty()) GTEST_SKIP() << "corpus not present";
    if (shell("command -v pdftotext").empty()) GTEST_SKIP() << "poppler-utils not installed";
    long long allJson = 0, allHtml = 0;
    for (const std::string& name : listDir(corpusDir())) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".pdf") continue;
        const std::string pdf = corpusFile(name);
        TempDir out;
        if (runJob(out, job("createtextlayer", pdf, out)).status != 0) {
            std::printf("%-42s refused by the program\n", name.c_str());
            continue;
        }
        ASSERT_EQ(0, runJob(out, job("createpageshtml", pdf, out)).status) << name;
        std::map<int, std::vector<Word>> poppler = popplerWords(pdf);
        BoxAgreement a;
        std::string all;
        for (int n = 1; fileExists(out.file("Text_" + std::to_string(n) + ".json")); ++n) {
            Layer layer;
            LayerReader reader;
            ASSERT_TRUE(
                reader.read(readFile(out.file("Text_" + std::to_string(n) + ".json")), layer))
                << name << " page " << n << ": " << reader.error();
            compare(layerWords(layer), poppler[n], a);
            for (const Word& w : poppler[n]) all += w.text + " ";
        }
        const long long json = bytesOf(out.path(), "Text_", ".json");
        const long long html = bytesOf(out.path(), "Page_", ".html");
        const bool latin = latinScript(all);
        const double percent = a.matched == 0 ? 100.0 : 100.0 * a.close / a.matched;
        std::printf(
            "%-42s %s words %6ld (pdftotext %6ld), matched %6ld, over pdftotext's within %.1f pt "
            "%6.2f%%; "
            "Text_N.json %9lld B, Page_N.html %9lld B, ratio %.2f\n",
            name.c_str(), latin ? "latin" : "other", a.ours, a.theirs, a.matched, kEdgeTolerance,
            percent, json, html, html == 0 ? 0.0 : static_cast<double>(json) / html);
        const bool comparable =
            a.theirs <= kComparableWordRatio * a.ours && a.ours <= kComparableWordRatio * a.theirs;
        if (latin && comparable) {
            EXPECT_GE(percent, 99.0) << name;
        }
        if (json > kSizeBudget * html) std::printf("%-42s over the size budget\n", name.c_str());
        EXPECT_LE(json, kSizeLimit * html) << name;
        allJson += json;
        allHtml += html;
    }
    std::printf("all: Text_N.json %lld B, Page_N.html %lld B, ratio %.2f\n", allJson, allHtml,
                allHtml == 0 ? 0.0 : static_cast<double>(allJson) / allHtml);
    EXPECT_LE(allJson, kSizeBudget * allHtml);
}

}  // namespace
