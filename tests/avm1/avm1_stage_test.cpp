// A movie's scripts on its stage: what they read and change of the
// timelines, what survives from frame to frame, the virtual clock, init
// actions before the frame's own, GotoFrame2's values, target paths, and
// the clips scripts make and move between depths, and scripts whose clips
// leave the stage.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1/avm1_stage.h"
#include "raster/raster_image.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using Tags = std::vector<std::pair<unsigned, std::string>>;

// Action records, written as a movie holds them.
std::string Op(unsigned code) { return std::string(1, static_cast<char>(code)); }
std::string Push(const std::vector<std::string>& strings) {
    std::string body;
    for (const std::string& s : strings) body += std::string(1, '\0') + s + std::string(1, '\0');
    return Op(0x96) + static_cast<char>(body.size() & 0xFF) + static_cast<char>(body.size() >> 8) + body;
}
const std::string kGetVariable = Op(0x1C), kSetVariable = Op(0x1D), kGetMember = Op(0x4E), kSetMember = Op(0x4F),
                  kTrace = Op(0x26), kCallMethod = Op(0x52), kPop = Op(0x17), kGetTime = Op(0x34),
                  kTypeOf = Op(0x44);
std::pair<unsigned, std::string> DoAction(const std::string& records) { return {12, records + Op(0)}; }
// trace(a.b) for a variable path a.
std::string TraceMember(const std::string& variable, const std::string& member) {
    return Push({variable}) + kGetVariable + Push({member}) + kGetMember + kTrace;
}

// A sprite placed by name.
std::pair<unsigned, std::string> Named(std::uint16_t depth, int character, const std::string& name) {
    test::Place3Fields f;
    f.character = character;
    f.name = name;
    return test::Place3(depth, f);
}
// o.method(args) for a variable o, its result traced.
std::string TraceCall(const std::string& variable, const std::string& method, const std::vector<std::string>& args) {
    std::string records;
    for (std::size_t i = args.size(); i-- > 0;) {
        const bool number = args[i][0] == '-' || (args[i][0] >= '0' && args[i][0] <= '9');
        records += Push({args[i]}) + (number ? Op(0x4A) /* ToNumber */ : std::string());
    }
    return records + Push({std::to_string(args.size())}) + Op(0x4A) + Push({variable}) + kGetVariable +
           Push({method}) + kCallMethod + kTrace;
}

std::vector<std::string> Play(const std::string& bytes, int frames) {
    MemorySource source(bytes);
    std::shared_ptr<SwfMovie> movie = LoadSwfMovie(source);
    SwfStage stage(movie);
    std::vector<std::string> lines;
    avm1::StageScriptOptions options;
    options.trace = [&](const std::string& line) { lines.push_back(line); };
    avm1::StageScripts scripts(stage, options);
    for (int played = 1; played < frames; ++played) stage.Advance();
    return lines;
}

TEST(StageScripts, ScriptsReadAndSteerTheTimelinesAndKeepTheirVariables) {
    test::Place3Fields named;
    named.character = 1;
    named.name = "clip";
    const std::string frame1 =
        // clip._x = 50; clip.gotoAndStop(2); n = "kept"
        Push({"clip"}) + kGetVariable + Push({"_x", "50"}) + kSetMember + Push({"2", "1"}) + Op(0x4A) /* ToNumber */ +
        Push({"clip"}) + kGetVariable + Push({"gotoAndStop"}) + kCallMethod + kPop + Push({"n", "kept"}) + kSetVariable +
        TraceMember("clip", "_x") + TraceMember("clip", "_name") + TraceMember("clip", "_target") +
        TraceMember("clip", "_currentframe") + Push({"clip"}) + kGetVariable + kTypeOf + kTrace;
    const std::string frame2 = Push({"n"}) + kGetVariable + kTrace + kGetTime + kTrace + Push({"clip"}) + kGetVariable +
                               kTypeOf + kTrace;
    const std::string movie = test::MovieOf(
        100, 100,
        {test::Sprite(1, {test::ShowFrame(), test::ShowFrame()}), test::Place3(1, named), DoAction(frame1),
         test::ShowFrame(), test::Remove(1), DoAction(frame2), test::ShowFrame()},
        8);
    // 24 frames a second: frame 2 comes 41 ms in on the virtual clock. The
    // clip removed in frame 2 is no longer there for the script.
    const std::vector<std::string> want = {"50", "clip", "/clip", "2", "movieclip", "kept", "41", "undefined"};
    EXPECT_EQ(want, Play(movie, 2));
}

TEST(StageScripts, InitActionsRunOnceBeforeTheFramesOwnScripts) {
    const std::pair<unsigned, std::string> init = {59, std::string("\x01\x00", 2) + Push({"init"}) + kTrace + Op(0)};
    const std::string movie = test::MovieOf(
        100, 100,
        {test::Sprite(1, {DoAction(Push({"sprite"}) + kTrace), test::ShowFrame()}), test::Place(1, 1),
         DoAction(Push({"root"}) + kTrace), init, test::ShowFrame(), test::ShowFrame()},
        8);
    // Init actions first, though queued last; when the movie loops back to
    // frame 1 they do not run again (nor does the sprite's, which stays).
    const std::vector<std::string> want = {"init", "sprite", "root", "root"};
    EXPECT_EQ(want, Play(movie, 3));
}

TEST(StageScripts, GotoFrame2ReadsItsValueAsTextWithTheSceneBias) {
    // Five frames, "Mark" on the third; the fifth traces when its actions run.
    const struct {
        const char* label;
        std::string value;
        int bias;
        std::vector<std::string> want;  // then _currentframe
    } kCases[] = {
        {"a label, whatever its case", "mARK", 0, {"3"}},
        {"a label with the bias", "Mark", 1, {"4"}},
        {"digits", "2", 0, {"2"}},
        {"digits kept in 32 bits", "4294967298", 0, {"2"}},
        {"a path and a frame", "_root:2", 0, {"2"}},
        {"frame 0 goes nowhere", "0", 0, {"1"}},
        {"a fraction goes nowhere", "2.5", 0, {"1"}},
        {"past the end: the last frame, its actions not run", "99", 0, {"5"}},
        {"to the last frame: its actions run after", "5", 0, {"5", "five"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        const std::string bias = c.bias ? std::string("\x03\x00\x02", 3) + static_cast<char>(c.bias) + '\0'
                                        : std::string("\x01\x00\x00", 3);
        const std::string frame1 = Push({c.value}) + Op(0x9F) + bias + TraceMember("_root", "_currentframe");
        Tags tags = {DoAction(frame1), test::ShowFrame(), test::ShowFrame(), {43, std::string("Mark") + '\0'},
                     test::ShowFrame(), test::ShowFrame(), DoAction(Push({"five"}) + kTrace), test::ShowFrame()};
        EXPECT_EQ(c.want, Play(test::MovieOf(100, 100, tags, 8), 1));
    }
}

TEST(StageScripts, TargetPathsNameClipsAndTheirVariables) {
    // Clip a holds clip b, which has v = "v"; the root has a variable a too.
    const struct {
        const char* label;
        const char* path;
        const char* want;
    } kCases[] = {
        {"dots, a clip before a variable", "a.b.v", "v"},
        {"slashes and a colon", "/a/b:v", "v"},
        {"a slash path alone is a clip", "a/b", "_level0.a.b"},
        {"a dot after a slash ends the target", "a/b.v", "v"},
        {"a slash after the last dot is the variable's name", "a.b/v", "undefined"},
        {"after a slash, a dot is part of a name", "a/b.x.v", "undefined"},
        {"parents", "a/b/../..:a", "a var"},
        {"a target that ends in two colons names nothing", "a/b:::v", "undefined"},
        {"a variable's whole name when the path leads nowhere", "no/where", "kept"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        const std::string frame1 = Push({"a.b.v", "v", "a", "a var", "no/where", "kept"}) + kSetVariable +
                                   kSetVariable + kSetVariable + Push({c.path}) + kGetVariable + kTrace;
        Tags tags = {test::Sprite(1, {test::ShowFrame()}), test::Sprite(2, {Named(1, 1, "b"), test::ShowFrame()}),
                     Named(1, 2, "a"), DoAction(frame1), test::ShowFrame()};
        EXPECT_EQ(std::vector<std::string>{c.want}, Play(test::MovieOf(100, 100, tags, 8), 1));
    }
}

TEST(StageScripts, ScriptsMakeClipsAndMoveThemBetweenDepths) {
    // Clip t of the timeline at depth 1; e made empty at 5, x attached from
    // the symbol exported as "sym" at 7, whose frame script removes it
    // before its last trace.
    const std::string removeSelf = Push({"0"}) + Op(0x4A) + Push({"this"}) + kGetVariable +
                                   Push({"removeMovieClip"}) + kCallMethod + kPop + Push({"after removal"}) + kTrace;
    const std::string frame1 =
        TraceCall("_root", "createEmptyMovieClip", {"e", "5"}) + TraceCall("e", "getDepth", {}) +
        TraceCall("t", "getDepth", {}) + TraceCall("_root", "getNextHighestDepth", {}) +
        TraceCall("_root", "attachMovie", {"sym", "x", "7"}) + TraceCall("t", "swapDepths", {"5"}) +
        TraceCall("t", "getDepth", {}) + TraceCall("e", "getDepth", {}) +
        TraceCall("_root", "getInstanceAtDepth", {"-16383"}) + TraceCall("e", "removeMovieClip", {}) + Push({"e"}) +
        kGetVariable + kTrace;
    Tags tags = {test::Sprite(1, {test::ShowFrame()}),
                 test::Sprite(2, {DoAction(Push({"x runs"}) + kTrace + removeSelf), test::ShowFrame()}),
                 {56, std::string("\x01\x00\x02\x00sym\0", 8)},
                 Named(1, 1, "t"),
                 DoAction(frame1),
                 test::ShowFrame()};
    // Timeline depths count from -16384; a clip of the timeline moved by a
    // script is not the script's to remove; x's script ends where x goes.
    const std::vector<std::string> want = {"_level0.e", "5",  "-16383", "6", "_level0.x", "undefined",
                                           "5",         "-16383", "_level0.e", "undefined", "_level0.e", "x runs"};
    EXPECT_EQ(want, Play(test::MovieOf(100, 100, tags, 8), 1));
}

TEST(StageScripts, UnloadMovieEmptiesAClipThatStaysAndLoadsFetchNothing) {
    // Clips c and d of two frames, each holding a clip k: c.unloadMovie()
    // and unloadMovie("d") (the action) leave them empty and stopped, where
    // they were; c.loadMovie changes nothing.
    const std::string unloadD = Push({"", "d"}) + Op(0x9A) + std::string("\x01\x00\x40", 3);
    const std::string frame1 = TraceMember("c", "k") + TraceCall("c", "loadMovie", {"x.swf"}) + TraceMember("c", "k") +
                               TraceCall("c", "unloadMovie", {}) + unloadD + TraceMember("c", "k") +
                               TraceMember("d", "k") + TraceMember("c", "_totalframes") + TraceMember("c", "_x") +
                               Push({"c"}) + kGetVariable + kTypeOf + kTrace;
    test::Place3Fields c, d;
    c.character = d.character = 2;
    c.name = "c";
    d.name = "d";
    c.matrix = test::Translate(200, 0);
    Tags tags = {test::Sprite(1, {test::ShowFrame()}),
                 test::Sprite(2, {Named(1, 1, "k"), test::ShowFrame(), test::ShowFrame()}),
                 test::Place3(1, c),
                 test::Place3(2, d),
                 DoAction(frame1),
                 test::ShowFrame()};
    const std::vector<std::string> want = {"_level0.c.k", "undefined", "_level0.c.k", "undefined", "undefined",
                                           "undefined",   "1",         "10",          "movieclip"};
    EXPECT_EQ(want, Play(test::MovieOf(100, 100, tags, 8), 1));
}

TEST(StageScripts, ScriptsGoOnWhenTheirClipsLeaveTheStage) {
    // Clip x is attached from "sym", whose frame script is the case's; the
    // root's frame 2 traces "two" when its actions run.
    const std::string attach = TraceCall("_root", "attachMovie", {"sym", "x", "1"});
    const std::string removeThis = Push({"this"}) + kGetVariable + Op(0x25);
    const struct {
        const char* label;
        std::string root, sprite;
        std::vector<std::string> want;
    } kCases[] = {
        {"a reference to a removed clip finds the one now at its path",
         Push({"r"}) + Push({"1"}) + Op(0x4A) + Push({"c", "2"}) + Op(0x4A) + Push({"_root"}) + kGetVariable +
             Push({"createEmptyMovieClip"}) + kCallMethod + kSetVariable + Push({"r"}) + kGetVariable + Op(0x25) +
             Push({"r"}) + kGetVariable + kTrace + TraceCall("_root", "createEmptyMovieClip", {"c", "2"}) +
             TraceMember("r", "_name"),
         "",
         {"", "_level0.c", "c"}},
        {"a level's name reads its digits only", Push({"_level0zz"}) + kGetVariable + kTrace + Push({"_level1"}) +
                                                     kGetVariable + kTrace,
         "", {"_level0", "undefined"}},
        {"removed, the clip's script stops at its next call",
         attach, removeThis + Push({"goes on"}) + kTrace + Push({"0", "nothing"}) + Op(0x3D) + kPop +
                      Push({"halted"}) + kTrace,
         {"_level0.x", "goes on"}},
        {"removed, the clip's script sets the root's variables",
         attach, removeThis + Push({"w", "set"}) + kSetVariable + TraceMember("_root", "w"), {"_level0.x", "set"}},
        {"Call runs a frame's actions, the playhead staying",
         Push({"2"}) + Op(0x9E) + std::string(2, '\0') + TraceMember("_root", "_currentframe"), "", {"two", "1"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        Tags tags = {test::Sprite(1, {DoAction(c.sprite), test::ShowFrame()}),
                     {56, std::string("\x01\x00\x01\x00sym\0", 8)},
                     DoAction(c.root),
                     test::ShowFrame(),
                     DoAction(Push({"two"}) + kTrace),
                     test::ShowFrame()};
        EXPECT_EQ(c.want, Play(test::MovieOf(100, 100, tags, 8), 1));
    }
}

TEST(StageScripts, AGotoBackKeepsOnlyTheClipsAtTheScriptsOwnDepths) {
    // Frame 2 makes a at -100 (among the timeline's depths) and b at 5, then goes back to frame 1.
    const std::string frame2 = TraceCall("_root", "createEmptyMovieClip", {"a", "-100"}) +
                               TraceCall("_root", "createEmptyMovieClip", {"b", "5"}) +
                               Op(0x81) + std::string("\x02\x00\x00\x00", 4) + TraceMember("_root", "a") +
                               TraceMember("_root", "b");
    Tags tags = {test::ShowFrame(), DoAction(frame2), test::ShowFrame()};
    const std::vector<std::string> want = {"_level0.a", "_level0.b", "undefined", "_level0.b"};
    EXPECT_EQ(want, Play(test::MovieOf(100, 100, tags, 8), 2));
}

TEST(StageScripts, ColorAndPropertiesAScriptSetsOutlastTheTimelinesMoves) {
    // Two clips the timeline moves to x = 100 in frame 2; a script sets
    // "held"'s colour in frame 1, and the timeline no longer moves it.
    test::Place3Fields held, free;
    held.character = free.character = 1;
    held.name = "held";
    free.name = "free";
    held.matrix = free.matrix = test::Translate(200, 0);
    test::Place3Fields move;
    move.move = true;
    move.matrix = test::Translate(2000, 0);
    const std::string newColor = Push({"c", "held"}) + kGetVariable + Push({"1"}) + Op(0x4A) + Push({"Color"}) +
                                 Op(0x40) /* NewObject */ + kSetVariable;
    const std::string frame1 = newColor + TraceCall("c", "setRGB", {"3368601"}) + TraceCall("c", "getRGB", {}) +
                               Push({"t"}) + Push({"0"}) + Op(0x4A) + Push({"c"}) + kGetVariable +
                               Push({"getTransform"}) + kCallMethod + kSetVariable + TraceMember("t", "rb") +
                               TraceMember("t", "ra") + TraceMember("t", "aa");
    const std::string frame2 = TraceMember("held", "_x") + TraceMember("free", "_x");
    const std::string movie = test::MovieOf(
        100, 100,
        {test::Sprite(1, {test::ShowFrame()}), test::Place3(1, held), test::Place3(2, free), DoAction(frame1),
         test::ShowFrame(), test::Place3(1, move), test::Place3(2, move), DoAction(frame2), test::ShowFrame()},
        8);
    const std::vector<std::string> want = {"undefined", "3368601", "51", "0", "100", "10", "100"};
    EXPECT_EQ(want, Play(movie, 2));
}

// function () { <body> } pushed, as DefineFunction writes it without a name.
std::string Function(const std::string& body) {
    const std::string def = std::string(1, '\0') + std::string(2, '\0') + static_cast<char>(body.size() & 0xFF) +
                            static_cast<char>(body.size() >> 8);
    return Op(0x9B) + static_cast<char>(def.size()) + std::string(1, '\0') + def + body;
}

TEST(StageScripts, ClipEventsAndHandlersRunInFlashsOrder) {
    // Clip c (two frames, each tracing its number) placed with load,
    // enterFrame and unload handlers; the root gives it onEnterFrame and
    // removes it on frame 3. Load comes after its first frame's actions,
    // enterFrame before the frame the clip moves to; a clip with unload
    // handlers removed by its timeline plays out that frame, held for the
    // frame's scripts, and its unload runs on its object in the removal's
    // place among the frame's action lists.
    test::Place3Fields c;
    c.character = 1;
    c.name = "c";
    c.clipActions = {{kSwfEventLoad, Push({"load"}) + kTrace + Op(0)},
                     {kSwfEventEnterFrame, Push({"ef"}) + kTrace + Op(0)},
                     {kSwfEventUnload, Push({"unload"}) + Push({"this"}) + kGetVariable + kTrace + kTrace + Op(0)}};
    const std::string setHandler = Push({"c"}) + kGetVariable + Push({"onEnterFrame"}) +
                                   Function(Push({"oef"}) + kTrace) + kSetMember;
    const std::string movie = test::MovieOf(
        100, 100,
        {test::Sprite(1, {DoAction(Push({"s1"}) + kTrace), test::ShowFrame(), DoAction(Push({"s2"}) + kTrace),
                          test::ShowFrame()}),
         test::Place3(1, c), DoAction(setHandler), test::ShowFrame(), test::ShowFrame(),
         DoAction(Push({"before"}) + kTrace), test::Remove(1), DoAction(TraceMember("c", "_name")), test::ShowFrame()},
        8);
    const std::vector<std::string> want = {"s1",     "load", "ef",        "oef",    "s2", "ef",
                                           "oef",    "s1",   "before", "_level0.c", "unload", "c"};
    EXPECT_EQ(want, Play(movie, 3));
}

TEST(StageScripts, RegisteredClassesConstructTheirSymbolsClips) {
    // F traces the name of the clip it makes: attached ones at once (after
    // the init object's members), placed ones before their first frame.
    // The symbol's name keeps its case, as a version 7 movie matches it.
    const std::string ctor = Function(Push({"made"}) + Push({"this"}) + kGetVariable + Push({"_name"}) + kGetMember +
                                      Op(0x21) /* StringAdd */ + kTrace + TraceMember("this", "k"));
    const std::string frame1 = Push({"F"}) + ctor + kSetVariable + Push({"k"}) + Push({""}) + kSetVariable +
                               Push({"F"}) + kGetVariable + Push({"Sym"}) + Push({"2"}) + Op(0x4A) + Push({"Object"}) +
                               kGetVariable + Push({"registerClass"}) + kCallMethod + kPop;
    // attachMovie("sym", "a", 5, {k: "!"})
    const std::string attach = Push({"k", "!", "1"}) + Op(0x4A) + Op(0x43) /* InitObject */ + Push({"5"}) +
                               Op(0x4A) + Push({"a"}) +
                               Push({"Sym"}) + Push({"4"}) + Op(0x4A) + Push({"_root"}) + kGetVariable +
                               Push({"attachMovie"}) + kCallMethod + kPop;
    const std::string movie = test::MovieOf(
        100, 100,
        {test::Sprite(2, {DoAction(Push({"frame"}) + kTrace), test::ShowFrame()}),
         {56, std::string("\x01\x00\x02\x00Sym\0", 8)}, DoAction(frame1 + attach), test::ShowFrame(),
         Named(1, 2, "p"), test::ShowFrame()},
        8);
    const std::vector<std::string> want = {"madea", "!", "frame", "madep", "undefined", "frame"};
    EXPECT_EQ(want, Play(movie, 2));
}

TEST(StageScripts, SetMaskShowsAClipWithinAnotherClipsShapes) {
    // a: a red 100 px square; m: a green 20 px square at (40, 40). After
    // a.setMask(m), a shows only where m is, and m is not drawn; after
    // a.setMask(null), all of a shows again.
    auto box = [](std::uint16_t id, std::uint32_t rgba, std::int32_t size) {
        test::ShapeWriter s(3);
        s.Solid(rgba);
        s.Styles(-1, 1, -1);
        s.Rect(0, 0, size, size);
        return s.Define(id);
    };
    test::Place3Fields a, m;
    a.character = 2;
    a.name = "a";
    m.character = 4;
    m.name = "m";
    m.matrix = test::Translate(800, 800);
    const std::string setMask = Push({"m"}) + kGetVariable + Push({"1"}) + Op(0x4A) + Push({"a"}) + kGetVariable +
                                Push({"setMask"}) + kCallMethod + kPop;
    const std::string clearMask = Op(0x96) + std::string("\x01\x00\x02", 3) /* null */ + Push({"1"}) + Op(0x4A) +
                                  Push({"a"}) + kGetVariable + Push({"setMask"}) + kCallMethod + kPop;
    const std::string bytes = test::MovieOf(
        100, 100,
        {box(1, 0xFF0000FF, 2000), test::Sprite(2, {test::Place(1, 1), test::ShowFrame()}), box(3, 0x00FF00FF, 400),
         test::Sprite(4, {test::Place(1, 3), test::ShowFrame()}), test::Place3(1, a), test::Place3(2, m),
         DoAction(setMask), test::ShowFrame(), DoAction(clearMask), test::ShowFrame()},
        8);
    MemorySource source(bytes);
    SwfStage stage(LoadSwfMovie(source));
    avm1::StageScripts scripts(stage);
    auto pixel = [&](int x, int y) {
        RasterImage image(100, 100);
        SwfImages images;
        SwfRasterCanvas canvas(image, images);
        stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 100, 100);
        return image.At(x, y) & 0xFFFFFFu;
    };
    EXPECT_EQ(0xFF0000u, pixel(50, 50));
    EXPECT_EQ(0xFFFFFFu, pixel(10, 10));
    EXPECT_EQ(0xFFFFFFu, pixel(70, 70));
    stage.Advance();
    EXPECT_EQ(0xFF0000u, pixel(10, 10));
    EXPECT_EQ(0x00FF00u, pixel(50, 50));
}

TEST(StageScripts, RotationReadsBackAsSetWithinAHalfTurn) {
    // _rotation stepped by 2 from 180 as a loop would: -178, ... never -98.0000000000002.
    const std::string c = Push({"c"}) + kGetVariable + Push({"_rotation"});
    std::string frame1 = c + Push({"180"}) + Op(0x4A) + kSetMember;
    for (int step = 0; step < 41; ++step)
        frame1 += c + c + kGetMember + Push({"2"}) + Op(0x4A) + Op(0x47) + kSetMember;
    frame1 += TraceMember("c", "_rotation") + c + Push({"-450"}) + Op(0x4A) + kSetMember + TraceMember("c", "_rotation");
    const std::string movie = test::MovieOf(
        100, 100, {test::Sprite(1, {test::ShowFrame()}), Named(1, 1, "c"), DoAction(frame1), test::ShowFrame()}, 8);
    const std::vector<std::string> want = {"-98", "-90"};
    EXPECT_EQ(want, Play(movie, 1));
}

TEST(StageScripts, ClipsAreTheSameWhenTheirPathsLeadToTheSameClip) {
    // Two clips named a (depths 1 and 2) and one named b: the one at depth
    // 2 is reached by its path, which leads to the one at depth 1.
    auto at = [](const char* depth) {
        return Push({depth}) + Op(0x4A) + Push({"1"}) + Op(0x4A) + Push({"_root"}) + kGetVariable +
               Push({"getInstanceAtDepth"}) + kCallMethod;
    };
    const std::string frame1 = at("-16382") + at("-16383") + Op(0x66) + kTrace + at("-16382") + at("-16381") +
                               Op(0x49) + kTrace + at("-16381") + Push({"b"}) + kGetVariable + Op(0x66) + kTrace;
    const std::string movie = test::MovieOf(100, 100,
                                            {test::Sprite(1, {test::ShowFrame()}), Named(1, 1, "a"), Named(2, 1, "a"),
                                             Named(3, 1, "b"), DoAction(frame1), test::ShowFrame()},
                                            8);
    const std::vector<std::string> want = {"true", "false", "true"};
    EXPECT_EQ(want, Play(movie, 1));
}

TEST(StageScripts, ScriptDepthsReachTheTopFlashAllowsAndOnlyThoseBelowItAreRemoved) {
    // Components put their clips near the top of the depths: they live
    // there, and removeMovieClip takes them up to 2130690031 only.
    std::string frame1;
    for (const char* depth : {"1048575", "2130690031", "2130690032"}) {
        const std::string name = std::string("c") + depth;
        frame1 += TraceCall("_root", "createEmptyMovieClip", {name, depth}) + TraceCall(name, "getDepth", {}) +
                  TraceCall(name, "removeMovieClip", {}) + Push({name}) + kGetVariable + kTrace;
    }
    const std::string movie = test::MovieOf(100, 100, {DoAction(frame1), test::ShowFrame()}, 8);
    const std::vector<std::string> want = {
        "_level0.c1048575",    "1048575",    "undefined", "undefined",  // removed
        "_level0.c2130690031", "2130690031", "undefined", "undefined",
        "_level0.c2130690032", "2130690032", "undefined", "_level0.c2130690032"};
    EXPECT_EQ(want, Play(movie, 1));
}

}  // namespace
}  // namespace fh
