#pragma once
// The drawing surface the SWF renderer paints on: fills and strokes with
// exact-area anti-aliasing, composited source-over (premultiplied), inside
// a stack of coverage clips, into the target or into layers that a
// compositor (blend modes, filters) merges back.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "base/shelf.h"
#include "raster/raster_coverage.h"
#include "raster/raster_flatten.h"
#include "raster/raster_image.h"
#include "raster/raster_paint.h"
#include "raster/raster_path.h"
#include "raster/raster_stroke.h"

namespace fh {

class RasterCanvas {
public:
    // Deeper layers draw nothing (a nested movie clip that deep is hostile).
    static constexpr std::size_t kMaxLayers = 32;
    // Deeper clips hide everything under them.
    static constexpr std::size_t kMaxClips = 64;

    using Compositor = std::function<void(RasterImage& layer, RasterImage& below)>;

    // Draws on `target`, which must outlive the canvas and keep its size. A
    // target larger than RasterCoverage::kMaxSide a side, or whose pixels
    // do not match its size, is left alone. The canvas is used on the thread
    // that made it, whose working lists it borrows.
    explicit RasterCanvas(RasterImage& target);
    ~RasterCanvas();

    // Sets every pixel of the current layer (or the target) to a
    // premultiplied colour; clips do not apply.
    void Clear(std::uint32_t argb);
    // Paths are in device pixels of the target.
    void Fill(const RasterPath& path, FillRule rule, const RasterPaint& paint);
    void Stroke(const RasterPath& path, const RasterStroke& stroke, const RasterPaint& paint);

    // Fills from here to EndFills, given last first, share each pixel: a
    // fill takes of a pixel's coverage only what the fills before it left.
    // The fills of one shape meet along shared edges, and a pixel half in
    // each must get both halves, not the second over the first over what
    // lies below (a seam of background); where they overlap, the one given
    // first shows. The sum goes over the layer at EndFills, through the
    // clip. The rectangle holds every pixel the fills may touch.
    void BeginFills(int x, int y, int width, int height);
    void EndFills();

    // Limits later drawing to the union of `paths` (each with its own fill
    // rule; coverages add, so paths sharing an edge leave no seam) within
    // the clip before. Clips belong to the layer they were pushed in.
    void PushClip(const std::vector<std::pair<RasterPath, FillRule>>& paths);
    void PopClip();

    // Later drawing goes to a fresh transparent image the size of the
    // current layer, or of its part in the given rectangle, unclipped by
    // the clips pushed before it.
    void PushLayer();
    void PushLayer(int x, int y, int width, int height);
    // Ends the last layer (and its clips): `composite` merges it into the
    // pixels below it, an image of the same size (source-over when empty);
    // it must keep both sizes. The clip in force below then limits the
    // result.
    void PopLayer(const Compositor& composite = nullptr);

    // Later drawing and clearing touch only rows [y0, y1) of the target and
    // its layers, so that threads may draw one picture in bands. Shapes and
    // clips are still reckoned whole: each row gets the very pixels it gets
    // without the limit.
    void LimitRows(int y0, int y1);

    std::size_t LayerDepth() const { return m_surfaces.size() - 1; }
    std::size_t ClipDepth() const { return m_surfaces.back()->clips.size(); }

private:
    struct Box {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        bool Empty() const { return x1 <= x0 || y1 <= y0; }
        int Width() const { return x1 - x0; }
        int Height() const { return y1 - y0; }
    };
    struct ClipMask {
        Box box;                      // zero coverage outside
        std::vector<std::uint8_t> a;  // box.Width() to a row
        std::uint8_t At(int x, int y) const;
    };
    struct Surface {
        RasterImage* image = nullptr;  // box.Width() x box.Height() pixels at the box's corner
        RasterImage own;
        Box box;
        std::vector<ClipMask> clips;
    };
    struct PaintSink;
    struct MaskSink;
    struct SumSink;
    // The fills being added up over `box`: premultiplied sums, and the
    // coverage taken so far.
    struct FillSum {
        bool open = false;
        Box box;
        std::vector<std::uint32_t> px;
        std::vector<std::uint8_t> taken;
    };

    Box DrawBox() const;
    // Hands `sink` the shape's rows within `box`: those this canvas draws,
    // or with `everyRow` all of them.
    void Rasterize(const Box& box, FillRule rule, const RasterContours& contours, RasterSpanSink& sink,
                   bool sampled = false, bool everyRow = false);
    void Paint(const Box& box, FillRule rule, const RasterContours& contours, bool sampled = false);

    // The working lists, lent from one canvas to the next: a frame's
    // canvases would otherwise grow them afresh, slow under Wine.
    struct Lists;

    std::vector<std::unique_ptr<Surface>> m_surfaces;
    FillSum m_sum;
    int m_rowFrom = 0, m_rowTo = RasterCoverage::kMaxSide;
    Lent<Lists> m_lists;
    RasterCoverage& m_coverage;
    RasterShader m_shader;
    RasterContours& m_flat;
    RasterContours& m_outline;
    std::vector<std::uint8_t>& m_rowCover;
    std::vector<std::uint32_t>& m_rowColor;
};

}  // namespace fh
