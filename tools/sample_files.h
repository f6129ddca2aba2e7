#pragma once
// File helpers of the sample and benchmark tools (and the test fixtures):
// whole-file writes that create their folders, and tree removal.

#include <map>
#include <string>

namespace fh::sample {

bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Every file under a folder, by its name relative to the folder.
std::map<std::string, std::string> ReadTree(const std::string& folder);
// Removes a folder with everything in it; junctions and links inside are
// removed themselves, without touching what they point at.
void RemoveTree(const std::string& path);

}  // namespace fh::sample
