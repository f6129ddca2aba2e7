#include <gtest/gtest.h>

#include <cmath>

#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;
using test::InRun;

Value NewGeom(Machine& m, const char* cls, const std::vector<Value>& args) {
    return m.Construct(m.Get(m.Get(m.Get(Value(m.R().global), "flash"), "geom"), cls), args);
}

Value Static(Machine& m, const char* cls, const char* fn, const std::vector<Value>& args) {
    return CallMethod(m, m.Get(m.Get(m.Get(Value(m.R().global), "flash"), "geom"), cls), fn, args);
}

// Point and Rectangle keep what they were given and convert as they compute.
TEST(Avm1Geom, PointAndRectangle) {
    BuiltinsHost host;
    Machine m(host, 8);
    InRun(m, [&] {
        const Value undef;
        auto point = [&](std::vector<Value> a) { return NewGeom(m, "Point", a); };
        auto rect = [&](std::vector<Value> a) { return NewGeom(m, "Rectangle", a); };
        auto text = [&](const Value& v) { return m.ToString(v); };
        const Value r = rect({Value(1), Value(3), Value(5), Value(7)});
        struct Case {
            const char* label;
            std::function<Value()> run;
            const char* result;
        };
        const Case cases[] = {
            {"no arguments is the origin", [&] { return point({}); }, "(x=0, y=0)"},
            {"a missing y stays undefined", [&] { return point({Value(1)}); }, "(x=1, y=undefined)"},
            {"adding undefined", [&] { return CallMethod(m, point({}), "add", {undef}); }, "(x=NaN, y=NaN)"},
            {"distance needs a point first",
             [&] {
                 return Static(m, "Point", "distance", {Value(m.NewObject()), point({})});
             },
             "undefined"},
            {"distance",
             [&] {
                 return Static(m, "Point", "distance", {point({Value(3), Value(4)}), point({})});
             },
             "5"},
            {"interpolate",
             [&] {
                 return Static(m, "Point", "interpolate",
                               {point({Value(-100), Value(-200)}), point({Value(100), Value(200)}), Value(-1)});
             },
             "(x=300, y=600)"},
            {"normalize leaves NaN lengths",
             [&] {
                 Value p = point({undef, Value(100)});
                 CallMethod(m, p, "normalize", {Value(3)});
                 return p;
             },
             "(x=undefined, y=100)"},
            {"length",
             [&] {
                 return m.Get(point({Value(0), Value(-200)}), "length");
             },
             "200"},
            {"rectangle text", [&] { return r; }, "(x=1, y=3, w=5, h=7)"},
            {"right computed", [&] { return m.Get(r, "right"); }, "6"},
            {"bottomRight", [&] { return m.Get(r, "bottomRight"); }, "(x=6, y=10)"},
            {"contains inside",
             [&] {
                 return CallMethod(m, r, "contains", {Value(5.9), Value(9.9)});
             },
             "true"},
            {"contains on the far edge",
             [&] {
                 return CallMethod(m, r, "contains", {Value(6), Value(10)});
             },
             "false"},
            {"contains with NaN",
             [&] {
                 return CallMethod(m, r, "contains", {Value(4), Value(NAN)});
             },
             "undefined"},
            {"no overlap is empty",
             [&] {
                 return CallMethod(m, r, "intersection", {rect({Value(30), Value(50), Value(1), Value(1)})});
             },
             "(x=0, y=0, w=0, h=0)"},
            {"overlap",
             [&] {
                 return CallMethod(m, r, "intersection", {rect({Value(3), Value(5), Value(7), Value(9)})});
             },
             "(x=3, y=5, w=3, h=5)"},
            {"union with nothing", [&] { return CallMethod(m, r, "union", {}); }, "(x=NaN, y=NaN, w=NaN, h=NaN)"},
            {"NaN sizes are empty",
             [&] {
                 return CallMethod(m, rect({Value(1), Value(2), Value(NAN), Value(NAN)}), "isEmpty", {});
             },
             "true"},
            {"equals wants a rectangle",
             [&] {
                 Object* o = m.NewObject();
                 o->Define("x", Value(1), 0), o->Define("y", Value(3), 0), o->Define("width", Value(5), 0);
                 o->Define("height", Value(7), 0);
                 return CallMethod(m, r, "equals", {Value(o)});
             },
             "false"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            EXPECT_EQ(text(c.run()), c.result);
        }
    });
}

// Setting an edge moves it alone: the opposite edge stays where it was.
TEST(Avm1Geom, RectangleEdgeSetters) {
    struct Case {
        const char* edge;
        double value;
        const char* result;
    };
    const Case cases[] = {
        {"left", 0, "(x=0, y=3, w=6, h=7)"},    {"top", 100, "(x=1, y=100, w=5, h=-90)"},
        {"right", 0, "(x=1, y=3, w=-1, h=7)"},  {"bottom", 100, "(x=1, y=3, w=5, h=97)"},
        {"x", -200, "(x=-200, y=3, w=5, h=7)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        BuiltinsHost host;
        Machine m(host, 8);
        InRun(m, [&] {
            Value r = NewGeom(m, "Rectangle", {Value(1), Value(3), Value(5), Value(7)});
            m.Set(r, c.edge, Value(c.value));
            EXPECT_EQ(m.ToString(r), c.result);
        });
    }
}

TEST(Avm1Geom, MatrixAndColorTransform) {
    BuiltinsHost host;
    Machine m(host, 8);
    InRun(m, [&] {
        Value box = NewGeom(m, "Matrix", {});
        CallMethod(m, box, "createBox", {Value(2), Value(4), Value(0), Value(10), Value(20)});
        Value inverse = CallMethod(m, box, "clone", {});
        CallMethod(m, inverse, "invert", {});
        Value back = NewGeom(m, "Matrix", {});
        CallMethod(m, back, "concat", {box});
        CallMethod(m, back, "concat", {inverse});
        Value ct = NewGeom(m, "ColorTransform", {});
        m.Set(ct, "rgb", Value(0x123456));
        Value half = NewGeom(m, "ColorTransform", {Value(0.5), Value(0.5), Value(0.5), Value(1), Value(10)});
        struct Case {
            const char* label;
            Value value;
            const char* result;
        };
        const Case cases[] = {
            {"created box", box, "(a=2, b=0, c=0, d=4, tx=10, ty=20)"},
            {"a point through it", CallMethod(m, box, "transformPoint", {NewGeom(m, "Point", {Value(1), Value(1)})}),
             "(x=12, y=24)"},
            {"without the translation",
             CallMethod(m, box, "deltaTransformPoint", {NewGeom(m, "Point", {Value(1), Value(1)})}), "(x=2, y=4)"},
            {"and back by its inverse", back, "(a=1, b=0, c=0, d=1, tx=0, ty=0)"},
            {"rgb sets the offsets", ct,
             "(redMultiplier=0, greenMultiplier=0, blueMultiplier=0, alphaMultiplier=1, redOffset=18, "
             "greenOffset=52, blueOffset=86, alphaOffset=0)"},
            {"rgb reads them", m.Get(ct, "rgb"), "1193046"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            EXPECT_EQ(m.ToString(c.value), c.result);
        }
        CallMethod(m, half, "concat", {half});
        EXPECT_EQ(m.ToString(m.Get(half, "redMultiplier")), "0.25");
        EXPECT_EQ(m.ToString(m.Get(half, "redOffset")), "15");
    });
}

// The package belongs to Flash 8's movies and later.
TEST(Avm1Geom, Versions) {
    for (int version : {6, 7, 8, 10}) {
        SCOPED_TRACE(version);
        BuiltinsHost host;
        Machine m(host, version);
        InRun(m, [&] { EXPECT_EQ(m.Get(Value(m.R().global), "flash").IsObject(), version >= 8); });
    }
}

}  // namespace
}  // namespace fh::avm1
