#include "actions/movie_export.h"

#include <windows.h>

#include <atomic>
#include <map>

#include "actions/file_actions.h"
#include "actions/movie_copies.h"
#include "actions/site_folders.h"
#include "base/parallel.h"
#include "discovery/archive_source.h"
#include "discovery/shell_helpers.h"
#include "player/movie_file.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = SystemCodePage().FindLast(path, '\\');
    if (slash == std::string::npos) return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// All but what the movie's header says; `movie` gets its file.
CsvMovie GatherListed(const SwfEntry& entry, const Clock& clock, std::string& movie) {
    CsvMovie m;
    m.name = SystemToUtf8(entry.name);
    m.url = SystemToUtf8(entry.url);
    m.site = SystemToUtf8(entry.site);
    m.path = SystemToUtf8(entry.path);
    m.lastModified = SystemToUtf8(entry.lastModifiedText);
    movie = MovieFileOf(entry);
    FileFacts facts;
    if (!movie.empty() && QueryFileFacts(movie, facts)) m.size = facts.size;
    if (entry.fileTime) m.fileTime = clock.ToLocal(entry.fileTime);
    m.cacheKind = entry.cacheKind;
    if (entry.cacheLastAccess) m.cacheLastAccess = clock.ToLocal(entry.cacheLastAccess);
    if (entry.cacheExpires) m.cacheExpires = clock.ToLocal(entry.cacheExpires);
    return m;
}

// Two movies with their hashes, hashed together on one core.
void GatherHashedPair(const SwfEntry& a, const SwfEntry& b, const Clock& clock, CsvMovie& ma, CsvMovie& mb) {
    std::string files[2];
    ma = GatherListed(a, clock, files[0]);
    mb = GatherListed(b, clock, files[1]);
    std::optional<SwfHeaderInfo> headers[2];
    std::string digests[2];
    if (!files[0].empty() && !files[1].empty()) {
        ReadMovieFiles(files, SwfReadLimits(), headers, digests);
    } else {
        for (int i = 0; i < 2; ++i)
            if (!files[i].empty()) headers[i] = ReadMovieFile(files[i], SwfReadLimits(), nullptr, &digests[i]);
    }
    ma.header = std::move(headers[0]);
    mb.header = std::move(headers[1]);
    ma.sha256 = std::move(digests[0]);
    mb.sha256 = std::move(digests[1]);
}

}  // namespace

CsvMovie GatherCsvMovie(const SwfEntry& entry, const Clock& clock, bool hash) {
    std::string movie;
    CsvMovie m = GatherListed(entry, clock, movie);
    if (!movie.empty()) m.header = ReadMovieFile(movie, SwfReadLimits(), nullptr, hash ? &m.sha256 : nullptr);
    return m;
}

bool WriteFileWhole(const std::string& path, const std::string& bytes) {
    char temp[MAX_PATH] = "";
    if (!::GetTempFileNameA(FolderOf(path).c_str(), "fhk", 0, temp)) return false;
    bool ok = false;
    {
        UniqueFile file(::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ok = file && bytes.size() <= 0xFFFFFFFFu &&
             ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size() && ::FlushFileBuffers(file.Get());
    }
    ok = ok && ::MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) ::DeleteFileA(temp);
    return ok;
}

namespace {

std::vector<const SwfEntry*> MoviesOf(const SwfEntryList& entries) {
    std::vector<const SwfEntry*> movies;
    for (const SwfEntry& entry : entries)
        if (!entry.isFolder) movies.push_back(&entry);
    return movies;
}

// The movies of `movies` that `which` names hashed, the others left empty.
std::optional<std::vector<std::string>> HashSome(const std::vector<const SwfEntry*>& movies,
                                                 const std::vector<std::size_t>& which,
                                                 const std::function<bool(std::size_t)>& progress) {
    std::vector<std::string> hashes(movies.size());
    // A cancel also ends the movies being read, however long.
    std::atomic<bool> cancel{false};
    const bool whole = RunOnWorkers(
        which.size(), WorkerCount(),
        [&](std::size_t i) { hashes[which[i]] = MovieSha256(*movies[which[i]], &cancel); },
        [&](std::size_t done) {
            if (progress && !progress(done)) cancel.store(true);
            return !cancel.load();
        });
    if (!whole || cancel.load()) return std::nullopt;
    return hashes;
}

// The length of a movie as saved, when it is known without decoding it.
std::optional<std::uint64_t> SavedLength(const SwfEntry& entry) {
    if (entry.encoding != BodyEncoding::Identity) return std::nullopt;
    FileFacts facts;
    if (!QueryFileFacts(entry.path, facts)) return std::nullopt;
    if (entry.partOffset > facts.size) return std::uint64_t{0};
    const std::uint64_t rest = facts.size - entry.partOffset;
    return entry.partLength >= 0 ? std::min(rest, static_cast<std::uint64_t>(entry.partLength)) : rest;
}

}  // namespace

std::optional<std::vector<std::string>> HashMovies(const SwfEntryList& entries,
                                                   const std::function<bool(std::size_t)>& progress) {
    const std::vector<const SwfEntry*> movies = MoviesOf(entries);
    std::vector<std::size_t> all(movies.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    return HashSome(movies, all, progress);
}

std::optional<std::vector<std::string>> HashPossibleCopies(const SwfEntryList& entries,
                                                           const std::function<bool(std::size_t)>& progress) {
    const std::vector<const SwfEntry*> movies = MoviesOf(entries);
    std::vector<std::optional<std::uint64_t>> lengths;
    std::map<std::uint64_t, int> sharing;
    for (const SwfEntry* movie : movies) {
        lengths.push_back(SavedLength(*movie));
        if (lengths.back()) ++sharing[*lengths.back()];
    }
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < movies.size(); ++i)
        if (!lengths[i] || sharing[*lengths[i]] > 1) which.push_back(i);
    return HashSome(movies, which, progress);
}

bool ExportMovieList(const SwfEntryList& entries, const std::string& path, const Clock& clock,
                     const std::vector<std::string>* savedTo, const SnapshotReport* snapshots,
                     const std::vector<std::string>* hashes) {
    // Every movie is read before any record is written: a record counts the
    // copies of its movie among them all.
    const std::vector<const SwfEntry*> entered = MoviesOf(entries);
    std::vector<CsvMovie> movies(entered.size());
    if (hashes) {
        RunOnWorkers(entered.size(), WorkerCount(),
                     [&](std::size_t i) { movies[i] = GatherCsvMovie(*entered[i], clock, false); });
    } else {
        // Hashed two at a time: a worker's core interleaves their rounds.
        RunOnWorkers((entered.size() + 1) / 2, WorkerCount(), [&](std::size_t pair) {
            const std::size_t i = 2 * pair;
            if (i + 1 < entered.size())
                GatherHashedPair(*entered[i], *entered[i + 1], clock, movies[i], movies[i + 1]);
            else
                movies[i] = GatherCsvMovie(*entered[i], clock, true);
        });
    }
    for (std::size_t movie = 0; movie < movies.size(); ++movie) {
        CsvMovie& m = movies[movie];
        if (hashes && movie < hashes->size()) m.sha256 = (*hashes)[movie];
        if (savedTo && movie < savedTo->size()) m.savedTo = SystemToUtf8((*savedTo)[movie]);
        if (snapshots && movie < snapshots->targets.size()) {
            m.snapshot = SystemToUtf8(snapshots->targets[movie]);
            m.snapshotCut = snapshots->cut[movie];
        }
    }
    std::vector<std::string> digests;
    for (const CsvMovie& m : movies) digests.push_back(m.sha256);
    const std::vector<int> copies = CountCopies(digests);
    std::string csv = kUtf8Bom;
    csv += CsvHeaderRecord(savedTo != nullptr, snapshots != nullptr);
    for (std::size_t i = 0; i < movies.size(); ++i) {
        movies[i].copies = copies[i];
        csv += CsvMovieRecord(movies[i], savedTo != nullptr, snapshots != nullptr);
    }
    return WriteFileWhole(path, csv);
}

bool MakeFolders(const std::string& folder) {
    if (folder.empty()) return false;
    if (IsFolder(folder)) return true;
    const std::string parent = FolderOf(folder);
    if (parent != folder && parent != "." && !IsFolder(parent) && !MakeFolders(parent)) return false;
    return ::CreateDirectoryA(folder.c_str(), nullptr) || IsFolder(folder);
}

std::string SaveInSiteFolder(const SwfEntry& entry, const std::string& saveFolder, const std::string& unclassified,
                             FreeNameFinder& names) {
    const SitePath site = BuildSitePath(saveFolder, entry.url, entry.name, unclassified, SystemCodePage());
    std::string folder = site.root;
    if (!site.ok || !MakeFolders(folder)) return std::string();
    // A saved movie may hold the name a later address needs for a folder
    // ("h\x.swf" against "h\x.swf\y.swf"): that folder is numbered as files are.
    for (const std::string& name : site.folders) {
        for (int counter = 0;; ++counter) {
            const std::string candidate = folder + "\\" + NumberedName(name, counter);
            if (IsFolder(candidate) || ::CreateDirectoryA(candidate.c_str(), nullptr)) {
                folder = candidate;
                break;
            }
            if (::GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) return std::string();
        }
    }
    return SaveCopy(entry, folder, site.base, names);
}

SaveReport SaveMovies(const SwfEntryList& entries, const std::string& saveFolder, bool siteFolders,
                      const std::string& unclassified, const std::vector<std::string>* onceBy) {
    SaveReport report;
    FreeNameFinder names(SystemCodePage());
    OncePerMovie once(onceBy);
    for (const SwfEntry& entry : entries) {
        if (entry.isFolder) continue;
        const std::size_t movie = report.targets.size();
        const std::string earlier = once.WrittenFor(movie);
        if (!earlier.empty()) {
            report.targets.push_back(earlier);
            ++report.copies;
            continue;
        }
        const std::string target = siteFolders ? SaveInSiteFolder(entry, saveFolder, unclassified, names)
                                               : SaveCopy(entry, saveFolder, entry.name, names);
        once.Wrote(movie, target);
        report.targets.push_back(target);
        if (target.empty()) report.failed.push_back(entry.name);
        else ++report.saved;
    }
    return report;
}

}  // namespace fh
