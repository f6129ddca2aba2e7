#pragma once
// What the logic layer needs from Windows: resource strings, the system code
// page's lead bytes and the clock with local-time conversion.

#include <windows.h>

#include <string>

#include "base/codepage.h"
#include "base/local_time.h"

namespace fh {

// A string of the program's string table in the system code page; empty when
// there is none.
std::string LoadResString(UINT id);

// A text of the system code page in UTF-8, by the platform's conversion
// (bytes it cannot map become its replacement character).
std::string SystemToUtf8(const std::string& text);

// The lead bytes of the ANSI code page in force.
CodePage CodePageFromSystem();

// The C runtime's 64-bit time and local-time conversion (daylight saving by
// the system).
class WinClock : public Clock {
public:
    std::int64_t Now() const override;
    std::optional<LocalTime> ToLocal(std::int64_t time) const override;
    std::optional<std::int64_t> FromLocal(const LocalTime& fields) const override;
};

const Clock& SystemClock();

// The time as local time in the C runtime's "%c" form (03/15/06 14:05:09);
// empty when it cannot be formatted.
std::string FormatLocalTime(std::int64_t time);

}  // namespace fh
