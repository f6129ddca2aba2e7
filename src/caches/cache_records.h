#pragma once
// What the offline cache readers find: one record per stored response, with
// its address, where its body sits (a file of its own, or a part of a shared
// file) and how it was stored. The readers work on a folder through
// CacheFolder, so that they run on copies from any machine and in tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fh {

enum class BodyEncoding { Identity, Gzip, Deflate };

// The most a movie taken out of a cache may be, stored or decoded: far
// inside what a 32-bit process can address, far above any real movie.
constexpr std::uint64_t kMaxMovieBody = 128u << 20;

struct CacheRecord {
    const char* kind = "";  // the cache's format, as the CSV names it
    std::string url;
    std::string file;  // the body's file, relative to the folder read ("\\"-separated)
    std::uint64_t offset = 0;
    std::optional<std::uint64_t> length;  // none: to the end of the file
    BodyEncoding encoding = BodyEncoding::Identity;
    std::string contentType;
    // Seconds since 1970; 0 where the cache did not say.
    std::int64_t lastModified = 0, lastAccess = 0, expires = 0;
    // Filled in by the folder walk for a movie: its size once decoded, and
    // whether that is beyond kMaxMovieBody (the movie is listed, not taken out).
    std::uint64_t movieSize = 0;
    bool movieCut = false;
};

// What a reader made of its cache: the records, and how many it had to
// skip as damaged (cut, out of bounds, looping).
struct CacheReading {
    std::vector<CacheRecord> records;
    int damaged = 0;
    // Files the reader took as parts of its cache (its index and data
    // files), relative to the folder: no signature scan lists them again.
    std::vector<std::string> claimed;
};

// Random access to one file of a cache.
class CacheFile {
public:
    virtual ~CacheFile() = default;
    virtual std::uint64_t Size() const = 0;
    // Up to `count` bytes at `offset`; fewer at the end, none on failure.
    virtual std::string ReadAt(std::uint64_t offset, std::size_t count) = 0;
};

// The files of the folder a reader works on.
class CacheFolder {
public:
    virtual ~CacheFolder() = default;
    // The file by its relative name ("\\"-separated), or nothing.
    virtual std::unique_ptr<CacheFile> Open(const std::string& name) = 0;
};

// Little- and big-endian numbers in a byte string; 0 past its end.
std::uint32_t Le32(std::string_view bytes, std::size_t at);
std::uint64_t Le64(std::string_view bytes, std::size_t at);
std::uint32_t Be32(std::string_view bytes, std::size_t at);

// A field of HTTP response headers ("Name: value" lines, separated by CR LF
// or NUL), case-insensitive; empty when absent.
std::string HeaderValue(std::string_view headers, std::string_view name);
BodyEncoding EncodingOf(std::string_view headers);
// An HTTP date ("Tue, 15 Mar 2011 09:30:00 GMT") in seconds since 1970, or 0.
std::int64_t ParseHttpDate(std::string_view text);
// A UTC date and time in seconds since 1970 (proleptic Gregorian).
std::int64_t SecondsFromCivil(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second);
// A FILETIME's 100-ns ticks since 1601 in seconds since 1970, or 0.
std::int64_t FromFileTime(std::uint64_t ticks);

// The address in a browser's cache key: Chromium puts partition sites
// before it ("1/0/_dk_<site> <site> <address>"), Firefox origin attributes
// ("O^partitionKey=...,a,:<address>"). Empty when there is none.
std::string AddressFromCacheKey(std::string_view key);

// Decodes a gzip or deflate body, at most `limit` bytes of output; nothing
// when the data is not such a stream (or decodes to more than the limit).
std::optional<std::string> DecodeBody(std::string_view body, BodyEncoding encoding, std::size_t limit);
// The first `count` bytes the (perhaps cut) gzip or deflate body stored at
// `offset` of the file decodes to, or nothing. It reads a piece at a time
// while the decoding wants more to give them, at most `length` bytes: a gzip
// member's header may carry a name, comment or extra field of any length
// before its data.
std::string DecodedPrefix(CacheFile& file, std::uint64_t offset, std::uint64_t length, BodyEncoding encoding,
                          std::size_t count);

// How a body streamed through its decoding ended.
enum class StreamEnd {
    Whole,      // every byte, and the encoded stream ended where it should
    OverLimit,  // it decodes to more than the limit
    Broken,     // the stored bytes end early or are no such stream
    Stopped,    // the sink asked to stop
};
// Streams the body stored at `offset` (`length` bytes) of the file through
// its decoding into `sink`, a piece at a time, so that no whole body is ever
// held; at most `limit` decoded bytes. The sink returns false to stop.
StreamEnd StreamBody(CacheFile& file, std::uint64_t offset, std::uint64_t length, BodyEncoding encoding,
                     std::uint64_t limit, const std::function<bool(std::string_view)>& sink);

}  // namespace fh
