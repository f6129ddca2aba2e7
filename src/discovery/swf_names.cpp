#include "discovery/swf_names.h"

#include <cstdio>

namespace fh {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Limits of the platform's address splitter: longer parts make an address
// unsplittable.
constexpr std::size_t kMaxScheme = 32;
constexpr std::size_t kMaxHost = 256;
constexpr std::size_t kMaxUser = 128;
constexpr std::size_t kMaxPassword = 128;
constexpr std::size_t kMaxPath = 2048;

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string GetDisplayName(std::string_view path, const CodePage& cp) {
    std::size_t slash = cp.FindLast(path, '\\');
    std::size_t start = slash == npos ? 0 : slash + 1;
    std::size_t bracket = cp.FindLast(path, '[');
    std::string name;
    if (bracket != npos && bracket > start) {
        name = std::string(path.substr(start, bracket - start));
    } else {
        std::size_t dot = cp.FindLast(path, '.');
        if (dot != npos && dot > start) name = std::string(path.substr(start, dot - start));
    }
    return name.empty() ? "flash" : name;
}

std::string GetSiteFromUrl(std::string_view url, const CodePage& cp) {
    std::size_t colon = cp.Find(url, ':');
    if (colon == npos || colon == 0 || colon > kMaxScheme || !IsAsciiAlpha(url[0])) return std::string();
    for (std::size_t i = 0; i < colon; ++i) {
        char c = url[i];
        if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') return std::string();
    }
    if (url.substr(colon + 1, 2) != "//") return std::string();

    std::string_view rest = url.substr(colon + 3);
    std::size_t authorityEnd = rest.size();
    for (char stop : {'/', '?', '#'}) {
        std::size_t p = cp.Find(rest, stop);
        if (p != npos && p < authorityEnd) authorityEnd = p;
    }
    if (rest.size() - authorityEnd > kMaxPath) return std::string();
    std::string_view authority = rest.substr(0, authorityEnd);

    std::size_t at = cp.FindLast(authority, '@');
    if (at != npos) {
        std::string_view userInfo = authority.substr(0, at);
        std::size_t split = cp.Find(userInfo, ':');
        std::size_t userLength = split == npos ? userInfo.size() : split;
        std::size_t passwordLength = split == npos ? 0 : userInfo.size() - split - 1;
        if (userLength > kMaxUser || passwordLength > kMaxPassword) return std::string();
        authority = authority.substr(at + 1);
    }

    std::string_view host = authority;
    std::size_t portColon = cp.FindLast(authority, ':');
    // A colon inside brackets belongs to an IPv6 literal, not to a port.
    std::size_t closeBracket = cp.FindLast(authority, ']');
    if (portColon != npos && (closeBracket == npos || portColon > closeBracket)) {
        std::string_view port = authority.substr(portColon + 1);
        if (port.size() > 5) return std::string();
        unsigned value = 0;
        for (char c : port) {
            if (!IsAsciiDigit(c)) return std::string();
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value > 65535) return std::string();
        host = authority.substr(0, portColon);
    }
    if (host.empty() || host.size() > kMaxHost) return std::string();
    if (host.size() >= 5 && host.substr(0, 4) == "www.") host.remove_prefix(4);
    return std::string(host);
}

std::string FormatSizeText(std::uint64_t size) {
    std::string digits = std::to_string(size);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
        out += digits[i];
    }
    return out;
}

std::string FormatHttpDate(std::int64_t secondsSince1970) {
    static const char* const kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::int64_t days = secondsSince1970 / 86400;
    std::int64_t rest = secondsSince1970 % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const int weekday = static_cast<int>(((days % 7) + 7) % 7);
    // Civil date from a day count (proleptic Gregorian calendar).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    char buffer[128];
    int n = std::snprintf(buffer, sizeof(buffer), "%s, %02d %s %04lld %02d:%02d:%02d GMT", kDays[weekday],
                          static_cast<int>(day), kMonths[month - 1], static_cast<long long>(year),
                          static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    if (n < 0 || n >= static_cast<int>(sizeof(buffer))) return std::string();
    return buffer;
}

std::string FirefoxName(int number) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "flash%03d", number);
    return buffer;
}

bool HasSwfSignature(const unsigned char* bytes, std::size_t length) {
    if (length < 3) return false;
    auto upper = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; };
    const unsigned char first = upper(bytes[0]);
    return (first == 'F' || first == 'C') && upper(bytes[1]) == 'W' && upper(bytes[2]) == 'S';
}

std::string TrimBackslashes(std::string_view text, const CodePage& cp) {
    // Leading backslashes are plain bytes; trailing ones only count where a
    // character starts, so a trail byte of 0x5C stays.
    std::size_t begin = 0;
    while (begin < text.size() && text[begin] == '\\') ++begin;
    std::string_view rest = text.substr(begin);
    std::size_t end = 0;
    for (std::size_t i = 0; i < rest.size(); i += cp.CharLength(rest, i))
        if (rest[i] != '\\') end = i + cp.CharLength(rest, i);
    return std::string(rest.substr(0, end));
}

std::string NavigateFolder(std::string_view currentFolder, std::string_view rowPath, std::string_view rowName,
                           const CodePage& cp) {
    std::string folder = TrimBackslashes(currentFolder, cp);
    if (rowPath == "..") {
        std::size_t slash = cp.FindLast(folder, '\\');
        if (slash != npos && slash != 0) {
            folder.resize(slash);
            if (folder.size() == 2) folder += '\\';
        }
        return folder;
    }
    return folder + "\\" + std::string(rowName);
}

}  // namespace fh
