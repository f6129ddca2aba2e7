// Benchmarks of the file actions and the movie card: Save All against a bare
// CopyFileA loop over the same files, with distinct names and with one name
// shared by every movie; the card of a large movie.

#include <windows.h>

#include <algorithm>
#include <chrono>

#include <string>
#include <vector>

#include "actions/file_actions.h"
#include "actions/movie_export.h"
#include "bench/bench_util.h"
#include "player/movie_file.h"
#include "player/player_wnd.h"
#include "res/resource.h"
#include "support/swf_writer.h"
#include "base/codepage.h"
#include "settings/settings_store.h"

#include "../tools/sample_files.h"
#include "../tools/sample_swf.h"

namespace fh::bench {

namespace {

using sample::RemoveTree;
using sample::WriteWholeFile;

// Counts failures instead of showing message boxes.
struct QuietShell : ActionShell {
    int failures = 0;
    bool AskSavePath(HWND, const std::string&, const std::string&, std::string&) override { return false; }
    int Message(HWND, const std::string&, UINT) override {
        ++failures;
        return IDOK;
    }
    void Open(const std::string&) override {}
    std::string BrowseFolder(HWND, const std::string&, const std::string&) override { return std::string(); }
    bool AskExportPath(HWND, const std::string&, std::string&) override { return false; }
};

// Movies of about 50 KB under `folder`; every one named `shared` when given.
SwfEntryList MakeMovies(const std::string& folder, int count, const std::string& shared) {
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::string movie = sample::MakeSwf(false, 0x102030, 1);
    movie.resize(50 * 1024, '\0');
    SwfEntryList entries;
    for (int i = 0; i < count; ++i) {
        SwfEntry e;
        e.id = i + 2;
        e.name = shared.empty() ? "movie" + std::to_string(i) : shared;
        e.path = folder + "\\" + std::to_string(i) + ".swf";
        WriteWholeFile(e.path, movie);
        entries.push_back(e);
    }
    return entries;
}

void BenchSaveAll(const std::string& root, int count, const std::string& shared, const char* name) {
    const SwfEntryList entries = MakeMovies(root + "\\src", count, shared);
    const std::string out = root + "\\out";
    WriteSettingText(HKEY_CURRENT_USER, kProgramKey, "SavePath", out);
    auto fresh = [&] {
        RemoveTree(out);
        ::CreateDirectoryA(out.c_str(), nullptr);
    };
    QuietShell shell;
    const double save = MedianMs(
        [&] {
            FreeNameFinder names(SystemCodePage());
            const std::string folder = GetSaveFolder();
            for (const SwfEntry& e : entries) SaveEntry(e, false, folder, nullptr, shell, names);
        },
        fresh);
    const double bare = MedianMs(
        [&] {
            int i = 0;
            for (const SwfEntry& e : entries)
                ::CopyFileA(e.path.c_str(), (out + "\\" + std::to_string(i++) + ".swf").c_str(), TRUE);
        },
        fresh);
    Report(name, save, bare, entries.size());
    if (shell.failures) std::printf("  (%d saves failed)\n", shell.failures);
    RemoveTree(out);
    RemoveTree(root + "\\src");
}

// What batch mode does with "/saveall:": every movie copied under a free
// name, plainly or in site folders, against a bare copy loop.
void BenchBatchSave(const std::string& root, int count) {
    SwfEntryList entries = MakeMovies(root + "\\src", count, "");
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].url = "http://site" + std::to_string(i % 10) + ".example/games/" + std::to_string(i % 7) + "/" +
                         entries[i].name + ".swf";
    const std::string out = root + "\\out";
    auto fresh = [&] {
        RemoveTree(out);
        ::CreateDirectoryA(out.c_str(), nullptr);
    };
    // The three take turns, so that the disk's state weighs on each alike.
    std::vector<double> times[3];
    int saved[3] = {};
    for (int run = 0; run < 5; ++run) {
        for (int kind = 0; kind < 3; ++kind) {
            fresh();
            auto start = Clock::now();
            if (kind == 0) {
                int i = 0;
                for (const SwfEntry& e : entries)
                    saved[0] += ::CopyFileA(e.path.c_str(), (out + "\\" + std::to_string(i++) + ".swf").c_str(), TRUE);
            } else {
                saved[kind] = SaveMovies(entries, out, kind == 2, "unclassified").saved;
            }
            times[kind].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    for (auto& t : times) std::sort(t.begin(), t.end());
    Report("batch /saveall", times[1][2], times[0][2], static_cast<std::size_t>(saved[1]));
    Report("batch /saveall /sitefolders", times[2][2], times[0][2], static_cast<std::size_t>(saved[2]));
    RemoveTree(out);
    RemoveTree(root + "\\src");
}

// 50 MB movies whose first frame is small: plain (the rest skipped by
// seeking) and zlib-compressed (inflated only up to the first frame).
void BenchCard(const std::string& root) {
    const std::string head = sample::MakeSwf(false, 0x445566, 1, "Large");
    std::string plain = head;
    plain.resize(50u << 20, 'x');
    const std::string plainPath = root + "\\large_plain.swf";
    WriteWholeFile(plainPath, plain);
    std::string compressed = sample::MakeSwf(true, 0x445566, 1, "Large");
    compressed.resize(50u << 20, 'x');  // the stream ends early; the rest is never inflated
    const std::string compressedPath = root + "\\large_zlib.swf";
    WriteWholeFile(compressedPath, compressed);
    for (const auto& c : {std::make_pair(plainPath, "movie card, 50 MB plain movie"),
                          std::make_pair(compressedPath, "movie card, 50 MB zlib movie")}) {
        std::size_t lines = 0;
        const double ms = MedianMs([&] {
            auto info = ReadMovieFile(c.first);
            lines = info && info->frameCount ? 1 : 0;
        });
        Report(c.second, ms, -1, lines);
    }
    ::DeleteFileA(plainPath.c_str());
    ::DeleteFileA(compressedPath.c_str());

    // 2 MB of small tags in the first frame: a read per 64 KB, not per tag.
    test::SwfMovie many;
    many.tags.assign(200000, {255, std::string(8, 'x')});
    many.tags.front() = {9, "\x11\x22\x33"};
    const std::string manyPath = root + "\\many_tags.swf";
    WriteWholeFile(manyPath, test::BuildSwf(many));
    std::size_t read = 0;
    const double ms = MedianMs([&] {
        auto info = ReadMovieFile(manyPath);
        read = info && info->background ? 1 : 0;
    });
    Report("movie card, 2 MB of small tags", ms, -1, read);
    ::DeleteFileA(manyPath.c_str());
}

// The card of an LZMA movie whose first frame is 15 MB that does not
// compress, read while the window goes on: the longest the window's thread
// spends on any one step (the selection itself, or one message).
void BenchCardWindow(const std::string& root) {
    test::SwfMovie heavy;
    heavy.signature = "ZWS";
    heavy.tags = {{9, "\x01\x02\x03"}, {255, test::Noise(15u << 20, 7)}};
    const std::string path = root + "\\heavy_lzma.swf";
    WriteWholeFile(path, test::BuildSwf(heavy));
    RegisterPlayerClass();
    HWND wnd = ::CreateWindowExA(0, FLICKHOLD_PLAYER_CLASS, "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                                 nullptr);
    CPlayerWnd player;
    player.Attach(wnd);
    double longest = 0, whole = 0;
    MedianMs([&] {
        const auto start = Clock::now();
        auto step = Clock::now();
        player.ShowMovie(path, "");
        longest = std::chrono::duration<double, std::milli>(Clock::now() - step).count();
        while (player.Reading()) {
            MSG msg;
            if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            step = Clock::now();
            ::DispatchMessageA(&msg);
            longest = std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - step).count());
        }
        whole = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    });
    Report("window: longest step, 15 MB LZMA", longest, -1, 1);
    Report("window: that card read whole", whole, -1, player.CardInfo() ? 1 : 0);
    ::DestroyWindow(wnd);
    ::DeleteFileA(path.c_str());
}

}  // namespace

void BenchActions(const std::string& root, int scale) {
    BenchSaveAll(root, 2000 / scale, "", "Save All, 2000 movies of 50 KB");
    BenchSaveAll(root, 1000 / scale, "main", "Save All, 1000 movies named main");
    BenchBatchSave(root, 2000 / scale);
    BenchCard(root);
    BenchCardWindow(root);
}

}  // namespace fh::bench
