// The stage's text fields as the machine sees them: their fields, a new
// field for createTextField, the focus, and the variables fields show.

#include "avm1/avm1_stage.h"
#include "avm1/avm1_text.h"

namespace fh::avm1 {

void StageScripts::TextPlaced(SwfTimelineId timeline) {
    const SwfEditText* field = m_stage.TimelineEditText(timeline);
    if (!field || field->variable.empty()) return;
    m_machine->RunNative([&] { SyncFieldVariable(*m_machine, timeline, true); });
}

SwfEditText* StageScripts::TextField(TimelineId t) { return m_stage.TimelineEditText(t); }
void StageScripts::TextFieldChanged(TimelineId t) { m_stage.TimelineEditTextChanged(t); }
SwfTextMetrics StageScripts::TextMetrics(TimelineId t) { return m_stage.TimelineTextMetrics(t); }

TimelineId StageScripts::CreateTextField(TimelineId parent, const std::string& name, int depth, const SwfRect& twips) {
    return m_stage.TimelineCreateText(parent, name, depth, twips);
}

TimelineId StageScripts::Focus() { return m_stage.Focus(); }
void StageScripts::SetFocus(TimelineId t) { m_stage.SetFocus(t); }

void StageScripts::SyncTextFields() {
    if (m_quit) return;
    for (SwfTimelineId t : m_stage.TextTimelines()) {
        const SwfEditText* field = m_stage.TimelineEditText(t);
        if (field && !field->variable.empty())
            m_machine->RunNative([&] { SyncFieldVariable(*m_machine, t, false); });
    }
}

}  // namespace fh::avm1
