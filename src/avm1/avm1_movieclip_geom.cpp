// MovieClip's geometry: boxes in another clip's space, hit tests and
// points between a clip's space and the stage's, over the host's boxes and
// transforms (twips there, pixels to scripts).

#include <algorithm>
#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// What Flash answers for each edge of an empty clip's box: the largest
// coordinate it keeps, in pixels.
constexpr double kEmptyEdge = 0x7FFFFFF / 20.0;

// A clip argument: a clip object, or a target path from `from`.
TimelineId ClipArg(Machine& m, TimelineId from, const Value& v) {
    if (Object* o = v.Obj()) return o->Kind() == ObjKind::Timeline ? m.TimelineOf(o) : kNoTimeline;
    if (v.IsNullish()) return kNoTimeline;
    const std::string path = m.ToString(v);
    return path.empty() ? kNoTimeline : m.ResolveTarget(from, path);
}

// A box through a transform, as the rectangle of its corners.
SwfBox Through(const SwfBox& box, const SwfMatrix& t) {
    SwfBox out;
    if (box.Empty()) return out;
    for (const SwfPoint& p : {t.Apply(box.xMin, box.yMin), t.Apply(box.xMax, box.yMin), t.Apply(box.xMax, box.yMax),
                              t.Apply(box.xMin, box.yMax)}) {
        out.xMin = std::min(out.xMin, p.x);
        out.yMin = std::min(out.yMin, p.y);
        out.xMax = std::max(out.xMax, p.x);
        out.yMax = std::max(out.yMax, p.y);
    }
    return out;
}

// The clip's box on the stage.
SwfBox StageBox(Machine& m, TimelineId t) {
    SwfMatrix toStage;
    if (!m.GetHost().StageMatrix(t, toStage)) return SwfBox();
    return Through(m.GetHost().Bounds(t), toStage);
}

// getBounds counts lines' width, getRect does not.
Value Box(Machine& m, const Value& self, const std::vector<Value>& args, bool strokes) {
    const TimelineId t = m.TimelineOf(self.Obj());
    if (!t) return Value();
    const TimelineId target = args.empty() ? t : ClipArg(m, t, args[0]);
    if (!target) return Value();
    SwfBox box = m.GetHost().Bounds(t, strokes);
    SwfMatrix own, theirs, inverse;
    if (target != t && m.GetHost().StageMatrix(t, own) && m.GetHost().StageMatrix(target, theirs) &&
        theirs.Invert(inverse))
        box = Through(box, inverse * own);
    Object* out = m.NewObject();
    const bool empty = box.Empty();
    // Twips rounded as Flash keeps them.
    auto pixels = [&](double twips) { return Value(empty ? kEmptyEdge : std::nearbyint(twips) / 20); };
    m.Set(Value(out), "xMin", pixels(box.xMin));
    m.Set(Value(out), "xMax", pixels(box.xMax));
    m.Set(Value(out), "yMin", pixels(box.yMin));
    m.Set(Value(out), "yMax", pixels(box.yMax));
    return Value(out);
}

Value GetBounds(Machine& m, const Value& self, const std::vector<Value>& args) { return Box(m, self, args, true); }
Value GetRect(Machine& m, const Value& self, const std::vector<Value>& args) { return Box(m, self, args, false); }

// hitTest(x, y, shapeFlag) with a point of the root's space, or
// hitTest(target) with the boxes of both clips on the stage.
Value HitTest(Machine& m, const Value& self, const std::vector<Value>& args) {
    const TimelineId t = m.TimelineOf(self.Obj());
    if (!t || args.empty()) return Value(false);
    if (args.size() >= 2) {
        const double x = m.ToNumber(args[0]) * 20, y = m.ToNumber(args[1]) * 20;
        if (!std::isfinite(x) || !std::isfinite(y)) return Value(false);
        SwfMatrix root;
        if (!m.GetHost().StageMatrix(m.GetHost().Root(), root)) return Value(false);
        const SwfPoint p = root.Apply(x, y);
        const bool shape = args.size() >= 3 && ToBoolean(args[2], m.Version());
        return Value(m.GetHost().HitTest(t, p.x, p.y, shape));
    }
    const TimelineId other = ClipArg(m, t, args[0]);
    if (!other) return Value(false);
    const SwfBox a = StageBox(m, t), b = StageBox(m, other);
    return Value(!a.Empty() && !b.Empty() && a.xMin <= b.xMax && b.xMin <= a.xMax && a.yMin <= b.yMax &&
                 b.yMin <= a.yMax);
}

// The point object's x and y moved between the clip's pixels and the stage's.
void MovePoint(Machine& m, const Value& self, const std::vector<Value>& args, bool toStage) {
    const TimelineId t = m.TimelineOf(self.Obj());
    const Value& point = Arg(args, 0);
    SwfMatrix own, inverse;
    if (!t || !point.IsObject() || !m.GetHost().StageMatrix(t, own) || !own.Invert(inverse)) return;
    const double x = m.ToNumber(m.Get(point, "x")), y = m.ToNumber(m.Get(point, "y"));
    const SwfPoint p = (toStage ? own : inverse).Apply(x * 20, y * 20);
    m.Set(point, "x", Value(p.x / 20));
    m.Set(point, "y", Value(p.y / 20));
}

Value LocalToGlobal(Machine& m, const Value& self, const std::vector<Value>& args) {
    MovePoint(m, self, args, true);
    return Value();
}

Value GlobalToLocal(Machine& m, const Value& self, const std::vector<Value>& args) {
    MovePoint(m, self, args, false);
    return Value();
}

}  // namespace

void InstallMovieClipGeom(Machine& m) {
    Object* proto = m.R().movieClipProto;
    DefineMethod(m, proto, "getBounds", GetBounds);
    DefineMethod(m, proto, "getRect", GetRect);
    DefineMethod(m, proto, "hitTest", HitTest);
    DefineMethod(m, proto, "localToGlobal", LocalToGlobal);
    DefineMethod(m, proto, "globalToLocal", GlobalToLocal);
}

}  // namespace fh::avm1
