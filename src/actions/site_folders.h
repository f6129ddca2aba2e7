#pragma once
// Where a movie goes when it is saved in site folders: the save folder, the
// host, the address's folders, then the name, so that movies which load each other by
// relative address still find each other. Every part is made a safe Windows
// name; the result never leaves the save folder and fits the path limit.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"

namespace fh {

// One folder or file name made safe: characters Windows refuses in names and
// control characters become "_", as do trailing dots and spaces, lead bytes
// without a usable trail byte, and names of devices ("con", "com1.txt") get
// a "_" in front. Never empty, never "." or "..".
std::string SafeNamePart(std::string_view part, const CodePage& cp);

struct SitePath {
    bool ok = false;              // false: the save folder leaves no room
    std::string root;             // the save folder without a trailing separator
    std::vector<std::string> folders;  // under the save folder, outermost first
    std::string folder;           // the save folder and those folders joined
    std::string base;             // the file's name without ".swf"
};

// The longest path a saved file may have, and the longest folder path
// (a folder must leave room for an 8.3 name inside it).
constexpr std::size_t kMaxSavePath = 259;
constexpr std::size_t kMaxSaveFolder = 247;
// Room kept in the name for the never-overwrite number ("base123456.swf").
constexpr std::size_t kCounterRoom = 6;

// The address's host and folders, or `unclassified` for a movie without a
// usable address; the name is the address's last part (without ".swf"), or
// `fallbackName` when the address ends in a folder. A path too long loses
// the address's folders to one folder named by a hash of them, then the
// host and the name are cut: the same inputs always give the same path.
SitePath BuildSitePath(std::string_view saveFolder, std::string_view url, std::string_view fallbackName,
                       std::string_view unclassified, const CodePage& cp);

}  // namespace fh
