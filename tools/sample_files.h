#pragma once
// File helpers of the sample and benchmark tools (and the test fixtures):
// whole-file writes that create their folders, and tree removal.

#include <string>

namespace fh::sample {

bool WriteWholeFile(const std::string& path, const std::string& bytes);
void RemoveTree(const std::string& path);

}  // namespace fh::sample
