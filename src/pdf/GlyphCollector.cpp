#include "pdf/GlyphCollector.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "pdf/CharClass.h"
#include "pdf/Error.h"
#include "pdf/Library.h"

namespace pdf {
namespace {

// An area painted opaquely, and when.
struct Cover {
    int sequence;
    fz_rect box;
};

// The clip in force, accumulated over the clip stack.
struct ClipState {
    fz_rect box;
    bool exact;           // every clip on the stack is an axis-aligned rectangle
    bool maskDefinition;  // inside the content that defines a soft mask
};

// Paint sequence that no cover follows.
constexpr int kNeverCovered = 0x7FFFFFFF;

// What the device has seen so far. Device callbacks are called from C code
// inside MuPDF's error boundary, so they catch every C++ exception here and
// turn it into a MuPDF error (see guard()).
struct Collector {
    std::vector<PaintedChar> chars;
    std::vector<int> charSequence;
    std::vector<Cover> covers;
    std::vector<ClipState> clips;
    std::vector<char> groupOpaque;
    int translucentGroups = 0;
    int tiles = 0;
    int sequence = 0;
    int glyphs = 0;
    // The text object seen last. Text drawn filled and stroked (render
    // modes 2 and 6), or also used as a clip, comes to the device once per
    // use; its glyphs are one set, numbered once.
    const fz_text* lastText = nullptr;
    fz_text_item lastFirstItem{};

    bool paintsOpaquely() const {
        return translucentGroups == 0 && tiles == 0 && (clips.empty() || clips.back().exact);
    }
    bool showsText() const { return tiles == 0 && (clips.empty() || !clips.back().maskDefinition); }

    void pushClip(fz_rect box, bool exact) {
        ClipState state{box, exact, false};
        if (!clips.empty()) {
            state.box = fz_intersect_rect(box, clips.back().box);
            state.exact = exact && clips.back().exact;
            state.maskDefinition = clips.back().maskDefinition;
        }
        clips.push_back(state);
    }

    void addCover(fz_rect box) {
        if (!clips.empty()) box = fz_intersect_rect(box, clips.back().box);
        if (fz_is_empty_rect(box)) return;
        covers.push_back({++sequence, box});
    }

    void addText(fz_context* ctx, const fz_text* text, fz_matrix ctm, bool invisible = false);
    void addGlyph(fz_context* ctx, const fz_text_span* span, fz_matrix ctm, int first, int end,
                  float ascent, float descent, int sequenceNumber);
    void markHidden();
};

struct TextDevice {
    fz_device super;
    Collector* collector;
};

Collector& collectorOf(fz_device* dev) {
    return *reinterpret_cast<TextDevice*>(dev)->collector;
}

// Runs body; a C++ exception becomes a MuPDF error so that it leaves the
// interpreter the way MuPDF expects. Nothing with a destructor lives in this
// frame when fz_throw jumps.
template <typename Body>
void guard(fz_context* ctx, const Body& body) {
    bool failed = false;
    try {
        body();
    } catch (...) {
        failed = true;
    }
    if (failed) fz_throw(ctx, FZ_ERROR_GENERIC, "out of memory while collecting text");
}

void Collector::addText(fz_context* ctx, const fz_text* text, fz_matrix ctm, bool invisible) {
    if (!showsText()) return;
    // The same object again, starting with the same glyph at the same place:
    // another use of text already collected. (Only the address would not
    // do: a new text object may get the memory of the one just freed.)
    const fz_text_item* first =
        text->head != nullptr && text->head->len > 0 ? &text->head->items[0] : nullptr;
    if (text == lastText && first != nullptr && first->gid == lastFirstItem.gid &&
        first->x == lastFirstItem.x && first->y == lastFirstItem.y) {
        return;
    }
    lastText = text;
    lastFirstItem = first != nullptr ? *first : fz_text_item{};
    int sequenceNumber = ++sequence;
    std::size_t firstChar = chars.size();
    for (const fz_text_span* span = text->head; span != nullptr; span = span->next) {
        float ascent = fz_font_ascender(ctx, span->font);
        float descent = fz_font_descender(ctx, span->font);
        // Type 3 and damaged fonts report anything; a box of one em keeps
        // the layout sane.
        if (!(ascent - descent > 0.5f) || ascent > 2 || descent < -1 || ascent < 0.2f) {
            ascent = 0.8f;
            descent = -0.2f;
        }
        for (int i = 0; i < span->len;) {
            // A glyph and the items after it that add characters to it
            // (gid -1, a ligature's further letters).
            int end = i + 1;
            while (end < span->len && span->items[end].gid < 0) ++end;
            if (span->items[i].gid >= 0) {
                addGlyph(ctx, span, ctm, i, end, ascent, descent, sequenceNumber);
                ++glyphs;
            }
            i = end;
        }
    }
    // Invisible text is never seen, so nothing painted over it hides it;
    // it is there to be found (the text layer of a scanned page).
    if (invisible) {
        for (std::size_t c = firstChar; c < chars.size(); ++c) charSequence[c] = kNeverCovered;
    }
}

void Collector::addGlyph(fz_context* ctx, const fz_text_span* span, fz_matrix ctm, int first,
                         int end, float ascent, float descent, int sequenceNumber) {
    const fz_text_item& item = span->items[first];
    constexpr int kMaxCodes = 32;
    char32_t codes[kMaxCodes];
    int count = 0;
    for (int k = first; k < end; ++k) {
        int ucs = span->items[k].ucs;
        if (ucs < 0) continue;
        char32_t letters[chars::kMaxDecomposition];
        int n = chars::plainLetters(static_cast<char32_t>(ucs), letters);
        for (int e = 0; e < n && count < kMaxCodes; ++e) {
            if (!chars::isDropped(letters[e])) codes[count++] = letters[e];
        }
    }
    bool unmapped = count == 0;
    if (unmapped) codes[count++] = 0;

    // The span's matrix carries no translation; the item's position is in
    // text space, so both go through the CTM together.
    fz_matrix glyphMatrix = span->trm;
    glyphMatrix.e = item.x;
    glyphMatrix.f = item.y;
    fz_matrix m = fz_concat(glyphMatrix, ctm);

    float advance = fz_advance_glyph(ctx, span->font, item.gid, span->wmode);
    // A Type 3 glyph is drawn in its own space through the font matrix; its
    // box is the font's bounding box, and its em is taken as that box's
    // height, since its units can be anything.
    const fz_font* font = span->font;
    double emScale = 1;
    if (font->t3procs != nullptr && !span->wmode) {
        fz_matrix t3 = font->t3matrix;
        fz_rect box = fz_transform_rect(font->bbox, fz_invert_matrix(t3));
        if (box.y1 - box.y0 > 0 && t3.a != 0) {
            advance /= t3.a;
            ascent = box.y1;
            descent = box.y0;
            m = fz_concat(t3, m);
            emScale = box.y1 - box.y0;
        }
    }
    if (!(advance > 0) || advance > 4 * emScale) advance = span->wmode ? 1.0f : 0.5f * emScale;

    double size = std::hypot(m.c, m.d) * emScale;
    // Vertical writing advances down the glyph's own y axis.
    double dirX = span->wmode ? -m.c : m.a;
    double dirY = span->wmode ? -m.d : m.b;
    double length = std::hypot(dirX, dirY);
    if (length > 0) {
        dirX /= length;
        dirY /= length;
    } else {
        dirX = 1;
        dirY = 0;
    }

    // The letters of a ligature are in reading order; a right-to-left one
    // is read from its right end, so its first letter gets the last share.
    bool rightToLeft = count > 1;
    for (int c = 0; c < count && rightToLeft; ++c)
        rightToLeft = chars::direction(codes[c]) == chars::Direction::RightToLeft ||
                      chars::direction(codes[c]) == chars::Direction::Neutral;
    for (int c = 0; c < count; ++c) {
        int share = rightToLeft ? count - 1 - c : c;
        float x0 = advance * share / count;
        float x1 = advance * (share + 1) / count;
        fz_point corners[4];
        if (span->wmode) {
            corners[0] = {-0.5f, -x0};
            corners[1] = {-0.5f, -x1};
            corners[2] = {0.5f, -x1};
            corners[3] = {0.5f, -x0};
        } else {
            corners[0] = {x0, descent};
            corners[1] = {x1, descent};
            corners[2] = {x1, ascent};
            corners[3] = {x0, ascent};
        }
        PaintedChar ch;
        ch.code = codes[c];
        ch.glyph = glyphs;
        for (int k = 0; k < 4; ++k) {
            fz_point p = fz_transform_point(corners[k], m);
            ch.quad[k] = {p.x, p.y};
        }
        ch.origin = {m.e, m.f};
        ch.dirX = dirX;
        ch.dirY = dirY;
        ch.size = size;
        ch.unmapped = unmapped;
        ch.space = !unmapped && chars::isSpace(ch.code);
        ch.mark = !unmapped && !ch.space && chars::isCombiningMark(ch.code);
        chars.push_back(ch);
        charSequence.push_back(sequenceNumber);
    }
}

void Collector::markHidden() {
    if (covers.empty()) return;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        int painted = charSequence[i];
        auto later = std::upper_bound(covers.begin(), covers.end(), painted,
                                      [](int s, const Cover& c) { return s < c.sequence; });
        if (later == covers.end()) continue;
        PaintedChar& ch = chars[i];
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
        for (auto c = later; c != covers.end(); ++c) {
            if (c->box.x0 <= x0 && c->box.x1 >= x1 && c->box.y0 <= y0 && c->box.y1 >= y1) {
                ch.hidden = true;
                break;
            }
        }
    }
}

// Device-space rectangle of a path that is exactly one axis-aligned
// rectangle; an empty rectangle otherwise.
struct RectProbe {
    fz_matrix ctm;
    fz_point points[6];
    int count = 0;
    int subpaths = 0;
    bool curved = false;
    bool rectTo = false;
    fz_rect rect = fz_empty_rect;
};

void probeMove(fz_context*, void* arg, float x, float y) {
    auto* p = static_cast<RectProbe*>(arg);
    if (++p->subpaths > 1) return;
    p->points[p->count++] = fz_transform_point(fz_make_point(x, y), p->ctm);
}
void probeLine(fz_context*, void* arg, float x, float y) {
    auto* p = static_cast<RectProbe*>(arg);
    if (p->count < 6) p->points[p->count] = fz_transform_point(fz_make_point(x, y), p->ctm);
    ++p->count;
}
void probeCurve(fz_context*, void* arg, float, float, float, float, float, float) {
    static_cast<RectProbe*>(arg)->curved = true;
}
void probeClose(fz_context*, void*) {}
void probeRect(fz_context*, void* arg, float x0, float y0, float x1, float y1) {
    auto* p = static_cast<RectProbe*>(arg);
    if (++p->subpaths > 1) return;
    p->rectTo = true;
    if (fz_is_rectilinear(p->ctm))
        p->rect = fz_transform_rect(
            fz_make_rect(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)),
            p->ctm);
}

const fz_path_walker kRectWalker = {probeMove, probeLine, probeCurve, probeClose,
                                    nullptr,   nullptr,   nullptr,    probeRect};

fz_rect rectangleOf(fz_context* ctx, const fz_path* path, fz_matrix ctm) {
    RectProbe probe;
    probe.ctm = ctm;
    fz_walk_path(ctx, path, &kRectWalker, &probe);
    if (probe.curved || probe.subpaths != 1) return fz_empty_rect;
    if (probe.rectTo) return probe.count == 0 ? probe.rect : fz_empty_rect;
    int n = probe.count;
    if (n == 5 && std::fabs(probe.points[4].x - probe.points[0].x) < 0.01f &&
        std::fabs(probe.points[4].y - probe.points[0].y) < 0.01f)
        n = 4;
    if (n != 4) return fz_empty_rect;
    // Every edge, the closing one included, runs along an axis.
    for (int k = 0; k < 4; ++k) {
        const fz_point& a = probe.points[k];
        const fz_point& b = probe.points[(k + 1) % 4];
        if (std::fabs(a.x - b.x) > 0.01f && std::fabs(a.y - b.y) > 0.01f) return fz_empty_rect;
    }
    fz_rect r = fz_empty_rect;
    for (int k = 0; k < 4; ++k) r = fz_include_point_in_rect(r, probe.points[k]);
    return r;
}

// ---- device callbacks ----

void fillText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_colorspace*,
              const float*, float, fz_color_params) {
    guard(ctx, [&] { collectorOf(dev).addText(ctx, text, ctm); });
}
void strokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state*,
                fz_matrix ctm, fz_colorspace*, const float*, float, fz_color_params) {
    guard(ctx, [&] { collectorOf(dev).addText(ctx, text, ctm); });
}
void clipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_rect scissor) {
    guard(ctx, [&] {
        Collector& c = collectorOf(dev);
        c.addText(ctx, text, ctm);
        c.pushClip(scissor, false);
    });
}
void clipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state*,
                    fz_matrix ctm, fz_rect scissor) {
    clipText(ctx, dev, text, ctm, scissor);
}
void ignoreText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    guard(ctx, [&] { collectorOf(dev).addText(ctx, text, ctm, true); });
}

void fillPath(fz_context* ctx, fz_device* dev, const fz_path* path, int, fz_matrix ctm,
              fz_colorspace*, const float*, float alpha, fz_color_params) {
    Collector& c = collectorOf(dev);
    // Nothing painted before the first text can hide it.
    if (c.chars.empty() || alpha < 1 || !c.paintsOpaquely()) return;
    fz_rect box = rectangleOf(ctx, path, ctm);
    if (fz_is_empty_rect(box)) return;
    guard(ctx, [&] { c.addCover(box); });
}

void clipPath(fz_context* ctx, fz_device* dev, const fz_path* path, int, fz_matrix ctm,
              fz_rect scissor) {
    fz_rect box = rectangleOf(ctx, path, ctm);
    bool exact = !fz_is_empty_rect(box);
    if (!exact) box = fz_bound_path(ctx, path, nullptr, ctm);
    box = fz_intersect_rect(box, scissor);
    guard(ctx, [&] { collectorOf(dev).pushClip(box, exact); });
}
void clipStrokePath(fz_context* ctx, fz_device* dev, const fz_path*, const fz_stroke_state*,
                    fz_matrix, fz_rect scissor) {
    guard(ctx, [&] { collectorOf(dev).pushClip(scissor, false); });
}

void fillImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float alpha,
               fz_color_params) {
    Collector& c = collectorOf(dev);
    if (c.chars.empty() || alpha < 1 || !c.paintsOpaquely()) return;
    if (image->mask != nullptr || image->use_colorkey || image->imagemask) return;
    if (!fz_is_rectilinear(ctm)) return;
    fz_rect box = fz_transform_rect(fz_unit_rect, ctm);
    guard(ctx, [&] { c.addCover(box); });
}
void clipImageMask(fz_context* ctx, fz_device* dev, fz_image*, fz_matrix ctm, fz_rect scissor) {
    fz_rect box = fz_intersect_rect(fz_transform_rect(fz_unit_rect, ctm), scissor);
    guard(ctx, [&] { collectorOf(dev).pushClip(box, false); });
}

void popClip(fz_context*, fz_device* dev) {
    Collector& c = collectorOf(dev);
    if (!c.clips.empty()) c.clips.pop_back();
}

void beginMask(fz_context* ctx, fz_device* dev, fz_rect area, int, fz_colorspace*, const float*,
               fz_color_params) {
    guard(ctx, [&] {
        Collector& c = collectorOf(dev);
        c.pushClip(area, false);
        c.clips.back().maskDefinition = true;
    });
}
void endMask(fz_context*, fz_device* dev) {
    Collector& c = collectorOf(dev);
    if (c.clips.empty()) return;
    // The mask now clips what follows; whether an outer mask is still being
    // defined decides whether that is visible.
    std::size_t n = c.clips.size();
    c.clips.back().maskDefinition = n > 1 && c.clips[n - 2].maskDefinition;
}

void beginGroup(fz_context* ctx, fz_device* dev, fz_rect, fz_colorspace*, int, int, int blendmode,
                float alpha) {
    guard(ctx, [&] {
        Collector& c = collectorOf(dev);
        bool opaque = alpha >= 1 && blendmode == FZ_BLEND_NORMAL;
        c.groupOpaque.push_back(opaque ? 1 : 0);
        if (!opaque) ++c.translucentGroups;
    });
}
void endGroup(fz_context*, fz_device* dev) {
    Collector& c = collectorOf(dev);
    if (c.groupOpaque.empty()) return;
    if (!c.groupOpaque.back()) --c.translucentGroups;
    c.groupOpaque.pop_back();
}

int beginTile(fz_context*, fz_device* dev, fz_rect, fz_rect, float, float, fz_matrix, int) {
    ++collectorOf(dev).tiles;
    return 0;
}
void endTile(fz_context*, fz_device* dev) {
    Collector& c = collectorOf(dev);
    if (c.tiles > 0) --c.tiles;
}

struct DeviceDrop {
    void operator()(fz_device* dev) const { fz_drop_device(Library::context(), dev); }
};
using DeviceHandle = std::unique_ptr<fz_device, DeviceDrop>;

}  // namespace

PaintedText collectPaintedText(const Page& page) {
    fz_context* ctx = Library::context();
    Collector collector;
    collector.chars.reserve(4096);
    collector.charSequence.reserve(4096);

    DeviceHandle device;
    {
        fz_device* made = nullptr;
        int failed = 0;
        fz_var(made);
        fz_var(failed);
        fz_try(ctx) {
            made = fz_new_device_of_size(ctx, sizeof(TextDevice));
            made->fill_text = fillText;
            made->stroke_text = strokeText;
            made->clip_text = clipText;
            made->clip_stroke_text = clipStrokeText;
            made->ignore_text = ignoreText;
            made->fill_path = fillPath;
            made->clip_path = clipPath;
            made->clip_stroke_path = clipStrokePath;
            made->fill_image = fillImage;
            made->clip_image_mask = clipImageMask;
            made->pop_clip = popClip;
            made->begin_mask = beginMask;
            made->end_mask = endMask;
            made->begin_group = beginGroup;
            made->end_group = endGroup;
            made->begin_tile = beginTile;
            made->end_tile = endTile;
            reinterpret_cast<TextDevice*>(made)->collector = &collector;
        }
        fz_catch(ctx) {
            failed = 1;
        }
        if (failed) Library::throwCaught(page.describe() + ": cannot read text");
        device.reset(made);
    }

    // MuPDF runs the content through the page's own transformation; only
    // the shift that puts the shown area's corner at the origin remains.
    fz_device* dev = device.get();
    pdf_page* pdfPage = page.handle();
    const Matrix& toPage = page.userToPage();
    int failed = 0;
    fz_var(failed);
    fz_try(ctx) {
        fz_rect mediabox;
        fz_matrix pageCtm;
        pdf_page_transform(ctx, pdfPage, &mediabox, &pageCtm);
        fz_matrix shift = fz_translate(static_cast<float>(toPage.e - pageCtm.e),
                                       static_cast<float>(toPage.f - pageCtm.f));
        fz_run_page_contents(ctx, &pdfPage->super, dev, shift, nullptr);
        fz_close_device(ctx, dev);
    }
    fz_catch(ctx) {
        failed = 1;
    }
    if (failed) Library::throwCaught(page.describe() + ": cannot read text");

    collector.markHidden();
    PaintedText result;
    result.chars = std::move(collector.chars);
    result.glyphCount = collector.glyphs;
    return result;
}

}  // namespace pdf
