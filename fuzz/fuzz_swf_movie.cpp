// The movie reader, outlines, display list, frame actions, buttons, keys and
// drawing over any tag data: the first byte is the version, the rest the
// body after the header. An odd version runs the movie's scripts on the
// script machine (clip events, clips scripts make, masks), an even one the
// timeline's own actions.

#include <algorithm>
#include <cmath>
#include <memory>

#include "avm1/avm1_stage.h"
#include "fuzz/fuzz_util.h"
#include "swf/swf_banded.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace {

// Checks what the renderer hands a canvas: every path's points match its
// verbs, clips and layers are pushed and popped in pairs (a clip within the
// layer it was pushed in), and layers stay within their bounds.
class CheckingCanvas : public fh::SwfCanvas {
public:
    CheckingCanvas(int width, int height) : m_width(width), m_height(height) {}
    int depth = 0;
    std::vector<int> clipsAtLayer;  // the clip depth when each open layer was pushed
    std::uint64_t layerPixels = 0;
    void Clear(fh::SwfColor) override {}
    void Fill(const fh::SwfPath& path, bool, const fh::SwfPaint& paint) override {
        Check(path);
        fh::fuzz::Require(paint.kind != fh::SwfPaint::Kind::Gradient || paint.gradient, "a gradient paint has its fill");
    }
    void Stroke(const fh::SwfPath& path, const fh::SwfStroke& stroke, const fh::SwfPaint&) override {
        Check(path);
        const double most = stroke.local ? std::max(std::hypot(stroke.space.a, stroke.space.b),
                                                        std::hypot(stroke.space.c, stroke.space.d))
                                         : 1.0;
        fh::fuzz::Require(stroke.width * most >= 1 - 1e-9, "lines are a pixel wide at least");
    }
    void PushClip(const std::vector<std::pair<fh::SwfPath, bool>>& paths) override {
        for (const auto& p : paths) Check(p.first);
        ++depth;
    }
    void PopClip() override {
        fh::fuzz::Require(depth > 0, "a clip is popped only after it was pushed");
        fh::fuzz::Require(clipsAtLayer.empty() || depth > clipsAtLayer.back(), "a clip is popped in its own layer");
        --depth;
    }
    void PushLayer(const fh::SwfLayerRect& r) override {
        fh::fuzz::Require(r.width > 0 && r.height > 0, "a layer has pixels");
        fh::fuzz::Require(r.x >= -kMaxLayerMargin && r.y >= -kMaxLayerMargin &&
                              static_cast<long long>(r.x) + r.width <= m_width + kMaxLayerMargin &&
                              static_cast<long long>(r.y) + r.height <= m_height + kMaxLayerMargin,
                          "a layer stays within the margin round the canvas");
        layerPixels += static_cast<std::uint64_t>(r.width) * static_cast<std::uint64_t>(r.height);
        clipsAtLayer.push_back(depth);
        fh::fuzz::Require(clipsAtLayer.size() < static_cast<std::size_t>(kMaxLayers), "layers nest within the cap");
    }
    void PopLayer(const fh::SwfLayerEffects& effects) override {
        fh::fuzz::Require(!clipsAtLayer.empty(), "a layer is popped only after it was pushed");
        fh::fuzz::Require(clipsAtLayer.back() == depth, "a layer's clips are popped before it");
        fh::fuzz::Require(!effects.filters || effects.filters->size() <= fh::kSwfMaxFilters, "filters within the cap");
        clipsAtLayer.pop_back();
    }

private:
    int m_width, m_height;
    static void Check(const fh::SwfPath& path) {
        std::size_t points = 0;
        for (fh::SwfPath::Verb v : path.verbs) points += v == fh::SwfPath::Quad ? 2 : v == fh::SwfPath::Close ? 0 : 1;
        fh::fuzz::Require(points == path.points.size(), "a path has the points its verbs need");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    if (size < 1) return 0;
    SwfLimits limits;
    limits.maxTags = 5000;
    limits.maxEdges = 50000;
    limits.maxStyles = 5000;
    limits.maxBitmapPixels = 1u << 20;
    auto movie = std::make_shared<SwfMovie>();
    ParseSwfBody(data + 1, size - 1, data[0], limits, *movie);
    SwfStageLimits stageLimits;
    stageLimits.maxObjects = 2000;
    stageLimits.maxPoints = 200000;
    stageLimits.maxGradientPixels = 1u << 16;
    stageLimits.maxActions = 5000;
    stageLimits.maxGotos = 100;
    stageLimits.maxGotoTags = 50000;
    SwfStage stage(movie, stageLimits);
    std::unique_ptr<avm1::StageScripts> scripts;
    if (data[0] & 1) {
        avm1::StageScriptOptions options;
        options.limits.maxActions = 20000;
        options.limits.maxRunMs = 1000;
        options.limits.maxStringLength = 1 << 16;
        options.limits.maxLiveStringBytes = avm1::Str::LiveBytes() + (8u << 20);
        options.limits.maxArrayLength = 1 << 12;
        options.limits.maxObjects = 4000;
        options.limits.maxStack = 4096;
        options.limits.maxCallDepth = 64;
        scripts = std::make_unique<avm1::StageScripts>(stage, options);
    }
    SwfImages images;
    RasterImage picture(64, 48);
    for (int frame = 0; frame < 3; ++frame) {
        // A click in the middle of the stage, a press dragged away and
        // released there, and keys run whatever buttons and listeners there are.
        const double x = (movie->stage.xMin + movie->stage.xMax) / 2.0;
        const double y = (movie->stage.yMin + movie->stage.yMax) / 2.0;
        stage.PointerDown(x, y);
        stage.PointerUp(x, y);
        stage.PointerMove(x + 200, y, false);
        stage.PointerDown(x, y);
        stage.PointerMove(x + 200, y, true);
        stage.PointerUp(x + 200, y);
        stage.KeyDown(37, 0);
        stage.KeyDown('A', 'a');
        stage.KeyUp('A');
        CheckingCanvas canvas(64, 48);
        stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 64, 48);
        fuzz::Require(canvas.depth == 0, "every clip is popped by the end of a frame");
        fuzz::Require(canvas.clipsAtLayer.empty(), "every layer is popped by the end of a frame");
        fuzz::Require(canvas.layerPixels <= 64u * 48u * stageLimits.maxLayerPixels,
                      "layers stay within the drawing's budget");
        // And in pixels: the rasterizer, its layers, blend modes and filters.
        SwfRasterCanvas raster(picture, images);
        stage.Draw(raster, SwfMatrix::Scale(0.05, 0.05), 64, 48);
        if (frame == 1) {
            // Drawn in bands of rows on two threads: the very pixels of drawing it whole.
            RasterImage whole(64, 128), banded(64, 128);
            SwfRasterCanvas canvas(whole, images);
            stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 64, 128);
            DrawStageInBands(stage, images, banded, SwfMatrix::Scale(0.05, 0.05), 2);
            fuzz::Require(banded.px == whole.px, "a frame drawn in bands is the frame drawn whole");
        }
        stage.Advance(frame == 1);
    }
    for (const SwfBitmap& bm : movie->bitmaps) {
        std::vector<std::uint32_t> pixels;
        if (bm.lossless) DecodeLossless(bm, pixels);
        std::vector<unsigned char> alpha;
        DecodeAlphaPlane(bm, alpha);
    }
    return 0;
}
