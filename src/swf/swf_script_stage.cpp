// The stage's timelines as scripts see them: by number, with the display
// properties of the object that shows each one.

#include <algorithm>
#include <cmath>
#include <limits>

#include "swf/swf_display_list.h"
#include "swf/swf_stage.h"

namespace fh {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Positions and scales a script sets stay where twips and matrices keep
// their meaning: a movie that moves a clip to 1e300 moves it far, not to NaN.
constexpr double kFarPixels = 1e7;
constexpr double kMostPercent = 1e7;

double Degrees(double radians) { return radians * 180 / kPi; }

}  // namespace

void SwfStage::SetScripts(SwfScripts* scripts) {
    m_scripts = scripts;
    m_gone.clear();
    Restart();
}

void SwfStage::ScriptsFrameDone() {
    if (!m_scripts) return;
    // Entries of timelines dropped without being unlisted (a restart) go too.
    if (m_byId.size() > 2 * m_instances.size() + 64) {
        for (auto it = m_byId.begin(); it != m_byId.end();) {
            it = it->second.expired() ? m_byId.erase(it) : std::next(it);
        }
    }
    std::vector<SwfTimelineId> gone;
    gone.swap(m_gone);
    for (SwfTimelineId id : gone) m_scripts->Removed(id);
    m_scripts->FrameDone();
}

SwfStage::Instance* SwfStage::Timeline(SwfTimelineId id) const {
    const auto found = m_byId.find(id);
    if (found == m_byId.end()) return nullptr;
    const std::shared_ptr<Instance> instance = found->second.lock();
    return instance && !instance->removed ? instance.get() : nullptr;
}

SwfStage::Object* SwfStage::Holder(const Instance& instance) const {
    if (&instance == m_root.get()) return m_rootHolder.get();
    if (!instance.parent) return nullptr;
    for (auto& entry : instance.parent->list) {
        if (entry.second.sprite.get() == &instance) return &entry.second;
    }
    return nullptr;
}

bool SwfStage::WorldMatrix(const Instance& instance, SwfMatrix& out) const {
    out = SwfMatrix();
    int steps = 0;
    for (const Instance* at = &instance; at; at = at->parent) {
        const Object* holder = Holder(*at);
        if (!holder || ++steps > m_limits.maxNesting + 1) return false;
        out = holder->matrix * out;
        if (at == m_root.get()) return true;
    }
    return false;
}

void SwfStage::TimelineSetMask(SwfTimelineId id, SwfTimelineId maskId) {
    Instance* clip = Timeline(id);
    if (!clip) return;
    if (const std::shared_ptr<Instance> old = clip->maskedBy.lock()) old->masks.reset();
    clip->maskedBy.reset();
    Instance* mask = Timeline(maskId);
    if (mask && mask != clip) {
        if (const std::shared_ptr<Instance> was = mask->masks.lock()) was->maskedBy.reset();
        if (const std::shared_ptr<Instance> itsMask = mask->maskedBy.lock()) itsMask->masks.reset();
        mask->maskedBy.reset();
        clip->maskedBy = mask->weak_from_this();
        mask->masks = clip->weak_from_this();
    }
    m_changed = true;
}

SwfTimelineId SwfStage::RootTimeline() const { return m_root ? m_root->id : 0; }

SwfTimelineId SwfStage::ParentTimeline(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    return instance && instance->parent ? instance->parent->id : 0;
}

SwfTimelineId SwfStage::ChildTimeline(SwfTimelineId id, const std::string& name) const {
    Instance* instance = Timeline(id);
    if (!instance || name.empty()) return 0;
    if (const Instance* sprite = Named(*instance, name)) return sprite->id;
    const Object* button = instance->button ? Holder(*instance) : nullptr;
    if (button) {
        const std::string part = SwfNameKey(name, m_movie->version);
        for (const auto& p : button->parts)
            if (p && SwfNameKey(p->partName, m_movie->version) == part) return p->id;
        return 0;
    }
    // A shape or text of that name has no object of its own: scripts see its timeline.
    const std::string key = SwfNameKey(name, m_movie->version);
    const auto found = instance->named.lower_bound({key, std::numeric_limits<ListKey>::min()});
    return found != instance->named.end() && found->first == key ? instance->id : 0;
}

std::string SwfStage::TimelineName(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    const Object* holder = instance ? Holder(*instance) : nullptr;
    return holder ? holder->name : instance ? instance->partName : std::string();
}

std::string SwfStage::TimelineSymbol(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    if (!instance || !instance->character) return std::string();
    const auto found = m_movie->exportNames.find(instance->character);
    return found != m_movie->exportNames.end() ? found->second : std::string();
}

void SwfStage::SetTimelineName(SwfTimelineId id, const std::string& name) {
    Instance* instance = Timeline(id);
    if (!instance || !instance->parent) return;
    for (auto& entry : instance->parent->list) {
        if (entry.second.sprite.get() != instance) continue;
        Unindex(*instance->parent, entry.first, entry.second);
        entry.second.name = name;
        Index(*instance->parent, entry.first, entry.second);
        return;
    }
}

int SwfStage::TimelineFrame(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    return instance ? instance->frame + 1 : 0;
}

int SwfStage::TimelineFrameCount(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    return instance ? std::max<int>(1, static_cast<int>(instance->timeline->frames.size())) : 0;
}

bool SwfStage::TimelinePlaying(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    return instance && instance->playing;
}

void SwfStage::TimelinePlay(SwfTimelineId id, bool play) {
    if (Instance* instance = Timeline(id)) instance->playing = play;
}

void SwfStage::TimelineGoto(SwfTimelineId id, long long frame, bool play) {
    Instance* instance = Timeline(id);
    // Frames before the first go to the first, as GotoFrame's 0 does.
    if (instance) Goto(*instance, std::max(0LL, frame - 1), play);
}

void SwfStage::TimelineGotoValue(SwfTimelineId id, const SwfValue& value, int bias, bool play) {
    if (Instance* instance = Timeline(id)) GotoValue(*instance, value, bias, play);
}

bool SwfStage::TimelineGotoLabel(SwfTimelineId id, const std::string& label, bool play) {
    Instance* instance = Timeline(id);
    if (!instance) return false;
    const int frame = LabelFrame(*instance, label);
    if (frame < 0) return false;
    Goto(*instance, frame, play);
    return true;
}

int SwfStage::TimelineLabelFrame(SwfTimelineId id, const std::string& label) const {
    const Instance* instance = Timeline(id);
    return instance ? LabelFrame(*instance, label) + 1 : 0;
}

void SwfStage::TimelineCallFrame(SwfTimelineId id, int frame) {
    const Instance* instance = Timeline(id);
    if (!instance || !m_scripts || frame < 1 || frame > static_cast<int>(instance->timeline->frames.size())) return;
    for (const SwfControl& tag : instance->timeline->frames[static_cast<std::size_t>(frame) - 1].tags) {
        if (tag.kind != SwfControl::Kind::Actions || tag.block >= m_movie->actions.size()) continue;
        // The list may remove the timeline: the frame's other lists then do not run.
        if (!TimelineAlive(id)) return;
        m_scripts->Run(id, m_movie->actions[tag.block]);
    }
}

double SwfStage::TimelineProperty(SwfTimelineId id, SwfProperty property) const {
    const Instance* instance = Timeline(id);
    if (!instance) return kNaN;
    const Object* holder = Holder(*instance);
    const SwfMatrix m = holder ? holder->matrix : SwfMatrix();
    switch (property) {
    case SwfProperty::X: return m.tx / 20;
    case SwfProperty::Y: return m.ty / 20;
    case SwfProperty::XScale: return std::hypot(m.a, m.b) * 100;
    case SwfProperty::YScale: return std::hypot(m.c, m.d) * 100;
    case SwfProperty::Rotation:
        return holder && !std::isnan(holder->rotation) ? holder->rotation : Degrees(std::atan2(m.b, m.a));
    case SwfProperty::CurrentFrame: return instance->frame + 1;
    case SwfProperty::TotalFrames:
    case SwfProperty::FramesLoaded: return std::max<int>(1, static_cast<int>(instance->timeline->frames.size()));
    case SwfProperty::Alpha: return holder ? holder->colorTransform.aMul * 100.0 / 256 : 100;
    case SwfProperty::Visible: return holder && !holder->visible ? 0 : 1;
    default: return kNaN;
    }
}

bool SwfStage::TimelineColor(SwfTimelineId id, SwfColorTransform& color) const {
    const Instance* instance = Timeline(id);
    const Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return false;
    color = holder->colorTransform;
    return true;
}

void SwfStage::SetTimelineColor(SwfTimelineId id, const SwfColorTransform& color) {
    Instance* instance = Timeline(id);
    Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return;
    holder->colorTransform = color;
    holder->transformedByScript = true;
    m_changed = true;
}

void SwfStage::SetTimelineProperty(SwfTimelineId id, SwfProperty property, double value) {
    Instance* instance = Timeline(id);
    Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder || std::isnan(value)) return;
    SwfMatrix& m = holder->matrix;
    switch (property) {
    case SwfProperty::X: m.tx = std::clamp(value, -kFarPixels, kFarPixels) * 20; break;
    case SwfProperty::Y: m.ty = std::clamp(value, -kFarPixels, kFarPixels) * 20; break;
    case SwfProperty::XScale:
    case SwfProperty::YScale: {
        // The axis keeps its direction; a scale from zero starts along the axis.
        const bool x = property == SwfProperty::XScale;
        double& p = x ? m.a : m.c;
        double& q = x ? m.b : m.d;
        const double now = std::hypot(p, q);
        const double want = std::clamp(value, -kMostPercent, kMostPercent) / 100;
        if (now > 0) {
            p = p / now * want;
            q = q / now * want;
        } else {
            p = x ? want : 0;
            q = x ? 0 : want;
        }
        break;
    }
    case SwfProperty::Rotation: {
        if (!std::isfinite(value)) return;
        const double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
        const double turn = std::fmod(value, 360) * kPi / 180;
        // The skew between the axes is kept.
        const double skew = std::atan2(m.d, m.c) - std::atan2(m.b, m.a);
        m.a = sx * std::cos(turn);
        m.b = sx * std::sin(turn);
        m.c = sy * std::cos(turn + skew);
        m.d = sy * std::sin(turn + skew);
        // Read back in (-180, 180], as the players keep it.
        double degrees = std::fmod(value, 360);
        if (degrees > 180) degrees -= 360;
        if (degrees <= -180) degrees += 360;
        holder->rotation = degrees;
        break;
    }
    case SwfProperty::Alpha:
        holder->colorTransform.aMul =
            static_cast<std::int32_t>(std::lround(std::clamp(value, -kMostPercent, kMostPercent) * 256 / 100));
        break;
    case SwfProperty::Visible:
        holder->visible = value != 0;
        m_changed = true;
        return;
    default: return;
    }
    holder->transformedByScript = true;
    m_changed = true;
}


SwfTimelineId SwfStage::TimelineAttach(SwfTimelineId parentId, const std::string& symbol, const std::string& name,
                                       int depth) {
    Instance* parent = Timeline(parentId);
    const std::optional<ListKey> key = ScriptDepthKey(depth);
    if (!parent || !key) return 0;
    std::uint16_t character = 0;
    if (!symbol.empty()) {
        const auto found = m_movie->exports.find(SwfLabelKey(symbol));
        const SwfCharacter* c = found != m_movie->exports.end() ? m_movie->Find(found->second) : nullptr;
        if (!c || c->kind != SwfKind::Sprite) return 0;
        character = found->second;
    }
    if (m_objects >= m_limits.maxObjects || parent->nesting + 1 >= m_limits.maxNesting) {
        m_capped = true;
        return 0;
    }
    const auto was = parent->list.find(*key);
    if (was != parent->list.end()) {
        Unindex(*parent, was->first, was->second);
        Release(was->second);
        parent->list.erase(was);
    }
    ++m_objects;
    Object& object = parent->list[*key];
    object.name = name;
    object.scripted = true;
    object.placeFrame = parent->frame;
    object.serial = ++m_serial;
    if (character) {
        PlaceCharacter(object, character, *parent);
    } else {
        object.sprite = NewInstance(m_emptyTimeline, parent, parent->nesting + 1);
    }
    Index(*parent, *key, object);
    m_changed = true;
    return object.sprite ? object.sprite->id : 0;
}

SwfTimelineId SwfStage::TimelineDuplicate(SwfTimelineId id, const std::string& name, int depth) {
    Instance* instance = Timeline(id);
    Instance* parent = instance ? instance->parent : nullptr;
    const Object* source = instance ? Holder(*instance) : nullptr;
    const std::optional<ListKey> key = ScriptDepthKey(depth);
    if (!parent || !source || !key || !instance->character) return 0;
    if (m_objects >= m_limits.maxObjects) {
        m_capped = true;
        return 0;
    }
    // Taken before the depth is cleared: the source may be what is there.
    Object copy;
    CopyPlacementOf(copy, *source);
    const std::uint16_t character = instance->character;
    const auto was = parent->list.find(*key);
    if (was != parent->list.end()) {
        Unindex(*parent, was->first, was->second);
        Release(was->second);
        parent->list.erase(was);
    }
    ++m_objects;
    Object& object = parent->list[*key];
    CopyPlacementOf(object, copy);
    object.name = name;
    object.scripted = true;
    object.placeFrame = parent->frame;
    object.serial = ++m_serial;
    const std::size_t mark = m_queue.size();
    PlaceCharacter(object, character, *parent);
    Index(*parent, *key, object);
    Born(object, mark);
    m_changed = true;
    return object.sprite ? object.sprite->id : 0;
}

bool SwfStage::TimelineRemove(SwfTimelineId id) {
    Instance* instance = Timeline(id);
    Instance* parent = instance ? instance->parent : nullptr;
    if (!parent) return false;
    for (auto it = parent->list.begin(); it != parent->list.end(); ++it) {
        if (it->second.sprite.get() != instance) continue;
        // Flash removes what scripts placed at depths 0 to 2130690031 only.
        if (it->first < kScriptDepth || it->first > kScriptDepth + kMostRemovableDepth) return false;
        Unindex(*parent, it->first, it->second);
        Release(it->second);
        parent->list.erase(it);
        m_changed = true;
        return true;
    }
    return false;
}

// unloadMovie: the clip stays where it is, empty and stopped, as a clip
// its script made with createEmptyMovieClip is.
void SwfStage::TimelineUnload(SwfTimelineId id) {
    Instance* instance = Timeline(id);
    if (!instance || !instance->parent || instance->button || instance->edit) return;
    for (auto it = instance->list.begin(); it != instance->list.end(); it = instance->list.erase(it)) {
        Unindex(*instance, it->first, it->second);
        Release(it->second);
    }
    instance->drawn.reset();
    instance->timeline = &m_emptyTimeline;
    instance->character = 0;
    instance->frame = 0;
    instance->playing = false;
    m_changed = true;
}

std::optional<int> SwfStage::TimelineDepth(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    if (!instance) return std::nullopt;
    if (!instance->parent) return -kScriptDepth;
    for (const auto& entry : instance->parent->list)
        if (entry.second.sprite.get() == instance) return entry.first - kScriptDepth;
    return std::nullopt;
}

SwfTimelineId SwfStage::TimelineAtDepth(SwfTimelineId parentId, int depth) const {
    const Instance* parent = Timeline(parentId);
    const std::optional<ListKey> key = ScriptDepthKey(depth);
    if (!parent || !key) return 0;
    const auto found = parent->list.find(*key);
    if (found == parent->list.end()) return 0;
    // A shape or text has no object of its own: scripts see its timeline.
    return found->second.sprite ? found->second.sprite->id : parent->id;
}

int SwfStage::TimelineNextDepth(SwfTimelineId parentId) const {
    const Instance* parent = Timeline(parentId);
    if (!parent || parent->list.empty()) return 0;
    return std::max(0, parent->list.rbegin()->first - kScriptDepth + 1);
}

// The clip goes to that depth, and what was there to the clip's old one;
// both are the scripts' from then on.
void SwfStage::TimelineSwapDepths(SwfTimelineId id, int depth) {
    Instance* instance = Timeline(id);
    Instance* parent = instance ? instance->parent : nullptr;
    const std::optional<ListKey> key = ScriptDepthKey(depth);
    if (!parent || !key) return;
    auto from = std::find_if(parent->list.begin(), parent->list.end(),
                             [&](const auto& entry) { return entry.second.sprite.get() == instance; });
    if (from == parent->list.end() || from->first == *key) return;
    const ListKey old = from->first;
    Unindex(*parent, old, from->second);
    from->second.scripted = true;
    const auto to = parent->list.find(*key);
    if (to != parent->list.end()) {
        Unindex(*parent, *key, to->second);
        to->second.scripted = true;
        std::swap(from->second, to->second);
        Index(*parent, old, from->second);
        Index(*parent, *key, to->second);
    } else {
        Object moved = std::move(from->second);
        parent->list.erase(from);
        Index(*parent, *key, parent->list.emplace(*key, std::move(moved)).first->second);
    }
    m_changed = true;
}

}  // namespace fh
