#pragma once
// The Firefox disk cache (before cache2) that dtformats shares, as the tests
// and the bench use it: its thirteen metadata entries and where their bodies
// lie, the map Firefox writes on closing, and movies put into it the way
// Firefox would have stored them.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fh::test {

// A location in the map: a run of blocks in block file 1 to 3, or a
// separate file of a generation.
std::uint32_t Block(std::uint32_t file, std::uint32_t first, std::uint32_t count);
std::uint32_t Separate(std::uint32_t generation);

// One metadata entry of the shared cache and its body (no file: no body).
struct Stored {
    const char* key;
    std::uint32_t meta, data;
    const char* file;
    std::uint64_t offset, length;
};
extern const Stored kStored[13];
// The search page (gzip, a separate file), the script in another separate
// file, the logo in _CACHE_003_, the script in a third separate file.
constexpr std::size_t kSearch = 2, kXjs = 3, kNavLogo = 4, kSem = 10;

// A big-endian number written over four bytes of `out`.
void PutBe32(std::string& out, std::size_t at, std::uint32_t v);
// The map as Firefox writes it on closing, with records for `stored`.
std::string CleanMap(const std::vector<Stored>& stored);
// A movie of exactly `size` bytes.
std::string MovieOfSize(std::size_t size);
// gzip with one stored deflate block: the data and 23 bytes more.
std::string GzipStored(const std::string& data);
// The address in an entry's key.
std::string AddressOf(const Stored& s);

// Puts two movies into the cache's files (by relative name): one as the
// search page's gzip body in its separate file, one as the first OCSP
// answer's body in _CACHE_001_, each of the exact size the entry gives;
// with `cleanMap` the map Firefox writes on closing replaces the dirty one.
struct Cache1Movies {
    std::string separateUrl, separateMovie;
    std::string blockUrl, blockMovie;
};
Cache1Movies PutMoviesInCache1(std::map<std::string, std::string>& files, bool cleanMap);

}  // namespace fh::test
