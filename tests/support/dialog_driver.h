#pragma once
// Drives dialogs the way their controls would: selection changes and clicks
// arrive as the WM_COMMAND / WM_NOTIFY messages the controls send.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace fh::test {

inline void SelectComboItem(HWND dialog, int id, int index) {
    HWND combo = ::GetDlgItem(dialog, id);
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

inline void Click(HWND dialog, int id) {
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

inline std::string ItemText(HWND dialog, int id) {
    char buffer[1024] = "";
    ::GetDlgItemTextA(dialog, id, buffer, sizeof(buffer));
    return buffer;
}

inline std::vector<std::string> ComboTexts(HWND dialog, int id) {
    HWND combo = ::GetDlgItem(dialog, id);
    std::vector<std::string> texts;
    int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char buffer[1024] = "";
        ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        texts.push_back(buffer);
    }
    return texts;
}

inline std::string ComboSelection(HWND dialog, int id) {
    HWND combo = ::GetDlgItem(dialog, id);
    int sel = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (sel < 0) return "<none>";
    char buffer[1024] = "";
    ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

inline std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char buffer[1024] = "";
        LVITEMA item{};
        item.pszText = buffer;
        item.cchTextMax = sizeof(buffer);
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        texts.push_back(buffer);
    }
    return texts;
}

// Picks a day in a month calendar and notifies the dialog as a click would.
inline void PickCalendarDay(HWND dialog, int id, int year, int month, int day) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    HWND calendar = ::GetDlgItem(dialog, id);
    ::SendMessageA(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
    NMSELCHANGE change{};
    change.nmhdr.hwndFrom = calendar;
    change.nmhdr.idFrom = static_cast<UINT_PTR>(id);
    change.nmhdr.code = MCN_SELCHANGE;
    change.stSelStart = change.stSelEnd = st;
    ::SendMessageA(dialog, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&change));
}

// Dispatches whatever is waiting in this thread's queue.
inline void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

}  // namespace fh::test
