#include "tooltip/vexel_tip.h"

#include <windowsx.h>

#include <algorithm>

#include "win/dpi.h"
#include "win/gdi.h"
#include "win/platform.h"

namespace fh {

namespace {

const char kClassName[] = "CVexelTip";

TipWindow Key(HWND wnd) { return reinterpret_cast<TipWindow>(wnd); }

RECT ToRECT(const TipRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

TipRect Moved(const TipRect& r, int dx, int dy) { return TipRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

bool IsDropDownCombo(HWND wnd) {
    // Eight characters are read: the class names of combo boxes start so.
    char name[9] = "";
    ::GetClassNameA(wnd, name, sizeof name);
    return (::GetWindowLongA(wnd, GWL_STYLE) & 0x0F) == CBS_DROPDOWN && ::lstrcmpiA(name, "combobox") == 0;
}

// The rounded rectangle joined with the anchor triangle.
HRGN MakeTipRegion(const TipShape& shape, const TipGeometry& g) {
    UniqueRegion region(::CreateRoundRectRgn(shape.body.left, shape.body.top, shape.body.right + 1,
                                             shape.body.bottom + 1, g.cornerWidth, g.cornerHeight));
    if (!region) return nullptr;
    UniqueRegion anchor;
    if (shape.hasAnchor) {
        POINT points[3];
        for (int i = 0; i < 3; ++i) points[i] = POINT{shape.triangle[i].x, shape.triangle[i].y};
        anchor.Reset(::CreatePolygonRgn(points, 3, ALTERNATE));
    } else {
        anchor.Reset(::CreateRectRgn(0, 0, 0, 0));
    }
    if (anchor) ::CombineRgn(region.Get(), region.Get(), anchor.Get(), RGN_OR);
    return region.Release();
}

}  // namespace

class CVexelTip::Host : public TipHost {
public:
    explicit Host(CVexelTip& tip) : m_tip(tip) {}
    void StartTimer(unsigned id, unsigned ms) override { m_tip.m_timers->StartTimer(id, ms); }
    void StopTimer(unsigned id) override { m_tip.m_timers->StopTimer(id); }
    TipPoint CursorPos() override {
        const POINT pt = m_tip.CursorPos();
        return TipPoint{pt.x, pt.y};
    }
    void Display(TipWindow window, TipToolInfo& tool, TipPoint at) override {
        m_tip.Display(reinterpret_cast<HWND>(window), tool, POINT{at.x, at.y});
    }
    void Redraw(int transparency) override { m_tip.Compose(nullptr, transparency); }
    void HideWindow() override {
        if (m_tip.Handle()) ::ShowWindow(m_tip.Handle(), SW_HIDE);
    }
    bool WindowVisible() override {
        return m_tip.Handle() && (::GetWindowLongA(m_tip.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    bool AnimationStep() override { return m_tip.m_renderer.AnimationStep(); }
    void MoveToCursor(TipPoint at) override { m_tip.MoveToCursor(POINT{at.x, at.y}); }

private:
    CVexelTip& m_tip;
};

CVexelTip::CVexelTip()
    : m_host(std::make_unique<Host>(*this)), m_machine(*m_host), m_clock(&m_systemClock), m_timers(&m_windowTimers) {
    m_machine.defaults.color = ::GetSysColor(COLOR_INFOBK);
    m_borderBrush.Reset(::CreateSolidBrush(::GetSysColor(COLOR_INFOTEXT)));
    // No background brush: a tip shown for the first time still holds the
    // screen behind it when it paints, and that is what it blends over.
    m_classReady = RegisterPlainClass(kClassName, CS_SAVEBITS, nullptr, nullptr);
}

CVexelTip::~CVexelTip() { Destroy(); }

const std::vector<DispatchEntry<CVexelTip>>& CVexelTip::DispatchTable() {
    using T = CVexelTip;
    static const std::vector<DispatchEntry<T>> table = {
        OnMessage<T>(WM_PAINT, &T::OnPaint),
        OnMessage<T>(WM_TIMER, &T::OnTimer),
        OnMessage<T>(WM_SETCURSOR, &T::OnSetCursor),
        OnMessage<T>(WM_ACTIVATEAPP, &T::OnActivateApp),
        OnMessage<T>(TIPM_REPAINT, &T::OnRepaint),
        OnMessage<T>(WM_DESTROY, &T::OnDestroy),
    };
    return table;
}

bool CVexelTip::CreateTip(HWND owner, bool balloon) {
    if (!m_classReady || Handle()) return false;
    m_owner = owner;
    if (!Create(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, nullptr, WS_POPUP, RECT{}, owner)) return false;
    m_windowTimers.SetWindow(Handle());
    m_baseGeometry = m_geometry = balloon ? TipGeometry::Balloon() : TipGeometry::Rectangle();
    m_renderer.SetHoverNotification(Handle(), TIPM_REPAINT, 0);
    m_renderer.SetMaxWidth(0);
    m_timers->StopTimer(TIMER_ANIMATION);
    m_timers->StartTimer(TIMER_ANIMATION, 100);
    return true;
}

void CVexelTip::SetDelay(int kind, UINT milliseconds) {
    switch (kind) {
    case 2: m_machine.settings.autoPop = milliseconds; break;
    case 3: m_machine.settings.initialDelay = milliseconds; break;
    case 4: m_machine.settings.fadeIn = milliseconds; break;
    case 5: m_machine.settings.fadeOut = milliseconds; break;
    case 6:
        m_timers->StopTimer(TIMER_ANIMATION);
        if (milliseconds) m_timers->StartTimer(TIMER_ANIMATION, milliseconds);
        break;
    default: break;
    }
}

void CVexelTip::UseInput(const InputClock* clock, TimerHost* timers) {
    m_clock = clock ? clock : &m_systemClock;
    m_timers = timers ? timers : &m_windowTimers;
}

POINT CVexelTip::CursorPos() const { return m_clock->CursorPos(); }

void CVexelTip::AddToolText(HWND wnd, const std::string& text, const RECT* rect, std::uint32_t id) {
    TipToolInfo tool;
    tool.id = id;
    if (rect) tool.rect = TipRect{rect->left, rect->top, rect->right, rect->bottom};
    tool.text = text;
    m_tools.Add(Key(wnd), tool);
}

void CVexelTip::AddToolString(HWND wnd, UINT stringId, const RECT* rect, std::uint32_t id) {
    AddToolText(wnd, LoadResString(stringId), rect, id);
}

std::size_t CVexelTip::ToolCount(HWND wnd) const {
    const std::vector<TipToolInfo>* tools = m_tools.Tools(Key(wnd));
    return tools ? tools->size() : 0;
}

const TipToolInfo* CVexelTip::FindTool(HWND wnd, POINT screen) const {
    if (!m_tools.Has(Key(wnd))) return nullptr;
    POINT client = screen;
    ::ScreenToClient(wnd, &client);
    return m_tools.Find(Key(wnd), TipPoint{client.x, client.y});
}

CVexelTip::FoundTool CVexelTip::FindToolWindow(POINT ownerClient, bool requireEnabled) const {
    FoundTool found;
    POINT screen = ownerClient;
    ::ClientToScreen(m_owner, &screen);
    HWND under = ::WindowFromPoint(screen);
    if (!under) return found;
    HWND parent = ::GetParent(under);
    if (!parent) return found;
    HWND toolWindow;
    if (IsDropDownCombo(parent)) {
        // Over a drop-down combo's edit field the tip is the combo's.
        toolWindow = parent;
    } else {
        POINT inside = screen;
        ::ScreenToClient(under, &inside);
        toolWindow = ::ChildWindowFromPoint(under, inside);
        if (!toolWindow || (requireEnabled && !::IsWindowEnabled(toolWindow))) return found;
    }
    if (const TipToolInfo* tool = FindTool(toolWindow, screen)) {
        found.window = toolWindow;
        found.hasTool = true;
        found.tool = *tool;
    } else if (!requireEnabled) {
        found.window = toolWindow;
    }
    return found;
}

bool CVexelTip::IsCursorOverTip() const {
    HWND wnd = Handle();
    return wnd && (::GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE) && ::WindowFromPoint(CursorPos()) == wnd;
}

void CVexelTip::ScheduleShow(HWND wnd, const TipToolInfo& tool, bool useDelay) {
    m_machine.ScheduleShow(Key(wnd), tool, useDelay);
}

void CVexelTip::MoveToCursor(POINT pt) {
    if (!Handle()) return;
    ::MoveWindow(Handle(), pt.x + m_windowRect.left, pt.y + m_windowRect.top, m_windowRect.Width(),
                 m_windowRect.Height(), TRUE);
}

void CVexelTip::RelayMessage(const MSG& msg) {
    if (!Handle()) return;
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        const TipPoint pt{msg.pt.x, msg.pt.y};
        if (pt == m_machine.LastMouse()) return;
        m_machine.OnMouseMove(pt, IsCursorOverTip(), [&] {
            POINT client = msg.pt;
            ::ScreenToClient(m_owner, &client);
            const FoundTool found = FindToolWindow(client, true);
            TipStateMachine::Found result;
            if (found.hasTool) {
                result.window = Key(found.window);
                result.tool = found.tool;
            }
            return result;
        });
        break;
    }
    case WM_LBUTTONDOWN:
        if (IsCursorOverTip()) {
            POINT pt = msg.pt;
            ::ScreenToClient(Handle(), &pt);
            m_renderer.ClickAt(pt);
        }
        HideNow();
        break;
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: case WM_MOUSEWHEEL: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK:
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
        HideNow();
        break;
    default:
        break;
    }
}

MsgResult CVexelTip::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Messages to the tip itself go through the relay too, as the owner's do.
    const DWORD pos = ::GetMessagePos();
    MSG relayed{Handle(), msg, wParam, lParam, static_cast<DWORD>(::GetMessageTime()),
                POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)}};
    RelayMessage(relayed);
    return WindowImpl::Dispatch(msg, wParam, lParam);
}

void CVexelTip::Display(HWND toolWindow, TipToolInfo& tool, POINT at) {
    HWND wnd = Handle();
    if (m_notifyParent && m_owner && wnd) {
        TipDisplayInfo info{};
        info.hdr.hwndFrom = wnd;
        info.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(wnd));
        info.hdr.code = TIPN_DISPLAY;
        info.hwndTool = toolWindow;
        info.pt = &at;
        info.ti = &tool;
        ::SendMessageA(m_owner, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
    }
    if (tool.text.empty() || !Handle()) return;
    POINT pos{};
    if (!LayOut(tool, at, pos)) return;
    // The window region holds the shadow as well; the window owns it once set.
    UniqueRegion windowRegion(::CreateRectRgn(0, 0, 0, 0));
    if (windowRegion && m_region) {
        ::CombineRgn(windowRegion.Get(), m_region.Get(), nullptr, RGN_COPY);
        if (m_look.shadowX || m_look.shadowY) {
            UniqueRegion shadow(::CreateRectRgn(0, 0, 0, 0));
            if (shadow) {
                ::CombineRgn(shadow.Get(), m_region.Get(), nullptr, RGN_COPY);
                ::OffsetRgn(shadow.Get(), m_look.shadowX, m_look.shadowY);
                ::CombineRgn(windowRegion.Get(), windowRegion.Get(), shadow.Get(), RGN_OR);
            }
        }
        if (::SetWindowRgn(wnd, windowRegion.Get(), FALSE)) windowRegion.Release();
    }
    ::SetWindowPos(wnd, HWND_TOP, pos.x, pos.y, m_windowRect.Width(), m_windowRect.Height(),
                   SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void CVexelTip::ReleasePictures() {
    m_bodyPicture.Reset();
    m_savedBackground.Reset();
    m_image.Reset();
    m_composition.Reset();
    m_silhouette.Reset();
    m_region.Reset();
}

bool CVexelTip::LayOut(const TipToolInfo& tool, POINT at, POINT& windowPos) {
    ReleasePictures();
    if (tool.text.empty()) return false;
    // The screen's DC measures (the tip's window DC has the same fonts) and
    // makes the pictures; the window's own DC is only needed to draw on it.
    WindowDC screenDC(nullptr);
    // Everything drawn in pixels follows the resolution of the owner's monitor.
    const int dpi = WindowDpi(m_owner);
    m_geometry = m_baseGeometry.Scaled(dpi);
    m_look = TipDecoration().Scaled(dpi);
    m_renderer.SetDpi(dpi);
    const SIZE size = m_renderer.Measure(screenDC.Get(), tool.text);
    const TipRect screen{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                         ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const TipGeometry& g = m_geometry;
    // A body larger than the screen is cut: the tip stays a window the
    // screen can hold (the text beyond is not drawn).
    const int cx = std::max(0, std::min<int>(size.cx, screen.Width() - 2 * g.marginX - g.anchorHeight - m_look.shadowX));
    const int cy = std::max(0, std::min<int>(size.cy, screen.Height() - 2 * g.marginY - g.anchorHeight - m_look.shadowY));
    const TipRect text{g.marginX, g.marginY, g.marginX + cx, g.marginY + cy};
    const TipRect body{0, 0, cx + 2 * g.marginX, cy + 2 * g.marginY};
    const TipPlacement place = PlaceTip(tool.direction, TipPoint{at.x, at.y}, body.Width(), body.Height(), g, screen);
    m_finalDirection = place.code;
    m_textRect = Moved(text, place.shiftX, place.shiftY);
    m_bodyRect = Moved(body, place.shiftX, place.shiftY);
    m_windowRect = place.window;
    const int w = m_windowRect.Width(), h = m_windowRect.Height();
    m_region.Reset(MakeTipRegion(BuildTipShape(place.code, place.anchor, w, h, g), g));
    BuildBodyPicture(screenDC.Get(), tool, m_bodyRect);
    if (m_look.shadowX || m_look.shadowY) {
        m_windowRect.right += m_look.shadowX;
        m_windowRect.bottom += m_look.shadowY;
        m_silhouette.Reset(::CreateCompatibleBitmap(screenDC.Get(), w, h));
    }
    const int width = m_windowRect.Width(), height = m_windowRect.Height();
    m_image.Create(screenDC.Get(), width, height);
    m_composition.Create(screenDC.Get(), width, height);
    windowPos = POINT{at.x - place.anchor.x, at.y - place.anchor.y};
    // The screen behind is read before the tip shows: a window that has not
    // painted yet holds black, not the screen, on Wine and on composited
    // desktops.
    if (m_savedBackground.Create(screenDC.Get(), width, height))
        ::BitBlt(m_savedBackground.DC(), 0, 0, width, height, screenDC.Get(), windowPos.x, windowPos.y, SRCCOPY);
    return true;
}

void CVexelTip::BuildBodyPicture(HDC screenDC, const TipToolInfo& tool, const TipRect& body) {
    const int ww = m_windowRect.Width(), wh = m_windowRect.Height();
    if (!m_bodyPicture.Create(screenDC, ww, wh)) return;
    HDC dc = m_bodyPicture.DC();
    CDrawManager& draw = m_renderer.DrawManager();
    draw.FillEffect(dc, tool.effect, ToRECT(body), tool.color1, tool.color2, tool.color3, tool.granularity, 5);
    // The anchor strip repeats the body's line next to the anchor side, so
    // the triangle carries the body's background.
    switch (m_finalDirection & 0x30) {
    case 0:
        draw.TileBitmap(dc, 0, 0, ww, body.top, dc, 0, body.top + 1, ww, 1);
        break;
    case 16:
        draw.TileBitmap(dc, 0, body.bottom, ww, wh - body.bottom, dc, 0, body.bottom - 1, ww, 1);
        break;
    case 32:
        draw.TileBitmap(dc, 0, 0, body.left, wh, dc, body.left + 1, 0, 1, wh);
        break;
    default:
        draw.TileBitmap(dc, body.right, 0, ww - body.right, wh, dc, body.right - 1, 0, 1, wh);
        break;
    }
}

void CVexelTip::Compose(HDC dc, int transparency) {
    HWND wnd = Handle();
    if (!wnd || !m_bodyPicture || !m_image || !m_composition) return;
    const int t = std::clamp(transparency, 0, 100);
    const int width = m_windowRect.Width(), height = m_windowRect.Height();
    const int w = width - m_look.shadowX, h = height - m_look.shadowY;
    if (w <= 0 || h <= 0) return;
    HDC image = m_image.DC(), composition = m_composition.DC();

    ::BitBlt(image, 0, 0, w, h, m_bodyPicture.DC(), 0, 0, SRCCOPY);
    m_renderer.Draw(image, ToRECT(m_textRect));
    if (m_borderBrush && m_look.borderWidth && m_look.borderHeight && m_region) DrawBorder(image, m_region.Get());

    // The screen behind the tip is read once per display, so fades never
    // blend the tip over itself; the window's content serves when the screen
    // could not be read.
    if (!m_savedBackground) {
        WindowDC windowDC(wnd);
        if (m_savedBackground.Create(windowDC.Get(), width, height))
            ::BitBlt(m_savedBackground.DC(), 0, 0, width, height, windowDC.Get(), 0, 0, SRCCOPY);
    }
    if (m_savedBackground) ::BitBlt(composition, 0, 0, width, height, m_savedBackground.DC(), 0, 0, SRCCOPY);

    CDrawManager& draw = m_renderer.DrawManager();
    if (m_silhouette && m_region) {
        // The shadow's grey lightens with the tip's transparency.
        const int a = ::MulDiv(255, 100 - m_darkness, 100);
        const BYTE grey = LOBYTE(a + (255 - a) * t / 100);
        UniqueBrush brush(::CreateSolidBrush(RGB(grey, grey, grey)));
        if (brush) {
            {
                MemoryDC shape(m_silhouette.Get());
                ::PatBlt(shape.Get(), 0, 0, w, h, WHITENESS);
                ::FillRgn(shape.Get(), m_region.Get(), brush.Get());
            }
            draw.DrawShadow(composition, m_look.shadowX, m_look.shadowY, w, h, m_silhouette.Get(), m_shadowBlur, m_look.blurWidth,
                            m_look.blurHeight);
        }
    }
    if (m_region) ::SelectClipRgn(composition, m_region.Get());
    draw.BlendPercent(composition, 0, 0, w, h, image, 0, 0, 100 - t);
    ::SelectClipRgn(composition, nullptr);
    if (dc) {
        ::BitBlt(dc, 0, 0, width, height, composition, 0, 0, SRCCOPY);
    } else {
        WindowDC windowDC(wnd);
        ::BitBlt(windowDC.Get(), 0, 0, width, height, composition, 0, 0, SRCCOPY);
    }
}

void CVexelTip::DrawBorder(HDC dc, HRGN region) {
    ::FrameRgn(dc, region, m_borderBrush.Get(), m_look.borderWidth, m_look.borderHeight);
}

MsgResult CVexelTip::OnPaint(WPARAM, LPARAM) {
    PaintDC paint(Handle());
    m_machine.OnPaint();
    Compose(paint.Get(), m_machine.Transparency());
    return Handled(0);
}

MsgResult CVexelTip::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam < TIMER_SHOW || wParam > TIMER_ANIMATION) return NotHandled();
    m_machine.OnTimer(static_cast<unsigned>(wParam));
    return Handled(0);
}

MsgResult CVexelTip::OnSetCursor(WPARAM, LPARAM) {
    POINT pt = CursorPos();
    ::ScreenToClient(Handle(), &pt);
    if (!m_renderer.HotAreaAt(pt)) ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    return Handled(TRUE);
}

MsgResult CVexelTip::OnActivateApp(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Default(WM_ACTIVATEAPP, wParam, lParam);
    if (!wParam) HideNow();
    return Handled(result);
}

MsgResult CVexelTip::OnRepaint(WPARAM, LPARAM) {
    Compose(nullptr, 0);
    return Handled(0);
}

MsgResult CVexelTip::OnDestroy(WPARAM, LPARAM) {
    HideNow();
    m_timers->StopTimer(TIMER_ANIMATION);
    ::KillTimer(Handle(), TIMER_ANIMATION);
    ReleasePictures();
    return NotHandled();
}

}  // namespace fh
