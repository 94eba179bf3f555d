#include "pdf/RecordedPage.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <string>
#include <utility>

#include "pdf/Boundary.h"
#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Page.h"
#include "pdf/PageClock.h"
#include "pdf/PageLimits.h"
#include "pdf/text/PaintedText.h"

namespace pdf {
namespace {

// A device that hands every call on to the display list's device, counting
// what the page draws; past a limit it ends the recording with an abort,
// which MuPDF's interpreter passes through every form. (MuPDF's page runner
// takes an abort for a finished page, so the device also keeps what it
// stopped for, which the recording checks.)
struct BudgetDevice {
    fz_device super;
    fz_device* inner;
    long drawings;
    long clips;
    long glyphs;
    int exceeded;  // the limit reached: 0 none, else a Limit
};

enum Limit { kNoLimit = 0, kDrawingLimit, kClipLimit, kGlyphLimit };

fz_device* innerOf(fz_device* dev) {
    return reinterpret_cast<BudgetDevice*>(dev)->inner;
}

// clip: the call opens a clip, a group or a tile (every form painted clips
// to its box).
void spend(fz_context* ctx, fz_device* dev, const fz_text* text = nullptr, bool clip = false) {
    auto* budget = reinterpret_cast<BudgetDevice*>(dev);
    if (++budget->drawings > kMaxPageDrawings) budget->exceeded = kDrawingLimit;
    if (clip && ++budget->clips > kMaxPageClips) budget->exceeded = kClipLimit;
    if (text != nullptr) {
        for (const fz_text_span* span = text->head; span != nullptr; span = span->next)
            budget->glyphs += span->len;
        if (budget->glyphs > kMaxPageGlyphs) budget->exceeded = kGlyphLimit;
    }
    if (budget->exceeded != kNoLimit) fz_throw(ctx, FZ_ERROR_ABORT, "page limit reached");
}

void closeDevice(fz_context* ctx, fz_device* dev) {
    fz_close_device(ctx, innerOf(dev));
}
void dropDevice(fz_context* ctx, fz_device* dev) {
    fz_drop_device(ctx, innerOf(dev));
}
void fillPath(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    spend(ctx, dev);
    fz_fill_path(ctx, innerOf(dev), path, evenOdd, ctm, cs, color, alpha, params);
}
void strokePath(fz_context* ctx, fz_device* dev, const fz_path* path, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* cs, const float* color, float alpha,
                fz_color_params params) {
    spend(ctx, dev);
    fz_stroke_path(ctx, innerOf(dev), path, stroke, ctm, cs, color, alpha, params);
}
void clipPath(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_rect scissor) {
    spend(ctx, dev, nullptr, true);
    fz_clip_path(ctx, innerOf(dev), path, evenOdd, ctm, scissor);
}
void clipStrokePath(fz_context* ctx, fz_device* dev, const fz_path* path,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    spend(ctx, dev, nullptr, true);
    fz_clip_stroke_path(ctx, innerOf(dev), path, stroke, ctm, scissor);
}
void fillText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    spend(ctx, dev, text);
    fz_fill_text(ctx, innerOf(dev), text, ctm, cs, color, alpha, params);
}
void strokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* cs, const float* color, float alpha,
                fz_color_params params) {
    spend(ctx, dev, text);
    fz_stroke_text(ctx, innerOf(dev), text, stroke, ctm, cs, color, alpha, params);
}
void clipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_rect scissor) {
    spend(ctx, dev, text, true);
    fz_clip_text(ctx, innerOf(dev), text, ctm, scissor);
}
void clipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    spend(ctx, dev, text, true);
    fz_clip_stroke_text(ctx, innerOf(dev), text, stroke, ctm, scissor);
}
void ignoreText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    spend(ctx, dev, text);
    fz_ignore_text(ctx, innerOf(dev), text, ctm);
}
void fillShade(fz_context* ctx, fz_device* dev, fz_shade* shade, fz_matrix ctm, float alpha,
               fz_color_params params) {
    spend(ctx, dev);
    fz_fill_shade(ctx, innerOf(dev), shade, ctm, alpha, params);
}
void fillImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float alpha,
               fz_color_params params) {
    spend(ctx, dev);
    fz_fill_image(ctx, innerOf(dev), image, ctm, alpha, params);
}
void fillImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    spend(ctx, dev);
    fz_fill_image_mask(ctx, innerOf(dev), image, ctm, cs, color, alpha, params);
}
void clipImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_rect scissor) {
    spend(ctx, dev, nullptr, true);
    fz_clip_image_mask(ctx, innerOf(dev), image, ctm, scissor);
}
void popClip(fz_context* ctx, fz_device* dev) {
    fz_pop_clip(ctx, innerOf(dev));
}
void beginMask(fz_context* ctx, fz_device* dev, fz_rect area, int luminosity, fz_colorspace* cs,
               const float* backdrop, fz_color_params params) {
    spend(ctx, dev, nullptr, true);
    fz_begin_mask(ctx, innerOf(dev), area, luminosity, cs, backdrop, params);
}
void endMask(fz_context* ctx, fz_device* dev) {
    fz_end_mask(ctx, innerOf(dev));
}
void beginGroup(fz_context* ctx, fz_device* dev, fz_rect area, fz_colorspace* cs, int isolated,
                int knockout, int blendMode, float alpha) {
    spend(ctx, dev, nullptr, true);
    fz_begin_group(ctx, innerOf(dev), area, cs, isolated, knockout, blendMode, alpha);
}
void endGroup(fz_context* ctx, fz_device* dev) {
    fz_end_group(ctx, innerOf(dev));
}
int beginTile(fz_context* ctx, fz_device* dev, fz_rect area, fz_rect view, float xStep, float yStep,
              fz_matrix ctm, int id) {
    spend(ctx, dev, nullptr, true);
    return fz_begin_tile_id(ctx, innerOf(dev), area, view, xStep, yStep, ctm, id);
}
void endTile(fz_context* ctx, fz_device* dev) {
    fz_end_tile(ctx, innerOf(dev));
}
void renderFlags(fz_context* ctx, fz_device* dev, int set, int clear) {
    fz_render_flags(ctx, innerOf(dev), set, clear);
}
void setDefaultColorspaces(fz_context* ctx, fz_device* dev, fz_default_colorspaces* spaces) {
    fz_set_default_colorspaces(ctx, innerOf(dev), spaces);
}
void beginLayer(fz_context* ctx, fz_device* dev, const char* name) {
    fz_begin_layer(ctx, innerOf(dev), name);
}
void endLayer(fz_context* ctx, fz_device* dev) {
    fz_end_layer(ctx, innerOf(dev));
}

// REQUIRES: inside a MuPDF boundary (Boundary.h); takes over inner (dropped
// with the device).
fz_device* newBudgetDevice(fz_context* ctx, fz_device* inner) {
    BudgetDevice* dev = fz_new_derived_device(ctx, BudgetDevice);
    dev->inner = inner;
    dev->super.close_device = closeDevice;
    dev->super.drop_device = dropDevice;
    dev->super.fill_path = fillPath;
    dev->super.stroke_path = strokePath;
    dev->super.clip_path = clipPath;
    dev->super.clip_stroke_path = clipStrokePath;
    dev->super.fill_text = fillText;
    dev->super.stroke_text = strokeText;
    dev->super.clip_text = clipText;
    dev->super.clip_stroke_text = clipStrokeText;
    dev->super.ignore_text = ignoreText;
    dev->super.fill_shade = fillShade;
    dev->super.fill_image = fillImage;
    dev->super.fill_image_mask = fillImageMask;
    dev->super.clip_image_mask = clipImageMask;
    dev->super.pop_clip = popClip;
    dev->super.begin_mask = beginMask;
    dev->super.end_mask = endMask;
    dev->super.begin_group = beginGroup;
    dev->super.end_group = endGroup;
    dev->super.begin_tile = beginTile;
    dev->super.end_tile = endTile;
    dev->super.render_flags = renderFlags;
    dev->super.set_default_colorspaces = setDefaultColorspaces;
    dev->super.begin_layer = beginLayer;
    dev->super.end_layer = endLayer;
    return &dev->super;
}

}  // namespace

RecordedPage::RecordedPage(fz_display_list* list, const Page& page, double seconds)
    : list_(list),
      number_(page.number()),
      width_(page.width()),
      height_(page.height()),
      seconds_(seconds),
      place_(page.place()) {}

RecordedPage::RecordedPage(RecordedPage&& other) noexcept
    : list_(std::exchange(other.list_, nullptr)),
      number_(other.number_),
      width_(other.width_),
      height_(other.height_),
      seconds_(other.seconds_),
      place_(std::move(other.place_)) {}

RecordedPage& RecordedPage::operator=(RecordedPage&& other) noexcept {
    if (this != &other) {
        if (list_ != nullptr) fz_drop_display_list(Library::context(), list_);
        list_ = std::exchange(other.list_, nullptr);
        number_ = other.number_;
        width_ = other.width_;
        height_ = other.height_;
        seconds_ = other.seconds_;
        place_ = std::move(other.place_);
    }
    return *this;
}

RecordedPage::~RecordedPage() {
    if (list_ != nullptr) fz_drop_display_list(Library::context(), list_);
}

RecordedPage recordPage(const Page& page) {
    PageClock clock(page.place(), "cannot render");
    checkPageLimits(page, "cannot render");
    fz_context* ctx = Library::context();
    fz_page* source = &page.handle()->super;
    DisplayListHandle list(ctx);
    DeviceHandle inner(ctx);
    DeviceHandle dev(ctx);
    int exceeded = kNoLimit;
    guarded(ctx, page.place(), "cannot render", [&] {
        list.out() = fz_new_display_list(ctx, fz_bound_page(ctx, source));
        inner.out() = fz_new_list_device(ctx, list.get());
        dev.out() = newBudgetDevice(ctx, inner.get());
        inner.release();  // the budget device drops it
        fz_run_page(ctx, source, dev.get(), fz_identity, clock.cookie());
        exceeded = reinterpret_cast<BudgetDevice*>(dev.get())->exceeded;
        if (exceeded == kNoLimit) fz_close_device(ctx, dev.get());
    });
    if (exceeded != kNoLimit) {
        const std::string what =
            exceeded == kDrawingLimit
                ? "draws more than " + std::to_string(kMaxPageDrawings) + " times"
            : exceeded == kClipLimit
                ? "clips more than " + std::to_string(kMaxPageClips) + " times"
                : "paints more than " + std::to_string(kMaxPageGlyphs) + " glyphs";
        throw Error(page.place(), "cannot render", "the page " + what + ", the most a page may");
    }
    clock.check();
    return RecordedPage(list.release(), page, clock.seconds());
}

}  // namespace pdf
