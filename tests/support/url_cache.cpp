#include "support/url_cache.h"

#include <vector>

#include "support/temp_folder.h"

namespace fh::test {

void ClearUrlCache() {
    std::vector<std::string> urls;
    DWORD size = 0;
    ::FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (size == 0) return;
    std::vector<char> buffer(size);
    HANDLE find = ::FindFirstUrlCacheEntryA(nullptr, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()), &size);
    if (!find) return;
    for (;;) {
        auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        if (info->lpszSourceUrlName) urls.push_back(info->lpszSourceUrlName);
        size = 0;
        ::FindNextUrlCacheEntryA(find, nullptr, &size);
        if (size == 0) break;
        buffer.assign(size, 0);
        if (!::FindNextUrlCacheEntryA(find, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()), &size)) break;
    }
    ::FindCloseUrlCache(find);
    for (const std::string& url : urls) ::DeleteUrlCacheEntryA(url.c_str());
}

SeededEntry SeedUrlCache(const std::string& url, const std::string& extension, const std::string& content,
                         ULONGLONG lastModified, DWORD type) {
    SeededEntry seeded;
    seeded.url = url;
    char path[MAX_PATH] = "";
    if (!::CreateUrlCacheEntryA(url.c_str(), 0, extension.c_str(), path, 0)) return seeded;
    WriteFileAt(path, content);
    FILETIME modified;
    modified.dwLowDateTime = static_cast<DWORD>(lastModified);
    modified.dwHighDateTime = static_cast<DWORD>(lastModified >> 32);
    FILETIME expires{};
    if (::CommitUrlCacheEntryA(url.c_str(), path, expires, modified, type, nullptr, 0, nullptr, nullptr))
        seeded.localPath = path;
    return seeded;
}

}  // namespace fh::test
