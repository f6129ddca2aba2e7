// The stage's buttons and input as the machine sees them: which timelines
// are buttons, what their objects make of the pointer, and the mouse and
// keys for the Mouse and Key listeners.

#include "avm1/avm1_stage.h"

namespace fh::avm1 {

bool StageScripts::IsButton(TimelineId t) { return m_stage.TimelineIsButton(t); }

SwfPointerRole StageScripts::PointerRole(SwfTimelineId timeline) {
    return m_quit ? SwfPointerRole() : m_machine->PointerRole(timeline);
}

bool StageScripts::Input(SwfInput input, int code, int ascii) {
    if (m_quit) return false;
    bool heard = false;
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

}  // namespace fh::avm1
