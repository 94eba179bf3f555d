// Locating matches: the glyph-by-glyph fallback and its no-backup rule.
#include <gtest/gtest.h>

#include "fixtures/PdfBuilder.h"
#include "pdf/Document.h"
#include "pdf/Library.h"
#include "recognition/HitInfoLocator.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

Veltrane::GlyphRecord glyph(char c, double x = 0) {
    Veltrane::GlyphRecord g;
    g.code = static_cast<unsigned char>(c);
    g.x = x;
    return g;
}

bool feed(Veltrane::SearchRequest& request, const std::string& glyphs) {
    bool done = false;
    for (char c : glyphs) done = request.getmatchlen(glyph(c)) || done;
    return done;
}

TEST(SearchRequest, MatchesWithoutBackingUp) {
    Veltrane::SearchRequest request;
    request.text = "12";
    EXPECT_FALSE(feed(request, "112"));
    request = Veltrane::SearchRequest();
    request.text = "12";
    EXPECT_TRUE(feed(request, "12"));
    request = Veltrane::SearchRequest();
    request.text = "12";
    EXPECT_TRUE(feed(request, "312"));
}

TEST(SearchRequest, DoneRequestNeverMatchesAgainAndKeepsItsFirstGlyph) {
    Veltrane::SearchRequest request;
    request.text = "ab";
    request.getmatchlen(glyph('a', 10));
    EXPECT_TRUE(request.getmatchlen(glyph('b', 20)));
    EXPECT_DOUBLE_EQ(10, request.firstChar.x);
    EXPECT_FALSE(request.getmatchlen(glyph('a', 30)));
    EXPECT_FALSE(request.getmatchlen(glyph('b', 40)));
    EXPECT_DOUBLE_EQ(10, request.firstChar.x);
}

class Locator : public ::testing::Test {
  protected:
    void SetUp() override {
        fixtures::DocumentSpec doc;
        doc.pages.resize(1);
        doc.pages[0].texts = {{100, 700, "Call 555 now", 12}, {100, 650, "or 12", 12}};
        fixtures::writePdf(doc, dir.file("l.pdf"));
        document = std::make_unique<pdf::Document>(dir.file("l.pdf"));
        cache = std::make_unique<PageContentCache>(*document);
    }
    pdf::Library library;
    TempDir dir;
    std::unique_ptr<pdf::Document> document;
    std::unique_ptr<PageContentCache> cache;
};

TEST_F(Locator, RangeThatSpellsTheMatchGivesOneHit) {
    HitInfoLocator locator(*cache);
    std::vector<HitInfo> hits = locator.getSearchHitInfo({{1, 5, 3}}, "555");
    ASSERT_EQ(1u, hits.size());
    EXPECT_EQ(1, hits[0].page);
    EXPECT_NEAR(100 + fixtures::textWidth({0, 0, "Call ", 12}), hits[0].x, 1e-6);
    EXPECT_NEAR(92, hits[0].y + hits[0].height, 1e-6);  // down to the baseline
    EXPECT_EQ("555", hits[0].searchText);
}

TEST_F(Locator, MisplacedRangeFallsBackToMatchingGlyphCodes) {
    HitInfoLocator locator(*cache);
    // Positions 0..1 spell "Ca"; the fallback finds "12" in the second
    // element by its codes and measures to that element's right edge.
    std::vector<HitInfo> hits = locator.getSearchHitInfo({{1, 0, 2}}, "12");
    ASSERT_EQ(1u, hits.size());
    double start = 100 + fixtures::textWidth({0, 0, "or ", 12});
    double end = 100 + fixtures::textWidth({0, 0, "or 12", 12});
    EXPECT_NEAR(start, hits[0].x, 1e-6);
    EXPECT_NEAR(end - start, hits[0].width, 1e-3);
}

TEST_F(Locator, MatchWithoutRangesHasNoHits) {
    HitInfoLocator locator(*cache);
    EXPECT_TRUE(locator.getSearchHitInfo({}, "555").empty());
}

TEST_F(Locator, TextFoundNowhereGivesNoHit) {
    HitInfoLocator locator(*cache);
    EXPECT_TRUE(locator.getSearchHitInfo({{1, 0, 3}}, "777").empty());
}

}  // namespace
