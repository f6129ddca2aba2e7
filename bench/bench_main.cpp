// Benchmarks of the loads, each against a bare baseline over the same data.
// Seeds its own data in the current Wine prefix (or Windows profile) and
// removes it afterwards. Prints one line per case: median of the runs, and
// the ratio to the baseline.

#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "actions/movie_export.h"
#include "base/codepage.h"
#include "discovery/loaders.h"
#include "html/html_canvas.h"
#include "html/html_markup.h"
#include "gfx/draw_manager.h"
#include "settings/settings_store.h"
#include "win/platform.h"

#include "../tools/sample_files.h"
#include "../tools/sample_swf.h"
#include "bench/bench_util.h"

namespace {

using fh::bench::Clock;
using fh::bench::MedianMs;
using fh::bench::Report;
using fh::sample::RemoveTree;
using fh::sample::WriteWholeFile;

// The sizes of the data; "/scale:N" divides them for a quick look.
int kIndexEntries = 20000;
int kIndexMovies = 2000;
int kUnindexedFiles = 5000;
int kFirefoxFiles = 50000;
int kFirefoxMovies = 1000;
std::string UrlOf(int i, bool movie) {
    return "http://site" + std::to_string(i % 97) + ".bench.example/path/" + std::to_string(i) +
           (movie ? ".swf" : ".html");
}

int SeedIndex() {
    const std::string movie = fh::sample::MakeSwf(false, 0x112233, 10);
    int seeded = 0;
    for (int i = 0; i < kIndexEntries; ++i) {
        const bool isMovie = i % (kIndexEntries / kIndexMovies) == 0;
        const std::string url = UrlOf(i, isMovie);
        char path[MAX_PATH] = "";
        if (!::CreateUrlCacheEntryA(url.c_str(), 0, isMovie ? "swf" : "htm", path, 0)) continue;
        WriteWholeFile(path, isMovie ? movie : std::string("<html></html>"));
        FILETIME modified{0x12345678, 0x01C00000};
        FILETIME expires{};
        if (::CommitUrlCacheEntryA(url.c_str(), path, expires, modified, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr,
                                   nullptr))
            ++seeded;
    }
    return seeded;
}

void ClearIndex() {
    for (int i = 0; i < kIndexEntries; ++i) {
        const bool isMovie = i % (kIndexEntries / kIndexMovies) == 0;
        ::DeleteUrlCacheEntryA(UrlOf(i, isMovie).c_str());
    }
}

int EnumerateIndexOnly() {
    int count = 0;
    DWORD size = 0;
    ::FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (!size) return 0;
    std::vector<char> buffer(size);
    HANDLE find = ::FindFirstUrlCacheEntryA(nullptr, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()), &size);
    if (!find) return 0;
    do {
        ++count;
        size = 0;
        ::FindNextUrlCacheEntryA(find, nullptr, &size);
        if (!size) break;
        buffer.resize(size);
    } while (::FindNextUrlCacheEntryA(find, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()), &size));
    ::FindCloseUrlCache(find);
    return count;
}

int WalkAndRead3(const std::string& folder) {
    int count = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = folder + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            count += WalkAndRead3(full);
            continue;
        }
        HANDLE file = ::CreateFileA(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        char head[3];
        DWORD read = 0;
        ::ReadFile(file, head, 3, &read, nullptr);
        ::CloseHandle(file);
        ++count;
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return count;
}

// Scanning and styling a 100 KB body of mixed markup (pre-processing included).
void BenchHtml() {
    const char* const parts[] = {
        "Plain text with words ", "<b>bold</b> ", "<i>italic <u>under</u></i> ", "<font color=red size=3>red</font> ",
        "<font face=Arial style=bi bkgnd=#fbedbb>styled</font> ", "&lt;escaped&gt; &amp; ", "<br>", "<t>",
        "<h2>Heading</h2>", "<span class=cpp-comment>comment</span> ", "<a href=\"http://example.com\">link</a> ",
        "<center>middle</center>", "<<literal ", "<unknown x=1>", "\xB0\xA1\xB3\xAA ",
    };
    std::string body;
    for (std::size_t i = 0; body.size() < 100 * 1024; ++i) body += parts[i % (sizeof(parts) / sizeof(parts[0]))];
    HDC dc = ::CreateCompatibleDC(nullptr);
    fh::GdiHtmlMetrics metrics(dc);
    fh::HtmlStyleSheet sheet(metrics, fh::SystemCodePage());
    fh::CHtmlScanner scanner(sheet, nullptr);
    struct Sink : fh::HtmlEventSink {
        std::size_t bytes = 0;
        void OnText(std::string_view run, const fh::HtmlStyle&) override { bytes += run.size(); }
    } sink;
    const double scan = MedianMs([&] {
        for (int i = 0; i < 10; ++i) scanner.ScanBody(fh::PreProcessHtml(body, true), sink);
    }) / 10;
    ::DeleteDC(dc);
    char name[64];
    std::snprintf(name, sizeof(name), "HTML scan of %zu KB body", body.size() / 1024);
    Report(name, scan, -1, sink.bytes / 10);
}

// Drawing effects on screen-sized pictures: the blur's cost must not grow
// with its size, textures and blending work on DIB memory.
void BenchDraw() {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, 1024, 768);
    HGDIOBJ old = ::SelectObject(dc, target);
    HDC srcDC = ::CreateCompatibleDC(screen);
    HBITMAP source = ::CreateCompatibleBitmap(screen, 1024, 768);
    HGDIOBJ oldSource = ::SelectObject(srcDC, source);
    fh::CDrawManager dm;
    RECT all{0, 0, 1024, 768};
    dm.FillEffect(srcDC, 0, all, RGB(200, 30, 30), 0, 0, 0, 0);

    // A silhouette: white with a black rectangle in the middle.
    HBITMAP silhouette = ::CreateCompatibleBitmap(screen, 800, 600);
    {
        HDC s = ::CreateCompatibleDC(screen);
        HGDIOBJ o = ::SelectObject(s, silhouette);
        RECT r{0, 0, 800, 600}, inner{200, 150, 600, 450};
        dm.FillEffect(s, 0, r, RGB(255, 255, 255), 0, 0, 0, 0);
        dm.FillEffect(s, 0, inner, 0, 0, 0, 0, 0);
        ::SelectObject(s, o);
        ::DeleteDC(s);
    }
    const double small = MedianMs([&] { dm.DrawShadow(dc, 0, 0, 800, 600, silhouette, true, 7, 7); });
    const double large = MedianMs([&] { dm.DrawShadow(dc, 0, 0, 800, 600, silhouette, true, 31, 31); });
    Report("soft shadow 7x7 over 800x600", small, -1, 800 * 600);
    Report("soft shadow 31x31 over 800x600", large, small, 800 * 600);

    static const char* const names[] = {"noise", "diagshade", "hshade", "vshade", "hbump",
                                        "vbump", "softbump", "hardbump", "metal"};
    const double fill = MedianMs([&] { dm.FillEffect(dc, 0, all, RGB(1, 2, 3), 0, 0, 0, 0); });
    for (int effect = 7; effect <= 15; ++effect) {
        const double t = MedianMs(
            [&] { dm.FillEffect(dc, effect, all, RGB(255, 255, 255), RGB(128, 128, 128), RGB(0, 0, 0), 20, 0); });
        char name[64];
        std::snprintf(name, sizeof(name), "texture %d %s 1024x768", effect, names[effect - 7]);
        Report(name, t, fill, 1024 * 768);
    }
    const double blit = MedianMs([&] { ::BitBlt(dc, 0, 0, 1024, 768, srcDC, 0, 0, SRCCOPY); });
    const double blend = MedianMs([&] { dm.BlendPercent(dc, 0, 0, 1024, 768, srcDC, 0, 0, 40); });
    Report("BlendPercent 40% 1024x768", blend, blit, 1024 * 768);

    ::DeleteObject(silhouette);
    ::SelectObject(srcDC, oldSource);
    ::DeleteObject(source);
    ::DeleteDC(srcDC);
    ::SelectObject(dc, old);
    ::DeleteObject(target);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
}

// The loads of the Internet Explorer cache and the Firefox folder, each
// against a bare enumeration of the same data.
void BenchLoads(const std::string& root) {
    // IE: the index, and unindexed files in a folder beside the cache's own.
    auto seedStart = Clock::now();
    const int seeded = SeedIndex();
    {
        // The list of the index's movies as CSV, header reads included,
        // against the load alone.
        fh::SwfEntryList listed;
        const std::string csv = root + "\\list.csv";
        auto load = [&] {
            listed.clear();
            int counter = 1;
            fh::LoadIeCache(listed, counter, fh::IeCacheFolder(), fh::SystemClock());
        };
        const double loadOnly = MedianMs(load);
        const double withCsv = MedianMs([&] {
            load();
            fh::ExportMovieList(listed, csv, fh::SystemClock());
        });
        Report("IE load + CSV export", withCsv, loadOnly, listed.size());
        ::DeleteFileA(csv.c_str());
    }
    char cache[MAX_PATH] = "";
    ::SHGetFolderPathA(nullptr, CSIDL_INTERNET_CACHE, nullptr, 0, cache);
    const std::string loose = std::string(cache) + "\\flickhold_bench_loose";
    ::CreateDirectoryA(loose.c_str(), nullptr);
    const std::string movie = fh::sample::MakeSwf(true, 0x445566, 10);
    for (int i = 0; i < kUnindexedFiles; ++i) WriteWholeFile(loose + "\\loose" + std::to_string(i) + ".swf", movie);
    std::printf("seeded %d index entries (%d movies) and %d unindexed files in %.1f s\n", seeded, kIndexMovies,
                kUnindexedFiles, std::chrono::duration<double>(Clock::now() - seedStart).count());
    std::fflush(stdout);

    fh::SwfEntryList entries;
    const std::string cacheFolder = fh::IeCacheFolder();
    const double ie = MedianMs([&] {
        entries.clear();
        int counter = 1;
        fh::LoadIeCache(entries, counter, cacheFolder, fh::SystemClock());
    });
    const size_t ieRecords = entries.size();
    const double ieBase = MedianMs([] { EnumerateIndexOnly(); });
    Report("IE cache load (index + folder)", ie, ieBase, ieRecords);
    ClearIndex();
    RemoveTree(loose);

    // Firefox: 50 profiles-like folders of 1000 files, one in fifty a movie.
    seedStart = Clock::now();
    const std::string ff = root + "\\Firefox";
    ::CreateDirectoryA(ff.c_str(), nullptr);
    const std::string other(64, 'x');
    for (int i = 0; i < kFirefoxFiles; ++i) {
        const std::string folder = ff + "\\d" + std::to_string(i / 1000);
        if (i % 1000 == 0) ::CreateDirectoryA(folder.c_str(), nullptr);
        const bool isMovie = i % (kFirefoxFiles / kFirefoxMovies) == 0;
        WriteWholeFile(folder + "\\" + std::to_string(i), isMovie ? movie : other);
    }
    std::printf("seeded %d Firefox files (%d movies) in %.1f s\n", kFirefoxFiles, kFirefoxMovies,
                std::chrono::duration<double>(Clock::now() - seedStart).count());
    std::fflush(stdout);
    const double fx = MedianMs([&] {
        entries.clear();
        int counter = 1;
        fh::LoadFirefoxCache(entries, counter, {ff}, fh::SystemClock());
    });
    const size_t fxRecords = entries.size();
    const double fxBase = MedianMs([&] { WalkAndRead3(ff); });
    Report("Firefox load (signature scan)", fx, fxBase, fxRecords);

}

}  // namespace

int main(int argc, char** argv) {
    fh::SetSystemCodePage(fh::CodePageFromSystem());
    auto flag = [&](const char* name) {
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], name) == 0) return true;
        return false;
    };
    int scale = 1;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "/scale:", 7) == 0) scale = std::max(1, std::atoi(argv[i] + 7));
    // One part alone: /html, /draw, /tips, /script, /actions, /hashes, /archive, /movie, /frames; all of them otherwise.
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "/hostile:", 9) == 0) return fh::bench::BenchHostileMovie(argv[i] + 9);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "/hostileframe:", 14) == 0) return fh::bench::BenchHostileFrame(argv[i] + 14);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "/coldhash:", 10) == 0) return fh::bench::ColdHashStep(argv[i] + 10);
    const bool only = flag("/html") || flag("/draw") || flag("/tips") || flag("/script") || flag("/actions") ||
                      flag("/archive") || flag("/movie") || flag("/hashes") || flag("/frames");
    if (!only || flag("/html")) {
        BenchHtml();
        fh::bench::BenchRenderer();
    }
    if (!only || flag("/draw")) BenchDraw();
    if (!only || flag("/tips")) fh::bench::BenchTips();
    if (!only || flag("/script")) {
        fh::bench::BenchScript();
        fh::bench::BenchScriptMemory();
        fh::bench::BenchClips();
    }
    if (only && !flag("/actions") && !flag("/archive") && !flag("/movie") && !flag("/hashes") && !flag("/frames"))
        return 0;
    kIndexEntries /= scale;
    kIndexMovies /= scale;
    kUnindexedFiles /= scale;
    kFirefoxFiles /= scale;
    kFirefoxMovies /= scale;
    // Settings go to a scratch key, never to the user's own.
    HKEY scratch = nullptr;
    const char* kScratch = "Software\\FlickholdBench";
    ::RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch, nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
    fh::CreateSettingsKey(HKEY_CURRENT_USER, fh::kProgramKey);

    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "flickhold_bench";
    RemoveTree(root);
    ::CreateDirectoryA(root.c_str(), nullptr);
    if (!only || flag("/actions")) fh::bench::BenchActions(root, scale);
    if (!only || flag("/hashes")) fh::bench::BenchHashes(root, scale);
    if (!only || flag("/archive")) fh::bench::BenchArchive(root, scale);
    if (!only || flag("/movie")) fh::bench::BenchMovie(root + "\\movies");
    if (!only || flag("/frames")) fh::bench::BenchHostileFrames(root + "\\frames");
    if (!only) BenchLoads(root);

    RemoveTree(root);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(scratch);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratch);
    return 0;
}
