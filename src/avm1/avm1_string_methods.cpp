// String's methods. Positions count UTF-16 units, as the players count
// them, so the text is converted for each call; a method called on any
// other value works on that value's text.

#include <algorithm>
#include <cmath>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_utf16.h"

namespace fh::avm1 {

namespace {

// Converting a text costs about an action per kilobyte.
constexpr std::size_t kBytesPerAction = 1024;

std::string ThisText(Machine& m, const Value& self) {
    std::string text;
    Object* o = self.Obj();
    if (self.IsString()) {
        text = self.String().Text();
    } else if (o && o->Kind() == ObjKind::String && o->Primitive().IsString()) {
        text = o->Primitive().String().Text();
    } else {
        text = m.ToString(self);
    }
    m.Charge(text.size() / kBytesPerAction);
    return text;
}

std::u16string ThisUnits(Machine& m, const Value& self) { return Utf8ToUtf16(ThisText(m, self)); }

// An argument as an integer, or `fallback` when it is missing or undefined.
double IntegerArg(Machine& m, const std::vector<Value>& args, std::size_t i, double fallback) {
    const Value& v = Arg(args, i);
    return v.IsUndefined() ? fallback : ToInteger(m.ToNumber(v));
}

std::size_t Clamp(double n, std::size_t length) {
    return static_cast<std::size_t>(std::min(std::max(n, 0.0), static_cast<double>(length)));
}

// A position where negative counts from the end, clamped to [0, length].
std::size_t FromEnd(double n, std::size_t length) {
    return n < 0 ? Clamp(static_cast<double>(length) + n, length) : Clamp(n, length);
}

Value Units(const std::u16string& s, std::size_t begin, std::size_t end) {
    return end > begin ? Value(Utf16ToUtf8(s.data() + begin, end - begin)) : Value("");
}

Value CharAt(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    double i = IntegerArg(m, args, 0, 0);
    if (i < 0 || i >= static_cast<double>(s.size())) return Value("");
    auto at = static_cast<std::size_t>(i);
    return Units(s, at, at + 1);
}

Value CharCodeAt(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    double i = IntegerArg(m, args, 0, 0);
    if (i < 0 || i >= static_cast<double>(s.size())) return Value(std::nan(""));
    return Value(static_cast<double>(s[static_cast<std::size_t>(i)]));
}

Value Concat(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::string out = ThisText(m, self);
    for (const Value& v : args) {
        out += m.ToString(v);
        m.CheckString(out.size());
    }
    return Value(std::move(out));
}

Value IndexOf(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    std::u16string search = Utf8ToUtf16(m.ToString(Arg(args, 0)));
    std::size_t from = Clamp(IntegerArg(m, args, 1, 0), s.size());
    std::size_t at = s.find(search, from);
    return Value(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
}

Value LastIndexOf(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    std::u16string search = Utf8ToUtf16(m.ToString(Arg(args, 0)));
    double n = Arg(args, 1).IsUndefined() ? HUGE_VAL : m.ToNumber(args[1]);
    std::size_t from = std::isnan(n) ? s.size() : Clamp(ToInteger(n), s.size());
    std::size_t at = s.rfind(search, from);
    return Value(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
}

Value Slice(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    std::size_t begin = FromEnd(IntegerArg(m, args, 0, 0), s.size());
    std::size_t end = FromEnd(IntegerArg(m, args, 1, static_cast<double>(s.size())), s.size());
    return Units(s, begin, end);
}

Value Substr(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    std::size_t begin = FromEnd(IntegerArg(m, args, 0, 0), s.size());
    double count = IntegerArg(m, args, 1, static_cast<double>(s.size()));
    std::size_t end = Clamp(static_cast<double>(begin) + std::max(count, 0.0), s.size());
    return Units(s, begin, end);
}

Value Substring(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    std::size_t begin = Clamp(IntegerArg(m, args, 0, 0), s.size());
    std::size_t end = Clamp(IntegerArg(m, args, 1, static_cast<double>(s.size())), s.size());
    if (begin > end) std::swap(begin, end);
    return Units(s, begin, end);
}

// split(separator, limit): an undefined separator gives the whole text as
// one element, "" gives each unit; at most `limit` elements.
Value Split(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::u16string s = ThisUnits(m, self);
    double limit = Arg(args, 1).IsUndefined() ? 4294967295.0 : ToUint32(m.ToNumber(args[1]));
    std::vector<Value> parts;
    auto add = [&](std::size_t begin, std::size_t end) {
        if (static_cast<double>(parts.size()) >= limit) return false;
        if (parts.size() >= m.GetLimits().maxArrayLength) m.Cut();
        parts.push_back(Units(s, begin, end));
        return true;
    };
    if (Arg(args, 0).IsUndefined()) {
        add(0, s.size());
    } else {
        std::u16string separator = Utf8ToUtf16(m.ToString(args[0]));
        if (separator.empty()) {
            for (std::size_t i = 0; i < s.size() && add(i, i + 1); ++i) {
            }
        } else {
            std::size_t begin = 0;
            for (;;) {
                std::size_t at = s.find(separator, begin);
                if (at == std::u16string::npos) {
                    add(begin, s.size());
                    break;
                }
                if (!add(begin, at)) break;
                begin = at + separator.size();
            }
        }
    }
    return Value(m.NewArray(std::move(parts)));
}

// Bytes that were no UTF-8 come back as two-byte characters, so the text
// can grow past the cap.
Value MapUnits(Machine& m, const Value& self, char16_t (*map)(char16_t)) {
    std::u16string s = ThisUnits(m, self);
    for (char16_t& c : s) c = map(c);
    std::string out = Utf16ToUtf8(s);
    m.CheckString(out.size());
    return Value(std::move(out));
}

Value ToLowerCase(Machine& m, const Value& self, const std::vector<Value>&) { return MapUnits(m, self, LowerUnit); }
Value ToUpperCase(Machine& m, const Value& self, const std::vector<Value>&) { return MapUnits(m, self, UpperUnit); }

// Code 0 adds nothing, as with chr: the players' strings end at a zero.
Value FromCharCode(Machine& m, const Value&, const std::vector<Value>& args) {
    std::u16string s;
    s.reserve(args.size());
    for (const Value& v : args)
        if (auto c = static_cast<char16_t>(ToUint32(m.ToNumber(v)) & 0xFFFF)) s += c;
    std::string out = Utf16ToUtf8(s);
    m.CheckString(out.size());
    return Value(std::move(out));
}

}  // namespace

void InstallStringMethods(Machine& m) {
    Object* proto = m.R().stringProto;
    DefineMethod(m, proto, "charAt", CharAt);
    DefineMethod(m, proto, "charCodeAt", CharCodeAt);
    DefineMethod(m, proto, "concat", Concat);
    DefineMethod(m, proto, "indexOf", IndexOf);
    DefineMethod(m, proto, "lastIndexOf", LastIndexOf);
    DefineMethod(m, proto, "slice", Slice);
    DefineMethod(m, proto, "split", Split);
    DefineMethod(m, proto, "substr", Substr);
    DefineMethod(m, proto, "substring", Substring);
    DefineMethod(m, proto, "toLowerCase", ToLowerCase);
    DefineMethod(m, proto, "toUpperCase", ToUpperCase);
    if (Object* ctor = m.Get(Value(proto), "constructor").Obj()) DefineMethod(m, ctor, "fromCharCode", FromCharCode);
}

}  // namespace fh::avm1
