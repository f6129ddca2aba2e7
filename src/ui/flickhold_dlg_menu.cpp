// The list's context menu: the addresses of the selected rows to the
// clipboard, the movie list as CSV, movies saved in site folders, and the
// option of saving each movie once.

#include <windowsx.h>

#include "actions/movie_export.h"
#include "base/narrow.h"
#include "settings/settings_store.h"
#include "settings/value_names.h"
#include "ui/flickhold_dlg.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

namespace {

bool HasMovie(const SwfEntryList& entries) {
    for (const SwfEntry& e : entries)
        if (!e.isFolder) return true;
    return false;
}

// Unicode text on the clipboard; the system offers the other formats.
void PutOnClipboard(HWND owner, const std::string& text) {
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (wide <= 0 || !::OpenClipboard(owner)) return;
    ::EmptyClipboard();
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(wide) * sizeof(wchar_t))) {
        if (void* data = ::GlobalLock(memory)) {
            ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, static_cast<wchar_t*>(data), wide);
            ::GlobalUnlock(memory);
            // The clipboard owns the memory once it took it.
            if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
        } else {
            ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
}

}  // namespace

SwfEntryList CFlickholdDlg::SelectedMovies() const {
    SwfEntryList movies;
    for (std::int32_t id : SelectedIds()) {
        SwfEntry e = FindEntryById(m_entries, id);
        if (!e.path.empty() && !e.isFolder) movies.push_back(std::move(e));
    }
    return movies;
}

void CFlickholdDlg::ShowListMenu(HMENU menu, POINT screen) {
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
}

MsgResult CFlickholdDlg::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    HWND list = m_listSwf.Handle();
    if (reinterpret_cast<HWND>(wParam) != list) return NotHandled();
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: below the focused row, or at the list's corner.
        RECT row{LVIR_LABEL, 0, 0, 0};
        const int focused = m_listSwf.GetNextItem(-1, LVNI_FOCUSED);
        at = POINT{0, 0};
        if (focused != -1 &&
            ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&row)))
            at = POINT{row.left, row.bottom};
        ::ClientToScreen(list, &at);
    }
    const SwfEntryList selected = SelectedMovies();
    bool anyAddress = false;
    for (const SwfEntry& e : selected) anyAddress = anyAddress || !e.url.empty();
    const bool anyMovie = HasMovie(m_entries);
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return Handled(0);
    const struct {
        UINT id, text;
        bool enabled;
    } items[] = {
        {ID_LIST_COPY_ADDRESSES, IDS_MENU_COPY_ADDRESSES, anyAddress},
        {ID_LIST_EXPORT_CSV, IDS_MENU_EXPORT_CSV, anyMovie},
        {ID_LIST_SAVE_SELECTED_SITES, IDS_MENU_SAVE_SELECTED_SITES, !selected.empty()},
        {ID_LIST_SAVE_ALL_SITES, IDS_MENU_SAVE_ALL_SITES, anyMovie},
    };
    for (const auto& item : items)
        ::AppendMenuA(menu, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), item.id,
                      LoadResString(item.text).c_str());
    // An option of Save All, flat or in site folders, rather than an action.
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING | (SaveOncePerMovie() ? MF_CHECKED : MF_UNCHECKED), ID_LIST_SAVE_UNIQUE,
                  LoadResString(IDS_MENU_SAVE_UNIQUE).c_str());
    ShowListMenu(menu, at);
    ::DestroyMenu(menu);
    return Handled(0);
}

void CFlickholdDlg::OnCopyAddresses() {
    std::string text;
    for (const SwfEntry& e : SelectedMovies()) {
        if (e.url.empty()) continue;
        if (!text.empty()) text += "\r\n";
        text += e.url;
    }
    if (!text.empty()) PutOnClipboard(Handle(), text);
}

void CFlickholdDlg::OnExportList() {
    std::string path;
    if (!HasMovie(m_entries) || !Shell().AskExportPath(Handle(), "flickhold.csv", path)) return;
    const std::optional<std::vector<std::string>> hashes = HashWithProgress(m_entries, false);
    if (!hashes) return;
    if (!ExportMovieList(m_entries, path, m_clock, nullptr, nullptr, &*hashes))
        Shell().Message(Handle(), LoadResString(IDS_EXPORT_FAILED), MB_OK | MB_ICONSTOP);
}

void CFlickholdDlg::OnSaveSelectedInSites() { SaveInSites(SelectedMovies()); }

void CFlickholdDlg::OnSaveAllInSites() {
    std::optional<std::vector<std::string>> hashes;
    if (SaveOncePerMovie() && !(hashes = HashWithProgress(m_entries, true))) return;
    SaveInSites(m_entries, hashes ? &*hashes : nullptr);
}

bool CFlickholdDlg::SaveOncePerMovie() const { return ReadProgramNumber(kValueSaveUnique, 0) != 0; }

void CFlickholdDlg::OnToggleSaveUnique() { WriteProgramNumber(kValueSaveUnique, SaveOncePerMovie() ? 0 : 1); }

void CFlickholdDlg::SaveInSites(const SwfEntryList& entries, const std::vector<std::string>* onceBy) {
    const SaveReport report =
        SaveMovies(entries, GetSaveFolder(), true, LoadResString(IDS_UNCLASSIFIED_FOLDER), onceBy);
    for (const std::string& name : report.failed)
        Shell().Message(Handle(), LoadResString(IDS_SAVE_FAILED) + name, MB_OK | MB_ICONSTOP);
}

}  // namespace fh
