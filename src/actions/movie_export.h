#pragma once
// Movies of a load taken out of the program as a whole: the list as a CSV
// file, and copies saved in the save folder or in site folders under it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "actions/movie_csv.h"
#include "actions/movie_snapshot.h"
#include "actions/save_names.h"
#include "base/local_time.h"
#include "discovery/swf_entry.h"

namespace fh {

// The facts of one movie for its CSV record: its texts in UTF-8, the file's
// size and time, and what its header says; with `hash`, the read of the
// header goes on for the hash of its bytes.
CsvMovie GatherCsvMovie(const SwfEntry& entry, const Clock& clock, bool hash);

// Per movie of the list (folder rows left out), in order, the SHA-256 of its
// bytes as saved (MovieSha256), hashed on the processor's cores. `progress`
// hears the count done, about ten times a second, and may end the hashing
// (false): then there are none.
std::optional<std::vector<std::string>> HashMovies(const SwfEntryList& entries,
                                                   const std::function<bool(std::size_t)>& progress = nullptr);

// What saving each movie once needs, as HashMovies gives it but only for the
// movies whose length another movie shares, as only they can be copies (and
// those whose length is known only once decoded); the others are left
// empty, which matches nothing. Most movies of a list are of a length of
// their own, and so are not read at all.
std::optional<std::vector<std::string>> HashPossibleCopies(const SwfEntryList& entries,
                                                           const std::function<bool(std::size_t)>& progress = nullptr);

// Writes the bytes to a temporary file beside the path and renames it over
// the path, so that a failure never leaves half a file behind.
bool WriteFileWhole(const std::string& path, const std::string& bytes);

// The CSV of the movies (folder rows left out) in entry-list order, each
// with its hash and how many rows share it; with `savedTo`, one target per
// movie in the same order goes in a column, and with `snapshots` the
// pictures of their first frames, and whether each was cut, in the last
// two. `hashes` (per movie, as HashMovies gives them) spare reading the
// movies again for theirs.
bool ExportMovieList(const SwfEntryList& entries, const std::string& path, const Clock& clock,
                     const std::vector<std::string>* savedTo = nullptr, const SnapshotReport* snapshots = nullptr,
                     const std::vector<std::string>* hashes = nullptr);

// True when the path names a folder.
bool IsFolder(const std::string& path);

// Makes the folder and the folders it lies in; true when it is there.
bool MakeFolders(const std::string& folder);

// Saves one movie in its site folder under the save folder; the file
// written, or empty when it could not be.
std::string SaveInSiteFolder(const SwfEntry& entry, const std::string& saveFolder, const std::string& unclassified,
                             FreeNameFinder& names);

struct SaveReport {
    std::vector<std::string> targets;  // per movie, in order; empty when it failed
    std::vector<std::string> failed;   // the names of those that failed
    int saved = 0;                     // files written
    int copies = 0;                    // movies not written again: their target is an earlier copy's
};

// Saves the movies (folder rows left out), never overwriting: in the save
// folder itself, or in site folders under it. With `onceBy` (per movie, as
// HashMovies gives them) each movie is written once, by its first row in
// list order, and every copy's target is that file.
SaveReport SaveMovies(const SwfEntryList& entries, const std::string& saveFolder, bool siteFolders,
                      const std::string& unclassified, const std::vector<std::string>* onceBy = nullptr);

}  // namespace fh
