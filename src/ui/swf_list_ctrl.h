#pragma once
// The list of found movies: a report-style list view whose rows each carry a
// record with the caller's data value and per-column colours, drawn through
// custom draw. The rows' own item data always points at that record, which
// the control owns; callers reach the rows only through the operations here.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "win/controls.h"
#include "win/window.h"

namespace fh {

// Row states as the row count and delete operations take them.
enum RowStateMask : UINT {
    kAllRows = 0x01,
    kSelectedRows = 0x02,
    kUnselectedRows = 0x04,
    kCheckedRows = 0x08,
    kUncheckedRows = 0x10,
    kFocusedRows = 0x20,
    kUnfocusedRows = 0x40,
};

class CSwfListCtrl : public WindowImpl<CSwfListCtrl> {
public:
    struct ItemRecord {
        LPARAM userData = 0;
        std::vector<COLORREF> textColors;
        std::vector<COLORREF> backColors;
    };

    CSwfListCtrl() = default;
    ~CSwfListCtrl() override;

    static const std::vector<DispatchEntry<CSwfListCtrl>>& DispatchTable();

    // Subclasses the dialog's control and forces the styles the list needs.
    bool Attach(HWND dialog, int id);

    int InsertColumn(int index, const std::string& heading, int format, int width);
    int InsertRow(int index, const std::string& text, int image);
    void SetRowData(int row, LPARAM value);
    LPARAM GetRowData(int row) const;
    // kAllRows: every row; otherwise the rows having every requested state.
    int GetRowCount(UINT stateMask) const;
    int DeleteRows(UINT stateMask);
    // Keeps the forced styles whatever the caller asks for.
    void ModifyStyle(LONG_PTR remove, LONG_PTR add) const;
    void SetImageList(HIMAGELIST list) const { m_view.SetImageList(list, LVSIL_SMALL); }

    // The list view's own operations that leave the records alone.
    int GetItemCount() const { return m_view.GetItemCount(); }
    int GetNextItem(int start, UINT flags) const { return m_view.GetNextItem(start, flags); }
    bool SetItemState(int index, UINT state, UINT mask) const { return m_view.SetItemState(index, state, mask); }
    UINT GetItemState(int index, UINT mask) const { return m_view.GetItemState(index, mask); }
    std::string GetItemText(int index, int subItem) const { return m_view.GetItemText(index, subItem); }
    LONG_PTR Style() const { return m_view.Style(); }

    // The parent forwards the list's NM_CUSTOMDRAW here.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) const;

    static constexpr LONG_PTR kForcedStyles = WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | LVS_REPORT;
    static constexpr LONG_PTR kRefusedStyles = LVS_NOSCROLL | LVS_EDITLABELS | LVS_TYPEMASK;

protected:
    void OnDestroyed() override;

private:
    MsgResult OnEraseBackground(WPARAM wParam, LPARAM lParam);
    MsgResult OnKey(WPARAM wParam, LPARAM lParam);
    MsgResult OnChar(WPARAM wParam, LPARAM lParam);
    MsgResult OnMouseDown(WPARAM wParam, LPARAM lParam);
    MsgResult OnDestroy(WPARAM wParam, LPARAM lParam);

    ItemRecord* Record(int row) const;
    bool RowMatches(int row, UINT stateMask) const;
    void FreeAllRecords();
    int ColumnCount() const;
    bool Editing() const;

    ListView m_view;
    std::unordered_map<const ItemRecord*, std::unique_ptr<ItemRecord>> m_records;
};

}  // namespace fh
