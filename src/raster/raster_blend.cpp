#include "raster/raster_blend.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace fh {

namespace {

// Channels in 0..255; a product of two of them stands for a value in 0..1
// scaled by 255 * 255, and Div255 brings such a product back to 0..255.
inline int Div255(int x) { return (x + 127) / 255; }

struct Rgba {
    int c[3];  // red, green, blue (premultiplied, never above a)
    int a;
};

inline Rgba Unpack(std::uint32_t p) {
    Rgba r;
    r.a = static_cast<int>(p >> 24);
    // A pixel whose colour exceeds its alpha is not premultiplied; capping
    // keeps every formula below inside 0..255.
    r.c[0] = std::min(r.a, static_cast<int>((p >> 16) & 0xFF));
    r.c[1] = std::min(r.a, static_cast<int>((p >> 8) & 0xFF));
    r.c[2] = std::min(r.a, static_cast<int>(p & 0xFF));
    return r;
}

inline std::uint32_t Pack(int r, int g, int b, int a) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// as * ab * B(cb / ab, cs / as) for the separable modes, in 255 * 255 units,
// written without the divisions so that it holds for any alpha.
int BlendTerm(RasterBlend mode, int cs, int as, int cb, int ab) {
    switch (mode) {
        case RasterBlend::Multiply:  // B = Cb * Cs
            return cs * cb;
        case RasterBlend::Screen:  // B = Cb + Cs - Cb * Cs
            return cs * ab + cb * as - cs * cb;
        case RasterBlend::Lighten:  // B = max(Cb, Cs)
            return std::max(cs * ab, cb * as);
        case RasterBlend::Darken:  // B = min(Cb, Cs)
            return std::min(cs * ab, cb * as);
        case RasterBlend::Difference:  // B = |Cb - Cs|
            return std::abs(cs * ab - cb * as);
        case RasterBlend::Add:  // B = min(1, Cb + Cs): the sum with a ceiling of 0xFF
            return std::min(as * ab, cs * ab + cb * as);
        case RasterBlend::Subtract:  // B = max(0, Cb - Cs): the backdrop less the layer, floor 0
            return std::max(0, cb * as - cs * ab);
        case RasterBlend::Overlay:  // hardlight with the roles swapped: the backdrop picks multiply or screen
            return 2 * cb <= ab ? 2 * cs * cb : as * ab - 2 * (ab - cb) * (as - cs);
        case RasterBlend::Hardlight:  // Cs <= 1/2: Cb * 2Cs, else screen(Cb, 2Cs - 1)
            return 2 * cs <= as ? 2 * cs * cb : as * ab - 2 * (ab - cb) * (as - cs);
        default:  // Normal, Layer: B = Cs
            return cs * ab;
    }
}

}  // namespace

RasterBlend RasterBlendFromSwf(std::uint8_t value) {
    if (value < 2 || value > 14) return RasterBlend::Normal;
    return static_cast<RasterBlend>(value - 1);
}

std::uint32_t BlendPixel(std::uint32_t layer, std::uint32_t below, RasterBlend mode) {
    const Rgba s = Unpack(layer), b = Unpack(below);
    switch (mode) {
        case RasterBlend::Invert: {
            // The backdrop's inverted colour (ab - cb premultiplied) where the
            // layer is, mixed by the layer's alpha; the layer's colour is unused.
            int c[3];
            for (int i = 0; i < 3; ++i) c[i] = Div255(b.c[i] * (255 - s.a) + (b.a - b.c[i]) * s.a);
            return Pack(c[0], c[1], c[2], b.a);
        }
        case RasterBlend::Alpha:
            // Every backdrop channel times the layer's alpha.
            return Pack(Div255(b.c[0] * s.a), Div255(b.c[1] * s.a), Div255(b.c[2] * s.a), Div255(b.a * s.a));
        case RasterBlend::Erase: {
            // Every backdrop channel times one less the layer's alpha.
            const int k = 255 - s.a;
            return Pack(Div255(b.c[0] * k), Div255(b.c[1] * k), Div255(b.c[2] * k), Div255(b.a * k));
        }
        default:
            break;
    }
    // co = cs * (1 - ab) + cb * (1 - as) + as * ab * B(Cb, Cs), ao = as + ab - as * ab:
    // the layer as is over an empty backdrop, the backdrop as is under an
    // empty layer, and the mode's B where both are opaque.
    const int ao = Div255(255 * (s.a + b.a) - s.a * b.a);
    int c[3];
    for (int i = 0; i < 3; ++i) {
        const int sum = s.c[i] * (255 - b.a) + b.c[i] * (255 - s.a) + BlendTerm(mode, s.c[i], s.a, b.c[i], b.a);
        c[i] = std::min(ao, Div255(sum));
    }
    return Pack(c[0], c[1], c[2], ao);
}

void BlendImage(const RasterImage& layer, RasterImage& below, RasterBlend mode, int dx, int dy) {
    const std::size_t belowCount = static_cast<std::size_t>(below.width) * static_cast<std::size_t>(below.height);
    const std::size_t layerCount = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
    if (below.px.size() != belowCount || layer.px.size() != layerCount) return;

    // The region of `below` the layer covers, worked out in 64 bits so far offsets cannot wrap.
    const long long x0 = std::max(0LL, static_cast<long long>(dx));
    const long long y0 = std::max(0LL, static_cast<long long>(dy));
    const long long x1 = std::min(static_cast<long long>(below.width), static_cast<long long>(dx) + layer.width);
    const long long y1 = std::min(static_cast<long long>(below.height), static_cast<long long>(dy) + layer.height);
    const bool covers = x0 < x1 && y0 < y1;

    if (mode == RasterBlend::Alpha) {
        // Outside the layer its alpha is 0, which leaves nothing of the group.
        for (int y = 0; y < below.height; ++y)
            for (int x = 0; x < below.width; ++x)
                if (!covers || y < y0 || y >= y1 || x < x0 || x >= x1) below.At(x, y) = 0;
    }
    if (!covers) return;
    for (long long y = y0; y < y1; ++y) {
        const int ly = static_cast<int>(y - dy);
        for (long long x = x0; x < x1; ++x) {
            std::uint32_t& dst = below.At(static_cast<int>(x), static_cast<int>(y));
            dst = BlendPixel(layer.At(static_cast<int>(x - dx), ly), dst, mode);
        }
    }
}

namespace {

// Brings a transformed channel into 0..255; NaN (from a hostile factor) counts as 0.
inline int ClampChannel(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<int>(std::lround(v));
}

inline double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

}  // namespace

void ApplyColorTransform(RasterImage& image, const double mul[4], const double add[4]) {
    double m[4], k[4];
    for (int i = 0; i < 4; ++i) {
        m[i] = Finite(mul[i]);
        k[i] = Finite(add[i]);
    }
    for (std::uint32_t& p : image.px) {
        const Rgba s = Unpack(p);
        int out[4];
        for (int i = 0; i < 3; ++i) {
            const double straight = s.a > 0 ? s.c[i] * 255.0 / s.a : 0.0;
            out[i] = ClampChannel(straight * m[i] + k[i]);
        }
        const int a = ClampChannel(s.a * m[3] + k[3]);
        p = Pack(Div255(out[0] * a), Div255(out[1] * a), Div255(out[2] * a), a);
    }
}

}  // namespace fh
