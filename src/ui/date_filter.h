#pragma once
// The date filter's modes and the test that decides whether a time passes.

#include <cstdint>

#include "base/local_time.h"

namespace fh {

// The string-table identifiers of the date combo's texts double as the modes.
enum DateMode : int {
    DateToday = 142,
    DateYesterday = 143,
    DateThisMonth = 145,
    DateExact = 146,
    DateRange = 147,
    DateAll = 148,
};

struct DateFilterDates {
    std::int64_t exactDate = 0;
    std::int64_t startDate = 0;
    std::int64_t endDate = 0;
};

bool PassesDateFilter(std::int64_t entryTime, int mode, const DateFilterDates& dates, const Clock& clock);

}  // namespace fh
