#include <gtest/gtest.h>

#include <cmath>

#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallStatic;

TEST(Avm1Math, Functions) {
    struct Case {
        const char* label;
        int version;
        const char* fn;
        std::vector<Value> args;
        const char* result;
    };
    const Value nan(std::nan(""));
    const Case cases[] = {
        {"abs of text", 8, "abs", {Value("-3")}, "3"},
        {"halves round up", 8, "round", {Value(2.5)}, "3"},
        {"negative halves too", 8, "round", {Value(-2.5)}, "-2"},
        {"round below a half", 8, "round", {Value(-2.6)}, "-3"},
        {"ceil", 8, "ceil", {Value(-0.5)}, "0"},
        {"floor", 8, "floor", {Value(-0.5)}, "-1"},
        {"sqrt of a negative", 8, "sqrt", {Value(-1)}, "NaN"},
        {"log of zero", 8, "log", {Value(0)}, "-Infinity"},
        {"exp", 8, "exp", {Value(1)}, "2.71828182845905"},
        {"cos", 8, "cos", {Value(0)}, "1"},
        {"asin", 8, "asin", {Value(1)}, "1.5707963267949"},
        {"acos", 8, "acos", {Value(2)}, "NaN"},
        {"atan2 takes y first", 8, "atan2", {Value(1), Value(0)}, "1.5707963267949"},
        {"pow", 8, "pow", {Value(2), Value(10)}, "1024"},
        {"pow of one to NaN", 8, "pow", {Value(1), nan}, "NaN"},
        {"pow of minus one to infinity", 8, "pow", {Value(-1), Value(HUGE_VAL)}, "NaN"},
        {"max of nothing", 8, "max", {}, "-Infinity"},
        {"min of nothing", 8, "min", {}, "Infinity"},
        {"min of one", 8, "min", {Value(1)}, "NaN"},
        {"min of one before version 7", 6, "min", {Value(1)}, "0"},
        {"max of texts as numbers", 8, "max", {Value("10"), Value("2")}, "10"},
        {"min with NaN", 8, "min", {Value(1), nan}, "NaN"},
        {"min takes two", 8, "min", {Value(3), Value(2), Value(1)}, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, c.version);
        EXPECT_EQ(m.ToString(CallStatic(m, "Math", c.fn, c.args)), c.result);
    }
}

// Math's constants and Array's sort options: read-only values.
TEST(Avm1Math, Constants) {
    struct Case {
        const char* object;
        const char* name;
        double value;
    };
    const Case cases[] = {
        {"Math", "E", std::exp(1.0)},           {"Math", "LN10", std::log(10.0)},    {"Math", "LN2", std::log(2.0)},
        {"Math", "LOG10E", 1 / std::log(10.0)}, {"Math", "LOG2E", 1 / std::log(2.0)}, {"Math", "PI", std::acos(-1.0)},
        {"Math", "SQRT1_2", std::sqrt(0.5)},    {"Math", "SQRT2", std::sqrt(2.0)},    {"Array", "CASEINSENSITIVE", 1},
        {"Array", "DESCENDING", 2},             {"Array", "UNIQUESORT", 4},           {"Array", "RETURNINDEXEDARRAY", 8},
        {"Array", "NUMERIC", 16}};
    BuiltinsHost host;
    Machine m(host, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Value holder = m.Get(Value(m.R().global), c.object);
        m.Set(holder, c.name, Value(0));
        EXPECT_DOUBLE_EQ(m.ToNumber(m.Get(holder, c.name)), c.value);
    }
}

TEST(Avm1Math, RandomFollowsTheSeed) {
    auto draw = [](std::uint32_t seed) {
        BuiltinsHost host;
        host.seed = seed;
        Machine m(host, 8);
        std::vector<double> out;
        for (int i = 0; i < 50; ++i) out.push_back(m.ToNumber(CallStatic(m, "Math", "random", {})));
        return out;
    };
    std::vector<double> a = draw(7), b = draw(7), c = draw(8);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    for (double x : a) {
        EXPECT_GE(x, 0);
        EXPECT_LT(x, 1);
    }
}

}  // namespace
}  // namespace fh::avm1
