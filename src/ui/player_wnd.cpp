#include "ui/player_wnd.h"

#include "res/resource.h"
#include "win/handles.h"

namespace fh {

namespace {

LRESULT CALLBACK PlayerProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC dc(wnd);
        RECT rc;
        ::GetClientRect(wnd, &rc);
        ::FillRect(dc.Get(), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        return 0;
    }
    default:
        return ::DefWindowProcA(wnd, msg, wParam, lParam);
    }
}

}  // namespace

bool RegisterPlayerClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    if (::GetClassInfoA(instance, FLICKHOLD_PLAYER_CLASS, &wc)) return true;
    wc.lpfnWndProc = &PlayerProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = FLICKHOLD_PLAYER_CLASS;
    return ::RegisterClassA(&wc) != 0;
}

}  // namespace fh
