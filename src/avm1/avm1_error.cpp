// Error: what scripts throw most; its message and its text.

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

Value ErrorConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!args.empty() && !args[0].IsUndefined()) m.Set(self, "message", args[0]);
    return self;
}

Value ErrorCall(Machine& m, const Value&, const std::vector<Value>& args) {
    Object* o = m.NewObject(m.R().errorProto);
    return ErrorConstruct(m, Value(o), args);
}

Value ErrorToString(Machine& m, const Value& self, const std::vector<Value>&) {
    return Value(m.ToStr(m.Get(self, "message")));
}

}  // namespace

void InstallError(Machine& m) {
    Object* proto = m.R().errorProto;
    proto->Define("message", Value("Error"), kDontEnum);
    proto->Define("name", Value("Error"), kDontEnum);
    DefineMethod(m, proto, "toString", ErrorToString);
    DefineClass(m, "Error", ErrorCall, ErrorConstruct, proto);
}

}  // namespace fh::avm1
