// _global's functions (conversions, parsing, escaping, ASSetPropFlags),
// the helpers every class installs itself with, and the one list of
// installers.

#include <cmath>
#include <limits>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

Value Trace(Machine& m, const Value&, const std::vector<Value>& args) {
    m.TraceValue(Arg(args, 0));
    return Value();
}

// No argument at all reads as NaN, even where undefined reads as 0.
Value IsNaN(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(args.empty() || std::isnan(m.ToNumber(args[0])));
}

Value IsFinite(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(!args.empty() && std::isfinite(m.ToNumber(args[0])));
}

// parseInt as the players read: "0x" only at the very start (white space
// and a sign may follow it), an octal number only when no white space leads
// it and every digit after the zero is one,
// and a radix given but out of range (or undefined) is NaN.
Value ParseInt(Machine& m, const Value&, const std::vector<Value>& args) {
    if (args.empty()) return Value();
    std::string s = m.ToString(args[0]);
    int radix = 0;
    if (args.size() > 1) {
        radix = ToInt32(m.ToNumber(args[1]));
        if (radix < 2 || radix > 36) return Value(kNaN);
    }
    std::size_t i = 0;
    bool negative = false;
    auto sign = [&] {
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    };
    auto hexAt = [&](std::size_t k) { return k + 1 < s.size() && s[k] == '0' && (s[k + 1] == 'x' || s[k + 1] == 'X'); };
    if (hexAt(0)) {
        i = 2;
        if (radix == 0) radix = 16;
        while (i < s.size() && IsSpace(s[i])) ++i;
        sign();
    } else if (s.size() > 1 && (s[0] == '-' || s[0] == '+') && hexAt(1)) {
        // A sign before "0x" loses it: only a radix in which x is a digit reads on.
        if (radix == 0 || DigitValue(s[2]) >= radix) return Value(kNaN);
        i = 1;
    } else {
        while (i < s.size() && IsSpace(s[i])) ++i;
        bool spaced = i > 0;
        sign();
        if (radix == 0) {
            bool octal = !spaced && i + 1 < s.size() && s[i] == '0';
            for (std::size_t k = i; octal && k < s.size(); ++k) octal = s[k] >= '0' && s[k] <= '7';
            radix = octal ? 8 : 10;
        }
    }
    double v = 0;
    std::size_t digits = 0;
    for (; i < s.size() && DigitValue(s[i]) < radix; ++i, ++digits) v = v * radix + DigitValue(s[i]);
    if (digits == 0) return Value(kNaN);
    return Value(negative ? -v : v);
}

// parseFloat reads as the players did: dots after the first are passed over
// (and no exponent is read then), the exponent wraps as a 32-bit integer,
// and each digit after the dot is added at its place, not always giving the
// nearest double.
double FloatPrefix(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    double v = 0;
    double place = 1;
    std::size_t digits = 0, dots = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            if (dots) {
                place /= 10;
                v += (c - '0') * place;
            } else {
                v = v * 10 + (c - '0');
            }
            ++digits;
        } else if (c == '.') {
            ++dots;
        } else {
            break;
        }
    }
    if (digits == 0) return kNaN;
    double exponent = 0;
    if (dots <= 1 && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool down = false;
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) down = s[j++] == '-';
        std::uint32_t e = 0;
        for (; j < s.size() && s[j] >= '0' && s[j] <= '9'; ++j) e = e * 10 + static_cast<std::uint32_t>(s[j] - '0');
        exponent = static_cast<std::int32_t>(down ? 0u - e : e);
    }
    v = exponent >= 0 ? v * std::pow(10.0, exponent) : v / std::pow(10.0, -exponent);
    return negative ? -v : v;
}

Value ParseFloat(Machine& m, const Value&, const std::vector<Value>& args) {
    if (args.empty()) return Value();
    std::string s = m.ToString(Arg(args, 0));
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    return Value(FloatPrefix(std::string_view(s).substr(i)));
}

Value Escape(Machine& m, const Value&, const std::vector<Value>& args) {
    std::string out;
    AppendUrlEscaped(out, m.ToString(Arg(args, 0)));
    m.CheckString(out.size());
    return Value(std::move(out));
}

// "+" is a space; a "%" without two hex digits is dropped with what it read.
Value Unescape(Machine& m, const Value&, const std::vector<Value>& args) {
    std::string s = m.ToString(Arg(args, 0));
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] != '%') {
            out += s[i];
        } else if (i + 2 < s.size() && DigitValue(s[i + 1]) < 16 && DigitValue(s[i + 2]) < 16) {
            out += static_cast<char>(DigitValue(s[i + 1]) * 16 + DigitValue(s[i + 2]));
            i += 2;
        } else {
            i += i + 1 < s.size() && DigitValue(s[i + 1]) < 16 ? 2 : 1;
        }
    }
    return Value(std::move(out));
}

// ASSetPropFlags(object, names (a comma list, an array, or null for all), set, clear).
Value SetPropFlags(Machine& m, const Value&, const std::vector<Value>& args) {
    Object* o = Arg(args, 0).Obj();
    if (!o) return Value();
    std::uint32_t set = ToUint32(m.ToNumber(Arg(args, 2)));
    std::uint32_t clear = args.size() > 3 ? ToUint32(m.ToNumber(Arg(args, 3))) : 0;
    auto apply = [&](Property& p) { p.flags = ((p.flags & ~clear) | set) & kKnownFlags; };
    const Value& names = Arg(args, 1);
    if (names.IsNull()) {
        for (Property& p : o->Properties()) apply(p);
        return Value();
    }
    std::vector<std::string> list;
    if (Object* a = names.Obj()) {
        for (const Value& v : a->Elements()) list.push_back(m.ToString(v));
    } else {
        std::string s = m.ToString(names);
        std::size_t b = 0;
        for (std::size_t i = 0; i <= s.size(); ++i)
            if (i == s.size() || s[i] == ',') {
                list.push_back(s.substr(b, i - b));
                b = i + 1;
            }
    }
    std::string key;
    for (Property& p : o->Properties()) {
        key = m.GetHeap().Key(p.name);
        for (const std::string& n : list)
            if (m.GetHeap().Key(n) == key) apply(p);
    }
    return Value();
}

}  // namespace

void AppendUrlEscaped(std::string& out, const std::string& text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '-' || u == '_' ||
            u == '.') {
            out += c;
        } else {
            out += '%';
            out += "0123456789ABCDEF"[u >> 4];
            out += "0123456789ABCDEF"[u & 15];
        }
    }
}

Object* NewNative(Machine& m, NativeFn fn) {
    Object* o = m.GetHeap().New(ObjKind::Function, m.R().functionProto);
    if (!o) m.Cut();
    o->Function()->native = fn;
    return o;
}

void DefineMethod(Machine& m, Object* on, const std::string& name, NativeFn fn) {
    on->Define(name, Value(NewNative(m, fn)), kDontEnum);
}

Object* DefineClass(Machine& m, const std::string& name, NativeFn call, NativeFn construct, Object* proto) {
    return DefineClassIn(m, m.R().global, name, call, construct, proto);
}

Object* DefineClassIn(Machine& m, Object* on, const std::string& name, NativeFn call, NativeFn construct,
                      Object* proto) {
    Object* ctor = NewNative(m, call);
    ctor->Function()->construct = construct;
    ctor->Define("prototype", Value(proto), kDontEnum | kDontDelete);
    proto->Define("constructor", Value(ctor), kDontEnum);
    on->Define(name, Value(ctor), kDontEnum);
    return ctor;
}

Object* DefinePackage(Machine& m, const std::string& dotted) {
    Object* at = m.R().global;
    std::size_t begin = 0;
    while (begin <= dotted.size()) {
        std::size_t end = dotted.find('.', begin);
        if (end == std::string::npos) end = dotted.size();
        const std::string part = dotted.substr(begin, end - begin);
        Property* p = at->FindAny(part);
        Object* next = p ? p->value.Obj() : nullptr;
        if (!next) {
            next = m.NewObject();
            at->Define(part, Value(next), at == m.R().global ? kDontEnum | kVersion8 : kDontEnum);
        }
        at = next;
        begin = end + 1;
    }
    return at;
}

void DefineAccessor(Machine& m, Object* on, const std::string& name, NativeFn get, NativeFn set,
                    std::uint32_t flags) {
    on->Define(name, Value(), flags);
    Property* p = on->FindAny(name);
    p->getter = get ? NewNative(m, get) : nullptr;
    p->setter = set ? NewNative(m, set) : nullptr;
}

void InstallGlobals(Machine& m) {
    Object* g = m.R().global;
    DefineMethod(m, g, "trace", Trace);
    DefineMethod(m, g, "isNaN", IsNaN);
    DefineMethod(m, g, "isFinite", IsFinite);
    DefineMethod(m, g, "parseInt", ParseInt);
    DefineMethod(m, g, "parseFloat", ParseFloat);
    DefineMethod(m, g, "escape", Escape);
    DefineMethod(m, g, "unescape", Unescape);
    DefineMethod(m, g, "ASSetPropFlags", SetPropFlags);
    g->Define("NaN", Value(kNaN), kDontEnum | kDontDelete);
    g->Define("Infinity", Value(HUGE_VAL), kDontEnum | kDontDelete);
}

void InstallClasses(Machine& m) {
    Heap& heap = m.GetHeap();
    Realm& r = m.R();
    // The prototypes first: every installer links its objects to them.
    r.objectProto = heap.New(ObjKind::Plain, nullptr);
    r.functionProto = heap.New(ObjKind::Plain, r.objectProto);
    // _global inherits nothing: it converts to no primitive, as in the players.
    r.global = heap.New(ObjKind::Plain, nullptr);
    r.arrayProto = heap.New(ObjKind::Plain, r.objectProto);
    r.stringProto = heap.New(ObjKind::Plain, r.objectProto);
    r.numberProto = heap.New(ObjKind::Plain, r.objectProto);
    r.booleanProto = heap.New(ObjKind::Plain, r.objectProto);
    r.movieClipProto = heap.New(ObjKind::Plain, r.objectProto);
    r.errorProto = heap.New(ObjKind::Plain, r.objectProto);
    r.colorProto = heap.New(ObjKind::Plain, r.objectProto);
    r.textFieldProto = heap.New(ObjKind::Plain, r.objectProto);
    r.textFormatProto = heap.New(ObjKind::Plain, r.objectProto);
    InstallObject(m);
    InstallFunction(m);
    InstallGlobals(m);
    InstallTimers(m);
    InstallArray(m);
    InstallString(m);
    InstallNumberBoolean(m);
    InstallArrayMethods(m);
    InstallArraySort(m);
    InstallStringMethods(m);
    InstallMath(m);
    InstallDate(m);
    InstallError(m);
    InstallMovieClip(m);
    InstallMovieClipDraw(m);
    InstallMovieClipGeom(m);
    InstallColor(m);
    // Before the objects that broadcast (Stage, Key, Mouse, text fields).
    InstallAsBroadcaster(m);
    InstallPlayerObjects(m);
    InstallContextMenu(m);
    InstallGeom(m);
    InstallGeomMatrix(m);
    InstallBitmapData(m);
    InstallXml(m);
    InstallLoadVars(m);
    InstallTextField(m);
    InstallTextFormat(m);
    InstallSelection(m);
    InstallButton(m);
    InstallFilters(m);
    InstallClipEffects(m);
}

}  // namespace fh::avm1
