#include "pdf/TextSearch.h"

namespace pdf {

SearchableText searchableText(const TextPage& page) {
    SearchableText searchable;
    searchable.page = page.pageNumber();
    searchable.text = page.text();
    searchable.glyphAtByte.resize(searchable.text.size());
    for (size_t offset = 0; offset < searchable.text.size(); ++offset) {
        int index = page.charAtTextByte(offset);
        searchable.glyphAtByte[offset] =
            index < 0 ? -1 : page.chars()[static_cast<size_t>(index)].glyph;
    }
    return searchable;
}

std::vector<SearchMatch> searchPage(const SearchableText& page, const Regex& regex) {
    std::vector<SearchMatch> matches;
    const std::string& text = page.text;
    regex.forEachMatch(text, [&](size_t start, size_t end) {
        SearchMatch match;
        match.page = page.page;
        match.text = text.substr(start, end - start);
        int lastGlyph = -1;
        int separators = 0;  // spaces and line feeds since the last character
        for (size_t offset = start; offset < end; ++offset) {
            int glyph = page.glyphAtByte[offset];
            if (glyph < 0) {
                ++separators;
                continue;
            }
            // The further bytes of a character, or further characters of
            // one glyph (a ligature).
            if (glyph == lastGlyph) continue;
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
