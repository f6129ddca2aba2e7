#include <gtest/gtest.h>

#include "avm1/avm1_utf16.h"
#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;

// Three Hangul syllables: three units, nine bytes.
const char* const kHangul = u8"\uAC00\uB098\uB2E4";

TEST(Avm1StringMethods, ByUnit) {
    struct Case {
        const char* label;
        const char* text;
        const char* method;
        std::vector<Value> args;
        const char* result;
    };
    const Value u;
    const Case cases[] = {
        {"charAt", "hello", "charAt", {Value(1)}, "e"},
        {"charAt past the end", "hello", "charAt", {Value(5)}, ""},
        {"charAt a syllable", kHangul, "charAt", {Value(1)}, u8"\uB098"},
        {"charCodeAt a syllable", kHangul, "charCodeAt", {Value(2)}, "45796"},
        {"charCodeAt past the end", "abc", "charCodeAt", {Value(-1)}, "NaN"},
        {"concat", "ab", "concat", {Value(1), Value(true)}, "ab1true"},
        {"indexOf", "banana", "indexOf", {Value("an")}, "1"},
        {"indexOf from", "banana", "indexOf", {Value("an"), Value(2)}, "3"},
        {"indexOf after syllables", u8"\uAC00\uB098\uB2E4an", "indexOf", {Value("a")}, "3"},
        {"lastIndexOf", "banana", "lastIndexOf", {Value("an")}, "3"},
        {"lastIndexOf before", "banana", "lastIndexOf", {Value("an"), Value(2)}, "1"},
        {"slice from the end", "abcdef", "slice", {Value(-3), Value(-1)}, "de"},
        {"slice of syllables", kHangul, "slice", {Value(1)}, u8"\uB098\uB2E4"},
        {"substr", "abcdef", "substr", {Value(-4), Value(2)}, "cd"},
        {"substr to the end", kHangul, "substr", {Value(2)}, u8"\uB2E4"},
        {"substr of nothing", "abcdef", "substr", {Value(1), Value(-1)}, ""},
        {"substring swaps", "abcdef", "substring", {Value(4), Value(1)}, "bcd"},
        {"toUpperCase", u8"abc \u00e9\u0447\u03b2", "toUpperCase", {}, u8"ABC \u00c9\u0427\u0392"},
        {"toLowerCase", u8"ABC \u00c9\u0178\u0130", "toLowerCase", {}, u8"abc \u00e9\u00ffi"},
        {"split", "a,b,,c", "split", {Value(",")}, "a|b||c"},
        {"split with a limit", "a,b,c", "split", {Value(","), Value(2)}, "a|b"},
        {"split by a longer separator", "a::b::", "split", {Value("::")}, "a|b|"},
        {"split into units", kHangul, "split", {Value("")}, u8"\uAC00|\uB098|\uB2E4"},
        {"split without a separator", "a,b", "split", {u}, "a,b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        Value r = CallMethod(m, Value(c.text), c.method, c.args);
        if (Object* parts = r.Obj()) r = CallMethod(m, Value(parts), "join", {Value("|")});
        EXPECT_EQ(m.ToString(r), c.result);
    }
}

TEST(Avm1StringMethods, FromCharCodeAndWrappers) {
    BuiltinsHost host;
    Machine m(host, 8);
    EXPECT_EQ(m.ToString(test::CallStatic(m, "String", "fromCharCode", {Value(0xAC00), Value(65), Value(0), Value(0x10061)})),
              u8"\uAC00Aa");
    Value wrapper = test::New(m, "String", {Value("Hello")});
    EXPECT_EQ(m.ToString(CallMethod(m, wrapper, "toUpperCase", {})), "HELLO");
}

// Each call on a long text or array costs in proportion: a loop of them is
// cut by the action cap rather than running for minutes.
TEST(Avm1StringMethods, LongInputsCountAgainstTheCaps) {
    BuiltinsHost host;
    Limits limits;
    limits.maxActions = 100;
    Machine m(host, 8, limits);
    Value longText(std::string(1 << 20, 'x'));
    Value bigArray(m.NewArray(std::vector<Value>(1 << 20)));
    EXPECT_EQ(m.ToString(CallMethod(m, Value("short"), "charAt", {Value(1)})), "h");
    EXPECT_EQ(m.CutScripts(), 0u);
    EXPECT_TRUE(CallMethod(m, longText, "charAt", {Value(1)}).IsUndefined());
    EXPECT_TRUE(CallMethod(m, bigArray, "slice", {Value(1)}).IsUndefined());
    EXPECT_TRUE(CallMethod(m, bigArray, "sort", {}).IsUndefined());
    EXPECT_EQ(m.CutScripts(), 3u);
}

TEST(Avm1Utf16, RoundTrips) {
    struct Case {
        const char* label;
        std::string text;
        std::size_t units;
    };
    const Case cases[] = {
        {"ASCII", "plain", 5},
        {"Hangul", kHangul, 3},
        {"outside the basic plane", u8"a\U0001F600", 3},
        {"a lone surrogate's own form", "\xED\xA0\x80", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::u16string units = Utf8ToUtf16(c.text);
        EXPECT_EQ(units.size(), c.units);
        EXPECT_EQ(Utf16Length(c.text), c.units);
        EXPECT_EQ(Utf16ToUtf8(units), c.text);
        // Cut anywhere, even inside a pair, and joined back: the same units.
        for (std::size_t cut = 0; cut <= units.size(); ++cut)
            EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(units.substr(0, cut)) + Utf16ToUtf8(units.substr(cut))), units);
    }
    // Bytes that are no UTF-8 read as Latin-1 characters, one unit each.
    EXPECT_EQ(Utf8ToUtf16("a\xFF\xC3"), (std::u16string{u'a', 0xFF, 0xC3}));
}

}  // namespace
}  // namespace fh::avm1
