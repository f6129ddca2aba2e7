#pragma once
// A 32-bit top-down DIB section in a memory DC, read pixel by pixel: the
// surface of the drawing tests.

#include <windows.h>

#include "gfx/draw_effects.h"
#include "win/handles.h"

namespace fh::test {

class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = 0xFFFFFF) : m_width(width) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<Pixel*>(bits);
        m_dc.Reset(::CreateCompatibleDC(nullptr));
        m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
        RECT all{0, 0, width, height};
        UniqueBrush brush(::CreateSolidBrush(fill));
        ::FillRect(m_dc.Get(), &all, brush.Get());
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        if (m_old) ::SelectObject(m_dc.Get(), m_old);
    }
    HDC DC() const { return m_dc.Get(); }
    // The bitmap, taken out of the canvas's DC so that it can be selected
    // elsewhere (a bitmap lives in one DC at a time); pixels stay readable.
    HBITMAP Bitmap() {
        if (m_old) ::SelectObject(m_dc.Get(), m_old);
        m_old = nullptr;
        return m_bitmap.Get();
    }
    // The pixel as a colour value (red low), alpha dropped.
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        return ToPixelOrder(m_bits[y * m_width + x] & 0xFFFFFF);
    }
    void Set(int x, int y, Pixel p) { m_bits[y * m_width + x] = p; }

private:
    int m_width;
    UniqueBitmap m_bitmap;
    UniqueDC m_dc;
    HGDIOBJ m_old;
    Pixel* m_bits = nullptr;
};

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0;

}  // namespace fh::test
