#include "raster/raster_stroke.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "raster_test_support.h"

namespace fh {
namespace {

using namespace test;

RasterImage Stroked(const RasterPath& path, const RasterStroke& pen) {
    return Draw(40, 40, [&](RasterCanvas& c) { c.Stroke(path, pen, RasterPaint::Solid(0xFFFFFFFF)); });
}

RasterStroke Pen(double width, RasterCap cap, RasterJoin join = RasterJoin::Miter, double miterLimit = 3) {
    RasterStroke s;
    s.width = width;
    s.startCap = s.endCap = cap;
    s.join = join;
    s.miterLimit = miterLimit;
    return s;
}

// Round parts are polygons inside the arc, their chords up to
// kRasterTolerance in: their area may fall short by this much.
constexpr double kArcSlack = 0.3;

void ExpectArea(double area, bool round, const RasterImage& image) {
    if (round)
        EXPECT_NEAR(area - kArcSlack / 2, Area(image), kArcSlack / 2);
    else
        EXPECT_NEAR(area, Area(image), 0.02);
}

TEST(RasterStroke, CapsJoinsAndSides) {
    const RasterPath line = Polyline({{10, 10}, {30, 10}}, false);
    // Up, then right: the legs cover 156 px, the join adds to the outer
    // corner [8,10]^2; a miter cut at one half width stops at x + y = 20 - 2 sqrt 2.
    const RasterPath corner = Polyline({{10, 30}, {10, 10}, {30, 10}}, false);
    const double tip = 0.5 * std::pow(2 * M_SQRT2 - 2, 2);
    const auto none = RasterCap::None;
    struct Case {
        const char* label;
        RasterPath path;
        RasterStroke pen;
        double area;
        std::vector<Pixel> pixels;
    } cases[] = {
        {"butt",
         line,
         Pen(4, none),
         80,
         {{9, 9, 0}, {10, 9, 255}, {29, 9, 255}, {30, 9, 0}, {15, 7, 0}, {15, 11, 255}}},
        {"square", line, Pen(4, RasterCap::Square), 96, {{7, 9, 0}, {8, 9, 255}, {31, 9, 255}, {32, 9, 0}}},
        {"round", line, Pen(4, RasterCap::Round), 80 + 4 * M_PI, {{7, 9, 0}, {32, 10, 0}, {20, 7, 0}}},
        {"diagonal, 25 long", Polyline({{5, 5}, {25, 20}}, false), Pen(3, none), 75, {}},
        {"width 1 on pixel centres",
         Polyline({{10.5, 4}, {10.5, 8}}, false),
         Pen(1, none),
         4,
         {{10, 5, 255}, {9, 5, 0}, {11, 5, 0}}},
        {"miter", corner, Pen(4, none, RasterJoin::Miter, 3), 160, {{8, 8, 255}, {11, 11, 255}, {12, 12, 0}}},
        {"miter cut at its limit",
         corner,
         Pen(4, none, RasterJoin::Miter, 1),
         160 - (4 - 2 * M_SQRT2) * (4 - 2 * M_SQRT2) / 2,
         {{8, 8, static_cast<int>(std::lround(tip * 255))}, {11, 11, 255}}},
        {"bevel", corner, Pen(4, none, RasterJoin::Bevel), 158, {{8, 8, 0}, {9, 8, 128}, {11, 11, 255}, {12, 12, 0}}},
        {"round join", corner, Pen(4, none, RasterJoin::Round), 156 + M_PI, {{11, 11, 255}, {12, 12, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const RasterImage img = Stroked(c.path, c.pen);
        ExpectArea(c.area, c.pen.startCap == RasterCap::Round || c.pen.join == RasterJoin::Round, img);
        ExpectPixels(img, c.pixels);
    }
}

TEST(RasterStroke, ClosedContoursJoinAllRoundAndKeepTheirHole) {
    const RasterPath closed = Polyline({{10, 10}, {30, 10}, {30, 30}, {10, 30}}, true);
    const RasterImage mitered = Stroked(closed, Pen(4, RasterCap::None, RasterJoin::Miter));
    ExpectArea(24 * 24 - 16 * 16, false, mitered);
    ExpectPixels(mitered, {{8, 8, 255}, {20, 20, 0}});  // joined where it closes
    ExpectArea(320 - 4 * (4 - M_PI), true, Stroked(closed, Pen(4, RasterCap::None, RasterJoin::Round)));
    // Open, the same corner gets two butt ends instead.
    const RasterImage open = Stroked(Polyline({{10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}}, false),
                                     Pen(4, RasterCap::None, RasterJoin::Miter));
    ExpectArea(24 * 24 - 16 * 16 - 4, false, open);
    // An equilateral triangle of inradius 6: its outline's inner corners
    // meet at inradius 5, the outer ones at 7.
    RasterPath triangle;
    for (int k = 0; k < 3; ++k) {
        const double t = M_PI / 2 + k * 2 * M_PI / 3;
        k ? triangle.LineTo(20 + 12 * std::cos(t), 20 + 12 * std::sin(t)) : triangle.MoveTo(20, 32);
    }
    triangle.ClosePath();
    EXPECT_NEAR(3 * std::sqrt(3.0) * (7 * 7 - 5 * 5),
                Area(Stroked(triangle, Pen(2, RasterCap::None, RasterJoin::Miter))), 0.05);
}

TEST(RasterStroke, TurnsBackAndShortSegmentsLeaveNoHoles) {
    // Out and back: the rectangle once, and a half disc round the turn.
    ExpectArea(120 + 4.5 * M_PI, true,
               Stroked(Polyline({{10, 10}, {30, 10}, {10, 10}}, false), Pen(6, RasterCap::None, RasterJoin::Round)));
    // Segments far shorter than the width, zigzagging: their inner sides
    // cross, yet every pixel near the middle stays covered.
    RasterPath zigzag;
    zigzag.MoveTo(5, 20);
    for (int i = 1; i <= 60; ++i) zigzag.LineTo(5 + i * 0.5, 20 + (i % 2 ? 0.3 : -0.3));
    for (RasterJoin join : {RasterJoin::Round, RasterJoin::Bevel, RasterJoin::Miter}) {
        SCOPED_TRACE(static_cast<int>(join));
        const RasterImage img = Stroked(zigzag, Pen(8, RasterCap::None, join));
        for (int y = 17; y < 23; ++y)
            for (int x = 6; x < 34; ++x) ASSERT_EQ(255, Alpha(img, x, y)) << x << "," << y;
    }
}

TEST(RasterStroke, DotsAndStrokesThatDrawNothing) {
    const RasterPath dot = Polyline({{20, 20}, {20, 20}}, false), line = Polyline({{10, 10}, {30, 10}}, false);
    ExpectArea(9 * M_PI, true, Stroked(dot, Pen(6, RasterCap::Round)));
    ExpectArea(36, false, Stroked(dot, Pen(6, RasterCap::Square)));
    EXPECT_EQ(0, Area(Stroked(dot, Pen(6, RasterCap::None))));
    RasterPath moves;
    moves.MoveTo(5, 5);
    moves.MoveTo(9, 9);
    EXPECT_EQ(0, Area(Stroked(moves, Pen(6, RasterCap::Round))));
    for (double width :
         {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(width);
        EXPECT_EQ(0, Area(Stroked(line, Pen(width, RasterCap::Round))));
    }
    EXPECT_DOUBLE_EQ(1600, Area(Stroked(line, Pen(1e12, RasterCap::Round))));  // the whole canvas, no harm
}

TEST(RasterStroke, SampledCoverageAndStrokesInTheirOwnSpace) {
    // A line 0.4 wide across pixels 1 and 2: by area each holds 0.2 of it,
    // by the four sample points one of four (x 1.875 and 2.125).
    const RasterPath line = Polyline({{2, 0}, {2, 8}}, false);
    RasterStroke pen = Pen(0.4, RasterCap::None);
    EXPECT_EQ(51, Alpha(Stroked(line, pen), 1, 4));
    pen.sampled = true;
    const RasterImage sampled = Stroked(line, pen);
    ExpectPixels(sampled, {{0, 4, 0}, {1, 4, 64}, {2, 4, 64}, {3, 4, 0}});
    // Width 1 in a space stretched four times vertically: a horizontal line
    // is 4 pixels thick, a vertical one 1.
    pen = Pen(1, RasterCap::None);
    pen.local = true;
    pen.space = {1, 0, 0, 4, 0, 0};
    const RasterImage across = Stroked(Polyline({{0, 8}, {40, 8}}, false), pen);
    ExpectPixels(across, {{5, 5, 0}, {5, 6, 255}, {5, 9, 255}, {5, 10, 0}});
    const RasterImage down = Stroked(Polyline({{8.5, 0}, {8.5, 40}}, false), pen);
    ExpectPixels(down, {{7, 5, 0}, {8, 5, 255}, {9, 5, 0}});
}

}  // namespace
}  // namespace fh
