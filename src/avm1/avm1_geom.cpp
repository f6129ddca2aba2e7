// flash.geom.Point, and the package's installer: the players' Flash 8
// point, whose fields keep whatever a script stored and whose methods
// convert them as numbers.

#include "avm1/avm1_geom.h"

#include <cmath>

namespace fh::avm1 {

namespace {

Object* GeomClass(Machine& m, const char* className) {
    Value package = m.Get(m.Get(Value(m.R().global), "flash"), "geom");
    Object* ctor = package.IsObject() ? m.Get(package, className).Obj() : nullptr;
    return ctor && ctor->Kind() == ObjKind::Function ? ctor : nullptr;
}

}  // namespace

Value NewGeom(Machine& m, const char* className, const std::vector<Value>& args) {
    if (Object* ctor = GeomClass(m, className)) return m.Construct(Value(ctor), args);
    return Value(m.NewObject());
}

bool IsGeom(Machine& m, const Value& v, const char* className) {
    Object* ctor = GeomClass(m, className);
    return ctor && m.InstanceOf(v, ctor);
}

namespace {

Value MakePoint(Machine& m, double x, double y) { return NewGeom(m, "Point", {Value(x), Value(y)}); }

Value PointConstruct(Machine&, const Value& self, const std::vector<Value>& args) {
    if (Object* o = self.Obj()) {
        // No arguments is the origin; any at all are kept as given.
        o->Define("x", args.empty() ? Value(0) : Arg(args, 0), 0);
        o->Define("y", args.empty() ? Value(0) : Arg(args, 1), 0);
    }
    return self;
}

Value PointCall(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

double X(Machine& m, const Value& v) { return NumberField(m, v, "x"); }
double Y(Machine& m, const Value& v) { return NumberField(m, v, "y"); }

Value Length(Machine& m, const Value& self, const std::vector<Value>&) {
    return Value(std::hypot(X(m, self), Y(m, self)));
}

Value Add(Machine& m, const Value& self, const std::vector<Value>& args) {
    return MakePoint(m, X(m, self) + X(m, Arg(args, 0)), Y(m, self) + Y(m, Arg(args, 0)));
}

Value Subtract(Machine& m, const Value& self, const std::vector<Value>& args) {
    return MakePoint(m, X(m, self) - X(m, Arg(args, 0)), Y(m, self) - Y(m, Arg(args, 0)));
}

Value Equals(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Value& o = Arg(args, 0);
    if (!IsGeom(m, o, "Point")) return Value(false);
    return Value(X(m, self) == X(m, o) && Y(m, self) == Y(m, o));
}

Value Clone(Machine& m, const Value& self, const std::vector<Value>&) {
    return NewGeom(m, "Point", {m.Get(self, "x"), m.Get(self, "y")});
}

Value Offset(Machine& m, const Value& self, const std::vector<Value>& args) {
    m.Set(self, "x", Value(X(m, self) + m.ToNumber(Arg(args, 0))));
    m.Set(self, "y", Value(Y(m, self) + m.ToNumber(Arg(args, 1))));
    return Value();
}

// A point of no length (or of none that compares, NaN) is left as it is.
Value Normalize(Machine& m, const Value& self, const std::vector<Value>& args) {
    const double length = std::hypot(X(m, self), Y(m, self));
    if (length > 0) {
        const double scale = m.ToNumber(Arg(args, 0)) / length;
        m.Set(self, "x", Value(X(m, self) * scale));
        m.Set(self, "y", Value(Y(m, self) * scale));
    }
    return Value();
}

Value ToText(Machine& m, const Value& self, const std::vector<Value>&) {
    std::string s = "(x=" + m.ToString(m.Get(self, "x")) + ", y=" + m.ToString(m.Get(self, "y")) + ")";
    m.CheckString(s.size());
    return Value(std::move(s));
}

// distance(a, b) is a.subtract(b).length: an object that is no point has no subtract.
Value Distance(Machine& m, const Value&, const std::vector<Value>& args) {
    Value difference = m.CallMethod(Arg(args, 0), "subtract", {Arg(args, 1)});
    return difference.IsObject() ? m.Get(difference, "length") : Value();
}

Value Interpolate(Machine& m, const Value&, const std::vector<Value>& args) {
    const Value &a = Arg(args, 0), &b = Arg(args, 1);
    const double f = m.ToNumber(Arg(args, 2));
    return MakePoint(m, X(m, b) + f * (X(m, a) - X(m, b)), Y(m, b) + f * (Y(m, a) - Y(m, b)));
}

Value Polar(Machine& m, const Value&, const std::vector<Value>& args) {
    const double length = m.ToNumber(Arg(args, 0)), angle = m.ToNumber(Arg(args, 1));
    return MakePoint(m, length * std::cos(angle), length * std::sin(angle));
}

}  // namespace

void InstallGeom(Machine& m) {
    Object* package = DefinePackage(m, "flash.geom");
    Object* proto = m.NewObject();
    DefineAccessor(m, proto, "length", Length, nullptr);
    DefineMethod(m, proto, "add", Add);
    DefineMethod(m, proto, "subtract", Subtract);
    DefineMethod(m, proto, "equals", Equals);
    DefineMethod(m, proto, "clone", Clone);
    DefineMethod(m, proto, "offset", Offset);
    DefineMethod(m, proto, "normalize", Normalize);
    DefineMethod(m, proto, "toString", ToText);
    Object* ctor = DefineClassIn(m, package, "Point", PointCall, PointConstruct, proto);
    DefineMethod(m, ctor, "distance", Distance);
    DefineMethod(m, ctor, "interpolate", Interpolate);
    DefineMethod(m, ctor, "polar", Polar);
    InstallGeomRectangle(m, package);
}

}  // namespace fh::avm1
