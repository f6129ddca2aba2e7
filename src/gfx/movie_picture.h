#pragma once
// A movie's frame as the window and batch mode use it: drawn by the core's
// rasterizer into pixels of our own, shown on a device context, written as
// PNG by the core's writer. GDI+ (gdiplus.dll, in every Windows since XP and
// in Wine) decodes the JPEG, PNG and GIF pictures inside movies.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "raster/raster_image.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {

// Starts GDI+ once for the process; false when gdiplus.dll is missing.
bool StartGdiplus();

// Pictures inside movies, decoded by GDI+ from memory.
class GdiplusPictureDecoder : public SwfPictureDecoder {
public:
    bool Decode(const std::vector<unsigned char>& data, int width, int height,
                std::vector<std::uint32_t>& argb) const override;
};

// The decoder every movie shares.
const SwfPictureDecoder& PictureDecoder();

// Draws the stage's frame as it stands on a picture of its own size (made
// opaque by the background); `view` maps the stage's twips to its pixels.
// Its rows are shared among the processor's cores; `bandDrawn` hears each
// band as soon as it is final (swf/swf_banded.h).
SwfDrawReport DrawFrame(SwfStage& stage, SwfImages& images, RasterImage& picture, const SwfMatrix& view,
                        const std::function<void(int, int)>& bandDrawn = nullptr);

// The picture at (x, y) of a device context.
void PaintPicture(HDC dc, int x, int y, const RasterImage& picture);

// The picture as PNG bytes (gfx/png_writer.h), deflated on every core.
bool EncodePng(const RasterImage& picture, std::vector<unsigned char>& png);

// Frame `stage` as it stands, drawn at the stage's size (at most 4096
// pixels a side, scaled down beyond); false when the stage has no size.
// `cut`, when given, tells whether a cap or the stage's time limit ended the
// drawing early; `bandDrawn` is DrawFrame's.
bool SnapshotPicture(SwfStage& stage, RasterImage& picture, bool* cut = nullptr,
                     const std::function<void(int, int)>& bandDrawn = nullptr);

// Frame `stage` as it stands, drawn at the stage's size (at most 4096
// pixels a side, scaled down beyond), as PNG bytes, each band of rows
// deflated on the core that drew it as soon as it is drawn; false when the
// stage has no size or the picture could not be drawn or encoded. `cut`, when given,
// tells whether a cap or the stage's time limit ended the drawing early.
bool SnapshotPng(SwfStage& stage, std::vector<unsigned char>& png, bool* cut = nullptr);

}  // namespace fh
