// The stage's timelines: frames entered by playing and by gotos, and the
// actions that steer them, run from a queue after every timeline moved on.

#include <algorithm>

#include "swf/swf_display_list.h"

namespace fh {

namespace {

// A placement's fields onto an object; those it does not have stay.
void ApplyPlace(SwfStage::Object& object, const SwfPlace& p) {
    if (p.matrix && !object.transformedByScript) {
        object.matrix = *p.matrix;
        object.rotation = std::numeric_limits<double>::quiet_NaN();
    }
    if (p.colorTransform && !object.transformedByScript) object.colorTransform = *p.colorTransform;
    if (p.ratio) object.ratio = *p.ratio;
    if (p.clipDepth) object.clipDepth = *p.clipDepth;
    if (!object.effectsByScript) {
        if (p.filters) object.filters = *p.filters;
        if (p.blend) object.blend = *p.blend;
        if (p.cacheAsBitmap) object.cacheAsBitmap = *p.cacheAsBitmap;
    }
    if (p.visible) object.visible = *p.visible;
    if (p.background) {
        object.background = *p.background;
        if (object.background->a == 0) object.background.reset();
    }
    if (p.name) object.name = *p.name;
    // Handlers come with the placement that makes the clip, not with moves.
    if (p.clipActions && !object.clipActions) object.clipActions = p.clipActions;
}

constexpr int kMostSameNames = 64;

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// What a placement sets, from one object to another that stays as it is.
void CopyPlacementOf(SwfStage::Object& to, const SwfStage::Object& from) {
    if (!to.transformedByScript) {
        to.matrix = from.matrix;
        to.rotation = from.rotation;
        to.colorTransform = from.colorTransform;
    }
    to.ratio = from.ratio;
    to.clipDepth = from.clipDepth;
    if (!to.effectsByScript) {
        to.filters = from.filters;
        to.blend = from.blend;
        to.cacheAsBitmap = from.cacheAsBitmap;
    }
    to.visible = from.visible;
    to.background = from.background;
    to.name = from.name;
    to.clipActions = from.clipActions;
}

SwfStage::SwfStage(std::shared_ptr<const SwfMovie> movie, const SwfStageLimits& limits)
    : m_movie(std::move(movie)), m_limits(limits) {
    m_shapeOutlines.resize(m_movie->shapes.size());
    m_glyphOutlines.resize(m_movie->fonts.size());
    for (std::size_t i = 0; i < m_movie->fonts.size(); ++i) m_glyphOutlines[i].resize(m_movie->fonts[i].glyphs.size());
    Restart();
}

SwfStage::~SwfStage() = default;

std::shared_ptr<SwfStage::Instance> SwfStage::NewInstance(const SwfTimeline& timeline, Instance* parent, int nesting) {
    auto instance = std::make_shared<Instance>();
    instance->timeline = &timeline;
    instance->parent = parent;
    instance->nesting = nesting;
    instance->id = ++m_lastId;
    m_byId[instance->id] = instance;
    m_instances.push_back(instance);
    return instance;
}

void SwfStage::Restart() {
    if (m_scripts) {
        for (const auto& entry : m_byId) m_gone.push_back(entry.first);
    }
    m_byId.clear();
    m_instances.clear();
    m_queue.clear();
    m_initQueue.clear();
    m_initsRun.clear();
    m_held.clear();
    m_objects = 0;
    m_capped = false;
    m_background = SwfColor{255, 255, 255, 255};
    m_changed = true;
    m_hover = m_pressed = m_shown = 0;
    m_pressedOver = false;
    m_actionsRun = m_gotos = 0;
    m_gotoTags = 0;
    m_autoNames = 0;
    m_root = NewInstance(m_movie->root, nullptr, 0);
    m_rootHolder = std::make_unique<Object>();
    Execute(*m_root, 0);
    RunQueue();
    ScriptsFrameDone();
}

int SwfStage::Frame() const { return m_root->frame + 1; }
int SwfStage::FrameCount() const { return std::max<int>(1, static_cast<int>(m_movie->root.frames.size())); }
bool SwfStage::Stopped() const { return !m_root->playing; }

void SwfStage::Advance(bool pastStops) {
    m_actionsRun = m_gotos = 0;
    m_gotoTags = 0;
    // Newest first: a sprite moves on before the timeline that placed it.
    // Those placed meanwhile have just shown their first frame.
    for (std::size_t i = m_instances.size(); i-- > 0;) {
        const std::shared_ptr<Instance> instance = m_instances[i].lock();
        if (!instance || instance->removed) continue;
        // A clip's enterFrame comes before the actions of the frame it moves to.
        ClipEvent(*instance, kSwfEventEnterFrame);
        Step(*instance, pastStops && instance == m_root);
    }
    m_instances.erase(std::remove_if(m_instances.begin(), m_instances.end(),
                                     [](const std::weak_ptr<Instance>& w) {
                                         const auto instance = w.lock();
                                         return !instance || instance->removed;
                                     }),
                      m_instances.end());
    RunQueue();
    ReleaseHeld();
    ScriptsFrameDone();
}

void SwfStage::Step(Instance& instance, bool force) {
    const int count = static_cast<int>(instance.timeline->frames.size());
    if (count <= 1 || !(instance.playing || force)) return;
    MoveTo(instance, instance.frame + 1 < count ? instance.frame + 1 : 0);
}

void SwfStage::MoveTo(Instance& instance, int frame) {
    if (frame == instance.frame) return;
    if (frame == instance.frame + 1) {
        Execute(instance, frame);
    } else {
        Rebuild(instance, frame);
    }
}

// Scripts name a clip, button or field placed without a name as Flash did:
// "instance" and a number counted over the movie's run.
std::string SwfStage::AutoName(std::uint16_t character) {
    const SwfCharacter* c = m_movie->Find(character);
    if (!c || (c->kind != SwfKind::Sprite && c->kind != SwfKind::Button && c->kind != SwfKind::EditText)) return {};
    return "instance" + std::to_string(++m_autoNames);
}

void SwfStage::Release(const Object& object) {
    m_objects -= std::min<std::uint32_t>(m_objects, 1);
    if (object.sprite) Unlist(*object.sprite);
    for (const auto& part : object.parts) {
        if (!part) continue;
        m_objects -= std::min<std::uint32_t>(m_objects, 1);
        Unlist(*part);
    }
}

// A sprite instance taken off the display list, with all it holds.
void SwfStage::Unlist(Instance& instance) {
    instance.removed = true;
    m_byId.erase(instance.id);
    // Scripts hear at once: a script still running must see the clip gone.
    if (m_scripts) m_scripts->Removed(instance.id);
    if (!instance.unloadQueued) QueueUnload(instance);
    instance.parent = nullptr;
    for (const auto& entry : instance.list) Release(entry.second);
}

void SwfStage::PlaceCharacter(Object& object, std::uint16_t character, Instance& parent) {
    object.character = character;
    if (object.sprite) Unlist(*object.sprite);
    object.sprite.reset();
    for (const auto& part : object.parts) {
        if (!part) continue;
        m_objects -= std::min<std::uint32_t>(m_objects, 1);
        Unlist(*part);
    }
    object.parts.clear();
    const SwfCharacter* c = m_movie->Find(character);
    if (c && c->kind == SwfKind::Button) PlaceButton(object, parent);
    if (c && c->kind == SwfKind::EditText) PlaceEditText(object, m_movie->editTexts[c->index].field, parent);
    if (!c || c->kind != SwfKind::Sprite) return;
    if (parent.nesting + 1 >= m_limits.maxNesting) {
        m_capped = true;
        return;
    }
    object.sprite = NewInstance(m_movie->sprites[c->index], &parent, parent.nesting + 1);
    object.sprite->character = character;
    Execute(*object.sprite, 0);
}

// The parts of the state a button shows: each sprite among them gets an
// instance that plays like any sprite, a child of the button's own. A
// sprite that the state shown before had at the same depth goes on as it
// was; the others begin at their first frame, and those of the state left go.
void SwfStage::ShowParts(Object& button, Instance& self) {
    std::vector<std::shared_ptr<Instance>> before = std::move(button.parts);
    button.parts.clear();
    const SwfCharacter* c = m_movie->Find(button.character);
    if (c && c->kind == SwfKind::Button) {
        const SwfButton& b = m_movie->buttons[c->index];
        auto partsOf = [&](SwfButtonState state) -> const std::vector<SwfButtonPart>& {
            return state == SwfButtonState::Over ? b.over : state == SwfButtonState::Down ? b.down : b.up;
        };
        const std::vector<SwfButtonPart>& was = partsOf(button.partsState);
        const std::vector<SwfButtonPart>& now = partsOf(button.buttonState);
        for (std::size_t i = 0; i < now.size(); ++i) {
            const SwfCharacter* part = m_movie->Find(now[i].character);
            std::shared_ptr<Instance> sprite;
            if (part && part->kind == SwfKind::Sprite) {
                for (std::size_t j = 0; j < was.size() && j < before.size() && !sprite; ++j)
                    if (before[j] && was[j].character == now[i].character && was[j].depth == now[i].depth)
                        sprite = std::move(before[j]);
                if (!sprite) {
                    if (self.nesting + 1 >= m_limits.maxNesting || m_objects >= m_limits.maxObjects) {
                        m_capped = true;
                    } else {
                        ++m_objects;
                        sprite = NewInstance(m_movie->sprites[part->index], &self, self.nesting + 1);
                        if (m_scripts) sprite->partName = AutoName(now[i].character);
                        Execute(*sprite, 0);
                    }
                }
            }
            button.parts.push_back(std::move(sprite));
        }
    }
    for (const auto& sprite : before) {
        if (!sprite) continue;
        m_objects -= std::min<std::uint32_t>(m_objects, 1);
        Unlist(*sprite);
    }
    button.partsState = button.buttonState;
    // No part is a sprite: nothing to keep.
    if (std::none_of(button.parts.begin(), button.parts.end(), [](const auto& p) { return p != nullptr; }))
        button.parts.clear();
}

void SwfStage::Execute(Instance& instance, int frame) {
    instance.frame = frame;
    if (frame >= static_cast<int>(instance.timeline->frames.size())) return;
    if (!instance.timeline->frames[frame].tags.empty()) m_changed = true;
    m_gotoTags += instance.timeline->frames[frame].tags.size();
    for (const SwfControl& tag : instance.timeline->frames[frame].tags) {
        const SwfPlace& p = tag.place;
        switch (tag.kind) {
        case SwfControl::Kind::Background:
            if (&instance == m_root.get()) m_background = tag.color;
            break;
        case SwfControl::Kind::Actions: Queue(instance, tag.block); break;
        case SwfControl::Kind::InitActions: QueueInit(instance, tag.block); break;
        case SwfControl::Kind::Remove: {
            auto it = instance.list.find(p.depth);
            if (it != instance.list.end() && !HoldForUnload(instance, it)) {
                Unindex(instance, it->first, it->second);
                Release(it->second);
                instance.list.erase(it);
            }
            break;
        }
        case SwfControl::Kind::Place: {
            auto it = instance.list.find(p.depth);
            Object* object = nullptr;
            if (it != instance.list.end()) {
                if (!p.move) break;  // the depth is taken: a plain placement is ignored
                object = &it->second;
                Unindex(instance, p.depth, *object);
                if (p.character && *p.character != object->character) {
                    object->placeFrame = frame;
                    PlaceCharacter(*object, *p.character, instance);
                }
            } else {
                if (!p.character) break;  // nothing there to move
                if (m_objects >= m_limits.maxObjects) {
                    m_capped = true;
                    break;
                }
                ++m_objects;
                object = &instance.list[p.depth];
                object->placeFrame = frame;
                object->serial = ++m_serial;
                // The placement's name is there before the sprite's first frame runs.
                if (p.name) {
                    object->name = *p.name;
                } else if (m_scripts) {
                    object->name = AutoName(*p.character);
                }
                const std::size_t mark = m_queue.size();
                PlaceCharacter(*object, *p.character, instance);
                ApplyPlace(*object, p);
                Index(instance, p.depth, *object);
                Born(*object, mark);
                break;
            }
            ApplyPlace(*object, p);
            Index(instance, p.depth, *object);
            break;
        }
        }
    }
}

// The list as frame `frame` describes it: the placements from frame 1 (or,
// going forward, from the frame on show) are replayed on the depths they
// touch, then the objects that are still the same placement stay (sprites
// keep their playheads), the others go and new ones come. Going forward a
// depth no tag touches stays as it is, so a goto costs the tags it replays
// (which the caps count), never the whole list. Only the frame reached runs
// its actions.
void SwfStage::Rebuild(Instance& instance, int frame) {
    const auto& frames = instance.timeline->frames;
    const bool forward = frame > instance.frame;
    // Each depth touched, as the tags so far leave it (empty: nothing there).
    std::map<std::uint16_t, std::optional<Object>> wanted;
    auto at = [&](std::uint16_t depth) -> std::optional<Object>& {
        const auto found = wanted.find(depth);
        if (found != wanted.end()) return found->second;
        std::optional<Object>& slot = wanted[depth];
        const auto live = instance.list.find(depth);
        if (forward && live != instance.list.end()) {
            slot.emplace();
            slot->character = live->second.character;
            slot->placeFrame = live->second.placeFrame;
            CopyPlacementOf(*slot, live->second);
        }
        return slot;
    };
    std::vector<std::uint32_t> blocks;
    for (int f = forward ? instance.frame + 1 : 0; f <= frame && f < static_cast<int>(frames.size()); ++f) {
        m_gotoTags += frames[f].tags.size();
        for (const SwfControl& tag : frames[f].tags) {
            const SwfPlace& p = tag.place;
            switch (tag.kind) {
            case SwfControl::Kind::Background:
                if (&instance == m_root.get()) m_background = tag.color;
                break;
            case SwfControl::Kind::Actions:
                if (f == frame) blocks.push_back(tag.block);
                break;
            case SwfControl::Kind::InitActions: QueueInit(instance, tag.block); break;
            case SwfControl::Kind::Remove: at(p.depth).reset(); break;
            case SwfControl::Kind::Place: {
                std::optional<Object>& object = at(p.depth);
                if (object) {
                    if (!p.move) break;
                    if (p.character && *p.character != object->character) {
                        object->character = *p.character;
                        object->placeFrame = f;
                    }
                } else {
                    if (!p.character) break;
                    object.emplace();
                    object->character = *p.character;
                    object->placeFrame = f;
                }
                ApplyPlace(*object, p);
                break;
            }
            }
        }
    }
    auto settle = [&](std::map<ListKey, Object>::iterator it) {
        const auto w = wanted.find(it->first);
        // A script's clip outlives a goto back only at the scripts' own depths.
        if (w == wanted.end() && it->second.scripted && (forward || it->first >= kScriptDepth)) return std::next(it);
        if (w != wanted.end() && w->second && w->second->character == it->second.character &&
            w->second->placeFrame == it->second.placeFrame) {
            const bool renamed = w->second->name != it->second.name;
            if (renamed) Unindex(instance, it->first, it->second);
            CopyPlacementOf(it->second, *w->second);
            if (renamed) Index(instance, it->first, it->second);
            return std::next(it);
        }
        Unindex(instance, it->first, it->second);
        Release(it->second);
        return instance.list.erase(it);
    };
    if (forward) {
        for (const auto& entry : wanted) {
            const auto it = instance.list.find(entry.first);
            if (it != instance.list.end()) settle(it);
        }
    } else {
        for (auto it = instance.list.begin(); it != instance.list.end();) it = settle(it);
    }
    instance.frame = frame;
    for (const auto& entry : wanted) {
        if (!entry.second || instance.list.count(entry.first)) continue;
        if (m_objects >= m_limits.maxObjects) {
            m_capped = true;
            break;
        }
        ++m_objects;
        Object& object = instance.list[entry.first];
        CopyPlacementOf(object, *entry.second);
        object.placeFrame = entry.second->placeFrame;
        object.serial = ++m_serial;
        const std::size_t mark = m_queue.size();
        PlaceCharacter(object, entry.second->character, instance);
        Index(instance, entry.first, object);
        Born(object, mark);
    }
    for (std::uint32_t block : blocks) Queue(instance, block);
    m_changed = true;
}

void SwfStage::Queue(Instance& instance, std::uint32_t block) {
    if (block >= m_movie->actions.size()) return;
    const SwfActionBlock& list = m_movie->actions[block];
    if (m_scripts ? list.code.empty() : list.actions.empty()) return;
    if (m_queue.size() >= m_limits.maxActions) {
        m_capped = true;
        return;
    }
    m_queue.push_back({instance.weak_from_this(), block, 0, nullptr});
}

void SwfStage::QueueInit(Instance& instance, std::uint32_t block) {
    // Only an engine runs them, and once in a movie's run: a goto back does not repeat them.
    if (!m_scripts || block >= m_movie->actions.size() || !m_initsRun.insert(block).second) return;
    m_initQueue.push_back({instance.weak_from_this(), block, 0, nullptr});
}

void SwfStage::RunQueue() {
    // Lists run in the order they were queued; those queued by a goto run
    // after. Init actions run before any list still waiting: they define
    // what the sprites' scripts use.
    for (std::size_t i = 0;;) {
        Queued next;
        if (!m_initQueue.empty()) {
            next = m_initQueue.front();
            m_initQueue.erase(m_initQueue.begin());
        } else if (i < m_queue.size()) {
            next = m_queue[i++];
        } else {
            break;
        }
        RunQueued(next);
    }
    m_queue.clear();
}

void SwfStage::Run(Instance& base, const SwfActionBlock& block) {
    // The target is held so that an action removing it leaves nothing dangling.
    std::shared_ptr<Instance> target = base.shared_from_this();
    std::vector<SwfValue> stack;
    const std::vector<SwfValue>* pool = nullptr;
    auto pop = [&]() {
        SwfValue v;
        if (stack.empty()) return v;
        v = std::move(stack.back());
        stack.pop_back();
        if (v.kind == SwfValue::Kind::Constant) {
            const auto index = static_cast<std::size_t>(v.number);
            v = pool && index < pool->size() ? (*pool)[index] : SwfValue();
        }
        return v;
    };
    auto retarget = [&](const std::string& path) {
        // "" is the timeline the actions belong to; a target not found steers nothing.
        Instance* found = base.removed ? nullptr : Resolve(base, path);
        target = found ? found->shared_from_this() : nullptr;
    };
    for (const SwfAction& a : block.actions) {
        if (++m_actionsRun > m_limits.maxActions) {
            m_capped = true;
            return;
        }
        Instance* t = target && !target->removed ? target.get() : nullptr;
        switch (a.op) {
        case SwfAction::Op::Stop:
            if (t) t->playing = false;
            break;
        case SwfAction::Op::Play:
            if (t) t->playing = true;
            break;
        case SwfAction::Op::NextFrame:
            if (t) Goto(*t, t->frame + 1, false);
            break;
        case SwfAction::Op::PreviousFrame:
            if (t) Goto(*t, std::max(0, t->frame - 1), false);
            break;
        case SwfAction::Op::GotoFrame:
            if (t) Goto(*t, a.frame, false);
            break;
        case SwfAction::Op::GotoLabel:
            if (t) {
                const int frame = LabelFrame(*t, a.text);
                if (frame >= 0) Goto(*t, frame, false);
            }
            break;
        case SwfAction::Op::GotoFrame2: {
            const SwfValue v = pop();
            if (t) GotoValue(*t, v, a.frame, a.play);
            break;
        }
        case SwfAction::Op::SetTarget: retarget(a.text); break;
        case SwfAction::Op::SetTarget2: {
            const SwfValue v = pop();
            if (v.kind == SwfValue::Kind::String) {
                retarget(v.text);
            } else {
                target = nullptr;
            }
            break;
        }
        case SwfAction::Op::ConstantPool: pool = &a.values; break;
        case SwfAction::Op::Push:
            for (const SwfValue& v : a.values) {
                // No action here pops more than one; a deep stack is only a movie's waste.
                if (stack.size() >= 1024) stack.erase(stack.begin());
                stack.push_back(v);
            }
            break;
        }
    }
}

void SwfStage::Goto(Instance& instance, long long frame, bool play) {
    instance.playing = play;
    const int count = static_cast<int>(instance.timeline->frames.size());
    if (count == 0) return;
    if (++m_gotos > m_limits.maxGotos || m_gotoTags > m_limits.maxGotoTags) {
        m_capped = true;
        return;
    }
    // Past the last frame is the last frame, but its actions do not run
    // (those of sprites it places do).
    const std::size_t queued = m_queue.size();
    MoveTo(instance, static_cast<int>(std::clamp<long long>(frame, 0, count - 1)));
    if (frame < count) return;
    m_queue.erase(std::remove_if(m_queue.begin() + static_cast<std::ptrdiff_t>(queued), m_queue.end(),
                                 [&](const Queued& q) { return q.base.lock().get() == &instance; }),
                  m_queue.end());
}

// GotoFrame2's frame: a number from 1 (with the scene bias), a label (the
// bias counts there too), a string of digits (kept in 32 bits, as the
// players do), or either after "path:" for another timeline. Frames before
// the first go nowhere, not even to a stop.
void SwfStage::GotoValue(Instance& target, const SwfValue& value, int bias, bool play) {
    auto number = [&](Instance& t, long long frame) {
        if (frame >= 1) Goto(t, frame - 1 + bias, play);
    };
    switch (value.kind) {
    case SwfValue::Kind::Number:
    case SwfValue::Kind::Bool: {
        const std::optional<long long> frame = FrameNumberOf(value.number);
        if (frame && static_cast<double>(*frame) == value.number) number(target, *frame & 0xFFFFFFFFLL);
        return;
    }
    case SwfValue::Kind::String: {
        Instance* t = &target;
        std::string frame = value.text;
        const std::size_t colon = frame.rfind(':');
        if (colon != std::string::npos) {
            t = Resolve(target, frame.substr(0, colon));
            if (!t) return;
            frame = frame.substr(colon + 1);
        }
        const int labelled = LabelFrame(*t, frame);
        if (labelled >= 0) {
            number(*t, labelled + 1LL);
        } else if (AllDigits(frame)) {
            std::uint32_t n = 0;
            for (char c : frame) n = n * 10u + static_cast<std::uint32_t>(c - '0');
            number(*t, n);
        }
        return;
    }
    default: return;
    }
}

SwfStage::Instance* SwfStage::Resolve(Instance& base, const std::string& path) const {
    const std::optional<std::vector<SwfPathStep>> steps = ParseTargetPath(path);
    if (!steps) return nullptr;
    Instance* at = &base;
    for (const SwfPathStep& step : *steps) {
        switch (step.kind) {
        case SwfPathStep::Kind::Root: at = m_root.get(); break;
        case SwfPathStep::Kind::Parent: at = at->parent; break;
        case SwfPathStep::Kind::Child: at = Named(*at, step.name); break;
        }
        if (!at) return nullptr;
    }
    return at;
}

SwfStage::Instance* SwfStage::Named(const Instance& instance, const std::string& name) const {
    const std::string key = SwfNameKey(name, m_movie->version);
    // Shapes may share the name: the lowest sprite of it, among the first few of the name.
    auto found = instance.named.lower_bound({key, std::numeric_limits<ListKey>::min()});
    for (int k = 0; k < kMostSameNames && found != instance.named.end() && found->first == key; ++k, ++found) {
        const auto it = instance.list.find(found->second);
        if (it != instance.list.end() && it->second.sprite) return it->second.sprite.get();
    }
    return nullptr;
}

int SwfStage::LabelFrame(const Instance& instance, const std::string& label) const {
    const auto& frames = instance.timeline->labelFrames;
    const auto found = frames.find(SwfLabelKey(label));
    return found == frames.end() ? -1 : found->second;
}

void SwfStage::Unindex(Instance& instance, ListKey depth, const Object& object) const {
    instance.named.erase({SwfNameKey(object.name, m_movie->version), depth});
}

void SwfStage::Index(Instance& instance, ListKey depth, const Object& object) const {
    instance.named.emplace(SwfNameKey(object.name, m_movie->version), depth);
}

}  // namespace fh
