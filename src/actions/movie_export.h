#pragma once
// Movies of a load taken out of the program as a whole: the list as a CSV
// file, and copies saved in the save folder or in site folders under it.

#include <string>
#include <vector>

#include "actions/movie_csv.h"
#include "actions/movie_snapshot.h"
#include "actions/save_names.h"
#include "base/local_time.h"
#include "discovery/swf_entry.h"

namespace fh {

// The facts of one movie for its CSV record: its texts in UTF-8, the file's
// size and time, and what its header says.
CsvMovie GatherCsvMovie(const SwfEntry& entry, const Clock& clock);

// Writes the bytes to a temporary file beside the path and renames it over
// the path, so that a failure never leaves half a file behind.
bool WriteFileWhole(const std::string& path, const std::string& bytes);

// The CSV of the movies (folder rows left out) in entry-list order; with
// `savedTo`, one target per movie in the same order goes in a column, and
// with `snapshots` the pictures of their first frames, and whether each was
// cut, in the last two.
bool ExportMovieList(const SwfEntryList& entries, const std::string& path, const Clock& clock,
                     const std::vector<std::string>* savedTo = nullptr, const SnapshotReport* snapshots = nullptr);

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
    int saved = 0;
};

// Saves the movies (folder rows left out), never overwriting: in the save
// folder itself, or in site folders under it.
SaveReport SaveMovies(const SwfEntryList& entries, const std::string& saveFolder, bool siteFolders,
                      const std::string& unclassified);

}  // namespace fh
