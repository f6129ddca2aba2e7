#pragma once
// The scanline rasterizer: exact area coverage of polygons per pixel. Each
// edge adds, to the cells of the rows it crosses, the signed area it leaves
// to its right; a running sum along a row then gives every pixel the mean
// winding number over its square, which the fill rule turns into coverage.

#include <cstdint>
#include <utility>
#include <vector>

#include "raster/raster_flatten.h"
#include "raster/raster_path.h"

namespace fh {

// Receives the rows of a shape, top to bottom, each as pieces from left to
// right: in Row, cover[i] (0..255) belongs to pixel x0 + i of row y, x0 < x1,
// and neither end is 0; in Run every pixel of [x0, x1) has coverage `cover`
// (1..255), as the inside of a shape mostly has.
class RasterSpanSink {
public:
    virtual void Row(int y, int x0, int x1, const std::uint8_t* cover) = 0;
    virtual void Run(int y, int x0, int x1, std::uint8_t cover) = 0;

protected:
    ~RasterSpanSink() = default;
};

class RasterCoverage {
public:
    // Largest side of the area a shape is rasterized in.
    static constexpr int kMaxSide = 1 << 14;
    // Edges one shape keeps; later ones are left out.
    static constexpr std::size_t kMaxEdges = std::size_t{1} << 21;

    // Starts a shape whose coverage is wanted for the pixels of
    // [x0, x1) x [y0, y1), clamped to 0..kMaxSide.
    void Reset(int x0, int y0, int x1, int y1);
    // Later sweeps hand over only rows [y0, y1) (not relative to the area).
    void LimitRows(int y0, int y1) {
        m_rowFrom = y0;
        m_rowTo = y1;
    }
    // Adds every contour, closed or not, as a closed polygon.
    void AddContours(const RasterContours& contours);
    // One edge; parts above, below and to the right of the area add nothing
    // there, parts to its left count as if on its left side.
    void AddLine(RasterPoint a, RasterPoint b);
    // Hands the rows with coverage to `sink` and forgets the shape.
    void Sweep(FillRule rule, RasterSpanSink& sink);
    // The same with coverage counted at four points of each pixel, as
    // graphics hardware multisamples: a line a pixel wide at a slant falls
    // on two pixels half each, as players draw hairlines.
    void SweepSampled(FillRule rule, RasterSpanSink& sink);

private:
    struct Edge {
        float x0, y0, x1, y1;  // relative to the area's corner
    };
    std::size_t Stride() const;  // cells to a row
    void Keep(const Edge& e);    // a clipped edge, as it is
    void AddClipped(double x0, double y0, double x1, double y1);
    void AccumulateBand(int top, int rows);
    void EmitBand(int top, int rows, FillRule rule, RasterSpanSink& sink);
    template <bool kNonZero>
    void EmitBandAs(int top, int rows, RasterSpanSink& sink);

    int m_x0 = 0, m_y0 = 0, m_width = 0, m_height = 0;
    int m_rowFrom = 0, m_rowTo = kMaxSide;
    std::vector<Edge> m_edges;
    float m_top = 0, m_bottom = 0;        // rows the edges reach
    std::vector<std::uint32_t> m_cells;   // a band of rows, Stride() cells each, zero between uses
    std::vector<int> m_rowMin, m_rowMax;  // cells each band row touched
    std::vector<std::uint8_t> m_touched;  // blocks of a band row's cells an edge touched; zero between uses
    std::size_t m_blocks = 0;              // of m_touched, a row
    std::vector<std::uint8_t> m_cover;
    std::vector<std::uint32_t> m_active;
    std::vector<std::pair<float, int>> m_crossings;
    bool m_dirty = false;  // a sweep is under way (or ended by an exception)
};

}  // namespace fh
