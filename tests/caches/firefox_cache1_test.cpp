// The Firefox cache1 reader on the cache dtformats shares (FLICKHOLD_PEER_CACHES):
// a copy taken while Firefox ran, whose map holds no records, as it is,
// with movies put in, with the map Firefox writes on closing, and damaged.

#include "caches/firefox_cache1.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>

#include "discovery/archive_scan.h"
#include "support/archive_folders.h"
#include "support/swf_writer.h"

namespace fh {
namespace {

using test::LoadFolder;
using test::MemoryFolder;

std::string Cache1Folder() {
    const char* peer = std::getenv("FLICKHOLD_PEER_CACHES");
    return peer ? std::string(peer) + "/dtformats/firefox_cache1/test_data/firefox_cache1" : "";
}

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
struct Stored {
    const char* key;
    std::uint32_t meta, data;
    const char* file;  // nothing: no body
    std::uint64_t offset, length;
};
const Stored kStored[] = {
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
const std::size_t kSearch = 2, kXjs = 3, kNavLogo = 4, kSem = 10;

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

const CacheRecord* FindBody(const CacheReading& reading, const Stored& s) {
    for (const CacheRecord& r : reading.records)
        if (r.file == s.file && r.offset == s.offset) return &r;
    return nullptr;
}

void ExpectInsideFiles(MemoryFolder& folder, const CacheReading& reading) {
    for (const CacheRecord& r : reading.records) {
        SCOPED_TRACE(r.url);
        auto file = folder.Open(r.file);
        ASSERT_TRUE(file && r.length);
        EXPECT_LE(r.offset, file->Size());
        EXPECT_LE(*r.length, file->Size() - std::min(r.offset, file->Size()));
    }
}

TEST(FirefoxCache1, DirtyCopyGivesTheBodiesInSeparateFiles) {
    ASSERT_FALSE(Cache1Folder().empty()) << "FLICKHOLD_PEER_CACHES names no fixtures";
    MemoryFolder folder = LoadFolder(Cache1Folder());
    ASSERT_EQ(276u, folder.files["_CACHE_MAP_"].size());
    EXPECT_TRUE(IsCache1Map(folder.files["_CACHE_MAP_"]));
    // Firefox named these files by the hash of the key in the block file.
    for (std::size_t i : {kSearch, kXjs, kSem})
        EXPECT_EQ(kStored[i].file, Cache1SeparateName(Cache1KeyHash(kStored[i].key), 'd', 1));
    const struct {
        std::size_t stored;
        std::size_t decoded;  // gunzipped by hand
        const char *contentType, *lastModified, *expires, *fetched;
    } kExpected[] = {
        {kSearch, 79778, "text/html; charset=UTF-8", "", "", "Wed, 01 Aug 2018 07:27:04 GMT"},
        {kXjs, 146908, "text/javascript; charset=UTF-8", "Fri, 27 Jul 2018 14:04:10 GMT",
         "Sat, 27 Jul 2019 14:40:40 GMT", "Wed, 01 Aug 2018 07:27:04 GMT"},
        {kSem, 56682, "text/javascript", "Wed, 18 Jul 2018 03:15:00 GMT", "Thu, 25 Jul 2019 13:31:08 GMT",
         "Wed, 01 Aug 2018 07:27:05 GMT"},
    };
    const std::vector<std::string> listing = {kStored[kSearch].file, kStored[kXjs].file, kStored[kSem].file};
    for (bool listed : {false, true}) {
        SCOPED_TRACE(listed ? "listed" : "guessed");
        const CacheReading reading = ReadFirefoxCache1(folder, listed ? listing : std::vector<std::string>());
        EXPECT_EQ(0, reading.damaged);
        ASSERT_EQ(std::size(kExpected), reading.records.size());
        for (const auto& e : kExpected) {
            const Stored& s = kStored[e.stored];
            SCOPED_TRACE(s.key);
            const CacheRecord* r = FindBody(reading, s);
            ASSERT_NE(nullptr, r);
            EXPECT_STREQ("Firefox cache1", r->kind);
            EXPECT_EQ(AddressOf(s), r->url);
            EXPECT_EQ(s.length, r->length);
            EXPECT_EQ(BodyEncoding::Gzip, r->encoding);
            EXPECT_EQ(e.contentType, r->contentType);
            EXPECT_EQ(ParseHttpDate(e.lastModified), r->lastModified);
            // The entry's expiry is the response's Expires; none for the search.
            EXPECT_EQ(ParseHttpDate(e.expires), r->expires);
            EXPECT_EQ(ParseHttpDate(e.fetched), r->lastAccess);
            const auto body = DecodeBody(test::StoredBody(folder, *r), r->encoding, 1u << 20);
            ASSERT_TRUE(body);
            EXPECT_EQ(e.decoded, body->size());
        }
        for (const char* name : {"_CACHE_MAP_", "_CACHE_001_", "_CACHE_002_", "_CACHE_003_", "9\\36\\DD708d01"})
            EXPECT_NE(reading.claimed.end(), std::find(reading.claimed.begin(), reading.claimed.end(), name)) << name;
    }
    // A metadata entry too large for the block files is a separate file,
    // found only through a listing; one whose key hashes to another name is
    // damaged.
    const std::string sem = folder.files["_CACHE_001_"].substr(24576);
    folder.files["_CACHE_001_"].replace(24576, sem.size(), sem.size(), '\0');
    folder.files["E\\1B\\DCD2Fm01"] = sem;
    folder.files["0\\00\\00000m01"] = sem;
    EXPECT_EQ(2u, ReadFirefoxCache1(folder).records.size());
    std::vector<std::string> separateFiles;
    for (const auto& file : folder.files)
        if (file.first.find('\\') != std::string::npos) separateFiles.push_back(file.first);
    const CacheReading listed = ReadFirefoxCache1(folder, separateFiles);
    EXPECT_EQ(1, listed.damaged);
    EXPECT_EQ(3u, listed.records.size());
    const CacheRecord* r = FindBody(listed, kStored[kSem]);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(AddressOf(kStored[kSem]), r->url);
    EXPECT_NE(listed.claimed.end(), std::find(listed.claimed.begin(), listed.claimed.end(), "E\\1B\\DCD2Fm01"));
}

TEST(FirefoxCache1, MoviesAreFoundInSeparateFilesAlwaysAndInBlocksThroughTheMap) {
    ASSERT_FALSE(Cache1Folder().empty()) << "FLICKHOLD_PEER_CACHES names no fixtures";
    MemoryFolder folder = LoadFolder(Cache1Folder());
    // The search page's body is gzip, 21 480 bytes stored; the first OCSP
    // answer's is identity, 471 bytes: movies take their places, stored as
    // the entries say, the entries left as Firefox wrote them.
    const Stored &gzipped = kStored[kSearch], &plain = kStored[0];
    const std::string inSeparate = MovieOfSize(gzipped.length - 23), inBlocks = MovieOfSize(plain.length);
    folder.files[gzipped.file] = GzipStored(inSeparate);
    ASSERT_EQ(gzipped.length, folder.files[gzipped.file].size());
    ASSERT_EQ(plain.length, inBlocks.size());
    folder.files[plain.file].replace(plain.offset, plain.length, inBlocks);
    auto movieAt = [&](const CacheReading& reading, const Stored& s) {
        const CacheRecord* r = FindBody(reading, s);
        if (!r) return std::string();
        EXPECT_EQ(AddressOf(s), r->url);
        return DecodeBody(test::StoredBody(folder, *r), r->encoding, 1u << 20).value_or("");
    };
    const CacheReading dirty = ReadFirefoxCache1(folder);
    EXPECT_EQ(inSeparate, movieAt(dirty, gzipped));
    EXPECT_EQ(nullptr, FindBody(dirty, plain));
    // The folder walk finds the cache inside a profile and lists the movies
    // it can tie to their addresses, with the cache's name.
    auto walked = [&](MemoryFolder& cache) {
        MemoryFolder profile;
        for (const auto& file : cache.files) profile.files["Profile\\Cache\\" + file.first] = file.second;
        std::vector<std::string> urls;
        for (const CacheRecord& r : ScanArchive(profile).movies) {
            EXPECT_STREQ("Firefox cache1", r.kind);
            urls.push_back(r.url);
        }
        std::sort(urls.begin(), urls.end());
        return urls;
    };
    EXPECT_EQ(std::vector<std::string>{AddressOf(gzipped)}, walked(folder));

    folder.files["_CACHE_MAP_"] = CleanMap(std::vector<Stored>(std::begin(kStored), std::end(kStored)));
    EXPECT_TRUE(IsCache1Map(folder.files["_CACHE_MAP_"]));
    const CacheReading clean = ReadFirefoxCache1(folder);
    EXPECT_EQ(0, clean.damaged);
    EXPECT_EQ(inSeparate, movieAt(clean, gzipped));
    EXPECT_EQ(inBlocks, movieAt(clean, plain));
    EXPECT_EQ((std::vector<std::string>{AddressOf(plain), AddressOf(gzipped)}), walked(folder));
    // Every entry with a body once, where it is, and nothing else.
    EXPECT_EQ(11u, clean.records.size());
    for (const Stored& s : kStored) {
        if (!s.file) continue;
        SCOPED_TRACE(s.key);
        const CacheRecord* r = FindBody(clean, s);
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(AddressOf(s), r->url);
        EXPECT_EQ(s.length, r->length);
    }
}

TEST(FirefoxCache1, DamageIsCountedAndNothingPointsOutside) {
    ASSERT_FALSE(Cache1Folder().empty()) << "FLICKHOLD_PEER_CACHES names no fixtures";
    const MemoryFolder whole = LoadFolder(Cache1Folder());
    using Damage = std::function<void(MemoryFolder&, std::vector<Stored>&)>;
    // A record's data moved elsewhere, the map written anew.
    auto dataAt = [](std::size_t record, std::uint32_t location) -> Damage {
        return [=](MemoryFolder& f, std::vector<Stored>& s) {
            s[record].data = location;
            f.files["_CACHE_MAP_"] = CleanMap(s);
        };
    };
    auto inFile = [](const char* name, std::function<void(std::string&)> change) -> Damage {
        return [=](MemoryFolder& f, std::vector<Stored>&) { change(f.files[name]); };
    };
    const struct {
        const char* what;
        Damage damage;
        std::size_t records;
        int damaged;
    } kCases[] = {
        // Entries from the one at block 14 on are cut, and the body at block 30.
        {"block file cut", inFile("_CACHE_001_", [](std::string& b) { b.resize(20000); }), 5, 8},
        {"block file zeroed", inFile("_CACHE_003_", [](std::string& b) { b.assign(b.size(), '\0'); }), 9, 2},
        {"separate file cut", inFile("9\\36\\DD708d01", [](std::string& b) { b.resize(1000); }), 10, 1},
        {"block past the bitmap", dataAt(0, Block(1, 0xFFFFF0, 4)), 10, 1},
        {"blocks past the end", dataAt(kNavLogo, Block(3, 9, 4)), 10, 1},
        {"body over its blocks", dataAt(kNavLogo, Block(3, 0, 1)), 10, 1},
        {"key size over the entry", inFile("_CACHE_001_", [](std::string& b) { PutBe32(b, 18432 + 28, 0xFFFFFFF0); }),
         10, 1},
        // Maps Firefox cannot have written: the scan still finds the three.
        {"huge record count", inFile("_CACHE_MAP_", [](std::string& b) { PutBe32(b, 16, 0x7FFFFFFF); }), 3, 1},
        {"clean map without records", inFile("_CACHE_MAP_", [](std::string& b) { b.resize(276); }), 3, 1},
        {"map zeroed", inFile("_CACHE_MAP_", [](std::string& b) { b.assign(b.size(), '\0'); }), 0, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        MemoryFolder folder = whole;
        std::vector<Stored> stored(std::begin(kStored), std::end(kStored));
        folder.files["_CACHE_MAP_"] = CleanMap(stored);
        c.damage(folder, stored);
        const CacheReading reading = ReadFirefoxCache1(folder);
        EXPECT_EQ(c.records, reading.records.size());
        EXPECT_EQ(c.damaged, reading.damaged);
        ExpectInsideFiles(folder, reading);
    }
}

}  // namespace
}  // namespace fh
