#include "pdf/text/FontBoxes.h"

#include <string>

#include "pdf/Error.h"
#include "pdf/Objects.h"
#include "pdf/text/CharClass.h"

namespace pdf {
namespace {

// Ascent and descent of the standard fonts, which files name without
// embedding them; MuPDF's substitutes are taller. In ems, as the fonts'
// published metrics give them.
bool standardMetrics(const char* fontName, double& ascent, double& descent) {
    std::string n = fontName != nullptr ? fontName : "";
    if (n.size() > 7 && n[6] == '+') n = n.substr(7);  // subset tag
    if (n.find("Courier") != std::string::npos) {
        ascent = 0.629, descent = -0.157;
    } else if (n.find("Times") != std::string::npos) {
        ascent = 0.683, descent = -0.217;
    } else if (n.find("Helvetica") != std::string::npos || n.find("Arial") != std::string::npos) {
        ascent = 0.718, descent = -0.207;
    } else {
        return false;
    }
    return true;
}

bool sensible(double ascent, double descent) {
    return ascent > 0.2 && ascent < 2 && descent <= 0 && descent > -1;
}

// Throws pdf::Error when the dictionary cannot be read.
void measureFromDictionary(FontInfo& info, pdf_obj* dict) {
    const pdf_font_desc* d = info.desc;
    fz_font* font = d->font;
    if (font != nullptr && font->t3procs != nullptr) {
        // MuPDF keeps the bounding box in ems; glyph space is where it is
        // upright.
        fz_matrix t3 = font->t3matrix;
        fz_rect box = fz_transform_rect(font->bbox, fz_invert_matrix(t3));
        if (box.y1 - box.y0 > 0 && t3.a != 0) {
            info.boxToEm = t3;
            info.em = box.y1 - box.y0;
            info.ascent = box.y1;
            info.descent = box.y0;
        }
        return;
    }
    pdf_obj* descriptor = objects::get(dict, "FontDescriptor");
    if (descriptor == nullptr)
        descriptor =
            objects::get(objects::at(objects::get(dict, "DescendantFonts"), 0), "FontDescriptor");
    double fileAscent = objects::toReal(objects::get(descriptor, "Ascent")) / 1000.0;
    double fileDescent = objects::toReal(objects::get(descriptor, "Descent")) / 1000.0;
    double ascent = 0, descent = 0;
    if (sensible(fileAscent, fileDescent)) {
        info.ascent = fileAscent;
        info.descent = fileDescent;
    } else if (!d->is_embedded && font != nullptr && standardMetrics(font->name, ascent, descent)) {
        info.ascent = ascent;
        info.descent = descent;
    } else if (sensible(d->ascent / 1000.0, d->descent / 1000.0)) {
        // MuPDF fills the descriptor's fields from the font program when the
        // file has none.
        info.ascent = d->ascent / 1000.0;
        info.descent = d->descent / 1000.0;
    }
}

// MuPDF decodes a ToUnicode entry that is one surrogate pair, but keeps the
// UTF-16 code units of a longer one (a letter and its mark beyond U+FFFF, as
// "<D83ADD00D83ADD44>"): pairs them up in place. A surrogate without its
// partner stays, and is dropped as no character. Returns the new count.
int joinSurrogates(int* codes, int n) {
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const int c = codes[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && codes[i + 1] >= 0xDC00 &&
            codes[i + 1] <= 0xDFFF) {
            codes[count++] = 0x10000 + ((c - 0xD800) << 10) + (codes[i + 1] - 0xDC00);
            ++i;
        } else {
            codes[count++] = c;
        }
    }
    return count;
}

}  // namespace

void measureFont(FontInfo& info, pdf_obj* dict) {
    try {
        measureFromDictionary(info, dict);
    } catch (const Error&) {
        // A dictionary that cannot be read leaves the default box.
    }
}

int unicodeOf(const pdf_font_desc* desc, int cid, int out[8]) {
    int n = 0;
    if (desc->to_unicode != nullptr)
        n = joinSurrogates(out, pdf_lookup_cmap_full(desc->to_unicode, cid, out));
    bool usable = false;
    for (int i = 0; i < n && !usable; ++i) usable = out[i] > 0 && !chars::isDropped(out[i]);
    if (!usable && cid >= 0 && static_cast<size_t>(cid) < desc->cid_to_ucs_len) {
        int named = desc->cid_to_ucs[cid];
        if (named > 0 && !chars::isDropped(named)) {
            out[0] = named;
            return 1;
        }
    }
    return n;
}

}  // namespace pdf
