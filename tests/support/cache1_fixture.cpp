#include "support/cache1_fixture.h"

#include <zlib.h>

#include "caches/firefox_cache1.h"
#include "support/swf_writer.h"

namespace fh::test {

std::uint32_t Block(std::uint32_t file, std::uint32_t first, std::uint32_t count) {
    return 0x80000000u | file << 28 | (count - 1) << 24 | first;
}
// The file size field of a separate file's location is left 0: no reader needs it.
std::uint32_t Separate(std::uint32_t generation) { return 0x80000000u | generation; }

// The shared cache's thirteen metadata entries and where their bodies are,
// found by hand: each entry begins a block with version 1.19, its blocks
// follow from its sizes, and each body by its content (the OCSP answers'
// DER lengths, the PNG and gzip signatures, a block's used bytes matching
// the data size; three sizes match the separate files exactly). Offsets:
// the bitmaps end at 16 384, 4 096 and 1 024.
const Stored kStored[13] = {
    {"HTTP:id=5b6160c9&uri=http://ocsp.digicert.com/", Block(1, 2, 2), Block(1, 0, 2), "_CACHE_001_", 16384, 471},
    {"HTTP:id=5b6160ca&uri=http://ocsp.digicert.com/", Block(1, 6, 2), Block(1, 4, 2), "_CACHE_001_", 17408, 471},
    {"HTTP:http://www.google.com/search?q=plaso+log2timeline&ie=utf-8&oe=utf-8&aq=t&rls=org.mozilla:en-US:official"
     "&client=firefox-a",
     Block(1, 8, 3), Separate(1), "9\\36\\DD708d01", 0, 21480},
    {"HTTP:http://www.google.com/xjs/_/js/k=xjs.hp.en.mpb1WB2NNYY.O/m=sb_he,d/rt=j/d=1/"
     "rs=ACT90oGih-7xKAMacGD5URLcVNRPtQs6JA",
     Block(1, 11, 3), Separate(1), "3\\3D\\ED165d01", 0, 52133},
    {"HTTP:http://www.google.com/images/nav_logo229.png", Block(1, 14, 2), Block(3, 0, 3), "_CACHE_003_", 1024, 12263},
    {"HTTP:http://clients1.google.com/generate_204", Block(1, 16, 1), 0, nullptr, 0, 0},
    {"HTTP:http://www.google.com/client_204?&atyp=i&biw=959&bih=617&ei=yGBhW66SLJLOwQLj46eADg", Block(1, 17, 2), 0,
     nullptr, 0, 0},
    {"HTTP:id=5b6160cb&uri=http://ocsp.pki.goog/GTSGIAG3", Block(1, 21, 2), Block(1, 19, 2), "_CACHE_001_", 21248, 463},
    {"HTTP:id=5b6160cc&uri=http://ocsp.pki.goog/gsr2", Block(1, 25, 2), Block(1, 23, 2), "_CACHE_001_", 22272, 468},
    {"HTTP:http://www.google.com/images/branding/product/ico/googleg_lodp.ico", Block(1, 27, 3), Block(2, 0, 2),
     "_CACHE_002_", 4096, 1494},
    {"HTTP:http://ssl.gstatic.com/gb/js/sem_c87908b20b80e337d7767b3e66715ee0.js", Block(1, 32, 3), Separate(1),
     "E\\1B\\DCD2Fd01", 0, 20631},
    {"HTTP:https://ssl.gstatic.com/gb/images/b_8d5afc09.png", Block(3, 6, 2), Block(3, 3, 3), "_CACHE_003_", 13312,
     9760},
    {"HTTP:https://sb-ssl.google.com/safebrowsing/newkey?client=navclient-auto-ffox&appver=4.0&pver=2.2",
     Block(3, 8, 2), Block(1, 30, 1), "_CACHE_001_", 24064, 154},
};

void PutBe32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}

// The map as Firefox writes it on closing: the header (version 1.19, entry
// count, dirty flag clear, 512 records in 32 buckets, eviction ranks, bucket
// usage), then the records (hash, eviction rank, data and metadata locations).
std::string CleanMap(const std::vector<Stored>& stored) {
    std::string map(276 + 512 * 16, '\0');
    PutBe32(map, 0, 0x00010013);
    PutBe32(map, 8, static_cast<std::uint32_t>(stored.size()));
    PutBe32(map, 16, 512);
    std::uint32_t usage[32] = {}, rank = 0;
    for (const Stored& s : stored) {
        const std::uint32_t hash = Cache1KeyHash(std::string(s.key)), bucket = hash % 32;
        const std::size_t at = 276 + (bucket * 16 + usage[bucket]++) * 16;
        PutBe32(map, at, hash);
        PutBe32(map, at + 4, ++rank);
        PutBe32(map, at + 8, s.data);
        PutBe32(map, at + 12, s.meta);
        PutBe32(map, 20 + bucket * 4, rank);
        PutBe32(map, 148 + bucket * 4, usage[bucket]);
    }
    return map;
}

// A movie of exactly `size` bytes: a metadata tag fills it out.
std::string MovieOfSize(std::size_t size) {
    test::SwfMovie movie;
    movie.tags = {{77, std::string(size - test::BuildSwf(movie).size() - 6, ' ')}};
    return test::BuildSwf(movie);
}

// gzip with one stored deflate block: the stream is the data and 23 bytes
// more, so a movie can fill a gzip body of a given stored size exactly.
std::string GzipStored(const std::string& data) {
    std::string out("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\xFF\x01", 11);
    const std::uint32_t size = static_cast<std::uint32_t>(data.size());
    const std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    for (std::uint32_t v : {size & 0xFFFF, ~size & 0xFFFF}) out += {static_cast<char>(v), static_cast<char>(v >> 8)};
    out += data;
    for (std::uint32_t v : {crc, size})
        for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
    return out;
}

// The record's url is the key's address: what follows "HTTP:", or "uri=".
std::string AddressOf(const Stored& s) { return std::string(s.key).substr(std::string(s.key).find("http")); }

Cache1Movies PutMoviesInCache1(std::map<std::string, std::string>& files, bool cleanMap) {
    const Stored &gzipped = kStored[kSearch], &plain = kStored[0];
    Cache1Movies movies;
    movies.separateUrl = AddressOf(gzipped);
    movies.blockUrl = AddressOf(plain);
    movies.separateMovie = MovieOfSize(static_cast<std::size_t>(gzipped.length) - 23);
    movies.blockMovie = MovieOfSize(static_cast<std::size_t>(plain.length));
    files[gzipped.file] = GzipStored(movies.separateMovie);
    files[plain.file].replace(static_cast<std::size_t>(plain.offset), static_cast<std::size_t>(plain.length),
                              movies.blockMovie);
    if (cleanMap) files["_CACHE_MAP_"] = CleanMap(std::vector<Stored>(std::begin(kStored), std::end(kStored)));
    return movies;
}

}  // namespace fh::test
