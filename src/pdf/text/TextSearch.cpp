#include "pdf/text/TextSearch.h"

#include <algorithm>

namespace pdf {

SearchableText searchableText(const TextPage& page) {
    SearchableText searchable;
    searchable.page = page.pageNumber();
    searchable.text = page.text();
    searchable.glyphAtByte.resize(searchable.text.size());
    // The characters that open a table cell other than the first of its
    // row: the separator before each is a column gutter.
    std::vector<char> opensCell(page.chars().size(), 0);
    for (const TextWord& word : page.allWords())
        if (word.cellStart && word.charCount > 0)
            opensCell[static_cast<size_t>(word.firstChar)] = 1;
    for (size_t offset = 0; offset < searchable.text.size(); ++offset) {
        int index = page.charAtTextByte(offset);
        searchable.glyphAtByte[offset] =
            index < 0 ? -1 : page.chars()[static_cast<size_t>(index)].glyph;
        if (index >= 0 && opensCell[static_cast<size_t>(index)] && offset > 0 &&
            searchable.glyphAtByte[offset - 1] < 0 && searchable.text[offset - 1] == ' ')
            searchable.text[offset - 1] = kCellSeparator;
    }
    // A line starts after each line feed; a line joined to the next at a
    // hyphen starts where its next line's first character is.
    const std::vector<TextLine>& lines = page.lines();
    size_t offset = 0;
    for (size_t l = 0; l < lines.size(); ++l) {
        if (l > 0 && !lines[l - 1].hyphenJoined) {
            offset = searchable.text.find('\n', offset);
            offset = offset == std::string::npos ? searchable.text.size() : offset + 1;
        } else if (l > 0) {
            int firstChar = page.words(lines[l]).front().firstChar;
            while (offset < searchable.text.size() && page.charAtTextByte(offset) != firstChar)
                ++offset;
        }
        searchable.lineStart.push_back(offset);
    }
    return searchable;
}

namespace {

int lineAt(const SearchableText& page, size_t offset) {
    auto after = std::upper_bound(page.lineStart.begin(), page.lineStart.end(), offset);
    return after == page.lineStart.begin() ? 0
                                           : static_cast<int>(after - page.lineStart.begin()) - 1;
}

}  // namespace

std::vector<SearchMatch> searchPage(const SearchableText& page, const Regex& regex) {
    std::vector<SearchMatch> matches;
    searchPage(page, regex, [&](SearchMatch&& match) { matches.push_back(std::move(match)); });
    return matches;
}

void searchPage(const SearchableText& page, const Regex& regex,
                const std::function<void(SearchMatch&&)>& onMatch) {
    const std::string& text = page.text;
    regex.forEachMatch(text, [&](size_t start, size_t end) {
        SearchMatch match;
        match.page = page.page;
        match.text = text.substr(start, end - start);
        // Reported as the page's text has it: a gutter is a space there.
        std::replace(match.text.begin(), match.text.end(), kCellSeparator, ' ');
        int lastGlyph = -1;
        int lastLine = -1;
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
            int line = lineAt(page, offset);
            // A space the page paints as a glyph between two words stands in
            // the text as a separator; the range runs on over it.
            int gap = glyph - lastGlyph - 1;
            bool continues =
                line == lastLine && (glyph == lastGlyph + 1 || (gap > 0 && gap <= separators));
            separators = 0;
            if (!match.highlights.empty() && continues) {
                match.highlights.back().length += gap + 1;
            } else {
                match.highlights.push_back({match.page, glyph, 1, line});
            }
            lastGlyph = glyph;
            lastLine = line;
        }
        onMatch(std::move(match));
    });
}

}  // namespace pdf
