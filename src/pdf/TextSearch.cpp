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
        int separators = 0;  // spaces and line feeds since the last character
        for (size_t offset = start; offset < end; ++offset) {
            int index = page.charAtTextByte(offset);
            if (index < 0) {
                ++separators;
                continue;
            }
            if (index == lastChar) continue;
            lastChar = index;
            int glyph = page.chars()[static_cast<size_t>(index)].glyph;
            if (glyph == lastGlyph) continue;  // several characters of one glyph
            // A space the page paints as a glyph between two words stands in
            // the text as a separator; the range runs on over it.
            int gap = glyph - lastGlyph - 1;
            bool continues = glyph == lastGlyph + 1 || (gap > 0 && gap <= separators);
            separators = 0;
            if (!match.highlights.empty() && continues) {
                match.highlights.back().length += gap + 1;
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
