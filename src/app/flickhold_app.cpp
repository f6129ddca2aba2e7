#include "app/flickhold_app.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/cmdline.h"
#include "ui/flickhold_dlg.h"
#include "player/player_wnd.h"
#include "settings/settings_store.h"
#include "win/platform.h"

namespace fh {

void CFlickholdApp::PreparePlatform() {
    ::InitCommonControls();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES |
                                              ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    SetSystemCodePage(CodePageFromSystem());
    // Hosting an ActiveX player needs OLE on this thread.
    ::OleInitialize(nullptr);
    RegisterPlayerClass();
}

void CFlickholdApp::EnsureSettingsKey() { CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey); }

void CFlickholdApp::ReadCommandLine(int argc, const char* const* argv) {
    CFlagCmdLine parser;
    ParseCommandLine(parser, argc, argv);
    m_strSite = FindSiteArgument(parser.Flags(), SystemCodePage());
}

bool CFlickholdApp::InitInstance(int argc, const char* const* argv) {
    PreparePlatform();
    EnsureSettingsKey();
    ReadCommandLine(argc, argv);
    {
        CFlickholdDlg dlg(m_strSite, SystemClock());
        dlg.DoModal(nullptr);
    }
    ::OleUninitialize();
    return false;
}

}  // namespace fh
