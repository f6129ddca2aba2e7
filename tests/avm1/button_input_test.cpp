// Buttons and input on a scripted stage: a button's condition lists and
// its object's handlers on each move of the pointer, a clip with handlers
// acting as a button, `enabled` and `useHandCursor`, keys for the buttons'
// key conditions and the Key listeners, the mouse for Mouse's, clips
// dragged, and buttons as objects scripts reach by name.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1/avm1_stage.h"
#include "avm1_fixture.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using Tags = std::vector<std::pair<unsigned, std::string>>;
using test::Asm;

std::string Bytes(const Asm& a) { return std::string(reinterpret_cast<const char*>(a.Data()), a.Size()); }
Asm TraceText(const std::string& text) { return std::move(Asm().Str(text).Trace()); }
// o.name = function () { body }
Asm SetHandler(const std::string& object, const std::string& name, const Asm& body) {
    return std::move(Asm().GetVar(object).Str(name).Function("", {}, body).Op(0x4F));
}

std::pair<unsigned, std::string> Square(std::uint16_t id) {
    test::ShapeWriter s(3);
    s.Solid(0xFF0000FF);
    s.Styles(-1, 1, -1);
    s.Rect(0, 0, 100 * 20, 100 * 20);
    return s.Define(id);
}

std::pair<unsigned, std::string> Named(std::uint16_t depth, int character, const std::string& name, int x) {
    test::Place3Fields f;
    f.character = character;
    f.name = name;
    f.matrix = test::Translate(x * 20, x * 20);
    return test::Place3(depth, f);
}

// A button "btn" of 100 px at (0, 0) tracing its condition lists, a menu
// button at (0, 150) px, a clip
// "clip" of 100 px at (200, 200) px with onPress and onRelease (which
// sends the root to frame 2), a Mouse and Key listener, then `extra`.
std::string ButtonMovie(const Asm& extra) {
    const std::string at = test::Translate(0, 0);
    std::vector<std::pair<unsigned, std::string>> conditions;
    const struct {
        unsigned conditions;
        const char* trace;
    } kLists[] = {{0x01, "rollOver"},       {0x02, "rollOut"},  {0x04, "press"},
                  {0x08, "release"},        {0x10, "dragOut"},  {0x20, "dragOver"},
                  {0x40, "releaseOutside"}, {'k' << 9, "key k"}, {1 << 9, "key left"}};
    for (const auto& l : kLists) conditions.push_back({l.conditions, Bytes(TraceText(l.trace)) + '\0'});
    // A menu button below it, which a press begun elsewhere may end on.
    auto menu = test::Button2(4, {{15, 1, 1, at}},
                              {{0x80, Bytes(TraceText("menu dragOver")) + '\0'},
                               {0x100, Bytes(TraceText("menu dragOut")) + '\0'},
                               {0x08, Bytes(TraceText("menu release")) + '\0'}});
    menu.second[2] = '\x01';
    test::Place3Fields below;
    below.character = 4;
    below.matrix = test::Translate(0, 150 * 20);
    Asm script;
    script.Add(SetHandler("btn", "onPress", TraceText("btn.onPress")))
        .Add(SetHandler("clip", "onPress", TraceText("clip.onPress")))
        .Add(SetHandler("clip", "onRelease",
                        Asm().Add(TraceText("clip.onRelease")).Int(2).Int(1).GetVar("_root").Str("gotoAndStop")
                            .Op(0x52).Op(0x17)))
        .SetVar("o", Asm().Int(0).Op(0x43))
        .Add(SetHandler("o", "onMouseDown", TraceText("mouse down")))
        .Add(SetHandler("o", "onKeyDown",
                        Asm().Str("code ").Int(0).GetVar("Key").Str("getCode").Op(0x52).Op(0x47).Trace()))
        .GetVar("o").Int(1).GetVar("Mouse").Str("addListener").Op(0x52).Op(0x17)
        .GetVar("o").Int(1).GetVar("Key").Str("addListener").Op(0x52).Op(0x17)
        .Add(extra)
        .Op(0x07);
    const Tags tags = {Square(1),
                       test::Button2(2, {{15, 1, 1, at}}, conditions),
                       test::Sprite(3, {test::Place(1, 1), test::ShowFrame()}),
                       Named(1, 2, "btn", 0),
                       Named(2, 3, "clip", 200),
                       menu,
                       test::Place3(3, below),
                       {12, Bytes(script) + '\0'},
                       test::ShowFrame(),
                       test::ShowFrame()};
    return test::MovieOf(300, 300, tags, 6);
}

struct Step {
    // m: move, M: move pressed, d: down, u: up, l: leave, k: key down (x
    // the code, y the character), K: key up
    char kind;
    int x, y;
};

TEST(ButtonInput, PointerAndKeysRunTheButtonsListsAndHandlers) {
    const Asm kTraceClipPlace = std::move(Asm().GetVar("clip").Str("_x").Op(0x4E).Trace()
                                              .GetVar("clip").Str("_y").Op(0x4E).Trace());
    const struct {
        const char* label;
        Asm extra;
        std::vector<Step> steps;
        std::vector<std::string> lines;
        bool lastResult;  // what the last move or press answered
        int frame;
    } kCases[] = {
        {"rolled over and out", Asm(), {{'m', 50, 50}, {'m', 150, 150}}, {"rollOver", "rollOut"}, false, 1},
        {"a click on the button",
         Asm(),
         {{'m', 50, 50}, {'d', 50, 50}, {'u', 50, 50}},
         {"rollOver", "mouse down", "press", "btn.onPress", "release"},
         true,
         1},
        {"dragged off and back",
         Asm(),
         {{'m', 50, 50}, {'d', 50, 50}, {'M', 150, 150}, {'M', 60, 60}, {'u', 60, 60}},
         {"rollOver", "mouse down", "press", "btn.onPress", "dragOut", "dragOver", "release"},
         true,
         1},
        {"released outside",
         Asm(),
         {{'d', 50, 50}, {'M', 150, 150}, {'u', 150, 150}, {'l', 0, 0}},
         {"mouse down", "rollOver", "press", "btn.onPress", "dragOut", "releaseOutside"},
         false,
         1},
        {"a press carried onto a menu",
         Asm(),
         {{'d', 50, 50}, {'M', 50, 200}, {'M', 50, 120}, {'M', 50, 200}, {'u', 50, 200}},
         {"mouse down", "rollOver", "press", "btn.onPress", "dragOut", "menu dragOver", "menu dragOut", "menu dragOver",
          "menu release"},
         true,
         1},
        {"a clip with handlers is a button",
         Asm(),
         {{'d', 250, 250}, {'u', 250, 250}},
         {"mouse down", "clip.onPress", "clip.onRelease"},
         true,
         2},
        {"a disabled button, no Mouse listener",
         std::move(Asm().GetVar("btn").Str("enabled").Bool(false).Op(0x4F)
                       .GetVar("o").Int(1).GetVar("Mouse").Str("removeListener").Op(0x52).Op(0x17)),
         {{'m', 50, 50}, {'d', 50, 50}}, {}, false, 1},
        {"a press on nothing that a listener hears", Asm(), {{'d', 150, 150}}, {"mouse down"}, true, 1},
        {"a clip dragged at its offset from the pointer, dropped by a press",
         std::move(Asm().Bool(false).Int(1).GetVar("clip").Str("startDrag").Op(0x52).Op(0x17)
                       .Add(SetHandler("o", "onMouseMove", kTraceClipPlace))
                       .Add(SetHandler("o", "onMouseDown",
                                       Asm().Int(0).GetVar("clip").Str("stopDrag").Op(0x52).Op(0x17)))),
         {{'m', 150, 20}, {'d', 150, 20}, {'m', 160, 40}},
         {"350", "220", "350", "220"},
         false,
         1},
        {"where a dragged clip is dropped",
         std::move(Asm().Int(10).Str("twin").Int(2).GetVar("clip").Str("duplicateMovieClip").Op(0x52).Op(0x17)
                       .GetVar("twin").Str("_y").Int(0).Op(0x4F)
                       .Bool(true).Int(1).GetVar("clip").Str("startDrag").Op(0x52).Op(0x17)
                       .Add(SetHandler("o", "onMouseMove", Asm().GetVar("clip").Str("_droptarget").Op(0x4E).Trace()))),
         {{'m', 250, 50}, {'m', 150, 20}},
         {"/twin", ""},
         true,
         1},
        {"a clip dragged by its origin within a box (the action)",
         std::move(Asm().Int(0).Int(0).Int(50).Int(60).Int(1).Int(1).Str("clip").Op(0x27)
                       .Add(SetHandler("o", "onMouseMove", kTraceClipPlace))),
         {{'m', 150, 20}, {'m', 20, 120}},
         {"50", "20", "20", "60"},
         true,  // the clip, a button by its onPress, lies under the pointer it follows
         1},
        {"no hand over it", std::move(Asm().GetVar("btn").Str("useHandCursor").Bool(false).Op(0x4F)),
         {{'m', 50, 50}}, {"rollOver"}, false, 1},
        {"the hand over it", Asm(), {{'m', 50, 50}}, {"rollOver"}, true, 1},
        {"keys", Asm(), {{'k', 'K', 'k'}, {'k', 37, 0}, {'k', 'J', 'j'}},
         {"code 75", "key k", "code 37", "key left", "code 74"}, false, 1},
        {"a clip's own mouse and key handlers",
         std::move(Asm().Add(SetHandler("clip", "onMouseDown", TraceText("clip.onMouseDown")))
                       .Add(SetHandler("clip", "onKeyUp", TraceText("clip.onKeyUp")))),
         {{'d', 150, 150}, {'K', 'J', 'j'}},
         {"mouse down", "clip.onMouseDown", "clip.onKeyUp"},
         true,
         1},
        {"the button as an object",
         std::move(Asm().GetVar("btn").Op(0x44).Trace()
                       .GetVar("btn").Str("_target").Op(0x4E).Trace()
                       .GetVar("btn").Str("_x").Int(40).Op(0x4F)
                       .GetVar("btn").Str("_x").Op(0x4E).Trace()
                       .Int(0).GetVar("btn").Str("getDepth").Op(0x52).Trace()
                       .GetVar("btn").GetVar("Button").Op(0x54).Trace()),
         {{'m', 20, 20}, {'m', 50, 50}},
         {"object", "/btn", "40", "-16383", "true", "rollOver"},
         true,
         1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        const std::string movie = ButtonMovie(c.extra);
        MemorySource source(movie);
        SwfStage stage(LoadSwfMovie(source));
        std::vector<std::string> lines;
        avm1::StageScriptOptions options;
        options.trace = [&](const std::string& line) { lines.push_back(line); };
        avm1::StageScripts scripts(stage, options);
        bool result = false;
        for (const Step& s : c.steps) {
            const double x = s.x * 20.0, y = s.y * 20.0;
            switch (s.kind) {
            case 'm': result = stage.PointerMove(x, y, false); break;
            case 'M': result = stage.PointerMove(x, y, true); break;
            case 'd': result = stage.PointerDown(x, y); break;
            case 'u': stage.PointerUp(x, y); break;
            case 'l': stage.PointerLeave(); break;
            case 'K': stage.KeyUp(s.x, s.y); break;
            default: stage.KeyDown(s.x, s.y); break;
            }
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(result, c.lastResult);
        EXPECT_EQ(stage.Frame(), c.frame);
    }
}

}  // namespace
}  // namespace fh
