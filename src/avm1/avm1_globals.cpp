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
    const Value& v = Arg(args, 0);
    m.GetHost().Trace(v.IsUndefined() ? std::string("undefined") : m.ToString(v));
    return Value();
}

Value IsNaN(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(std::isnan(m.ToNumber(Arg(args, 0))));
}

Value IsFinite(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(static_cast<bool>(std::isfinite(m.ToNumber(Arg(args, 0)))));
}

Value ParseInt(Machine& m, const Value&, const std::vector<Value>& args) {
    std::string s = m.ToString(Arg(args, 0));
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int radix = Arg(args, 1).IsUndefined() ? 0 : ToInt32(m.ToNumber(Arg(args, 1)));
    if (radix != 0 && (radix < 2 || radix > 36)) return Value(kNaN);
    bool hexPrefix = i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X');
    if ((radix == 0 || radix == 16) && hexPrefix) {
        radix = 16;
        i += 2;
    } else if (radix == 0) {
        // A leading zero reads as octal, as the players did.
        radix = i + 1 < s.size() && s[i] == '0' && DigitValue(s[i + 1]) < 8 ? 8 : 10;
    }
    double v = 0;
    std::size_t digits = 0;
    for (; i < s.size() && DigitValue(s[i]) < radix; ++i, ++digits) v = v * radix + DigitValue(s[i]);
    if (digits == 0) return Value(kNaN);
    return Value(negative ? -v : v);
}

Value ParseFloat(Machine& m, const Value&, const std::vector<Value>& args) {
    std::string s = m.ToString(Arg(args, 0));
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    return Value(DecimalPrefix(std::string_view(s).substr(i)));
}

Value Escape(Machine& m, const Value&, const std::vector<Value>& args) {
    std::string s = m.ToString(Arg(args, 0));
    std::string out;
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '-' || u == '_' ||
            u == '.') {
            out += c;
        } else {
            out += '%';
            out += "0123456789ABCDEF"[u >> 4];
            out += "0123456789ABCDEF"[u & 15];
        }
    }
    m.CheckString(out.size());
    return Value(std::move(out));
}

Value Unescape(Machine& m, const Value&, const std::vector<Value>& args) {
    std::string s = m.ToString(Arg(args, 0));
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() + 0 && DigitValue(s[i + 1]) < 16 && DigitValue(s[i + 2]) < 16) {
            out += static_cast<char>(DigitValue(s[i + 1]) * 16 + DigitValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
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
    Object* ctor = NewNative(m, call);
    ctor->Function()->construct = construct;
    ctor->Define("prototype", Value(proto), kDontEnum | kDontDelete);
    proto->Define("constructor", Value(ctor), kDontEnum);
    m.R().global->Define(name, Value(ctor), kDontEnum);
    return ctor;
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
}

}  // namespace fh::avm1
