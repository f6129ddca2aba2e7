#pragma once
// Helpers of the rasterizer tests: shapes drawn in opaque white on a
// transparent image, so a pixel's alpha is exactly its coverage.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "raster/raster_canvas.h"

namespace fh::test {

struct Pixel {
    int x, y, alpha;
};

inline RasterImage Draw(int width, int height, const std::function<void(RasterCanvas&)>& draw) {
    RasterImage image(width, height);
    RasterCanvas canvas(image);
    draw(canvas);
    return image;
}

inline RasterImage Coverage(int width, int height, const RasterPath& path, FillRule rule = FillRule::NonZero) {
    return Draw(width, height, [&](RasterCanvas& c) { c.Fill(path, rule, RasterPaint::Solid(0xFFFFFFFF)); });
}

inline int Alpha(const RasterImage& image, int x, int y) {
    return static_cast<int>(image.At(x, y) >> 24);
}

inline void ExpectPixels(const RasterImage& image, const std::vector<Pixel>& pixels) {
    for (const Pixel& p : pixels) EXPECT_EQ(p.alpha, Alpha(image, p.x, p.y)) << p.x << "," << p.y;
}

// Covered area in square pixels.
inline double Area(const RasterImage& image) {
    double sum = 0;
    for (std::uint32_t p : image.px) sum += p >> 24;
    return sum / 255;
}

inline RasterPath Polyline(std::initializer_list<RasterPoint> points, bool closed) {
    RasterPath p;
    for (const RasterPoint& q : points) p.verbs.empty() ? p.MoveTo(q.x, q.y) : p.LineTo(q.x, q.y);
    if (closed) p.ClosePath();
    return p;
}

// Rectangles x, y, width, height; a negative width turns one round.
inline RasterPath Rects(std::initializer_list<std::array<double, 4>> rects) {
    RasterPath p;
    for (const auto& r : rects) p.AddRect(r[0], r[1], r[2], r[3]);
    return p;
}

}  // namespace fh::test
