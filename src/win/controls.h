#pragma once
// Thin wrappers bound to dialog controls by identifier.

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace fh {

class Window {
public:
    Window() = default;
    explicit Window(HWND wnd) : m_hWnd(wnd) {}

    void Attach(HWND wnd) { m_hWnd = wnd; }
    // Binds to the dialog's control with that identifier.
    bool Bind(HWND dialog, int id) {
        m_hWnd = ::GetDlgItem(dialog, id);
        return m_hWnd != nullptr;
    }
    HWND Handle() const { return m_hWnd; }

    void Enable(bool enable) const { ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
    bool IsEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    void Show(bool show) const { ::ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE); }
    bool IsVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    void SetText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }
    std::string GetText() const;
    LONG_PTR Style() const { return ::GetWindowLongPtrA(m_hWnd, GWL_STYLE); }
    // Removes, then adds style bits (the list view rereads them on change).
    void ModifyStyle(LONG_PTR remove, LONG_PTR add) const;
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }

protected:
    HWND m_hWnd = nullptr;
};

class ComboBox : public Window {
public:
    int AddString(const std::string& text) const;
    int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    LPARAM GetItemData(int index) const { return static_cast<LPARAM>(Send(CB_GETITEMDATA, static_cast<WPARAM>(index))); }
    int SetItemData(int index, LPARAM data) const {
        return static_cast<int>(Send(CB_SETITEMDATA, static_cast<WPARAM>(index), data));
    }
    // First item beginning with the text, without regard to case; selects it.
    int SelectString(int startAfter, const std::string& text) const;
    int FindStringExact(int startAfter, const std::string& text) const;
    std::string GetLBText(int index) const;
    void ResetContent() const { Send(CB_RESETCONTENT); }
};

class ListView : public Window {
public:
    int InsertColumn(int index, const std::string& heading, int format, int width) const;
    int InsertItem(int index, const std::string& text, int image) const;
    bool SetItemData(int index, LPARAM data) const;
    LPARAM GetItemData(int index) const;
    std::string GetItemText(int index, int subItem) const;
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    int GetSelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    bool SetItemState(int index, UINT state, UINT mask) const;
    UINT GetItemState(int index, UINT mask) const {
        return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
    }
    bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }
    bool DeleteItem(int index) const { return Send(LVM_DELETEITEM, static_cast<WPARAM>(index)) != 0; }
    void SetImageList(HIMAGELIST list, int kind) const {
        Send(LVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(list));
    }
};

}  // namespace fh
