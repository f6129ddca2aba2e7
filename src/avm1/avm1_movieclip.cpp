// MovieClip.prototype: the playhead methods over the host. A timeline's
// own variables, children and display properties are answered by the
// machine's member lookup (avm1_machine.cpp).

#include <algorithm>
#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

TimelineId TimelineOf(Machine& m, const Value& self) { return m.TimelineOf(self.Obj()); }

void GotoIn(Machine& m, TimelineId t, const Value& frame, bool play) {
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

void Goto(Machine& m, const Value& self, const Value& frame, bool play) {
    TimelineId t = TimelineOf(m, self);
    if (t == kNoTimeline) return;
    GotoIn(m, t, frame, play);
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

// A depth argument as a 32-bit int (wrapping, as Flash reads it); none
// for what is no finite number.
bool DepthArg(Machine& m, const Value& v, int& depth) {
    double d = m.ToNumber(v);
    if (!std::isfinite(d)) return false;
    depth = ToInt32(d);
    return true;
}

Value Made(Machine& m, TimelineId t) {
    Object* o = m.TimelineObject(t);
    return o ? Value(o) : Value();
}

Value AttachMovie(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = TimelineOf(m, self);
    int depth = 0;
    if (!t || args.size() < 3 || !DepthArg(m, args[2], depth)) return Value();
    std::string symbol = m.ToString(args[0]);
    if (symbol.empty()) return Value();
    Value made = Made(m, m.GetHost().AttachClip(t, symbol, m.ToString(args[1]), depth));
    // The init object's own members become the clip's.
    Object* init = Arg(args, 3).Obj();
    if (made.IsObject() && init) {
        const std::vector<Property> members = init->Properties();
        for (const Property& p : members) m.Set(made, p.name, p.value);
    }
    if (made.IsObject()) m.ConstructClip(m.TimelineOf(made.Obj()));
    return made;
}

// duplicateMovieClip(name, depth, init): the copy gets the init object's
// members before its class's constructor runs, as attachMovie's clips do.
Value DuplicateMovieClip(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = TimelineOf(m, self);
    int depth = 0;
    if (!t || args.size() < 2 || !DepthArg(m, args[1], depth)) return Value();
    Value made = Made(m, m.GetHost().DuplicateClip(t, m.ToString(args[0]), depth));
    Object* init = Arg(args, 2).Obj();
    if (made.IsObject() && init) {
        const std::vector<Property> members = init->Properties();
        for (const Property& p : members) m.Set(made, p.name, p.value);
    }
    return made;
}

// setMask(clip or target path; null for none).
Value SetMask(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = TimelineOf(m, self);
    if (!t) return Value();
    const Value& arg = Arg(args, 0);
    TimelineId mask = kNoTimeline;
    if (Object* o = arg.Obj()) {
        mask = m.TimelineOf(o);
    } else if (arg.IsString()) {
        mask = m.ResolveTarget(t, arg.String().Text());
    }
    m.GetHost().SetMask(t, mask);
    return Value(true);
}

Value CreateEmptyMovieClip(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = TimelineOf(m, self);
    int depth = 0;
    if (!t || args.size() < 2 || !DepthArg(m, args[1], depth)) return Value();
    return Made(m, m.GetHost().AttachClip(t, std::string(), m.ToString(args[0]), depth));
}

Value RemoveMovieClip(Machine& m, const Value& self, const std::vector<Value>&) {
    if (TimelineId t = TimelineOf(m, self)) m.GetHost().RemoveClip(t);
    return Value();
}

// loadMovie and loadVariables fetch nothing: the clip stays as it is.
Value LoadNothing(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

Value UnloadMovie(Machine& m, const Value& self, const std::vector<Value>&) {
    if (TimelineId t = TimelineOf(m, self)) m.GetHost().UnloadClip(t);
    return Value();
}

// startDrag(lockCenter, left, top, right, bottom): the box only when all four are given.
Value StartDrag(Machine& m, const Value& self, const std::vector<Value>& args) {
    const TimelineId t = TimelineOf(m, self);
    if (!t) return Value();
    SwfBox limits;
    if (args.size() >= 5) {
        const double l = m.ToNumber(args[1]), top = m.ToNumber(args[2]), r = m.ToNumber(args[3]),
                     b = m.ToNumber(args[4]);
        limits = {std::min(l, r), std::min(top, b), std::max(l, r), std::max(top, b)};
    }
    m.GetHost().StartDrag(t, ToBoolean(Arg(args, 0), m.Version()), limits);
    return Value();
}

Value StopDrag(Machine& m, const Value&, const std::vector<Value>&) {
    m.GetHost().StopDrag();
    return Value();
}

Value GetDepth(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = TimelineOf(m, self);
    int depth = 0;
    return t && m.GetHost().Depth(t, depth) ? Value(depth) : Value();
}

Value GetInstanceAtDepth(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = TimelineOf(m, self);
    int depth = 0;
    if (!t || !DepthArg(m, Arg(args, 0), depth)) return Value();
    Object* o = m.TimelineObject(m.GetHost().AtDepth(t, depth));
    return o ? Value(o) : Value();
}

Value GetNextHighestDepth(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = TimelineOf(m, self);
    return t ? Value(m.GetHost().NextDepth(t)) : Value();
}

// To a depth, or to another clip's of the same parent, trading places.
Value SwapDepths(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = TimelineOf(m, self);
    if (!t) return Value();
    const Value& to = Arg(args, 0);
    int depth = 0;
    if (Object* o = to.Obj()) {
        TimelineId other = TimelineOf(m, to);
        if (o->Kind() != ObjKind::Timeline || !other || m.GetHost().Parent(other) != m.GetHost().Parent(t) ||
            !m.GetHost().Depth(other, depth))
            return Value();
    } else if (!DepthArg(m, to, depth)) {
        return Value();
    }
    m.GetHost().SwapDepths(t, depth);
    return Value();
}

Value NewClip(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

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
    DefineMethod(m, proto, "attachMovie", AttachMovie);
    DefineMethod(m, proto, "createEmptyMovieClip", CreateEmptyMovieClip);
    DefineMethod(m, proto, "removeMovieClip", RemoveMovieClip);
    DefineMethod(m, proto, "loadMovie", LoadNothing);
    DefineMethod(m, proto, "loadVariables", LoadNothing);
    DefineMethod(m, proto, "unloadMovie", UnloadMovie);
    DefineMethod(m, proto, "startDrag", StartDrag);
    DefineMethod(m, proto, "stopDrag", StopDrag);
    DefineMethod(m, proto, "duplicateMovieClip", DuplicateMovieClip);
    DefineMethod(m, proto, "setMask", SetMask);
    DefineMethod(m, proto, "getDepth", GetDepth);
    DefineMethod(m, proto, "getInstanceAtDepth", GetInstanceAtDepth);
    DefineMethod(m, proto, "getNextHighestDepth", GetNextHighestDepth);
    DefineMethod(m, proto, "swapDepths", SwapDepths);
    DefineClass(m, "MovieClip", NewClip, nullptr, proto);
}

}  // namespace fh::avm1
