#pragma once
// What the movie renderer draws on: paths already in the canvas's pixels,
// filled with a colour, a gradient or one of the movie's bitmaps through a
// matrix; strokes; clipping to the
// union of paths for mask layers; and layers that objects with blend modes,
// filters or a bitmap cache are drawn into and then merged below. The
// platform draws with the core's rasterizer; tests record the calls.

#include <cstdint>
#include <utility>
#include <vector>

#include "raster/raster_blend.h"
#include "raster/raster_filters.h"
#include "swf/swf_bitmap.h"
#include "swf/swf_shape.h"
#include "swf/swf_types.h"

namespace fh {

struct SwfPaint {
    enum class Kind : std::uint8_t { Solid, Gradient, Bitmap } kind = Kind::Solid;
    SwfColor color;                         // Solid, with the colour transform applied
    const SwfFillStyle* gradient = nullptr;  // Gradient: its square maps to the canvas by `matrix`
    const SwfBitmap* bitmap = nullptr;      // Bitmap: its pixels map to the canvas by `matrix`
    SwfMatrix matrix;
    bool repeat = true;
    bool smooth = true;
    SwfColorTransform colorTransform;  // for the gradient's or the bitmap's colours
};

struct SwfStroke {
    double width = 1;  // canvas pixels
    SwfCap startCap = SwfCap::Round, endCap = SwfCap::Round;
    SwfJoin join = SwfJoin::Round;
    double miterLimit = 3;
    bool hairline = false;  // as thin as a line gets: drawn as players draw those
    // When `local`, the width is in the shape's own units and the line is
    // stroked there, its outline then mapped by `space` (no translation):
    // a shape scaled unevenly has its lines as unevenly wide.
    bool local = false;
    SwfMatrix space;
};

// A rectangle of canvas pixels; a layer's may reach past the canvas.
struct SwfLayerRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// How a finished layer joins what lies below it: its filters first (the
// layer's rectangle already leaves room for their reach), then the colour
// transform on the filtered picture, then the blend mode. Erase and Alpha
// act on everything the layer below holds.
struct SwfLayerEffects {
    RasterBlend blend = RasterBlend::Normal;
    const std::vector<RasterFilter>* filters = nullptr;  // none when null
    SwfColorTransform colorTransform;
};

class SwfCanvas {
public:
    // How far a layer may reach past each side of the canvas: filters draw
    // into view what lies just outside it.
    static constexpr int kMaxLayerMargin = 1024;
    // Layers nested deeper draw nothing.
    static constexpr int kMaxLayers = 24;

    virtual ~SwfCanvas() = default;
    virtual void Clear(SwfColor color) = 0;
    virtual void Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) = 0;
    virtual void Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) = 0;
    // The fills between these, one shape's, add up where they meet instead
    // of covering one another, so that no background shows along the edges
    // they share. `bounds` holds every pixel they may touch.
    virtual void BeginFills(const SwfLayerRect& bounds) { (void)bounds; }
    virtual void EndFills() {}
    // Intersects the clip with the union of the paths until the matching PopClip.
    virtual void PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) = 0;
    virtual void PopClip() = 0;
    // Later drawing goes to a transparent picture of `rect`, unclipped by
    // the clips pushed before, until the matching PopLayer merges it below
    // through those clips. A canvas without layers draws straight through.
    virtual void PushLayer(const SwfLayerRect& rect) { (void)rect; }
    virtual void PopLayer(const SwfLayerEffects& effects) { (void)effects; }
    // How many canvases draw every call at once (bands of one picture, each
    // building every clip over all its rows): the drawing's budget counts
    // clips that many times.
    virtual int Copies() const { return 1; }
};

}  // namespace fh
