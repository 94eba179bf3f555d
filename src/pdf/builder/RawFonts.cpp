#include "pdf/builder/RawFonts.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

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

}  // namespace

std::string addType3Font(DocumentSpec& doc, const std::vector<Type3Glyph>& glyphs,
                         const UnicodeMap& toUnicode) {
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
    std::string font =
        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 700] "
        "/FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << " +
        procs + ">> /Encoding << /Type /Encoding /Differences [" + differences +
        "] >> /FirstChar " + std::to_string(first) + " /LastChar " + std::to_string(last) +
        " /Widths [" + widthList + "] /Resources << >>";
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
