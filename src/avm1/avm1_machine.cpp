#include "avm1/avm1_machine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "avm1/avm1_interp.h"

namespace fh::avm1 {

namespace {

// Room the built-in classes need whatever the cap.
constexpr std::size_t kBuiltInObjects = 1024;

// Prototype chains are followed this far: a cycle ends there.
constexpr int kMaxChain = 256;

// A setter is passed over when calls nest deeper than this, as in the
// players: a setter that sets its own property ends rather than cutting the script.
constexpr int kMaxSetterDepth = 130;

double SteadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// The display properties' names, by GetProperty's index.
const char* const kDisplayNames[kDisplayPropCount] = {
    "_x", "_y", "_xscale", "_yscale", "_currentframe", "_totalframes", "_alpha", "_visible",
    "_width", "_height", "_rotation", "_target", "_framesloaded", "_name", "_droptarget",
    "_url", "_highquality", "_focusrect", "_soundbuftime", "_quality", "_xmouse", "_ymouse"};

int DisplayIndex(const std::string& name) {
    if (name.size() < 2 || name[0] != '_') return -1;
    for (int i = 0; i < kDisplayPropCount; ++i)
        if (NameIs(name, kDisplayNames[i])) return i;
    return -1;
}

bool IsIndex(const std::string& name, std::size_t& index) {
    if (name.empty() || name.size() > 10) return false;
    std::uint64_t v = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (name.size() > 1 && name[0] == '0') return false;
    if (v >= 0xFFFFFFFFu) return false;
    index = static_cast<std::size_t>(v);
    return true;
}

}  // namespace

bool NameIs(const std::string& name, const char* lower) {
    std::size_t i = 0;
    for (; lower[i]; ++i) {
        if (i >= name.size()) return false;
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return i == name.size();
}

Machine::Machine(Host& host, int swfVersion, const Limits& limits)
    : m_host(host), m_version(swfVersion), m_limits(limits), m_heap(swfVersion, std::max<std::size_t>(limits.maxObjects, kBuiltInObjects)) {
    m_random = host.RandomSeed() | 1;
    InstallClasses(*this);
}

Machine::~Machine() = default;

void Machine::BeginRun() {
    if (m_depth == 0) {
        char here;
        m_stackBase = reinterpret_cast<std::uintptr_t>(&here);
        m_actions = 0;
        NewChunk();
        m_runStart = SteadyMs();
    }
}

void Machine::NewChunk() {
    // The clock is read every 4096 actions; the cap is met on the action past it.
    const std::uint64_t max = m_limits.maxActions;
    const std::uint64_t toClock = 4096 - (m_actions & 4095);
    const std::uint64_t toCap = m_actions <= max ? max + 1 - m_actions : 1;
    m_chunk = m_budget = static_cast<std::uint32_t>(std::min(toClock, toCap));
}

void Machine::ActionCheck() {
    m_actions += m_chunk;
    NewChunk();
    if (m_actions > m_limits.maxActions || ((m_actions & 4095) == 0 && OverTime())) Cut();
}

bool Machine::OverTime() const { return SteadyMs() - m_runStart > m_limits.maxRunMs; }

Object* Machine::Unloading(TimelineId t) const {
    auto it = m_unloading.find(t);
    return it != m_unloading.end() ? it->second : nullptr;
}

void Machine::RunActions(TimelineId target, const std::uint8_t* data, std::size_t size) {
    Object* timeline = TimelineObject(target);
    Object* unloading = timeline ? nullptr : Unloading(target);
    if (unloading) timeline = unloading;
    UnloadingNow now(m_unloadingNow, unloading);
    if (!timeline || !data) return;
    BeginRun();
    Frame f;
    f.data = data;
    f.size = size;
    f.ownProgram = std::make_shared<Program>(size);
    f.program = f.ownProgram.get();
    f.scope.push_back(timeline);
    f.self = Value(timeline);
    f.regs.resize(4);
    f.target = target;
    f.original = timeline;
    f.unloading = timeline->Timeline() == kNoTimeline;
    // The blocks of a frame share one stack: what one leaves, the next finds.
    // Collect empties it between frames.
    const bool outermost = m_depth == 0;
    f.stackBase = outermost ? 0 : m_stack.size();
    // Frames that call frames (the Call action) nest as functions do.
    if (m_depth > m_limits.maxCallDepth) {
        ++m_cuts;
        return;
    }
    ++m_depth;
    bool ended = true;
    try {
        Interpreter(*this).Run(f, 0, size);
    } catch (const ScriptCut&) {
        ++m_cuts;
        ended = false;
    } catch (const ScriptThrow&) {
        // An exception nothing caught ends the block, as in the players.
        ended = false;
    } catch (const ScriptHalt&) {
        ended = false;
    }
    --m_depth;
    if (!outermost || !ended) m_stack.resize(f.stackBase);
    m_actionsTotal += m_depth == 0 ? CountedActions() : 0;
}

Value Machine::CallFunction(const Value& fn, const Value& self, const std::vector<Value>& args) {
    BeginRun();
    std::size_t base = m_stack.size();
    Value result;
    ++m_depth;
    try {
        result = Call(fn, self, args);
    } catch (const ScriptCut&) {
        ++m_cuts;
    } catch (const ScriptThrow&) {
    } catch (const ScriptHalt&) {
    }
    --m_depth;
    m_stack.resize(base);
    m_actionsTotal += m_depth == 0 ? CountedActions() : 0;
    return result;
}

void Machine::RunNative(const std::function<void()>& work) {
    BeginRun();
    const std::size_t base = m_stack.size();
    ++m_depth;
    try {
        work();
    } catch (const ScriptCut&) {
        ++m_cuts;
    } catch (const ScriptThrow&) {
    } catch (const ScriptHalt&) {
    }
    --m_depth;
    m_stack.resize(base);
    m_actionsTotal += m_depth == 0 ? CountedActions() : 0;
}

void Machine::MarkRoots() {
    Object* roots[] = {m_realm.global, m_realm.objectProto, m_realm.functionProto, m_realm.arrayProto,
                       m_realm.stringProto, m_realm.numberProto, m_realm.booleanProto, m_realm.movieClipProto,
                       m_realm.errorProto, m_realm.colorProto, m_realm.asBroadcaster, m_realm.textFieldProto,
                       m_realm.textFormatProto, m_realm.buttonProto};
    for (Object* o : roots) m_heap.Mark(o);
    for (auto& t : m_timelines) m_heap.Mark(t.second);
    for (auto& t : m_unloading) m_heap.Mark(t.second);
    for (auto& i : m_intervals) {
        m_heap.Mark(i.second.fn);
        m_heap.Mark(i.second.self);
        for (const Value& v : i.second.args) m_heap.Mark(v);
    }
    for (const Value& v : m_stack) m_heap.Mark(v);
    for (auto& c : m_classes) m_heap.Mark(c.second);
}

void Machine::RegisterClass(const std::string& symbol, Object* ctor) {
    if (ctor) {
        m_classes[m_heap.Key(symbol)] = ctor;
    } else {
        m_classes.erase(m_heap.Key(symbol));
    }
}

void Machine::DispatchClipEvent(TimelineId t, const char* handler, const std::vector<Value>& args) {
    auto it = m_timelines.find(t);
    Object* unloading = it != m_timelines.end() ? nullptr : Unloading(t);
    Object* clip = unloading ? unloading : it != m_timelines.end() ? it->second : nullptr;
    if (!clip) return;
    UnloadingNow now(m_unloadingNow, unloading);
    const Value self(clip);
    const Value fn = Get(self, handler);
    if (fn.IsObject() && fn.Obj()->Kind() == ObjKind::Function) CallFunction(fn, self, args);
}

bool Machine::HasClipHandler(TimelineId t, const char* handler) {
    auto it = m_timelines.find(t);
    if (it == m_timelines.end()) return false;
    // Up the chain without getters: asking must not run a script.
    Object* o = it->second;
    for (int depth = 0; o && depth < kMaxChain; ++depth, o = o->Proto()) {
        if (Property* p = o->FindOwn(handler)) return p->getter || (p->value.Obj() && p->value.Obj()->Kind() == ObjKind::Function);
    }
    return false;
}

void Machine::ConstructClip(TimelineId t) {
    if (m_classes.empty()) return;
    Object* ctor = RegisteredClass(m_host.Symbol(t));
    Object* clip = ctor ? TimelineObject(t) : nullptr;
    if (!clip) return;
    // Within a script (attachMovie) the constructor is one more call of it.
    if (m_depth > 0) {
        Call(Value(ctor), Value(clip), {});
    } else {
        CallFunction(Value(ctor), Value(clip), {});
    }
}

Object* Machine::RegisteredClass(const std::string& symbol) {
    auto it = m_classes.find(m_heap.Key(symbol));
    return it != m_classes.end() ? it->second : nullptr;
}

std::size_t Machine::Collect() {
    if (m_depth != 0) return 0;
    // The frame's unloads have run.
    m_unloading.clear();
    m_stack.clear();
    MarkRoots();
    return m_heap.Sweep();
}

void Machine::TimelineRemoved(TimelineId t) {
    auto it = m_timelines.find(t);
    if (it == m_timelines.end()) return;
    it->second->Timeline() = kNoTimeline;
    // Its unload handlers, which run later in the frame, still find it.
    m_unloading[t] = it->second;
    m_timelines.erase(it);
}

Object* Machine::NewObject(Object* proto) {
    Object* o = m_heap.New(ObjKind::Plain, proto ? proto : m_realm.objectProto);
    if (!o) Cut();
    return o;
}

Object* Machine::NewArray(std::vector<Value> elements) {
    if (elements.size() > m_limits.maxArrayLength) Cut();
    Object* o = m_heap.New(ObjKind::Array, m_realm.arrayProto);
    if (!o) Cut();
    o->Elements() = std::move(elements);
    return o;
}

Object* Machine::TimelineObject(TimelineId t) {
    if (t == kNoTimeline) return nullptr;
    auto it = m_timelines.find(t);
    if (it != m_timelines.end()) return it->second;
    if (!m_host.Alive(t)) return nullptr;
    const bool field = m_host.TextField(t) != nullptr;
    Object* proto = field ? m_realm.textFieldProto : m_realm.movieClipProto;
    if (m_realm.buttonProto && m_host.IsButton(t)) proto = m_realm.buttonProto;
    Object* o = m_heap.New(ObjKind::Timeline, proto);
    if (!o) Cut();
    o->Timeline() = t;
    o->Primitive() = Value(SlashPath(t));
    m_timelines.emplace(t, o);
    // A clip of a registered symbol is an instance of its class from the start.
    if (!m_classes.empty()) {
        if (Object* ctor = RegisteredClass(m_host.Symbol(t))) {
            const Value proto = Get(Value(ctor), "prototype");
            if (proto.IsObject()) o->SetProto(proto.Obj());
            o->Define("__constructor__", Value(ctor), kDontEnum);
        }
    }
    if (field) InitTextFieldObject(*this, o);
    return o;
}

Object* Machine::Current(Object* o) {
    if (!o || o->Kind() != ObjKind::Timeline || o->Timeline() != kNoTimeline || !o->Primitive().IsString()) return o;
    const std::string& path = o->Primitive().String().Text();
    TimelineId t = m_host.Root();
    std::size_t at = 1, parts = 0;
    while (t != kNoTimeline && at < path.size() && ++parts <= static_cast<std::size_t>(kMaxChain)) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        t = m_host.Child(t, path.substr(at, end - at));
        at = end + 1;
    }
    Object* now = t != kNoTimeline && parts <= static_cast<std::size_t>(kMaxChain) ? TimelineObject(t) : nullptr;
    return now ? now : o;
}

TimelineId Machine::TimelineOf(Object* o) {
    o = Current(o);
    if (!o || o->Kind() != ObjKind::Timeline) return kNoTimeline;
    const TimelineId t = o->Timeline();
    return t != kNoTimeline && m_host.Alive(t) ? t : kNoTimeline;
}

void Machine::Cut() { throw ScriptCut{}; }

void Machine::TraceValue(const Value& v) {
    std::string line = v.IsUndefined() ? std::string("undefined") : ToString(v);
    std::replace(line.begin(), line.end(), '\r', '\n');
    m_host.Trace(line);
}

double Machine::Random() {
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return static_cast<double>(m_random) / 4294967296.0;
}

void Machine::Throw(const Value& v) { throw ScriptThrow{v}; }

void Machine::CheckString(std::size_t length) {
    if (length > m_limits.maxStringLength || Str::LiveBytes() + length > m_limits.maxLiveStringBytes) Cut();
}

void Machine::Charge(std::size_t actions) {
    if (actions == 0) return;
    m_actions = CountedActions() + actions;
    NewChunk();
    if (m_actions > m_limits.maxActions || OverTime()) Cut();
}

void Machine::SetArrayLength(Object* array, double length) {
    if (!(length >= 0)) return;
    if (length > static_cast<double>(m_limits.maxArrayLength)) Cut();
    array->ResizeElements(static_cast<std::size_t>(length));
}

std::string Machine::SlashPath(TimelineId t) {
    std::string path;
    for (int i = 0; t != kNoTimeline && t != m_host.Root() && i < kMaxChain; ++i) {
        path = "/" + m_host.Name(t) + path;
        t = m_host.Parent(t);
    }
    return path.empty() ? "/" : path;
}

std::string Machine::DotPath(TimelineId t) {
    std::string path;
    for (int i = 0; t != kNoTimeline && t != m_host.Root() && i < kMaxChain; ++i) {
        path = "." + m_host.Name(t) + path;
        t = m_host.Parent(t);
    }
    return "_level0" + path;
}

int Machine::Level(const std::string& name) {
    if (name.size() < 6) return -1;
    const std::string prefix = name.substr(0, 6);
    if (!NameIs(prefix, "_level") && !NameIs(prefix, "_flash")) return -1;
    // The players read the digits as a 32-bit number that wraps, and a sign
    // or a number past INT32_MAX names a level no movie has.
    if (name.size() > 6 && name[6] == '-') return kNoLevel;
    std::uint32_t level = 0;
    for (std::size_t i = 6; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
        level = level * 10u + static_cast<std::uint32_t>(name[i] - '0');
    return level > 0x7FFFFFFFu ? kNoLevel : static_cast<int>(level);
}

// A target path's parts: '/' and ':' part it, and '.' does until the
// first '/' (so "a.b/c" is a, b, c but "a/b.c" names a clip called "b.c");
// ".." before a '/' or ':' is the parent.
std::vector<std::string> Machine::PathParts(const std::string& path, bool& fromRoot) {
    std::vector<std::string> parts;
    fromRoot = !path.empty() && path[0] == '/';
    bool slash = fromRoot;
    std::string part;
    for (std::size_t i = fromRoot ? 1 : 0; i <= path.size() && parts.size() <= static_cast<std::size_t>(kMaxChain); ++i) {
        const char c = i < path.size() ? path[i] : ':';
        if (part.empty() && c == '.' && path.compare(i, 2, "..") == 0 &&
            (i + 2 == path.size() || path[i + 2] == '/' || path[i + 2] == ':')) {
            parts.push_back("..");
            ++i;
            continue;
        }
        if (c == '/') slash = true;
        if (c == ':' || c == '/' || (c == '.' && !slash)) {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    return parts;
}

// One part of a target path from a timeline: its parent, the root, a child
// clip, else a variable of its own that holds a clip.
Value Machine::PathStep(const Value& at, const std::string& part) {
    Object* o = Current(at.Obj());
    if (!o) return Value();
    if (o->Kind() == ObjKind::Timeline) {
        TimelineId t = o->Timeline();
        if (t == kNoTimeline || !m_host.Alive(t)) return Value();
        if (part == ".." || NameIs(part, "_parent")) {
            Object* parent = TimelineObject(m_host.Parent(t));
            return parent ? Value(parent) : Value();
        }
        const int level = Level(part);
        if (NameIs(part, "_root") || level == 0) return Value(TimelineObject(m_host.Root()));
        // Other levels are other movies, which no movie here has.
        if (level > 0) return Value();
        if (Object* child = TimelineObject(m_host.Child(t, part))) return Value(child);
    }
    Value v = Get(at, part);
    return v.IsObject() ? v : Value();
}

TimelineId Machine::ResolveTarget(TimelineId from, const std::string& path) {
    bool fromRoot = false;
    // One ':' at the end is a target's own ("/a:"); two name nothing.
    if (path.size() >= 2 && path.compare(path.size() - 2, 2, "::") == 0) return kNoTimeline;
    const std::vector<std::string> parts = PathParts(path, fromRoot);
    if (parts.size() > static_cast<std::size_t>(kMaxChain)) return kNoTimeline;
    Value at(TimelineObject(fromRoot ? m_host.Root() : from));
    for (const std::string& part : parts) {
        at = PathStep(at, part);
        if (!at.IsObject()) return kNoTimeline;
    }
    return TimelineOf(at.Obj());
}

Value Machine::GetTimelineMember(Object* o, const std::string& name, bool& found) {
    found = true;
    if (Property* p = o->FindOwn(name)) {
        if (p->getter) return Call(Value(p->getter), Value(o), {});
        return p->value;
    }
    TimelineId t = o->Timeline();
    if (t == kNoTimeline || !m_host.Alive(t)) {
        found = false;
        return Value();
    }
    if (!name.empty() && name[0] == '_') {
        if (NameIs(name, "_parent")) {
            Object* parent = TimelineObject(m_host.Parent(t));
            return parent ? Value(parent) : Value();
        }
        // Levels are looked up before children and prototypes; other levels
        // are other movies, which no movie here has.
        const int level = Level(name);
        if (NameIs(name, "_root") || level == 0) return Value(TimelineObject(m_host.Root()));
        if (level > 0) return Value();
        if (NameIs(name, "_global")) return Value(m_realm.global);
    }
    // A child of the name hides a display property.
    TimelineId child = m_host.Child(t, name);
    if (child != kNoTimeline) {
        if (Object* c = TimelineObject(child)) return Value(c);
    }
    if (!name.empty() && name[0] == '_') {
        int index = DisplayIndex(name);
        if (index >= 0) return DisplayProperty(t, index);
    }
    found = false;
    return Value();
}

Value Machine::DisplayProperty(TimelineId t, int index) {
    switch (index) {
    case kPropTarget: return Value(SlashPath(t));
    case kPropName: return Value(m_host.Name(t));
    case kPropCurrentFrame: return Value(m_host.CurrentFrame(t));
    case kPropTotalFrames:
    case kPropFramesLoaded: return Value(m_host.TotalFrames(t));
    case kPropWidth:
    case kPropHeight:
        if (m_host.TextField(t)) return TextFieldSize(*this, t, index == kPropWidth);
        return m_host.GetProperty(t, index);
    default: return index >= 0 && index < kDisplayPropCount ? m_host.GetProperty(t, index) : Value();
    }
}

bool Machine::SetTimelineMember(Object* o, const std::string& name, const Value& v) {
    TimelineId t = o->Timeline();
    if (t == kNoTimeline || name.empty() || name[0] != '_') return false;
    int index = DisplayIndex(name);
    if (index < 0) return false;
    if ((index == kPropWidth || index == kPropHeight) && m_host.TextField(t)) {
        SetTextFieldSize(*this, t, index == kPropWidth, v);
        return true;
    }
    if (m_host.Alive(t)) m_host.SetProperty(t, index, v);
    return true;
}

Value Machine::Get(const Value& target, const std::string& name) {
    Value v;
    Lookup(target, name, v);
    return v;
}

bool Machine::Delete(Object* o, const std::string& name) {
    std::size_t index;
    if (o->Kind() == ObjKind::Array && IsIndex(name, index)) {
        if (index >= o->Elements().size() || !o->ElementPresent(index)) return false;
        o->Elements()[index] = Value();
        o->SetElementPresent(index, false);
        return true;
    }
    return o->Remove(name);
}

bool Machine::Lookup(const Value& target, const std::string& name, Value& out) {
    Object* o = target.Obj();
    if (o && o->Kind() == ObjKind::Timeline && o->Timeline() == kNoTimeline) {
        Object* now = Current(o);
        if (now != o) return Lookup(Value(now), name, out);
    }
    if (!o) {
        switch (target.GetType()) {
        case Type::String:
            if (NameIs(name, "length")) {
                out = Value(static_cast<double>(Utf8Length(target.String().Text())));
                return true;
            }
            o = m_realm.stringProto;
            break;
        case Type::Number:
            o = m_realm.numberProto;
            break;
        case Type::Boolean:
            o = m_realm.booleanProto;
            break;
        default:
            return false;
        }
    }
    Object* self = target.Obj() ? target.Obj() : o;
    for (int depth = 0; o && depth < kMaxChain; ++depth) {
        switch (o->Kind()) {
        case ObjKind::Array: {
            std::size_t index;
            if (IsIndex(name, index)) {
                if (index >= o->Elements().size()) return false;
                out = o->Elements()[index];
                return true;
            }
            if (NameIs(name, "length")) {
                if (o->Elements().empty() && o->FindOwn(name)) break;  // new Array(n) with a negative n
                out = Value(static_cast<double>(o->Elements().size()));
                return true;
            }
            break;
        }
        case ObjKind::String:
            if (NameIs(name, "length") && o->Primitive().IsString()) {
                out = Value(static_cast<double>(Utf8Length(o->Primitive().String().Text())));
                return true;
            }
            break;
        case ObjKind::Timeline: {
            bool found;
            out = GetTimelineMember(o, name, found);
            if (found) return true;
            o = o->Proto();
            continue;
        }
        default:
            break;
        }
        if (Property* p = o->FindOwn(name)) {
            out = p->getter ? Call(Value(p->getter), target.Obj() ? target : Value(self), {}) : p->value;
            return true;
        }
        if (name.size() == 9 && NameIs(name, "__proto__")) {
            // `super` stands for the prototype above: its __proto__ is that one's.
            Object* p = o->Kind() == ObjKind::Super && o->Proto() ? o->Proto()->Proto() : o->Proto();
            out = p ? Value(p) : Value();
            return true;
        }
        o = o->Proto();
    }
    return false;
}

void Machine::Set(const Value& target, const std::string& name, const Value& v) {
    Object* o = target.Obj();
    if (!o || name.empty()) return;
    if (o->Kind() == ObjKind::Timeline && o->Timeline() == kNoTimeline) {
        Object* now = Current(o);
        if (now != o) return Set(Value(now), name, v);
    }
    if (o->Kind() == ObjKind::Array) {
        std::size_t index;
        if (IsIndex(name, index)) {
            if (o->Elements().empty()) o->Remove("length");
            if (index >= o->Elements().size()) SetArrayLength(o, static_cast<double>(index) + 1);
            o->Elements()[index] = v;
            o->SetElementPresent(index, true);
            return;
        }
        if (NameIs(name, "length")) {
            if (o->Elements().empty()) o->Remove("length");
            SetArrayLength(o, ToInteger(ToNumber(v)));
            return;
        }
    } else if (o->Kind() == ObjKind::Timeline && SetTimelineMember(o, name, v)) {
        return;
    }
    if (name.size() == 9 && NameIs(name, "__proto__") && !o->FindOwn(name)) {
        Object* p = v.Obj();
        o->SetProto(p);
        return;
    }
    if (Property* p = o->FindOwn(name)) {
        if (p->flags & kReadOnly) return;
        if (p->setter) {
            CallSetter(p->setter, target, v);
            return;
        }
        if (p->getter) return;
        if (p->watcher) {
            Object* watcher = p->watcher;
            Value data = p->watchData;
            Value old = p->value;
            Value result = Call(Value(watcher), target, {Value(name), old, v, data});
            if (Property* q = o->FindOwn(name)) q->value = result;
            return;
        }
        p->value = v;
        return;
    }
    // A setter further up the chain (addProperty on a prototype) serves its instances.
    Object* up = o->Proto();
    for (int depth = 0; up && depth < kMaxChain; ++depth, up = up->Proto()) {
        if (Property* p = up->FindOwn(name)) {
            if (p->setter) {
                CallSetter(p->setter, target, v);
                return;
            }
            if (p->getter) return;
            break;
        }
    }
    o->Define(name, v, 0);
}

void Machine::CallSetter(Object* setter, const Value& target, const Value& v) {
    if (m_depth > kMaxSetterDepth) return;
    Call(Value(setter), target, {v});
}

Value Machine::Call(const Value& fn, const Value& self, const std::vector<Value>& args) {
    Object* f = fn.Obj();
    if (!f || f->Kind() != ObjKind::Function) return Value();
    Interpreter::EnterCall(*this);
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{m_depth};
    FunctionData* data = f->Function();
    if (data->native) return data->native(*this, self, args);
    if (data->code) return Interpreter(*this).Invoke(f, self, CallArgs{&args, 0, args.size()});
    return Value();
}

Value Machine::CallMethod(const Value& self, const std::string& name, const std::vector<Value>& args) {
    return Call(Get(self, name), self, args);
}

Value Machine::Construct(const Value& ctor, const std::vector<Value>& args) {
    Object* c = ctor.Obj();
    if (!c || c->Kind() != ObjKind::Function) return Value();
    Value proto = Get(ctor, "prototype");
    Object* o = NewObject(proto.Obj() ? proto.Obj() : m_realm.objectProto);
    o->Define("__constructor__", ctor, kDontEnum);
    o->Define("constructor", ctor, kDontEnum);
    FunctionData* data = c->Function();
    if (data->construct) {
        if (m_depth > m_limits.maxCallDepth) Cut();
        // A constructor that is cut must still leave the depth as it found it.
        ++m_depth;
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{m_depth};
        Value r = data->construct(*this, Value(o), args);
        return r.IsObject() || data->constructGivesResult ? r : Value(o);
    }
    Value r = Call(ctor, Value(o), args);
    return r.IsObject() ? r : Value(o);
}

// A clip's path; "" once it is gone, but for a clip whose unload handler
// is running, which still answers to the path it had.
std::string Machine::ClipPath(Object* o) {
    const TimelineId t = TimelineOf(o);
    if (t != kNoTimeline) return DotPath(t);
    if (o != m_unloadingNow || !o->Primitive().IsString()) return "";
    std::string path = "_level0";
    for (char c : o->Primitive().String().Text()) path += c == '/' ? '.' : c;
    return path;
}

Value Machine::ToPrimitive(const Value& v, Hint hint) {
    Object* o = v.Obj();
    if (!o) return v;
    if (o->Kind() == ObjKind::Timeline) {
        if (hint == Hint::Number) return Value(std::numeric_limits<double>::quiet_NaN());
        return Value(ClipPath(o));
    }
    for (const char* method : {"valueOf", "toString"}) {
        Value f = Get(v, method);
        if (f.Obj() && f.Obj()->Kind() == ObjKind::Function) {
            Value r = Call(f, v, {});
            if (r.IsPrimitive() || hint == Hint::Number) return r;
        } else if (hint == Hint::Number) {
            return Value();
        }
    }
    return Value();
}

double Machine::ToNumber(const Value& v) {
    if (v.IsNumber()) return v.Number();
    if (v.IsObject()) {
        Value p = ToPrimitive(v, Hint::Number);
        return p.IsObject() ? std::numeric_limits<double>::quiet_NaN() : PrimitiveToNumber(p, m_version);
    }
    return PrimitiveToNumber(v, m_version);
}

std::string Machine::ToString(const Value& v) {
    if (Object* o = v.Obj()) {
        // What toString gives, when it gives a string; the players print anything else as "[type Object]".
        if (o->Kind() == ObjKind::Timeline) return ClipPath(o);
        Value f = Get(v, "toString");
        const char* fallback = o->Kind() == ObjKind::Function ? "[type Function]" : "[type Object]";
        if (!f.Obj() || f.Obj()->Kind() != ObjKind::Function) return fallback;
        Value r = Call(f, v, {});
        return r.IsString() ? r.String().Text() : fallback;
    }
    return PrimitiveToString(v, m_version);
}

Str Machine::ToStr(const Value& v) {
    if (v.IsString()) return v.String();
    return Str(ToString(v));
}

Object* Machine::ToObject(const Value& v) {
    if (Object* o = v.Obj()) return o;
    ObjKind kind;
    Object* proto;
    switch (v.GetType()) {
    case Type::String:
        kind = ObjKind::String;
        proto = m_realm.stringProto;
        break;
    case Type::Number:
        kind = ObjKind::Number;
        proto = m_realm.numberProto;
        break;
    case Type::Boolean:
        kind = ObjKind::Boolean;
        proto = m_realm.booleanProto;
        break;
    default:
        return nullptr;
    }
    Object* o = m_heap.New(kind, proto);
    if (!o) Cut();
    o->Primitive() = v;
    return o;
}

std::string Machine::TypeOf(const Value& v) {
    Object* o = v.Obj();
    if (!o) return PrimitiveTypeName(v.GetType());
    if (o->Kind() == ObjKind::Function) return "function";
    if (o->Kind() == ObjKind::Timeline)
        return m_host.TextField(o->Timeline()) || m_host.IsButton(o->Timeline()) ? "object" : "movieclip";
    return "object";
}

bool Machine::InstanceOf(const Value& v, Object* ctor) {
    Object* o = v.Obj();
    if (!o || !ctor) return false;
    Object* proto = Get(Value(ctor), "prototype").Obj();
    if (!proto) return false;
    // The prototype chain, and the interfaces its prototypes implement, with
    // theirs in turn; a bounded walk, as chains can be made to loop.
    std::vector<Object*> work{o->Proto()};
    for (int steps = 0; !work.empty() && steps < kMaxChain * 4; ++steps) {
        Object* p = work.back();
        work.pop_back();
        if (!p) continue;
        if (p == proto) return true;
        work.push_back(p->Proto());
        for (Object* i : p->Interfaces()) work.push_back(i);
    }
    return false;
}

double Machine::AddInterval(const Value& fn, const Value& self, const std::string& method, std::vector<Value> args,
                            double delayMs, bool repeat) {
    if (m_intervals.size() >= m_limits.maxIntervals) return 0;
    if (!(delayMs >= 0)) delayMs = 0;
    double id = m_nextInterval++;
    m_intervals[id] = Interval{fn, self, method, std::move(args), delayMs, m_clock + delayMs, repeat};
    return id;
}

void Machine::ClearInterval(double id) { m_intervals.erase(id); }

void Machine::Tick(double elapsedMs) {
    if (!(elapsedMs > 0)) return;
    m_clock += elapsedMs;
    // Each due interval runs once a tick, in the order they were set.
    std::vector<double> due;
    for (auto& i : m_intervals)
        if (i.second.due <= m_clock) due.push_back(i.first);
    std::sort(due.begin(), due.end());
    for (double id : due) {
        auto it = m_intervals.find(id);
        if (it == m_intervals.end()) continue;
        Interval iv = it->second;
        if (iv.repeat) {
            it->second.due = m_clock + std::max(iv.delay, 1.0);
        } else {
            m_intervals.erase(it);
        }
        Value fn = iv.method.empty() ? iv.fn : Get(iv.self, iv.method);
        CallFunction(fn, iv.self, iv.args);
    }
}

}  // namespace fh::avm1
