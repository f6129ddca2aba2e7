#include <gtest/gtest.h>

#include <algorithm>

#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;

std::vector<Value> Letters(const char* letters) {
    std::vector<Value> out;
    for (const char* p = letters; *p; ++p) out.emplace_back(std::string(1, *p));
    return out;
}

TEST(Avm1ArrayMethods, ChangeAndCopy) {
    struct Case {
        const char* label;
        const char* start;  // one element per letter
        const char* method;
        std::vector<Value> args;
        const char* result;  // what the call answers, as text
        const char* after;   // the array afterwards
    };
    const Case cases[] = {
        {"push answers the new length", "ab", "push", {Value("c"), Value(1)}, "4", "a,b,c,1"},
        {"pop", "abc", "pop", {}, "c", "a,b"},
        {"pop of nothing", "", "pop", {}, "undefined", ""},
        {"shift", "abc", "shift", {}, "a", "b,c"},
        {"unshift", "bc", "unshift", {Value("a"), Value("z")}, "4", "a,z,b,c"},
        {"slice from the end", "abcde", "slice", {Value(-2)}, "d,e", "a,b,c,d,e"},
        {"slice to a negative end", "abcde", "slice", {Value(1), Value(-1)}, "b,c,d", "a,b,c,d,e"},
        {"slice crossed", "abcde", "slice", {Value(3), Value(1)}, "", "a,b,c,d,e"},
        {"splice without arguments", "abcde", "splice", {}, "undefined", "a,b,c,d,e"},
        {"splice from undefined", "abcde", "splice", {Value()}, "undefined", "a,b,c,d,e"},
        {"splice from null", "abcde", "splice", {Value::Null()}, "a,b,c,d,e", ""},
        {"splice the tail", "abcde", "splice", {Value(2)}, "c,d,e", "a,b"},
        {"splice past the end", "abcde", "splice", {Value(6)}, "", "a,b,c,d,e"},
        {"splice two", "abcde", "splice", {Value(2), Value(2)}, "c,d", "a,b,e"},
        {"splice an undefined count", "abcde", "splice", {Value(2), Value()}, "undefined", "a,b,c,d,e"},
        {"splice a negative count", "abcde", "splice", {Value(2), Value(-2)}, "undefined", "a,b,c,d,e"},
        {"splice replacing", "abcde", "splice", {Value(1), Value(2), Value("x"), Value("y"), Value("z")}, "b,c",
         "a,x,y,z,d,e"},
        {"splice before the start", "ab", "splice", {Value(-9), Value(0), Value("c")}, "", "c,a,b"},
        {"concat flattens one level", "ab", "concat", {Value("c"), Value()}, "a,b,c,undefined", "a,b"},
        {"reverse", "abc", "reverse", {}, "c,b,a", "c,b,a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        Object* a = m.NewArray(Letters(c.start));
        Value r = CallMethod(m, Value(a), c.method, c.args);
        EXPECT_EQ(m.ToString(r), c.result);
        EXPECT_EQ(m.ToString(Value(a)), c.after);
    }
}

// a = ["a", "b", "c"]; a.length = 1; trace(a); a.length = 3; trace(a); a.push("d"); trace(a.length)
TEST(Avm1ArrayMethods, LengthTruncatesAndGrowsFromAScript) {
    fh::test::Asm code;
    code.Str("a").Str("c").Str("b").Str("a").Int(3).Op(0x42).Op(0x1D);
    code.GetVar("a").Str("length").Int(1).Op(0x4F).TraceVar("a");
    code.GetVar("a").Str("length").Int(3).Op(0x4F).TraceVar("a");
    code.Str("d").Int(1).GetVar("a").Str("push").Op(0x52).Trace();
    EXPECT_EQ(fh::test::Run(code), "a|a,undefined,undefined|4");
}

TEST(Avm1ArrayMethods, ConcatSpreadsArraysAndGrowthIsCapped) {
    BuiltinsHost host;
    Limits limits;
    limits.maxArrayLength = 4;
    Machine m(host, 8, limits);
    Object* a = m.NewArray(Letters("ab"));
    Object* inner = m.NewArray(Letters("c"));
    Object* nested = m.NewArray({Value(inner)});
    Value r = CallMethod(m, Value(a), "concat", {Value(inner), Value(nested)});
    ASSERT_TRUE(r.Obj());
    EXPECT_EQ(r.Obj()->Elements().size(), 4u);
    EXPECT_EQ(r.Obj()->Elements()[3].Obj(), inner);  // the nested array itself, not its elements

    EXPECT_EQ(m.CutScripts(), 0u);
    EXPECT_TRUE(CallMethod(m, Value(a), "push", {Value(1), Value(2), Value(3)}).IsUndefined());
    EXPECT_EQ(m.CutScripts(), 1u);
    EXPECT_EQ(a->Elements().size(), 2u);
    CallMethod(m, Value(a), "unshift", {Value(1), Value(2), Value(3)});
    CallMethod(m, Value(a), "splice", {Value(0), Value(0), Value(1), Value(2), Value(3)});
    CallMethod(m, Value(a), "concat", {Value(a), Value(a)});
    EXPECT_EQ(m.CutScripts(), 4u);
    EXPECT_EQ(a->Elements().size(), 2u);
}

}  // namespace
}  // namespace fh::avm1
