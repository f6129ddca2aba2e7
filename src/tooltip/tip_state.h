#pragma once
// The tooltip's tools and its show and hide state machine, as plain logic:
// the machine is driven by timer and mouse events and acts through TipHost
// (timers, the cursor, displaying, redrawing, hiding), so every transition
// can be tested without a window and without waiting.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tooltip/tip_placement.h"

namespace fh {

enum TipTimer : unsigned {
    TIMER_SHOW = 256,
    TIMER_HIDE = 257,
    TIMER_FADE_IN = 258,
    TIMER_FADE_OUT = 259,
    TIMER_ANIMATION = 260,
};

constexpr std::uint32_t TIP_BEHAVIOUR_MULTIPLE_SHOW = 0x01;
constexpr std::uint32_t TIP_BEHAVIOUR_TRACK_MOUSE = 0x02;
constexpr std::uint32_t TIP_BEHAVIOUR_KEEP_ON_MOVE = 0x04;
constexpr std::uint32_t TIP_BEHAVIOUR_KEEP_OVER_TIP = 0x08;
constexpr std::uint32_t TIP_BEHAVIOUR_NO_AUTOPOP = 0x10;

// Which fields of a tool hold its own values.
constexpr std::uint32_t TIP_MASK_EXTRA = 0x01;
constexpr std::uint32_t TIP_MASK_EFFECT = 0x02;
constexpr std::uint32_t TIP_MASK_COLOURS = 0x04;
constexpr std::uint32_t TIP_MASK_DIRECTION = 0x08;
constexpr std::uint32_t TIP_MASK_BEHAVIOUR = 0x10;
constexpr std::uint32_t TIP_MASK_TRANSPARENCY = 0x20;

struct TipToolInfo {
    std::uint32_t id = 0;
    TipRect rect;  // empty: the whole window
    std::string text;
    std::uint32_t mask = 0;
    std::uint32_t extra = 0;
    int direction = 0;
    int effect = 0;
    std::uint32_t behaviour = 0;
    std::uint8_t granularity = 0;
    std::uint8_t transparency = 0;
    std::uint32_t color1 = 0, color2 = 0, color3 = 0;
};

// The tooltip's values for fields a tool leaves to it.
struct TipDefaults {
    std::uint32_t extra = 0;
    int effect = 0;
    std::uint8_t granularity = 0;
    std::uint32_t color = 0;  // COLOR_INFOBK, read at construction
    int direction = 16;
    std::uint32_t behaviour = 0;
    std::uint8_t transparency = 0;
};

void ApplyTipDefaults(TipToolInfo& tool, const TipDefaults& defaults);

// Windows are kept as handle values: the logic never touches them.
using TipWindow = std::uintptr_t;

// The tools by window, in the order they were added.
class TipToolMap {
public:
    // Adds a tool, or replaces the window's tool with an equal rectangle.
    void Add(TipWindow window, const TipToolInfo& tool);
    bool Has(TipWindow window) const { return m_tools.count(window) != 0; }
    // The tool under a point of the window's client area: the only tool when
    // it covers the whole window, else the first whose rectangle holds it.
    const TipToolInfo* Find(TipWindow window, TipPoint client) const;
    const std::vector<TipToolInfo>* Tools(TipWindow window) const;
    void Clear() { m_tools.clear(); }

private:
    std::map<TipWindow, std::vector<TipToolInfo>> m_tools;
};

// What the machine asks of its window.
class TipHost {
public:
    virtual ~TipHost() = default;
    virtual void StartTimer(unsigned id, unsigned milliseconds) = 0;
    virtual void StopTimer(unsigned id) = 0;
    virtual TipPoint CursorPos() = 0;
    // Shows the pending tool pointing at the point (defaults already applied;
    // the host may change the record, as the display notification does).
    virtual void Display(TipWindow window, TipToolInfo& tool, TipPoint at) = 0;
    virtual void Redraw(int transparency) = 0;
    virtual void HideWindow() = 0;
    virtual bool WindowVisible() = 0;
    virtual bool AnimationStep() = 0;
    virtual void MoveToCursor(TipPoint at) = 0;
};

class TipStateMachine {
public:
    explicit TipStateMachine(TipHost& host) : m_host(host) {}

    struct Settings {
        unsigned initialDelay = 500;
        unsigned autoPop = 5000;
        unsigned fadeIn = 0;
        unsigned fadeOut = 0;
        int showEffect = 1;  // 1: fade
        int hideEffect = 1;
    };
    Settings settings;
    TipDefaults defaults;

    void ScheduleShow(TipWindow window, const TipToolInfo& tool, bool useDelay);
    void OnTimer(unsigned id);
    void StartHide();
    void HideNow();
    void RestartAutoPop();
    // The window paints: the pending tool becomes the one on the screen.
    void OnPaint();
    // A relayed mouse move; `overTip` tells whether the cursor is over the
    // shown tip, `find` looks the tool up (none: window 0).
    struct Found {
        TipWindow window = 0;
        TipToolInfo tool;
    };
    void OnMouseMove(TipPoint pt, bool overTip, const std::function<Found()>& find);

    int State() const { return m_state; }
    int Transparency() const { return m_transparency; }
    TipPoint LastMouse() const { return m_lastMouse; }
    TipWindow CurrentWindow() const { return m_currentWindow; }
    const TipToolInfo& CurrentTool() const { return m_current; }
    TipWindow PendingWindow() const { return m_pendingWindow; }
    const TipToolInfo& PendingTool() const { return m_pending; }
    bool ShowPending() const { return m_showPending; }
    void ForgetCurrent();

private:
    void ShowStep();
    void HideStep();
    void FadeInStep();
    void FadeOutStep();

    TipHost& m_host;
    int m_state = 0;
    int m_transparency = 0;
    TipPoint m_lastMouse;
    TipWindow m_pendingWindow = 0;
    TipToolInfo m_pending;
    TipWindow m_currentWindow = 0;
    TipToolInfo m_current;
    bool m_showPending = false;
    bool m_pendingWithDelay = false;
};

}  // namespace fh
