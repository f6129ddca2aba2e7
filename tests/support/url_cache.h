#pragma once
// Seeds the real WinINet URL cache: the fixture empties it first.

#include <windows.h>
#include <wininet.h>

#include <string>

namespace fh::test {

// Deletes every entry of the content cache.
void ClearUrlCache();

struct SeededEntry {
    std::string url;
    std::string localPath;
};

// Creates a cache file for the address with the extension, writes the
// content and commits the entry. lastModified 0 leaves the time empty.
SeededEntry SeedUrlCache(const std::string& url, const std::string& extension, const std::string& content,
                         ULONGLONG lastModified = 0, DWORD type = NORMAL_CACHE_ENTRY);

}  // namespace fh::test
