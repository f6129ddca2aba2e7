#pragma once
// The splash window shown during the main window's first load. Everything
// it shows comes from its template.

#include <vector>

#include "res/resource.h"
#include "win/dialog.h"

namespace fh {

class CBSSplashDlg : public Dialog<CBSSplashDlg> {
public:
    CBSSplashDlg() : Dialog(IDD_SPLASH) {}
    static const std::vector<DispatchEntry<CBSSplashDlg>>& DispatchTable() {
        static const std::vector<DispatchEntry<CBSSplashDlg>> table;
        return table;
    }
};

}  // namespace fh
