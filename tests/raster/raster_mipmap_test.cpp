// Halved copies of images and which of them a placement draws from.

#include <gtest/gtest.h>

#include <cmath>

#include "raster/raster_mipmap.h"

namespace fh {
namespace {

TEST(RasterMipmap, HalvedCopiesAverageWhatTheyCover) {
    // 3 x 2: the odd column's texels count twice in the copy's last column.
    RasterImage image(3, 2);
    image.px = {0xFF000000u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFF0000FFu, 0x80000080u};
    const RasterImage half = RasterHalfSize(image);
    ASSERT_EQ(2, half.width);
    ASSERT_EQ(1, half.height);
    EXPECT_EQ(0xFF400080u, half.px[0]);  // (0 + 0 + 255 + 0) / 4 red, (255 + 255) / 4 blue
    EXPECT_EQ(0xC0008040u, half.px[1]);  // the column twice: (255 * 2 + 128 * 2) / 4 alpha
    const std::vector<RasterImage> copies = RasterMipmaps(RasterImage(120, 9));
    ASSERT_EQ(7u, copies.size());  // 60 x 5, 30 x 3, 15 x 2, 8 x 1, 4, 2, 1
    EXPECT_EQ(8, copies[3].width);
    EXPECT_EQ(1, copies.back().width * copies.back().height);
    EXPECT_TRUE(RasterMipmaps(RasterImage()).empty());
}

TEST(RasterMipmap, TheCopyFollowsTheAxisMinifiedMost) {
    const double turn = std::acos(-1) / 9;
    struct Case {
        const char* label;
        RasterMatrix m;
        int most, level;
    } cases[] = {
        {"own size", {1, 0, 0, 1, 5, 5}, 8, 0},
        {"larger", {3, 0, 0, 3, 0, 0}, 8, 0},
        {"0.6", {0.6, 0, 0, 0.6, 0, 0}, 8, 0},
        {"a half", {0.5, 0, 0, 0.5, 0, 0}, 8, 1},
        {"a third", {1 / 3.0, 0, 0, 1 / 3.0, 0, 0}, 8, 1},
        {"a quarter", {0.25, 0, 0, 0.25, 0, 0}, 8, 2},
        {"a fifth", {0.2, 0, 0, 0.2, 0, 0}, 8, 2},
        {"a third turned",
         {std::cos(turn) / 3, std::sin(turn) / 3, -std::sin(turn) / 3, std::cos(turn) / 3, 0, 0}, 8, 1},
        {"a fifth across only", {0.2, 0, 0, 1, 0, 0}, 8, 2},
        {"no more copies than there are", {0.01, 0, 0, 0.01, 0, 0}, 3, 3},
        {"singular", {0, 0, 0, 0, 0, 0}, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.level, RasterMipLevel(c.m, c.most));
    }
    // The copy's placement covers the same place as the image's.
    const RasterImage image(9, 4), copy(5, 2);
    const RasterMatrix m{0.25, 0, 0, 0.5, 3, 7};
    const RasterPoint corner = RasterMipMatrix(m, image, copy).Apply({5, 2});
    EXPECT_DOUBLE_EQ(3 + 9 * 0.25, corner.x);
    EXPECT_DOUBLE_EQ(7 + 4 * 0.5, corner.y);
}

}  // namespace
}  // namespace fh
