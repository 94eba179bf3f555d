#include "pdf/builder/PdfBuilder.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
#include <mupdf/ucdn.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

#include "pdf/Boundary.h"

namespace pdfbuild {
namespace {

[[noreturn]] void failInput(const std::string& what) {
    throw std::runtime_error("PdfBuilder: " + what);
}

// MuPDF reports errors with longjmp, which would skip C++ destructors. All MuPDF calls
// therefore run in bodies given to guarded(), at the PDF layer's boundary (pdf/Boundary.h):
// the body may only use raw pointers, plain values and MuPDF calls; anything that owns memory
// is created before and released by RAII after, once the failure has become a C++ exception.
template <typename Body>
void guarded(fz_context* ctx, const char* what, const Body& body) {
    if (pdf::tryMupdf(ctx, body) != 0)
        throw std::runtime_error(std::string("PdfBuilder: ") + what + ": " +
                                 fz_caught_message(ctx));
}

class Context {
  public:
    Context() : ctx_(fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT)) {
        if (!ctx_) failInput("cannot create a MuPDF context");
        // Failures reach the caller as exceptions; MuPDF's own stderr chatter would only
        // clutter test logs.
        fz_set_error_callback(ctx_, quiet, nullptr);
        fz_set_warning_callback(ctx_, quiet, nullptr);
    }
    ~Context() { fz_drop_context(ctx_); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    fz_context* get() const { return ctx_; }

  private:
    static void quiet(void*, const char*) {}

    fz_context* ctx_;
};

// Owns one reference to a MuPDF object (pdf/Boundary.h).
template <typename T, void (*Drop)(fz_context*, T*)>
using Handle = pdf::Handle<T, Drop>;

using Font = Handle<fz_font, fz_drop_font>;
using Buffer = Handle<fz_buffer, fz_drop_buffer>;
using Obj = Handle<pdf_obj, pdf_drop_obj>;
using Document = Handle<pdf_document, pdf_drop_document>;

// ---------------------------------------------------------------------------------------------
// Text encoding

std::string hexCodepoint(int cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

std::vector<int> decodeUtf8(const std::string& s) {
    std::vector<int> out;
    size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        int len = lead < 0x80           ? 1
                  : (lead >> 5) == 0x6  ? 2
                  : (lead >> 4) == 0xE  ? 3
                  : (lead >> 3) == 0x1E ? 4
                                        : 0;
        if (len == 0 || i + len > s.size()) failInput("invalid UTF-8 in \"" + s + "\"");
        int cp = len == 1 ? lead : lead & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) failInput("invalid UTF-8 in \"" + s + "\"");
            cp = (cp << 6) | (c & 0x3F);
        }
        out.push_back(cp);
        i += len;
    }
    return out;
}

// PDF text strings: plain ASCII stays readable in the file, anything else needs UTF-16BE.
std::string pdfTextString(const std::string& utf8) {
    const std::vector<int> cps = decodeUtf8(utf8);
    if (std::all_of(cps.begin(), cps.end(), [](int cp) { return cp < 0x80; })) return utf8;
    std::string out = "\xFE\xFF";
    auto put16 = [&out](int u) {
        out += static_cast<char>((u >> 8) & 0xFF);
        out += static_cast<char>(u & 0xFF);
    };
    for (int cp : cps) {
        if (cp >= 0x10000) {
            put16(0xD800 + ((cp - 0x10000) >> 10));
            put16(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put16(cp);
        }
    }
    return out;
}

// Windows-1252 codes 0x80..0x9F; 0 marks the five unassigned codes.
constexpr int kWinAnsiHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int unicodeFromWinAnsi(int code) {
    if (code >= 0x80 && code < 0xA0) return kWinAnsiHigh[code - 0x80];
    return code;
}

int winAnsiFromUnicode(int cp) {
    if ((cp >= 0x20 && cp < 0x7F) || (cp >= 0xA0 && cp <= 0xFF)) return cp;
    for (int i = 0; i < 32; ++i) {
        if (kWinAnsiHigh[i] != 0 && kWinAnsiHigh[i] == cp) return 0x80 + i;
    }
    return -1;
}

std::string winAnsiBytes(const std::string& utf8) {
    std::string out;
    for (int cp : decodeUtf8(utf8)) {
        const int code = winAnsiFromUnicode(cp);
        if (code < 0) {
            failInput("character " + hexCodepoint(cp) + " in \"" + utf8 +
                      "\" has no WinAnsi code; set TextRun::unicode");
        }
        out += static_cast<char>(code);
    }
    return out;
}

std::string literalString(const std::string& bytes) {
    std::string out = "(";
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out + ")";
}

// Shortest fixed notation, so content streams stay readable ("72", "700.5").
std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

// ---------------------------------------------------------------------------------------------
// Right-to-left layout
//
// A reduced form of the Unicode bidi algorithm: one paragraph, no explicit embeddings, and
// only the character classes that occur in Hebrew/Latin test text. It is enough to put glyphs
// in the order a real producer would, which is what the extraction code has to undo.

enum class BidiClass { L, R, EN, N };

BidiClass bidiClass(int cp) {
    if ((cp >= 0x0590 && cp <= 0x08FF) || (cp >= 0xFB1D && cp <= 0xFDFF) ||
        (cp >= 0xFE70 && cp <= 0xFEFF))
        return BidiClass::R;
    if (cp >= '0' && cp <= '9') return BidiClass::EN;
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z')) return BidiClass::L;
    if (cp < 0xC0 || (cp >= 0x2000 && cp <= 0x2BFF) || cp == 0xD7 || cp == 0xF7)
        return BidiClass::N;
    return BidiClass::L;
}

int mirrored(int cp) {
    static const std::pair<int, int> kPairs[] = {{'(', ')'}, {'[', ']'},   {'{', '}'},
                                                 {'<', '>'}, {0xAB, 0xBB}, {0x2039, 0x203A}};
    for (const auto& [a, b] : kPairs) {
        if (cp == a) return b;
        if (cp == b) return a;
    }
    return cp;
}

std::vector<int> visualOrder(const std::vector<int>& logical) {
    const size_t n = logical.size();
    std::vector<BidiClass> cls(n);
    for (size_t i = 0; i < n; ++i) cls[i] = bidiClass(logical[i]);
    if (std::none_of(cls.begin(), cls.end(), [](BidiClass c) { return c == BidiClass::R; }))
        return logical;

    BidiClass base = BidiClass::L;
    for (BidiClass c : cls) {
        if (c == BidiClass::L || c == BidiClass::R) {
            base = c;
            break;
        }
    }
    // European digits after Latin text are simply Latin.
    BidiClass lastStrong = base;
    for (size_t i = 0; i < n; ++i) {
        if (cls[i] == BidiClass::L || cls[i] == BidiClass::R) lastStrong = cls[i];
        if (cls[i] == BidiClass::EN && lastStrong == BidiClass::L) cls[i] = BidiClass::L;
    }
    // Neutrals between two runs of the same direction take it; otherwise the paragraph's.
    auto strongOf = [](BidiClass c) { return c == BidiClass::EN ? BidiClass::R : c; };
    for (size_t i = 0; i < n;) {
        if (cls[i] != BidiClass::N) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < n && cls[j] == BidiClass::N) ++j;
        const BidiClass before = i == 0 ? base : strongOf(cls[i - 1]);
        const BidiClass after = j == n ? base : strongOf(cls[j]);
        const BidiClass resolved = before == after ? before : base;
        std::fill(cls.begin() + i, cls.begin() + j, resolved);
        i = j;
    }
    std::vector<int> level(n);
    for (size_t i = 0; i < n; ++i) {
        if (cls[i] == BidiClass::R) {
            level[i] = 1;
        } else if (cls[i] == BidiClass::EN) {
            level[i] = 2;
        } else {
            level[i] = base == BidiClass::R ? 2 : 0;
        }
    }
    std::vector<int> visual = logical;
    for (size_t i = 0; i < n; ++i) {
        if (level[i] % 2 == 1) visual[i] = mirrored(visual[i]);
    }
    const int maxLevel = *std::max_element(level.begin(), level.end());
    for (int lvl = maxLevel; lvl >= 1; --lvl) {
        for (size_t i = 0; i < n;) {
            if (level[i] < lvl) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < n && level[j] >= lvl) ++j;
            std::reverse(visual.begin() + i, visual.begin() + j);
            std::reverse(level.begin() + i, level.begin() + j);
            i = j;
        }
    }
    return visual;
}

// ---------------------------------------------------------------------------------------------
// Fonts

enum UnicodeFont { kHebrewFont = 0, kLatinFont = 1 };

struct Glyph {
    int font;   // UnicodeFont
    int gid;    // CID == GID under Identity-H with an identity CIDToGIDMap
    int width;  // 1/1000 em, as stored in /W
};

// Rounded like the /W arrays pdf_add_cid_font writes, so measurements match the file.
int glyphWidth(fz_context* ctx, fz_font* font, int gid) {
    return static_cast<int>(std::lround(fz_advance_glyph(ctx, font, gid, 0) * 1000));
}

// The fz_font objects behind the three PDF fonts, loaded on first use.
class FontKit {
  public:
    explicit FontKit(fz_context* ctx) : ctx_(ctx), helvetica_(ctx), hebrew_(ctx) {}

    fz_font* helvetica() {
        if (!helvetica_.get()) {
            fz_font*& font = helvetica_.out();
            guarded(ctx_, "cannot load the built-in Helvetica",
                    [&] { font = fz_new_base14_font(ctx_, "Helvetica"); });
        }
        return helvetica_.get();
    }

    fz_font* hebrew() {
        if (!hebrew_.get()) {
            fz_font*& font = hebrew_.out();
            guarded(ctx_, "cannot load a Hebrew font", [&] {
                int len = 0;
                int index = 0;
                const unsigned char* data =
                    fz_lookup_noto_font(ctx_, UCDN_SCRIPT_HEBREW, 0, &len, &index);
                if (!data) fz_throw(ctx_, FZ_ERROR_GENERIC, "MuPDF was built without Noto Hebrew");
                font = fz_new_font_from_memory(ctx_, nullptr, data, len, index, 0);
            });
        }
        return hebrew_.get();
    }

    // /Widths of the WinAnsi Helvetica, indexed by code (codes below 32 are never used).
    const std::array<int, 256>& helveticaWidths() {
        if (!widthsReady_) {
            std::array<int, 256> unicode{};
            for (int code = 32; code < 256; ++code) unicode[code] = unicodeFromWinAnsi(code);
            fz_font* font = helvetica();
            guarded(ctx_, "cannot measure Helvetica", [&] {
                for (int code = 32; code < 256; ++code) {
                    const int gid =
                        unicode[code] ? fz_encode_character(ctx_, font, unicode[code]) : 0;
                    helvWidths_[code] = gid ? glyphWidth(ctx_, font, gid) : 0;
                }
            });
            widthsReady_ = true;
        }
        return helvWidths_;
    }

    // Glyphs of a unicode run in visual order. Hebrew letters come from the Hebrew font, other
    // letters and digits from Helvetica; spaces and punctuation stay in the font of the text
    // before them where it has the glyph, so a Hebrew phrase stays one Tj.
    std::vector<Glyph> shape(const std::string& text) {
        const std::vector<int> cps = visualOrder(decodeUtf8(text));
        const size_t n = cps.size();
        std::vector<int> gids(2 * n, 0);
        std::vector<int> widths(2 * n, 0);
        fz_font* fonts[2] = {hebrew(), helvetica()};
        const int* in = cps.data();
        int* gidOut = gids.data();
        int* widthOut = widths.data();
        guarded(ctx_, "cannot look up glyphs", [&] {
            for (size_t i = 0; i < n; ++i) {
                for (int f = 0; f < 2; ++f) {
                    const int gid = fz_encode_character(ctx_, fonts[f], in[i]);
                    gidOut[2 * i + f] = gid;
                    if (gid) widthOut[2 * i + f] = glyphWidth(ctx_, fonts[f], gid);
                }
            }
        });

        auto has = [&](size_t i, int f) { return f >= 0 && gids[2 * i + f] != 0; };
        auto pick = [&](size_t i, int wanted) {
            const int font = has(i, wanted) ? wanted : has(i, 1 - wanted) ? 1 - wanted : -1;
            if (font < 0) {
                failInput("no glyph for " + hexCodepoint(cps[i]) + " in \"" + text + "\"");
            }
            return font;
        };
        std::vector<int> choice(n, -1);
        for (size_t i = 0; i < n; ++i) {
            const BidiClass c = bidiClass(cps[i]);
            if (c != BidiClass::N)
                choice[i] = pick(i, c == BidiClass::R ? kHebrewFont : kLatinFont);
        }
        for (size_t i = 0; i < n; ++i) {
            if (choice[i] >= 0) continue;
            int wanted = i > 0 ? choice[i - 1] : -1;
            for (size_t j = i + 1; j < n && wanted < 0; ++j) wanted = choice[j];
            choice[i] = pick(i, wanted < 0 ? kLatinFont : wanted);
        }
        std::vector<Glyph> glyphs(n);
        for (size_t i = 0; i < n; ++i) {
            glyphs[i] = {choice[i], gids[2 * i + choice[i]], widths[2 * i + choice[i]]};
        }
        return glyphs;
    }

  private:
    fz_context* ctx_;
    Font helvetica_;
    Font hebrew_;
    std::array<int, 256> helvWidths_{};
    bool widthsReady_ = false;
};

const char* const kHelvResource = "Helv";
const char* const kUnicodeResource[2] = {"UniHe", "UniLa"};

// ---------------------------------------------------------------------------------------------
// Content streams

constexpr double kPi = 3.14159265358979323846;

std::string textMatrix(const TextRun& run) {
    double c = std::cos(run.angle * kPi / 180.0);
    double s = std::sin(run.angle * kPi / 180.0);
    // Keep quarter turns exact instead of 6.1e-17.
    if (std::fabs(c) < 1e-9) c = 0;
    if (std::fabs(s) < 1e-9) s = 0;
    return num(c) + " " + num(s) + " " + num(-s) + " " + num(c) + " " + num(run.x) + " " +
           num(run.y) + " Tm\n";
}

std::string pageContent(FontKit& fonts, const PageSpec& page, bool& usesUnicode) {
    std::string out;
    for (const FilledRect& r : page.rects) {
        out += "q " + num(r.r) + " " + num(r.g) + " " + num(r.b) + " rg " + num(r.x0) + " " +
               num(r.y0) + " " + num(r.x1 - r.x0) + " " + num(r.y1 - r.y0) + " re f Q\n";
    }
    for (const TextRun& run : page.texts) {
        out += "BT\n";
        if (!run.unicode) {
            out += "/" + std::string(kHelvResource) + " " + num(run.size) + " Tf\n";
            out += textMatrix(run);
            out += literalString(winAnsiBytes(run.text)) + " Tj\n";
        } else {
            usesUnicode = true;
            const std::vector<Glyph> glyphs = fonts.shape(run.text);
            int current = -1;
            std::string hex;
            auto flush = [&] {
                if (!hex.empty()) out += "<" + hex + "> Tj\n";
                hex.clear();
            };
            for (size_t i = 0; i < glyphs.size(); ++i) {
                if (glyphs[i].font != current) {
                    flush();
                    current = glyphs[i].font;
                    out += "/" + std::string(kUnicodeResource[current]) + " " + num(run.size) +
                           " Tf\n";
                    if (i == 0) out += textMatrix(run);
                }
                char buf[8];
                std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(glyphs[i].gid));
                hex += buf;
            }
            flush();
        }
        out += "ET\n";
    }
    for (size_t i = 0; i < page.images.size(); ++i) {
        const ImageRect& image = page.images[i];
        out += "q " + num(image.x1 - image.x0) + " 0 0 " + num(image.y1 - image.y0) + " " +
               num(image.x0) + " " + num(image.y0) + " cm /Im" + std::to_string(i) + " Do Q\n";
    }
    if (!page.rawContent.empty()) out += page.rawContent + "\n";
    return out;
}

// ---------------------------------------------------------------------------------------------
// Document assembly

std::vector<pdf_obj*> rawPointers(const std::vector<Obj>& objs) {
    std::vector<pdf_obj*> out;
    for (const Obj& obj : objs) out.push_back(obj.get());
    return out;
}

fz_rect toRect(double x0, double y0, double x1, double y1) {
    return fz_make_rect(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1),
                        static_cast<float>(y1));
}

// Flattened outline item; indexes refer to the flattened list, -1 for none.
struct OutlineRecord {
    int parent = -1, first = -1, last = -1, next = -1, prev = -1;
    int count = 0;      // value of /Count, only written for items with children
    std::string title;  // PDF text string bytes
    int page = -1;
    const std::string* uri = nullptr;
    bool useAction = false;
};

class Writer {
  public:
    Writer(fz_context* ctx, const DocumentSpec& desc)
        : ctx_(ctx),
          desc_(desc),
          doc_(ctx),
          fonts_(ctx),
          helv_(ctx),
          unicode_{Obj(ctx), Obj(ctx)} {}

    void write(const std::string& path) {
        validate();
        pdf_document*& doc = doc_.out();
        guarded(ctx_, "cannot create a document", [&] { doc = pdf_create_document(ctx_); });
        addRawObjects();
        addHelvetica();
        for (const PageSpec& page : desc_.pages) addPage(page);
        for (size_t i = 0; i < desc_.pages.size(); ++i) addAnnotations(i);
        addNamedDestinations();
        addOutline();
        addPageLabels();
        addInfo();
        addCatalogEntries();
        save(path);
    }

  private:
    void validate() const {
        const int pageCount = static_cast<int>(desc_.pages.size());
        if (pageCount == 0) failInput("a document needs at least one page");
        auto checkTarget = [pageCount](int page, const std::string& where) {
            if (page < 0 || page >= pageCount) {
                failInput(where + " targets page " + std::to_string(page) + " of " +
                          std::to_string(pageCount));
            }
        };
        std::map<std::string, int> names;
        for (int p = 0; p < pageCount; ++p) {
            const PageSpec& page = desc_.pages[p];
            const std::string where = "page " + std::to_string(p);
            if (page.width <= 0 || page.height <= 0) failInput(where + " has an empty MediaBox");
            if (page.rotate % 90 != 0) {
                failInput(where + " has /Rotate " + std::to_string(page.rotate));
            }
            for (const Link& link : page.links) {
                switch (link.kind) {
                    case Link::GoTo:
                    case Link::GoToAction:
                        checkTarget(link.targetPage, "a link on " + where);
                        break;
                    case Link::NamedDestGoTo: {
                        checkTarget(link.targetPage, "a link on " + where);
                        const auto [it, added] = names.emplace(destName(link), link.targetPage);
                        if (!added && it->second != link.targetPage) {
                            failInput("destination name " + it->first + " used for two pages");
                        }
                        break;
                    }
                    case Link::Uri:
                        if (link.uri.empty()) failInput("a URI link on " + where + " has no uri");
                        break;
                    case Link::Launch:
                        if (link.file.empty())
                            failInput("a launch link on " + where + " has no file");
                        break;
                    case Link::UndefinedNamedDest:
                        if (link.destName.empty())
                            failInput("an undefined-name link on " + where + " has no name");
                        break;
                }
            }
        }
        std::vector<const OutlineItem*> pending;
        for (const OutlineItem& item : desc_.outline) pending.push_back(&item);
        while (!pending.empty()) {
            const OutlineItem* item = pending.back();
            pending.pop_back();
            if (item->uri.empty() && item->page != -1) {
                checkTarget(item->page, "outline item \"" + item->title + "\"");
            }
            for (const OutlineItem& child : item->children) pending.push_back(&child);
        }
        std::vector<int> starts;
        for (const LabelRange& range : desc_.labels) {
            checkTarget(range.firstPage, "a page label range");
            if (range.style != 0 && std::string("DrRaA").find(range.style) == std::string::npos) {
                failInput(std::string("unknown page label style '") + range.style + "'");
            }
            if (range.start < 1) failInput("page label ranges start at 1 or more");
            starts.push_back(range.firstPage);
        }
        std::sort(starts.begin(), starts.end());
        if (std::adjacent_find(starts.begin(), starts.end()) != starts.end()) {
            failInput("two page label ranges start on the same page");
        }
    }

    // "@k" becomes the reference to raw object k.
    std::string resolved(const std::string& syntax) const {
        std::string out;
        for (size_t i = 0; i < syntax.size(); ++i) {
            if (syntax[i] != '@' || i + 1 >= syntax.size() ||
                !std::isdigit(static_cast<unsigned char>(syntax[i + 1]))) {
                out += syntax[i];
                continue;
            }
            size_t end = i + 1;
            while (end < syntax.size() && std::isdigit(static_cast<unsigned char>(syntax[end])))
                ++end;
            size_t k = std::stoul(syntax.substr(i + 1, end - i - 1));
            if (k >= rawNumbers_.size()) failInput("no raw object @" + std::to_string(k));
            out += std::to_string(rawNumbers_[k]) + " 0 R";
            i = end - 1;
        }
        return out;
    }

    // A new object parsed from PDF syntax; runs inside a guarded body. A reference alone is
    // made here: MuPDF's parser reads references only inside arrays and dictionaries.
    pdf_obj* parse(pdf_document* doc, const std::string& syntax) {
        int number = 0, generation = 0, end = 0;
        if (std::sscanf(syntax.c_str(), " %d %d R %n", &number, &generation, &end) == 2 &&
            static_cast<size_t>(end) == syntax.size())
            return pdf_new_indirect(ctx_, doc, number, generation);
        fz_stream* stream = fz_open_memory(
            ctx_, reinterpret_cast<const unsigned char*>(syntax.data()), syntax.size());
        pdf_lexbuf buffer;
        pdf_lexbuf_init(ctx_, &buffer, PDF_LEXBUF_SMALL);
        pdf_obj* obj = nullptr;
        const int failed =
            pdf::tryMupdf(ctx_, [&] { obj = pdf_parse_stm_obj(ctx_, doc, stream, &buffer); });
        pdf_lexbuf_fin(ctx_, &buffer);
        fz_drop_stream(ctx_, stream);
        if (failed != 0) fz_rethrow(ctx_);  // to the guarded body this runs in
        return obj;
    }

    void addRawObjects() {
        pdf_document* doc = doc_.get();
        const size_t count = desc_.objects.size();
        rawNumbers_.assign(count, 0);
        int* numbers = rawNumbers_.data();
        guarded(ctx_, "cannot number the raw objects", [&] {
            for (size_t k = 0; k < count; ++k) numbers[k] = pdf_create_object(ctx_, doc);
        });
        for (size_t k = 0; k < count; ++k) {
            const RawObject& raw = desc_.objects[k];
            const std::string syntax = resolved(raw.object);
            const std::string* data = raw.stream ? &*raw.stream : nullptr;
            const int number = numbers[k];
            guarded(ctx_, ("cannot write raw object @" + std::to_string(k)).c_str(), [&] {
                pdf_obj* obj = parse(doc, syntax);
                pdf_update_object(ctx_, doc, number, obj);
                pdf_drop_obj(ctx_, obj);
                if (data) {
                    pdf_obj* ref = pdf_new_indirect(ctx_, doc, number, 0);
                    fz_buffer* buf = fz_new_buffer_from_copied_data(
                        ctx_, reinterpret_cast<const unsigned char*>(data->data()), data->size());
                    pdf_update_stream(ctx_, doc, ref, buf, 0);
                    fz_drop_buffer(ctx_, buf);
                    pdf_drop_obj(ctx_, ref);
                }
            });
        }
    }

    void addCatalogEntries() {
        pdf_document* doc = doc_.get();
        pdf_obj* root = catalog();
        for (const auto& [key, value] : desc_.catalog) {
            const std::string syntax = resolved(value);
            const std::string name = key;
            guarded(ctx_, "cannot add a catalog entry",
                    [&] { pdf_dict_puts_drop(ctx_, root, name.c_str(), parse(doc, syntax)); });
        }
    }

    static std::string destName(const Link& link) {
        return link.destName.empty() ? "page." + std::to_string(link.targetPage + 1)
                                     : link.destName;
    }

    pdf_obj* catalog() const {
        pdf_obj* root = nullptr;
        pdf_document* doc = doc_.get();
        guarded(ctx_, "cannot find the catalog",
                [&] { root = pdf_dict_get(ctx_, pdf_trailer(ctx_, doc), PDF_NAME(Root)); });
        return root;
    }

    // Base-14 Helvetica is not embedded; the /Widths pin its metrics for every reader.
    void addHelvetica() {
        const std::array<int, 256>& widths = fonts_.helveticaWidths();
        pdf_document* doc = doc_.get();
        pdf_obj*& font = helv_.out();
        guarded(ctx_, "cannot add Helvetica", [&] {
            font = pdf_add_new_dict(ctx_, doc, 7);
            pdf_dict_put(ctx_, font, PDF_NAME(Type), PDF_NAME(Font));
            pdf_dict_put(ctx_, font, PDF_NAME(Subtype), PDF_NAME(Type1));
            pdf_dict_put_name(ctx_, font, PDF_NAME(BaseFont), "Helvetica");
            pdf_dict_put(ctx_, font, PDF_NAME(Encoding), PDF_NAME(WinAnsiEncoding));
            pdf_dict_put_int(ctx_, font, PDF_NAME(FirstChar), 32);
            pdf_dict_put_int(ctx_, font, PDF_NAME(LastChar), 255);
            pdf_obj* array = pdf_dict_put_array(ctx_, font, PDF_NAME(Widths), 224);
            for (int code = 32; code < 256; ++code) pdf_array_push_int(ctx_, array, widths[code]);
        });
    }

    // Whole fonts are embedded (MuPDF 1.21 cannot subset); they are shared by all pages.
    void addUnicodeFonts() {
        if (unicode_[0].get()) return;
        pdf_document* doc = doc_.get();
        fz_font* sources[2] = {fonts_.hebrew(), fonts_.helvetica()};
        pdf_obj*& hebrew = unicode_[kHebrewFont].out();
        pdf_obj*& latin = unicode_[kLatinFont].out();
        guarded(ctx_, "cannot embed the unicode fonts", [&] {
            hebrew = pdf_add_cid_font(ctx_, doc, sources[kHebrewFont]);
            latin = pdf_add_cid_font(ctx_, doc, sources[kLatinFont]);
        });
    }

    void addPage(const PageSpec& pageDesc) {
        bool usesUnicode = false;
        const std::string content = pageContent(fonts_, pageDesc, usesUnicode);
        if (usesUnicode) addUnicodeFonts();

        pdf_document* doc = doc_.get();
        pdf_obj* helv = helv_.get();
        pdf_obj* unicodeFonts[2] = {usesUnicode ? unicode_[0].get() : nullptr,
                                    usesUnicode ? unicode_[1].get() : nullptr};
        const fz_rect mediabox = toRect(0, 0, pageDesc.width, pageDesc.height);
        const std::array<double, 4> crop = pageDesc.cropBox.value_or(std::array<double, 4>{});
        const bool hasCrop = pageDesc.cropBox.has_value();
        const fz_rect cropbox = toRect(crop[0], crop[1], crop[2], crop[3]);
        const int rotate = ((pageDesc.rotate % 360) + 360) % 360;

        std::vector<std::string> imageNames;
        for (size_t i = 0; i < pageDesc.images.size(); ++i)
            imageNames.push_back("Im" + std::to_string(i));
        std::vector<std::array<std::string, 3>> rawResources;
        for (const RawResource& r : pageDesc.resources)
            rawResources.push_back({r.category, r.name, resolved(r.value)});

        Buffer buffer(ctx_);
        Obj resources(ctx_);
        Obj page(ctx_);
        fz_buffer*& buf = buffer.out();
        pdf_obj*& res = resources.out();
        pdf_obj*& pageObj = page.out();
        guarded(ctx_, "cannot add a page", [&] {
            buf = fz_new_buffer_from_copied_data(
                ctx_, reinterpret_cast<const unsigned char*>(content.data()), content.size());
            res = pdf_new_dict(ctx_, doc, 1);
            pdf_obj* fontDict = pdf_dict_put_dict(ctx_, res, PDF_NAME(Font), 3);
            pdf_dict_puts(ctx_, fontDict, kHelvResource, helv);
            for (int f = 0; f < 2; ++f) {
                if (unicodeFonts[f]) {
                    pdf_dict_puts(ctx_, fontDict, kUnicodeResource[f], unicodeFonts[f]);
                }
            }
            pdf_obj* xobjects = nullptr;
            if (!pageDesc.images.empty() || !pageDesc.forms.empty()) {
                xobjects = pdf_dict_put_dict(
                    ctx_, res, PDF_NAME(XObject),
                    static_cast<int>(pageDesc.images.size() + pageDesc.forms.size()));
            }
            for (size_t i = 0; i < pageDesc.images.size(); ++i) {
                pdf_dict_puts_drop(ctx_, xobjects, imageNames[i].c_str(),
                                   imageObject(doc, pageDesc.images[i]));
            }
            for (const FormXObject& form : pageDesc.forms) {
                pdf_obj* dict = pdf_new_dict(ctx_, doc, 5);
                pdf_dict_put(ctx_, dict, PDF_NAME(Type), PDF_NAME(XObject));
                pdf_dict_put(ctx_, dict, PDF_NAME(Subtype), PDF_NAME(Form));
                pdf_dict_put_rect(ctx_, dict, PDF_NAME(BBox), mediabox);
                pdf_obj* matrix = pdf_dict_put_array(ctx_, dict, PDF_NAME(Matrix), 6);
                for (double v : form.matrix) pdf_array_push_real(ctx_, matrix, v);
                pdf_obj* formRes = pdf_dict_put_dict(ctx_, dict, PDF_NAME(Resources), 1);
                pdf_obj* formFonts = pdf_dict_put_dict(ctx_, formRes, PDF_NAME(Font), 1);
                pdf_dict_puts(ctx_, formFonts, kHelvResource, helv);
                fz_buffer* formContent = fz_new_buffer_from_copied_data(
                    ctx_, reinterpret_cast<const unsigned char*>(form.content.data()),
                    form.content.size());
                pdf_obj* ref = pdf_add_stream(ctx_, doc, formContent, dict, 0);
                fz_drop_buffer(ctx_, formContent);
                pdf_drop_obj(ctx_, dict);
                pdf_dict_puts_drop(ctx_, xobjects, form.name.c_str(), ref);
            }
            for (const auto& [category, name, value] : rawResources) {
                pdf_obj* group = pdf_dict_gets(ctx_, res, category.c_str());
                if (!group) {
                    pdf_dict_puts_drop(ctx_, res, category.c_str(), pdf_new_dict(ctx_, doc, 2));
                    group = pdf_dict_gets(ctx_, res, category.c_str());
                }
                pdf_dict_puts_drop(ctx_, group, name.c_str(), parse(doc, value));
            }
            pageObj = pdf_add_page(ctx_, doc, mediabox, rotate, res, buf);
            if (hasCrop) pdf_dict_put_rect(ctx_, pageObj, PDF_NAME(CropBox), cropbox);
            pdf_insert_page(ctx_, doc, -1, pageObj);
        });
        pages_.push_back(std::move(page));
    }

    static unsigned char sample(double v) {
        return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    }

    // A 1x1 image of the rectangle's colour, with a 1x1 gray soft mask of value 128 when asked
    // for. Runs inside a guarded body (plain values only); returns a new indirect reference.
    pdf_obj* imageObject(pdf_document* doc, const ImageRect& image) {
        const unsigned char rgb[3] = {sample(image.r), sample(image.g), sample(image.b)};
        const unsigned char half[1] = {128};
        pdf_obj* mask = nullptr;
        if (image.softMask) mask = addImageStream(doc, half, 1, PDF_NAME(DeviceGray), nullptr);
        pdf_obj* ref = addImageStream(doc, rgb, 3, PDF_NAME(DeviceRGB), mask);
        pdf_drop_obj(ctx_, mask);
        return ref;
    }

    pdf_obj* addImageStream(pdf_document* doc, const unsigned char* samples, size_t size,
                            pdf_obj* colorSpace, pdf_obj* softMask) {
        fz_buffer* data = fz_new_buffer_from_copied_data(ctx_, samples, size);
        pdf_obj* dict = pdf_new_dict(ctx_, doc, 7);
        pdf_obj* ref = nullptr;
        const int failed = pdf::tryMupdf(ctx_, [&] {
            pdf_dict_put(ctx_, dict, PDF_NAME(Type), PDF_NAME(XObject));
            pdf_dict_put(ctx_, dict, PDF_NAME(Subtype), PDF_NAME(Image));
            pdf_dict_put_int(ctx_, dict, PDF_NAME(Width), 1);
            pdf_dict_put_int(ctx_, dict, PDF_NAME(Height), 1);
            pdf_dict_put(ctx_, dict, PDF_NAME(ColorSpace), colorSpace);
            pdf_dict_put_int(ctx_, dict, PDF_NAME(BitsPerComponent), 8);
            if (softMask) pdf_dict_put(ctx_, dict, PDF_NAME(SMask), softMask);
            ref = pdf_add_stream(ctx_, doc, data, dict, 0);
        });
        pdf_drop_obj(ctx_, dict);
        fz_drop_buffer(ctx_, data);
        if (failed != 0) fz_rethrow(ctx_);  // to the guarded body this runs in
        return ref;
    }

    void addAnnotations(size_t pageIndex) {
        const PageSpec& pageDesc = desc_.pages[pageIndex];
        if (pageDesc.links.empty() && !pageDesc.addTextAnnotation &&
            pageDesc.rawAnnotations.empty())
            return;
        std::vector<std::string> raw;
        for (const std::string& annotation : pageDesc.rawAnnotations)
            raw.push_back(resolved(annotation));
        std::vector<std::string> names;
        for (const Link& link : pageDesc.links) names.push_back(destName(link));
        const std::vector<pdf_obj*> refs = rawPointers(pages_);
        pdf_document* doc = doc_.get();
        pdf_obj* page = pages_[pageIndex].get();
        const int count = static_cast<int>(pageDesc.links.size());

        guarded(ctx_, "cannot add annotations", [&] {
            pdf_obj* annots = pdf_dict_put_array(ctx_, page, PDF_NAME(Annots), count + 1);
            for (int i = 0; i < count; ++i) {
                const Link& link = pageDesc.links[i];
                pdf_array_push_drop(ctx_, annots, pdf_add_new_dict(ctx_, doc, 6));
                pdf_obj* annot = pdf_array_get(ctx_, annots, i);
                pdf_dict_put(ctx_, annot, PDF_NAME(Type), PDF_NAME(Annot));
                pdf_dict_put(ctx_, annot, PDF_NAME(Subtype), PDF_NAME(Link));
                pdf_dict_put_rect(ctx_, annot, PDF_NAME(Rect),
                                  toRect(link.x0, link.y0, link.x1, link.y1));
                pdf_obj* border = pdf_dict_put_array(ctx_, annot, PDF_NAME(Border), 3);
                for (int k = 0; k < 3; ++k) pdf_array_push_int(ctx_, border, 0);
                pdf_dict_put(ctx_, annot, PDF_NAME(P), page);
                if (link.kind == Link::GoTo || link.kind == Link::GoToAction) {
                    pdf_obj* dest = nullptr;
                    if (link.kind == Link::GoTo) {
                        dest = pdf_dict_put_array(ctx_, annot, PDF_NAME(Dest), 2);
                    } else {
                        pdf_obj* action = pdf_dict_put_dict(ctx_, annot, PDF_NAME(A), 2);
                        pdf_dict_put(ctx_, action, PDF_NAME(S), PDF_NAME(GoTo));
                        dest = pdf_dict_put_array(ctx_, action, PDF_NAME(D), 2);
                    }
                    pdf_array_push(ctx_, dest, refs[link.targetPage]);
                    pdf_array_push(ctx_, dest, PDF_NAME(Fit));
                } else if (link.kind == Link::NamedDestGoTo) {
                    pdf_dict_put_string(ctx_, annot, PDF_NAME(Dest), names[i].data(),
                                        names[i].size());
                } else if (link.kind == Link::UndefinedNamedDest) {
                    pdf_dict_put_string(ctx_, annot, PDF_NAME(Dest), link.destName.data(),
                                        link.destName.size());
                } else if (link.kind == Link::Uri) {
                    pdf_obj* action = pdf_dict_put_dict(ctx_, annot, PDF_NAME(A), 2);
                    pdf_dict_put(ctx_, action, PDF_NAME(S), PDF_NAME(URI));
                    pdf_dict_put_string(ctx_, action, PDF_NAME(URI), link.uri.data(),
                                        link.uri.size());
                } else {
                    pdf_obj* action = pdf_dict_put_dict(ctx_, annot, PDF_NAME(A), 2);
                    pdf_dict_put(ctx_, action, PDF_NAME(S), PDF_NAME(Launch));
                    pdf_dict_put_string(ctx_, action, PDF_NAME(F), link.file.data(),
                                        link.file.size());
                }
            }
            if (pageDesc.addTextAnnotation) {
                pdf_array_push_drop(ctx_, annots, pdf_add_new_dict(ctx_, doc, 6));
                pdf_obj* annot = pdf_array_get(ctx_, annots, count);
                pdf_dict_put(ctx_, annot, PDF_NAME(Type), PDF_NAME(Annot));
                pdf_dict_put(ctx_, annot, PDF_NAME(Subtype), PDF_NAME(Text));
                pdf_dict_put_rect(ctx_, annot, PDF_NAME(Rect),
                                  toRect(pageDesc.width - 60, pageDesc.height - 60,
                                         pageDesc.width - 40, pageDesc.height - 40));
                pdf_dict_put_text_string(ctx_, annot, PDF_NAME(Contents), "Reviewer note");
                pdf_dict_put_name(ctx_, annot, PDF_NAME(Name), "Comment");
                pdf_dict_put(ctx_, annot, PDF_NAME(P), page);
            }
            for (const std::string& syntax : raw) {
                pdf_obj* annot = parse(doc, syntax);
                pdf_dict_put(ctx_, annot, PDF_NAME(P), page);
                pdf_array_push_drop(ctx_, annots, pdf_add_object_drop(ctx_, doc, annot));
            }
        });
    }

    void addNamedDestinations() {
        std::map<std::string, int> dests;  // sorted, as name trees require
        for (const PageSpec& page : desc_.pages) {
            for (const Link& link : page.links) {
                if (link.kind == Link::NamedDestGoTo)
                    dests.emplace(destName(link), link.targetPage);
            }
        }
        if (dests.empty()) return;
        std::vector<const std::string*> names;
        std::vector<pdf_obj*> targets;
        for (const auto& [name, page] : dests) {
            names.push_back(&name);
            targets.push_back(pages_[page].get());
        }
        pdf_obj* root = catalog();
        guarded(ctx_, "cannot add named destinations", [&] {
            pdf_obj* nameDict = pdf_dict_put_dict(ctx_, root, PDF_NAME(Names), 1);
            pdf_obj* tree = pdf_dict_put_dict(ctx_, nameDict, PDF_NAME(Dests), 1);
            pdf_obj* leaves =
                pdf_dict_put_array(ctx_, tree, PDF_NAME(Names), static_cast<int>(2 * names.size()));
            for (size_t i = 0; i < names.size(); ++i) {
                pdf_array_push_string(ctx_, leaves, names[i]->data(), names[i]->size());
                pdf_obj* dest = pdf_array_push_array(ctx_, leaves, 5);
                pdf_array_push(ctx_, dest, targets[i]);
                pdf_array_push(ctx_, dest, PDF_NAME(XYZ));
                for (int k = 0; k < 3; ++k) pdf_array_push(ctx_, dest, PDF_NULL);
            }
        });
    }

    // Number of items shown below `item` when it is open.
    static int visibleDescendants(const OutlineItem& item) {
        int n = 0;
        for (const OutlineItem& child : item.children) {
            n += 1 + (child.open ? visibleDescendants(child) : 0);
        }
        return n;
    }

    static void flatten(const std::vector<OutlineItem>& items, int parent,
                        std::vector<OutlineRecord>& out) {
        int previous = -1;
        for (const OutlineItem& item : items) {
            const int index = static_cast<int>(out.size());
            out.emplace_back();
            OutlineRecord& r = out.back();
            r.parent = parent;
            r.prev = previous;
            const int below = visibleDescendants(item);
            r.count = item.open ? below : -below;
            r.title = pdfTextString(item.title);
            r.uri = item.uri.empty() ? nullptr : &item.uri;
            r.page = item.uri.empty() ? item.page : -1;
            r.useAction = item.useAction;
            if (previous >= 0) out[previous].next = index;
            if (parent >= 0) {
                if (out[parent].first < 0) out[parent].first = index;
                out[parent].last = index;
            }
            flatten(item.children, index, out);
            previous = index;
        }
    }

    void addOutline() {
        if (desc_.outline.empty()) return;
        std::vector<OutlineRecord> records;
        flatten(desc_.outline, -1, records);
        const int count = static_cast<int>(records.size());
        int topFirst = -1;
        int topLast = -1;
        for (int i = 0; i < count; ++i) {
            if (records[i].parent >= 0) continue;
            if (topFirst < 0) topFirst = i;
            topLast = i;
        }
        int topCount = 0;
        for (const OutlineItem& item : desc_.outline) {
            topCount += 1 + (item.open ? visibleDescendants(item) : 0);
        }
        const std::vector<pdf_obj*> refs = rawPointers(pages_);
        std::vector<Obj> items;
        for (int i = 0; i < count; ++i) items.emplace_back(ctx_);
        std::vector<pdf_obj**> slots;
        for (Obj& item : items) slots.push_back(&item.out());

        pdf_document* doc = doc_.get();
        pdf_obj* root = catalog();
        guarded(ctx_, "cannot add the outline", [&] {
            pdf_dict_put_drop(ctx_, root, PDF_NAME(Outlines), pdf_add_new_dict(ctx_, doc, 4));
            pdf_obj* outlines = pdf_dict_get(ctx_, root, PDF_NAME(Outlines));
            for (int i = 0; i < count; ++i) *slots[i] = pdf_add_new_dict(ctx_, doc, 8);
            pdf_dict_put(ctx_, outlines, PDF_NAME(Type), PDF_NAME(Outlines));
            pdf_dict_put(ctx_, outlines, PDF_NAME(First), *slots[topFirst]);
            pdf_dict_put(ctx_, outlines, PDF_NAME(Last), *slots[topLast]);
            pdf_dict_put_int(ctx_, outlines, PDF_NAME(Count), topCount);
            for (int i = 0; i < count; ++i) {
                const OutlineRecord& r = records[i];
                pdf_obj* item = *slots[i];
                pdf_dict_put_string(ctx_, item, PDF_NAME(Title), r.title.data(), r.title.size());
                pdf_dict_put(ctx_, item, PDF_NAME(Parent),
                             r.parent >= 0 ? *slots[r.parent] : outlines);
                if (r.prev >= 0) pdf_dict_put(ctx_, item, PDF_NAME(Prev), *slots[r.prev]);
                if (r.next >= 0) pdf_dict_put(ctx_, item, PDF_NAME(Next), *slots[r.next]);
                if (r.first >= 0) {
                    pdf_dict_put(ctx_, item, PDF_NAME(First), *slots[r.first]);
                    pdf_dict_put(ctx_, item, PDF_NAME(Last), *slots[r.last]);
                    pdf_dict_put_int(ctx_, item, PDF_NAME(Count), r.count);
                }
                if (r.uri) {
                    pdf_obj* action = pdf_dict_put_dict(ctx_, item, PDF_NAME(A), 2);
                    pdf_dict_put(ctx_, action, PDF_NAME(S), PDF_NAME(URI));
                    pdf_dict_put_string(ctx_, action, PDF_NAME(URI), r.uri->data(), r.uri->size());
                } else if (r.page >= 0) {
                    pdf_obj* dest = nullptr;
                    if (r.useAction) {
                        pdf_obj* action = pdf_dict_put_dict(ctx_, item, PDF_NAME(A), 2);
                        pdf_dict_put(ctx_, action, PDF_NAME(S), PDF_NAME(GoTo));
                        dest = pdf_dict_put_array(ctx_, action, PDF_NAME(D), 5);
                    } else {
                        dest = pdf_dict_put_array(ctx_, item, PDF_NAME(Dest), 5);
                    }
                    pdf_array_push(ctx_, dest, refs[r.page]);
                    pdf_array_push(ctx_, dest, PDF_NAME(XYZ));
                    for (int k = 0; k < 3; ++k) pdf_array_push(ctx_, dest, PDF_NULL);
                }
            }
        });
    }

    void addPageLabels() {
        if (desc_.labels.empty()) return;
        std::vector<LabelRange> ranges = desc_.labels;
        std::sort(ranges.begin(), ranges.end(), [](const LabelRange& a, const LabelRange& b) {
            return a.firstPage < b.firstPage;
        });
        std::vector<std::string> prefixes;
        for (const LabelRange& range : ranges) prefixes.push_back(pdfTextString(range.prefix));
        pdf_document* doc = doc_.get();
        pdf_obj* root = catalog();
        guarded(ctx_, "cannot add page labels", [&] {
            // MuPDF 1.21 has no predefined names for /PageLabels and /St.
            pdf_dict_puts_drop(ctx_, root, "PageLabels", pdf_new_dict(ctx_, doc, 1));
            pdf_obj* labels = pdf_dict_gets(ctx_, root, "PageLabels");
            pdf_obj* nums = pdf_dict_put_array(ctx_, labels, PDF_NAME(Nums),
                                               static_cast<int>(2 * ranges.size()));
            for (size_t i = 0; i < ranges.size(); ++i) {
                pdf_array_push_int(ctx_, nums, ranges[i].firstPage);
                pdf_obj* label = pdf_array_push_dict(ctx_, nums, 3);
                const char style[2] = {ranges[i].style, 0};
                if (style[0]) pdf_dict_put_name(ctx_, label, PDF_NAME(S), style);
                if (!prefixes[i].empty()) {
                    pdf_dict_put_string(ctx_, label, PDF_NAME(P), prefixes[i].data(),
                                        prefixes[i].size());
                }
                if (ranges[i].start != 1) {
                    pdf_dict_puts_drop(ctx_, label, "St", pdf_new_int(ctx_, ranges[i].start));
                }
            }
        });
    }

    void addInfo() {
        if (desc_.title.empty()) return;
        const std::string title = pdfTextString(desc_.title);
        pdf_document* doc = doc_.get();
        guarded(ctx_, "cannot add document info", [&] {
            pdf_obj* trailer = pdf_trailer(ctx_, doc);
            pdf_dict_put_drop(ctx_, trailer, PDF_NAME(Info), pdf_add_new_dict(ctx_, doc, 1));
            pdf_obj* info = pdf_dict_get(ctx_, trailer, PDF_NAME(Info));
            pdf_dict_put_string(ctx_, info, PDF_NAME(Title), title.data(), title.size());
        });
    }

    void save(const std::string& path) {
        pdf_write_options options = pdf_default_write_options;
        options.do_compress = 1;
        options.do_compress_fonts = 1;
        pdf_document* doc = doc_.get();
        const std::string what = "cannot write " + path;
        guarded(ctx_, what.c_str(), [&] { pdf_save_document(ctx_, doc, path.c_str(), &options); });
    }

    fz_context* ctx_;
    const DocumentSpec& desc_;
    Document doc_;
    FontKit fonts_;
    Obj helv_;
    Obj unicode_[2];
    std::vector<Obj> pages_;
    std::vector<int> rawNumbers_;  // object numbers of the raw objects
};

}  // namespace

void writePdf(const DocumentSpec& document, const std::string& path) {
    Context ctx;
    Writer(ctx.get(), document).write(path);
}

double textWidth(const TextRun& run) {
    Context ctx;
    FontKit fonts(ctx.get());
    long units = 0;
    if (!run.unicode) {
        const std::array<int, 256>& widths = fonts.helveticaWidths();
        for (char c : winAnsiBytes(run.text)) units += widths[static_cast<unsigned char>(c)];
    } else {
        for (const Glyph& g : fonts.shape(run.text)) units += g.width;
    }
    return units * run.size / 1000.0;
}

}  // namespace pdfbuild
