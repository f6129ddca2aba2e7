#pragma once
// The recursive file finder: walks a folder tree depth-first (subfolders
// before the folder's own matches), filters by mask and attributes, keeps the
// full paths of the matches and reports every entry to a callback. It never
// descends into junctions or symbolic links, which may lead back up the tree.

#include <windows.h>

#include <string>
#include <vector>

namespace fh {

constexpr DWORD kFindAttributeFilter = 0x10;
// Read-only, hidden, system, archive, normal, temporary, compressed: files only.
constexpr DWORD kFileAttributes = 0x9A7;

struct FindOptions {
    std::string folder;
    std::string mask = "*.*";
    int recurse = 0;
    DWORD options = 0;
    DWORD attributeMask = 0;
};

enum FindEvent { FindMatchedFile = 0, FindNoMatch = 1, FindFolder = 2 };

class CFileFinder;
using FindCallback = void (*)(CFileFinder& finder, int event, void* userData);

class CFileFinder {
public:
    void SetCallback(FindCallback callback, void* userData) {
        m_callback = callback;
        m_userData = userData;
    }
    int Find(const FindOptions& options);
    int FindFiles(const std::string& folder, const std::string& mask, int recurse);

    int GetResultCount() const { return static_cast<int>(m_results.size()); }
    std::string GetResult(int index) const;

    const std::string& LastFolder() const { return m_lastFolder; }
    const std::string& CurrentFolder() const { return m_currentFolder; }
    // What the enumeration said of the entry being reported (events 0 and 1).
    const WIN32_FIND_DATAA& FindData() const { return m_data; }

private:
    static std::vector<WIN32_FIND_DATAA> List(const std::string& pattern);
    void Report(int event) {
        if (m_callback) m_callback(*this, event, m_userData);
    }

    std::string m_lastFolder;
    std::vector<std::string> m_results;
    FindCallback m_callback = nullptr;
    void* m_userData = nullptr;
    std::string m_currentFolder;
    WIN32_FIND_DATAA m_data{};
};

}  // namespace fh
