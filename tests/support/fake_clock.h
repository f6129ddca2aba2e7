#pragma once
// A clock whose local time is UTC shifted by a fixed offset, with a settable "now".

#include <cstdint>
#include <optional>

#include "base/local_time.h"

namespace fh::test {

class FakeClock : public Clock {
public:
    explicit FakeClock(std::int64_t now = 0, int offsetSeconds = 0) : m_now(now), m_offset(offsetSeconds) {}

    void SetNow(std::int64_t now) { m_now = now; }
    std::int64_t Now() const override { return m_now; }

    std::optional<LocalTime> ToLocal(std::int64_t time) const override {
        if (time + m_offset < 0) return std::nullopt;
        std::int64_t t = time + m_offset;
        std::int64_t days = t / 86400;
        std::int64_t rest = t % 86400;
        LocalTime f = CivilFromDays(days);
        f.hour = static_cast<int>(rest / 3600);
        f.minute = static_cast<int>(rest / 60 % 60);
        f.second = static_cast<int>(rest % 60);
        return f;
    }

    std::optional<std::int64_t> FromLocal(const LocalTime& f) const override {
        if (f.year < 1970) return std::nullopt;
        std::int64_t t = DaysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
        return t - m_offset;
    }

    // Seconds of a UTC+offset local date and time.
    std::int64_t At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) const {
        return *FromLocal(LocalTime{year, month, day, hour, minute, second});
    }

private:
    static std::int64_t DaysFromCivil(int y, int m, int d) {
        y -= m <= 2;
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const unsigned yoe = static_cast<unsigned>(y - era * 400);
        const unsigned doy = static_cast<unsigned>((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
        const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
    }

    static LocalTime CivilFromDays(std::int64_t z) {
        z += 719468;
        const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const unsigned doe = static_cast<unsigned>(z - era * 146097);
        const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
        const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const unsigned mp = (5 * doy + 2) / 153;
        const unsigned d = doy - (153 * mp + 2) / 5 + 1;
        const unsigned m = mp < 10 ? mp + 3 : mp - 9;
        LocalTime f;
        f.year = static_cast<int>(y + (m <= 2));
        f.month = static_cast<int>(m);
        f.day = static_cast<int>(d);
        return f;
    }

    std::int64_t m_now;
    int m_offset;
};

}  // namespace fh::test
