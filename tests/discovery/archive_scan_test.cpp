// The offline cache readers on caches real browsers wrote
// (FLICKHOLD_REAL_CACHES: the unpacked fixtures) and on damaged copies.

#include "discovery/archive_scan.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/archive_folders.h"

namespace fh {
namespace {

using test::LoadFolder;
using test::MemoryFolder;

const struct {
    const char* url;
    const char* original;
} kMovies[] = {
    {"http://127.0.0.1:18765/movies/tiny_fws.swf", "tiny_fws.swf"},
    {"http://localhost:18765/games/small_cws.swf?level=2&v=3", "small_cws.swf"},
    {"http://cdn.example.test:18765/media/big_fws.swf", "big_fws.swf"},
    {"http://127.0.0.1:18765/gz/gz_fws.swf", "gz_fws.swf"},
    {"http://localhost:18765/play/movie", "noext_fws"},
    {"http://cdn.example.test:18765/vendor/video-js/video-js.swf", "video-js.swf"},
    {"http://localhost:18765/lib/ZeroClipboard.swf", "ZeroClipboard.swf"},
};

const struct {
    const char* fixture;
    const char* kind;
} kCaches[] = {
    {"chromium-simple", "Chromium simple"},
    {"chromium-blockfile", "Chromium block-file"},
    {"firefox-cache2", "Firefox cache2"},
    {"ie-wine-index-dat", "IE index.dat"},
};

std::string RealCaches() {
    const char* folder = std::getenv("FLICKHOLD_REAL_CACHES");
    return folder ? folder : "";
}

const CacheRecord* Find(const ArchiveScan& scan, const std::string& url) {
    for (const CacheRecord& r : scan.movies)
        if (r.url == url) return &r;
    return nullptr;
}

// Every movie found, decoded, is byte for byte the movie that was served.
void ExpectAllMovies(MemoryFolder& folder, MemoryFolder& originals, const char* kind) {
    const ArchiveScan scan = ScanArchive(folder);
    EXPECT_EQ(0, scan.damaged);
    EXPECT_EQ(std::size(kMovies), scan.movies.size());
    for (const auto& movie : kMovies) {
        SCOPED_TRACE(movie.url);
        const CacheRecord* r = Find(scan, movie.url);
        ASSERT_NE(nullptr, r);
        EXPECT_STREQ(kind, r->kind);
        const std::optional<std::string> body = DecodeBody(test::StoredBody(folder, *r), r->encoding, 64u << 20);
        ASSERT_TRUE(body);
        EXPECT_EQ(originals.files[movie.original], *body);
        EXPECT_EQ(ParseHttpDate("Tue, 15 Mar 2011 09:30:00 GMT"), r->lastModified);
    }
}

TEST(ArchiveScan, RealBrowserCachesGiveEveryMovieWithItsAddress) {
    ASSERT_FALSE(RealCaches().empty()) << "FLICKHOLD_REAL_CACHES names no fixtures";
    MemoryFolder originals = LoadFolder(RealCaches() + "/originals");
    for (const auto& cache : kCaches) {
        SCOPED_TRACE(cache.fixture);
        MemoryFolder folder = LoadFolder(RealCaches() + "/" + cache.fixture);
        ExpectAllMovies(folder, originals, cache.kind);
        if (std::string(cache.fixture) == "ie-wine-index-dat") {
            // Internet Explorer's own signature, with the same layout.
            folder.files["Content.IE5\\index.dat"] = folder.files["derived\\index.dat.mmf52"];
            ExpectAllMovies(folder, originals, cache.kind);
        }
    }
    // A movie no reader knows is found by its first bytes, without an address.
    MemoryFolder loose;
    loose.files["deep\\er\\blob"] = originals.files["tiny_fws.swf"];
    loose.files["deep\\note.txt"] = "FW";
    const ArchiveScan scan = ScanArchive(loose);
    ASSERT_EQ(1u, scan.movies.size());
    EXPECT_STREQ("signature", scan.movies[0].kind);
    EXPECT_EQ("deep\\er\\blob", scan.movies[0].file);
}

TEST(ArchiveScan, DamagedCachesLoseOnlyWhatIsDamaged) {
    ASSERT_FALSE(RealCaches().empty()) << "FLICKHOLD_REAL_CACHES names no fixtures";
    for (const auto& cache : kCaches) {
        SCOPED_TRACE(cache.fixture);
        const MemoryFolder whole = LoadFolder(RealCaches() + "/" + cache.fixture);
        for (const auto& file : whole.files) {
            // Cut short, zeroed from the middle, and a header bitten off.
            for (int way = 0; way < 3; ++way) {
                SCOPED_TRACE(file.first + " way " + std::to_string(way));
                MemoryFolder damaged = whole;
                std::string& bytes = damaged.files[file.first];
                if (way == 0) bytes.resize(bytes.size() / 3);
                if (way == 1) std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2), bytes.end(), '\0');
                if (way == 2) bytes.erase(0, std::min<std::size_t>(bytes.size(), 7));
                const ArchiveScan scan = ScanArchive(damaged);
                EXPECT_LE(scan.movies.size(), std::size(kMovies) + 1);
                for (const CacheRecord& r : scan.movies) DecodeBody(test::StoredBody(damaged, r), r.encoding, 1u << 20);
            }
        }
    }
    // A block-file chain that comes back to its own entry ends.
    MemoryFolder looped = LoadFolder(RealCaches() + "/chromium-blockfile");
    std::string& data1 = looped.files["Cache_Data\\data_1"];
    for (std::size_t entry : {8704u, 8960u}) {
        const char self[4] = {static_cast<char>(0x02 + (entry - 8704) / 256), 0x00, 0x01, static_cast<char>(0xA0)};
        data1.replace(entry + 4, 4, self, 4);
    }
    EXPECT_EQ(std::size(kMovies), ScanArchive(looped).movies.size());
    // An index.dat cache folder named ".." would lead out of the cache.
    MemoryFolder ie = LoadFolder(RealCaches() + "/ie-wine-index-dat");
    ie.files["Content.IE5\\index.dat"].replace(0x4C + 4, 8, std::string("..\0\0\0\0\0\0", 8));
    const ArchiveScan escaped = ScanArchive(ie);
    EXPECT_GT(escaped.damaged, 0);
    for (const CacheRecord& r : escaped.movies) EXPECT_EQ(std::string::npos, r.file.find("..")) << r.file;
}

TEST(CacheRecords, KeysDatesAndEncodings) {
    EXPECT_EQ("http://a.com/x.swf", AddressFromCacheKey("1/0/_dk_http://a.com http://a.com http://a.com/x.swf"));
    EXPECT_EQ("http://a.com/x.swf", AddressFromCacheKey("O^partitionKey=%28http%2Ca.com%29,a,~FETCH,:http://a.com/x.swf"));
    EXPECT_EQ("http://a.com/x.swf", AddressFromCacheKey(":http://a.com/x.swf"));
    EXPECT_EQ("", AddressFromCacheKey(":about:home"));
    EXPECT_EQ("", AddressFromCacheKey("1x://nothing"));
    EXPECT_EQ(1300181400, ParseHttpDate("Tue, 15 Mar 2011 09:30:00 GMT"));
    EXPECT_EQ(0, ParseHttpDate("Tue, 15 Mxx 2011 09:30:00 GMT"));
    EXPECT_EQ("gzip", HeaderValue(std::string("HTTP/1.1 200 OK\0content-encoding:  gzip \0\0", 42), "Content-Encoding"));
    // A stream that decodes to more than the limit is refused, not cut.
    EXPECT_FALSE(DecodeBody("not gzip", BodyEncoding::Gzip, 1000));
    EXPECT_EQ("abc", DecodeBody("abc", BodyEncoding::Identity, 3));
    EXPECT_FALSE(DecodeBody("abcd", BodyEncoding::Identity, 3));
}

}  // namespace
}  // namespace fh
