#include "gfx/draw_effects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fh {
namespace {

TEST(DrawEffects, PixelFunctions) {
    struct Case {
        const char* label;
        Pixel got, expected;
    } cases[] = {
        {"gray of white", PixelGray(0xFFFFFF), 0xFFFFFF},
        {"gray of pure red (pixel order)", PixelGray(0x00FF0000), 0x4C4C4C},
        {"gray of pure green", PixelGray(0x0000FF00), 0x959595},
        {"gray of pure blue", PixelGray(0x000000FF), 0x1D1D1D},
        {"invert", PixelInvert(0x12345678), 0xCBA987},
        {"darken 0.75", PixelDarken(0x00804020, 0.75), 0x00603018},
        {"darken 1 unchanged", PixelDarken(0xAB804020, 1.0), 0xAB804020},
        {"darken negative unchanged", PixelDarken(0xAB804020, -0.5), 0xAB804020},
        {"darken 0", PixelDarken(0x00804020, 0.0), 0},
        {"lighten 0.25 clamps", PixelLighten(0x00F08010, 0.25), 0x00FFA014},
        {"lighten 0 unchanged", PixelLighten(0xAB804020, 0.0), 0xAB804020},
        {"mix halves", PixelMix(0x00FF0000, 0.5, 0x000000FF, 0.5), 0x007F007F},
        {"mix keeps low 8 bits", PixelMix(0x00FF0000, 1.5, 0, 0), 0x007E0000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.expected, c.got);
    }
}

TEST(DrawEffects, GradientStepsNeverReachTheEnd) {
    EXPECT_EQ(0x000000u, GradientStep(0x000000, 0xFFFFFF, 0));
    EXPECT_EQ(0x7F7F7Fu, GradientStep(0x000000, 0xFFFFFF, 32));
    EXPECT_EQ(0xFBFBFBu, GradientStep(0x000000, 0xFFFFFF, 63));
    EXPECT_EQ(0x0000FFu, GradientStep(0x0000FF, 0x0000FF, 40));
}

TEST(DrawEffects, PaletteEndsAndColouring) {
    const ColorRef first = 0x0000FF, second = 0x00FF00, third = 0xFF0000;  // red, green, blue
    std::array<Pixel, 256> p = TexturePalette(first, second, third, 0);
    EXPECT_EQ(ToPixelOrder(third), p[0]);
    EXPECT_EQ(ToPixelOrder(first), p[255]);
    EXPECT_EQ(0x00FD01u, p[127]);  // the middle entries lie next to the second colour
    for (int colouring : {100, 101, 255}) {
        SCOPED_TRACE(colouring);
        p = TexturePalette(first, second, third, colouring);
        for (Pixel entry : p) ASSERT_EQ(ToPixelOrder(first), entry);
    }
    p = TexturePalette(0xFFFFFF, 0xFFFFFF, 0x000000, 50);
    EXPECT_EQ(0x7F7F7Fu, p[0]);
}

struct Image {
    int width, height;
    std::vector<std::uint8_t> bits;
    Image(int w, int h) : width(w), height(h), bits(static_cast<size_t>(w) * h, 0xEE) {}
    std::uint8_t at(int r, int j) const { return bits[static_cast<size_t>(r) * width + j]; }
};

Image Texture(int effect, int w, int h, int granularity, RandomSource random) {
    Image img(w, h);
    ComputeTexture(effect, w, h, granularity, random, img.bits.data(), w);
    return img;
}

TEST(DrawEffects, TexturesWithoutNoiseFollowTheirFormulas) {
    const RandomSource quiet = [] { return 12345; };  // noise 0 with granularity 0
    Image h = Texture(9, 4, 10, 0, quiet);
    for (int r = 0; r < 10; ++r) EXPECT_EQ(r * 255 / 10, h.at(r, 2)) << r;
    Image v = Texture(10, 8, 3, 0, quiet);
    for (int j = 0; j < 8; ++j) EXPECT_EQ(255 * (8 - j) / 8 % 256, v.at(1, j)) << j;
    Image n = Texture(7, 5, 5, 0, quiet);
    EXPECT_EQ(128, n.at(4, 4));
    // "vbump" shows the first colour (index 255) in its leftmost column.
    Image vb = Texture(12, 16, 4, 0, quiet);
    EXPECT_EQ(255, vb.at(0, 0));
    EXPECT_EQ(255, vb.at(3, 0));
    // With the generator at its maximum the noise is 1.
    Image loud = Texture(9, 1, 1, 0, [] { return 32767; });
    EXPECT_EQ(1, loud.at(0, 0));
}

TEST(DrawEffects, VisitingOrderDecidesWhichPixelGetsWhichRandomNumber) {
    int counter = 0;
    const RandomSource counting = [&counter] { return counter++ * 1000; };
    Image rows = Texture(7, 3, 2, 127, counting);  // L 254, C 129, noise = 10k / 129
    Image cols(3, 2);
    counter = 0;
    ComputeTexture(10, 3, 2, 127, counting, cols.bits.data(), 3);
    // Effect 7 visits row 0 left to right first: pixel (0,1) draws the second number.
    EXPECT_EQ((1000 * 1 / 129 - 127 + 128) & 0xFF, rows.at(0, 1));
    EXPECT_EQ((1000 * 3 / 129 - 127 + 128) & 0xFF, rows.at(1, 0));
    // Effect 10 visits column 0 bottom to top first: pixel (1,0) draws the second number.
    const int R = 255 - 2 * 127;
    EXPECT_EQ((R * 3 / 3 + 1000 * 1 / 129) & 0xFF, cols.at(1, 0));
    EXPECT_EQ((R * 2 / 3 + 1000 * 2 / 129) & 0xFF, cols.at(0, 1));
}

TEST(DrawEffects, DegenerateSizesAndEffects) {
    const RandomSource r = [] { return 32767; };
    for (int effect = 0; effect < 20; ++effect) {
        SCOPED_TRACE(effect);
        for (auto size : {std::pair<int, int>{1, 1}, {1, 7}, {7, 1}, {5, 2}, {2, 5}, {100, 1}}) {
            Image img = Texture(effect, size.first, size.second, 255, r);
            if (effect < 7 || effect > 15) {
                for (std::uint8_t b : img.bits) ASSERT_EQ(0xEE, b);
            }
        }
    }
    ComputeTexture(9, 0, 10, 0, r, nullptr, 0);
    ComputeTexture(9, -5, 10, 0, r, nullptr, 0);
}

TEST(DrawEffects, HardbumpRunsItsSecondPassOnNarrowPictures) {
    // Granularity 10: noise = 4914 / (32767 / 20) = 3 every time.
    const RandomSource three = [] { return 4914; };
    for (auto size : {std::pair<int, int>{5, 4}, {2, 2}, {3, 9}}) {
        const int w = size.first, h = size.second;
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        Image img = Texture(14, w, h, 10, three);
        // Narrower than 6 no pixel is a bevel; pass 2 adds noise - A once more.
        for (int r = 0; r < h; ++r) {
            const long long t = r * 255LL / h - 127;
            const long long v = t * t * t / 128 / 128;
            const long long pass1 = v * (64 - 10) * 2 / 128 + 128 + 3 - 10;
            for (int j = 0; j < w; ++j) ASSERT_EQ((pass1 + 3 - 10) & 0xFF, img.at(r, j)) << r << "," << j;
        }
    }
}

TEST(DrawEffects, BlendingAndEffectCopies) {
    std::vector<Pixel> src = {0x00FF0000, 0x000000FF}, dst = {0x000000FF, 0x00FF0000};
    std::vector<Pixel> d = dst;
    BlendPercentPixels(src.data(), d.data(), 2, 0);
    EXPECT_EQ(dst, d);
    BlendPercentPixels(src.data(), d.data(), 2, 50);
    EXPECT_EQ(0x007F007Fu, d[0]);
    std::vector<Pixel> alpha = {0xFF00FF00, 0x0000FF00};
    d = dst;
    BlendAlphaPixels(alpha.data(), d.data(), 2);
    EXPECT_EQ(0x0000FF00u, d[0]);
    EXPECT_EQ(0x00FF0000u, d[1]);

    const Pixel transparent = 0x00FF00FF;
    std::vector<Pixel> px = {0x00FF00FF, 0x01FF00FF, 0x00123456};
    EXPECT_TRUE(EffectCopyPixels(px.data(), px.size(), IMAGE_EFFECT_INVERT, true, transparent, 0));
    EXPECT_EQ(0x00FFFFFFu, px[0]);   // transparent, then inverted
    EXPECT_EQ(0x0100FF00u, px[1]);   // the alpha byte makes it a picture pixel
    EXPECT_EQ(0x00EDCBA9u, px[2]);
    px = {0x00FF00FF, 0x00102030};
    EXPECT_FALSE(EffectCopyPixels(px.data(), px.size(), IMAGE_EFFECT_FILL, true, transparent, 0x00ABCDEF));
    EXPECT_EQ(0u, px[0]);
    EXPECT_EQ(0x00ABCDEFu, px[1]);
}

TEST(DrawEffects, ShadowUsesOddWindowsAndWhiteOutside) {
    const int w = 9, h = 7;
    std::vector<Pixel> silhouette(w * h, 0x00FFFFFF);
    silhouette[3 * w + 4] = 0;  // one black pixel in the middle
    auto shade = [&](bool blur, int bw, int bh) {
        std::vector<Pixel> dst(w * h, 0x00FFFFFF);
        ApplyShadow(silhouette.data(), dst.data(), w, h, blur, bw, bh);
        return dst;
    };
    EXPECT_EQ(shade(true, 4, 2), shade(true, 5, 3));
    std::vector<Pixel> hard = shade(false, 0, 0);
    EXPECT_EQ(0u, hard[3 * w + 4]);
    EXPECT_EQ(0x00FFFFFFu, hard[0]);
    std::vector<Pixel> soft = shade(true, 3, 3);
    // The 3x3 window over the black pixel lets 8/9 of the light through.
    const Pixel expected = PixelDarken(0x00FFFFFF, 8.0 * 255 / (9 * 255));
    EXPECT_EQ(expected, soft[3 * w + 4]);
    EXPECT_EQ(expected, soft[2 * w + 3]);
    EXPECT_EQ(0x00FFFFFFu, soft[1 * w + 4]);
    EXPECT_EQ(5, OddBlurSize(4));
    EXPECT_EQ(5, OddBlurSize(5));
}

TEST(DrawEffects, ShadowOverWhiteLeavesTheDestinationExactly) {
    // Every window of this picture lies on white: no channel may drop.
    for (int blur : {3, 7, 9, 31}) {
        SCOPED_TRACE(blur);
        const int w = 40, h = 30;
        std::vector<Pixel> silhouette(w * h, 0x00FFFFFF);
        std::vector<Pixel> dst(w * h, 0x00C08041);
        ApplyShadow(silhouette.data(), dst.data(), w, h, true, blur, blur);
        for (Pixel p : dst) ASSERT_EQ(0x00C08041u, p);
    }
}

TEST(DrawEffects, HugeBlurWindowsCostNoMoreThanThePicture) {
    // Windows far wider than the picture only add white around it.
    const int w = 128, h = 128;
    std::vector<Pixel> silhouette(w * h, 0x00FFFFFF);
    silhouette[5 * w + 7] = 0;
    std::vector<Pixel> dst(w * h, 0x00FFFFFF);
    ApplyShadow(silhouette.data(), dst.data(), w, h, true, 2000000000, 2000000000);
    for (Pixel p : dst) ASSERT_EQ(0x00FFFFFFu, p);  // one dark pixel in 4e18 is no light lost

    // 33 554 433 x 1: the black pixel's row loses 1 / 33554433 of its light.
    dst.assign(w * h, 0x00FFFFFF);
    ApplyShadow(silhouette.data(), dst.data(), w, h, true, 33554432, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(y == 5 ? 0x00FEFEFEu : 0x00FFFFFFu, dst[y * w + x]) << x << "," << y;
}

}  // namespace
}  // namespace fh
