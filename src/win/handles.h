#pragma once
// RAII for every handle kind the program touches. Feature code never closes
// a handle by hand: it holds one of these and lets scope end it.

#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include <utility>

namespace fh {

// Traits name the handle type, its invalid value and how to close it.
template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : m_h(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Type Get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    Type Release() { return std::exchange(m_h, Traits::Invalid()); }
    void Reset(Type h = Traits::Invalid()) {
        if (m_h != Traits::Invalid()) Traits::Close(m_h);
        m_h = h;
    }
    // For out-parameters of creating calls.
    Type* Put() {
        Reset();
        return &m_h;
    }

private:
    Type m_h = Traits::Invalid();
};

template <class T, class Closer>
struct NullInvalid {
    using Type = T;
    static T Invalid() { return nullptr; }
    static void Close(T h) { Closer()(h); }
};

template <class Closer>
struct MinusOneInvalid {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { Closer()(h); }
};

struct GdiObjectClose {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct DcClose {
    void operator()(HDC h) const { ::DeleteDC(h); }
};
struct IconClose {
    void operator()(HICON h) const { ::DestroyIcon(h); }
};
struct FindHandleClose {
    void operator()(HANDLE h) const { ::FindClose(h); }
};
struct HandleClose {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
struct RegKeyClose {
    void operator()(HKEY h) const { ::RegCloseKey(h); }
};
struct ModuleClose {
    void operator()(HMODULE h) const { ::FreeLibrary(h); }
};
struct UrlCacheFindClose {
    void operator()(HANDLE h) const { ::FindCloseUrlCache(h); }
};
struct ImageListClose {
    void operator()(HIMAGELIST h) const { ::ImageList_Destroy(h); }
};
struct WindowClose {
    void operator()(HWND h) const { ::DestroyWindow(h); }
};

using UniqueFont = UniqueHandle<NullInvalid<HFONT, GdiObjectClose>>;
using UniquePen = UniqueHandle<NullInvalid<HPEN, GdiObjectClose>>;
using UniqueBrush = UniqueHandle<NullInvalid<HBRUSH, GdiObjectClose>>;
using UniqueBitmap = UniqueHandle<NullInvalid<HBITMAP, GdiObjectClose>>;
using UniqueRegion = UniqueHandle<NullInvalid<HRGN, GdiObjectClose>>;
using UniqueDC = UniqueHandle<NullInvalid<HDC, DcClose>>;
using UniqueIcon = UniqueHandle<NullInvalid<HICON, IconClose>>;
using UniqueFind = UniqueHandle<MinusOneInvalid<FindHandleClose>>;
using UniqueFile = UniqueHandle<MinusOneInvalid<HandleClose>>;
using UniqueRegKey = UniqueHandle<NullInvalid<HKEY, RegKeyClose>>;
using UniqueModule = UniqueHandle<NullInvalid<HMODULE, ModuleClose>>;
using UniqueUrlCacheFind = UniqueHandle<NullInvalid<HANDLE, UrlCacheFindClose>>;
using UniqueImageList = UniqueHandle<NullInvalid<HIMAGELIST, ImageListClose>>;
using UniqueWindow = UniqueHandle<NullInvalid<HWND, WindowClose>>;
using UniqueThread = UniqueHandle<NullInvalid<HANDLE, HandleClose>>;

// Selects an object into a DC and puts the previous one back at scope end.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() {
        if (m_old && m_old != HGDI_ERROR) ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

class PaintDC {
public:
    explicit PaintDC(HWND wnd) : m_wnd(wnd), m_dc(::BeginPaint(wnd, &m_ps)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { ::EndPaint(m_wnd, &m_ps); }
    HDC Get() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_wnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

class WindowDC {
public:
    explicit WindowDC(HWND wnd) : m_wnd(wnd), m_dc(::GetDC(wnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (m_dc) ::ReleaseDC(m_wnd, m_dc);
    }
    HDC Get() const { return m_dc; }

private:
    HWND m_wnd;
    HDC m_dc;
};

}  // namespace fh
