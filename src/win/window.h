#pragma once
// Plain (non-dialog) windows with the same dispatch tables as dialogs: the
// object takes over a window's messages by subclassing it, whether it made
// the window itself or found it made by a dialog template.

#include <windows.h>

#include "win/dispatch.h"

namespace fh {

class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    // Lets the window go on without this object (it is not destroyed).
    virtual ~WindowBase();

    // Creates a window of a registered class and takes over its messages.
    bool Create(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect,
                HWND parent, HMENU menuOrId = nullptr);
    // Takes over the messages of an existing window.
    bool Attach(HWND wnd);
    void Detach();
    void Destroy();

    HWND Handle() const { return m_hWnd; }

protected:
    virtual MsgResult Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // The window has gone (WM_NCDESTROY); the object is detached already.
    virtual void OnDestroyed() {}
    // The processing the window had before this object took it over.
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    HWND m_hWnd = nullptr;
};

// Derived windows name their table as `static const std::vector<DispatchEntry<T>>& DispatchTable()`.
template <class T>
class WindowImpl : public WindowBase {
protected:
    MsgResult Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override {
        return DispatchThroughTable(static_cast<T*>(this), msg, wParam, lParam);
    }
};

// Registers a class once per process; its procedure is DefWindowProcA until
// an object takes the window over.
bool RegisterPlainClass(const char* name, UINT style, HCURSOR cursor, HBRUSH background);

}  // namespace fh
