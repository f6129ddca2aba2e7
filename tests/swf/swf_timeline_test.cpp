// Frame actions read and run, the caps on what they can do in a frame, and
// buttons under the pointer. How steered timelines look frame by frame is
// scored against the other player's pictures (swf_reference_test.cpp).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "support/recording_canvas.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "swf/swf_banded.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_reader.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using namespace fh::test;
using Tags = std::vector<std::pair<unsigned, std::string>>;

std::shared_ptr<fh::SwfMovie> Load(const std::string& bytes) {
    MemorySource source(bytes);
    return LoadSwfMovie(source);
}

// Action records: a code alone, or with its payload.
std::string Act(unsigned code) { return std::string(1, static_cast<char>(code)); }
std::string Act(unsigned code, const std::string& payload) { return Act(code) + Le16(payload.size()) + payload; }
std::string Str(const std::string& s) { return s + std::string(1, '\0'); }
std::string Stop() { return Act(0x07); }
std::string Play() { return Act(0x06); }
std::string GotoFrame(unsigned index) { return Act(0x81, Le16(index)); }
std::string SetTarget(const std::string& path) { return Act(0x8B, Str(path)); }
std::string GotoLabel(const std::string& label) { return Act(0x8C, Str(label)); }
std::pair<unsigned, std::string> DoAction(const std::string& records) { return {12, records + std::string(1, '\0')}; }

std::pair<unsigned, std::string> Square(std::uint16_t id, std::uint32_t rgba) {
    ShapeWriter s(3);
    s.Solid(rgba);
    s.Styles(-1, 1, -1);
    s.Rect(0, 0, 2000, 2000);
    return s.Define(id);
}

std::vector<std::uint32_t> FillColours(SwfStage& stage) {
    RecordingCanvas canvas;
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 200, 200);
    std::vector<std::uint32_t> colours;
    for (const auto& c : canvas.calls)
        if (c.kind == 'F') colours.push_back(c.paint.color.Argb());
    return colours;
}

TEST(SwfActions, ListsAreReadUpToTheFirstActionThatIsNotRun) {
    double half = 2.5;
    std::uint64_t bits;
    std::memcpy(&bits, &half, sizeof bits);
    float quarter = 0.25f;
    std::uint32_t floatBits;
    std::memcpy(&floatBits, &quarter, sizeof floatBits);
    const std::string push = std::string("\x00", 1) + Str("lbl") + "\x01" + Le32(floatBits) + "\x02\x03" +
                             std::string("\x04\x07\x05\x01\x06", 5) + Le32(static_cast<std::uint32_t>(bits >> 32)) +
                             Le32(static_cast<std::uint32_t>(bits)) + "\x07" + Le32(static_cast<std::uint32_t>(-3)) +
                             std::string("\x08\x02\x09", 3) + Le16(300);
    const std::string records = Stop() + Play() + Act(0x04) + Act(0x05) + GotoFrame(7) + Act(0x8C, Str("x")) +
                                SetTarget("/a") + Act(0x20) + Act(0x88, Le16(2) + Str("p") + Str("q")) +
                                Act(0x96, push) + Act(0x9F, std::string("\x03", 1) + Le16(5)) + Act(0x9F, std::string(1, '\0'));
    std::uint64_t budget = 1000;
    SwfReader r(reinterpret_cast<const unsigned char*>(records.data()), records.size());
    const SwfActionBlock block = ReadActionBlock(r, budget);
    EXPECT_TRUE(block.complete);
    using Op = SwfAction::Op;
    const Op ops[] = {Op::Stop, Op::Play, Op::NextFrame, Op::PreviousFrame, Op::GotoFrame, Op::GotoLabel,
                      Op::SetTarget, Op::SetTarget2, Op::ConstantPool, Op::Push, Op::GotoFrame2, Op::GotoFrame2};
    ASSERT_EQ(block.actions.size(), std::size(ops));
    for (std::size_t i = 0; i < std::size(ops); ++i) EXPECT_EQ(block.actions[i].op, ops[i]) << i;
    EXPECT_EQ(block.actions[4].frame, 7);
    EXPECT_EQ(block.actions[5].text, "x");
    EXPECT_EQ(block.actions[6].text, "/a");
    ASSERT_EQ(block.actions[8].values.size(), 2u);
    EXPECT_EQ(block.actions[8].values[1].text, "q");
    const std::vector<SwfValue>& v = block.actions[9].values;
    using K = SwfValue::Kind;
    const K kinds[] = {K::String, K::Number, K::Null, K::Undefined, K::Undefined, K::Bool, K::Number, K::Number,
                       K::Constant, K::Constant};
    const double numbers[] = {0, 0.25, 0, 0, 0, 1, 2.5, -3, 2, 300};
    ASSERT_EQ(v.size(), std::size(kinds));
    for (std::size_t i = 0; i < v.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(v[i].kind, kinds[i]);
        EXPECT_EQ(v[i].number, numbers[i]);
    }
    EXPECT_EQ(v[0].text, "lbl");
    EXPECT_TRUE(block.actions[10].play);
    EXPECT_EQ(block.actions[10].frame, 5);
    EXPECT_FALSE(block.actions[11].play);

    // Anything else ends the list, as does a record cut short or a spent budget.
    const struct {
        const char* label;
        std::string records;
        std::uint64_t budget;
        std::size_t read;
    } kCut[] = {
        {"an add", Stop() + Act(0x0A) + Play(), 100, 1},
        {"a jump", Stop() + Act(0x99, Le16(0)) + Play(), 100, 1},
        {"a push of an unknown type", Act(0x96, "\x0A"), 100, 0},
        {"a record past the end", Stop() + Act(0x81) + Le16(40), 100, 1},
        {"the budget", Stop() + Play() + Stop(), 2, 2},
    };
    for (const auto& c : kCut) {
        SCOPED_TRACE(c.label);
        std::uint64_t left = c.budget;
        SwfReader cut(reinterpret_cast<const unsigned char*>(c.records.data()), c.records.size());
        const SwfActionBlock b = ReadActionBlock(cut, left);
        EXPECT_FALSE(b.complete);
        EXPECT_EQ(b.actions.size(), c.read);
    }

    // A movie counts the frames whose scripts are not all run, and keeps its labels.
    const Tags tags = {DoAction(Stop()), {43, Str("start")}, ShowFrame(), DoAction(Act(0x0A)), DoAction(Stop()),
                       ShowFrame(), {59, Le16(1)}, ShowFrame(), DoAction(Play()), ShowFrame()};
    auto movie = Load(MovieOf(100, 100, tags));
    EXPECT_EQ(movie->leftOut.unrunScriptFrames, 2);
    ASSERT_EQ(movie->root.labels.size(), 1u);
    EXPECT_EQ(movie->root.labels[0], (std::pair<std::string, int>("start", 0)));
}

TEST(SwfActions, TargetPathsInSlashAndDotSyntax) {
    using K = SwfPathStep::Kind;
    const struct {
        const char* path;
        std::vector<std::pair<K, std::string>> steps;
    } kPaths[] = {
        {"", {}},
        {"/", {{K::Root, ""}}},
        {"/a/b", {{K::Root, ""}, {K::Child, "a"}, {K::Child, "b"}}},
        {"../a", {{K::Parent, ""}, {K::Child, "a"}}},
        {"..", {{K::Parent, ""}}},
        {"a", {{K::Child, "a"}}},
        {"_root.a.b", {{K::Root, ""}, {K::Child, "a"}, {K::Child, "b"}}},
        {"_parent._parent.c", {{K::Parent, ""}, {K::Parent, ""}, {K::Child, "c"}}},
        {"this.a", {{K::Child, "a"}}},
        {"_level0/a", {{K::Root, ""}, {K::Child, "a"}}},
    };
    for (const auto& c : kPaths) {
        SCOPED_TRACE(c.path);
        const auto steps = ParseTargetPath(c.path);
        ASSERT_TRUE(steps.has_value());
        ASSERT_EQ(steps->size(), c.steps.size());
        for (std::size_t i = 0; i < steps->size(); ++i) {
            EXPECT_EQ((*steps)[i].kind, c.steps[i].first);
            EXPECT_EQ((*steps)[i].name, c.steps[i].second);
        }
    }
    std::string deep;
    for (std::size_t i = 0; i <= kSwfMaxPathSteps; ++i) deep += "/a";
    EXPECT_FALSE(ParseTargetPath(deep).has_value());
    EXPECT_FALSE(ParseTargetPath("_level1.a").has_value());
}

TEST(SwfTimeline, GotosThatPingPongOrRemoveTheirOwnTimelineEnd) {
    // The root sends itself between two frames within one frame, and two
    // sprites send each other back and forth: the gotos' cap ends both.
    const std::string back = GotoFrame(0), forth = GotoFrame(1);
    const Tags pingPong = {Square(1, 0xFF0000FF), Place(1, 1), DoAction(forth), ShowFrame(), DoAction(back), ShowFrame()};
    SwfStage root(Load(MovieOf(100, 100, pingPong)));
    EXPECT_TRUE(root.Capped());
    EXPECT_TRUE(root.Stopped());
    root.Advance();
    EXPECT_EQ(FillColours(root).size(), 1u);

    const auto sprite = [&](std::uint16_t id, const std::string& other, const std::string& first,
                            const std::string& second) {
        return Sprite(id, {DoAction(SetTarget(other) + first), ShowFrame(), DoAction(SetTarget(other) + second), ShowFrame()});
    };
    Place3Fields a, b;
    a.character = 2;
    a.name = "a";
    b.character = 3;
    b.name = "b";
    SwfStage pair(Load(MovieOf(100, 100, {sprite(2, "/b", forth, back), sprite(3, "/a", back, forth), Place3(1, a), Place3(2, b)})));
    EXPECT_TRUE(pair.Capped());
    for (int i = 0; i < 3; ++i) pair.Advance();

    // A sprite whose action sends its parent back to before it was placed
    // is removed by it; the rest of its list steers nothing.
    const Tags inner = {DoAction(SetTarget("_parent") + GotoFrame(0) + SetTarget("") + Stop() + SetTarget("/") + Play()),
                        ShowFrame()};
    const Tags outer = {Square(1, 0xFF0000FF), Sprite(2, inner), Place(1, 1), ShowFrame(), Place(2, 2), ShowFrame()};
    SwfStage removed(Load(MovieOf(100, 100, outer)));
    removed.Advance();
    EXPECT_EQ(removed.Frame(), 1);
    EXPECT_TRUE(removed.Stopped());
    EXPECT_FALSE(removed.Capped());
    EXPECT_EQ(FillColours(removed).size(), 1u);
}

TEST(SwfTimeline, AForwardGotoReplaysTheFramesItSkipsNotTheWholeList) {
    // A sprite of 19 000 squares sent forward two frames at a time, 999
    // times in its first frame (each goto copied the whole list before:
    // seconds to enter the frame). Skipped frames take the last square away
    // and place a blue one there; the frame reached adds another.
    Tags frames;
    for (std::uint16_t depth = 1; depth <= 19000; ++depth) frames.push_back(Place(depth, 1));
    frames.push_back(ShowFrame());
    for (int f = 1; f < 1998; ++f) {
        if (f == 999) frames.push_back(Remove(19000));
        if (f == 1001) frames.push_back(Place(19000, 3));
        frames.push_back(ShowFrame());
    }
    frames.push_back(Place(19001, 3));
    frames.push_back(ShowFrame());
    std::string gotos = SetTarget("s");
    for (unsigned f = 2; f <= 1998; f += 2) gotos += GotoFrame(f);
    Place3Fields s;
    s.character = 2;
    s.name = "s";
    SwfStage stage(Load(MovieOf(100, 100, {Square(1, 0xFF0000FF), Square(3, 0x0000FFFF), Sprite(2, frames), Place3(1, s),
                                           DoAction(gotos), ShowFrame()})));
    EXPECT_FALSE(stage.Capped());
    std::vector<std::uint32_t> colours = FillColours(stage);
    ASSERT_EQ(colours.size(), 19001u);
    EXPECT_EQ(std::count(colours.begin(), colours.end() - 2, 0xFFFF0000u), 18999);
    EXPECT_EQ(colours[18999], 0xFF0000FFu);
    EXPECT_EQ(colours[19000], 0xFF0000FFu);
    // The sprite stopped on the frame reached: playing on shows the same.
    stage.Advance();
    colours = FillColours(stage);
    ASSERT_EQ(colours.size(), 19001u);
    EXPECT_EQ(colours.back(), 0xFF0000FFu);
}

TEST(SwfTimeline, TargetsAndLabelsAreFoundByNameHoweverLongTheirLists) {
    // 20 000 targets and 20 000 labels not there, over 19 999 named sprites
    // and 20 000 labels (each looked for through all of them before: seconds
    // to enter the frame), then a sprite and a label whose names differ in
    // case: the same sprite before version 7, the same label in every version.
    const auto sprite = [](std::uint16_t depth, int character, const std::string& name, bool move = false) {
        Place3Fields f;
        f.character = character;
        f.name = name;
        f.move = move;
        return Place3(depth, f);
    };
    // Red, then blue from its second frame on.
    const auto redToBlue = Sprite(2, {Place(1, 1), DoAction(Stop()), ShowFrame(), Place(1, 3, "", "", -1, 0, true), ShowFrame()});
    for (int version : {6, 7}) {
        SCOPED_TRACE(version);
        Tags tags = {Square(1, 0xFF0000FF), Square(3, 0x0000FFFF), redToBlue, Sprite(4, {ShowFrame()})};
        char name[16];
        for (std::uint16_t depth = 1; depth < 19999; ++depth) {
            std::snprintf(name, sizeof name, "o%06u", static_cast<unsigned>(depth));
            tags.push_back(sprite(depth, 4, name));
        }
        tags.push_back(sprite(19999, 2, "target"));
        for (unsigned i = 0; i < 20000; ++i) {
            std::snprintf(name, sizeof name, "l%06u", i);
            tags.push_back({43, Str(name)});
        }
        std::string actions;
        for (int i = 0; i < 20000; ++i) actions += SetTarget("missing") + Stop();
        actions += SetTarget("/TARGET") + GotoFrame(1) + SetTarget("/");
        for (int i = 0; i < 20000; ++i) actions += GotoLabel("missing");
        actions += GotoLabel("END");
        tags.push_back(DoAction(actions));
        for (const char* label : {"end", "END", "end"}) tags.insert(tags.end(), {ShowFrame(), {43, Str(label)}});
        tags.push_back(ShowFrame());
        SwfStage stage(Load(MovieOf(100, 100, tags, version)));
        EXPECT_FALSE(stage.Capped());
        EXPECT_EQ(stage.Frame(), 2);
        EXPECT_EQ(FillColours(stage), std::vector<std::uint32_t>{version < 7 ? 0xFF0000FFu : 0xFFFF0000u});
    }

    // The names follow the list: sprites renamed, removed, placed again, a
    // name shared (the lowest depth is found), a name left on a shape, a
    // goto back to before a rename.
    const std::string findA = SetTarget("a") + GotoFrame(1);
    const struct {
        const char* label;
        Tags changes;
        std::string actions;
        std::vector<std::uint32_t> colours;
    } kCases[] = {
        {"the old name of one renamed", {sprite(10, -1, "c", true)}, findA, {0xFFFF0000u, 0xFFFF0000u}},
        {"the new name of one renamed", {sprite(20, -1, "a", true), sprite(10, -1, "c", true)}, findA,
         {0xFFFF0000u, 0xFF0000FFu}},
        {"a name two share", {sprite(20, -1, "a", true)}, findA, {0xFF0000FFu, 0xFFFF0000u}},
        {"one removed", {Remove(10)}, findA, {0xFFFF0000u}},
        {"one placed again deeper", {Remove(10), sprite(30, 2, "a")}, findA, {0xFFFF0000u, 0xFF0000FFu}},
        {"a shape with the name", {Place(10, 1, "", "", -1, 0, true), sprite(20, -1, "a", true)}, findA,
         {0xFFFF0000u, 0xFF0000FFu}},
        {"back before a rename", {sprite(10, -1, "c", true)}, GotoFrame(0) + findA, {0xFF0000FFu, 0xFFFF0000u}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        Tags tags = {Square(1, 0xFF0000FF), Square(3, 0x0000FFFF), redToBlue, sprite(10, 2, "a"), sprite(20, 2, "b"),
                     ShowFrame()};
        tags.insert(tags.end(), c.changes.begin(), c.changes.end());
        tags.push_back(DoAction(c.actions));
        tags.push_back(ShowFrame());
        SwfStage stage(Load(MovieOf(100, 100, tags)));
        stage.Advance();
        EXPECT_EQ(FillColours(stage), c.colours);
    }
}

TEST(SwfButtons, PointerShowsStatesAndAClickRunsTheReleaseActions) {
    // A button in a sprite at (100, 100) px: red up, green over, blue down,
    // a hit square of 100 px; its release plays the root, stopped on frame 1.
    const std::string at = Translate(0, 0);
    const std::vector<ButtonRecord> parts = {{1, 1, 1, at}, {2, 2, 1, at}, {4, 3, 1, at}, {8, 4, 1, at}};
    const std::string play = SetTarget("/") + Play() + std::string(1, '\0');
    for (bool first : {false, true}) {
        SCOPED_TRACE(first ? "DefineButton" : "DefineButton2");
        const auto button = first ? Button1(5, parts, play) : Button2(5, parts, {{0x08, play}});
        Tags tags = {Square(1, 0xFF0000FF), Square(2, 0x00FF00FF), Square(3, 0x0000FFFF), Square(4, 0x000000FF), button,
                     Sprite(6, {Place(1, 5), ShowFrame()}),
                     Place(1, 6, Translate(2000, 2000)), DoAction(Stop()), ShowFrame(), ShowFrame()};
        SwfStage stage(Load(MovieOf(200, 200, tags)));
        EXPECT_EQ(FillColours(stage), std::vector<std::uint32_t>{0xFFFF0000u});
        EXPECT_FALSE(stage.PointerMove(1000, 1000, false));
        EXPECT_TRUE(stage.PointerMove(2500, 2500, false));
        EXPECT_TRUE(stage.TakeChanged());
        EXPECT_EQ(FillColours(stage), std::vector<std::uint32_t>{0xFF00FF00u});
        // Pressed, then released away from it: nothing runs.
        EXPECT_TRUE(stage.PointerDown(2500, 2500));
        EXPECT_EQ(FillColours(stage), std::vector<std::uint32_t>{0xFF0000FFu});
        stage.PointerMove(4500, 4500, true);
        EXPECT_EQ(FillColours(stage), std::vector<std::uint32_t>{0xFFFF0000u});
        stage.PointerUp(4500, 4500);
        EXPECT_TRUE(stage.Stopped());
        // A click on it plays the root from the next frame.
        stage.PointerDown(2100, 3900);
        stage.PointerUp(2100, 3900);
        EXPECT_FALSE(stage.Stopped());
        EXPECT_EQ(stage.Frame(), 1);
        EXPECT_EQ(FillColours(stage), std::vector<std::uint32_t>{0xFF00FF00u});
        stage.Advance();
        EXPECT_EQ(stage.Frame(), 2);
        stage.PointerLeave();
        EXPECT_EQ(FillColours(stage), std::vector<std::uint32_t>{0xFFFF0000u});
    }
}


// The pixel at (x, y) of the stage drawn at 20 twips a pixel, straight
// 0xAARRGGBB; drawn in bands too, which must give the same pixels.
std::uint32_t PixelAt(SwfStage& stage, int x, int y) {
    const int w = stage.Movie().StageWidthPixels(), h = stage.Movie().StageHeightPixels();
    RasterImage image(w, h);
    SwfImages images;
    SwfRasterCanvas canvas(image, images);
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), w, h);
    RasterImage banded(w, h, 0x12345678u);
    DrawStageInBands(stage, images, banded, SwfMatrix::Scale(0.05, 0.05), 3);
    EXPECT_TRUE(banded.px == image.px);
    const std::uint32_t p = image.At(x, y), a = p >> 24;
    auto straight = [&](int shift) { return a ? ((p >> shift & 0xFF) * 255 + a / 2) / a : 0; };
    return a << 24 | straight(16) << 16 | straight(8) << 8 | straight(0);
}

std::pair<unsigned, std::string> Box(std::uint16_t id, std::uint32_t rgba, std::int32_t x0, std::int32_t y0,
                                     std::int32_t x1, std::int32_t y1) {
    ShapeWriter s(3);
    s.Solid(rgba);
    s.Styles(-1, 1, -1);
    s.Rect(x0, y0, x1 - x0, y1 - y0);
    return s.Define(id);
}

TEST(SwfButtons, SpritesInAButtonsStatesAreDrawnPlayedAndHit) {
    // A site menu as Flash 4 published it: a DefineButton2 whose up and hit
    // states are a sprite holding the label, a DefineText in a DefineFont
    // (glyph outlines alone), at (100, 100) px. The label's first glyph
    // covers (10, 20)-(40, 60) px of the sprite; the sprite's second frame
    // adds a blue mark below it, at (10, 70)-(40, 90). The over state is another
    // sprite, green where the label is. The root stops on frame 1; its
    // frame 2 takes the button away.
    ShapeWriter glyph(1);
    glyph.Styles(-1, 1, -1);
    glyph.Rect(0, -800, 600, 800);
    const std::string at = Translate(2000, 2000);
    for (int version : {4, 6}) {
        for (bool text : {true, false}) {
            SCOPED_TRACE(testing::Message() << "SWF " << version << (text ? ", a DefineText label" : ", a shape label"));
            Tags tags;
            if (text) {
                // 1024 twips high from a 1024 square: glyph units are twips.
                tags.push_back(Font1(2, {glyph.Records(), glyph.Records()}));
                tags.push_back(Text2(3, 2, 1024, 0xFF0000FF, 200, 1200, {{0, 800}, {1, 800}}, true));
            } else {
                tags.push_back(Box(3, 0xFF0000FF, 200, 400, 800, 1200));
            }
            tags.push_back(Box(4, 0x0000FFFF, 200, 1400, 800, 1800));
            tags.push_back(Box(5, 0x00FF00FF, 200, 400, 800, 1200));
            tags.push_back(Sprite(10, {Place(1, 3), ShowFrame(), Place(2, 4), ShowFrame()}));
            tags.push_back(Sprite(11, {Place(1, 5), ShowFrame()}));
            tags.push_back(Button2(20, {{1 | 8, 10, 1, at}, {2, 11, 1, at}}));
            tags.push_back(Place(1, 20));
            tags.push_back(DoAction(Stop()));
            tags.push_back(ShowFrame());
            tags.push_back(Remove(1));
            tags.push_back(ShowFrame());
            SwfStage stage(Load(MovieOf(200, 200, tags, version)));
            ASSERT_EQ(stage.Movie().version, version);
            const std::uint32_t white = 0xFFFFFFFFu, red = 0xFFFF0000u, green = 0xFF00FF00u, blue = 0xFF0000FFu;
            // The up state's sprite shows its first frame: the label, no mark.
            EXPECT_EQ(red, PixelAt(stage, 125, 140));
            EXPECT_EQ(white, PixelAt(stage, 125, 185));
            EXPECT_EQ(white, PixelAt(stage, 105, 140));
            // It plays on while the root is stopped.
            stage.Advance();
            EXPECT_EQ(stage.Frame(), 1);
            EXPECT_EQ(red, PixelAt(stage, 125, 140));
            EXPECT_EQ(blue, PixelAt(stage, 125, 185));
            stage.Advance();
            EXPECT_EQ(white, PixelAt(stage, 125, 185));
            // The hit state's sprite says where the button is.
            EXPECT_FALSE(stage.PointerMove(1000, 1000, false));
            EXPECT_TRUE(stage.PointerMove(2500, 2800, false));
            EXPECT_EQ(green, PixelAt(stage, 125, 140));
            EXPECT_EQ(white, PixelAt(stage, 125, 185));
            stage.Advance();
            EXPECT_EQ(white, PixelAt(stage, 125, 185));
            // Back in the up state, its sprite begins again.
            EXPECT_FALSE(stage.PointerMove(1000, 1000, false));
            EXPECT_EQ(red, PixelAt(stage, 125, 140));
            EXPECT_EQ(white, PixelAt(stage, 125, 185));
            stage.Advance();
            EXPECT_EQ(blue, PixelAt(stage, 125, 185));
            // Taken away with the button, and placed again with it.
            stage.Advance(true);
            EXPECT_EQ(stage.Frame(), 2);
            EXPECT_EQ(white, PixelAt(stage, 125, 140));
            EXPECT_EQ(white, PixelAt(stage, 125, 185));
            stage.Advance(true);
            EXPECT_EQ(stage.Frame(), 1);
            EXPECT_EQ(red, PixelAt(stage, 125, 140));
            EXPECT_EQ(white, PixelAt(stage, 125, 185));
            stage.Restart();
            EXPECT_EQ(red, PixelAt(stage, 125, 140));
        }
    }
}

}  // namespace
}  // namespace fh
