#pragma once
// The main window: sources, filters, the list of found movies and the
// buttons of the file actions.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/local_time.h"
#include "actions/file_actions.h"
#include "discovery/swf_entry.h"
#include "player/player_wnd.h"
#include "res/resource.h"
#include "tooltip/vexel_tip.h"
#include "ui/date_filter.h"
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

    // What the window holds, for reading.
    const SwfEntryList& Entries() const { return m_entries; }
    const CSwfListCtrl& List() const { return m_listSwf; }
    const CPlayerWnd& Player() const { return m_player; }
    int IconSize() const { return m_iconSize; }
    const ComboBox& SiteCombo() const { return m_comboSite; }
    const ComboBox& SourceCombo() const { return m_comboSource; }
    const ComboBox& DateCombo() const { return m_comboDate; }
    const std::string& SiteFilter() const { return m_strSiteFilter; }
    const std::string& CurrViewFolder() const { return m_strCurrViewFolder; }
    bool IsClosing() const { return m_bClosing; }
    // The tips of the controls and of the list's rows.
    CVexelTip& ControlTips() { return m_tipControls; }
    CVexelTip& ListTips() { return m_tipList; }
    DateFilterDates Dates() const { return {exactDate, startDate, endDate}; }

protected:
    BOOL OnInit() override;

    // Rebuilds m_entries (emptied by the caller) for the source.
    virtual void LoadEntries(int source, SwfEntryList& entries);
    // The folder browser of the choose-folder button; empty when cancelled.
    virtual std::string BrowseViewFolder(HWND owner, const std::string& title);
    // Runs one of the date dialogs modally over the main window.
    virtual INT_PTR RunDateDialog(DialogBase& dialog);
    // The dialogs, message boxes and shell of the file actions.
    virtual ActionShell& Shell() { return SystemShell(); }
    // Shows the list's context menu at a screen point; its command comes
    // back as WM_COMMAND.
    virtual void ShowListMenu(HMENU menu, POINT screen);
    // The splash window while the first load runs (null otherwise).
    HWND SplashWindow() const { return m_splash; }

private:
    MsgResult OnPaint(WPARAM wParam, LPARAM lParam);
    MsgResult OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    MsgResult OnDestroy(WPARAM wParam, LPARAM lParam);
    void OnSourceChange();
    void OnRefresh();
    void OnSiteChange();
    void OnDateChange();
    void OnChooseDate();
    void OnChooseFolder();
    void OnExit();
    void OnSave();
    void OnSaveAs();
    void OnSaveAll();
    void OnChooseSaveFolder();
    void OnOpenSaveFolder();
    void OnPreview();
    void OnDelete();
    void PreviewSelectedMovie();
    // The ids of the selected rows, from the top.
    std::vector<std::int32_t> SelectedIds() const;
    LRESULT OnItemChanged(NMHDR* hdr);
    LRESULT OnDoubleClick(NMHDR* hdr);
    LRESULT OnBeginDrag(NMHDR* hdr);
    LRESULT OnListCustomDraw(NMHDR* hdr);
    LRESULT OnTipDisplay(NMHDR* hdr);
    MsgResult OnContextMenu(WPARAM wParam, LPARAM lParam);
    void OnCopyAddresses();
    // The keys: each does what its button or menu item does, when that is enabled.
    void OnKeyOpen();
    void OnKeyDelete();
    void OnKeyRefresh();
    void OnKeySave();
    void OnKeySaveAll();
    void OnKeySelectAll();
    void OnKeyParent();
    bool ButtonEnabled(int id) const;
    void OnExportList();
    void OnSaveSelectedInSites();
    void OnSaveAllInSites();
    void OnToggleSaveUnique();
    void SaveInSites(const SwfEntryList& entries, const std::vector<std::string>* onceBy = nullptr);
    // A long walk or hashing shows its count so far in the caption; Escape,
    // pressed while this window is in front, ends it (false).
    bool KeepGoing(const std::string& caption, std::size_t done) const;
    // The hashes of the movies (HashMovies), or with `copiesOnly` those a
    // save once needs (HashPossibleCopies), counted in the caption; none
    // when Escape ended the hashing.
    std::optional<std::vector<std::string>> HashWithProgress(const SwfEntryList& entries, bool copiesOnly) const;
    // Save All writes each movie once (the list menu's option).
    bool SaveOncePerMovie() const;
    SwfEntryList SelectedMovies() const;
    void CreateTips();
    int FirstSelectedRow() const;
    // The entry of a row, or an empty one (empty path) when it has none.
    SwfEntry EntryOfRow(int row) const;

    void PlacePlayer();
    void ApplyDpi();
    MsgResult OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // Where the window stood when it was last closed, if on a present monitor.
    void RestorePlacement();
    void ShowSplashAndLoad();

    UniqueIcon m_hIcon;
    HACCEL m_keys = nullptr;  // a resource: never destroyed
    HIMAGELIST m_imageList = nullptr;  // owned by the list control once set
    int m_iconSize = 16;
    std::int64_t exactDate;
    std::int64_t startDate;
    std::int64_t endDate;
    std::string m_strSiteFilter;
    std::string m_strCurrViewFolder;
    bool m_bClosing = false;
    // Set while the window is destroyed: the controls' last notifications
    // (rows deleted with the list) must not play movies again.
    bool m_destroying = false;
    SwfEntryList m_entries;

    CPlayerWnd m_player;
    CVexelTip m_tipControls;
    CVexelTip m_tipList;
    ComboBox m_comboSite;
    CSwfListCtrl m_listSwf;
    ComboBox m_comboSource;
    ComboBox m_comboDate;

    std::string m_strSite;
    const Clock& m_clock;
    HWND m_splash = nullptr;
};

}  // namespace fh
