#pragma once
// The renderer's picture loaders: icons and bitmaps from files, from the
// program's own module or from another module's resources. Another module is
// loaded as a data file only: its code never runs. Null when nothing can be
// loaded; a resource id of 0 gives null at once.

#include <windows.h>

#include <string>

namespace fh {

HICON LoadIconFromFile(const std::string& path, int width, int height);
HICON LoadIconFromResource(UINT id, int width, int height, const std::string& module);
HBITMAP LoadBitmapFromFile(const std::string& path);
HBITMAP LoadBitmapFromResource(UINT id, const std::string& module);

}  // namespace fh
