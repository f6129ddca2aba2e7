#pragma once
// Dialogs made from templates, with a dispatch table per dialog class.
// The static procedure keeps `this` from WM_INITDIALOG on and routes each
// message through the derived class's table; nothing throws across it.

#include <windows.h>

#include <string>
#include <vector>

namespace fh {

class DialogBase {
public:
    explicit DialogBase(UINT templateId);
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // Runs the dialog with the program's own modal loop, so that every
    // message passes PreTranslateMessage before it is dispatched.
    INT_PTR DoModal(HWND parent);
    // Creates the dialog modeless (hidden unless the template says visible).
    bool Create(HWND parent);
    void EndDialog(INT_PTR result);
    void Destroy();

    HWND Handle() const { return m_hWnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool IsEnded() const { return m_ended; }
    INT_PTR Result() const { return m_result; }

    // What the modal loop does with a message before dispatching it.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    virtual BOOL OnInit() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Looks the message up in the class's table; true when a handler took it.
    virtual bool Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);

    UINT m_templateId;
    HWND m_hWnd = nullptr;
    bool m_modal = false;
    bool m_ended = false;
    INT_PTR m_result = 0;
};

// One row of a dispatch table: a plain message, a WM_COMMAND from a control
// with a notification code, or a WM_NOTIFY from a control with a code.
template <class T>
struct DispatchEntry {
    enum Kind { Message, Command, Notify };
    Kind kind;
    UINT message;  // the message, or the notification code
    int id;
    INT_PTR (T::*onMessage)(WPARAM, LPARAM);
    void (T::*onCommand)();
    LRESULT (T::*onNotify)(NMHDR*);
};

template <class T>
DispatchEntry<T> OnMessage(UINT message, INT_PTR (T::*handler)(WPARAM, LPARAM)) {
    return {DispatchEntry<T>::Message, message, 0, handler, nullptr, nullptr};
}

template <class T>
DispatchEntry<T> OnCommand(int id, UINT code, void (T::*handler)()) {
    return {DispatchEntry<T>::Command, code, id, nullptr, handler, nullptr};
}

template <class T>
DispatchEntry<T> OnNotify(int id, UINT code, LRESULT (T::*handler)(NMHDR*)) {
    return {DispatchEntry<T>::Notify, code, id, nullptr, nullptr, handler};
}

// Derived dialogs name their table as `static const std::vector<DispatchEntry<T>>& DispatchTable()`.
template <class T>
class Dialog : public DialogBase {
public:
    using DialogBase::DialogBase;

protected:
    bool Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        T* self = static_cast<T*>(this);
        for (const DispatchEntry<T>& e : T::DispatchTable()) {
            switch (e.kind) {
            case DispatchEntry<T>::Message:
                if (msg == e.message) {
                    result = (self->*e.onMessage)(wParam, lParam);
                    return true;
                }
                break;
            case DispatchEntry<T>::Command:
                if (msg == WM_COMMAND && LOWORD(wParam) == e.id && HIWORD(wParam) == e.message) {
                    (self->*e.onCommand)();
                    result = TRUE;
                    return true;
                }
                break;
            case DispatchEntry<T>::Notify:
                if (msg == WM_NOTIFY && lParam) {
                    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
                    // Control identifiers are 16-bit: idFrom fits an int.
                    if (static_cast<int>(hdr->idFrom) == e.id && hdr->code == e.message) {
                        result = (self->*e.onNotify)(hdr);
                        return true;
                    }
                }
                break;
            }
        }
        return false;
    }
};

}  // namespace fh
