#pragma once
// The two small dialogs of the date filter: one day, or a range of days.
// Both give their dates as local midnight.

#include <cstdint>
#include <vector>

#include "base/local_time.h"
#include "res/resource.h"
#include "win/dialog.h"

namespace fh {

class CExactDlg : public Dialog<CExactDlg> {
public:
    explicit CExactDlg(const Clock& clock) : Dialog(IDD_EXACT_DATE), m_clock(clock) {}
    static const std::vector<DispatchEntry<CExactDlg>>& DispatchTable();

    std::int64_t m_date = 0;

protected:
    BOOL OnInit() override;
    void OnOK() override;

private:
    const Clock& m_clock;
};

class CRangeDlg : public Dialog<CRangeDlg> {
public:
    explicit CRangeDlg(const Clock& clock) : Dialog(IDD_DATE_RANGE), m_clock(clock) {}
    static const std::vector<DispatchEntry<CRangeDlg>>& DispatchTable();

    std::int64_t m_first = 0;
    std::int64_t m_last = 0;

protected:
    BOOL OnInit() override;

private:
    LRESULT OnSelChange(NMHDR* hdr);
    void Validate();

    const Clock& m_clock;
};

// Shows the time's local day in a month calendar / reads the selected day
// back as local midnight (false when it cannot be converted).
void SelectCalendarDay(HWND calendar, std::int64_t time, const Clock& clock);
bool ReadCalendarDay(HWND calendar, const Clock& clock, std::int64_t& time);

}  // namespace fh
