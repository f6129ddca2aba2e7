#include "win/dialog.h"

namespace fh {

namespace {

// Messages whose answer is the dialog procedure's own return value; every
// other handled message answers through DWLP_MSGRESULT.
bool AnswersByReturnValue(UINT msg) {
    switch (msg) {
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
        return true;
    default:
        return false;
    }
}

}  // namespace

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
    m_result = 0;
    if (!Create(parent)) {
        m_modal = false;
        m_ended = false;
        return -1;
    }
    const bool disableParent = parent && ::IsWindowEnabled(parent);
    if (disableParent) ::EnableWindow(parent, FALSE);
    if (!m_ended && m_hWnd) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    MSG msg{};
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
    if (!m_hWnd) return;
    if (m_modal) ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    else ::ShowWindow(m_hWnd, SW_HIDE);
}

void DialogBase::Destroy() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool DialogBase::PreTranslateMessage(MSG* msg) { return m_hWnd && ::IsDialogMessageA(m_hWnd, msg); }

MsgResult DialogBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (MsgResult result = Dispatch(msg, wParam, lParam)) return result;
    switch (msg) {
    case WM_INITDIALOG:
        return Handled(OnInit());
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == 0) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return Handled(0);
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return Handled(0);
            }
        }
        break;
    default:
        break;
    }
    return NotHandled();
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
        // A modal dialog destroyed by anyone ends its loop; the posted
        // message wakes the loop to see it.
        if (self->m_modal && !self->m_ended) {
            self->m_ended = true;
            ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0);
        }
        return FALSE;
    }
    MsgResult result;
    try {
        result = self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into Windows; the message gets the default.
        return FALSE;
    }
    if (!result) return FALSE;
    if (AnswersByReturnValue(msg)) return static_cast<INT_PTR>(*result);
    ::SetWindowLongPtrA(wnd, DWLP_MSGRESULT, *result);
    return TRUE;
}

}  // namespace fh
