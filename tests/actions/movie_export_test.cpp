// The movie list as CSV and movies saved in site folders, on the real file
// system and URL cache.

#include "actions/movie_export.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/hex_text.h"
#include "discovery/loaders.h"
#include "settings/settings_store.h"
#include "support/csv_reader.h"
#include "support/fake_clock.h"
#include "support/registry_fixture.h"
#include "support/swf_writer.h"
#include "support/temp_folder.h"
#include "support/url_cache.h"
#include "win/platform.h"
#include "win/sha256.h"

namespace fh {
namespace {

using test::TempFolder;

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::string(data.cFileName) != "." && std::string(data.cFileName) != "..") names.push_back(data.cFileName);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return names;
}

class MovieExportTest : public test::UrlCacheTest {
protected:
    TempFolder tmp;
    test::FakeClock clock{0, 9 * 3600};
};

TEST_F(MovieExportTest, CsvOfASeededCacheByteForByte) {
    test::SwfMovie swf;
    swf.signature = "CWS";
    swf.version = 9;
    swf.frameCount = 10;
    swf.tags = {{69, std::string("\x08\0\0\0", 4)}};
    const std::string movie = test::BuildSwf(swf);
    // 2006-03-15 14:05:09 UTC in 100-ns ticks since 1601.
    const ULONGLONG modified = (1142431509ULL + 11644473600ULL) * 10000000ULL;
    const auto seeded = test::SeedUrlCache("http://www.games.co.kr/arcade/intro.swf", "swf", movie, modified);
    SwfEntryList entries;
    int counter = 1;
    LoadIeCache(entries, counter, "", clock);
    ASSERT_EQ(1u, entries.size());
    entries[0].fileTime = 1142431509;
    SwfEntry odd;
    odd.name = "\xB0\xD4\xC0\xD3, \"best\"\r\nnext";  // Hangul in code page 949
    odd.path = tmp.WriteFile("odd.swf", "not a movie at all");
    entries.push_back(odd);
    SwfEntry folder;
    folder.isFolder = true;
    folder.name = "sub";
    entries.push_back(folder);

    const std::string out = tmp.Path() + "\\list.csv";
    ASSERT_TRUE(ExportMovieList(entries, out, clock));
    Sha256Stream hash;
    hash.Add(movie);
    const std::string expected =
        "\xEF\xBB\xBF"
        "name,address,site,local path,size,sha256,copies,last modified,file time,signature,version,stage width,"
        "stage height,frame rate,frame count,actionscript 3,cache,cache last access,cache expires\r\n"
        "intro,http://www.games.co.kr/arcade/intro.swf,games.co.kr," + seeded.localPath + "," +
        std::to_string(movie.size()) + "," + LowerHex(hash.Finish()) +
        ",1,\"Wed, 15 Mar 2006 14:05:09 GMT\",2006-03-15T23:05:09,CWS,9,550,400,24,10,1,,,\r\n"
        "\"\xEA\xB2\x8C\xEC\x9E\x84, \"\"best\"\"\r\nnext\",,," + odd.path +
        ",18,e74543e28b1362044df017a77968eff06fd5da8c733c80dd0fb4dbcc55a1a8fd,1,,,,,,,,,,,,\r\n";
    EXPECT_EQ(expected, test::ReadFileAt(out));
    EXPECT_EQ(3u, test::ReadCsv(test::ReadFileAt(out).substr(3)).size());
}

// Movies are hashed two at a time; each digest is still its own file's, as
// the system's cryptography gives it, whatever the lengths and the count.
TEST_F(MovieExportTest, HashesTakenInPairsAreEachMoviesOwn) {
    SwfEntryList entries;
    std::vector<std::string> expected;
    for (std::size_t size : {700000u, 300001u, 64u, 0u, 131072u}) {
        // A movie's header, then its bulk: the header's read stops early.
        std::string bytes = test::BuildSwf(test::SwfMovie());
        for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>(i * 31 + size);
        SwfEntry e;
        e.name = "m" + std::to_string(size);
        e.path = tmp.WriteFile(e.name + ".swf", bytes);
        entries.push_back(e);
        Sha256Stream system(Sha256Stream::Engine::System);
        system.Add(bytes);
        expected.push_back(LowerHex(system.Finish()));
    }
    const std::string out = tmp.Path() + "\\pairs.csv";
    ASSERT_TRUE(ExportMovieList(entries, out, clock));
    const auto rows = test::ReadCsv(test::ReadFileAt(out).substr(3));
    ASSERT_EQ(entries.size() + 1, rows.size());
    for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(expected[i], rows[i + 1][5]) << entries[i].name;
}

// Saving once reads only the movies another shares a length with: the one
// of a length of its own stays unread, the copies match, and an equal-sized
// other movie does not.
TEST_F(MovieExportTest, OnlyMoviesOfASharedLengthAreHashedForSavingOnce) {
    const std::string movie = test::BuildSwf(test::SwfMovie());
    std::string other = movie;
    other.back() ^= 1;
    SwfEntryList entries(5);
    entries[0].path = tmp.WriteFile("a.swf", movie);
    entries[1].path = tmp.WriteFile("alone.swf", movie + "longer");
    entries[2].path = tmp.WriteFile("other.swf", other);
    entries[3].isFolder = true;
    entries[4].path = tmp.WriteFile("copy.swf", movie);
    const auto hashes = HashPossibleCopies(entries);
    ASSERT_TRUE(hashes);
    ASSERT_EQ(4u, hashes->size());
    EXPECT_EQ(64u, (*hashes)[0].size());
    EXPECT_EQ("", (*hashes)[1]);
    EXPECT_NE((*hashes)[0], (*hashes)[2]);
    EXPECT_EQ((*hashes)[0], (*hashes)[3]);
    EXPECT_EQ((*HashMovies(entries))[0], (*hashes)[0]);
}

TEST_F(MovieExportTest, AFailedWriteLeavesNothingBehind) {
    const std::string folder = tmp.MakeFolder("out");
    const std::string target = folder + "\\list.csv";
    ASSERT_TRUE(WriteFileWhole(target, "first"));
    ASSERT_TRUE(WriteFileWhole(target, "second"));
    EXPECT_EQ("second", test::ReadFileAt(target));
    EXPECT_EQ(std::vector<std::string>{"list.csv"}, Listing(folder));
    EXPECT_FALSE(WriteFileWhole(folder + "\\missing\\list.csv", "x"));
    EXPECT_FALSE(WriteFileWhole(folder, "x"));  // a folder is not replaced
    EXPECT_EQ(std::vector<std::string>{"list.csv"}, Listing(folder));
}

TEST_F(MovieExportTest, SiteFoldersKeepEveryMovieInsideTheSaveFolder) {
    const std::string source = tmp.MakeFolder("src");
    const std::string save = tmp.Path() + "\\save";
    const char* const addresses[] = {
        "http://games.com/a/../../../../escape.swf",
        "http://games.com/%2e%2e/%2E%2E/dots.swf",
        "http://games.com/b\\..\\..\\..\\back.swf",
        "http://games.com/C:/Windows/drive.swf",
        "http://games.com/con/aux/nul.swf",
        "http://games.com/com1/lpt1.swf",
        "http://games.com/trail.../space /x.swf",
        "http://games.com/\xC7\xD1\xB1\xDB/\xB0\xD4\xC0\xD3.swf",
        "http://games.com/bad\xC7/\xB0.swf",
        "",
    };
    SwfEntryList entries;
    int n = 0;
    for (const char* address : addresses) {
        SwfEntry e;
        e.id = ++n;
        e.name = "movie" + std::to_string(n);
        e.url = address;
        e.path = tmp.WriteFile("src\\" + std::to_string(n) + ".swf", test::SwfBytes());
        entries.push_back(e);
    }
    SwfEntry longOne = entries[0];
    longOne.url = "http://games.com/" + std::string(2000, 'p') + "/x.swf";
    entries.push_back(longOne);

    for (int round = 0; round < 2; ++round) {
        const SaveReport report = SaveMovies(entries, save, true, "\xB9\xCC\xBA\xD0\xB7\xF9");
        ASSERT_EQ(static_cast<int>(entries.size()), report.saved);
        for (const std::string& target : report.targets) {
            SCOPED_TRACE(target);
            EXPECT_EQ(0u, target.rfind(save + "\\", 0));
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(target.c_str()));
            EXPECT_EQ(std::string::npos, target.find("\\..\\"));
            if (round == 1) {
                EXPECT_EQ("01.swf", target.substr(target.size() - 6));
            }
        }
    }
    // Nothing beside the save folder and the sources.
    std::vector<std::string> top = Listing(tmp.Path());
    std::sort(top.begin(), top.end());
    EXPECT_EQ((std::vector<std::string>{"save", "src"}), top);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((save + "\\games.com\\_con\\_aux\\_nul.swf").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES,
              ::GetFileAttributesA((save + "\\\xB9\xCC\xBA\xD0\xB7\xF9\\movie10.swf").c_str()));
}

TEST_F(MovieExportTest, ASavedMovieThatHoldsAFolderNameGetsANumberedFolder) {
    const std::string save = tmp.Path() + "\\save";
    SwfEntryList entries;
    for (const char* address : {"http://h.com/x.swf", "http://h.com/x.swf/y.swf", "http://h.com/x.swf/z.swf"}) {
        SwfEntry e;
        e.id = static_cast<int>(entries.size()) + 1;
        e.name = "m";
        e.url = address;
        e.path = tmp.WriteFile("src" + std::to_string(e.id) + ".swf", test::SwfBytes('F', 40 + e.id));
        entries.push_back(e);
    }
    const SaveReport report = SaveMovies(entries, save, true, "u");
    ASSERT_EQ(3, report.saved);
    EXPECT_EQ(save + "\\h.com\\x.swf", report.targets[0]);
    EXPECT_EQ(save + "\\h.com\\x.swf01\\y.swf", report.targets[1]);
    EXPECT_EQ(save + "\\h.com\\x.swf01\\z.swf", report.targets[2]);
    EXPECT_EQ(test::SwfBytes('F', 41), test::ReadFileAt(report.targets[0]));
    EXPECT_EQ(test::SwfBytes('F', 42), test::ReadFileAt(report.targets[1]));
}

}  // namespace
}  // namespace fh
