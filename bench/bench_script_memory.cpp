// The script machine on a movie that builds a ring of cycles every frame,
// played 10 000 frames on its stage, with the memory the process holds.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "avm1/avm1_stage.h"
#include "bench/bench_util.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh::bench {

namespace {

// Action records with labels: a jump or a branch names where it goes.
class Assembler {
public:
    void Op(unsigned code) { m_out += static_cast<char>(code); }
    void Op(unsigned code, const std::string& payload) {
        Op(code);
        m_out += static_cast<char>(payload.size() & 0xFF);
        m_out += static_cast<char>(payload.size() >> 8);
        m_out += payload;
    }
    void Push(const std::string& text) { Op(0x96, std::string(1, '\0') + text + std::string(1, '\0')); }
    void Push(std::int32_t n) {
        std::string body(1, '\x07');
        for (int i = 0; i < 4; ++i) body += static_cast<char>((static_cast<std::uint32_t>(n) >> (8 * i)) & 0xFF);
        Op(0x96, body);
    }
    void Label(const std::string& name) { m_labels[name] = m_out.size(); }
    // Jump (0x99) or If (0x9D) to a label, the offset filled in by Code().
    void Branch(unsigned code, const std::string& label) {
        Op(code, std::string(2, '\0'));
        m_fixups.push_back({m_out.size(), label});
    }
    std::string& Raw() { return m_out; }
    std::string Code() {
        for (const auto& f : m_fixups) {
            const int offset = static_cast<int>(m_labels[f.second]) - static_cast<int>(f.first);
            m_out[f.first - 2] = static_cast<char>(offset & 0xFF);
            m_out[f.first - 1] = static_cast<char>((offset >> 8) & 0xFF);
        }
        return m_out + std::string(1, '\0');
    }

private:
    std::string m_out;
    std::map<std::string, std::size_t> m_labels;
    std::vector<std::pair<std::size_t, std::string>> m_fixups;
};

enum : unsigned {
    kLess2 = 0x48, kNot = 0x12, kGetVariable = 0x1C, kSetVariable = 0x1D, kSetMember = 0x4F, kNewObject = 0x40,
    kIncrement = 0x50, kJump = 0x99, kIf = 0x9D, kInitArray = 0x42
};

// Every frame: 200 objects in a ring, each also holding an array of itself
// and its neighbour, dropped when the next frame's ring replaces it.
std::string CycleScript() {
    Assembler a;
    a.Push("k");
    a.Push(0);
    a.Op(kSetVariable);
    a.Push("first");
    a.Push(0);
    a.Push("Object");
    a.Op(kNewObject);
    a.Op(kSetVariable);
    a.Push("last");
    a.Push("first");
    a.Op(kGetVariable);
    a.Op(kSetVariable);
    a.Label("loop");
    a.Push("k");
    a.Op(kGetVariable);
    a.Push(200);
    a.Op(kLess2);
    a.Op(kNot);
    a.Branch(kIf, "end");
    // n = new Object(); n.next = last; n.pair = [n, last]; last = n; k++
    a.Push("n");
    a.Push(0);
    a.Push("Object");
    a.Op(kNewObject);
    a.Op(kSetVariable);
    a.Push("n");
    a.Op(kGetVariable);
    a.Push("next");
    a.Push("last");
    a.Op(kGetVariable);
    a.Op(kSetMember);
    a.Push("n");
    a.Op(kGetVariable);
    a.Push("pair");
    a.Push("last");
    a.Op(kGetVariable);
    a.Push("n");
    a.Op(kGetVariable);
    a.Push(2);
    a.Op(kInitArray);
    a.Op(kSetMember);
    a.Push("last");
    a.Push("n");
    a.Op(kGetVariable);
    a.Op(kSetVariable);
    a.Push("k");
    a.Push("k");
    a.Op(kGetVariable);
    a.Op(kIncrement);
    a.Op(kSetVariable);
    a.Branch(kJump, "loop");
    a.Label("end");
    // first.next = last: the ring closes.
    a.Push("first");
    a.Op(kGetVariable);
    a.Push("next");
    a.Push("last");
    a.Op(kGetVariable);
    a.Op(kSetMember);
    return a.Code();
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
