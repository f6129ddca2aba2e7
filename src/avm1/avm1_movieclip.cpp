// MovieClip.prototype: the playhead methods over the host. A timeline's
// own variables, children and display properties are answered by the
// machine's member lookup (avm1_machine.cpp).

#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

TimelineId TimelineOf(Machine& m, const Value& self) {
    Object* o = self.Obj();
    if (!o || o->Kind() != ObjKind::Timeline) return kNoTimeline;
    TimelineId t = o->Timeline();
    return t != kNoTimeline && m.GetHost().Alive(t) ? t : kNoTimeline;
}

void Goto(Machine& m, const Value& self, const Value& frame, bool play) {
    TimelineId t = TimelineOf(m, self);
    if (t == kNoTimeline) return;
    if (frame.IsString()) {
        double n = StringToNumber(frame.String().Text(), m.Version());
        if (std::isnan(n)) {
            m.GetHost().GotoLabel(t, frame.String().Text(), play);
            return;
        }
    }
    double n = m.ToNumber(frame);
    if (std::isfinite(n) && n >= 1 && n < 1e9) m.GetHost().GotoFrame(t, static_cast<int>(n), play);
}

Value GotoAndPlay(Machine& m, const Value& self, const std::vector<Value>& args) {
    Goto(m, self, Arg(args, 0), true);
    return Value();
}

Value GotoAndStop(Machine& m, const Value& self, const std::vector<Value>& args) {
    Goto(m, self, Arg(args, 0), false);
    return Value();
}

Value Play(Machine& m, const Value& self, const std::vector<Value>&) {
    if (TimelineId t = TimelineOf(m, self)) m.GetHost().Play(t);
    return Value();
}

Value Stop(Machine& m, const Value& self, const std::vector<Value>&) {
    if (TimelineId t = TimelineOf(m, self)) m.GetHost().Stop(t);
    return Value();
}

Value NextFrame(Machine& m, const Value& self, const std::vector<Value>&) {
    if (TimelineId t = TimelineOf(m, self)) m.GetHost().NextFrame(t);
    return Value();
}

Value PrevFrame(Machine& m, const Value& self, const std::vector<Value>&) {
    if (TimelineId t = TimelineOf(m, self)) m.GetHost().PrevFrame(t);
    return Value();
}

// Every movie is loaded whole before it plays: loaded and total agree (the
// host knows no byte counts; the frame count stands in for them).
Value BytesTotal(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = TimelineOf(m, self);
    return t ? Value(m.GetHost().TotalFrames(t)) : Value();
}

Value NewClip(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

Value ClipToString(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = TimelineOf(m, self);
    return Value(t ? m.DotPath(t) : std::string());
}

}  // namespace

void InstallMovieClip(Machine& m) {
    Object* proto = m.R().movieClipProto;
    DefineMethod(m, proto, "play", Play);
    DefineMethod(m, proto, "stop", Stop);
    DefineMethod(m, proto, "gotoAndPlay", GotoAndPlay);
    DefineMethod(m, proto, "gotoAndStop", GotoAndStop);
    DefineMethod(m, proto, "nextFrame", NextFrame);
    DefineMethod(m, proto, "prevFrame", PrevFrame);
    DefineMethod(m, proto, "getBytesLoaded", BytesTotal);
    DefineMethod(m, proto, "getBytesTotal", BytesTotal);
    DefineMethod(m, proto, "toString", ClipToString);
    DefineClass(m, "MovieClip", NewClip, nullptr, proto);
}

}  // namespace fh::avm1
