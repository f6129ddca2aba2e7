#pragma once
// The toolbox of drawing effects that the renderer and the tooltip share:
// background fills, frames and lines, tiling, and picture effects with
// blending and soft shadows. Per-pixel work happens in draw_effects on DIB
// memory; this class moves pixels between GDI and those buffers.

#include <windows.h>

#include <cstdint>
#include <string>

#include "tooltip/draw_effects.h"
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

class CDrawManager {
public:
    CDrawManager() = default;
    CDrawManager(const CDrawManager&) = delete;
    CDrawManager& operator=(const CDrawManager&) = delete;
    virtual ~CDrawManager() = default;

    void FillEffect(HDC dc, int effect, const RECT& rect, COLORREF first, COLORREF second, COLORREF third,
                    BYTE granularity, BYTE colouring);
    void DrawGradient(HDC dc, const RECT& rect, COLORREF start, COLORREF end, bool horizontal);
    void DrawRectangle(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight, int style, int width);
    void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, int style, int width);
    void TileBitmap(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int tileWidth,
                    int tileHeight);

    void BlendPercent(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int percentage);
    void BlendAlpha(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY);
    HBITMAP CreateEffectCopy(HBITMAP bitmap, int width, int height, unsigned flags, bool useTransparent,
                             COLORREF transparent, COLORREF shade);
    void DrawShadow(HDC dst, int x, int y, int width, int height, HBITMAP silhouette, bool blur, int blurWidth,
                    int blurHeight);
    void DrawBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, bool useTransparent,
                    COLORREF transparent, unsigned flags, bool shadow, int shadowDx, int shadowDy, int blurWidth,
                    int blurHeight, COLORREF shade);
    void DrawIcon(HDC dc, int x, int y, int width, int height, HICON icon, unsigned flags, bool shadow,
                  int shadowDx, int shadowDy, int blurWidth, int blurHeight, COLORREF shade);
    void DrawImageListCell(HDC dc, int x, int y, int width, int height, HBITMAP strip, int index, int cellWidth,
                           int cellHeight, bool useTransparent, COLORREF transparent, unsigned flags, bool shadow,
                           int shadowDx, int shadowDy, int blurWidth, int blurHeight, COLORREF shade);
    HICON StretchIcon(HICON icon, int width, int height);
    static PictureSize GetIconSize(HICON icon);
    static PictureSize GetBitmapSize(HBITMAP bitmap);

    std::uint32_t HasAlpha() const { return m_hasAlpha; }

    // The texture image of the last texture fill.
    const CDibBuffer& TextureBuffer() const { return m_texture; }

private:
    void DrawShadowOrOffset(HDC dc, int& x, int& y, int width, int height, HBITMAP silhouetteSource,
                            bool useTransparent, COLORREF transparent, unsigned flags, bool shadow, int dx, int dy,
                            int blurWidth, int blurHeight, COLORREF shade);

    CDibBuffer m_texture;
    std::uint32_t m_hasAlpha = 0;
};

// Picture loaders of the renderer; a resource id of 0 gives null at once.
HICON LoadIconFromFile(const std::string& path, int width, int height);
HICON LoadIconFromResource(UINT id, int width, int height, const std::string& module);
HBITMAP LoadBitmapFromFile(const std::string& path);
HBITMAP LoadBitmapFromResource(UINT id, const std::string& module);
// The default value of a key into a 260-byte buffer; 0 or the open's error.
LONG ReadDefaultRegValue(HKEY root, const char* subkey, char* output);

}  // namespace fh
