#pragma once
// The plain values of a movie: colours, rectangles, affine matrices and
// colour transforms, with the arithmetic the display list needs.

#include <algorithm>
#include <cstdint>

namespace fh {

struct SwfColor {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const SwfColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    // 0xAARRGGBB, not premultiplied.
    std::uint32_t Argb() const {
        return (std::uint32_t{a} << 24) | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
    }
};

// In twips.
struct SwfRect {
    std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

struct SwfPoint {
    double x = 0, y = 0;
};

// x' = a x + c y + tx, y' = b x + d y + ty.
struct SwfMatrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    SwfPoint Apply(double x, double y) const { return {a * x + c * y + tx, b * x + d * y + ty}; }
    // This after `inner`: first `inner`, then this.
    SwfMatrix operator*(const SwfMatrix& inner) const {
        return {a * inner.a + c * inner.b, b * inner.a + d * inner.b, a * inner.c + c * inner.d,
                b * inner.c + d * inner.d, a * inner.tx + c * inner.ty + tx, b * inner.tx + d * inner.ty + ty};
    }
    bool Invert(SwfMatrix& out) const;
    // How much lengths grow on average, for line widths.
    double MeanScale() const;
    double ScaleX() const;
    double ScaleY() const;
    static SwfMatrix Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static SwfMatrix Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
};

// Multipliers in 8.8 fixed point, additions in colour units.
struct SwfColorTransform {
    std::int32_t rMul = 256, gMul = 256, bMul = 256, aMul = 256;
    std::int32_t rAdd = 0, gAdd = 0, bAdd = 0, aAdd = 0;

    bool IsIdentity() const {
        return rMul == 256 && gMul == 256 && bMul == 256 && aMul == 256 && !rAdd && !gAdd && !bAdd && !aAdd;
    }
    SwfColor Apply(SwfColor c) const {
        auto one = [](int v, int mul, int add) {
            return static_cast<std::uint8_t>(std::clamp(v * mul / 256 + add, 0, 255));
        };
        return {one(c.r, rMul, rAdd), one(c.g, gMul, gAdd), one(c.b, bMul, bAdd), one(c.a, aMul, aAdd)};
    }
    // This after `inner`, multipliers and additions kept in range.
    SwfColorTransform operator*(const SwfColorTransform& inner) const;
};

}  // namespace fh

#include <vector>

namespace fh {

// An outline: moves, lines, quadratic curves and closes, in whatever units
// its user chose (twips in the core's shapes, pixels on a canvas).
struct SwfPath {
    enum Verb : std::uint8_t { Move, Line, Quad, Close };
    std::vector<Verb> verbs;
    std::vector<SwfPoint> points;  // one per Move and Line, two per Quad (control, end)

    bool Empty() const { return verbs.empty(); }
    void MoveTo(double x, double y) {
        verbs.push_back(Move);
        points.push_back({x, y});
    }
    void LineTo(double x, double y) {
        verbs.push_back(Line);
        points.push_back({x, y});
    }
    void QuadTo(double cx, double cy, double x, double y) {
        verbs.push_back(Quad);
        points.push_back({cx, cy});
        points.push_back({x, y});
    }
    void ClosePath() { verbs.push_back(Close); }
    // A closed rectangle from corner (x0, y0) to (x1, y1).
    static SwfPath Rectangle(double x0, double y0, double x1, double y1) {
        SwfPath rect;
        rect.MoveTo(x0, y0);
        rect.LineTo(x1, y0);
        rect.LineTo(x1, y1);
        rect.LineTo(x0, y1);
        rect.ClosePath();
        return rect;
    }
    SwfPath Transformed(const SwfMatrix& m) const {
        SwfPath out;
        TransformInto(m, out);
        return out;
    }
    // The same into `out`, keeping its room: a drawing does it for every shape.
    void TransformInto(const SwfMatrix& m, SwfPath& out) const {
        out.verbs.assign(verbs.begin(), verbs.end());
        out.points.resize(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) out.points[i] = m.Apply(points[i].x, points[i].y);
    }
};

}  // namespace fh
