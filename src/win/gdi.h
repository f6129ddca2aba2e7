#pragma once
// A memory DC with a bitmap selected into it; the previous bitmap goes back
// and the DC is deleted when it ends. The bitmap itself stays the caller's.

#include <windows.h>

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

}  // namespace fh
