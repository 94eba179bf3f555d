#include "pdf/TextSearch.h"

namespace pdf {

std::vector<SearchMatch> searchPage(const TextPage& page, const Regex& regex) {
    std::vector<SearchMatch> matches;
    const std::string& text = page.text();
    regex.forEachMatch(text, [&](size_t start, size_t end) {
        SearchMatch match;
        match.page = page.pageNumber();
        match.text = text.substr(start, end - start);
        int lastChar = -1;
        int lastGlyph = -1;
        for (size_t offset = start; offset < end; ++offset) {
            int index = page.charAtTextByte(offset);
            if (index < 0 || index == lastChar) continue;
            lastChar = index;
            int glyph = page.chars()[static_cast<size_t>(index)].glyph;
            if (glyph == lastGlyph) continue;  // several characters of one glyph
            if (!match.highlights.empty() && glyph == lastGlyph + 1) {
                ++match.highlights.back().length;
            } else {
                match.highlights.push_back({match.page, glyph, 1});
            }
            lastGlyph = glyph;
        }
        matches.push_back(std::move(match));
    });
    return matches;
}

}  // namespace pdf
