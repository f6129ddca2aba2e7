// Seeds the current Wine prefix with sample movies, so that a first run of
// Flickhold shows every source at work: entries of the URL cache on several
// sites, unindexed files in the cache folder, and Firefox cache files.
// Running it again replaces the same samples.

#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "sample_files.h"
#include "sample_swf.h"

namespace {

using fh::sample::WriteWholeFile;

// Seconds since 1970 as a file time.
FILETIME FileTimeOf(long long seconds) {
    ULARGE_INTEGER v;
    v.QuadPart = static_cast<ULONGLONG>(seconds + 11644473600LL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = v.LowPart;
    ft.dwHighDateTime = v.HighPart;
    return ft;
}

void SetCreationTime(const std::string& path, long long seconds) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    FILETIME ft = FileTimeOf(seconds);
    ::SetFileTime(file, &ft, &ft, &ft);
    ::CloseHandle(file);
}

struct IndexedSample {
    const char* url;
    bool compressed;
    unsigned colour;
    int frames;
    long long lastModified;  // 0: none
    long long ageDays;
    const char* title;
};

const IndexedSample kIndexed[] = {
    {"http://www.flashgames.example.com/arcade/intro.swf", false, 0x3366CC, 40, 1142431509, 0, "Arcade Intro"},
    {"http://www.flashgames.example.com/arcade/racer.swf", true, 0xCC3333, 400, 1167609600, 1, "Desert Racer"},
    {"http://cartoons.example.org/shorts/cat.swf", false, 0xFFCC00, 120, 1199145600, 3, ""},
    {"http://cartoons.example.org/shorts/dog.swf", true, 0x66CC66, 900, 1230768000, 40, "Dog Days"},
    {"http://puzzles.example.net/daily/cubes.swf", false, 0x9933CC, 15, 0, 0, "Cubes"},
    {"http://banners.example.co.kr/ad/banner.swf", true, 0x3399FF, 5, 1262304000, 400, "Spring Sale"},
};

}  // namespace

int main() {
    const long long now = static_cast<long long>(time(nullptr));
    int indexed = 0;
    for (const IndexedSample& s : kIndexed) {
        ::DeleteUrlCacheEntryA(s.url);
        char path[MAX_PATH] = "";
        if (!::CreateUrlCacheEntryA(s.url, 0, "swf", path, 0)) continue;
        if (!WriteWholeFile(path, fh::sample::MakeSwf(s.compressed, s.colour, s.frames, s.title))) continue;
        SetCreationTime(path, now - s.ageDays * 86400);
        FILETIME modified{};
        if (s.lastModified) modified = FileTimeOf(s.lastModified);
        FILETIME expires{};
        if (::CommitUrlCacheEntryA(s.url, path, expires, modified, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr))
            ++indexed;
    }

    int loose = 0;
    char cache[MAX_PATH] = "";
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_INTERNET_CACHE, nullptr, 0, cache))) {
        std::string folder = std::string(cache) + "\\Flickhold samples";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        const char* names[] = {"orphan_clock.swf", "orphan_logo.swf"};
        for (int i = 0; i < 2; ++i) {
            std::string path = folder + "\\" + names[i];
            if (WriteWholeFile(path, fh::sample::MakeSwf(i == 1, 0x00AACC, 30 + 70 * i))) {
                SetCreationTime(path, now - i * 86400);
                ++loose;
            }
        }
    }

    int firefox = 0;
    char local[MAX_PATH] = "";
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local))) {
        std::string entries = std::string(local) + "\\Mozilla\\Firefox\\Profiles\\sample.default\\cache2\\entries";
        const char* names[] = {"3F2A9C0B17D4E5F6A7B8C9D0E1F2A3B4C5D6E7F8", "8C1D2E3F4A5B6C7D8E9F0A1B2C3D4E5F6A7B8C9D",
                               "A0B1C2D3E4F5061728394A5B6C7D8E9FA0B1C2D3"};
        for (int i = 0; i < 3; ++i) {
            // The last one is a cached picture, not a movie.
            std::string bytes = i < 2 ? fh::sample::MakeSwf(i == 0, 0xEE7700, 60 + 200 * i) : "GIF89a\x01\x00\x01\x00";
            if (WriteWholeFile(entries + "\\" + names[i], bytes) && i < 2) ++firefox;
        }
    }
    std::printf("sample cache: %d indexed movies, %d unindexed, %d Firefox files\n", indexed, loose, firefox);
    return indexed > 0 ? 0 : 1;
}
