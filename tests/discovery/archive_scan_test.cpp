// The offline cache readers on caches real browsers wrote
// (FLICKHOLD_REAL_CACHES: the unpacked fixtures) and on damaged copies.

#include "discovery/archive_scan.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/codepage.h"

#include "support/archive_folders.h"
#include "support/cache_writer.h"
#include "support/swf_writer.h"

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

TEST(ArchiveScan, NamesOfDevicesAreNeverOpened) {
    // A folder that notes what is opened.
    struct Watched : MemoryFolder {
        std::vector<std::string> opened;
        std::unique_ptr<CacheFile> Open(const std::string& name) override {
            opened.push_back(name);
            return MemoryFolder::Open(name);
        }
    };
    ASSERT_FALSE(RealCaches().empty()) << "FLICKHOLD_REAL_CACHES names no fixtures";
    Watched folder;
    static_cast<MemoryFolder&>(folder) = LoadFolder(RealCaches() + "/ie-wine-index-dat");
    std::string& index = folder.files["Content.IE5\\index.dat"];
    // Two records now name devices, their files still there under those names.
    for (const char* from : {"tiny_fws[0].swf", "big_fws[0].swf"}) {
        const std::size_t at = index.find(from);
        ASSERT_NE(std::string::npos, at) << from;
        const std::string device = from[0] == 't' ? std::string("COM1\0", 5) : std::string("aux.htm\0", 8);
        index.replace(at, device.size(), device);
    }
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"S8R7WIPM\\tiny_fws[0].swf", "S8R7WIPM\\COM1"},
                                   {"4WWA65CD\\big_fws[0].swf", "4WWA65CD\\aux.htm"}}) {
        folder.files["Content.IE5\\" + to] = folder.files["Content.IE5\\" + from];
        folder.files.erase("Content.IE5\\" + from);
    }
    folder.files["loose\\CON"] = "FWS";
    folder.files["loose\\lpt1.swf"] = "FWS";
    const ArchiveScan scan = ScanArchive(folder);
    for (const std::string& name : folder.opened) {
        const std::string last = name.substr(name.rfind('\\') + 1);
        EXPECT_FALSE(IsDeviceName(last, CodePage())) << name;
    }
    // The records and the four files are counted as damaged; the rest is listed.
    EXPECT_EQ(6, scan.damaged);
    EXPECT_EQ(std::size(kMovies) - 2, scan.movies.size());
}

TEST(CacheRecords, BodiesStreamThroughTheirDecodingWithinTheLimit) {
    std::string movie = "FWS";
    for (int i = 0; movie.size() < 300000; ++i) movie += std::to_string(i * 7919);
    MemoryFolder folder;
    folder.files["gzip"] = "head" + test::Gzip(movie);
    folder.files["zlib"] = test::ZlibCompress(movie);
    folder.files["raw"] = folder.files["zlib"].substr(2);
    folder.files["cut"] = folder.files["gzip"].substr(0, folder.files["gzip"].size() / 2);
    folder.files["plain"] = movie;
    const struct {
        const char* file;
        std::uint64_t offset;
        BodyEncoding encoding;
        std::uint64_t limit;
        StreamEnd end;
    } cases[] = {
        {"gzip", 4, BodyEncoding::Gzip, movie.size(), StreamEnd::Whole},
        {"zlib", 0, BodyEncoding::Deflate, movie.size(), StreamEnd::Whole},
        {"raw", 0, BodyEncoding::Deflate, movie.size(), StreamEnd::Whole},
        {"plain", 0, BodyEncoding::Identity, movie.size(), StreamEnd::Whole},
        {"gzip", 4, BodyEncoding::Gzip, movie.size() - 1, StreamEnd::OverLimit},
        {"plain", 0, BodyEncoding::Identity, 1000, StreamEnd::OverLimit},
        {"cut", 4, BodyEncoding::Gzip, movie.size(), StreamEnd::Broken},
        {"plain", 0, BodyEncoding::Gzip, movie.size(), StreamEnd::Broken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " to " + std::to_string(c.limit));
        auto file = folder.Open(c.file);
        std::string out;
        const StreamEnd end = StreamBody(*file, c.offset, file->Size() - c.offset, c.encoding, c.limit,
                                         [&](std::string_view piece) {
                                             out += piece;
                                             return true;
                                         });
        EXPECT_EQ(c.end, end);
        EXPECT_LE(out.size(), c.limit);
        EXPECT_TRUE(c.end != StreamEnd::Whole || out == movie);
    }
    // Lengths that reach past the file, also where adding them would wrap.
    auto gzip = folder.Open("gzip");
    const auto keep = [](std::string_view) { return true; };
    EXPECT_EQ(StreamEnd::Broken, StreamBody(*gzip, 4, gzip->Size(), BodyEncoding::Gzip, 1u << 20, keep));
    EXPECT_EQ(StreamEnd::Broken, StreamBody(*gzip, 4, ~std::uint64_t(0) - 2, BodyEncoding::Gzip, 1u << 20, keep));
    EXPECT_EQ(StreamEnd::Stopped,
              StreamBody(*gzip, 4, gzip->Size() - 4, BodyEncoding::Gzip, 1u << 20, [](std::string_view) { return false; }));
}

TEST(ArchiveScan, EncodedMoviesAreSizedWithoutDecodingWholeAndListedCutPastTheCap) {
    const std::string gzip = "Content-Encoding: gzip\r\n";
    std::string fws = "FWS\x0A" + std::string(4, '\0') + std::string(50000, 'x');
    fws[4] = static_cast<char>(fws.size() & 0xFF);
    fws[5] = static_cast<char>(fws.size() >> 8);
    const std::string cws = "CWS\x0A\x10\x27\0\0" + std::string(30000, 'c');
    // An uncompressed movie whose header says 300 MB: listed from its header, cut.
    std::string huge = "FWS\x0A" + std::string(4, '\0') + std::string(1000, 'h');
    huge[7] = 0x12;  // 0x12000000 bytes
    MemoryFolder folder;
    const std::string entries = "Profile\\cache2\\entries\\";
    folder.files[entries + std::string(40, 'A')] = test::Cache2EntryFile(test::Gzip(fws), "http://a.test/f.swf", gzip);
    // Entries are known by their structure wherever a copy put them.
    folder.files[std::string(40, 'b')] = test::Cache2EntryFile(test::Gzip(cws), "http://a.test/c.swf", gzip);
    folder.files["Profile\\cache2\\" + std::string(40, 'C')] =
        test::Cache2EntryFile(test::Gzip(huge), "http://a.test/h.swf", gzip);
    // A key size that wraps a 32-bit sum of its offset and length: damaged,
    // its movie found by its signature alone.
    folder.files[entries + std::string(40, 'D')] =
        test::Cache2EntryFile(fws, "http://a.test/wrap.swf", std::string(), 0xFFFFFFE0u);
    const ArchiveScan scan = ScanArchive(folder);
    EXPECT_EQ(1, scan.damaged);
    const struct {
        const char* url;
        std::uint64_t size;
        bool cut;
    } expected[] = {{"http://a.test/f.swf", fws.size(), false},
                    {"http://a.test/c.swf", cws.size(), false},
                    {"http://a.test/h.swf", 0x12000000u, true}};
    ASSERT_EQ(std::size(expected) + 1, scan.movies.size());
    EXPECT_STREQ("signature", scan.movies.back().kind);
    EXPECT_EQ("", scan.movies.back().url);
    for (const auto& e : expected) {
        SCOPED_TRACE(e.url);
        const CacheRecord* r = Find(scan, e.url);
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(e.size, r->movieSize);
        EXPECT_EQ(e.cut, r->movieCut);
    }
}

// A gzip header may carry a comment (or a name, or an extra field) of many
// kilobytes before the compressed data: the scan decodes on past it to see
// the signature (it looked at the first 4 KB alone, and dropped the movie).
TEST(ArchiveScan, GzipBodiesWithLongHeadersAreListed) {
    const std::string gzip = "Content-Encoding: gzip\r\n";
    std::string fws = "FWS\x0A" + std::string(4, '\0') + std::string(50000, 'x');
    fws[4] = static_cast<char>(fws.size() & 0xFF);
    fws[5] = static_cast<char>(fws.size() >> 8);
    const std::string cws = "CWS\x0A\x10\x27\0\0" + std::string(30000, 'c');
    const std::string comment(20000, 'n');
    MemoryFolder folder;
    const std::string entries = "Profile\\cache2\\entries\\";
    folder.files[entries + std::string(40, 'A')] =
        test::Cache2EntryFile(test::Gzip(fws, 0, comment), "http://a.test/f.swf", gzip);
    folder.files[entries + std::string(40, 'B')] =
        test::Cache2EntryFile(test::Gzip(cws, 0, comment), "http://a.test/c.swf", gzip);
    // Past 256 KB of header the body is taken for no movie.
    folder.files[entries + std::string(40, 'C')] =
        test::Cache2EntryFile(test::Gzip(fws, 0, std::string(300000, 'n')), "http://a.test/far.swf", gzip);
    const ArchiveScan scan = ScanArchive(folder);
    EXPECT_EQ(0, scan.damaged);
    ASSERT_EQ(2u, scan.movies.size());
    EXPECT_EQ(nullptr, Find(scan, "http://a.test/far.swf"));
    for (const auto& [url, movie] : {std::pair{"http://a.test/f.swf", fws}, std::pair{"http://a.test/c.swf", cws}}) {
        SCOPED_TRACE(url);
        const CacheRecord* r = Find(scan, url);
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(BodyEncoding::Gzip, r->encoding);
        EXPECT_EQ(movie.size(), r->movieSize);
        EXPECT_FALSE(r->movieCut);
        // Taken out, it is the movie.
        auto file = folder.Open(r->file);
        ASSERT_TRUE(file);
        std::string out;
        EXPECT_EQ(StreamEnd::Whole, StreamBody(*file, r->offset, r->length.value_or(file->Size() - r->offset),
                                               r->encoding, movie.size(), [&](std::string_view piece) {
                                                   out += piece;
                                                   return true;
                                               }));
        EXPECT_EQ(movie, out);
    }
}

TEST(CacheRecords, DecodedPrefixReadsOnlyAsFarAsTheFirstBytes) {
    std::string movie = "FWS";
    for (int i = 0; movie.size() < 300000; ++i) movie += std::to_string(i * 7919);
    MemoryFolder folder;
    folder.files["gzip"] = "head" + test::Gzip(movie, 0, std::string(20000, 'n'));
    folder.files["zlib"] = test::ZlibCompress(movie);
    folder.files["raw"] = folder.files["zlib"].substr(2);
    folder.files["plain"] = movie;
    const struct {
        const char* file;
        std::uint64_t offset, length;
        BodyEncoding encoding;
        bool decoded;
    } cases[] = {
        {"gzip", 4, 1u << 20, BodyEncoding::Gzip, true},
        {"gzip", 4, 20000, BodyEncoding::Gzip, false},  // still in the comment
        {"gzip", 0, 1u << 20, BodyEncoding::Gzip, false},
        {"zlib", 0, 1u << 20, BodyEncoding::Deflate, true},
        {"raw", 0, 1u << 20, BodyEncoding::Deflate, true},
        {"plain", 0, 1u << 20, BodyEncoding::Gzip, false},
        {"plain", 0, 1u << 20, BodyEncoding::Identity, true},
        {"gzip", 1u << 30, 1u << 20, BodyEncoding::Gzip, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.offset) + " within " + std::to_string(c.length));
        auto file = folder.Open(c.file);
        EXPECT_EQ(c.decoded ? movie.substr(0, 8) : std::string(),
                  DecodedPrefix(*file, c.offset, c.length, c.encoding, 8));
    }
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
