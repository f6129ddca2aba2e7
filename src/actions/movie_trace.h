#pragma once
// What movies' scripts trace: each movie played from its start for a
// number of frames with its scripts on the virtual clock, and every line
// its trace() calls printed written to a text file (UTF-8, a line a call)
// under the name its saved copy would have, never overwriting.

#include <string>
#include <vector>

#include "actions/save_names.h"
#include "discovery/swf_entry.h"

namespace fh {

// The time one movie's frames may take: a movie cut by it keeps what it traced.
constexpr int kTraceMovieMs = 10000;

struct TraceReport {
    std::vector<std::string> failed;  // the names of movies that could not be read or written
    int written = 0;
    int cut = 0;  // movies a cap or the time stopped (a script, or the frames)
};

// `frames` as /frame: counts them: 1 runs frame 1's scripts only.
// fscommand("quit") ends a movie at the end of the frame that calls it.
TraceReport SaveTraces(const SwfEntryList& entries, const std::string& folder, int frames,
                       int movieMs = kTraceMovieMs);

}  // namespace fh
