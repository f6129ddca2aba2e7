// TextField.prototype's properties: each a getter and a setter over the
// field of the object it is read on, as in the players from version 8.

#include <algorithm>
#include <cmath>
#include <utility>

#include "avm1/avm1_text.h"

namespace fh::avm1 {

namespace {

enum Prop {
    kText, kHtmlText, kHtml, kTextColor, kAutoSize, kWordWrap, kMultiline, kBorder, kBorderColor, kBackground,
    kBackgroundColor, kSelectable, kType, kMaxChars, kVariable, kLength, kScroll, kMaxScroll, kHScroll, kMaxHScroll,
    kBottomScroll, kTextWidth, kTextHeight, kEmbedFonts, kPassword, kCondenseWhite, kRestrict, kAntiAliasType,
    kGridFitType, kSharpness, kThickness, kFilters, kMouseWheelEnabled,
};

struct PropDef {
    const char* name;
    Prop prop;
    bool readOnly;
};

constexpr PropDef kProps[] = {
    {"text", kText, false}, {"htmlText", kHtmlText, false}, {"html", kHtml, false},
    {"textColor", kTextColor, false}, {"autoSize", kAutoSize, false}, {"wordWrap", kWordWrap, false},
    {"multiline", kMultiline, false}, {"border", kBorder, false}, {"borderColor", kBorderColor, false},
    {"background", kBackground, false}, {"backgroundColor", kBackgroundColor, false},
    {"selectable", kSelectable, false}, {"type", kType, false}, {"maxChars", kMaxChars, false},
    {"variable", kVariable, false}, {"length", kLength, true}, {"scroll", kScroll, false},
    {"maxscroll", kMaxScroll, true}, {"hscroll", kHScroll, false}, {"maxhscroll", kMaxHScroll, true},
    {"bottomScroll", kBottomScroll, true}, {"textWidth", kTextWidth, true}, {"textHeight", kTextHeight, true},
    {"embedFonts", kEmbedFonts, false}, {"password", kPassword, false}, {"condenseWhite", kCondenseWhite, false},
    {"restrict", kRestrict, false}, {"antiAliasType", kAntiAliasType, false}, {"gridFitType", kGridFitType, false},
    {"sharpness", kSharpness, false}, {"thickness", kThickness, false}, {"filters", kFilters, false},
    {"mouseWheelEnabled", kMouseWheelEnabled, false},
};

const char* AutoSizeName(SwfAutoSize a) {
    switch (a) {
    case SwfAutoSize::Left: return "left";
    case SwfAutoSize::Center: return "center";
    case SwfAutoSize::Right: return "right";
    default: return "none";
    }
}

std::uint32_t Rgb(Machine& m, const Value& v) { return ToUint32(m.ToNumber(v)) & 0xFFFFFF; }

double Clamped(Machine& m, const Value& v, double most) {
    const double n = m.ToNumber(v);
    return std::isnan(n) ? 0 : std::clamp(n, -most, most);
}

Value Read(Machine& m, TimelineId t, SwfEditText& f, Prop p) {
    const int version = m.Version();
    switch (p) {
    case kText:
        if (!f.variable.empty()) SyncFieldVariable(m, t, false);
        return Value(FieldText(*m.GetHost().TextField(t)));
    case kHtmlText:
        if (!f.variable.empty()) SyncFieldVariable(m, t, false);
        return Value(f.html ? f.Html() : FieldText(f));
    case kHtml: return Value(f.html);
    case kTextColor: return Value(static_cast<double>(f.newFormat.color));
    case kAutoSize: return Value(AutoSizeName(f.autoSize));
    case kWordWrap: return Value(f.wordWrap);
    case kMultiline: return Value(f.multiline);
    case kBorder: return Value(f.border);
    case kBorderColor: return Value(static_cast<double>(f.borderColor));
    case kBackground: return Value(f.background);
    case kBackgroundColor: return Value(static_cast<double>(f.backgroundColor));
    case kSelectable: return Value(f.selectable);
    case kType: return Value(f.input ? "input" : "dynamic");
    case kMaxChars: return f.maxChars ? Value(f.maxChars) : Value::Null();
    case kVariable: return f.variable.empty() ? Value::Null() : Value(f.variable);
    case kLength: return Value(static_cast<double>(f.Length()));
    case kEmbedFonts: return Value(f.embedFonts);
    case kPassword: return Value(f.password);
    case kCondenseWhite: return Value(f.condenseWhite);
    case kRestrict: return f.restrictSet ? Value(f.restrict) : Value::Null();
    case kAntiAliasType: return Value(f.antiAliasType);
    case kGridFitType: return Value(f.gridFitType);
    case kSharpness: return Value(f.sharpness);
    case kThickness: return Value(f.thickness);
    case kFilters: return Value(m.NewArray());
    case kMouseWheelEnabled: return Value(true);
    case kHScroll: return Value(f.hscroll);
    default: break;
    }
    // What the layout measures.
    const SwfTextMetrics metrics = m.GetHost().TextMetrics(t);
    const SwfEditText* now = m.GetHost().TextField(t);
    if (!now) return Value();
    const int maxScroll = std::max(1, metrics.lines - metrics.visibleLines + 1);
    switch (p) {
    case kScroll: return Value(std::min(now->scroll, maxScroll));
    case kMaxScroll: return Value(maxScroll);
    case kBottomScroll: return Value(std::min(now->scroll, maxScroll) + metrics.visibleLines - 1);
    case kTextWidth: return Value(std::round(metrics.width / 20));
    case kTextHeight: return Value(std::round(metrics.height / 20));
    case kMaxHScroll: {
        const double room = (now->bounds.xMax - now->bounds.xMin - 80) / 20.0;
        return Value(std::max(0.0, std::ceil(metrics.width / 20 - room)));
    }
    default: break;
    }
    (void)version;
    return Value();
}

void Write(Machine& m, TimelineId t, SwfEditText& f, Prop p, const Value& v) {
    const int version = m.Version();
    switch (p) {
    case kText: SetFieldText(m, t, m.ToString(v), false); return;
    case kHtmlText: SetFieldText(m, t, m.ToString(v), true); return;
    case kHtml: f.html = ToBoolean(v, version); break;
    case kTextColor: {
        SwfFormatPatch patch;
        patch.format.color = Rgb(m, v);
        patch.mask = kFmtColor;
        f.SetFormat(0, f.Length(), patch);
        f.newFormat.color = patch.format.color;
        break;
    }
    case kAutoSize:
        if (v.IsBoolean()) {
            f.autoSize = v.Bool() ? SwfAutoSize::Left : SwfAutoSize::None;
        } else {
            const std::string s = m.ToString(v);
            f.autoSize = NameIs(s, "left")     ? SwfAutoSize::Left
                         : NameIs(s, "center") ? SwfAutoSize::Center
                         : NameIs(s, "right")  ? SwfAutoSize::Right
                                               : SwfAutoSize::None;
        }
        break;
    case kWordWrap: f.wordWrap = ToBoolean(v, version); break;
    case kMultiline: f.multiline = ToBoolean(v, version); break;
    case kBorder: f.border = ToBoolean(v, version); break;
    case kBorderColor: f.borderColor = Rgb(m, v); break;
    case kBackground: f.background = ToBoolean(v, version); break;
    case kBackgroundColor: f.backgroundColor = Rgb(m, v); break;
    case kSelectable: f.selectable = ToBoolean(v, version); break;
    case kType: {
        const std::string s = m.ToString(v);
        if (NameIs(s, "input")) f.input = true;
        if (NameIs(s, "dynamic")) f.input = false;
        break;
    }
    case kMaxChars: {
        const double n = m.ToNumber(v);
        f.maxChars = std::isfinite(n) ? static_cast<int>(std::clamp(n, 0.0, 1e9)) : 0;
        break;
    }
    case kVariable:
        f.variable = v.IsNullish() ? std::string() : m.ToString(v);
        SyncFieldVariable(m, t, true);
        break;
    case kScroll: f.scroll = static_cast<int>(std::clamp(Clamped(m, v, 1e9), 1.0, 1e9)); break;
    case kHScroll: f.hscroll = static_cast<int>(std::clamp(Clamped(m, v, 1e9), 0.0, 1e9)); break;
    case kEmbedFonts: f.embedFonts = ToBoolean(v, version); break;
    case kPassword: f.password = ToBoolean(v, version); break;
    case kCondenseWhite: f.condenseWhite = ToBoolean(v, version); break;
    case kRestrict:
        f.restrictSet = !v.IsNullish();
        f.restrict = f.restrictSet ? m.ToString(v) : std::string();
        break;
    case kAntiAliasType: {
        const std::string s = m.ToString(v);
        if (s == "normal" || s == "advanced") f.antiAliasType = s;
        break;
    }
    case kGridFitType: {
        const std::string s = m.ToString(v);
        if (s == "none" || s == "pixel" || s == "subpixel") f.gridFitType = s;
        break;
    }
    case kSharpness: f.sharpness = Clamped(m, v, 400); break;
    case kThickness: f.thickness = Clamped(m, v, 200); break;
    default: return;
    }
    FieldChanged(m, t);
}

template <Prop P>
Value Getter(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t;
    SwfEditText* f = FieldOf(m, self, t);
    return f ? Read(m, t, *f, P) : Value();
}

template <Prop P>
Value Setter(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t;
    if (SwfEditText* f = FieldOf(m, self, t)) Write(m, t, *f, P, Arg(args, 0));
    return Value();
}

template <std::size_t... I>
void DefineAll(Machine& m, Object* proto, std::index_sequence<I...>) {
    (DefineAccessor(m, proto, kProps[I].name, &Getter<kProps[I].prop>,
                    kProps[I].readOnly ? nullptr : &Setter<kProps[I].prop>),
     ...);
}

}  // namespace

void InstallTextFieldProperties(Machine& m, Object* proto) {
    DefineAll(m, proto, std::make_index_sequence<sizeof kProps / sizeof kProps[0]>());
}

}  // namespace fh::avm1
