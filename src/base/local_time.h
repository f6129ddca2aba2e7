#pragma once
// Times are signed 64-bit seconds since 1970-01-01 00:00 UTC; calendar fields
// come from the platform's local-time conversion through this interface.

#include <cstdint>
#include <optional>

namespace fh {

struct LocalTime {
    int year = 0;
    int month = 0;   // 1-12
    int day = 0;     // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t Now() const = 0;
    virtual std::optional<LocalTime> ToLocal(std::int64_t time) const = 0;
    // Daylight-saving time is decided by the system.
    virtual std::optional<std::int64_t> FromLocal(const LocalTime& fields) const = 0;
};

// Fields of a time, or all zero when it cannot be converted.
LocalTime LocalFieldsOrZero(const Clock& clock, std::int64_t time);

}  // namespace fh
