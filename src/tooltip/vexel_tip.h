#pragma once
// CVexelTip: a topmost popup that shows an HTML body next to the mouse, as a
// balloon with an anchor or as a plain rectangle, over a background effect
// with a border and a soft shadow, fading in and out. Its tools say which
// windows have tips; the owner relays every message of its thread here.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "html/html_renderer.h"
#include "tooltip/tip_placement.h"
#include "tooltip/tip_state.h"
#include "win/gdi.h"
#include "win/handles.h"
#include "win/timers.h"
#include "win/window.h"

namespace fh {

constexpr UINT TIPN_DISPLAY = 0x464;  // WM_NOTIFY code: a tip is about to be placed
constexpr UINT TIPM_REPAINT = 0x465;  // the renderer's hot link changed

// The lParam of TIPN_DISPLAY; the receiver may change the point and the tool.
struct TipDisplayInfo {
    NMHDR hdr;
    HWND hwndTool;
    POINT* pt;
    TipToolInfo* ti;
};

class CVexelTip : public WindowImpl<CVexelTip> {
public:
    CVexelTip();
    ~CVexelTip() override;

    static const std::vector<DispatchEntry<CVexelTip>>& DispatchTable();

    bool CreateTip(HWND owner, bool balloon);
    // 2 auto-pop, 3 initial delay, 4 fade-in step, 5 fade-out step, 6 animation period.
    void SetDelay(int kind, UINT milliseconds);
    void SetNotifyParent(bool on) { m_notifyParent = on; }
    void SetDefaultBehaviour(std::uint32_t behaviour) { m_machine.defaults.behaviour = behaviour; }

    // Adds a tool, or replaces the window's tool with an equal rectangle
    // (none: the whole window).
    void AddToolText(HWND wnd, const std::string& text, const RECT* rect, std::uint32_t id);
    void AddToolString(HWND wnd, UINT stringId, const RECT* rect, std::uint32_t id);
    // Drives the tip from a message of the owner's thread; never consumes it.
    void RelayMessage(const MSG& msg);

    struct FoundTool {
        HWND window = nullptr;
        bool hasTool = false;
        TipToolInfo tool;
    };
    // The tool window under a point of the owner's client area.
    FoundTool FindToolWindow(POINT ownerClient, bool requireEnabled) const;
    const TipToolInfo* FindTool(HWND wnd, POINT screen) const;

    void ScheduleShow(HWND wnd, const TipToolInfo& tool, bool useDelay);
    void StartHide() { m_machine.StartHide(); }
    void HideNow() { m_machine.HideNow(); }
    void RestartAutoPop() { m_machine.RestartAutoPop(); }
    // Puts the window's top-left corner at the screen point.
    void MoveToCursor(POINT pt);
    bool IsCursorOverTip() const;

    // What a display does before the window moves: measures the tool's
    // body, places it for the point, and makes the region and the pictures
    // (the screen behind included). False when there is nothing to show.
    bool LayOut(const TipToolInfo& tool, POINT at, POINT& windowPos);
    // Draws the tip: the body picture, the text, the border, the shadow over
    // the saved background, blended by the transparency. Null: a window DC.
    void Compose(HDC dc, int transparency);
    virtual void DrawBorder(HDC dc, HRGN region);

    // The clock (the cursor) and the timers; tests drive both.
    void UseInput(const InputClock* clock, TimerHost* timers);

    HWND Owner() const { return m_owner; }
    const TipStateMachine& Machine() const { return m_machine; }
    const TipGeometry& Geometry() const { return m_geometry; }
    const TipDecoration& Decoration() const { return m_look; }
    CHtmlRenderer& Renderer() { return m_renderer; }
    // Of the last display, window-relative.
    const TipRect& WindowRect() const { return m_windowRect; }
    const TipRect& TextRect() const { return m_textRect; }
    int FinalDirection() const { return m_finalDirection; }
    std::size_t ToolCount(HWND wnd) const;

private:
    class Host;
    friend class Host;

    MsgResult Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override;
    MsgResult OnPaint(WPARAM, LPARAM);
    MsgResult OnTimer(WPARAM wParam, LPARAM);
    MsgResult OnSetCursor(WPARAM, LPARAM);
    MsgResult OnActivateApp(WPARAM wParam, LPARAM lParam);
    MsgResult OnRepaint(WPARAM, LPARAM);
    MsgResult OnDestroy(WPARAM, LPARAM);

    void Display(HWND toolWindow, TipToolInfo& tool, POINT at);
    void ReleasePictures();
    void BuildBodyPicture(HDC screenDC, const TipToolInfo& tool, const TipRect& body);
    POINT CursorPos() const;

    std::unique_ptr<Host> m_host;
    TipStateMachine m_machine;
    CHtmlRenderer m_renderer;
    TipToolMap m_tools;
    WindowTimers m_windowTimers;
    SystemInputClock m_systemClock;
    const InputClock* m_clock;
    TimerHost* m_timers;
    bool m_classReady = false;

    HWND m_owner = nullptr;
    bool m_notifyParent = false;
    // The measures at 96 DPI, and as scaled for the owner's resolution at the last display.
    TipGeometry m_baseGeometry, m_geometry;
    TipDecoration m_look;
    UniqueBrush m_borderBrush;
    bool m_shadowBlur = true;
    int m_darkness = 50;

    // Of the last display.
    int m_finalDirection = 16;
    TipRect m_textRect, m_bodyRect, m_windowRect;
    UniqueRegion m_region;
    MemoryPicture m_bodyPicture;
    MemoryPicture m_savedBackground;
    // Reused by every frame of a display.
    MemoryPicture m_image, m_composition;
    UniqueBitmap m_silhouette;  // selected only while it is drawn or read
};

}  // namespace fh
