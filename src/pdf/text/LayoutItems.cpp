#include "pdf/text/LayoutItems.h"

#include <algorithm>
#include <cmath>

#include "pdf/text/CharClass.h"

namespace pdf {
namespace layout {
namespace {

constexpr double kPi = 3.14159265358979323846;

int orientationOf(double dx, double dy, bool mirrored) {
    // The turn clockwise (y grows downwards on the page), 0 to 360 degrees.
    double degrees = std::atan2(dy, dx) * 180 / kPi;
    if (degrees < 0) degrees += 360;
    const double offAxis = std::fabs(degrees - 90 * std::round(degrees / 90));
    if (offAxis > kDiagonalTurn) {
        const int whole = static_cast<int>(std::lround(degrees)) % 360;
        return kDiagonal + 2 * whole + (mirrored ? 1 : 0);
    }
    int rot = 0;
    if (std::fabs(dx) >= std::fabs(dy)) {
        rot = dx >= 0 ? 0 : 2;
    } else {
        rot = dy >= 0 ? 1 : 3;
    }
    return mirrored ? rot | kMirrored : rot;
}

Point toFrame(int rot, const Point& p) {
    Point f;
    if (rot >= kDiagonal) {
        const double turn = ((rot - kDiagonal) / 2) * kPi / 180;
        const double c = std::cos(turn), s = std::sin(turn);
        f = {p.x * c + p.y * s, p.y * c - p.x * s};
        if ((rot - kDiagonal) & 1) f.y = -f.y;
        return f;
    }
    switch (rot & 3) {
        case 0:
            f = {p.x, p.y};
            break;
        case 1:
            f = {p.y, -p.x};
            break;
        case 2:
            f = {-p.x, -p.y};
            break;
        default:
            f = {-p.y, p.x};
            break;
    }
    if (rot & kMirrored) f.y = -f.y;
    return f;
}

// How far along the edge from `from` (on the descent line) to `to` (on the
// ascent line) the baseline through `origin` along `dir` crosses it: the
// descent's share of the glyph's height, from 0 to 1 (a box that lies all
// above or below its baseline, as a Type 3 font's may, is taken at its
// nearer edge). 0 where the edge has no length across the baseline.
double baselineShare(const Point& from, const Point& to, const Point& origin, const Point& dir) {
    const double ex = to.x - from.x, ey = to.y - from.y;
    const double across = dir.x * ey - dir.y * ex;
    if (!(std::fabs(across) > 1e-9 * (std::fabs(ex) + std::fabs(ey)))) return 0;
    const double t = (dir.x * (origin.y - from.y) - dir.y * (origin.x - from.x)) / across;
    return std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0;
}

// Coordinates and sizes the stages can add and multiply without leaving
// the finite numbers.
bool measurable(const PaintedChar& c) {
    auto fits = [](double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; };
    for (const Point& p : c.quad)
        if (!fits(p.x) || !fits(p.y)) return false;
    return fits(c.origin.x) && fits(c.origin.y) && fits(c.dirX) && fits(c.dirY) && fits(c.size);
}

// A word that a line runs over the page's edge is read whole: its glyphs
// beyond the edge stay with those on the page. Producers that do not wrap
// (html2ps, some AsciiDoc and DocBook chains) set a long address past the
// right edge ("…lists.sourceforge" on the page, ".net" beyond it), and an
// address cut at the edge leads elsewhere. Only the word goes on: a space,
// a gap, another size or direction, a Han, Kana or Hangul letter (text
// written without spaces would run on to the line's end), or
// kMaxWordPastEdge characters end it.
constexpr int kMaxWordPastEdge = 128;

// b is drawn right after a, on its baseline, with no gap between them: the
// next character of the same word.
bool followsInWord(const PaintedChar& a, const PaintedChar& b) {
    if (a.space || b.space || a.hidden || b.hidden) return false;
    if (a.glyph == b.glyph) return true;  // shares of one ligature
    if (std::fabs(a.dirX - b.dirX) > 0.01 || std::fabs(a.dirY - b.dirY) > 0.01) return false;
    const double size = std::max(a.size, b.size);
    if (!(size > 0) || std::min(a.size, b.size) < 0.8 * size) return false;
    const double dx = b.quad[0].x - a.quad[1].x, dy = b.quad[0].y - a.quad[1].y;
    const double gap = dx * a.dirX + dy * a.dirY;
    const double across = a.dirX * dy - a.dirY * dx;
    return gap > -0.3 * size && gap < 0.2 * size && std::fabs(across) < 0.1 * size;
}

}  // namespace

std::vector<Item> placeItems(const std::vector<PaintedChar>& chars, double pageWidth,
                             double pageHeight) {
    const std::size_t n = chars.size();
    std::vector<char> kept(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const PaintedChar& c = chars[i];
        if (c.hidden || !measurable(c)) continue;
        double cx = (c.quad[0].x + c.quad[2].x) / 2;
        double cy = (c.quad[0].y + c.quad[2].y) / 2;
        kept[i] = cx >= 0 && cy >= 0 && cx <= pageWidth && cy <= pageHeight;
    }
    // The rest of a word the edge cuts: after it in content order, and
    // before it (a word that starts left of the page).
    auto extend = [&](std::size_t from, std::size_t to) {
        const PaintedChar& c = chars[to];
        if (kept[to] || c.hidden || !measurable(c) || chars::isCjk(c.code) ||
            !followsInWord(chars[std::min(from, to)], chars[std::max(from, to)]))
            return false;
        kept[to] = 1;
        return true;
    };
    for (std::size_t i = 1; i < n; ++i) {
        if (!kept[i - 1] || kept[i]) continue;
        const std::size_t end = std::min(n, i + kMaxWordPastEdge);
        while (i < end && extend(i - 1, i)) ++i;
    }
    for (std::size_t i = n; i-- > 1;) {
        if (!kept[i] || kept[i - 1]) continue;
        const std::size_t end = i > kMaxWordPastEdge ? i - kMaxWordPastEdge : 0;
        while (i > end && extend(i, i - 1)) --i;
        if (i == 0) break;
    }

    std::vector<Item> items;
    items.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!kept[i]) continue;
        const PaintedChar& c = chars[i];
        Item it;
        // Upright text has its ascent line on the left of the writing
        // direction (y grows downwards on the page).
        double upX = c.quad[3].x - c.quad[0].x, upY = c.quad[3].y - c.quad[0].y;
        it.rot = orientationOf(c.dirX, c.dirY, c.dirX * upY - c.dirY * upX > 0);
        Point q[4];
        for (int k = 0; k < 4; ++k) q[k] = toFrame(it.rot, c.quad[k]);
        it.top = it.bottom = q[0].y;
        for (int k = 1; k < 4; ++k) {
            it.top = std::min(it.top, q[k].y);
            it.bottom = std::max(it.bottom, q[k].y);
        }
        const Point origin = toFrame(it.rot, c.origin);
        const Point dir = toFrame(it.rot, {c.dirX, c.dirY});
        // Along the line: where the box's start and end edges cross the
        // baseline (the line through the origin along the writing
        // direction). Upright text has them straight up; a slanted or
        // rotated glyph's box is wider than its advance, and its bounding
        // box would overlap its neighbours'.
        const double t = baselineShare(q[0], q[3], origin, dir);
        const double a = q[0].x + t * (q[3].x - q[0].x);
        const double b = q[1].x + t * (q[2].x - q[1].x);
        it.x0 = std::min(a, b);
        it.x1 = std::max(a, b);
        it.base = origin.y;
        it.size = c.size > 0.01 ? c.size : 0.01;
        it.src = static_cast<int>(i);
        it.code = c.code;
        it.space = c.space;
        it.mark = c.mark;
        it.unmapped = c.unmapped;
        items.push_back(it);
    }
    return items;
}

MarkLinks attachMarks(std::vector<Item>& items) {
    const int n = static_cast<int>(items.size());
    MarkLinks links;
    links.first.assign(n, -1);
    links.next.assign(n, -1);
    links.owner.assign(n, -1);
    std::vector<int> lastMark(n, -1);
    // The nearest character before and after each item that is neither a
    // mark, nor a space, nor a glyph that maps to no character (the text
    // would lose a mark given to it): before from the items already decided
    // (an accent that became a mark is passed over), after from the flags as
    // painted.
    std::vector<int> plainAfter(n + 1, n);
    for (int i = n - 1; i >= 0; --i)
        plainAfter[i] =
            items[i].mark || items[i].space || items[i].unmapped ? plainAfter[i + 1] : i;
    int plainBefore = -1;
    for (int i = 0; i < n; ++i) {
        Item& m = items[i];
        const bool accent = !m.mark && chars::combiningFormOf(m.code) != 0;
        if (!m.mark && !accent) {
            if (!m.space && !m.unmapped) plainBefore = i;
            continue;
        }
        const int before = plainBefore, after = plainAfter[i + 1];
        double centre = (m.x0 + m.x1) / 2;
        int best = -1;
        double bestDistance = m.size;
        for (int c : {before, after}) {
            if (c < 0 || c >= n) continue;
            const Item& b = items[c];
            if (b.rot != m.rot || std::fabs(b.base - m.base) > m.size) continue;
            if (accent && (!chars::isLetter(b.code) || centre < b.x0 || centre > b.x1)) continue;
            double distance = centre < b.x0 ? b.x0 - centre : centre > b.x1 ? centre - b.x1 : 0;
            if (distance < bestDistance || (distance == 0 && best >= 0 && bestDistance > 0)) {
                best = c;
                bestDistance = distance;
            }
        }
        if (best < 0) {
            if (!m.mark && !m.space) plainBefore = i;  // an accent standing alone
            continue;
        }
        m.mark = true;
        links.owner[i] = best;
        if (links.first[best] < 0)
            links.first[best] = i;
        else
            links.next[lastMark[best]] = i;
        lastMark[best] = i;
    }
    return links;
}

}  // namespace layout
}  // namespace pdf
