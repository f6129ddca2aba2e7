#include "discovery/archive_scan.h"

#include <map>
#include <new>
#include <set>
#include <utility>

#include "base/codepage.h"
#include "caches/chromium_cache.h"
#include "caches/firefox_cache1.h"
#include "caches/firefox_cache2.h"
#include "caches/index_dat.h"
#include "caches/webcache.h"

namespace fh {

namespace {

constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxItems = 4u << 20;
// An index.dat is read whole; a larger one is no index.
constexpr std::uint64_t kMaxIndexDat = 512u << 20;
// Enough of a body to see its signature.
constexpr std::size_t kProbe = 4096;
// How far into an encoded body its first decoded bytes are looked for: a
// gzip header's name, comment or extra field comes before the data, and
// may be kilobytes long.
constexpr std::uint64_t kMaxEncodedProbe = 256u << 10;

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "\\" + name;
}

// "FWS", "CWS" or "ZWS" exactly (the Firefox folder's older rule knows no
// LZMA movies).
bool BeginsWithSwfSignature(std::string_view bytes) {
    return bytes.size() >= 3 && (bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z') && bytes[1] == 'W' &&
           bytes[2] == 'S';
}

bool IsSimpleEntryName(const std::string& name) {
    if (name.size() != 18 || name.compare(16, 2, "_0") != 0) return false;
    for (std::size_t i = 0; i < 16; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// Cache file names are ASCII: a single-byte code page compares them.
bool EqualNoCase(const std::string& a, const char* b) { return CodePage().EqualNoCase(a, b); }

// IE10 on Windows 8 named its index WebCacheV24.dat, later ones WebCacheV01.dat.
bool IsWebCacheName(const std::string& name) {
    return name.size() == 15 && CodePage().StartsWithNoCase(name, "WebCacheV") &&
           CodePage().EqualNoCase(name.substr(11), ".dat");
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// UTF-8 in ASCII lower case: no byte of a multibyte character is ASCII.
std::string Utf8Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The last folder and the file name of a path, which is all a WebCache row
// and a copied cache folder are sure to share.
std::string FolderAndName(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash == 0) return std::string();
    const std::size_t before = path.rfind('\\', slash - 1);
    return before == std::string::npos ? path : path.substr(before + 1);
}

// The folder's files seen from one of its subfolders.
class SubFolder : public CacheFolder {
public:
    SubFolder(CacheFolder& root, std::string prefix) : m_root(root), m_prefix(std::move(prefix)) {}
    std::unique_ptr<CacheFile> Open(const std::string& name) override { return m_root.Open(Join(m_prefix, name)); }

private:
    CacheFolder& m_root;
    std::string m_prefix;
};

class Walk {
public:
    Walk(ArchiveFolder& root, const std::function<bool(std::size_t)>& progress) : m_root(root), m_progress(progress) {}

    void Folder(const std::string& sub, int depth) {
        if (m_scan.cancelled || depth > kMaxDepth) return;
        const std::vector<FolderItem> items = m_root.List(sub);
        std::vector<std::string> files, folders;
        for (const FolderItem& item : items) {
            if (++m_items > kMaxItems) return;
            // A file copied under a device's name can only be reached as the
            // device on Windows: it is counted, never opened.
            if (!item.folder && IsDeviceName(item.name, CodePage())) {
                ++m_scan.damaged;
                continue;
            }
            (item.folder ? folders : files).push_back(item.name);
        }
        for (const std::string& name : files) {
            const std::string path = Join(sub, name);
            if (EqualNoCase(name, "index.dat")) ReadIndex(sub, path);
            else if (name == "index") ReadBlockFiles(sub, path);
            else if (EqualNoCase(name, "_CACHE_MAP_")) ReadCache1(sub, path, folders);
            else if (IsWebCacheName(name)) ReadWebCacheIndex(sub, path);
            else if (IsSimpleEntryName(name)) ReadOne(path, &ReadSimpleEntry);
            // A copy may flatten cache2's folders: the entry's own structure
            // says what it is, wherever it lies.
            else if (IsCache2EntryName(name)) ReadOne(path, &ReadCache2Entry);
        }
        for (const std::string& name : files) m_candidates.push_back(Join(sub, name));
        for (const std::string& name : folders) Folder(Join(sub, name), depth + 1);
    }

    ArchiveScan Finish(bool signatures) {
        PlaceWebCacheRows();
        std::set<std::pair<std::string, std::uint64_t>> listed;
        for (CacheRecord& r : m_records) {
            if (m_scan.cancelled) break;
            bool movie = false;
            if (!Guarded([&] { movie = IsMovie(r); })) ++m_scan.damaged;
            if (!movie || !listed.insert({r.file, r.offset}).second) continue;
            m_scan.movies.push_back(std::move(r));
            Report();
        }
        // Files no reader knows, by their first bytes.
        for (const std::string& path : signatures ? m_candidates : std::vector<std::string>()) {
            if (m_scan.cancelled) break;
            if (m_claimed.count(path) || listed.count({path, 0})) continue;
            std::unique_ptr<CacheFile> file = m_root.Open(path);
            if (!file || !BeginsWithSwfSignature(file->ReadAt(0, 3))) continue;
            CacheRecord r;
            r.kind = "signature";
            r.file = path;
            r.movieSize = file->Size();
            m_scan.movies.push_back(std::move(r));
            Report();
        }
        return std::move(m_scan);
    }

private:
    void Take(CacheReading reading, const std::string& sub) {
        m_scan.damaged += reading.damaged;
        for (CacheRecord& r : reading.records) {
            r.file = Join(sub, r.file);
            m_claimed.insert(r.file);
            m_records.push_back(std::move(r));
        }
        for (const std::string& name : reading.claimed) m_claimed.insert(Join(sub, name));
    }

    void ReadIndex(const std::string& sub, const std::string& path) {
        std::unique_ptr<CacheFile> file = m_root.Open(path);
        if (!file || file->Size() > kMaxIndexDat || !IsIndexDat(file->ReadAt(0, 32))) return;
        m_claimed.insert(path);
        if (!Guarded([&] { Take(ReadIndexDat(file->ReadAt(0, static_cast<std::size_t>(file->Size()))), sub); }))
            ++m_scan.damaged;
    }

    void ReadBlockFiles(const std::string& sub, const std::string& path) {
        std::unique_ptr<CacheFile> file = m_root.Open(path);
        if (!file || !IsBlockFileIndex(file->ReadAt(0, 4))) return;
        SubFolder folder(m_root, sub);
        if (!Guarded([&] { Take(ReadBlockFileCache(folder), sub); })) ++m_scan.damaged;
    }

    // Firefox's cache before cache2: its separate files lie two hashed
    // folders down ("3\\3D\\ED165m01"), listed here for the reader.
    void ReadCache1(const std::string& sub, const std::string& path, const std::vector<std::string>& folders) {
        std::unique_ptr<CacheFile> file = m_root.Open(path);
        if (!file || !IsCache1Map(file->ReadAt(0, 276))) return;
        std::vector<std::string> separate;
        for (const std::string& first : folders) {
            if (first.size() != 1 || !IsHex(first[0])) continue;
            for (const FolderItem& second : m_root.List(Join(sub, first))) {
                if (++m_items > kMaxItems) return;
                if (!second.folder || second.name.size() != 2 || !IsHex(second.name[0]) || !IsHex(second.name[1]))
                    continue;
                for (const FolderItem& item : m_root.List(Join(Join(sub, first), second.name))) {
                    if (++m_items > kMaxItems) return;
                    if (!item.folder) separate.push_back(first + "\\" + second.name + "\\" + item.name);
                }
            }
        }
        SubFolder folder(m_root, sub);
        if (!Guarded([&] { Take(ReadFirefoxCache1(folder, separate), sub); })) ++m_scan.damaged;
    }

    // The rows are kept until the walk has seen every file: their bodies
    // may lie in folders not walked yet.
    void ReadWebCacheIndex(const std::string& sub, const std::string& path) {
        std::unique_ptr<CacheFile> file = m_root.Open(path);
        if (!file || !IsEseDatabase(file->ReadAt(0, 8))) return;
        m_claimed.insert(path);
        const auto keepGoing = [&] { return !m_progress || m_progress(m_scan.movies.size()); };
        WebCacheReading reading;
        if (!Guarded([&] { reading = ReadWebCache(*file, keepGoing); })) ++m_scan.damaged;
        m_scan.damaged += reading.damaged;
        m_scan.cancelled = m_scan.cancelled || reading.cancelled;
        for (WebCacheRow& row : reading.rows) m_webCacheRows.push_back({sub, std::move(row)});
    }

    // A row's body is in its container's folder on the original machine; on
    // a copy, first where that folder lies beside the database's own profile
    // (WebCache's sibling INetCache, or Temporary Internet Files for IE10 on
    // Windows 7), then in any folder of the row's 8-character name.
    void PlaceWebCacheRows() {
        if (m_webCacheRows.empty()) return;
        // Rows name their files in UTF-8, the walk in the folder's own text.
        std::map<std::string, std::string> byPath, byFolder;
        for (const std::string& path : m_candidates) {
            const std::string text = Utf8Lower(m_root.ToUtf8(path));
            byPath.emplace(text, path);
            byFolder.emplace(FolderAndName(text), path);
        }
        for (auto& [sub, row] : m_webCacheRows) {
            const std::string inFolder = row.folder + "\\" + row.fileName;
            const std::string directory = Utf8Lower(row.directory);
            std::size_t tail = directory.find("\\inetcache\\");
            if (tail == std::string::npos) tail = directory.find("\\temporary internet files\\");
            std::string beside;
            if (tail != std::string::npos) {
                std::string place = directory.substr(tail + 1);
                while (!place.empty() && place.back() == '\\') place.pop_back();
                beside = Join(Join(Utf8Lower(m_root.ToUtf8(ParentOf(sub))), place), Utf8Lower(inFolder));
            }
            const std::string* body = nullptr;
            auto found = byPath.find(beside);
            if (found != byPath.end()) body = &found->second;
            found = byFolder.find(Utf8Lower(inFolder));
            if (!body && found != byFolder.end()) body = &found->second;
            if (!body) continue;
            CacheRecord r;
            r.kind = kWebCacheKind;
            r.url = std::move(row.url);
            r.file = *body;
            r.contentType = std::move(row.contentType);
            r.encoding = row.encoding;
            r.lastModified = row.modified;
            r.lastAccess = row.accessed;
            r.expires = row.expires;
            m_claimed.insert(r.file);
            m_records.push_back(std::move(r));
        }
        m_webCacheRows.clear();
    }

    static bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

    using EntryReader = std::optional<CacheRecord> (*)(CacheFile&, const std::string&, bool&);
    void ReadOne(const std::string& path, EntryReader read) {
        std::unique_ptr<CacheFile> file = m_root.Open(path);
        if (!file) return;
        bool damaged = false;
        std::optional<CacheRecord> record;
        if (!Guarded([&] { record = read(*file, path, damaged); })) damaged = true;
        if (damaged) ++m_scan.damaged;
        if (!record) return;
        m_claimed.insert(path);
        m_records.push_back(std::move(*record));
    }

    // A record or cache that asks for more memory than the process can find
    // (a 32-bit program runs out long before a disk does) counts as damaged,
    // and the walk goes on with the next.
    template <typename Work>
    bool Guarded(Work work) {
        try {
            work();
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // The stored body begins with a signature, itself or once decoded; a
    // body stored already decoded (as WinINet does) loses its encoding.
    // The movie's size comes with it: an encoded uncompressed movie's
    // header gives its length, so only a compressed one is decoded whole,
    // and even that without keeping the bytes.
    bool IsMovie(CacheRecord& r) {
        std::unique_ptr<CacheFile> file = m_root.Open(r.file);
        if (!file || r.offset >= file->Size()) return false;
        std::uint64_t room = file->Size() - r.offset;
        if (r.length) room = std::min(room, *r.length);
        const std::string head = file->ReadAt(r.offset, static_cast<std::size_t>(std::min<std::uint64_t>(room, kProbe)));
        if (BeginsWithSwfSignature(head)) {
            r.encoding = BodyEncoding::Identity;
            r.movieSize = room;
            // A whole file is listed as it is; only a part is taken out.
            r.movieCut = (r.offset != 0 || r.length) && room > kMaxMovieBody;
            return true;
        }
        if (r.encoding == BodyEncoding::Identity) return false;
        const std::string decoded = DecodedPrefix(*file, r.offset, std::min(room, kMaxEncodedProbe), r.encoding, 8);
        if (!BeginsWithSwfSignature(decoded)) return false;
        if (decoded.size() == 8 && decoded[0] == 'F') {
            r.movieSize = Le32(decoded, 4);
            r.movieCut = r.movieSize > kMaxMovieBody;
            return true;
        }
        std::uint64_t size = 0;
        const StreamEnd end = StreamBody(*file, r.offset, room, r.encoding, kMaxMovieBody, [&](std::string_view piece) {
            size += piece.size();
            return true;
        });
        r.movieCut = end == StreamEnd::OverLimit;
        r.movieSize = r.movieCut ? kMaxMovieBody : size;
        return end == StreamEnd::Whole || r.movieCut;
    }

    void Report() {
        if (m_progress && m_scan.movies.size() % 64 == 0 && !m_progress(m_scan.movies.size())) m_scan.cancelled = true;
    }

    ArchiveFolder& m_root;
    const std::function<bool(std::size_t)>& m_progress;
    ArchiveScan m_scan;
    std::vector<CacheRecord> m_records;
    std::vector<std::string> m_candidates;
    std::set<std::string> m_claimed;
    std::vector<std::pair<std::string, WebCacheRow>> m_webCacheRows;  // by the database's folder
    std::size_t m_items = 0;
};

}  // namespace

ArchiveScan ScanArchive(ArchiveFolder& folder, const std::function<bool(std::size_t)>& progress, bool signatures) {
    Walk walk(folder, progress);
    walk.Folder("", 0);
    return walk.Finish(signatures);
}

}  // namespace fh
