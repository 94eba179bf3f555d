#include "pdf/text/FontBoxes.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
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

// The median of a font's non-zero advances, in ems (a Type 3 font's text
// space units); 0 when it has none.
double medianAdvance(const pdf_font_desc& d) {
    std::vector<double> widths;
    for (int i = 0; i < d.hmtx_len && widths.size() < 4096; ++i)
        if (d.hmtx[i].w > 0) widths.push_back(d.hmtx[i].w * 0.001);
    if (widths.empty()) return 0;
    std::nth_element(widths.begin(), widths.begin() + widths.size() / 2, widths.end());
    return widths[widths.size() / 2];
}

// A Type 3 font's box taller than this many median advances is a placeholder.
constexpr double kAdvancesPerBox = 8;

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
        if (t3.a == 0) return;
        fz_rect box = fz_transform_rect(font->bbox, fz_invert_matrix(t3));
        double em = box.y1 - box.y0, ascent = box.y1, descent = box.y0;
        // A box that stands for no glyph (dvips' "[0 0 1000 1000]" around
        // glyphs fifty units wide): an em twice the median advance, as in
        // text fonts (in glyph space's units up the page).
        const double up = t3.d != 0 ? std::fabs(t3.d) : std::fabs(t3.a);
        const double advance = medianAdvance(*d) / up;
        if (advance > 0 && em > kAdvancesPerBox * advance) {
            em = 2 * advance;
            ascent = 0.8 * em;
            descent = -0.2 * em;
        }
        if (em > 0) {
            info.boxToEm = t3;
            info.em = em;
            info.ascent = ascent;
            info.descent = descent;
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

// The most entries of a Unicode cmap read: more than any real font maps, few
// enough to read in milliseconds when a font maps every code point.
constexpr long kMaxCmapEntries = 0x30000;

bool privateUse(char32_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}

// A character the font program gives a glyph, fit to be its text.
bool fromProgram(unsigned long c) {
    return c > 0 && c <= 0x10FFFF && !chars::isDropped(static_cast<char32_t>(c)) &&
           !privateUse(static_cast<char32_t>(c));
}

// MuPDF's FreeType lock, held while FreeType reads a face that threads
// rendering recorded pages may use; the face's selected cmap, which MuPDF
// looks codes up in, is the same again when it is released.
class FaceLock {
  public:
    explicit FaceLock(FT_Face face) : ctx_(Library::context()), face_(face) {
        fz_lock(ctx_, FZ_LOCK_FREETYPE);
        selected_ = face_->charmap;
    }
    ~FaceLock() {
        if (face_->charmap != selected_) {
            if (selected_ == nullptr || FT_Set_Charmap(face_, selected_) != 0)
                face_->charmap = selected_;
        }
        fz_unlock(ctx_, FZ_LOCK_FREETYPE);
    }
    FaceLock(const FaceLock&) = delete;
    FaceLock& operator=(const FaceLock&) = delete;

  private:
    fz_context* ctx_;
    FT_Face face_;
    FT_CharMap selected_;
};

FT_Face faceOf(const pdf_font_desc* desc) {
    if (!desc->is_embedded || desc->font == nullptr) return nullptr;
    return static_cast<FT_Face>(fz_font_ft_face(Library::context(), desc->font));
}

// The font's Unicode cmap: Microsoft's of all planes, else its BMP one, else
// one of the Unicode platform (not its variation sequences, encoding 5).
FT_CharMap unicodeCmap(FT_Face face) {
    FT_CharMap best = nullptr;
    int bestRank = 0;
    for (int i = 0; i < face->num_charmaps; ++i) {
        const FT_CharMap m = face->charmaps[i];
        int rank = 0;
        if (m->platform_id == 3 && m->encoding_id == 10)
            rank = 3;
        else if (m->platform_id == 3 && m->encoding_id == 1)
            rank = 2;
        else if (m->platform_id == 0 && m->encoding_id != 5)
            rank = 1;
        if (rank > bestRank) best = m, bestRank = rank;
    }
    return best;
}

// A string token of a CMap: whether it is empty, and its first four bytes as
// one code.
struct CmapString {
    bool empty = true;
    unsigned long code = 0;
};

// The code ranges that the CMap text maps to nothing, in its bfchar and
// bfrange blocks, sorted. One pass over the text.
std::vector<std::pair<int, int>> silentRanges(const unsigned char* text, size_t size) {
    std::vector<std::pair<int, int>> silent;
    enum { kNone, kChar, kRange } block = kNone;
    CmapString entry[3];
    int strings = 0;     // of the entry so far
    int arrayItem = -1;  // in a bfrange's array: its item's number
    auto hexDigit = [](unsigned char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                      : -1;
    };
    size_t i = 0;
    while (i < size) {
        const unsigned char c = text[i];
        if (c == '%') {
            while (i < size && text[i] != '\n' && text[i] != '\r') ++i;
            continue;
        }
        if (c == '[' || c == ']') {
            arrayItem = c == '[' && block == kRange && strings == 2 ? 0 : -1;
            if (c == ']') strings = 0;
            ++i;
            continue;
        }
        const bool hex = c == '<' && (i + 1 >= size || text[i + 1] != '<');
        if (hex || c == '(') {
            // A string: a hex one, or a literal one with its escapes.
            CmapString s;
            long digits = 0;
            int depth = 0;
            for (++i; i < size; ++i) {
                const unsigned char d = text[i];
                if (hex) {
                    if (d == '>') break;
                    const int v = hexDigit(d);
                    if (v < 0) continue;
                    if (digits < 8)
                        s.code = digits % 2 == 0 ? (s.code << 8) | (v << 4) : s.code | v;
                    ++digits;
                } else {
                    if (d == ')' && depth == 0) break;
                    if (d == '\\' && i + 1 < size) ++i;
                    depth += d == '(' ? 1 : d == ')' ? -1 : 0;
                    if (digits < 4) s.code = (s.code << 8) | text[i];
                    ++digits;
                }
            }
            ++i;
            s.empty = digits == 0;
            if (block == kNone) continue;
            if (arrayItem >= 0) {
                const unsigned long code = entry[0].code + static_cast<unsigned long>(arrayItem++);
                if (s.empty && code <= entry[1].code && code <= 0x7FFFFFFF)
                    silent.emplace_back(static_cast<int>(code), static_cast<int>(code));
                continue;
            }
            entry[strings++] = s;
            const int needed = block == kChar ? 2 : 3;
            if (strings < needed) continue;
            const unsigned long first = entry[0].code, last = entry[needed - 2].code;
            if (s.empty && first <= last && last <= 0x7FFFFFFF)
                silent.emplace_back(static_cast<int>(first), static_cast<int>(last));
            strings = 0;
            continue;
        }
        if (c <= ' ' || c == '<' || c == '>' || c == '/' || c == '{' || c == '}' || c == ')') {
            ++i;
            continue;
        }
        // A word: the block keywords matter.
        size_t end = i;
        while (end < size && text[end] > ' ' && std::strchr("<>[]()/%{}", text[end]) == nullptr)
            ++end;
        const std::string word(reinterpret_cast<const char*>(text + i), end - i);
        if (word == "beginbfchar") block = kChar;
        if (word == "beginbfrange") block = kRange;
        if (word == "endbfchar" || word == "endbfrange") block = kNone;
        strings = 0;
        arrayItem = -1;
        i = end;
    }
    std::sort(silent.begin(), silent.end());
    return silent;
}

// The font's ToUnicode stream, read again for the codes it maps to nothing.
void readSilentCodes(const FontInfo& font, FontProgramChars& program) {
    if (font.toUnicode <= 0 || font.document == nullptr) return;
    fz_context* ctx = Library::context();
    BufferHandle buffer(ctx);
    if (tryMupdf(ctx, [&] {
            buffer.out() = pdf_load_stream_number(ctx, font.document, font.toUnicode);
        }) != 0)
        return;
    unsigned char* data = nullptr;
    const size_t size = fz_buffer_storage(ctx, buffer.get(), &data);
    std::vector<std::pair<int, int>> codes = silentRanges(data, size);
    // MuPDF keys the map by CID, as unicodeOf is asked: codes of an encoding
    // that is not the identity are taken to their CIDs one by one.
    pdf_cmap* encoding = font.desc->encoding;
    if (encoding == nullptr || std::strncmp(encoding->cmap_name, "Identity-", 9) == 0) {
        program.silent = std::move(codes);
        return;
    }
    long left = kMaxCmapEntries;
    for (const auto& range : codes)
        for (int code = range.first; code <= range.second && left > 0; ++code, --left) {
            const int cid = pdf_lookup_cmap(encoding, static_cast<unsigned int>(code));
            if (cid >= 0) program.silent.emplace_back(cid, cid);
        }
    std::sort(program.silent.begin(), program.silent.end());
}

bool silentCode(const FontProgramChars& program, int code) {
    auto after = std::upper_bound(program.silent.begin(), program.silent.end(),
                                  std::make_pair(code, 0x7FFFFFFF));
    return after != program.silent.begin() && std::prev(after)->second >= code;
}

// Reads the Unicode cmap of a TrueType or OpenType font program into glyph
// order: one pass over its entries, then a counting sort by glyph.
void readProgram(const FontInfo& font, FontProgramChars& program) {
    program.read = true;
    FT_Face face = faceOf(font.desc);
    if (face == nullptr) return;
    program.available = true;
    program.nameAt.assign(static_cast<size_t>(std::min<FT_Long>(face->num_glyphs, 0x10000)), -1);
    readSilentCodes(font, program);
    std::vector<std::pair<FT_UInt, char32_t>> entries;  // glyph, character; characters ascending
    FT_UInt last = 0;
    {
        FaceLock lock(face);
        // FreeType makes up a Unicode cmap for Type 1 and bare CFF fonts from
        // their glyph names, reading more into them than glyphNameChars does
        // ("a1", a line segment of TeX's LINE10, as a ZapfDingbats scissors):
        // their glyph names speak for themselves.
        FT_CharMap unicode = FT_IS_SFNT(face) ? unicodeCmap(face) : nullptr;
        if (unicode == nullptr || FT_Set_Charmap(face, unicode) != 0) return;
        FT_UInt gid = 0;
        FT_ULong c = FT_Get_First_Char(face, &gid);
        for (long n = 0; gid != 0 && n < kMaxCmapEntries; ++n) {
            if (fromProgram(c)) {
                entries.emplace_back(gid, static_cast<char32_t>(c));
                if (gid > last) last = gid;
            }
            c = FT_Get_Next_Char(face, c, &gid);
        }
    }
    if (entries.empty()) return;
    program.start.assign(static_cast<size_t>(last) + 2, 0);
    for (const auto& e : entries) ++program.start[e.first + 1];
    for (size_t g = 1; g < program.start.size(); ++g) program.start[g] += program.start[g - 1];
    program.chars.resize(entries.size());
    std::vector<int> next(program.start.begin(), program.start.end() - 1);
    for (const auto& e : entries) program.chars[next[e.first]++] = e.second;
}

// The hex digits of text[0..length) as one value; -1 when any is no
// upper-case hex digit (as Adobe glyph names write them) or lower-case where
// `anyCase`.
long hexValue(const char* text, size_t length, bool anyCase) {
    long value = 0;
    for (size_t i = 0; i < length; ++i) {
        const char d = text[i];
        int digit = -1;
        if (d >= '0' && d <= '9') digit = d - '0';
        if (d >= 'A' && d <= 'F') digit = d - 'A' + 10;
        if (anyCase && d >= 'a' && d <= 'f') digit = d - 'a' + 10;
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The characters one component of a glyph name stands for: a name of the
// Adobe Glyph List, "uni" and groups of four hex digits, or "u" and four to
// six. Returns their count, 0 for a name that stands for none.
int componentChars(const char* name, size_t length, int out[8]) {
    char buffer[64];
    if (length == 0 || length >= sizeof buffer) return 0;
    std::memcpy(buffer, name, length);
    buffer[length] = 0;
    const int listed = fz_unicode_from_glyph_name_strict(buffer);
    if (listed > 0) {
        out[0] = listed;
        return 1;
    }
    if (length > 3 && std::strncmp(buffer, "uni", 3) == 0 && (length - 3) % 4 == 0 &&
        length - 3 <= 32) {
        int n = 0;
        for (size_t at = 3; at < length; at += 4) {
            const long c = hexValue(buffer + at, 4, true);
            if (c < 0) return 0;
            out[n++] = static_cast<int>(c);
        }
        return n;
    }
    if (buffer[0] == 'u' && length >= 5 && length <= 7) {
        const long c = hexValue(buffer + 1, length - 1, false);
        if (c < 0) return 0;
        out[0] = static_cast<int>(c);
        return 1;
    }
    return 0;
}

// The characters a glyph name stands for, read as an Adobe glyph name: what
// follows a period is a variant's suffix, underscores join the components of
// a ligature. A name of which any part stands for nothing fit to be text
// stands for nothing. Returns their count (at most 8).
int glyphNameChars(const char* name, int out[8]) {
    size_t length = std::strcspn(name, ".");
    int count = 0;
    for (size_t at = 0; at < length;) {
        size_t part = std::strcspn(name + at, "_");
        if (part > length - at) part = length - at;
        int chars[8];
        const int n = componentChars(name + at, part, chars);
        if (n == 0 || count + n > 8) return 0;
        for (int i = 0; i < n; ++i) {
            if (!fromProgram(static_cast<unsigned long>(chars[i]))) return 0;
            out[count++] = chars[i];
        }
        at += part + 1;
    }
    return count;
}

// The characters the font program gives the glyph MuPDF draws for `cid`
// (unicodeOf), whose ToUnicode entry is control codes (`mapped`) or none.
// `named` is the character the encoding names, 0 for none.
int programChars(const FontInfo& font, int cid, bool mapped, int named, int out[8]) {
    FontProgramChars& program = font.program;
    if (!program.read) readProgram(font, program);
    if (!program.available || (!mapped && silentCode(program, cid))) return 0;
    pdf_font_desc* desc = font.desc;
    const int gid = pdf_font_cid_to_gid(Library::context(), desc, cid);
    if (gid <= 0) return 0;
    const size_t g = static_cast<size_t>(gid);
    if (g + 1 < program.start.size() && program.start[g] < program.start[g + 1]) {
        const int first = program.start[g], end = program.start[g + 1];
        out[0] = static_cast<int>(program.chars[first]);
        for (int i = first; i < end; ++i)
            if (static_cast<int>(program.chars[i]) == named) out[0] = named;
        return 1;
    }
    if (g < program.nameAt.size() && program.nameAt[g] >= 0) {
        const int at = program.nameAt[g];
        const int count = program.named[static_cast<size_t>(at)];
        for (int i = 0; i < count; ++i) out[i] = program.named[static_cast<size_t>(at + 1 + i)];
        return count;
    }
    FT_Face face = faceOf(desc);
    char name[64] = "";
    {
        FaceLock lock(face);
        if (FT_HAS_GLYPH_NAMES(face) &&
            FT_Get_Glyph_Name(face, static_cast<FT_UInt>(gid), name, sizeof name) != 0)
            name[0] = 0;
    }
    const int count = glyphNameChars(name, out);
    if (g < program.nameAt.size()) {
        program.nameAt[g] = static_cast<int>(program.named.size());
        program.named.push_back(count);
        program.named.insert(program.named.end(), out, out + count);
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
    try {
        pdf_obj* map = objects::get(dict, "ToUnicode");
        info.toUnicode = objects::objectNumber(map);
        if (info.toUnicode > 0) info.document = pdf_get_indirect_document(Library::context(), map);
    } catch (const Error&) {
        // Read as MuPDF reads it, or not at all.
    }
}

int unicodeOf(const FontInfo& font, int cid, int out[8]) {
    const pdf_font_desc* desc = font.desc;
    int n = 0;
    if (desc->to_unicode != nullptr)
        n = joinSurrogates(out, pdf_lookup_cmap_full(desc->to_unicode, cid, out));
    bool usable = false;
    for (int i = 0; i < n && !usable; ++i) usable = out[i] > 0 && !chars::isDropped(out[i]);
    if (usable) return n;
    int named = 0;
    if (cid >= 0 && static_cast<size_t>(cid) < desc->cid_to_ucs_len) {
        named = desc->cid_to_ucs[cid];
        if (named <= 0 || chars::isDropped(named)) named = 0;
    }
    // The answer depends on the code alone (its font's map and encoding are
    // fixed), so one- and no-character answers are kept per code.
    std::vector<int>& cache = font.program.byCode;
    const bool cacheable = cid >= 0 && cid < FontProgramChars::kCachedCodes;
    int cached = FontProgramChars::kNotYet;
    if (cacheable && static_cast<size_t>(cid) < cache.size()) cached = cache[cid];
    int program[8];
    int count = 0;
    if (cached == FontProgramChars::kNotYet) {
        count = programChars(font, cid, n > 0, named, program);
        if (cacheable && count <= 1) {
            if (static_cast<size_t>(cid) >= cache.size())
                cache.resize(static_cast<size_t>(cid) + 1, FontProgramChars::kNotYet);
            cache[cid] = count == 1 ? program[0] : FontProgramChars::kNoCharacter;
        }
    } else if (cached != FontProgramChars::kNoCharacter) {
        program[0] = cached;
        count = 1;
    }
    if (count > 0) {
        std::memcpy(out, program, sizeof(int) * count);
        return count;
    }
    if (named > 0) {
        out[0] = named;
        return 1;
    }
    return n;
}

}  // namespace pdf
