#pragma once
// The movie renderer's canvas on GDI+ (the flat API of gdiplus.dll, in
// every Windows since XP and in Wine): a 32-bit premultiplied picture that
// paths are filled and stroked on with anti-aliasing where GDI+ gives it.
// Pictures inside movies (JPEG, PNG, GIF) are decoded by GDI+'s own
// decoders from memory; lossless bitmaps and alpha planes by the core.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/swf_canvas.h"
#include "swf/swf_stage.h"

// The flat API's handle types, as gdiplus.h declares them.
namespace Gdiplus {
class GpBitmap;
class GpBrush;
class GpGraphics;
class GpRegion;
}  // namespace Gdiplus

namespace fh {

// Starts GDI+ once for the process; false when gdiplus.dll is missing.
bool StartGdiplus();

// The decoded bitmaps of one movie, kept while it is shown.
class GdiplusImages {
public:
    GdiplusImages() = default;
    ~GdiplusImages();
    GdiplusImages(const GdiplusImages&) = delete;
    GdiplusImages& operator=(const GdiplusImages&) = delete;
    // The bitmap as a premultiplied GDI+ bitmap, or null when it cannot be
    // decoded.
    Gdiplus::GpBitmap* Get(const SwfBitmap& bitmap);

private:
    std::unordered_map<const SwfBitmap*, Gdiplus::GpBitmap*> m_images;
};

// True when GDI+ smooths the edges of what it fills (Windows does; some
// emulations do not). Found out once by drawing a slanted edge.
bool GdiplusSmoothsEdges();
// How many times larger a picture is drawn before it is scaled down: 1 where
// GDI+ smooths edges itself, `quality` where it does not.
int SupersampleFor(int quality);

// A picture of width × height pixels, drawn from an opaque background. With
// `supersample` above 1 it is drawn that many times larger (the caller
// scales what it draws, as DrawFrame does) and averaged down when it is read.
class GdiplusCanvas : public SwfCanvas {
public:
    GdiplusCanvas(int width, int height, GdiplusImages& images, int supersample = 1);
    ~GdiplusCanvas() override;
    GdiplusCanvas(const GdiplusCanvas&) = delete;
    GdiplusCanvas& operator=(const GdiplusCanvas&) = delete;

    bool Ok() const { return m_graphics != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Supersample() const { return m_supersample; }

    void Clear(SwfColor color) override;
    void Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) override;
    void Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) override;
    void PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) override;
    void PopClip() override;

    // The picture as top-down opaque 0xFFRRGGBB rows, for tests and painting.
    std::vector<std::uint32_t> Pixels() const;
    // Draws the picture at (x, y) of a device context.
    void Paint(HDC dc, int x, int y) const;
    // The picture as PNG bytes, by GDI+'s encoder.
    bool EncodePng(std::vector<unsigned char>& png) const;

private:
    Gdiplus::GpBrush* Brush(const SwfPaint& paint, std::vector<Gdiplus::GpBitmap*>& pictures);

    int m_width, m_height;
    int m_supersample;
    GdiplusImages& m_images;
    HBITMAP m_dib = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    std::uint32_t* m_bits = nullptr;
    Gdiplus::GpGraphics* m_graphics = nullptr;
    std::vector<Gdiplus::GpRegion*> m_savedClips;
};

// Draws the stage's frame as it stands on the canvas; `view` maps the
// stage's twips to the canvas's pixels.
SwfDrawReport DrawFrame(SwfStage& stage, GdiplusCanvas& canvas, const SwfMatrix& view);

// Frame `stage` as it stands, drawn at the stage's size (at most 4096
// pixels a side, scaled down beyond), as PNG bytes; false when the stage has
// no size or the picture could not be drawn or encoded. `cut`, when given,
// tells whether a cap or the stage's time limit ended the drawing early.
bool SnapshotPng(SwfStage& stage, std::vector<unsigned char>& png, bool* cut = nullptr);

}  // namespace fh
