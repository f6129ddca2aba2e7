#pragma once
// The stroker: turns flattened contours into outline polygons which, filled
// non-zero, cover the stroke. Every segment, join and cap adds a region of
// the same orientation, so overlaps never cancel.

#include "raster/raster_flatten.h"
#include "raster/raster_path.h"

namespace fh {

enum class RasterCap { Round, None, Square };
enum class RasterJoin { Round, Bevel, Miter };

struct RasterStroke {
    double width = 1;  // pixels
    RasterCap startCap = RasterCap::Round, endCap = RasterCap::Round;
    RasterJoin join = RasterJoin::Round;
    // How far a miter may reach from its corner, in half widths; a longer
    // one is cut off square to the corner's bisector there (as Flash does).
    double miterLimit = 3;
    // Coverage from four sample points a pixel rather than by area: a
    // hairline then looks as players draw it (see RasterCoverage::SweepSampled).
    bool sampled = false;
    // When `local`, the path is stroked in the space that `space` maps to
    // the target's pixels, `width` being in that space's units.
    bool local = false;
    RasterMatrix space;
};

// An outline has at most about this many points; past it round joins and
// caps lose their arcs, and contours past twice it are left out.
constexpr std::size_t kRasterMaxStrokePoints = std::size_t{1} << 20;

// How far past its path a stroke `width` pixels wide may draw: a miter at
// its limit or a square cap, and the pixels anti-aliasing reaches beyond.
double RasterStrokeReach(double width, double miterLimit);

// A stroker's working lists, kept by the caller from one stroke to the next:
// allocating them for each of a frame's thousand strokes is slow under Wine.
struct RasterStrokerLists {
    std::vector<RasterPoint> points, directions;
    std::vector<double> lengths;
};

// Writes the outlines of the stroke of `in` into `out` (cleared first).
// An open contour of one point is a dot: a disc for a round start cap, a
// square along the axes for a square one, nothing for none. Open contours get
// caps, closed ones a join where they close.
void StrokeContours(const RasterContours& in, const RasterStroke& stroke, RasterContours& out,
                    RasterStrokerLists& lists);

}  // namespace fh
