#pragma once
// What shapes are filled with, and the pixel arithmetic of compositing:
// premultiplied 0xAARRGGBB, every product divided by 255 with rounding.

#include <cstdint>

#include "raster/raster_image.h"
#include "raster/raster_path.h"

namespace fh {

// SWF's colour transform: on straight (not premultiplied) RGBA in 0..255,
// c' = clamp(floor(c * mul + add)), red, green, blue, alpha in that order.
struct RasterColorTransform {
    double mul[4] = {1, 1, 1, 1};
    double add[4] = {0, 0, 0, 0};

    bool IsIdentity() const;
};

struct RasterPaint {
    enum class Kind { Solid, Pixels, Image };
    Kind kind = Kind::Solid;
    std::uint32_t color = 0xFF000000;     // Solid: premultiplied ARGB
    const RasterImage* pixels = nullptr;  // Pixels: shown 1:1 with its top left at (pixelsX, pixelsY),
    int pixelsX = 0, pixelsY = 0;         // transparent around it
    const RasterImage* image = nullptr;   // Image: placed by imageToDevice, texel centres at i + 0.5
    RasterMatrix imageToDevice;
    bool repeat = false;             // tiles; else the edge texels reach outwards
    bool smooth = false;             // bilinear; else the nearest texel
    RasterColorTransform transform;  // applied to every kind

    static RasterPaint Solid(std::uint32_t premultipliedArgb);
    static RasterPaint Pixels(const RasterImage& pixels, int x, int y);
    static RasterPaint Image(const RasterImage& image, const RasterMatrix& imageToDevice, bool repeat, bool smooth);
};

// Every channel of `p` times k / 255, rounded (k 0..255).
inline std::uint32_t RasterScale(std::uint32_t p, std::uint32_t k) {
    std::uint32_t rb = (p & 0x00FF00FFu) * k + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    std::uint32_t ag = ((p >> 8) & 0x00FF00FFu) * k + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ag;
}

// Source-over; `src` must have no channel above its alpha (then no channel
// of the result passes 255, whatever `dst` holds).
inline std::uint32_t RasterOver(std::uint32_t src, std::uint32_t dst) {
    return src + RasterScale(dst, 255 - (src >> 24));
}

// Lowers colour channels above alpha to it.
std::uint32_t RasterValidPixel(std::uint32_t p);
// Straight ARGB to premultiplied.
std::uint32_t RasterPremultiply(std::uint32_t argb);

// dst = cover * color over dst, n pixels.
void RasterBlendSolid(std::uint32_t* dst, std::uint32_t color, const std::uint8_t* cover, int n);
// dst = cover * src over dst, n pixels.
void RasterBlendRow(std::uint32_t* dst, const std::uint32_t* src, const std::uint8_t* cover, int n);
// dst = src over dst for a whole image of the same size (the layers' default).
void RasterOverImage(const RasterImage& src, RasterImage& dst);

// The colour a paint gives each device pixel.
class RasterShader {
public:
    // False when the paint draws nothing (a transparent colour, an empty or
    // inconsistent image, a singular matrix).
    bool Prepare(const RasterPaint& paint);
    bool IsSolid() const { return m_kind == RasterPaint::Kind::Solid; }
    std::uint32_t Color() const { return m_color; }
    // Premultiplied colours of pixels x .. x + n - 1 of row y, every channel
    // at most its alpha.
    void ShadeRow(int x, int y, int n, std::uint32_t* out) const;

private:
    std::uint32_t Transform(std::uint32_t p) const;
    std::uint32_t Nearest(double u, double v) const;
    std::uint32_t Bilinear(double u, double v) const;

    RasterPaint::Kind m_kind = RasterPaint::Kind::Solid;
    std::uint32_t m_color = 0;
    const RasterImage* m_image = nullptr;
    int m_x = 0, m_y = 0;
    RasterMatrix m_inverse;
    bool m_repeat = false, m_smooth = false;
    bool m_transform = false;
    std::uint8_t m_lut[4][256] = {};
};

}  // namespace fh
