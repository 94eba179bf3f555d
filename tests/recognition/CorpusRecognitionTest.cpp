// Link recognition on real-world PDFs, checked against poppler: each
// recognised web or mail address lies on the word pdftotext reports for it,
// and each page has as many matches as pdftotext's text of the page.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// Web and mail addresses as people write them; the same patterns are used
// on pdftotext's text.
const char* kWebPattern = "(?:https?://|www\\.)[A-Za-z0-9./?=_%:~+#-]*[A-Za-z0-9/]";
const char* kMailPattern = "[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\\.[A-Za-z0-9-]+)*\\.[A-Za-z]{2,}";

struct Box {
    double x0, y0, x1, y1;
    std::string text;
};

struct Link {
    double x, y, w, h;
    std::string text;
};

// pdftotext -bbox -cropbox words per page (page space, y down), and the
// page sizes poppler gives them in.
std::map<int, std::vector<Box>> popplerWords(const std::string& pdf,
                                             std::map<int, std::pair<double, double>>& sizes) {
    std::map<int, std::vector<Box>> words;
    std::string html = shell("pdftotext -cropbox -bbox -enc UTF-8 '" + pdf + "' - 2>/dev/null");
    int current = 0;
    const Pattern either(
        "<page width=\"([\\d.]+)\" height=\"([\\d.]+)\"|<word xMin=\"([-\\d.]+)\" "
        "yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" "
        "yMax=\"([-\\d.]+)\">([^<]*)</word>");
    for (const Match& m : either.all(html)) {
        if (m.str().rfind("<page ", 0) == 0) {
            ++current;
            sizes[current] = {std::stod(m[1]), std::stod(m[2])};
            words[current];
        } else {
            words[current].push_back(
                {std::stod(m[3]), std::stod(m[4]), std::stod(m[5]), std::stod(m[6]), m[7]});
        }
    }
    return words;
}

// Matches of the two patterns in a text. An address broken right after its scheme or its "@",
// where it cannot end, is one address in the program's text: so it is here.
int matchesIn(const std::string& lines) {
    static const Pattern web(kWebPattern), mail(kMailPattern), brokenAddress("(://|@)\n");
    const std::string text = brokenAddress.replaceAll(lines, "$1");
    return static_cast<int>(web.count(text) + mail.count(text));
}

// Matches in pdftotext's text of page p (0: the whole document).
int popplerMatches(const std::string& pdf, int p) {
    std::string range = p > 0 ? " -f " + std::to_string(p) + " -l " + std::to_string(p) : "";
    return matchesIn(shell("pdftotext -enc UTF-8" + range + " '" + pdf + "' - 2>/dev/null"));
}

// The same in MuPDF's plain text, for pages whose text poppler does not see
// whole (text in forms it gives up on).
int mupdfMatches(const std::string& pdf, int p) {
    return matchesIn(
        shell("mutool draw -F txt -o - '" + pdf + "' " + std::to_string(p) + " 2>/dev/null"));
}

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

struct Agreement {
    int matches = 0;  // found in the text
    int links = 0;    // located and recognised
    int onWord = 0;   // lying on their word, edges within 2 points
    int pagesCounted = 0;
    int pagesAgreeing = 0;
    double worstBottom = 0;  // largest distance from the baseline to the word box's bottom
};

// The word under a rectangle that shows one line's piece of a match broken
// over lines: it overlaps the rectangle and is a part of the match's text
// (punctuation after it aside: "9-" of "9-ANM-Requests@faa.gov"), or the
// match's text ends with its start (the piece on the next line of
// "https://x.gov/a.aspx?mode=" is "Publication&doctype=A", of which the
// pattern takes "Publication").
const Box* laterPiece(const std::vector<Box>& words, const Link& link) {
    for (const Box& word : words) {
        double w = std::min(word.x1, link.x + link.w) - std::max(word.x0, link.x);
        double h = std::min(word.y1, link.y + link.h) - std::max(word.y0, link.y);
        std::string core = word.text;
        while (!core.empty() && std::string(".,;:)").find(core.back()) != std::string::npos)
            core.pop_back();
        if (w <= 0 || h <= 0 || core.size() < 2) continue;
        if (link.text.find(core) != std::string::npos) return &word;
        for (size_t k = std::min(core.size(), link.text.size()); k >= 3; --k)
            if (link.text.compare(link.text.size() - k, k, core, 0, k) == 0) return &word;
    }
    return nullptr;
}

Agreement recognizeAndCompare(const std::string& name) {
    Agreement result;
    std::string pdf = corpusFile(name + ".pdf");
    TempDir dir;
    publishPageRecords(dir, pdf);
    RunResult run;

    // One job per pattern: every match prints a progress line naming its
    // page's share of the document, the last line closes the search.
    const int pageCount =
        std::atoi(shell("pdfinfo '" + pdf + "' | sed -n 's/^Pages: *//p'").c_str());
    std::map<int, int> matches;
    for (const auto& [pattern, type] :
         {std::pair<const char*, int>{kWebPattern, 0}, {kMailPattern, 1}}) {
        run = runJob(dir, "<job name=\"recognizelinks\"><inputfile>" + pdf +
                              "</inputfile><outputdir>" + dir.path() +
                              "</outputdir><userange>0</userange><importpdflinks>0"
                              "</importpdflinks><usebinarysearch>0</usebinarysearch><expresions>"
                              "<e target=\"1\" linktype=\"" +
                              std::to_string(type) +
                              "\" result=\"$regresult\" description=\"\"><regexp>" +
                              escaped(pattern) + "</regexp></e></expresions></job>");
        EXPECT_EQ(0, run.status) << run.out;
        std::vector<int> percents;
        for (const Match& m : Pattern("Progress (\\d+)\n").all(run.out))
            percents.push_back(std::stoi(m[1]));
        if (!percents.empty()) percents.pop_back();
        for (int percent : percents) {
            int page = 1;
            while (page < pageCount && page * 100 / pageCount < percent) ++page;
            ++matches[page];
        }
    }

    std::map<int, std::pair<double, double>> popplerSizes;
    std::map<int, std::vector<Box>> words = popplerWords(pdf, popplerSizes);
    // Poppler leaves /UserUnit out; the publication's pages are measured
    // with it, so poppler's boxes are scaled to the published page size.
    std::string descriptor = readFile(dir.file("document.xml"));
    const Pattern normal("<normal file=\"[^\"]*\" width=\"(\\d+)\" height=\"(\\d+)\"");
    int pageIndex = 0;
    for (const Match& size : normal.all(descriptor)) {
        ++pageIndex;
        // Poppler gives a turned page's size unturned but its words where
        // the page shows them; the scale is the same along both sides.
        double ours = std::stod(size[1]) * std::stod(size[2]);
        double theirs = popplerSizes[pageIndex].first * popplerSizes[pageIndex].second;
        double scale = std::sqrt(ours / theirs);
        if (std::abs(scale - 1) < 0.01) continue;
        for (Box& b : words[pageIndex]) {
            b.x0 *= scale;
            b.x1 *= scale;
            b.y0 *= scale;
            b.y1 *= scale;
        }
    }
    const Pattern linkPattern(
        "<link loc=\"(-?\\d+) (-?\\d+) (-?\\d+) (-?\\d+)\" url=\"[^\"]*\" "
        "target=\"1\" linktype=\"\\d\" text=\"([^\"]*)\"");
    int pages = static_cast<int>(words.size());
    for (int p = 1; p <= pages; ++p) {
        std::string xml = readFile(dir.file("Page_" + std::to_string(p) + ".xml"));
        for (const Match& m : linkPattern.all(xml)) {
            Link link{std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]};
            ++result.links;
            // The word pdftotext reports for it: one that overlaps the
            // rectangle and holds the start of the address.
            std::string head = link.text.substr(0, 6);
            const Box* best = nullptr;
            double bestArea = 0;
            for (const Box& word : words[p]) {
                double w = std::min(word.x1, link.x + link.w) - std::max(word.x0, link.x);
                double h = std::min(word.y1, link.y + link.h) - std::max(word.y0, link.y);
                if (w <= 0 || h <= 0 || word.text.find(head) == std::string::npos) continue;
                if (w * h > bestArea) {
                    bestArea = w * h;
                    best = &word;
                }
            }
            if (best != nullptr) {
                const Box& word = *best;
                size_t at = word.text.find(head);
                // A word that starts with punctuation before the address
                // ("(http://...") starts left of it.
                bool leftComparable = at == 0;
                // The rectangle ends at the baseline, the word box below the
                // descenders: the bottom lies in the word's lower third.
                double bottom = link.y + link.h;
                double wordHeight = word.y1 - word.y0;
                bool close = (!leftComparable || std::abs(word.x0 - link.x) <= 2) &&
                             std::abs(word.y0 - link.y) <= 2 && bottom <= word.y1 + 2 &&
                             bottom >= word.y1 - wordHeight / 3;
                result.worstBottom = std::max(result.worstBottom, word.y1 - bottom);
                if (close) {
                    ++result.onWord;
                    continue;
                }
                ADD_FAILURE() << name << " page " << p << ": " << link.text << " at " << link.x
                              << " " << link.y << " " << link.w << " " << link.h << " against word "
                              << word.text << " [" << word.x0 << " " << word.y0 << " " << word.x1
                              << " " << word.y1 << "]";
            } else if (const Box* piece = laterPiece(words[p], link)) {
                // A match broken over two lines: this rectangle is on the
                // word that carries it on.
                if (std::abs(piece->x0 - link.x) <= 2 && std::abs(piece->y0 - link.y) <= 2) {
                    ++result.onWord;
                    continue;
                }
                ADD_FAILURE() << name << " page " << p << ": " << link.text << " at " << link.x
                              << " " << link.y << " off its piece " << piece->text;
            } else {
                ADD_FAILURE() << name << " page " << p << ": " << link.text << " lies on no word";
            }
        }
    }
    // Progress names a page only while every page has its own percentage.
    if (pageCount <= 100) {
        for (int p = 1; p <= pages; ++p) {
            int theirs = popplerMatches(pdf, p);
            if (theirs == 0 && matches[p] == 0) continue;
            ++result.pagesCounted;
            result.matches += matches[p];
            if (theirs == matches[p] || mupdfMatches(pdf, p) == matches[p]) {
                ++result.pagesAgreeing;
            } else {
                std::printf("%s page %d: %d matches, pdftotext's text %d\n", name.c_str(), p,
                            matches[p], theirs);
            }
        }
    } else {
        for (const auto& [page, count] : matches) result.matches += count;
        result.pagesCounted = 1;
        int theirs = popplerMatches(pdf, 0);
        if (theirs == result.matches)
            result.pagesAgreeing = 1;
        else
            std::printf("%s: %d matches, pdftotext's text %d\n", name.c_str(), result.matches,
                        theirs);
    }
    return result;
}

class CorpusRecognition : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusRecognition, AddressesLieOnPopplersWordsAndCountsAgree) {
    const std::string name = GetParam();
    if (corpusFile(name + ".pdf").empty()) GTEST_SKIP() << "corpus not present";
    if (shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext not installed";
    Agreement a = recognizeAndCompare(name);
    std::printf(
        "%s: %d matches, %d located as links, %d on their word (bottoms up to %.1f pt "
        "above the word's); %d of %d pages with matches agree in count\n",
        name.c_str(), a.matches, a.links, a.onWord, a.worstBottom, a.pagesAgreeing, a.pagesCounted);
    EXPECT_GT(a.links, 0);
    EXPECT_EQ(a.links, a.onWord);
    EXPECT_EQ(a.pagesCounted, a.pagesAgreeing);
    // A match broken over two lines has one rectangle per line.
    EXPECT_GE(a.links, a.matches);
}

INSTANTIATE_TEST_SUITE_P(RealWorld, CorpusRecognition,
                         ::testing::Values("plumber_federal-register-2020-17221",
                                           "pdfjs_bug1669099", "pdfjs_tracemonkey", "pysf_GeoTopo",
                                           "pdfjs_freeculture", "qpdf_overlay-copy-annotations",
                                           "plumber_issue-67-example"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

}  // namespace
