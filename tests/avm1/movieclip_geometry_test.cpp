// MovieClip's drawing API and geometry through a movie's stage: what a
// script draws gives the clip its size and box, scales with _width, and is
// what hit tests, point conversions and the pointer are measured against;
// its gradients and line styles reach the picture.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1/avm1_fixture.h"
#include "avm1/avm1_stage.h"
#include "raster/raster_image.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using test::Asm;

Asm Var(const std::string& name) { return Asm().GetVar(name); }
Asm Num(double n) { return Asm().Num(n); }
Asm Str(const std::string& s) { return Asm().Str(s); }
Asm Do(Asm obj, const std::string& method, const std::vector<Asm>& args) {
    return test::CallMethod(std::move(obj), method, args).Op(0x17);
}
Asm Show(Asm value) { return value.Trace(); }

// c: a 40 × 20 red rectangle from (10, 10), the clip moved to x = 100.
Asm DrawRectangle() {
    Asm a;
    a.Add(Do(Var("_root"), "createEmptyMovieClip", {Str("c"), Num(1)}));
    a.Add(Do(Var("c"), "beginFill", {Num(0xFF0000), Num(100)}));
    a.Add(Do(Var("c"), "moveTo", {Num(10), Num(10)}));
    a.Add(Do(Var("c"), "lineTo", {Num(50), Num(10)}));
    a.Add(Do(Var("c"), "lineTo", {Num(50), Num(30)}));
    a.Add(Do(Var("c"), "lineTo", {Num(10), Num(30)}));
    a.Add(Do(Var("c"), "endFill", {}));
    a.Add(test::SetMember(Var("c"), "_x", Num(100)));
    return a;
}

std::vector<std::string> Traces(const Asm& script) {
    Asm all = DrawRectangle();
    all.Add(script);
    const std::string code(reinterpret_cast<const char*>(all.Data()), all.Size());
    const std::string bytes = test::MovieOf(200, 200, {{12, code + std::string(1, '\0')}, test::ShowFrame()});
    MemorySource source(bytes);
    SwfStage stage(LoadSwfMovie(source));
    std::vector<std::string> lines;
    avm1::StageScriptOptions options;
    options.trace = [&](const std::string& line) { lines.push_back(line); };
    avm1::StageScripts scripts(stage, options);
    return lines;
}

TEST(MovieClipGeometry, DrawnShapesGiveSizeBoxesHitsAndPoints) {
    const Asm point = Asm().Str("x").Num(10).Str("y").Num(10).Num(2).Op(0x43);  // {x: 10, y: 10}
    const struct {
        const char* label;
        Asm script;
        std::vector<std::string> want;
    } kCases[] = {
        {"size", Show(test::Member(Var("c"), "_width")).Add(Show(test::Member(Var("c"), "_height"))), {"40", "20"}},
        {"its own box",
         Show(test::Member(test::CallMethod(Var("c"), "getBounds", {}), "xMin"))
             .Add(Show(test::Member(test::CallMethod(Var("c"), "getBounds", {}), "yMax"))),
         {"10", "30"}},
        {"the box in the root's space",
         Show(test::Member(test::CallMethod(Var("c"), "getBounds", {Var("_root")}), "xMin"))
             .Add(Show(test::Member(test::CallMethod(Var("c"), "getBounds", {Var("_root")}), "xMax"))),
         {"110", "150"}},
        {"getRect leaves out lines' width",
         Do(Var("_root"), "createEmptyMovieClip", {Str("l"), Num(5)})
             .Add(Do(Var("l"), "lineStyle", {Num(10)}))
             .Add(Do(Var("l"), "lineTo", {Num(100), Num(0)}))
             .Add(Show(test::Member(test::CallMethod(Var("l"), "getBounds", {}), "xMin")))
             .Add(Show(test::Member(test::CallMethod(Var("l"), "getRect", {}), "xMin"))),
         {"-5", "0"}},
        {"an empty clip's box and size, which _width cannot scale",
         Do(Var("_root"), "createEmptyMovieClip", {Str("e"), Num(2)})
             .Add(Show(test::Member(test::CallMethod(Var("e"), "getBounds", {}), "xMin")))
             .Add(test::SetMember(Var("e"), "_width", Num(50)))
             .Add(Show(test::Member(Var("e"), "_width")))
             .Add(Show(test::Member(Var("e"), "_xscale"))),
         {"6710886.35", "0", "100"}},
        {"_width scales",
         test::SetMember(Var("c"), "_width", Num(80))
             .Add(Show(test::Member(Var("c"), "_xscale")))
             .Add(Show(test::Member(Var("c"), "_width"))),
         {"200", "80"}},
        {"a turned clip's size is its turned box's, in whole twips",
         test::SetMember(Var("c"), "_rotation", Num(45)).Add(Show(test::Member(Var("c"), "_width"))),
         {"42.45"}},
        {"points on the shape, in its box, outside it",
         Show(test::CallMethod(Var("c"), "hitTest", {Num(120), Num(20), Asm().Bool(true)}))
             .Add(Show(test::CallMethod(Var("c"), "hitTest", {Num(105), Num(20), Asm().Bool(true)})))
             .Add(Show(test::CallMethod(Var("c"), "hitTest", {Num(149), Num(29)})))
             .Add(Show(test::CallMethod(Var("c"), "hitTest", {Num(105), Num(20)}))),
         {"true", "false", "true", "false"}},
        {"clips whose boxes meet, by object and by path",
         Do(Var("_root"), "createEmptyMovieClip", {Str("d"), Num(3)})
             .Add(Do(Var("d"), "lineStyle", {Num(1)}))
             .Add(Do(Var("d"), "moveTo", {Num(140), Num(0)}))
             .Add(Do(Var("d"), "lineTo", {Num(190), Num(20)}))
             .Add(Show(test::CallMethod(Var("c"), "hitTest", {Var("d")})))
             .Add(Show(test::CallMethod(Var("c"), "hitTest", {Str("_root.d")})))
             .Add(test::SetMember(Var("d"), "_y", Num(100)))
             .Add(Show(test::CallMethod(Var("d"), "hitTest", {Var("c")})))
             .Add(Show(test::CallMethod(Var("c"), "hitTest", {Str("")}))),
         {"true", "true", "false", "false"}},
        {"points to the stage and back",
         Asm().Str("p").Add(point).Op(0x1D)
             .Add(Do(Var("c"), "localToGlobal", {Var("p")}))
             .Add(Show(test::Member(Var("p"), "x")))
             .Add(Do(Var("c"), "globalToLocal", {Var("p")}))
             .Add(Show(test::Member(Var("p"), "x"))),
         {"110", "10"}},
        {"the pointer before any move: the stage's corner in the clip's pixels",
         Show(test::Member(Var("c"), "_xmouse")).Add(Show(test::Member(Var("c"), "_ymouse"))), {"-100", "0"}},
        {"a fill with what is no bitmap draws nothing",
         Do(Var("_root"), "createEmptyMovieClip", {Str("b"), Num(4)})
             .Add(Do(Var("b"), "beginBitmapFill", {Num(3)}))
             .Add(Do(Var("b"), "lineTo", {Num(10), Num(10)}))
             .Add(Do(Var("b"), "lineTo", {Num(0), Num(10)}))
             .Add(Do(Var("b"), "endFill", {}))
             .Add(Show(test::Member(Var("b"), "_width"))),
         {"0"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.want, Traces(c.script));
    }
}

// [items...] pushed as an array.
Asm Array(const std::vector<double>& items) {
    Asm a;
    for (auto it = items.rbegin(); it != items.rend(); ++it) a.Num(*it);
    return a.Num(static_cast<double>(items.size())).Op(0x42);
}

// The picture of a movie whose first frame runs `script`.
RasterImage Picture(const Asm& script) {
    const std::string code(reinterpret_cast<const char*>(script.Data()), script.Size());
    const std::string bytes = test::MovieOf(100, 100, {{12, code + std::string(1, '\0')}, test::ShowFrame()});
    MemorySource source(bytes);
    SwfStage stage(LoadSwfMovie(source));
    avm1::StageScripts scripts(stage);
    RasterImage image(100, 100);
    SwfImages images;
    SwfRasterCanvas canvas(image, images);
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 100, 100);
    return image;
}

// An object of number fields (and a "box" matrixType with `box`).
Asm Fields(const std::vector<std::pair<std::string, double>>& fields, bool box) {
    Asm a;
    if (box) a.Str("matrixType").Str("box");
    for (const auto& f : fields) a.Str(f.first).Num(f.second);
    return a.Num(static_cast<double>(fields.size() + (box ? 1 : 0))).Op(0x43);
}

TEST(MovieClipGeometry, GradientsAndLinesReachThePicture) {
    // A 100 × 50 square from red to blue left to right, its matrix given in
    // each of the three forms; under it a green line 10 pixels wide with
    // square caps.
    const double across = 100 / 1638.4, down = 50 / 1638.4;
    const struct {
        const char* label;
        Asm matrix;
    } kForms[] = {
        {"a box", Fields({{"x", 0}, {"y", 0}, {"w", 100}, {"h", 50}, {"r", 0}}, true)},
        {"a Matrix's fields", Fields({{"a", across}, {"b", 0}, {"c", 0}, {"d", down}, {"tx", 50}, {"ty", 25}}, false)},
        {"Flash MX's 3 x 3",
         Fields({{"a", across}, {"b", 0}, {"c", 0}, {"d", 0}, {"e", down}, {"f", 0}, {"g", 50}, {"h", 25}, {"i", 1}},
                false)},
    };
    for (const auto& form : kForms) {
        SCOPED_TRACE(form.label);
        Asm script;
        script.Add(Do(Var("_root"), "beginGradientFill",
                      {Str("linear"), Array({0xFF0000, 0x0000FF}), Array({100, 100}), Array({0, 255}), form.matrix}));
        script.Add(Do(Var("_root"), "lineTo", {Num(100), Num(0)}))
            .Add(Do(Var("_root"), "lineTo", {Num(100), Num(50)}))
            .Add(Do(Var("_root"), "lineTo", {Num(0), Num(50)}))
            .Add(Do(Var("_root"), "endFill", {}))
            .Add(Do(Var("_root"), "lineStyle", {Num(10), Num(0x00FF00), Num(100), Asm().Bool(false), Str("normal"),
                                                Str("square")}))
            .Add(Do(Var("_root"), "moveTo", {Num(10), Num(80)}))
            .Add(Do(Var("_root"), "lineTo", {Num(60), Num(80)}));
        const RasterImage image = Picture(script);
        const auto at = [&](int x, int y) { return image.px[static_cast<std::size_t>(y) * 100 + x]; };
        const auto red = [](std::uint32_t p) { return static_cast<int>(p >> 16 & 0xFF); };
        const auto blue = [](std::uint32_t p) { return static_cast<int>(p & 0xFF); };
        const struct {
            const char* label;
            int x, y;
            int redMin, redMax, blueMin, blueMax;
        } kCases[] = {
            {"the left edge red", 1, 25, 240, 255, 0, 15},
            {"the middle half and half", 50, 25, 100, 155, 100, 155},
            {"the right edge blue", 98, 25, 0, 15, 240, 255},
        };
        for (const auto& c : kCases) {
            SCOPED_TRACE(c.label);
            EXPECT_GE(red(at(c.x, c.y)), c.redMin);
            EXPECT_LE(red(at(c.x, c.y)), c.redMax);
            EXPECT_GE(blue(at(c.x, c.y)), c.blueMin);
            EXPECT_LE(blue(at(c.x, c.y)), c.blueMax);
        }
        // The line's square caps reach 5 pixels past its ends; its width is 10.
        EXPECT_EQ(0xFF00FF00u, at(7, 80));
        EXPECT_EQ(0xFF00FF00u, at(62, 84));
        EXPECT_EQ(0xFFFFFFFFu, at(67, 80));
        EXPECT_EQ(0xFFFFFFFFu, at(30, 87));
    }
}

}  // namespace
}  // namespace fh
