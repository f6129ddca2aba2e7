#pragma once
// The movie renderer's canvas on the core's own rasterizer: the picture is
// the same on Windows, under Wine and in host tests. Lossless bitmaps and
// alpha planes are decoded here; JPEG, PNG and GIF data go to a decoder the
// platform hands in (none in host tests: such bitmaps are then not drawn).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "raster/raster_canvas.h"
#include "swf/swf_canvas.h"

namespace fh {

// Decodes a picture file's bytes (JPEG, PNG or GIF) to width × height
// straight-alpha 0xAARRGGBB pixels; false when it cannot.
class SwfPictureDecoder {
public:
    virtual ~SwfPictureDecoder() = default;
    virtual bool Decode(const std::vector<unsigned char>& data, int width, int height,
                        std::vector<std::uint32_t>& argb) const = 0;
};

// The decoded bitmaps of one movie, kept while it is shown: premultiplied,
// with the alpha plane applied; an empty image for one that cannot be had.
class SwfImages {
public:
    explicit SwfImages(const SwfPictureDecoder* decoder = nullptr) : m_decoder(decoder) {}
    const RasterImage& Get(const SwfBitmap& bitmap);
    // What a smoothed fill placed by `imageToDevice` draws: the bitmap or,
    // drawn at half its size or smaller, a halved copy of it, with
    // `imageToDevice` made the copy's. Safe on drawing threads at once once
    // the bitmap is decoded.
    const RasterImage& Smoothed(const SwfBitmap& bitmap, RasterMatrix& imageToDevice);
    // Decodes those of `bitmaps` not yet kept, on the threads `run(count,
    // job)` runs job(i) on for every i below count, returning when all are
    // done (the decoder must allow it): Get then only finds them.
    using Runner = std::function<void(std::size_t, const std::function<void(std::size_t)>&)>;
    void Prepare(const std::vector<const SwfBitmap*>& bitmaps, const Runner& run);

private:
    static RasterImage Decode(const SwfBitmap& bitmap, const SwfPictureDecoder* decoder);

    const SwfPictureDecoder* m_decoder;
    std::map<const SwfBitmap*, RasterImage> m_images;
    std::mutex m_copiesLock;
    std::map<const SwfBitmap*, std::vector<RasterImage>> m_copies;  // made when first drawn smaller
};

// Layers are pictures of their own, each with a rasterizer canvas, so that
// they may reach past the target where filters need it; a finished layer is
// merged into the one below through that canvas's clips.
class SwfRasterCanvas : public SwfCanvas {
public:
    SwfRasterCanvas(RasterImage& target, SwfImages& images);
    ~SwfRasterCanvas() override;

    void Clear(SwfColor color) override;
    void Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) override;
    void Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) override;
    void BeginFills(const SwfLayerRect& bounds) override;
    void EndFills() override;
    void PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) override;
    void PopClip() override;
    void PushLayer(const SwfLayerRect& rect) override;
    void PopLayer(const SwfLayerEffects& effects) override;
    // Later drawing touches only rows [y0, y1) of the target.
    void LimitRows(int y0, int y1) { m_canvas.LimitRows(y0, y1); }
    // The time the drawing must end by. Past it the canvas draws nothing
    // more (a layer whose filters it cut halfway is dropped) and says so.
    void SetDeadline(const RasterDeadline& deadline) { m_deadline = deadline; }
    bool Cut() const { return m_cut; }

private:
    struct Layer {
        RasterImage image;                     // declared first: the canvas draws on it
        std::unique_ptr<RasterCanvas> canvas;  // none for a layer that draws nothing
        int x = 0, y = 0;                      // the image's top-left corner on the target
    };

    // The rasterizer drawing now, or null inside a layer that draws nothing.
    RasterCanvas* Current();
    int OffsetX() const { return m_layers.empty() ? 0 : m_layers.back()->x; }
    int OffsetY() const { return m_layers.empty() ? 0 : m_layers.back()->y; }
    bool Paint(const SwfPaint& paint, RasterPaint& out);
    bool InTime();

    RasterCanvas m_canvas;
    int m_width, m_height;
    bool m_drawable;  // the target is one the rasterizer draws on
    SwfImages& m_images;
    std::vector<std::unique_ptr<Layer>> m_layers;
    RasterPath m_path;
    RasterGradient m_gradient;  // the ramp of the gradient being drawn
    RasterDeadline m_deadline;
    bool m_cut = false;
    std::size_t m_skippedClips = 0;  // clips pushed after the cut, not built
};

// A SwfColor as premultiplied 0xAARRGGBB.
std::uint32_t PremultipliedOf(SwfColor color);

}  // namespace fh
