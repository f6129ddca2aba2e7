#include "win/dialog.h"

namespace fh {

DialogBase::DialogBase(UINT templateId) : m_templateId(templateId) {}

DialogBase::~DialogBase() {
    // The derived part is gone by now: the window's last messages must not
    // reach its dispatch table.
    if (m_hWnd && ::IsWindow(m_hWnd)) ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    Destroy();
}

bool DialogBase::Create(HWND parent) {
    m_ended = false;
    HWND wnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent,
                                    &DialogBase::DialogProc, reinterpret_cast<LPARAM>(this));
    return wnd != nullptr;
}

INT_PTR DialogBase::DoModal(HWND parent) {
    m_modal = true;
    if (!Create(parent)) return -1;
    const bool disableParent = parent && ::IsWindowEnabled(parent);
    if (disableParent) ::EnableWindow(parent, FALSE);
    if (!m_ended) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    MSG msg;
    bool quit = false;
    while (!m_ended) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = got == 0;
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (disableParent) ::EnableWindow(parent, TRUE);
    Destroy();
    if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
    m_modal = false;
    return m_result;
}

void DialogBase::EndDialog(INT_PTR result) {
    m_result = result;
    m_ended = true;
    if (m_hWnd && !m_modal) ::ShowWindow(m_hWnd, SW_HIDE);
}

void DialogBase::Destroy() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool DialogBase::PreTranslateMessage(MSG* msg) { return m_hWnd && ::IsDialogMessageA(m_hWnd, msg); }

INT_PTR DialogBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    INT_PTR result = 0;
    handled = Dispatch(msg, wParam, lParam, result);
    if (handled) return result;
    handled = true;
    switch (msg) {
    case WM_INITDIALOG:
        return OnInit();
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == 0) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
        }
        break;
    default:
        break;
    }
    handled = false;
    return FALSE;
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DialogBase* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lParam);
        self->m_hWnd = wnd;
        ::SetWindowLongPtrA(wnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<DialogBase*>(::GetWindowLongPtrA(wnd, DWLP_USER));
    }
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(wnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    bool handled = false;
    INT_PTR result = self->HandleMessage(msg, wParam, lParam, handled);
    if (!handled) return FALSE;
    switch (msg) {
    // These messages take the procedure's return value as it stands.
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return result;
    case WM_NOTIFY:
        ::SetWindowLongPtrA(wnd, DWLP_MSGRESULT, result);
        return TRUE;
    default:
        // A handler's FALSE leaves the message to the default processing.
        return result;
    }
}

}  // namespace fh
