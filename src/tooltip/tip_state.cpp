#include "tooltip/tip_state.h"

namespace fh {

void ApplyTipDefaults(TipToolInfo& tool, const TipDefaults& d) {
    if (!(tool.mask & TIP_MASK_EXTRA)) tool.extra = d.extra;
    if (!(tool.mask & TIP_MASK_EFFECT)) {
        tool.effect = d.effect;
        tool.granularity = d.granularity;
    }
    if (!(tool.mask & TIP_MASK_COLOURS)) tool.color1 = tool.color2 = tool.color3 = d.color;
    if (!(tool.mask & TIP_MASK_DIRECTION)) tool.direction = d.direction;
    if (!(tool.mask & TIP_MASK_BEHAVIOUR)) tool.behaviour = d.behaviour;
    if (!(tool.mask & TIP_MASK_TRANSPARENCY)) tool.transparency = d.transparency;
}

void TipToolMap::Add(TipWindow window, const TipToolInfo& tool) {
    std::vector<TipToolInfo>& tools = m_tools[window];
    for (TipToolInfo& existing : tools) {
        if (existing.rect == tool.rect) {
            existing = tool;
            return;
        }
    }
    tools.push_back(tool);
}

const std::vector<TipToolInfo>* TipToolMap::Tools(TipWindow window) const {
    auto it = m_tools.find(window);
    return it == m_tools.end() ? nullptr : &it->second;
}

const TipToolInfo* TipToolMap::Find(TipWindow window, TipPoint client) const {
    const std::vector<TipToolInfo>* tools = Tools(window);
    if (!tools || tools->empty()) return nullptr;
    const TipRect& only = tools->front().rect;
    if (tools->size() == 1 && (only.right <= only.left || only.bottom <= only.top)) return &tools->front();
    for (const TipToolInfo& tool : *tools) {
        const TipRect& r = tool.rect;
        if (client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom) return &tool;
    }
    return nullptr;
}

void TipStateMachine::ForgetCurrent() {
    m_currentWindow = 0;
    m_current.rect = TipRect{};
}

void TipStateMachine::ScheduleShow(TipWindow window, const TipToolInfo& tool, bool useDelay) {
    m_showPending = false;
    if (m_state == 1) {
        m_host.StopTimer(TIMER_FADE_IN);
        HideStep();
    } else if (m_state == 2) {
        HideStep();
    }
    m_pendingWindow = window;
    m_pending = tool;
    if (m_state != 0) {
        // A tip is still fading out: this one follows when it has gone.
        m_showPending = true;
        m_pendingWithDelay = useDelay && settings.initialDelay != 0;
        return;
    }
    if (useDelay && settings.initialDelay != 0) m_host.StartTimer(TIMER_SHOW, settings.initialDelay);
    else ShowStep();
}

void TipStateMachine::OnTimer(unsigned id) {
    switch (id) {
    case TIMER_SHOW:
        ShowStep();
        break;
    case TIMER_HIDE:
        HideStep();
        break;
    case TIMER_FADE_IN:
        FadeInStep();
        break;
    case TIMER_FADE_OUT:
        FadeOutStep();
        break;
    case TIMER_ANIMATION:
        if (m_host.WindowVisible() && m_state == 2 && m_host.AnimationStep()) m_host.Redraw(m_transparency);
        break;
    default:
        break;
    }
}

void TipStateMachine::ShowStep() {
    m_host.StopTimer(TIMER_SHOW);
    // The mouse moved since: no show (and the tip up goes).
    if (m_host.CursorPos() != m_lastMouse) {
        if (m_state == 1) {
            m_host.StopTimer(TIMER_FADE_IN);
            HideStep();
        } else if (m_state == 2) {
            HideStep();
        }
        return;
    }
    if (m_state != 0) return;
    m_state = 1;
    ApplyTipDefaults(m_pending, defaults);
    // The display notification may change the record, its transparency too.
    m_host.Display(m_pendingWindow, m_pending, m_lastMouse);
    const bool fading = settings.showEffect == 1 && settings.fadeIn != 0;
    m_transparency = fading ? 100 : m_pending.transparency;
    if (fading) {
        m_host.StartTimer(TIMER_FADE_IN, settings.fadeIn);
        return;
    }
    m_state = 2;
    if (settings.autoPop != 0 && !(m_pending.behaviour & TIP_BEHAVIOUR_NO_AUTOPOP))
        m_host.StartTimer(TIMER_HIDE, settings.autoPop);
}

void TipStateMachine::HideStep() {
    m_host.StopTimer(TIMER_SHOW);
    m_host.StopTimer(TIMER_FADE_IN);
    m_host.StopTimer(TIMER_HIDE);
    if (m_state == 3) return;
    m_state = 3;
    if (settings.hideEffect == 1 && settings.fadeOut != 0) {
        m_host.StartTimer(TIMER_FADE_OUT, settings.fadeOut);
        return;
    }
    m_transparency = 100;
    FadeOutStep();
}

void TipStateMachine::FadeInStep() {
    m_transparency = m_transparency <= 20 ? 0 : m_transparency - 20;
    if (m_transparency <= m_current.transparency) {
        m_transparency = m_current.transparency;
        m_host.StopTimer(TIMER_FADE_IN);
        m_state = 2;
        RestartAutoPop();
    }
    m_host.Redraw(m_transparency);
}

void TipStateMachine::FadeOutStep() {
    m_transparency = m_transparency >= 80 ? 100 : m_transparency + 20;
    if (m_transparency < 100) {
        m_host.Redraw(m_transparency);
        return;
    }
    m_host.StopTimer(TIMER_FADE_OUT);
    if (m_current.behaviour & TIP_BEHAVIOUR_MULTIPLE_SHOW) ForgetCurrent();
    m_host.HideWindow();
    m_state = 0;
    if (m_showPending) {
        m_showPending = false;
        if (m_pendingWithDelay) m_host.StartTimer(TIMER_SHOW, settings.initialDelay);
        else ShowStep();
    }
}

void TipStateMachine::StartHide() {
    if (m_state == 1) {
        m_host.StopTimer(TIMER_FADE_IN);
        HideStep();
    } else if (m_state == 2) {
        HideStep();
    }
}

void TipStateMachine::HideNow() {
    m_state = 0;
    for (unsigned id : {TIMER_SHOW, TIMER_HIDE, TIMER_FADE_IN, TIMER_FADE_OUT}) m_host.StopTimer(id);
    if (m_host.WindowVisible()) {
        if (m_current.behaviour & TIP_BEHAVIOUR_MULTIPLE_SHOW) ForgetCurrent();
        m_host.HideWindow();
    }
}

void TipStateMachine::RestartAutoPop() {
    if (settings.autoPop != 0 && !(m_current.behaviour & TIP_BEHAVIOUR_NO_AUTOPOP))
        m_host.StartTimer(TIMER_HIDE, settings.autoPop);
}

void TipStateMachine::OnPaint() {
    m_currentWindow = m_pendingWindow;
    m_current = m_pending;
}

void TipStateMachine::OnMouseMove(TipPoint pt, bool overTip, const std::function<Found()>& find) {
    if (pt == m_lastMouse) return;
    m_lastMouse = pt;
    const std::uint32_t behaviour = m_current.behaviour;
    if (overTip && !(behaviour & TIP_BEHAVIOUR_TRACK_MOUSE)) {
        if (behaviour & TIP_BEHAVIOUR_KEEP_OVER_TIP) RestartAutoPop();
        else StartHide();
        return;
    }
    const Found found = find();
    if (found.window == 0) {
        ForgetCurrent();
        m_host.StopTimer(TIMER_SHOW);
        StartHide();
        return;
    }
    if (found.window == m_currentWindow && found.tool.rect == m_current.rect) {
        if (behaviour & TIP_BEHAVIOUR_TRACK_MOUSE) {
            RestartAutoPop();
            m_host.MoveToCursor(pt);
            return;
        }
        if (behaviour & TIP_BEHAVIOUR_KEEP_ON_MOVE) {
            RestartAutoPop();
            return;
        }
        if (!(behaviour & TIP_BEHAVIOUR_MULTIPLE_SHOW)) {
            StartHide();
            return;
        }
    }
    ScheduleShow(found.window, found.tool, true);
}

}  // namespace fh
