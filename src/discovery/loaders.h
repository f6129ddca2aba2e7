#pragma once
// The loaders that fill the entry list from the three sources.

#include <string>

#include "base/local_time.h"
#include "discovery/swf_entry.h"

namespace fh {

// Empties the list and fills it from the URL-cache index and then from the
// cache folder's unindexed ".swf" files. Returns the id counter.
int LoadIeCache(SwfEntryList& entries, const Clock& clock);

// Appends the files under the Firefox folder that begin with a movie signature.
void LoadFirefoxCache(SwfEntryList& entries, int& counter, const Clock& clock);

// Appends "..", the subfolders and the ".swf" files of the folder.
void LoadChosenFolder(SwfEntryList& entries, const std::string& folder, int& counter, const Clock& clock);

}  // namespace fh
