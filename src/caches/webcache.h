#pragma once
// Internet Explorer 10 and 11's cache index, WebCacheV01.dat: an ESE
// database whose Containers table names each container (the HTTP cache's are
// named "Content") and whose Container_<id> tables hold a row per entry.
// Read from the file itself, never through Windows' engine, which would
// replay a dirty database's logs into an evidence copy.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "caches/cache_records.h"

namespace fh {

constexpr const char* kWebCacheKind = "IE10/11 WebCache";

struct WebCacheRow {
    std::string url;
    std::string folder;    // the 8-character cache folder
    std::string fileName;  // the body's file in it
    std::uint64_t fileSize = 0;
    std::string contentType;
    BodyEncoding encoding = BodyEncoding::Identity;
    // Seconds since 1970; 0 where the row has none.
    std::int64_t created = 0, accessed = 0, modified = 0, expires = 0, synced = 0;
    std::string directory;  // the container's folder on the original machine
};

struct WebCacheReading {
    std::vector<WebCacheRow> rows;
    int damaged = 0;
    bool cancelled = false;
};

// True when the bytes begin as an ESE database's header does.
bool IsEseDatabase(std::string_view head);

// The rows of the HTTP cache's containers whose body file is named;
// `keepGoing` is asked now and then, and false from it ends the reading.
WebCacheReading ReadWebCache(CacheFile& file, const std::function<bool()>& keepGoing = nullptr);

}  // namespace fh
