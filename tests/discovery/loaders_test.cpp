#include "discovery/loaders.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "discovery/archive_source.h"
#include "discovery/shell_helpers.h"
#include "discovery/swf_names.h"
#include "res/resource.h"
#include "support/cache1_fixture.h"
#include "support/cache_writer.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"
#include "support/url_cache.h"
#include "settings/settings_store.h"
#include "win/handles.h"
#include "win/platform.h"

#include "../../tools/sample_files.h"

namespace fh {
namespace {

using test::SeedUrlCache;
using test::SwfBytes;
using test::TempFolder;

std::map<std::string, SwfEntry> ByName(const SwfEntryList& entries) {
    std::map<std::string, SwfEntry> map;
    for (const SwfEntry& e : entries) map[e.name] = e;
    return map;
}

std::vector<std::string> Names(const SwfEntryList& entries) {
    std::vector<std::string> names;
    for (const SwfEntry& e : entries) names.push_back(e.name);
    return names;
}

void ExpectIdsFrom2(const SwfEntryList& entries) {
    for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(static_cast<int>(i) + 2, entries[i].id) << entries[i].name;
}

// Each load starts on an empty list with a new counter, as the main window does.
SwfEntryList LoadIe() {
    SwfEntryList entries;
    int counter = 1;
    LoadIeCache(entries, counter, IeCacheFolder(), SystemClock());
    return entries;
}

SwfEntryList LoadFirefox(int& counter) {
    SwfEntryList entries;
    LoadFirefoxCache(entries, counter, FirefoxFolders(), SystemClock());
    return entries;
}

using LoaderTest = test::UrlCacheTest;

// 2006-03-15 14:05:09 UTC in 100-ns ticks since 1601.
constexpr ULONGLONG kModified = (1142431509ULL + 11644473600ULL) * 10000000ULL;

TEST_F(LoaderTest, IeCacheListsIndexedMoviesThenUnindexedFiles) {
    TempFolder folder;
    SetText(kProgramKey, "IECacheFolder", folder.Path() + "\\\\");
    auto intro = SeedUrlCache("http://www.example.com/games/intro.swf", "swf", SwfBytes('F', 100), kModified);
    auto noDate = SeedUrlCache("http://other.org/b.swf", "swf", SwfBytes('C', 200));
    auto noSwfAddress = SeedUrlCache("http://x.com/page?id=1", "swf", SwfBytes('F', 50));
    SeedUrlCache("http://example.com/page.swf", "htm", "<html></html>");
    SeedUrlCache("http://example.com/empty.swf", "swf", "");
    SeedUrlCache("Cookie:user@example.com/", "swf", "cookie=1", 0, COOKIE_CACHE_ENTRY);
    auto upper = SeedUrlCache("http://example.com/upper.swf", "SWF", SwfBytes('F', 60));
    ASSERT_FALSE(intro.localPath.empty());
    ASSERT_FALSE(noDate.localPath.empty());
    folder.WriteFile("deep\\er\\loose.swf", SwfBytes('F', 30));
    folder.WriteFile("top.swf", SwfBytes('F', 30));
    folder.WriteFile("zero.swf", "");
    folder.WriteFile("other.txt", "x");

    const SwfEntryList entries = LoadIe();
    auto byName = ByName(entries);
    ASSERT_EQ(6u, entries.size()) << ::testing::PrintToString(Names(entries));
    ExpectIdsFrom2(entries);

    const SwfEntry& a = byName["intro"];
    EXPECT_EQ(intro.url, a.url);
    EXPECT_EQ("example.com", a.site);
    EXPECT_EQ(intro.localPath, a.path);
    EXPECT_EQ("100", a.sizeText);
    EXPECT_EQ("Wed, 15 Mar 2006 14:05:09 GMT", a.lastModifiedText);
    EXPECT_FALSE(a.unclassified);

    const SwfEntry& b = byName["b"];
    EXPECT_EQ("other.org", b.site);
    EXPECT_EQ("", b.lastModifiedText);
    EXPECT_FALSE(b.unclassified);

    const SwfEntry& c = byName[GetDisplayName(noSwfAddress.localPath, SystemCodePage())];
    EXPECT_EQ("x.com", c.site);

    // A file not named ".swf" that begins with a signature is a movie too.
    EXPECT_EQ(upper.url, byName["upper"].url);

    // Unindexed files come after the index's, deepest folders first.
    EXPECT_EQ("loose", entries[4].name);
    EXPECT_EQ("top", entries[5].name);
    EXPECT_TRUE(entries[4].unclassified);
    EXPECT_EQ("", entries[4].url);
    EXPECT_EQ("", entries[4].site);
    EXPECT_EQ(folder.Path() + "\\deep\\er\\loose.swf", entries[4].path);
}

TEST_F(LoaderTest, IeCacheFolderScanSkipsWhatTheIndexListsWhateverTheCase) {
    auto seeded = SeedUrlCache("http://site.net/movie.swf", "swf", SwfBytes('F', 40));
    auto upper = SeedUrlCache("http://site.net/shout.swf", "SWF", SwfBytes('F', 40));
    ASSERT_FALSE(seeded.localPath.empty());
    ASSERT_FALSE(upper.localPath.empty());
    // Search the cache's own container folder (files go to random
    // subfolders), given in another letter case.
    std::string cacheFolder = seeded.localPath.substr(0, seeded.localPath.find_last_of('\\'));
    cacheFolder = cacheFolder.substr(0, cacheFolder.find_last_of('\\'));
    SetText(kProgramKey, "IECacheFolder", SystemCodePage().ToUpper(cacheFolder));

    SwfEntryList entries = LoadIe();
    ASSERT_EQ(2u, entries.size()) << ::testing::PrintToString(Names(entries));
    EXPECT_EQ("movie", entries[0].name);
    EXPECT_FALSE(entries[0].unclassified);
    // ".SWF" is not the index's ending, but the signature makes it a movie
    // there, and the folder search then leaves it alone.
    EXPECT_EQ("shout", entries[1].name);
    EXPECT_FALSE(entries[1].unclassified);
    ExpectIdsFrom2(entries);
}

TEST_F(LoaderTest, IeCacheSkipsEntriesWithoutAUsableFileAndSpendsNoId) {
    TempFolder folder;
    SetText(kProgramKey, "IECacheFolder", folder.Path());
    auto gone = SeedUrlCache("http://a.com/gone.swf", "swf", SwfBytes('F', 40));
    ASSERT_FALSE(gone.localPath.empty());
    ::DeleteFileA(gone.localPath.c_str());
    // An entry with no local file at all (a redirect, say).
    FILETIME none{};
    ::CommitUrlCacheEntryA("http://a.com/nofile.swf", nullptr, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr,
                           nullptr);
    auto kept = SeedUrlCache("http://a.com/kept.swf", "swf", SwfBytes('F', 40));
    SwfEntryList entries = LoadIe();
    ASSERT_EQ(std::vector<std::string>{"kept"}, Names(entries));
    EXPECT_EQ(2, entries[0].id);
}

TEST_F(LoaderTest, IeCacheFolderOfBackslashesEndsAfterTheIndex) {
    SeedUrlCache("http://site.net/movie.swf", "swf", SwfBytes('F', 40));
    SetText(kProgramKey, "IECacheFolder", "\\\\\\\\");
    SwfEntryList entries = LoadIe();
    EXPECT_EQ(std::vector<std::string>{"movie"}, Names(entries));

    // An empty index leaves only the unclassified records, numbered from 2.
    test::ClearUrlCache();
    TempFolder folder;
    folder.WriteFile("only.swf", SwfBytes('F', 20));
    SetText(kProgramKey, "IECacheFolder", folder.Path());
    entries = LoadIe();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(2, entries[0].id);
    EXPECT_TRUE(entries[0].unclassified);
}

TEST_F(LoaderTest, FirefoxListsSignatureFilesInFinderOrder) {
    TempFolder ff;
    SetText(kProgramKey, "FirefoxProfileFolder", ff.Path());
    ff.WriteFile("Profiles\\abc.default\\cache2\\entries\\0A1B2C3D", SwfBytes('C', 500));
    ff.WriteFile("Profiles\\abc.default\\cache2\\entries\\99FF", SwfBytes('f', 20));
    ff.WriteFile("Profiles\\abc.default\\cache2\\entries\\EMPTY", "");
    ff.WriteFile("Profiles\\abc.default\\cache2\\entries\\SHORT", "FWS");
    ff.WriteFile("Profiles\\abc.default\\movie.swf", "GIF89a....");
    ff.WriteFile("Profiles\\top", SwfBytes('F', 10));
    ff.WriteFile("installs.ini", "[x]");

    int counter = 1;
    const SwfEntryList entries = LoadFirefox(counter);
    ASSERT_EQ(3u, entries.size()) << ::testing::PrintToString(Names(entries));
    EXPECT_EQ((std::vector<std::string>{"flash001", "flash002", "flash003"}), Names(entries));
    EXPECT_EQ(ff.Path() + "\\Profiles\\top", entries[2].path);
    EXPECT_NE(std::string::npos, entries[0].path.find("\\entries\\"));
    EXPECT_NE(std::string::npos, entries[1].path.find("\\entries\\"));
    for (const SwfEntry& e : entries) {
        EXPECT_TRUE(e.unclassified);
        EXPECT_EQ("", e.url);
    }
    ExpectIdsFrom2(entries);
    EXPECT_EQ(4, counter);
}

TEST_F(LoaderTest, IeCacheListsMoviesServedWithoutSwfNames) {
    TempFolder folder;
    SetText(kProgramKey, "IECacheFolder", folder.Path());
    // WinINet's own downloads: no extension; a movie by its bytes...
    SeedUrlCache("http://a.com/play/movie", "", SwfBytes('F', 40));
    SeedUrlCache("http://a.com/page", "", "<html></html>");
    // ...or by the content type the server sent.
    char path[MAX_PATH] = "";
    ASSERT_TRUE(::CreateUrlCacheEntryA("http://a.com/typed", 10, "", path, 0));
    ASSERT_TRUE(test::WriteFileAt(path, "0123456789"));
    const char headers[] = "HTTP/1.1 200 OK\r\nContent-Type: application/x-shockwave-flash\r\n\r\n";
    FILETIME none{};
    ASSERT_TRUE(::CommitUrlCacheEntryA("http://a.com/typed", path, none, none, NORMAL_CACHE_ENTRY,
                                       reinterpret_cast<BYTE*>(const_cast<char*>(headers)), sizeof headers - 1,
                                       nullptr, nullptr));
    std::vector<std::string> urls;
    for (const SwfEntry& e : LoadIe()) urls.push_back(e.url);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ((std::vector<std::string>{"http://a.com/play/movie", "http://a.com/typed"}), urls);
}

TEST_F(LoaderTest, FirefoxCache2EntriesGiveTheBodyAloneWithItsAddress) {
    const char* caches = std::getenv("FLICKHOLD_REAL_CACHES");
    ASSERT_NE(nullptr, caches) << "FLICKHOLD_REAL_CACHES names no fixtures";
    const std::string fixture = std::string("Z:") + caches;
    std::string root = fixture;
    std::replace(root.begin(), root.end(), '/', '\\');
    TempFolder ff;
    SetText(kProgramKey, "FirefoxProfileFolder", ff.Path());
    WIN32_FIND_DATAA found;
    UniqueFind find(::FindFirstFileA((root + "\\firefox-cache2\\cache2\\entries\\*").c_str(), &found));
    ASSERT_TRUE(find);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ff.WriteFile(std::string("p\\cache2\\entries\\") + found.cFileName,
                         test::ReadFileAt(root + "\\firefox-cache2\\cache2\\entries\\" + found.cFileName));
    } while (::FindNextFileA(find.Get(), &found));

    int counter = 1;
    const SwfEntryList entries = LoadFirefox(counter);
    // Every movie the archive source lists, the gzip-stored one decoded too.
    ASSERT_EQ(7u, entries.size());
    for (const SwfEntry& e : entries) {
        SCOPED_TRACE(e.url);
        const std::string original = e.url.substr(e.url.rfind('/') + 1, e.url.find('?') - e.url.rfind('/') - 1);
        const std::string bytes = test::ReadFileAt(root + "\\originals\\" + (original == "movie" ? "noext_fws" : original));
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, test::ReadFileAt(MovieFileOf(e)));
        EXPECT_EQ(FormatSizeText(bytes.size()), e.sizeText);
        EXPECT_EQ(GetSiteFromUrl(e.url, SystemCodePage()), e.site);
        EXPECT_FALSE(e.site.empty());
    }
}

TEST_F(LoaderTest, CacheFolderAnalysisExtractsUnderNewNamesAndListsHugeBodiesAsCut) {
    TempFolder copy;
    const std::string gzip = "Content-Encoding: gzip\r\n";
    std::vector<std::string> movies;
    for (char c : {'A', 'B', 'C'}) {
        movies.push_back(SwfBytes('F', 3000 + c));
        copy.WriteFile("cache2\\entries\\" + std::string(40, c),
                       test::Cache2EntryFile(test::Gzip(movies.back()), std::string("http://a.test/") + c + ".swf", gzip));
    }
    // A body that decodes to 300 MB, its movie's header saying so.
    std::string head = SwfBytes('F', 64);
    head[4] = head[5] = head[6] = 0;
    head[7] = 0x12;
    copy.WriteFile("cache2\\entries\\" + std::string(40, 'D'),
                   test::Cache2EntryFile(test::Gzip(head, (300u << 20) - head.size()), "http://a.test/huge.swf", gzip));
    // Files under devices' names (written as literal names through "\\?\")
    // are passed by, never opened.
    copy.MakeFolder("loose");
    for (const char* device : {"COM1", "con.swf"}) {
        UniqueFile file(::CreateFileA(("\\\\?\\" + copy.Path() + "\\loose\\" + device).c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(file && ::WriteFile(file.Get(), movies[0].data(), static_cast<DWORD>(movies[0].size()), &written,
                                        nullptr));
    }
    SwfEntryList entries;
    int counter = 1;
    ASSERT_TRUE(LoadArchiveFolder(entries, counter, copy.Path(), SystemClock()));
    std::map<std::string, SwfEntry> byUrl;
    for (const SwfEntry& e : entries) byUrl[e.url] = e;
    ASSERT_EQ(4u, entries.size());
    char cut[256];
    std::snprintf(cut, sizeof cut, LoadResString(IDS_SIZE_CUT).c_str(), FormatSizeText(0x12000000u).c_str());
    EXPECT_EQ(cut, byUrl["http://a.test/huge.swf"].sizeText);
    EXPECT_EQ("", MovieFileOf(byUrl["http://a.test/huge.swf"]));

    // A's copy deleted and asked for again, then C: every copy has a name of
    // its own and the bytes of its own movie.
    const SwfEntry& a = byUrl["http://a.test/A.swf"];
    const SwfEntry& b = byUrl["http://a.test/B.swf"];
    const SwfEntry& c = byUrl["http://a.test/C.swf"];
    const std::string firstA = MovieFileOf(a), copyB = MovieFileOf(b);
    ASSERT_TRUE(::DeleteFileA(firstA.c_str()));
    const std::string againA = MovieFileOf(a), copyC = MovieFileOf(c);
    const std::set<std::string> names = {firstA, copyB, againA, copyC};
    EXPECT_EQ(4u, names.size());
    EXPECT_EQ(movies[0], test::ReadFileAt(againA));
    EXPECT_EQ(movies[1], test::ReadFileAt(copyB));
    EXPECT_EQ(movies[2], test::ReadFileAt(copyC));
    EXPECT_EQ(FormatSizeText(movies[2].size()), c.sizeText);
}

TEST_F(LoaderTest, FirefoxDiskCacheBeforeCache2GivesTheSameMoviesToBothSources) {
    const char* peer = std::getenv("FLICKHOLD_PEER_CACHES");
    ASSERT_NE(nullptr, peer) << "FLICKHOLD_PEER_CACHES names no fixtures";
    std::string real = std::string("Z:") + peer + "/dtformats/firefox_cache1/test_data/firefox_cache1";
    std::replace(real.begin(), real.end(), '/', '\\');
    const std::map<std::string, std::string> copied = sample::ReadTree(real);
    ASSERT_EQ(276u, copied.at("_CACHE_MAP_").size());
    // As copied (a dirty map): the movie in a separate file; with the map
    // Firefox writes on closing: the one in the block file too.
    for (bool clean : {false, true}) {
        SCOPED_TRACE(clean ? "clean map" : "dirty map");
        std::map<std::string, std::string> files = copied;
        const test::Cache1Movies movies = test::PutMoviesInCache1(files, clean);
        TempFolder ff;
        for (const auto& file : files) ff.WriteFile("p.default\\Cache\\" + file.first, file.second);
        SetText(kProgramKey, "FirefoxProfileFolder", ff.Path());
        SwfEntryList archive;
        int counter = 1;
        ASSERT_TRUE(LoadArchiveFolder(archive, counter, ff.Path(), SystemClock()));
        const SwfEntryList firefox = LoadFirefox(counter);
        std::map<std::string, std::string> expected = {{movies.separateUrl, movies.separateMovie}};
        if (clean) expected[movies.blockUrl] = movies.blockMovie;
        for (const SwfEntryList* source : std::vector<const SwfEntryList*>{&archive, &firefox}) {
            std::map<std::string, std::string> listed;
            for (const SwfEntry& e : *source) {
                EXPECT_EQ("Firefox cache1", e.cacheKind) << e.url;
                listed[e.url] = test::ReadFileAt(MovieFileOf(e));
            }
            EXPECT_TRUE(expected == listed) << source->size() << " listed";
        }
    }
}

TEST_F(LoaderTest, FirefoxWithoutSettingSearchesLocalThenRoamingFolders) {
    const std::string local = GetSpecialFolderPath(CSIDL_LOCAL_APPDATA) + "\\Mozilla\\Firefox";
    const std::string roaming = GetSpecialFolderPath(CSIDL_APPDATA) + "\\Mozilla\\Firefox";
    ASSERT_NE(local, roaming);
    test::WriteFileAt(local + "\\Profiles\\p.default\\cache2\\entries\\AAAA", SwfBytes('F', 40));
    test::WriteFileAt(roaming + "\\Profiles\\p.default\\BBBB", SwfBytes('C', 40));
    int counter = 1;
    const SwfEntryList entries = LoadFirefox(counter);
    test::RemoveTree(local + "\\Profiles\\p.default");
    test::RemoveTree(roaming + "\\Profiles\\p.default");
    // The profile may hold other files (the run command's samples): look
    // for this test's two, which keep the order of the folders and one numbering.
    const std::string localFile = local + "\\Profiles\\p.default\\cache2\\entries\\AAAA";
    const std::string roamingFile = roaming + "\\Profiles\\p.default\\BBBB";
    auto index = [&](const std::string& path) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].path == path) return static_cast<int>(i);
        return -1;
    };
    const int first = index(localFile), second = index(roamingFile);
    ASSERT_NE(-1, first);
    ASSERT_NE(-1, second);
    EXPECT_LT(first, second);
    for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(FirefoxName(static_cast<int>(i) + 1), entries[i].name);
}

TEST_F(LoaderTest, ChosenFolderListsParentSubfoldersAndMovies) {
    TempFolder tmp;
    tmp.MakeFolder("zeta");
    tmp.MakeFolder("Alpha");
    tmp.MakeFolder("Data.swf");
    tmp.WriteFile("b.swf", SwfBytes('F', 10));
    tmp.WriteFile("A.SWF", SwfBytes('F', 10));
    tmp.WriteFile("empty.swf", "");
    tmp.WriteFile("note.txt", "x");
    tmp.WriteFile("zeta\\inner.swf", SwfBytes('F', 10));

    SwfEntryList entries;
    int counter = 1;
    LoadChosenFolder(entries, counter, tmp.Path(), SystemClock());
    ASSERT_EQ(6u, entries.size()) << ::testing::PrintToString(Names(entries));
    const std::vector<std::string> names = Names(entries);
    EXPECT_EQ((std::vector<std::string>{"..", "Alpha", "Data.swf", "zeta"}),
              std::vector<std::string>(names.begin(), names.begin() + 4));
    EXPECT_EQ("..", entries[0].path);
    EXPECT_EQ(tmp.Path() + "\\zeta", entries[3].path);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(entries[static_cast<size_t>(i)].isFolder);
        EXPECT_EQ(0, entries[static_cast<size_t>(i)].fileTime);
    }
    std::vector<std::string> movies = {entries[4].name, entries[5].name};
    std::sort(movies.begin(), movies.end());
    EXPECT_EQ((std::vector<std::string>{"A", "b"}), movies);
    EXPECT_TRUE(entries[4].unclassified);
    EXPECT_FALSE(entries[4].isFolder);
    ExpectIdsFrom2(entries);

    // A drive root has no parent row.
    SwfEntryList root;
    counter = 1;
    LoadChosenFolder(root, counter, "C:\\", SystemClock());
    ASSERT_FALSE(root.empty());
    EXPECT_NE("..", root[0].name);

    // A missing folder yields the parent row alone.
    SwfEntryList missing;
    counter = 1;
    LoadChosenFolder(missing, counter, tmp.Path() + "\\gone", SystemClock());
    EXPECT_EQ(std::vector<std::string>{".."}, Names(missing));
}

// A browser keeps the movie it is writing open, sharing reading only with
// writers: the loaders still read its signature and its time.
TEST_F(LoaderTest, FilesHeldOpenForWritingAreStillRead) {
    TempFolder ff;
    SetText(kProgramKey, "FirefoxProfileFolder", ff.Path());
    const std::string path = ff.WriteFile("cache2\\entries\\BUSY", SwfBytes('C', 64));
    UniqueFile held(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    int counter = 1;
    const SwfEntryList entries = LoadFirefox(counter);
    ASSERT_EQ(std::vector<std::string>{"flash001"}, Names(entries));
    std::int64_t time = 0;
    EXPECT_TRUE(GetFileCreationTime(path, time, SystemClock()));
    EXPECT_NE(0, time);
}

TEST_F(LoaderTest, FilesThatVanishOrHaveLongNamesAreLeftOut) {
    TempFolder tmp;
    // A path of 259 characters is kept, a longer one is not taken by the
    // path object's 259-character copy.
    const std::string base = tmp.Path() + "\\";
    const std::string ok = base + std::string(259 - base.size() - 4, 'k') + ".swf";
    const std::string tooLong = base + std::string(260 - base.size() - 4, 'l') + ".swf";
    ASSERT_EQ(259u, ok.size());
    ASSERT_TRUE(test::WriteFileAt(ok, SwfBytes('F', 10)));
    test::WriteFileAt(tooLong, SwfBytes('F', 10));
    SwfEntryList entries;
    int counter = 1;
    LoadChosenFolder(entries, counter, tmp.Path(), SystemClock());
    ASSERT_EQ(2u, entries.size()) << ::testing::PrintToString(Names(entries));
    EXPECT_EQ(ok, entries[1].path);
}

}  // namespace
}  // namespace fh
