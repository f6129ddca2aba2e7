#include <gtest/gtest.h>

#include <algorithm>

#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;

// A compare function as a script would write it: b - a.
Value Backward(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(m.ToNumber(Arg(args, 1)) - m.ToNumber(Arg(args, 0)));
}

// A compare function that answers anything at all.
Value Erratic(Machine& m, const Value&, const std::vector<Value>&) { return Value(m.Random() * 3 - 1.5); }

TEST(Avm1ArraySort, OptionsAndCompareFunctions) {
    enum { kFn = 1, kErratic = 2 };
    struct Case {
        const char* label;
        std::vector<Value> elements;
        int fn;
        std::vector<Value> args;
        const char* result;
        const char* after;
    };
    const Value u;
    const Case cases[] = {
        {"as text by default", {Value(10), Value(9), Value(1)}, 0, {}, "1,10,9", "1,10,9"},
        {"numeric", {Value(10), Value(9), Value(1)}, 0, {Value(16)}, "1,9,10", "1,9,10"},
        {"numeric descending", {Value(10), Value(9), Value(1)}, 0, {Value(18)}, "10,9,1", "10,9,1"},
        {"capitals first", {Value("b"), Value("B"), Value("a"), Value("A")}, 0, {}, "A,B,a,b", "A,B,a,b"},
        {"case ignored keeps the order of equals", {Value("b"), Value("B"), Value("a"), Value("A")}, 0, {Value(1)},
         "a,A,b,B", "a,A,b,B"},
        {"undefined last", {u, Value("z"), Value("a")}, 0, {Value(2)}, "z,a,undefined", "z,a,undefined"},
        {"unique sort refuses duplicates", {Value("b"), Value("a"), Value("b")}, 0, {Value(4)}, "0", "b,a,b"},
        {"unique sort without duplicates", {Value("b"), Value("a")}, 0, {Value(4)}, "a,b", "a,b"},
        {"indexed leaves the array", {Value("c"), Value("a"), Value("b")}, 0, {Value(8)}, "1,2,0", "c,a,b"},
        {"compare function", {Value(1), Value(3), Value(2)}, kFn, {}, "3,2,1", "3,2,1"},
        {"compare function descending", {Value(1), Value(3), Value(2)}, kFn, {Value(2)}, "1,2,3", "1,2,3"},
        {"compare function never sees undefined", {u, Value(1), Value(3)}, kFn, {}, "3,1,undefined",
         "3,1,undefined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        Object* a = m.NewArray(c.elements);
        std::vector<Value> args = c.args;
        if (c.fn) args.insert(args.begin(), Value(NewNative(m, Backward)));
        Value r = CallMethod(m, Value(a), "sort", args);
        EXPECT_EQ(m.ToString(r), c.result);
        EXPECT_EQ(m.ToString(Value(a)), c.after);
    }
}

// A script's own compare function, run by the interpreter for each comparison
// in the quicksort's order (the pivot first, the left scan, the right scan, a pair):
// a = [3, 1, 2]; a.sort(function (x, y) { trace(x + " " + y); return x - y; }); trace(a)
TEST(Avm1ArraySort, ScriptCompareFunction) {
    fh::test::Asm compare;
    compare.GetVar("x").Str(" ").Op(0x47).GetVar("y").Op(0x47).Trace().GetVar("x").GetVar("y").Op(0x0B).Op(0x3E);
    fh::test::Asm code;
    code.Str("a").Int(2).Int(1).Int(3).Int(3).Op(0x42).Op(0x1D);
    code.Function("", {"x", "y"}, compare).Int(1).GetVar("a").Str("sort").Op(0x52).Op(0x17);
    code.TraceVar("a");
    EXPECT_EQ(fh::test::Run(code), "3 1|3 2|2 1|1,2,3");
}

TEST(Avm1ArraySort, ErraticCompareStillPermutes) {
    BuiltinsHost host;
    Machine m(host, 8);
    std::vector<Value> elements;
    for (int i = 0; i < 200; ++i) elements.emplace_back(i);
    Object* a = m.NewArray(elements);
    CallMethod(m, Value(a), "sort", {Value(NewNative(m, Erratic))});
    std::vector<double> seen;
    for (const Value& v : a->Elements()) seen.push_back(v.Number());
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST(Avm1ArraySort, SortOnFields) {
    struct Case {
        const char* label;
        std::vector<const char*> names;  // several travel as an array
        std::vector<int> options;        // none, one number, or an array of one per name
        const char* order;               // the records' names afterwards
    };
    const Case cases[] = {
        {"one field as text", {"age"}, {}, "cy,al,bo,di"},
        {"one field numeric, the tie as the quicksort leaves it", {"age"}, {16}, "di,bo,al,cy"},
        {"one field numeric descending", {"age"}, {18}, "cy,al,bo,di"},
        {"two fields", {"team", "name"}, {}, "bo,cy,al,di"},
        {"two fields, options each", {"team", "age"}, {0, 18}, "cy,bo,al,di"},
    };
    struct Row {
        const char* name;
        double age;
        const char* team;
    };
    const Row rows[] = {{"al", 30, "red"}, {"bo", 5, "blue"}, {"cy", 100, "blue"}, {"di", 5, "red"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        std::vector<Value> records;
        for (const Row& row : rows) {
            Object* o = m.NewObject();
            o->Define("name", Value(row.name), 0);
            o->Define("age", Value(row.age), 0);
            o->Define("team", Value(row.team), 0);
            records.emplace_back(o);
        }
        Object* a = m.NewArray(records);
        std::vector<Value> names(c.names.begin(), c.names.end()), options(c.options.begin(), c.options.end());
        std::vector<Value> args = {names.size() == 1 ? names[0] : Value(m.NewArray(names))};
        if (!options.empty()) args.push_back(options.size() == 1 ? options[0] : Value(m.NewArray(options)));
        CallMethod(m, Value(a), "sortOn", args);
        std::string order;
        for (const Value& v : a->Elements()) order += (order.empty() ? "" : ",") + m.ToString(m.Get(v, "name"));
        EXPECT_EQ(order, c.order);
    }
}

}  // namespace
}  // namespace fh::avm1
