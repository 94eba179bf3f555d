// HitInfoLocator — where on its page a search match lies.
//
// A text search reports a match as its text and highlight ranges: runs of
// glyphs given by page, position and length, positions counting every glyph
// of the page's text elements in content order from 0 (TextContent.h). The
// locator walks those glyphs, gathers the characters of each range and, when
// they spell the match, measures the rectangle:
//   left    the first glyph's origin;
//   top     the top of the first glyph's text element;
//   right   the right edge of the last glyph's text element when the range
//           holds that element's whole text, else the last glyph's origin
//           plus half the effective font size (font size times the vertical
//           scale of text matrix and CTM);
//   bottom  the last glyph's baseline.
// Rectangles are in page space (points from the top-left of the shown page,
// y down; the page's rotation and crop box applied), the same as "loc".
//
// A glyph that shows a ligature contributes its letters ("ff"), as the page
// text spells them.
//
// A range whose glyphs spell something else (the search and the content
// count glyphs differently) is kept as a request, and a second walk over
// the page's own content (not its forms) looks for the match's characters
// glyph by glyph, comparing each glyph's code with the next character:
// without backing up, so "12" is found in the glyphs 1 2 and 3 1 2, not in
// 1 1 2. Spaces and line feeds of the match that no glyph shows (the search
// text puts them between words) are not required of the glyphs.
//
// One locator serves one match. It borrows the page cache, which must
// outlive it. Throws pdf::Error naming file and page.
#pragma once

#include <string>
#include <vector>

#include "pdf/Geometry.h"
#include "pdf/TextContent.h"
#include "pdf/TextSearch.h"
#include "recognition/HitInfo.h"
#include "recognition/PageContentCache.h"

namespace Veltrane {

// A glyph as the second walk sees it: its code and where it stands.
struct GlyphRecord {
    unsigned int code = 0;
    double x = 0;  // page space
    double y = 0;
};

// A match text looked for glyph by glyph.
struct SearchRequest {
    int matched = 0;
    bool done = false;
    std::string text;
    int pageNumber = 0;
    int position = 0;
    int length = 0;
    GlyphRecord firstChar;

    // Compares the next character of text with the glyph's code (its low
    // byte); true when the request has just been completed.
    bool getmatchlen(const GlyphRecord& glyph);
};

}  // namespace Veltrane

class HitInfoLocator {
  public:
    explicit HitInfoLocator(PageContentCache& pages) : pages_(pages) {}
    HitInfoLocator(const HitInfoLocator&) = delete;
    HitInfoLocator& operator=(const HitInfoLocator&) = delete;

    // matchText: the match as UTF-8; it is compared in its ASCII form.
    std::vector<HitInfo> getSearchHitInfo(const std::vector<pdf::Highlight>& highlights,
                                          const std::string& matchText);

  private:
    // A cursor over one page's text elements.
    struct Reader {
        const std::vector<pdf::TextElement>* elements = nullptr;
        size_t next = 0;
    };

    bool getHitsData(Reader& reader, int pos, int len);
    bool getHitDataByMatching();
    int findRequest(const Veltrane::GlyphRecord& glyph, const pdf::TextElement& element, double f);

    pdf::Point toPage(pdf::Point user) const { return userToPage_.apply(user); }
    pdf::Rect toPage(const pdf::Rect& user) const { return userToPage_.apply(user); }

    PageContentCache& pages_;
    std::vector<Veltrane::SearchRequest> requests;
    int pageNumber_ = 0;
    pdf::Matrix userToPage_;
    int charCount = 0;
    std::string searchText;
    std::vector<HitInfo> hits;
    double startX = 0, topY = 0, endX = 0, bottomY = 0;
    std::string collected;
};
