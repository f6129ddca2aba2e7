// The ActionScript machine over any action bytes: the first byte picks the
// movie's version, the rest is run as two frames' blocks on a small tree
// of timelines, with small caps so that every cap is reached.

#include "avm1/avm1_fixture.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    if (size < 1) return 0;
    test::FakeHost host;
    avm1::TimelineId clip = host.AddClip(1, "a");
    host.AddClip(clip, "b");
    avm1::Limits limits;
    limits.maxActions = 20000;
    limits.maxRunMs = 1000;
    limits.maxStringLength = 1 << 16;
    limits.maxLiveStringBytes = avm1::Str::LiveBytes() + (8u << 20);
    limits.maxArrayLength = 1 << 12;
    limits.maxObjects = 4000;
    limits.maxStack = 4096;
    limits.maxCallDepth = 64;
    avm1::Machine m(host, 4 + data[0] % 7, limits);
    for (int frame = 0; frame < 2; ++frame) {
        m.RunActions(frame == 0 ? 1 : clip, data + 1, size - 1);
        m.Tick(100);
        m.Collect();
    }
    fuzz::Require(m.CutScripts() <= 20, "a cut is counted once a run");
    fuzz::Require(m.LiveObjects() <= limits.maxObjects + 1024, "live objects stay under the cap");
    return 0;
}
