#include "raster/raster_mipmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace fh {

RasterImage RasterHalfSize(const RasterImage& image) {
    if (image.Empty()) return RasterImage();
    const int w = (image.width + 1) / 2, h = (image.height + 1) / 2;
    RasterImage half(w, h);
    for (int j = 0; j < h; ++j) {
        const int y0 = 2 * j, y1 = std::min(y0 + 1, image.height - 1);
        for (int i = 0; i < w; ++i) {
            const int x0 = 2 * i, x1 = std::min(x0 + 1, image.width - 1);
            const std::uint32_t t[4] = {image.At(x0, y0), image.At(x1, y0), image.At(x0, y1), image.At(x1, y1)};
            std::uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                std::uint32_t sum = 2;
                for (std::uint32_t p : t) sum += (p >> shift) & 0xFF;
                out |= (sum >> 2) << shift;
            }
            half.At(i, j) = out;
        }
    }
    return half;
}

std::vector<RasterImage> RasterMipmaps(const RasterImage& image) {
    std::vector<RasterImage> copies;
    // A side halves each time: at most 31 copies for any image.
    for (const RasterImage* last = &image; last->width > 1 || last->height > 1; last = &copies.back())
        copies.push_back(RasterHalfSize(*last));
    return copies;
}

int RasterMipLevel(const RasterMatrix& imageToDevice, int most) {
    RasterMatrix inverse;
    if (most <= 0 || !imageToDevice.Invert(inverse)) return 0;
    // Texels a pixel step crosses along x and along y of the device.
    const double texels = std::max(std::hypot(inverse.a, inverse.b), std::hypot(inverse.c, inverse.d));
    if (!(texels >= 2)) return 0;
    const double level = std::floor(std::log2(texels));
    return level < most ? static_cast<int>(level) : most;
}

RasterMatrix RasterMipMatrix(const RasterMatrix& imageToDevice, const RasterImage& image, const RasterImage& copy) {
    if (copy.Empty()) return imageToDevice;
    const double sx = static_cast<double>(image.width) / copy.width;
    const double sy = static_cast<double>(image.height) / copy.height;
    return imageToDevice.After(RasterMatrix{sx, 0, 0, sy, 0, 0});
}

}  // namespace fh
