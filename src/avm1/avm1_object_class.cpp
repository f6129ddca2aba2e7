// Object and Function: the root prototype's methods (own properties,
// getters and setters, watchers) and a function's call and apply.

#include <algorithm>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

bool HasOwn(Machine& m, Object* o, const std::string& name) {
    if (name.size() == 9 && NameIs(name, "__proto__")) return o->Proto() != nullptr;
    if (o->Kind() == ObjKind::Array) {
        double n = StringToNumber(name, m.Version());
        if (n >= 0 && n < static_cast<double>(o->Elements().size()) && NumberToString(n) == name)
            return o->ElementPresent(static_cast<std::size_t>(n));
    }
    return o->FindAny(name) != nullptr;
}

Object* IsFunction(const Value& v) {
    Object* o = v.Obj();
    return o && o->Kind() == ObjKind::Function ? o : nullptr;
}

Value ObjectCall(Machine& m, const Value&, const std::vector<Value>& args) {
    const Value& v = Arg(args, 0);
    if (v.IsNullish()) return Value(m.NewObject());
    return Value(m.ToObject(v));
}

Value ObjectConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Value& v = Arg(args, 0);
    if (v.IsNullish()) return self;
    return Value(m.ToObject(v));
}

Value HasOwnProperty(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    return Value(o && !args.empty() && HasOwn(m, o, m.ToString(args[0])));
}

Value PropertyIsEnumerable(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o) return Value(false);
    Property* p = o->FindOwn(m.ToString(Arg(args, 0)));
    return Value(p && !(p->flags & kDontEnum));
}

Value IsPrototypeOf(Machine&, const Value& self, const std::vector<Value>& args) {
    Object* o = Arg(args, 0).Obj();
    Object* proto = self.Obj();
    if (!o || !proto) return Value(false);
    Object* p = o->Proto();
    for (int depth = 0; p && depth < 256; ++depth, p = p->Proto())
        if (p == proto) return Value(true);
    return Value(false);
}

Value ObjectToString(Machine&, const Value& self, const std::vector<Value>&) {
    Object* o = self.Obj();
    return Value(o && o->Kind() == ObjKind::Function ? "[type Function]" : "[object Object]");
}

Value ObjectValueOf(Machine&, const Value& self, const std::vector<Value>&) { return self; }

Value AddProperty(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    std::string name = m.ToString(Arg(args, 0));
    Object* getter = IsFunction(Arg(args, 1));
    Object* setter = IsFunction(Arg(args, 2));
    if (!o || name.empty() || !getter || (!setter && !Arg(args, 2).IsNull())) return Value(false);
    Property* p = o->FindOwn(name);
    if (!p) {
        o->Define(name, Value(), 0);
        p = o->FindOwn(name);
    }
    p->getter = getter;
    p->setter = setter;
    return Value(true);
}

Value Watch(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    Object* fn = IsFunction(Arg(args, 1));
    std::string name = m.ToString(Arg(args, 0));
    if (!o || !fn || name.empty()) return Value(false);
    Property* p = o->FindOwn(name);
    if (!p) {
        o->Define(name, Value(), 0);
        p = o->FindOwn(name);
    }
    p->watcher = fn;
    p->watchData = Arg(args, 2);
    return Value(true);
}

Value Unwatch(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    Property* p = o ? o->FindOwn(m.ToString(Arg(args, 0))) : nullptr;
    if (!p || !p->watcher) return Value(false);
    p->watcher = nullptr;
    p->watchData = Value();
    return Value(true);
}

// Object.registerClass(symbol, constructor or null): kept for the host,
// which makes that symbol's clips with it.
Value RegisterClass(Machine& m, const Value&, const std::vector<Value>& args) {
    std::string symbol = m.ToString(Arg(args, 0));
    Object* ctor = IsFunction(Arg(args, 1));
    if (symbol.empty() || (!ctor && !Arg(args, 1).IsNull())) return Value(false);
    m.RegisterClass(symbol, ctor);
    return Value(true);
}

Value FunctionCall(Machine& m, const Value&, const std::vector<Value>&) { return Value(m.NewObject()); }

Value FunctionProtoCall(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::vector<Value> rest(args.size() > 1 ? args.begin() + 1 : args.end(), args.end());
    return m.Call(self, Arg(args, 0), rest);
}

Value FunctionApply(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::vector<Value> list;
    if (Object* a = Arg(args, 1).Obj()) {
        double n = m.ToNumber(m.Get(Value(a), "length"));
        std::size_t count = n > 0 ? static_cast<std::size_t>(std::min(n, 65536.0)) : 0;
        for (std::size_t i = 0; i < count; ++i) list.push_back(m.Get(Value(a), std::to_string(i)));
    }
    return m.Call(self, Arg(args, 0), list);
}

}  // namespace

void InstallObject(Machine& m) {
    Realm& r = m.R();
    Object* proto = r.objectProto;
    DefineMethod(m, proto, "hasOwnProperty", HasOwnProperty);
    DefineMethod(m, proto, "propertyIsEnumerable", PropertyIsEnumerable);
    DefineMethod(m, proto, "isPrototypeOf", IsPrototypeOf);
    DefineMethod(m, proto, "toString", ObjectToString);
    DefineMethod(m, proto, "valueOf", ObjectValueOf);
    DefineMethod(m, proto, "addProperty", AddProperty);
    DefineMethod(m, proto, "watch", Watch);
    DefineMethod(m, proto, "unwatch", Unwatch);
    Object* ctor = DefineClass(m, "Object", ObjectCall, ObjectConstruct, proto);
    DefineMethod(m, ctor, "registerClass", RegisterClass);
}

void InstallFunction(Machine& m) {
    Object* proto = m.R().functionProto;
    DefineMethod(m, proto, "call", FunctionProtoCall);
    DefineMethod(m, proto, "apply", FunctionApply);
    DefineClass(m, "Function", FunctionCall, nullptr, proto);
}

}  // namespace fh::avm1
