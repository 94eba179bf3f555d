#include "pdf/text/DrawnUnderscores.h"

#include <algorithm>
#include <cmath>

namespace pdf {
namespace {

// In ems of the neighbouring character.
constexpr double kThickness = 0.12;
constexpr double kShortest = 0.2;
constexpr double kLongest = 1.0;
constexpr double kAbove = 0.15;
constexpr double kBelow = 0.3;
constexpr double kNear = 0.3;
// How far into a character a bar may reach and still lie beside it (a kern's rounding),
// and how far off the bar's middle another bar may lie and be along its line.
constexpr double kTouch = 0.1;
constexpr double kAlongLine = 0.06;
// How far under a bar the top of a character may stand for the bar to be over it.
constexpr double kOverText = 0.25;
constexpr int kMaxLookups = 2000;
constexpr double kUpright = 1e-3;

struct Placed {
    double base;  // baseline, page y
    double x0, x1;
    int index;  // in painted.chars
};

double middle(const Rect& r) {
    return (r.y0 + r.y1) / 2;
}

struct Insertion {
    int slot;        // the old glyph it goes before (glyphCount(): after the last)
    bool afterLeft;  // it follows the glyph before the slot, in that glyph's element
    double x;
    PaintedChar ch;
};

class Finder {
  public:
    Finder(const PaintedText& painted, const std::vector<Rect>& bars) : painted_(painted) {
        for (std::size_t i = 0; i < painted.chars.size(); ++i) {
            const PaintedChar& c = painted.chars[i];
            if (c.mark || std::fabs(c.dirY) > kUpright || c.dirX < 1 - kUpright ||
                !(c.quad[3].y < c.quad[0].y) || !(c.size > 0) ||
                painted.elements[static_cast<std::size_t>(c.element)].annotation)
                continue;
            placed_.push_back({c.origin.y, c.quad[0].x, c.quad[1].x, static_cast<int>(i)});
        }
        std::sort(placed_.begin(), placed_.end(),
                  [](const Placed& a, const Placed& b) { return a.base < b.base; });
        for (const Rect& bar : bars) (bar.width() > bar.height() ? lines_ : ticks_).push_back(bar);
        for (const Rule& r : painted.rules) (r.vertical() ? ticks_ : lines_).push_back(r.box);
        std::sort(ticks_.begin(), ticks_.end(),
                  [](const Rect& a, const Rect& b) { return a.x0 < b.x0; });
        std::sort(lines_.begin(), lines_.end(),
                  [](const Rect& a, const Rect& b) { return middle(a) < middle(b); });
    }

    // The underscore the bar is, if it is one.
    bool underscore(const Rect& bar, Insertion& out) const {
        const double w = bar.width(), h = bar.height(), mid = middle(bar);
        if (!(w > h) || h < 0) return false;
        // A neighbour's em is at most w / kShortest, which bounds the baselines to look at.
        const double em = w / kShortest;
        auto c = std::lower_bound(placed_.begin(), placed_.end(), mid - kBelow * em,
                                  [](const Placed& p, double y) { return p.base < y; });
        const Placed* left = nullptr;
        const Placed* right = nullptr;
        for (int looked = 0; c != placed_.end() && c->base <= mid + kAbove * em; ++c) {
            if (++looked > kMaxLookups) return false;
            const PaintedChar& ch = painted_.chars[static_cast<std::size_t>(c->index)];
            const double s = ch.size;
            if (mid < c->base - kAbove * s || mid > c->base + kBelow * s) continue;
            if (c->x0 < bar.x1 - kTouch * s && c->x1 > bar.x0 + kTouch * s) return false;
            if (ch.space || ch.unmapped) continue;
            if (std::fabs(c->x1 - bar.x0) <= kNear * s && (!left || c->x1 > left->x1)) left = &*c;
            if (std::fabs(c->x0 - bar.x1) <= kNear * s && (!right || c->x0 < right->x0))
                right = &*c;
        }
        const Placed* near = left ? left : right;
        if (!near) return false;
        const PaintedChar& n = painted_.chars[static_cast<std::size_t>(near->index)];
        const double s = n.size;
        if (h > kThickness * s || w < kShortest * s || w > kLongest * s) return false;
        if (underlines(bar, left, s) || underlines(bar, right, s) || dashed(bar, s) ||
            ticked(bar, s) || overText(bar, s))
            return false;
        // A radical's bar starts where the sign ends.
        if (left && painted_.chars[static_cast<std::size_t>(left->index)].code == U'\u221A')
            return false;

        out.afterLeft = left != nullptr;
        out.slot = left ? n.glyph + 1 : n.glyph;
        out.x = bar.x0;
        PaintedChar& u = out.ch;
        u = n;
        u.code = U'_';
        u.unmapped = u.space = u.mark = u.hidden = false;
        u.quad[0] = {bar.x0, n.quad[0].y};
        u.quad[1] = {bar.x1, n.quad[1].y};
        u.quad[2] = {bar.x1, n.quad[2].y};
        u.quad[3] = {bar.x0, n.quad[3].y};
        u.origin = {bar.x0, n.origin.y};
        return true;
    }

  private:
    // Another bar or rule along the bar's line reaches under (or over) the character beside it.
    bool underlines(const Rect& bar, const Placed* beside, double s) const {
        if (!beside) return false;
        const double mid = middle(bar);
        auto r = std::lower_bound(lines_.begin(), lines_.end(), mid - kAlongLine * s,
                                  [](const Rect& a, double y) { return middle(a) < y; });
        for (int looked = 0; r != lines_.end() && middle(*r) <= mid + kAlongLine * s; ++r) {
            if (++looked > kMaxLookups) return true;
            if (r->x0 == bar.x0 && r->x1 == bar.x1 && r->y0 == bar.y0) continue;  // itself
            if (r->x0 < beside->x1 - kTouch * s && r->x1 > beside->x0 + kTouch * s) return true;
        }
        return false;
    }

    // Another bar along the bar's line starts or ends next to it: a dashed line drawn
    // dash by dash (a dash ends next to a label as often as not).
    bool dashed(const Rect& bar, double s) const {
        const double mid = middle(bar);
        auto r = std::lower_bound(lines_.begin(), lines_.end(), mid - kAlongLine * s,
                                  [](const Rect& a, double y) { return middle(a) < y; });
        for (int looked = 0; r != lines_.end() && middle(*r) <= mid + kAlongLine * s; ++r) {
            if (++looked > kMaxLookups) return true;
            if (r->x0 == bar.x0 && r->x1 == bar.x1 && r->y0 == bar.y0) continue;  // itself
            if (r->x1 > bar.x0 - kNear * s && r->x0 < bar.x1 + kNear * s) return true;
        }
        return false;
    }

    // Characters of another line stand right under the bar: a radical's bar, an overline,
    // a fraction's bar.
    bool overText(const Rect& bar, double s) const {
        auto c = std::lower_bound(placed_.begin(), placed_.end(), bar.y1,
                                  [](const Placed& p, double y) { return p.base < y; });
        for (int looked = 0; c != placed_.end() && c->base <= bar.y1 + 2 * s; ++c) {
            if (++looked > kMaxLookups) return true;
            const PaintedChar& ch = painted_.chars[static_cast<std::size_t>(c->index)];
            const double top = ch.quad[3].y;
            if (c->x0 < bar.x1 && c->x1 > bar.x0 && !ch.space && top >= bar.y1 - kTouch * s &&
                top <= bar.y1 + kOverText * s)
                return true;
        }
        return false;
    }

    // A vertical bar stands on one of its ends: a visible space sign, or a box's corner.
    bool ticked(const Rect& bar, double s) const {
        auto r = std::lower_bound(ticks_.begin(), ticks_.end(), bar.x0 - kTouch * s,
                                  [](const Rect& a, double x) { return a.x0 < x; });
        for (int looked = 0; r != ticks_.end() && r->x0 <= bar.x1 + kTouch * s; ++r) {
            if (++looked > kMaxLookups) return true;
            const bool atAnEnd =
                std::fabs(r->x0 - bar.x0) <= kTouch * s || std::fabs(r->x1 - bar.x1) <= kTouch * s;
            if (atAnEnd && r->y0 <= bar.y1 + kTouch * s && r->y1 >= bar.y0 - kTouch * s)
                return true;
        }
        return false;
    }

    const PaintedText& painted_;
    std::vector<Placed> placed_;
    std::vector<Rect> lines_;  // horizontal bars and rules, by their middles
    std::vector<Rect> ticks_;  // vertical bars and rules, by their left edges
};

}  // namespace

void addDrawnUnderscores(PaintedText& painted, const std::vector<Rect>& bars) {
    if (bars.empty() || painted.chars.empty()) return;
    std::vector<Insertion> insertions;
    {
        Finder finder(painted, bars);
        for (const Rect& bar : bars) {
            Insertion in;
            if (finder.underscore(bar, in)) insertions.push_back(in);
        }
    }
    if (insertions.empty()) return;
    std::sort(insertions.begin(), insertions.end(), [](const Insertion& a, const Insertion& b) {
        if (a.slot != b.slot) return a.slot < b.slot;
        if (a.afterLeft != b.afterLeft) return a.afterLeft;
        return a.x < b.x;
    });

    // Content order again, each underscore in its place; old glyph g becomes newIndex[g].
    const int glyphs = painted.glyphCount();
    const std::size_t elementCount = painted.elements.size();
    std::vector<int> newIndex(static_cast<std::size_t>(glyphs) + 1);
    std::vector<int> added(elementCount, 0);
    std::vector<int> firstAdded(elementCount, -1);
    std::vector<PaintedChar> chars;
    chars.reserve(painted.chars.size() + insertions.size());
    std::vector<int> glyphStart{0};
    glyphStart.reserve(painted.glyphStart.size() + insertions.size());
    std::size_t k = 0;
    int next = 0;
    for (int g = 0; g <= glyphs; ++g) {
        for (; k < insertions.size() && insertions[k].slot == g; ++k) {
            PaintedChar ch = insertions[k].ch;
            const std::size_t e = static_cast<std::size_t>(ch.element);
            ch.glyph = next;
            if (!insertions[k].afterLeft && g == painted.elements[e].firstGlyph &&
                firstAdded[e] < 0)
                firstAdded[e] = next;
            ++added[e];
            chars.push_back(ch);
            glyphStart.push_back(static_cast<int>(chars.size()));
            ++next;
        }
        newIndex[static_cast<std::size_t>(g)] = next;
        if (g == glyphs) break;
        for (int c = painted.glyphStart[g]; c < painted.glyphStart[g + 1]; ++c) {
            PaintedChar ch = painted.chars[static_cast<std::size_t>(c)];
            ch.glyph = next;
            chars.push_back(ch);
        }
        glyphStart.push_back(static_cast<int>(chars.size()));
        ++next;
    }
    for (std::size_t e = 0; e < elementCount; ++e) {
        TextElement& element = painted.elements[e];
        element.firstGlyph = firstAdded[e] >= 0
                                 ? firstAdded[e]
                                 : newIndex[static_cast<std::size_t>(element.firstGlyph)];
        element.glyphCount += added[e];
    }
    painted.chars = std::move(chars);
    painted.glyphStart = std::move(glyphStart);
}

}  // namespace pdf
