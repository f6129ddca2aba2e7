#pragma once
// One listed movie or folder row, and the entry list the main window owns.

#include <cstdint>
#include <string>
#include <vector>

namespace fh {

// The string-table identifiers of the source names double as the values.
enum SwfSource : int {
    FirefoxCache = 134,
    IeCache = 135,
    ChosenFolder = 136,
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
};

using SwfEntryList = std::vector<SwfEntry>;

// A copy of the first entry with that id, or an empty entry (empty path).
SwfEntry FindEntryById(const SwfEntryList& entries, std::int32_t id);
bool RemoveEntryById(SwfEntryList& entries, std::int32_t id);

}  // namespace fh
