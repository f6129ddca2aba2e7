#include "ui/swf_list_ctrl.h"

#include <algorithm>

namespace fh {

namespace {

constexpr UINT_PTR kSubclassId = 0x5357;  // "SW"

CSwfListCtrl::ItemRecord* RecordOf(LPARAM param) { return reinterpret_cast<CSwfListCtrl::ItemRecord*>(param); }

}  // namespace

CSwfListCtrl::~CSwfListCtrl() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::RemoveWindowSubclass(m_hWnd, &CSwfListCtrl::SubclassProc, kSubclassId);
        FreeAllRecords();
    }
}

bool CSwfListCtrl::Attach(HWND dialog, int id) {
    if (!Bind(dialog, id)) return false;
    LONG_PTR style = Style();
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, (style & ~kRefusedStyles) | kForcedStyles);
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(-1), LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
    return ::SetWindowSubclass(m_hWnd, &CSwfListCtrl::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

int CSwfListCtrl::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
    int count = header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    return count < 0 ? 0 : count;
}

CSwfListCtrl::ItemRecord* CSwfListCtrl::Record(int row) const { return RecordOf(ListView::GetItemData(row)); }

int CSwfListCtrl::InsertColumn(int index, const std::string& heading, int format, int width) {
    int column = ListView::InsertColumn(index, heading, format, width);
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
    Send(LVM_CANCELEDITLABEL);
    int row = InsertItem(index, text, image);
    if (row < 0) return -1;
    auto* record = new ItemRecord;
    const size_t columns = static_cast<size_t>(ColumnCount());
    record->textColors.assign(columns, ::GetSysColor(COLOR_WINDOWTEXT));
    record->backColors.assign(columns, ::GetSysColor(COLOR_WINDOW));
    if (!ListView::SetItemData(row, reinterpret_cast<LPARAM>(record))) delete record;
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
    if ((stateMask & 2) && !selected) return false;
    if ((stateMask & 4) && selected) return false;
    if ((stateMask & 8) && !checked) return false;
    if ((stateMask & 16) && checked) return false;
    if ((stateMask & 32) && !focused) return false;
    if ((stateMask & 64) && focused) return false;
    return true;
}

int CSwfListCtrl::GetRowCount(UINT stateMask) const {
    if (stateMask & 1) return GetItemCount();
    int count = 0;
    for (int row = 0; row < GetItemCount(); ++row)
        if (RowMatches(row, stateMask)) ++count;
    return count;
}

int CSwfListCtrl::DeleteRows(UINT stateMask) {
    Send(LVM_CANCELEDITLABEL);
    if (stateMask & 1) {
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
        delete Record(row);
        ListView::SetItemData(row, 0);
        DeleteItem(row);
        ++deleted;
    }
    return deleted;
}

void CSwfListCtrl::FreeAllRecords() {
    for (int row = 0; row < GetItemCount(); ++row) {
        delete Record(row);
        ListView::SetItemData(row, 0);
    }
    DeleteAllItems();
}

void CSwfListCtrl::ModifyStyle(LONG_PTR remove, LONG_PTR add) const {
    Window::ModifyStyle(remove & ~kForcedStyles, (add | kForcedStyles) & ~(LVS_NOSCROLL | LVS_EDITLABELS));
}

LRESULT CSwfListCtrl::OnCustomDraw(NMLVCUSTOMDRAW* draw) const {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        ItemRecord* r = RecordOf(draw->nmcd.lItemlParam);
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

LRESULT CALLBACK CSwfListCtrl::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
    auto* self = reinterpret_cast<CSwfListCtrl*>(data);
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        ::GetClientRect(wnd, &rc);
        ::FillRect(reinterpret_cast<HDC>(wParam), &rc, ::GetSysColorBrush(COLOR_WINDOW));
        return 1;
    }
    case WM_KEYDOWN:
    case WM_CHAR:
        // Space would toggle the selection of the focused row.
        if (wParam == (msg == WM_KEYDOWN ? static_cast<WPARAM>(VK_SPACE) : static_cast<WPARAM>(' ')) &&
            !::SendMessageA(wnd, LVM_GETEDITCONTROL, 0, 0))
            return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        ::SendMessageA(wnd, LVM_CANCELEDITLABEL, 0, 0);
        break;
    case WM_DESTROY:
        self->FreeAllRecords();
        ::RemoveWindowSubclass(wnd, &CSwfListCtrl::SubclassProc, kSubclassId);
        self->m_hWnd = nullptr;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

}  // namespace fh
