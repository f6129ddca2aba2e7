#pragma once
// What the movie renderer draws on: paths already in the canvas's pixels,
// filled with a colour, a picture of pixels the core computed (gradients),
// or one of the movie's bitmaps through a matrix; strokes; and clipping to
// the union of paths for mask layers. The platform draws with GDI+; tests
// record the calls.

#include <cstdint>
#include <utility>
#include <vector>

#include "swf/swf_bitmap.h"
#include "swf/swf_shape.h"
#include "swf/swf_types.h"

namespace fh {

// Premultiplied 0xAARRGGBB pixels for the canvas rectangle (x, y, width, height).
struct SwfPixels {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<std::uint32_t> argb;
};

struct SwfPaint {
    enum class Kind : std::uint8_t { Solid, Pixels, Bitmap } kind = Kind::Solid;
    SwfColor color;                   // Solid, with the colour transform applied
    const SwfPixels* pixels = nullptr;  // Pixels
    const SwfBitmap* bitmap = nullptr;  // Bitmap: its pixels map to the canvas by `matrix`
    SwfMatrix matrix;
    bool repeat = true;
    bool smooth = true;
    SwfColorTransform colorTransform;  // for the bitmap's pixels
};

struct SwfStroke {
    double width = 1;  // canvas pixels
    SwfCap startCap = SwfCap::Round, endCap = SwfCap::Round;
    SwfJoin join = SwfJoin::Round;
    double miterLimit = 3;
};

class SwfCanvas {
public:
    virtual ~SwfCanvas() = default;
    virtual void Clear(SwfColor color) = 0;
    virtual void Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) = 0;
    virtual void Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) = 0;
    // Intersects the clip with the union of the paths until the matching PopClip.
    virtual void PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) = 0;
    virtual void PopClip() = 0;
};

}  // namespace fh
