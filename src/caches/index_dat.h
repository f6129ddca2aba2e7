#pragma once
// Internet Explorer 4 to 9's URL cache index, read from the file itself
// (never through WinINet), so that a cache copied from another machine or
// user can be read: "Client UrlCache MMF Ver 5.2" and 4.7, and Wine's
// "WINE URLCache Ver 0.2012001", which has the same layout.

#include <string_view>

#include "caches/cache_records.h"

namespace fh {

// True when the bytes begin as such an index does.
bool IsIndexDat(std::string_view head);

// The URL and LEAK records of the index held in `index`, those the bitmap
// marks in use first, then freed ones still whole; their files are named
// "<cache subfolder>\\<local name>", relative to the index's folder.
CacheReading ReadIndexDat(std::string_view index);

}  // namespace fh
