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

int CFileFinder::Find(const FindOptions& options) {
    const std::string folder = NormaliseFolder(options.folder);
    WIN32_FIND_DATAA data;

    if (options.recurse) {
        UniqueFind find(::FindFirstFileA((folder + "*.*").c_str(), &data));
        if (find) {
            do {
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDots(data.cFileName)) {
                    FindOptions sub = options;
                    sub.folder = folder + data.cFileName;
                    Find(sub);
                }
            } while (::FindNextFileA(find.Get(), &data));
        }
    }

    m_currentFolder = folder;
    const bool reportFolders = (options.attributeMask & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (reportFolders) Report(FindFolder);

    UniqueFind find(::FindFirstFileA((folder + options.mask).c_str(), &data));
    if (!find) return GetResultCount();
    do {
        if (IsDots(data.cFileName)) continue;
        const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::string full = folder + data.cFileName;
        if (isFolder) m_lastFolder = full;
        const bool match = !(options.options & kFindAttributeFilter) || (data.dwFileAttributes & options.attributeMask);
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
    } while (::FindNextFileA(find.Get(), &data));
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
