#pragma once
// The "cache folder analysis" source: a folder of copied browser caches,
// walked with the offline readers. Movies that are parts of other files
// (a block of a data file, a body followed by metadata, a gzip body) are
// extracted on demand into the program's temporary folder.

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

// The record of a Firefox cache2 entry file, when the path is one
// ("...\\entries\\<40 hex digits>") and names an address.
std::optional<CacheRecord> ReadCache2File(const std::string& path);

// Gives the file a last-write time (seconds since 1970).
bool SetModifiedTime(const std::string& path, std::int64_t seconds);

// Removes the extracted copies (at the end of the program).
void RemoveExtractedMovies();

}  // namespace fh
