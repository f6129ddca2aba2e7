// Hostile scripts end at the machine's caps and the next run is whole;
// collection frees what scripts dropped; timers run on the frame clock.

#include <gtest/gtest.h>

#include "avm1_fixture.h"

namespace fh::avm1 {
namespace {

using test::Asm;
using test::FakeHost;
using test::Member;
using test::SetMember;
using test::New;

Asm NestedWith(int depth) {
    Asm a;
    for (int i = 0; i < depth; ++i) a = Asm().GetVar("_root").With(a);
    return a;
}

TEST(Avm1Limits, HostileScriptsAreCut) {
    Limits small;
    small.maxActions = 200000;
    small.maxStringLength = 1 << 16;
    small.maxArrayLength = 1 << 12;
    small.maxObjects = 5000;
    small.maxStack = 1000;
    small.maxLiveStringBytes = Str::LiveBytes() + (1 << 20);
    const struct {
        const char* label;
        Asm code;
    } cases[] = {
        {"endless loop", Asm().Jump(-5)},
        {"deep recursion", Asm().Function("f", {}, Asm().Num(0).Str("f").Op(0x3D)).Num(0).Str("f").Op(0x3D)},
        {"string doubling", Asm().SetVar("s", Asm().Str("ab")).While(Asm().Bool(true),
                                                                      Asm().SetVar("s", Asm().GetVar("s").GetVar("s").Op(0x47)))},
        {"strings kept without end", Asm().SetVar("s", Asm().Str(std::string(1000, 'x'))).SetVar("a", Asm().Num(0).Op(0x42))
                                         .SetVar("i", Asm().Num(0))
                                         .While(Asm().Bool(true), Asm().GetVar("a").GetVar("i").GetVar("s").GetVar("i")
                                                                      .Op(0x47).Op(0x4F).SetVar("i", Asm().GetVar("i").Op(0x50)))},
        {"huge array length", Asm().SetVar("a", Asm().Num(0).Op(0x42)).Add(SetMember(Asm().GetVar("a"), "length",
                                                                                    Asm().Num(1e9)))},
        {"huge array index", Asm().SetVar("a", Asm().Num(0).Op(0x42)).Add(SetMember(Asm().GetVar("a"), "99999999",
                                                                                   Asm().Num(1)))},
        {"objects without end", Asm().While(Asm().Bool(true), Asm().SetVar("o", New("Object")))},
        {"stack flood", Asm().While(Asm().Bool(true), Asm().Num(1))},
        {"__proto__ cycle", Asm().SetVar("a", New("Object")).SetVar("b", New("Object"))
                                .Add(SetMember(Asm().GetVar("a"), "__proto__", Asm().GetVar("b")))
                                .Add(SetMember(Asm().GetVar("b"), "__proto__", Asm().GetVar("a")))
                                .Add(Member(Asm().GetVar("a"), "missing")).Trace()
                                .GetVar("a").GetVar("Object").Op(0x54).Trace().Jump(-5)},
        {"nested with", NestedWith(100)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakeHost host;
        Machine m(host, 7, small);
        m.RunActions(1, c.code.Data(), c.code.Size());
        EXPECT_EQ(m.CutScripts(), 1u);
        EXPECT_LE(m.LiveObjects(), small.maxObjects + 1024);
        host.Take();
        // The next run is not hurt.
        Asm next = Asm().Str("next").Trace();
        m.RunActions(1, next.Data(), next.Size());
        EXPECT_EQ(host.Take(), "next");
        EXPECT_EQ(m.CutScripts(), 1u);
    }
}

TEST(Avm1Limits, RecursionWithArgumentsMeetsItsCaps) {
    // function f(a) { f(a, a); } f(1): every level leaves its arguments on the stack.
    const Asm code = Asm().Function("f", {"a"}, Asm().GetVar("a").GetVar("a").Num(2).Str("f").Op(0x3D))
                         .Num(1).Num(1).Str("f").Op(0x3D);
    const struct {
        const char* label;
        int depth;
        std::size_t nativeStack;
    } cases[] = {
        {"the call depth", 40, 512u << 10},
        {"the native stack", 1 << 20, 32u << 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Limits limits;
        limits.maxCallDepth = c.depth;
        limits.maxNativeStack = c.nativeStack;
        FakeHost host;
        Machine m(host, 7, limits);
        m.RunActions(1, code.Data(), code.Size());
        EXPECT_EQ(m.CutScripts(), 1u);
        Asm next = Asm().Str("next").Trace();
        m.RunActions(1, next.Data(), next.Size());
        EXPECT_EQ(host.Take(), "next");
    }
}

TEST(Avm1Limits, CollectionFreesCyclesBetweenFrames) {
    FakeHost host;
    Machine m(host, 7);
    // Each frame: two objects pointing at each other, and a function closing over them; only `keep` survives.
    Asm frame = Asm().SetVar("a", New("Object")).SetVar("b", New("Object"))
                    .Add(SetMember(Asm().GetVar("a"), "other", Asm().GetVar("b")))
                    .Add(SetMember(Asm().GetVar("b"), "other", Asm().GetVar("a")))
                    .Add(SetMember(Asm().GetVar("a"), "f", Asm().Function("", {}, Asm().GetVar("b").Op(0x3E))))
                    .SetVar("keep", Asm().Str("x").Num(1).Num(1).Op(0x43));
    m.Collect();
    const std::size_t base = m.LiveObjects();
    std::size_t afterFirst = 0;
    for (int i = 0; i < 50; ++i) {
        m.RunActions(1, frame.Data(), frame.Size());
        m.Collect();
        if (i == 0) afterFirst = m.LiveObjects();
    }
    EXPECT_GT(afterFirst, base);
    EXPECT_EQ(m.LiveObjects(), afterFirst);
    Asm check = Member(Asm().GetVar("keep"), "x").Trace().Add(Member(Member(Asm().GetVar("a"), "other"), "other"))
                    .GetVar("a").Op(0x66).Trace();
    m.RunActions(1, check.Data(), check.Size());
    EXPECT_EQ(host.Take(), "1|true");
    // A registered class lives while registered.
    Asm reg = Asm().Function("", {}, Asm()).Str("sym").Num(2).Str("Object").Op(0x1C).Str("registerClass")
                  .Op(0x52).Trace();
    m.RunActions(1, reg.Data(), reg.Size());
    EXPECT_EQ(host.Take(), "true");
    m.Collect();
    ASSERT_NE(m.RegisteredClass("sym"), nullptr);
    m.RegisterClass("sym", nullptr);
    m.Collect();
    EXPECT_EQ(m.RegisteredClass("sym"), nullptr);
    // A removed timeline's variables go with it.
    TimelineId clip = host.AddClip(1, "clip");
    Asm fill = SetMember(Asm().GetVar("clip"), "big", Asm().Num(0).Op(0x42));
    m.RunActions(1, fill.Data(), fill.Size());
    host.clips[clip].alive = false;
    m.TimelineRemoved(clip);
    m.Collect();
    EXPECT_EQ(m.LiveObjects(), afterFirst);
}

TEST(Avm1Limits, CallsFreeTheirLocalsUnlessAClosureKeepsThem) {
    FakeHost host;
    Machine m(host, 7);
    auto call = [](const std::string& name, double arg) { return Asm().Num(arg).Num(1).Str(name).Op(0x3D); };
    // function plain(a) { var t = a; return t; }  function make(n) { var k = n; return function () { return k; }; }
    Asm plain = Asm().Str("t").GetVar("a").Op(0x3C).GetVar("t").Op(0x3E);
    Asm make = Asm().Str("k").GetVar("n").Op(0x3C).Function("", {}, Asm().GetVar("k").Op(0x3E)).Op(0x3E);
    Asm defs = Asm().Function("plain", {"a"}, plain).Function("make", {"n"}, make);
    m.RunActions(1, defs.Data(), defs.Size());
    const std::size_t before = m.LiveObjects();
    Asm calls = Asm().Str("c1").Add(call("make", 1)).Op(0x1D);
    for (int i = 0; i < 200; ++i) calls.Add(call("plain", i)).Op(0x17);
    calls.Str("c2").Add(call("make", 2)).Op(0x1D).Add(call("plain", 3)).Op(0x17);
    calls.Num(0).Str("c1").Op(0x3D).Trace().Num(0).Str("c2").Op(0x3D).Trace();
    m.RunActions(1, calls.Data(), calls.Size());
    EXPECT_EQ(host.Take(), "1|2");
    // Each closure keeps its function, that one's prototype and its call's locals; the plain calls leave nothing.
    EXPECT_EQ(m.LiveObjects(), before + 2 * 3);
}

TEST(Avm1Limits, TimersRunOnTheFrameClock) {
    FakeHost host;
    Machine m(host, 7);
    // setInterval(f, 100, "i"); setTimeout(f, 250, "t"), with f tracing its argument
    Asm code = Asm().Function("f", {"x"}, Asm().GetVar("x").Trace())
                   .Str("id").Str("i").Num(100).GetVar("f").Num(3).Str("setInterval").Op(0x3D).Op(0x1D)
                   .Str("t").Num(250).GetVar("f").Num(3).Str("setTimeout").Op(0x3D).Op(0x17);
    m.RunActions(1, code.Data(), code.Size());
    m.Tick(50);
    EXPECT_EQ(host.Take(), "");
    m.Tick(50);
    EXPECT_EQ(host.Take(), "i");
    m.Tick(200);
    EXPECT_EQ(host.Take(), "i|t");
    Asm clear = Asm().GetVar("id").Num(1).Str("clearInterval").Op(0x3D);
    m.RunActions(1, clear.Data(), clear.Size());
    m.Tick(1000);
    EXPECT_EQ(host.Take(), "");
}

}  // namespace
}  // namespace fh::avm1
