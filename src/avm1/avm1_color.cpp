// Color: a clip's colour transform read and set by script, in the
// percentages and offsets the players show (setRGB, getRGB, setTransform,
// getTransform). The clip it steers is kept as the object's primitive.

#include <algorithm>
#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// Offsets and percentages past these change nothing more a channel can show.
constexpr double kMostOffset = 32767;
constexpr double kMostPercent = 32767;

TimelineId TargetOf(Machine& m, const Value& self) {
    Object* o = self.Obj();
    if (!o) return kNoTimeline;
    const Value& target = o->Primitive();
    if (Object* clip = target.Obj()) return m.TimelineOf(clip);
    if (target.IsString()) return m.ResolveTarget(m.GetHost().Root(), target.String().Text());
    return kNoTimeline;
}

std::int32_t Fixed(double n, double most) {
    return std::isfinite(n) ? static_cast<std::int32_t>(std::clamp(n, -most, most)) : 0;
}

Value ColorConstruct(Machine&, const Value& self, const std::vector<Value>& args) {
    if (Object* o = self.Obj()) o->Primitive() = Arg(args, 0);
    return self;
}

Value ColorCall(Machine& m, const Value&, const std::vector<Value>& args) {
    Object* o = m.NewObject(m.R().colorProto);
    return ColorConstruct(m, Value(o), args);
}

Value SetRgb(Machine& m, const Value& self, const std::vector<Value>& args) {
    const TimelineId t = TargetOf(m, self);
    SwfColorTransform c;
    if (!t || !m.GetHost().GetColor(t, c)) return Value();
    const std::uint32_t rgb = ToUint32(m.ToNumber(Arg(args, 0)));
    c.rMul = c.gMul = c.bMul = 0;
    c.rAdd = static_cast<std::int32_t>(rgb >> 16 & 0xFF);
    c.gAdd = static_cast<std::int32_t>(rgb >> 8 & 0xFF);
    c.bAdd = static_cast<std::int32_t>(rgb & 0xFF);
    m.GetHost().SetColor(t, c);
    return Value();
}

Value GetRgb(Machine& m, const Value& self, const std::vector<Value>&) {
    const TimelineId t = TargetOf(m, self);
    SwfColorTransform c;
    if (!t || !m.GetHost().GetColor(t, c)) return Value();
    return Value(static_cast<double>((c.rAdd & 0xFF) << 16 | (c.gAdd & 0xFF) << 8 | (c.bAdd & 0xFF)));
}

struct Channel {
    const char* percent;
    const char* offset;
    std::int32_t SwfColorTransform::*mul;
    std::int32_t SwfColorTransform::*add;
};
const Channel kChannels[] = {{"ra", "rb", &SwfColorTransform::rMul, &SwfColorTransform::rAdd},
                             {"ga", "gb", &SwfColorTransform::gMul, &SwfColorTransform::gAdd},
                             {"ba", "bb", &SwfColorTransform::bMul, &SwfColorTransform::bAdd},
                             {"aa", "ab", &SwfColorTransform::aMul, &SwfColorTransform::aAdd}};

Value SetTransform(Machine& m, const Value& self, const std::vector<Value>& args) {
    const TimelineId t = TargetOf(m, self);
    SwfColorTransform c;
    const Value& from = Arg(args, 0);
    if (!t || !from.IsObject() || !m.GetHost().GetColor(t, c)) return Value();
    // Only the fields the object has change: the others keep their values.
    for (const Channel& ch : kChannels) {
        const Value percent = m.Get(from, ch.percent);
        if (!percent.IsUndefined()) c.*ch.mul = Fixed(m.ToNumber(percent) * 256 / 100, kMostPercent * 256 / 100);
        const Value offset = m.Get(from, ch.offset);
        if (!offset.IsUndefined()) c.*ch.add = Fixed(m.ToNumber(offset), kMostOffset);
    }
    m.GetHost().SetColor(t, c);
    return Value();
}

Value GetTransform(Machine& m, const Value& self, const std::vector<Value>&) {
    const TimelineId t = TargetOf(m, self);
    SwfColorTransform c;
    if (!t || !m.GetHost().GetColor(t, c)) return Value();
    Object* o = m.NewObject();
    for (const Channel& ch : kChannels) {
        o->Define(ch.percent, Value(c.*ch.mul * 100.0 / 256), 0);
        o->Define(ch.offset, Value(static_cast<double>(c.*ch.add)), 0);
    }
    return Value(o);
}

}  // namespace

void InstallColor(Machine& m) {
    Object* proto = m.R().colorProto;
    DefineMethod(m, proto, "setRGB", SetRgb);
    DefineMethod(m, proto, "getRGB", GetRgb);
    DefineMethod(m, proto, "setTransform", SetTransform);
    DefineMethod(m, proto, "getTransform", GetTransform);
    DefineClass(m, "Color", ColorCall, ColorConstruct, proto);
}

}  // namespace fh::avm1
