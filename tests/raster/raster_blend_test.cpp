#include "raster/raster_blend.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace fh {
namespace {

// A layer pixel (200, 100, 50) and a backdrop pixel (100, 150, 250), both opaque.
constexpr std::uint32_t kLayer = 0xFFC86432, kBelow = 0xFF6496FA;

TEST(RasterBlend, OpaquePixelsFollowEachModesFormula) {
    struct Case {
        RasterBlend mode;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {RasterBlend::Normal, 0xFFC86432},      // the layer
        {RasterBlend::Layer, 0xFFC86432},       // the layer
        {RasterBlend::Multiply, 0xFF4E3B31},    // 200*100/255 = 78, 100*150/255 = 59, 50*250/255 = 49
        {RasterBlend::Screen, 0xFFDEBFFB},      // b + s - b*s/255: 222, 191, 251
        {RasterBlend::Lighten, 0xFFC896FA},     // 200, 150, 250
        {RasterBlend::Darken, 0xFF646432},      // 100, 100, 50
        {RasterBlend::Difference, 0xFF6432C8},  // 100, 50, 200
        {RasterBlend::Add, 0xFFFFFAFF},         // 300 -> 255, 250, 300 -> 255
        {RasterBlend::Subtract, 0xFF0032C8},    // b - s, floor 0: 0, 50, 200
        {RasterBlend::Invert, 0xFF9B6905},      // 255 - b: 155, 105, 5
        {RasterBlend::Alpha, 0xFF6496FA},       // b * 255/255
        {RasterBlend::Erase, 0x00000000},       // b * 0
        // Overlay: b <= 127.5 multiplies 2b*s (R: 157), else screens (G: 127, B: 247).
        {RasterBlend::Overlay, 0xFF9D7FF7},
        // Hardlight: s <= 127.5 multiplies b*2s (G: 118, B: 98), else screens (R: 188).
        {RasterBlend::Hardlight, 0xFFBC7662},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        EXPECT_EQ(BlendPixel(kLayer, kBelow, c.mode), c.expected);
    }
}

TEST(RasterBlend, SemiTransparentPixelsMixTheModeWithSourceOver) {
    // Half red layer on opaque grey: R = 128*(1-a) + a*128*1 = 128, G = B = 128*(1-a) = 64.
    EXPECT_EQ(BlendPixel(0x80800000, 0xFF808080, RasterBlend::Multiply), 0xFF804040u);
    // Opaque 128-blue on a half red backdrop: the backdrop's red survives screen at 128.
    EXPECT_EQ(BlendPixel(0xFF000080, 0x80800000, RasterBlend::Screen), 0xFF800080u);
    // Half invert: 100*127/255 + 155*128/255 = 128, likewise 127 and 127; alpha stays the backdrop's.
    EXPECT_EQ(BlendPixel(0x80000000, kBelow, RasterBlend::Invert), 0xFF807F7Fu);
    EXPECT_EQ(BlendPixel(0x33000000, kBelow, RasterBlend::Alpha), 0x33141E32u);  // everything * 0.2
    EXPECT_EQ(BlendPixel(0x33000000, kBelow, RasterBlend::Erase), 0xCC5078C8u);  // everything * 0.8
}

TEST(RasterBlend, EmptyLayerOrBackdropLeavesTheOtherAsIs) {
    for (int m = 0; m <= static_cast<int>(RasterBlend::Hardlight); ++m) {
        const RasterBlend mode = static_cast<RasterBlend>(m);
        if (mode == RasterBlend::Invert || mode == RasterBlend::Alpha || mode == RasterBlend::Erase) continue;
        SCOPED_TRACE(static_cast<int>(mode));
        EXPECT_EQ(BlendPixel(0x80402010, 0, mode), 0x80402010u);
        EXPECT_EQ(BlendPixel(0, 0x80402010, mode), 0x80402010u);
    }
    EXPECT_EQ(BlendPixel(0, kBelow, RasterBlend::Invert), kBelow);
    EXPECT_EQ(BlendPixel(0, kBelow, RasterBlend::Erase), kBelow);
    EXPECT_EQ(BlendPixel(0, kBelow, RasterBlend::Alpha), 0u);
}

TEST(RasterBlend, SwfByteMapsToMode) {
    EXPECT_EQ(RasterBlendFromSwf(0), RasterBlend::Normal);
    EXPECT_EQ(RasterBlendFromSwf(1), RasterBlend::Normal);
    EXPECT_EQ(RasterBlendFromSwf(2), RasterBlend::Layer);
    EXPECT_EQ(RasterBlendFromSwf(13), RasterBlend::Overlay);
    EXPECT_EQ(RasterBlendFromSwf(14), RasterBlend::Hardlight);
    EXPECT_EQ(RasterBlendFromSwf(15), RasterBlend::Normal);
}

TEST(RasterBlend, ImagePlacedAtOffsetIsClipped) {
    RasterImage layer(2, 1);
    layer.px = {0xFFFF0000, 0xFF00FF00};
    RasterImage below(3, 2);
    BlendImage(layer, below, RasterBlend::Normal, 2, 1);
    EXPECT_EQ(below.px, (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0xFFFF0000}));
    BlendImage(layer, below, RasterBlend::Normal, -1, 0);
    EXPECT_EQ(below.px, (std::vector<std::uint32_t>{0xFF00FF00, 0, 0, 0, 0, 0xFFFF0000}));
    const std::vector<std::uint32_t> before = below.px;
    BlendImage(layer, below, RasterBlend::Normal, INT_MAX, INT_MIN);
    BlendImage(layer, below, RasterBlend::Normal, INT_MIN, INT_MAX);
    EXPECT_EQ(below.px, before);
}

TEST(RasterBlend, AlphaClearsTheGroupOutsideTheLayerEraseKeepsIt) {
    RasterImage layer(1, 1, 0x33000000);
    RasterImage alpha(2, 1, kBelow), erase(2, 1, kBelow);
    BlendImage(layer, alpha, RasterBlend::Alpha, 1, 0);
    BlendImage(layer, erase, RasterBlend::Erase, 1, 0);
    EXPECT_EQ(alpha.px, (std::vector<std::uint32_t>{0, 0x33141E32}));
    EXPECT_EQ(erase.px, (std::vector<std::uint32_t>{kBelow, 0xCC5078C8}));
}

TEST(RasterBlend, ColorTransformWorksOnUnpremultipliedChannels) {
    struct Case {
        std::uint32_t pixel;
        double mul[4], add[4];
        std::uint32_t expected;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        // (50, 100, 150) at alpha 51 -> (105, 100, 75) at 102, premultiplied by 0.4.
        {0x330A141E, {2, 1, 0.5, 2}, {5, 0, 0, 0}, 0x662A281E},
        {0x00000000, {1, 1, 1, 1}, {255, 0, 0, 255}, 0xFFFF0000},  // transparent counts as black
        {kBelow, {1, 1, 1, 1}, {300, -300, 0, 0}, 0xFFFF00FA},     // clamped
        {kBelow, {nan, 1, 1, 1}, {0, 0, 0, nan}, 0xFF0096FA},      // NaN factors count as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixel);
        RasterImage image(1, 1, c.pixel);
        ApplyColorTransform(image, c.mul, c.add);
        EXPECT_EQ(image.px[0], c.expected);
    }
}

}  // namespace
}  // namespace fh
