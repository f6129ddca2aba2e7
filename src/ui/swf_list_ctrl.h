#pragma once
// The list of found movies: a report-style list view whose rows each carry a
// record with the caller's data value and per-column colours, drawn through
// custom draw. The rows' own item data always points at that record.

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "win/controls.h"

namespace fh {

class CSwfListCtrl : public ListView {
public:
    struct ItemRecord {
        LPARAM userData = 0;
        std::vector<COLORREF> textColors;
        std::vector<COLORREF> backColors;
    };

    CSwfListCtrl() = default;
    CSwfListCtrl(const CSwfListCtrl&) = delete;
    CSwfListCtrl& operator=(const CSwfListCtrl&) = delete;
    ~CSwfListCtrl();

    // Subclasses the dialog's control and forces the styles the list needs.
    bool Attach(HWND dialog, int id);

    int InsertColumn(int index, const std::string& heading, int format, int width);
    int InsertRow(int index, const std::string& text, int image);
    void SetRowData(int row, LPARAM value);
    LPARAM GetRowData(int row) const;
    // State mask 1: every row; otherwise rows having all the given LVIS_ flags
    // shifted as LVNI_ (2 selected, 4 unselected, 8 checked, 16 unchecked,
    // 32 focused, 64 unfocused).
    int GetRowCount(UINT stateMask) const;
    int DeleteRows(UINT stateMask);
    // Keeps the forced styles whatever the caller asks for.
    void ModifyStyle(LONG_PTR remove, LONG_PTR add) const;

    // The parent forwards the list's NM_CUSTOMDRAW here.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) const;

    static constexpr LONG_PTR kForcedStyles = WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | LVS_REPORT;
    static constexpr LONG_PTR kRefusedStyles = LVS_NOSCROLL | LVS_EDITLABELS | LVS_TYPEMASK;

private:
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    ItemRecord* Record(int row) const;
    bool RowMatches(int row, UINT stateMask) const;
    void FreeAllRecords();
    int ColumnCount() const;
};

}  // namespace fh
