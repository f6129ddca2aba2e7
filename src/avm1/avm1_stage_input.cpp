// The stage's buttons and input as the machine sees them: which timelines
// are buttons, what their objects make of the pointer, and the mouse and
// keys for the Mouse and Key listeners.

#include "avm1/avm1_stage.h"

#include <algorithm>
#include <cmath>

namespace fh::avm1 {

bool StageScripts::IsButton(TimelineId t) { return m_stage.TimelineIsButton(t); }

SwfPointerRole StageScripts::PointerRole(SwfTimelineId timeline) {
    return m_quit ? SwfPointerRole() : m_machine->PointerRole(timeline);
}

bool StageScripts::Input(SwfInput input, int code, int ascii) {
    if (m_quit) return false;
    bool heard = false;
    if (input == SwfInput::MouseMove) FollowPointer();
    m_machine->RunNative([&] {
        const char* global = input == SwfInput::KeyDown || input == SwfInput::KeyUp ? "Key" : "Mouse";
        const Value listeners = m_machine->Get(m_machine->Get(Value(m_machine->R().global), global), "_listeners");
        heard = listeners.IsObject() && !listeners.Obj()->Elements().empty();
        switch (input) {
        case SwfInput::MouseMove: BroadcastTo(*m_machine, "Mouse", "onMouseMove"); break;
        case SwfInput::MouseDown: BroadcastTo(*m_machine, "Mouse", "onMouseDown"); break;
        case SwfInput::MouseUp: BroadcastTo(*m_machine, "Mouse", "onMouseUp"); break;
        case SwfInput::KeyDown: KeyPressed(*m_machine, true, code, ascii); break;
        case SwfInput::KeyUp: KeyPressed(*m_machine, false, code, ascii); break;
        }
    });
    return heard;
}

void StageScripts::StartDrag(TimelineId t, bool lockCenter, const SwfBox& limits) {
    const TimelineId parent = Parent(t);
    SwfPoint pointer;
    if (!Alive(t) || parent == kNoTimeline || !PointerIn(parent, pointer)) return;
    m_drag.clip = m_drag.last = t;
    m_drag.limits = limits;
    m_drag.offset = {0, 0};
    if (!lockCenter) {
        const double x = m_machine->ToNumber(GetProperty(t, 0)), y = m_machine->ToNumber(GetProperty(t, 1));
        if (std::isfinite(x) && std::isfinite(y)) m_drag.offset = {x - pointer.x, y - pointer.y};
    }
    FollowPointer();
}

void StageScripts::StopDrag() { m_drag.clip = kNoTimeline; }

void StageScripts::FollowPointer() {
    if (m_drag.clip == kNoTimeline) return;
    const TimelineId parent = Alive(m_drag.clip) ? Parent(m_drag.clip) : kNoTimeline;
    SwfPoint at;
    if (parent == kNoTimeline || !PointerIn(parent, at)) {
        m_drag.clip = kNoTimeline;
        return;
    }
    double x = at.x + m_drag.offset.x, y = at.y + m_drag.offset.y;
    if (!m_drag.limits.Empty()) {
        x = std::min(std::max(x, m_drag.limits.xMin), m_drag.limits.xMax);
        y = std::min(std::max(y, m_drag.limits.yMin), m_drag.limits.yMax);
    }
    SetProperty(m_drag.clip, 0, Value(x));
    SetProperty(m_drag.clip, 1, Value(y));
    m_drag.over = m_stage.ClipAt(m_stage.Pointer().x, m_stage.Pointer().y, m_drag.clip);
}

}  // namespace fh::avm1
