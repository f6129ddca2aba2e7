#include "raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "raster_test_support.h"

namespace fh {
namespace {

using namespace test;

constexpr std::uint32_t kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00;
const RasterPath kAll = Rects({{-1, -1, 100, 100}});
using Clip = std::vector<std::pair<RasterPath, FillRule>>;

TEST(RasterCanvas, FillsCompositeSourceOver) {
    RasterImage image(4, 1, kWhite);
    RasterCanvas canvas(image);
    canvas.Fill(Rects({{0.5, 0, 2, 1}}), FillRule::NonZero, RasterPaint::Solid(kRed));
    canvas.Fill(Rects({{1, 0, 1, 1}}), FillRule::NonZero, RasterPaint::Solid(0x80000080));
    EXPECT_EQ((std::vector<std::uint32_t>{0xFFFF7F7F, 0xFF7F0080, 0xFFFF7F7F, kWhite}), image.px);
    // An image drawn 1:1 under a rectangle is copied.
    RasterImage tex(2, 1), target(4, 1);
    tex.px = {0xFF102030, 0x80402010};
    RasterCanvas(target).Fill(Rects({{1, 0, 2, 1}}), FillRule::NonZero,
                              RasterPaint::Image(tex, {1, 0, 0, 1, 1, 0}, false, true));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0xFF102030, 0x80402010, 0}), target.px);
}

TEST(RasterCanvas, ClipsIntersectAddUpAndPop) {
    // Halves of a pixel in two paths join without a seam; a ring's hole
    // (even-odd) stays open where the other path leaves it; partial
    // coverages of nested clips multiply.
    const auto nonZero = FillRule::NonZero;
    struct Case {
        const char* label;
        std::vector<Clip> clips;
        std::vector<Pixel> pixels;
        double areaAfterPop;  // with the clip before back
    } cases[] = {
        {"nested",
         {{{Rects({{0, 0, 6, 4}}), nonZero}}, {{Rects({{4, 0, 6, 4}}), nonZero}}},
         {{3, 1, 0}, {4, 1, 255}, {6, 1, 0}},
         24},
        {"abutting halves",
         {{{Rects({{0, 0, 2.5, 4}}), nonZero}, {Rects({{2.5, 0, 2.5, 4}}), nonZero}}},
         {{2, 1, 255}, {4, 1, 255}, {5, 1, 0}},
         40},
        {"ring and a bar",
         {{{Rects({{0, 0, 4, 4}, {1, 1, 2, 2}}), FillRule::EvenOdd}, {Rects({{2, 0, 1, 4}}), nonZero}}},
         {{0, 1, 255}, {1, 1, 0}, {2, 1, 255}, {3, 1, 255}, {4, 1, 0}},
         40},
        {"partial within partial",
         {{{Rects({{0, 0, 1.5, 4}}), nonZero}}, {{Rects({{1, 0, 0.5, 4}}), nonZero}}},
         {{0, 1, 0}, {1, 1, 64}, {2, 1, 0}},
         4 + 4 * 160 / 255.0},  // 128 over 64
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        RasterImage img(10, 4);
        RasterCanvas canvas(img);
        for (const Clip& clip : c.clips) canvas.PushClip(clip);
        canvas.Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kWhite));
        ExpectPixels(img, c.pixels);
        canvas.PopClip();
        canvas.Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kWhite));
        EXPECT_NEAR(c.areaAfterPop, Area(img), 1e-9);
    }
}

TEST(RasterCanvas, LayersCompositeBackThroughTheClipBelow) {
    RasterImage image(4, 4, kWhite);
    RasterCanvas canvas(image);
    canvas.PushLayer();
    canvas.Fill(kAll, FillRule::NonZero, RasterPaint::Solid(0x80800000));
    canvas.PopLayer();  // source-over
    EXPECT_EQ(0xFFFF7F7F, image.At(3, 3));

    canvas.Clear(kWhite);
    canvas.PushLayer(1, 1, 2, 5);  // reaches past the canvas: cut to 2 x 3
    canvas.Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kRed));
    int calls = 0;
    canvas.PopLayer([&](RasterImage& layer, RasterImage& below) {
        ++calls;
        EXPECT_EQ(std::vector<std::uint32_t>(6, kRed), layer.px);
        EXPECT_EQ(std::vector<std::uint32_t>(6, kWhite), below.px);
        ASSERT_EQ(2, below.width);
        below.px.assign(6, kGreen);
    });
    EXPECT_EQ(1, calls);
    EXPECT_EQ((std::vector<std::uint32_t>{kWhite, kGreen, kGreen, kWhite}),
              std::vector<std::uint32_t>(&image.At(0, 3), &image.At(0, 3) + 4));
    EXPECT_EQ(kWhite, image.At(1, 0));

    // Drawing in the layer ignores the clip below it; the result does not.
    canvas.Clear(kWhite);
    canvas.PushClip({{Rects({{0, 0, 2.5, 4}}), FillRule::NonZero}});
    canvas.PushLayer();
    canvas.Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kRed));
    canvas.PushClip({{Rects({{0, 0, 1, 1}}), FillRule::NonZero}});  // left open: ends with the layer
    canvas.PopLayer([](RasterImage& layer, RasterImage& below) {
        EXPECT_EQ(kRed, layer.At(3, 0));
        below = layer;
    });
    EXPECT_EQ(1u, canvas.ClipDepth());
    EXPECT_EQ((std::vector<std::uint32_t>{kRed, kRed, 0xFFFF7F7F, kWhite}),
              std::vector<std::uint32_t>(&image.At(0, 2), &image.At(0, 2) + 4));
    canvas.PopClip();
    canvas.PopClip();   // none open: nothing happens
    canvas.PopLayer();  // likewise
    EXPECT_EQ(0u, canvas.LayerDepth());
}

TEST(RasterCanvas, RowsDrawnApartGetThePixelsOfTheWholeDrawing) {
    // Curved fills and thick strokes (miters, square caps) within a clip,
    // cut at every row: each canvas draws only its rows, and together they
    // are the whole.
    RasterPath wave;
    wave.MoveTo(4, 30);
    wave.QuadTo(10, 2, 20, 28);
    wave.QuadTo(30, 58, 36, 24);
    wave.CubicTo(38, 50, 12, 62, 6, 44);
    RasterStroke thick;
    thick.width = 7;
    thick.join = RasterJoin::Miter;
    thick.startCap = thick.endCap = RasterCap::Square;
    RasterPath lens;
    lens.MoveTo(0, 3);
    lens.QuadTo(20, -20, 39, 9);
    lens.QuadTo(30, 70, 0, 61);
    auto draw = [&](RasterCanvas& c) {
        c.PushClip({{lens, FillRule::NonZero}});
        c.Fill(wave, FillRule::EvenOdd, RasterPaint::Solid(0xFF2040A0));
        c.Stroke(wave, thick, RasterPaint::Solid(0xC0C08020));
        c.PopClip();
    };
    const RasterImage whole = Draw(40, 64, draw);
    for (int cut = 1; cut < 64; ++cut) {
        RasterImage apart(40, 64);
        RasterCanvas top(apart), bottom(apart);
        top.LimitRows(0, cut);
        bottom.LimitRows(cut, 64);
        draw(top);
        draw(bottom);
        EXPECT_EQ(whole.px, apart.px) << "cut at row " << cut;
    }
}

TEST(RasterCanvas, HostileUseStaysSafe) {
    RasterImage image(4, 4);
    RasterCanvas canvas(image);
    // Layers past the limit draw nothing but pair up; clips past it hide all.
    for (std::size_t i = 0; i < RasterCanvas::kMaxLayers + 5; ++i) canvas.PushLayer();
    canvas.Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kRed));
    for (std::size_t i = 0; i < RasterCanvas::kMaxLayers + 5; ++i) canvas.PopLayer();
    EXPECT_EQ(0u, canvas.LayerDepth());
    for (std::size_t i = 0; i <= RasterCanvas::kMaxClips; ++i) canvas.PushClip({{kAll, FillRule::NonZero}});
    canvas.Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kRed));
    EXPECT_EQ(0, Area(image));
    // Targets whose pixels do not match their size, or too large, are left alone.
    RasterImage broken(4, 4), wide(RasterCoverage::kMaxSide + 1, 1);
    broken.px.resize(3);
    RasterCanvas(broken).Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kRed));
    RasterCanvas(wide).Fill(kAll, FillRule::NonZero, RasterPaint::Solid(kRed));
    EXPECT_EQ(std::vector<std::uint32_t>(3, 0), broken.px);
    EXPECT_EQ(0u, wide.px[0]);
}

}  // namespace
}  // namespace fh
