#include "ui/flickhold_dlg.h"

#include <commctrl.h>

#include <optional>

#include "app/splash_dlg.h"
#include "base/narrow.h"
#include "discovery/loaders.h"
#include "discovery/shell_helpers.h"
#include "discovery/swf_names.h"
#include "ui/date_dialogs.h"
#include "ui/date_filter.h"
#include "ui/main_view.h"
#include "ui/settings.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

namespace {

constexpr int kImageFolder = 0;
constexpr int kImageMovie = 1;

const UINT kSources[] = {IDS_SOURCE_IE, IDS_SOURCE_FIREFOX, IDS_SOURCE_FOLDER};
const UINT kDateModes[] = {IDS_DATE_ALL, IDS_DATE_TODAY, IDS_DATE_YESTERDAY, IDS_DATE_THIS_MONTH, IDS_DATE_EXACT,
                           IDS_DATE_RANGE};

// Restores the wait cursor's predecessor when the load ends.
class WaitCursor {
public:
    WaitCursor() : m_old(::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { ::SetCursor(m_old); }

private:
    HCURSOR m_old;
};

}  // namespace

CFlickholdDlg::CFlickholdDlg(const std::string& site, const Clock& clock)
    : Dialog(IDD_FLICKHOLD_DIALOG), m_strSite(site), m_clock(clock) {
    m_hIcon.Reset(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    exactDate = startDate = endDate = clock.Now();
}

CFlickholdDlg::~CFlickholdDlg() { Destroy(); }

const std::vector<DispatchEntry<CFlickholdDlg>>& CFlickholdDlg::DispatchTable() {
    using D = CFlickholdDlg;
    static const std::vector<DispatchEntry<D>> table = {
        OnMessage<D>(WM_PAINT, &D::OnPaint),
        OnMessage<D>(WM_QUERYDRAGICON, &D::OnQueryDragIcon),
        OnCommand<D>(IDC_SOURCE_COMBO, CBN_SELCHANGE, &D::OnSourceChange),
        OnCommand<D>(IDC_REFRESH, BN_CLICKED, &D::OnRefresh),
        OnCommand<D>(IDC_SITE_COMBO, CBN_SELCHANGE, &D::OnSiteChange),
        OnCommand<D>(IDC_DATE_COMBO, CBN_SELCHANGE, &D::OnDateChange),
        OnCommand<D>(IDC_CHOOSE_DATE, BN_CLICKED, &D::OnChooseDate),
        OnCommand<D>(IDC_CHOOSE_FOLDER, BN_CLICKED, &D::OnChooseFolder),
        OnCommand<D>(IDOK, BN_CLICKED, &D::OnExit),
        OnNotify<D>(IDC_SWF_LIST, LVN_ITEMCHANGED, &D::OnItemChanged),
        OnNotify<D>(IDC_SWF_LIST, NM_DBLCLK, &D::OnDoubleClick),
        OnNotify<D>(IDC_SWF_LIST, NM_CUSTOMDRAW, &D::OnListCustomDraw),
    };
    return table;
}

BOOL CFlickholdDlg::OnInit() {
    HWND wnd = Handle();
    m_player.Bind(wnd, IDC_PLAYER);
    m_listSwf.Attach(wnd, IDC_SWF_LIST);
    m_comboSite.Bind(wnd, IDC_SITE_COMBO);
    m_comboSource.Bind(wnd, IDC_SOURCE_COMBO);
    m_comboDate.Bind(wnd, IDC_DATE_COMBO);

    ::SendMessageA(wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon.Get()));
    PlacePlayer();

    RECT listRect;
    ::GetWindowRect(m_listSwf.Handle(), &listRect);
    m_listSwf.InsertColumn(0, "ITEMS", LVCFMT_LEFT, (listRect.right - listRect.left) - 21);

    // The list view destroys its image lists with itself.
    m_imageList = ::ImageList_Create(16, 16, ILC_COLORDDB | ILC_MASK, 2, 1);
    for (UINT icon : {IDI_FOLDER, IDI_MOVIE}) {
        UniqueIcon image(static_cast<HICON>(
            ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, 0)));
        ::ImageList_ReplaceIcon(m_imageList, -1, image.Get());
    }
    m_listSwf.SetImageList(m_imageList, LVSIL_SMALL);

    const DWORD saveSiteFilter = ReadProgramNumber("bSaveSiteFilter", 0);
    const DWORD saveDateFilter = ReadProgramNumber("bSaveDateFilter", 0);
    ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, "exactDate", exactDate, m_clock);
    ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, "startDate", startDate, m_clock);
    ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, "endDate", endDate, m_clock);
    m_strCurrViewFolder = ReadProgramText("CurrViewFolder", "");
    if (m_strCurrViewFolder.empty()) m_strCurrViewFolder = GetProgramDrive();
    ::SetDlgItemTextA(wnd, IDC_VIEW_FOLDER, m_strCurrViewFolder.c_str());

    const std::string allSites = LoadResString(IDS_ALL_SITES);
    m_strSiteFilter = allSites;
    if (saveSiteFilter) {
        m_strSiteFilter = ReadProgramText("siteFilter", "");
        if (m_strSiteFilter.empty()) m_strSiteFilter = allSites;
    }
    if (!m_strSite.empty()) m_strSiteFilter = m_strSite == "all" ? allSites : m_strSite;

    FillSiteCombo();

    for (UINT id : kSources) m_comboSource.SetItemData(m_comboSource.AddString(LoadResString(id)), id);
    for (UINT id : kDateModes) m_comboDate.SetItemData(m_comboDate.AddString(LoadResString(id)), id);

    std::string dateFilter = LoadResString(IDS_DATE_ALL);
    if (saveDateFilter) {
        dateFilter = ReadProgramText("dateFilter", "");
        if (dateFilter.empty()) dateFilter = LoadResString(IDS_DATE_ALL);
    }
    m_comboDate.SelectString(-1, dateFilter);

    DWORD source = ReadProgramNumber("source", IeCache);
    if (!m_strSite.empty()) source = IeCache;
    UINT sourceText = IDS_SOURCE_IE;
    if (source == FirefoxCache) sourceText = IDS_SOURCE_FIREFOX;
    if (source == ChosenFolder) sourceText = IDS_SOURCE_FOLDER;
    m_comboSource.SelectString(-1, LoadResString(sourceText));

    // The two tooltips (of the controls and of the list) are created at
    // this point once the tooltip window exists.

    ShowSplashAndLoad();
    return TRUE;
}

void CFlickholdDlg::PlacePlayer() {
    RECT frame;
    ::GetWindowRect(::GetDlgItem(Handle(), IDC_PLAYER_FRAME), &frame);
    ::MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&frame), 2);
    ::InflateRect(&frame, -1, -1);
    ::SetWindowPos(m_player.Handle(), nullptr, frame.left, frame.top, frame.right - frame.left,
                   frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFlickholdDlg::ShowSplashAndLoad() {
    CBSSplashDlg splash;
    if (splash.Create(Handle())) {
        m_splash = splash.Handle();
        ::ShowWindow(m_splash, SW_SHOWNORMAL);
        ::UpdateWindow(m_splash);
    }
    LoadSource();
    m_splash = nullptr;
    splash.Destroy();
}

bool CFlickholdDlg::PreTranslateMessage(MSG* msg) {
    // The tooltips relay every message here before it is dispatched.
    return DialogBase::PreTranslateMessage(msg);
}

int CFlickholdDlg::CurrentSource() const {
    int sel = m_comboSource.GetCurSel();
    if (sel == CB_ERR) return IeCache;
    return NarrowOr<int>(m_comboSource.GetItemData(sel), static_cast<int>(IeCache));
}

int CFlickholdDlg::CurrentDateMode() const {
    int sel = m_comboDate.GetCurSel();
    if (sel == CB_ERR) return DateAll;
    return NarrowOr<int>(m_comboDate.GetItemData(sel), static_cast<int>(DateAll));
}

void CFlickholdDlg::LoadEntries(int source) {
    int counter = 1;
    if (source == FirefoxCache) {
        LoadFirefoxCache(m_entries, counter, m_clock);
    } else if (source == ChosenFolder) {
        LoadChosenFolder(m_entries, m_strCurrViewFolder, counter, m_clock);
    } else {
        LoadIeCache(m_entries, m_clock);
    }
}

void CFlickholdDlg::LoadSource() {
    if (m_bClosing) return;
    WaitCursor wait;
    const int source = CurrentSource();
    if (source == FirefoxCache || source == ChosenFolder) {
        m_entries.clear();
        LoadEntries(source);
    } else {
        LoadEntries(source);
        FillSiteCombo();
    }
    FillList(source);
    WriteProgramNumber("source", static_cast<DWORD>(source));
    UpdateControls();
}

void CFlickholdDlg::FillSiteCombo() {
    m_comboSite.ResetContent();
    const std::string allSites = LoadResString(IDS_ALL_SITES);
    m_comboSite.AddString(allSites);
    m_comboSite.AddString(LoadResString(IDS_UNCLASSIFIED));
    // Each site once, without regard to case; a set keeps this linear in the
    // number of entries instead of searching the combo for every one.
    NoCaseTextSet added(SystemCodePage());
    for (const std::string& fixed : {allSites, LoadResString(IDS_UNCLASSIFIED)}) added.Add(fixed);
    for (const SwfEntry& entry : m_entries) {
        if (entry.site.empty() || added.Contains(entry.site)) continue;
        added.Add(entry.site);
        m_comboSite.AddString(entry.site);
    }
    if (m_strSiteFilter.empty() || m_comboSite.SelectString(-1, m_strSiteFilter) == CB_ERR)
        m_comboSite.SelectString(-1, allSites);
}

void CFlickholdDlg::FillList(int source) {
    m_listSwf.DeleteRows(1);
    const int dateMode = CurrentDateMode();
    const DateFilterDates dates{exactDate, startDate, endDate};
    auto passesDate = [&](const SwfEntry& e) {
        return dateMode == DateAll || PassesDateFilter(e.fileTime, dateMode, dates, m_clock);
    };

    if (source == ChosenFolder) {
        m_listSwf.ModifyStyle(LVS_SORTASCENDING, 0);
        int row = 0;
        for (const SwfEntry& e : m_entries) {
            if (!e.isFolder && !passesDate(e)) continue;
            int index = m_listSwf.InsertRow(row++, e.name, e.isFolder ? kImageFolder : kImageMovie);
            if (index != -1) m_listSwf.SetRowData(index, e.id);
        }
        return;
    }

    m_listSwf.ModifyStyle(0, LVS_SORTASCENDING);
    SiteRestriction site;
    if (source != FirefoxCache) {
        int sel = m_comboSite.GetCurSel();
        std::optional<std::string> text;
        if (sel != CB_ERR) text = m_comboSite.GetLBText(sel);
        site = MakeSiteRestriction(text, LoadResString(IDS_ALL_SITES), LoadResString(IDS_UNCLASSIFIED));
    }
    for (const SwfEntry& e : m_entries) {
        if (!PassesSiteRestriction(site, e) || !passesDate(e)) continue;
        int index = m_listSwf.InsertRow(0, e.name, kImageMovie);
        if (index != -1) m_listSwf.SetRowData(index, e.id);
    }
    if (m_listSwf.GetItemCount() > 0) m_listSwf.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
}

void CFlickholdDlg::UpdateControls() {
    const ControlState s =
        ComputeControlState(CurrentSource(), m_listSwf.GetRowCount(2), m_listSwf.GetRowCount(1), CurrentDateMode());
    HWND wnd = Handle();
    ::EnableWindow(::GetDlgItem(wnd, IDC_DELETE), s.deleteEnabled);
    ::EnableWindow(::GetDlgItem(wnd, IDC_SAVE_AS), s.saveAsEnabled);
    ::EnableWindow(::GetDlgItem(wnd, IDC_SAVE), s.saveEnabled);
    ::EnableWindow(::GetDlgItem(wnd, IDC_SAVE_ALL), s.saveAllEnabled);
    ::EnableWindow(::GetDlgItem(wnd, IDC_PREVIEW), s.previewEnabled);
    m_comboSite.Enable(s.siteComboEnabled);
    ::ShowWindow(::GetDlgItem(wnd, IDC_LABEL_MODIFIED), s.modifiedFieldShown ? SW_SHOW : SW_HIDE);
    ::ShowWindow(::GetDlgItem(wnd, IDC_MODIFIED), s.modifiedFieldShown ? SW_SHOW : SW_HIDE);
    ::SetDlgItemTextA(wnd, IDC_LABEL_URL, LoadResString(static_cast<UINT>(s.labelUrl)).c_str());
    ::SetDlgItemTextA(wnd, IDC_LABEL_CREATED, LoadResString(static_cast<UINT>(s.labelCreated)).c_str());
    ::SetDlgItemTextA(wnd, IDC_LABEL_SIZE, LoadResString(static_cast<UINT>(s.labelSize)).c_str());
    ::EnableWindow(::GetDlgItem(wnd, IDC_CHOOSE_DATE), s.chooseDateEnabled);
    ::EnableWindow(::GetDlgItem(wnd, IDC_CHOOSE_FOLDER), s.chooseFolderEnabled);
    ::EnableWindow(::GetDlgItem(wnd, IDC_VIEW_FOLDER), s.chooseFolderEnabled);
}

INT_PTR CFlickholdDlg::OnPaint(WPARAM, LPARAM) {
    if (!::IsIconic(Handle())) return FALSE;
    PaintDC dc(Handle());
    ::SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    ::GetClientRect(Handle(), &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon.Get());
    return TRUE;
}

INT_PTR CFlickholdDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<INT_PTR>(m_hIcon.Get()); }

void CFlickholdDlg::OnSourceChange() { LoadSource(); }

void CFlickholdDlg::OnRefresh() { LoadSource(); }

void CFlickholdDlg::OnSiteChange() {
    if (m_bClosing) return;
    int sel = m_comboSite.GetCurSel();
    if (sel != CB_ERR) {
        m_strSiteFilter = m_comboSite.GetLBText(sel);
        WriteProgramText("siteFilter", m_strSiteFilter);
    }
    FillList(CurrentSource());
    UpdateControls();
}

void CFlickholdDlg::OnDateChange() {
    if (m_bClosing) return;
    int sel = m_comboDate.GetCurSel();
    if (sel != CB_ERR) WriteProgramText("dateFilter", m_comboDate.GetLBText(sel));
    FillList(CurrentSource());
    UpdateControls();
}

INT_PTR CFlickholdDlg::RunDateDialog(DialogBase& dialog) { return dialog.DoModal(Handle()); }

void CFlickholdDlg::OnChooseDate() {
    const int mode = CurrentDateMode();
    if (mode == DateExact) {
        CExactDlg dialog(m_clock);
        dialog.m_date = exactDate;
        if (RunDateDialog(dialog) != IDOK) return;
        exactDate = dialog.m_date;
        WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, "exactDate", exactDate, m_clock);
    } else if (mode == DateRange) {
        CRangeDlg dialog(m_clock);
        dialog.m_first = startDate;
        dialog.m_last = endDate;
        if (RunDateDialog(dialog) != IDOK) return;
        startDate = dialog.m_first;
        endDate = dialog.m_last;
        WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, "startDate", startDate, m_clock);
        WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, "endDate", endDate, m_clock);
    } else {
        return;
    }
    FillList(CurrentSource());
    UpdateControls();
}

std::string CFlickholdDlg::BrowseViewFolder() {
    return BrowseForFolder(nullptr, LoadResString(IDS_CHOOSE_VIEW_FOLDER), std::string());
}

void CFlickholdDlg::OnChooseFolder() {
    std::string folder = BrowseViewFolder();
    if (!folder.empty()) {
        m_strCurrViewFolder = folder;
        WriteProgramText("CurrViewFolder", m_strCurrViewFolder);
        ::SetDlgItemTextA(Handle(), IDC_VIEW_FOLDER, m_strCurrViewFolder.c_str());
    }
    LoadSource();
}

void CFlickholdDlg::OnExit() {
    m_bClosing = true;
    EndDialog(IDOK);
}

int CFlickholdDlg::FirstSelectedRow() const { return m_listSwf.GetNextItem(-1, LVNI_SELECTED); }

LRESULT CFlickholdDlg::OnItemChanged(NMHDR*) {
    ShowSelectedMovie();
    return 0;
}

void CFlickholdDlg::ShowSelectedMovie() {
    if (m_bClosing) return;
    const int row = FirstSelectedRow();
    if (row != -1) {
        const SwfEntry entry = FindEntryById(m_entries, NarrowOr<std::int32_t>(m_listSwf.GetRowData(row), 0));
        if (!entry.path.empty() && !entry.isFolder) {
            HWND wnd = Handle();
            const std::string bytes = entry.sizeText + LoadResString(IDS_BYTES);
            const std::string created = FormatLocalTime(entry.fileTime);
            if (CurrentSource() == IeCache) {
                ::SetDlgItemTextA(wnd, IDC_URL, (entry.url.empty() ? entry.path : entry.url).c_str());
                ::SetDlgItemTextA(wnd, IDC_CREATED, entry.lastModifiedText.c_str());
                ::SetDlgItemTextA(wnd, IDC_FILE_SIZE, bytes.c_str());
                ::SetDlgItemTextA(wnd, IDC_MODIFIED, created.c_str());
            } else {
                ::SetDlgItemTextA(wnd, IDC_URL, entry.path.c_str());
                ::SetDlgItemTextA(wnd, IDC_CREATED, bytes.c_str());
                ::SetDlgItemTextA(wnd, IDC_FILE_SIZE, created.c_str());
            }
        }
    }
    UpdateControls();
}

LRESULT CFlickholdDlg::OnDoubleClick(NMHDR*) {
    if (m_bClosing) return 0;
    const int row = FirstSelectedRow();
    if (row == -1) return 0;
    const LPARAM id = m_listSwf.GetRowData(row);
    if (id == 0) return 0;
    const SwfEntry entry = FindEntryById(m_entries, NarrowOr<std::int32_t>(id, 0));
    if (entry.path.empty()) return 0;
    if (entry.isFolder) NavigateFolderRow(entry);
    return 0;
}

void CFlickholdDlg::NavigateFolderRow(const SwfEntry& row) {
    if (row.path.empty()) return;
    m_strCurrViewFolder =
        NavigateFolder(m_strCurrViewFolder, row.path, row.name, SystemCodePage());
    WriteProgramText("CurrViewFolder", m_strCurrViewFolder);
    ::SetDlgItemTextA(Handle(), IDC_VIEW_FOLDER, m_strCurrViewFolder.c_str());
    LoadSource();
}

LRESULT CFlickholdDlg::OnListCustomDraw(NMHDR* hdr) {
    return m_listSwf.OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
}

}  // namespace fh
