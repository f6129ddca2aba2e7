#pragma once
// A memory DC with a bitmap selected into it; the previous bitmap goes back
// and the DC is deleted when it ends. The bitmap itself stays the caller's.

#include <windows.h>

#include <memory>

#include "win/handles.h"

namespace fh {

class MemoryDC {
public:
    // A DC compatible with `compatible` (the screen when null) holding the bitmap.
    explicit MemoryDC(HBITMAP bitmap, HDC compatible = nullptr) : m_dc(::CreateCompatibleDC(compatible)) {
        if (m_dc && bitmap) m_old = ::SelectObject(m_dc.Get(), bitmap);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (m_old && m_old != HGDI_ERROR) ::SelectObject(m_dc.Get(), m_old);
    }
    HDC Get() const { return m_dc.Get(); }
    bool Ok() const { return m_dc && m_old && m_old != HGDI_ERROR; }

private:
    UniqueDC m_dc;
    HGDIOBJ m_old = nullptr;
};

// A bitmap kept selected into its own memory DC, for pictures drawn again
// and again: a fresh DC per frame costs more than the drawing on Wine.
class MemoryPicture {
public:
    MemoryPicture() = default;
    MemoryPicture(const MemoryPicture&) = delete;
    MemoryPicture& operator=(const MemoryPicture&) = delete;
    ~MemoryPicture() { Reset(); }

    // A bitmap compatible with `compatible`; false (and empty) on failure.
    bool Create(HDC compatible, int width, int height) {
        Reset();
        m_bitmap.Reset(::CreateCompatibleBitmap(compatible, width, height));
        if (m_bitmap) m_dc = std::make_unique<MemoryDC>(m_bitmap.Get(), compatible);
        if (!m_dc || !m_dc->Ok()) Reset();
        return m_dc != nullptr;
    }
    // The DC lets the bitmap go before the bitmap is deleted.
    void Reset() {
        m_dc.reset();
        m_bitmap.Reset();
    }
    HDC DC() const { return m_dc ? m_dc->Get() : nullptr; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    UniqueBitmap m_bitmap;
    std::unique_ptr<MemoryDC> m_dc;
};

}  // namespace fh
