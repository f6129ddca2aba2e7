#pragma once
// The player's window class. It takes control 1011's place in the main
// window's template; without a registered Flash control it shows a blank
// stage of the movie's background colour.

#include <windows.h>

namespace fh {

bool RegisterPlayerClass(HINSTANCE instance);

}  // namespace fh
