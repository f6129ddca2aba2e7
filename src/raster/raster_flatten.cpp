#include "raster/raster_flatten.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace fh {

void RasterContours::Begin(RasterPoint p) {
    if (m_open) End(false);
    Contour c;
    c.begin = c.end = static_cast<std::uint32_t>(points.size());
    contours.push_back(c);
    points.push_back(p);
    m_open = true;
}

void RasterContours::End(bool closed) {
    if (!m_open) return;
    contours.back().end = static_cast<std::uint32_t>(points.size());
    contours.back().closed = closed;
    m_open = false;
}

namespace {

// Most chords one curve is cut into; a curve this long at 0.1 px is far
// larger than any picture.
constexpr int kMaxCurveSteps = 1024;

bool Sanitize(RasterPoint& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    p.x = std::clamp(p.x, -kRasterCoordLimit, kRasterCoordLimit);
    p.y = std::clamp(p.y, -kRasterCoordLimit, kRasterCoordLimit);
    return true;
}

double Length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

class Flattener {
public:
    Flattener(const RasterBox& visible, RasterContours& out) : m_visible(visible), m_out(out) {}

    void MoveTo(RasterPoint p) {
        m_out.End(false);
        m_started = false;
        m_current = m_start = p;
    }
    void LineTo(RasterPoint p) {
        Start();
        if (m_out.points.size() < kRasterMaxFlatPoints) m_out.Add(p);
        m_current = p;
    }
    void QuadTo(RasterPoint c, RasterPoint e) {
        const RasterPoint s = m_current;
        // The chord of a parameter step h strays |P0 - 2 P1 + P2| h^2 / 4.
        const double dd = Length(s.x - 2 * c.x + e.x, s.y - 2 * c.y + e.y);
        const int n = Steps(dd / (4 * kRasterTolerance), {s, c, e});
        for (int i = 1; i < n; ++i) {
            const double t = static_cast<double>(i) / n, u = 1 - t;
            const double k0 = u * u, k1 = 2 * t * u, k2 = t * t;
            LineTo({k0 * s.x + k1 * c.x + k2 * e.x, k0 * s.y + k1 * c.y + k2 * e.y});
        }
        LineTo(e);
    }
    void CubicTo(RasterPoint c1, RasterPoint c2, RasterPoint e) {
        const RasterPoint s = m_current;
        // The second derivative is at most 6 max(|P0 - 2 P1 + P2|, |P1 - 2 P2 + P3|),
        // and a chord strays by a eighth of it times h^2.
        const double dd = std::max(Length(s.x - 2 * c1.x + c2.x, s.y - 2 * c1.y + c2.y),
                                   Length(c1.x - 2 * c2.x + e.x, c1.y - 2 * c2.y + e.y));
        const int n = Steps(3 * dd / (4 * kRasterTolerance), {s, c1, c2, e});
        for (int i = 1; i < n; ++i) {
            const double t = static_cast<double>(i) / n, u = 1 - t;
            const double k0 = u * u * u, k1 = 3 * t * u * u, k2 = 3 * t * t * u, k3 = t * t * t;
            LineTo({k0 * s.x + k1 * c1.x + k2 * c2.x + k3 * e.x, k0 * s.y + k1 * c1.y + k2 * c2.y + k3 * e.y});
        }
        LineTo(e);
    }
    void Close() {
        if (m_started) m_out.End(true);
        m_started = false;
        m_current = m_start;
    }
    void Finish() { m_out.End(false); }

private:
    void Start() {
        if (m_started) return;
        m_out.Begin(m_current);
        m_start = m_current;
        m_started = true;
    }
    // Chords for a curve whose n^2 must reach `squared`: one when the curve
    // lies outside the visible box or the point budget is spent.
    int Steps(double squared, std::initializer_list<RasterPoint> hull) const {
        double x0 = hull.begin()->x, x1 = x0, y0 = hull.begin()->y, y1 = y0;
        for (const RasterPoint& p : hull) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        if (x1 < m_visible.x0 || x0 > m_visible.x1 || y1 < m_visible.y0 || y0 > m_visible.y1) return 1;
        const std::size_t left = kRasterMaxFlatPoints - std::min(kRasterMaxFlatPoints, m_out.points.size());
        const double n = std::ceil(std::sqrt(squared));
        const double most = static_cast<double>(std::min<std::size_t>(left, kMaxCurveSteps));
        return n >= 1 ? static_cast<int>(std::max(1.0, std::min(n, most))) : 1;
    }

    RasterBox m_visible;
    RasterContours& m_out;
    RasterPoint m_current, m_start;
    bool m_started = false;
};

}  // namespace

void FlattenPath(const RasterPath& path, const RasterBox& visible, RasterContours& out) {
    out.Clear();
    Flattener f(visible, out);
    std::size_t k = 0;
    const std::size_t count = path.points.size();
    for (RasterPath::Verb verb : path.verbs) {
        int need = 0;
        switch (verb) {
            case RasterPath::Move:
            case RasterPath::Line: need = 1; break;
            case RasterPath::Quad: need = 2; break;
            case RasterPath::Cubic: need = 3; break;
            case RasterPath::Close: break;
            default: f.Finish(); return;  // not a verb: the rest cannot be trusted
        }
        if (count - k < static_cast<std::size_t>(need)) break;
        RasterPoint p[3];
        bool finite = true;
        for (int i = 0; i < need; ++i) {
            p[i] = path.points[k + i];
            finite = Sanitize(p[i]) && finite;
        }
        k += need;
        if (!finite) continue;  // the verb is left out, the pen stays put
        switch (verb) {
            case RasterPath::Move: f.MoveTo(p[0]); break;
            case RasterPath::Line: f.LineTo(p[0]); break;
            case RasterPath::Quad: f.QuadTo(p[0], p[1]); break;
            case RasterPath::Cubic: f.CubicTo(p[0], p[1], p[2]); break;
            default: f.Close(); break;
        }
    }
    f.Finish();
}

}  // namespace fh
