// The descriptor and page records of real-world PDFs, checked against what
// MuPDF's own tools and qpdf measured of the same files (corpus facts).
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "support/Pattern.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The lines of one "## Heading" section of a facts file.
std::vector<std::string> section(const std::string& facts, const std::string& headingStart) {
    std::vector<std::string> lines;
    std::istringstream in(facts);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            inside = line.rfind("## " + headingStart, 0) == 0;
            continue;
        }
        if (inside) lines.push_back(line);
    }
    return lines;
}

std::string unescape(const std::string& quoted) {
    std::string out;
    for (size_t i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size()) ++i;
        out += quoted[i];
    }
    return out;
}

struct TocEntry {
    int depth;
    std::string title;
    int page;
    bool operator==(const TocEntry& o) const {
        return depth == o.depth && title == o.title && page == o.page;
    }
};
std::ostream& operator<<(std::ostream& os, const TocEntry& e) {
    return os << "L" << e.depth << " \"" << e.title << "\" -> " << e.page;
}

// The outline as measured, pruned the way the table of contents is: an
// item without a target page or without a title goes, with all below it.
std::vector<TocEntry> expectedToc(const std::vector<std::string>& lines, const Pattern& entry) {
    std::vector<TocEntry> out;
    int prunedDepth = 0;
    for (const std::string& line : lines) {
        Match m = entry.search(line);
        if (!m) continue;
        int depth = std::stoi(m[1]);
        if (prunedDepth != 0 && depth > prunedDepth) continue;
        prunedDepth = 0;
        std::string title = unescape(m[2]);
        if (!m[3].matched || title.empty()) {
            prunedDepth = depth;
            continue;
        }
        out.push_back({depth, title, std::stoi(m[3])});
    }
    return out;
}

void flatten(const TiXmlElement* parent, int depth, std::vector<TocEntry>& out) {
    for (const TiXmlElement* item = parent->FirstChildElement("tocitem"); item != nullptr;
         item = item->NextSiblingElement("tocitem")) {
        int page = 0;
        item->QueryIntAttribute("gotopage", &page);
        out.push_back({depth, item->Attribute("label"), page});
        flatten(item, depth + 1, out);
    }
}

struct MeasuredLink {
    double x0, y0, x1, y1;
    std::string kind;  // "goto", "uri", "mailto"
    std::string target;
};

struct Published {
    TiXmlDocument descriptor;
    std::vector<TiXmlDocument> records;
};

void publish(const std::string& pdf, const TempDir& dir, Published& out) {
    RunResult run = runJob(
        dir, "<job name=\"createdocumentxml\"><inputfile>" + pdf + "</inputfile><outputdir>" +
                 dir.path() +
                 "</outputdir><version>1</version><documentlang>en</documentlang><thumbprefix>t"
                 "</thumbprefix><pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix>"
                 "<zoompostfix>jpg</zoompostfix><docid>d</docid><importbookmarks>true"
                 "</importbookmarks><importpagelabels>true</importpagelabels></job>");
    ASSERT_EQ(0, run.status) << pdf << ": " << run.out;
    run = runJob(dir, "<job name=\"createpagesxml\"><inputfile>" + pdf + "</inputfile><outputdir>" +
                          dir.path() + "</outputdir><importlinks>1</importlinks></job>");
    ASSERT_EQ(0, run.status) << pdf << ": " << run.out;
    ASSERT_TRUE(out.descriptor.LoadFile(dir.file("document.xml")));
    for (int n = 1;; ++n) {
        std::string path = dir.file("Page_" + std::to_string(n) + ".xml");
        if (!fileExists(path)) break;
        out.records.emplace_back();
        ASSERT_TRUE(out.records.back().LoadFile(path)) << path;
    }
}

class CorpusDescriptor : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusDescriptor, PagesOutlineAndLinksAgreeWithMeasurements) {
    const std::string name = GetParam();
    std::string pdf = corpusFile(name + ".pdf");
    if (pdf.empty()) GTEST_SKIP() << "corpus not present";
    std::string facts = readFile(corpusDir() + "/facts/" + name + ".txt");
    TempDir dir;
    Published published;
    publish(pdf, dir, published);
    if (HasFatalFailure()) return;
    const TiXmlElement* doc = published.descriptor.FirstChildElement("doc");
    ASSERT_NE(nullptr, doc);

    // Page sizes: MuPDF's bound of each page, truncated.
    const Pattern bound("^page (\\d+): .* bound ([\\d.]+) x ([\\d.]+)");
    std::map<int, std::pair<double, double>> sizes;
    for (const std::string& line : section(facts, "Page boxes")) {
        if (Match m = bound.search(line))
            sizes[std::stoi(m[1])] = {std::stod(m[2]), std::stod(m[3])};
    }
    int pages = 0;
    for (const TiXmlElement* page = doc->FirstChildElement("pages")->FirstChildElement("page");
         page != nullptr; page = page->NextSiblingElement("page")) {
        ++pages;
        int width = 0, height = 0;
        page->FirstChildElement("normal")->QueryIntAttribute("width", &width);
        page->FirstChildElement("normal")->QueryIntAttribute("height", &height);
        ASSERT_TRUE(sizes.count(pages)) << name << " page " << pages;
        EXPECT_NEAR(sizes[pages].first, width, 1.0) << name << " page " << pages;
        EXPECT_NEAR(sizes[pages].second, height, 1.0) << name << " page " << pages;
        EXPECT_EQ(std::string(page->Attribute("id")),
                  published.records[pages - 1].FirstChildElement("page")->Attribute("id"));
    }
    EXPECT_EQ(sizes.size(), static_cast<size_t>(pages));
    EXPECT_EQ(static_cast<size_t>(pages), published.records.size());

    // Table of contents: MuPDF's outline, pruned.
    std::vector<TocEntry> expected =
        expectedToc(section(facts, "Outline (MuPDF"),
                    Pattern("^L(\\d+) +\"((?:[^\"\\\\]|\\\\.)*)\" -> .*?(?:=> page (\\d+))?$"));
    std::vector<TocEntry> toc;
    flatten(doc->FirstChildElement("toc"), 1, toc);
    EXPECT_EQ(expected, toc) << name;

    // Links: each imported link is one MuPDF reports on that page, in the
    // same order, its box within a point; and every measured web, mail or
    // page link with a target is imported.
    const Pattern pageHeader("^page (\\d+): \\d+ links");
    const Pattern linkLine(
        "^  \\[([-\\d.]+), ([-\\d.]+), ([-\\d.]+), ([-\\d.]+)\\] (goto|uri|mailto) "
        "\"((?:[^\"\\\\]|\\\\.)*)\"(?: => page (\\d+))?");
    std::map<int, std::vector<MeasuredLink>> measured;
    int current = 0;
    for (const std::string& line : section(facts, "Links (MuPDF")) {
        if (Match header = pageHeader.search(line)) {
            current = std::stoi(header[1]);
        } else if (Match m = linkLine.search(line)) {
            std::string target =
                m[5] == "goto" ? (m[7].matched ? std::string(m[7]) : "") : unescape(m[6]);
            if (m[5] != "goto" && target.rfind("file:", 0) == 0) continue;  // launch links
            if (target.empty()) continue;
            measured[current].push_back(
                {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5], target});
        }
    }
    int imported = 0;
    for (size_t p = 0; p < published.records.size(); ++p) {
        const TiXmlElement* links =
            published.records[p].FirstChildElement("page")->FirstChildElement("links");
        const std::vector<MeasuredLink>& want = measured[static_cast<int>(p) + 1];
        size_t next = 0;
        int onPage = 0;
        for (const TiXmlElement* link = links->FirstChildElement("link"); link != nullptr;
             link = link->NextSiblingElement("link"), ++imported, ++onPage) {
            int x, y, w, h;
            ASSERT_EQ(4, std::sscanf(link->Attribute("loc"), "%d %d %d %d", &x, &y, &w, &h));
            std::string url = link->Attribute("url");
            bool found = false;
            for (; next < want.size() && !found; ++next) {
                const MeasuredLink& m = want[next];
                // Within a point, plus the facts' own rounding to 0.01.
                const double tolerance = 1.01;
                found = m.target == url && std::abs(m.x0 - x) <= tolerance &&
                        std::abs(m.y0 - y) <= tolerance && std::abs(m.x1 - m.x0 - w) <= tolerance &&
                        std::abs(m.y1 - m.y0 - h) <= tolerance;
            }
            EXPECT_TRUE(found) << name << " page " << p + 1 << ": " << link->Attribute("loc") << " "
                               << url;
        }
        EXPECT_EQ(want.size(), static_cast<size_t>(onPage)) << name << " page " << p + 1;
    }
    RecordProperty("links", imported);
}

INSTANTIATE_TEST_SUITE_P(
    RealWorld, CorpusDescriptor,
    ::testing::Values("pdfjs_freeculture", "pysf_GeoTopo", "pysf_mistitled_outlines",
                      "pdfjs_labelled_pages", "pdfjs_outline_goto_action", "pdfjs_bug1997343",
                      "pdfjs_bug1669099", "qpdf_link-annots", "qpdf_page-labels-and-outlines",
                      "qpdf_overlay-copy-annotations", "pysf_libre-office-link",
                      "plumber_federal-register-2020-17221", "pdfjs_rotation",
                      "pysf_habibi-rotated", "plumber_nics-rotated", "pdfjs_issue17215"),
    [](const ::testing::TestParamInfo<const char*>& info) {
        std::string n = info.param;
        for (char& c : n)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return n;
    });

// The outline's /Next chain loops back on itself; the walk must end, list
// no bookmark twice, and agree in order with what qpdf lists before it
// notices the loop.
TEST(CorpusOutlineLoop, LoopingOutlineEndsWithEachItemOnce) {
    std::string pdf = corpusFile("qpdf_outlines-with-loop.pdf");
    if (pdf.empty()) GTEST_SKIP() << "corpus not present";
    std::string facts = readFile(corpusDir() + "/facts/qpdf_outlines-with-loop.txt");
    TempDir dir;
    Published published;
    publish(pdf, dir, published);
    if (HasFatalFailure()) return;
    std::vector<TocEntry> expected =
        expectedToc(section(facts, "qpdf --json: outline"),
                    Pattern("^L(\\d+) +\"((?:[^\"\\\\]|\\\\.)*)\" -> (?:page (\\d+))?"));
    std::vector<TocEntry> toc;
    flatten(published.descriptor.FirstChildElement("doc")->FirstChildElement("toc"), 1, toc);
    ASSERT_GE(toc.size(), 8u);
    size_t next = 0;
    for (const TocEntry& entry : toc) {
        while (next < expected.size() && !(expected[next] == entry)) ++next;
        EXPECT_LT(next, expected.size()) << entry;
        ++next;
    }
    std::set<std::pair<std::string, int>> distinct;
    for (const TocEntry& entry : toc) distinct.insert({entry.title, entry.depth});
    EXPECT_EQ(toc.size(), distinct.size());
}

}  // namespace
