// flash.filters' classes: BitmapFilter (clone) and the nine filters, their
// constructors filling the data in argument order (a missing argument takes
// the default) and their prototypes' getters and setters.

#include "avm1/avm1_filters.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "avm1/avm1_realm.h"

namespace fh::avm1 {

namespace {

// How a value given for a field is kept.
enum class Rule { Number, Angle, Color, Unit, Blur, Strength, Quality, Side, Scale, Bool, BevelType, Mode, Ref,
                  Colors, Alphas, Ratios, Matrix };

struct FieldInfo {
    const char* name;
    Rule rule;
};

// By FilterField.
constexpr FieldInfo kFields[kFilterFieldCount] = {
    {"distance", Rule::Number},     {"angle", Rule::Angle},          {"color", Rule::Color},
    {"alpha", Rule::Unit},          {"blurX", Rule::Blur},           {"blurY", Rule::Blur},
    {"strength", Rule::Strength},   {"quality", Rule::Quality},      {"highlightColor", Rule::Color},
    {"highlightAlpha", Rule::Unit}, {"shadowColor", Rule::Color},    {"shadowAlpha", Rule::Unit},
    {"matrixX", Rule::Side},        {"matrixY", Rule::Side},         {"divisor", Rule::Number},
    {"bias", Rule::Number},         {"componentX", Rule::Number},    {"componentY", Rule::Number},
    {"scaleX", Rule::Scale},        {"scaleY", Rule::Scale},         {"inner", Rule::Bool},
    {"knockout", Rule::Bool},       {"hideObject", Rule::Bool},      {"preserveAlpha", Rule::Bool},
    {"clamp", Rule::Bool},          {"type", Rule::BevelType},       {"mode", Rule::Mode},
    {"mapBitmap", Rule::Ref},       {"mapPoint", Rule::Ref},         {"colors", Rule::Colors},
    {"alphas", Rule::Alphas},       {"ratios", Rule::Ratios},        {"matrix", Rule::Matrix},
};

constexpr std::size_t kMostArgs = 12;

// A class: its constructor's arguments, which are also its properties, and
// their defaults (numbers; flags as 0 and 1; texts and lists by rule).
struct ClassInfo {
    const char* name;
    std::size_t count;
    FilterField fields[kMostArgs];
    double defaults[kMostArgs];
};

// By FilterClass.
const ClassInfo kClasses[] = {
    {"BlurFilter", 3, {kFBlurX, kFBlurY, kFQuality}, {4, 4, 1}},
    {"DropShadowFilter",
     11,
     {kFDistance, kFAngle, kFColor, kFAlpha, kFBlurX, kFBlurY, kFStrength, kFQuality, kFInner, kFKnockout,
      kFHideObject},
     {4, 45, 0, 1, 4, 4, 1, 1, 0, 0, 0}},
    {"GlowFilter",
     8,
     {kFColor, kFAlpha, kFBlurX, kFBlurY, kFStrength, kFQuality, kFInner, kFKnockout},
     {0xFF0000, 1, 6, 6, 2, 1, 0, 0}},
    {"BevelFilter",
     12,
     {kFDistance, kFAngle, kFHighlightColor, kFHighlightAlpha, kFShadowColor, kFShadowAlpha, kFBlurX, kFBlurY,
      kFStrength, kFQuality, kFType, kFKnockout},
     {4, 45, 0xFFFFFF, 1, 0, 1, 4, 4, 1, 1, 0, 0}},
    {"GradientGlowFilter",
     11,
     {kFDistance, kFAngle, kFColors, kFAlphas, kFRatios, kFBlurX, kFBlurY, kFStrength, kFQuality, kFType,
      kFKnockout},
     {4, 45, 0, 0, 0, 4, 4, 1, 1, 0, 0}},
    {"GradientBevelFilter",
     11,
     {kFDistance, kFAngle, kFColors, kFAlphas, kFRatios, kFBlurX, kFBlurY, kFStrength, kFQuality, kFType,
      kFKnockout},
     {4, 45, 0, 0, 0, 4, 4, 1, 1, 0, 0}},
    {"ColorMatrixFilter", 1, {kFMatrix}, {0}},
    {"ConvolutionFilter",
     9,
     {kFMatrixX, kFMatrixY, kFMatrix, kFDivisor, kFBias, kFPreserveAlpha, kFClamp, kFColor, kFAlpha},
     {0, 0, 0, 1, 0, 1, 1, 0, 0}},
    {"DisplacementMapFilter",
     9,
     {kFMapBitmap, kFMapPoint, kFComponentX, kFComponentY, kFScaleX, kFScaleY, kFMode, kFColor, kFAlpha},
     {0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

constexpr std::size_t kClassCount = sizeof kClasses / sizeof kClasses[0];

// Entries a gradient keeps (the stage draws no more), and a convolution's
// cells (15 by 15).
constexpr std::size_t kMostStops = kSwfMaxFilterColors;
constexpr std::size_t kMostCells = kSwfMaxConvolutionSide * kSwfMaxConvolutionSide;

const double kIdentity[20] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};

// NaN is kept as the bound nearest zero.
double Bound(double n, double lo, double hi) {
    if (std::isnan(n)) return std::clamp(0.0, lo, hi);
    return std::clamp(n, lo, hi);
}

double Rgb(double n) { return static_cast<double>(static_cast<std::uint32_t>(ToInt32(n)) & 0xFFFFFF); }

double ListEntry(Rule rule, double n) {
    switch (rule) {
    case Rule::Colors: return Rgb(n);
    case Rule::Alphas: return Bound(n, 0, 1);
    case Rule::Ratios: return Bound(n, 0, 255);
    default: return n;
    }
}

// An array's entries converted, at most `most`; false for a value that is no object.
bool ReadList(Machine& m, const Value& v, Rule rule, std::size_t most, std::vector<double>& out) {
    if (!v.IsObject()) return false;
    const double length = m.ToNumber(m.Get(v, "length"));
    const std::size_t count =
        std::isfinite(length) && length > 0 ? std::min(most, static_cast<std::size_t>(length)) : 0;
    out.clear();
    for (std::size_t i = 0; i < count; ++i) out.push_back(ListEntry(rule, m.ToNumber(m.Get(v, std::to_string(i)))));
    return true;
}

void Store(Machine& m, FilterData& d, int field, const Value& v) {
    Value& slot = d.values[field];
    switch (kFields[field].rule) {
    case Rule::Number: slot = Value(m.ToNumber(v)); break;
    case Rule::Angle: {
        const double n = m.ToNumber(v);
        slot = Value(std::isfinite(n) ? std::fmod(n, 360) : 0);
        break;
    }
    case Rule::Color: slot = Value(Rgb(m.ToNumber(v))); break;
    case Rule::Unit: slot = Value(Bound(m.ToNumber(v), 0, 1)); break;
    case Rule::Blur:
    case Rule::Strength: slot = Value(Bound(m.ToNumber(v), 0, 255)); break;
    case Rule::Quality: slot = Value(Bound(ToInteger(m.ToNumber(v)), 0, 15)); break;
    case Rule::Side: slot = Value(Bound(ToInteger(m.ToNumber(v)), 0, kSwfMaxConvolutionSide)); break;
    case Rule::Scale: slot = Value(Bound(m.ToNumber(v), -65535, 65535)); break;
    case Rule::Bool: slot = Value(ToBoolean(v, m.Version())); break;
    case Rule::BevelType: {
        const std::string s = m.ToString(v);
        if (s == "inner" || s == "outer" || s == "full") slot = Value(s);
        break;
    }
    case Rule::Mode: {
        const std::string s = m.ToString(v);
        if (s == "wrap" || s == "clamp" || s == "ignore" || s == "color") slot = Value(s);
        break;
    }
    case Rule::Ref: slot = v.IsObject() ? v : Value(); break;
    case Rule::Colors:
    case Rule::Alphas:
    case Rule::Ratios: ReadList(m, v, kFields[field].rule, kMostStops, d.List(field)); break;
    case Rule::Matrix: {
        std::vector<double>& list = d.List(field);
        if (d.cls != FilterClass::ColorMatrix) {
            ReadList(m, v, Rule::Matrix, kMostCells, list);
        } else if (ReadList(m, v, Rule::Matrix, 20, list)) {
            list.resize(20, 0);  // a short matrix reads as zeros past its end
        }
        break;
    }
    }
}

void Default(FilterData& d, int field, double n) {
    switch (kFields[field].rule) {
    case Rule::Bool: d.values[field] = Value(n != 0); break;
    case Rule::BevelType: d.values[field] = Value("inner"); break;
    case Rule::Mode: d.values[field] = Value("wrap"); break;
    case Rule::Ref: d.values[field] = Value(); break;
    case Rule::Colors:
    case Rule::Alphas:
    case Rule::Ratios: d.List(field).clear(); break;
    case Rule::Matrix:
        if (d.cls == FilterClass::ColorMatrix)
            d.List(field).assign(kIdentity, kIdentity + 20);
        else
            d.List(field).clear();
        break;
    default: d.values[field] = Value(n); break;
    }
}

// Both `new` and super(...): the first makes the object a filter; on one
// already made the arguments are still converted (their valueOf runs) but
// nothing changes, as in Flash.
template <int C>
Value Construct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o || o->Kind() != ObjKind::Plain || o == m.R().global) return Value();
    const ClassInfo& info = kClasses[C];
    FilterData d;
    d.cls = static_cast<FilterClass>(C);
    for (std::size_t i = 0; i < info.count; ++i) {
        Default(d, info.fields[i], info.defaults[i]);
        if (i < args.size()) Store(m, d, info.fields[i], args[i]);
    }
    if (!o->NativeAs<FilterData>()) o->SetNative(std::make_unique<FilterData>(std::move(d)));
    return Value();
}

template <int F>
Value GetField(Machine& m, const Value& self, const std::vector<Value>&) {
    const FilterData* d = FilterOf(self);
    if (!d) return Value();
    if (F < kFirstListField) return d->values[F];
    std::vector<Value> entries;
    for (double n : d->List(F)) entries.emplace_back(n);
    return Value(m.NewArray(std::move(entries)));
}

template <int F>
Value SetField(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (FilterData* d = self.Obj() ? self.Obj()->NativeAs<FilterData>() : nullptr) Store(m, *d, F, Arg(args, 0));
    return Value();
}

struct Accessors {
    NativeFn get, set;
};

template <std::size_t... I>
std::array<Accessors, sizeof...(I)> MakeAccessors(std::index_sequence<I...>) {
    return {{Accessors{GetField<static_cast<int>(I)>, SetField<static_cast<int>(I)>}...}};
}

template <std::size_t... I>
std::array<NativeFn, sizeof...(I)> MakeConstructors(std::index_sequence<I...>) {
    return {{Construct<static_cast<int>(I)>...}};
}

Value Clone(Machine& m, const Value& self, const std::vector<Value>&) {
    const FilterData* d = FilterOf(self);
    return d ? NewFilterObject(m, *d) : Value();
}

Value NoFilter(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

}  // namespace

Value NewFilterObject(Machine& m, const FilterData& data) {
    Value package = m.Get(m.Get(Value(m.R().global), "flash"), "filters");
    Value ctor = package.IsObject() ? m.Get(package, kClasses[static_cast<int>(data.cls)].name) : Value();
    Value made = ctor.IsObject() && ctor.Obj()->Kind() == ObjKind::Function ? m.Construct(ctor, {}) : Value();
    Object* o = made.Obj();
    if (!o || o->Kind() != ObjKind::Plain) o = m.NewObject();
    o->SetNative(std::make_unique<FilterData>(data));
    return Value(o);
}

void InstallFilters(Machine& m) {
    static const std::array<Accessors, kFilterFieldCount> accessors =
        MakeAccessors(std::make_index_sequence<kFilterFieldCount>());
    static const std::array<NativeFn, kClassCount> constructors =
        MakeConstructors(std::make_index_sequence<kClassCount>());
    Object* package = DefinePackage(m, "flash.filters");
    Object* base = m.NewObject();
    DefineMethod(m, base, "clone", Clone);
    DefineClassIn(m, package, "BitmapFilter", NoFilter, NoFilter, base);
    for (std::size_t c = 0; c < kClassCount; ++c) {
        Object* proto = m.NewObject(base);
        for (std::size_t i = 0; i < kClasses[c].count; ++i) {
            const int field = kClasses[c].fields[i];
            DefineAccessor(m, proto, kFields[field].name, accessors[field].get, accessors[field].set);
        }
        DefineClassIn(m, package, kClasses[c].name, constructors[c], constructors[c], proto);
    }
}

}  // namespace fh::avm1
