#include "ui/swf_list_ctrl.h"

#include <algorithm>

namespace fh {

CSwfListCtrl::~CSwfListCtrl() {
    if (Handle() && ::IsWindow(Handle())) FreeAllRecords();
}

const std::vector<DispatchEntry<CSwfListCtrl>>& CSwfListCtrl::DispatchTable() {
    using L = CSwfListCtrl;
    static const std::vector<DispatchEntry<L>> table = {
        OnMessage<L>(WM_ERASEBKGND, &L::OnEraseBackground),  OnMessage<L>(WM_KEYDOWN, &L::OnKey),
        OnMessage<L>(WM_CHAR, &L::OnChar),                   OnMessage<L>(WM_LBUTTONDOWN, &L::OnMouseDown),
        OnMessage<L>(WM_LBUTTONDBLCLK, &L::OnMouseDown),     OnMessage<L>(WM_RBUTTONDOWN, &L::OnMouseDown),
        OnMessage<L>(WM_RBUTTONDBLCLK, &L::OnMouseDown),     OnMessage<L>(WM_MBUTTONDOWN, &L::OnMouseDown),
        OnMessage<L>(WM_MBUTTONDBLCLK, &L::OnMouseDown),     OnMessage<L>(WM_DESTROY, &L::OnDestroy),
    };
    return table;
}

bool CSwfListCtrl::Attach(HWND dialog, int id) {
    if (!m_view.Bind(dialog, id)) return false;
    const LONG_PTR style = m_view.Style();
    ::SetWindowLongPtrA(m_view.Handle(), GWL_STYLE, (style & ~kRefusedStyles) | kForcedStyles);
    m_view.Send(LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(-1), LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
    return WindowBase::Attach(m_view.Handle());
}

int CSwfListCtrl::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(m_view.Send(LVM_GETHEADER));
    int count = header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    return count < 0 ? 0 : count;
}

bool CSwfListCtrl::Editing() const { return m_view.Send(LVM_GETEDITCONTROL) != 0; }

CSwfListCtrl::ItemRecord* CSwfListCtrl::Record(int row) const {
    // Only addresses of records this control made count; anything else in
    // a row's item data reads as no record.
    auto* record = reinterpret_cast<const ItemRecord*>(m_view.GetItemData(row));
    auto it = m_records.find(record);
    return it == m_records.end() ? nullptr : it->second.get();
}

int CSwfListCtrl::InsertColumn(int index, const std::string& heading, int format, int width) {
    int column = m_view.InsertColumn(index, heading, format, width);
    if (column < 0) return -1;
    const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF back = ::GetSysColor(COLOR_WINDOW);
    for (int row = 0; row < GetItemCount(); ++row) {
        if (ItemRecord* r = Record(row)) {
            size_t at = std::min(static_cast<size_t>(column), r->textColors.size());
            r->textColors.insert(r->textColors.begin() + static_cast<std::ptrdiff_t>(at), text);
            r->backColors.insert(r->backColors.begin() + static_cast<std::ptrdiff_t>(at), back);
        }
    }
    return column;
}

int CSwfListCtrl::InsertRow(int index, const std::string& text, int image) {
    m_view.Send(LVM_CANCELEDITLABEL);
    int row = m_view.InsertItem(index, text, image);
    if (row < 0) return -1;
    auto record = std::make_unique<ItemRecord>();
    const size_t columns = static_cast<size_t>(ColumnCount());
    record->textColors.assign(columns, ::GetSysColor(COLOR_WINDOWTEXT));
    record->backColors.assign(columns, ::GetSysColor(COLOR_WINDOW));
    if (m_view.SetItemData(row, reinterpret_cast<LPARAM>(record.get()))) {
        const ItemRecord* key = record.get();
        m_records.emplace(key, std::move(record));
    }
    return row;
}

void CSwfListCtrl::SetRowData(int row, LPARAM value) {
    if (ItemRecord* r = Record(row)) r->userData = value;
}

LPARAM CSwfListCtrl::GetRowData(int row) const {
    ItemRecord* r = Record(row);
    return r ? r->userData : 0;
}

bool CSwfListCtrl::RowMatches(int row, UINT stateMask) const {
    const UINT state = GetItemState(row, LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK);
    const bool selected = (state & LVIS_SELECTED) != 0;
    const bool focused = (state & LVIS_FOCUSED) != 0;
    const bool checked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    if ((stateMask & kSelectedRows) && !selected) return false;
    if ((stateMask & kUnselectedRows) && selected) return false;
    if ((stateMask & kCheckedRows) && !checked) return false;
    if ((stateMask & kUncheckedRows) && checked) return false;
    if ((stateMask & kFocusedRows) && !focused) return false;
    if ((stateMask & kUnfocusedRows) && focused) return false;
    return true;
}

int CSwfListCtrl::GetRowCount(UINT stateMask) const {
    if (stateMask & kAllRows) return GetItemCount();
    int count = 0;
    for (int row = 0; row < GetItemCount(); ++row)
        if (RowMatches(row, stateMask)) ++count;
    return count;
}

int CSwfListCtrl::DeleteRows(UINT stateMask) {
    m_view.Send(LVM_CANCELEDITLABEL);
    if (stateMask & kAllRows) {
        int count = GetItemCount();
        FreeAllRecords();
        return count;
    }
    int deleted = 0;
    for (int row = 0; row < GetItemCount();) {
        if (!RowMatches(row, stateMask)) {
            ++row;
            continue;
        }
        const ItemRecord* record = Record(row);
        m_view.SetItemData(row, 0);
        m_view.DeleteItem(row);
        m_records.erase(record);
        ++deleted;
    }
    return deleted;
}

void CSwfListCtrl::FreeAllRecords() {
    for (int row = 0; row < GetItemCount(); ++row) m_view.SetItemData(row, 0);
    m_view.DeleteAllItems();
    m_records.clear();
}

void CSwfListCtrl::ModifyStyle(LONG_PTR remove, LONG_PTR add) const {
    m_view.ModifyStyle(remove & ~kForcedStyles, (add | kForcedStyles) & ~(LVS_NOSCROLL | LVS_EDITLABELS));
}

LRESULT CSwfListCtrl::OnCustomDraw(NMLVCUSTOMDRAW* draw) const {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        auto it = m_records.find(reinterpret_cast<const ItemRecord*>(draw->nmcd.lItemlParam));
        const ItemRecord* r = it == m_records.end() ? nullptr : it->second.get();
        const size_t column = static_cast<size_t>(draw->iSubItem);
        if (r && column < r->textColors.size()) {
            draw->clrText = r->textColors[column];
            draw->clrTextBk = r->backColors[column];
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

MsgResult CSwfListCtrl::OnEraseBackground(WPARAM wParam, LPARAM) {
    RECT rc;
    ::GetClientRect(Handle(), &rc);
    ::FillRect(reinterpret_cast<HDC>(wParam), &rc, ::GetSysColorBrush(COLOR_WINDOW));
    return Handled(1);
}

// Space would toggle the selection of the focused row.
MsgResult CSwfListCtrl::OnKey(WPARAM wParam, LPARAM) {
    if (wParam == VK_SPACE && !Editing()) return Handled(0);
    return NotHandled();
}

MsgResult CSwfListCtrl::OnChar(WPARAM wParam, LPARAM) {
    if (wParam == ' ' && !Editing()) return Handled(0);
    return NotHandled();
}

MsgResult CSwfListCtrl::OnMouseDown(WPARAM, LPARAM) {
    m_view.Send(LVM_CANCELEDITLABEL);
    return NotHandled();
}

MsgResult CSwfListCtrl::OnDestroy(WPARAM, LPARAM) {
    FreeAllRecords();
    return NotHandled();
}

void CSwfListCtrl::OnDestroyed() { m_view.Attach(nullptr); }

}  // namespace fh
