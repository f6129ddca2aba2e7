// The main window's keys, from the accelerator table: each does what its
// button or menu item does, and nothing while that is disabled.

#include "ui/flickhold_dlg.h"

namespace fh {

bool CFlickholdDlg::ButtonEnabled(int id) const {
    HWND button = ::GetDlgItem(Handle(), id);
    return button && ::IsWindowEnabled(button);
}

// Enter: a folder row opens the folder, a movie row is previewed.
void CFlickholdDlg::OnKeyOpen() {
    if (m_bClosing) return;
    const SwfEntry entry = EntryOfRow(FirstSelectedRow());
    if (entry.path.empty()) return;
    if (entry.isFolder) NavigateFolderRow(entry);
    else if (ButtonEnabled(IDC_PREVIEW)) OnPreview();
}

void CFlickholdDlg::OnKeyDelete() {
    if (ButtonEnabled(IDC_DELETE)) OnDelete();
}

void CFlickholdDlg::OnKeyRefresh() {
    if (ButtonEnabled(IDC_REFRESH)) OnRefresh();
}

void CFlickholdDlg::OnKeySave() {
    if (ButtonEnabled(IDC_SAVE)) OnSave();
}

void CFlickholdDlg::OnKeySaveAll() {
    if (ButtonEnabled(IDC_SAVE_ALL)) OnSaveAll();
}

void CFlickholdDlg::OnKeySelectAll() {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    ::SendMessageA(m_listSwf.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
}

// Backspace: up to the parent folder, as the ".." row does.
void CFlickholdDlg::OnKeyParent() {
    if (m_bClosing || CurrentSource() != ChosenFolder) return;
    for (const SwfEntry& entry : m_entries) {
        if (entry.isFolder && entry.name == "..") {
            NavigateFolderRow(entry);
            return;
        }
    }
}

}  // namespace fh
