#include "win/dpi.h"

#include "base/dpi.h"

namespace fh {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

template <class Fn>
Fn User32(const char* name) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

int WindowDpi(HWND wnd) {
    static const auto forWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (forWindow && wnd) {
        const UINT dpi = forWindow(wnd);
        if (dpi >= 48 && dpi <= 960) return static_cast<int>(dpi);
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi >= 48 && dpi <= 960 ? dpi : kBaseDpi;
}

}  // namespace fh
