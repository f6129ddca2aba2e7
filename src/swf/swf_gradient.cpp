#include "swf/swf_gradient.h"

#include <algorithm>
#include <cmath>

namespace fh {

namespace {

double Srgb(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double FromLinear(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

// The 256 colours of a gradient, premultiplied.
void GradientTable(const SwfGradient& g, const SwfColorTransform& cx, std::uint32_t (&table)[256]) {
    std::vector<SwfGradientStop> stops = g.stops;
    if (stops.empty()) stops.push_back({0, SwfColor{0, 0, 0, 0}});
    for (auto& s : stops) s.color = cx.Apply(s.color);
    for (int i = 0; i < 256; ++i) {
        std::size_t k = 0;
        while (k < stops.size() && stops[k].ratio < i) ++k;
        SwfColor c;
        if (k == 0) {
            c = stops.front().color;
        } else if (k == stops.size()) {
            c = stops.back().color;
        } else {
            const SwfGradientStop& a = stops[k - 1];
            const SwfGradientStop& b = stops[k];
            const double t = b.ratio == a.ratio ? 1.0 : (i - a.ratio) / static_cast<double>(b.ratio - a.ratio);
            auto mix = [&](std::uint8_t x, std::uint8_t y) {
                double v;
                if (g.linearRgb) v = FromLinear(Srgb(x / 255.0) + (Srgb(y / 255.0) - Srgb(x / 255.0)) * t) * 255;
                else v = x + (y - x) * t;
                return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
            };
            c = {mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b),
                 static_cast<std::uint8_t>(std::clamp(a.color.a + (b.color.a - a.color.a) * t + 0.5, 0.0, 255.0))};
        }
        const std::uint32_t al = c.a;
        table[i] = (al << 24) | ((c.r * al + 127) / 255 << 16) | ((c.g * al + 127) / 255 << 8) | ((c.b * al + 127) / 255);
    }
}

double Spread(double t, SwfSpread spread) {
    if (!std::isfinite(t)) return 1;
    switch (spread) {
    case SwfSpread::Pad: return std::clamp(t, 0.0, 1.0);
    case SwfSpread::Repeat: return t - std::floor(t);
    case SwfSpread::Reflect: {
        const double m = std::fmod(std::fabs(t), 2.0);
        return m > 1 ? 2 - m : m;
    }
    }
    return t;
}

}  // namespace

void RenderGradient(const SwfFillStyle& fill, const SwfMatrix& toCanvas, const SwfColorTransform& cx, SwfPixels& out) {
    out.argb.assign(static_cast<std::size_t>(std::max(0, out.width)) * static_cast<std::size_t>(std::max(0, out.height)), 0);
    SwfMatrix inverse;
    if (out.argb.empty() || !toCanvas.Invert(inverse)) return;
    std::uint32_t table[256];
    GradientTable(fill.gradient, cx, table);
    const double focal = fill.kind == SwfFillKind::Focal ? fill.gradient.focal : 0;
    for (int row = 0; row < out.height; ++row) {
        for (int col = 0; col < out.width; ++col) {
            const SwfPoint g = inverse.Apply(out.x + col + 0.5, out.y + row + 0.5);
            const double gx = g.x / 16384.0, gy = g.y / 16384.0;
            double t;
            if (fill.kind == SwfFillKind::Linear) {
                t = (gx + 1) / 2;
            } else if (focal == 0) {
                t = std::sqrt(gx * gx + gy * gy);
            } else {
                // Where the ray from the focal point through this point meets
                // the unit circle gives the distance that counts as 1.
                const double dx = gx - focal, dy = gy;
                const double len = std::sqrt(dx * dx + dy * dy);
                if (len < 1e-9) {
                    t = 0;
                } else {
                    const double ux = dx / len;
                    const double b = focal * ux;
                    const double s = -b + std::sqrt(b * b - (focal * focal - 1));
                    t = len / s;
                }
            }
            t = Spread(t, fill.gradient.spread);
            out.argb[static_cast<std::size_t>(row) * out.width + col] = table[static_cast<int>(t * 255 + 0.5)];
        }
    }
}

}  // namespace fh
