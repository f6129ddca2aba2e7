#include "discovery/archive_source.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "discovery/archive_scan.h"
#include "caches/firefox_cache2.h"
#include "base/hex_text.h"
#include "discovery/shell_helpers.h"
#include "discovery/swf_names.h"
#include "res/resource.h"
#include "win/handles.h"
#include "win/platform.h"
#include "win/sha256.h"

namespace fh {

namespace {

// The size is asked of the system only when needed: most files of a walk
// are only read from their start, and each call costs under Wine.
class WinCacheFile : public CacheFile {
public:
    explicit WinCacheFile(UniqueFile file) : m_file(std::move(file)) {}
    std::uint64_t Size() const override {
        if (!m_size) {
            LARGE_INTEGER size{};
            m_size = ::GetFileSizeEx(m_file.Get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
        }
        return *m_size;
    }
    std::string ReadAt(std::uint64_t offset, std::size_t count) override {
        if (m_size) {
            if (offset >= *m_size) return std::string();
            count = static_cast<std::size_t>(std::min<std::uint64_t>(count, *m_size - offset));
        }
        std::string out(count, '\0');
        // Reads go on from where the last one ended (most often the start),
        // so the file pointer moves only for a jump.
        if (offset != m_pos) {
            LARGE_INTEGER to;
            to.QuadPart = static_cast<LONGLONG>(offset);
            if (!::SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN)) return std::string();
            m_pos = offset;
        }
        std::size_t done = 0;
        while (done < count) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
            if (!::ReadFile(m_file.Get(), &out[done], want, &got, nullptr) || got == 0) break;
            done += got;
        }
        m_pos += done;
        out.resize(done);
        return out;
    }

private:
    UniqueFile m_file;
    mutable std::optional<std::uint64_t> m_size;
    std::uint64_t m_pos = 0;
};

class WinArchiveFolder : public ArchiveFolder {
public:
    explicit WinArchiveFolder(std::string root) : m_root(std::move(root)) {}
    std::string PathOf(const std::string& name) const { return name.empty() ? m_root : m_root + "\\" + name; }

    std::unique_ptr<CacheFile> Open(const std::string& name) override {
        // Names come from cache data: none that Windows reads as a device.
        const CodePage& cp = SystemCodePage();
        for (std::size_t at = 0; at <= name.size();) {
            const std::size_t end = std::min(cp.Find(name, '\\', at), name.size());
            if (IsDeviceName(std::string_view(name).substr(at, end - at), cp)) return nullptr;
            at = end + 1;
        }
        UniqueFile file(OpenForReading(PathOf(name)));
        if (!file) return nullptr;
        return std::make_unique<WinCacheFile>(std::move(file));
    }

    std::vector<FolderItem> List(const std::string& subfolder) override {
        std::vector<FolderItem> items;
        WIN32_FIND_DATAA found;
        UniqueFind find(::FindFirstFileA((PathOf(subfolder) + "\\*").c_str(), &found));
        if (!find) return items;
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            // Junctions and links could lead out of the folder, or round.
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            items.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        } while (::FindNextFileA(find.Get(), &found));
        return items;
    }

    std::string ToUtf8(const std::string& path) const override {
        for (char c : path)
            if (static_cast<unsigned char>(c) >= 0x80) return SystemToUtf8(path);
        return path;
    }

private:
    std::string m_root;
};

// The name a movie is listed under: its address's last part, else its
// file's, without an extension or a copy number ("movie[1].swf").
std::string ArchiveName(const std::string& url, const std::string& path, const CodePage& cp) {
    const std::string address = url.substr(0, url.find_first_of("?#"));
    const std::size_t slash = address.rfind('/');
    std::string last = slash == std::string::npos || address.find("://") + 2 == slash ? "" : address.substr(slash + 1);
    if (last.empty()) last = path.substr(cp.FindLast(path, '\\') + 1);
    return last.find_first_of(".[") == std::string::npos ? last : GetDisplayName(last, cp);
}

std::string ExtractedFolder() {
    char temp[MAX_PATH] = "";
    const DWORD n = ::GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH - 32) return std::string();
    return std::string(temp) + "Flickhold-" + std::to_string(::GetCurrentProcessId());
}

std::mutex& ExtractedLock() {
    static std::mutex lock;
    return lock;
}

// Extracted copies by source file, offset and length.
std::map<std::string, std::string>& Extracted() {
    static std::map<std::string, std::string> extracted;
    return extracted;
}

// The number of the next extracted copy's name. It only grows: a copy that
// was deleted must not lend its name to another movie.
unsigned& NextExtractedName() {
    static unsigned next = 1;
    return next;
}

// How many of the file's bytes the movie's stored body takes from its
// offset on; false when the file ends before that offset.
bool StoredLength(const SwfEntry& entry, WinCacheFile& source, std::uint64_t& length) {
    if (entry.partOffset > source.Size()) return false;
    length = source.Size() - entry.partOffset;
    if (entry.partLength >= 0) length = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(entry.partLength));
    return true;
}

// Streams the movie's bytes, decoded, into a new file of the extracted
// folder; its path, or empty.
std::string ExtractMovie(const SwfEntry& entry, const std::string& folder) {
    UniqueFile stored(OpenForReading(entry.path));
    if (!stored) return std::string();
    WinCacheFile source(std::move(stored));
    std::uint64_t length = 0;
    if (!StoredLength(entry, source, length)) return std::string();
    for (int tries = 0; tries < 1000; ++tries) {
        const std::string path = folder + "\\" + std::to_string(NextExtractedName()++) + ".swf";
        // A new file only: what is there already (another run's leftover) is never written over.
        UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                                      nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return std::string();
        }
        const StreamEnd end = StreamBody(source, entry.partOffset, length, entry.encoding, kMaxMovieBody,
                                         [&](std::string_view piece) {
                                             DWORD written = 0;
                                             return ::WriteFile(file.Get(), piece.data(), static_cast<DWORD>(piece.size()),
                                                                &written, nullptr) &&
                                                    written == piece.size();
                                         });
        file.Reset();
        if (end != StreamEnd::Whole) {
            ::DeleteFileA(path.c_str());
            return std::string();
        }
        return path;
    }
    return std::string();
}

// The list's row of a movie the walk found; false when its file is gone.
bool EntryOf(const CacheRecord& r, const WinArchiveFolder& archive, const Clock& clock, SwfEntry& entry) {
    const CodePage& cp = SystemCodePage();
    entry = SwfEntry{};
    entry.path = archive.PathOf(r.file);
    entry.url = r.url;
    entry.site = GetSiteFromUrl(r.url, cp);
    entry.unclassified = r.url.empty();
    entry.name = ArchiveName(r.url, entry.path, cp);
    entry.cacheKind = r.kind;
    entry.partOffset = r.offset;
    if (r.length) entry.partLength = static_cast<std::int64_t>(*r.length);
    entry.encoding = r.encoding;
    entry.cacheLastModified = r.lastModified;
    entry.cacheLastAccess = r.lastAccess;
    entry.cacheExpires = r.expires;
    if (r.lastModified) entry.lastModifiedText = FormatHttpDate(r.lastModified);
    FileFacts facts;
    if (!QueryFileFacts(entry.path, facts) || r.movieSize == 0) return false;
    entry.sizeText = FormatSizeText(r.movieSize);
    // A movie beyond what is ever taken out of a cache is still listed.
    if (r.movieCut) {
        char text[256];
        std::snprintf(text, sizeof text, LoadResString(IDS_SIZE_CUT).c_str(), entry.sizeText.c_str());
        entry.sizeText = text;
    }
    entry.fileTime = clock.Now();
    CreationTimeFromStamp(facts.created, entry.fileTime, clock);
    return true;
}

bool IsFolderPath(const std::string& root) {
    const DWORD attributes = ::GetFileAttributesA(root.c_str());
    return !root.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool LoadArchiveFolder(SwfEntryList& entries, int& counter, const std::string& folder, const Clock& clock,
                       const std::function<bool(std::size_t)>& progress) {
    const std::string root = TrimBackslashes(folder, SystemCodePage());
    if (!IsFolderPath(root)) return false;
    WinArchiveFolder archive(root);
    const ArchiveScan scan = ScanArchive(archive, progress);
    for (const CacheRecord& r : scan.movies) {
        SwfEntry entry;
        if (!EntryOf(r, archive, clock, entry)) continue;
        entry.id = ++counter;
        entries.push_back(std::move(entry));
    }
    return true;
}

void LoadCacheRecords(SwfEntryList& entries, int& counter, const std::string& folder, const Clock& clock,
                      const std::function<std::string()>& nextName) {
    const std::string root = TrimBackslashes(folder, SystemCodePage());
    if (!IsFolderPath(root)) return;
    WinArchiveFolder archive(root);
    const ArchiveScan scan = ScanArchive(archive, nullptr, false);
    for (const CacheRecord& r : scan.movies) {
        SwfEntry entry;
        if (!EntryOf(r, archive, clock, entry)) continue;
        entry.name = nextName();
        entry.id = ++counter;
        entries.push_back(std::move(entry));
    }
}

std::string MovieFileOf(const SwfEntry& entry) {
    if (!entry.IsPart()) return entry.path;
    const std::string key = entry.path + "|" + std::to_string(entry.partOffset) + "|" + std::to_string(entry.partLength);
    std::lock_guard<std::mutex> hold(ExtractedLock());
    auto known = Extracted().find(key);
    if (known != Extracted().end() && ::GetFileAttributesA(known->second.c_str()) != INVALID_FILE_ATTRIBUTES)
        return known->second;
    const std::string folder = ExtractedFolder();
    if (folder.empty()) return std::string();
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = ExtractMovie(entry, folder);
    if (path.empty()) return std::string();
    // Saved copies keep the time the server gave the movie.
    if (entry.cacheLastModified) SetModifiedTime(path, entry.cacheLastModified);
    Extracted()[key] = path;
    return path;
}

std::string MovieSha256(const SwfEntry& entry, const std::atomic<bool>* cancel) {
    UniqueFile stored(OpenForReading(entry.path));
    if (!stored) return std::string();
    WinCacheFile source(std::move(stored));
    std::uint64_t length = 0;
    if (!StoredLength(entry, source, length)) return std::string();
    Sha256Stream hash;
    const StreamEnd end = StreamBody(source, entry.partOffset, length, entry.encoding, kMaxMovieBody,
                                     [&](std::string_view piece) {
                                         return !(cancel && cancel->load(std::memory_order_relaxed)) && hash.Add(piece);
                                     });
    if (end != StreamEnd::Whole) return std::string();
    const std::string digest = hash.Finish();
    return digest.empty() ? std::string() : LowerHex(digest);
}

bool SetModifiedTime(const std::string& path, std::int64_t seconds) {
    UniqueFile file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
    const FILETIME modified{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return file && ::SetFileTime(file.Get(), nullptr, nullptr, &modified);
}

void RemoveExtractedMovies() {
    std::lock_guard<std::mutex> hold(ExtractedLock());
    for (const auto& copy : Extracted()) ::DeleteFileA(copy.second.c_str());
    Extracted().clear();
    const std::string folder = ExtractedFolder();
    if (!folder.empty()) ::RemoveDirectoryA(folder.c_str());
}

}  // namespace fh
