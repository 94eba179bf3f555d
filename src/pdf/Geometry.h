// Plain geometry values exchanged with the PDF layer.
//
// Units are PDF points (1/72 inch) unless a name says pixels. A Matrix maps
// (x, y) to (a*x + c*y + e, b*x + d*y + f), the PDF convention; which spaces a
// given matrix connects is stated where it is returned. No MuPDF types leak
// through this header. Plain values and inline arithmetic: nothing here throws.
#pragma once

#include <algorithm>
#include <iterator>
#include <limits>

namespace pdf {

struct Point {
    double x = 0;
    double y = 0;
};

// An axis-aligned rectangle given by two corners, x0 <= x1 and y0 <= y1 when
// not empty.
struct Rect {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;

    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

// The smallest rectangle holding every point of a non-empty range.
template <typename Points>
Rect boundsOfPoints(const Points& points) {
    auto p = std::begin(points);
    Rect out{p->x, p->y, p->x, p->y};
    for (; p != std::end(points); ++p) {
        out.x0 = std::min(out.x0, p->x);
        out.y0 = std::min(out.y0, p->y);
        out.x1 = std::max(out.x1, p->x);
        out.y1 = std::max(out.y1, p->y);
    }
    return out;
}

// The smallest rectangle holding both.
inline Rect unite(const Rect& a, const Rect& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    Point apply(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }

    // The bounding box of the transformed corners of r.
    Rect apply(const Rect& r) const {
        Point p[4] = {apply(Point{r.x0, r.y0}), apply(Point{r.x1, r.y0}), apply(Point{r.x0, r.y1}),
                      apply(Point{r.x1, r.y1})};
        return boundsOfPoints(p);
    }

    // this, then next: (this * next) in PDF's row-vector convention.
    Matrix then(const Matrix& n) const {
        return {a * n.a + b * n.c, a * n.b + b * n.d,       c * n.a + d * n.c,
                c * n.b + d * n.d, e * n.a + f * n.c + n.e, e * n.b + f * n.d + n.f};
    }
};

// How far points reach along a unit direction `along` (s: a point's dot product with it) and
// across it (t: along `along` turned a quarter turn, (-along.y, along.x), which on the y-down
// page points from a line's top to its bottom). Holds nothing (s0 > s1) until a point is
// added.
struct Extent {
    double s0 = std::numeric_limits<double>::infinity();
    double s1 = -std::numeric_limits<double>::infinity();
    double t0 = std::numeric_limits<double>::infinity();
    double t1 = -std::numeric_limits<double>::infinity();

    double middle() const { return (s0 + s1) / 2; }
    void add(Point p, Point along) {
        const double s = p.x * along.x + p.y * along.y;
        const double t = -p.x * along.y + p.y * along.x;
        s0 = std::min(s0, s);
        s1 = std::max(s1, s);
        t0 = std::min(t0, t);
        t1 = std::max(t1, t);
    }
    void add(const Extent& e) {
        s0 = std::min(s0, e.s0);
        s1 = std::max(s1, e.s1);
        t0 = std::min(t0, e.t0);
        t1 = std::max(t1, e.t1);
    }
};

// Where a glyph (or a character's share of it) lies: its quad, the four corners of its advance
// from the font's descent to its ascent (PaintedChar::quad, TextChar::quad), taken through
// `toPage` and measured along `along`. The one measure of a glyph's extent: links, products,
// word-list hits and the text layer's boxes all take it from here, so they agree on every
// glyph, however its font, text matrix and operators place it.
inline Extent quadExtent(const Point (&quad)[4], const Matrix& toPage, Point along) {
    Extent e;
    for (const Point& corner : quad) e.add(toPage.apply(corner), along);
    return e;
}

}  // namespace pdf
