#pragma once
// Gradient fills as the rasterizer's ramps: linear, radial and focal, with
// their spread modes, colours mixed in sRGB or linear light.

#include "raster/raster_paint.h"
#include "swf/swf_shape.h"
#include "swf/swf_types.h"

namespace fh {

// The ramp of a gradient fill: `toCanvas` maps the gradient's own square
// (-16384..16384 twips) to canvas pixels.
void SwfGradientRamp(const SwfFillStyle& fill, const SwfMatrix& toCanvas, const SwfColorTransform& cx,
                     RasterGradient& out);

}  // namespace fh
