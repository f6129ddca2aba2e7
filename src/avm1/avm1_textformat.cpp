// TextFormat: a format some of whose fields are given, the others null.
// Its fields are properties of the prototype that convert what is set as
// the players do (sizes and margins to whole numbers, rounding halves to
// even; colours to 32 bits), kept in the object's native data.

#include <algorithm>
#include <cmath>
#include <utility>

#include "avm1/avm1_text.h"

namespace fh::avm1 {

namespace {

struct FormatData : NativeData {
    SwfFormatPatch patch;
    std::string display = "block";
};

FormatData* DataOf(const Value& self) {
    Object* o = self.Obj();
    return o ? o->NativeAs<FormatData>() : nullptr;
}

// A whole number as the players convert one: halves to even, and what
// does not fit 32 bits (NaN and the infinities too) the smallest int.
double Whole(double n) {
    const double r = std::nearbyint(n);
    return std::isfinite(r) && r >= -2147483648.0 && r <= 2147483647.0 ? r : -2147483648.0;
}

enum Field {
    kFont, kSize, kColor, kBold, kItalic, kUnderline, kUrl, kTarget, kAlign, kLeftMargin, kRightMargin, kIndent,
    kLeading, kBlockIndent, kBullet, kTabStops, kKerning, kLetterSpacing, kDisplay,
};

constexpr struct {
    const char* name;
    Field field;
    std::uint32_t bit;
} kFields[] = {
    {"font", kFont, kFmtFont}, {"size", kSize, kFmtSize}, {"color", kColor, kFmtColor},
    {"bold", kBold, kFmtBold}, {"italic", kItalic, kFmtItalic}, {"underline", kUnderline, kFmtUnderline},
    {"url", kUrl, kFmtUrl}, {"target", kTarget, kFmtTarget}, {"align", kAlign, kFmtAlign},
    {"leftMargin", kLeftMargin, kFmtLeftMargin}, {"rightMargin", kRightMargin, kFmtRightMargin},
    {"indent", kIndent, kFmtIndent}, {"leading", kLeading, kFmtLeading},
    {"blockIndent", kBlockIndent, kFmtBlockIndent}, {"bullet", kBullet, kFmtBullet},
    {"tabStops", kTabStops, kFmtTabStops}, {"kerning", kKerning, kFmtKerning},
    {"letterSpacing", kLetterSpacing, kFmtLetterSpacing}, {"display", kDisplay, 0},
};

const char* AlignName(SwfAlign a) {
    switch (a) {
    case SwfAlign::Right: return "right";
    case SwfAlign::Center: return "center";
    case SwfAlign::Justify: return "justify";
    default: return "left";
    }
}

Value Read(Machine& m, const FormatData& d, Field field, std::uint32_t bit) {
    if (field == kDisplay) return Value(d.display);
    if (!(d.patch.mask & bit)) return Value::Null();
    const SwfTextFormat& f = d.patch.format;
    switch (field) {
    case kFont: return Value(f.font);
    case kSize: return Value(f.size);
    case kColor: return Value(static_cast<double>(f.color));
    case kBold: return Value(f.bold);
    case kItalic: return Value(f.italic);
    case kUnderline: return Value(f.underline);
    case kUrl: return Value(f.url);
    case kTarget: return Value(f.target);
    case kAlign: return Value(AlignName(f.align));
    case kLeftMargin: return Value(f.leftMargin);
    case kRightMargin: return Value(f.rightMargin);
    case kIndent: return Value(f.indent);
    case kLeading: return Value(f.leading);
    case kBlockIndent: return Value(f.blockIndent);
    case kBullet: return Value(f.bullet);
    case kTabStops: {
        std::vector<Value> stops;
        for (double s : f.tabStops) stops.emplace_back(s);
        return Value(m.NewArray(std::move(stops)));
    }
    case kKerning: return Value(f.kerning);
    case kLetterSpacing: return Value(f.letterSpacing);
    default: return Value();
    }
}

void Write(Machine& m, FormatData& d, Field field, std::uint32_t bit, const Value& v) {
    if (field == kDisplay) {
        d.display = m.ToString(v);
        return;
    }
    if (v.IsNullish()) {
        d.patch.mask &= ~bit;
        return;
    }
    SwfTextFormat& f = d.patch.format;
    const int version = m.Version();
    switch (field) {
    case kFont: f.font = m.ToString(v); break;
    case kSize: f.size = Whole(m.ToNumber(v)); break;
    case kColor: f.color = ToUint32(m.ToNumber(v)); break;
    case kBold: f.bold = ToBoolean(v, version); break;
    case kItalic: f.italic = ToBoolean(v, version); break;
    case kUnderline: f.underline = ToBoolean(v, version); break;
    case kUrl: f.url = m.ToString(v); break;
    case kTarget: f.target = m.ToString(v); break;
    case kAlign: {
        const std::string s = m.ToString(v);
        // A name it does not know leaves the alignment as it was.
        if (NameIs(s, "left")) f.align = SwfAlign::Left;
        else if (NameIs(s, "right")) f.align = SwfAlign::Right;
        else if (NameIs(s, "center")) f.align = SwfAlign::Center;
        else if (NameIs(s, "justify")) f.align = SwfAlign::Justify;
        else if (!(d.patch.mask & bit)) return;
        break;
    }
    case kLeftMargin: f.leftMargin = Whole(std::max(0.0, m.ToNumber(v))); break;
    case kRightMargin: f.rightMargin = Whole(std::max(0.0, m.ToNumber(v))); break;
    case kIndent: f.indent = Whole(m.ToNumber(v)); break;
    case kLeading: f.leading = Whole(m.ToNumber(v)); break;
    case kBlockIndent: f.blockIndent = Whole(m.ToNumber(v)); break;
    case kBullet: f.bullet = ToBoolean(v, version); break;
    case kTabStops: {
        f.tabStops.clear();
        // Any object is read as a list: its length and its elements.
        if (v.IsObject()) {
            const double length = m.ToNumber(m.Get(v, "length"));
            const std::size_t count = length > 0 ? static_cast<std::size_t>(std::min(length, 1024.0)) : 0;
            m.Charge(count);
            for (std::size_t i = 0; i < count; ++i)
                f.tabStops.push_back(Whole(m.ToNumber(m.Get(v, std::to_string(i)))));
        } else {
            f.tabStops.push_back(Whole(m.ToNumber(v)));
        }
        break;
    }
    case kKerning: f.kerning = ToBoolean(v, version); break;
    case kLetterSpacing: f.letterSpacing = m.ToNumber(v); break;
    default: return;
    }
    d.patch.mask |= bit;
}

template <std::size_t I>
Value Getter(Machine& m, const Value& self, const std::vector<Value>&) {
    const FormatData* d = DataOf(self);
    return d ? Read(m, *d, kFields[I].field, kFields[I].bit) : Value();
}

template <std::size_t I>
Value Setter(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (FormatData* d = DataOf(self)) Write(m, *d, kFields[I].field, kFields[I].bit, Arg(args, 0));
    return Value();
}

template <std::size_t... I>
void DefineAll(Machine& m, Object* proto, std::index_sequence<I...>) {
    (DefineAccessor(m, proto, kFields[I].name, Getter<I>, Setter<I>), ...);
}

// The arguments name the fields in this order.
constexpr Field kArgOrder[] = {kFont, kSize, kColor, kBold, kItalic, kUnderline, kUrl,
                               kTarget, kAlign, kLeftMargin, kRightMargin, kIndent, kLeading};

Value Construct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o) return self;
    auto data = std::make_unique<FormatData>();
    for (std::size_t i = 0; i < args.size() && i < sizeof kArgOrder / sizeof kArgOrder[0]; ++i) {
        for (const auto& f : kFields)
            if (f.field == kArgOrder[i]) Write(m, *data, f.field, f.bit, args[i]);
    }
    o->SetNative(std::move(data));
    return self;
}

Value Call(Machine& m, const Value&, const std::vector<Value>& args) {
    return Construct(m, Value(m.NewObject(m.R().textFormatProto)), args);
}

// The measures of a text in this format, estimated from its size: no
// device font's metrics are known here.
Value GetTextExtent(Machine& m, const Value& self, const std::vector<Value>& args) {
    const FormatData* d = DataOf(self);
    if (!d) return Value();
    const double size = d->patch.mask & kFmtSize ? std::clamp(d->patch.format.size, 0.0, 1000.0) : 12;
    const std::string text = m.ToString(Arg(args, 0));
    const double width = std::round(static_cast<double>(Utf8Length(text)) * size * 0.5);
    const double ascent = std::round(size * 0.9), descent = std::round(size * 0.25);
    Object* o = m.NewObject();
    o->Define("ascent", Value(ascent), 0);
    o->Define("descent", Value(descent), 0);
    o->Define("width", Value(width), 0);
    o->Define("height", Value(ascent + descent), 0);
    o->Define("textFieldHeight", Value(ascent + descent + 4), 0);
    o->Define("textFieldWidth", Value(width + 4), 0);
    return Value(o);
}

}  // namespace

Object* NewTextFormat(Machine& m, const SwfFormatPatch& patch) {
    Object* o = m.NewObject(m.R().textFormatProto);
    o->Define("constructor", m.Get(Value(m.R().textFormatProto), "constructor"), kDontEnum);
    auto data = std::make_unique<FormatData>();
    data->patch = patch;
    o->SetNative(std::move(data));
    return o;
}

bool TextFormatPatch(Machine&, const Value& v, SwfFormatPatch& patch) {
    const FormatData* d = DataOf(v);
    if (!d) return false;
    patch = d->patch;
    return true;
}

void InstallTextFormat(Machine& m) {
    Object* proto = m.R().textFormatProto;
    DefineAll(m, proto, std::make_index_sequence<sizeof kFields / sizeof kFields[0]>());
    DefineMethod(m, proto, "getTextExtent", GetTextExtent);
    DefineClass(m, "TextFormat", Call, Construct, proto);
}

}  // namespace fh::avm1
