#pragma once
// Gradient fills computed by the core, pixel by pixel, for a canvas
// rectangle: linear, radial and focal, with their spread modes, in sRGB or
// linear light.

#include "swf/swf_canvas.h"
#include "swf/swf_shape.h"
#include "swf/swf_types.h"

namespace fh {

// Gradient fill pixels for the canvas rectangle: `toCanvas` maps the
// gradient's own square (-16384..16384 twips) to canvas pixels.
void RenderGradient(const SwfFillStyle& fill, const SwfMatrix& toCanvas, const SwfColorTransform& cx, SwfPixels& out);

}  // namespace fh
