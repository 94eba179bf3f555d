#include "recognition/HitInfoLocator.h"

#include <cmath>

#include "pdf/CharClass.h"
#include "text/Ascii.h"

namespace {

// What a glyph shows, in ASCII: one character, or the letters of a
// ligature ("ff" for U+FB00), as the page text spells it.
std::string glyphText(const pdf::TextGlyph& glyph) {
    char32_t letters[pdf::chars::kMaxDecomposition];
    int count = pdf::chars::plainLetters(static_cast<char32_t>(glyph.unicode), letters);
    std::string text;
    for (int i = 0; i < count; ++i) text += letters[i] < 0x80 ? static_cast<char>(letters[i]) : '?';
    return text;
}

std::string asciiText(const pdf::TextElement& element) {
    std::string text;
    text.reserve(element.glyphs.size());
    for (const pdf::TextGlyph& glyph : element.glyphs) text += glyphText(glyph);
    return text;
}

// The search puts a space between words and a line feed between lines
// whether or not the page paints them; glyphs are only asked for the rest.
std::string withoutBreaks(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '\n') out += c;
    }
    return out;
}

pdf::Matrix textToUser(const pdf::TextElement& element) {
    return element.textMatrix.then(element.ctm);
}

// Font size times the vertical scale of the text and graphics matrices.
double effectiveFontSize(const pdf::TextElement& element) {
    pdf::Matrix m = textToUser(element);
    return element.fontSize * std::sqrt(m.b * m.b + m.d * m.d);
}

}  // namespace

namespace Veltrane {

bool SearchRequest::getmatchlen(const GlyphRecord& glyph) {
    if (done || text.empty()) return false;
    if (static_cast<unsigned char>(text[matched]) == (glyph.code & 0xFF)) {
        ++matched;
        if (matched == 1) firstChar = glyph;
    } else {
        matched = 0;
    }
    done = matched == static_cast<int>(text.size());
    return done;
}

}  // namespace Veltrane

std::vector<HitInfo> HitInfoLocator::getSearchHitInfo(const std::vector<pdf::Highlight>& highlights,
                                                      const std::string& matchText) {
    searchText = utf8ToAscii(matchText);
    collected.clear();
    Reader reader;
    bool begun = false;
    for (const pdf::Highlight& range : highlights) {
        if (!begun) {
            reader.elements = &pages_.elements(range.page);
            begun = true;
        }
        charCount = 0;
        pageNumber_ = range.page;
        userToPage_ = pages_.page(range.page).userToPage();
        getHitsData(reader, range.position, range.length);
    }
    if (!requests.empty()) getHitDataByMatching();
    return hits;
}

bool HitInfoLocator::getHitsData(Reader& reader, int pos, int len) {
    const std::string wanted = withoutBreaks(searchText);
    while (reader.next < reader.elements->size()) {
        const pdf::TextElement& element = (*reader.elements)[reader.next++];
        const std::string text = asciiText(element);
        const pdf::Matrix toUser = textToUser(element);
        const double f = effectiveFontSize(element);
        for (size_t k = 0; k < element.glyphs.size(); ++k, ++charCount) {
            if (charCount < pos || charCount >= pos + len) continue;
            collected += glyphText(element.glyphs[k]);
            const pdf::TextGlyph& glyph = element.glyphs[k];
            pdf::Point origin = toPage(toUser.apply(pdf::Point{glyph.x, glyph.y}));
            pdf::Rect box = toPage(element.bbox);
            if (charCount == pos) {
                startX = origin.x;
                topY = box.y0;
            }
            if (charCount + 1 == pos + len) {
                double right =
                    collected.find(text) != std::string::npos ? box.x1 : origin.x + f / 2;
                endX = right;
                bottomY = origin.y;
                ++charCount;
                if (withoutBreaks(collected) != wanted) {
                    Veltrane::SearchRequest request;
                    request.text = searchText;
                    request.pageNumber = pageNumber_;
                    request.position = pos;
                    request.length = len;
                    requests.push_back(request);
                    return false;
                }
                HitInfo hit;
                hit.page = pageNumber_;
                hit.x = startX;
                hit.y = topY;
                hit.width = endX - startX;
                hit.height = bottomY - topY;
                hit.searchText = searchText;
                hits.push_back(hit);
                return true;
            }
        }
    }
    return false;
}

bool HitInfoLocator::getHitDataByMatching() {
    for (Veltrane::SearchRequest& request : requests) request.text = withoutBreaks(request.text);
    for (const pdf::TextElement& element : pages_.elements(pageNumber_)) {
        if (element.formDepth > 0) continue;  // the page's own content only
        const pdf::Matrix toUser = textToUser(element);
        const double f = effectiveFontSize(element);
        const double boxHeight = element.bbox.height();
        for (const pdf::TextGlyph& glyph : element.glyphs) {
            Veltrane::GlyphRecord record;
            record.code = glyph.code;
            pdf::Point user = toUser.apply(pdf::Point{glyph.x, glyph.y});
            pdf::Point origin = toPage(user);
            // The glyph's top: its origin raised by the element's height.
            pdf::Point top = toPage(pdf::Point{user.x, user.y + boxHeight});
            record.x = origin.x;
            record.y = top.y;
            findRequest(record, element, f);
        }
    }
    return true;
}

int HitInfoLocator::findRequest(const Veltrane::GlyphRecord& glyph, const pdf::TextElement& element,
                                double f) {
    for (size_t i = 0; i < requests.size(); ++i) {
        if (!requests[i].getmatchlen(glyph)) continue;
        const std::string text = asciiText(element);
        pdf::Rect box = toPage(element.bbox);
        double right = text.find(requests[i].text) != std::string::npos ? box.x1 : glyph.x + f / 2;
        HitInfo hit;
        hit.page = pageNumber_;
        hit.x = requests[i].firstChar.x;
        hit.y = requests[i].firstChar.y;
        hit.width = right - requests[i].firstChar.x;
        hit.height = box.height();
        hit.searchText = searchText;
        hits.push_back(hit);
        for (Veltrane::SearchRequest& other : requests) other.matched = 0;
        return static_cast<int>(i);
    }
    return -1;
}
