#pragma once
// The loaders that fill the entry list from the three sources. All three
// append to the list they are given (the caller empties it first) and number
// their records from the shared id counter; the folders they scan are given.

#include <string>
#include <vector>

#include "base/local_time.h"
#include "discovery/swf_entry.h"

namespace fh {

// The URL-cache index's ".swf" entries, then the cache folder's ".swf" files
// that the index does not describe (none when the folder is empty).
void LoadIeCache(SwfEntryList& entries, int& counter, const std::string& cacheFolder, const Clock& clock);

// The files under the folders that begin with a movie signature, named
// flash001, flash002, ... across all folders.
void LoadFirefoxCache(SwfEntryList& entries, int& counter, const std::vector<std::string>& folders,
                      const Clock& clock);

// "..", the subfolders and the ".swf" files of the folder.
void LoadChosenFolder(SwfEntryList& entries, int& counter, const std::string& folder, const Clock& clock);

// The folders the loaders scan, from the settings with their defaults: the
// "IECacheFolder" value or the Internet cache; the "FirefoxProfileFolder"
// value or the Firefox folders of the local and roaming application data.
std::string IeCacheFolder();
std::vector<std::string> FirefoxFolders();

}  // namespace fh
