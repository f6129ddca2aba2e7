#include <gtest/gtest.h>

#include <cmath>

#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;

// Number's toString(radix) as the players print it: 32-bit integers, and
// outside that range (NaN too) -2^31 with "digits" below '0'.
TEST(Avm1NumberMethods, RadixText) {
    struct Case {
        const char* label;
        double n;
        int radix;
        const char* text;
    };
    const Case cases[] = {
        {"hexadecimal", 4123, 16, "101b"},
        {"base 34", 4123, 34, "3j9"},
        {"the fraction dropped", -123.1, 2, "-1111011"},
        {"radix 10 keeps it", -123.1, 10, "-123.1"},
        {"a radix out of range", 4123, 37, "4123"},
        {"the 32-bit edge", -2147483647.9, 36, "-zik0zj"},
        {"NaN", std::nan(""), 2, "-/0000000000000000000000000000000"},
        {"NaN in base 8", std::nan(""), 8, "-.0000000000"},
        {"too large", 1e10, 8, "-.0000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        EXPECT_EQ(m.ToString(CallMethod(m, Value(c.n), "toString", {Value(c.radix)})), c.text);
    }
}

// isNaN, isFinite and Boolean told no argument from an undefined one (which reads as 0 before 7).
TEST(Avm1NumberMethods, ConversionsWithoutArguments) {
    struct Case {
        const char* label;
        const char* function;
        std::vector<Value> args;
        const char* text;
    };
    const Case cases[] = {
        {"isNaN()", "isNaN", {}, "true"},
        {"isNaN(undefined)", "isNaN", {Value()}, "false"},
        {"isFinite()", "isFinite", {}, "false"},
        {"isFinite(undefined)", "isFinite", {Value()}, "true"},
        {"Boolean()", "Boolean", {}, "undefined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 6);
        Value r = m.CallFunction(m.Get(Value(m.R().global), c.function), Value(), c.args);
        EXPECT_EQ(r.IsUndefined() ? std::string("undefined") : m.ToString(r), c.text);
    }
}

TEST(Avm1NumberMethods, ParseFloatReadsAsThePlayers) {
    struct Case {
        const char* text;
        double n;
    };
    const Case cases[] = {
        {"1.2345.678", 1.2345678},
        {"-2.5.5e20", -2.55},
        {"1e4294967297", 10},
        {"+100e-100", 1e-98},
        {".1499999", 0.14999990000000005},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BuiltinsHost host;
        Machine m(host, 8);
        Value r = m.CallFunction(m.Get(Value(m.R().global), "parseFloat"), Value(), {Value(c.text)});
        EXPECT_EQ(r.Number(), c.n);
    }
}

}  // namespace
}  // namespace fh::avm1
