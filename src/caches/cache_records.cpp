#include "caches/cache_records.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace fh {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::uint32_t Le32(std::string_view b, std::size_t at) {
    if (at > b.size() || b.size() - at < 4) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

std::uint64_t Le64(std::string_view b, std::size_t at) {
    if (at > b.size() || b.size() - at < 8) return 0;
    return Le32(b, at) | (static_cast<std::uint64_t>(Le32(b, at + 4)) << 32);
}

std::uint32_t Be32(std::string_view b, std::size_t at) {
    if (at > b.size() || b.size() - at < 4) return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

std::string HeaderValue(std::string_view headers, std::string_view name) {
    std::size_t pos = 0;
    while (pos < headers.size()) {
        std::size_t end = headers.find_first_of(std::string_view("\n\0", 2), pos);
        if (end == std::string_view::npos) end = headers.size();
        const std::string_view line = headers.substr(pos, end - pos);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualNoCase(Trim(line.substr(0, colon)), name))
            return std::string(Trim(line.substr(colon + 1)));
        pos = end + 1;
    }
    return std::string();
}

BodyEncoding EncodingOf(std::string_view headers) {
    const std::string value = HeaderValue(headers, "Content-Encoding");
    if (EqualNoCase(value, "gzip") || EqualNoCase(value, "x-gzip")) return BodyEncoding::Gzip;
    if (EqualNoCase(value, "deflate")) return BodyEncoding::Deflate;
    return BodyEncoding::Identity;
}

std::int64_t ParseHttpDate(std::string_view text) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    // "Tue, 15 Mar 2011 09:30:00 GMT": the weekday is not needed.
    const std::size_t comma = text.find(',');
    if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
    text = Trim(text);
    unsigned day = 0, year = 0, hour = 0, minute = 0, second = 0, month = 0;
    char name[4] = "";
    std::size_t i = 0;
    auto number = [&](unsigned& out, std::size_t maxDigits) {
        std::size_t n = 0;
        out = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && n < maxDigits) out = out * 10 + (text[i++] - '0'), ++n;
        return n > 0;
    };
    auto skip = [&](char c) {
        if (i < text.size() && text[i] == c) return ++i, true;
        return false;
    };
    if (!number(day, 2) || !skip(' ') || text.size() < i + 3) return 0;
    for (int k = 0; k < 3; ++k) name[k] = Lower(text[i++]);
    for (unsigned m = 0; m < 12; ++m)
        if (std::strcmp(name, kMonths[m]) == 0) month = m + 1;
    if (!month || !skip(' ') || !number(year, 4) || !skip(' ') || !number(hour, 2) || !skip(':') ||
        !number(minute, 2) || !skip(':') || !number(second, 2))
        return 0;
    if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 || year < 1970) return 0;
    return SecondsFromCivil(static_cast<int>(year), month, day, hour, minute, second);
}

std::int64_t SecondsFromCivil(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::int64_t FromFileTime(std::uint64_t ticks) {
    const std::int64_t seconds = static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
    return ticks == 0 || seconds < 0 ? 0 : seconds;
}

std::string AddressFromCacheKey(std::string_view key) {
    // Chromium: the address is the last space-separated part.
    const std::size_t space = key.rfind(' ');
    if (space != std::string_view::npos) key.remove_prefix(space + 1);
    // Firefox: the attributes end with "," each (their values are escaped),
    // and the address follows the ":" after them.
    if (!key.empty() && key[0] == ':') {
        key.remove_prefix(1);
    } else if (const std::size_t marker = key.find(",:"); marker != std::string_view::npos) {
        key.remove_prefix(marker + 2);
    }
    const std::size_t scheme = key.find("://");
    if (scheme == std::string_view::npos || scheme == 0) return std::string();
    for (std::size_t i = 0; i < scheme; ++i) {
        const char c = Lower(key[i]);
        const bool letter = c >= 'a' && c <= 'z';
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return std::string();
    }
    return std::string(key);
}

namespace {

// Inflates with zlib's header detection (`bits`); stops past `limit` bytes
// of output. The status says how the stream ended.
int Inflate(std::string_view body, int bits, std::size_t limit, std::string& out) {
    z_stream z{};
    if (inflateInit2(&z, bits) != Z_OK) return Z_MEM_ERROR;
    char chunk[16384];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(body.size(), 0x7FFFFFFF));
    int status = Z_OK;
    while (status == Z_OK && out.size() <= limit) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        status = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, sizeof chunk - z.avail_out);
        if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0) status = Z_BUF_ERROR;
    }
    inflateEnd(&z);
    return status;
}

// gzip: the header detected by zlib; deflate: the zlib wrapper, or raw as
// some servers send it.
std::initializer_list<int> WindowBits(BodyEncoding encoding) {
    static const std::initializer_list<int> gzip = {16 + 15}, deflate = {15, -15};
    return encoding == BodyEncoding::Gzip ? gzip : deflate;
}

}  // namespace

std::optional<std::string> DecodeBody(std::string_view body, BodyEncoding encoding, std::size_t limit) {
    if (encoding == BodyEncoding::Identity) {
        if (body.size() > limit) return std::nullopt;
        return std::string(body);
    }
    for (int bits : WindowBits(encoding)) {
        std::string out;
        if (Inflate(body, bits, limit, out) == Z_STREAM_END && out.size() <= limit) return out;
    }
    return std::nullopt;
}

namespace {

// A deflate body with the zlib wrapper, or raw as some servers send it: the
// wrapper's first two bytes name the method and check themselves.
int DeflateBits(std::string_view head) {
    if (head.size() < 2) return -15;
    const unsigned a = static_cast<unsigned char>(head[0]), b = static_cast<unsigned char>(head[1]);
    return (a & 0x0F) == 8 && ((a << 8) | b) % 31 == 0 ? 15 : -15;
}

}  // namespace

StreamEnd StreamBody(CacheFile& file, std::uint64_t offset, std::uint64_t length, BodyEncoding encoding,
                     std::uint64_t limit, const std::function<bool(std::string_view)>& sink) {
    constexpr std::size_t kPiece = 64 * 1024;
    const std::uint64_t size = file.Size();
    if (offset > size || length > size - offset) return StreamEnd::Broken;
    if (encoding == BodyEncoding::Identity) {
        if (length > limit) return StreamEnd::OverLimit;
        for (std::uint64_t done = 0; done < length;) {
            const std::string piece =
                file.ReadAt(offset + done, static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - done)));
            if (piece.empty()) return StreamEnd::Broken;
            if (!sink(piece)) return StreamEnd::Stopped;
            done += piece.size();
        }
        return StreamEnd::Whole;
    }
    std::string piece = file.ReadAt(offset, static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length)));
    z_stream z{};
    const int bits = encoding == BodyEncoding::Gzip ? 16 + 15 : DeflateBits(piece);
    if (inflateInit2(&z, bits) != Z_OK) return StreamEnd::Broken;
    std::uint64_t read = piece.size(), written = 0;
    std::string out(kPiece, '\0');
    StreamEnd end = StreamEnd::Broken;
    z.next_in = reinterpret_cast<Bytef*>(piece.data());
    z.avail_in = static_cast<uInt>(piece.size());
    for (;;) {
        if (z.avail_in == 0 && read < length) {
            piece = file.ReadAt(offset + read, static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - read)));
            if (piece.empty()) break;
            read += piece.size();
            z.next_in = reinterpret_cast<Bytef*>(piece.data());
            z.avail_in = static_cast<uInt>(piece.size());
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        const int status = inflate(&z, Z_NO_FLUSH);
        const std::size_t got = out.size() - z.avail_out;
        if (got > limit - written) {
            end = StreamEnd::OverLimit;
            break;
        }
        written += got;
        if (got && !sink(std::string_view(out.data(), got))) {
            end = StreamEnd::Stopped;
            break;
        }
        if (status == Z_STREAM_END) {
            end = StreamEnd::Whole;
            break;
        }
        // No progress with input left, or none left at all: the stream is cut or bad.
        if ((status != Z_OK && status != Z_BUF_ERROR) || (got == 0 && z.avail_in == 0 && read >= length)) break;
        if (status == Z_BUF_ERROR && got == 0 && z.avail_in != 0) break;
    }
    inflateEnd(&z);
    return end;
}

std::string DecodedPrefix(CacheFile& file, std::uint64_t offset, std::uint64_t length, BodyEncoding encoding,
                          std::size_t count) {
    constexpr std::size_t kFirst = 4096;
    const std::uint64_t size = file.Size();
    if (offset > size) return std::string();
    length = std::min(length, size - offset);
    if (encoding == BodyEncoding::Identity)
        return file.ReadAt(offset, static_cast<std::size_t>(std::min<std::uint64_t>(length, count)));
    // What was read, kept for the second way of reading a deflate body; each
    // piece as long as all before it.
    std::string input;
    std::string out(count, '\0');
    for (int bits : WindowBits(encoding)) {
        z_stream z{};
        if (inflateInit2(&z, bits) != Z_OK) return std::string();
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(count);
        std::size_t fed = 0;
        int status = Z_OK;
        while (status == Z_OK && z.avail_out != 0) {
            if (fed == input.size()) {
                if (input.size() >= length) break;
                const std::uint64_t want =
                    std::min<std::uint64_t>(std::max(kFirst, input.size()), length - input.size());
                const std::string piece = file.ReadAt(offset + input.size(), static_cast<std::size_t>(want));
                if (piece.empty()) break;
                input += piece;
            }
            z.next_in = reinterpret_cast<Bytef*>(input.data() + fed);
            z.avail_in = static_cast<uInt>(input.size() - fed);
            status = inflate(&z, Z_NO_FLUSH);
            fed = input.size() - z.avail_in;
        }
        const bool whole = z.avail_out == 0;
        inflateEnd(&z);
        if (whole) return out;
    }
    return std::string();
}

}  // namespace fh
