#pragma once
// The toolbox of drawing effects that the renderer and the tooltip share:
// background fills, frames and lines, tiling, and picture effects with
// blending and soft shadows. Per-pixel work happens in draw_effects on DIB
// memory; this class moves pixels between GDI and those buffers.

#include <windows.h>

#include <cstdint>
#include <memory>

#include "gfx/draw_effects.h"
#include "win/handles.h"

namespace fh {

// An 8-bit palette image held in one block (header, palette, rows), drawn
// through a DIB section made the first time it is drawn.
class CDibBuffer {
public:
    CDibBuffer() = default;
    CDibBuffer(const CDibBuffer&) = delete;
    CDibBuffer& operator=(const CDibBuffer&) = delete;
    virtual ~CDibBuffer();

    // Rebuilds the block for width x height at the bit depth; false when empty or too large.
    bool Create(int width, int height, int bitsPerPixel);
    void Release();
    bool Empty() const { return m_block == nullptr; }

    RGBQUAD* Palette();
    std::uint8_t* Bits();
    std::int64_t Stride() const { return m_stride; }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    int PaletteSize() const { return m_paletteSize; }

    // Copies the rows into the section and blits the picture to (x, y).
    bool Draw(HDC target, int x, int y);

private:
    std::uint8_t* m_block = nullptr;
    BITMAPINFOHEADER m_header{};
    std::int64_t m_stride = 0;
    std::uint16_t m_paletteSize = 0;
    UniqueBitmap m_section;
    UniqueDC m_sectionDC;
    HGDIOBJ m_oldBitmap = nullptr;
    void* m_sectionBits = nullptr;
};

struct PictureSize {
    int width = 0;
    int height = 0;
};

// How a picture's pixels are changed: the IMAGE_EFFECT_ flags, a colour
// that counts as transparent, and the colour of fills and shadows.
struct ImageEffects {
    unsigned flags = 0;
    bool useTransparent = false;
    COLORREF transparent = RGB(255, 0, 255);
    COLORREF shade = 0;
};

// Where a picture's drop shadow falls. With `enabled` and no shadow bit in
// the effect flags, the picture itself is drawn at the offset instead.
struct ShadowParams {
    bool enabled = false;
    int dx = 0;
    int dy = 0;
    int blurWidth = 0;
    int blurHeight = 0;
};

// A 32-bit copy of a picture with its effects applied, and whether one of
// its pixels carries alpha (the copy is then blended by its alpha).
struct EffectCopy {
    UniqueBitmap bitmap;
    bool hasAlpha = false;
};

class PixelSection;

class CDrawManager {
public:
    CDrawManager();
    CDrawManager(const CDrawManager&) = delete;
    CDrawManager& operator=(const CDrawManager&) = delete;
    virtual ~CDrawManager();

    void FillEffect(HDC dc, int effect, const RECT& rect, COLORREF first, COLORREF second, COLORREF third,
                    BYTE granularity, BYTE colouring);
    void DrawGradient(HDC dc, const RECT& rect, COLORREF start, COLORREF end, bool horizontal);
    void DrawRectangle(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight, int style, int width);
    void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, int style, int width);
    void TileBitmap(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int tileWidth,
                    int tileHeight);

    void BlendPercent(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int percentage);
    void BlendAlpha(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY);
    // Empty (null bitmap) on failure.
    EffectCopy CreateEffectCopy(HBITMAP bitmap, int width, int height, const ImageEffects& effects);
    void DrawShadow(HDC dst, int x, int y, int width, int height, HBITMAP silhouette, bool blur, int blurWidth,
                    int blurHeight);
    void DrawBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, const ImageEffects& effects,
                    const ShadowParams& shadow);
    void DrawIcon(HDC dc, int x, int y, int width, int height, HICON icon, const ImageEffects& effects,
                  const ShadowParams& shadow);
    void DrawImageListCell(HDC dc, int x, int y, int width, int height, HBITMAP strip, int index, int cellWidth,
                           int cellHeight, const ImageEffects& effects, const ShadowParams& shadow);
    HICON StretchIcon(HICON icon, int width, int height);
    static PictureSize GetIconSize(HICON icon);
    static PictureSize GetBitmapSize(HBITMAP bitmap);

    // The texture image of the last texture fill.
    const CDibBuffer& TextureBuffer() const { return m_texture; }

private:
    // Draws the silhouette's shadow, or moves (x, y) by the offset when the
    // effects ask for no shadow.
    void DrawShadowOrOffset(HDC dc, int& x, int& y, int width, int height, HBITMAP silhouetteSource,
                            const ImageEffects& silhouetteEffects, const ImageEffects& effects,
                            const ShadowParams& shadow);

    CDibBuffer m_texture;
    static constexpr std::int64_t kKeptShadowPixels = 1 << 20;
    std::unique_ptr<PixelSection> m_shadowSections[2];
};

}  // namespace fh
