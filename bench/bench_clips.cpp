// A frame of 1 000 clips, each attached from the library and moved by its
// own onEnterFrame handler, played and drawn as the player does.

#include <cstdio>
#include <string>

#include "avm1/avm1_fixture.h"
#include "avm1/avm1_stage.h"
#include "bench/bench_util.h"
#include "raster/raster_image.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh::bench {

namespace {

using test::Asm;

constexpr int kClips = 1000;
constexpr int kFrames = 60;

// i = 0; while (i < 1000) { c = _root.attachMovie("dot", "d" + i, i);
//   c._x = i % 40 * 12; c._y = int(i / 40) * 15;
//   c.onEnterFrame = function () { this._x = (this._x + 1) % 480; }; i++; }
std::string ClipsScript() {
    const Asm move = test::SetMember(Asm().GetVar("this"), "_x",
                                     test::Member(Asm().GetVar("this"), "_x").Num(1).Op(0x47).Num(480).Op(0x3F));
    const Asm loop =
        Asm()
            .SetVar("c", test::CallMethod(Asm().GetVar("_root"), "attachMovie",
                                          {Asm().Str("dot"), Asm().Str("d").GetVar("i").Op(0x47), Asm().GetVar("i")}))
            .Add(test::SetMember(Asm().GetVar("c"), "_x", Asm().GetVar("i").Num(40).Op(0x3F).Num(12).Op(0x0C)))
            .Add(test::SetMember(Asm().GetVar("c"), "_y", Asm().GetVar("i").Num(40).Op(0x0D).Op(0x18).Num(15).Op(0x0C)))
            .Add(test::SetMember(Asm().GetVar("c"), "onEnterFrame", Asm().Function("", {}, move)))
            .SetVar("i", Asm().GetVar("i").Op(0x50));
    const Asm code = Asm().SetVar("i", Asm().Num(0)).While(Asm().GetVar("i").Num(kClips).Op(0x48), loop);
    return std::string(reinterpret_cast<const char*>(code.Data()), code.Size()) + std::string(1, '\0');
}

}  // namespace

void BenchClips() {
    test::ShapeWriter dot(3);
    dot.Solid(0x3060C0FFu);
    dot.Styles(-1, 1, -1);
    dot.Rect(0, 0, 200, 200);
    const std::string bytes = test::MovieOf(
        480, 400,
        {dot.Define(1), test::Sprite(2, {test::Place(1, 1), test::ShowFrame()}),
         {56, std::string("\x01\x00\x02\x00" "dot\0", 8)}, {12, ClipsScript()}, test::ShowFrame()},
        8);
    MemorySource source(bytes);
    SwfStage stage(LoadSwfMovie(source));
    avm1::StageScripts scripts(stage);
    RasterImage image(480, 400);
    SwfImages images;
    const double ms = MedianMs([&] {
        for (int frame = 0; frame < kFrames; ++frame) {
            stage.Advance();
            SwfRasterCanvas canvas(image, images);
            stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 480, 400);
        }
    });
    const double perFrame = ms / kFrames;
    Report("clips: 1000 moved by onEnterFrame and drawn, a frame", perFrame, -1, kClips);
    std::printf("  %.2f ms a frame (target 15 ms), %s\n", perFrame, perFrame <= 15 ? "met" : "NOT met");
}

}  // namespace fh::bench
