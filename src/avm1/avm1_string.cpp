// String: the constructor and conversion, and the wrapper's own value. Its
// other methods are added here.

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

Value StringCall(Machine& m, const Value&, const std::vector<Value>& args) {
    return args.empty() ? Value("") : Value(m.ToStr(args[0]));
}

Value StringConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o) return Value();
    Object* w = m.ToObject(StringCall(m, self, args));
    w->SetProto(o->Proto());
    for (const Property& p : o->Properties()) w->Define(p.name, p.value, p.flags);
    return Value(w);
}

// The text of `this`: a string, or a String wrapper's.
Value StringValueOf(Machine& m, const Value& self, const std::vector<Value>&) {
    if (self.IsString()) return self;
    Object* o = self.Obj();
    if (o && o->Kind() == ObjKind::String) return o->Primitive();
    return o ? Value("[object Object]") : Value(m.ToStr(self));
}

}  // namespace

void InstallString(Machine& m) {
    Object* proto = m.R().stringProto;
    DefineMethod(m, proto, "toString", StringValueOf);
    DefineMethod(m, proto, "valueOf", StringValueOf);
    DefineClass(m, "String", StringCall, StringConstruct, proto);
}

}  // namespace fh::avm1
