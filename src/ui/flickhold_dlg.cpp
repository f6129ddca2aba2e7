#include "discovery/archive_source.h"
#include "ui/flickhold_dlg.h"

#include <commctrl.h>

#include "actions/movie_copies.h"
#include "actions/movie_export.h"
#include "base/dpi.h"
#include "base/narrow.h"
#include "discovery/loaders.h"
#include "discovery/shell_helpers.h"
#include "discovery/swf_names.h"
#include "html/html_markup.h"
#include "settings/settings_store.h"
#include "settings/value_names.h"
#include "win/dpi.h"
#include "win/file_drag.h"
#include "ui/date_dialogs.h"
#include "ui/date_filter.h"
#include "ui/main_view.h"
#include "ui/splash_dlg.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

namespace {

// Each source's name and the value stored for it; the first three names'
// string identifiers double as their values.
const struct {
    UINT name;
    int value;
} kSources[] = {
    {IDS_SOURCE_IE, IeCache},
    {IDS_SOURCE_FIREFOX, FirefoxCache},
    {IDS_SOURCE_FOLDER, ChosenFolder},
    {IDS_SOURCE_ARCHIVE, CacheArchive},
};

UINT SourceName(int value) {
    for (const auto& source : kSources)
        if (source.value == value) return source.name;
    return IDS_SOURCE_IE;
}
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
        OnMessage<D>(WM_DESTROY, &D::OnDestroy),
        OnMessage<D>(WM_DPICHANGED, &D::OnDpiChanged),
        OnCommand<D>(IDC_SOURCE_COMBO, CBN_SELCHANGE, &D::OnSourceChange),
        OnCommand<D>(IDC_REFRESH, BN_CLICKED, &D::OnRefresh),
        OnCommand<D>(IDC_SITE_COMBO, CBN_SELCHANGE, &D::OnSiteChange),
        OnCommand<D>(IDC_DATE_COMBO, CBN_SELCHANGE, &D::OnDateChange),
        OnCommand<D>(IDC_CHOOSE_DATE, BN_CLICKED, &D::OnChooseDate),
        OnCommand<D>(IDC_CHOOSE_FOLDER, BN_CLICKED, &D::OnChooseFolder),
        OnCommand<D>(IDOK, BN_CLICKED, &D::OnExit),
        OnCommand<D>(IDC_SAVE, BN_CLICKED, &D::OnSave),
        OnCommand<D>(IDC_SAVE_AS, BN_CLICKED, &D::OnSaveAs),
        OnCommand<D>(IDC_SAVE_ALL, BN_CLICKED, &D::OnSaveAll),
        OnCommand<D>(IDC_CHOOSE_SAVE_FOLDER, BN_CLICKED, &D::OnChooseSaveFolder),
        OnCommand<D>(IDC_OPEN_SAVE_FOLDER, BN_CLICKED, &D::OnOpenSaveFolder),
        OnCommand<D>(IDC_PREVIEW, BN_CLICKED, &D::OnPreview),
        OnCommand<D>(IDC_DELETE, BN_CLICKED, &D::OnDelete),
        OnNotify<D>(IDC_SWF_LIST, LVN_ITEMCHANGED, &D::OnItemChanged),
        OnNotify<D>(IDC_SWF_LIST, NM_DBLCLK, &D::OnDoubleClick),
        OnNotify<D>(IDC_SWF_LIST, LVN_BEGINDRAG, &D::OnBeginDrag),
        OnNotify<D>(IDC_SWF_LIST, NM_CUSTOMDRAW, &D::OnListCustomDraw),
        // The tooltips are popups without a control identifier.
        OnNotify<D>(0, TIPN_DISPLAY, &D::OnTipDisplay),
        OnMessage<D>(WM_CONTEXTMENU, &D::OnContextMenu),
        // Menu commands come with the notification code 0.
        OnCommand<D>(ID_LIST_COPY_ADDRESSES, 0, &D::OnCopyAddresses),
        OnCommand<D>(ID_KEY_OPEN, 1, &D::OnKeyOpen),
        OnCommand<D>(ID_KEY_DELETE, 1, &D::OnKeyDelete),
        OnCommand<D>(ID_KEY_REFRESH, 1, &D::OnKeyRefresh),
        OnCommand<D>(ID_KEY_SAVE, 1, &D::OnKeySave),
        OnCommand<D>(ID_KEY_SAVE_ALL, 1, &D::OnKeySaveAll),
        OnCommand<D>(ID_KEY_SELECT_ALL, 1, &D::OnKeySelectAll),
        OnCommand<D>(ID_KEY_COPY, 1, &D::OnCopyAddresses),
        OnCommand<D>(ID_KEY_PARENT, 1, &D::OnKeyParent),
        OnCommand<D>(ID_LIST_EXPORT_CSV, 0, &D::OnExportList),
        OnCommand<D>(ID_LIST_SAVE_SELECTED_SITES, 0, &D::OnSaveSelectedInSites),
        OnCommand<D>(ID_LIST_SAVE_ALL_SITES, 0, &D::OnSaveAllInSites),
        OnCommand<D>(ID_LIST_SAVE_UNIQUE, 0, &D::OnToggleSaveUnique),
    };
    return table;
}

BOOL CFlickholdDlg::OnInit() {
    HWND wnd = Handle();
    m_keys = ::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_KEYS));
    m_player.Attach(Item(IDC_PLAYER));
    m_listSwf.Attach(wnd, IDC_SWF_LIST);
    m_comboSite.Bind(wnd, IDC_SITE_COMBO);
    m_comboSource.Bind(wnd, IDC_SOURCE_COMBO);
    m_comboDate.Bind(wnd, IDC_DATE_COMBO);

    ::SendMessageA(wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon.Get()));
    PlacePlayer();
    m_player.Initialize();

    m_listSwf.InsertColumn(0, "ITEMS", LVCFMT_LEFT, 100);
    ApplyDpi();

    // The settings are read in this order; each keeps its default when missing.
    StartupInputs in;
    in.saveSiteFilter = ReadProgramNumber(kValueSaveSiteFilter, 0) != 0;
    in.saveDateFilter = ReadProgramNumber(kValueSaveDateFilter, 0) != 0;
    ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, kValueExactDate, exactDate, m_clock);
    ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, kValueStartDate, startDate, m_clock);
    ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, kValueEndDate, endDate, m_clock);
    m_strCurrViewFolder = ReadProgramText(kValueCurrViewFolder, "");
    if (m_strCurrViewFolder.empty()) m_strCurrViewFolder = GetProgramDrive();
    ::SetDlgItemTextA(wnd, IDC_VIEW_FOLDER, m_strCurrViewFolder.c_str());
    if (in.saveSiteFilter) in.siteFilter = ReadProgramText(kValueSiteFilter, "");
    if (in.saveDateFilter) in.dateFilter = ReadProgramText(kValueDateFilter, "");
    in.source = NarrowOr<int>(ReadProgramNumber(kValueSource, IeCache), static_cast<int>(IeCache));
    in.commandLineSite = m_strSite;
    in.allSitesText = LoadResString(IDS_ALL_SITES);
    in.allDatesText = LoadResString(IDS_DATE_ALL);
    const StartupFilters start = ResolveStartupFilters(in);

    m_strSiteFilter = start.siteFilter;
    FillSiteCombo();
    for (const auto& source : kSources)
        m_comboSource.SetItemData(m_comboSource.AddString(LoadResString(source.name)), static_cast<LPARAM>(source.value));
    for (UINT id : kDateModes) m_comboDate.SetItemData(m_comboDate.AddString(LoadResString(id)), id);
    m_comboDate.SelectString(-1, start.dateText);
    m_comboSource.SelectString(-1, LoadResString(SourceName(start.source)));

    CreateTips();
    RestorePlacement();

    ShowSplashAndLoad();
    return TRUE;
}

// What is drawn in pixels follows the window's resolution: the rows' icons
// (loaded at the size that fits, not stretched), the column and the player.
void CFlickholdDlg::ApplyDpi() {
    const int dpi = WindowDpi(Handle());
    const int icon = ScaleForDpi(16, dpi);
    HIMAGELIST images = ::ImageList_Create(icon, icon, ILC_COLOR32 | ILC_MASK, 2, 1);
    for (UINT id : {IDI_FOLDER, IDI_MOVIE}) {
        UniqueIcon image(static_cast<HICON>(
            ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, icon, icon, 0)));
        ::ImageList_ReplaceIcon(images, -1, image.Get());
    }
    // The list view destroys the image list it holds with itself; the one it replaces is ours.
    HIMAGELIST old = ListView_SetImageList(m_listSwf.Handle(), images, LVSIL_SMALL);
    if (old) ::ImageList_Destroy(old);
    m_imageList = images;
    m_iconSize = icon;
    RECT listRect;
    ::GetWindowRect(m_listSwf.Handle(), &listRect);
    ListView_SetColumnWidth(m_listSwf.Handle(), 0, (listRect.right - listRect.left) - ScaleForDpi(21, dpi));
    PlacePlayer();
}

MsgResult CFlickholdDlg::OnDpiChanged(WPARAM, LPARAM lParam) {
    // The system suggests where the window goes at the new resolution.
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested)
        ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyDpi();
    ::InvalidateRect(Handle(), nullptr, TRUE);
    return Handled(0);
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

void CFlickholdDlg::CreateTips() {
    HWND wnd = Handle();
    m_tipControls.CreateTip(wnd, true);
    m_tipControls.SetDelay(3, 1000);
    m_tipControls.SetDelay(2, 30000);
    static const struct {
        int control;
        UINT text;
    } kTools[] = {
        {IDC_SOURCE_COMBO, IDS_TIP_SOURCE},         {IDC_VIEW_FOLDER, IDS_TIP_FOLDER},
        {IDC_CHOOSE_FOLDER, IDS_TIP_CHOOSE_FOLDER}, {IDC_SITE_COMBO, IDS_TIP_SITE},
        {IDC_DATE_COMBO, IDS_TIP_DATE},             {IDC_CHOOSE_DATE, IDS_TIP_CHOOSE_DATE},
        {IDC_REFRESH, IDS_TIP_REFRESH},             {IDC_DELETE, IDS_TIP_DELETE},
        {IDC_PREVIEW, IDS_TIP_PREVIEW},             {IDC_SAVE, IDS_TIP_SAVE},
        {IDC_SAVE_AS, IDS_TIP_SAVE_AS},             {IDC_SAVE_ALL, IDS_TIP_SAVE_ALL},
        {IDC_CHOOSE_SAVE_FOLDER, IDS_TIP_CHOOSE_SAVE_FOLDER}, {IDC_OPEN_SAVE_FOLDER, IDS_TIP_OPEN_SAVE_FOLDER},
    };
    for (const auto& tool : kTools) m_tipControls.AddToolString(Item(tool.control), tool.text, nullptr, 0);

    m_tipList.CreateTip(wnd, false);
    m_tipList.SetNotifyParent(true);
    m_tipList.SetDelay(3, 1000);
    m_tipList.SetDefaultBehaviour(TIP_BEHAVIOUR_MULTIPLE_SHOW);
    m_tipList.AddToolText(m_listSwf.Handle(), std::string(), nullptr, 0);
}

bool CFlickholdDlg::PreTranslateMessage(MSG* msg) {
    m_tipControls.RelayMessage(*msg);
    m_tipList.RelayMessage(*msg);
    // The keys belong to the list, except F5, which refreshes from anywhere
    // in the window; elsewhere Enter, Backspace and Ctrl+C keep their usual meaning.
    if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && m_keys && Handle() &&
        (msg->hwnd == m_listSwf.Handle() || (msg->wParam == VK_F5 && ::IsChild(Handle(), msg->hwnd))) &&
        ::TranslateAcceleratorA(Handle(), m_keys, msg))
        return true;
    return DialogBase::PreTranslateMessage(msg);
}

LRESULT CFlickholdDlg::OnTipDisplay(NMHDR* hdr) {
    auto* info = reinterpret_cast<TipDisplayInfo*>(hdr);
    HWND list = m_listSwf.Handle();
    if (hdr->hwndFrom != m_tipList.Handle() || info->hwndTool != list || !info->pt || !info->ti) return 0;
    // The list's client coordinates: the hit test does not count its border.
    POINT pt = *info->pt;
    ::ScreenToClient(list, &pt);
    LVHITTESTINFO hit{};
    hit.pt = pt;
    if (::SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0 ||
        !(hit.flags & LVHT_ONITEM))
        return 0;
    std::string text = m_listSwf.GetItemText(hit.iItem, hit.iSubItem);

    RECT header{};
    HWND headerWnd = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (headerWnd && ::SendMessageA(headerWnd, HDM_GETITEMRECT, static_cast<WPARAM>(hit.iSubItem),
                                    reinterpret_cast<LPARAM>(&header))) {
        ::OffsetRect(&header, -::GetScrollPos(list, SB_HORZ), 0);
    }
    if (::PtInRect(&header, pt)) {
        char heading[256] = "";
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = heading;
        item.cchTextMax = sizeof heading;
        ::SendMessageA(headerWnd, HDM_GETITEMA, static_cast<WPARAM>(hit.iSubItem), reinterpret_cast<LPARAM>(&item));
        text = heading;
        info->pt->x += 5;
        info->pt->y += 20;
    } else {
        RECT cell{};
        cell.top = hit.iSubItem;
        cell.left = LVIR_BOUNDS;
        ::SendMessageA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(hit.iItem), reinterpret_cast<LPARAM>(&cell));
        POINT corner{cell.left, cell.bottom};
        ::ClientToScreen(list, &corner);
        *info->pt = POINT{corner.x + 1, corner.y + 1};
    }
    // Names and addresses come from browser caches: shown, never run as markup.
    info->ti->text = EscapeHtmlText(text, SystemCodePage());
    return 0;
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

void CFlickholdDlg::LoadEntries(int source, SwfEntryList& entries) {
    int counter = 1;
    char text[256] = "";
    if (Handle()) ::GetWindowTextA(Handle(), text, sizeof text);
    const std::string caption = text;
    if (source == FirefoxCache) LoadFirefoxCache(entries, counter, FirefoxFolders(), m_clock);
    else if (source == ChosenFolder) LoadChosenFolder(entries, counter, m_strCurrViewFolder, m_clock);
    else if (source == CacheArchive)
        LoadArchiveFolder(entries, counter, m_strCurrViewFolder, m_clock,
                          [&](std::size_t found) { return KeepGoing(caption, found); });
    else LoadIeCache(entries, counter, IeCacheFolder(), m_clock);
    if (source == CacheArchive && Handle()) ::SetWindowTextA(Handle(), caption.c_str());
}

bool CFlickholdDlg::KeepGoing(const std::string& caption, std::size_t done) const {
    ::SetWindowTextA(Handle(), (caption + " - " + std::to_string(done)).c_str());
    return !(::GetForegroundWindow() == Handle() && (::GetAsyncKeyState(VK_ESCAPE) & 0x8000));
}

std::optional<std::vector<std::string>> CFlickholdDlg::HashWithProgress(const SwfEntryList& entries,
                                                                        bool copiesOnly) const {
    WaitCursor wait;
    char text[256] = "";
    ::GetWindowTextA(Handle(), text, sizeof text);
    const std::string caption = text;
    auto counted = [&](std::size_t done) { return KeepGoing(caption, done); };
    auto hashes = copiesOnly ? HashPossibleCopies(entries, counted) : HashMovies(entries, counted);
    ::SetWindowTextA(Handle(), caption.c_str());
    return hashes;
}

void CFlickholdDlg::LoadSource() {
    if (m_bClosing) return;
    WaitCursor wait;
    const int source = CurrentSource();
    m_entries.clear();
    LoadEntries(source, m_entries);
    // Every source but the chosen folder lists addresses, and so sites.
    if (source != ChosenFolder) FillSiteCombo();
    // Delete is disabled for the analysis; its tip says why.
    m_tipControls.AddToolString(Item(IDC_DELETE), source == CacheArchive ? IDS_TIP_DELETE_ARCHIVE : IDS_TIP_DELETE,
                                nullptr, 0);
    FillList(source);
    WriteProgramNumber(kValueSource, static_cast<DWORD>(source));
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
    m_listSwf.DeleteRows(kAllRows);
    ListFilter filter;
    filter.source = source;
    const int sel = m_comboSite.GetCurSel();
    if (sel != CB_ERR) filter.siteText = m_comboSite.GetLBText(sel);
    filter.allSitesText = LoadResString(IDS_ALL_SITES);
    filter.unclassifiedText = LoadResString(IDS_UNCLASSIFIED);
    filter.dateMode = CurrentDateMode();
    filter.dates = DateFilterDates{exactDate, startDate, endDate};
    const ListFill fill = ComputeListRows(m_entries, filter, m_clock);

    if (fill.sorted) m_listSwf.ModifyStyle(0, LVS_SORTASCENDING);
    else m_listSwf.ModifyStyle(LVS_SORTASCENDING, 0);
    for (const ListRow& row : fill.rows) {
        const int index = m_listSwf.InsertRow(row.index, row.name, row.image);
        if (index != -1) m_listSwf.SetRowData(index, row.id);
    }
    if (fill.selectFirst && m_listSwf.GetItemCount() > 0) m_listSwf.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
}

void CFlickholdDlg::UpdateControls() {
    const ControlState s =
        ComputeControlState(CurrentSource(), m_listSwf.GetRowCount(kSelectedRows), m_listSwf.GetRowCount(kAllRows),
                            CurrentDateMode());
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

MsgResult CFlickholdDlg::OnPaint(WPARAM, LPARAM) {
    if (!::IsIconic(Handle())) return NotHandled();
    PaintDC dc(Handle());
    ::SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    ::GetClientRect(Handle(), &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon.Get());
    return Handled(0);
}

MsgResult CFlickholdDlg::OnDestroy(WPARAM, LPARAM) {
    m_destroying = true;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(Handle(), &placement))
        WriteSettingBinary(HKEY_CURRENT_USER, kProgramKey, kValueWindowPlacement, &placement, sizeof placement);
    return NotHandled();
}

void CFlickholdDlg::RestorePlacement() {
    WINDOWPLACEMENT placement{};
    if (ReadSettingBinary(HKEY_CURRENT_USER, kProgramKey, kValueWindowPlacement, &placement, sizeof placement) !=
            ERROR_SUCCESS ||
        placement.length != sizeof placement)
        return;
    // A monitor that was unplugged since leaves the window where the system puts it.
    if (!::MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONULL)) return;
    // The window keeps its own size: only where it stood is restored.
    RECT now{};
    ::GetWindowRect(Handle(), &now);
    RECT& at = placement.rcNormalPosition;
    at.right = at.left + (now.right - now.left);
    at.bottom = at.top + (now.bottom - now.top);
    placement.showCmd = ::IsWindowVisible(Handle()) ? SW_SHOWNORMAL : SW_HIDE;
    placement.flags = 0;
    ::SetWindowPlacement(Handle(), &placement);
}

MsgResult CFlickholdDlg::OnQueryDragIcon(WPARAM, LPARAM) { return Handled(reinterpret_cast<LRESULT>(m_hIcon.Get())); }

void CFlickholdDlg::OnSourceChange() { LoadSource(); }

void CFlickholdDlg::OnRefresh() { LoadSource(); }

void CFlickholdDlg::OnSiteChange() {
    if (m_bClosing) return;
    int sel = m_comboSite.GetCurSel();
    if (sel != CB_ERR) {
        m_strSiteFilter = m_comboSite.GetLBText(sel);
        WriteProgramText(kValueSiteFilter, m_strSiteFilter);
    }
    FillList(CurrentSource());
    UpdateControls();
}

void CFlickholdDlg::OnDateChange() {
    if (m_bClosing) return;
    int sel = m_comboDate.GetCurSel();
    if (sel != CB_ERR) WriteProgramText(kValueDateFilter, m_comboDate.GetLBText(sel));
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
        WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, kValueExactDate, exactDate, m_clock);
    } else if (mode == DateRange) {
        CRangeDlg dialog(m_clock);
        dialog.m_first = startDate;
        dialog.m_last = endDate;
        if (RunDateDialog(dialog) != IDOK) return;
        startDate = dialog.m_first;
        endDate = dialog.m_last;
        WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, kValueStartDate, startDate, m_clock);
        WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, kValueEndDate, endDate, m_clock);
    } else {
        return;
    }
    FillList(CurrentSource());
    UpdateControls();
}

std::string CFlickholdDlg::BrowseViewFolder(HWND owner, const std::string& title) {
    return BrowseForFolder(owner, title, std::string());
}

void CFlickholdDlg::OnChooseFolder() {
    // Owned by the main window, so the window cannot be used or closed
    // while the browser is open.
    std::string folder = BrowseViewFolder(Handle(), LoadResString(IDS_CHOOSE_VIEW_FOLDER));
    if (!folder.empty()) {
        m_strCurrViewFolder = folder;
        WriteProgramText(kValueCurrViewFolder, m_strCurrViewFolder);
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
    if (!m_destroying) ShowSelectedMovie();
    return 0;
}

SwfEntry CFlickholdDlg::EntryOfRow(int row) const {
    if (row == -1) return SwfEntry{};
    // Rows carry entry ids, which are 32-bit.
    const std::int32_t id = NarrowOr<std::int32_t>(m_listSwf.GetRowData(row), 0);
    if (id == 0) return SwfEntry{};
    return FindEntryById(m_entries, id);
}

void CFlickholdDlg::ShowSelectedMovie() {
    if (m_bClosing) return;
    const SwfEntry entry = EntryOfRow(FirstSelectedRow());
    if (!entry.path.empty() && !entry.isFolder) {
        // A movie inside another file is read from its extracted copy, under
        // the name of the file that holds it.
        m_player.ShowMovie(MovieFileOf(entry), entry.sizeText, entry.IsPart() ? entry.path : std::string());
        HWND wnd = Handle();
        const DetailTexts t =
            ComputeDetailTexts(entry, CurrentSource(), LoadResString(IDS_BYTES), FormatLocalTime(entry.fileTime));
        ::SetDlgItemTextA(wnd, IDC_URL, t.address.c_str());
        ::SetDlgItemTextA(wnd, IDC_CREATED, t.second.c_str());
        ::SetDlgItemTextA(wnd, IDC_FILE_SIZE, t.third.c_str());
        if (t.fourth) ::SetDlgItemTextA(wnd, IDC_MODIFIED, t.fourth->c_str());
    }
    UpdateControls();
}

LRESULT CFlickholdDlg::OnDoubleClick(NMHDR*) {
    if (m_bClosing) return 0;
    const SwfEntry entry = EntryOfRow(FirstSelectedRow());
    if (entry.path.empty()) return 0;
    if (entry.isFolder) NavigateFolderRow(entry);
    else PreviewMovie(MovieFileOf(entry), Shell());
    return 0;
}

std::vector<std::int32_t> CFlickholdDlg::SelectedIds() const {
    std::vector<std::int32_t> ids;
    for (int row = m_listSwf.GetNextItem(-1, LVNI_SELECTED); row != -1; row = m_listSwf.GetNextItem(row, LVNI_SELECTED)) {
        const std::int32_t id = NarrowOr<std::int32_t>(m_listSwf.GetRowData(row), 0);
        if (id != 0) ids.push_back(id);
    }
    return ids;
}

// The save folder is read once per press of a button, for all its movies.
void CFlickholdDlg::OnSave() {
    FreeNameFinder names(SystemCodePage());
    const std::string folder = GetSaveFolder();
    for (std::int32_t id : SelectedIds()) {
        const SwfEntry entry = FindEntryById(m_entries, id);
        if (!entry.path.empty()) SaveEntry(entry, false, folder, Handle(), Shell(), names);
    }
}

void CFlickholdDlg::OnSaveAs() {
    FreeNameFinder names(SystemCodePage());
    const std::string folder = GetSaveFolder();
    for (std::int32_t id : SelectedIds()) {
        const SwfEntry entry = FindEntryById(m_entries, id);
        // The first cancel ends the walk.
        if (!entry.path.empty() && !SaveEntry(entry, true, folder, Handle(), Shell(), names)) break;
    }
}

void CFlickholdDlg::OnSaveAll() {
    // Every movie of the load, also those the filters keep out of the list.
    const SwfEntryList entries = m_entries;
    std::optional<std::vector<std::string>> hashes;
    if (SaveOncePerMovie() && !(hashes = HashWithProgress(entries, true))) return;
    FreeNameFinder names(SystemCodePage());
    const std::string folder = GetSaveFolder();
    OncePerMovie once(hashes ? &*hashes : nullptr);
    std::size_t movie = 0;
    for (const SwfEntry& entry : entries) {
        if (entry.isFolder) continue;
        const std::size_t row = movie++;
        if (!once.WrittenFor(row).empty()) continue;
        std::string written;
        SaveEntry(entry, false, folder, Handle(), Shell(), names, &written);
        once.Wrote(row, written);
    }
}

void CFlickholdDlg::OnChooseSaveFolder() {
    // The browser takes at most 259 characters as its first folder.
    std::string initial = GetSaveFolder();
    if (initial.size() > MAX_PATH - 1) initial.resize(MAX_PATH - 1);
    const std::string folder = Shell().BrowseFolder(Handle(), LoadResString(IDS_CHOOSE_SAVE_FOLDER), initial);
    if (!folder.empty()) SetSaveFolder(folder);
}

void CFlickholdDlg::OnOpenSaveFolder() { Shell().Open(GetSaveFolder()); }

void CFlickholdDlg::OnPreview() { PreviewSelectedMovie(); }

void CFlickholdDlg::PreviewSelectedMovie() {
    if (m_bClosing) return;
    const SwfEntry entry = EntryOfRow(FirstSelectedRow());
    if (!entry.path.empty()) PreviewMovie(MovieFileOf(entry), Shell());
}

void CFlickholdDlg::OnDelete() {
    if (Shell().Message(Handle(), LoadResString(IDS_CONFIRM_DELETE), MB_YESNO) != IDYES) return;
    m_player.ReleaseMovie();
    const std::vector<std::string> kept = DeleteEntries(m_entries, SelectedIds());
    FillList(CurrentSource());
    UpdateControls();
    if (kept.empty()) return;
    std::string text = LoadResString(IDS_DELETE_FAILED);
    for (const std::string& name : kept) text += "\n" + name;
    Shell().Message(Handle(), text, MB_OK | MB_ICONSTOP);
}

void CFlickholdDlg::NavigateFolderRow(const SwfEntry& row) {
    if (row.path.empty()) return;
    m_strCurrViewFolder =
        NavigateFolder(m_strCurrViewFolder, row.path, row.name, SystemCodePage());
    WriteProgramText(kValueCurrViewFolder, m_strCurrViewFolder);
    ::SetDlgItemTextA(Handle(), IDC_VIEW_FOLDER, m_strCurrViewFolder.c_str());
    LoadSource();
}

// The selected movies go out as files; folder rows stay behind. A movie
// inside another file is extracted to a temporary file first.
LRESULT CFlickholdDlg::OnBeginDrag(NMHDR*) {
    if (m_bClosing) return 0;
    std::vector<std::string> paths;
    for (const SwfEntry& entry : SelectedMovies()) {
        const std::string path = MovieFileOf(entry);
        if (!path.empty()) paths.push_back(path);
    }
    DragFiles(paths);
    return 0;
}

LRESULT CFlickholdDlg::OnListCustomDraw(NMHDR* hdr) {
    return m_listSwf.OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
}

}  // namespace fh
