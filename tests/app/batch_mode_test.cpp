// Batch mode in the test process: what it writes, its line and exit codes.

#include "app/batch_mode.h"

#include "actions/movie_export.h"
#include "gfx/movie_picture.h"
#include "discovery/loaders.h"

#include <gtest/gtest.h>

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <map>


#include "res/resource.h"
#include "settings/settings_store.h"
#include "support/cache_writer.h"
#include "support/csv_reader.h"
#include "support/registry_fixture.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "support/temp_folder.h"
#include "win/platform.h"

namespace fh {
namespace {

// The files under a folder and its subfolders.
int CountFiles(const std::string& folder) {
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
        else if (name != "." && name != "..") count += CountFiles(folder + "\\" + name);
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    return count;
}

class BatchModeTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
        movies = tmp.MakeFolder("movies");
        tmp.WriteFile("movies\\intro.swf", test::SwfBytes('F'));
        tmp.WriteFile("movies\\game.swf", test::SwfBytes('C'));
        tmp.WriteFile("movies\\note.txt", "not listed");
        tmp.MakeFolder("movies\\sub");
    }
    int Run(std::vector<std::string> args) {
        return RunBatch(ParseBatchArgs(args, SystemCodePage()), SystemClock(), message);
    }
    test::TempFolder tmp;
    std::string movies, message;
};

TEST_F(BatchModeTest, SavesInSiteFoldersAndListsWhereEachWent) {
    const std::string save = tmp.Path() + "\\out\\keep", csv = tmp.Path() + "\\list.csv";
    ASSERT_EQ(kBatchDone, Run({"/source:folder:" + movies, "/saveall:" + save, "/sitefolders", "/export:" + csv}));
    const std::string unclassified = save + "\\" + LoadResString(IDS_UNCLASSIFIED_FOLDER);
    EXPECT_TRUE(test::PathExists(unclassified + "\\intro.swf"));
    EXPECT_TRUE(test::PathExists(unclassified + "\\game.swf"));
    const auto rows = test::ReadCsv(test::ReadFileAt(csv).substr(3));
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("saved to", rows[0].back());
    EXPECT_EQ(SystemToUtf8(unclassified + "\\" + rows[1][0] + ".swf"), rows[1].back());
    char expected[256];
    std::snprintf(expected, sizeof expected, LoadResString(IDS_BATCH_SUMMARY).c_str(), 2, 2, 0);
    EXPECT_EQ(0u, message.rfind(expected, 0)) << message;
    EXPECT_NE(std::string::npos, message.find(csv));

    // The same again: new numbered names, nothing overwritten.
    ASSERT_EQ(kBatchDone, Run({"/source:folder:" + movies, "/saveall:" + save, "/sitefolders"}));
    EXPECT_TRUE(test::PathExists(unclassified + "\\intro01.swf"));
}

TEST_F(BatchModeTest, SnapshotsAreFirstFramesAsPngUnderFreeNamesAndInTheList) {
    tmp.WriteFile("movies\\intro.swf", test::MovieOf(40, 30, {test::Background(0x336699)}));
    tmp.WriteFile("movies\\game.swf", test::MovieOf(20, 20, {}));
    tmp.WriteFile("movies\\broken.swf", "FWS");
    tmp.WriteFile("movies\\wide.swf", test::MovieOf(8192, 100, {}));
    // A button that holds itself four times, placed and as a mask.
    const std::string at = test::Translate(0, 0);
    tmp.WriteFile("movies\\selfish.swf",
                  test::MovieOf(20, 20, {test::Button2(1, {{1, 1, 1, at}, {1, 1, 2, at}, {1, 1, 3, at}, {1, 1, 4, at}}),
                                         test::Place(1, 1), test::Place(2, 1, "", "", -1, 5)}));
    const std::string shots = tmp.Path() + "\\shots", csv = tmp.Path() + "\\shots.csv";
    tmp.WriteFile("shots\\intro.png", "someone's picture");
    ASSERT_EQ(kBatchFailures, Run({"/source:folder:" + movies, "/snapshot:" + shots, "/export:" + csv}));
    const std::string png = test::ReadFileAt(shots + "\\intro01.png");
    EXPECT_EQ(0u, png.rfind("\x89PNG", 0));
    EXPECT_EQ("someone's picture", test::ReadFileAt(shots + "\\intro.png"));
    EXPECT_TRUE(test::PathExists(shots + "\\game.png"));
    EXPECT_FALSE(test::PathExists(shots + "\\broken.png"));
    // A stage wider than 4096 pixels is drawn at 4096, keeping its shape.
    const std::string wide = test::ReadFileAt(shots + "\\wide.png");
    ASSERT_GE(wide.size(), 24u);
    auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(wide[at]) << 24) | (static_cast<unsigned char>(wide[at + 1]) << 16) |
               (static_cast<unsigned char>(wide[at + 2]) << 8) | static_cast<unsigned char>(wide[at + 3]);
    };
    EXPECT_EQ(4096, be32(16));
    EXPECT_EQ(50, be32(20));
    const auto rows = test::ReadCsv(test::ReadFileAt(csv).substr(3));
    ASSERT_EQ(6u, rows.size());
    EXPECT_EQ("snapshot", rows[0][rows[0].size() - 2]);
    EXPECT_EQ("snapshot cut", rows[0].back());
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const bool broken = rows[i][0] == "broken";
        EXPECT_EQ(broken ? std::string() : SystemToUtf8(shots + "\\" + rows[i][0] +
                                                         (rows[i][0] == "intro" ? "01.png" : ".png")),
                  rows[i][rows[i].size() - 2]);
        EXPECT_EQ(broken ? "" : "0", rows[i].back()) << rows[i][0];
    }

    // A movie whose drawing outlasts its time limit keeps the picture drawn
    // so far, and the line and the list say it was cut.
    test::ShapeWriter square(1);
    square.Solid(0x336699FF);
    square.Styles(-1, 1, -1);
    square.Rect(0, 0, 200, 200);
    std::vector<std::pair<unsigned, std::string>> many = {square.Define(1)};
    for (int depth = 1; depth <= 15000; ++depth) many.push_back(test::Place(static_cast<std::uint16_t>(depth), 1));
    const std::string slow = tmp.MakeFolder("slow");
    tmp.WriteFile("slow\\many.swf", test::MovieOf(50, 50, many));
    SwfEntryList entries;
    int counter = 1;
    LoadChosenFolder(entries, counter, slow, SystemClock());
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const SwfEntry& e) { return e.isFolder; }),
                  entries.end());
    ASSERT_EQ(1u, entries.size());
    const SnapshotReport cut = SaveSnapshots(entries, slow, 1);
    EXPECT_EQ(1, cut.written);
    EXPECT_EQ(1, cut.cutCount);
    EXPECT_EQ(0u, test::ReadFileAt(slow + "\\many.png").rfind("\x89PNG", 0));
    const std::string list = tmp.Path() + "\\slow.csv";
    ASSERT_TRUE(ExportMovieList(entries, list, SystemClock(), nullptr, &cut));
    EXPECT_EQ("1", test::ReadCsv(test::ReadFileAt(list).substr(3))[1].back());
}

// The colour of a pixel of a PNG file, as GDI+ reads it.
std::uint32_t PngPixel(const std::string& path, int x, int y) {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    StartGdiplus();
    const std::wstring wide(path.begin(), path.end());
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(wide.c_str(), &bitmap) != Ok) return 0;
    ARGB color = 0;
    GdipBitmapGetPixel(bitmap, x, y, &color);
    GdipDisposeImage(bitmap);
    return color & 0xFFFFFF;
}

TEST_F(BatchModeTest, SnapshotsOfALaterFrameShowTheMovieAsPlayedThatFar) {
    // Frame 1 blue; frame 2 a red square; frame 3 blue again, held by stop()
    // (without it, frame 5 would be frame 2 again).
    test::ShapeWriter square(1);
    square.Solid(0xFF0000FF);
    square.Styles(-1, 1, -1);
    square.Rect(0, 0, 400, 400);
    const std::string doAction(1, '\x07');  // Stop, then the end of the actions
    const std::string stop = doAction + std::string(1, '\0');
    tmp.WriteFile("movies\\intro.swf",
                  test::MovieOf(20, 20, {test::Background(0x0000FF), square.Define(1), test::ShowFrame(), test::Place(1, 1),
                                         test::ShowFrame(), test::Remove(1), {12, stop}, test::ShowFrame()}));
    tmp.WriteFile("movies\\game.swf", test::MovieOf(20, 20, {test::Background(0x00FF00)}));
    const struct {
        const char* frame;
        std::uint32_t intro;
    } cases[] = {{"1", 0x0000FF}, {"2", 0xFF0000}, {"3", 0x0000FF}, {"5", 0x0000FF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        const std::string shots = tmp.Path() + "\\frame" + c.frame;
        ASSERT_EQ(kBatchDone, Run({"/source:folder:" + movies, "/snapshot:" + shots, std::string("/frame:") + c.frame}));
        EXPECT_EQ(c.intro, PngPixel(shots + "\\intro.png", 10, 10));
        EXPECT_EQ(0x00FF00u, PngPixel(shots + "\\game.png", 10, 10));
    }
    EXPECT_EQ(kBatchBadCommandLine, Run({"/source:folder:" + movies, "/snapshot:x", "/frame:0"}));
}

// Action records for the trace movies: a string pushed, a trace, an add.
std::string PushString(const std::string& text) {
    const std::string body = std::string(1, '\0') + text + std::string(1, '\0');
    return std::string(1, '\x96') + static_cast<char>(body.size()) + '\0' + body;
}
std::string DoActions(const std::string& records) { return records + std::string(1, '\0'); }

TEST_F(BatchModeTest, TracesHoldWhatEachMoviesScriptsPrintedInTheFramesPlayed) {
    const std::string trace(1, '\x26');
    const std::string add(1, '\x0A');  // version 4's add: numbers, whatever was pushed
    // Frame 1 traces a word, frame 2 a sum; frame 3 stops the movie.
    tmp.WriteFile("movies\\talk.swf",
                  test::MovieOf(20, 20,
                                {{12, DoActions(PushString("hi") + trace)}, test::ShowFrame(),
                                 {12, DoActions(PushString("1") + PushString("2") + add + trace)}, test::ShowFrame(),
                                 {12, DoActions(std::string(1, '\x07'))}, test::ShowFrame()},
                                6));
    // Before version 6 a movie's text is in the system code page: Korean
    // comes out as UTF-8. fscommand("quit") ends the movie with its frame.
    const std::string quit = std::string(1, '\x83') + std::string("\x10\0", 2) + "FSCommand:quit" + std::string(1, '\0') +
                             std::string(1, '\0');
    tmp.WriteFile("movies\\quits.swf",
                  test::MovieOf(20, 20,
                                {{12, DoActions(PushString("\xC7\xD1") + trace + quit)}, test::ShowFrame(),
                                 {12, DoActions(PushString("late") + trace)}, test::ShowFrame()},
                                5));
    const struct {
        const char* frame;
        const char* talk;
    } cases[] = {{"1", "hi\r\n"}, {"2", "hi\r\n3\r\n"}, {"4", "hi\r\n3\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        const std::string out = tmp.Path() + "\\traces" + c.frame;
        ASSERT_EQ(kBatchDone, Run({"/source:folder:" + movies, "/trace:" + out, std::string("/frame:") + c.frame}));
        EXPECT_EQ(c.talk, test::ReadFileAt(out + "\\talk.txt"));
        EXPECT_EQ("\xED\x95\x9C\r\n", test::ReadFileAt(out + "\\quits.txt"));
    }
}

TEST_F(BatchModeTest, WithUniqueEachMovieIsSavedAndPicturedOnceAndTheListNamesItsCopies) {
    // One movie twice, under two names and addresses, gzip-encoded in one
    // cache entry and plain in another; two movies of the same size and the
    // same first bytes that are no copies; and two gzip bodies cut short,
    // the same bytes, whose movies cannot be read whole.
    const std::string same = test::MovieOf(40, 30, {test::Background(0x336699)});
    auto binary = [](char last) {
        return test::MovieOf(40, 30, {test::Background(0x112233), {87, std::string(6, '\0') + std::string(3000, 'p') + last}});
    };
    const std::string p = binary('1'), q = binary('2');
    ASSERT_EQ(p.size(), q.size());
    const std::string gzip = "Content-Encoding: gzip\r\n";
    std::string noisy = test::SwfBytes('F', 200000);
    noisy.replace(8, std::string::npos, test::Noise(noisy.size() - 8, 5));
    const std::string cut = test::Gzip(noisy).substr(0, 4000);
    tmp.WriteFile("caches\\cache2\\entries\\" + std::string(40, 'A'),
                  test::Cache2EntryFile(test::Gzip(same), "http://a.test/games/x.swf", gzip));
    tmp.WriteFile("caches\\cache2\\entries\\" + std::string(40, 'B'),
                  test::Cache2EntryFile(same, "http://b.test/other/copy.swf", ""));
    tmp.WriteFile("caches\\cache2\\entries\\" + std::string(40, 'C'), test::Cache2EntryFile(cut, "http://c.test/1.swf", gzip));
    tmp.WriteFile("caches\\cache2\\entries\\" + std::string(40, 'D'), test::Cache2EntryFile(cut, "http://c.test/2.swf", gzip));
    tmp.WriteFile("caches\\loose\\p.swf", p);
    tmp.WriteFile("caches\\loose\\q.swf", q);
    const std::string save = tmp.Path() + "\\out", shots = tmp.Path() + "\\shots", csv = tmp.Path() + "\\list.csv";
    EXPECT_EQ(kBatchFailures, Run({"/source:archive:" + tmp.Path() + "\\caches", "/saveall:" + save, "/sitefolders",
                                   "/snapshot:" + shots, "/unique", "/export:" + csv}));
    char copies[128];
    std::snprintf(copies, sizeof copies, LoadResString(IDS_BATCH_COPIES).c_str(), 1);
    EXPECT_NE(std::string::npos, message.find(copies)) << message;

    const auto rows = test::ReadCsv(test::ReadFileAt(csv).substr(3));
    ASSERT_EQ(7u, rows.size());
    const std::vector<std::string>& head = rows[0];
    auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(head.begin(), head.end(), name) - head.begin());
    };
    const std::size_t address = column("address"), sha = column("sha256"), count = column("copies"),
                      savedTo = column("saved to"), snapshot = column("snapshot");
    ASSERT_LT(snapshot, head.size());
    std::map<std::string, std::vector<std::string>> byAddress;  // the loose files by name
    for (std::size_t i = 1; i < rows.size(); ++i) byAddress[rows[i][address].empty() ? rows[i][0] : rows[i][address]] = rows[i];
    const auto& x = byAddress["http://a.test/games/x.swf"];
    const auto& copy = byAddress["http://b.test/other/copy.swf"];
    ASSERT_EQ(head.size(), x.size());
    ASSERT_EQ(head.size(), copy.size());
    const auto first = std::find_if(rows.begin() + 1, rows.end(), [&](const auto& row) { return row[sha] == x[sha]; });
    EXPECT_EQ(64u, x[sha].size());
    EXPECT_EQ(std::string::npos, x[sha].find_first_not_of("0123456789abcdef"));
    EXPECT_EQ(x[sha], copy[sha]);
    EXPECT_EQ("2", x[count]);
    EXPECT_EQ("2", copy[count]);
    // The first of the two in list order is written, under its own address,
    // and the other names that file and that picture.
    const bool aFirst = (*first)[address] == x[address];
    EXPECT_EQ(save + (aFirst ? "\\a.test\\games\\x.swf" : "\\b.test\\other\\copy.swf"), x[savedTo]);
    EXPECT_EQ(x[savedTo], copy[savedTo]);
    EXPECT_EQ(same, test::ReadFileAt(x[savedTo]));
    EXPECT_FALSE(x[snapshot].empty());
    EXPECT_EQ(x[snapshot], copy[snapshot]);

    const auto& pRow = byAddress["p"];
    const auto& qRow = byAddress["q"];
    ASSERT_EQ(head.size(), pRow.size());
    ASSERT_EQ(head.size(), qRow.size());
    EXPECT_NE(pRow[sha], qRow[sha]);
    EXPECT_EQ("1", pRow[count]);
    EXPECT_EQ("1", qRow[count]);
    const std::string unclassified = save + "\\" + LoadResString(IDS_UNCLASSIFIED_FOLDER);
    EXPECT_EQ(SystemToUtf8(unclassified + "\\p.swf"), pRow[savedTo]);
    EXPECT_EQ(SystemToUtf8(unclassified + "\\q.swf"), qRow[savedTo]);
    EXPECT_EQ(p, test::ReadFileAt(unclassified + "\\p.swf"));
    EXPECT_EQ(q, test::ReadFileAt(unclassified + "\\q.swf"));
    // Unreadable movies match nothing, not even each other.
    for (const char* unreadable : {"http://c.test/1.swf", "http://c.test/2.swf"}) {
        SCOPED_TRACE(unreadable);
        const auto& row = byAddress[unreadable];
        ASSERT_EQ(head.size(), row.size());
        EXPECT_EQ("", row[sha]);
        EXPECT_EQ("0", row[count]);
        EXPECT_EQ("", row[savedTo]);
    }
    EXPECT_EQ(3, CountFiles(save));
    EXPECT_EQ(3, CountFiles(shots));
}

TEST_F(BatchModeTest, BadCommandLinesAndFailedWrites) {
    EXPECT_EQ(kBatchBadCommandLine, Run({"/export:a.csv", "/export:b.csv"}));
    EXPECT_NE(std::string::npos, message.find(LoadResString(IDS_BATCH_USAGE))) << message;
    EXPECT_EQ(kBatchBadCommandLine, Run({"/saveall:" + tmp.Path(), "/frobnicate"}));
    EXPECT_NE(std::string::npos, message.find("/frobnicate"));

    // A list in a folder that does not exist: exit 1, nothing written.
    const std::string missing = tmp.Path() + "\\nowhere\\list.csv";
    EXPECT_EQ(kBatchFailures, Run({"/source:folder:" + movies, "/export:" + missing}));
    EXPECT_FALSE(test::PathExists(tmp.Path() + "\\nowhere"));
    // A save folder that is a file.
    const std::string file = tmp.WriteFile("plain", "x");
    EXPECT_EQ(kBatchFailures, Run({"/source:folder:" + movies, "/saveall:" + file}));
    EXPECT_EQ("x", test::ReadFileAt(file));

    // A source folder that is not there is no empty list: exit 1, no export.
    const std::string list = tmp.Path() + "\\list.csv";
    for (const std::string& source : {tmp.Path() + "\\absent", file}) {
        SCOPED_TRACE(source);
        EXPECT_EQ(kBatchFailures, Run({"/source:folder:" + source, "/export:" + list}));
        EXPECT_NE(std::string::npos, message.find(source)) << message;
        EXPECT_FALSE(test::PathExists(list));
    }
}

}  // namespace
}  // namespace fh
