#pragma once
// The 12-byte registry record of a date: six little-endian 16-bit fields
// hour, minute, second, year, month, day of the local time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/local_time.h"

namespace fh {

constexpr std::size_t kDateRecordSize = 12;
using DateRecord = std::array<std::uint8_t, kDateRecordSize>;

// A moment that has no local time is written as 0xFFFF hour, minute and
// second with year, month and day 0.
DateRecord EncodeDateRecord(const std::optional<LocalTime>& fields);
LocalTime DecodeDateRecord(const DateRecord& record);

// The record's time, or nothing when its fields are out of range or name no
// representable local time (such as the failure encoding, or a year before 1970).
std::optional<std::int64_t> DateRecordToTime(const DateRecord& record, const Clock& clock);

}  // namespace fh
