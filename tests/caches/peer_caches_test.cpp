// The cache readers on caches other forensic projects share
// (FLICKHOLD_PEER_CACHES), against what those projects' tests and an
// independent reader (msiecfexport) found in them, and on edited copies.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "caches/chromium_cache.h"
#include "caches/index_dat.h"
#include "discovery/archive_scan.h"
#include "support/archive_folders.h"
#include "support/swf_writer.h"

namespace fh {
namespace {

using test::LoadFolder;
using test::MemoryFolder;

std::string Peer(const std::string& path) {
    const char* peer = std::getenv("FLICKHOLD_PEER_CACHES");
    return peer ? std::string(peer) + "/" + path : "";
}

std::string TextOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fact: the fields of one object of a peer's expected.json as written
// (strings unquoted), or one string of a list (under "").
using Fact = std::map<std::string, std::string>;

// The list `key` holds in the check `id` of an expected.json. Its strings
// hold no quotes or brackets; its objects are flat, their fields strings,
// numbers or null.
std::vector<Fact> Facts(const std::string& json, const std::string& id, const std::string& key) {
    std::vector<Fact> facts;
    const std::size_t check = json.find("\"id\": \"" + id + "\"");
    const std::size_t open = check == std::string::npos ? check : json.find("\"" + key + "\": [", check);
    if (open == std::string::npos) return facts;
    Fact object;
    std::string name;  // the field whose value comes next
    for (std::size_t i = json.find('[', open) + 1; i < json.size() && json[i] != ']'; ++i) {
        const char c = json[i];
        if (c == '{') object.clear();
        if (c == '}') facts.push_back(object);
        if (c != '"' && (name.empty() || c == ' ' || c == ':' || c == '{' || c == '}')) continue;
        const std::size_t end = c == '"' ? json.find('"', i + 1) : json.find_first_of(",}\n", i);
        const std::string value = c == '"' ? json.substr(i + 1, end - i - 1) : json.substr(i, end - i);
        i = c == '"' ? end : end - 1;
        if (json[i + 1] == ':') name = value;
        else if (name.empty()) facts.push_back({{"", value}});
        else object[name] = value, name.clear();
    }
    return facts;
}

const CacheRecord* Find(const std::vector<CacheRecord>& records, const std::string& url) {
    for (const CacheRecord& r : records)
        if (r.url == url) return &r;
    return nullptr;
}

std::string ChromeCache() { return Peer("chrome_cache/test_data/chrome_cache"); }

TEST(PeerCaches, ChromiumBlockFileGivesEveryEntryWithABody) {
    ASSERT_FALSE(Peer("").empty()) << "FLICKHOLD_PEER_CACHES names no fixtures";
    const std::string json = TextOf(Peer("chrome_cache/expected.json"));
    MemoryFolder folder = LoadFolder(ChromeCache());
    const CacheReading reading = ReadBlockFileCache(folder);
    EXPECT_EQ(0, reading.damaged);
    EXPECT_EQ(198u, reading.records.size());
    // Keys of 160 to 927 bytes run on from the entry's first block.
    const std::vector<Fact> longKeys = Facts(json, "census-long-inline-keys", "urls");
    EXPECT_EQ(56u, longKeys.size());
    for (const Fact& f : longKeys) EXPECT_NE(nullptr, Find(reading.records, f.at(""))) << f.at("");
    // Every other entry's body where it is: a whole f_ file, or a part of a data_ file.
    const std::vector<Fact> bodies = Facts(json, "census-short-key-bodies", "records");
    EXPECT_EQ(142u, bodies.size());
    for (const Fact& f : bodies) {
        SCOPED_TRACE(f.at("url"));
        const CacheRecord* r = Find(reading.records, f.at("url"));
        ASSERT_NE(nullptr, r);
        EXPECT_STREQ("Chromium block-file", r->kind);
        EXPECT_EQ(f.at("file"), "test_data/chrome_cache/" + r->file);
        EXPECT_EQ(std::stoull(f.at("offset")), r->offset);
        EXPECT_EQ(f.at("length"), r->length ? std::to_string(*r->length) : "null");
    }

    // A key said to be 416 bytes long: with its NUL, more than its entry's two blocks hold.
    std::string& data1 = folder.files["data_1"];
    const std::size_t entry = data1.find("https://www.google.ch/complete/search?client=chrome-omni&gs_ri=chrome-ext"
                                         "&xssi=t&q=google+code+plaso") - 96;
    ASSERT_EQ(160u, Le32(data1, entry + 32));
    data1.replace(entry + 32, 2, "\xA0\x01");
    const CacheReading damaged = ReadBlockFileCache(folder);
    EXPECT_EQ(1, damaged.damaged);
    EXPECT_EQ(197u, damaged.records.size());
}

TEST(PeerCaches, ChromiumSimpleFromA32BitBuildGivesEveryBody) {
    ASSERT_FALSE(Peer("").empty()) << "FLICKHOLD_PEER_CACHES names no fixtures";
    const std::string json = TextOf(Peer("schorlet-simplecache/testdata/expected.json"));
    MemoryFolder folder = LoadFolder(Peer("schorlet-simplecache/testdata/testdata"));
    std::vector<CacheRecord> records;
    for (const auto& file : folder.files) {
        if (file.first.size() < 2 || file.first.compare(file.first.size() - 2, 2, "_0") != 0) continue;
        SCOPED_TRACE(file.first);
        bool damaged = true;
        const std::optional<CacheRecord> r = ReadSimpleEntry(*folder.Open(file.first), file.first, damaged);
        EXPECT_FALSE(damaged);
        if (r) records.push_back(*r);
    }
    std::vector<std::string> urls;
    for (const CacheRecord& r : records) urls.push_back(r.url);
    std::sort(urls.begin(), urls.end());
    std::vector<std::string> expected;
    for (const Fact& f : Facts(json, "peer-url-list", "urls")) expected.push_back(f.at(""));
    EXPECT_EQ(19u, expected.size());
    EXPECT_EQ(expected, urls);
    // The body right after the 20-byte header and the key, as long as its Content-Length.
    const std::vector<Fact> lengths = Facts(json, "peer-length-is-content-length", "records"),
                            encodings = Facts(json, "census-encodings", "records");
    EXPECT_EQ(19u, lengths.size());
    EXPECT_EQ(19u, encodings.size());
    for (const Fact& f : lengths) {
        SCOPED_TRACE(f.at("url"));
        const CacheRecord* r = Find(records, f.at("url"));
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(f.at("file"), "testdata/" + r->file);
        EXPECT_EQ(std::stoull(f.at("offset")), r->offset);
        EXPECT_EQ(std::stoull(f.at("length")), r->length.value_or(0));
    }
    for (const Fact& f : encodings) {
        SCOPED_TRACE(f.at("url"));
        const CacheRecord* r = Find(records, f.at("url"));
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(f.at("content_type"), r->contentType);
        EXPECT_EQ(f.at("encoding") == "gzip" ? BodyEncoding::Gzip : BodyEncoding::Identity, r->encoding);
    }
    const CacheRecord* png = Find(records, "https://golang.org/doc/gopher/pkg.png");
    ASSERT_NE(nullptr, png);
    const std::string body = test::StoredBody(folder, *png);
    EXPECT_EQ(5409u, body.size());
    EXPECT_EQ(0u, body.find("\x89PNG\r\n\x1A\n"));
    EXPECT_EQ(ParseHttpDate("Thu, 19 May 2016 18:04:32 GMT"), png->lastModified);

    // The same entry as a 64-bit build writes it: the header and both
    // end-of-stream records padded to 24 bytes. Only the last one padded is
    // neither layout.
    const std::string whole = folder.files[png->file];
    const std::size_t eof1 = static_cast<std::size_t>(png->offset + *png->length);
    const std::string pad(4, '\0');
    const struct {
        const char* what;
        std::string bytes;
        std::uint64_t offset;  // 0: rejected
    } kLayouts[] = {
        {"padded", whole.substr(0, 20) + pad + whole.substr(20, eof1) + pad + whole.substr(eof1 + 20) + pad, 61},
        {"last record padded", whole + pad, 0},
    };
    for (const auto& layout : kLayouts) {
        SCOPED_TRACE(layout.what);
        folder.files["padded_0"] = layout.bytes;
        bool damaged = false;
        const std::optional<CacheRecord> r = ReadSimpleEntry(*folder.Open("padded_0"), "padded_0", damaged);
        EXPECT_EQ(layout.offset == 0, damaged);
        if (!layout.offset) continue;
        ASSERT_TRUE(r);
        EXPECT_EQ(png->url, r->url);
        EXPECT_EQ(layout.offset, r->offset);
        EXPECT_EQ(png->length, r->length);
        EXPECT_EQ(png->lastModified, r->lastModified);
        EXPECT_EQ(body, test::StoredBody(folder, *r));
    }
}

std::string IndexDat() { return TextOf(Peer("content-ie5/test_data/msiecf/Content.IE5/index.dat")); }

// "Aug 25, 2015 11:05:20.262000000": the day before the month and the
// fraction left out, it reads as an HTTP date.
std::int64_t ExportedTime(const std::string& text) {
    std::istringstream in(text);
    std::string month, day, year, time;
    if (!(in >> month >> day >> year >> time)) return 0;
    return ParseHttpDate(day.substr(0, day.size() - 1) + " " + month + " " + year + " " + time.substr(0, 8));
}

TEST(PeerCaches, IndexDatGivesTheUrlRecordsMsiecfexportReads) {
    ASSERT_FALSE(Peer("").empty()) << "FLICKHOLD_PEER_CACHES names no fixtures";
    // msiecfexport's items: "Name<tabs>: value" lines, a blank line after each.
    std::vector<Fact> exported;
    std::istringstream lines(TextOf(Peer("content-ie5/msiecfexport.txt")));
    Fact item;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find("\t: ");
        if (colon != std::string::npos) item[line.substr(0, line.find('\t'))] = line.substr(colon + 3);
        if (!line.empty()) continue;
        if (item["Record type"] == "URL") exported.push_back(item);
        item.clear();
    }
    ASSERT_EQ(21u, exported.size());
    const CacheReading reading = ReadIndexDat(IndexDat());
    EXPECT_EQ(0, reading.damaged);
    EXPECT_EQ(exported.size(), reading.records.size());
    for (Fact& e : exported) {
        SCOPED_TRACE(e["Location"]);
        const CacheRecord* r = Find(reading.records, e["Location"]);
        ASSERT_NE(nullptr, r);
        EXPECT_STREQ("IE index.dat", r->kind);
        // "0 (0x00)(ENG3X4ZR)": the folder's number and name.
        const std::string& folder = e["Cache directory index"];
        const std::size_t name = folder.rfind('(') + 1;
        EXPECT_EQ(folder.substr(name, folder.size() - 1 - name) + "\\" + e["Filename"], r->file);
        EXPECT_EQ(ExportedTime(e["Primary time"]), r->lastAccess);
        EXPECT_EQ(ExportedTime(e["Secondary time"]), r->lastModified);
        EXPECT_EQ(ExportedTime(e["Expiration time"]), r->expires);
    }
    EXPECT_EQ(nullptr, Find(reading.records, "http://go.microsoft.com/fwlink/?LinkId=299196"));
}

// The allocation bitmap's bit for the block at `offset` (one bit a 128-byte
// block from 0x4000 on, the lowest first; the bitmap begins at 0x250).
void SetInUse(std::string& index, std::size_t offset, bool used) {
    const std::size_t block = (offset - 0x4000) / 128;
    char& bits = index[0x250 + block / 8];
    bits = static_cast<char>(used ? bits | 1 << block % 8 : bits & ~(1 << block % 8));
}

TEST(PeerCaches, IndexDatFindsLiveAndLeakRecordsByTheBitmap) {
    ASSERT_FALSE(Peer("").empty()) << "FLICKHOLD_PEER_CACHES names no fixtures";
    const std::string whole = IndexDat();
    // At 0x6200 the ieonline favicon's record (three blocks), at 0x6380 the
    // bing favicon's (two).
    const std::string ieonline = "https://ieonline.microsoft.com/favicon.ico", bing = "http://www.bing.com/favicon.ico";
    ASSERT_EQ(0x6200u, whole.find(std::string("URL \3\0\0\0", 8), 0x6200));
    ASSERT_EQ(0x6380u, whole.find(std::string("URL \2\0\0\0", 8), 0x6380));
    const struct {
        const char* what;
        std::function<void(std::string&)> edit;
        bool ieonlineFreed;
    } kCases[] = {
        // WinINet could not delete the file: the record stays, as LEAK.
        {"leak record", [](std::string& index) { index.replace(0x6380, 4, "LEAK"); }, false},
        // The ieonline record freed, its claim of three blocks left; the bing
        // record now begins at its third block. The freed record comes after
        // the live ones: its file may still be there.
        {"stale record over a live one",
         [&](std::string& index) {
             index.replace(0x6300, 0x100, whole, 0x6380, 0x100);
             for (std::size_t at : {0x6200, 0x6280, 0x6400}) SetInUse(index, at, false);
         },
         true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        MemoryFolder folder;
        std::string& index = folder.files["Content.IE5\\index.dat"] = whole;
        c.edit(index);
        const CacheReading reading = ReadIndexDat(index);
        EXPECT_EQ(0, reading.damaged);
        ASSERT_EQ(21u, reading.records.size());
        EXPECT_EQ(c.ieonlineFreed, reading.records.back().url == ieonline);
        EXPECT_NE(nullptr, Find(reading.records, bing));
        // The bing record's file holds a movie: it is found with its address.
        folder.files["Content.IE5\\5F9C7HL9\\favicon[1].ico"] = test::BuildSwf(test::SwfMovie());
        const ArchiveScan scan = ScanArchive(folder);
        ASSERT_EQ(1u, scan.movies.size());
        EXPECT_EQ(bing, scan.movies[0].url);
        EXPECT_STREQ("IE index.dat", scan.movies[0].kind);
        EXPECT_EQ(ExportedTime("Aug 25, 2015 11:05:37.137000000"), scan.movies[0].lastAccess);
    }
}

}  // namespace
}  // namespace fh
