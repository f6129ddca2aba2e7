#include "swf/swf_filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <variant>

namespace fh {

namespace {

double Fixed(SwfReader& r) { return static_cast<std::int32_t>(r.U32()) / 65536.0; }
double Fixed8(SwfReader& r) { return r.S16() / 256.0; }

float Float(SwfReader& r) {
    const std::uint32_t bits = r.U32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::uint32_t Color(SwfReader& r) { return r.Rgba().Argb(); }

// The flags byte of shadows and glows: inner, knockout, composite source,
// then five bits of passes.
template <typename Effect>
void ShadowFlags(SwfReader& r, Effect& f) {
    const std::uint8_t bits = r.U8();
    f.inner = bits & 0x80;
    f.knockout = bits & 0x40;
    f.compositeSource = bits & 0x20;
    f.passes = bits & 0x1F;
}

RasterDropShadow DropShadow(SwfReader& r) {
    RasterDropShadow f;
    f.color = Color(r);
    f.blurX = Fixed(r);
    f.blurY = Fixed(r);
    f.angle = Fixed(r);
    f.distance = Fixed(r);
    f.strength = Fixed8(r);
    ShadowFlags(r, f);
    return f;
}

RasterBlur Blur(SwfReader& r) {
    RasterBlur f;
    f.blurX = Fixed(r);
    f.blurY = Fixed(r);
    f.passes = r.U8() >> 3;
    return f;
}

RasterGlow Glow(SwfReader& r) {
    RasterGlow f;
    f.color = Color(r);
    f.blurX = Fixed(r);
    f.blurY = Fixed(r);
    f.strength = Fixed8(r);
    ShadowFlags(r, f);
    return f;
}

// The blur, offset, strength and flags that bevels and gradient effects share.
template <typename Effect>
void BevelFields(SwfReader& r, Effect& f) {
    f.blurX = Fixed(r);
    f.blurY = Fixed(r);
    f.angle = Fixed(r);
    f.distance = Fixed(r);
    f.strength = Fixed8(r);
    const std::uint8_t bits = r.U8();
    f.inner = bits & 0x80;
    f.knockout = bits & 0x40;
    f.compositeSource = bits & 0x20;
    f.onTop = bits & 0x10;
    f.passes = bits & 0x0F;
}

RasterBevel Bevel(SwfReader& r) {
    RasterBevel f;
    // The record's first colour is the one players put on the lit edges
    // (top-left at 45 degrees), whatever name the format gives it.
    f.highlightColor = Color(r);
    f.shadowColor = Color(r);
    BevelFields(r, f);
    return f;
}

void Gradient(SwfReader& r, RasterGradientEffect& f) {
    const std::size_t count = r.U8();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t c = Color(r);
        if (i < kSwfMaxFilterColors) f.colors.push_back(c);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t ratio = r.U8();
        if (i < kSwfMaxFilterColors) f.ratios.push_back(ratio);
    }
    BevelFields(r, f);
}

// False for a matrix too large to keep (read past all the same).
bool Convolution(SwfReader& r, RasterConvolution& f) {
    f.matrixX = r.U8();
    f.matrixY = r.U8();
    f.divisor = Float(r);
    f.bias = Float(r);
    const std::size_t cells = static_cast<std::size_t>(f.matrixX) * static_cast<std::size_t>(f.matrixY);
    const bool keep = f.matrixX <= kSwfMaxConvolutionSide && f.matrixY <= kSwfMaxConvolutionSide;
    if (keep) {
        f.matrix.resize(cells);
        for (float& v : f.matrix) v = Float(r);
    } else {
        r.Skip(cells * 4);
    }
    f.defaultColor = Color(r);
    const std::uint8_t bits = r.U8();
    f.clamp = bits & 0x02;
    f.preserveAlpha = bits & 0x01;
    return keep;
}

RasterColorMatrix ColorMatrix(SwfReader& r) {
    RasterColorMatrix f;
    for (float& v : f.matrix) v = Float(r);
    return f;
}

}  // namespace

RasterRect FilterMargin(const SwfFilterList& filters) {
    SwfFilterList outer = filters;
    for (RasterFilter& f : outer)
        std::visit(
            [](auto& p) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(p)>, RasterBlur> &&
                              !std::is_same_v<std::decay_t<decltype(p)>, RasterConvolution> &&
                              !std::is_same_v<std::decay_t<decltype(p)>, RasterColorMatrix>)
                    p.inner = false;
            },
            f.params);
    return FilterReach(outer);
}

SwfFilterList ScaledFilters(const SwfFilterList& filters, double scale) {
    // The rasterizer caps blurs and offsets; the scale only needs to be a number.
    if (!std::isfinite(scale) || scale <= 0) scale = 1;
    scale = std::min(scale, 1e4);
    SwfFilterList out = filters;
    for (RasterFilter& f : out)
        std::visit(
            [scale](auto& p) {
                using T = std::decay_t<decltype(p)>;
                if constexpr (!std::is_same_v<T, RasterConvolution> && !std::is_same_v<T, RasterColorMatrix>) {
                    p.blurX *= scale;
                    p.blurY *= scale;
                }
                if constexpr (!std::is_same_v<T, RasterConvolution> && !std::is_same_v<T, RasterColorMatrix> &&
                              !std::is_same_v<T, RasterBlur> && !std::is_same_v<T, RasterGlow>)
                    p.distance *= scale;
            },
            f.params);
    return out;
}

bool ReadFilterList(SwfReader& r, SwfFilterList& out, std::size_t keep) {
    const int count = r.U8();
    for (int i = 0; i < count && !r.Overrun(); ++i) {
        RasterFilter filter;
        bool kept = true;
        switch (r.U8()) {
        case 0: filter.params = DropShadow(r); break;
        case 1: filter.params = Blur(r); break;
        case 2: filter.params = Glow(r); break;
        case 3: filter.params = Bevel(r); break;
        case 4: {
            RasterGradientGlow f;
            Gradient(r, f);
            filter.params = std::move(f);
            break;
        }
        case 5: {
            RasterConvolution f;
            kept = Convolution(r, f);
            filter.params = std::move(f);
            break;
        }
        case 6: filter.params = ColorMatrix(r); break;
        case 7: {
            RasterGradientBevel f;
            Gradient(r, f);
            filter.params = std::move(f);
            break;
        }
        default: return false;
        }
        if (kept && !r.Overrun() && keep > 0 && out.size() < kSwfMaxFilters) {
            out.push_back(std::move(filter));
            --keep;
        }
    }
    return !r.Overrun();
}

}  // namespace fh
