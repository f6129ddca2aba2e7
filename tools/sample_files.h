#pragma once
// File helpers of the sample and benchmark tools (and the test fixtures):
// whole-file writes that create their folders, and tree removal.

#include <string>

namespace fh::sample {

bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Removes a folder with everything in it; junctions and links inside are
// removed themselves, without touching what they point at.
void RemoveTree(const std::string& path);

}  // namespace fh::sample
