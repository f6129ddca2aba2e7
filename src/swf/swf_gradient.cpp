#include "swf/swf_gradient.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <vector>

namespace fh {

namespace {

double Srgb(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double FromLinear(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

// Tables built lately, by their stops as coloured: frame after frame fills
// the same gradients, and shapes share them. One for the process, under a
// lock, since every drawing thread fills gradients.
class TableCache {
public:
    static constexpr std::size_t kMaxStops = 16;  // a movie's gradients have at most 15
    struct Key {
        std::array<SwfGradientStop, kMaxStops> stops;
        std::size_t count = 0;
        bool linearRgb = false;
    };

    static TableCache& Shared() {
        // Never destroyed: a drawing thread may still fill while the process ends.
        static TableCache* cache = new TableCache();
        return *cache;
    }

    bool Find(const Key& key, std::uint32_t (&table)[256]) {
        std::lock_guard<std::mutex> hold(m_lock);
        for (std::size_t e = 0; e < m_used; ++e) {
            const Entry& entry = m_entries[e];
            if (Same(entry.key, key)) {
                std::copy(entry.table, entry.table + 256, table);
                return true;
            }
        }
        return false;
    }

    void Keep(const Key& key, const std::uint32_t (&table)[256]) {
        std::lock_guard<std::mutex> hold(m_lock);
        Entry& entry = m_entries[m_next];
        m_next = (m_next + 1) % m_entries.size();
        m_used = std::min(m_used + 1, m_entries.size());
        entry.key = key;
        std::copy(table, table + 256, entry.table);
    }

private:
    struct Entry {
        Key key;
        std::uint32_t table[256];
    };

    static bool Same(const Key& a, const Key& b) {
        return a.linearRgb == b.linearRgb &&
               std::equal(a.stops.begin(), a.stops.begin() + a.count, b.stops.begin(), b.stops.begin() + b.count,
                          [](const SwfGradientStop& x, const SwfGradientStop& y) {
                              return x.ratio == y.ratio && x.color == y.color;
                          });
    }

    std::mutex m_lock;
    std::array<Entry, 16> m_entries;
    std::size_t m_used = 0, m_next = 0;
};

// Entry i is the colour at ratio i of the segment the walk along the stops
// has reached, and the walk passes at most one stop an entry: stops that
// share a ratio each get an entry of their own after it (the first stop's
// colour one entry past the ratio, then each middle stop's), the thin band
// the reference player draws at such a step, instead of the later stops
// jumping in at the ratio itself.
void BuildTable(const SwfGradientStop* stops, std::size_t count, bool linearRgb, std::uint32_t (&table)[256]) {
    std::size_t k = 0;  // the segment from stops[k] to stops[k + 1]
    for (int i = 0; i < 256; ++i) {
        SwfColor c = stops[k].color;
        if (k + 1 < count) {
            const SwfGradientStop& a = stops[k];
            const SwfGradientStop& b = stops[k + 1];
            // A segment of no length shows its first stop, one running
            // backwards (ratios out of order) its last, as the reference does.
            const double t = b.ratio > a.ratio ? std::clamp((i - a.ratio) / static_cast<double>(b.ratio - a.ratio), 0.0, 1.0)
                             : b.ratio == a.ratio ? 0.0
                                                  : 1.0;
            auto mix = [&](std::uint8_t x, std::uint8_t y) {
                double v;
                if (linearRgb) v = FromLinear(Srgb(x / 255.0) + (Srgb(y / 255.0) - Srgb(x / 255.0)) * t) * 255;
                else v = x + (y - x) * t;
                return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
            };
            c = {mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b),
                 static_cast<std::uint8_t>(std::clamp(a.color.a + (b.color.a - a.color.a) * t + 0.5, 0.0, 255.0))};
            if (i >= b.ratio && k + 2 < count) ++k;
        }
        const std::uint32_t al = c.a;
        table[i] = (al << 24) | ((c.r * al + 127) / 255 << 16) | ((c.g * al + 127) / 255 << 8) | ((c.b * al + 127) / 255);
    }
}

// The 256 colours of a gradient, premultiplied.
void GradientTable(const SwfGradient& g, const SwfColorTransform& cx, std::uint32_t (&table)[256]) {
    if (g.stops.size() > TableCache::kMaxStops) {
        // Not from a movie: built each time.
        std::vector<SwfGradientStop> stops(g.stops.begin(), g.stops.end());
        for (auto& s : stops) s.color = cx.Apply(s.color);
        BuildTable(stops.data(), stops.size(), g.linearRgb, table);
        return;
    }
    TableCache::Key key;
    key.linearRgb = g.linearRgb;
    for (const SwfGradientStop& s : g.stops) key.stops[key.count++] = {s.ratio, cx.Apply(s.color)};
    if (key.count == 0) key.stops[key.count++] = {0, cx.Apply(SwfColor{0, 0, 0, 0})};
    TableCache& cache = TableCache::Shared();
    if (cache.Find(key, table)) return;
    BuildTable(key.stops.data(), key.count, key.linearRgb, table);
    cache.Keep(key, table);
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
