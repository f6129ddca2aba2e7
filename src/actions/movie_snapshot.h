#pragma once
// Pictures of movies: frame 1 drawn at the stage's size by the built-in
// renderer and written as a PNG under the name the movie's saved copy would
// have, numbered and never overwriting.

#include <string>
#include <vector>

#include "actions/save_names.h"
#include "discovery/swf_entry.h"

namespace fh {

// The file written, or empty when the movie could not be read or drawn.
std::string SaveSnapshot(const SwfEntry& entry, const std::string& folder, FreeNameFinder& names);

struct SnapshotReport {
    std::vector<std::string> targets;  // per movie in order; empty when it failed
    std::vector<std::string> failed;   // the names of those that failed
    int written = 0;
};
SnapshotReport SaveSnapshots(const SwfEntryList& entries, const std::string& folder);

// Writes the bytes to folder\base.png or the first free numbered name; the
// name written, or empty.
std::string WriteToFreeName(const std::vector<unsigned char>& bytes, const std::string& folder, const std::string& base,
                            const char* extension, FreeNameFinder& names);

}  // namespace fh
