#pragma once
// The movies in a folder of copied browser caches, found by what the folder
// holds rather than by names: Internet Explorer's index.dat and its IE10/11
// WebCache database, Chromium's block-file and simple caches, Firefox's
// cache2 entries, and any other file that begins with a movie signature. A
// record's body counts when it begins with a signature, once a gzip or
// deflate encoding is undone.

#include <functional>
#include <string>
#include <vector>

#include "caches/cache_records.h"

namespace fh {

struct FolderItem {
    std::string name;
    bool folder = false;
};

// A cache folder that can also list itself; links and junctions are left
// out of the listing, so that a walk stays inside the folder.
class ArchiveFolder : public CacheFolder {
public:
    virtual std::vector<FolderItem> List(const std::string& subfolder) = 0;
    // A listed path in UTF-8, the text a WebCache row names its file in
    // (listings in a code page of their own convert it).
    virtual std::string ToUtf8(const std::string& path) const { return path; }
};

struct ArchiveScan {
    // Files relative to the folder scanned; kind "signature" for files
    // found by their first bytes alone (no address).
    std::vector<CacheRecord> movies;
    int damaged = 0;
    bool cancelled = false;
};

// Walks the folder and everything under it. `progress` hears the count of
// movies found so far now and then; false from it ends the walk. Without
// `signatures`, only the caches' records are listed, not the files that
// begin with a movie signature.
ArchiveScan ScanArchive(ArchiveFolder& folder, const std::function<bool(std::size_t found)>& progress = nullptr,
                        bool signatures = true);

}  // namespace fh
