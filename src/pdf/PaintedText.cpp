#include "pdf/PaintedText.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "pdf/CharClass.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Objects.h"

namespace pdf {
namespace {

// Forms nested deeper than any real file; the limit keeps forms that paint
// one another from looping.
constexpr int kMaxFormDepth = 16;

// ---------------------------------------------------------------------------
// Fonts

// What a glyph's box is made of, per font. Boxes are drawn in box space:
// ems for ordinary fonts; for a Type 3 font with a usable bounding box, its
// glyph space, which its font matrix takes to ems.
struct FontInfo {
    pdf_font_desc* desc = nullptr;  // one reference, dropped by the reader
    double ascent = 0.8;            // above the baseline, in box units
    double descent = -0.2;
    double em = 1;                  // the em in box units: a Type 3 font's bounding-box height
    fz_matrix boxToEm = fz_identity;  // a Type 3 font's matrix
};

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

// The font's own dictionary first, then the published metrics of a standard
// font, then the font program's (MuPDF fills the descriptor's fields from it
// when the file has none).
void measureFont(FontInfo& info, pdf_obj* dict) {
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
        descriptor = objects::get(objects::at(objects::get(dict, "DescendantFonts"), 0),
                                  "FontDescriptor");
    double fileAscent = objects::toReal(objects::get(descriptor, "Ascent")) / 1000.0;
    double fileDescent = objects::toReal(objects::get(descriptor, "Descent")) / 1000.0;
    double ascent = 0, descent = 0;
    if (sensible(fileAscent, fileDescent)) {
        info.ascent = fileAscent;
        info.descent = fileDescent;
    } else if (!d->is_embedded && font != nullptr &&
               standardMetrics(font->name, ascent, descent)) {
        info.ascent = ascent;
        info.descent = descent;
    } else if (sensible(d->ascent / 1000.0, d->descent / 1000.0)) {
        info.ascent = d->ascent / 1000.0;
        info.descent = d->descent / 1000.0;
    }
}

// The characters a font maps a glyph to: its ToUnicode map, else the
// character its encoding names. Control codes from a ToUnicode map (some
// producers map ligatures to them) give way to the encoding's name.
int unicodeOf(const pdf_font_desc* desc, int cid, int out[8]) {
    int n = 0;
    if (desc->to_unicode != nullptr) n = pdf_lookup_cmap_full(desc->to_unicode, cid, out);
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

// ---------------------------------------------------------------------------
// Graphics state

struct GState {
    fz_matrix ctm = fz_identity;  // user space of the content to the page's user space
    // Text state.
    float charSpace = 0, wordSpace = 0, scale = 1, leading = 0, size = 0, rise = 0;
    int render = 0;
    const FontInfo* font = nullptr;
    // What fills and images paint.
    float fillAlpha = 1;
    bool blendNormal = true;
    bool softMask = false;
    bool fillColour = true;    // not a pattern or shading
    bool translucent = false;  // inside a group that is not opaque
    // The clip in force, in page space.
    bool clipped = false;
    bool clipExact = true;  // every clip so far is an axis-aligned rectangle
    fz_rect clip = fz_infinite_rect;

    bool paintsOpaquely() const {
        return fillAlpha >= 1 && blendNormal && !softMask && !translucent && clipExact;
    }
};

// The path under construction, as far as covers and clips need it: whether
// it is one axis-aligned rectangle, and its bounds.
struct PathProbe {
    int subpaths = 0;
    int count = 0;  // points of the first subpath
    fz_point points[6];
    bool curved = false;
    bool rectangle = false;  // the first subpath came from "re"
    fz_rect rect = fz_empty_rect;
    fz_rect bounds = fz_empty_rect;  // user space, every point and control point

    void add(float x, float y) { bounds = fz_include_point_in_rect(bounds, fz_make_point(x, y)); }
};

// An area painted opaquely, and when.
struct Cover {
    int sequence;
    fz_rect box;  // page space
};

// ---------------------------------------------------------------------------
// The reader: the processor's state, called by its callbacks.

class Reader {
  public:
    Reader(pdf_document* doc, const Page& page, bool withImages)
        : doc_(doc), toPage_(toFz(page.userToPage())), withImages_(withImages) {
        stack_.emplace_back();
    }
    ~Reader() {
        fz_context* ctx = Library::context();
        for (auto& entry : fonts_) pdf_drop_font(ctx, entry.second->desc);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool withImages() const { return withImages_; }
    pdf_document* document() const { return doc_; }
    PaintedText& result() { return out_; }
    void pushResources(pdf_obj* resources) { resources_.push_back(resources); }
    void popResources() { resources_.pop_back(); }
    void setAnnotation(bool annotation) { annotation_ = annotation; }

    // ---- graphics state ----
    GState& gs() { return stack_.back(); }
    void save() { stack_.push_back(stack_.back()); }
    void restore() {
        if (stack_.size() > 1) stack_.pop_back();
    }
    size_t depth() const { return stack_.size(); }
    void restoreTo(size_t depth) {
        while (stack_.size() > depth && stack_.size() > 1) stack_.pop_back();
    }
    // A fresh graphics state, as an annotation's appearance starts with.
    void resetState() {
        stack_.assign(1, GState());
        path_ = PathProbe();
        clipPending_ = false;
        beginText();
    }
    void concat(const fz_matrix& m) { gs().ctm = fz_concat(m, gs().ctm); }

    void setFont(const char* name, pdf_font_desc* desc, float size) {
        gs().size = size;
        gs().font = desc != nullptr ? fontInfo(name, desc) : nullptr;
    }

    // ---- paths ----
    PathProbe& path() { return path_; }
    void clipNext() { clipPending_ = true; }
    // Ends the path: a fill may cover text painted before it; a pending clip
    // takes effect.
    void paintPath(bool fill, bool hidden) {
        fz_matrix toPage = fz_concat(gs().ctm, toPage_);
        fz_rect rect = rectangleOf(toPage);
        if (fill && !hidden && !out_.chars.empty() && gs().fillColour && gs().paintsOpaquely() &&
            !fz_is_empty_rect(rect))
            addCover(rect);
        if (clipPending_) {
            bool exact = !fz_is_empty_rect(rect);
            fz_rect box = exact ? rect : fz_transform_rect(path_.bounds, toPage);
            clipTo(box, exact);
        }
        clipPending_ = false;
        path_ = PathProbe();
    }

    void paintImage(const fz_image* image, bool hidden) {
        if (hidden || out_.chars.empty() || !gs().paintsOpaquely()) return;
        if (image->mask != nullptr || image->use_colorkey || image->imagemask) return;
        fz_matrix toPage = fz_concat(gs().ctm, toPage_);
        if (!fz_is_rectilinear(toPage)) return;
        addCover(fz_transform_rect(fz_unit_rect, toPage));
    }

    // Clips to a rectangle of the current user space.
    void clipToBox(fz_rect userBox) {
        fz_matrix toPage = fz_concat(gs().ctm, toPage_);
        clipTo(fz_transform_rect(userBox, toPage), fz_is_rectilinear(toPage) != 0);
    }

    void clipTo(fz_rect box, bool exact) {
        GState& g = gs();
        g.clip = g.clipped ? fz_intersect_rect(g.clip, box) : box;
        g.clipped = true;
        g.clipExact = g.clipExact && exact;
    }

    // ---- text ----
    void beginText() {
        tos_ = pdf_text_object_state{};
        tos_.tm = fz_identity;
        tos_.tlm = fz_identity;
        textClip_ = fz_empty_rect;
    }
    void endText() {
        // Text used as a clip (rendering modes 4 to 7) clips what follows.
        if (gs().render >= 4) clipTo(textClip_, false);
    }
    void moveText(float tx, float ty) { pdf_tos_translate(&tos_, tx, ty); }
    void setTextMatrix(float a, float b, float c, float d, float e, float f) {
        pdf_tos_set_matrix(&tos_, a, b, c, d, e, f);
    }
    void nextLine() { pdf_tos_newline(&tos_, gs().leading); }

    // One text-showing operator: strings, and for TJ the adjustments
    // between them (thousandths of an em, against the writing direction).
    void beginElement(bool hidden) {
        hidden_ = hidden;
        TextElement element;
        element.ctm = toMatrix(gs().ctm);
        element.textMatrix = toMatrix(tos_.tm);
        element.fontSize = gs().size;
        element.firstGlyph = out_.glyphCount();
        element.formDepth = formDepth_;
        element.annotation = annotation_;
        pending_ = element;
        pendingBox_ = fz_empty_rect;
        ++sequence_;
    }
    void showString(const unsigned char* s, size_t length);
    void adjust(float amount) {
        const FontInfo* font = gs().font;
        if (font == nullptr) return;
        float t = -amount * 0.001f * gs().size;
        if (font->desc->wmode == 0)
            tos_.tm = fz_pre_translate(tos_.tm, t * gs().scale, 0);
        else
            tos_.tm = fz_pre_translate(tos_.tm, 0, t);
    }
    void endElement() {
        pending_.glyphCount = out_.glyphCount() - pending_.firstGlyph;
        if (pending_.glyphCount == 0) return;
        pending_.bbox = {pendingBox_.x0, pendingBox_.y0, pendingBox_.x1, pendingBox_.y1};
        out_.elements.push_back(pending_);
    }

    // ---- forms ----
    bool enterForm(pdf_obj* form) {
        if (formDepth_ >= kMaxFormDepth) return false;
        if (!activeForms_.insert(form).second) return false;  // paints itself
        ++formDepth_;
        return true;
    }
    void leaveForm(pdf_obj* form) {
        activeForms_.erase(form);
        --formDepth_;
    }

    void markHidden();

  private:
    static fz_matrix toFz(const Matrix& m) {
        return {static_cast<float>(m.a), static_cast<float>(m.b), static_cast<float>(m.c),
                static_cast<float>(m.d), static_cast<float>(m.e), static_cast<float>(m.f)};
    }
    static Matrix toMatrix(const fz_matrix& m) { return {m.a, m.b, m.c, m.d, m.e, m.f}; }

    const FontInfo* fontInfo(const char* name, pdf_font_desc* desc) {
        auto found = fonts_.find(desc);
        if (found != fonts_.end()) return found->second.get();
        auto info = std::make_unique<FontInfo>();
        info->desc = pdf_keep_font(Library::context(), desc);
        const FontInfo* kept = info.get();
        fonts_.emplace(desc, std::move(info));
        // A font dictionary that cannot be read keeps the default box.
        try {
            pdf_obj* dict = nullptr;
            if (!resources_.empty() && name != nullptr)
                dict = objects::get(objects::get(resources_.back(), "Font"), name);
            measureFont(*fonts_[desc], dict);
        } catch (const Error&) {
        }
        return kept;
    }

    // The path's rectangle in page space, when the path is exactly one
    // axis-aligned rectangle there; an empty rectangle otherwise.
    fz_rect rectangleOf(const fz_matrix& toPage) const {
        const PathProbe& p = path_;
        if (p.curved || p.subpaths != 1) return fz_empty_rect;
        if (p.rectangle) {
            if (p.count != 0 || !fz_is_rectilinear(toPage)) return fz_empty_rect;
            return fz_transform_rect(p.rect, toPage);
        }
        int n = p.count;
        if (n > 6) return fz_empty_rect;
        fz_point q[6];
        for (int k = 0; k < n; ++k) q[k] = fz_transform_point(p.points[k], toPage);
        if (n == 5 && std::fabs(q[4].x - q[0].x) < 0.01f && std::fabs(q[4].y - q[0].y) < 0.01f)
            n = 4;
        if (n != 4) return fz_empty_rect;
        // Every edge, the closing one included, runs along an axis.
        for (int k = 0; k < 4; ++k) {
            const fz_point& a = q[k];
            const fz_point& b = q[(k + 1) % 4];
            if (std::fabs(a.x - b.x) > 0.01f && std::fabs(a.y - b.y) > 0.01f)
                return fz_empty_rect;
        }
        fz_rect r = fz_empty_rect;
        for (int k = 0; k < 4; ++k) r = fz_include_point_in_rect(r, q[k]);
        return r;
    }

    void addCover(fz_rect box) {
        if (gs().clipped) box = fz_intersect_rect(box, gs().clip);
        if (fz_is_empty_rect(box)) return;
        covers_.push_back({++sequence_, box});
    }

    void showGlyph(int cid);
    void addChars(const int* codes, int count, const fz_matrix& boxToPage, double advance,
                  bool vertical, double size, bool invisible);

    pdf_document* doc_;
    fz_matrix toPage_;  // page user space to page space
    bool withImages_;
    PaintedText out_;
    std::vector<GState> stack_;
    std::vector<pdf_obj*> resources_;
    std::map<const pdf_font_desc*, std::unique_ptr<FontInfo>> fonts_;
    std::set<pdf_obj*> activeForms_;
    int formDepth_ = 0;
    bool annotation_ = false;

    PathProbe path_;
    bool clipPending_ = false;

    pdf_text_object_state tos_{};
    fz_rect textClip_ = fz_empty_rect;
    TextElement pending_;
    fz_rect pendingBox_ = fz_empty_rect;  // the element's glyph boxes, user space
    bool hidden_ = false;                 // the element lies in switched-off content

    // Paint order: every element and every cover gets the next number.
    int sequence_ = 0;
    std::vector<int> charSequence_;  // per char: its element's number; invisible: never covered
    std::vector<Cover> covers_;
};

constexpr int kNeverCovered = 0x7FFFFFFF;

void Reader::showString(const unsigned char* s, size_t length) {
    const FontInfo* font = gs().font;
    if (font == nullptr) return;
    pdf_font_desc* desc = font->desc;
    const unsigned char* end = s + length;
    while (s < end) {
        unsigned int cpt = 0;
        int w = pdf_decode_cmap(desc->encoding, const_cast<unsigned char*>(s),
                                const_cast<unsigned char*>(end), &cpt);
        if (w < 1) w = 1;
        s += w;
        int cid = pdf_lookup_cmap(desc->encoding, cpt);
        if (cid >= 0) showGlyph(cid);
        if (cpt == 32 && w == 1) {
            // Word spacing applies to the single-byte code 32.
            if (desc->wmode == 0)
                tos_.tm = fz_pre_translate(tos_.tm, gs().wordSpace * gs().scale, 0);
            else
                tos_.tm = fz_pre_translate(tos_.tm, 0, gs().wordSpace);
        }
    }
}

// The glyph's place follows MuPDF's own text-state arithmetic
// (pdf_tos_make_trm), so it lies where the page image draws it.
void Reader::showGlyph(int cid) {
    const GState& g = gs();
    const FontInfo& font = *g.font;
    pdf_font_desc* desc = font.desc;
    const bool vertical = desc->wmode != 0;
    fz_matrix tsm = {g.size * g.scale, 0, 0, g.size, 0, g.rise};
    double advance;  // along the writing direction, ems
    float tx = 0, ty = 0;
    if (!vertical) {
        pdf_hmtx h = pdf_lookup_hmtx(Library::context(), desc, cid);
        advance = h.w * 0.001;
        tx = static_cast<float>((advance * g.size + g.charSpace) * g.scale);
    } else {
        pdf_vmtx v = pdf_lookup_vmtx(Library::context(), desc, cid);
        advance = -v.w * 0.001;
        ty = static_cast<float>(v.w * 0.001 * g.size + g.charSpace);
    }
    // Ems to the page, through the glyph's size, rise and scale; box space
    // to the page through the font's matrix as well.
    fz_matrix glyphToPage = fz_concat(fz_concat(tsm, tos_.tm), fz_concat(g.ctm, toPage_));
    fz_matrix boxToPage = fz_concat(font.boxToEm, glyphToPage);

    if (!hidden_) {
        int codes[8];
        int count = unicodeOf(desc, cid, codes);
        fz_point up = fz_transform_vector(fz_make_point(0, 1), boxToPage);
        double size = std::hypot(up.x, up.y) * font.em;
        addChars(codes, count, boxToPage, advance / font.boxToEm.a, vertical, size,
                 g.render == 3);
    }
    tos_.tm = fz_pre_translate(tos_.tm, tx, ty);
}

// The glyph's box: `advance` box units along the writing direction, from the
// font's descent to its ascent; across a vertical column, one em centred on
// the pen.
void Reader::addChars(const int* ucs, int ucsCount, const fz_matrix& boxToPage, double advance,
                      bool vertical, double size, bool invisible) {
    const FontInfo& font = *gs().font;
    constexpr int kMaxCodes = 32;
    char32_t codes[kMaxCodes];
    int count = 0;
    for (int k = 0; k < ucsCount; ++k) {
        if (ucs[k] <= 0) continue;
        char32_t letters[chars::kMaxDecomposition];
        int n = chars::plainLetters(static_cast<char32_t>(ucs[k]), letters);
        for (int e = 0; e < n && count < kMaxCodes; ++e) {
            if (!chars::isDropped(letters[e])) codes[count++] = letters[e];
        }
    }
    const bool unmapped = count == 0;
    if (unmapped) codes[count++] = 0;

    double length = advance;
    if (!(length > 0) || length > 4 * font.em) length = vertical ? 1.0 : 0.5 * font.em;
    fz_point dir = vertical ? fz_transform_vector(fz_make_point(0, -1), boxToPage)
                            : fz_transform_vector(fz_make_point(1, 0), boxToPage);
    double dirLength = std::hypot(dir.x, dir.y);
    double dirX = dirLength > 0 ? dir.x / dirLength : 1;
    double dirY = dirLength > 0 ? dir.y / dirLength : 0;
    fz_point origin = fz_transform_point(fz_make_point(0, 0), boxToPage);

    // The letters of a ligature are in reading order; a right-to-left one
    // is read from its right end, so its first letter gets the last share.
    bool rightToLeft = count > 1;
    for (int c = 0; c < count && rightToLeft; ++c)
        rightToLeft = chars::direction(codes[c]) == chars::Direction::RightToLeft ||
                      chars::direction(codes[c]) == chars::Direction::Neutral;

    const int glyph = out_.glyphCount();
    const int element = static_cast<int>(out_.elements.size());
    fz_matrix toUser = fz_concat(boxToPage, fz_invert_matrix(toPage_));
    for (int c = 0; c < count; ++c) {
        int share = rightToLeft ? count - 1 - c : c;
        double a0 = length * share / count;
        double a1 = length * (share + 1) / count;
        fz_point corners[4];
        if (vertical) {
            corners[0] = fz_make_point(-0.5f, static_cast<float>(-a0));
            corners[1] = fz_make_point(-0.5f, static_cast<float>(-a1));
            corners[2] = fz_make_point(0.5f, static_cast<float>(-a1));
            corners[3] = fz_make_point(0.5f, static_cast<float>(-a0));
        } else {
            float d = static_cast<float>(font.descent), u = static_cast<float>(font.ascent);
            corners[0] = fz_make_point(static_cast<float>(a0), d);
            corners[1] = fz_make_point(static_cast<float>(a1), d);
            corners[2] = fz_make_point(static_cast<float>(a1), u);
            corners[3] = fz_make_point(static_cast<float>(a0), u);
        }
        PaintedChar ch;
        ch.code = codes[c];
        ch.glyph = glyph;
        ch.element = element;
        for (int k = 0; k < 4; ++k) {
            fz_point p = fz_transform_point(corners[k], boxToPage);
            ch.quad[k] = {p.x, p.y};
            pendingBox_ = fz_include_point_in_rect(pendingBox_, fz_transform_point(corners[k], toUser));
            textClip_ = fz_include_point_in_rect(textClip_, p);
        }
        ch.origin = {origin.x, origin.y};
        ch.dirX = dirX;
        ch.dirY = dirY;
        ch.size = size;
        ch.unmapped = unmapped;
        ch.space = !unmapped && chars::isSpace(ch.code);
        ch.mark = !unmapped && !ch.space && chars::isCombiningMark(ch.code);
        out_.chars.push_back(ch);
        // Invisible text is never seen, so nothing painted over it hides it.
        charSequence_.push_back(invisible ? kNeverCovered : sequence_);
    }
    out_.glyphStart.push_back(static_cast<int>(out_.chars.size()));
}

void Reader::markHidden() {
    if (covers_.empty()) return;
    for (size_t i = 0; i < out_.chars.size(); ++i) {
        int painted = charSequence_[i];
        auto later = std::upper_bound(covers_.begin(), covers_.end(), painted,
                                      [](int s, const Cover& c) { return s < c.sequence; });
        if (later == covers_.end()) continue;
        PaintedChar& ch = out_.chars[i];
        double x0 = ch.quad[0].x, x1 = x0, y0 = ch.quad[0].y, y1 = y0;
        for (const Point& p : ch.quad) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        // The glyph's ink lies well inside its box; a cover need not reach
        // the box's edges to hide it.
        double inset = 0.1 * ch.size;
        x0 += inset, x1 -= inset, y0 += inset, y1 -= inset;
        for (auto c = later; c != covers_.end(); ++c) {
            if (c->box.x0 <= x0 && c->box.x1 >= x1 && c->box.y0 <= y0 && c->box.y1 >= y1) {
                ch.hidden = true;
                break;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// The processor: MuPDF calls these from inside its interpreter. A C++
// exception must not cross MuPDF's C frames, so each callback runs its body
// under guard(), which turns any exception into a MuPDF error after the
// body's frame is gone.

struct Processor {
    pdf_processor super;
    Reader* reader;
};

Reader& readerOf(pdf_processor* proc) {
    return *reinterpret_cast<Processor*>(proc)->reader;
}

bool hiddenContent(pdf_processor* proc) {
    return proc->hidden > 0;
}

template <typename Body>
void guard(fz_context* ctx, const Body& body) {
    bool failed = false;
    try {
        body();
    } catch (...) {
        failed = true;
    }
    if (failed) fz_throw(ctx, FZ_ERROR_GENERIC, "cannot read the page's text");
}

// Graphics state.
void opQ(fz_context*, pdf_processor* proc) {
    readerOf(proc).restore();
}
void opq(fz_context* ctx, pdf_processor* proc) {
    guard(ctx, [&] { readerOf(proc).save(); });
}
void opcm(fz_context*, pdf_processor* proc, float a, float b, float c, float d, float e, float f) {
    readerOf(proc).concat({a, b, c, d, e, f});
}
void opgsBM(fz_context*, pdf_processor* proc, const char* mode) {
    readerOf(proc).gs().blendNormal =
        mode == nullptr || std::strcmp(mode, "Normal") == 0 || std::strcmp(mode, "Compatible") == 0;
}
void opgsca(fz_context*, pdf_processor* proc, float alpha) {
    readerOf(proc).gs().fillAlpha = alpha;
}
void opgsSMask(fz_context*, pdf_processor* proc, pdf_obj* smask, pdf_obj*, float*, int) {
    readerOf(proc).gs().softMask = smask != nullptr;
}

// Paths.
void opm(fz_context*, pdf_processor* proc, float x, float y) {
    PathProbe& p = readerOf(proc).path();
    p.add(x, y);
    if (++p.subpaths > 1) return;
    p.points[p.count++] = fz_make_point(x, y);
}
void opl(fz_context*, pdf_processor* proc, float x, float y) {
    PathProbe& p = readerOf(proc).path();
    p.add(x, y);
    if (p.subpaths == 1) {
        if (p.count < 6) p.points[p.count] = fz_make_point(x, y);
        ++p.count;
    } else if (p.subpaths == 0) {
        p.curved = true;  // a line without a start: not a shape we can judge
    }
}
void opc(fz_context*, pdf_processor* proc, float x1, float y1, float x2, float y2, float x3,
         float y3) {
    PathProbe& p = readerOf(proc).path();
    p.add(x1, y1), p.add(x2, y2), p.add(x3, y3);
    p.curved = true;
}
void opv(fz_context*, pdf_processor* proc, float x2, float y2, float x3, float y3) {
    PathProbe& p = readerOf(proc).path();
    p.add(x2, y2), p.add(x3, y3);
    p.curved = true;
}
void opy(fz_context*, pdf_processor* proc, float x1, float y1, float x3, float y3) {
    PathProbe& p = readerOf(proc).path();
    p.add(x1, y1), p.add(x3, y3);
    p.curved = true;
}
void oph(fz_context*, pdf_processor*) {}
void opre(fz_context*, pdf_processor* proc, float x, float y, float w, float h) {
    PathProbe& p = readerOf(proc).path();
    p.add(x, y), p.add(x + w, y + h);
    if (++p.subpaths > 1) return;
    p.rectangle = true;
    p.rect = fz_make_rect(std::min(x, x + w), std::min(y, y + h), std::max(x, x + w),
                          std::max(y, y + h));
}
void opFill(fz_context*, pdf_processor* proc) {
    readerOf(proc).paintPath(true, hiddenContent(proc));
}
void opNoFill(fz_context*, pdf_processor* proc) {
    readerOf(proc).paintPath(false, hiddenContent(proc));
}
void opW(fz_context*, pdf_processor* proc) {
    readerOf(proc).clipNext();
}

// Colours: only whether fills paint a plain colour matters.
void opcs(fz_context*, pdf_processor* proc, const char* name, fz_colorspace*) {
    readerOf(proc).gs().fillColour = name == nullptr || std::strcmp(name, "Pattern") != 0;
}
void opCS(fz_context*, pdf_processor*, const char*, fz_colorspace*) {}
void opscPattern(fz_context*, pdf_processor* proc, const char*, pdf_pattern*, int, float*) {
    readerOf(proc).gs().fillColour = false;
}
void opscShade(fz_context*, pdf_processor* proc, const char*, fz_shade*) {
    readerOf(proc).gs().fillColour = false;
}
void opscColor(fz_context*, pdf_processor* proc, int, float*) {
    readerOf(proc).gs().fillColour = true;
}
void opg(fz_context*, pdf_processor* proc, float) {
    readerOf(proc).gs().fillColour = true;
}
void oprg(fz_context*, pdf_processor* proc, float, float, float) {
    readerOf(proc).gs().fillColour = true;
}
void opk(fz_context*, pdf_processor* proc, float, float, float, float) {
    readerOf(proc).gs().fillColour = true;
}

// Text.
void opBT(fz_context*, pdf_processor* proc) {
    readerOf(proc).beginText();
}
void opET(fz_context*, pdf_processor* proc) {
    readerOf(proc).endText();
}
void opTc(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().charSpace = v;
}
void opTw(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().wordSpace = v;
}
void opTz(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().scale = v / 100;
}
void opTL(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().leading = v;
}
void opTr(fz_context*, pdf_processor* proc, int v) {
    readerOf(proc).gs().render = v;
}
void opTs(fz_context*, pdf_processor* proc, float v) {
    readerOf(proc).gs().rise = v;
}
void opTf(fz_context* ctx, pdf_processor* proc, const char* name, pdf_font_desc* font, float size) {
    guard(ctx, [&] { readerOf(proc).setFont(name, font, size); });
}
void opTd(fz_context*, pdf_processor* proc, float tx, float ty) {
    readerOf(proc).moveText(tx, ty);
}
void opTD(fz_context*, pdf_processor* proc, float tx, float ty) {
    readerOf(proc).gs().leading = -ty;
    readerOf(proc).moveText(tx, ty);
}
void opTm(fz_context*, pdf_processor* proc, float a, float b, float c, float d, float e, float f) {
    readerOf(proc).setTextMatrix(a, b, c, d, e, f);
}
void opTstar(fz_context*, pdf_processor* proc) {
    readerOf(proc).nextLine();
}

// The array of a TJ, read before the reader runs, so that no MuPDF call can
// fail while it does.
struct ShowItem {
    const unsigned char* bytes = nullptr;
    size_t length = 0;
    float adjustment = 0;
};

void showItems(fz_context* ctx, pdf_processor* proc, const std::vector<ShowItem>& items) {
    guard(ctx, [&] {
        Reader& r = readerOf(proc);
        r.beginElement(hiddenContent(proc));
        for (const ShowItem& item : items) {
            if (item.bytes != nullptr)
                r.showString(item.bytes, item.length);
            else
                r.adjust(item.adjustment);
        }
        r.endElement();
    });
}

void opTj(fz_context* ctx, pdf_processor* proc, char* s, size_t length) {
    ShowItem item{reinterpret_cast<const unsigned char*>(s), length, 0};
    guard(ctx, [&] {
        Reader& r = readerOf(proc);
        r.beginElement(hiddenContent(proc));
        r.showString(item.bytes, item.length);
        r.endElement();
    });
}
void opSquote(fz_context* ctx, pdf_processor* proc, char* s, size_t length) {
    readerOf(proc).nextLine();
    opTj(ctx, proc, s, length);
}
void opDquote(fz_context* ctx, pdf_processor* proc, float aw, float ac, char* s, size_t length) {
    readerOf(proc).gs().wordSpace = aw;
    readerOf(proc).gs().charSpace = ac;
    readerOf(proc).nextLine();
    opTj(ctx, proc, s, length);
}
void opTJ(fz_context* ctx, pdf_processor* proc, pdf_obj* array) {
    // Reading the array may fail (a broken reference inside it); that is a
    // MuPDF error here, before any C++ object lives in this frame.
    int n = pdf_array_len(ctx, array);
    ShowItem* raw = static_cast<ShowItem*>(fz_calloc(ctx, n > 0 ? n : 1, sizeof(ShowItem)));
    fz_try(ctx) {
        for (int i = 0; i < n; ++i) {
            pdf_obj* item = pdf_array_get(ctx, array, i);
            if (pdf_is_string(ctx, item)) {
                raw[i].bytes = reinterpret_cast<const unsigned char*>(pdf_to_str_buf(ctx, item));
                raw[i].length = pdf_to_str_len(ctx, item);
            } else {
                raw[i].adjustment = pdf_to_real(ctx, item);
            }
        }
    }
    fz_catch(ctx) {
        fz_free(ctx, raw);
        fz_rethrow(ctx);
    }
    bool failed = false;
    try {
        showItems(ctx, proc, std::vector<ShowItem>(raw, raw + n));
    } catch (...) {
        failed = true;
    }
    fz_free(ctx, raw);
    if (failed) fz_throw(ctx, FZ_ERROR_GENERIC, "cannot read the page's text");
}

// Images and forms.
void opDoImage(fz_context*, pdf_processor* proc, const char*, fz_image* image) {
    readerOf(proc).paintImage(image, hiddenContent(proc));
}
void opBI(fz_context*, pdf_processor* proc, fz_image* image, const char*) {
    readerOf(proc).paintImage(image, hiddenContent(proc));
}

void runForm(fz_context* ctx, pdf_processor* proc, pdf_obj* form, pdf_obj* resources);

void opDoForm(fz_context* ctx, pdf_processor* proc, const char*, pdf_obj* form,
              pdf_obj* pageResources) {
    // Everything a form needs of MuPDF is read first, inside this error
    // boundary; a form that cannot be read is passed over.
    fz_rect bbox = fz_empty_rect;
    fz_matrix matrix = fz_identity;
    int transparency = 0;
    pdf_obj* resources = nullptr;
    int failed = 0;
    fz_var(bbox);
    fz_var(matrix);
    fz_var(transparency);
    fz_var(resources);
    fz_var(failed);
    fz_try(ctx) {
        bbox = pdf_xobject_bbox(ctx, form);
        matrix = pdf_xobject_matrix(ctx, form);
        transparency = pdf_xobject_transparency(ctx, form);
        resources = pdf_xobject_resources(ctx, form);
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) return;
    if (resources == nullptr) resources = pageResources;

    bool entered = false;
    size_t depth = 0;
    guard(ctx, [&] {
        Reader& r = readerOf(proc);
        if (!r.enterForm(form)) return;
        entered = true;
        depth = r.depth();
        r.save();
        r.concat(matrix);
        GState& g = r.gs();
        if (transparency) {
            // A group paints its content as one; one that is not opaque
            // lets what lies beneath show through all of it.
            if (!g.paintsOpaquely()) g.translucent = true;
            g.fillAlpha = 1;
            g.blendNormal = true;
            g.softMask = false;
        }
        r.clipToBox(bbox);  // the form's bounding box clips it
        r.pushResources(resources);
    });
    if (!entered) return;
    runForm(ctx, proc, form, resources);
    Reader& r = readerOf(proc);
    r.popResources();
    r.restoreTo(depth);
    r.leaveForm(form);
}

// Runs a form's content with this processor; its failure is the form's
// alone.
void runForm(fz_context* ctx, pdf_processor* proc, pdf_obj* form, pdf_obj* resources) {
    pdf_document* doc = readerOf(proc).document();
    fz_try(ctx) {
        pdf_process_contents(ctx, proc, doc, resources, form, nullptr);
    }
    fz_catch(ctx) {
        if (fz_caught(ctx) == FZ_ERROR_ABORT) fz_rethrow(ctx);
    }
}

struct ProcessorDrop {
    void operator()(pdf_processor* p) const { pdf_drop_processor(Library::context(), p); }
};
using ProcessorHandle = std::unique_ptr<pdf_processor, ProcessorDrop>;

pdf_processor* newProcessor(Reader& reader) {
    fz_context* ctx = Library::context();
    Processor* p = nullptr;
    int failed = 0;
    fz_var(p);
    fz_try(ctx) {
        p = static_cast<Processor*>(pdf_new_processor(ctx, sizeof(Processor)));
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) Library::throwCaught("cannot read text");
    p->reader = &reader;
    pdf_processor& s = p->super;
    s.usage = "View";
    s.op_gs_BM = opgsBM;
    s.op_gs_ca = opgsca;
    s.op_gs_SMask = opgsSMask;
    s.op_q = opq;
    s.op_Q = opQ;
    s.op_cm = opcm;
    s.op_m = opm;
    s.op_l = opl;
    s.op_c = opc;
    s.op_v = opv;
    s.op_y = opy;
    s.op_h = oph;
    s.op_re = opre;
    s.op_S = opNoFill;
    s.op_s = opNoFill;
    s.op_F = opFill;
    s.op_f = opFill;
    s.op_fstar = opFill;
    s.op_B = opFill;
    s.op_Bstar = opFill;
    s.op_b = opFill;
    s.op_bstar = opFill;
    s.op_n = opNoFill;
    s.op_W = opW;
    s.op_Wstar = opW;
    s.op_BT = opBT;
    s.op_ET = opET;
    s.op_Tc = opTc;
    s.op_Tw = opTw;
    s.op_Tz = opTz;
    s.op_TL = opTL;
    s.op_Tf = opTf;
    s.op_Tr = opTr;
    s.op_Ts = opTs;
    s.op_Td = opTd;
    s.op_TD = opTD;
    s.op_Tm = opTm;
    s.op_Tstar = opTstar;
    s.op_TJ = opTJ;
    s.op_Tj = opTj;
    s.op_squote = opSquote;
    s.op_dquote = opDquote;
    s.op_CS = opCS;
    s.op_cs = opcs;
    s.op_sc_pattern = opscPattern;
    s.op_sc_shade = opscShade;
    s.op_sc_color = opscColor;
    s.op_g = opg;
    s.op_rg = oprg;
    s.op_k = opk;
    if (reader.withImages()) {
        s.op_BI = opBI;
        s.op_Do_image = opDoImage;
    }
    s.op_Do_form = opDoForm;
    return &p->super;
}

// Widgets are shown only when they are fields: with a type and a name.
bool shownWidget(fz_context* ctx, pdf_annot* widget) {
    int shown = 0;
    fz_var(shown);
    fz_try(ctx) {
        pdf_obj* obj = pdf_annot_obj(ctx, widget);
        shown = pdf_dict_get_inheritable(ctx, obj, PDF_NAME(FT)) != nullptr &&
                pdf_dict_get_inheritable(ctx, obj, PDF_NAME(T)) != nullptr;
    }
    fz_catch(ctx) {
        shown = 0;
    }
    return shown != 0;
}

// One annotation's appearance; its failure is its own.
void runAnnotation(fz_context* ctx, pdf_processor* proc, pdf_annot* annot) {
    fz_try(ctx) {
        pdf_process_annot(ctx, proc, annot, nullptr);
    }
    fz_catch(ctx) {
        if (fz_caught(ctx) == FZ_ERROR_ABORT) fz_rethrow(ctx);
    }
}

// Runs the page's content and then its annotations and fields; false, with
// MuPDF's message in `failure`, when the content could not be read.
bool runPage(const Page& page, Reader& reader, std::string& failure) {
    fz_context* ctx = Library::context();
    ProcessorHandle processor(newProcessor(reader));
    pdf_processor* proc = processor.get();
    pdf_page* pdfPage = page.handle();
    pdf_obj* resources = objects::pageResources(pdfPage);
    reader.pushResources(resources);
    int failed = 0;
    fz_try(ctx) {
        pdf_process_contents(ctx, proc, pdfPage->doc, resources, pdf_page_contents(ctx, pdfPage),
                             nullptr);
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) {
        failure = fz_caught_message(ctx);
        return false;
    }

    std::vector<pdf_annot*> annotations;
    for (pdf_annot* a = pdf_first_annot(ctx, pdfPage); a != nullptr; a = pdf_next_annot(ctx, a))
        annotations.push_back(a);
    for (pdf_annot* w = pdf_first_widget(ctx, pdfPage); w != nullptr; w = pdf_next_widget(ctx, w))
        if (shownWidget(ctx, w)) annotations.push_back(w);
    reader.setAnnotation(true);
    for (pdf_annot* a : annotations) {
        reader.resetState();
        runAnnotation(ctx, proc, a);
    }
    fz_try(ctx) {
        pdf_close_processor(ctx, proc);
    }
    fz_catch(ctx) {}
    return true;
}

}  // namespace

PaintedText readPaintedText(const Page& page) {
    // Some pages hold an image MuPDF cannot load; their text is read again
    // without the images, which only ever hide text.
    std::string failure;
    for (bool withImages : {true, false}) {
        Reader reader(page.handle()->doc, page, withImages);
        bool read = false;
        try {
            read = runPage(page, reader, failure);
        } catch (const Error& e) {
            throw Error(page.describe() + ": cannot read text: " + e.what());
        }
        if (!read) continue;
        reader.markHidden();
        return std::move(reader.result());
    }
    throw Error(page.describe() + ": cannot read text: " + failure);
}

}  // namespace pdf
