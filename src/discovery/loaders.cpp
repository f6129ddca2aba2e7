#include "discovery/loaders.h"

#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/codepage.h"
#include "discovery/file_finder.h"
#include "discovery/path.h"
#include "discovery/shell_helpers.h"
#include "discovery/swf_names.h"
#include "ui/settings.h"
#include "win/handles.h"

namespace fh {

namespace {

// Cookie and history entries of the URL cache.
constexpr DWORD kSkippedEntryTypes = 0x300000;

// The loaders' finder callback and its two switches.
struct ScanState {
    bool collectFolders = false;
    bool testSignature = false;
    std::vector<std::string> found;
};

bool FileHasSignature(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 3) return false;
    unsigned char head[3];
    DWORD read = 0;
    if (!::ReadFile(file.Get(), head, sizeof(head), &read, nullptr) || read != sizeof(head)) return false;
    return HasSwfSignature(head, read);
}

void ScanCallback(CFileFinder& finder, int event, void* data) {
    auto* state = static_cast<ScanState*>(data);
    const CodePage& cp = SystemCodePage();
    if (event == FindMatchedFile && !state->collectFolders) {
        CPath path(cp);
        path.SetPath(finder.GetResult(finder.GetResultCount() - 1));
        std::string text = path.GetPath();
        if (text.empty()) return;
        if (state->testSignature && !FileHasSignature(text)) return;
        state->found.push_back(text);
    } else if (event == FindFolder && state->collectFolders) {
        std::string folder = TrimBackslashes(finder.LastFolder(), cp);
        if (!folder.empty()) state->found.push_back(folder);
    }
}

// A movie file found on disk; false when the file is gone or empty.
bool MakeFileEntry(const std::string& path, int& counter, const Clock& clock, SwfEntry& entry) {
    entry = SwfEntry{};
    entry.path = path;
    entry.sizeText = GetFileSizeText(path);
    if (entry.sizeText.empty()) return false;
    entry.id = ++counter;
    entry.fileTime = clock.Now();
    GetFileCreationTime(path, entry.fileTime, clock);
    return true;
}

std::string FormatLastModified(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    // 100-ns ticks since 1601 to seconds since 1970.
    const std::int64_t seconds = static_cast<std::int64_t>(value.QuadPart / 10000000ULL) - 11644473600LL;
    return FormatHttpDate(seconds);
}

// One cache entry in a buffer of exactly the size the index reported.
using EntryBuffer = std::unique_ptr<unsigned char[]>;

EntryBuffer Allocate(DWORD size) { return EntryBuffer(new (std::nothrow) unsigned char[size]); }

void AddIndexEntry(const INTERNET_CACHE_ENTRY_INFOA& info, SwfEntryList& entries, int& counter, const Clock& clock) {
    if (info.CacheEntryType & kSkippedEntryTypes) return;
    if (!info.lpszLocalFileName) return;
    const std::string local = info.lpszLocalFileName;
    if (local.size() < 5 || local.compare(local.size() - 4, 4, ".swf") != 0) return;
    SwfEntry entry;
    if (!MakeFileEntry(local, counter, clock, entry)) return;
    const CodePage& cp = SystemCodePage();
    entry.url = info.lpszSourceUrlName ? info.lpszSourceUrlName : "";
    entry.name = GetDisplayName(local, cp);
    entry.site = GetSiteFromUrl(entry.url, cp);
    if (info.LastModifiedTime.dwLowDateTime || info.LastModifiedTime.dwHighDateTime)
        entry.lastModifiedText = FormatLastModified(info.LastModifiedTime);
    entries.push_back(std::move(entry));
}

void LoadIndex(SwfEntryList& entries, int& counter, const Clock& clock) {
    DWORD size = 0;
    ::FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (size == 0) return;
    EntryBuffer buffer = Allocate(size);
    if (!buffer) return;
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.get());
    UniqueUrlCacheFind find(::FindFirstUrlCacheEntryA(nullptr, info, &size));
    if (!find) return;
    for (;;) {
        AddIndexEntry(*info, entries, counter, clock);
        size = 0;
        ::FindNextUrlCacheEntryA(find.Get(), nullptr, &size);
        buffer.reset();
        if (size == 0) break;
        buffer = Allocate(size);
        if (!buffer) break;
        info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.get());
        if (!::FindNextUrlCacheEntryA(find.Get(), info, &size)) break;
    }
}

std::vector<std::string> FindMovieFiles(const std::string& folder, const std::string& mask, bool testSignature) {
    ScanState state;
    state.testSignature = testSignature;
    CFileFinder finder;
    finder.SetCallback(&ScanCallback, &state);
    finder.FindFiles(folder, mask, 1);
    return std::move(state.found);
}

}  // namespace

int LoadIeCache(SwfEntryList& entries, const Clock& clock) {
    entries.clear();
    int counter = 1;
    LoadIndex(entries, counter, clock);

    const CodePage& cp = SystemCodePage();
    std::string folder = ReadProgramText("IECacheFolder", "");
    if (folder.empty()) folder = GetSpecialFolderPath(CSIDL_INTERNET_CACHE);
    folder = TrimBackslashes(folder, cp);
    if (folder.empty()) return counter;

    NoCaseTextSet listed(cp);
    for (const SwfEntry& e : entries) listed.Add(e.path);
    for (const std::string& path : FindMovieFiles(folder, "*.swf", false)) {
        if (listed.Contains(path)) continue;
        SwfEntry entry;
        if (!MakeFileEntry(path, counter, clock, entry)) continue;
        entry.name = GetDisplayName(path, cp);
        entry.unclassified = true;
        entries.push_back(std::move(entry));
    }
    return counter;
}

void LoadFirefoxCache(SwfEntryList& entries, int& counter, const Clock& clock) {
    const CodePage& cp = SystemCodePage();
    std::vector<std::string> folders;
    std::string configured = ReadProgramText("FirefoxProfileFolder", "");
    if (!configured.empty()) {
        folders.push_back(configured);
    } else {
        // Firefox keeps its disk cache under the local application data; the
        // roaming folder holds the profiles of older versions.
        for (int csidl : {CSIDL_LOCAL_APPDATA, CSIDL_APPDATA}) {
            std::string base = GetSpecialFolderPath(csidl);
            if (!base.empty()) folders.push_back(base + "\\Mozilla\\Firefox");
        }
        if (folders.size() == 2 &&
            cp.EqualNoCase(TrimBackslashes(folders[0], cp), TrimBackslashes(folders[1], cp)))
            folders.pop_back();
    }
    int number = 1;
    for (const std::string& f : folders) {
        std::string folder = TrimBackslashes(f, cp);
        if (folder.empty()) continue;
        for (const std::string& path : FindMovieFiles(folder, "*.*", true)) {
            SwfEntry entry;
            if (!MakeFileEntry(path, counter, clock, entry)) continue;
            entry.name = FirefoxName(number++);
            entry.unclassified = true;
            entries.push_back(std::move(entry));
        }
    }
}

void LoadChosenFolder(SwfEntryList& entries, const std::string& folder, int& counter, const Clock& clock) {
    const CodePage& cp = SystemCodePage();
    ScanState state;
    CFileFinder finder;
    finder.SetCallback(&ScanCallback, &state);

    FindOptions options;
    options.folder = folder;
    options.mask = "*.*";
    options.options = kFindAttributeFilter;
    options.attributeMask = FILE_ATTRIBUTE_DIRECTORY;
    state.collectFolders = true;
    finder.Find(options);
    std::vector<std::string> folders = std::move(state.found);
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());

    state.found.clear();
    state.collectFolders = false;
    options.attributeMask |= kFileAttributes;
    options.mask = "*.swf";
    finder.Find(options);
    const std::vector<std::string> files = std::move(state.found);

    if (folder.size() > 3) {
        SwfEntry parent;
        parent.path = parent.name = "..";
        parent.isFolder = true;
        parent.id = ++counter;
        entries.push_back(std::move(parent));
    }
    for (const std::string& path : folders) {
        if (path.size() < 4) continue;
        std::size_t slash = cp.FindLast(path, '\\');
        if (slash == std::string::npos || slash == 0) continue;
        SwfEntry row;
        row.path = path;
        row.name = path.substr(slash + 1);
        row.isFolder = true;
        row.id = ++counter;
        entries.push_back(std::move(row));
    }
    for (const std::string& path : files) {
        if (path.size() < 4) continue;
        SwfEntry entry;
        if (!MakeFileEntry(path, counter, clock, entry)) continue;
        entry.name = GetDisplayName(path, cp);
        entry.unclassified = true;
        entries.push_back(std::move(entry));
    }
}

}  // namespace fh
