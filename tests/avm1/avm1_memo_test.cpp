// Names pushed from a constant pool remember where they were found: what a
// script reads must still follow every change of the tables they name, and
// the action cap must still fall on the action past it.

#include <gtest/gtest.h>

#include "avm1_fixture.h"

namespace fh::avm1 {
namespace {

using test::Asm;

// Pools {"o", "x", "p"}: o.x and p.x by the same pooled "x".
Asm Obj(int index) { return Asm().Const(static_cast<std::uint8_t>(index)).Op(0x1C); }
Asm MemberX(int obj) { return Obj(obj).Const(1).Op(0x4E); }
Asm SetMemberX(int obj, Asm value) { return Obj(obj).Const(1).Add(value).Op(0x4F); }
Asm NewObject(int index) { return Asm().Const(static_cast<std::uint8_t>(index)).Num(0).Str("Object").Op(0x40).Op(0x1D); }
Asm SetX(Asm value) { return Asm().Const(1).Add(value).Op(0x1D); }

TEST(Avm1Memo, LookupsFollowTheirTables) {
    const Asm getter = Asm().Function("", {}, Asm().Num(2).Op(0x3E));
    const struct {
        const char* label;
        int version;
        Asm code;
        const char* expected;
    } cases[] = {
        // Tables changed through other pushes of the names (literals), so that
        // only reads meet the pooled names' memos.
        {"a deleted variable", 10,
         Asm().Str("x").Num(1).Op(0x1D).Str("p").Num(7).Op(0x1D).Add(Obj(1)).Trace().Str("x").Op(0x3B).Op(0x17)
             .Add(Obj(1)).Trace(),
         "1|undefined"},
        {"a variable added after a miss", 10, Asm().Const(1).Op(0x3B).Op(0x17).Add(Obj(1)).Trace().Add(SetX(Asm().Num(3))).Add(Obj(1)).Trace(),
         "undefined|3"},
        {"a member turned into a getter", 10,
         NewObject(0).Add(SetMemberX(0, Asm().Num(1))).Add(MemberX(0)).Trace()
             .Add(test::CallMethod(Obj(0), "addProperty", {Asm().Str("x"), getter, Asm().Null()})).Op(0x17)
             .Add(MemberX(0)).Trace(),
         "1|2"},
        {"the same name on another object", 10,
         NewObject(0).Add(NewObject(2)).Add(Obj(0)).Str("x").Num(1).Op(0x4F).Add(Obj(2)).Str("y").Num(9).Op(0x4F)
             .Add(MemberX(0)).Trace().Add(MemberX(2)).Trace()
             .Add(SetMemberX(2, Asm().Num(2))).Add(MemberX(2)).Trace().Add(MemberX(0)).Trace(),
         "1|undefined|2|1"},
        {"a member hidden from the version", 8,
         NewObject(0).Add(SetMemberX(0, Asm().Num(1))).Add(MemberX(0)).Trace()
             .Add(test::Call("ASSetPropFlags", {Obj(0), Asm().Str("x"), Asm().Num(0x4000)})).Op(0x17)
             .Add(MemberX(0)).Trace(),
         "1|undefined"},
        {"a path name stays a path", 10,
         NewObject(0).Add(SetMemberX(0, Asm().Num(4))).Str("o.x").Op(0x1C).Trace().Str("o.x").Num(5).Op(0x1D)
             .Add(MemberX(0)).Trace(),
         "4|5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        // Each case twice in a loop: the second pass meets the names' memos.
        Asm code = Asm().Pool({"o", "x", "p", "n"}).Const(3).Num(0).Op(0x1D);
        code.While(Obj(3).Num(2).Op(0x48), Asm().Add(c.code).Const(3).Add(Obj(3)).Op(0x50).Op(0x1D));
        const std::string once = std::string(c.expected);
        EXPECT_EQ(test::Run(code, c.version), once + "|" + once);
    }
}

TEST(Avm1Memo, EachCallHasItsOwnLocals) {
    // f(a) returns its a; g(b) returns the a in scope: none, though its
    // locals may take the very object f's had.
    const Asm code = Asm().Pool({"f", "g", "a"})
                         .Function("f", {"a"}, Asm().Const(2).Op(0x1C).Op(0x3E))
                         .Function("g", {"b"}, Asm().Const(2).Op(0x1C).Op(0x3E))
                         .Num(1).Num(1).Const(0).Op(0x3D).Trace()
                         .Num(5).Num(1).Const(1).Op(0x3D).Trace()
                         .Num(3).Num(1).Const(0).Op(0x3D).Trace();
    EXPECT_EQ(test::Run(code), "1|undefined|3");
}

// Pool {"f", "a", "b", "A"}: f's calls, each with numbers for arguments, the result dropped.
Asm CallF(const std::vector<double>& args) {
    Asm call;
    for (std::size_t k = args.size(); k-- > 0;) call.Num(args[k]);
    return call.Num(static_cast<double>(args.size())).Const(0).Op(0x3D).Op(0x17);
}

TEST(Avm1Memo, CallsOfOneFunctionShareTheirLocalsShape) {
    const Asm defineB = Asm().Const(2).Num(5).Op(0x3C);
    const Asm readA = Asm().Const(1).Op(0x1C).Trace();
    const struct {
        const char* label;
        int version;
        std::vector<std::string> params;
        Asm body;
        std::vector<std::vector<double>> calls;
        const char* expected;
    } cases[] = {
        // if (a == 1) var b = 5; trace(b);
        {"a local one call defines", 10, {"a"},
         Asm().Const(1).Op(0x1C).Num(1).Op(0x49).Op(0x12).If(static_cast<int>(defineB.Size())).Add(defineB)
             .Const(2).Op(0x1C).Trace(),
         {{1}, {2}}, "5|undefined"},
        {"a deleted local", 10, {"a"}, Asm().Add(readA).Const(1).Op(0x3B).Op(0x17).Add(readA), {{1}, {2}},
         "1|undefined|2|undefined"},
        {"fewer arguments than the last call", 10, {"a", "b"}, Asm().Add(readA).Const(2).Op(0x1C).Trace(),
         {{1, 2}, {3}}, "1|2|3|undefined"},
        {"a parameter set in the call", 10, {"a"}, Asm().Add(readA).Const(1).Num(9).Op(0x1D), {{1}, {2}}, "1|2"},
        {"two parameters of one name", 10, {"a", "a"}, readA, {{1, 2}}, "2"},
        {"names alike but for case, before version 7", 6, {"a", "A"}, readA, {{1, 2}}, "2"},
        {"names alike but for case, from version 7", 7, {"a", "A"}, readA, {{1, 2}}, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        // Every call twice: the later ones meet the memos the first ones left.
        Asm code = Asm().Pool({"f", "a", "b", "A"}).Function("f", c.params, c.body);
        for (const auto& args : c.calls) code.Add(CallF(args));
        for (const auto& args : c.calls) code.Add(CallF(args));
        EXPECT_EQ(test::Run(code, c.version), std::string(c.expected) + "|" + c.expected);
    }
}

TEST(Avm1Memo, ActionCapFallsOnTheActionPast) {
    const struct {
        const char* label;
        Asm code;
        std::uint64_t actions;  // the cap that lets the whole block run
        const char* cut;        // what a cap one lower leaves
        const char* whole;
    } cases[] = {
        {"two pushes and two traces", Asm().Str("a").Trace().Str("b").Trace(), 4, "a", "a|b"},
        // A name pushed and read at once is still two actions.
        {"a variable read", Asm().Str("b").Str("x").Op(0x1C).Trace().Trace(), 5, "undefined", "undefined|b"},
        {"a pooled name's read", Asm().Pool({"x"}).Str("b").Const(0).Op(0x1C).Trace().Trace(), 6, "undefined",
         "undefined|b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        for (std::uint64_t cap : {c.actions - 1, c.actions}) {
            Limits limits;
            limits.maxActions = cap;
            EXPECT_EQ(test::Run(c.code, 10, limits), cap >= c.actions ? c.whole : c.cut);
        }
    }
}

TEST(Avm1Memo, AReadAfterABlockRunsOutsideIt) {
    // o = {x: 1}; x = 2; with (o) { push "x" } then GetVariable past the block: the timeline's x.
    const Asm code = Asm().Str("o").Str("x").Num(1).Num(1).Op(0x43).Op(0x1D).SetVar("x", Asm().Num(2))
                         .Str("o").Op(0x1C).With(Asm().Str("x")).Op(0x1C).Trace()
                         .Str("o").Op(0x1C).With(Asm().Str("x").Op(0x1C).Trace());
    EXPECT_EQ(test::Run(code), "2|1");
}

}  // namespace
}  // namespace fh::avm1
