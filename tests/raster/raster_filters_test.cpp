#include "raster/raster_filters.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace fh {
namespace {

using Pixels = std::vector<std::uint32_t>;

constexpr std::uint32_t kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGrey = 0xFF808080, kBlack = 0xFF000000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr double kPi = 3.14159265358979323846;
const Pixels kDot = {0, kWhite, 0};                   // an opaque white pixel between empty ones
const Pixels kBar = {0, kGrey, kGrey, kGrey, 0};      // a grey bar for the bevels

Pixels Filtered(const Pixels& row, const RasterFilter& filter) {
    RasterImage image(static_cast<int>(row.size()), 1);
    image.px = row;
    ApplyFilter(image, filter);
    return image.px;
}

std::vector<int> Sides(const RasterRect& r) { return {r.left, r.top, r.right, r.bottom}; }

RasterBlur Blur(double x, double y, int passes) { return {x, y, passes}; }

// Filters without blur unless a test sets it, the offset pointing right.
RasterDropShadow Shadow(double blur, double distance) {
    RasterDropShadow f;
    f.blurX = f.blurY = blur;
    f.distance = distance;
    f.angle = 0;
    return f;
}
RasterGlow GreenGlow() {  // a box of 3 across, none down
    RasterGlow f;
    f.color = kGreen;
    f.blurX = 3;
    f.blurY = 0;
    f.strength = 1;
    return f;
}
template <typename Bevel>
Bevel Unblurred(Bevel f) {
    f.blurX = f.blurY = 0;
    f.distance = 1;
    f.angle = 0;
    return f;
}

TEST(RasterFilters, KindFollowsFilterId) {
    const RasterFilter filters[] = {{RasterDropShadow{}}, {RasterBlur{}},        {RasterGlow{}},
                                    {RasterBevel{}},      {RasterGradientGlow{}}, {RasterConvolution{}},
                                    {RasterColorMatrix{}}, {RasterGradientBevel{}}};
    for (int id = 0; id < 8; ++id) EXPECT_EQ(static_cast<int>(filters[id].Kind()), id);
}

TEST(RasterFilters, BlurIsABoxOfBlurXPixelsPerPass) {
    const Pixels wide = {0, 0, kWhite, 0, 0};
    const std::uint32_t third = 0x55555555;
    EXPECT_EQ(Filtered(wide, {Blur(3, 0, 1)}), (Pixels{0, third, third, third, 0}));
    EXPECT_EQ(Filtered(wide, {Blur(2, 0, 1)}), (Pixels{0, 0x40404040, 0x80808080, 0x40404040, 0}));  // 1/4 1/2 1/4
    // The second pass over (85, 85, 85): 85/3, 170/3, 255/3.
    EXPECT_EQ(Filtered(wide, {Blur(3, 0, 2)}), (Pixels{0x1C1C1C1C, 0x39393939, third, 0x39393939, 0x1C1C1C1C}));
    EXPECT_EQ(Filtered(wide, {Blur(1, 0, 3)}), wide);
    EXPECT_EQ(Filtered(wide, {Blur(9, 0, 0)}), wide);
    RasterImage square(3, 3);
    square.At(1, 1) = kWhite;
    ApplyFilter(square, {Blur(3, 3, 1)});
    EXPECT_EQ(square.px, Pixels(9, 0x1C1C1C1C));  // 255/3 along the row, then /3 down each column
}

TEST(RasterFilters, ReachCoversBlurAndOffset) {
    RasterDropShadow down = Shadow(0, 2), far = Shadow(0, 1e9), inner = Shadow(3, 4);
    down.angle = kPi / 2;
    inner.inner = true;
    RasterGlow glow;
    glow.blurX = 3;
    glow.blurY = 5;
    RasterBevel outer = Unblurred(RasterBevel{}), innerBevel = outer;
    outer.blurX = outer.blurY = 3;
    outer.distance = 2;
    outer.inner = false;
    RasterConvolution conv{3, 2, std::vector<float>(6, 1.0f), 1, 0, 0, false, false}, huge = conv;
    huge.matrixX = 16;
    huge.matrix.resize(32);
    const struct {
        RasterFilter filter;
        RasterRect expected;
    } cases[] = {
        {{Blur(4, 3, 2)}, {4, 2, 4, 2}},
        {{Blur(1e30, std::nan(""), 99)}, {1905, 0, 1905, 0}},  // 127 a pass, 15 passes
        {{Shadow(3, 4)}, {0, 1, 5, 1}},
        {{down}, {0, 0, 0, 2}},
        {{far}, {0, 0, 1024, 0}},
        {{inner}, {0, 0, 0, 0}},
        {{glow}, {1, 2, 1, 2}},
        {{outer}, {3, 1, 3, 1}},
        {{innerBevel}, {0, 0, 0, 0}},
        {{conv}, {1, 0, 1, 1}},
        {{huge}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        EXPECT_EQ(Sides(FilterReach(c.filter)), Sides(c.expected));
    }
    EXPECT_EQ(FilterReach(std::vector<RasterFilter>{{Blur(3, 3, 1)}, {glow}}).bottom, 3);
}

TEST(RasterFilters, DropShadowIsTheMovedAlphaInTheColour) {
    const Pixels object = {0, kRed, 0, 0, 0};
    RasterDropShadow knockout = Shadow(0, 2), halfColour = knockout, halfStrength = knockout;
    knockout.knockout = true;
    halfColour.color = 0x80000000;
    halfStrength.strength = 0.5;
    EXPECT_EQ(Filtered(object, {Shadow(0, 2)}), (Pixels{0, kRed, 0, kBlack, 0}));
    EXPECT_EQ(Filtered(object, {knockout}), (Pixels{0, 0, 0, kBlack, 0}));
    EXPECT_EQ(Filtered(object, {halfColour}), (Pixels{0, kRed, 0, 0x80000000, 0}));
    EXPECT_EQ(Filtered(object, {halfStrength}), (Pixels{0, kRed, 0, 0x80000000, 0}));
    // Inner: the complement moved one to the right shades the object's left pixel.
    RasterDropShadow inner = Shadow(0, 1);
    inner.inner = true;
    EXPECT_EQ(Filtered({0, kRed, kRed, 0}, {inner}), (Pixels{0, kBlack, kRed, 0}));
    inner.knockout = true;
    EXPECT_EQ(Filtered({0, kRed, kRed, 0}, {inner}), (Pixels{0, kBlack, 0, 0}));
}

TEST(RasterFilters, GlowStrengthKnockoutHiddenAndInner) {
    const std::uint32_t glow85 = 0x55005500;  // blurred alpha 255/3 in green
    RasterGlow strong = GreenGlow(), strongest = strong, knockout = strong, hidden = strong, inner = strong;
    strong.strength = 2;
    strongest.strength = 255;
    knockout.knockout = true;
    hidden.compositeSource = false;
    inner.inner = true;
    EXPECT_EQ(Filtered(kDot, {GreenGlow()}), (Pixels{glow85, kWhite, glow85}));
    EXPECT_EQ(Filtered(kDot, {strong}), (Pixels{0xAA00AA00, kWhite, 0xAA00AA00}));
    EXPECT_EQ(Filtered(kDot, {strongest}), (Pixels{kGreen, kWhite, kGreen}));
    EXPECT_EQ(Filtered(kDot, {knockout}), (Pixels{glow85, 0, glow85}));
    EXPECT_EQ(Filtered(kDot, {hidden}), (Pixels{glow85, glow85, glow85}));
    // Blurred alpha (170, 255, 170): the complement 85 at the ends, atop the white.
    EXPECT_EQ(Filtered({kWhite, kWhite, kWhite}, {inner}), (Pixels{0xFFAAFFAA, kWhite, 0xFFAAFFAA}));
}

TEST(RasterFilters, BevelHighlightsTheEdgeFacingTheLight) {
    const struct {
        bool inner, onTop, knockout;
        double angle;
        Pixels expected;
    } cases[] = {
        {true, false, false, 0, {0, kWhite, kGrey, kBlack, 0}},
        {false, false, false, 0, {kWhite, kGrey, kGrey, kGrey, kBlack}},
        {false, true, false, 0, {kWhite, kWhite, kGrey, kBlack, kBlack}},
        {true, false, true, 0, {0, kWhite, 0, kBlack, 0}},
        {true, false, false, kPi, {0, kBlack, kGrey, kWhite, 0}},  // light from the right
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        RasterBevel f = Unblurred(RasterBevel{});
        f.highlightColor = kWhite;
        f.shadowColor = kBlack;
        f.inner = c.inner;
        f.onTop = c.onTop;
        f.knockout = c.knockout;
        f.angle = c.angle;
        EXPECT_EQ(Filtered(kBar, {f}), c.expected);
    }
}

TEST(RasterFilters, GradientFiltersMapThroughTheTable) {
    RasterGradientGlow glow;
    glow.blurX = 3;
    glow.blurY = glow.distance = 0;
    glow.colors = {0x00FF0000, kRed};
    glow.ratios = {0, 255};
    EXPECT_EQ(Filtered(kDot, {glow}), (Pixels{0x55550000, kWhite, 0x55550000}));  // entry 85: red at 85
    // Full: the outer field (85) outside, the inner one (170) inside, over the object.
    glow.onTop = true;
    EXPECT_EQ(Filtered(kDot, {glow}), (Pixels{0x55550000, 0xFFFF5555, 0x55550000}));
    glow.onTop = false;
    glow.colors = {0xFF0000FF, kRed};  // entry 85: blue 170, red 85
    glow.knockout = true;
    EXPECT_EQ(Filtered(kDot, {glow}), (Pixels{0xFF5500AA, 0, 0xFF5500AA}));
    glow.colors.clear();
    EXPECT_EQ(Filtered(kDot, {glow}), (Pixels{0, 0, 0}));

    RasterGradientBevel bevel = Unblurred(RasterGradientBevel{});
    bevel.colors = {kWhite, 0x00000000, kBlack};  // highlight, flat, shadow
    bevel.ratios = {0, 128, 255};
    bevel.onTop = true;
    EXPECT_EQ(Filtered(kBar, {bevel}), (Pixels{kWhite, kWhite, kGrey, kBlack, kBlack}));
}

TEST(RasterFilters, ConvolutionEdgesDivisorAndAlpha) {
    RasterConvolution spread{3, 1, {1, 3, 1}, 5, 0, 0, false, false};
    EXPECT_EQ(Filtered(kDot, {spread}), (Pixels{0x33333333, 0x99999999, 0x33333333}));
    RasterConvolution left{3, 1, {1, 0, 0}, 1, 0, 0x8000FF00, true, false};  // takes the left neighbour
    EXPECT_EQ(Filtered({0xFF640000, 0xFFC80000}, {left}), (Pixels{0xFF640000, 0xFF640000}));
    left.clamp = false;  // the default colour, premultiplied, off the picture
    EXPECT_EQ(Filtered({0xFF640000, 0xFFC80000}, {left}), (Pixels{0x80008000, 0xFF640000}));
    // Straight (50, 100, 150) + 10 at alpha 51.
    EXPECT_EQ(Filtered({0x330A141E}, {RasterConvolution{1, 1, {1}, 1, 10, 0, true, true}}), Pixels{0x330C1620});
    EXPECT_EQ(Filtered({0xFF102030}, {RasterConvolution{1, 1, {2}, 0, 0, 0, true, true}}), Pixels{0xFF204060});
    RasterConvolution huge{16, 16, std::vector<float>(256, 1), 1, 0, 0, true, false};
    EXPECT_EQ(Filtered(kDot, {huge}), kDot);
    EXPECT_EQ(Filtered(kDot, {RasterConvolution{3, 3, {1, 3, 1}, 5, 0, 0, true, false}}), kDot);  // short matrix
}

TEST(RasterFilters, ColorMatrixOnStraightChannels) {
    RasterColorMatrix swap, half, offsets;
    // (50, 100, 150) at alpha 51 -> (150, 100, 55): red and blue exchanged, blue + 5.
    swap.matrix = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 1, 0};
    EXPECT_EQ(Filtered({0x330A141E}, {swap}), Pixels{0x331E140B});
    half.matrix[18] = 0.5f;
    EXPECT_EQ(Filtered({0x6614283C}, {half}), Pixels{0x330A141E});
    offsets.matrix = {0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255};
    EXPECT_EQ(Filtered({0}, {offsets}), Pixels{kRed});
}

TEST(RasterFilters, SeveralApplyInOrder) {
    RasterColorMatrix swap;  // red and green exchanged
    swap.matrix = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    RasterImage image(3, 1);
    image.px = {0, kRed, 0};
    ApplyFilters(image, {{GreenGlow()}, {swap}});
    EXPECT_EQ(image.px, (Pixels{0x55550000, kGreen, 0x55550000}));
}

TEST(RasterFilters, HostileParametersStayBoundedAndPremultiplied) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    RasterDropShadow shadow{0x80FFFFFF, inf, nan, inf, -1e300, 1e9, 1 << 30, false, false, true};
    RasterBevel bevel;
    bevel.distance = 1e300;
    bevel.strength = -5;
    RasterConvolution conv{3, 3, std::vector<float>(9, static_cast<float>(nan)), static_cast<float>(nan),
                           static_cast<float>(inf), 0, true, false};
    RasterGradientGlow glow;
    glow.colors = {kWhite, kRed, 0x80000000};
    glow.ratios = {200, 10};  // fewer ratios than colours, going backwards
    glow.passes = -3;
    RasterImage image(64, 48);
    for (std::size_t i = 0; i < image.px.size(); ++i) image.px[i] = (i % 7) ? 0x80402010u : kWhite;
    ApplyFilters(image, {{Blur(1e9, 255, 31)}, {shadow}, {bevel}, {conv}, {glow}});
    for (std::uint32_t p : image.px) {
        const std::uint32_t a = p >> 24;
        ASSERT_TRUE(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a) << std::hex << p;
    }
    RasterImage broken(4, 4);
    broken.px.resize(3);  // sizes that disagree with the pixels are left alone
    ApplyFilter(broken, {Blur(3, 3, 1)});
    EXPECT_EQ(broken.px.size(), 3u);
}

}  // namespace
}  // namespace fh
