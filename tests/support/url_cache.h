#pragma once
// Seeds the real WinINet URL cache: the fixture empties it first.

#include <windows.h>
#include <wininet.h>

#include <string>

#include "settings/settings_store.h"
#include "support/registry_fixture.h"

namespace fh::test {

// Deletes every entry of the content cache.
void ClearUrlCache();

// A fresh settings key and an empty URL cache, emptied again afterwards.
class UrlCacheTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
        ClearUrlCache();
    }
    void TearDown() override {
        ClearUrlCache();
        RegistryTest::TearDown();
    }
};

struct SeededEntry {
    std::string url;
    std::string localPath;
};

// Creates a cache file for the address with the extension, writes the
// content and commits the entry. lastModified 0 leaves the time empty.
SeededEntry SeedUrlCache(const std::string& url, const std::string& extension, const std::string& content,
                         ULONGLONG lastModified = 0, DWORD type = NORMAL_CACHE_ENTRY);

}  // namespace fh::test
