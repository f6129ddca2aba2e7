// Actions decoded once and run again from their decoded form: what runs
// must be what the bytes say at each visit, for loops, jumps into the
// middle of an action, pools replaced while a block runs, and functions
// sharing their block's decoding.

#include <gtest/gtest.h>

#include "avm1_fixture.h"

namespace fh::avm1 {
namespace {

using test::Asm;
using test::Call;

// while (n < times) { body; n++ }
Asm Loop(int times, const Asm& body) {
    return Asm().SetVar("n", Asm().Int(0))
        .While(Asm().GetVar("n").Int(times).Op(0x48),
               Asm().Add(body).SetVar("n", Asm().GetVar("n").Op(0x50)));
}

TEST(Avm1Program, DecodedActionsRunAsTheirBytesSay) {
    // A push whose int's bytes read as Stop, Trace, Trace, Pop, Pop when a
    // jump lands inside it, past its type byte.
    const std::string inner = std::string("\x07") + "\x26\x26\x17\x17";
    const struct {
        const char* label;
        Asm code;
        const char* trace;
    } cases[] = {
        {"a loop runs its decoded actions again", Loop(3, Asm().GetVar("n").Trace()), "0|1|2"},
        {"a pool push reads the pool of the moment",
         Asm().Pool({"first"}).Add(Loop(2, Asm().Const(0).Trace().Pool({"second"}))), "first|second"},
        {"an index past the pool pushes undefined", Asm().Pool({"only"}).Const(1).Trace(), "undefined"},
        {"a function keeps the pool it was defined with",
         Asm().Pool({"defined"}).Function("f", {}, Asm().Const(0).Trace()).Pool({"later"})
             .Add(Call("f", {})).Op(0x17).Const(0).Trace().Add(Call("f", {})).Op(0x17),
         "defined|later|defined"},
        {"a push read whole", Asm().Act(0x96, inner).Trace(), "387393062"},
        {"a jump into a push's operands",
         Asm().Str("b").Str("a").Jump(3).Act(0x96, inner).Str("after").Trace(), "a|b|after"},
        {"both readings of the same bytes in one loop",
         Loop(2, Asm().Str("y").Str("x").GetVar("n").If(3).Act(0x96, inner).Op(0x17).Op(0x17).Op(0x17)),
         "x|y"},
        // A push that claims 64 bytes where two are left.
        {"an action running past the block ends it",
         Asm().Str("kept").Trace().Op(0x96).Op(0x40).Op(0x00).Op(0x07).Op(0x26), "kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code), c.trace);
    }
}

}  // namespace
}  // namespace fh::avm1
