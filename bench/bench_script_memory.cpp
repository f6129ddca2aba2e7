// The script machine on a movie that builds a ring of cycles every frame,
// played 10 000 frames on its stage, with the memory the process holds.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "avm1/avm1_fixture.h"
#include "avm1/avm1_stage.h"
#include "bench/bench_util.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh::bench {

namespace {

using test::Asm;

// Every frame: 200 objects in a ring, each also holding an array of itself
// and its neighbour, dropped when the next frame's ring replaces it.
std::string CycleScript() {
    // k = 0; first = new Object(); last = first;
    // while (k < 200) { n = new Object(); n.next = last; n.pair = [last, n]; last = n; k++; }
    // first.next = last
    const Asm loop = Asm()
                         .SetVar("n", test::New("Object"))
                         .Add(test::SetMember(Asm().GetVar("n"), "next", Asm().GetVar("last")))
                         .Add(test::SetMember(Asm().GetVar("n"), "pair",
                                              Asm().GetVar("last").GetVar("n").Num(2).Op(0x42)))
                         .SetVar("last", Asm().GetVar("n"))
                         .SetVar("k", Asm().GetVar("k").Op(0x50));
    const Asm code = Asm()
                         .SetVar("k", Asm().Num(0))
                         .SetVar("first", test::New("Object"))
                         .SetVar("last", Asm().GetVar("first"))
                         .While(Asm().GetVar("k").Num(200).Op(0x48), loop)
                         .Add(test::SetMember(Asm().GetVar("first"), "next", Asm().GetVar("last")));
    return std::string(reinterpret_cast<const char*>(code.Data()), code.Size()) + std::string(1, '\0');
}

std::size_t WorkingSetKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize >> 10;
}

}  // namespace

void BenchScriptMemory() {
    // Two frames, so that the movie loops and frame 1's script runs every other frame.
    const std::string cycles =
        test::MovieOf(100, 100, {{12, CycleScript()}, test::ShowFrame(), {12, CycleScript()}, test::ShowFrame()}, 8);
    MemorySource cycleSource(cycles);
    std::shared_ptr<SwfMovie> cycleMovie = LoadSwfMovie(cycleSource);
    SwfStage stage(cycleMovie);
    avm1::StageScripts scripts(stage);
    std::size_t atThousand = 0;
    const double playMs = MedianOfRuns(1, [&] {
        for (int frame = 2; frame <= 10000; ++frame) {
            stage.Advance();
            if (frame == 1000) atThousand = WorkingSetKb();
        }
    });
    Report("script: rings of cycles, 10 000 frames", playMs, -1, 10000);
    const std::size_t atEnd = WorkingSetKb();
    std::printf("  memory at frame 1000 %zu KB, at frame 10000 %zu KB, objects live %zu: %s\n", atThousand, atEnd,
                scripts.GetMachine().LiveObjects(), atEnd <= atThousand + 1024 ? "flat" : "NOT flat");
}

}  // namespace fh::bench
