#include "raster/raster_paint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fh {

namespace {

bool Usable(const RasterImage* image) {
    return image && image->width > 0 && image->height > 0 &&
           image->px.size() == static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height);
}

// 255 * 65536 / a, rounded: un-premultiplies with a multiply and a shift.
const std::array<std::uint32_t, 256>& Reciprocals() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t a = 1; a < 256; ++a) t[a] = (255u * 65536u + a / 2) / a;
        return t;
    }();
    return table;
}

inline std::uint32_t Div255(std::uint32_t x) {
    return (x + 128 + ((x + 128) >> 8)) >> 8;
}

// A texel column or row for sampling position u (texel units), held inside
// the image by wrapping or clamping; not-a-number lands on 0.
inline double Wrap(double u, int size) {
    if (u >= 0 && u < size) return u;
    // Neighbouring tiles without a library call; floor is slow in 32-bit code.
    if (u >= size && u < 2.0 * size) return u - size;
    if (u < 0 && u >= -size) return u + size < size ? u + size : 0;
    double r = u - std::floor(u / size) * size;
    return r >= 0 && r < size ? r : 0;
}

// a + (b - a) * w / 256 for every channel, two at a time; stays within
// the channels' bytes and keeps colour at most alpha when both are so.
inline std::uint32_t Lerp(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
    const std::uint32_t iw = 256 - w;
    const std::uint32_t rb = (((a & 0x00FF00FFu) * iw + (b & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
    const std::uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * iw + ((b >> 8) & 0x00FF00FFu) * w + 0x00800080u)) & 0xFF00FF00u;
    return rb | ag;
}

// A place on the ramp, padded at its ends (through int: the unsigned
// conversion costs the 32-bit build a dozen instructions).
inline std::uint32_t PaddedPlace(double place) {
    return place <= 0 ? 0u : place >= 255 * 256 ? 255u * 256 : static_cast<std::uint32_t>(static_cast<int>(place));
}

inline double Hold(double u, double lo, double hi) {
    return u >= lo ? (u <= hi ? u : hi) : lo;
}

}  // namespace

bool RasterColorTransform::IsIdentity() const {
    for (int i = 0; i < 4; ++i)
        if (mul[i] != 1 || add[i] != 0) return false;
    return true;
}

RasterPaint RasterPaint::Solid(std::uint32_t premultipliedArgb) {
    RasterPaint p;
    p.color = premultipliedArgb;
    return p;
}

RasterPaint RasterPaint::Gradient(const RasterGradient& gradient) {
    RasterPaint p;
    p.kind = Kind::Gradient;
    p.gradient = &gradient;
    return p;
}

RasterPaint RasterPaint::Image(const RasterImage& image, const RasterMatrix& imageToDevice, bool repeat, bool smooth) {
    RasterPaint p;
    p.kind = Kind::Image;
    p.image = &image;
    p.imageToDevice = imageToDevice;
    p.repeat = repeat;
    p.smooth = smooth;
    return p;
}

std::uint32_t RasterValidPixel(std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    const std::uint32_t r = std::min((p >> 16) & 0xFF, a), g = std::min((p >> 8) & 0xFF, a), b = std::min(p & 0xFF, a);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

std::uint32_t RasterPremultiply(std::uint32_t argb) {
    return (RasterScale(argb | 0xFF000000u, argb >> 24) & 0x00FFFFFFu) | (argb & 0xFF000000u);
}

void RasterOverSolid(std::uint32_t* dst, std::uint32_t color, int n) {
    const std::uint32_t k = 255 - (color >> 24);
    int i = 0;
#if defined(__SSE2__)
    // Four pixels at a time, a channel to each 16-bit lane: the same sums as
    // RasterScale's (no lane passes 16 bits), so the same pixels.
    const __m128i scale = _mm_set1_epi16(static_cast<short>(k)), half = _mm_set1_epi16(128);
    const __m128i zero = _mm_setzero_si128(), src = _mm_set1_epi32(static_cast<int>(color));
    auto times = [&](__m128i v) {
        v = _mm_add_epi16(_mm_mullo_epi16(v, scale), half);
        return _mm_srli_epi16(_mm_add_epi16(v, _mm_srli_epi16(v, 8)), 8);
    };
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i scaled = _mm_packus_epi16(times(_mm_unpacklo_epi8(d, zero)), times(_mm_unpackhi_epi8(d, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_add_epi8(scaled, src));
    }
#endif
    for (; i < n; ++i) dst[i] = color + RasterScale(dst[i], k);
}

#if defined(__SSE2__)
namespace {

// Four pixels of `src` at their coverages, over four of `dst`: RasterScale
// and RasterOver a channel to each 16-bit lane, with the same sums, so the
// same pixels (a coverage of 255 scales by nothing, one of 0 adds nothing).
inline void BlendFour(std::uint32_t* dst, __m128i src, const std::uint8_t* cover) {
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128), full = _mm_set1_epi16(255);
    auto times = [&](__m128i v, __m128i k) {
        v = _mm_add_epi16(_mm_mullo_epi16(v, k), half);
        return _mm_srli_epi16(_mm_add_epi16(v, _mm_srli_epi16(v, 8)), 8);
    };
    std::int32_t four;
    std::memcpy(&four, cover, 4);
    __m128i c = _mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero);
    c = _mm_unpacklo_epi16(c, c);
    const __m128i cLo = _mm_unpacklo_epi32(c, c), cHi = _mm_unpackhi_epi32(c, c);
    const __m128i sLo = times(_mm_unpacklo_epi8(src, zero), cLo), sHi = times(_mm_unpackhi_epi8(src, zero), cHi);
    auto alphas = [](__m128i v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF); };
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    const __m128i dLo = times(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, alphas(sLo)));
    const __m128i dHi = times(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, alphas(sHi)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                     _mm_packus_epi16(_mm_add_epi16(sLo, dLo), _mm_add_epi16(sHi, dHi)));
}

}  // namespace
#endif

void RasterBlendSolid(std::uint32_t* dst, std::uint32_t color, const std::uint8_t* cover, int n) {
    const bool opaque = (color >> 24) == 255;
    int i = 0;
#if defined(__SSE2__)
    const __m128i src = _mm_set1_epi32(static_cast<int>(color));
    for (; i + 4 <= n; i += 4) BlendFour(dst + i, src, cover + i);
#endif
    for (; i < n; ++i) {
        const std::uint32_t c = cover[i];
        if (c == 255)
            dst[i] = opaque ? color : RasterOver(color, dst[i]);
        else if (c)
            dst[i] = RasterOver(RasterScale(color, c), dst[i]);
    }
}

void RasterBlendRow(std::uint32_t* dst, const std::uint32_t* src, const std::uint8_t* cover, int n) {
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) BlendFour(dst + i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), cover + i);
#endif
    for (; i < n; ++i) {
        const std::uint32_t c = cover[i], s = src[i];
        if (c == 255)
            dst[i] = (s >> 24) == 255 ? s : RasterOver(s, dst[i]);
        else if (c)
            dst[i] = RasterOver(RasterScale(s, c), dst[i]);
    }
}

void RasterOverImage(const RasterImage& src, RasterImage& dst) {
    if (src.width != dst.width || src.height != dst.height || src.px.size() != dst.px.size()) return;
    for (std::size_t i = 0; i < src.px.size(); ++i) {
        const std::uint32_t s = src.px[i];
        if ((s >> 24) == 255)
            dst.px[i] = s;
        else if (s)
            dst.px[i] = RasterOver(RasterValidPixel(s), dst.px[i]);
    }
}

bool RasterShader::Prepare(const RasterPaint& paint) {
    m_kind = paint.kind;
    m_transform = !paint.transform.IsIdentity();
    if (m_transform) {
        for (int c = 0; c < 4; ++c) {
            for (int v = 0; v < 256; ++v) {
                // The small lift keeps products like 255 * (k / 255) whole.
                const double x = v * paint.transform.mul[c] + paint.transform.add[c] + 1e-7;
                m_lut[c][v] = static_cast<std::uint8_t>(x > 0 ? (x < 255 ? std::floor(x) : 255) : 0);
            }
        }
    }
    switch (paint.kind) {
        case RasterPaint::Kind::Solid: m_color = Transform(RasterValidPixel(paint.color)); return m_color != 0;
        case RasterPaint::Kind::Gradient: {
            const RasterGradient* g = paint.gradient;
            if (!g || !g->unitToDevice.Invert(m_inverse)) return false;
            m_shape = g->shape;
            m_spread = g->spread;
            // A focal point on or past the circle has no inside.
            m_focal = std::isfinite(g->focal) ? std::clamp(g->focal, -0.999, 0.999) : 0;
            bool visible = false;
            for (std::size_t i = 0; i < g->colors.size(); ++i) {
                m_ramp[i] = Transform(RasterValidPixel(g->colors[i]));
                visible = visible || m_ramp[i] != 0;
            }
            m_ramp.back() = m_ramp[g->colors.size() - 1];
            return visible;
        }
        case RasterPaint::Kind::Image:
            if (!Usable(paint.image) || !paint.imageToDevice.Invert(m_inverse)) return false;
            m_image = paint.image;
            m_repeat = paint.repeat;
            m_smooth = paint.smooth;
            return true;
    }
    return false;
}

std::uint32_t RasterShader::Transform(std::uint32_t p) const {
    if (!m_transform) return p;
    const std::uint32_t a = p >> 24;
    std::uint32_t r = 0, g = 0, b = 0;
    if (a) {
        const std::uint32_t k = Reciprocals()[a];
        r = std::min<std::uint32_t>(255, (((p >> 16) & 0xFF) * k + 32768) >> 16);
        g = std::min<std::uint32_t>(255, (((p >> 8) & 0xFF) * k + 32768) >> 16);
        b = std::min<std::uint32_t>(255, ((p & 0xFF) * k + 32768) >> 16);
    }
    const std::uint32_t na = m_lut[3][a];
    r = Div255(m_lut[0][r] * na);
    g = Div255(m_lut[1][g] * na);
    b = Div255(m_lut[2][b] * na);
    return (na << 24) | (r << 16) | (g << 8) | b;
}

std::uint32_t RasterShader::Nearest(double u, double v) const {
    const int w = m_image->width, h = m_image->height;
    int i, j;
    if (m_repeat) {
        i = std::min(static_cast<int>(Wrap(u, w)), w - 1);
        j = std::min(static_cast<int>(Wrap(v, h)), h - 1);
    } else {
        i = static_cast<int>(Hold(u, 0, w - 1));
        j = static_cast<int>(Hold(v, 0, h - 1));
    }
    return m_image->At(i, j);
}

std::uint32_t RasterShader::Bilinear(double u, double v) const {
    const int w = m_image->width, h = m_image->height;
    // Texel centres sit at i + 0.5: the four around the sample and how far
    // it lies from the first, in 256ths.
    u -= 0.5;
    v -= 0.5;
    int i0, i1, j0, j1;
    if (m_repeat) {
        u = Wrap(u, w);
        v = Wrap(v, h);
    } else {
        u = Hold(u, -1, w);
        v = Hold(v, -1, h);
    }
    // u, v >= -1 here: truncation after a lift floors them.
    const double fu = static_cast<int>(u + 1) - 1, fv = static_cast<int>(v + 1) - 1;
    const std::uint32_t wx = static_cast<std::uint32_t>((u - fu) * 256 + 0.5);
    const std::uint32_t wy = static_cast<std::uint32_t>((v - fv) * 256 + 0.5);
    i0 = static_cast<int>(fu);
    j0 = static_cast<int>(fv);
    if (m_repeat) {
        i0 = std::min(i0, w - 1);
        j0 = std::min(j0, h - 1);
        i1 = i0 + 1 < w ? i0 + 1 : 0;
        j1 = j0 + 1 < h ? j0 + 1 : 0;
    } else {
        i1 = std::clamp(i0 + 1, 0, w - 1);
        j1 = std::clamp(j0 + 1, 0, h - 1);
        i0 = std::clamp(i0, 0, w - 1);
        j0 = std::clamp(j0, 0, h - 1);
    }
    const std::uint32_t t[4] = {m_image->At(i0, j0), m_image->At(i1, j0), m_image->At(i0, j1), m_image->At(i1, j1)};
    const std::uint32_t k[4] = {(256 - wx) * (256 - wy), wx * (256 - wy), (256 - wx) * wy, wx * wy};
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        std::uint32_t sum = 32768;
        for (int q = 0; q < 4; ++q) sum += ((t[q] >> shift) & 0xFF) * k[q];
        out |= (sum >> 16) << shift;
    }
    return out;
}

namespace {

// A ramp position under the spread mode to a place between the ramp's
// colours in 256ths: colour i sits at t = (i + 0.5) / 256, the centre of its
// texel, and a place between two mixes them, as a ramp texture sampled
// smoothly does (the reference player's ramps, measured). What is not a
// number takes the ramp's end.
inline int RampPlace(double t, RasterGradient::Spread spread) {
    constexpr double kWhole = 1 << 30;
    switch (spread) {
    case RasterGradient::Spread::Pad: break;
    case RasterGradient::Spread::Repeat:
        if (t > -kWhole && t < kWhole) {
            const int i = static_cast<int>(t);
            t -= i;
            if (t < 0) t += 1;
        }
        break;
    case RasterGradient::Spread::Reflect:
        if (t > -kWhole && t < kWhole) {
            const double m = t < 0 ? -t : t;
            const int i = static_cast<int>(m);
            t = (i & 1) ? 1 - (m - i) : m - i;
        }
        break;
    }
    if (!(t < 1)) return 255 * 256;
    if (!(t > 0)) return 0;
    const int place = static_cast<int>((t * 256 - 0.5) * 256 + 0.5);
    return place < 0 ? 0 : place > 255 * 256 ? 255 * 256 : place;
}

}  // namespace

inline std::uint32_t RasterShader::RampColor(int place) const {
    const int i = place >> 8, f = place & 0xFF;
    return f ? Lerp(m_ramp[i], m_ramp[i + 1], static_cast<std::uint32_t>(f)) : m_ramp[i];
}

void RasterShader::RampColors(std::uint32_t* inOut, int n) const {
    int k = 0;
#if defined(__SSE2__)
    // Two pixels' channels in 16-bit lanes: Lerp's arithmetic, which never
    // leaves 16 bits. A place at the ramp's end mixes in nothing of the
    // entry past it.
    const __m128i zero = _mm_setzero_si128(), whole = _mm_set1_epi16(256), half = _mm_set1_epi16(128);
    for (; k + 1 < n; k += 2) {
        const std::uint32_t p0 = inOut[k], p1 = inOut[k + 1];
        const std::uint32_t* c0 = &m_ramp[p0 >> 8];
        const std::uint32_t* c1 = &m_ramp[p1 >> 8];
        const __m128i a = _mm_unpacklo_epi8(
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(c0[0])), _mm_cvtsi32_si128(static_cast<int>(c1[0]))),
            zero);
        const __m128i b = _mm_unpacklo_epi8(
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(c0[1])), _mm_cvtsi32_si128(static_cast<int>(c1[1]))),
            zero);
        const short w0 = static_cast<short>(p0 & 0xFF), w1 = static_cast<short>(p1 & 0xFF);
        const __m128i w = _mm_set_epi16(w1, w1, w1, w1, w0, w0, w0, w0);
        const __m128i mixed = _mm_srli_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(a, _mm_sub_epi16(whole, w)), _mm_mullo_epi16(b, w)), half), 8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(inOut + k), _mm_packus_epi16(mixed, mixed));
    }
#endif
    for (; k < n; ++k) inOut[k] = RampColor(static_cast<int>(inOut[k]));
}

void RasterShader::ShadeGradient(double gx, double gy, int n, std::uint32_t* out) const {
    GradientPlaces(gx, gy, n, out);
    RampColors(out, n);
}

void RasterShader::GradientPlaces(double gx, double gy, int n, std::uint32_t* out) const {
    const double da = m_inverse.a, db = m_inverse.b;
    switch (m_shape) {
    case RasterGradient::Shape::Linear:
        if (m_spread == RasterGradient::Spread::Pad && std::isfinite(gx) && std::isfinite(da)) {
            // RampPlace's arithmetic without its cases: padded, and never
            // not a number from finite steps.
            for (int k = 0; k < n; ++k, gx += da) {
                const double place = (gx * 256 - 0.5) * 256 + 0.5;
                out[k] = PaddedPlace(place);
            }
            return;
        }
        for (int k = 0; k < n; ++k, gx += da) out[k] = static_cast<std::uint32_t>(RampPlace(gx, m_spread));
        return;
    case RasterGradient::Shape::Radial:
        if (m_spread == RasterGradient::Spread::Pad && std::isfinite(gx) && std::isfinite(gy) && std::isfinite(da) &&
            std::isfinite(db)) {
            int k = 0;
#if defined(__SSE2__)
            // Two roots at once; the positions still step a pixel at a time,
            // so that each pixel's arithmetic is the loop's below.
            const __m128d scale = _mm_set1_pd(256), half = _mm_set1_pd(0.5);
            const __m128d last = _mm_set1_pd(255 * 256);
            for (; k + 1 < n; k += 2) {
                const double gx1 = gx + da, gy1 = gy + db;
                const __m128d x = _mm_set_pd(gx1, gx), y = _mm_set_pd(gy1, gy);
                const __m128d t = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)));
                const __m128d place = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(_mm_mul_pd(t, scale), half), scale), half);
                const __m128i at = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(place, _mm_setzero_pd()), last));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), at);
                gx = gx1 + da;
                gy = gy1 + db;
            }
#endif
            for (; k < n; ++k, gx += da, gy += db) {
                const double place = (std::sqrt(gx * gx + gy * gy) * 256 - 0.5) * 256 + 0.5;
                out[k] = PaddedPlace(place);
            }
            return;
        }
        for (int k = 0; k < n; ++k, gx += da, gy += db)
            out[k] = static_cast<std::uint32_t>(RampPlace(std::sqrt(gx * gx + gy * gy), m_spread));
        return;
    case RasterGradient::Shape::Focal:
        break;
    }
    // Where the ray from the focal point through this point meets the unit
    // circle gives the distance that counts as 1.
    const double f = m_focal, c = f * f - 1;
    for (int k = 0; k < n; ++k, gx += da, gy += db) {
        const double dx = gx - f, len = std::sqrt(dx * dx + gy * gy);
        double t = 0;
        if (len > 1e-9) {
            const double b = f * dx / len;
            t = len / (-b + std::sqrt(b * b - c));
        }
        out[k] = static_cast<std::uint32_t>(RampPlace(t, m_spread));
    }
}

// Images sampled in 16.16 fixed point, stepping along the row: true when the
// row's texel positions stay small enough for it.
bool RasterShader::ShadeImageFixed(double u, double v, int n, std::uint32_t* out) const {
    // Positions and steps this small keep every sum within 2^30.
    constexpr double kLimit = 8192;
    const double du = m_inverse.a, dv = m_inverse.b;
    const double ue = u + du * (n - 1), ve = v + dv * (n - 1);
    const int w = m_image->width, h = m_image->height;
    if (w > kLimit || h > kLimit ||
        !(std::fabs(u) < kLimit && std::fabs(v) < kLimit && std::fabs(ue) < kLimit && std::fabs(ve) < kLimit &&
          std::fabs(du) < kLimit && std::fabs(dv) < kLimit))
        return false;
    const std::uint32_t* px = m_image->px.data();
    const bool smooth = m_smooth;
    if (smooth) {
        u -= 0.5;
        v -= 0.5;
    }
    auto fixed = [](double x) { return static_cast<std::int32_t>(x >= 0 ? x * 65536 + 0.5 : x * 65536 - 0.5); };
    std::int32_t fu = fixed(u), fv = fixed(v);
    const std::int32_t dfu = fixed(du), dfv = fixed(dv);
    // Whole texels; the repeat keeps any of them inside by wrapping.
    auto column = [&](int i) { return m_repeat ? ((i % w) + w) % w : (i < 0 ? 0 : i >= w ? w - 1 : i); };
    auto row = [&](int j) { return m_repeat ? ((j % h) + h) % h : (j < 0 ? 0 : j >= h ? h - 1 : j); };
    if (!smooth) {
        for (int k = 0; k < n; ++k, fu += dfu, fv += dfv)
            out[k] = Transform(px[static_cast<std::size_t>(row(fv >> 16)) * w + column(fu >> 16)]);
        return true;
    }
    if (dfv == 0 && (fv & 0xFFFF) == 0 && dfu == 65536 && (fu & 0xFFFF) == 0) {
        // Texel for pixel, as bitmaps placed at their own size mostly are.
        const std::uint32_t* line = px + static_cast<std::size_t>(row(fv >> 16)) * w;
        int i = fu >> 16;
        for (int k = 0; k < n; ++k, ++i) out[k] = Transform(line[column(i)]);
        return true;
    }
    for (int k = 0; k < n; ++k, fu += dfu, fv += dfv) {
        const int i = fu >> 16, j = fv >> 16;
        const std::uint32_t wx = static_cast<std::uint32_t>(fu >> 8) & 0xFF, wy = static_cast<std::uint32_t>(fv >> 8) & 0xFF;
        const std::uint32_t* r0 = px + static_cast<std::size_t>(row(j)) * w;
        const std::uint32_t* r1 = px + static_cast<std::size_t>(row(j + 1)) * w;
        const int i0 = column(i), i1 = column(i + 1);
        out[k] = Transform(Lerp(Lerp(r0[i0], r0[i1], wx), Lerp(r1[i0], r1[i1], wx), wy));
    }
    return true;
}

void RasterShader::ShadeRow(int x, int y, int n, std::uint32_t* out) const {
    if (m_kind == RasterPaint::Kind::Solid) {
        std::fill(out, out + n, m_color);
        return;
    }
    // Pixel centres through the inverse matrix, stepping along the row.
    const double cx = x + 0.5, cy = y + 0.5;
    const RasterMatrix& m = m_inverse;
    const double u0 = m.a * cx + m.c * cy + m.tx, v0 = m.b * cx + m.d * cy + m.ty;
    if (m_kind == RasterPaint::Kind::Gradient) {
        ShadeGradient(u0, v0, n, out);
        return;
    }
    if (ShadeImageFixed(u0, v0, n, out)) return;
    for (int k = 0; k < n; ++k) {
        const double u = u0 + k * m.a, v = v0 + k * m.b;
        out[k] = Transform(m_smooth ? Bilinear(u, v) : Nearest(u, v));
    }
}

}  // namespace fh
