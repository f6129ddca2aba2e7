// Number and Boolean: constructors, conversions, and the wrappers' own
// values. Their other methods and constants are added here.

#include <cmath>
#include <limits>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// A wrapper made by `new` keeps what Construct gave it.
Value Wrap(Machine& m, const Value& self, const Value& primitive) {
    Object* o = self.Obj();
    if (!o) return primitive;
    Object* w = m.ToObject(primitive);
    w->SetProto(o->Proto());
    for (const Property& p : o->Properties()) w->Define(p.name, p.value, p.flags);
    return Value(w);
}

Value NumberCall(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(args.empty() ? 0.0 : m.ToNumber(args[0]));
}

Value NumberConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    return Wrap(m, self, NumberCall(m, self, args));
}

// Boolean() with no argument is undefined; new Boolean() is false.
Value BooleanCall(Machine& m, const Value&, const std::vector<Value>& args) {
    return args.empty() ? Value() : Value(ToBoolean(args[0], m.Version()));
}

Value BooleanConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    return Wrap(m, self, Value(!args.empty() && ToBoolean(args[0], m.Version())));
}

// The primitive of `this` when it is one of `kind` (or that primitive type itself).
bool ThisPrimitive(const Value& self, ObjKind kind, Type type, Value& out) {
    if (self.GetType() == type) {
        out = self;
        return true;
    }
    Object* o = self.Obj();
    if (!o || o->Kind() != kind) return false;
    out = o->Primitive();
    return true;
}

Value NumberToStringMethod(Machine& m, const Value& self, const std::vector<Value>& args) {
    Value n;
    if (!ThisPrimitive(self, ObjKind::Number, Type::Number, n)) return Value();
    int radix = Arg(args, 0).IsUndefined() ? 10 : ToInt32(m.ToNumber(Arg(args, 0)));
    return Value(NumberToRadix(n.Number(), radix));
}

Value NumberValueOf(Machine&, const Value& self, const std::vector<Value>&) {
    Value n;
    return ThisPrimitive(self, ObjKind::Number, Type::Number, n) ? n : Value();
}

Value BooleanToStringMethod(Machine&, const Value& self, const std::vector<Value>&) {
    Value b;
    if (!ThisPrimitive(self, ObjKind::Boolean, Type::Boolean, b)) return Value();
    return Value(b.Bool() ? "true" : "false");
}

Value BooleanValueOf(Machine&, const Value& self, const std::vector<Value>&) {
    Value b;
    return ThisPrimitive(self, ObjKind::Boolean, Type::Boolean, b) ? b : Value();
}

}  // namespace

void InstallNumberBoolean(Machine& m) {
    Object* number = m.R().numberProto;
    DefineMethod(m, number, "toString", NumberToStringMethod);
    DefineMethod(m, number, "valueOf", NumberValueOf);
    Object* ctor = DefineClass(m, "Number", NumberCall, NumberConstruct, number);
    ctor->Define("NaN", Value(std::numeric_limits<double>::quiet_NaN()), kDontEnum | kDontDelete | kReadOnly);
    ctor->Define("POSITIVE_INFINITY", Value(HUGE_VAL), kDontEnum | kDontDelete | kReadOnly);
    ctor->Define("NEGATIVE_INFINITY", Value(-HUGE_VAL), kDontEnum | kDontDelete | kReadOnly);
    ctor->Define("MAX_VALUE", Value(std::numeric_limits<double>::max()), kDontEnum | kDontDelete | kReadOnly);
    ctor->Define("MIN_VALUE", Value(std::numeric_limits<double>::denorm_min()), kDontEnum | kDontDelete | kReadOnly);

    Object* boolean = m.R().booleanProto;
    DefineMethod(m, boolean, "toString", BooleanToStringMethod);
    DefineMethod(m, boolean, "valueOf", BooleanValueOf);
    DefineClass(m, "Boolean", BooleanCall, BooleanConstruct, boolean);
}

}  // namespace fh::avm1
