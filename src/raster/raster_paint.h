#pragma once
// What shapes are filled with, and the pixel arithmetic of compositing:
// premultiplied 0xAARRGGBB, every product divided by 255 with rounding.

#include <array>
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

// A colour ramp over a position t: 256 premultiplied colours, colors[i]
// at t = (i + 0.5) / 256 and mixed between. In its own unit space a linear ramp runs along x from 0
// to 1; a radial one has t the distance from the origin, or with a focal
// point (focal, 0) the share of the way from it to the unit circle.
struct RasterGradient {
    enum class Shape : std::uint8_t { Linear, Radial, Focal };
    enum class Spread : std::uint8_t { Pad, Repeat, Reflect };
    Shape shape = Shape::Linear;
    Spread spread = Spread::Pad;
    double focal = 0;  // -1 < focal < 1
    std::array<std::uint32_t, 256> colors{};
    RasterMatrix unitToDevice;
};

struct RasterPaint {
    enum class Kind { Solid, Gradient, Image };
    Kind kind = Kind::Solid;
    std::uint32_t color = 0xFF000000;             // Solid: premultiplied ARGB
    const RasterGradient* gradient = nullptr;     // Gradient
    // Image: placed by imageToDevice, texel centres at i + 0.5. Its pixels
    // should have no channel above alpha (else colours come out wrong).
    const RasterImage* image = nullptr;
    RasterMatrix imageToDevice;
    bool repeat = false;             // tiles; else the edge texels reach outwards
    bool smooth = false;             // bilinear; else the nearest texel
    RasterColorTransform transform;  // applied to every kind

    static RasterPaint Solid(std::uint32_t premultipliedArgb);
    static RasterPaint Gradient(const RasterGradient& gradient);
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

// dst = color over dst, n pixels.
void RasterOverSolid(std::uint32_t* dst, std::uint32_t color, int n);
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
    void ShadeGradient(double gx, double gy, int n, std::uint32_t* out) const;
    // Places on the ramp (0 .. 255 * 256) of pixels along a row, and the
    // ramp's colours at such places, in place.
    void GradientPlaces(double gx, double gy, int n, std::uint32_t* out) const;
    void RampColors(std::uint32_t* inOut, int n) const;
    std::uint32_t RampColor(int place) const;
    bool ShadeImageFixed(double u, double v, int n, std::uint32_t* out) const;

    RasterPaint::Kind m_kind = RasterPaint::Kind::Solid;
    std::uint32_t m_color = 0;
    const RasterImage* m_image = nullptr;
    RasterGradient::Shape m_shape = RasterGradient::Shape::Linear;
    RasterGradient::Spread m_spread = RasterGradient::Spread::Pad;
    double m_focal = 0;
    std::array<std::uint32_t, 257> m_ramp{};  // the last repeats the one before it
    RasterMatrix m_inverse;
    bool m_repeat = false, m_smooth = false;
    bool m_transform = false;
    std::uint8_t m_lut[4][256] = {};
};

}  // namespace fh
