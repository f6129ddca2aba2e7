#pragma once
// Paths turned into polylines: curves become chords that stay within a
// fortieth of a pixel of them, and every coordinate is finite and bounded.

#include <cstdint>
#include <vector>

#include "raster/raster_path.h"

namespace fh {

// Chords of a flattened curve (and of round joins and caps) lie at most
// this far (pixels) from it: an edge pixel's coverage then errs by less than
// 8/255, where a tenth of a pixel would cost 25/255, for little time.
constexpr double kRasterTolerance = 0.025;
// Coordinates beyond this many pixels are clamped; twips through a 16.16
// matrix stay below it, and differences of two still fit a double exactly
// enough for clipping.
constexpr double kRasterCoordLimit = 17592186044416.0;  // 2^44
// A path yields at most this many polyline points; past it the rest of the
// path is left out (the contours stay closed for filling).
constexpr std::size_t kRasterMaxFlatPoints = std::size_t{1} << 18;

struct RasterBox {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Polylines: contour k holds points[contours[k].begin .. contours[k].end).
struct RasterContours {
    struct Contour {
        std::uint32_t begin = 0, end = 0;
        bool closed = false;
    };
    std::vector<RasterPoint> points;
    std::vector<Contour> contours;

    void Clear() {
        points.clear();
        contours.clear();
        m_open = false;
    }
    // Starts a contour at `p`; an unfinished one before it is ended open.
    void Begin(RasterPoint p);
    void Add(RasterPoint p) { points.push_back(p); }
    // Ends the contour under way; one of a single point is kept (a stroke
    // draws a dot for it).
    void End(bool closed);
    bool Open() const { return m_open; }

private:
    bool m_open = false;
};

// Flattens `path` into `out` (cleared first). A curve whose control points'
// bounding box misses `visible` becomes a straight line: filled or stroked,
// the result then differs only outside that box. Points that are not finite are
// dropped, the others clamped to kRasterCoordLimit.
void FlattenPath(const RasterPath& path, const RasterBox& visible, RasterContours& out);

}  // namespace fh
