#include <gtest/gtest.h>

#include <cmath>

#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;
using test::InRun;

Value Color(std::uint32_t argb) { return Value(static_cast<double>(argb)); }

Value Class(Machine& m, const char* package, const char* cls) {
    return m.Get(m.Get(m.Get(Value(m.R().global), "flash"), package), cls);
}

Value NewBitmap(Machine& m, const std::vector<Value>& args) {
    return m.Construct(Class(m, "display", "BitmapData"), args);
}

Value NewRect(Machine& m, double x, double y, double w, double h) {
    return m.Construct(Class(m, "geom", "Rectangle"), {Value(x), Value(y), Value(w), Value(h)});
}

Value NewPoint(Machine& m, double x, double y) { return m.Construct(Class(m, "geom", "Point"), {Value(x), Value(y)}); }

// Sizes the players refused give undefined; 2880 a side before version 10, then 8191 and 2^24 pixels.
TEST(Avm1BitmapData, Sizes) {
    struct Case {
        const char* label;
        int version;
        Value w, h;
        bool made;
    };
    const Case cases[] = {
        {"largest of version 8", 8, Value(2880), Value(2880), true},
        {"one too wide", 9, Value(2881), Value(1), false},
        {"wider from version 10", 10, Value(8191), Value(1), true},
        {"hostile square", 10, Value(8191), Value(8191), false},
        {"hostile square before 10", 8, Value(8191), Value(8191), false},
        {"just under 2^24 pixels", 10, Value(4095), Value(4096), true},
        {"2^24 pixels", 10, Value(4096), Value(4096), false},
        {"zero", 8, Value(0), Value(5), false},
        {"negative", 8, Value(-5), Value(5), false},
        {"not a number", 8, Value("x"), Value(5), false},
        {"infinite", 8, Value(HUGE_VAL), Value(5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, c.version);
        InRun(m, [&] {
            Value b = NewBitmap(m, {c.w, c.h});
            EXPECT_EQ(b.IsObject(), c.made);
            if (c.made) {
                EXPECT_EQ(m.ToNumber(m.Get(b, "width")), m.ToNumber(c.w));
            }
        });
    }
}

// Colours are kept premultiplied: a partial alpha reads back rounded.
TEST(Avm1BitmapData, PixelsRoundTrip) {
    struct Case {
        const char* label;
        bool transparent;
        double set;
        std::int32_t read;
    };
    const Case cases[] = {
        {"opaque colour", true, 0xFF336699u, static_cast<std::int32_t>(0xFF336699u)},
        {"alpha AA", true, 0xAABBCCDDu, static_cast<std::int32_t>(0xAABBCCDCu)},
        {"alpha 12", true, 0x12345678u, 0x12395571},
        {"no alpha is nothing", true, 0x00FFFFFFu, 0},
        {"an opaque bitmap drops the alpha", false, 0x12345678u, static_cast<std::int32_t>(0xFF345678u)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        InRun(m, [&] {
            Value b = NewBitmap(m, {Value(3), Value(3), Value(c.transparent), Value(0)});
            EXPECT_EQ(m.ToNumber(CallMethod(m, b, "setPixel32", {Value(1), Value(2), Value(c.set)})), 0);
            EXPECT_EQ(m.ToNumber(CallMethod(m, b, "getPixel32", {Value(1), Value(2)})), c.read);
            EXPECT_EQ(m.ToNumber(CallMethod(m, b, "getPixel32", {Value(3), Value(0)})), 0);
        });
    }
}

// Areas reaching far past the bitmap (or wrapping 32-bit sums) are clipped to it.
TEST(Avm1BitmapData, HugeAreasClipped) {
    BuiltinsHost host;
    Machine m(host, 8);
    InRun(m, [&] {
        Value b = NewBitmap(m, {Value(4), Value(4), Value(true), Value(0)});
        Value src = NewBitmap(m, {Value(4), Value(4), Value(false), Color(0xFF0000FFu)});
        const double big = 2147483647.0;
        struct Case {
            const char* label;
            std::function<void()> run;
            double corner;  // the pixel at (3, 3) after
        };
        const Case cases[] = {
            {"fill everything",
             [&] {
                 CallMethod(m, b, "fillRect", {NewRect(m, -big, -big, big, big), Color(0xFF00FF00u)});
             },
             0},
            {"fill from far left",
             [&] {
                 CallMethod(m, b, "fillRect", {NewRect(m, -big, 0, 2 * big, 2 * big), Color(0xFF00FF00u)});
             },
             0xFF00FF00u},
            {"copy to a far point",
             [&] {
                 CallMethod(m, b, "copyPixels", {src, NewRect(m, 0, 0, big, big), NewPoint(m, big, big)});
             },
             0xFF00FF00u},
            {"copy from a far area",
             [&] {
                 CallMethod(m, b, "copyPixels", {src, NewRect(m, -big, -big, 2 * big, 2 * big), NewPoint(m, 0, 0)});
             },
             0xFF00FF00u},
            {"copy from a far area to a far point",
             [&] {
                 CallMethod(m, b, "copyPixels",
                            {src, NewRect(m, -big, -big, 2 * big, 2 * big), NewPoint(m, -big, -big)});
             },
             0xFF0000FFu},
            {"scroll far away",
             [&] {
                 CallMethod(m, b, "scroll", {Value(big), Value(-big)});
             },
             0xFF0000FFu},
            {"scroll by one",
             [&] {
                 CallMethod(m, b, "fillRect", {NewRect(m, 0, 0, 1, 1), Color(0xFFFFFFFFu)}),
                     CallMethod(m, b, "scroll", {Value(3), Value(3)});
             },
             0xFFFFFFFFu},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            c.run();
            EXPECT_EQ(ToUint32(m.ToNumber(CallMethod(m, b, "getPixel32", {Value(3), Value(3)}))), c.corner);
        }
    });
}

// A disposed bitmap answers -1 to everything; refused arguments have codes of their own.
TEST(Avm1BitmapData, DisposedAndRefused) {
    BuiltinsHost host;
    Machine m(host, 8);
    InRun(m, [&] {
        Value a = NewBitmap(m, {Value(3), Value(3)});
        Value other = NewBitmap(m, {Value(3), Value(4)});
        Value gone = NewBitmap(m, {Value(3), Value(3)});
        CallMethod(m, gone, "dispose", {});
        const Value p = NewPoint(m, 0, 0);
        struct Case {
            const char* label;
            Value self;
            const char* method;
            std::vector<Value> args;
            double result;
        };
        const Case cases[] = {
            {"disposed getPixel", gone, "getPixel", {Value(0), Value(0)}, -1},
            {"disposed fillRect", gone, "fillRect", {NewRect(m, 0, 0, 1, 1), Value(0)}, -1},
            {"disposed clone", gone, "clone", {}, -1},
            {"too few arguments", a, "getPixel", {Value(0)}, -1},
            {"compare with a disposed one", a, "compare", {gone}, -2},
            {"compare with other heights", a, "compare", {other}, -4},
            {"equal bitmaps", a, "compare", {CallMethod(m, a, "clone", {})}, 0},
            {"hitTest without a point", a, "hitTest", {Value(), Value(0), p}, -2},
            {"hitTest with nothing to test", a, "hitTest", {p, Value(0), Value(m.NewObject())}, -3},
            {"hitTest with a disposed bitmap", a, "hitTest", {p, Value(0), gone}, -3},
            {"merge from a disposed bitmap",
             a,
             "merge",
             {gone, NewRect(m, 0, 0, 1, 1), p, Value(1), Value(1), Value(1)},
             -3},
            {"merge without an area", a, "merge", {other, Value(), p, Value(1), Value(1), Value(1)}, -4},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            EXPECT_EQ(m.ToNumber(CallMethod(m, c.self, c.method, c.args)), c.result);
        }
        EXPECT_EQ(m.ToNumber(m.Get(gone, "width")), -1);
    });
}

TEST(Avm1BitmapData, Operations) {
    BuiltinsHost host;
    Machine m(host, 8);
    InRun(m, [&] {
        Value b = NewBitmap(m, {Value(5), Value(5), Value(true), Value(0)});
        CallMethod(m, b, "fillRect", {NewRect(m, 1, 2, 2, 2), Color(0xFFFF0000u)});
        auto rect = [&](const Value& r) { return m.ToString(r); };
        EXPECT_EQ(rect(CallMethod(m, b, "getColorBoundsRect", {Color(0xFFFFFFFFu), Color(0xFFFF0000u)})),
                  "(x=1, y=2, w=2, h=2)");
        EXPECT_EQ(rect(CallMethod(m, b, "getColorBoundsRect", {Color(0xFFFFFFFFu), Color(0xFF00FF00u)})),
                  "(x=0, y=0, w=0, h=0)");
        EXPECT_TRUE(CallMethod(m, b, "hitTest", {NewPoint(m, 0, 0), Value(255), NewPoint(m, 2, 3)}).Bool());
        EXPECT_FALSE(CallMethod(m, b, "hitTest", {NewPoint(m, 0, 0), Value(255), NewPoint(m, 0, 0)}).Bool());
        CallMethod(m, b, "floodFill", {Value(0), Value(0), Color(0xFF0000FFu)});
        EXPECT_EQ(ToUint32(m.ToNumber(CallMethod(m, b, "getPixel32", {Value(4), Value(4)}))), 0xFF0000FFu);
        EXPECT_EQ(ToUint32(m.ToNumber(CallMethod(m, b, "getPixel32", {Value(1), Value(2)}))), 0xFFFF0000u);
        Value ct =
            m.Construct(Class(m, "geom", "ColorTransform"), {Value(0), Value(1), Value(1), Value(1), Value(0x11)});
        CallMethod(m, b, "colorTransform", {NewRect(m, 1, 2, 1, 1), ct});
        EXPECT_EQ(ToUint32(m.ToNumber(CallMethod(m, b, "getPixel32", {Value(1), Value(2)}))), 0xFF110000u);
        Value diff = CallMethod(m, b, "compare", {NewBitmap(m, {Value(5), Value(5), Value(true), Color(0xFF0000FFu)})});
        EXPECT_EQ(ToUint32(m.ToNumber(CallMethod(m, diff, "getPixel32", {Value(1), Value(2)}))), 0xFF110001u);
    });
}

}  // namespace
}  // namespace fh::avm1
