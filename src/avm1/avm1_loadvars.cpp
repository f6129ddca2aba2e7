// LoadVars: an object whose properties travel as URL-encoded pairs.
// decode reads "a=1&b=2" into properties, toString writes them back in the
// order for-in lists them; loading fetches nothing (as for XML).

#include <unordered_set>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_xml.h"

namespace fh::avm1 {

namespace {

// How many prototypes toString follows, as for-in does.
constexpr int kMaxChain = 256;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "+" is a space and %XX a byte; a "%" without two hex digits stays as written.
std::string Decoded(const std::string& text, std::size_t begin, std::size_t end) {
    std::string out;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < end && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

Value LoadVarsConstruct(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

Value Decode(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!self.IsObject()) return Value();
    const std::string text = m.ToString(Arg(args, 0));
    m.Charge(text.size() / 64);
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('&', begin);
        if (end == std::string::npos) end = text.size();
        std::size_t eq = text.find('=', begin);
        if (eq == std::string::npos || eq > end) eq = end;
        if (eq > begin) {
            const std::string value = eq < end ? Decoded(text, eq + 1, end) : std::string();
            m.Set(self, Decoded(text, begin, eq), Value(value));
            m.Charge(1);
        }
        begin = end + 1;
    }
    return Value();
}

// Every enumerable property, own and inherited, newest first, as name=value pairs.
Value LoadVarsToString(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* o = self.Obj();
    if (!o) return Value("");
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    Heap& heap = m.GetHeap();
    for (int depth = 0; o && depth < kMaxChain; ++depth, o = o->Proto()) {
        const std::vector<Property>& props = o->Properties();
        m.Charge(props.size() / 16);
        for (std::size_t i = props.size(); i-- > 0;) {
            if (!seen.insert(heap.Key(props[i].name)).second) continue;
            if (!(props[i].flags & kDontEnum) && !HiddenFor(props[i].flags, m.Version()))
                names.push_back(props[i].name);
        }
    }
    m.Charge(names.size());
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty()) out += '&';
        AppendUrlEscaped(out, name);
        out += '=';
        AppendUrlEscaped(out, m.ToString(m.Get(self, name)));
        m.CheckString(out.size());
    }
    return Value(std::move(out));
}

// The default onData: text arrived is decoded and reported loaded; none reports a failure.
Value LoadVarsOnData(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (Arg(args, 0).IsUndefined()) {
        m.CallMethod(self, "onLoad", {Value(false)});
        return Value();
    }
    m.CallMethod(self, "decode", {Arg(args, 0)});
    m.Set(self, "loaded", Value(true));
    m.CallMethod(self, "onLoad", {Value(true)});
    return Value();
}

Value Ignore(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

}  // namespace

void InstallLoadVars(Machine& m) {
    Object* proto = m.NewObject();
    DefineMethod(m, proto, "decode", Decode);
    DefineMethod(m, proto, "toString", LoadVarsToString);
    DefineMethod(m, proto, "onData", LoadVarsOnData);
    DefineMethod(m, proto, "onLoad", Ignore);
    InstallXmlLoading(m, proto);
    DefineClass(m, "LoadVars", LoadVarsConstruct, LoadVarsConstruct, proto);
}

}  // namespace fh::avm1
