#include "win/platform.h"

#include <ctime>
#include <vector>

namespace fh {

std::string LoadResString(UINT id) {
    // LoadStringA cannot report a truncation, so grow until the text fits.
    for (int size = 256; size <= 65536; size *= 4) {
        std::vector<char> buffer(static_cast<size_t>(size));
        int got = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer.data(), size);
        if (got <= 0) return std::string();
        if (got < size - 2) return std::string(buffer.data(), static_cast<size_t>(got));
    }
    return std::string();
}

std::string SystemToUtf8(const std::string& text) {
    if (text.empty() || text.size() > 0x7FFFFFFF / 4) return std::string();
    const int size = static_cast<int>(text.size());
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (wide <= 0) return std::string();
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &buffer[0], wide);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, &out[0], bytes, nullptr, nullptr);
    return out;
}

CodePage CodePageFromSystem() {
    std::array<bool, 256> lead{};
    for (int b = 0; b < 256; ++b) lead[static_cast<size_t>(b)] = ::IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
    CodePage cp(lead);
    cp.SetPairTest([](unsigned char first, unsigned char second) {
        const char pair[2] = {static_cast<char>(first), static_cast<char>(second)};
        wchar_t wide[2];
        return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) == 1;
    });
    // Only an exact mapping counts; a best fit to "1" is the plain device name.
    std::array<std::string, 3> superscripts;
    const wchar_t digits[3] = {0x00B9, 0x00B2, 0x00B3};
    for (std::size_t i = 0; i < 3; ++i) {
        char bytes[4] = "";
        BOOL defaulted = FALSE;
        const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &digits[i], 1, bytes, sizeof bytes, nullptr,
                                            &defaulted);
        if (n > 0 && !defaulted) superscripts[i].assign(bytes, static_cast<std::size_t>(n));
    }
    cp.SetSuperscriptDigits(superscripts);
    return cp;
}

std::int64_t WinClock::Now() const { return _time64(nullptr); }

std::optional<LocalTime> WinClock::ToLocal(std::int64_t time) const {
    __time64_t t = time;
    struct tm* tm = _localtime64(&t);
    if (!tm) return std::nullopt;
    LocalTime f;
    f.year = tm->tm_year + 1900;
    f.month = tm->tm_mon + 1;
    f.day = tm->tm_mday;
    f.hour = tm->tm_hour;
    f.minute = tm->tm_min;
    f.second = tm->tm_sec;
    return f;
}

std::optional<std::int64_t> WinClock::FromLocal(const LocalTime& fields) const {
    struct tm tm {};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = -1;
    __time64_t t = _mktime64(&tm);
    if (t == -1) return std::nullopt;
    return static_cast<std::int64_t>(t);
}

const Clock& SystemClock() {
    static WinClock clock;
    return clock;
}

}  // namespace fh

namespace fh {

std::string FormatLocalTime(std::int64_t time) {
    __time64_t t = time;
    struct tm* tm = _localtime64(&t);
    if (!tm) return std::string();
    char buffer[128];
    size_t n = std::strftime(buffer, sizeof(buffer), "%c", tm);
    return std::string(buffer, n);
}

}  // namespace fh
