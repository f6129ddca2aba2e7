#include "tooltip/tip_placement.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

const TipRect kScreen{0, 0, 1024, 768};
const TipGeometry kBalloon = TipGeometry::Balloon();

// Where the window lands on the screen.
TipRect OnScreen(const TipPlacement& p, TipPoint at) {
    return TipRect{at.x - p.anchor.x, at.y - p.anchor.y, at.x - p.anchor.x + p.window.Width(),
                   at.y - p.anchor.y + p.window.Height()};
}

TEST(TipPlacement, CodesFlipAndSlideToStayOnTheScreen) {
    struct Case {
        const char* label;
        int code;
        TipPoint p;
        int w, h;
        int finalCode;
    } cases[] = {
        {"room everywhere: as asked", 16, {500, 400}, 100, 40, 16},
        {"near the right edge: the anchor to the right end", 16, {1000, 400}, 100, 40, 17},
        {"wider than the room on both sides: centred", 16, {500, 400}, 1000, 40, 18},
        {"near the top: below the point", 16, {500, 20}, 100, 40, 0},
        {"right end near the left edge: left end", 17, {20, 400}, 100, 40, 16},
        {"centred within the margin of the left edge: left end", 18, {10, 400}, 100, 40, 16},
        {"centred within the margin of the right edge: right end", 18, {1014, 400}, 100, 40, 17},
        {"left side near the right edge: right side", 32, {1000, 400}, 100, 40, 48},
        {"right side near the left edge: left side", 48, {10, 400}, 100, 40, 32},
        {"left side near the bottom: anchor at the bottom end", 32, {500, 760}, 100, 40, 33},
        {"left side centred near the top: top end", 34, {500, 5}, 100, 40, 32},
        {"unknown codes are the default", 99, {500, 400}, 100, 40, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const TipPlacement placed = PlaceTip(c.code, c.p, c.w, c.h, kBalloon, kScreen);
        EXPECT_EQ(c.finalCode, placed.code);
    }
}

TEST(TipPlacement, AnchorPointsTheWindowAtThePoint) {
    // Default direction: the anchor at the bottom-left, the body above.
    TipPlacement p = PlaceTip(16, {500, 400}, 100, 40, kBalloon, kScreen);
    EXPECT_EQ(100, p.window.Width());
    EXPECT_EQ(56, p.window.Height());  // the anchor's 16 below the body
    EXPECT_EQ((TipPoint{16, 56}), p.anchor);
    EXPECT_EQ(0, p.shiftY);
    p = PlaceTip(0, {500, 400}, 100, 40, kBalloon, kScreen);
    EXPECT_EQ((TipPoint{16, 0}), p.anchor);
    EXPECT_EQ(16, p.shiftY);  // the body moves down below the anchor
    p = PlaceTip(34, {500, 400}, 100, 40, kBalloon, kScreen);
    EXPECT_EQ(116, p.window.Width());
    EXPECT_EQ((TipPoint{0, 20}), p.anchor);
    EXPECT_EQ(16, p.shiftX);

    // A centred body that would cross the left edge slides right.
    p = PlaceTip(18, {30, 400}, 100, 40, kBalloon, kScreen);
    EXPECT_EQ(0, OnScreen(p, {30, 400}).left);
    EXPECT_EQ(30, p.anchor.x);
    // Pushed in from the right, an odd width stays inside the screen.
    p = PlaceTip(18, {1000, 400}, 101, 40, kBalloon, kScreen);
    EXPECT_EQ(18, p.code);
    EXPECT_EQ(1024, OnScreen(p, {1000, 400}).right);
    p = PlaceTip(50, {500, 760}, 40, 101, kBalloon, kScreen);
    EXPECT_LE(OnScreen(p, {500, 760}).bottom, 768);

    // A rectangle tip has no anchor: the window is the body.
    p = PlaceTip(16, {500, 400}, 100, 40, TipGeometry::Rectangle(), kScreen);
    EXPECT_EQ(40, p.window.Height());
    const TipShape shape = BuildTipShape(p.code, p.anchor, 100, 40, TipGeometry::Rectangle());
    EXPECT_FALSE(shape.hasAnchor);
    EXPECT_EQ((TipRect{0, 0, 100, 40}), shape.body);
}

TEST(TipPlacement, VirtualScreensWithNegativeCoordinates) {
    // A monitor left of the primary: the tip near the inner edge is not flipped.
    const TipRect wide{-1280, 0, 1024, 768};
    TipPlacement p = PlaceTip(16, {5, 400}, 100, 40, kBalloon, wide);
    EXPECT_EQ(16, p.code);
    p = PlaceTip(17, {-1270, 400}, 100, 40, kBalloon, wide);
    EXPECT_EQ(16, p.code);
    EXPECT_GE(OnScreen(p, {-1270, 400}).left, -1280);
    // Each check runs once: a left side flipped to the right side is not
    // checked horizontally again, even on a screen too narrow for both.
    const TipRect narrow{0, 0, 150, 768};
    p = PlaceTip(32, {100, 400}, 120, 40, kBalloon, narrow);
    EXPECT_EQ(48, p.code);
}

TEST(TipPlacement, BalloonOutline) {
    TipPlacement p = PlaceTip(16, {500, 400}, 100, 40, kBalloon, kScreen);
    TipShape shape = BuildTipShape(p.code, p.anchor, 100, 56, kBalloon);
    EXPECT_EQ((TipRect{0, 0, 100, 40}), shape.body);
    ASSERT_TRUE(shape.hasAnchor);
    EXPECT_EQ(p.anchor, shape.triangle[0]);
    EXPECT_EQ((TipPoint{16, 40}), shape.triangle[1]);
    EXPECT_EQ((TipPoint{28, 40}), shape.triangle[2]);
    shape = BuildTipShape(17, TipPoint{84, 56}, 100, 56, kBalloon);
    EXPECT_EQ((TipPoint{84, 40}), shape.triangle[1]);
    EXPECT_EQ((TipPoint{72, 40}), shape.triangle[2]);
    shape = BuildTipShape(50, TipPoint{116, 20}, 116, 40, kBalloon);
    EXPECT_EQ((TipRect{0, 0, 100, 40}), shape.body);
    EXPECT_EQ((TipPoint{100, 14}), shape.triangle[1]);
    EXPECT_EQ((TipPoint{100, 26}), shape.triangle[2]);
}

TEST(TipGeometry, ScalesWithTheResolution) {
    const TipGeometry at96 = TipGeometry::Balloon().Scaled(96);
    const TipGeometry at144 = TipGeometry::Balloon().Scaled(144);
    const TipGeometry at192 = TipGeometry::Balloon().Scaled(192);
    EXPECT_EQ(16, at96.cornerWidth);
    EXPECT_EQ(24, at144.cornerWidth);
    EXPECT_EQ(32, at192.cornerWidth);
    EXPECT_EQ(18, at144.marginX);
    EXPECT_EQ(24, at192.anchorWidth);
    EXPECT_EQ(32, at192.anchorMargin);
    const TipDecoration look = TipDecoration().Scaled(144);
    EXPECT_EQ(9, look.shadowX);
    EXPECT_EQ(11, look.blurWidth);  // 10.5 rounds up
    EXPECT_EQ(2, look.borderWidth);
    EXPECT_EQ(2, TipDecoration().Scaled(192).borderHeight);
    // The rectangle tip's zero measures stay zero; its margins grow.
    const TipGeometry plain = TipGeometry::Rectangle().Scaled(192);
    EXPECT_EQ(0, plain.cornerWidth);
    EXPECT_EQ(6, plain.marginX);
    // The balloon placed at 192 DPI is the one at 96 grown twice, anchor included.
    const TipRect screen{0, 0, 4000, 4000};
    const TipPlacement small = PlaceTip(16, TipPoint{1000, 1000}, 100, 40, at96, screen);
    const TipPlacement large = PlaceTip(16, TipPoint{1000, 1000}, 200, 80, at192, screen);
    EXPECT_EQ(2 * small.window.Width(), large.window.Width());
    EXPECT_EQ(2 * small.window.Height(), large.window.Height());
    EXPECT_EQ(2 * small.anchor.x, large.anchor.x);
}

}  // namespace
}  // namespace fh
