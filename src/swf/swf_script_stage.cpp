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
    if (!instance.parent) return nullptr;
    for (auto& entry : instance.parent->list) {
        if (entry.second.sprite.get() == &instance) return &entry.second;
    }
    return nullptr;
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
    // A shape or text of that name has no object of its own: scripts see its timeline.
    const std::string key = SwfNameKey(name, m_movie->version);
    const auto found = instance->named.lower_bound({key, 0});
    return found != instance->named.end() && found->first == key ? instance->id : 0;
}

std::string SwfStage::TimelineName(SwfTimelineId id) const {
    const Instance* instance = Timeline(id);
    const Object* holder = instance ? Holder(*instance) : nullptr;
    return holder ? holder->name : std::string();
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
    case SwfProperty::Rotation: return Degrees(std::atan2(m.b, m.a));
    case SwfProperty::CurrentFrame: return instance->frame + 1;
    case SwfProperty::TotalFrames:
    case SwfProperty::FramesLoaded: return std::max<int>(1, static_cast<int>(instance->timeline->frames.size()));
    case SwfProperty::Alpha: return holder ? holder->colorTransform.aMul * 100.0 / 256 : 100;
    case SwfProperty::Visible: return holder && !holder->visible ? 0 : 1;
    default: return kNaN;
    }
}

void SwfStage::SetTimelineProperty(SwfTimelineId id, SwfProperty property, double value) {
    Instance* instance = Timeline(id);
    Object* holder = instance ? Holder(*instance) : nullptr;
    // The root is not on a list: nothing moves it.
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
        break;
    }
    case SwfProperty::Alpha:
        holder->colorTransform.aMul =
            static_cast<std::int32_t>(std::lround(std::clamp(value, -kMostPercent, kMostPercent) * 256 / 100));
        break;
    case SwfProperty::Visible: holder->visible = value != 0; break;
    default: return;
    }
    m_changed = true;
}

}  // namespace fh
