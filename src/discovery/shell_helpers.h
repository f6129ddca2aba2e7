#pragma once
// Small shell helpers shared by the main window, the loaders and the actions.

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/local_time.h"

namespace fh {

// The file's size with digits grouped by threes; empty when the file cannot
// be queried or is empty.
std::string GetFileSizeText(const std::string& path);

// The creation time stamp's UTC calendar fields read as a local time.
bool GetFileCreationTime(const std::string& path, std::int64_t& time, const Clock& clock);
// The same conversion of a creation time stamp already at hand.
bool CreationTimeFromStamp(const FILETIME& created, std::int64_t& time, const Clock& clock);

// Size and creation time of a file from one metadata query, without opening
// it; false when the file cannot be queried.
struct FileFacts {
    std::uint64_t size = 0;
    FILETIME created{};
};
bool QueryFileFacts(const std::string& path, FileFacts& facts);

// Opens an existing file for reading only, sharing reading, writing and
// deletion, so that a file a browser still holds open can be read.
HANDLE OpenForReading(const std::string& path);

// A special folder's path (CSIDL number), through the shell and then the
// fallbacks; empty when every way fails.
std::string GetSpecialFolderPath(int csidl);

// The folder browser; the chosen folder's path, or empty on cancel.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initialFolder);

// The first three characters of the program's own path (such as "C:\"),
// or an error text when that path cannot be had.
std::string GetProgramDrive();

}  // namespace fh
