#pragma once
// A frame drawn on more than one core: the stage's drawing is recorded
// once, then each thread draws the recording into its own band of rows.
// The pixels are those of drawing straight onto the picture.

#include <functional>

#include "raster/raster_image.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {

// Draws the frame `stage` shows on `picture` through `view` on up to
// `threads` threads. A frame with layers (blend modes, filters, bitmap
// caches), or too large to keep, is drawn on this thread alone.
// `bandDrawn`, when given and the frame is drawn in bands, hears each band's
// rows [y0, y1) on the thread that drew them as soon as they are final, while
// other bands may still be drawn: work on those rows can start there.
SwfDrawReport DrawStageInBands(SwfStage& stage, SwfImages& images, RasterImage& picture, const SwfMatrix& view,
                               unsigned threads, const std::function<void(int, int)>& bandDrawn = nullptr);

}  // namespace fh
