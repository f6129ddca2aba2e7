// The core classes the machine installs (Object, Function, Array, String,
// Number, Boolean, the globals) and blocks that are damaged or odd.

#include <gtest/gtest.h>

#include "avm1_fixture.h"

namespace fh::avm1 {
namespace {

using test::Asm;
using test::FakeHost;
using test::Member;
using test::SetMember;
using test::Call;
using test::CallMethod;
using test::New;

TEST(Avm1Classes, ConstructorsConversionsAndWrappers) {
    const struct {
        const char* label;
        Asm code;
        int version;
        const char* trace;
    } cases[] = {
        {"Number()", Call("Number", {Asm().Str(" 0x10 ")}).Trace(), 7, "16"},
        {"String()", Call("String", {Asm().Undef()}).Trace().Add(Call("String", {Asm().Undef()})).Trace(), 7,
         "undefined|undefined"},
        {"Boolean() by version", Call("Boolean", {Asm().Str("0")}).Trace(), 6, "false"},
        {"Boolean() by version", Call("Boolean", {Asm().Str("0")}).Trace(), 7, "true"},
        {"a Number wrapper", New("Number", {Asm().Num(5)}).Op(0x44).Trace().Add(New("Number", {Asm().Num(5)}))
             .Num(1).Op(0x47).Trace(),
         7, "object|6"},
        {"a String wrapper", New("String", {Asm().Str("ab")}).Str("c").Op(0x47).Trace()
             .Add(Member(New("String", {Asm().Str("h\xC3\xA9")}), "length")).Trace(),
         7, "abc|2"},
        {"toString with a radix", CallMethod(Asm().Num(255), "toString", {Asm().Num(2)}).Trace(), 7, "11111111"},
        {"Boolean's text", CallMethod(Asm().Bool(false), "toString", {}).Trace(), 7, "false"},
        {"new Array(n)", Member(New("Array", {Asm().Num(3)}), "length").Trace(), 7, "3"},
        {"Array(a, b)", Call("Array", {Asm().Num(1), Asm().Str("x")}).Trace(), 7, "1,x"},
        {"join", CallMethod(Asm().Num(3).Num(2).Num(1).Num(3).Op(0x42), "join", {Asm().Str("-")}).Trace(), 7, "1-2-3"},
        {"apply with an array",
         Asm().Function("f", {"a", "b"}, Asm().GetVar("a").GetVar("b").Op(0x47).Op(0x3E))
             .Add(CallMethod(Asm().GetVar("f"), "apply", {Asm().Null(), Asm().Num(2).Num(1).Num(2).Op(0x42)})).Trace(),
         7, "3"},
        {"arguments.callee", Asm().Function("f", {}, Member(Asm().GetVar("arguments"), "callee").GetVar("f").Op(0x66)
                                                        .Op(0x3E))
                                 .Add(Call("f", {})).Trace(),
         7, "true"},
        {"isNaN and isFinite", Call("isNaN", {Asm().Str("x")}).Trace().Add(Call("isFinite", {Asm().Num(1)})).Trace(),
         7, "true|true"},
        {"a toString that gives no string", Asm().SetVar("o", New("Object"))
             .Add(SetMember(Asm().GetVar("o"), "toString", Asm().Function("", {}, Asm().Num(4).Op(0x3E))))
             .GetVar("o").Trace().Str("").GetVar("o").Op(0x21).Trace(),
         7, "[type Object]|[type Object]"},
        {"Error", New("Error", {Asm().Str("bad")}).Trace().Add(Member(New("Error"), "message")).Trace(), 7,
         "bad|Error"},
        {"member names ignore case before 7",
         Asm().SetVar("o", New("Object")).Add(SetMember(Asm().GetVar("o"), "Foo", Asm().Num(1)))
             .Add(Member(Asm().GetVar("o"), "fOO")).Trace(),
         6, "1"},
        {"var stays in the function, a plain name goes to the timeline",
         Asm().Function("f", {}, Asm().Str("local").Num(1).Op(0x3C).SetVar("leaked", Asm().Num(2))).Add(Call("f", {}))
             .Op(0x17).TraceVar("local").TraceVar("leaked"),
         7, "undefined|2"},
        {"for-in lists inherited names after own, each once",
         Asm().Function("C", {}, Asm()).Add(SetMember(Member(Asm().GetVar("C"), "prototype"), "p", Asm().Num(1)))
             .Add(SetMember(Member(Asm().GetVar("C"), "prototype"), "q", Asm().Num(1))).SetVar("c", New("C"))
             .Add(SetMember(Asm().GetVar("c"), "q", Asm().Num(2))).Add(SetMember(Asm().GetVar("c"), "r", Asm().Num(3)))
             .GetVar("c").Op(0x55).While(Asm().Store(0).Null().Op(0x49).Op(0x12), Asm().Reg(0).Trace()),
         7, "r|q|p"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, c.version), c.trace);
    }
}

TEST(Avm1Classes, OddAndDamagedBlocksEndSafely) {
    const struct {
        const char* label;
        std::string bytes;
        const char* trace;
    } cases[] = {
        // Push "a"; an unknown action with a payload; Trace.
        {"unknown action skipped by its length", std::string("\x96\x03\x00\x00" "a\x00\xFE\x02\x00xy\x26", 12), "a"},
        {"unknown short action", std::string("\x96\x03\x00\x00" "b\x00\x7F\x26", 8), "b"},
        {"record longer than the block", std::string("\x96\x03\x00\x00" "c\x00\x26\x96\xFF\x00\x00", 11), "c"},
        {"string without its end", std::string("\x96\x03\x00\x00" "d\x00\x26\x96\x02\x00\x00" "e\x26", 13), "d|undefined"},
        {"register out of range", std::string("\x96\x02\x00\x04\xC8\x26", 6), "undefined"},
        {"constant out of range", std::string("\x88\x04\x00\x01\x00" "z\x00\x96\x02\x00\x08\x05\x26", 13), "undefined"},
        {"jump far away", std::string("\x99\x02\x00\xFF\x7F\x96\x03\x00\x00" "f\x00\x26", 12), ""},
        {"pops from an empty stack", std::string("\x17\x17\x26", 3), "undefined"},
        {"function body past the end", std::string("\x9B\x06\x00" "g\x00\x00\x00\xFF\x00\x26", 10), ""},
        // The try block runs to the end of the data, and catch and finally are empty.
        {"try sizes past the end", std::string("\x8F\x08\x00\x03\xFF\x00\xFF\x00\xFF\x00\x00\x26", 12), "undefined"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakeHost host;
        Machine m(host, 7);
        m.RunActions(1, reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size());
        EXPECT_EQ(host.Take(), c.trace);
        EXPECT_EQ(m.CutScripts(), 0u);
    }
}

TEST(Avm1Classes, ClockRandomAndCodePage) {
    FakeHost host;
    host.now = 1234.7;
    Machine m(host, 5);
    // getTimer, random(10) twice, a code-page string of a version 5 movie
    Asm code = Asm().Op(0x34).Trace().Num(10).Op(0x30).Store(1).Num(0).Op(0x48).Trace().Reg(1).Num(10).Op(0x48)
                   .Trace().Str("caf\xE9").Trace();
    m.RunActions(1, code.Data(), code.Size());
    EXPECT_EQ(host.Take(), "1234|false|true|caf\xE9");
    struct Latin1Host : FakeHost {
        std::string LocalToUtf8(const std::string& text) override {
            std::string out;
            for (char c : text) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : Utf8Encode(static_cast<unsigned char>(c));
            return out;
        }
    } latin1;
    for (int version : {5, 6}) {
        SCOPED_TRACE(version);
        Machine v(latin1, version);
        Asm text = Asm().Str("caf\xE9").Trace();
        v.RunActions(1, text.Data(), text.Size());
        EXPECT_EQ(latin1.Take(), version < 6 ? "caf\xC3\xA9" : "caf\xE9");
    }
}

}  // namespace
}  // namespace fh::avm1
