// Hostile clip scripts on the stage: a frame that attaches 100 000 clips,
// and an onEnterFrame handler that duplicates its clip, handler and all,
// every frame. Each ends within the stage's caps and the movie plays on.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "avm1/avm1_fixture.h"
#include "avm1/avm1_stage.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using test::Asm;

std::string Code(const Asm& a) { return std::string(reinterpret_cast<const char*>(a.Data()), a.Size()) + '\0'; }

TEST(StageScripts, HostileClipScriptsEndWithinTheStagesCaps) {
    // i = 0; while (i < 100000) { _root.attachMovie("dot", "d" + i, i); i++; }
    const Asm attach = Asm()
                           .SetVar("i", Asm().Num(0))
                           .While(Asm().GetVar("i").Num(100000).Op(0x48),
                                  test::CallMethod(Asm().GetVar("_root"), "attachMovie",
                                                   {Asm().Str("dot"), Asm().Str("d").GetVar("i").Op(0x47),
                                                    Asm().GetVar("i")})
                                      .Op(0x17)
                                      .SetVar("i", Asm().GetVar("i").Op(0x50)));
    // f = function () { n++; var k = this.duplicateMovieClip("x" + n, n); k.onEnterFrame = f; };
    // _root.attachMovie("dot", "c", 0).onEnterFrame = f; (n starts undefined, 0 to a version 6 movie,
    // and counts on when the movie loops)
    const Asm grow = Asm()
                         .SetVar("_root.n", Asm().GetVar("_root.n").Op(0x50))
                         .SetVar("k", test::CallMethod(Asm().GetVar("this"), "duplicateMovieClip",
                                                       {Asm().Str("x").GetVar("_root.n").Op(0x47), Asm().GetVar("_root.n")}))
                         .Add(test::SetMember(Asm().GetVar("k"), "onEnterFrame", Asm().GetVar("_root.f")));
    const Asm duplicate =
        Asm()
            .SetVar("f", Asm().Function("", {}, grow))
            .Add(test::SetMember(test::CallMethod(Asm().GetVar("_root"), "attachMovie",
                                                  {Asm().Str("dot"), Asm().Str("c"), Asm().Num(0)}),
                                 "onEnterFrame", Asm().GetVar("f")));
    const struct {
        const char* label;
        Asm frame1;
    } cases[] = {{"100 000 clips attached in one frame", attach}, {"a handler that duplicates itself", duplicate}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        test::ShapeWriter dot(3);
        dot.Solid(0x3060C0FFu);
        dot.Styles(-1, 1, -1);
        dot.Rect(0, 0, 200, 200);
        const std::string bytes = test::MovieOf(
            200, 200,
            {dot.Define(1), test::Sprite(2, {test::Place(1, 1), test::ShowFrame()}),
             {56, std::string("\x01\x00\x02\x00" "dot\0", 8)}, {12, Code(c.frame1)}, test::ShowFrame(),
             {12, Code(Asm().Str("frame 2").Trace())}, test::ShowFrame()},
            6);
        MemorySource source(bytes);
        SwfStageLimits limits;
        limits.maxObjects = 2000;
        SwfStage stage(LoadSwfMovie(source), limits);
        std::vector<std::string> lines;
        avm1::StageScriptOptions options;
        // A debug build's loop of 100 000 attachments meets the time cap: a
        // short one keeps the test quick, and a cut frame must end as well.
        options.limits.maxRunMs = 300;
        options.trace = [&](const std::string& line) { lines.push_back(line); };
        avm1::StageScripts scripts(stage, options);
        for (int frame = 2; frame <= 14; ++frame) stage.Advance();
        // The stage's cap stopped the clips, and the movie played on.
        EXPECT_TRUE(stage.Capped());
        EXPECT_EQ(7, std::count(lines.begin(), lines.end(), "frame 2"));
    }
}

}  // namespace
}  // namespace fh
