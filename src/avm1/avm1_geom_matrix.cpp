// flash.geom.Matrix (a b c d tx ty, mapping (x, y) to (a x + c y + tx,
// b x + d y + ty)) and flash.geom.ColorTransform (four multipliers and four
// offsets), their fields plain properties as Point's are.

#include <cmath>

#include "avm1/avm1_geom.h"

namespace fh::avm1 {

namespace {

const char* const kMatrixFields[] = {"a", "b", "c", "d", "tx", "ty"};

struct Affine {
    double a, b, c, d, tx, ty;
};

Affine ReadMatrix(Machine& m, const Value& v) {
    return {NumberField(m, v, "a"), NumberField(m, v, "b"),  NumberField(m, v, "c"),
            NumberField(m, v, "d"), NumberField(m, v, "tx"), NumberField(m, v, "ty")};
}

void WriteMatrix(Machine& m, const Value& self, const Affine& t) {
    const double values[] = {t.a, t.b, t.c, t.d, t.tx, t.ty};
    for (std::size_t i = 0; i < 6; ++i) m.Set(self, kMatrixFields[i], Value(values[i]));
}

// The transform `first` then `second`.
Affine Then(const Affine& f, const Affine& s) {
    return {f.a * s.a + f.b * s.c, f.a * s.b + f.b * s.d,          f.c * s.a + f.d * s.c,
            f.c * s.b + f.d * s.d, f.tx * s.a + f.ty * s.c + s.tx, f.tx * s.b + f.ty * s.d + s.ty};
}

Value MatrixConstruct(Machine&, const Value& self, const std::vector<Value>& args) {
    const double identity[] = {1, 0, 0, 1, 0, 0};
    if (Object* o = self.Obj())
        for (std::size_t i = 0; i < 6; ++i)
            o->Define(kMatrixFields[i], args.empty() ? Value(identity[i]) : Arg(args, i), 0);
    return self;
}

Value NoCall(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

Value Identity(Machine& m, const Value& self, const std::vector<Value>&) {
    WriteMatrix(m, self, {1, 0, 0, 1, 0, 0});
    return Value();
}

Value MatrixClone(Machine& m, const Value& self, const std::vector<Value>&) {
    std::vector<Value> fields;
    for (const char* name : kMatrixFields) fields.push_back(m.Get(self, name));
    return NewGeom(m, "Matrix", fields);
}

Value Concat(Machine& m, const Value& self, const std::vector<Value>& args) {
    WriteMatrix(m, self, Then(ReadMatrix(m, self), ReadMatrix(m, Arg(args, 0))));
    return Value();
}

Value Invert(Machine& m, const Value& self, const std::vector<Value>&) {
    const Affine t = ReadMatrix(m, self);
    const double det = t.a * t.d - t.b * t.c;
    WriteMatrix(m, self,
                {t.d / det, -t.b / det, -t.c / det, t.a / det, (t.c * t.ty - t.d * t.tx) / det,
                 (t.b * t.tx - t.a * t.ty) / det});
    return Value();
}

Value Rotate(Machine& m, const Value& self, const std::vector<Value>& args) {
    const double q = m.ToNumber(Arg(args, 0));
    WriteMatrix(m, self, Then(ReadMatrix(m, self), {std::cos(q), std::sin(q), -std::sin(q), std::cos(q), 0, 0}));
    return Value();
}

Value Scale(Machine& m, const Value& self, const std::vector<Value>& args) {
    const double sx = m.ToNumber(Arg(args, 0)), sy = m.ToNumber(Arg(args, 1));
    WriteMatrix(m, self, Then(ReadMatrix(m, self), {sx, 0, 0, sy, 0, 0}));
    return Value();
}

Value Translate(Machine& m, const Value& self, const std::vector<Value>& args) {
    Affine t = ReadMatrix(m, self);
    t.tx += m.ToNumber(Arg(args, 0));
    t.ty += m.ToNumber(Arg(args, 1));
    WriteMatrix(m, self, t);
    return Value();
}

// Scale, then rotation, then translation; the optional ones default to 0.
void Box(Machine& m, const Value& self, double sx, double sy, const std::vector<Value>& args, double dx, double dy) {
    auto optional = [&](std::size_t i) { return i < args.size() ? m.ToNumber(args[i]) : 0.0; };
    const double q = optional(2);
    WriteMatrix(
        m, self,
        {std::cos(q) * sx, std::sin(q) * sy, -std::sin(q) * sx, std::cos(q) * sy, optional(3) + dx, optional(4) + dy});
}

Value CreateBox(Machine& m, const Value& self, const std::vector<Value>& args) {
    Box(m, self, m.ToNumber(Arg(args, 0)), m.ToNumber(Arg(args, 1)), args, 0, 0);
    return Value();
}

// A gradient square is 1638.4 pixels across: the box maps it onto width by height, centred.
Value CreateGradientBox(Machine& m, const Value& self, const std::vector<Value>& args) {
    const double w = m.ToNumber(Arg(args, 0)), h = m.ToNumber(Arg(args, 1));
    Box(m, self, w / 1638.4, h / 1638.4, args, w / 2, h / 2);
    return Value();
}

Value TransformPoint(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Affine t = ReadMatrix(m, self);
    const double x = NumberField(m, Arg(args, 0), "x"), y = NumberField(m, Arg(args, 0), "y");
    return NewGeom(m, "Point", {Value(t.a * x + t.c * y + t.tx), Value(t.b * x + t.d * y + t.ty)});
}

Value DeltaTransformPoint(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Affine t = ReadMatrix(m, self);
    const double x = NumberField(m, Arg(args, 0), "x"), y = NumberField(m, Arg(args, 0), "y");
    return NewGeom(m, "Point", {Value(t.a * x + t.c * y), Value(t.b * x + t.d * y)});
}

// "(name=value, ...)" over the fields given.
template <std::size_t N>
Value FieldsText(Machine& m, const Value& self, const char* const (&names)[N]) {
    std::string s = "(";
    for (std::size_t i = 0; i < N; ++i) {
        if (i) s += ", ";
        s += std::string(names[i]) + "=" + m.ToString(m.Get(self, names[i]));
    }
    s += ")";
    m.CheckString(s.size());
    return Value(std::move(s));
}

Value MatrixText(Machine& m, const Value& self, const std::vector<Value>&) {
    return FieldsText(m, self, kMatrixFields);
}

const char* const kColorFields[] = {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier",
                                    "redOffset",     "greenOffset",     "blueOffset",     "alphaOffset"};

Value ColorConstruct(Machine&, const Value& self, const std::vector<Value>& args) {
    if (Object* o = self.Obj())
        for (std::size_t i = 0; i < 8; ++i)
            o->Define(kColorFields[i], i < args.size() ? args[i] : Value(i < 4 ? 1 : 0), 0);
    return self;
}

Value GetRgb(Machine& m, const Value& self, const std::vector<Value>&) {
    const std::int32_t r = ToInt32(NumberField(m, self, "redOffset"));
    const std::int32_t g = ToInt32(NumberField(m, self, "greenOffset"));
    const std::int32_t b = ToInt32(NumberField(m, self, "blueOffset"));
    return Value(static_cast<double>((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF)));
}

Value SetRgb(Machine& m, const Value& self, const std::vector<Value>& args) {
    const std::uint32_t rgb = ToUint32(m.ToNumber(Arg(args, 0)));
    for (std::size_t i = 0; i < 3; ++i) m.Set(self, kColorFields[i], Value(0));
    m.Set(self, "redOffset", Value(static_cast<double>(rgb >> 16 & 0xFF)));
    m.Set(self, "greenOffset", Value(static_cast<double>(rgb >> 8 & 0xFF)));
    m.Set(self, "blueOffset", Value(static_cast<double>(rgb & 0xFF)));
    return Value();
}

// This transform after the other: its offsets pass through this one's multipliers.
Value ColorConcat(Machine& m, const Value& self, const std::vector<Value>& args) {
    const Value& other = Arg(args, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        const double mul = NumberField(m, self, kColorFields[i]);
        const double offset = NumberField(m, self, kColorFields[i + 4]);
        m.Set(self, kColorFields[i + 4], Value(NumberField(m, other, kColorFields[i + 4]) * mul + offset));
        m.Set(self, kColorFields[i], Value(mul * NumberField(m, other, kColorFields[i])));
    }
    return Value();
}

Value ColorText(Machine& m, const Value& self, const std::vector<Value>&) { return FieldsText(m, self, kColorFields); }

}  // namespace

void InstallGeomMatrix(Machine& m) {
    Object* package = DefinePackage(m, "flash.geom");
    Object* proto = m.NewObject();
    DefineMethod(m, proto, "identity", Identity);
    DefineMethod(m, proto, "clone", MatrixClone);
    DefineMethod(m, proto, "concat", Concat);
    DefineMethod(m, proto, "invert", Invert);
    DefineMethod(m, proto, "rotate", Rotate);
    DefineMethod(m, proto, "scale", Scale);
    DefineMethod(m, proto, "translate", Translate);
    DefineMethod(m, proto, "createBox", CreateBox);
    DefineMethod(m, proto, "createGradientBox", CreateGradientBox);
    DefineMethod(m, proto, "transformPoint", TransformPoint);
    DefineMethod(m, proto, "deltaTransformPoint", DeltaTransformPoint);
    DefineMethod(m, proto, "toString", MatrixText);
    DefineClassIn(m, package, "Matrix", NoCall, MatrixConstruct, proto);

    Object* color = m.NewObject();
    DefineAccessor(m, color, "rgb", GetRgb, SetRgb);
    DefineMethod(m, color, "concat", ColorConcat);
    DefineMethod(m, color, "toString", ColorText);
    DefineClassIn(m, package, "ColorTransform", NoCall, ColorConstruct, color);
}

}  // namespace fh::avm1
