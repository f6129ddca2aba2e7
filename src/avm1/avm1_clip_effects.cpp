// Flash 8's display settings of clips and text fields: filters, blendMode
// and cacheAsBitmap over the host, and flash.geom.Transform, a clip's
// matrix and colour transform as geometry objects (copies both ways).

#include <algorithm>
#include <cmath>

#include "avm1/avm1_filters.h"
#include "avm1/avm1_geom.h"
#include "avm1/avm1_realm.h"

namespace fh::avm1 {

namespace {

// By RasterBlend, which follows the format's numbering from 1.
const char* const kBlendNames[] = {"normal",     "layer", "multiply", "screen",   "lighten",   "darken",   "difference",
                                   "add",        "subtract", "invert", "alpha",   "erase",     "overlay",  "hardlight"};
constexpr int kBlendCount = sizeof kBlendNames / sizeof kBlendNames[0];

// Entries of a filters array looked at: the stage keeps kSwfMaxFilters, and
// a huge length must not make a long loop.
constexpr std::size_t kMostFilterEntries = 256;

TimelineId ClipOf(Machine& m, const Value& self) { return m.TimelineOf(self.Obj()); }

Value GetFilters(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = ClipOf(m, self);
    SwfFilterList filters;
    RasterBlend blend;
    bool cache = false;
    if (!t || !m.GetHost().GetEffects(t, filters, blend, cache)) return Value();
    std::vector<Value> objects;
    for (const RasterFilter& f : filters) objects.push_back(NewFilterObject(m, FromRasterFilter(f)));
    return Value(m.NewArray(std::move(objects)));
}

Value SetFilters(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = ClipOf(m, self);
    const Value& list = Arg(args, 0);
    if (!t || !list.IsObject()) return Value();
    const double length = m.ToNumber(m.Get(list, "length"));
    const std::size_t count =
        std::isfinite(length) && length > 0 ? std::min(kMostFilterEntries, static_cast<std::size_t>(length)) : 0;
    SwfFilterList filters;
    for (std::size_t i = 0; i < count && filters.size() < kSwfMaxFilters; ++i) {
        RasterFilter f;
        const FilterData* d = FilterOf(m.Get(list, std::to_string(i)));
        if (d && ToRasterFilter(*d, f)) filters.push_back(std::move(f));
    }
    m.GetHost().SetFilters(t, filters);
    return Value();
}

Value GetBlendMode(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = ClipOf(m, self);
    SwfFilterList filters;
    RasterBlend blend = RasterBlend::Normal;
    bool cache = false;
    if (!t || !m.GetHost().GetEffects(t, filters, blend, cache)) return Value();
    const int index = static_cast<int>(blend);
    return Value(index >= 0 && index < kBlendCount ? kBlendNames[index] : kBlendNames[0]);
}

// A number from 1 or a name; anything else leaves the mode as it is.
Value SetBlendMode(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = ClipOf(m, self);
    const Value& v = Arg(args, 0);
    if (!t) return Value();
    int index = -1;
    if (v.IsNumber()) {
        const double n = v.Number();
        if (n >= 1 && n <= kBlendCount && n == std::floor(n)) index = static_cast<int>(n) - 1;
    } else if (v.IsString()) {
        for (int i = 0; i < kBlendCount; ++i)
            if (v.String().Text() == kBlendNames[i]) index = i;
    }
    if (index >= 0) m.GetHost().SetBlend(t, static_cast<RasterBlend>(index));
    return Value();
}

Value GetCacheAsBitmap(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t = ClipOf(m, self);
    SwfFilterList filters;
    RasterBlend blend;
    bool cache = false;
    if (!t || !m.GetHost().GetEffects(t, filters, blend, cache)) return Value();
    return Value(cache);
}

Value SetCacheAsBitmap(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (TimelineId t = ClipOf(m, self)) m.GetHost().SetCacheAsBitmap(t, ToBoolean(Arg(args, 0), m.Version()));
    return Value();
}

// A Transform's clip.
class TransformData final : public NativeData {
public:
    Object* clip = nullptr;
    void VisitRefs(void (*visit)(Heap&, Object*), Heap& heap) override {
        if (clip) visit(heap, clip);
    }
};

TimelineId TransformClip(Machine& m, const Value& self) {
    const TransformData* d = self.Obj() ? self.Obj()->NativeAs<TransformData>() : nullptr;
    return d ? m.TimelineOf(d->clip) : kNoTimeline;
}

Value TransformConstruct(Machine&, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    Object* clip = Arg(args, 0).Obj();
    if (o && clip && clip->Kind() == ObjKind::Timeline) {
        auto d = std::make_unique<TransformData>();
        d->clip = clip;
        o->SetNative(std::move(d));
    }
    return Value();
}

Value MatrixObject(Machine& m, const SwfMatrix& t) {
    return NewGeom(m, "Matrix", {Value(t.a), Value(t.b), Value(t.c), Value(t.d), Value(t.tx / 20), Value(t.ty / 20)});
}

Value ColorObject(Machine& m, const SwfColorTransform& c) {
    return NewGeom(m, "ColorTransform",
                   {Value(c.rMul / 256.0), Value(c.gMul / 256.0), Value(c.bMul / 256.0), Value(c.aMul / 256.0),
                    Value(c.rAdd), Value(c.gAdd), Value(c.bAdd), Value(c.aAdd)});
}

// Parents looked at for the concatenated transforms (the stage nests far less).
constexpr int kMostAncestors = 256;

Value GetMatrix(Machine& m, const Value& self, const std::vector<Value>&) {
    SwfMatrix t;
    TimelineId clip = TransformClip(m, self);
    return clip && m.GetHost().GetMatrix(clip, t) ? MatrixObject(m, t) : Value();
}

Value SetMatrix(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId clip = TransformClip(m, self);
    const Value& v = Arg(args, 0);
    if (!clip || !IsGeom(m, v, "Matrix")) return Value();
    m.GetHost().SetMatrix(clip, {NumberField(m, v, "a"), NumberField(m, v, "b"), NumberField(m, v, "c"),
                                 NumberField(m, v, "d"), NumberField(m, v, "tx") * 20, NumberField(m, v, "ty") * 20});
    return Value();
}

Value GetColorTransform(Machine& m, const Value& self, const std::vector<Value>&) {
    SwfColorTransform c;
    TimelineId clip = TransformClip(m, self);
    return clip && m.GetHost().GetColor(clip, c) ? ColorObject(m, c) : Value();
}

std::int32_t Part(double n, double scale) {
    const double v = n * scale;
    return std::isfinite(v) ? static_cast<std::int32_t>(std::lround(std::clamp(v, -32768.0, 32767.0))) : 0;
}

Value SetColorTransform(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId clip = TransformClip(m, self);
    const Value& v = Arg(args, 0);
    if (!clip || !IsGeom(m, v, "ColorTransform")) return Value();
    SwfColorTransform c;
    c.rMul = Part(NumberField(m, v, "redMultiplier"), 256);
    c.gMul = Part(NumberField(m, v, "greenMultiplier"), 256);
    c.bMul = Part(NumberField(m, v, "blueMultiplier"), 256);
    c.aMul = Part(NumberField(m, v, "alphaMultiplier"), 256);
    c.rAdd = Part(NumberField(m, v, "redOffset"), 1);
    c.gAdd = Part(NumberField(m, v, "greenOffset"), 1);
    c.bAdd = Part(NumberField(m, v, "blueOffset"), 1);
    c.aAdd = Part(NumberField(m, v, "alphaOffset"), 1);
    m.GetHost().SetColor(clip, c);
    return Value();
}

Value GetConcatenatedMatrix(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId clip = TransformClip(m, self);
    if (!clip) return Value();
    SwfMatrix total;
    for (int i = 0; clip && i < kMostAncestors; ++i, clip = m.GetHost().Parent(clip)) {
        SwfMatrix own;
        if (m.GetHost().GetMatrix(clip, own)) total = own * total;
    }
    return MatrixObject(m, total);
}

// The colour transform `outer` after `inner`, in the format's units.
SwfColorTransform ColorThen(const SwfColorTransform& inner, const SwfColorTransform& outer) {
    auto mul = [](std::int32_t a, std::int32_t b) { return static_cast<std::int32_t>(std::int64_t{a} * b / 256); };
    SwfColorTransform c;
    c.rMul = mul(inner.rMul, outer.rMul);
    c.gMul = mul(inner.gMul, outer.gMul);
    c.bMul = mul(inner.bMul, outer.bMul);
    c.aMul = mul(inner.aMul, outer.aMul);
    c.rAdd = mul(inner.rAdd, outer.rMul) + outer.rAdd;
    c.gAdd = mul(inner.gAdd, outer.gMul) + outer.gAdd;
    c.bAdd = mul(inner.bAdd, outer.bMul) + outer.bAdd;
    c.aAdd = mul(inner.aAdd, outer.aMul) + outer.aAdd;
    return c;
}

Value GetConcatenatedColorTransform(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId clip = TransformClip(m, self);
    if (!clip) return Value();
    SwfColorTransform total;
    for (int i = 0; clip && i < kMostAncestors; ++i, clip = m.GetHost().Parent(clip)) {
        SwfColorTransform own;
        if (m.GetHost().GetColor(clip, own)) total = ColorThen(total, own);
    }
    return ColorObject(m, total);
}

// The clip's box on the stage in whole pixels: its twips through its
// matrix to the stage, grown to the pixels it touches.
Value GetPixelBounds(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId clip = TransformClip(m, self);
    SwfMatrix toStage;
    if (!clip || !m.GetHost().StageMatrix(clip, toStage)) return Value();
    const SwfBox box = m.GetHost().Bounds(clip);
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    if (!box.Empty()) {
        xMin = yMin = HUGE_VAL;
        xMax = yMax = -HUGE_VAL;
        for (const SwfPoint& p : {toStage.Apply(box.xMin, box.yMin), toStage.Apply(box.xMax, box.yMin),
                                  toStage.Apply(box.xMin, box.yMax), toStage.Apply(box.xMax, box.yMax)}) {
            xMin = std::min(xMin, p.x);
            yMin = std::min(yMin, p.y);
            xMax = std::max(xMax, p.x);
            yMax = std::max(yMax, p.y);
        }
        xMin = std::floor(xMin / 20), yMin = std::floor(yMin / 20);
        xMax = std::ceil(xMax / 20), yMax = std::ceil(yMax / 20);
    }
    return NewGeom(m, "Rectangle", {Value(xMin), Value(yMin), Value(xMax - xMin), Value(yMax - yMin)});
}

Value GetTransform(Machine& m, const Value& self, const std::vector<Value>&) {
    return ClipOf(m, self) ? NewGeom(m, "Transform", {self}) : Value();
}

// Another clip's transform: its matrix and colour transform are copied.
Value SetTransform(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t = ClipOf(m, self);
    TimelineId from = TransformClip(m, Arg(args, 0));
    if (!t || !from) return Value();
    SwfMatrix matrix;
    SwfColorTransform color;
    if (m.GetHost().GetMatrix(from, matrix)) m.GetHost().SetMatrix(t, matrix);
    if (m.GetHost().GetColor(from, color)) m.GetHost().SetColor(t, color);
    return Value();
}

Value NoCall(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

}  // namespace

void InstallClipEffects(Machine& m) {
    // Older movies may keep variables of these names on their clips.
    constexpr std::uint32_t kFlash8 = kDontEnum | kVersion8;
    Object* clip = m.R().movieClipProto;
    DefineAccessor(m, clip, "filters", GetFilters, SetFilters, kFlash8);
    DefineAccessor(m, clip, "blendMode", GetBlendMode, SetBlendMode, kFlash8);
    DefineAccessor(m, clip, "cacheAsBitmap", GetCacheAsBitmap, SetCacheAsBitmap, kFlash8);
    DefineAccessor(m, clip, "transform", GetTransform, SetTransform, kFlash8);
    DefineAccessor(m, m.R().textFieldProto, "filters", GetFilters, SetFilters, kFlash8);

    Object* proto = m.NewObject();
    DefineAccessor(m, proto, "matrix", GetMatrix, SetMatrix);
    DefineAccessor(m, proto, "colorTransform", GetColorTransform, SetColorTransform);
    DefineAccessor(m, proto, "concatenatedMatrix", GetConcatenatedMatrix, nullptr);
    DefineAccessor(m, proto, "concatenatedColorTransform", GetConcatenatedColorTransform, nullptr);
    DefineAccessor(m, proto, "pixelBounds", GetPixelBounds, nullptr);
    DefineClassIn(m, DefinePackage(m, "flash.geom"), "Transform", NoCall, TransformConstruct, proto);
}

}  // namespace fh::avm1
