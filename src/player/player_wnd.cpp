#include "player/player_wnd.h"

#include "res/resource.h"
#include "win/handles.h"

namespace fh {

bool RegisterPlayerClass() {
    return RegisterPlainClass(FLICKHOLD_PLAYER_CLASS, 0, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                              static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

const std::vector<DispatchEntry<CPlayerWnd>>& CPlayerWnd::DispatchTable() {
    using P = CPlayerWnd;
    static const std::vector<DispatchEntry<P>> table = {
        OnMessage<P>(WM_ERASEBKGND, &P::OnEraseBackground),
        OnMessage<P>(WM_PAINT, &P::OnPaint),
    };
    return table;
}

MsgResult CPlayerWnd::OnEraseBackground(WPARAM, LPARAM) { return Handled(1); }

MsgResult CPlayerWnd::OnPaint(WPARAM, LPARAM) {
    PaintDC dc(Handle());
    RECT rc;
    ::GetClientRect(Handle(), &rc);
    ::FillRect(dc.Get(), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    return Handled(0);
}

}  // namespace fh
