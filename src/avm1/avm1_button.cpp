// Button objects: each button placed is a timeline whose object has
// Button.prototype, answering the display properties as a clip's does;
// `enabled` and `useHandCursor` say how the pointer treats it, for clips
// that act as buttons too.

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

Value GetDepth(Machine& m, const Value& self, const std::vector<Value>&) {
    const TimelineId t = m.TimelineOf(self.Obj());
    int depth = 0;
    return t && m.GetHost().Depth(t, depth) ? Value(depth) : Value();
}

Value NewButton(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

// A property through the prototype chain, read without running a getter:
// the pointer is asked about while the stage walks its lists, which no
// script may change then.
const Property* Plain(Object* o, const std::string& name) {
    for (int depth = 0; o && depth < 256; ++depth, o = o->Proto()) {
        if (const Property* p = o->FindOwn(name)) return p;
    }
    return nullptr;
}

}  // namespace

SwfPointerRole Machine::PointerRole(TimelineId t) {
    SwfPointerRole role;
    const auto it = m_timelines.find(t);
    if (it == m_timelines.end()) return role;
    static const char* const kHandlers[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                            "onRollOut", "onDragOver", "onDragOut"};
    for (const char* name : kHandlers) {
        const Property* p = Plain(it->second, name);
        if (p && (p->getter || (p->value.IsObject() && p->value.Obj()->Kind() == ObjKind::Function))) {
            role.handlers = true;
            break;
        }
    }
    const Property* enabled = Plain(it->second, "enabled");
    if (enabled && !enabled->getter) role.enabled = ToBoolean(enabled->value, Version());
    const Property* hand = Plain(it->second, "useHandCursor");
    if (hand && !hand->getter) role.handCursor = ToBoolean(hand->value, Version());
    return role;
}

void InstallButton(Machine& m) {
    Object* proto = m.NewObject();
    m.R().buttonProto = proto;
    proto->Define("useHandCursor", Value(true));
    proto->Define("enabled", Value(true));
    DefineMethod(m, proto, "getDepth", GetDepth);
    DefineClass(m, "Button", NewButton, nullptr, proto);
    Object* clip = m.R().movieClipProto;
    clip->Define("useHandCursor", Value(true));
    clip->Define("enabled", Value(true));
}

}  // namespace fh::avm1
