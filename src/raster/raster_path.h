#pragma once
// Paths in device pixels, the affine matrix and the fill rules the
// rasterizer works with.

#include <cstdint>
#include <vector>

namespace fh {

struct RasterPoint {
    double x = 0, y = 0;
};

enum class FillRule { NonZero, EvenOdd };

// x' = a*x + c*y + tx; y' = b*x + d*y + ty (the order SWF's MATRIX uses).
struct RasterMatrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    RasterPoint Apply(RasterPoint p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // The matrix that undoes this one; false, leaving `out` alone, when this
    // one is singular or not finite.
    bool Invert(RasterMatrix& out) const;
    // `first`, then this one.
    RasterMatrix After(const RasterMatrix& first) const;
};

// Outlines as verbs and their points: Move and Line take one point, Quad two
// (control, end), Cubic three, Close (ClosePath) none. A drawing verb after
// Close starts a new contour where the closed one began; with no Move at
// all, at the origin.
struct RasterPath {
    enum Verb : std::uint8_t { Move, Line, Quad, Cubic, Close };
    std::vector<Verb> verbs;
    std::vector<RasterPoint> points;

    void MoveTo(double x, double y) { Add(Move, {x, y}); }
    void LineTo(double x, double y) { Add(Line, {x, y}); }
    void QuadTo(double cx, double cy, double x, double y) {
        points.push_back({cx, cy});
        Add(Quad, {x, y});
    }
    void CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y) {
        points.push_back({c1x, c1y});
        points.push_back({c2x, c2y});
        Add(Cubic, {x, y});
    }
    void ClosePath() { verbs.push_back(Close); }
    void Clear() {
        verbs.clear();
        points.clear();
    }
    // A closed rectangle, clockwise on the screen.
    void AddRect(double x, double y, double width, double height);
    // Maps every point through `m`.
    void Transform(const RasterMatrix& m);

private:
    void Add(Verb v, RasterPoint p) {
        verbs.push_back(v);
        points.push_back(p);
    }
};

}  // namespace fh
