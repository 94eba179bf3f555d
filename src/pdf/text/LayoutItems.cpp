#include "pdf/text/LayoutItems.h"

#include <cmath>

#include "pdf/text/CharClass.h"

namespace pdf {
namespace layout {
namespace {

int orientationOf(double dx, double dy) {
    if (std::fabs(dx) >= std::fabs(dy)) return dx >= 0 ? 0 : 2;
    return dy >= 0 ? 1 : 3;
}

Point toFrame(int rot, const Point& p) {
    Point f;
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

// Coordinates and sizes the stages can add and multiply without leaving
// the finite numbers.
bool measurable(const PaintedChar& c) {
    auto fits = [](double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; };
    for (const Point& p : c.quad)
        if (!fits(p.x) || !fits(p.y)) return false;
    return fits(c.origin.x) && fits(c.origin.y) && fits(c.dirX) && fits(c.dirY) && fits(c.size);
}

}  // namespace

std::vector<Item> placeItems(const std::vector<PaintedChar>& chars, double pageWidth,
                             double pageHeight) {
    std::vector<Item> items;
    items.reserve(chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const PaintedChar& c = chars[i];
        if (c.hidden || !measurable(c)) continue;
        double cx = (c.quad[0].x + c.quad[2].x) / 2;
        double cy = (c.quad[0].y + c.quad[2].y) / 2;
        if (cx < 0 || cy < 0 || cx > pageWidth || cy > pageHeight) continue;
        Item it;
        it.rot = orientationOf(c.dirX, c.dirY);
        // Upright text has its ascent line on the left of the writing
        // direction (y grows downwards on the page).
        double upX = c.quad[3].x - c.quad[0].x, upY = c.quad[3].y - c.quad[0].y;
        if (c.dirX * upY - c.dirY * upX > 0) it.rot |= kMirrored;
        Point p = toFrame(it.rot, c.quad[0]);
        it.x0 = it.x1 = p.x;
        it.top = it.bottom = p.y;
        for (int k = 1; k < 4; ++k) {
            Point q = toFrame(it.rot, c.quad[k]);
            it.x0 = std::min(it.x0, q.x);
            it.x1 = std::max(it.x1, q.x);
            it.top = std::min(it.top, q.y);
            it.bottom = std::max(it.bottom, q.y);
        }
        it.base = toFrame(it.rot, c.origin).y;
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
