#include "ui/date_dialogs.h"

#include <gtest/gtest.h>

#include "support/dialog_driver.h"
#include "win/platform.h"

namespace fh {
namespace {

std::int64_t Local(int y, int m, int d, int h = 0) { return *SystemClock().FromLocal(LocalTime{y, m, d, h, 0, 0}); }

SYSTEMTIME Selected(HWND dialog, int id) {
    SYSTEMTIME day{};
    ::SendMessageA(::GetDlgItem(dialog, id), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
    return day;
}

TEST(DateDialogs, ExactDialogShowsTheDayAndReturnsLocalMidnight) {
    CExactDlg dlg(SystemClock());
    dlg.m_date = Local(2024, 2, 29, 15);
    ASSERT_TRUE(dlg.Create(nullptr));
    SYSTEMTIME shown = Selected(dlg.Handle(), IDC_EXACT_CALENDAR);
    EXPECT_EQ(2024, shown.wYear);
    EXPECT_EQ(2, shown.wMonth);
    EXPECT_EQ(29, shown.wDay);
    const LONG style = ::GetWindowLongA(dlg.Item(IDC_EXACT_CALENDAR), GWL_STYLE);
    EXPECT_TRUE(style & MCS_NOTODAY);
    EXPECT_TRUE(style & MCS_NOTODAYCIRCLE);

    test::PickCalendarDay(dlg.Handle(), IDC_EXACT_CALENDAR, 2024, 3, 2);
    test::Click(dlg.Handle(), IDOK);
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_EQ(IDOK, dlg.Result());
    EXPECT_EQ(Local(2024, 3, 2), dlg.m_date);
}

TEST(DateDialogs, ExactDialogCancelKeepsTheDate) {
    CExactDlg dlg(SystemClock());
    dlg.m_date = Local(2024, 2, 29, 15);
    ASSERT_TRUE(dlg.Create(nullptr));
    test::PickCalendarDay(dlg.Handle(), IDC_EXACT_CALENDAR, 2024, 3, 2);
    test::Click(dlg.Handle(), IDCANCEL);
    EXPECT_EQ(IDCANCEL, dlg.Result());
    EXPECT_EQ(Local(2024, 2, 29, 15), dlg.m_date);
}

TEST(DateDialogs, RangeDialogEnablesOkOnlyForAnOrderedRange) {
    CRangeDlg dlg(SystemClock());
    dlg.m_first = Local(2024, 5, 10, 9);
    dlg.m_last = Local(2024, 5, 12, 18);
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND ok = dlg.Item(IDOK);
    EXPECT_TRUE(::IsWindowEnabled(ok));
    EXPECT_EQ(Local(2024, 5, 10), dlg.m_first);
    EXPECT_EQ(Local(2024, 5, 12), dlg.m_last);

    struct Case {
        const char* label;
        int id, y, m, d;
        bool enabled;
    } cases[] = {
        {"last before first", IDC_RANGE_LAST, 2024, 5, 9, false},
        {"same day", IDC_RANGE_LAST, 2024, 5, 10, true},
        {"first after last", IDC_RANGE_FIRST, 2024, 5, 11, false},
        {"first before last again", IDC_RANGE_FIRST, 2024, 4, 30, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::PickCalendarDay(dlg.Handle(), c.id, c.y, c.m, c.d);
        EXPECT_EQ(c.enabled, ::IsWindowEnabled(ok) != FALSE);
    }
    test::Click(dlg.Handle(), IDOK);
    EXPECT_EQ(IDOK, dlg.Result());
    EXPECT_EQ(Local(2024, 4, 30), dlg.m_first);
    EXPECT_EQ(Local(2024, 5, 10), dlg.m_last);
}

}  // namespace
}  // namespace fh

namespace fh {
namespace {

TEST(DateDialogs, OpenDialogsMayBeDroppedWithoutClosing) {
    // The windows go with their objects; their last messages must not reach
    // the dispatch table of a class that is already destroyed.
    HWND exact = nullptr, range = nullptr;
    {
        CExactDlg a(SystemClock());
        CRangeDlg b(SystemClock());
        ASSERT_TRUE(a.Create(nullptr));
        ASSERT_TRUE(b.Create(nullptr));
        exact = a.Handle();
        range = b.Handle();
    }
    EXPECT_FALSE(::IsWindow(exact));
    EXPECT_FALSE(::IsWindow(range));
}

}  // namespace
}  // namespace fh
