#pragma once
// What the cache readers' fuzz targets share: every record a reader gives
// carries an address, and its body (when its file is there: a block-file
// entry may name an external file that is gone) reads and decodes within
// bounds.

#include "caches/cache_records.h"
#include "fuzz/fuzz_util.h"
#include "support/archive_folders.h"

namespace fh::fuzz {

inline void RequireInside(test::MemoryFolder& folder, const CacheRecord& r) {
    Require(!r.url.empty(), "a record names its address");
    DecodeBody(test::StoredBody(folder, r), r.encoding, 1u << 20);
}

}  // namespace fh::fuzz
