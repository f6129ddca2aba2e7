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

TEST(Avm1Memo, ActionCapFallsOnTheActionPast) {
    // Two pushes and two traces: four actions.
    const Asm code = Asm().Str("a").Trace().Str("b").Trace();
    for (std::uint64_t cap : {3u, 4u}) {
        SCOPED_TRACE(cap);
        Limits limits;
        limits.maxActions = cap;
        EXPECT_EQ(test::Run(code, 10, limits), cap >= 4 ? "a|b" : "a");
    }
}

}  // namespace
}  // namespace fh::avm1
