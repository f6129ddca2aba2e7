#pragma once
// Pictures of movies: frame 1 drawn at the stage's size by the built-in
// renderer and written as a PNG under the name the movie's saved copy would
// have, numbered and never overwriting.

#include <string>
#include <vector>

#include "actions/save_names.h"
#include "discovery/swf_entry.h"

namespace fh {

// The time one movie's picture may take to draw: a movie cut by it still
// gets the picture drawn so far.
constexpr int kSnapshotDrawMs = 5000;

// The file written, or empty when the movie could not be read or drawn;
// `cut` tells whether the drawing was ended early (by a cap or the time).
// `frame` is the frame a player shows after playing that many from the start
// (1: the first): every timeline advances once a frame and loops at its end,
// and stop() holds.
std::string SaveSnapshot(const SwfEntry& entry, const std::string& folder, FreeNameFinder& names, bool& cut,
                         int drawMs = kSnapshotDrawMs, int frame = 1);

struct SnapshotReport {
    std::vector<std::string> targets;  // per movie in order; empty when it failed
    std::vector<bool> cut;             // per movie in order: its picture was cut
    std::vector<std::string> failed;   // the names of those that failed
    int written = 0;
    int cutCount = 0;
    int copies = 0;  // movies whose picture is an earlier copy's
};
// With `onceBy` (per movie, as HashMovies gives them) each movie's picture
// is written once, for its first row in list order, and every copy names it.
SnapshotReport SaveSnapshots(const SwfEntryList& entries, const std::string& folder, int drawMs = kSnapshotDrawMs,
                             int frame = 1, const std::vector<std::string>* onceBy = nullptr);

// Writes the bytes to folder\base.png or the first free numbered name; the
// name written, or empty.
std::string WriteToFreeName(const std::vector<unsigned char>& bytes, const std::string& folder, const std::string& base,
                            const char* extension, FreeNameFinder& names);

}  // namespace fh
