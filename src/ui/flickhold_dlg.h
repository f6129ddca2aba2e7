#pragma once
// The main window: sources, filters, the list of found movies and the
// buttons of the file actions.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/local_time.h"
#include "discovery/swf_entry.h"
#include "res/resource.h"
#include "ui/swf_list_ctrl.h"
#include "win/controls.h"
#include "win/dialog.h"
#include "win/handles.h"

namespace fh {

class CFlickholdDlg : public Dialog<CFlickholdDlg> {
public:
    // `site` is the host named on the command line, empty when none.
    explicit CFlickholdDlg(const std::string& site, const Clock& clock);
    ~CFlickholdDlg() override;

    static const std::vector<DispatchEntry<CFlickholdDlg>>& DispatchTable();

    void LoadSource();
    void FillSiteCombo();
    void FillList(int source);
    void UpdateControls();
    void ShowSelectedMovie();
    // A double-click on a folder row: up for "..", down into the row's folder.
    void NavigateFolderRow(const SwfEntry& row);

    // The item data of the selected source / date mode, with their defaults.
    int CurrentSource() const;
    int CurrentDateMode() const;

    bool PreTranslateMessage(MSG* msg) override;

    UniqueIcon m_hIcon;
    HIMAGELIST m_imageList = nullptr;  // owned by the list control once set
    std::int64_t exactDate;
    std::int64_t startDate;
    std::int64_t endDate;
    std::string m_strSiteFilter;
    std::string m_strCurrViewFolder;
    bool m_bClosing = false;
    SwfEntryList m_entries;

    Window m_player;
    ComboBox m_comboSite;
    CSwfListCtrl m_listSwf;
    ComboBox m_comboSource;
    ComboBox m_comboDate;

protected:
    BOOL OnInit() override;

    // Rebuilds m_entries for the source. The loaders plug in here.
    virtual void LoadEntries(int source);
    // The folder browser of the choose-folder button; empty when cancelled.
    virtual std::string BrowseViewFolder();
    // Runs one of the date dialogs modally over the main window.
    virtual INT_PTR RunDateDialog(DialogBase& dialog);
    // The splash window while the first load runs (null otherwise).
    HWND SplashWindow() const { return m_splash; }

private:
    INT_PTR OnPaint(WPARAM wParam, LPARAM lParam);
    INT_PTR OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    void OnSourceChange();
    void OnRefresh();
    void OnSiteChange();
    void OnDateChange();
    void OnChooseDate();
    void OnChooseFolder();
    void OnExit();
    LRESULT OnItemChanged(NMHDR* hdr);
    LRESULT OnDoubleClick(NMHDR* hdr);
    LRESULT OnListCustomDraw(NMHDR* hdr);
    int FirstSelectedRow() const;

    void PlacePlayer();
    void ShowSplashAndLoad();

    std::string m_strSite;
    const Clock& m_clock;
    HWND m_splash = nullptr;
};

}  // namespace fh
