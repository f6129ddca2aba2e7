#pragma once
// Cache folders for the offline readers' tests: a real folder on disk (the
// browsers' caches), and files held in memory (hand-damaged copies).

#include <map>
#include <string>

#include "discovery/archive_scan.h"

namespace fh::test {

class MemoryFolder : public ArchiveFolder {
public:
    std::map<std::string, std::string> files;  // by "\\"-separated name
    std::unique_ptr<CacheFile> Open(const std::string& name) override;
    std::vector<FolderItem> List(const std::string& subfolder) override;
};

// Reads every file under `root` into a MemoryFolder (links left out).
MemoryFolder LoadFolder(const std::string& root);

// The bytes of a record's body as stored (not decoded).
std::string StoredBody(CacheFolder& folder, const CacheRecord& r);

}  // namespace fh::test
