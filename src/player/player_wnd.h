#pragma once
// The player: control 1011 of the main window's template is a window of the
// program's own class, which this object takes over at initialisation.
// Until a movie is shown it is a white stage.

#include <windows.h>

#include <vector>

#include "win/window.h"

namespace fh {

// Registers the class the dialog template names (once per process).
bool RegisterPlayerClass();

class CPlayerWnd : public WindowImpl<CPlayerWnd> {
public:
    static const std::vector<DispatchEntry<CPlayerWnd>>& DispatchTable();

private:
    MsgResult OnEraseBackground(WPARAM wParam, LPARAM lParam);
    MsgResult OnPaint(WPARAM wParam, LPARAM lParam);
};

}  // namespace fh
