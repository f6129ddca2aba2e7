#pragma once
// The FILTERLIST of PlaceObject3 and DefineButton2 records, read into the
// rasterizer's filter structs: sizes and distances in FIXED 16.16 pixels,
// angles in FIXED radians, strengths in FIXED 8.8, matrices in floats.

#include <cstddef>
#include <vector>

#include "raster/raster_filters.h"
#include "swf/swf_reader.h"

namespace fh {

using SwfFilterList = std::vector<RasterFilter>;

// Filters kept for one object; later ones are read past. Flash's own panels
// stop well short of this.
constexpr std::size_t kSwfMaxFilters = 16;
// Gradient glow and bevel entries kept (Flash draws at most 16 stops).
constexpr std::size_t kSwfMaxFilterColors = 16;
// Convolution matrices larger than this a side are read past (the
// rasterizer would not draw them).
constexpr int kSwfMaxConvolutionSide = 15;

// Reads a whole FILTERLIST (count byte first) and appends to `out` the
// filters it keeps, at most `keep` and never more than kSwfMaxFilters in
// `out`. False when the list is cut or names an unknown filter, which
// leaves nothing after it readable.
bool ReadFilterList(SwfReader& r, SwfFilterList& out, std::size_t keep = kSwfMaxFilters);

// The transparent margin a picture needs round the object for the filters:
// their reach, and for inner effects that of their blur too, since a blur
// of several passes spreads past the edge and back in.
RasterRect FilterMargin(const SwfFilterList& filters);

// The filters drawn at `scale` canvas pixels to a stage pixel: blurs and
// offsets are sizes on the stage, so a movie drawn larger has them larger.
SwfFilterList ScaledFilters(const SwfFilterList& filters, double scale);

}  // namespace fh
