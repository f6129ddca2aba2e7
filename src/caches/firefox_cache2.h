#pragma once
// Firefox's cache2 entry files ("entries/<40 hex digits>"): the stored body,
// then the metadata (the key, the response head), whose offset the last four
// bytes hold, big-endian. Firefox often leaves no "index" beside them, so
// the entries are read alone.

#include <optional>
#include <string>

#include "caches/cache_records.h"

namespace fh {

// True for a name of 40 hexadecimal digits.
bool IsCache2EntryName(const std::string& name);

// The record of one entry file named `name`; nothing when it is not such a
// file or names no address (`damaged` says which).
std::optional<CacheRecord> ReadCache2Entry(CacheFile& file, const std::string& name, bool& damaged);

}  // namespace fh
