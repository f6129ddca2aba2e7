#pragma once
// One listed movie or folder row, and the entry list the main window owns.

#include <cstdint>
#include <string>
#include <vector>

#include "caches/cache_records.h"

namespace fh {

// The string-table identifiers of the source names double as the values.
enum SwfSource : int {
    FirefoxCache = 134,
    IeCache = 135,
    ChosenFolder = 136,
    CacheArchive = 137,
};

struct SwfEntry {
    std::string url;
    std::string site;
    std::string lastModifiedText;
    std::string sizeText;
    std::string path;
    std::string name;
    std::int64_t fileTime = 0;
    bool unclassified = false;
    bool isFolder = false;
    std::int32_t id = 0;
    // Movies of an offline cache: its format, and where the bytes sit when
    // they are not a file of their own (a part of `path`, perhaps encoded).
    std::string cacheKind;
    std::uint64_t partOffset = 0;
    std::int64_t partLength = -1;  // -1: to the end of the file
    BodyEncoding encoding = BodyEncoding::Identity;
    // The cache record's times, in seconds since 1970 (0: not recorded).
    std::int64_t cacheLastModified = 0, cacheLastAccess = 0, cacheExpires = 0;

    // True when the movie's bytes are not simply the file at `path`.
    bool IsPart() const { return partOffset != 0 || partLength >= 0 || encoding != BodyEncoding::Identity; }
};

using SwfEntryList = std::vector<SwfEntry>;

// A copy of the first entry with that id, or an empty entry (empty path).
SwfEntry FindEntryById(const SwfEntryList& entries, std::int32_t id);
bool RemoveEntryById(SwfEntryList& entries, std::int32_t id);

}  // namespace fh
