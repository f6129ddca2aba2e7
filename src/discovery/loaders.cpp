#include "discovery/loaders.h"

#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/codepage.h"
#include "discovery/archive_source.h"
#include "discovery/file_finder.h"
#include "discovery/path.h"
#include "discovery/shell_helpers.h"
#include "discovery/swf_names.h"
#include "settings/settings_store.h"
#include "settings/value_names.h"
#include "win/handles.h"

namespace fh {

namespace {

// Cookie and history entries of the URL cache.
constexpr DWORD kSkippedEntryTypes = 0x300000;

// A file the finder reported, with what its enumeration already said of it,
// so that no file is queried or opened twice.
struct FoundFile {
    std::string path;
    FileFacts facts;
};

// The loaders' finder callback and its two switches.
struct ScanState {
    bool collectFolders = false;
    bool testSignature = false;
    std::vector<FoundFile> found;
};

bool FileHasSignature(const std::string& path, std::uint64_t size) {
    if (size <= 3) return false;
    UniqueFile file(OpenForReading(path));
    if (!file) return false;
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
        FoundFile file;
        file.path = path.GetPath();
        if (file.path.empty()) return;
        const WIN32_FIND_DATAA& found = finder.FindData();
        file.facts.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        file.facts.created = found.ftCreationTime;
        if (state->testSignature && !FileHasSignature(file.path, file.facts.size)) return;
        state->found.push_back(std::move(file));
    } else if (event == FindFolder && state->collectFolders) {
        std::string folder = TrimBackslashes(finder.LastFolder(), cp);
        if (!folder.empty()) state->found.push_back({std::move(folder), {}});
    }
}

// A movie file's record; false for an empty file (which gets no id).
bool MakeFileEntry(const std::string& path, const FileFacts& facts, int& counter, const Clock& clock,
                   SwfEntry& entry) {
    entry = SwfEntry{};
    if (facts.size == 0) return false;
    entry.path = path;
    entry.sizeText = FormatSizeText(facts.size);
    entry.id = ++counter;
    // The time of loading stays when the creation time cannot be read.
    entry.fileTime = clock.Now();
    CreationTimeFromStamp(facts.created, entry.fileTime, clock);
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
    // WinINet's own downloads have no extension, and movies are often served
    // from addresses without ".swf": the content type or the bytes tell.
    const bool swfName = local.size() >= 5 && local.compare(local.size() - 4, 4, ".swf") == 0;
    const std::string headers = info.lpHeaderInfo ? std::string(info.lpHeaderInfo, info.dwHeaderInfoSize) : "";
    if (!swfName && !SystemCodePage().EqualNoCase(HeaderValue(headers, "Content-Type"), "application/x-shockwave-flash")) {
        FileFacts facts;
        if (!QueryFileFacts(local, facts) || !FileHasSignature(local, facts.size)) return;
    }
    FileFacts facts;
    SwfEntry entry;
    if (!QueryFileFacts(local, facts) || !MakeFileEntry(local, facts, counter, clock, entry)) return;
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

std::vector<FoundFile> FindMovieFiles(const std::string& folder, const std::string& mask, bool testSignature) {
    ScanState state;
    state.testSignature = testSignature;
    CFileFinder finder;
    finder.SetCallback(&ScanCallback, &state);
    finder.FindFiles(folder, mask, 1);
    return std::move(state.found);
}

}  // namespace

void LoadIeCache(SwfEntryList& entries, int& counter, const std::string& cacheFolder, const Clock& clock) {
    const std::size_t first = entries.size();
    LoadIndex(entries, counter, clock);

    const CodePage& cp = SystemCodePage();
    const std::string folder = TrimBackslashes(cacheFolder, cp);
    if (folder.empty()) return;

    NoCaseTextSet listed(cp);
    for (std::size_t i = first; i < entries.size(); ++i) listed.Add(entries[i].path);
    for (const FoundFile& file : FindMovieFiles(folder, "*.swf", false)) {
        if (listed.Contains(file.path)) continue;
        SwfEntry entry;
        if (!MakeFileEntry(file.path, file.facts, counter, clock, entry)) continue;
        entry.name = GetDisplayName(file.path, cp);
        entry.unclassified = true;
        entries.push_back(std::move(entry));
    }
}

void LoadFirefoxCache(SwfEntryList& entries, int& counter, const std::vector<std::string>& folders,
                      const Clock& clock) {
    const CodePage& cp = SystemCodePage();
    int number = 1;
    for (const std::string& f : folders) {
        const std::string folder = TrimBackslashes(f, cp);
        if (folder.empty()) continue;
        // The caches' own records first (cache2 entries and the older disk
        // cache): a body alone with its address, decoded as it was sent.
        const std::size_t first = entries.size();
        LoadCacheRecords(entries, counter, folder, clock, [&] { return FirefoxName(number++); });
        NoCaseTextSet listed(cp);
        for (std::size_t i = first; i < entries.size(); ++i) listed.Add(entries[i].path);
        for (const FoundFile& file : FindMovieFiles(folder, "*.*", true)) {
            if (listed.Contains(file.path)) continue;
            SwfEntry entry;
            if (!MakeFileEntry(file.path, file.facts, counter, clock, entry)) continue;
            entry.name = FirefoxName(number++);
            entry.unclassified = true;
            entries.push_back(std::move(entry));
        }
    }
}

void LoadChosenFolder(SwfEntryList& entries, int& counter, const std::string& folder, const Clock& clock) {
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
    std::vector<std::string> folders;
    for (FoundFile& f : state.found) folders.push_back(std::move(f.path));
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());

    state.found.clear();
    state.collectFolders = false;
    options.attributeMask |= kFileAttributes;
    options.mask = "*.swf";
    finder.Find(options);
    const std::vector<FoundFile> files = std::move(state.found);

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
    for (const FoundFile& file : files) {
        if (file.path.size() < 4) continue;
        SwfEntry entry;
        if (!MakeFileEntry(file.path, file.facts, counter, clock, entry)) continue;
        entry.name = GetDisplayName(file.path, cp);
        entry.unclassified = true;
        entries.push_back(std::move(entry));
    }
}

std::string IeCacheFolder() {
    std::string folder = ReadProgramText(kValueIeCacheFolder, "");
    if (folder.empty()) folder = GetSpecialFolderPath(CSIDL_INTERNET_CACHE);
    return folder;
}

std::vector<std::string> FirefoxFolders() {
    const std::string configured = ReadProgramText(kValueFirefoxProfileFolder, "");
    if (!configured.empty()) return {configured};
    // Firefox keeps its disk cache under the local application data; the
    // roaming folder holds the profiles of older versions.
    const CodePage& cp = SystemCodePage();
    std::vector<std::string> folders;
    for (int csidl : {CSIDL_LOCAL_APPDATA, CSIDL_APPDATA}) {
        std::string base = GetSpecialFolderPath(csidl);
        if (!base.empty()) folders.push_back(base + "\\Mozilla\\Firefox");
    }
    if (folders.size() == 2 && cp.EqualNoCase(TrimBackslashes(folders[0], cp), TrimBackslashes(folders[1], cp)))
        folders.pop_back();
    return folders;
}

}  // namespace fh
