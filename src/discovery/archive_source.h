#pragma once
// The "cache folder analysis" source: a folder of copied browser caches,
// walked with the offline readers. Movies that are parts of other files
// (a block of a data file, a body followed by metadata, a gzip body) are
// extracted on demand into the program's temporary folder.

#include <atomic>
#include <functional>
#include <string>

#include "base/local_time.h"
#include "discovery/swf_entry.h"

namespace fh {

// Appends the folder's movies; false when the folder is not there.
// `progress` hears the count found so far and may end the walk (false).
bool LoadArchiveFolder(SwfEntryList& entries, int& counter, const std::string& folder, const Clock& clock,
                       const std::function<bool(std::size_t)>& progress = nullptr);

// A file holding exactly the movie's bytes: its own path, or an extracted
// copy (made once, with the cache's last-modified time); empty when the
// bytes cannot be had.
std::string MovieFileOf(const SwfEntry& entry);

// The SHA-256 of the movie's bytes as saved (a cache record's body decoded),
// in 64 lowercase hex digits, from one read of them; empty when they cannot
// all be read within kMaxMovieBody, or when `cancel` is raised.
std::string MovieSha256(const SwfEntry& entry, const std::atomic<bool>* cancel = nullptr);

// Appends the movies that the caches under the folder record with their
// addresses (not the files found by their first bytes alone), each named by
// `nextName`: the Firefox source reads a profile's caches this way.
void LoadCacheRecords(SwfEntryList& entries, int& counter, const std::string& folder, const Clock& clock,
                      const std::function<std::string()>& nextName);

// Gives the file a last-write time (seconds since 1970).
bool SetModifiedTime(const std::string& path, std::int64_t seconds);

// Removes the extracted copies (at the end of the program).
void RemoveExtractedMovies();

}  // namespace fh
