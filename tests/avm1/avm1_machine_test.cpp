// The machine on hand-written blocks: variables and paths, functions and
// their registers, exceptions, objects and prototypes, the timeline actions.

#include <gtest/gtest.h>

#include "avm1/avm1_interp.h"
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

TEST(Avm1Machine, VariablesPathsAndScope) {
    // function g() { trace(foo); }  foo = "root"; clip.foo = "clip"; clip.g = g; clip.g(); g();
    Asm methodOnClip = Asm().Function("g", {}, Asm().TraceVar("foo")).SetVar("foo", Asm().Str("root"))
                           .Add(SetMember(Asm().GetVar("clip"), "foo", Asm().Str("clip")))
                           .Add(SetMember(Asm().GetVar("clip"), "g", Asm().GetVar("g")))
                           .Add(CallMethod(Asm().GetVar("clip"), "g", {})).Op(0x17).Add(Call("g", {})).Op(0x17);
    const struct {
        const char* label;
        Asm code;
        int version;
        const char* trace;
    } cases[] = {
        {"set and get", Asm().SetVar("a", Asm().Num(5)).TraceVar("a"), 7, "5"},
        {"names ignore case before 7", Asm().SetVar("Abc", Asm().Num(1)).TraceVar("aBC"), 6, "1"},
        {"names keep case from 7", Asm().SetVar("Abc", Asm().Num(1)).TraceVar("aBC"), 7, "undefined"},
        {"slash path with colon", Asm().SetVar("/clip:v", Asm().Str("x")).TraceVar("clip.v").TraceVar("/clip/inner:w"),
         7, "x|undefined"},
        {"dot path from _root", Asm().SetVar("_root.clip.inner.w", Asm().Num(3)).TraceVar("/clip/inner:w"), 7, "3"},
        {"parent path", Asm().SetVar("top", Asm().Num(8)).Act(0x8B, std::string("clip/inner") + '\0')
             .TraceVar("../../:top").TraceVar("_target").Act(0x8B, std::string(1, '\0')).TraceVar("_target"),
         7, "8|/clip/inner|/"},
        {"_global is the last scope", Asm().SetVar("_global.g", Asm().Num(4)).TraceVar("g"), 7, "4"},
        {"a timeline's child and display property",
         Member(Asm().GetVar("clip"), "_name").Trace().Add(Member(Asm().GetVar("clip"), "_x")).Trace(), 7, "clip|0"},
        {"targetPath", Asm().GetVar("clip").Op(0x45).Trace(), 7, "_level0.clip"},
        {"typeof a timeline", Asm().GetVar("_root").Op(0x44).Trace(), 7, "movieclip"},
        {"with", Asm().SetVar("o", New("Object")).Add(SetMember(Asm().GetVar("o"), "p", Asm().Num(2)))
             .GetVar("o").With(Asm().Str("p").Op(0x1C).Trace().Str("p").Num(9).Op(0x1D))
             .Add(Member(Asm().GetVar("o"), "p")).Trace(),
         7, "2|9"},
        {"delete", Asm().SetVar("d", Asm().Num(1)).Str("d").Op(0x3B).Trace().TraceVar("d"), 7, "true|undefined"},
        {"GetProperty by index", Asm().Str("clip").Num(13).Op(0x22).Trace(), 7, "clip"},
        {"GetProperty's index truncated toward zero", Asm().Str("clip").Num(13.9).Op(0x22).Trace()
             .Str("clip").Num(-0.8).Op(0x22).Op(0x44).Trace().Str("clip").Num(-1).Op(0x22).Trace(),
         7, "clip|number|undefined"},
        {"before 6 a method runs on the timeline it is called on", methodOnClip, 5, "clip|root"},
        {"from 6 a method runs on its own timeline", methodOnClip, 6, "root|root"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakeHost host;
        TimelineId clip = host.AddClip(1, "clip");
        host.AddClip(clip, "inner");
        Machine m(host, c.version);
        m.RunActions(1, c.code.Data(), c.code.Size());
        EXPECT_EQ(host.Take(), c.trace);
        EXPECT_EQ(m.CutScripts(), 0u);
    }
}

TEST(Avm1Machine, FunctionsClosuresAndRegisters) {
    // function make(n) { var k = n; return function () { return k = k + 1; }; }
    Asm inner = Asm().SetVar("k", Asm().GetVar("k").Num(1).Op(0x47)).GetVar("k").Op(0x3E);
    Asm make = Asm().Str("k").GetVar("n").Op(0x3C).Function("", {}, inner).Op(0x3E);
    // function2 (a in r2, b in r3) with `this` preloaded in r1: return a + b + this.base
    Asm add2 = Asm().Reg(2).Reg(3).Op(0x47).Add(Member(Asm().Reg(1), "base")).Op(0x47).Op(0x3E);
    const struct {
        const char* label;
        Asm code;
        int version;
        const char* trace;
    } cases[] = {
        {"closure keeps its own variable",
         Asm().Function("make", {"n"}, make).SetVar("c", Call("make", {Asm().Num(10)})).Add(Call("c", {})).Op(0x17)
             .Add(Call("c", {})).Trace().TraceVar("k"),
         7, "12|undefined"},
        {"no closures before 6",
         Asm().SetVar("k", Asm().Num(100)).Function("make", {"n"}, make).SetVar("c", Call("make", {Asm().Num(10)}))
             .Add(Call("c", {})).Trace(),
         5, "101"},
        {"registers and preloaded this",
         Asm().SetVar("o", New("Object")).Add(SetMember(Asm().GetVar("o"), "base", Asm().Num(100)))
             .Add(SetMember(Asm().GetVar("o"), "f", Asm().Function2("", 4, kPreloadThis | kSuppressArguments,
                                                                      {{2, "a"}, {3, "b"}}, add2)))
             .Add(CallMethod(Asm().GetVar("o"), "f", {Asm().Num(1), Asm().Num(2)})).Trace(),
         7, "103"},
        {"a suppressed preload keeps its register, empty",
         Asm().Function2("f", 4, kPreloadThis | kSuppressThis | kPreloadArguments, {},
                         Asm().Reg(1).Trace().Add(Member(Asm().Reg(2), "length")).Trace())
             .Add(Call("f", {Asm().Num(1), Asm().Num(2)})).Op(0x17),
         7, "undefined|2"},
        {"a setter setting its own property ends, and the script goes on",
         Asm().SetVar("n", Asm().Num(0))
             .Add(CallMethod(Asm().GetVar("this"), "addProperty",
                             {Asm().Str("p"), Asm().Function("", {}, Asm()),
                              Asm().Function("", {}, Asm().SetVar("n", Asm().GetVar("n").Op(0x50)).SetVar("p", Asm().Num(1)))}))
             .Op(0x17).SetVar("p", Asm().Num(1)).TraceVar("n").Str("end").Trace(),
         7, "130|end"},
        {"arguments and their count",
         Asm().Function("f", {}, Member(Asm().GetVar("arguments"), "length").Op(0x3E))
             .Add(Call("f", {Asm().Num(1), Asm().Num(2), Asm().Num(3)})).Trace(),
         7, "3"},
        {"call and apply", Asm().Function("f", {"x"}, Asm().GetVar("x").GetVar("this").Op(0x47).Op(0x3E))
             .Add(CallMethod(Asm().GetVar("f"), "call", {Asm().Str("T"), Asm().Str("X")})).Trace(),
         7, "XT"},
        {"global register survives the block", Asm().Num(7).Store(1).Op(0x17).Reg(1).Trace(), 7, "7"},
        {"recursion", Asm().Function("fact", {"n"}, Asm().GetVar("n").Num(2).Op(0x48).Op(0x12).If(13).Num(1).Op(0x3E)
                           .GetVar("n").Add(Call("fact", {Asm().GetVar("n").Op(0x51)})).Op(0x0C).Op(0x3E))
             .Add(Call("fact", {Asm().Num(10)})).Trace(),
         7, "3628800"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, c.version), c.trace);
    }
}

TEST(Avm1Machine, ACallReadsItsArgumentsWhereTheCallFoundThem) {
    const Asm arg0 = Member(Asm().GetVar("arguments"), "0"), arg2 = Member(Asm().GetVar("arguments"), "2");
    // Pushes enough values to move the stack's storage, in one action a function's length allows.
    std::string items;
    for (int i = 0; i < 6000; ++i) items += std::string(1, '\6') + std::string(8, '\0');
    const Asm many = Asm().Act(0x96, items);
    const Asm thrower = Asm().Function("t", {"a"}, Asm().GetVar("a").Op(0x2A));
    const Asm handler = Asm().GetVar("e").Trace();
    const struct {
        const char* label;
        Asm code;
        const char* trace;
    } cases[] = {
        {"arguments in order, past the parameters",
         Asm().Function("f", {"a"}, Asm().Add(arg0).Str(",").Op(0x47).Add(arg2).Op(0x47).GetVar("a").Op(0x47).Op(0x3E))
             .Add(Call("f", {Asm().Str("x"), Asm().Str("y"), Asm().Str("z")})).Trace(),
         "x,zx"},
        {"arguments first asked for after the stack grew",
         Asm().Function("f", {}, Asm().Add(many).Add(Member(Asm().GetVar("arguments"), "1")).Op(0x3E))
             .Add(Call("f", {Asm().Num(1), Asm().Str("second")})).Trace(),
         "second"},
        {"fewer arguments than parameters", Asm().Function("f", {"a", "b"}, Asm().GetVar("b").Op(0x3E))
             .Add(Call("f", {Asm().Num(1)})).Trace(), "undefined"},
        {"a count past what the stack holds",
         Asm().Function("f", {}, Member(Asm().GetVar("arguments"), "length").Op(0x3E))
             .Num(7).Num(5).Str("f").Op(0x3D).Trace(), "1"},
        {"the result takes the arguments' place",
         Asm().Function("f", {"a"}, Asm().GetVar("a").Op(0x3E)).Str("below")
             .Add(Call("f", {Asm().Num(1), Asm().Num(2)})).Trace().Trace(), "1|below"},
        {"a call among the arguments",
         Asm().Function("f", {"a", "b"}, Asm().GetVar("a").Num(10).Op(0x0C).GetVar("b").Op(0x47).Op(0x3E))
             .Function("g", {"x"}, Asm().GetVar("x").Op(0x50).Op(0x3E))
             .Add(Call("f", {Call("g", {Asm().Num(2)}), Asm().Num(3)})).Trace(), "33"},
        {"a native function", Asm().Add(Call("parseInt", {Asm().Str("42")})).Trace(), "42"},
        {"a throw out of a call leaves the stack as it was",
         Asm().Add(thrower).Str("kept").Try(Call("t", {Asm().Str("thrown"), Asm().Num(2)}), "e", &handler, nullptr)
             .Trace(), "thrown|kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code), c.trace);
    }
}

TEST(Avm1Machine, TryCatchFinallyAndThrow) {
    Asm thrower = Asm().Str("boom").Op(0x2A);
    Asm handler = Asm().Str("caught ").GetVar("e").Op(0x47).Trace();
    Asm last = Asm().Str("finally").Trace();
    Asm returnsInTry = Asm().Str("r").Op(0x3E);
    const struct {
        const char* label;
        Asm code;
        const char* trace;
    } cases[] = {
        {"catch", Asm().Try(thrower, "e", &handler, nullptr).Str("after").Trace(), "caught boom|after"},
        {"catch and finally", Asm().Try(thrower, "e", &handler, &last), "caught boom|finally"},
        {"finally without a throw", Asm().Try(Asm().Str("body").Trace(), "e", &handler, &last), "body|finally"},
        {"finally on return",
         Asm().Function("f", {}, Asm().Try(returnsInTry, "e", nullptr, &last)).Add(Call("f", {})).Trace(),
         "finally|r"},
        {"thrown through a call",
         Asm().Function("f", {}, thrower).Try(Call("f", {}), "e", &handler, nullptr), "caught boom"},
        {"uncaught ends the block", Asm().Str("a").Trace().Add(thrower).Str("b").Trace(), "a"},
        {"Error's message", Asm().Try(Asm().Str("bad").Num(1).Str("Error").Op(0x40).Op(0x2A), "e",
                                      &handler, nullptr), "caught bad"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code), c.trace);
    }
}

TEST(Avm1Machine, ObjectsPrototypesAndEnumeration) {
    // function A() {}  A.prototype.hi = "A";  function B() {}  B extends A
    Asm classes = Asm().Function("A", {}, Asm()).Add(SetMember(Member(Asm().GetVar("A"), "prototype"), "hi",
                                                                Asm().Str("A")))
                      .Function("B", {}, Asm()).GetVar("B").GetVar("A").Op(0x69);
    // for (r0 in o) trace(r0): names until the null below them
    Asm forIn = Asm().GetVar("o").Op(0x55).While(Asm().Store(0).Null().Op(0x49).Op(0x12), Asm().Reg(0).Trace());
    const struct {
        const char* label;
        Asm code;
        int version;
        const char* trace;
    } cases[] = {
        {"inherited member and instanceof",
         Asm().Add(classes).SetVar("b", New("B")).Add(Member(Asm().GetVar("b"), "hi")).Trace()
             .GetVar("b").GetVar("A").Op(0x54).Trace().GetVar("b").GetVar("B").Op(0x54).Trace(),
         7, "A|true|true"},
        {"for-in newest first",
         Asm().SetVar("o", Asm().Str("a").Num(1).Str("b").Num(2).Num(2).Op(0x43))
             .Add(SetMember(Asm().GetVar("o"), "c", Asm().Num(3))).Add(forIn),
         7, "c|a|b"},
        {"InitObject and toString", Asm().Num(0).Op(0x43).Trace(), 7, "[object Object]"},
        {"arrays print joined", Asm().Num(3).Num(2).Num(1).Num(3).Op(0x42).Trace(), 7, "1,2,3"},
        {"array length", Asm().SetVar("a", Asm().Num(0).Op(0x42)).Add(SetMember(Asm().GetVar("a"), "4", Asm().Num(1)))
             .Add(Member(Asm().GetVar("a"), "length")).Trace(),
         7, "5"},
        {"functions print as such", Asm().Function("", {}, Asm()).Trace(), 7, "[type Function]"},
        {"valueOf before toString",
         Asm().SetVar("o", New("Object")).Add(SetMember(Asm().GetVar("o"), "valueOf",
                                                        Asm().Function("", {}, Asm().Num(41).Op(0x3E))))
             .GetVar("o").Num(1).Op(0x47).Trace(),
         7, "42"},
        {"addProperty getter and setter",
         Asm().SetVar("o", New("Object")).Add(CallMethod(Asm().GetVar("o"), "addProperty",
                                                         {Asm().Str("p"), Asm().Function("", {}, Asm().Str("got").Op(0x3E)),
                                                          Asm().Function("", {"v"}, Asm().GetVar("v").Trace())}))
             .Op(0x17).Add(SetMember(Asm().GetVar("o"), "p", Asm().Str("set"))).Add(Member(Asm().GetVar("o"), "p"))
             .Trace(),
         7, "set|got"},
        {"watch", Asm().SetVar("o", New("Object")).Add(CallMethod(Asm().GetVar("o"), "watch",
                                                                  {Asm().Str("p"), Asm().Function("", {"n", "old", "v"},
                                                                                                  Asm().GetVar("v").Num(1).Op(0x47).Op(0x3E))}))
             .Op(0x17).Add(SetMember(Asm().GetVar("o"), "p", Asm().Num(1))).Add(Member(Asm().GetVar("o"), "p")).Trace(),
         7, "2"},
        {"ASSetPropFlags hides from for-in",
         Asm().SetVar("o", Asm().Str("a").Num(1).Str("b").Num(2).Num(2).Op(0x43))
             .Add(Call("ASSetPropFlags", {Asm().GetVar("o"), Asm().Str("a"), Asm().Num(1)})).Op(0x17).Add(forIn),
         7, "b"},
        {"super calls the class above",
         Asm().Function("A", {}, Asm().Str("A").Trace())
             .Function("B", {}, Asm().Num(0).GetVar("super").Undef().Op(0x52).Op(0x17).Str("B").Trace())
             .GetVar("B").GetVar("A").Op(0x69).Add(New("B")).Op(0x17),
         7, "A|B"},
        {"interfaces answer instanceof and casts",
         Asm().Function("I", {}, Asm()).Function("J", {}, Asm()).Function("C", {}, Asm())
             .GetVar("I").Num(1).GetVar("J").Op(0x2C).GetVar("J").Num(1).GetVar("C").Op(0x2C)
             .SetVar("c", New("C")).GetVar("c").GetVar("I").Op(0x54).Trace()
             .GetVar("I").GetVar("c").Op(0x2B).Op(0x44).Trace().GetVar("A").GetVar("c").Op(0x2B).Trace(),
         7, "true|object|null"},
        {"hasOwnProperty", Asm().Add(classes).SetVar("b", New("B"))
             .Add(CallMethod(Asm().GetVar("b"), "hasOwnProperty", {Asm().Str("hi")})).Trace(),
         7, "false"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, c.version), c.trace);
    }
}

TEST(Avm1Machine, ObjectsAsOperands) {
    // o = {}; o[name] = value
    auto make = [](const char* name, Asm value) {
        return Asm().SetVar("o", Asm().Num(0).Op(0x43)).Add(SetMember(Asm().GetVar("o"), name, value));
    };
    Asm toX = make("toString", Asm().Function("", {}, Asm().Str("X").Op(0x3E)));
    Asm valueOfObject = make("valueOf", Asm().Function("", {}, Asm().Num(0).Op(0x43).Op(0x3E)))
                            .Add(SetMember(Asm().GetVar("o"), "toString", Asm().Undef()));
    Asm noValueOf = make("valueOf", Asm().Undef());
    const struct {
        const char* label;
        Asm code;
        int version;
        const char* trace;
    } cases[] = {
        {"joined with a string by toString", Asm().Add(toX).GetVar("o").Str("s").Op(0x47).Trace(), 7, "Xs"},
        {"added to an object or a number: NaN",
         Asm().Add(toX).GetVar("o").GetVar("o").Op(0x47).Trace().Num(1).GetVar("o").Op(0x47).Trace(), 7, "NaN|NaN"},
        {"a number from valueOf only", Asm().Add(toX).GetVar("o").Num(1).Op(0x0B).Trace(), 7, "NaN"},
        {"valueOf giving an object, no toString", Asm().Add(valueOfObject).Str("").GetVar("o").Op(0x47).Trace(), 5,
         "[type Object]"},
        {"no valueOf reads as undefined", Asm().Add(noValueOf).Str("").GetVar("o").Op(0x47).Trace(), 5, ""},
        {"equality asks valueOf only", Asm().Add(toX).Str("X").GetVar("o").Op(0x49).Trace(), 7, "false"},
        {"a function without toString",
         Asm().Function("f", {}, Asm()).Add(SetMember(Asm().GetVar("f"), "toString", Asm().Undef())).GetVar("f")
             .Trace(),
         7, "[type Function]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, c.version), c.trace);
    }
}

TEST(Avm1Machine, AccessorsAndFlagsOnVariablesStayInTheWay) {
    // Variables of the timeline reached by name, where reads and writes of bare values take a shortcut.
    Asm accessors = CallMethod(Asm().GetVar("this"), "addProperty",
                               {Asm().Str("v"), Asm().Function("", {}, Asm().Str("got").Op(0x3E)),
                                Asm().Function("", {"x"}, Asm().GetVar("x").Trace())}).Op(0x17);
    Asm watcher = Asm().Function("", {"n", "old", "v"}, Asm().GetVar("v").Num(1).Op(0x47).Op(0x3E));
    auto flagged = [](double flags) {
        return Asm().SetVar("h", Asm().Num(1))
            .Add(Call("ASSetPropFlags", {Asm().GetVar("this"), Asm().Str("h"), Asm().Num(flags)})).Op(0x17)
            .SetVar("h", Asm().Num(2)).TraceVar("h");
    };
    const struct {
        const char* label;
        Asm code;
        const char* trace;
    } cases[] = {
        {"getter and setter", Asm().Add(accessors).SetVar("v", Asm().Str("set")).TraceVar("v"), "set|got"},
        {"watched", Asm().SetVar("w", Asm().Num(1))
             .Add(CallMethod(Asm().GetVar("this"), "watch", {Asm().Str("w"), watcher})).Op(0x17)
             .SetVar("w", Asm().Num(5)).TraceVar("w"), "6"},
        {"read-only", flagged(4), "1"},
        {"hidden from the version", flagged(0x1000), "2"},
        {"a function's local with a watch", Asm().Function("f", {"a"}, Asm().Str("a").Str("a").GetVar("a").Op(0x3C)
             .Add(CallMethod(Asm().GetVar("this"), "watch", {Asm().Str("a"), watcher})).Op(0x17)
             .SetVar("a", Asm().Num(10)).GetVar("a").Op(0x3E))
             .Add(Call("f", {Asm().Num(1)})).Trace(), "10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, 7), c.trace);
    }
}

TEST(Avm1Machine, ArrayElementsAsProperties) {
    // for (r0 in a) trace(r0)
    Asm forIn = Asm().GetVar("a").Op(0x55).While(Asm().Store(0).Null().Op(0x49).Op(0x12), Asm().Reg(0).Trace());
    auto has = [](const char* index) {
        return CallMethod(Asm().GetVar("a"), "hasOwnProperty", {Asm().Str(index)}).Trace();
    };
    Asm sparse = Asm().SetVar("a", Asm().Num(4).Num(1).Str("Array").Op(0x40))
                     .Add(SetMember(Asm().GetVar("a"), "1", Asm().Undef()))
                     .Add(SetMember(Asm().GetVar("a"), "0", Asm().Str("x")))
                     .Add(SetMember(Asm().GetVar("a"), "foo", Asm().Str("y")))
                     .Add(SetMember(Asm().GetVar("a"), "6", Asm().Str("z")));
    const struct {
        const char* label;
        Asm code;
        const char* trace;
    } cases[] = {
        {"for-in newest first, holes skipped", Asm().Add(sparse).Add(forIn), "6|foo|0|1"},
        {"a literal's elements, undefined ones too", Asm().SetVar("a", Asm().Undef().Num(1).Num(2).Op(0x42)).Add(forIn),
         "1|0"},
        {"hasOwnProperty of a hole and of an undefined element", Asm().Add(sparse).Add(has("3")).Add(has("1")), "false|true"},
        {"a deleted element is a hole",
         Asm().Add(sparse).GetVar("a").Str("0").Op(0x3A).Trace().Add(has("0")).Add(Member(Asm().GetVar("a"), "length"))
             .Trace(),
         "true|false|7"},
        {"new Array(-1) keeps its length until an element is set",
         Asm().SetVar("a", Asm().Num(-1).Num(1).Str("Array").Op(0x40)).GetVar("a").Trace()
             .Add(Member(Asm().GetVar("a"), "length")).Trace().Add(SetMember(Asm().GetVar("a"), "2", Asm().Num(1)))
             .Add(Member(Asm().GetVar("a"), "length")).Trace(),
         "|-1|3"},
        {"InitArray with a count no array can hold",
         Asm().Str("a").Str("b").Num(4294967297.0).Op(0x42).Trace().Trace().Trace(), "undefined|b|a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, 8), c.trace);
    }
}

TEST(Avm1Machine, PropertyFlagsAndVersions) {
    // o = {a: 1}; ASSetPropFlags(o, "a", set, clear); o.a = 2; delete o.a; trace(o.a)
    auto flagged = [](double set, double clear) {
        return Asm().SetVar("o", Asm().Str("a").Num(1).Num(1).Op(0x43))
            .Add(Call("ASSetPropFlags", {Asm().GetVar("o"), Asm().Str("a"), Asm().Num(set), Asm().Num(clear)}))
            .Op(0x17).Add(SetMember(Asm().GetVar("o"), "a", Asm().Num(2))).Add(Member(Asm().GetVar("o"), "a")).Trace()
            .GetVar("o").Str("a").Op(0x3A).Trace().Add(Member(Asm().GetVar("o"), "a")).Trace();
    };
    const struct {
        const char* label;
        Asm code;
        int version;
        const char* trace;
    } cases[] = {
        {"no flags", flagged(0, 0), 7, "2|true|undefined"},
        {"read-only", flagged(4, 0), 7, "1|true|undefined"},
        {"not deletable", flagged(2, 0), 7, "2|false|2"},
        {"cleared", flagged(0, 6), 7, "2|true|undefined"},
        {"for version 7 in a version 6 movie", flagged(0x400, 0), 6, "2|true|undefined"},
        {"for version 8 in a version 8 movie", flagged(0x1000 | 2, 0), 8, "2|false|2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, c.version), c.trace);
    }
}

TEST(Avm1Machine, PropertiesHiddenByVersion) {
    // o = {a: 1}; ASSetPropFlags(o, "a", flag); trace(o.a); trace(o.hasOwnProperty("a")); for (k in o) trace(k);
    // trace(delete o.a); trace(o.hasOwnProperty("a"))
    auto hide = [](double flag) {
        return Asm().SetVar("o", Asm().Str("a").Num(1).Num(1).Op(0x43))
            .Add(Call("ASSetPropFlags", {Asm().GetVar("o"), Asm().Str("a"), Asm().Num(flag)})).Op(0x17)
            .Add(Member(Asm().GetVar("o"), "a")).Trace()
            .Add(CallMethod(Asm().GetVar("o"), "hasOwnProperty", {Asm().Str("a")})).Trace()
            .GetVar("o").Op(0x55).While(Asm().Store(0).Null().Op(0x49).Op(0x12), Asm().Reg(0).Trace())
            .GetVar("o").Str("a").Op(0x3A).Trace()
            .Add(CallMethod(Asm().GetVar("o"), "hasOwnProperty", {Asm().Str("a")})).Trace();
    };
    const struct {
        const char* label;
        double flag;
        int version;
        const char* trace;
    } cases[] = {
        {"version 10 flag in 9", 0x4000, 9, "undefined|true|a|true|false"},
        {"the second version 7 flag in 6", 0x100, 6, "undefined|true|a|true|false"},
        {"the second version 7 flag in 7", 0x100, 7, "1|true|a|true|false"},
        {"an unused bit hides nothing", 0x8000, 6, "1|true|a|true|false"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(hide(c.flag), c.version), c.trace);
    }
    // A setter hidden from the movie's version is passed by: the name is set on the object itself.
    Asm setter = Asm().SetVar("o", Asm().Num(0).Op(0x43)).SetVar("p", Asm().Num(0).Op(0x43))
                     .Add(SetMember(Asm().GetVar("o"), "__proto__", Asm().GetVar("p")))
                     .Add(CallMethod(Asm().GetVar("p"), "addProperty",
                                     {Asm().Str("a"), Asm().Function("", {}, Asm().Str("got").Op(0x3E)),
                                      Asm().Function("", {}, Asm().Str("setter").Trace())})).Op(0x17)
                     .Add(Call("ASSetPropFlags", {Asm().GetVar("p"), Asm().Str("a"), Asm().Num(0x4000)})).Op(0x17)
                     .Add(SetMember(Asm().GetVar("o"), "a", Asm().Num(20))).Add(Member(Asm().GetVar("o"), "a")).Trace();
    EXPECT_EQ(test::Run(setter, 8), "20");
}

TEST(Avm1Machine, TimelinesAsObjects) {
    FakeHost host;
    TimelineId clip = host.AddClip(1, "clip");
    TimelineId inner = host.AddClip(clip, "inner");
    host.clips[inner].props[kPropX] = 12;
    Machine m(host, 7);
    // A frame script of the inner clip: its `this`, its parent's variables, its display properties.
    Asm rootScript = Asm().SetVar("v", Asm().Str("root v")).Add(SetMember(Asm().GetVar("clip"), "v", Asm().Str("clip v")));
    Asm innerScript = Asm().GetVar("this").Trace().Add(Member(Asm().GetVar("_parent"), "v")).Trace().TraceVar("_root.v")
                          .TraceVar("_x").SetVar("_x", Asm().Num(30)).GetVar("_target").Trace()
                          .Add(Member(Asm().GetVar("_parent"), "_name")).Trace()
                          .Function2("f", 4, kPreloadRoot | kPreloadParent | kPreloadGlobal, {},
                                     Asm().Reg(1).Trace().Reg(2).Trace().Add(Member(Asm().Reg(3), "v")).Trace())
                          .SetVar("_global.v", Asm().Str("global v")).Num(0).Str("f").Op(0x3D).Op(0x17);
    m.RunActions(1, rootScript.Data(), rootScript.Size());
    m.RunActions(inner, innerScript.Data(), innerScript.Size());
    EXPECT_EQ(host.Take(), "_level0.clip.inner|clip v|root v|12|/clip/inner|clip|_level0|_level0.clip|global v");
    EXPECT_EQ(host.clips[inner].props[kPropX], 30);
    // A removed timeline: its object stays, and reads nothing through it.
    Asm keep = Asm().SetVar("kept", Asm().GetVar("clip.inner"));
    m.RunActions(1, keep.Data(), keep.Size());
    host.clips[inner].alive = false;
    m.TimelineRemoved(inner);
    Asm read = Member(Asm().GetVar("kept"), "_x").Trace().GetVar("clip.inner").Trace();
    m.RunActions(1, read.Data(), read.Size());
    EXPECT_EQ(host.Take(), "undefined|undefined");
}

TEST(Avm1Machine, AFramesBlocksShareTheStack) {
    FakeHost host;
    TimelineId clip = host.AddClip(1, "clip");
    Machine m(host, 10);
    Asm leave = Asm().Str("left");
    Asm take = Asm().Trace();
    Asm thrown = Asm().Str("lost").Str("boom").Op(0x2A);
    m.RunActions(1, leave.Data(), leave.Size());
    m.RunActions(clip, take.Data(), take.Size());
    m.RunActions(1, take.Data(), take.Size());
    m.RunActions(1, leave.Data(), leave.Size());
    m.Collect();  // the frame is over
    m.RunActions(1, take.Data(), take.Size());
    m.RunActions(1, thrown.Data(), thrown.Size());
    m.RunActions(1, take.Data(), take.Size());
    EXPECT_EQ(host.Take(), "left|undefined|undefined|undefined");
}

TEST(Avm1Machine, TimelineActionsReachTheHost) {
    FakeHost host;
    TimelineId clip = host.AddClip(1, "clip");
    Machine m(host, 7);
    Asm code = Asm().Op(0x07).Act(0x81, std::string("\x04\x00", 2)).Act(0x8B, std::string("clip") + '\0').Op(0x06)
                   .Act(0x8C, std::string("end") + '\0').Act(0x8B, std::string(1, '\0')).Str("clip:5")
                   .Act(0x9F, std::string(1, '\1')).Add(CallMethod(Asm().GetVar("clip"), "gotoAndStop", {Asm().Num(3)}))
                   .Op(0x17).Str("FSCommand:quit").Str("").Act(0x9A, std::string(1, '\0'))
                   .Str("b").Str("a").Str("fullscreen").Num(3).Op(0x2D).Str("http://x").Str("_blank").Act(0x9A, std::string(1, '\0'));
    m.RunActions(1, code.Data(), code.Size());
    const std::vector<std::string> expected = {"stop 1", "goto 1 5 stop", "play " + std::to_string(clip),
                                               "label " + std::to_string(clip) + " end stop",
                                               "goto " + std::to_string(clip) + " 5 play",
                                               "goto " + std::to_string(clip) + " 3 stop", "fscommand quit ",
                                               "fscommand fullscreen a,b"};
    EXPECT_EQ(host.log, expected);
}

}  // namespace
}  // namespace fh::avm1
