// The stage's edit texts: each placed one keeps its own field, which
// scripts reach through its timeline id.

#include <algorithm>
#include <cmath>

#include "swf/swf_display_list.h"
#include "swf/swf_stage.h"

namespace fh {

void SwfStage::PlaceEditText(Object& object, const SwfEditText& field, Instance& parent) {
    if (parent.nesting + 1 >= m_limits.maxNesting) {
        m_capped = true;
        return;
    }
    object.sprite = NewInstance(m_emptyTimeline, &parent, parent.nesting + 1);
    object.sprite->edit = std::make_shared<SwfEditField>(*m_movie, field);
    if (m_scripts) m_scripts->TextPlaced(object.sprite->id);
}

SwfEditText* SwfStage::TimelineEditText(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    return instance && instance->edit ? &instance->edit->field : nullptr;
}

void SwfStage::TimelineEditTextChanged(SwfTimelineId id) {
    const Instance* instance = Timeline(id);
    if (!instance || !instance->edit) return;
    instance->edit->Changed();
    m_changed = true;
}

SwfTextMetrics SwfStage::TimelineTextMetrics(SwfTimelineId id) {
    const Instance* instance = Timeline(id);
    return instance && instance->edit ? instance->edit->Metrics() : SwfTextMetrics();
}

SwfTimelineId SwfStage::TimelineCreateText(SwfTimelineId parentId, const std::string& name, int depth,
                                           const SwfRect& bounds) {
    Instance* parent = Timeline(parentId);
    const std::optional<ListKey> key = ScriptDepthKey(depth);
    if (!parent || !key) return 0;
    if (m_objects >= m_limits.maxObjects || parent->nesting + 1 >= m_limits.maxNesting) {
        m_capped = true;
        return 0;
    }
    const ListKey at = *key;
    const auto was = parent->list.find(at);
    if (was != parent->list.end()) {
        Unindex(*parent, was->first, was->second);
        Release(was->second);
        parent->list.erase(was);
    }
    ++m_objects;
    Object& object = parent->list[at];
    object.name = name;
    object.scripted = true;
    object.placeFrame = parent->frame;
    object.serial = ++m_serial;
    // A made field starts as the players make one: a device font, plain text, nothing drawn round it.
    SwfEditText field;
    field.bounds = SwfRect{0, bounds.xMax - bounds.xMin, 0, bounds.yMax - bounds.yMin};
    object.matrix = SwfMatrix::Translate(bounds.xMin, bounds.yMin);
    PlaceEditText(object, field, *parent);
    Index(*parent, at, object);
    m_changed = true;
    return object.sprite ? object.sprite->id : 0;
}

std::vector<SwfTimelineId> SwfStage::TextTimelines() const {
    std::vector<SwfTimelineId> ids;
    for (const auto& weak : m_instances) {
        const std::shared_ptr<Instance> instance = weak.lock();
        if (instance && !instance->removed && instance->edit) ids.push_back(instance->id);
    }
    return ids;
}

}  // namespace fh
