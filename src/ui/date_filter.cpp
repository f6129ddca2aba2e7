#include "ui/date_filter.h"

namespace fh {

namespace {

bool SameDay(const LocalTime& a, const LocalTime& b) {
    return a.day == b.day && a.month == b.month && a.year == b.year;
}

}  // namespace

bool PassesDateFilter(std::int64_t entryTime, int mode, const DateFilterDates& dates, const Clock& clock) {
    const std::int64_t now = clock.Now();
    const LocalTime entry = LocalFieldsOrZero(clock, entryTime);
    switch (mode) {
    case DateToday:
        return SameDay(entry, LocalFieldsOrZero(clock, now));
    case DateYesterday:
        return SameDay(entry, LocalFieldsOrZero(clock, now - 86400));
    case DateThisMonth: {
        LocalTime today = LocalFieldsOrZero(clock, now);
        return entry.month == today.month && entry.year == today.year;
    }
    case DateExact:
        return SameDay(entry, LocalFieldsOrZero(clock, dates.exactDate));
    case DateRange: {
        // Whole hours, truncated toward zero: the range reaches 59:59 beyond
        // both of its day boundaries.
        std::int64_t h1 = (entryTime - dates.startDate) / 3600;
        std::int64_t h2 = (dates.endDate - entryTime) / 3600;
        return h1 >= 0 && h2 >= -24;
    }
    default:
        return true;
    }
}

}  // namespace fh
