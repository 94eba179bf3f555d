#include "pdf/builder/RawFonts.h"

#include <mupdf/fitz.h>
#include <mupdf/ucdn.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "pdf/Boundary.h"

namespace pdfbuild {
namespace {

std::string hex4(unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", value & 0xFFFF);
    return buf;
}

// UTF-8 to UTF-16BE hex digits.
std::string utf16Hex(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int len = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 4;
        unsigned cp = len == 1 ? lead : lead & (0x7F >> len);
        for (int k = 1; k < len && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += len;
        if (cp >= 0x10000) {
            out += hex4(0xD800 + ((cp - 0x10000) >> 10)) + hex4(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += hex4(cp);
        }
    }
    return out;
}

std::string ref(size_t index) {
    return "@" + std::to_string(index);
}

size_t add(DocumentSpec& doc, const std::string& object) {
    doc.objects.push_back({object, std::nullopt});
    return doc.objects.size() - 1;
}

size_t addStream(DocumentSpec& doc, const std::string& dict, const std::string& data) {
    doc.objects.push_back({dict, data});
    return doc.objects.size() - 1;
}

std::string cmap(const std::string& codespace, const std::vector<std::string>& mappings) {
    std::string out =
        "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Test-UCS def /CMapType 2 def\n"
        "1 begincodespacerange " +
        codespace + " endcodespacerange\n" + std::to_string(mappings.size()) + " beginbfchar\n";
    for (const std::string& m : mappings) out += m + "\n";
    return out + "endbfchar\nendcmap CMapName currentdict /CMap defineresource pop end end\n";
}

// Big-endian numbers of sfnt data.
unsigned long read(const std::string& data, size_t at, int bytes) {
    unsigned long value = 0;
    for (int k = 0; k < bytes; ++k) value = (value << 8) | static_cast<unsigned char>(data[at + k]);
    return value;
}
void put(std::string& data, unsigned long value, int bytes) {
    for (int k = bytes - 1; k >= 0; --k) data += static_cast<char>((value >> (8 * k)) & 0xFF);
}
void set32(std::string& data, size_t at, unsigned long value) {
    for (int k = 0; k < 4; ++k) data[at + k] = static_cast<char>((value >> (8 * (3 - k))) & 0xFF);
}

// A cmap subtable of format 4 taking each code to its glyph, one segment each.
std::string cmapSubtable(const std::map<unsigned, unsigned>& glyphOf) {
    const unsigned segments = static_cast<unsigned>(glyphOf.size()) + 1;  // and the closing one
    unsigned power = 1, log2 = 0;
    while (power * 2 <= segments) power *= 2, ++log2;
    std::string out;
    for (unsigned v :
         {4u, 16 + 8 * segments, 0u, 2 * segments, 2 * power, log2, 2 * segments - 2 * power})
        put(out, v, 2);
    for (const auto& entry : glyphOf) put(out, entry.first, 2);
    put(out, 0xFFFF, 2);
    put(out, 0, 2);
    for (const auto& entry : glyphOf) put(out, entry.first, 2);
    put(out, 0xFFFF, 2);
    for (const auto& [code, glyph] : glyphOf) put(out, (glyph - code) & 0xFFFF, 2);
    put(out, 1, 2);
    for (unsigned k = 0; k < segments; ++k) put(out, 0, 2);
    return out;
}

// Noto Serif Myanmar as MuPDF ships it, and the glyph of each `shows`.
std::string notoMyanmar(const std::vector<TrueTypeGlyph>& glyphs, std::vector<unsigned>& gids) {
    fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
    if (ctx == nullptr) throw std::runtime_error("RawFonts: cannot create a MuPDF context");
    fz_set_warning_callback(
        ctx, [](void*, const char*) {}, nullptr);
    fz_set_error_callback(
        ctx, [](void*, const char*) {}, nullptr);
    int length = 0, index = 0;
    const unsigned char* data = fz_lookup_noto_font(ctx, UCDN_SCRIPT_MYANMAR, 0, &length, &index);
    fz_font* font = nullptr;
    if (data != nullptr && index == 0)
        pdf::tryMupdf(ctx,
                      [&] { font = fz_new_font_from_memory(ctx, nullptr, data, length, 0, 0); });
    gids.assign(glyphs.size(), 0);
    for (size_t k = 0; k < glyphs.size() && font != nullptr; ++k)
        gids[k] = static_cast<unsigned>(fz_encode_character(ctx, font, glyphs[k].shows));
    fz_drop_font(ctx, font);
    fz_drop_context(ctx);
    if (font == nullptr) throw std::runtime_error("RawFonts: MuPDF has no Noto Serif Myanmar");
    for (size_t k = 0; k < glyphs.size(); ++k)
        if (gids[k] == 0 || glyphs[k].shows > 0xFFFD)
            throw std::runtime_error("RawFonts: Noto Serif Myanmar has no glyph for U+" +
                                     hex4(glyphs[k].shows));
    return std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
}

// The font program with its cmap and post tables replaced by tables appended at its end (the
// old ones stay, unused); `gids` receives the glyph of each of `glyphs`.
std::string rewrittenFont(const std::vector<TrueTypeGlyph>& glyphs, bool cid,
                          std::vector<unsigned>& gids) {
    std::string font = notoMyanmar(glyphs, gids);
    std::map<unsigned, unsigned> symbol, unicode;  // code or character to glyph
    std::map<unsigned, std::string> names;         // glyph to name
    for (size_t k = 0; k < glyphs.size(); ++k) {
        const TrueTypeGlyph& g = glyphs[k];
        if (!cid) symbol[0xF000 + static_cast<unsigned>(g.code)] = gids[k];
        if (g.inCmap) unicode[g.shows] = gids[k];
        if (!g.name.empty()) names[gids[k]] = g.name;
    }
    std::string cmap;
    for (unsigned v : {0u, 2u, 3u, 0u, 20u, 3u, 1u}) put(cmap, v, v == 20 ? 4 : 2);
    const std::string symbolTable = cmapSubtable(symbol);
    put(cmap, 20 + symbolTable.size(), 4);
    cmap += symbolTable + cmapSubtable(unicode);

    const unsigned tables = static_cast<unsigned>(read(font, 4, 2));
    auto record = [&](const char* tag) {
        for (unsigned t = 0; t < tables; ++t)
            if (font.compare(12 + 16 * t, 4, tag) == 0) return 12 + 16 * static_cast<size_t>(t);
        throw std::runtime_error(std::string("RawFonts: the font has no ") + tag + " table");
    };
    const unsigned glyphCount =
        static_cast<unsigned>(read(font, read(font, record("maxp") + 8, 4) + 4, 2));
    std::string post = font.substr(read(font, record("post") + 8, 4), 32);
    set32(post, 0, 0x00020000);
    put(post, glyphCount, 2);
    unsigned next = 258;  // the first name of the font's own, after the Macintosh set
    for (unsigned gid = 0; gid < glyphCount; ++gid) put(post, names.count(gid) ? next++ : 0, 2);
    for (const auto& entry : names) post += static_cast<char>(entry.second.size()) + entry.second;

    for (const auto& [tag, table] : {std::make_pair("cmap", cmap), std::make_pair("post", post)}) {
        font.resize((font.size() + 3) / 4 * 4, '\0');
        const size_t at = record(tag);
        std::string padded = table + std::string((4 - table.size() % 4) % 4, '\0');
        unsigned long sum = 0;
        for (size_t k = 0; k < padded.size(); k += 4) sum = (sum + read(padded, k, 4)) & 0xFFFFFFFF;
        set32(font, at + 4, sum);
        set32(font, at + 8, font.size());
        set32(font, at + 12, table.size());
        font += padded;
    }
    return font;
}

}  // namespace

std::string addType3Font(DocumentSpec& doc, const std::vector<Type3Glyph>& glyphs,
                         const UnicodeMap& toUnicode, const Type3Space& space) {
    int first = 255, last = 1;
    for (const Type3Glyph& g : glyphs) {
        if (g.code < 1 || g.code > 255) throw std::runtime_error("RawFonts: code out of range");
        first = std::min(first, g.code);
        last = std::max(last, g.code);
    }
    std::vector<int> widths(static_cast<size_t>(last - first + 1), 0);
    std::string procs, differences;
    for (const Type3Glyph& g : glyphs) {
        widths[static_cast<size_t>(g.code - first)] = g.width;
        size_t proc = addStream(doc, "<< >>",
                                std::to_string(g.width) + " 0 0 0 " + std::to_string(g.width) +
                                    " 700 d1 0 0 " + std::to_string(g.width) + " 700 re f");
        procs += "/" + g.name + " " + ref(proc) + " ";
        differences += std::to_string(g.code) + " /" + g.name + " ";
    }
    std::string widthList;
    for (int w : widths) widthList += std::to_string(w) + " ";
    std::string font = "<< /Type /Font /Subtype /Type3 /FontBBox " + space.bbox + " /FontMatrix " +
                       space.matrix + " /CharProcs << " + procs +
                       ">> /Encoding << /Type /Encoding /Differences [" + differences +
                       "] >> /FirstChar " + std::to_string(first) + " /LastChar " +
                       std::to_string(last) + " /Widths [" + widthList + "] /Resources << >>";
    if (!toUnicode.empty()) {
        std::vector<std::string> mappings;
        for (const auto& [code, text] : toUnicode) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(code));
            mappings.push_back(std::string("<") + hex + "> <" + utf16Hex(text) + ">");
        }
        size_t map = addStream(doc, "<< >>", cmap("<00> <FF>", mappings));
        font += " /ToUnicode " + ref(map);
    }
    return ref(add(doc, font + " >>"));
}

std::string addVerticalFont(DocumentSpec& doc,
                            const std::vector<std::pair<int, std::string>>& map) {
    std::vector<std::string> mappings;
    for (const auto& [cid, text] : map)
        mappings.push_back("<" + hex4(static_cast<unsigned>(cid)) + "> <" + utf16Hex(text) + ">");
    size_t unicode = addStream(doc, "<< >>", cmap("<0000> <FFFF>", mappings));
    size_t descriptor = add(doc,
                            "<< /Type /FontDescriptor /FontName /TestMincho /Flags 4 "
                            "/FontBBox [0 -120 1000 880] /ItalicAngle 0 /Ascent 880 /Descent -120 "
                            "/CapHeight 700 /StemV 80 >>");
    size_t descendant =
        add(doc,
            "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /TestMincho "
            "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
            "/FontDescriptor " +
                ref(descriptor) + " /DW 1000 /DW2 [880 -1000] >>");
    return ref(add(doc,
                   "<< /Type /Font /Subtype /Type0 /BaseFont /TestMincho /Encoding "
                   "/Identity-V /DescendantFonts [" +
                       ref(descendant) + "] /ToUnicode " + ref(unicode) + " >>"));
}

std::string addHorizontalFont(DocumentSpec& doc, const std::vector<CidGlyph>& glyphs) {
    std::vector<std::string> mappings;
    std::string widths;
    for (const CidGlyph& g : glyphs) {
        if (g.cid < 0 || g.cid > 0xFFFF) throw std::runtime_error("RawFonts: CID out of range");
        mappings.push_back("<" + hex4(static_cast<unsigned>(g.cid)) + "> <" + utf16Hex(g.text) +
                           ">");
        widths += std::to_string(g.cid) + " [" + std::to_string(g.width) + "] ";
    }
    size_t unicode = addStream(doc, "<< >>", cmap("<0000> <FFFF>", mappings));
    size_t descriptor = add(doc,
                            "<< /Type /FontDescriptor /FontName /TestSans /Flags 4 "
                            "/FontBBox [0 -200 1000 800] /ItalicAngle 0 /Ascent 800 /Descent -200 "
                            "/CapHeight 700 /StemV 80 >>");
    size_t descendant =
        add(doc,
            "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /TestSans "
            "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
            "/FontDescriptor " +
                ref(descriptor) + " /DW 1000 /W [" + widths + "] >>");
    return ref(add(doc,
                   "<< /Type /Font /Subtype /Type0 /BaseFont /TestSans /Encoding "
                   "/Identity-H /DescendantFonts [" +
                       ref(descendant) + "] /ToUnicode " + ref(unicode) + " >>"));
}

std::string addTrueTypeFont(DocumentSpec& doc, const std::vector<TrueTypeGlyph>& glyphs, bool cid) {
    std::vector<std::string> mappings;
    int lastCid = 0;
    for (const TrueTypeGlyph& g : glyphs) {
        if (cid ? g.code < 1 || g.code > 0xFFFF : g.code < 32 || g.code > 255)
            throw std::runtime_error("RawFonts: code out of range");
        lastCid = std::max(lastCid, g.code);
        const std::string code = cid ? hex4(static_cast<unsigned>(g.code))
                                     : hex4(static_cast<unsigned>(g.code)).substr(2);
        if (g.toUnicode) mappings.push_back("<" + code + "> <" + utf16Hex(*g.toUnicode) + ">");
    }
    std::vector<unsigned> gids;
    const std::string program = rewrittenFont(glyphs, cid, gids);
    const size_t file =
        addStream(doc, "<< /Length1 " + std::to_string(program.size()) + " >>", program);
    const size_t descriptor =
        add(doc,
            "<< /Type /FontDescriptor /FontName /TestMyanmar /Flags 4 "
            "/FontBBox [-500 -400 1500 1200] /ItalicAngle 0 /Ascent 1000 /Descent -400 "
            "/CapHeight 700 /StemV 80 /FontFile2 " +
                ref(file) + " >>");
    const size_t unicode =
        addStream(doc, "<< >>", cmap(cid ? "<0000> <FFFF>" : "<00> <FF>", mappings));
    if (!cid) {
        std::string widths;
        for (int code = 32; code <= 255; ++code) widths += "500 ";
        return ref(add(doc,
                       "<< /Type /Font /Subtype /TrueType /BaseFont /TestMyanmar "
                       "/FirstChar 32 /LastChar 255 /Widths [" +
                           widths + "] /Encoding /WinAnsiEncoding /FontDescriptor " +
                           ref(descriptor) + " /ToUnicode " + ref(unicode) + " >>"));
    }
    std::string map(2 * static_cast<size_t>(lastCid + 1), '\0');
    for (size_t k = 0; k < glyphs.size(); ++k) {
        map[2 * static_cast<size_t>(glyphs[k].code)] = static_cast<char>(gids[k] >> 8);
        map[2 * static_cast<size_t>(glyphs[k].code) + 1] = static_cast<char>(gids[k] & 0xFF);
    }
    const size_t cidToGid = addStream(doc, "<< >>", map);
    const size_t descendant =
        add(doc,
            "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /TestMyanmar "
            "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
            "/FontDescriptor " +
                ref(descriptor) + " /DW 500 /CIDToGIDMap " + ref(cidToGid) + " >>");
    return ref(add(doc,
                   "<< /Type /Font /Subtype /Type0 /BaseFont /TestMyanmar /Encoding "
                   "/Identity-H /DescendantFonts [" +
                       ref(descendant) + "] /ToUnicode " + ref(unicode) + " >>"));
}

std::string addHelveticaObject(DocumentSpec& doc) {
    std::string widths;
    for (int code = 32; code <= 126; ++code) {
        double w = textWidth(textRun(0, 0, std::string(1, static_cast<char>(code)), 1000));
        widths += std::to_string(static_cast<int>(w + 0.5)) + " ";
    }
    return ref(add(doc,
                   "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding "
                   "/WinAnsiEncoding /FirstChar 32 /LastChar 126 /Widths [" +
                       widths + "] >>"));
}

}  // namespace pdfbuild
