#include "discovery/swf_entry.h"

#include <algorithm>

namespace fh {

SwfEntry FindEntryById(const SwfEntryList& entries, std::int32_t id) {
    auto it = std::find_if(entries.begin(), entries.end(), [id](const SwfEntry& e) { return e.id == id; });
    return it == entries.end() ? SwfEntry{} : *it;
}

bool RemoveEntryById(SwfEntryList& entries, std::int32_t id) {
    auto it = std::find_if(entries.begin(), entries.end(), [id](const SwfEntry& e) { return e.id == id; });
    if (it == entries.end()) return false;
    entries.erase(it);
    return true;
}

}  // namespace fh
