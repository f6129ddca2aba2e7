#include "win/window.h"

#include <commctrl.h>

namespace fh {

namespace {

constexpr UINT_PTR kSubclassId = 0x464C4B48;  // "FLKH"

}  // namespace

WindowBase::~WindowBase() { Detach(); }

bool WindowBase::Create(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect,
                        HWND parent, HMENU menuOrId) {
    HWND wnd = ::CreateWindowExA(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, parent, menuOrId, ::GetModuleHandleA(nullptr), nullptr);
    if (!wnd) return false;
    if (Attach(wnd)) return true;
    ::DestroyWindow(wnd);
    return false;
}

bool WindowBase::Attach(HWND wnd) {
    Detach();
    if (!wnd || !::SetWindowSubclass(wnd, &WindowBase::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hWnd = wnd;
    return true;
}

void WindowBase::Detach() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::RemoveWindowSubclass(m_hWnd, &WindowBase::SubclassProc, kSubclassId);
    m_hWnd = nullptr;
}

void WindowBase::Destroy() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

LRESULT WindowBase::Default(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return ::DefSubclassProc(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK WindowBase::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
    auto* self = reinterpret_cast<WindowBase*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(wnd, &WindowBase::SubclassProc, kSubclassId);
        self->m_hWnd = nullptr;
        const LRESULT result = ::DefSubclassProc(wnd, msg, wParam, lParam);
        try {
            self->OnDestroyed();
        } catch (...) {
        }
        return result;
    }
    try {
        if (MsgResult result = self->Dispatch(msg, wParam, lParam)) return *result;
    } catch (...) {
        // Nothing may unwind into Windows; the message gets the default.
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

bool RegisterPlainClass(const char* name, UINT style, HCURSOR cursor, HBRUSH background) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (::GetClassInfoA(instance, name, &wc)) return true;
    wc.style = style;
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return ::RegisterClassA(&wc) != 0;
}

}  // namespace fh
