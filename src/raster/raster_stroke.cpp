#include "raster/raster_stroke.h"

#include <algorithm>
#include <cmath>

namespace fh {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Segments shorter than this (pixels) give no direction and are merged.
constexpr double kMinSegment = 1e-6;
constexpr int kMaxArcSteps = 256;

using Vec = RasterPoint;

inline RasterPoint Offset(RasterPoint p, Vec v, double k) {
    return {p.x + v.x * k, p.y + v.y * k};
}
inline Vec Normal(Vec d) {
    return {-d.y, d.x};
}
inline Vec Neg(Vec d) {
    return {-d.x, -d.y};
}

class Stroker {
public:
    Stroker(const RasterStroke& s, RasterContours& out, RasterStrokerLists& lists)
        : m_r(std::min(s.width * 0.5, kRasterCoordLimit)),
          m_start(s.startCap),
          m_end(s.endCap),
          m_join(s.join),
          m_limit(s.miterLimit >= 1 ? std::min(s.miterLimit, 1e6) : 1.0),
          m_out(out),
          m_p(lists.points),
          m_d(lists.directions),
          m_len(lists.lengths) {
        // Arcs are cut into chords that stray at most the tolerance.
        m_arcStep = m_r > kRasterTolerance ? 2 * std::acos(1 - kRasterTolerance / m_r) : kPi / 2;
    }

    bool Usable() const { return m_r > 0 && std::isfinite(m_r); }

    void Contour(const RasterPoint* src, std::size_t count, bool closed) {
        m_p.clear();
        for (std::size_t i = 0; i < count; ++i)
            if (m_p.empty() || Far(m_p.back(), src[i])) m_p.push_back(src[i]);
        if (closed && m_p.size() > 1 && !Far(m_p.back(), m_p.front())) m_p.pop_back();
        const std::size_t n = m_p.size();
        if (n == 0) return;
        if (n == 1) {
            if (!closed) Dot(m_p[0]);
            return;
        }
        const std::size_t segs = closed ? n : n - 1;
        m_d.resize(segs);
        m_len.resize(segs);
        for (std::size_t i = 0; i < segs; ++i) {
            const RasterPoint a = m_p[i], b = m_p[(i + 1) % n];
            const double dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
            m_d[i] = {dx / len, dy / len};
            m_len[i] = len;
        }
        if (closed) {
            for (std::size_t i = 0; i < n; ++i) Join(i, (i + segs - 1) % segs, i, false);
            m_out.End(true);
            for (std::size_t i = n; i-- > 0;) Join(i, i, (i + segs - 1) % segs, true);
            m_out.End(true);
            return;
        }
        for (std::size_t i = 1; i + 1 < n; ++i) Join(i, i - 1, i, false);
        Cap(m_p[n - 1], m_d[segs - 1], m_end);
        for (std::size_t i = n - 1; i-- > 1;) Join(i, i, i - 1, true);
        Cap(m_p[0], Neg(m_d[0]), m_start);
        m_out.End(true);
    }

private:
    static bool Far(RasterPoint a, RasterPoint b) {
        return std::fabs(a.x - b.x) > kMinSegment || std::fabs(a.y - b.y) > kMinSegment;
    }

    void Emit(RasterPoint p) {
        if (m_out.Open())
            m_out.Add(p);
        else
            m_out.Begin(p);
    }

    // Points of an arc around `c` from direction `from`, turning by `sweep`,
    // both ends left out. None when the budget is spent: the arc is a chord.
    void Arc(RasterPoint c, Vec from, double sweep) {
        const double steps = std::ceil(std::fabs(sweep) / m_arcStep);
        const int n = static_cast<int>(std::min(steps, static_cast<double>(kMaxArcSteps)));
        if (n < 2 || m_out.points.size() + n > kRasterMaxStrokePoints) return;
        const double cs = std::cos(sweep / n), sn = std::sin(sweep / n);
        Vec v = from;
        for (int k = 1; k < n; ++k) {
            v = {v.x * cs - v.y * sn, v.x * sn + v.y * cs};
            Emit(Offset(c, v, m_r));
        }
    }

    // The corner at point i on the left of travel from segment `in` to
    // segment `out` (reversed segments when walking back).
    void Join(std::size_t i, std::size_t in, std::size_t out, bool back) {
        const RasterPoint p = m_p[i];
        const Vec dIn = back ? Neg(m_d[in]) : m_d[in], dOut = back ? Neg(m_d[out]) : m_d[out];
        const Vec nIn = Normal(dIn), nOut = Normal(dOut);
        const double cross = dIn.x * dOut.y - dIn.y * dOut.x, dot = dIn.x * dOut.x + dIn.y * dOut.y;
        const RasterPoint a = Offset(p, nIn, m_r), b = Offset(p, nOut, m_r);
        // Turning straight back, both walks see the same outer side; only
        // the first draws its join, or the edge pixels there would count twice.
        const bool reversal = std::fabs(cross) <= 1e-9 && dot < 0;
        if (cross > 1e-9 || (reversal && back)) {
            // The inside of the turn: where the two offset lines meet, when
            // that lies within both segments; else through the corner, which
            // keeps every region's winding.
            const double reach = m_r * cross / (1 + dot);
            if (dot > -0.999 && reach <= 0.5 * std::min(m_len[in], m_len[out])) {
                const double k = m_r / (1 + dot);
                Emit({p.x + (nIn.x + nOut.x) * k, p.y + (nIn.y + nOut.y) * k});
            } else {
                Emit(a);
                Emit(p);
                Emit(b);
            }
            return;
        }
        // A slight turn, as between the chords of a flattened curve: where
        // the offset lines meet lies within the tolerance of a round join's
        // arc, and is a miter join itself. One point instead of two halves
        // the outside's edges.
        const bool slight = dot > 0 && m_r * (1 - dot) <= kRasterTolerance * (1 + dot);
        if (slight && (m_join == RasterJoin::Round || (m_join == RasterJoin::Miter && (1 + dot) * m_limit * m_limit >= 2))) {
            const double k = m_r / (1 + dot);
            Emit({p.x + (nIn.x + nOut.x) * k, p.y + (nIn.y + nOut.y) * k});
            return;
        }
        Emit(a);
        if (m_join == RasterJoin::Round) {
            Arc(p, nIn, -std::acos(std::clamp(dot, -1.0, 1.0)));
        } else if (m_join == RasterJoin::Miter) {
            const double cosHalf = std::sqrt(std::max(0.0, (1 + dot) * 0.5));
            const double sinHalf = std::sqrt(std::max(0.0, (1 - dot) * 0.5));
            if (cosHalf * m_limit >= 1) {
                const double bx = nIn.x + nOut.x, by = nIn.y + nOut.y, bl = std::sqrt(bx * bx + by * by);
                if (bl > 1e-12) Emit({p.x + bx / bl * m_r / cosHalf, p.y + by / bl * m_r / cosHalf});
            } else if (sinHalf > 1e-12) {
                // Cut square to the bisector at m_limit half widths.
                const double t = m_r * (m_limit - cosHalf) / sinHalf;
                Emit(Offset(a, dIn, t));
                Emit(Offset(b, dOut, -t));
            }
        }
        Emit(b);
    }

    // The end of a stroke at `p` travelling along `d`, from its left edge round to its right.
    void Cap(RasterPoint p, Vec d, RasterCap cap) {
        const Vec n = Normal(d);
        const RasterPoint a = Offset(p, n, m_r), b = Offset(p, n, -m_r);
        Emit(a);
        if (cap == RasterCap::Square) {
            Emit(Offset(a, d, m_r));
            Emit(Offset(b, d, m_r));
        } else if (cap == RasterCap::Round) {
            Arc(p, n, -kPi);
        }
        Emit(b);
    }

    void Dot(RasterPoint p) {
        if (m_start == RasterCap::Round) {
            Emit({p.x + m_r, p.y});
            Arc(p, {1, 0}, 2 * kPi);
            m_out.End(true);
        } else if (m_start == RasterCap::Square) {
            Emit({p.x - m_r, p.y - m_r});
            Emit({p.x + m_r, p.y - m_r});
            Emit({p.x + m_r, p.y + m_r});
            Emit({p.x - m_r, p.y + m_r});
            m_out.End(true);
        }
    }

    double m_r;
    RasterCap m_start, m_end;
    RasterJoin m_join;
    double m_limit;
    double m_arcStep = 0;
    RasterContours& m_out;
    std::vector<RasterPoint>& m_p;
    std::vector<Vec>& m_d;
    std::vector<double>& m_len;
};

}  // namespace

double RasterStrokeReach(double width, double miterLimit) {
    const double half = std::isfinite(width) ? std::min(width * 0.5, kRasterCoordLimit) : kRasterCoordLimit;
    return half * std::max(1.5, std::min(miterLimit, 1e6)) + 2;
}

void StrokeContours(const RasterContours& in, const RasterStroke& stroke, RasterContours& out,
                    RasterStrokerLists& lists) {
    out.Clear();
    Stroker s(stroke, out, lists);
    if (!s.Usable()) return;
    for (const RasterContours::Contour& c : in.contours) {
        if (out.points.size() > 2 * kRasterMaxStrokePoints) break;
        s.Contour(in.points.data() + c.begin, c.end - c.begin, c.closed);
    }
    // A hostile path's lists are not kept.
    if (lists.points.capacity() > (std::size_t{1} << 16)) lists = RasterStrokerLists();
}

}  // namespace fh
