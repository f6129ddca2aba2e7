#include "swf/swf_gradient.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace fh {

namespace {

double Srgb(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double FromLinear(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

// Tables a thread built lately, by their stops as coloured: frame after
// frame fills the same gradients, and shapes share them.
struct TableCache {
    struct Entry {
        std::vector<SwfGradientStop> stops;
        bool linearRgb = false;
        std::uint32_t table[256];
    };
    std::array<Entry, 16> entries;
    std::size_t used = 0, next = 0;
};

bool SameStops(const std::vector<SwfGradientStop>& a, const std::vector<SwfGradientStop>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SwfGradientStop& x, const SwfGradientStop& y) {
        return x.ratio == y.ratio && x.color == y.color;
    });
}

// The 256 colours of a gradient, premultiplied.
void GradientTable(const SwfGradient& g, const SwfColorTransform& cx, std::uint32_t (&table)[256]) {
    // Kept on the thread: a frame builds a table for every gradient it fills.
    thread_local std::vector<SwfGradientStop> stops;
    thread_local TableCache cache;
    stops.assign(g.stops.begin(), g.stops.end());
    if (stops.empty()) stops.push_back({0, SwfColor{0, 0, 0, 0}});
    for (auto& s : stops) s.color = cx.Apply(s.color);
    for (std::size_t e = 0; e < cache.used; ++e) {
        const TableCache::Entry& entry = cache.entries[e];
        if (entry.linearRgb == g.linearRgb && SameStops(entry.stops, stops)) {
            std::copy(entry.table, entry.table + 256, table);
            return;
        }
    }
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
    TableCache::Entry& entry = cache.entries[cache.next];
    cache.next = (cache.next + 1) % cache.entries.size();
    cache.used = std::min(cache.used + 1, cache.entries.size());
    entry.stops.assign(stops.begin(), stops.end());
    entry.linearRgb = g.linearRgb;
    std::copy(table, table + 256, entry.table);
}

}  // namespace

void SwfGradientRamp(const SwfFillStyle& fill, const SwfMatrix& toCanvas, const SwfColorTransform& cx,
                     RasterGradient& out) {
    std::uint32_t table[256];
    GradientTable(fill.gradient, cx, table);
    std::copy(table, table + 256, out.colors.begin());
    switch (fill.gradient.spread) {
    case SwfSpread::Pad: out.spread = RasterGradient::Spread::Pad; break;
    case SwfSpread::Repeat: out.spread = RasterGradient::Spread::Repeat; break;
    case SwfSpread::Reflect: out.spread = RasterGradient::Spread::Reflect; break;
    }
    const SwfMatrix& m = toCanvas;
    const RasterMatrix square{m.a, m.b, m.c, m.d, m.tx, m.ty};
    out.focal = 0;
    if (fill.kind == SwfFillKind::Linear) {
        // From -16384 to 16384 along x is the ramp's 0 to 1.
        out.shape = RasterGradient::Shape::Linear;
        out.unitToDevice = square.After(RasterMatrix{32768, 0, 0, 32768, -16384, 0});
        return;
    }
    out.shape = fill.kind == SwfFillKind::Focal ? RasterGradient::Shape::Focal : RasterGradient::Shape::Radial;
    if (fill.kind == SwfFillKind::Focal) out.focal = fill.gradient.focal;
    out.unitToDevice = square.After(RasterMatrix{16384, 0, 0, 16384, 0, 0});
}

}  // namespace fh
