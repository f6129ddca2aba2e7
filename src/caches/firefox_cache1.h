#pragma once
// Firefox's disk cache before cache2 (Firefox 3 to 31), the profile's
// "Cache" folder: "_CACHE_MAP_" (a header, then records of a key hash and
// the locations of the entry's data and metadata), the block files
// "_CACHE_001_" to "_CACHE_003_" (a bitmap, then blocks of 256, 1 024 and
// 4 096 bytes) and separate files in hashed folders for what does not fit a
// block file ("3\\3D\\ED165d01": data, "...m01": metadata). Big-endian.
//
// Firefox writes the map's records only when it closes the cache, so a copy
// taken while it ran has a "dirty" map without them. The metadata entries
// are then found by scanning the block files (and the separate metadata
// files, when the caller lists them); a body in a separate file is found by
// its key's hash, but a body in a block file is tied to its entry only by
// the map.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "caches/cache_records.h"

namespace fh {

// True for the first 276 bytes of a "_CACHE_MAP_": version 1.x, and counts
// that fit the map's 32 buckets.
bool IsCache1Map(std::string_view head);

// The hash of a key (without its NUL) that names the key's map record and
// separate files.
std::uint32_t Cache1KeyHash(std::string_view key);

// The relative name of the separate data ('d') or metadata ('m') file of a
// hash and generation: "3\\3D\\ED165d01" for 0x33DED165, 'd', 1.
std::string Cache1SeparateName(std::uint32_t hash, char type, unsigned generation);

// The records of the cache in `folder` (read through "_CACHE_MAP_"; nothing
// without one) that have an address and a body: a part of a block file or
// the start of a separate data file, `length` its exact size. `separateFiles`
// lists the files under the hashed folders when the caller can list them
// ("3\\3D\\ED165m01", relative to `folder`): their metadata files are read
// too, and data files of any generation found. Without it the first few
// generations are tried.
CacheReading ReadFirefoxCache1(CacheFolder& folder, const std::vector<std::string>& separateFiles = {});

}  // namespace fh
