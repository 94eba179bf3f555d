// Recognised addresses against their authors' own links, on the real-world corpus. Where a
// document's link annotation lies over a printed web or e-mail address (the words pdftotext
// reports inside its rectangle start with a scheme, "www." or look like an e-mail address),
// the annotation's target is the reference: "recognizelinks" with the publisher's address
// expressions (scripts/publish.sh) must give, over it, a link that leads there (compared
// without the scheme and "mailto:", host in lower case, a trailing "/" aside). A link "over"
// an annotation is one whose centre lies inside its rectangle. Per document: right (every
// link over it leads there), wrong (one leads elsewhere), missing (none). At least 99 % must
// be right and none wrong.
//
// Addresses joined over a line break are also listed, on every document: none may join a
// line that goes on with a capitalised word of prose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/text/TextPage.h"
#include "pdf/text/TextSearch.h"
#include "recognition/PublisherExpressions.h"
#include "support/Pattern.h"
#include "support/RecognitionJobs.h"
#include "support/TestSupport.h"
#include "text/Regex.h"

using namespace testing_support;

namespace {

struct Box {
    double x = 0, y = 0, w = 0, h = 0;  // page space, y down
    bool holdsCentreOf(const Box& o, double slack = 0) const {
        double cx = o.x + o.w / 2, cy = o.y + o.h / 2;
        return cx >= x - slack && cx <= x + w + slack && cy >= y - slack && cy <= y + h + slack;
    }
};

struct Word {
    Box box;
    std::string text;
};

struct Link {
    Box box;
    std::map<std::string, std::string> attributes;
};

std::vector<Link> linksOfPage(const TempDir& dir, int page) {
    std::vector<Link> links;
    static const Pattern attribute("(\\w+)=\"([^\"]*)\"");
    for (const std::string& element :
         linksOf(readFile(dir.file("Page_" + std::to_string(page) + ".xml")))) {
        Link link;
        for (const Match& m : attribute.all(element))
            link.attributes[m.str(1)] = xmlUnescaped(m[2]);
        std::sscanf(link.attributes["loc"].c_str(), "%lf %lf %lf %lf", &link.box.x, &link.box.y,
                    &link.box.w, &link.box.h);
        links.push_back(link);
    }
    return links;
}

// pdftotext -bbox -cropbox words per page, scaled to the published page sizes (poppler leaves
// /UserUnit out).
std::map<int, std::vector<Word>> popplerWords(const std::string& pdf,
                                              const std::vector<std::pair<double, double>>& sizes) {
    std::map<int, std::vector<Word>> words;
    std::string html = shell("pdftotext -cropbox -bbox -enc UTF-8 '" + pdf + "' - 2>/dev/null");
    static const Pattern either(
        "<page width=\"([\\d.]+)\" height=\"([\\d.]+)\"|<word xMin=\"([-\\d.]+)\" "
        "yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" yMax=\"([-\\d.]+)\">([^<]*)</word>");
    int page = 0;
    double sx = 1, sy = 1;
    for (const Match& m : either.all(html)) {
        if (m[1].matched) {
            ++page;
            sx = sy = 1;
            if (page <= static_cast<int>(sizes.size())) {
                sx = sizes[page - 1].first / std::stod(m[1]);
                sy = sizes[page - 1].second / std::stod(m[2]);
                if (std::abs(sx - 1) < 0.01 && std::abs(sy - 1) < 0.01) sx = sy = 1;
            }
            words[page];
            continue;
        }
        double x0 = std::stod(m[3]) * sx, y0 = std::stod(m[4]) * sy;
        words[page].push_back(
            {{x0, y0, std::stod(m[5]) * sx - x0, std::stod(m[6]) * sy - y0}, xmlUnescaped(m[7])});
    }
    return words;
}

// The address an annotation leads to, as compared: no scheme, no "mailto:", the host in lower
// case, no trailing "/".
std::string comparable(std::string url) {
    static const Pattern scheme("^(?:mailto:|[A-Za-z][A-Za-z0-9+.-]*://)", true);
    if (Match m = scheme.search(url)) url.erase(0, m.end());
    size_t slash = url.find('/');
    for (size_t i = 0; i < std::min(slash, url.size()); ++i)
        url[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(url[i])));
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

bool showsAnAddress(const std::string& text) {
    static const Pattern address(
        "^[(\\[<\"']?(?:(?:https?|ftp)://|www\\.|[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+\\.)", true);
    return static_cast<bool>(address.search(text));
}

struct Tally {
    int right = 0, wrong = 0, missing = 0;
    int annotations = 0;  // web and e-mail annotations of the document, over an address or not
};

const char* kDocumentJob =
    "<version>1.0</version><documentlang>en</documentlang><thumbprefix>t</thumbprefix>"
    "<pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix><zoompostfix>jpg</zoompostfix>"
    "<docid>d</docid><thumbwidth>150</thumbwidth><importbookmarks>false</importbookmarks>"
    "<importpagelabels>false</importpagelabels>";

// Runs the jobs on one document and compares; false when the program refuses the document.
bool compareWithAnnotations(const std::string& pdf, Tally& tally) {
    TempDir dir;
    const std::string files =
        "<inputfile>" + pdf + "</inputfile><outputdir>" + dir.path() + "</outputdir>";
    if (runJob(dir, "<job name=\"createdocumentxml\">" + files + kDocumentJob + "</job>").status !=
            0 ||
        runJob(dir, "<job name=\"createpagesxml\">" + files + "<importlinks>1</importlinks></job>")
                .status != 0)
        return false;
    std::vector<std::pair<double, double>> sizes;
    std::string descriptor = readFile(dir.file("document.xml"));
    static const Pattern normal("<normal file=\"[^\"]*\" width=\"(\\d+)\" height=\"(\\d+)\"");
    for (const Match& m : normal.all(descriptor))
        sizes.emplace_back(std::stod(m[1]), std::stod(m[2]));
    const int pages = static_cast<int>(sizes.size());

    // The annotations over printed addresses, before recognition adds its links.
    std::map<int, std::vector<Link>> references;
    std::map<int, std::vector<Word>> words;
    for (int p = 1; p <= pages; ++p) {
        for (const Link& link : linksOfPage(dir, p)) {
            const std::string& type = link.attributes.at("linktype");
            if (!link.attributes.at("target").empty() || (type != "0" && type != "1")) continue;
            ++tally.annotations;
            if (words.empty()) words = popplerWords(pdf, sizes);
            std::string under;
            for (const Word& word : words[p])
                if (link.box.holdsCentreOf(word.box, 1))
                    under += (under.empty() ? "" : " ") + word.text;
            if (showsAnAddress(under)) references[p].push_back(link);
        }
    }
    if (references.empty()) return true;

    RunResult run = runJob(dir, linksJob(dir, pdf, publisherAddressExpressions()));
    EXPECT_EQ(0, run.status) << pdf << ": " << run.out;
    for (const auto& [page, annotations] : references) {
        std::vector<Link> recognised;
        for (const Link& link : linksOfPage(dir, page))
            if (link.attributes.at("target") == "1") recognised.push_back(link);
        for (const Link& annotation : annotations) {
            const std::string target = comparable(annotation.attributes.at("url"));
            int over = 0, leading = 0;
            std::set<std::string> elsewhere;
            for (const Link& link : recognised) {
                if (!annotation.box.holdsCentreOf(link.box)) continue;
                ++over;
                if (comparable(link.attributes.at("url")) == target)
                    ++leading;
                else
                    elsewhere.insert(link.attributes.at("url"));
            }
            if (over == 0) {
                ++tally.missing;
                std::printf("    missing: page %d, %s\n", page,
                            annotation.attributes.at("url").c_str());
            } else if (leading < over) {
                ++tally.wrong;
                std::printf("    wrong: page %d, %s, recognised %s\n", page,
                            annotation.attributes.at("url").c_str(), elsewhere.begin()->c_str());
            } else {
                ++tally.right;
            }
        }
    }
    return true;
}

// Matches of the publisher's expressions that run over a line break, read with the
// program's own page text: each printed with the two lines' ends around the break.
int listJoinedAddresses(const std::string& pdf, bool& joinsProse) {
    static const Pattern prose("^[A-Z][a-z]+[.,;:!?]?$");
    std::vector<std::unique_ptr<Regex>> expressions;
    for (const Expression& e : publisherAddressExpressions())
        expressions.push_back(std::make_unique<Regex>(e.regexp));
    int joined = 0;
    try {
        pdf::Document document(pdf);
        for (int n = 1; n <= document.pageCount(); ++n) {
            pdf::TextPage text(document.page(n));
            pdf::SearchableText searchable = pdf::searchableText(text);
            for (const auto& expression : expressions) {
                for (const pdf::SearchMatch& match : pdf::searchPage(searchable, *expression)) {
                    for (size_t h = 1; h < match.highlights.size(); ++h) {
                        const int before = match.highlights[h - 1].line;
                        const int after = match.highlights[h].line;
                        if (after == before) continue;
                        const pdf::TextLine& next = text.lines()[static_cast<size_t>(after)];
                        const std::string head(text.wordText(text.words(next).front()));
                        const std::string tail(text.wordText(
                            text.words(text.lines()[static_cast<size_t>(before)]).back()));
                        ++joined;
                        std::printf("    joined on page %d: \"%s\" + \"%s\" -> %s\n", n,
                                    tail.c_str(), head.c_str(), match.text.c_str());
                        if (prose.matchesWhole(head)) joinsProse = true;
                    }
                }
            }
        }
    } catch (const pdf::Error&) {
        // A document the program refuses has no text to join.
    }
    return joined;
}

TEST(CorpusAnnotation, RecognisedAddressesLeadWhereTheirAuthorsLinked) {
    if (corpusDir().empty()) GTEST_SKIP() << "corpus not present";
    if (shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext not installed";
    pdf::Library library;
    Tally total;
    int joinedWithout = 0;
    bool joinsProse = false;
    for (const std::string& name : listDir(corpusDir())) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".pdf") continue;
        const std::string pdf = corpusFile(name);
        Tally tally;
        if (!compareWithAnnotations(pdf, tally)) continue;
        bool prose = false;
        int joined = listJoinedAddresses(pdf, prose);
        joinsProse = joinsProse || prose;
        if (tally.annotations == 0) joinedWithout += joined;
        if (tally.right + tally.wrong + tally.missing > 0 || joined > 0)
            std::printf(
                "%-42s right %3d, wrong %d, missing %d; %d addresses joined over a line "
                "break\n",
                name.c_str(), tally.right, tally.wrong, tally.missing, joined);
        total.right += tally.right;
        total.wrong += tally.wrong;
        total.missing += tally.missing;
    }
    const int references = total.right + total.wrong + total.missing;
    std::printf(
        "all: %d addresses under their authors' links: right %d, wrong %d, missing %d; "
        "%d addresses joined over a line break on documents without links\n",
        references, total.right, total.wrong, total.missing, joinedWithout);
    ASSERT_GT(references, 0);
    EXPECT_GE(100.0 * total.right / references, 99.0);
    EXPECT_EQ(0, total.wrong);
    EXPECT_FALSE(joinsProse) << "an address was joined to a capitalised word of prose";
}

}  // namespace
