#pragma once
// Dragging files out of the program: the paths as CF_HDROP (the format
// Explorer and every drop target for files take), copied, never moved.

#include <windows.h>

#include <string>
#include <vector>

namespace fh {

// The DROPFILES block of the paths (in the system code page), as wide text.
HGLOBAL MakeDropFiles(const std::vector<std::string>& paths);

// Runs the drag until the button is released or Escape pressed; the effect
// the drop target chose (DROPEFFECT_NONE when none took the files). The
// thread must have initialised OLE.
DWORD DragFiles(const std::vector<std::string>& paths);

}  // namespace fh
