// setInterval, setTimeout and their clearing, on the frame clock the host
// advances with Machine::Tick.

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// (function, delay, args...) or (object, "method", delay, args...).
Value SetTimer(Machine& m, const std::vector<Value>& args, bool repeat) {
    const Value& first = Arg(args, 0);
    Object* o = first.Obj();
    if (!o) return Value();
    std::size_t rest;
    Value fn, self;
    std::string method;
    if (o->Kind() == ObjKind::Function) {
        fn = first;
        rest = 1;
    } else {
        self = first;
        method = m.ToString(Arg(args, 1));
        rest = 2;
    }
    double delay = m.ToNumber(Arg(args, rest));
    std::vector<Value> extra(args.size() > rest + 1 ? args.begin() + static_cast<std::ptrdiff_t>(rest) + 1 : args.end(),
                             args.end());
    double id = m.AddInterval(fn, self, method, std::move(extra), delay, repeat);
    return id > 0 ? Value(id) : Value();
}

Value SetInterval(Machine& m, const Value&, const std::vector<Value>& args) { return SetTimer(m, args, true); }

Value SetTimeout(Machine& m, const Value&, const std::vector<Value>& args) { return SetTimer(m, args, false); }

Value ClearInterval(Machine& m, const Value&, const std::vector<Value>& args) {
    m.ClearInterval(m.ToNumber(Arg(args, 0)));
    return Value();
}

}  // namespace

void InstallTimers(Machine& m) {
    Object* g = m.R().global;
    DefineMethod(m, g, "setInterval", SetInterval);
    DefineMethod(m, g, "clearInterval", ClearInterval);
    DefineMethod(m, g, "setTimeout", SetTimeout);
    DefineMethod(m, g, "clearTimeout", ClearInterval);
}

}  // namespace fh::avm1
