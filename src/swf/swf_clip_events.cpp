// Clip events: a sprite's onClipEvent handlers (its placement's clip
// actions) and the handlers scripts give its object (onEnterFrame,
// onLoad...), queued with the frame's action lists so that they run in
// Flash's order: a clip's class and initialize handlers before its first
// frame's actions, load after them, enterFrame as each clip moves on, and
// unload once it is gone (on the object scripts knew it by).

#include <algorithm>

#include "swf/swf_display_list.h"

namespace fh {

// An event for the scripts' handlers (and, unloading, one that runs though
// the clip is gone), within the queue's cap.
void SwfStage::QueueEvent(Instance& instance, std::uint32_t event, bool unloading) {
    if (!m_scripts) return;
    if (m_queue.size() >= m_limits.maxActions) {
        m_capped = true;
        return;
    }
    Queued q;
    q.base = instance.weak_from_this();
    q.block = kNoBlock;
    q.event = event;
    if (unloading) q.unloading = instance.shared_from_this();
    m_queue.push_back(std::move(q));
}

void SwfStage::ClipEvent(Instance& instance, std::uint32_t event) {
    // A button hears only the pointer's moves on it (swf_input.cpp).
    if (!m_scripts || instance.button) return;
    if (instance.clipActions) {
        for (const SwfClipAction& a : *instance.clipActions)
            if (a.events & event) Queue(instance, a.block);
    }
    QueueEvent(instance, event);
}

void SwfStage::Born(Object& object, std::size_t queueMark) {
    if (!object.sprite || object.sprite->button || !m_scripts) return;
    Instance& clip = *object.sprite;
    clip.clipActions = object.clipActions;
    std::vector<Queued> first;
    if (clip.clipActions) {
        for (const SwfClipAction& a : *clip.clipActions)
            if (a.events & (kSwfEventInitialize | kSwfEventConstruct)) first.push_back({clip.weak_from_this(), a.block, 0, nullptr});
    }
    Queued construct;
    construct.base = clip.weak_from_this();
    construct.block = kNoBlock;
    construct.event = kSwfEventConstruct;
    first.push_back(std::move(construct));
    if (m_queue.size() + first.size() >= m_limits.maxActions) {
        m_capped = true;
        return;
    }
    // Before the actions its first frame queued (those of the list waiting
    // when it was placed stay ahead).
    const std::size_t at = std::min(queueMark, m_queue.size());
    m_queue.insert(m_queue.begin() + static_cast<std::ptrdiff_t>(at), first.begin(), first.end());
    ClipEvent(clip, kSwfEventLoad);
}

void SwfStage::QueueUnload(Instance& instance) { QueueEvent(instance, kSwfEventUnload, true); }

void SwfStage::RunQueued(const Queued& next) {
    if (next.unloading) {
        if (!m_scripts) return;
        const Instance& gone = *next.unloading;
        if (gone.clipActions) {
            for (const SwfClipAction& a : *gone.clipActions)
                if ((a.events & kSwfEventUnload) && a.block < m_movie->actions.size())
                    m_scripts->Run(gone.id, m_movie->actions[a.block]);
        }
        m_scripts->Event(gone.id, kSwfEventUnload);
        return;
    }
    const std::shared_ptr<Instance> base = next.base.lock();
    if (!base || base->removed) return;
    if (next.block == kNoBlock) {
        if (m_scripts) m_scripts->Event(base->id, next.event);
    } else if (m_scripts) {
        m_scripts->Run(base->id, m_movie->actions[next.block]);
    } else {
        Run(*base, m_movie->actions[next.block]);
    }
}

// A clip with unload handlers that its timeline removes stays, as in
// Flash, below every depth (-32769 minus its own) until the frame's actions
// have run, then goes. Its handlers run in the removal's place among the
// frame's actions: after the lists before it, before those after it.
bool SwfStage::HoldForUnload(Instance& parent, std::map<ListKey, Object>::iterator it) {
    const std::shared_ptr<Instance> clip = it->second.sprite;
    if (!m_scripts || !clip || it->first < 0) return false;
    bool handlers = m_scripts->HasUnloadHandler(clip->id);
    if (clip->clipActions)
        for (const SwfClipAction& a : *clip->clipActions) handlers = handlers || (a.events & kSwfEventUnload);
    const ListKey held = -1 - it->first;
    if (!handlers || parent.list.count(held)) return false;
    Unindex(parent, it->first, it->second);
    Object moved = std::move(it->second);
    parent.list.erase(it);
    Index(parent, held, parent.list.emplace(held, std::move(moved)).first->second);
    m_held.push_back({parent.weak_from_this(), held});
    QueueUnload(*clip);
    clip->unloadQueued = true;
    return true;
}

void SwfStage::ReleaseHeld() {
    if (m_held.empty()) return;
    std::vector<std::pair<std::weak_ptr<Instance>, ListKey>> held;
    held.swap(m_held);
    for (const auto& h : held) {
        const std::shared_ptr<Instance> parent = h.first.lock();
        if (!parent) continue;
        const auto it = parent->list.find(h.second);
        if (it == parent->list.end()) continue;
        Unindex(*parent, it->first, it->second);
        Release(it->second);
        parent->list.erase(it);
    }
    m_changed = true;
    RunQueue();
}

// An event every clip hears (the mouse's and the keyboard's), newest first.
void SwfStage::BroadcastClipEvent(std::uint32_t event) {
    if (!m_scripts) return;
    for (std::size_t i = m_instances.size(); i-- > 0;) {
        const std::shared_ptr<Instance> instance = m_instances[i].lock();
        if (instance && !instance->removed) ClipEvent(*instance, event);
    }
}

}  // namespace fh
