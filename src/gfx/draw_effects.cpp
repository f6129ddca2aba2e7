#include "gfx/draw_effects.h"

#include <algorithm>
#include <vector>

namespace fh {

namespace {

int Channel(std::uint32_t v, int shift) { return static_cast<int>((v >> shift) & 0xFF); }

std::uint8_t Low8(std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Row bump value of the "bump" textures: t cubed over 128 twice.
std::int64_t Bump(std::int64_t t) { return t * t * t / 128 / 128; }

}  // namespace

Pixel PixelGray(Pixel p) {
    const double g = Channel(p, 8) * 0.587 + Channel(p, 16) * 0.299 + Channel(p, 0) * 0.114;
    const Pixel v = static_cast<Pixel>(g) & 0xFF;
    return v | (v << 8) | (v << 16);
}

Pixel PixelInvert(Pixel p) { return (p ^ 0xFFFFFF) & 0xFFFFFF; }

Pixel PixelDarken(Pixel p, double x) {
    if (!(x >= 0 && x < 1)) return p;
    Pixel out = 0;
    for (int s : {0, 8, 16}) out |= (static_cast<Pixel>(Channel(p, s) * x) & 0xFF) << s;
    return out;
}

Pixel PixelLighten(Pixel p, double x) {
    if (!(x > 0 && x <= 1)) return p;
    Pixel out = 0;
    for (int s : {0, 8, 16}) out |= (static_cast<Pixel>(std::min(Channel(p, s) * (1 + x), 255.0)) & 0xFF) << s;
    return out;
}

Pixel PixelMix(Pixel p, double a, Pixel q, double b) {
    Pixel out = 0;
    for (int s : {0, 8, 16}) {
        const double v = Channel(p, s) * a + Channel(q, s) * b;
        out |= (static_cast<Pixel>(static_cast<std::int64_t>(v)) & 0xFF) << s;
    }
    return out;
}

ColorRef GradientStep(ColorRef start, ColorRef end, int k) {
    ColorRef out = 0;
    for (int s : {0, 8, 16}) out |= static_cast<ColorRef>(((Channel(start, s) * (64 - k) + Channel(end, s) * k) >> 6) & 0xFF) << s;
    return out;
}

std::array<Pixel, 256> TexturePalette(ColorRef first, ColorRef second, ColorRef third, int colouring) {
    std::array<int, 3> f{}, m{}, t{};
    for (int c = 0; c < 3; ++c) {
        f[c] = Channel(first, 8 * c);
        m[c] = Channel(second, 8 * c);
        t[c] = Channel(third, 8 * c);
    }
    std::array<std::array<int, 3>, 256> entries{};
    for (int i = 0; i <= 128; ++i)
        for (int c = 0; c < 3; ++c) entries[static_cast<size_t>(i)][c] = (t[c] * (128 - i) + m[c] * i) / 128;
    for (int i = 1; i <= 128; ++i)
        for (int c = 0; c < 3; ++c) entries[static_cast<size_t>(127 + i)][c] = (f[c] * i + m[c] * (128 - i)) / 128;
    const int p = std::min(std::max(colouring, 0), 100);
    std::array<Pixel, 256> palette{};
    for (size_t i = 0; i < 256; ++i) {
        // The entry's channels are red, green, blue; a pixel keeps blue low.
        int rgb[3];
        for (int c = 0; c < 3; ++c) rgb[c] = (f[c] * p + entries[i][c] * (100 - p)) / 100;
        palette[i] = static_cast<Pixel>(rgb[2] | (rgb[1] << 8) | (rgb[0] << 16));
    }
    return palette;
}

void ComputeTexture(int effect, int width, int height, int granularity, const RandomSource& random,
                    std::uint8_t* bits, std::int64_t stride) {
    if (width <= 0 || height <= 0 || !bits || effect < 7 || effect > 15) return;
    const std::int64_t W = width, H = height;
    const std::int64_t A = std::min(std::max(granularity, 0), 255);
    const std::int64_t L = A == 0 ? 1 : 2 * A;
    const std::int64_t C = 32767 / L;
    const std::int64_t R = 255 - 2 * A;
    auto noise = [&]() -> std::int64_t { return random() / C; };
    auto at = [&](std::int64_t r, std::int64_t j) -> std::uint8_t& { return bits[r * stride + j]; };
    auto rowBump = [&](std::int64_t r) { return Bump(r * 255 / H - 127); };
    auto columnBump = [&](std::int64_t j) { return Bump((W - j) * 255 / W - 127); };

    switch (effect) {
    case 7:
        for (std::int64_t r = 0; r < H; ++r)
            for (std::int64_t j = 0; j < W; ++j) at(r, j) = Low8(noise() - A + 128);
        break;
    case 8: {
        const std::int64_t Q = R / 2;
        for (std::int64_t r = 0; r < H; ++r)
            for (std::int64_t j = 0; j < W; ++j) at(r, j) = Low8(r * Q / H + Q * (W - j) / W + noise());
        break;
    }
    case 9:
        for (std::int64_t r = 0; r < H; ++r)
            for (std::int64_t j = 0; j < W; ++j) at(r, j) = Low8(r * R / H + noise());
        break;
    case 10:
        for (std::int64_t j = 0; j < W; ++j)
            for (std::int64_t r = 0; r < H; ++r) at(r, j) = Low8(R * (W - j) / W + noise());
        break;
    case 11:
        for (std::int64_t r = 0; r < H; ++r) {
            const std::int64_t v = rowBump(r);
            for (std::int64_t j = 0; j < W; ++j) at(r, j) = Low8(v * (128 - A) / 128 + 128 + noise() - A);
        }
        break;
    case 12:
        for (std::int64_t j = 0; j < W; ++j) {
            const std::int64_t value = std::min(columnBump(j) * (128 - A) / 128 + 128, 255 - A);
            for (std::int64_t r = 0; r < H; ++r) at(r, j) = Low8(value + noise() - A);
        }
        break;
    case 13:
        for (std::int64_t r = 0; r < H; ++r) {
            const std::int64_t vr = rowBump(r);
            for (std::int64_t j = 0; j < W; ++j) {
                std::int64_t value = (vr + columnBump(j)) * (128 - A) / 128 + 128;
                value = std::max(A, std::min(value, 255 - A));
                at(r, j) = Low8(value + noise() - A);
            }
        }
        break;
    case 14: {
        for (std::int64_t r = 0; r < H; ++r) {
            const std::int64_t v = rowBump(r);
            for (std::int64_t j = 0; j < W; ++j) at(r, j) = Low8(v * (64 - A) * 2 / 128 + 128 + noise() - A);
        }
        const std::int64_t F = std::min<std::int64_t>(W / 6, 16);
        const std::int64_t D = H * H / 4;
        // A picture one pixel high (D = 0) has no rows to narrow the bevels
        // over; the second pass is left out. Narrower than six (F = 0), no
        // pixel meets a bevel condition, so the divisions by F never happen.
        if (D == 0) break;
        for (std::int64_t r = 0; r < H; ++r) {
            const std::int64_t G = r - H / 2;
            const std::int64_t I = G * F * G / D;
            for (std::int64_t j = 0; j < W; ++j) {
                std::int64_t value = at(r, j);
                if (j - W / 2 > I + W / 2 - F) value = A + (W - j) * 128 / F;
                if (j + I - F < 0) value = (255 - A) - j * 128 / F;
                at(r, j) = Low8(value + noise() - A);
            }
        }
        break;
    }
    case 15: {
        for (std::int64_t r = 0; r < H; ++r)
            for (std::int64_t j = 0; j < W; ++j) at(r, j) = 0;
        // Divisors stay at least 1 for pictures wider or higher than 32767.
        const std::int64_t dx = std::max<std::int64_t>(1, 32767 / W);
        const std::int64_t dy = std::max<std::int64_t>(1, 32767 / H);
        const std::int64_t dl = std::max<std::int64_t>(1, 32767 / std::min(W, H));
        auto set = [&](std::int64_t x, std::int64_t y, std::int64_t value) {
            if (x >= 0 && x < W && y >= 0 && y < H) at(H - 1 - y, x) = Low8(value);
        };
        for (int scratch = 0; scratch < 200; ++scratch) {
            const std::int64_t X = random() / dx;
            const std::int64_t Y = random() / dy;
            const std::int64_t length = (random() / dl) / 2;
            const std::int64_t value = random() / 819;
            for (std::int64_t s = 0; s < length; ++s) {
                if (X - s > 0 && Y + s < H) set(X - s, Y + s, value);
                if (X + s < W && Y - s > 0) set(X + s, Y - s, value);
            }
        }
        const std::int64_t E = (R - 40) / 2;
        for (std::int64_t r = 0; r < H; ++r)
            for (std::int64_t j = 0; j < W; ++j) at(r, j) = Low8(at(r, j) + r * E / H + E * (W - j) / W + noise());
        break;
    }
    default:
        break;
    }
}

void BlendPercentPixels(const Pixel* src, Pixel* dst, std::size_t n, int percentage) {
    const double p = percentage * 0.01;
    for (std::size_t i = 0; i < n; ++i) dst[i] = PixelMix(src[i], p, dst[i], 1 - p);
}

void BlendAlphaPixels(const Pixel* src, Pixel* dst, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const double x = (src[i] >> 24) * 0.00392156862745098;
        dst[i] = PixelMix(src[i], x, dst[i], 1 - x);
    }
}

bool EffectCopyPixels(Pixel* pixels, std::size_t n, unsigned flags, bool useTransparent, Pixel transparent,
                      Pixel shade) {
    bool hasAlpha = false;
    for (std::size_t i = 0; i < n; ++i) {
        const Pixel d = pixels[i];
        const Pixel alpha = d & 0xFF000000u;
        if (alpha) hasAlpha = true;
        Pixel e;
        if (useTransparent && d == transparent) {
            e = 0;
        } else {
            e = d;
            if (flags & IMAGE_EFFECT_GRAY) e = PixelGray(e);
            if (flags & IMAGE_EFFECT_DARKEN) e = PixelDarken(e, 0.75);
            if (flags & IMAGE_EFFECT_LIGHTEN) e = PixelLighten(e, 0.25);
            if (flags & IMAGE_EFFECT_FILL) e = shade;
        }
        if (flags & IMAGE_EFFECT_INVERT) e = PixelInvert(e);
        pixels[i] = alpha | (e & 0xFFFFFF);
    }
    return hasAlpha;
}

void ApplyShadow(const Pixel* silhouette, Pixel* dst, int width, int height, bool blur, int blurWidth,
                 int blurHeight) {
    if (width <= 0 || height <= 0) return;
    const std::size_t W = static_cast<std::size_t>(width), H = static_cast<std::size_t>(height);
    if (!blur) {
        for (std::size_t i = 0; i < W * H; ++i) dst[i] = PixelDarken(dst[i], (silhouette[i] & 0xFF) / 255.0);
        return;
    }
    // The window, made odd, in 64 bits: sizes near the int limit must not wrap.
    const std::int64_t bw = std::max<std::int64_t>(1, OddBlurSize64(blurWidth));
    const std::int64_t bh = std::max<std::int64_t>(1, OddBlurSize64(blurHeight));
    // A window wider than 2W - 1 (or taller than 2H - 1) covers the whole
    // picture from every pixel and only adds white beyond it: the sums run
    // over the clamped window and the rest is counted as white, so cost and
    // memory depend on the picture alone.
    const std::int64_t cw = std::min<std::int64_t>(bw, 2 * static_cast<std::int64_t>(W) - 1);
    const std::int64_t ch = std::min<std::int64_t>(bh, 2 * static_cast<std::int64_t>(H) - 1);
    const bool clamped = cw != bw || ch != bh;
    const std::size_t sw = static_cast<std::size_t>(cw), sh = static_cast<std::size_t>(ch);
    const std::size_t gw = W + sw - 1, gh = H + sh - 1;
    const std::size_t padX = sw / 2, padY = sh / 2;
    // Window sums along each grid row, then down each column: two passes of
    // running sums, so the window size does not change the cost.
    std::vector<double> rows(W * gh);
    std::vector<double> line(gw);
    for (std::size_t gy = 0; gy < gh; ++gy) {
        for (std::size_t gx = 0; gx < gw; ++gx) {
            const bool inside = gx >= padX && gx < padX + W && gy >= padY && gy < padY + H;
            line[gx] = inside ? static_cast<double>(silhouette[(gy - padY) * W + (gx - padX)] & 0xFF) : 255.0;
        }
        double sum = 0;
        for (std::size_t gx = 0; gx < sw; ++gx) sum += line[gx];
        for (std::size_t x = 0; x < W; ++x) {
            rows[gy * W + x] = sum;
            if (x + sw < gw) sum += line[x + sw] - line[x];
        }
    }
    // The factor is the window's mean light: its sum over the window's whole
    // area of white, a quotient, so a window all white leaves the pixel as it was.
    const double full = static_cast<double>(bw) * static_cast<double>(bh) * 255.0;
    const double clampedWhite = static_cast<double>(cw) * static_cast<double>(ch) * 255.0;
    for (std::size_t x = 0; x < W; ++x) {
        double sum = 0;
        for (std::size_t gy = 0; gy < sh; ++gy) sum += rows[gy * W + x];
        for (std::size_t y = 0; y < H; ++y) {
            const double factor = clamped ? 1.0 - (clampedWhite - sum) / full : sum / full;
            dst[y * W + x] = PixelDarken(dst[y * W + x], factor);
            if (y + sh < gh) sum += rows[(y + sh) * W + x] - rows[y * W + x];
        }
    }
}

}  // namespace fh
