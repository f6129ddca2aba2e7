#include "raster/raster_coverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "raster/raster_flatten.h"
#include "raster_test_support.h"

namespace fh {
namespace {

using namespace test;

// Coverage 255 * area, rounded: the cell sums are exact areas.
int Expect(double area) {
    return static_cast<int>(std::lround(area * 255));
}

TEST(RasterCoverage, PixelsGetTheirExactAreaUnderEitherRule) {
    const RasterPath star = Polyline({{8, 0}, {12.7, 14.5}, {0.4, 5.5}, {15.6, 5.5}, {3.3, 14.5}}, true);
    const auto evenOdd = FillRule::EvenOdd, nonZero = FillRule::NonZero;
    struct Case {
        const char* label;
        RasterPath path;
        FillRule rule;
        std::vector<Pixel> pixels;
    } cases[] = {
        {"whole pixels", Rects({{1, 1, 2, 1}}), nonZero, {{0, 1, 0}, {1, 1, 255}, {2, 1, 255}, {3, 1, 0}, {1, 0, 0}}},
        {"half pixels at both ends", Rects({{0.5, 0, 2, 1}}), nonZero, {{0, 0, 128}, {1, 0, 255}, {2, 0, 128}}},
        {"a quarter inside one pixel", Rects({{0.25, 0.25, 0.5, 0.5}}), nonZero, {{0, 0, 64}, {1, 0, 0}}},
        {"45 degrees halve pixels",
         Polyline({{0, 0}, {4, 0}, {0, 4}}, true),
         nonZero,
         {{1, 1, 255}, {2, 1, 128}, {3, 1, 0}, {3, 0, 128}}},
        // y = x / 8 across eight pixels: pixel i holds (2i + 1) / 16.
        {"a shallow edge across cells",
         Polyline({{0, 0}, {8, 0}, {8, 1}}, true),
         nonZero,
         {{0, 0, Expect(1 / 16.0)}, {3, 0, Expect(7 / 16.0)}, {7, 0, Expect(15 / 16.0)}}},
        {"a steep edge across rows",
         Polyline({{0, 0}, {0, 8}, {1, 8}}, true),
         nonZero,
         {{0, 0, Expect(1 / 16.0)}, {0, 3, Expect(7 / 16.0)}, {0, 7, Expect(15 / 16.0)}}},
        {"all edges in one pixel",
         Polyline({{1.25, 0.25}, {1.75, 0.25}, {1.75, 0.75}}, true),
         nonZero,
         {{1, 0, Expect(0.125)}}},
        // Windings at (3,3), (5,7), (8,8): 1 2 2, then 1 0 0 with the inner
        // square turned, then 1 2 3 for three nested.
        {"nested, non-zero", Rects({{2, 2, 12, 12}, {4, 4, 8, 8}}), nonZero, {{3, 3, 255}, {5, 7, 255}, {8, 8, 255}}},
        {"nested, even-odd", Rects({{2, 2, 12, 12}, {4, 4, 8, 8}}), evenOdd, {{3, 3, 255}, {5, 7, 0}, {8, 8, 0}}},
        {"turned, non-zero", Rects({{2, 2, 12, 12}, {12, 4, -8, 8}}), nonZero, {{3, 3, 255}, {5, 7, 0}, {8, 8, 0}}},
        {"three, even-odd",
         Rects({{0, 0, 16, 16}, {4, 4, 8, 8}, {6, 6, 4, 4}}),
         evenOdd,
         {{3, 3, 255}, {5, 7, 0}, {8, 8, 255}}},
        {"star, non-zero", star, nonZero, {{3, 3, 0}, {7, 4, 255}, {8, 8, 255}}},
        {"star, even-odd", star, evenOdd, {{3, 3, 0}, {7, 4, 255}, {8, 8, 0}}},
        // Winding 1.5 over a pixel is half covered under even-odd, either way round.
        {"an inner edge halves pixels", Rects({{0, 0, 4, 1}, {1.5, 0, 1, 1}}), evenOdd, {{1, 0, 128}, {2, 0, 128}}},
        {"and turned", Rects({{4, 0, -4, 1}, {2.5, 0, -1, 1}}), evenOdd, {{1, 0, 128}, {2, 0, 128}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ExpectPixels(Coverage(16, 16, c.path, c.rule), c.pixels);
    }
}

TEST(RasterCoverage, PolygonsCoverTheirArea) {
    for (int n : {3, 5, 12}) {
        SCOPED_TRACE(n);
        RasterPath path;
        const double r = 9.3;
        for (int k = 0; k < n; ++k) {
            const double t = 0.3 + 2 * M_PI * k / n, x = 15.37 + r * std::cos(t), y = 14.81 + r * std::sin(t);
            k ? path.LineTo(x, y) : path.MoveTo(x, y);
        }
        // Rounding each edge pixel to 1/255 is all that may differ.
        EXPECT_NEAR(0.5 * n * r * r * std::sin(2 * M_PI / n), Area(Coverage(32, 32, path)), 0.2);
    }
}

TEST(RasterCoverage, ShapesOverTheSidesAndInBandsMatchWholeOnes) {
    // Overhanging all four sides, and held whole shifted by (10, 10).
    const RasterImage cut = Coverage(20, 20, Polyline({{-7.3, 3.2}, {26.1, -4.7}, {12.4, 27.9}}, true));
    const RasterImage whole = Coverage(40, 40, Polyline({{2.7, 13.2}, {36.1, 5.3}, {22.4, 37.9}}, true));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_NEAR(Alpha(whole, x + 10, y + 10), Alpha(cut, x, y), 1) << x << "," << y;
    // 16384 pixels to a row leave 31 rows to a band: the triangle spans four.
    const RasterPath tri = Polyline({{3.5, 0.25}, {60.2, 40.7}, {1.1, 99.9}}, true);
    const RasterImage narrow = Coverage(64, 100, tri), wide = Coverage(RasterCoverage::kMaxSide, 100, tri);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(Alpha(narrow, x, y), Alpha(wide, x, y)) << x << "," << y;
}

TEST(RasterCoverage, HostileCoordinates) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    ExpectPixels(Coverage(8, 2, Rects({{-1e12, 0, 1e12 + 5.5, 2}})),
                 {{0, 1, 255}, {4, 1, 255}, {5, 1, 128}, {6, 1, 0}});
    // Points that are not finite are left out.
    EXPECT_DOUBLE_EQ(16, Area(Coverage(8, 8, Polyline({{0, 0}, {nan, 5}, {4, 0}, {4, 4}, {inf, -inf}, {0, 4}}, true))));
    RasterPath wild;
    wild.MoveTo(1e300, -1e300);
    wild.QuadTo(-1e308, 3, 4, 1e200);
    wild.CubicTo(1e15, -1e15, -1e14, 1e14, 2, 2);
    EXPECT_LE(Area(Coverage(16, 16, wild, FillRule::EvenOdd)), 256);
    // A curve through far coordinates is cut into a bounded number of chords.
    RasterPath huge;
    huge.MoveTo(0, 0);
    huge.QuadTo(1e13, 1e13, 0, 10);
    RasterContours out;
    FlattenPath(huge, {0, 0, 100, 100}, out);
    EXPECT_LE(out.points.size(), 1025u);
}

double DistanceToPolyline(RasterPoint p, const std::vector<RasterPoint>& line) {
    double best = 1e300;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const RasterPoint a = line[i], b = line[i + 1];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
    }
    return best;
}

TEST(RasterFlatten, ChordsStayWithinTheTolerance) {
    RasterPath path;
    path.MoveTo(0, 0);
    path.QuadTo(50, 100, 100, 0);
    path.CubicTo(130, -60, 160, 80, 200, 0);
    RasterContours out;
    FlattenPath(path, {0, 0, 500, 500}, out);
    ASSERT_EQ(1u, out.contours.size());
    EXPECT_LE(out.points.size(), 140u);  // no more chords than the tolerance needs
    double worst = 0;
    for (int i = 0; i <= 1000; ++i) {
        const double t = i / 1000.0, u = 1 - t;
        worst = std::max(worst, DistanceToPolyline({2 * t * u * 50 + t * t * 100, 2 * t * u * 100}, out.points));
        const RasterPoint c{u * u * u * 100 + 3 * t * u * u * 130 + 3 * t * t * u * 160 + t * t * t * 200,
                            3 * t * u * u * -60 + 3 * t * t * u * 80};
        worst = std::max(worst, DistanceToPolyline(c, out.points));
    }
    EXPECT_LE(worst, kRasterTolerance + 1e-9);
    EXPECT_GT(worst, kRasterTolerance / 4);
}

TEST(RasterFlatten, VerbsAndContours) {
    RasterPath path = Polyline({{1, 1}, {5, 1}}, true);
    path.LineTo(1, 5);  // goes on from where the closed contour began
    path.MoveTo(50, -300);
    path.QuadTo(100, -400, 150, -300);        // out of sight: one chord
    path.verbs.push_back(RasterPath::Cubic);  // a verb without its points ends the path
    path.points.push_back({0, 0});
    RasterContours out;
    FlattenPath(path, {0, 0, 200, 200}, out);
    ASSERT_EQ(3u, out.contours.size());
    EXPECT_TRUE(out.contours[0].closed);
    EXPECT_FALSE(out.contours[1].closed);
    EXPECT_EQ(1, out.points[out.contours[1].begin].y);
    for (const auto& c : out.contours) EXPECT_EQ(2u, c.end - c.begin);
}

}  // namespace
}  // namespace fh
