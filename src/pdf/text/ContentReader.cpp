#include "pdf/text/ContentReader.h"

#include <algorithm>
#include <cmath>

#include "pdf/Error.h"
#include "pdf/Library.h"
#include "pdf/Objects.h"
#include "pdf/text/CharClass.h"

namespace pdf {
namespace {

constexpr int kNeverCovered = 0x7FFFFFFF;

fz_matrix toFz(const Matrix& m) {
    return {static_cast<float>(m.a), static_cast<float>(m.b), static_cast<float>(m.c),
            static_cast<float>(m.d), static_cast<float>(m.e), static_cast<float>(m.f)};
}

Matrix toMatrix(const fz_matrix& m) {
    return {m.a, m.b, m.c, m.d, m.e, m.f};
}

}  // namespace

ContentReader::ContentReader(pdf_document* doc, const Page& page, bool withImages)
    : doc_(doc),
      toPage_(toFz(page.userToPage())),
      toUser_(fz_invert_matrix(toPage_)),
      withImages_(withImages) {
    stack_.emplace_back();
    // A page of running text shows a few thousand characters.
    out_.chars.reserve(4096);
    out_.glyphStart.reserve(4096);
    charSequence_.reserve(4096);
}

ContentReader::~ContentReader() {
    fz_context* ctx = Library::context();
    for (auto& entry : fonts_) pdf_drop_font(ctx, entry.second->desc);
}

void ContentReader::resetState() {
    stack_.assign(1, GState());
    path_ = PathProbe();
    clipPending_ = false;
    beginText();
}

void ContentReader::setFont(const char* name, pdf_font_desc* desc, float size) {
    gs().size = size;
    gs().font = desc != nullptr ? fontInfo(name, desc) : nullptr;
}

const FontInfo* ContentReader::fontInfo(const char* name, pdf_font_desc* desc) {
    auto found = fonts_.find(desc);
    if (found != fonts_.end()) return found->second.get();
    auto info = std::make_unique<FontInfo>();
    info->desc = pdf_keep_font(Library::context(), desc);
    info->id = static_cast<int>(fonts_.size());
    FontInfo& kept = *info;
    fonts_.emplace(desc, std::move(info));
    pdf_obj* dict = nullptr;
    try {
        if (!resources_.empty() && name != nullptr)
            dict = objects::get(objects::get(resources_.back(), "Font"), name);
    } catch (const Error&) {
        // Found nowhere: the font program's box will do.
    }
    measureFont(kept, dict);
    return &kept;
}

void ContentReader::paintPath(bool fill, bool stroke, bool hidden) {
    fz_matrix toPage = fz_concat(gs().ctm, toPage_);
    fz_rect rect = rectangleOf(toPage);
    if ((fill || stroke) && !hidden && !annotation_ && out_.rules.size() < kMaxPageRules)
        addRules(toPage, rect, fill);
    if ((fill || stroke) && !hidden && !annotation_ && bars_.size() < kMaxPageRules) {
        const fz_rect bar = fill ? (gs().fillColour ? rect : fz_empty_rect) : strokedBar(toPage);
        if (!fz_is_empty_rect(bar) &&
            std::min(bar.y1 - bar.y0, bar.x1 - bar.x0) <= kRuleThickness && std::isfinite(bar.x0) &&
            std::isfinite(bar.x1) && std::isfinite(bar.y0) && std::isfinite(bar.y1))
            bars_.push_back({bar.x0, bar.y0, bar.x1, bar.y1});
    }
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

void ContentReader::paintImage(const fz_image* image, bool hidden) {
    if (hidden || out_.chars.empty() || !gs().paintsOpaquely()) return;
    if (image->mask != nullptr || image->use_colorkey || image->imagemask) return;
    fz_matrix toPage = fz_concat(gs().ctm, toPage_);
    if (!fz_is_rectilinear(toPage)) return;
    addCover(fz_transform_rect(fz_unit_rect, toPage));
}

void ContentReader::clipToBox(fz_rect userBox) {
    fz_matrix toPage = fz_concat(gs().ctm, toPage_);
    clipTo(fz_transform_rect(userBox, toPage), fz_is_rectilinear(toPage) != 0);
}

void ContentReader::clipTo(fz_rect box, bool exact) {
    GState& g = gs();
    g.clip = g.clipped ? fz_intersect_rect(g.clip, box) : box;
    g.clipped = true;
    g.clipExact = g.clipExact && exact;
}

// The path's rectangle in page space, when the path is exactly one
// axis-aligned rectangle there; an empty rectangle otherwise.
fz_rect ContentReader::rectangleOf(const fz_matrix& toPage) const {
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
    if (n == 5 && std::fabs(q[4].x - q[0].x) < 0.01f && std::fabs(q[4].y - q[0].y) < 0.01f) n = 4;
    if (n != 4) return fz_empty_rect;
    // Every edge, the closing one included, runs along an axis.
    for (int k = 0; k < 4; ++k) {
        const fz_point& a = q[k];
        const fz_point& b = q[(k + 1) % 4];
        if (std::fabs(a.x - b.x) > 0.01f && std::fabs(a.y - b.y) > 0.01f) return fz_empty_rect;
    }
    fz_rect r = fz_empty_rect;
    for (int k = 0; k < 4; ++k) r = includePoint(r, q[k]);
    return r;
}

fz_rect ContentReader::strokedBar(const fz_matrix& toPage) const {
    const PathProbe& p = path_;
    if (p.curved || p.rectangle || p.subpaths != 1 || p.count != 2) return fz_empty_rect;
    const fz_point a = fz_transform_point(p.points[0], toPage);
    const fz_point b = fz_transform_point(p.points[1], toPage);
    const float half = gs().lineWidth * fz_matrix_expansion(toPage) / 2;
    if (std::fabs(a.y - b.y) <= 0.01f)
        return fz_make_rect(std::min(a.x, b.x), a.y - half, std::max(a.x, b.x), a.y + half);
    if (std::fabs(a.x - b.x) <= 0.01f)
        return fz_make_rect(a.x - half, std::min(a.y, b.y), a.x + half, std::max(a.y, b.y));
    return fz_empty_rect;
}

void ContentReader::addRules(const fz_matrix& toPage, const fz_rect& rect, bool fill) {
    auto add = [this](fz_rect r) {
        // A rule no number can place (an absurd matrix) is none: it would
        // not sort.
        if (!std::isfinite(r.x0) || !std::isfinite(r.y0) || !std::isfinite(r.x1) ||
            !std::isfinite(r.y1))
            return;
        const double w = r.x1 - r.x0, h = r.y1 - r.y0;
        const double thin = std::min(w, h), lengthwise = std::max(w, h);
        if (thin <= kRuleThickness && lengthwise >= 2 * kRuleThickness && lengthwise >= 3 * thin &&
            out_.rules.size() < kMaxPageRules)
            out_.rules.push_back({{r.x0, r.y0, r.x1, r.y1}});
    };
    const PathProbe& p = path_;
    if (p.subpaths > 1) {
        // A table's borders drawn as one path: filled, each subpath that is
        // thin; stroked, each straight line along an axis and each
        // rectangle's edges.
        if (p.curved || !fz_is_rectilinear(toPage)) return;
        if (fill) {
            for (const fz_rect& r : p.subpathBounds) add(fz_transform_rect(r, toPage));
            return;
        }
        for (const fz_rect& r : p.rects) {
            const fz_rect box = fz_transform_rect(r, toPage);
            add(fz_make_rect(box.x0, box.y0, box.x1, box.y0));
            add(fz_make_rect(box.x0, box.y1, box.x1, box.y1));
            add(fz_make_rect(box.x0, box.y0, box.x0, box.y1));
            add(fz_make_rect(box.x1, box.y0, box.x1, box.y1));
        }
        for (const auto& [from, to] : p.lines) {
            const fz_point a = fz_transform_point(from, toPage);
            const fz_point b = fz_transform_point(to, toPage);
            if (std::fabs(a.x - b.x) > 0.01f && std::fabs(a.y - b.y) > 0.01f) continue;
            add(fz_make_rect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                             std::max(a.y, b.y)));
        }
        return;
    }
    if (fill) {
        // Any straight-edged shape whose bounds are thin (a border drawn with
        // bevelled ends is a hexagon).
        if (!p.curved && p.subpaths == 1 && fz_is_rectilinear(toPage))
            add(fz_transform_rect(p.bounds, toPage));
        return;
    }
    if (!fz_is_empty_rect(rect)) {  // a stroked rectangle: its four edges
        add(fz_make_rect(rect.x0, rect.y0, rect.x1, rect.y0));
        add(fz_make_rect(rect.x0, rect.y1, rect.x1, rect.y1));
        add(fz_make_rect(rect.x0, rect.y0, rect.x0, rect.y1));
        add(fz_make_rect(rect.x1, rect.y0, rect.x1, rect.y1));
        return;
    }
    if (p.curved || p.rectangle || p.subpaths != 1 || p.count != 2) return;
    const fz_point a = fz_transform_point(p.points[0], toPage);
    const fz_point b = fz_transform_point(p.points[1], toPage);
    if (std::fabs(a.x - b.x) > 0.01f && std::fabs(a.y - b.y) > 0.01f) return;
    add(fz_make_rect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                     std::max(a.y, b.y)));
}

void ContentReader::addCover(fz_rect box) {
    // An annotation's appearance may be hidden or moved in a viewer; the
    // page's text under it stays.
    if (annotation_) return;
    if (gs().clipped) box = fz_intersect_rect(box, gs().clip);
    if (fz_is_empty_rect(box)) return;
    covers_.push_back({++sequence_, box});
}

void ContentReader::beginText() {
    tos_ = pdf_text_object_state{};
    tos_.tm = fz_identity;
    tos_.tlm = fz_identity;
    textClip_ = fz_empty_rect;
}

void ContentReader::endText() {
    // Text used as a clip (rendering modes 4 to 7) clips what follows.
    if (gs().render >= 4) clipTo(textClip_, false);
}

void ContentReader::beginElement(bool hidden) {
    hidden_ = hidden;
    TextElement element;
    element.ctm = toMatrix(gs().ctm);
    element.textMatrix = toMatrix(tos_.tm);
    element.fontSize = gs().size;
    element.font = gs().font != nullptr ? gs().font->id : -1;
    element.firstGlyph = out_.glyphCount();
    element.formDepth = formDepth_;
    element.annotation = annotation_;
    pending_ = element;
    pendingBox_ = fz_empty_rect;
    ++sequence_;
}

void ContentReader::adjust(float amount) {
    const FontInfo* font = gs().font;
    if (font == nullptr) return;
    float t = -amount * 0.001f * gs().size;
    if (font->desc->wmode == 0)
        tos_.tm = fz_pre_translate(tos_.tm, t * gs().scale, 0);
    else
        tos_.tm = fz_pre_translate(tos_.tm, 0, t);
}

void ContentReader::endElement() {
    pending_.glyphCount = out_.glyphCount() - pending_.firstGlyph;
    if (pending_.glyphCount == 0) return;
    pending_.bbox = {pendingBox_.x0, pendingBox_.y0, pendingBox_.x1, pendingBox_.y1};
    out_.elements.push_back(pending_);
}

bool ContentReader::enterForm(pdf_obj* form) {
    if (++formsPainted_ > kMaxPageForms) {
        workLimit_ = "the page paints more than " + std::to_string(kMaxPageForms) +
                     " forms, the most a page may";
        throw WorkLimitExceeded();
    }
    if (formDepth_ >= kMaxFormDepth) return false;
    if (!activeForms_.insert(form).second) return false;  // paints itself
    ++formDepth_;
    return true;
}

void ContentReader::leaveForm(pdf_obj* form) {
    activeForms_.erase(form);
    --formDepth_;
}

void ContentReader::showString(const unsigned char* s, size_t length) {
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
void ContentReader::showGlyph(int cid) {
    if (++glyphsShown_ > kMaxPageGlyphs) {
        workLimit_ = "the page paints more than " + std::to_string(kMaxPageGlyphs) +
                     " glyphs, the most a page may";
        throw WorkLimitExceeded();
    }
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
        int count = unicodeOf(font, cid, codes);
        fz_point up = fz_transform_vector(fz_make_point(0, 1), boxToPage);
        double size = std::sqrt(double(up.x) * up.x + double(up.y) * up.y) * font.em;
        addChars(codes, count, boxToPage, advance / font.boxToEm.a, vertical, size, g.render == 3);
    }
    tos_.tm = fz_pre_translate(tos_.tm, tx, ty);
}

// The glyph's box: `advance` box units along the writing direction, from the
// font's descent to its ascent; across a vertical column, one em centred on
// the pen.
void ContentReader::addChars(const int* ucs, int ucsCount, const fz_matrix& boxToPage,
                             double advance, bool vertical, double size, bool invisible) {
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

    // Combining marks take the box of the letter they sit on: they get no
    // share of the glyph's advance.
    bool isMark[kMaxCodes];
    int shares = 0;
    for (int c = 0; c < count; ++c) {
        isMark[c] = !unmapped && chars::isCombiningMark(codes[c]);
        if (!isMark[c]) ++shares;
    }
    const bool onlyMarks = shares == 0;
    if (onlyMarks) shares = 1;

    double length = advance;
    // A mark's glyph of no advance is drawn back over the glyph before the
    // pen (fonts draw such marks left of their origin, and producers set
    // their origin where the base glyph ends, whichever way the script runs).
    const bool back = onlyMarks && !vertical && !(length > 0);
    if (!(length > 0) || length > 4 * font.em) length = vertical ? 1.0 : 0.5 * font.em;
    const double from = back ? -length : 0;
    fz_point dir = vertical ? fz_transform_vector(fz_make_point(0, -1), boxToPage)
                            : fz_transform_vector(fz_make_point(1, 0), boxToPage);
    double dirLength = std::sqrt(double(dir.x) * dir.x + double(dir.y) * dir.y);
    double dirX = dirLength > 0 ? dir.x / dirLength : 1;
    double dirY = dirLength > 0 ? dir.y / dirLength : 0;
    fz_point origin = fz_transform_point(fz_make_point(0, 0), boxToPage);

    // The letters of a ligature are in reading order; a right-to-left one
    // is read from its right end, so its first letter gets the last share.
    bool rightToLeft = shares > 1;
    for (int c = 0; c < count && rightToLeft; ++c) {
        if (isMark[c]) continue;
        chars::Direction d = chars::direction(codes[c]);
        rightToLeft = d != chars::Direction::LeftToRight && d != chars::Direction::Number;
    }

    const int glyph = out_.glyphCount();
    const int element = static_cast<int>(out_.elements.size());
    // The glyph's whole box, for its element's box and for a text clip.
    {
        fz_matrix toUser = fz_concat(boxToPage, toUser_);
        const float l = static_cast<float>(length);
        const float b = static_cast<float>(from);
        const float e = static_cast<float>(from + length);
        const fz_point whole[4] = {
            vertical ? fz_make_point(-0.5f, 0) : fz_make_point(b, static_cast<float>(font.descent)),
            vertical ? fz_make_point(-0.5f, -l)
                     : fz_make_point(e, static_cast<float>(font.descent)),
            vertical ? fz_make_point(0.5f, -l) : fz_make_point(e, static_cast<float>(font.ascent)),
            vertical ? fz_make_point(0.5f, 0) : fz_make_point(b, static_cast<float>(font.ascent))};
        for (const fz_point& corner : whole) {
            pendingBox_ = includePoint(pendingBox_, fz_transform_point(corner, toUser));
            if (gs().render >= 4)
                textClip_ = includePoint(textClip_, fz_transform_point(corner, boxToPage));
        }
    }
    int letter = -1;  // the share of the last letter so far
    for (int c = 0; c < count; ++c) {
        if (!isMark[c]) ++letter;
        // A mark before the glyph's first letter sits on that letter.
        int share = onlyMarks ? 0 : letter < 0 ? 0 : letter;
        if (rightToLeft) share = shares - 1 - share;
        double a0 = from + length * share / shares;
        double a1 = from + length * (share + 1) / shares;
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
        }
        ch.origin = {origin.x, origin.y};
        ch.dirX = dirX;
        ch.dirY = dirY;
        ch.size = size;
        ch.unmapped = unmapped;
        ch.space = !unmapped && chars::isSpace(ch.code);
        ch.mark = isMark[c];
        ch.fixedPitch = (font.desc->flags & PDF_FD_FIXED_PITCH) != 0 ||
                        (font.desc->font != nullptr && font.desc->font->flags.is_mono);
        out_.chars.push_back(ch);
        // Invisible text is never seen, so nothing painted over it hides it.
        charSequence_.push_back(invisible ? kNeverCovered : sequence_);
    }
    out_.glyphStart.push_back(static_cast<int>(out_.chars.size()));
}

void ContentReader::markHidden() {
    if (covers_.empty()) return;
    for (size_t i = 0; i < out_.chars.size(); ++i) {
        int painted = charSequence_[i];
        auto later = std::upper_bound(covers_.begin(), covers_.end(), painted,
                                      [](int s, const Cover& c) { return s < c.sequence; });
        if (later == covers_.end()) continue;
        PaintedChar& ch = out_.chars[i];
        const Rect box = boundsOfPoints(ch.quad);
        double x0 = box.x0, x1 = box.x1, y0 = box.y0, y1 = box.y1;
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

}  // namespace pdf
