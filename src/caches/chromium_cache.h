#pragma once
// Chromium's two disk cache formats: the block-file cache ("index",
// "data_0" to "data_3", "f_xxxxxx"; Windows and older desktops) and the
// simple cache ("<16 hex digits>_0" files, one per entry).

#include <string>
#include <string_view>

#include "caches/cache_records.h"

namespace fh {

// True for a block-file cache's index ("index" beginning with its magic).
bool IsBlockFileIndex(std::string_view head);
// The entries of a block-file cache whose files are in `folder`; bodies are
// parts of "data_N" files or whole "f_xxxxxx" files.
CacheReading ReadBlockFileCache(CacheFolder& folder);

// True for the first bytes of a simple cache entry file.
bool IsSimpleEntry(std::string_view head);
// The record of one simple cache entry file named `name` (its body is a
// part of that file); nothing, and `damaged` set, when it cannot be read.
std::optional<CacheRecord> ReadSimpleEntry(CacheFile& file, const std::string& name, bool& damaged);

}  // namespace fh
