// The script machine on a frame script of 100 000 loop iterations, each
// with arithmetic, a member read and write and a function call, its names
// pushed from the constant pool as the authoring tools compile them.

#include <memory>

#include "avm1/avm1_fixture.h"
#include "bench/bench_util.h"

namespace fh::bench {

namespace {

// Pushes of several constant-pool strings and numbers in one action.
std::string PushConsts(std::initializer_list<int> indexes) {
    std::string p;
    for (int i : indexes) {
        p += '\x08';
        p += static_cast<char>(i);
    }
    return p;
}

std::string PushInt(std::int32_t v) {
    std::string p = "\x07";
    for (int k = 0; k < 4; ++k) p += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
    return p;
}

}  // namespace

void BenchScript() {
    using test::Asm;
    constexpr int kIterations = 100000;
    // var i = 0; var o = {x: 0}; function f(a) { return a + 1; }
    // while (i < 100000) { o.x = o.x + i * 2; s = f(i); i++; } trace(o.x);
    // Pool: 0 "o", 1 "x", 2 "i", 3 "s", 4 "f", 5 "a".
    Asm body = Asm()
                   .Act(0x96, PushConsts({0})).Op(0x1C).Act(0x96, PushConsts({1, 0})).Op(0x1C)
                   .Act(0x96, PushConsts({1})).Op(0x4E)
                   .Act(0x96, PushConsts({2})).Op(0x1C).Act(0x96, PushInt(2)).Op(0x0C).Op(0x47).Op(0x4F)
                   .Act(0x96, PushConsts({3, 2})).Op(0x1C).Act(0x96, PushInt(1) + PushConsts({4})).Op(0x3D).Op(0x1D)
                   .Act(0x96, PushConsts({2, 2})).Op(0x1C).Op(0x50).Op(0x1D);
    Asm code = Asm().Pool({"o", "x", "i", "s", "f", "a"})
                   .Function("f", {"a"}, Asm().Act(0x96, PushConsts({5})).Op(0x1C).Act(0x96, PushInt(1)).Op(0x47).Op(0x3E))
                   .Act(0x96, PushConsts({2}) + PushInt(0)).Op(0x1D)
                   .Act(0x96, PushConsts({0, 1}) + PushInt(0) + PushInt(1)).Op(0x43).Op(0x1D)
                   .While(Asm().Act(0x96, PushConsts({2})).Op(0x1C).Act(0x96, PushInt(kIterations)).Op(0x48), body)
                   .Act(0x96, PushConsts({0})).Op(0x1C).Act(0x96, PushConsts({1})).Op(0x4E).Trace();
    // The run alone is timed: a fresh machine before it, its objects freed after.
    test::FakeHost host;
    std::unique_ptr<avm1::Machine> machine;
    const double ms = MedianMs([&] { machine->RunActions(1, code.Data(), code.Size()); },
                               [&] {
                                   machine.reset();
                                   machine = std::make_unique<avm1::Machine>(host, 8);
                               });
    const std::string traced = host.Take();
    // Every run went to its end (o.x is the sum of 2i), not into a cap.
    const bool whole = traced == "9999900000|9999900000|9999900000";
    Report(whole ? "script: 100000 iterations" : "script: CUT before its end", ms, -1, kIterations);
}

}  // namespace fh::bench
