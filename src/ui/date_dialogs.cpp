#include "ui/date_dialogs.h"

#include <commctrl.h>

namespace fh {

void SelectCalendarDay(HWND calendar, std::int64_t time, const Clock& clock) {
    std::optional<LocalTime> local = clock.ToLocal(time);
    if (!local) return;
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(local->year);
    day.wMonth = static_cast<WORD>(local->month);
    day.wDay = static_cast<WORD>(local->day);
    ::SendMessageA(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
}

bool ReadCalendarDay(HWND calendar, const Clock& clock, std::int64_t& time) {
    SYSTEMTIME day{};
    if (!::SendMessageA(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&day))) return false;
    std::optional<std::int64_t> midnight = clock.FromLocal(LocalTime{day.wYear, day.wMonth, day.wDay, 0, 0, 0});
    if (!midnight) return false;
    time = *midnight;
    return true;
}

const std::vector<DispatchEntry<CExactDlg>>& CExactDlg::DispatchTable() {
    static const std::vector<DispatchEntry<CExactDlg>> table;
    return table;
}

BOOL CExactDlg::OnInit() {
    SelectCalendarDay(Item(IDC_EXACT_CALENDAR), m_date, m_clock);
    return TRUE;
}

void CExactDlg::OnOK() {
    ReadCalendarDay(Item(IDC_EXACT_CALENDAR), m_clock, m_date);
    EndDialog(IDOK);
}

const std::vector<DispatchEntry<CRangeDlg>>& CRangeDlg::DispatchTable() {
    using D = CRangeDlg;
    static const std::vector<DispatchEntry<D>> table = {
        OnNotify<D>(IDC_RANGE_FIRST, MCN_SELCHANGE, &D::OnSelChange),
        OnNotify<D>(IDC_RANGE_LAST, MCN_SELCHANGE, &D::OnSelChange),
    };
    return table;
}

BOOL CRangeDlg::OnInit() {
    SelectCalendarDay(Item(IDC_RANGE_FIRST), m_first, m_clock);
    SelectCalendarDay(Item(IDC_RANGE_LAST), m_last, m_clock);
    Validate();
    return TRUE;
}

LRESULT CRangeDlg::OnSelChange(NMHDR*) {
    Validate();
    return 0;
}

void CRangeDlg::Validate() {
    ReadCalendarDay(Item(IDC_RANGE_FIRST), m_clock, m_first);
    ReadCalendarDay(Item(IDC_RANGE_LAST), m_clock, m_last);
    ::EnableWindow(Item(IDOK), (m_last - m_first) / 86400 >= 0);
}

}  // namespace fh
