// Array: the constructor, and what the machine itself needs of an array
// (join, and toString through it). Its other methods are added here.

#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// new Array(n) is n empty slots; any other arguments are the elements. A
// negative n is kept as the length of an array with none, until one is set.
Value ArrayConstruct(Machine& m, const Value&, const std::vector<Value>& args) {
    if (args.size() == 1 && args[0].IsNumber()) {
        Object* a = m.NewArray();
        double n = args[0].Number();
        if (n >= 0 && n == std::floor(n)) m.SetArrayLength(a, n);
        if (n < 0) a->Define("length", Value(n), kDontEnum);
        return Value(a);
    }
    return Value(m.NewArray(args));
}

Value Join(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = self.Obj();
    if (!a || a->Kind() != ObjKind::Array) return Value("");
    std::string sep = Arg(args, 0).IsUndefined() ? std::string(",") : m.ToString(Arg(args, 0));
    std::string out;
    // Elements may change while they print: read each by index.
    for (std::size_t i = 0; i < a->Elements().size(); ++i) {
        if (i) out += sep;
        Value v = a->Elements()[i];
        out += m.ToString(v);
        m.CheckString(out.size());
    }
    return Value(std::move(out));
}

Value ArrayToString(Machine& m, const Value& self, const std::vector<Value>&) { return Join(m, self, {}); }

}  // namespace

void InstallArray(Machine& m) {
    Object* proto = m.R().arrayProto;
    DefineMethod(m, proto, "join", Join);
    DefineMethod(m, proto, "toString", ArrayToString);
    DefineClass(m, "Array", ArrayConstruct, ArrayConstruct, proto);
}

}  // namespace fh::avm1
