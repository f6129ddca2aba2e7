// Selection: the keyboard focus (kept by the host) and a focused text
// field's selection. Moving the focus tells the timeline that loses it
// (onKillFocus), the one that gains it (onSetFocus) and Selection's
// listeners (onSetFocus).

#include <algorithm>
#include <cmath>

#include "avm1/avm1_text.h"

namespace fh::avm1 {

namespace {

Value Path(Machine& m, TimelineId t) { return t ? Value(m.DotPath(t)) : Value::Null(); }

Value GetFocus(Machine& m, const Value&, const std::vector<Value>&) { return Path(m, m.GetHost().Focus()); }

// Any text field or button takes the focus; a clip only when its focusEnabled says so.
bool Focusable(Machine& m, TimelineId t) {
    if (m.GetHost().TextField(t) || m.GetHost().IsButton(t)) return true;
    return ToBoolean(m.Get(Value(m.TimelineObject(t)), "focusEnabled"), m.Version());
}

Value SetFocus(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Value& to = Arg(args, 0);
    TimelineId t = kNoTimeline;
    if (to.IsString()) {
        t = m.ResolveTarget(m.GetHost().Root(), to.String().Text());
        if (!t) return Value(false);
    } else if (Object* o = to.Obj()) {
        t = m.TimelineOf(o);
        if (!t) return Value(false);
    } else if (!to.IsNullish()) {
        return Value(false);
    }
    if (t && !Focusable(m, t)) return Value(false);
    const TimelineId old = m.GetHost().Focus();
    if (old == t) return Value(true);
    m.GetHost().SetFocus(t);
    if (SwfEditText* field = t ? m.GetHost().TextField(t) : nullptr) {
        field->selectionBegin = field->selectionEnd = -1;
    }
    Object* oldObject = m.TimelineObject(old);
    Object* newObject = m.TimelineObject(t);
    const Value oldValue = oldObject ? Value(oldObject) : Value::Null();
    const Value newValue = newObject ? Value(newObject) : Value::Null();
    if (oldObject) m.CallMethod(oldValue, "onKillFocus", {newValue});
    if (newObject) m.CallMethod(newValue, "onSetFocus", {oldValue});
    m.CallMethod(self, "broadcastMessage", {Value("onSetFocus"), oldValue, newValue});
    return Value(true);
}

// The focused field's selection, -1 when no field has the focus or none is set.
const SwfEditText* Focused(Machine& m) {
    const TimelineId t = m.GetHost().Focus();
    const SwfEditText* f = t ? m.GetHost().TextField(t) : nullptr;
    return f && f->selectionBegin >= 0 ? f : nullptr;
}

Value GetBeginIndex(Machine& m, const Value&, const std::vector<Value>&) {
    const SwfEditText* f = Focused(m);
    return Value(f ? std::min(f->selectionBegin, f->selectionEnd) : -1);
}

Value GetEndIndex(Machine& m, const Value&, const std::vector<Value>&) {
    const SwfEditText* f = Focused(m);
    return Value(f ? std::max(f->selectionBegin, f->selectionEnd) : -1);
}

Value GetCaretIndex(Machine& m, const Value&, const std::vector<Value>&) {
    const SwfEditText* f = Focused(m);
    return Value(f ? f->selectionEnd : -1);
}

Value SetSelection(Machine& m, const Value&, const std::vector<Value>& args) {
    const TimelineId t = m.GetHost().Focus();
    SwfEditText* f = t ? m.GetHost().TextField(t) : nullptr;
    if (!f || args.empty()) return Value();
    // What is no number reaches the end of the text.
    auto index = [&](const Value& v) {
        const double n = m.ToNumber(v);
        const double length = static_cast<double>(f->Length());
        return static_cast<int>(std::isnan(n) ? length : std::clamp(n, 0.0, length));
    };
    f->selectionBegin = index(args[0]);
    f->selectionEnd = index(Arg(args, 1));
    return Value();
}

}  // namespace

void InstallSelection(Machine& m) {
    Object* s = m.NewObject();
    DefineMethod(m, s, "getFocus", GetFocus);
    DefineMethod(m, s, "setFocus", SetFocus);
    DefineMethod(m, s, "getBeginIndex", GetBeginIndex);
    DefineMethod(m, s, "getEndIndex", GetEndIndex);
    DefineMethod(m, s, "getCaretIndex", GetCaretIndex);
    DefineMethod(m, s, "setSelection", SetSelection);
    InitializeBroadcaster(m, s);
    m.R().global->Define("Selection", Value(s), kDontEnum);
}

}  // namespace fh::avm1
