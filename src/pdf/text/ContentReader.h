// The state of one reading of a page's content, for the page text reader
// (PaintedText.h), whose content-stream processor calls it operator by
// operator. For the layer's own units; not for callers outside src/pdf/.
//
// It keeps what the text needs of the graphics state (the CTM, the text
// state, the clip, how opaquely fills and images paint), numbers the glyphs
// that text-showing operators show and records them as PaintedChars and
// TextElements, and collects the opaque areas painted after them so that
// the text they cover can be marked hidden at the end (markHidden).
//
// Coordinates: operators give user space of the content being read; the
// reader keeps page space (Page.h) for everything it records but elements'
// matrices and boxes, which stay in the page's user space.
//
// Ownership: keeps one reference to each font it has seen, dropped with it.
// Throws std::bad_alloc only; the caller turns it into a MuPDF error.
#pragma once

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pdf/Page.h"
#include "pdf/text/FontBoxes.h"
#include "pdf/text/PaintedText.h"

namespace pdf {

// Forms nested deeper than any real file; the limit keeps forms that paint
// one another from looping.
constexpr int kMaxFormDepth = 16;

// Thrown when a page paints more than a page may (PaintedText.h): the
// reading stops at once.
struct WorkLimitExceeded {};

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
    float lineWidth = 1;       // of strokes, user space
    bool translucent = false;  // inside a group that is not opaque
    // The clip in force, in page space.
    bool clipped = false;
    bool clipExact = true;  // every clip so far is an axis-aligned rectangle
    fz_rect clip = fz_infinite_rect;

    bool paintsOpaquely() const {
        return fillAlpha >= 1 && blendNormal && !softMask && !translucent && clipExact;
    }
};

// r grown to hold p: fz_include_point_in_rect, inlined, for it runs on every glyph's corners
// (an infinite rectangle stays infinite, as there).
inline fz_rect includePoint(fz_rect r, fz_point p) {
    r.x0 = p.x < r.x0 ? p.x : r.x0;
    r.x1 = p.x > r.x1 ? p.x : r.x1;
    r.y0 = p.y < r.y0 ? p.y : r.y0;
    r.y1 = p.y > r.y1 ? p.y : r.y1;
    return r;
}

// Straight pieces kept of one path of several subpaths (PathProbe::lines,
// PathProbe::rects); a path of more is read for its first ones.
constexpr std::size_t kMaxPathPieces = 1024;

// The path under construction, as far as covers, clips and rules need it:
// whether it is one axis-aligned rectangle, its bounds, and, for a path of
// several subpaths (a table's borders drawn as one path, "m l m l ... S"),
// its straight lines, its rectangles and each subpath's bounds.
struct PathProbe {
    int subpaths = 0;
    int count = 0;  // points of the first subpath
    fz_point points[6];
    bool curved = false;
    bool rectangle = false;  // the first subpath came from "re"
    fz_rect rect = fz_empty_rect;
    fz_rect bounds = fz_empty_rect;       // user space, every point and control point
    fz_point start{0, 0}, current{0, 0};  // the subpath's first point, the current point
    // User space, in the order drawn, at most kMaxPathPieces each; kept
    // from the second subpath on (the first one's then, from its points).
    std::vector<std::pair<fz_point, fz_point>> lines;
    std::vector<fz_rect> rects;
    std::vector<fz_rect> subpathBounds;
    bool firstClosed = false;  // the first subpath ends with "h"

    void add(float x, float y) {
        bounds = includePoint(bounds, fz_make_point(x, y));
        if (subpaths > 1 && subpaths <= static_cast<int>(kMaxPathPieces))
            subpathBounds.back() = includePoint(subpathBounds.back(), fz_make_point(x, y));
    }
    void beginSubpath(float x, float y) {
        if (++subpaths == 2) keepFirstSubpath();
        if (subpaths > 1 && subpaths <= static_cast<int>(kMaxPathPieces))
            subpathBounds.push_back(fz_empty_rect);
        start = current = fz_make_point(x, y);
    }
    void lineTo(fz_point p) {
        if (lines.size() < kMaxPathPieces) lines.push_back({current, p});
    }

  private:
    // When a second subpath starts: the first one's pieces, so far kept as
    // points (its rectangle, or its lines when it has six points at most).
    void keepFirstSubpath() {
        subpathBounds.push_back(bounds);
        if (rectangle) {
            rects.push_back(rect);
        } else if (count >= 2 && count <= 6) {
            for (int k = 1; k < count; ++k) lines.push_back({points[k - 1], points[k]});
            if (firstClosed) lines.push_back({points[count - 1], points[0]});
        }
    }
};

class ContentReader {
  public:
    // withImages: whether images are read (they only ever hide text).
    ContentReader(pdf_document* doc, const Page& page, bool withImages);
    ~ContentReader();
    ContentReader(const ContentReader&) = delete;
    ContentReader& operator=(const ContentReader&) = delete;

    bool withImages() const { return withImages_; }
    // The cookie MuPDF's interpreter is run with for this reading (PageClock.h); null for none.
    fz_cookie* cookie() const { return cookie_; }
    void setCookie(fz_cookie* cookie) { cookie_ = cookie; }
    pdf_document* document() const { return doc_; }
    // What has been read. markHidden() first, once the reading is complete.
    PaintedText& result() { return out_; }
    // Bars: filled axis-aligned rectangles and stroked lines along an axis of the page's
    // own content, at most kRuleThickness thick, page space, in the order painted; at most
    // kMaxPageRules. What DrawnUnderscores.h reads as underscores.
    const std::vector<Rect>& bars() const { return bars_; }
    void markHidden();

    // The resources that font names are looked up in: the page's, then each
    // form's while it is read.
    void pushResources(pdf_obj* resources) { resources_.push_back(resources); }
    void popResources() { resources_.pop_back(); }
    // From now on, what is read is an annotation's or field's appearance.
    void setAnnotation(bool annotation) { annotation_ = annotation; }

    // ---- graphics state ----
    GState& gs() { return stack_.back(); }
    const GState& gs() const { return stack_.back(); }
    void save() { stack_.push_back(stack_.back()); }
    void restore() {
        if (stack_.size() > 1) stack_.pop_back();
    }
    size_t depth() const { return stack_.size(); }
    void restoreTo(size_t depth) {
        while (stack_.size() > depth && stack_.size() > 1) stack_.pop_back();
    }
    // A fresh graphics state, as an annotation's appearance starts with.
    void resetState();
    void concat(const fz_matrix& m) { gs().ctm = fz_concat(m, gs().ctm); }
    // desc: nullptr for a font MuPDF could not load at all.
    void setFont(const char* name, pdf_font_desc* desc, float size);

    // ---- paths, images, clips ----
    PathProbe& path() { return path_; }
    void clipNext() { clipPending_ = true; }
    // Ends the path: a fill may cover text painted before it; a thin fill
    // or a stroke along an axis is a rule; a pending clip takes effect.
    // hidden: the path lies in switched-off optional content.
    void paintPath(bool fill, bool stroke, bool hidden);
    void paintImage(const fz_image* image, bool hidden);
    // Clips to a rectangle of the current user space.
    void clipToBox(fz_rect userBox);

    // ---- text ----
    void beginText();
    void endText();
    void moveText(float tx, float ty) { pdf_tos_translate(&tos_, tx, ty); }
    void setTextMatrix(float a, float b, float c, float d, float e, float f) {
        pdf_tos_set_matrix(&tos_, a, b, c, d, e, f);
    }
    void nextLine() { pdf_tos_newline(&tos_, gs().leading); }
    // One text-showing operator: beginElement, its strings (showString) and,
    // for TJ, the adjustments between them (thousandths of an em, against the
    // writing direction), endElement. hidden: the operator lies in
    // switched-off optional content; its glyphs move the text position but
    // are not recorded.
    void beginElement(bool hidden);
    void showString(const unsigned char* s, size_t length);
    void adjust(float amount);
    void endElement();

    // ---- forms ----
    // False when the form may not be entered: nested too deep, or painting
    // itself. Throws WorkLimitExceeded when the page has painted the most
    // forms a page may.
    bool enterForm(pdf_obj* form);
    void leaveForm(pdf_obj* form);

    // Why the reading was stopped; empty when it was not.
    const std::string& workLimit() const { return workLimit_; }

  private:
    const FontInfo* fontInfo(const char* name, pdf_font_desc* desc);
    fz_rect rectangleOf(const fz_matrix& toPage) const;
    // The bar a stroke of one straight line along an axis paints, page space; an empty
    // rectangle for any other path.
    fz_rect strokedBar(const fz_matrix& toPage) const;
    // rect: rectangleOf(toPage), already worked out by the caller.
    void addRules(const fz_matrix& toPage, const fz_rect& rect, bool fill);
    void clipTo(fz_rect box, bool exact);
    void addCover(fz_rect box);
    void showGlyph(int cid);
    void addChars(const int* codes, int count, const fz_matrix& boxToPage, double advance,
                  bool vertical, double size, bool invisible);

    pdf_document* doc_;
    fz_matrix toPage_;  // page user space to page space
    fz_matrix toUser_;  // and back
    bool withImages_;
    fz_cookie* cookie_ = nullptr;
    PaintedText out_;
    std::vector<GState> stack_;
    std::vector<pdf_obj*> resources_;
    std::map<const pdf_font_desc*, std::unique_ptr<FontInfo>> fonts_;
    std::set<pdf_obj*> activeForms_;
    int formDepth_ = 0;
    long formsPainted_ = 0;
    long glyphsShown_ = 0;
    std::string workLimit_;
    bool annotation_ = false;

    PathProbe path_;
    bool clipPending_ = false;
    std::vector<Rect> bars_;

    pdf_text_object_state tos_{};
    fz_rect textClip_ = fz_empty_rect;  // the glyphs of the text object, page space
    TextElement pending_;
    fz_rect pendingBox_ = fz_empty_rect;  // the element's glyph boxes, user space
    bool hidden_ = false;                 // the element lies in switched-off content

    // Paint order: every element and every cover gets the next number.
    struct Cover {
        int sequence;
        fz_rect box;  // page space
    };
    int sequence_ = 0;
    std::vector<int> charSequence_;  // per char: its element's number; invisible: never covered
    std::vector<Cover> covers_;
};

}  // namespace pdf
