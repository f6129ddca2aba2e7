// flash.geom.Rectangle: x, y, width and height kept as given, the edges and
// corners computed from them. The tests answer as the players' scripts
// would: a comparison with NaN on either side is undefined, and a chain of
// them gives the first that is not true.

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "avm1/avm1_geom.h"

namespace fh::avm1 {

namespace {

struct Box {
    double x, y, width, height;
    double Right() const { return x + width; }
    double Bottom() const { return y + height; }
};

Box Read(Machine& m, const Value& v) {
    return {NumberField(m, v, "x"), NumberField(m, v, "y"), NumberField(m, v, "width"), NumberField(m, v, "height")};
}

Value MakeRect(Machine& m, double x, double y, double width, double height) {
    return NewGeom(m, "Rectangle", {Value(x), Value(y), Value(width), Value(height)});
}

void SetNumber(Machine& m, const Value& self, const char* name, double v) { m.Set(self, name, Value(v)); }

Value AtLeast(double a, double b) { return std::isnan(a) || std::isnan(b) ? Value() : Value(a >= b); }
Value Below(double a, double b) { return std::isnan(a) || std::isnan(b) ? Value() : Value(a < b); }
Value AtMost(double a, double b) { return std::isnan(a) || std::isnan(b) ? Value() : Value(a <= b); }

Value All(std::initializer_list<Value> parts) {
    for (const Value& v : parts)
        if (!v.IsBoolean() || !v.Bool()) return v;
    return Value(true);
}

// Math.min and Math.max: NaN wins.
double Least(double a, double b) { return std::isnan(a) || std::isnan(b) ? NAN : std::min(a, b); }
double Most(double a, double b) { return std::isnan(a) || std::isnan(b) ? NAN : std::max(a, b); }

Value RectConstruct(Machine&, const Value& self, const std::vector<Value>& args) {
    if (Object* o = self.Obj()) {
        const char* names[] = {"x", "y", "width", "height"};
        for (std::size_t i = 0; i < 4; ++i) o->Define(names[i], args.empty() ? Value(0) : Arg(args, i), 0);
    }
    return self;
}

Value RectCall(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

Value GetLeft(Machine& m, const Value& self, const std::vector<Value>&) { return m.Get(self, "x"); }
Value GetTop(Machine& m, const Value& self, const std::vector<Value>&) { return m.Get(self, "y"); }
Value GetRight(Machine& m, const Value& self, const std::vector<Value>&) { return Value(Read(m, self).Right()); }
Value GetBottom(Machine& m, const Value& self, const std::vector<Value>&) { return Value(Read(m, self).Bottom()); }

Value SetLeft(Machine& m, const Value& self, const std::vector<Value>& args) {
    SetNumber(m, self, "width", Read(m, self).Right() - m.ToNumber(Arg(args, 0)));
    m.Set(self, "x", Arg(args, 0));
    return Value();
}

Value SetTop(Machine& m, const Value& self, const std::vector<Value>& args) {
    SetNumber(m, self, "height", Read(m, self).Bottom() - m.ToNumber(Arg(args, 0)));
    m.Set(self, "y", Arg(args, 0));
    return Value();
}

Value SetRight(Machine& m, const Value& self, const std::vector<Value>& args) {
    SetNumber(m, self, "width", m.ToNumber(Arg(args, 0)) - NumberField(m, self, "x"));
    return Value();
}

Value SetBottom(Machine& m, const Value& self, const std::vector<Value>& args) {
    SetNumber(m, self, "height", m.ToNumber(Arg(args, 0)) - NumberField(m, self, "y"));
    return Value();
}

Value GetTopLeft(Machine& m, const Value& self, const std::vector<Value>&) {
    return NewGeom(m, "Point", {m.Get(self, "x"), m.Get(self, "y")});
}

Value SetTopLeft(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Box b = Read(m, self);
    const Value x = m.Get(Arg(args, 0), "x"), y = m.Get(Arg(args, 0), "y");
    SetNumber(m, self, "width", b.Right() - m.ToNumber(x));
    SetNumber(m, self, "height", b.Bottom() - m.ToNumber(y));
    m.Set(self, "x", x);
    m.Set(self, "y", y);
    return Value();
}

Value GetBottomRight(Machine& m, const Value& self, const std::vector<Value>&) {
    const Box b = Read(m, self);
    return NewGeom(m, "Point", {Value(b.Right()), Value(b.Bottom())});
}

Value SetBottomRight(Machine& m, const Value& self, const std::vector<Value>& args) {
    SetNumber(m, self, "width", NumberField(m, Arg(args, 0), "x") - NumberField(m, self, "x"));
    SetNumber(m, self, "height", NumberField(m, Arg(args, 0), "y") - NumberField(m, self, "y"));
    return Value();
}

Value GetSize(Machine& m, const Value& self, const std::vector<Value>&) {
    return NewGeom(m, "Point", {m.Get(self, "width"), m.Get(self, "height")});
}

Value SetSize(Machine& m, const Value& self, const std::vector<Value>& args) {
    m.Set(self, "width", m.Get(Arg(args, 0), "x"));
    m.Set(self, "height", m.Get(Arg(args, 0), "y"));
    return Value();
}

Value Clone(Machine& m, const Value& self, const std::vector<Value>&) {
    return NewGeom(m, "Rectangle", {m.Get(self, "x"), m.Get(self, "y"), m.Get(self, "width"), m.Get(self, "height")});
}

Value Equals(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!IsGeom(m, Arg(args, 0), "Rectangle")) return Value(false);
    const Box a = Read(m, self), b = Read(m, Arg(args, 0));
    return Value(a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height);
}

Value IsEmpty(Machine& m, const Value& self, const std::vector<Value>&) {
    const Box b = Read(m, self);
    return Value(!(b.width > 0 && b.height > 0));
}

Value SetEmpty(Machine& m, const Value& self, const std::vector<Value>&) {
    for (const char* name : {"x", "y", "width", "height"}) m.Set(self, name, Value(0));
    return Value();
}

Value ContainsAt(const Box& b, double x, double y) {
    return All({AtLeast(x, b.x), Below(x, b.Right()), AtLeast(y, b.y), Below(y, b.Bottom())});
}

Value Contains(Machine& m, const Value& self, const std::vector<Value>& args) {
    return ContainsAt(Read(m, self), m.ToNumber(Arg(args, 0)), m.ToNumber(Arg(args, 1)));
}

Value ContainsPoint(Machine& m, const Value& self, const std::vector<Value>& args) {
    return ContainsAt(Read(m, self), NumberField(m, Arg(args, 0), "x"), NumberField(m, Arg(args, 0), "y"));
}

Value ContainsRectangle(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Box a = Read(m, self), b = Read(m, Arg(args, 0));
    return All({AtLeast(b.x, a.x), AtLeast(b.y, a.y), AtMost(b.Right(), a.Right()), AtMost(b.Bottom(), a.Bottom())});
}

// Grows by dx on the left and the right, dy at the top and the bottom.
void Inflate(Machine& m, const Value& self, double dx, double dy) {
    const Box b = Read(m, self);
    SetNumber(m, self, "x", b.x - dx);
    SetNumber(m, self, "width", b.width + 2 * dx);
    SetNumber(m, self, "y", b.y - dy);
    SetNumber(m, self, "height", b.height + 2 * dy);
}

Value InflateBy(Machine& m, const Value& self, const std::vector<Value>& args) {
    Inflate(m, self, m.ToNumber(Arg(args, 0)), m.ToNumber(Arg(args, 1)));
    return Value();
}

Value InflatePoint(Machine& m, const Value& self, const std::vector<Value>& args) {
    Inflate(m, self, NumberField(m, Arg(args, 0), "x"), NumberField(m, Arg(args, 0), "y"));
    return Value();
}

void Move(Machine& m, const Value& self, double dx, double dy) {
    SetNumber(m, self, "x", NumberField(m, self, "x") + dx);
    SetNumber(m, self, "y", NumberField(m, self, "y") + dy);
}

Value Offset(Machine& m, const Value& self, const std::vector<Value>& args) {
    Move(m, self, m.ToNumber(Arg(args, 0)), m.ToNumber(Arg(args, 1)));
    return Value();
}

Value OffsetPoint(Machine& m, const Value& self, const std::vector<Value>& args) {
    Move(m, self, NumberField(m, Arg(args, 0), "x"), NumberField(m, Arg(args, 0), "y"));
    return Value();
}

// The overlap, or an empty rectangle at the origin when there is none.
Value Intersection(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Box a = Read(m, self), b = Read(m, Arg(args, 0));
    const double left = Most(a.x, b.x), top = Most(a.y, b.y);
    const double right = Least(a.Right(), b.Right()), bottom = Least(a.Bottom(), b.Bottom());
    if (!(right > left && bottom > top)) return MakeRect(m, 0, 0, 0, 0);
    return MakeRect(m, left, top, right - left, bottom - top);
}

Value Intersects(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Box a = Read(m, self), b = Read(m, Arg(args, 0));
    const double left = Most(a.x, b.x), top = Most(a.y, b.y);
    const double right = Least(a.Right(), b.Right()), bottom = Least(a.Bottom(), b.Bottom());
    return Value(right > left && bottom > top);
}

Value Union(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Box a = Read(m, self), b = Read(m, Arg(args, 0));
    const double left = Least(a.x, b.x), top = Least(a.y, b.y);
    const double right = Most(a.Right(), b.Right()), bottom = Most(a.Bottom(), b.Bottom());
    return MakeRect(m, left, top, right - left, bottom - top);
}

Value ToText(Machine& m, const Value& self, const std::vector<Value>&) {
    std::string s = "(x=" + m.ToString(m.Get(self, "x")) + ", y=" + m.ToString(m.Get(self, "y")) +
                    ", w=" + m.ToString(m.Get(self, "width")) + ", h=" + m.ToString(m.Get(self, "height")) + ")";
    m.CheckString(s.size());
    return Value(std::move(s));
}

}  // namespace

void InstallGeomRectangle(Machine& m, Object* package) {
    Object* proto = m.NewObject();
    DefineAccessor(m, proto, "left", GetLeft, SetLeft);
    DefineAccessor(m, proto, "top", GetTop, SetTop);
    DefineAccessor(m, proto, "right", GetRight, SetRight);
    DefineAccessor(m, proto, "bottom", GetBottom, SetBottom);
    DefineAccessor(m, proto, "topLeft", GetTopLeft, SetTopLeft);
    DefineAccessor(m, proto, "bottomRight", GetBottomRight, SetBottomRight);
    DefineAccessor(m, proto, "size", GetSize, SetSize);
    DefineMethod(m, proto, "clone", Clone);
    DefineMethod(m, proto, "equals", Equals);
    DefineMethod(m, proto, "isEmpty", IsEmpty);
    DefineMethod(m, proto, "setEmpty", SetEmpty);
    DefineMethod(m, proto, "contains", Contains);
    DefineMethod(m, proto, "containsPoint", ContainsPoint);
    DefineMethod(m, proto, "containsRectangle", ContainsRectangle);
    DefineMethod(m, proto, "inflate", InflateBy);
    DefineMethod(m, proto, "inflatePoint", InflatePoint);
    DefineMethod(m, proto, "offset", Offset);
    DefineMethod(m, proto, "offsetPoint", OffsetPoint);
    DefineMethod(m, proto, "intersection", Intersection);
    DefineMethod(m, proto, "intersects", Intersects);
    DefineMethod(m, proto, "union", Union);
    DefineMethod(m, proto, "toString", ToText);
    DefineClassIn(m, package, "Rectangle", RectCall, RectConstruct, proto);
}

}  // namespace fh::avm1
