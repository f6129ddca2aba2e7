#include "ui/date_filter.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

namespace fh {
namespace {

using test::FakeClock;

TEST(DateFilter, DayModesCompareLocalCalendarDays) {
    FakeClock clock(0, 9 * 3600);  // local time nine hours ahead of UTC
    DateFilterDates dates;
    dates.exactDate = clock.At(2024, 2, 29, 13);
    struct Case {
        const char* label;
        std::int64_t now;
        std::int64_t entry;
        int mode;
        bool passes;
    } cases[] = {
        {"today: previous day 23:59 fails", clock.At(2024, 5, 10, 0, 0, 30), clock.At(2024, 5, 9, 23, 59), DateToday,
         false},
        {"today: 00:00:10 passes", clock.At(2024, 5, 10, 0, 0, 30), clock.At(2024, 5, 10, 0, 0, 10), DateToday, true},
        {"yesterday across a month end", clock.At(2024, 6, 1, 12), clock.At(2024, 5, 31, 8), DateYesterday, true},
        {"yesterday is not today", clock.At(2024, 6, 1, 12), clock.At(2024, 6, 1, 8), DateYesterday, false},
        {"this month", clock.At(2024, 6, 20), clock.At(2024, 6, 1), DateThisMonth, true},
        {"this month of last year fails", clock.At(2024, 6, 20), clock.At(2023, 6, 20), DateThisMonth, false},
        {"exact date matches its day", clock.At(2026, 1, 1), clock.At(2024, 2, 29, 23, 59, 59), DateExact, true},
        {"exact date, next day fails", clock.At(2026, 1, 1), clock.At(2024, 3, 1), DateExact, false},
        {"all", clock.At(2026, 1, 1), 0, DateAll, true},
        {"mode 0", clock.At(2026, 1, 1), 0, 0, true},
        {"unknown mode", clock.At(2026, 1, 1), 0, 999, true},
        {"unconvertible entry only equals another unconvertible time", clock.At(2026, 1, 1), -40000, DateToday,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        clock.SetNow(c.now);
        EXPECT_EQ(c.passes, PassesDateFilter(c.entry, c.mode, dates, clock));
    }
}

TEST(DateFilter, RangeUsesTruncatedWholeHours) {
    FakeClock clock(0, 0);
    DateFilterDates dates;
    dates.startDate = dates.endDate = clock.At(2024, 5, 10);
    const std::int64_t day = clock.At(2024, 5, 10);
    struct Case {
        const char* label;
        std::int64_t entry;
        bool passes;
    } cases[] = {
        {"start of the day", day, true},
        {"end of the day", day + 86399, true},
        {"30 minutes before", day - 1800, true},
        {"61 minutes before", day - 3660, false},
        {"30 minutes after the day", day + 86400 + 1800, true},
        {"61 minutes after the day", day + 86400 + 3660, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.passes, PassesDateFilter(c.entry, DateRange, dates, clock));
    }
}

}  // namespace
}  // namespace fh
