#pragma once
// Small shell helpers shared by the main window, the loaders and the actions.

#include <windows.h>

#include <string>

namespace fh {

// The folder browser; the chosen folder's path, or empty on cancel.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initialFolder);

// The first three characters of the program's own path (such as "C:\"),
// or an error text when that path cannot be had.
std::string GetProgramDrive();

}  // namespace fh
