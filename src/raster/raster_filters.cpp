#include "raster/raster_filters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace fh {

namespace {

// Limits on what a movie may ask for. Flash documents blur amounts of 0 to
// 255 and a quality of at most 15; offsets beyond a thousand pixels only make
// the caller's layer larger without showing anything sensible.
constexpr int kMaxPasses = 15;
constexpr double kMaxBoxWidth = 255;
constexpr double kMaxDistance = 1024;
constexpr int kMaxMatrixSide = 15;

using Plane = std::vector<std::uint8_t>;

inline int Div255(int x) { return (x + 127) / 255; }

inline std::size_t Index(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

inline bool Valid(const RasterImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.px.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

inline int ClampChannel(double v) {
    if (!(v > 0.0)) return 0;  // NaN too
    if (v >= 255.0) return 255;
    return static_cast<int>(std::lround(v));
}

inline double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

inline int Channel(std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

inline std::uint32_t Pack(int r, int g, int b, int a) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// Every channel of a premultiplied pixel times k / 255.
inline std::uint32_t Scale(std::uint32_t p, int k) {
    return Pack(Div255(Channel(p, 16) * k), Div255(Channel(p, 8) * k), Div255(Channel(p, 0) * k),
                Div255(Channel(p, 24) * k));
}

// Channel-wise sum of two premultiplied pixels, the colour kept within the alpha.
inline std::uint32_t Sum(std::uint32_t p, std::uint32_t q) {
    const int a = std::min(255, Channel(p, 24) + Channel(q, 24));
    return Pack(std::min(a, Channel(p, 16) + Channel(q, 16)), std::min(a, Channel(p, 8) + Channel(q, 8)),
                std::min(a, Channel(p, 0) + Channel(q, 0)), a);
}

inline std::uint32_t Over(std::uint32_t top, std::uint32_t bottom) {
    return Sum(top, Scale(bottom, 255 - Channel(top, 24)));
}

// A straight colour whose alpha is further multiplied by m / 255, premultiplied.
inline std::uint32_t Tint(std::uint32_t color, int m) {
    const int a = Div255(Channel(color, 24) * m);
    return Pack(Div255(Channel(color, 16) * a), Div255(Channel(color, 8) * a), Div255(Channel(color, 0) * a), a);
}

// A box of `width` pixels: weight 1 up to `core` pixels either side of the
// centre and frac / 256 on the next pixel each side, so that the weights add
// up to the width and a width of 2 weighs its neighbours by 1/4, 1/2, 1/4
// without shifting the picture.
struct Box {
    int core = 0, frac = 0;
    bool Identity() const { return core == 0 && frac == 0; }
    int Reach() const { return core + (frac > 0 ? 1 : 0); }
};

Box BoxFor(double width) {
    Box box;
    if (!(width > 1.0)) return box;  // a box one pixel wide (or less) keeps the picture
    width = std::min(width, kMaxBoxWidth);
    box.core = static_cast<int>(std::floor((width - 1.0) / 2.0));
    box.frac = static_cast<int>(std::lround((width - 1.0 - 2.0 * box.core) * 128.0));
    if (box.frac >= 256) {
        ++box.core;
        box.frac = 0;
    }
    return box;
}

int Passes(int passes) { return std::clamp(passes, 0, kMaxPasses); }

int BlurReach(double width, int passes) { return BoxFor(width).Reach() * Passes(passes); }

// Box passes along one line of a plane. Every pass reads window sums off a
// prefix sum, so a pass costs the same for any box width.
class LineBlur {
public:
    void Run(std::uint8_t* data, std::ptrdiff_t step, int n, Box box, int passes) {
        if (n <= 0 || passes <= 0 || box.Identity()) return;
        const std::size_t count = static_cast<std::size_t>(n);
        m_line.resize(count);
        m_prefix.resize(count + 1);
        for (std::size_t i = 0; i < count; ++i) m_line[i] = data[static_cast<std::ptrdiff_t>(i) * step];
        const long long den = (2LL * box.core + 1) * 256 + 2LL * box.frac;
        for (int pass = 0; pass < passes; ++pass) {
            m_prefix[0] = 0;
            for (std::size_t i = 0; i < count; ++i) m_prefix[i + 1] = m_prefix[i] + m_line[i];
            // Every window sum comes from m_prefix, so the line can take the results in place.
            for (long long i = 0; i < n; ++i) {
                const long long s0 = Window(i, box.core, n);
                long long num = s0 * 256;
                if (box.frac > 0) num += box.frac * (Window(i, box.core + 1, n) - s0);
                m_line[static_cast<std::size_t>(i)] = static_cast<int>((num + den / 2) / den);
            }
        }
        for (std::size_t i = 0; i < count; ++i)
            data[static_cast<std::ptrdiff_t>(i) * step] = static_cast<std::uint8_t>(m_line[i]);
    }

private:
    // Sum of the values from i - r to i + r, those off the line counting as 0.
    long long Window(long long i, int r, long long n) const {
        const long long lo = std::max(0LL, i - r), hi = std::min(n, i + r + 1);
        return m_prefix[static_cast<std::size_t>(hi)] - m_prefix[static_cast<std::size_t>(lo)];
    }

    std::vector<int> m_line;
    std::vector<long long> m_prefix;
};

// Lines blurred between two looks at the clock.
constexpr int kLinesPerLook = 32;

// All horizontal passes, then all vertical ones (box blurs commute). False
// when the deadline passed before the plane was done.
bool BlurPlane(Plane& plane, int width, int height, double blurX, double blurY, int passes,
               const RasterDeadline& deadline) {
    const Box bx = BoxFor(blurX), by = BoxFor(blurY);
    passes = Passes(passes);
    LineBlur line;
    for (int y = 0; y < height; ++y) {
        if (y % kLinesPerLook == 0 && deadline.Passed()) return false;
        line.Run(&plane[Index(0, y, width)], 1, width, bx, passes);
    }
    for (int x = 0; x < width; ++x) {
        if (x % kLinesPerLook == 0 && deadline.Passed()) return false;
        line.Run(&plane[Index(x, 0, width)], width, height, by, passes);
    }
    return true;
}

Plane AlphaPlane(const RasterImage& image) {
    Plane plane(image.px.size());
    for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<std::uint8_t>(image.px[i] >> 24);
    return plane;
}

struct Offset {
    int x = 0, y = 0;
};

// The offset of a shadow cast `distance` pixels along `angle`, to whole pixels.
Offset OffsetFor(double angle, double distance) {
    Offset o;
    if (!std::isfinite(angle) || !std::isfinite(distance)) return o;
    distance = std::clamp(distance, -kMaxDistance, kMaxDistance);
    o.x = static_cast<int>(std::lround(distance * std::cos(angle)));
    o.y = static_cast<int>(std::lround(distance * std::sin(angle)));
    return o;
}

// out(x, y) = in(x - o.x, y - o.y), 0 where that falls off the picture.
Plane Shifted(const Plane& in, int width, int height, Offset o) {
    if (o.x == 0 && o.y == 0) return in;
    Plane out(in.size(), 0);
    if (o.x >= width || -o.x >= width || o.y >= height || -o.y >= height) return out;
    const int x0 = std::max(0, o.x), x1 = std::min(width, width + o.x);
    for (int y = std::max(0, o.y); y < std::min(height, height + o.y); ++y)
        std::memcpy(&out[Index(x0, y, width)], &in[Index(x0 - o.x, y - o.y, width)],
                    static_cast<std::size_t>(x1 - x0));
    return out;
}

// Strength as a multiplier in 1/256 steps; the blurred alpha it scales saturates at 255.
int StrengthFixed(double strength) {
    if (!(strength > 0.0)) return 0;
    if (strength >= 255.0) return 255 * 256;
    return static_cast<int>(std::lround(strength * 256.0));
}

inline int Strengthen(int m, int strength) { return std::min(255, (m * strength + 128) >> 8); }

// Where the effect goes relative to the object: under it (outer), on it
// inside its outline (inner), or over it on both sides (full).
enum class Place { Under, Atop, Over };

// Puts the effect layer together with the object. Knockout keeps only the
// effect where it shows; a hidden object (compositeSource off) leaves the
// effect as it is.
void Composite(RasterImage& image, const std::vector<std::uint32_t>& effect, Place place, bool knockout,
               bool hideObject) {
    for (std::size_t i = 0; i < image.px.size(); ++i) {
        const std::uint32_t o = image.px[i], e = effect[i];
        const int oa = Channel(o, 24);
        switch (place) {
            case Place::Under:  // object over the effect; knockout cuts the object's shape out of it
                image.px[i] = knockout ? Scale(e, 255 - oa) : hideObject ? e : Over(o, e);
                break;
            case Place::Atop:  // the effect inside the object's alpha, over the object
                image.px[i] = (knockout || hideObject) ? Scale(e, oa)
                                                       : Sum(Scale(e, oa), Scale(o, 255 - Channel(e, 24)));
                break;
            case Place::Over:
                image.px[i] = (knockout || hideObject) ? e : Over(e, o);
                break;
        }
    }
}

Place PlaceFor(bool inner, bool onTop) { return onTop ? Place::Over : inner ? Place::Atop : Place::Under; }

// The 256 premultiplied entries of a gradient: colours linearly mixed (as
// straight ARGB) between neighbouring ratios, the end colours beyond them.
// Ratios that go backwards count as equal to the one before.
std::array<std::uint32_t, 256> GradientTable(const RasterGradientEffect& f) {
    std::array<std::uint32_t, 256> table{};
    const std::size_t n = std::min(f.colors.size(), f.ratios.size());
    if (n == 0) return table;
    std::vector<int> ratio(n);
    for (std::size_t k = 0; k < n; ++k) ratio[k] = k == 0 ? f.ratios[0] : std::max<int>(ratio[k - 1], f.ratios[k]);
    std::size_t k = 0;
    for (int i = 0; i < 256; ++i) {
        while (k < n && ratio[k] < i) ++k;
        std::uint32_t c;
        if (k == 0) {
            c = f.colors[0];
        } else if (k == n) {
            c = f.colors[n - 1];
        } else {
            const int span = ratio[k] - ratio[k - 1], t = i - ratio[k - 1];
            int ch[4];
            for (int j = 0; j < 4; ++j) {
                const int shift = 24 - 8 * j;
                ch[j] = (Channel(f.colors[k - 1], shift) * (span - t) + Channel(f.colors[k], shift) * t + span / 2) /
                        span;
            }
            c = Pack(ch[1], ch[2], ch[3], ch[0]);
        }
        table[static_cast<std::size_t>(i)] = Tint(c, 255);
    }
    return table;
}

// Drop shadow, glow and gradient glow: the object's alpha moved by the
// offset, blurred and strengthened, then coloured. An inner effect uses the
// complement (what lies outside the object); the full one (gradient glow on
// top) the outer field outside the object and the inner one inside it.
struct GlowParams {
    double blurX, blurY, strength;
    int passes;
    Offset offset;
    bool inner, onTop, knockout, compositeSource;
};

template <typename ColorOf>
bool ApplyGlow(RasterImage& image, const GlowParams& p, const RasterDeadline& deadline, ColorOf colorOf) {
    Plane field = Shifted(AlphaPlane(image), image.width, image.height, p.offset);
    if (!BlurPlane(field, image.width, image.height, p.blurX, p.blurY, p.passes, deadline)) return false;
    const int strength = StrengthFixed(p.strength);
    std::vector<std::uint32_t> effect(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const int outer = Strengthen(field[i], strength), inner = Strengthen(255 - field[i], strength);
        int m = p.inner ? inner : outer;
        if (p.onTop) {
            const int oa = Channel(image.px[i], 24);
            m = Div255(outer * (255 - oa) + inner * oa);
        }
        effect[i] = colorOf(m);
    }
    Composite(image, effect, PlaceFor(p.inner, p.onTop), p.knockout, !p.compositeSource);
    return true;
}

// Bevels: d = B(p + offset) - B(p - offset) with B the blurred alpha, so
// that with the offset pointing down-right (45 degrees) d is positive on the
// top-left edges (the highlight) and negative on the bottom-right ones (the
// shadow). effectOf gets d strengthened, in -255..255.
struct BevelParams {
    double blurX, blurY, strength;
    int passes;
    Offset offset;
    bool inner, onTop, knockout, compositeSource;
};

template <typename EffectOf>
bool ApplyBevel(RasterImage& image, const BevelParams& p, const RasterDeadline& deadline, EffectOf effectOf) {
    const int w = image.width, h = image.height;
    Plane blurred = AlphaPlane(image);
    if (!BlurPlane(blurred, w, h, p.blurX, p.blurY, p.passes, deadline)) return false;
    const int strength = StrengthFixed(p.strength);
    auto at = [&](long long x, long long y) -> int {
        return x < 0 || y < 0 || x >= w || y >= h ? 0 : blurred[Index(static_cast<int>(x), static_cast<int>(y), w)];
    };
    std::vector<std::uint32_t> effect(blurred.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int d = at(static_cast<long long>(x) + p.offset.x, static_cast<long long>(y) + p.offset.y) -
                          at(static_cast<long long>(x) - p.offset.x, static_cast<long long>(y) - p.offset.y);
            const int strong = d >= 0 ? Strengthen(d, strength) : -Strengthen(-d, strength);
            effect[Index(x, y, w)] = effectOf(strong);
        }
    }
    Composite(image, effect, PlaceFor(p.inner, p.onTop), p.knockout, !p.compositeSource);
    return true;
}

bool ApplyBlur(RasterImage& image, const RasterBlur& f, const RasterDeadline& deadline) {
    Plane planes[4];
    for (int c = 0; c < 4; ++c) {
        planes[c].resize(image.px.size());
        for (std::size_t i = 0; i < image.px.size(); ++i)
            planes[c][i] = static_cast<std::uint8_t>(image.px[i] >> (8 * c));
        if (!BlurPlane(planes[c], image.width, image.height, f.blurX, f.blurY, f.passes, deadline)) return false;
    }
    // Blurring premultiplied channels alike keeps each colour within its alpha.
    for (std::size_t i = 0; i < image.px.size(); ++i)
        image.px[i] = Pack(planes[2][i], planes[1][i], planes[0][i], planes[3][i]);
    return true;
}

// Non-finite entries count as 0, a divisor of 0 (or not finite) as 1. With
// preserveAlpha the straight colours are convolved and the alpha kept;
// otherwise all four premultiplied channels are.
void ApplyConvolution(RasterImage& image, const RasterConvolution& f) {
    const int mx = f.matrixX, my = f.matrixY;
    if (mx < 1 || my < 1 || mx > kMaxMatrixSide || my > kMaxMatrixSide) return;
    if (f.matrix.size() < static_cast<std::size_t>(mx * my)) return;
    double weight[kMaxMatrixSide * kMaxMatrixSide];
    for (int i = 0; i < mx * my; ++i) weight[i] = Finite(f.matrix[static_cast<std::size_t>(i)]);
    double divisor = Finite(f.divisor);
    if (divisor == 0.0) divisor = 1.0;
    const double bias = Finite(f.bias);

    const bool keepAlpha = f.preserveAlpha;
    auto channels = [keepAlpha](std::uint32_t p, bool premultiplied) {
        std::array<int, 4> c{Channel(p, 16), Channel(p, 8), Channel(p, 0), Channel(p, 24)};
        for (int j = 0; j < 3; ++j) {
            if (premultiplied && keepAlpha)
                c[j] = c[3] > 0 ? std::min(255, (c[j] * 255 + c[3] / 2) / c[3]) : 0;
            else if (!premultiplied && !keepAlpha)
                c[j] = Div255(c[j] * c[3]);
        }
        return c;
    };
    const int w = image.width, h = image.height;
    std::vector<std::array<int, 4>> src(image.px.size());
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = channels(image.px[i], true);
    const std::array<int, 4> outside = channels(f.defaultColor, false);

    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < my; ++j) {
                const int sy = y + j - my / 2;
                for (int i = 0; i < mx; ++i) {
                    const int sx = x + i - mx / 2;
                    const std::array<int, 4>* s = &outside;
                    if (sx >= 0 && sy >= 0 && sx < w && sy < h)
                        s = &src[Index(sx, sy, w)];
                    else if (f.clamp)
                        s = &src[Index(std::clamp(sx, 0, w - 1), std::clamp(sy, 0, h - 1), w)];
                    const double k = weight[j * mx + i];
                    for (int c = 0; c < 4; ++c) sum[c] += k * (*s)[static_cast<std::size_t>(c)];
                }
            }
            int out[4];
            for (int c = 0; c < 4; ++c) out[c] = ClampChannel(sum[c] / divisor + bias);
            std::uint32_t& px = image.px[Index(x, y, w)];
            if (keepAlpha) {
                const int a = Channel(px, 24);
                px = Pack(Div255(out[0] * a), Div255(out[1] * a), Div255(out[2] * a), a);
            } else {
                px = Pack(std::min(out[0], out[3]), std::min(out[1], out[3]), std::min(out[2], out[3]), out[3]);
            }
        }
    }
}

void ApplyColorMatrix(RasterImage& image, const RasterColorMatrix& f) {
    double m[20];
    for (int i = 0; i < 20; ++i) m[i] = Finite(f.matrix[static_cast<std::size_t>(i)]);
    for (std::uint32_t& p : image.px) {
        const int a = Channel(p, 24);
        double in[4] = {0, 0, 0, static_cast<double>(a)};
        for (int c = 0; c < 3; ++c) in[c] = a > 0 ? std::min(a, Channel(p, 16 - 8 * c)) * 255.0 / a : 0.0;
        int out[4];
        for (int r = 0; r < 4; ++r) {
            const double* row = m + 5 * r;
            out[r] = ClampChannel(row[0] * in[0] + row[1] * in[1] + row[2] * in[2] + row[3] * in[3] + row[4]);
        }
        p = Pack(Div255(out[0] * out[3]), Div255(out[1] * out[3]), Div255(out[2] * out[3]), out[3]);
    }
}

// Reach of an offset effect: the blur on every side, moved by the offset.
RasterRect OffsetReach(int rx, int ry, Offset o) {
    return {std::max(0, rx - o.x), std::max(0, ry - o.y), std::max(0, rx + o.x), std::max(0, ry + o.y)};
}

// A bevel reads the blurred alpha on both sides of each pixel.
RasterRect BevelReach(double blurX, double blurY, int passes, Offset o) {
    const int rx = BlurReach(blurX, passes) + std::abs(o.x), ry = BlurReach(blurY, passes) + std::abs(o.y);
    return {rx, ry, rx, ry};
}

}  // namespace

RasterRect FilterReach(const RasterFilter& filter) {
    struct Visitor {
        RasterRect operator()(const RasterBlur& f) const {
            const int rx = BlurReach(f.blurX, f.passes), ry = BlurReach(f.blurY, f.passes);
            return {rx, ry, rx, ry};
        }
        RasterRect operator()(const RasterDropShadow& f) const {
            if (f.inner) return {};
            return OffsetReach(BlurReach(f.blurX, f.passes), BlurReach(f.blurY, f.passes),
                               OffsetFor(f.angle, f.distance));
        }
        RasterRect operator()(const RasterGlow& f) const {
            if (f.inner) return {};
            return OffsetReach(BlurReach(f.blurX, f.passes), BlurReach(f.blurY, f.passes), Offset{});
        }
        RasterRect operator()(const RasterGradientGlow& f) const {
            if (f.inner && !f.onTop) return {};
            return OffsetReach(BlurReach(f.blurX, f.passes), BlurReach(f.blurY, f.passes),
                               OffsetFor(f.angle, f.distance));
        }
        RasterRect operator()(const RasterBevel& f) const {
            if (f.inner && !f.onTop) return {};
            return BevelReach(f.blurX, f.blurY, f.passes, OffsetFor(f.angle, f.distance));
        }
        RasterRect operator()(const RasterGradientBevel& f) const {
            if (f.inner && !f.onTop) return {};
            return BevelReach(f.blurX, f.blurY, f.passes, OffsetFor(f.angle, f.distance));
        }
        RasterRect operator()(const RasterConvolution& f) const {
            // With the alpha kept, nothing appears outside the object.
            if (f.preserveAlpha || f.matrixX < 1 || f.matrixY < 1 || f.matrixX > kMaxMatrixSide ||
                f.matrixY > kMaxMatrixSide)
                return {};
            return {(f.matrixX - 1) / 2, (f.matrixY - 1) / 2, f.matrixX / 2, f.matrixY / 2};
        }
        RasterRect operator()(const RasterColorMatrix&) const { return {}; }
    };
    return std::visit(Visitor{}, filter.params);
}

RasterRect FilterReach(const std::vector<RasterFilter>& filters) {
    // Saturates far beyond any layer the caller could allocate.
    constexpr int kCap = 1 << 24;
    RasterRect total;
    for (const RasterFilter& f : filters) {
        const RasterRect r = FilterReach(f);
        total.left = std::min(kCap, total.left + r.left);
        total.top = std::min(kCap, total.top + r.top);
        total.right = std::min(kCap, total.right + r.right);
        total.bottom = std::min(kCap, total.bottom + r.bottom);
    }
    return total;
}

bool ApplyFilter(RasterImage& image, const RasterFilter& filter, const RasterDeadline& deadline) {
    if (!Valid(image)) return true;
    switch (filter.Kind()) {
        case RasterFilterKind::Blur:
            return ApplyBlur(image, std::get<RasterBlur>(filter.params), deadline);
        case RasterFilterKind::DropShadow: {
            const auto& f = std::get<RasterDropShadow>(filter.params);
            const GlowParams p{f.blurX, f.blurY, f.strength, f.passes, OffsetFor(f.angle, f.distance),
                               f.inner,  false,   f.knockout, f.compositeSource};
            return ApplyGlow(image, p, deadline, [&f](int m) { return Tint(f.color, m); });
        }
        case RasterFilterKind::Glow: {
            const auto& f = std::get<RasterGlow>(filter.params);
            const GlowParams p{f.blurX, f.blurY, f.strength, f.passes, Offset{}, f.inner, false, f.knockout,
                               f.compositeSource};
            return ApplyGlow(image, p, deadline, [&f](int m) { return Tint(f.color, m); });
        }
        case RasterFilterKind::GradientGlow: {
            const auto& f = std::get<RasterGradientGlow>(filter.params);
            const std::array<std::uint32_t, 256> table = GradientTable(f);
            const GlowParams p{f.blurX, f.blurY, f.strength, f.passes, OffsetFor(f.angle, f.distance),
                               f.inner, f.onTop, f.knockout, f.compositeSource};
            return ApplyGlow(image, p, deadline, [&table](int m) { return table[static_cast<std::size_t>(m)]; });
        }
        case RasterFilterKind::Bevel: {
            const auto& f = std::get<RasterBevel>(filter.params);
            const BevelParams p{f.blurX, f.blurY, f.strength, f.passes, OffsetFor(f.angle, f.distance),
                                f.inner, f.onTop, f.knockout, f.compositeSource};
            return ApplyBevel(image, p, deadline,
                              [&f](int d) { return d >= 0 ? Tint(f.highlightColor, d) : Tint(f.shadowColor, -d); });
        }
        case RasterFilterKind::GradientBevel: {
            const auto& f = std::get<RasterGradientBevel>(filter.params);
            const std::array<std::uint32_t, 256> table = GradientTable(f);
            const BevelParams p{f.blurX, f.blurY, f.strength, f.passes, OffsetFor(f.angle, f.distance),
                                f.inner, f.onTop, f.knockout, f.compositeSource};
            // Full highlight at entry 0, flat at 128, full shadow at 255.
            return ApplyBevel(image, p, deadline,
                              [&table](int d) { return table[static_cast<std::size_t>(std::min(255, (256 - d) >> 1))]; });
        }
        case RasterFilterKind::Convolution:
            ApplyConvolution(image, std::get<RasterConvolution>(filter.params));
            return !deadline.Passed();
        case RasterFilterKind::ColorMatrix:
            ApplyColorMatrix(image, std::get<RasterColorMatrix>(filter.params));
            return !deadline.Passed();
    }
    return true;
}

bool ApplyFilters(RasterImage& image, const std::vector<RasterFilter>& filters, const RasterDeadline& deadline) {
    for (const RasterFilter& f : filters)
        if (deadline.Passed() || !ApplyFilter(image, f, deadline)) return false;
    return true;
}

}  // namespace fh
