#include "raster/raster_coverage.h"

#include <algorithm>
#include <climits>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fh {

namespace {

// Cells of one band: a shape taller than fits is swept in bands of rows.
constexpr std::size_t kBandCells = std::size_t{1} << 19;
// Cells are marked as touched by edges in blocks of 1 << kBlockShift.
constexpr int kBlockShift = 3;

// Floor and ceiling of values in 0 .. 2^31 without a library call: 32-bit
// code has no rounding instruction, and these run for every cell.
inline int FloorPos(double v) {
    return static_cast<int>(v);
}
inline int CeilPos(double v) {
    const int i = static_cast<int>(v);
    return i + (i < v);
}

// Cells hold coverage in 65536ths of a pixel, added modulo 2^32: a sum is
// exact whenever the true one fits an int32 (winding below 32768), and
// even-odd only needs it modulo 2^17 anyway.
constexpr double kOne = 65536.0;

// Half away from zero, without a branch: the sign of v is a coin toss. In
// SSE registers: the 32-bit MinGW compiler builds std::copysign through the
// stack, and the reload stalls on the store it waits for.
inline std::int32_t Round(double v) {
#if defined(__SSE2__)
    const __m128d x = _mm_set_sd(v);
    const __m128d half = _mm_or_pd(_mm_and_pd(x, _mm_set_sd(-0.0)), _mm_set_sd(0.5));
    return _mm_cvttsd_si32(_mm_add_sd(x, half));
#else
    return static_cast<std::int32_t>(v + std::copysign(0.5, v));
#endif
}

inline std::uint8_t NonZeroCover(std::uint32_t s) {
    const std::int32_t v = static_cast<std::int32_t>(s);
    const std::uint32_t a = v < 0 ? 0u - s : s;
    return static_cast<std::uint8_t>(a >= 65536u ? 255u : (a * 255u + 32768u) >> 16);
}

inline std::uint8_t EvenOddCover(std::uint32_t s) {
    std::uint32_t a = s & 0x1FFFFu;
    if (a > 65536u) a = 131072u - a;
    return static_cast<std::uint8_t>((a * 255u + 32768u) >> 16);
}

#if defined(__SSE2__)
// Eight cells of a block at once: their running sums from `s`, the cells
// cleared, and the coverage of each as NonZeroCover or EvenOddCover gives it.
template <bool kNonZero>
inline std::uint32_t SweepBlock(std::uint32_t* cell, std::uint8_t* cover, std::uint32_t s) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cell), _mm_setzero_si128());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cell + 4), _mm_setzero_si128());
    a = _mm_add_epi32(a, _mm_slli_si128(a, 4));
    a = _mm_add_epi32(a, _mm_slli_si128(a, 8));
    b = _mm_add_epi32(b, _mm_slli_si128(b, 4));
    b = _mm_add_epi32(b, _mm_slli_si128(b, 8));
    a = _mm_add_epi32(a, _mm_set1_epi32(static_cast<int>(s)));
    b = _mm_add_epi32(b, _mm_shuffle_epi32(a, 0xFF));
    const std::uint32_t last = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(b, 0xFF)));
    const __m128i one = _mm_set1_epi32(65536);
    auto area = [&](__m128i v) {
        if (kNonZero) {
            // |v|, and a full pixel for anything from one winding up (the
            // most negative sum stays negative and counts as full).
            const __m128i sign = _mm_srai_epi32(v, 31);
            v = _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
            const __m128i full = _mm_or_si128(_mm_cmpgt_epi32(v, one), _mm_cmplt_epi32(v, _mm_setzero_si128()));
            return _mm_or_si128(_mm_andnot_si128(full, v), _mm_and_si128(full, one));
        }
        v = _mm_and_si128(v, _mm_set1_epi32(0x1FFFF));
        const __m128i over = _mm_cmpgt_epi32(v, one);
        return _mm_or_si128(_mm_andnot_si128(over, v), _mm_and_si128(over, _mm_sub_epi32(_mm_set1_epi32(131072), v)));
    };
    // (a * 255 + 32768) >> 16, as (a << 8) - a: a is at most 65536.
    auto scale = [](__m128i v) {
        return _mm_srli_epi32(_mm_add_epi32(_mm_sub_epi32(_mm_slli_epi32(v, 8), v), _mm_set1_epi32(32768)), 16);
    };
    const __m128i words = _mm_packs_epi32(scale(area(a)), scale(area(b)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(cover), _mm_packus_epi16(words, words));
    return last;
}
#endif

}  // namespace

void RasterCoverage::Reset(int x0, int y0, int x1, int y1) {
    x0 = std::clamp(x0, 0, kMaxSide);
    y0 = std::clamp(y0, 0, kMaxSide);
    x1 = std::clamp(x1, 0, kMaxSide);
    y1 = std::clamp(y1, 0, kMaxSide);
    m_x0 = x0;
    m_y0 = y0;
    m_width = x1 > x0 && y1 > y0 ? x1 - x0 : 0;
    m_height = x1 > x0 && y1 > y0 ? y1 - y0 : 0;
    m_edges.clear();
}

void RasterCoverage::AddContours(const RasterContours& contours) {
    const double x0 = m_x0, y0 = m_y0, x1 = m_x0 + m_width, y1 = m_y0 + m_height;
    for (const RasterContours::Contour& c : contours.contours) {
        if (c.end - c.begin < 2) continue;
        const RasterPoint* p = contours.points.data() + c.begin;
        const std::uint32_t n = c.end - c.begin;
        // A contour wholly inside the area, as most are, needs no clipping:
        // its edges go in as AddClipped would put them (not-a-number fails
        // the test and takes the long way).
        bool inside = m_width > 0 && m_edges.size() + n <= kMaxEdges;
        for (std::uint32_t i = 0; i < n && inside; ++i)
            inside = p[i].x >= x0 && p[i].x < x1 && p[i].y >= y0 && p[i].y <= y1;
        if (!inside) {
            for (std::uint32_t i = 0; i < n; ++i) AddLine(p[i], p[i + 1 < n ? i + 1 : 0]);
            continue;
        }
        for (std::uint32_t i = 0; i < n; ++i) {
            const RasterPoint a = p[i], b = p[i + 1 < n ? i + 1 : 0];
            Keep({static_cast<float>(a.x - x0), static_cast<float>(a.y - y0), static_cast<float>(b.x - x0),
                  static_cast<float>(b.y - y0)});
        }
    }
}

void RasterCoverage::Keep(const Edge& e) {
    if (e.y0 == e.y1) return;  // adds nothing to any row
    if (m_edges.empty()) m_top = m_bottom = e.y0;
    m_top = std::min({m_top, e.y0, e.y1});
    m_bottom = std::max({m_bottom, e.y0, e.y1});
    m_edges.push_back(e);
}

void RasterCoverage::AddLine(RasterPoint a, RasterPoint b) {
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return;
    auto rel = [](double v, int origin) { return std::clamp(v, -kRasterCoordLimit, kRasterCoordLimit) - origin; };
    AddClipped(rel(a.x, m_x0), rel(a.y, m_y0), rel(b.x, m_x0), rel(b.y, m_y0));
}

void RasterCoverage::AddClipped(double x0, double y0, double x1, double y1) {
    const double w = m_width, h = m_height;
    if (w <= 0 || y0 == y1) return;
    if (x0 >= 0 && x0 < w && x1 >= 0 && x1 < w && y0 >= 0 && y0 <= h && y1 >= 0 && y1 <= h) {
        // Wholly inside, as most edges are.
        if (m_edges.size() >= kMaxEdges) return;
        Keep({static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1), static_cast<float>(y1)});
        return;
    }
    if ((y0 <= 0 && y1 <= 0) || (y0 >= h && y1 >= h)) return;
    // Rows outside the area take nothing from the edge: cut it to them.
    const double dxdy = (x1 - x0) / (y1 - y0);
    auto cutY = [&](double& x, double& y) {
        const double to = y < 0 ? 0 : y > h ? h : y;
        if (to == y) return;
        x = x0 + (to - y0) * dxdy;
        y = to;
    };
    double ax = x0, ay = y0, bx = x1, by = y1;
    cutY(ax, ay);
    cutY(bx, by);
    if (!std::isfinite(ax) || !std::isfinite(bx)) return;
    // Split where it crosses the left and right sides: left of the area an
    // edge still winds the pixels to its right, right of it nothing.
    double cuts[4] = {0, 0, 0, 1};
    int n = 1;
    for (double side : {0.0, w})
        if ((ax - side) * (bx - side) < 0) cuts[n++] = (side - ax) / (bx - ax);
    if (n == 3 && cuts[2] < cuts[1]) std::swap(cuts[1], cuts[2]);
    cuts[n] = 1;
    for (int i = 0; i < n; ++i) {
        const double ta = cuts[i], tb = cuts[i + 1];
        if (tb <= ta) continue;
        double px = ax + (bx - ax) * ta, qx = ax + (bx - ax) * tb;
        const double py = ay + (by - ay) * ta, qy = ay + (by - ay) * tb;
        if (0.5 * (px + qx) >= w) continue;
        if (m_edges.size() >= kMaxEdges) return;
        // A part left of the area runs down its left side.
        px = std::clamp(px, 0.0, w);
        qx = std::clamp(qx, 0.0, w);
        Keep({static_cast<float>(px), static_cast<float>(py), static_cast<float>(qx), static_cast<float>(qy)});
    }
}

void RasterCoverage::AccumulateBand(int top, int rows) {
    const std::size_t stride = Stride();
    const double w = m_width;
    const int bottom = top + rows;
    std::uint32_t* const cells = m_cells.data();
    int* const rowMin = m_rowMin.data();
    int* const rowMax = m_rowMax.data();
    std::uint8_t* const touched = m_touched.data();
    const std::size_t blocks = m_blocks;
    const int width = m_width;
    for (const Edge& e : m_edges) {
        const bool down = e.y1 > e.y0;
        const double xt = down ? e.x0 : e.x1, yt = down ? e.y0 : e.y1;
        const double xb = down ? e.x1 : e.x0, yb = down ? e.y1 : e.y0;
        if (yb <= top || yt >= bottom) continue;
        const double dir = down ? 1 : -1, dxdy = (xb - xt) / (yb - yt);
        const int r0 = std::max(top, FloorPos(yt));
        const int r1 = std::min(bottom, CeilPos(yb));
        // Each row takes the piece of the edge within it; a piece ends where
        // the next begins, so the one x is worked out once.
        double ya = std::max(yt, static_cast<double>(r0));
        double xa = ya == yt ? xt : std::clamp(xt + (ya - yt) * dxdy, 0.0, w);
        for (int r = r0; r < r1; ++r) {
            const double yz = std::min(yb, r + 1.0);
            const double xz = yz == yb ? xb : std::clamp(xt + (yz - yt) * dxdy, 0.0, w);
            if (yz > ya) {
                const int row = r - top;
                std::uint32_t* cell = cells + static_cast<std::size_t>(row) * stride;
                const double d = dir * (yz - ya);
                const double xl = std::min(xa, xz), xr = std::max(xa, xz);
                const int i0 = std::min(FloorPos(xl), width);
                const std::int32_t whole = Round(d * kOne);
                int last;
                if (xr <= i0 + 1) {
                    // Within one cell: the part right of the edge is a trapezoid
                    // whose width is one less the distance of the edge's middle.
                    const std::int32_t part = Round(d * (1 - (0.5 * (xl + xr) - i0)) * kOne);
                    cell[i0] += static_cast<std::uint32_t>(part);
                    cell[i0 + 1] += static_cast<std::uint32_t>(whole - part);
                    last = i0 + 1;
                } else {
                    // Across cells: the height left of the edge grows linearly
                    // from xl to xr, so the area up to x is F(x), a parabola up
                    // to the last cell, then a straight line. Cells take
                    // differences of rounded coverages, so the row still adds
                    // up to exactly the piece's height.
                    const double span = xr - xl, k = d * kOne, half = 0.5 / span;
                    const int i1 = CeilPos(xr) - 1;
                    std::int32_t prev = 0;
                    double prevF = 0;
                    for (int i = i0; i < i1; ++i) {
                        const double f = (i + 1 - xl) * (i + 1 - xl) * half;
                        const std::int32_t c = Round(k * (f - prevF));
                        cell[i] += static_cast<std::uint32_t>(c - prev);
                        prev = c;
                        prevF = f;
                    }
                    const std::int32_t c = Round(k * (0.5 * span + (i1 + 1 - xr) - prevF));
                    cell[i1] += static_cast<std::uint32_t>(c - prev);
                    last = i1 + 1;
                    cell[last] += static_cast<std::uint32_t>(whole - c);
                }
                if (i0 < rowMin[row]) rowMin[row] = i0;
                if (last > rowMax[row]) rowMax[row] = last;
                // Pieces are short: mostly one block, at times two.
                std::uint8_t* mark = touched + static_cast<std::size_t>(row) * blocks;
                const int b0 = i0 >> kBlockShift, b1 = last >> kBlockShift;
                mark[b0] = 1;
                mark[b1] = 1;
                for (int b = b0 + 1; b < b1; ++b) mark[b] = 1;
            }
            ya = yz;
            xa = xz;
        }
    }
}

void RasterCoverage::EmitBand(int top, int rows, FillRule rule, RasterSpanSink& sink) {
    // Each rule gets its own loop: the rule is asked of every pixel.
    if (rule == FillRule::NonZero) EmitBandAs<true>(top, rows, sink);
    else EmitBandAs<false>(top, rows, sink);
}

template <bool kNonZero>
void RasterCoverage::EmitBandAs(int top, int rows, RasterSpanSink& sink) {
    const std::size_t stride = Stride();
    std::uint8_t* cover = m_cover.data();
    auto coverOf = [](std::uint32_t s) { return kNonZero ? NonZeroCover(s) : EvenOddCover(s); };
    for (int r = 0; r < rows; ++r) {
        const int lo = m_rowMin[r], hi = m_rowMax[r];
        m_rowMin[r] = INT_MAX;
        m_rowMax[r] = -1;
        if (lo > hi) continue;
        const int y = m_y0 + top + r;
        std::uint32_t* cell = m_cells.data() + static_cast<std::size_t>(r) * stride;
        std::uint8_t* touched = m_touched.data() + static_cast<std::size_t>(r) * m_blocks;
        // Blocks of cells no edge touched keep the winding they start
        // with: they go out as runs, the others pixel by pixel.
        std::uint32_t s = 0;
        int varyFrom = -1;  // start of the pixel-by-pixel piece being gathered
        int runFrom = -1;   // start of the constant run being gathered, and its coverage
        std::uint8_t runCover = 0;
        auto flushVary = [&](int to) {
            if (varyFrom < 0) return;
            int a = varyFrom, b = to;
            while (a < b && cover[a] == 0) ++a;
            while (b > a && cover[b - 1] == 0) --b;
            if (a < b) sink.Row(y, m_x0 + a, m_x0 + b, cover + a);
            varyFrom = -1;
        };
        auto flushRun = [&](int to) {
            if (runFrom >= 0 && runCover && to > runFrom) sink.Run(y, m_x0 + runFrom, m_x0 + to, runCover);
            runFrom = -1;
        };
        const int end = std::min(hi, m_width - 1);
        // Whole blocks, the row's padding taking the last: cells before the
        // first touched one and past the last hold nothing, and pixels past
        // `end` are not handed on.
        for (int x = lo & ~((1 << kBlockShift) - 1); x <= end;) {
            const int blockEnd = x + (1 << kBlockShift);
            if (touched[x >> kBlockShift]) {
                flushRun(x);
                if (varyFrom < 0) varyFrom = x;
#if defined(__SSE2__)
                s = SweepBlock<kNonZero>(cell + x, cover + x, s);
                x = blockEnd;
#else
                for (; x < blockEnd; ++x) {
                    s += cell[x];
                    cell[x] = 0;
                    cover[x] = coverOf(s);
                }
#endif
            } else {
                const std::uint8_t c = coverOf(s);
                if (runFrom < 0 || c != runCover) {
                    flushVary(x);
                    flushRun(x);
                    runFrom = x;
                    runCover = c;
                }
                x = blockEnd;
            }
        }
        // The cell past the row's end may hold the last edge's remainder.
        for (int x = end + 1; x <= hi; ++x) cell[x] = 0;
        std::fill(touched + (lo >> kBlockShift), touched + (hi >> kBlockShift) + 1, std::uint8_t{0});
        // Past the last cell touched the winding stays as it is.
        const std::uint8_t rest = end == hi && hi < m_width - 1 ? coverOf(s) : 0;
        if (rest && runFrom >= 0 && runCover == rest) {
            flushVary(runFrom);
            flushRun(m_width);
            continue;
        }
        flushVary(end + 1);
        flushRun(end + 1);
        if (rest) sink.Run(y, m_x0 + hi + 1, m_x0 + m_width, rest);
    }
}

std::size_t RasterCoverage::Stride() const {
    // The cell past the last pixel, one more for an edge's remainder there,
    // then up to whole blocks.
    const std::size_t block = std::size_t{1} << kBlockShift;
    return (static_cast<std::size_t>(m_width) + 2 + block - 1) & ~(block - 1);
}

void RasterCoverage::Sweep(FillRule rule, RasterSpanSink& sink) {
    if (m_edges.empty() || m_width <= 0) {
        m_edges.clear();
        return;
    }
    const int top = std::max({0, FloorPos(m_top), m_rowFrom - m_y0});
    const int bottom = std::min({m_height, CeilPos(m_bottom), m_rowTo - m_y0});
    if (top >= bottom) {
        m_edges.clear();
        return;
    }
    const std::size_t stride = Stride();
    const int bandRows = std::max(1, std::min(bottom - top, static_cast<int>(kBandCells / stride)));
    if (m_cells.size() < static_cast<std::size_t>(bandRows) * stride)
        m_cells.resize(static_cast<std::size_t>(bandRows) * stride, 0u);
    if (m_rowMin.size() < static_cast<std::size_t>(bandRows)) {
        m_rowMin.resize(bandRows, INT_MAX);
        m_rowMax.resize(bandRows, -1);
    }
    m_blocks = (stride >> kBlockShift) + 1;
    if (m_touched.size() < static_cast<std::size_t>(bandRows) * m_blocks)
        m_touched.resize(static_cast<std::size_t>(bandRows) * m_blocks, 0);
    if (m_cover.size() < stride) m_cover.resize(stride);
    if (m_dirty) {
        // A sweep that ended by an exception left its cells: clean them all.
        std::fill(m_cells.begin(), m_cells.end(), 0u);
        std::fill(m_touched.begin(), m_touched.end(), std::uint8_t{0});
        std::fill(m_rowMin.begin(), m_rowMin.end(), INT_MAX);
        std::fill(m_rowMax.begin(), m_rowMax.end(), -1);
    }
    m_dirty = true;
    for (int band = top; band < bottom; band += bandRows) {
        const int rows = std::min(bandRows, bottom - band);
        AccumulateBand(band, rows);
        EmitBand(band, rows, rule, sink);
    }
    m_dirty = false;
    m_edges.clear();
}

}  // namespace fh

namespace fh {

void RasterCoverage::SweepSampled(FillRule rule, RasterSpanSink& sink) {
    if (m_edges.empty() || m_width <= 0) {
        m_edges.clear();
        return;
    }
    // The four sample points of the usual hardware pattern, as parts of a pixel.
    static constexpr float kSampleX[4] = {0.375f, 0.875f, 0.125f, 0.625f};
    static constexpr float kSampleY[4] = {0.125f, 0.375f, 0.625f, 0.875f};
    auto top = [](const Edge& e) { return std::min(e.y0, e.y1); };
    std::sort(m_edges.begin(), m_edges.end(), [&](const Edge& a, const Edge& b) { return top(a) < top(b); });
    if (m_cover.size() < static_cast<std::size_t>(m_width) + 1) m_cover.resize(static_cast<std::size_t>(m_width) + 1);
    std::uint8_t* count = m_cover.data();
    std::fill(count, count + m_width, std::uint8_t{0});
    const int first = std::max({0, FloorPos(m_top), m_rowFrom - m_y0});
    const int last = std::min({m_height, CeilPos(m_bottom), m_rowTo - m_y0});
    std::size_t next = 0;
    m_active.clear();
    for (int r = first; r < last; ++r) {
        while (next < m_edges.size() && top(m_edges[next]) < r + 1) m_active.push_back(static_cast<std::uint32_t>(next++));
        m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                      [&](std::uint32_t i) { return std::max(m_edges[i].y0, m_edges[i].y1) <= r; }),
                       m_active.end());
        int lo = m_width, hi = 0;
        for (int k = 0; k < 4; ++k) {
            const float y = static_cast<float>(r) + kSampleY[k];
            m_crossings.clear();
            for (std::uint32_t i : m_active) {
                const Edge& e = m_edges[i];
                const bool down = e.y1 > e.y0;
                const float yt = down ? e.y0 : e.y1, yb = down ? e.y1 : e.y0;
                if (y < yt || y >= yb) continue;
                const float x = e.x0 + (y - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0);
                m_crossings.push_back({x, down ? 1 : -1});
            }
            std::sort(m_crossings.begin(), m_crossings.end());
            int winding = 0;
            for (std::size_t c = 0; c + 1 < m_crossings.size(); ++c) {
                winding += m_crossings[c].second;
                if (rule == FillRule::NonZero ? winding == 0 : (winding & 1) == 0) continue;
                // Pixels whose sample point lies in [xa, xb).
                const float xa = m_crossings[c].first - kSampleX[k], xb = m_crossings[c + 1].first - kSampleX[k];
                const int p0 = std::max(0, CeilPos(std::max(xa, 0.0f)));
                const int p1 = std::min(m_width, CeilPos(std::max(xb, 0.0f)));
                for (int p = p0; p < p1; ++p) ++count[p];
                if (p0 < p1) {
                    lo = std::min(lo, p0);
                    hi = std::max(hi, p1);
                }
            }
        }
        if (lo >= hi) continue;
        for (int p = lo; p < hi; ++p) count[p] = static_cast<std::uint8_t>((count[p] * 255 + 2) / 4);
        int a = lo, b = hi;
        while (a < b && count[a] == 0) ++a;
        while (b > a && count[b - 1] == 0) --b;
        if (a < b) sink.Row(m_y0 + r, m_x0 + a, m_x0 + b, count + a);
        std::fill(count + lo, count + hi, std::uint8_t{0});
    }
    m_edges.clear();
}

}  // namespace fh
