#include "gfx/draw_manager.h"

#include <gtest/gtest.h>

#include "gfx/image_loaders.h"
#include "res/resource.h"
#include "support/canvas.h"
#include "win/handles.h"

namespace fh {
namespace {

using test::Canvas;
using test::kBlack;
using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;

TEST(DrawManager, SolidFillsForEffectZeroAndUnknownNumbers) {
    CDrawManager dm;
    for (int effect : {0, -1, 16, 99}) {
        SCOPED_TRACE(effect);
        Canvas c(20, 10);
        RECT r{2, 2, 12, 8};
        dm.FillEffect(c.DC(), effect, r, kRed, kGreen, kBlue, 10, 0);
        EXPECT_EQ(kRed, c.At(2, 2));
        EXPECT_EQ(kRed, c.At(11, 7));
        EXPECT_EQ(kWhite, c.At(12, 7));
        EXPECT_EQ(kWhite, c.At(1, 2));
    }
}

TEST(DrawManager, GradientStripsSkipEmptyOnesOnNarrowRectangles) {
    CDrawManager dm;
    Canvas c(32, 4);
    RECT r{0, 0, 32, 4};
    dm.DrawGradient(c.DC(), r, kBlack, kWhite, true);
    // 32 pixels, 64 steps: pixel x shows step 2x + 1 (the step 2x strip is empty).
    for (int x = 0; x < 32; ++x) EXPECT_EQ(GradientStep(kBlack, kWhite, 2 * x + 1), c.At(x, 1)) << x;
    Canvas v(4, 128);
    RECT rv{0, 0, 4, 128};
    dm.DrawGradient(v.DC(), rv, kRed, kBlue, false);
    EXPECT_EQ(kRed, v.At(0, 0));
    EXPECT_EQ(GradientStep(kRed, kBlue, 63), v.At(3, 127));
    EXPECT_NE(kBlue, v.At(3, 127));

    Canvas three(64, 2);
    RECT rt{0, 0, 64, 2};
    dm.FillEffect(three.DC(), 3, rt, kRed, kGreen, kBlue, 0, 0);
    // Halves of 32 pixels: pixel 0 of each shows step 1 of its gradient.
    EXPECT_EQ(GradientStep(kRed, kBlue, 1), three.At(0, 0));
    EXPECT_EQ(GradientStep(kBlue, kRed, 1), three.At(32, 0));
}

TEST(DrawManager, TexturesDrawThroughThePalette) {
    CDrawManager dm;
    // Colouring above 100: every entry is the first colour, a flat fill.
    for (int effect = 7; effect <= 15; ++effect) {
        SCOPED_TRACE(effect);
        Canvas c(40, 30);
        RECT r{5, 5, 35, 25};
        dm.FillEffect(c.DC(), effect, r, kRed, kGreen, kBlue, 20, 150);
        EXPECT_EQ(kRed, c.At(5, 5));
        EXPECT_EQ(kRed, c.At(34, 24));
        EXPECT_EQ(kRed, c.At(20, 15));
        EXPECT_EQ(kWhite, c.At(4, 5));
        EXPECT_EQ(kWhite, c.At(35, 24));
        EXPECT_EQ(30, dm.TextureBuffer().Header().biWidth);
        EXPECT_EQ(20, dm.TextureBuffer().Header().biHeight);
        EXPECT_EQ(32, dm.TextureBuffer().Stride());
    }
    // Without noise, "hshade" runs from the first colour at the top to the third at the bottom.
    Canvas c(10, 256);
    RECT r{0, 0, 10, 256};
    dm.FillEffect(c.DC(), 9, r, kWhite, 0x808080, kBlack, 0, 0);
    EXPECT_EQ(kBlack, c.At(0, 255));
    EXPECT_GE(GetRValue(c.At(0, 0)), 250);
    // An empty rectangle draws nothing.
    Canvas e(4, 4);
    RECT empty{2, 2, 2, 4};
    dm.FillEffect(e.DC(), 11, empty, kRed, kGreen, kBlue, 0, 0);
    EXPECT_EQ(kWhite, e.At(2, 2));
}

TEST(DrawManager, FramesAndLines) {
    CDrawManager dm;
    {
        Canvas c(30, 30);
        RECT r{5, 5, 25, 25};
        dm.DrawRectangle(c.DC(), r, kRed, kBlue, 0, 1);
        dm.DrawRectangle(c.DC(), r, kRed, kBlue, 1, 0);
        dm.DrawLine(c.DC(), 0, 0, 29, 0, kRed, 0, 1);
        for (int i = 0; i < 30; ++i) ASSERT_EQ(kWhite, c.At(i, 5));
        EXPECT_EQ(kWhite, c.At(0, 0));
    }
    {
        Canvas c(30, 30);
        RECT r{5, 5, 25, 25};
        dm.DrawRectangle(c.DC(), r, kRed, kBlue, 1, 1);
        EXPECT_EQ(kRed, c.At(5, 15));   // left side
        EXPECT_EQ(kRed, c.At(15, 5));   // top side
        EXPECT_EQ(kBlue, c.At(25, 15));  // right side
        EXPECT_EQ(kBlue, c.At(15, 25));  // bottom side
        EXPECT_EQ(kWhite, c.At(7, 15));
    }
    {
        Canvas c(40, 40);
        RECT r{5, 5, 35, 35};
        dm.DrawRectangle(c.DC(), r, kRed, kRed, 6, 1);
        EXPECT_EQ(kRed, c.At(5, 20));
        EXPECT_EQ(kRed, c.At(7, 20));  // the inner line, 2 x width inside
        EXPECT_EQ(kWhite, c.At(6, 20));
        EXPECT_EQ(kRed, c.At(33, 20));
    }
    {
        Canvas c(30, 30);
        dm.DrawLine(c.DC(), 2, 10, 20, 10, kGreen, 6, 2);  // horizontal: doubled 4 below
        EXPECT_EQ(kGreen, c.At(10, 10));
        EXPECT_EQ(kGreen, c.At(10, 14));
        EXPECT_EQ(kWhite, c.At(10, 12));
        dm.DrawLine(c.DC(), 25, 2, 25, 20, kBlue, 6, 1);  // vertical: doubled 2 to the right
        EXPECT_EQ(kBlue, c.At(25, 10));
        EXPECT_EQ(kBlue, c.At(27, 10));
        EXPECT_EQ(kWhite, c.At(26, 10));
    }
}

TEST(DrawManager, BlendPercentAndTiling) {
    CDrawManager dm;
    Canvas src(8, 8, kRed), dst(8, 8, kBlue);
    dm.BlendPercent(dst.DC(), 0, 0, 8, 8, src.DC(), 0, 0, 0);
    EXPECT_EQ(kBlue, dst.At(3, 3));
    dm.BlendPercent(dst.DC(), 0, 0, 4, 8, src.DC(), 0, 0, 50);
    EXPECT_EQ(RGB(127, 0, 127), dst.At(1, 1));
    EXPECT_EQ(kBlue, dst.At(5, 1));
    dm.BlendPercent(dst.DC(), 0, 0, 8, 8, src.DC(), 0, 0, 100);
    EXPECT_EQ(kRed, dst.At(6, 6));

    Canvas tile(2, 2, kGreen), area(7, 5);
    tile.Set(0, 0, ToPixelOrder(kRed));
    dm.TileBitmap(area.DC(), 1, 1, 5, 3, tile.DC(), 0, 0, 2, 2);
    EXPECT_EQ(kRed, area.At(1, 1));
    EXPECT_EQ(kRed, area.At(3, 3));
    EXPECT_EQ(kRed, area.At(5, 1));
    EXPECT_EQ(kGreen, area.At(2, 2));
    EXPECT_EQ(kWhite, area.At(6, 1));
    EXPECT_EQ(kWhite, area.At(1, 4));
}

TEST(DrawManager, EffectCopiesAndTransparentColour) {
    CDrawManager dm;
    EXPECT_FALSE(dm.CreateEffectCopy(nullptr, 4, 4, {}).bitmap);
    Canvas pic(4, 1, kGreen);
    pic.Set(0, 0, ToPixelOrder(0xFF00FF));               // the transparent colour
    pic.Set(1, 0, ToPixelOrder(0xFF00FF) | 0x80000000);  // same colour, with alpha
    EffectCopy effect = dm.CreateEffectCopy(pic.Bitmap(), 4, 1, {IMAGE_EFFECT_GRAY, true, 0xFF00FF, 0});
    const UniqueBitmap& copy = effect.bitmap;
    ASSERT_TRUE(copy);
    EXPECT_TRUE(effect.hasAlpha);
    Canvas opaque(2, 1, kGreen);
    EXPECT_FALSE(dm.CreateEffectCopy(opaque.Bitmap(), 2, 1, {}).hasAlpha);
    BITMAP bm{};
    ::GetObjectA(copy.Get(), sizeof(bm), &bm);
    ASSERT_EQ(32, bm.bmBitsPixel);
    const Pixel* bits = static_cast<const Pixel*>(bm.bmBits);
    // Rows are stored bottom-up; one row only here.
    EXPECT_EQ(0u, bits[0]);
    EXPECT_EQ(0x80000000u | PixelGray(ToPixelOrder(0xFF00FF)), bits[1]);
    EXPECT_EQ(PixelGray(ToPixelOrder(kGreen)), bits[2]);
}

TEST(DrawManager, ShadowsPicturesAndCells) {
    CDrawManager dm;
    // A silhouette with a black square: an even blur equals the next odd one.
    Canvas shape(20, 20);
    RECT square{6, 6, 14, 14};
    UniqueBrush black(::CreateSolidBrush(kBlack));
    ::FillRect(shape.DC(), &square, black.Get());
    Canvas a(20, 20), b(20, 20);
    dm.DrawShadow(a.DC(), 0, 0, 20, 20, shape.Bitmap(), true, 4, 4);
    dm.DrawShadow(b.DC(), 0, 0, 20, 20, shape.Bitmap(), true, 5, 5);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y;
    EXPECT_LT(GetRValue(a.At(10, 10)), 255);
    Canvas hard(20, 20);
    dm.DrawShadow(hard.DC(), 0, 0, 20, 20, shape.Bitmap(), false, 0, 0);
    EXPECT_EQ(kBlack, hard.At(10, 10));
    EXPECT_EQ(kWhite, hard.At(2, 2));
    dm.DrawShadow(hard.DC(), 0, 0, 20, 20, nullptr, true, 3, 3);

    // The shadow flag without shadow bits draws the picture at the offset.
    Canvas pic(4, 4, kRed), target(20, 20);
    dm.DrawBitmap(target.DC(), 2, 2, 4, 4, pic.Bitmap(), {0, false, 0, kBlack}, {true, 5, 6, 3, 3});
    EXPECT_EQ(kWhite, target.At(2, 2));
    EXPECT_EQ(kRed, target.At(7, 8));
    EXPECT_EQ(kRed, target.At(10, 11));
    dm.DrawBitmap(target.DC(), 0, 0, 4, 4, nullptr, {}, {});

    // A soft shadow darkens beside the picture.
    Canvas shadowed(30, 30);
    dm.DrawBitmap(shadowed.DC(), 5, 5, 8, 8, pic.Bitmap(), {IMAGE_EFFECT_SOFT_SHADOW, false, 0, kBlack}, {true, 4, 4, 3, 3});
    EXPECT_EQ(kRed, shadowed.At(8, 8));
    EXPECT_LT(GetRValue(shadowed.At(15, 15)), 255);

    // Image strips: 3 x 2 cells of 4 x 4; index 6 is past the last cell.
    Canvas strip(12, 8, kGreen), cells(10, 10);
    RECT second{4, 0, 8, 4};
    UniqueBrush red(::CreateSolidBrush(kRed));
    ::FillRect(strip.DC(), &second, red.Get());
    dm.DrawImageListCell(cells.DC(), 0, 0, 4, 4, strip.Bitmap(), 1, 4, 4, {}, {});
    EXPECT_EQ(kRed, cells.At(1, 1));
    dm.DrawImageListCell(cells.DC(), 5, 5, 4, 4, strip.Bitmap(), 6, 4, 4, {}, {});
    EXPECT_EQ(kWhite, cells.At(6, 6));
    dm.DrawImageListCell(cells.DC(), 5, 5, 4, 4, strip.Bitmap(), 5, 4, 4, {}, {});
    EXPECT_EQ(kGreen, cells.At(6, 6));
    dm.DrawImageListCell(cells.DC(), 0, 0, 4, 4, strip.Bitmap(), 0, 0, 4, {}, {});
    dm.DrawImageListCell(cells.DC(), 0, 0, 4, 4, nullptr, 0, 4, 4, {}, {});
}

TEST(DrawManager, Icons) {
    CDrawManager dm;
    UniqueIcon icon(LoadIconFromResource(IDR_MAINFRAME, 32, 32, ""));
    ASSERT_TRUE(icon);
    PictureSize size = CDrawManager::GetIconSize(icon.Get());
    EXPECT_EQ(32, size.width);
    EXPECT_EQ(32, size.height);
    EXPECT_EQ(0, CDrawManager::GetIconSize(nullptr).width);
    EXPECT_EQ(0, CDrawManager::GetBitmapSize(nullptr).height);
    UniqueIcon big(dm.StretchIcon(icon.Get(), 48, 48));
    ASSERT_TRUE(big);
    EXPECT_EQ(48, CDrawManager::GetIconSize(big.Get()).width);
    EXPECT_EQ(nullptr, dm.StretchIcon(nullptr, 48, 48));

    Canvas c(40, 40);
    dm.DrawIcon(c.DC(), 4, 4, 32, 32, icon.Get(), {}, {});
    // The artwork's red triangle sits left of the middle; the corner is transparent.
    EXPECT_EQ(kWhite, c.At(4, 4));
    EXPECT_NE(kWhite, c.At(20, 20));
    dm.DrawIcon(c.DC(), 0, 0, 16, 16, nullptr, {}, {});
}

TEST(DrawManager, ZeroNegativeAndHugeSizesDrawNothing) {
    CDrawManager dm;
    Canvas c(10, 10), src(10, 10, kRed);
    HBITMAP bitmap = src.Bitmap();
    EXPECT_FALSE(dm.CreateEffectCopy(bitmap, 0, 5, {}).bitmap);
    EXPECT_FALSE(dm.CreateEffectCopy(bitmap, -3, 5, {}).bitmap);
    EXPECT_FALSE(dm.CreateEffectCopy(bitmap, 100000, 100000, {}).bitmap);
    RECT inverted{8, 8, 2, 2}, huge{0, 0, 100000, 100000};
    // Textures too large for one image are refused rather than half drawn.
    for (int effect : {1, 7, 14, 15}) dm.FillEffect(c.DC(), effect, inverted, kRed, kGreen, kBlue, 0, 0);
    for (int effect : {7, 14, 15}) dm.FillEffect(c.DC(), effect, huge, kRed, kGreen, kBlue, 0, 0);
    dm.BlendPercent(c.DC(), 0, 0, -4, 4, src.DC(), 0, 0, 50);
    dm.BlendAlpha(c.DC(), 0, 0, 100000, 100000, src.DC(), 0, 0);
    dm.DrawShadow(c.DC(), 0, 0, 0, 0, bitmap, true, 3, 3);
    dm.DrawBitmap(c.DC(), 0, 0, -1, 5, bitmap, {}, {});
    dm.TileBitmap(c.DC(), 0, 0, 10, 10, src.DC(), 0, 0, 0, 0);
    EXPECT_EQ(nullptr, dm.StretchIcon(nullptr, -1, -1));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(kWhite, c.At(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace fh
