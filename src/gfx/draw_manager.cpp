#include "gfx/draw_manager.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "win/gdi.h"
#include "win/handles.h"

namespace fh {

// A 32-bit DIB section (rows bottom-up) selected into its own memory DC.
class PixelSection {
public:
    PixelSection(HDC compatible, int width, int height) : m_width(width), m_height(height) {
        if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > (1 << 28)) return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.Reset(::CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_dc.Reset(::CreateCompatibleDC(compatible));
        if (!m_bitmap || !m_dc || !bits) {
            m_bitmap.Reset();
            return;
        }
        m_bits = static_cast<Pixel*>(bits);
        m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    }
    PixelSection(const PixelSection&) = delete;
    PixelSection& operator=(const PixelSection&) = delete;
    ~PixelSection() {
        if (m_old) ::SelectObject(m_dc.Get(), m_old);
    }

    bool Ok() const { return m_bits != nullptr; }
    bool Fits(int width, int height) const { return Ok() && width == m_width && height == m_height; }
    HDC Get() const { return m_dc.Get(); }
    Pixel* Bits() const { return m_bits; }
    std::size_t Count() const { return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height); }
    HBITMAP Detach() {
        if (m_old) ::SelectObject(m_dc.Get(), m_old);
        m_old = nullptr;
        return m_bitmap.Release();
    }

private:
    int m_width, m_height;
    UniqueBitmap m_bitmap;
    UniqueDC m_dc;
    HGDIOBJ m_old = nullptr;
    Pixel* m_bits = nullptr;
};

CDrawManager::CDrawManager() = default;
CDrawManager::~CDrawManager() = default;

namespace {

int PenStyle(int style) {
    switch (style) {
    case 2:
        return PS_DASH;
    case 3:
        return PS_DOT;
    case 4:
        return PS_DASHDOT;
    case 5:
        return PS_DASHDOTDOT;
    default:
        return PS_SOLID;
    }
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    UniqueBrush brush(::CreateSolidBrush(color));
    if (brush) ::FillRect(dc, &rect, brush.Get());
}

}  // namespace

// --- CDibBuffer ---------------------------------------------------------------

CDibBuffer::~CDibBuffer() { Release(); }

void CDibBuffer::Release() {
    if (m_sectionDC && m_oldBitmap) ::SelectObject(m_sectionDC.Get(), m_oldBitmap);
    m_sectionDC.Reset();
    m_section.Reset();
    std::free(m_block);
    m_block = nullptr;
    m_oldBitmap = nullptr;
    m_sectionBits = nullptr;
    m_header = BITMAPINFOHEADER{};
    m_stride = 0;
    m_paletteSize = 0;
}

bool CDibBuffer::Create(int width, int height, int bitsPerPixel) {
    Release();
    if (width <= 0 || height <= 0) return false;
    const std::int64_t stride = ((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
    const std::int64_t image = stride * height;
    const std::uint16_t palette = bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;
    const std::int64_t total = static_cast<std::int64_t>(sizeof(BITMAPINFOHEADER)) + palette * 4 + image;
    if (image > std::numeric_limits<DWORD>::max() / 2 || total > (1LL << 30)) return false;
    m_block = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(total), 1));
    if (!m_block) return false;
    m_stride = stride;
    m_paletteSize = palette;
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = static_cast<WORD>(bitsPerPixel);
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = static_cast<DWORD>(image);
    std::memcpy(m_block, &m_header, sizeof(m_header));
    return true;
}

RGBQUAD* CDibBuffer::Palette() {
    return m_block ? reinterpret_cast<RGBQUAD*>(m_block + sizeof(BITMAPINFOHEADER)) : nullptr;
}

std::uint8_t* CDibBuffer::Bits() {
    return m_block ? m_block + sizeof(BITMAPINFOHEADER) + m_paletteSize * 4 : nullptr;
}

bool CDibBuffer::Draw(HDC target, int x, int y) {
    if (!m_block) return false;
    if (!m_section) {
        m_section.Reset(::CreateDIBSection(target, reinterpret_cast<BITMAPINFO*>(m_block), DIB_RGB_COLORS,
                                           &m_sectionBits, nullptr, 0));
        m_sectionDC.Reset(::CreateCompatibleDC(target));
        if (!m_section || !m_sectionDC || !m_sectionBits) {
            m_sectionDC.Reset();
            m_section.Reset();
            return false;
        }
        m_oldBitmap = ::SelectObject(m_sectionDC.Get(), m_section.Get());
    }
    ::GdiFlush();
    std::memcpy(m_sectionBits, Bits(), m_header.biSizeImage);
    return ::BitBlt(target, x, y, m_header.biWidth, m_header.biHeight, m_sectionDC.Get(), 0, 0, SRCCOPY) != FALSE;
}

// --- fills, frames and lines ----------------------------------------------------

void CDrawManager::DrawGradient(HDC dc, const RECT& rect, COLORREF start, COLORREF end, bool horizontal) {
    const std::int64_t W = rect.right - rect.left, H = rect.bottom - rect.top;
    for (int k = 0; k < 64; ++k) {
        RECT strip = rect;
        if (horizontal) {
            strip.left = static_cast<LONG>(rect.left + (k * W >> 6));
            strip.right = static_cast<LONG>(rect.left + ((k + 1) * W >> 6));
            if (strip.right - strip.left <= 0) continue;
        } else {
            strip.top = static_cast<LONG>(rect.top + (k * H >> 6));
            strip.bottom = static_cast<LONG>(rect.top + ((k + 1) * H >> 6));
            if (strip.bottom - strip.top <= 0) continue;
        }
        FillSolid(dc, strip, GradientStep(start, end, k));
    }
}

void CDrawManager::FillEffect(HDC dc, int effect, const RECT& rect, COLORREF first, COLORREF second, COLORREF third,
                              BYTE granularity, BYTE colouring) {
    const LONG hm = rect.top + (rect.bottom - rect.top) / 2;
    const LONG vm = rect.left + (rect.right - rect.left) / 2;
    const RECT left{rect.left, rect.top, vm, rect.bottom}, right{vm, rect.top, rect.right, rect.bottom};
    const RECT top{rect.left, rect.top, rect.right, hm}, bottom{rect.left, hm, rect.right, rect.bottom};
    switch (effect) {
    case 1:
        DrawGradient(dc, rect, first, third, true);
        return;
    case 2:
        DrawGradient(dc, rect, first, third, false);
        return;
    case 3:
        DrawGradient(dc, left, first, third, true);
        DrawGradient(dc, right, third, first, true);
        return;
    case 4:
        DrawGradient(dc, top, first, third, false);
        DrawGradient(dc, bottom, third, first, false);
        return;
    case 5:
        DrawGradient(dc, left, first, second, true);
        DrawGradient(dc, right, second, third, true);
        return;
    case 6:
        DrawGradient(dc, top, first, second, false);
        DrawGradient(dc, bottom, second, third, false);
        return;
    default:
        break;
    }
    if (effect < 7 || effect > 15) {
        FillSolid(dc, rect, first);
        return;
    }
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    if (!m_texture.Create(W, H, 8)) return;
    const std::array<Pixel, 256> palette = TexturePalette(first, second, third, colouring);
    std::memcpy(m_texture.Palette(), palette.data(), sizeof(palette));
    ComputeTexture(effect, W, H, granularity, [] { return std::rand(); }, m_texture.Bits(), m_texture.Stride());
    m_texture.Draw(dc, rect.left, rect.top);
}

void CDrawManager::DrawRectangle(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight, int style,
                                 int width) {
    if (style == 0 || width <= 0) return;
    const int h = width / 2;
    const int l = rect.left + h, t = rect.top + h, r = rect.right - h, b = rect.bottom - h;
    const int d = 2 * width;
    UniquePen pen(::CreatePen(PenStyle(style), width, topLeft));
    if (!pen) return;
    HGDIOBJ old = ::SelectObject(dc, pen.Get());
    ::MoveToEx(dc, l, b, nullptr);
    ::LineTo(dc, l, t);
    ::LineTo(dc, r, t);
    if (style == 6) {
        ::MoveToEx(dc, l + d, b - d, nullptr);
        ::LineTo(dc, l + d, t + d);
        ::LineTo(dc, r - d, t + d);
    }
    UniquePen second;
    if (bottomRight != topLeft) {
        second.Reset(::CreatePen(PenStyle(style), width, bottomRight));
        if (second) ::SelectObject(dc, second.Get());
    }
    ::MoveToEx(dc, r, t, nullptr);
    ::LineTo(dc, r, b);
    ::LineTo(dc, l, b);
    if (style == 6) {
        ::MoveToEx(dc, r - d, t + d, nullptr);
        ::LineTo(dc, r - d, b - d);
        ::LineTo(dc, l + d, b - d);
    }
    ::SelectObject(dc, old);
}

void CDrawManager::DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, int style, int width) {
    if (style == 0 || width <= 0) return;
    UniquePen pen(::CreatePen(PenStyle(style), width, color));
    if (!pen) return;
    HGDIOBJ old = ::SelectObject(dc, pen.Get());
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
    if (style == 6) {
        const int d = 2 * width;
        if (x1 != x2) {
            y1 += d;
            y2 += d;
        }
        if (y1 == y2) {
            ::MoveToEx(dc, x1, y1, nullptr);
            ::LineTo(dc, x2, y2);
        } else {
            ::MoveToEx(dc, x1 + d, y1, nullptr);
            ::LineTo(dc, x2 + d, y2);
        }
    }
    ::SelectObject(dc, old);
}

void CDrawManager::TileBitmap(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                              int tileWidth, int tileHeight) {
    if (tileWidth <= 0 || tileHeight <= 0) return;
    // Coordinates stay within int, whatever the area asks for.
    const std::int64_t right = std::min<std::int64_t>(static_cast<std::int64_t>(x) + width, INT_MAX);
    const std::int64_t bottom = std::min<std::int64_t>(static_cast<std::int64_t>(y) + height, INT_MAX);
    for (std::int64_t tx = x; tx < right; tx += tileWidth) {
        for (std::int64_t ty = y; ty < bottom; ty += tileHeight) {
            const std::int64_t w = std::min<std::int64_t>(tx + tileWidth, right) - tx;
            const std::int64_t h = std::min<std::int64_t>(ty + tileHeight, bottom) - ty;
            ::BitBlt(dst, static_cast<int>(tx), static_cast<int>(ty), static_cast<int>(w), static_cast<int>(h), src,
                     srcX, srcY, SRCCOPY);
        }
    }
}

// --- blending and effects ----------------------------------------------------------

namespace {

// Copies both areas into 32-bit sections, lets `mix` combine them, and puts
// the result back at (x, y). Nothing is drawn when a section cannot be made.
template <class Mix>
void BlendThroughSections(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, Mix mix) {
    if (width <= 0 || height <= 0) return;
    PixelSection from(dst, width, height), to(dst, width, height);
    if (!from.Ok() || !to.Ok()) return;
    ::BitBlt(from.Get(), 0, 0, width, height, src, srcX, srcY, SRCCOPY);
    ::BitBlt(to.Get(), 0, 0, width, height, dst, x, y, SRCCOPY);
    ::GdiFlush();
    mix(from.Bits(), to.Bits(), to.Count());
    ::BitBlt(dst, x, y, width, height, to.Get(), 0, 0, SRCCOPY);
}

}  // namespace

void CDrawManager::BlendPercent(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                                int percentage) {
    if (percentage >= 100) {
        if (width > 0 && height > 0) ::BitBlt(dst, x, y, width, height, src, srcX, srcY, SRCCOPY);
        return;
    }
    BlendThroughSections(dst, x, y, width, height, src, srcX, srcY, [percentage](const Pixel* a, Pixel* b, size_t n) {
        BlendPercentPixels(a, b, n, percentage);
    });
}

void CDrawManager::BlendAlpha(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY) {
    BlendThroughSections(dst, x, y, width, height, src, srcX, srcY, BlendAlphaPixels);
}

EffectCopy CDrawManager::CreateEffectCopy(HBITMAP bitmap, int width, int height, const ImageEffects& effects) {
    EffectCopy result;
    if (!bitmap || width <= 0 || height <= 0) return result;
    WindowDC screen(nullptr);
    PixelSection copy(screen.Get(), width, height);
    MemoryDC source(bitmap);
    if (!copy.Ok() || !source.Ok()) return result;
    ::BitBlt(copy.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
    ::GdiFlush();
    result.hasAlpha = EffectCopyPixels(copy.Bits(), copy.Count(), effects.flags, effects.useTransparent,
                                       ToPixelOrder(effects.transparent), ToPixelOrder(effects.shade));
    result.bitmap.Reset(copy.Detach());
    return result;
}

void CDrawManager::DrawShadow(HDC dst, int x, int y, int width, int height, HBITMAP silhouette, bool blur,
                              int blurWidth, int blurHeight) {
    if (!silhouette || width <= 0 || height <= 0) return;
    // A fade draws the same shadow frame after frame: its sections are kept
    // for the next call, unless they are large.
    std::unique_ptr<PixelSection> own[2];
    PixelSection* sections[2];
    const bool keep = static_cast<std::int64_t>(width) * height <= kKeptShadowPixels;
    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<PixelSection>& slot = keep ? m_shadowSections[i] : own[i];
        if (!slot || !slot->Fits(width, height)) slot = std::make_unique<PixelSection>(dst, width, height);
        sections[i] = slot.get();
    }
    PixelSection& shape = *sections[0];
    PixelSection& area = *sections[1];
    MemoryDC source(silhouette);
    if (!shape.Ok() || !area.Ok() || !source.Ok()) return;
    if (blur) {
        blurWidth = OddBlurSize(blurWidth);
        blurHeight = OddBlurSize(blurHeight);
        ::PatBlt(shape.Get(), 0, 0, width, height, WHITENESS);
        // The silhouette shrinks by the blur; a blur as large as the picture
        // leaves no room for it (a negative size would mirror it instead).
        const std::int64_t w = static_cast<std::int64_t>(width) - blurWidth;
        const std::int64_t h = static_cast<std::int64_t>(height) - blurHeight;
        const PictureSize size = GetBitmapSize(silhouette);
        if (w > 0 && h > 0)
            ::StretchBlt(shape.Get(), blurWidth / 2, blurHeight / 2, static_cast<int>(w), static_cast<int>(h),
                         source.Get(), 0, 0, size.width, size.height, SRCCOPY);
    } else {
        ::BitBlt(shape.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
    }
    ::BitBlt(area.Get(), 0, 0, width, height, dst, x, y, SRCCOPY);
    ::GdiFlush();
    ApplyShadow(shape.Bits(), area.Bits(), width, height, blur, blurWidth, blurHeight);
    ::BitBlt(dst, x, y, width, height, area.Get(), 0, 0, SRCCOPY);
}

void CDrawManager::DrawShadowOrOffset(HDC dc, int& x, int& y, int width, int height, HBITMAP silhouetteSource,
                                      const ImageEffects& silhouetteEffects, const ImageEffects& effects,
                                      const ShadowParams& shadow) {
    if (!shadow.enabled) return;
    const int sx = x + shadow.dx, sy = y + shadow.dy;
    if (effects.flags & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_SOFT_SHADOW)) {
        EffectCopy silhouette = CreateEffectCopy(silhouetteSource, width, height, silhouetteEffects);
        if (silhouette.bitmap)
            DrawShadow(dc, sx, sy, width, height, silhouette.bitmap.Get(),
                       (effects.flags & IMAGE_EFFECT_SOFT_SHADOW) != 0, shadow.blurWidth, shadow.blurHeight);
    } else {
        x = sx;
        y = sy;
    }
}

void CDrawManager::DrawBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap,
                              const ImageEffects& effects, const ShadowParams& shadow) {
    if (!bitmap || width <= 0 || height <= 0) return;
    UniqueBitmap copy(::CreateCompatibleBitmap(dc, width, height));
    if (!copy) return;
    {
        MemoryDC from(bitmap), to(copy.Get());
        if (!from.Ok() || !to.Ok()) return;
        const PictureSize size = GetBitmapSize(bitmap);
        if (size.width == width && size.height == height)
            ::BitBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, SRCCOPY);
        else
            ::StretchBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, size.width, size.height, SRCCOPY);
    }
    // Black where the picture is, white where it is transparent.
    const ImageEffects maskEffects{IMAGE_EFFECT_FILL | IMAGE_EFFECT_INVERT, effects.useTransparent,
                                   effects.transparent, 0xFFFFFF};
    EffectCopy mask = CreateEffectCopy(copy.Get(), width, height, maskEffects);
    EffectCopy image = CreateEffectCopy(copy.Get(), width, height, effects);
    if (!mask.bitmap || !image.bitmap) return;
    // The picture's shape in the shade colour on white.
    const ImageEffects silhouetteEffects{IMAGE_EFFECT_FILL | IMAGE_EFFECT_INVERT, effects.useTransparent,
                                         effects.transparent, effects.shade ^ 0xFFFFFF};
    DrawShadowOrOffset(dc, x, y, width, height, copy.Get(), silhouetteEffects, effects, shadow);
    MemoryDC imageDC(image.bitmap.Get());
    if (mask.hasAlpha || image.hasAlpha) {
        BlendAlpha(dc, x, y, width, height, imageDC.Get(), 0, 0);
        return;
    }
    MemoryDC maskDC(mask.bitmap.Get());
    ::BitBlt(dc, x, y, width, height, maskDC.Get(), 0, 0, SRCAND);
    ::BitBlt(dc, x, y, width, height, imageDC.Get(), 0, 0, SRCPAINT);
}

void CDrawManager::DrawIcon(HDC dc, int x, int y, int width, int height, HICON icon, const ImageEffects& effects,
                            const ShadowParams& shadow) {
    if (!icon || width <= 0 || height <= 0) return;
    const PictureSize size = GetIconSize(icon);
    UniqueIcon copy(size.width == width && size.height == height ? ::CopyIcon(icon) : StretchIcon(icon, width, height));
    if (!copy) return;
    ICONINFO info{};
    if (!::GetIconInfo(copy.Get(), &info)) return;
    UniqueBitmap colour(info.hbmColor), maskBits(info.hbmMask);
    const bool fill = (effects.flags & IMAGE_EFFECT_FILL) != 0;
    HBITMAP source = fill || !colour ? maskBits.Get() : colour.Get();
    const ImageEffects imageEffects{effects.flags, true, static_cast<COLORREF>(fill ? 0xFFFFFF : 0), effects.shade};
    EffectCopy image = CreateEffectCopy(source, width, height, imageEffects);
    if (!image.bitmap) return;
    const ImageEffects silhouetteEffects{IMAGE_EFFECT_FILL | IMAGE_EFFECT_INVERT, true, 0xFFFFFF,
                                         effects.shade ^ 0xFFFFFF};
    DrawShadowOrOffset(dc, x, y, width, height, maskBits.Get(), silhouetteEffects, effects, shadow);
    MemoryDC imageDC(image.bitmap.Get());
    if (image.hasAlpha) {
        BlendAlpha(dc, x, y, width, height, imageDC.Get(), 0, 0);
        return;
    }
    MemoryDC maskDC(maskBits.Get());
    const COLORREF oldText = ::SetTextColor(dc, 0);
    ::BitBlt(dc, x, y, width, height, maskDC.Get(), 0, 0, SRCAND);
    ::BitBlt(dc, x, y, width, height, imageDC.Get(), 0, 0, SRCPAINT);
    ::SetTextColor(dc, oldText);
}

void CDrawManager::DrawImageListCell(HDC dc, int x, int y, int width, int height, HBITMAP strip, int index,
                                     int cellWidth, int cellHeight, const ImageEffects& effects,
                                     const ShadowParams& shadow) {
    if (!strip || cellWidth <= 0 || cellHeight <= 0 || index < 0) return;
    const PictureSize size = GetBitmapSize(strip);
    const int columns = size.width / cellWidth, rows = size.height / cellHeight;
    if (columns == 0 || rows == 0 || static_cast<std::int64_t>(index) >= static_cast<std::int64_t>(columns) * rows)
        return;
    UniqueBitmap cell(::CreateCompatibleBitmap(dc, cellWidth, cellHeight));
    if (!cell) return;
    {
        MemoryDC from(strip), to(cell.Get());
        if (!from.Ok() || !to.Ok()) return;
        ::BitBlt(to.Get(), 0, 0, cellWidth, cellHeight, from.Get(), (index % columns) * cellWidth,
                 (index / columns) * cellHeight, SRCCOPY);
    }
    DrawBitmap(dc, x, y, width, height, cell.Get(), effects, shadow);
}

HICON CDrawManager::StretchIcon(HICON icon, int width, int height) {
    if (!icon || width <= 0 || height <= 0) return nullptr;
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return nullptr;
    UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    const int srcW = static_cast<int>(info.xHotspot) * 2, srcH = static_cast<int>(info.yHotspot) * 2;
    auto stretch = [&](HBITMAP from) -> HBITMAP {
        BITMAP bm{};
        if (!from || !::GetObjectA(from, sizeof(bm), &bm)) return nullptr;
        HBITMAP to = ::CreateBitmap(width, height, bm.bmPlanes, bm.bmBitsPixel, nullptr);
        if (!to) return nullptr;
        MemoryDC src(from), dst(to);
        if (src.Ok() && dst.Ok()) ::StretchBlt(dst.Get(), 0, 0, width, height, src.Get(), 0, 0, srcW, srcH, SRCCOPY);
        return to;
    };
    UniqueBitmap newColour(stretch(colour.Get()));
    UniqueBitmap newMask(stretch(mask.Get()));
    if (!newColour) return nullptr;
    ICONINFO made{};
    made.fIcon = TRUE;
    made.hbmColor = newColour.Get();
    made.hbmMask = newMask.Get();
    return ::CreateIconIndirect(&made);
}

PictureSize CDrawManager::GetIconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return {};
    UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    return {static_cast<int>(info.xHotspot) * 2, static_cast<int>(info.yHotspot) * 2};
}

PictureSize CDrawManager::GetBitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof(bm), &bm)) return {};
    return {bm.bmWidth, bm.bmHeight};
}

}  // namespace fh
