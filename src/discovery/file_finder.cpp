#include "discovery/file_finder.h"

#include <cstring>

#include "base/codepage.h"
#include "win/handles.h"

namespace fh {

namespace {

bool IsDots(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// Trailing separators go, then exactly one backslash is appended. A trail
// byte of 0x5C belongs to its character and stays.
std::string NormaliseFolder(const std::string& folder) {
    const CodePage& cp = SystemCodePage();
    std::size_t end = 0;
    for (std::size_t i = 0; i < folder.size(); i += cp.CharLength(folder, i))
        if (folder[i] != '\\' && folder[i] != '/') end = i + cp.CharLength(folder, i);
    return folder.substr(0, end) + "\\";
}

}  // namespace

// Every entry of one enumeration of folder + pattern, "." and ".." left out.
std::vector<WIN32_FIND_DATAA> CFileFinder::List(const std::string& pattern) {
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA data;
    UniqueFind find(::FindFirstFileA(pattern.c_str(), &data));
    if (!find) return entries;
    do {
        if (!IsDots(data.cFileName)) entries.push_back(data);
    } while (::FindNextFileA(find.Get(), &data));
    return entries;
}

int CFileFinder::Find(const FindOptions& options) {
    const std::string folder = NormaliseFolder(options.folder);
    // The subfolder pass enumerates "*.*"; a search for "*.*" reuses that
    // listing for its matches instead of enumerating the folder again.
    const bool sameListing = options.mask == "*.*" || options.mask == "*";
    std::vector<WIN32_FIND_DATAA> listing;
    if (options.recurse) {
        listing = List(folder + "*.*");
        for (const WIN32_FIND_DATAA& entry : listing) {
            const DWORD attributes = entry.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                FindOptions sub = options;
                sub.folder = folder + entry.cFileName;
                Find(sub);
            }
        }
    }

    m_currentFolder = folder;
    const bool reportFolders = (options.attributeMask & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (reportFolders) Report(FindFolder);

    if (!options.recurse || !sameListing) listing = List(folder + options.mask);
    for (const WIN32_FIND_DATAA& entry : listing) {
        m_data = entry;
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::string full = folder + entry.cFileName;
        if (isFolder) m_lastFolder = full;
        const bool match = !(options.options & kFindAttributeFilter) || (entry.dwFileAttributes & options.attributeMask);
        if (!match) {
            Report(FindNoMatch);
            continue;
        }
        m_results.push_back(isFolder ? full + "\\" : full);
        if (isFolder) {
            if (reportFolders) Report(FindFolder);
        } else {
            Report(FindMatchedFile);
        }
    }
    return GetResultCount();
}

int CFileFinder::FindFiles(const std::string& folder, const std::string& mask, int recurse) {
    FindOptions options;
    options.folder = folder;
    options.mask = mask;
    options.recurse = recurse;
    options.options = kFindAttributeFilter;
    options.attributeMask = kFileAttributes;
    return Find(options);
}

std::string CFileFinder::GetResult(int index) const {
    if (index < 0 || index >= GetResultCount()) return std::string();
    return m_results[static_cast<size_t>(index)];
}

}  // namespace fh
