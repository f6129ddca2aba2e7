// The Firefox cache1 reader on the cache dtformats shares (FLICKHOLD_PEER_CACHES):
// a copy taken while Firefox ran, whose map holds no records, as it is,
// with movies put in, with the map Firefox writes on closing, and damaged.

#include "caches/firefox_cache1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>

#include "discovery/archive_scan.h"
#include "support/archive_folders.h"
#include "support/cache1_fixture.h"

namespace fh {
namespace {

using namespace fh::test;

std::string Cache1Folder() {
    const char* peer = std::getenv("FLICKHOLD_PEER_CACHES");
    return peer ? std::string(peer) + "/dtformats/firefox_cache1/test_data/firefox_cache1" : "";
}

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
    const Cache1Movies movies = PutMoviesInCache1(folder.files, false);
    const std::string &inSeparate = movies.separateMovie, &inBlocks = movies.blockMovie;
    ASSERT_EQ(gzipped.length, folder.files[gzipped.file].size());
    ASSERT_EQ(plain.length, inBlocks.size());
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
