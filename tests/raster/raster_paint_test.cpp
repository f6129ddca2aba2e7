#include "raster/raster_paint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace fh {
namespace {

std::uint32_t Transformed(std::uint32_t color, int channel, double mul, double add) {
    RasterPaint paint = RasterPaint::Solid(color);
    paint.transform.mul[channel] = mul;
    paint.transform.add[channel] = add;
    RasterShader shader;
    shader.Prepare(paint);
    return shader.Color();
}

TEST(RasterPaint, PixelArithmeticAndColourTransforms) {
    std::uint32_t row[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFF336699, 0xFF000000};
    const std::uint8_t cover[4] = {128, 0, 255, 255};
    RasterBlendSolid(row, 0xFF000000, cover, 3);
    const std::uint32_t src = 0x80800000;
    RasterBlendRow(row + 3, &src, cover + 3, 1);
    struct Case {
        const char* label;
        std::uint32_t got, expected;
    } cases[] = {
        {"scale by 128/255", RasterScale(0xFFFFFFFF, 128), 0x80808080},
        {"1 * 128/255 rounds up", RasterScale(0x01010101, 128), 0x01010101},
        {"1 * 127/255 rounds down", RasterScale(0x01010101, 127), 0},
        {"half red over white", RasterOver(0x80800000, 0xFFFFFFFF), 0xFFFF7F7F},
        {"over a pixel with colour above alpha stays in its bytes", RasterOver(0x80808080, 0x00FFFFFF), 0x80FFFFFF},
        {"premultiply", RasterPremultiply(0x80FF8000), 0x80804000},
        {"channels above alpha lowered", RasterValidPixel(0x40FF8010), 0x40404010},
        {"black at coverage 128 over white", row[0], 0xFF7F7F7F},
        {"coverage 0 leaves", row[1], 0xFFFFFFFF},
        {"full coverage replaces", row[2], 0xFF000000},
        {"half red over black", row[3], 0xFF800000},
        // The transform works on straight colour, floors, clamps.
        {"red times half", Transformed(0xFFFFC864, 0, 0.5, 0), 0xFF7FC864},
        {"red less 300", Transformed(0xFFFFC864, 0, 1, -300), 0xFF00C864},
        {"alpha times half keeps the colour", Transformed(0x80800000, 3, 0.5, 0), 0x40400000},
        {"alpha less 128 on white", Transformed(0xFFFFFFFF, 3, 1, -128), 0x7F7F7F7F},
        {"transparent gains alpha, black", Transformed(0, 3, 1, 255), 0xFF000000},
        {"identity", Transformed(0x80402010, 0, 1, 0), 0x80402010},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.expected, c.got);
    }
    // A run of one colour gives what pixel-by-pixel source-over gives, at
    // every length (whole groups of four and the rest).
    std::vector<std::uint32_t> run(11), one(11);
    for (std::size_t i = 0; i < run.size(); ++i) run[i] = one[i] = RasterPremultiply(0x10305070u * (i + 1) | 0x80000000u);
    RasterOverSolid(run.data(), 0x60401000, 11);
    for (std::uint32_t& p : one) p = RasterOver(0x60401000, p);
    EXPECT_EQ(one, run);
    // So do rows at coverages of every kind, of one colour or of many.
    const std::uint8_t covers[11] = {0, 255, 1, 128, 254, 0, 255, 77, 200, 3, 255};
    std::vector<std::uint32_t> colours(11), solid = run, shaded = run;
    for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = RasterPremultiply(0x2468ACE0u * (i + 3) | (i % 3 ? 0xFF000000u : 0x90000000u));
    RasterBlendSolid(solid.data(), 0xC0305010, covers, 11);
    RasterBlendRow(shaded.data(), colours.data(), covers, 11);
    for (std::size_t i = 0; i < run.size(); ++i) {
        EXPECT_EQ(covers[i] ? RasterOver(RasterScale(0xC0305010, covers[i]), run[i]) : run[i], solid[i]) << i;
        EXPECT_EQ(covers[i] ? RasterOver(RasterScale(colours[i], covers[i]), run[i]) : run[i], shaded[i]) << i;
    }
}

std::vector<std::uint32_t> Row(const RasterPaint& paint, int x, int y, int n) {
    RasterShader shader;
    std::vector<std::uint32_t> out(n, 0xDEADBEEF);
    if (shader.Prepare(paint)) shader.ShadeRow(x, y, n, out.data());
    return out;
}

TEST(RasterPaint, ImagesSampleAtPixelCentres) {
    const std::uint32_t A = 0xFF000000, B = 0xFFFFFFFF, C = 0xFF0000FF, D = 0xFFFF0000;
    RasterImage image(2, 2);
    image.px = {A, B, C, D};
    const RasterMatrix shift{1, 0, 0, 1, 3, 1}, twice{2, 0, 0, 2, 0, 0}, half{1, 0, 0, 1, 0.5, 0};
    using V = std::vector<std::uint32_t>;
    struct Case {
        const char* label;
        RasterMatrix m;
        bool repeat, smooth;
        int x, y, n;
        V expected;
    } cases[] = {
        {"moved whole pixels, nearest", shift, false, false, 3, 2, 2, V{C, D}},
        {"moved whole pixels, smooth is exact", shift, false, true, 3, 1, 2, V{A, B}},
        {"clamped beyond the edges", shift, false, false, 0, 1, 7, V{A, A, A, A, B, B, B}},
        {"repeated beyond the edges", shift, true, false, 0, 1, 7, V{B, A, B, A, B, A, B}},
        {"repeated, smooth", shift, true, true, 0, 2, 3, V{D, C, D}},
        {"scaled twice, nearest", twice, false, false, 0, 0, 4, V{A, A, B, B}},
        {"scaled twice, smooth quarters", twice, false, true, 0, 0, 4, V{A, 0xFF404040, 0xFFBFBFBF, B}},
        {"half a texel off, smooth halves", half, false, true, 0, 0, 2, V{A, 0xFF808080}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.expected, Row(RasterPaint::Image(image, c.m, c.repeat, c.smooth), c.x, c.y, c.n));
    }
    RasterShader shader;
    EXPECT_FALSE(shader.Prepare(RasterPaint::Image(image, {1, 0, 0, 0, 0, 0}, false, true)));  // singular
    image.px.pop_back();
    EXPECT_FALSE(shader.Prepare(RasterPaint::Image(image, shift, false, true)));  // pixels short of its size
}

TEST(RasterPaint, GradientRampsAlongTheirShapes) {
    RasterGradient g;
    for (int i = 0; i < 256; ++i) g.colors[i] = 0xFF000000u | static_cast<std::uint32_t>(i);
    // The unit square across 10 pixels from x 5; rows of 20 pixels.
    g.unitToDevice = {10, 0, 0, 10, 5, 0};
    auto blue = [&](RasterGradient::Shape shape, RasterGradient::Spread spread, int y) {
        g.shape = shape;
        g.spread = spread;
        std::vector<int> out;
        for (std::uint32_t p : Row(RasterPaint::Gradient(g), 0, y, 20)) out.push_back(static_cast<int>(p & 0xFF));
        return out;
    };
    using S = RasterGradient::Shape;
    using P = RasterGradient::Spread;
    const std::vector<int> pad = blue(S::Linear, P::Pad, 0), rep = blue(S::Linear, P::Repeat, 0),
                           ref = blue(S::Linear, P::Reflect, 0), radial = blue(S::Radial, P::Pad, 0);
    EXPECT_EQ(0, pad[4]);
    EXPECT_EQ(12, pad[5]);   // centre at 0.05 of the ramp: colour 12.3
    EXPECT_EQ(243, pad[14]);  // 0.95: colour 242.7
    EXPECT_EQ(255, pad[19]);
    EXPECT_EQ(pad[5], rep[15]);   // a second cycle
    EXPECT_EQ(pad[14], ref[15]);  // mirrored
    EXPECT_EQ(18, radial[5]);  // (0.05, 0.05) from the centre: colour 17.6
    EXPECT_EQ(radial[4], radial[5]);
    EXPECT_LT(radial[5], radial[6]);
    EXPECT_EQ(255, radial[19]);
    // Rows below the origin: radial distances grow with y, linear ones do not.
    EXPECT_EQ(pad, blue(S::Linear, P::Pad, 3));
    EXPECT_GT(blue(S::Radial, P::Pad, 3)[5], radial[5]);
    // A focal ramp reaches 1 on the same circle and starts at its focal point.
    g.focal = 0.5;
    const std::vector<int> focal = blue(S::Focal, P::Pad, 0);
    EXPECT_EQ(255, focal[15]);
    EXPECT_LT(focal[10], radial[10] / 2);  // x 10 is the focal point (5 + 0.5 * 10)
    EXPECT_LT(focal[10], focal[5]);
    // Every channel mixed between the two colours about a pixel's place
    // (colour i at (i + 0.5) / 256), for pixels in pairs and the odd one out.
    for (int i = 0; i < 256; ++i)
        g.colors[i] = 0xFF000000u | static_cast<std::uint32_t>(i) << 16 | static_cast<std::uint32_t>(255 - i) << 8 |
                      static_cast<std::uint32_t>(i * 7 & 0xFF);
    g.focal = 0;
    g.spread = P::Pad;
    for (S shape : {S::Linear, S::Radial}) {
        g.shape = shape;
        const std::vector<std::uint32_t> row = Row(RasterPaint::Gradient(g), 0, 2, 19);
        for (int x = 0; x < 19; ++x) {
            const double u = (x + 0.5 - 5) / 10, v = 2.5 / 10;
            const double t = shape == S::Linear ? u : std::sqrt(u * u + v * v);
            const int place = std::clamp(static_cast<int>((t * 256 - 0.5) * 256 + 0.5), 0, 255 * 256);
            const int i = place >> 8, f = place & 0xFF;
            for (int shift : {0, 8, 16, 24}) {
                const int a = static_cast<int>(g.colors[i] >> shift & 0xFF);
                const int b = static_cast<int>(g.colors[std::min(i + 1, 255)] >> shift & 0xFF);
                EXPECT_EQ((a * (256 - f) + b * f + 128) >> 8, static_cast<int>(row[x] >> shift & 0xFF))
                    << "shape " << static_cast<int>(shape) << " pixel " << x << " bits " << shift;
            }
        }
    }
    RasterShader shader;
    g.unitToDevice = {0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(shader.Prepare(RasterPaint::Gradient(g)));  // singular
}

}  // namespace
}  // namespace fh
