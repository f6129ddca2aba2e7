#pragma once
// The resolution a window is shown at: its monitor's where the system
// tells each window (Windows 10 1607 and later), the screen's otherwise.

#include <windows.h>

namespace fh {

int WindowDpi(HWND wnd);

}  // namespace fh
