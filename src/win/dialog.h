#pragma once
// Dialogs made from templates, with a dispatch table per dialog class.
// The static procedure keeps `this` from WM_INITDIALOG on and routes each
// message through the derived class's table; nothing throws across it.

#include <windows.h>

#include "win/dispatch.h"

namespace fh {

class DialogBase {
public:
    explicit DialogBase(UINT templateId);
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // Runs the dialog with the program's own modal loop, so that every
    // message passes PreTranslateMessage before it is dispatched. -1 when
    // the dialog cannot be created.
    INT_PTR DoModal(HWND parent);
    // Creates the dialog modeless (hidden unless the template says visible).
    bool Create(HWND parent);
    // Ends the dialog; a modal loop wakes at once to notice.
    void EndDialog(INT_PTR result);
    void Destroy();

    HWND Handle() const { return m_hWnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool IsEnded() const { return m_ended; }
    bool IsModal() const { return m_modal; }
    INT_PTR Result() const { return m_result; }

    // What the modal loop does with a message before dispatching it.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    virtual BOOL OnInit() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Looks the message up in the class's table.
    virtual MsgResult Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    MsgResult HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_hWnd = nullptr;
    bool m_modal = false;
    bool m_ended = false;
    INT_PTR m_result = 0;
};

// Derived dialogs name their table as `static const std::vector<DispatchEntry<T>>& DispatchTable()`.
template <class T>
class Dialog : public DialogBase {
public:
    using DialogBase::DialogBase;

protected:
    MsgResult Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override {
        return DispatchThroughTable(static_cast<T*>(this), msg, wParam, lParam);
    }
};

}  // namespace fh
