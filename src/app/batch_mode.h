#pragma once
// Batch mode: with "/export:", "/saveall:", "/sitefolders" or "/source:" on
// the command line the program loads a source, writes what it was asked to
// without showing a window, prints one line to the console it was started
// from, and ends with 0 (done), 1 (some movies or the list could not be
// written) or 2 (a bad command line, with the usage).

#include <optional>
#include <string>
#include <vector>

#include "app/batch_args.h"
#include "base/local_time.h"

namespace fh {

enum BatchExit { kBatchDone = 0, kBatchFailures = 1, kBatchBadCommandLine = 2 };

// Runs the request; `message` gets the line to print.
int RunBatch(const BatchRequest& request, const Clock& clock, std::string& message);

// Batch mode when the arguments ask for it: its exit code; none when the
// window should start instead.
std::optional<int> RunBatchIfAsked(int argc, const char* const* argv);

// Writes a line to standard output, or to the console of the process that
// started this one when there is no standard output.
void PrintConsoleLine(const std::string& line);

}  // namespace fh
