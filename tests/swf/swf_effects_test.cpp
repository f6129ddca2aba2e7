// PlaceObject3's effects: the filter records and flags as read, what a move
// keeps, the layers the drawing asks for, and the pictures they make on the
// core's rasterizer, hostile movies included.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

#include "support/recording_canvas.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "swf/swf_banded.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using namespace fh::test;
using Tags = std::vector<std::pair<unsigned, std::string>>;

std::shared_ptr<fh::SwfMovie> Load(const std::string& bytes, const SwfLimits& limits = SwfLimits()) {
    MemorySource source(bytes);
    return LoadSwfMovie(source, limits);
}

std::pair<unsigned, std::string> Rect(std::uint16_t id, std::uint32_t rgba, int x, int y, int w, int h) {
    ShapeWriter s(3);
    s.Solid(rgba);
    s.Styles(-1, 1, -1);
    s.Rect(x, y, w, h);
    return s.Define(id);
}

// The filters of the first placement of the root's first frame.
const SwfPlace& FirstPlace(const fh::SwfMovie& movie) { return movie.root.frames.at(0).tags.at(0).place; }

TEST(SwfEffectsReader, EveryFilterRecordAsWritten) {
    const struct {
        const char* name;
        std::string record;
        std::function<void(const RasterFilter&)> check;
    } kCases[] = {
        {"drop shadow", DropShadowFilter(0x11223380, 4.5, 3.25, 0.785398, -6, 1.5, 3, true, true),
         [](const RasterFilter& f) {
             const auto& d = std::get<RasterDropShadow>(f.params);
             EXPECT_EQ(0x80112233u, d.color);
             EXPECT_DOUBLE_EQ(4.5, d.blurX);
             EXPECT_DOUBLE_EQ(3.25, d.blurY);
             EXPECT_NEAR(0.785398, d.angle, 1e-4);
             EXPECT_DOUBLE_EQ(-6, d.distance);
             EXPECT_DOUBLE_EQ(1.5, d.strength);
             EXPECT_EQ(3, d.passes);
             EXPECT_TRUE(d.inner && d.knockout && d.compositeSource);
         }},
        {"blur", BlurFilter(16, 0, 15),
         [](const RasterFilter& f) {
             const auto& b = std::get<RasterBlur>(f.params);
             EXPECT_EQ(16, b.blurX);
             EXPECT_EQ(0, b.blurY);
             EXPECT_EQ(15, b.passes);
         }},
        {"glow", GlowFilter(0x0040FFFF, 10, 6, 2, 2, true),
         [](const RasterFilter& f) {
             const auto& g = std::get<RasterGlow>(f.params);
             EXPECT_EQ(0xFF0040FFu, g.color);
             EXPECT_EQ(10, g.blurX);
             EXPECT_EQ(6, g.blurY);
             EXPECT_EQ(2, g.strength);
             EXPECT_EQ(2, g.passes);
             EXPECT_TRUE(g.inner);
             EXPECT_FALSE(g.knockout);
         }},
        // The record's first colour goes on the lit edges.
        {"bevel", BevelFilter(0x000060FF, 0xFFFFFF80, 4, 0.785398, 4, 1, 1, false, true),
         [](const RasterFilter& f) {
             const auto& b = std::get<RasterBevel>(f.params);
             EXPECT_EQ(0xFF000060u, b.highlightColor);
             EXPECT_EQ(0x80FFFFFFu, b.shadowColor);
             EXPECT_TRUE(b.onTop);
             EXPECT_FALSE(b.inner);
             EXPECT_EQ(4, b.distance);
         }},
        {"gradient glow", GradientFilter(4, {{0, 0xFF000000}, {128, 0x00FF00FF}, {255, 0x0000FFFF}}, 6, 1, 2, 1.25, 3, false, true),
         [](const RasterFilter& f) {
             const auto& g = std::get<RasterGradientGlow>(f.params);
             EXPECT_EQ((std::vector<std::uint32_t>{0x00FF0000, 0xFF00FF00, 0xFF0000FF}), g.colors);
             EXPECT_EQ((std::vector<std::uint8_t>{0, 128, 255}), g.ratios);
             EXPECT_EQ(1.25, g.strength);
             EXPECT_TRUE(g.onTop);
         }},
        {"convolution", ConvolutionFilter(3, 2, 4, -2.5f, {1, 2, 3, 4, 5, 6}, 0x10203040, true, false),
         [](const RasterFilter& f) {
             const auto& c = std::get<RasterConvolution>(f.params);
             EXPECT_EQ(3, c.matrixX);
             EXPECT_EQ(2, c.matrixY);
             EXPECT_EQ((std::vector<float>{1, 2, 3, 4, 5, 6}), c.matrix);
             EXPECT_EQ(4, c.divisor);
             EXPECT_EQ(-2.5f, c.bias);
             EXPECT_EQ(0x40102030u, c.defaultColor);
             EXPECT_TRUE(c.clamp);
             EXPECT_FALSE(c.preserveAlpha);
         }},
        {"colour matrix", ColorMatrixFilter({0, 0, 1, 0, 40, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0.5f, 0}),
         [](const RasterFilter& f) {
             const auto& m = std::get<RasterColorMatrix>(f.params).matrix;
             EXPECT_EQ(40, m[4]);
             EXPECT_EQ(0.5f, m[18]);
             EXPECT_EQ(1, m[2]);
         }},
        {"gradient bevel", GradientFilter(7, {{0, 0xFFFFFFFF}, {255, 0x000000FF}}, 4, 0, -3, 2, 1, true, false),
         [](const RasterFilter& f) {
             const auto& g = std::get<RasterGradientBevel>(f.params);
             EXPECT_EQ(2u, g.colors.size());
             EXPECT_EQ(-3, g.distance);
             EXPECT_TRUE(g.inner);
         }},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Place3Fields place;
        place.character = 1;
        place.hasFilters = true;
        place.filters = {c.record};
        auto movie = Load(MovieOf(100, 100, {Rect(1, 0xFF0000FF, 0, 0, 200, 200), Place3(1, place)}));
        const SwfPlace& p = FirstPlace(*movie);
        ASSERT_TRUE(p.filters && *p.filters);
        ASSERT_EQ(1u, (*p.filters)->size());
        c.check((**p.filters)[0]);
    }
}

TEST(SwfEffectsReader, FlagsCapsAndDamagedLists) {
    Place3Fields all;
    all.character = 1;
    all.className = "Ball";
    all.blend = 3;
    all.cacheAsBitmap = 1;
    all.visible = 0;
    all.background = 0x11223344;
    Place3Fields image;  // a bitmap by id: no class name follows the flag
    image.character = 1;
    image.hasImage = true;
    Place3Fields many = image;
    many.hasFilters = true;
    many.filters.assign(20, BlurFilter(2, 2, 1));
    Place3Fields unknown = image;
    unknown.hasFilters = true;
    unknown.filters = {BlurFilter(2, 2, 1), std::string(1, '\x09')};
    unknown.blend = 8;
    Place3Fields big = image;  // a 16 x 16 convolution is read past, the blur after it kept
    big.hasFilters = true;
    big.filters = {ConvolutionFilter(16, 16, 1, 0, std::vector<float>(256, 1.0f), 0, true, true), BlurFilter(2, 2, 1)};
    const Tags tags = {Rect(1, 0xFF0000FF, 0, 0, 200, 200), Place3(1, all), Place3(2, image), Place3(3, many),
                       Place3(4, unknown), Place3(5, big)};
    auto movie = Load(MovieOf(100, 100, tags));
    const auto& placed = movie->root.frames.at(0).tags;
    ASSERT_EQ(5u, placed.size());
    const SwfPlace& a = placed[0].place;
    EXPECT_EQ(1, a.character.value_or(0));
    EXPECT_EQ(RasterBlend::Multiply, a.blend.value_or(RasterBlend::Normal));
    EXPECT_TRUE(a.cacheAsBitmap.value_or(false));
    EXPECT_FALSE(a.visible.value_or(true));
    EXPECT_EQ(0x44112233u, a.background.value_or(SwfColor()).Argb());
    EXPECT_EQ(1, placed[1].place.character.value_or(0));
    EXPECT_EQ(kSwfMaxFilters, (**placed[2].place.filters).size());
    EXPECT_EQ(1, placed[3].place.character.value_or(0));
    EXPECT_FALSE(placed[3].place.filters);
    EXPECT_FALSE(placed[3].place.blend);
    ASSERT_TRUE(placed[4].place.filters && *placed[4].place.filters);
    ASSERT_EQ(1u, (**placed[4].place.filters).size());
    EXPECT_EQ(RasterFilterKind::Blur, (**placed[4].place.filters)[0].Kind());

    // The movie's filter budget runs out part-way through a list.
    SwfLimits limits;
    limits.maxFilters = 10;
    auto capped = Load(MovieOf(100, 100, tags), limits);
    EXPECT_EQ(10u, (**capped->root.frames[0].tags[2].place.filters).size());
    EXPECT_FALSE(*capped->root.frames[0].tags[4].place.filters);
}

// The layer calls of one drawing, as "L" and "l<blend>" with the filters counted.
std::string Layers(SwfStage& stage, RecordingCanvas& canvas, int width = 200, int height = 150) {
    canvas.calls.clear();
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), width, height);
    std::string out;
    for (const auto& c : canvas.calls) {
        if (c.kind == 'L') out += "L";
        if (c.kind == 'l') out += "l" + std::to_string(static_cast<int>(c.blend)) + "/" + std::to_string(c.filters.size());
        if (c.kind == 'F') out += "F";
    }
    return out;
}

TEST(SwfEffectsStage, MovesKeepEffectsUntilTheirFlagsChangeThem) {
    Place3Fields first;
    first.character = 1;
    first.hasFilters = true;
    first.filters = {BlurFilter(4, 4, 1)};
    first.blend = 3;
    Place3Fields moved;  // matrix only: blend and filters stay
    moved.move = true;
    moved.matrix = Translate(200, 0);
    Place3Fields cleared;  // an empty list and normal blending
    cleared.move = true;
    cleared.hasFilters = true;
    cleared.blend = 0;
    Place3Fields hidden;
    hidden.move = true;
    hidden.visible = 0;
    Place3Fields cached;
    cached.move = true;
    cached.visible = 1;
    cached.cacheAsBitmap = 1;
    auto movie = Load(MovieOf(200, 150, {Rect(1, 0xFF0000FF, 0, 0, 400, 400), Place3(1, first), ShowFrame(),
                                         Place3(1, moved), ShowFrame(), Place3(1, cleared), ShowFrame(),
                                         Place3(1, hidden), ShowFrame(), Place3(1, cached), ShowFrame(), Remove(1),
                                         Place(1, 1), ShowFrame()}));
    SwfStage stage(movie);
    RecordingCanvas canvas;
    const char* const kFrames[] = {"LFl2/1", "LFl2/1", "F", "", "LFl0/0", "F"};
    for (const char* expected : kFrames) {
        SCOPED_TRACE(stage.Frame());
        EXPECT_EQ(expected, Layers(stage, canvas));
        stage.Advance();
    }
}

TEST(SwfEffectsStage, LayersCoverTheObjectAndItsReachAndTakeItsTransform) {
    const int half[4] = {256, 256, 256, 128}, none[4] = {0, 0, 0, 0};
    Place3Fields blurred;  // 100 x 50 px at (40, 30), its colour transform applied to the layer
    blurred.character = 1;
    blurred.matrix = Translate(800, 600);
    blurred.colorTransform = ColorTransformRecord(half, none);
    blurred.hasFilters = true;
    blurred.filters = {BlurFilter(8, 8, 2)};
    Place3Fields offCanvas;  // far to the left: the layer stops at the margin
    offCanvas.character = 1;
    offCanvas.matrix = Translate(-1500, 0);
    offCanvas.hasFilters = true;
    offCanvas.filters = {BlurFilter(255, 255, 15)};
    Place3Fields framed;  // an opaque background fills its box under it
    framed.character = 2;
    framed.background = 0x00FF0080;
    auto movie = Load(MovieOf(200, 150, {Rect(1, 0xFF0000FF, 0, 0, 2000, 1000), Rect(2, 0x0000FFFF, 100, 100, 200, 200),
                                         Place3(1, blurred), Place3(2, offCanvas), Place3(3, framed)}));
    SwfStage stage(movie);
    RecordingCanvas canvas;
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 200, 150);
    ASSERT_EQ("CLFlLFlFF", canvas.Kinds());
    const RasterRect reach = FilterReach(**FirstPlace(*movie).filters);
    const SwfLayerRect r = canvas.calls[1].layer;
    EXPECT_EQ(40 - 2 - reach.left, r.x);
    EXPECT_EQ(30 - 2 - reach.top, r.y);
    EXPECT_EQ(100 + 4 + reach.left + reach.right, r.width);
    EXPECT_EQ(255, canvas.calls[2].paint.color.a);  // drawn plain, made half transparent as a whole
    EXPECT_EQ(128, canvas.calls[3].colorTransform.aMul);
    const SwfLayerRect far = canvas.calls[4].layer;
    EXPECT_GE(far.x, -SwfCanvas::kMaxLayerMargin);
    EXPECT_LE(far.x + far.width, 200 + SwfCanvas::kMaxLayerMargin);
    EXPECT_GT(far.width, 0);
    // The background: opaque, the shape's box (5..15 px), before the shape.
    EXPECT_EQ((SwfColor{0, 255, 0, 255}), canvas.calls[7].paint.color);
    EXPECT_DOUBLE_EQ(5, canvas.calls[7].path.points[0].x);
    EXPECT_DOUBLE_EQ(15, canvas.calls[7].path.points[2].y);
    // Drawn twice as large, the blur is twice as wide.
    canvas.calls.clear();
    stage.Draw(canvas, SwfMatrix::Scale(0.1, 0.1), 400, 300);
    ASSERT_EQ('l', canvas.calls.at(3).kind);
    EXPECT_DOUBLE_EQ(16, std::get<RasterBlur>(canvas.calls[3].filters.at(0).params).blurX);
}

// Pixels of a 40 x 20 canvas: the stage in `stage`, then `below` filled
// over the left half inside a layer group, then `top` over all of it in a
// layer merged with `blend`; the pixel at (x, y), straight ARGB.
struct Pictured {
    RasterImage image{40, 20};
    SwfImages images;
    SwfRasterCanvas canvas{image, images};

    static SwfPath Box(double x0, double y0, double x1, double y1) {
        SwfPath p;
        p.MoveTo(x0, y0);
        p.LineTo(x1, y0);
        p.LineTo(x1, y1);
        p.LineTo(x0, y1);
        p.ClosePath();
        return p;
    }
    void Fill(double x0, double y0, double x1, double y1, SwfColor color) {
        SwfPaint paint;
        paint.color = color;
        canvas.Fill(Box(x0, y0, x1, y1), false, paint);
    }
    SwfColor At(int x, int y) const {
        const std::uint32_t p = image.At(x, y), a = p >> 24;
        auto straight = [&](int shift) { return static_cast<std::uint8_t>(a ? ((p >> shift & 0xFF) * 255 + a / 2) / a : 0); };
        return {straight(16), straight(8), straight(0), static_cast<std::uint8_t>(a)};
    }
};

void ExpectNear(SwfColor expected, SwfColor actual) {
    EXPECT_NEAR(expected.r, actual.r, 1);
    EXPECT_NEAR(expected.g, actual.g, 1);
    EXPECT_NEAR(expected.b, actual.b, 1);
    EXPECT_NEAR(expected.a, actual.a, 1);
}

TEST(SwfEffectsRaster, BlendModesOnAKnownBackdrop) {
    const SwfColor grey{128, 128, 128, 255}, white{255, 255, 255, 255}, green{64, 192, 96, 255};
    const SwfColor halfYellow{255, 208, 32, 128}, red{208, 48, 48, 255}, none{0, 0, 0, 0};
    const struct {
        const char* name;
        RasterBlend blend;
        SwfColor backdrop, source, expected;
    } kCases[] = {
        {"difference", RasterBlend::Difference, white, green, {191, 63, 159, 255}},
        {"subtract, clamped at 0", RasterBlend::Subtract, grey, green, {64, 0, 32, 255}},
        {"add, half its colour", RasterBlend::Add, grey, halfYellow, {255, 232, 144, 255}},
        {"subtract, half its colour", RasterBlend::Subtract, grey, halfYellow, {0, 24, 112, 255}},
        {"add over nothing shows the layer", RasterBlend::Add, none, halfYellow, halfYellow},
        {"invert at half alpha is flat grey", RasterBlend::Invert, red, halfYellow, {128, 128, 128, 255}},
        {"multiply", RasterBlend::Multiply, grey, green, {32, 96, 48, 255}},
        {"layer draws normally", RasterBlend::Layer, grey, green, green},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Pictured p;
        if (c.backdrop.a) p.Fill(0, 0, 40, 20, c.backdrop);
        p.canvas.PushLayer({10, 0, 20, 20});
        p.Fill(0, 0, 40, 20, c.source);
        SwfLayerEffects effects;
        effects.blend = c.blend;
        p.canvas.PopLayer(effects);
        ExpectNear(c.expected, p.At(20, 10));
        ExpectNear(c.backdrop, p.At(5, 10));  // outside the layer nothing changes
    }
}

TEST(SwfEffectsRaster, EraseAndAlphaCutIntoTheirGroupFiltersReachPastTheCanvas) {
    const SwfColor grey{128, 128, 128, 255}, orange{240, 144, 32, 255};
    for (RasterBlend blend : {RasterBlend::Erase, RasterBlend::Alpha}) {
        SCOPED_TRACE(static_cast<int>(blend));
        Pictured p;
        p.Fill(0, 0, 40, 20, grey);
        p.canvas.PushLayer({0, 0, 40, 20});  // the group
        p.Fill(0, 0, 40, 20, orange);
        p.canvas.PushLayer({0, 0, 20, 20});
        p.Fill(0, 0, 10, 20, SwfColor{0, 0, 0, 255});
        p.Fill(10, 0, 20, 20, SwfColor{0, 0, 0, 128});
        SwfLayerEffects effects;
        effects.blend = blend;
        p.canvas.PopLayer(effects);
        p.canvas.PopLayer(SwfLayerEffects());
        const bool erase = blend == RasterBlend::Erase;
        ExpectNear(erase ? grey : orange, p.At(5, 10));
        ExpectNear({184, 136, 80, 255}, p.At(15, 10));  // half the group over the stage
        ExpectNear(erase ? orange : grey, p.At(30, 10));
    }
    // A shape just left of the canvas, blurred in a layer that reaches past
    // the edge, spreads into view; the clip below limits the result.
    for (int from : {-24, 0}) {
        SCOPED_TRACE(from);
        Pictured p;
        p.Fill(0, 0, 40, 20, SwfColor{255, 255, 255, 255});
        p.canvas.PushClip({{Pictured::Box(0, 0, 40, 10), false}});
        p.canvas.PushLayer({from, -10, 64 - from, 40});
        p.Fill(-8, -10, -1, 30, SwfColor{0, 0, 0, 255});
        const SwfFilterList blur = {RasterFilter{RasterBlur{16, 16, 1}}};
        SwfLayerEffects effects;
        effects.filters = &blur;
        p.canvas.PopLayer(effects);
        p.canvas.PopClip();
        EXPECT_EQ(from < 0, p.At(0, 5).r < 200);
        EXPECT_EQ(255, p.At(0, 15).r);
    }
}

TEST(SwfEffectsStage, EraseAndAlphaCutOnlyIntoALayerAboveThem) {
    // An orange rect with a sprite of a black rect over its left half, the
    // sprite erasing or alpha-cutting: placed on the root it neither shows
    // nor cuts. In a layer sprite, erase cuts down to the white background,
    // and alpha keeps the group only where the sprite is.
    for (int blend : {12, 11}) {
        for (bool inLayer : {false, true}) {
            SCOPED_TRACE(std::to_string(blend) + (inLayer ? " in a layer" : " on the root"));
            Place3Fields cutter;
            cutter.character = 3;
            cutter.blend = blend;
            Place3Fields group;
            group.character = 4;
            group.blend = 2;
            Tags tags = {Background(0xFFFFFF), Rect(1, 0xF09020FF, 0, 0, 800, 400),
                         Rect(2, 0x000000FF, 0, 0, 400, 400), Sprite(3, {Place(1, 2), ShowFrame()}),
                         Sprite(4, {Place(1, 1), Place3(2, cutter), ShowFrame()})};
            if (inLayer) {
                tags.push_back(Place3(1, group));
            } else {
                tags.push_back(Place(1, 1));
                tags.push_back(Place3(2, cutter));
            }
            auto movie = Load(MovieOf(40, 20, tags));
            SwfStage stage(movie);
            SwfImages images;
            RasterImage image(40, 20);
            SwfRasterCanvas canvas(image, images);
            stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 40, 20);
            EXPECT_EQ(inLayer && blend == 12 ? 0xFFFFFFFFu : 0xFFF09020u, image.At(10, 10));
            EXPECT_EQ(inLayer && blend == 11 ? 0xFFFFFFFFu : 0xFFF09020u, image.At(30, 10));
        }
    }
}

TEST(SwfEffectsRaster, ABlurFromBelowThePictureIsDrawnInBandsAsWhole) {
    // A blurred sprite whose second square lies just under the picture's
    // bottom edge: its blur spreads up into view. In bands, the layer still
    // gets the square that lies outside the picture.
    Place3Fields blurred;
    blurred.character = 2;
    blurred.hasFilters = true;
    blurred.filters = {BlurFilter(16, 16, 1)};
    auto movie = Load(MovieOf(100, 80, {Rect(1, 0xFF0000FF, 0, 0, 400, 400),
                                        Sprite(2, {Place(1, 1, Translate(100, 100)), Place(2, 1, Translate(800, 1640)),
                                                   ShowFrame()}),
                                        Place3(1, blurred)}));
    SwfStage stage(movie);
    SwfImages images;
    RasterImage whole(100, 80), banded(100, 80);
    SwfRasterCanvas canvas(whole, images);
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 100, 80);
    EXPECT_LT(whole.At(50, 79) & 0xFF, 0xF0u);  // the blur's red, less blue than the white ground
    DrawStageInBands(stage, images, banded, SwfMatrix::Scale(0.05, 0.05), 2);
    EXPECT_TRUE(banded.px == whole.px);
}

TEST(SwfEffectsStage, HostileEffectsEndWithinTheCaps) {
    // Thousands of objects with the most expensive filters, and layers nested
    // in layers beyond the cap.
    Place3Fields heavy;
    heavy.character = 1;
    heavy.hasFilters = true;
    heavy.filters.assign(kSwfMaxFilters, BlurFilter(255, 255, 15));
    heavy.blend = 11;
    Tags heavies;
    for (int depth = 1; depth <= 3000; ++depth) heavies.push_back(Place3(static_cast<std::uint16_t>(depth), heavy));
    heavies.push_back(ShowFrame());
    Place3Fields layer;  // alpha cuts only into a layer
    layer.blend = 2;
    layer.character = 2;
    Tags tags = {Rect(1, 0xFF0000FF, 0, 0, 6400, 4800), Sprite(2, heavies), Place3(1, layer)};
    Tags nested = {Rect(1, 0xFF0000FF, 0, 0, 2000, 2000)};
    for (int id = 2; id < 60; ++id) {
        layer.character = id - 1;
        nested.push_back(Sprite(static_cast<std::uint16_t>(id), {Place3(1, layer), ShowFrame()}));
    }
    layer.character = 59;
    nested.push_back(Place3(1, layer));
    for (const Tags* movieTags : {&tags, &nested}) {
        auto movie = Load(MovieOf(320, 240, *movieTags));
        SwfStage stage(movie);
        RecordingCanvas recording;
        stage.Draw(recording, SwfMatrix::Scale(0.05, 0.05), 320, 240);
        std::uint64_t pixels = 0;
        int open = 0, deepest = 0;
        for (const auto& c : recording.calls) {
            if (c.kind == 'L') pixels += static_cast<std::uint64_t>(c.layer.width) * c.layer.height;
            open += c.kind == 'L' ? 1 : c.kind == 'l' ? -1 : 0;
            deepest = std::max(deepest, open);
        }
        EXPECT_EQ(0, open);
        EXPECT_LT(deepest, SwfCanvas::kMaxLayers);
        EXPECT_LE(pixels, 320u * 240u * SwfStageLimits().maxLayerPixels);
        RasterImage image(320, 240);
        SwfImages images;
        SwfRasterCanvas canvas(image, images);
        const auto start = std::chrono::steady_clock::now();
        const SwfDrawReport report = stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 320, 240);
        EXPECT_TRUE(report.cut);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    }
}

// A recording canvas that says it stands for `copies` band canvases.
class BandsCanvas : public RecordingCanvas {
public:
    explicit BandsCanvas(int copies) : m_copies(copies) {}
    int Copies() const override { return m_copies; }

private:
    int m_copies;
};

TEST(SwfEffectsStage, FiltersMasksAndLayersCountTheWorkAndMemoryTheyTake) {
    // Three 15-pass blurs over a QHD player: about 120 passes over the
    // pixels, far past the drawing's work.
    Place3Fields blurred;
    blurred.character = 1;
    blurred.hasFilters = true;
    blurred.filters.assign(3, BlurFilter(2, 2, 15));
    const Tags filters = {Rect(1, 0xFF0000FF, 0, 0, 2560 * 20, 1440 * 20), Place3(1, blurred)};
    // 128 masks, each inside the one before, over a picture drawn in two bands.
    Tags masks = {Rect(1, 0xFF0000FF, 0, 0, 1024 * 20, 1024 * 20)};
    for (std::uint16_t depth = 1; depth <= 128; ++depth) masks.push_back(Place(depth, 1, "", "", -1, 300));
    masks.push_back(Place(299, 1));
    // Ten layers in layers, each reaching past the snapshot's 4096 pixels by
    // the margin filters may need, and 54 masks in the innermost.
    Tags layers = {Rect(1, 0xFF0000FF, -30 * 20, -30 * 20, 265 * 20, 265 * 20)};
    Tags inner;
    for (std::uint16_t depth = 1; depth <= 54; ++depth) inner.push_back(Place(depth, 1, "", "", -1, 100));
    inner.push_back(Place(99, 1, MatrixRecord(20, 0, 0, 20, 0, 0)));
    inner.push_back(ShowFrame());
    layers.push_back(Sprite(2, inner));
    Place3Fields layer;
    layer.blend = 2;
    for (std::uint16_t id = 3; id <= 11; ++id) {
        layer.character = id - 1;
        layers.push_back(Sprite(id, {Place3(1, layer), ShowFrame()}));
    }
    layer.character = 11;
    layers.push_back(Place3(1, layer));

    const struct {
        const char* name;
        const Tags& tags;
        int side, copies;
        std::size_t mostLayers;
    } cases[] = {
        {"filters", filters, 0, 1, 0},  // the blurred layer is refused
        {"masks in bands", masks, 1024, 2, 0},
        {"layers and masks at the snapshot's size", layers, 4096, 1, 9},
    };
    const SwfStageLimits limits;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int width = c.side ? c.side : 2560, height = c.side ? c.side : 1440;
        SwfStage stage(Load(MovieOf(width, height, c.tags)));
        BandsCanvas canvas(c.copies);
        const SwfDrawReport report = stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), width, height);
        EXPECT_TRUE(report.cut) << canvas.Kinds();
        // What the canvases would hold at once (a mask covers the layer it
        // is drawn in), and the mask pixels they would build.
        std::vector<std::uint64_t> areas = {static_cast<std::uint64_t>(width) * height};
        std::uint64_t open = 0, most = 0, maskPixels = 0;
        std::size_t layersDrawn = 0;
        for (const auto& call : canvas.calls) {
            if (call.kind == 'L') {
                areas.push_back(static_cast<std::uint64_t>(call.layer.width) * call.layer.height);
                open += areas.back() * 4;
                ++layersDrawn;
            } else if (call.kind == 'l') {
                open -= areas.back() * 4;
                areas.pop_back();
            } else if (call.kind == 'P') {
                maskPixels += areas.back() * static_cast<std::uint64_t>(c.copies);
            }
            most = std::max(most, open);
        }
        EXPECT_LE(layersDrawn, c.mostLayers);
        EXPECT_LE(most, limits.maxLiveBytes);
        EXPECT_LE(maskPixels, static_cast<std::uint64_t>(width) * height * limits.maxMaskWork);
    }

    // A layer whose filters outrun the deadline is dropped, and the canvas says it was cut.
    RasterImage target(64, 64);
    target.px.assign(target.px.size(), 0xFFFFFFFFu);
    SwfImages images;
    SwfRasterCanvas canvas(target, images);
    RasterDeadline past;
    past.timed = true;
    past.at = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    RasterImage plane(32, 32);
    EXPECT_FALSE(ApplyFilters(plane, {RasterFilter{RasterBlur{4, 4, 1}}}, past));
    EXPECT_TRUE(ApplyFilters(plane, {RasterFilter{RasterBlur{4, 4, 1}}}));
    canvas.PushLayer({0, 0, 64, 64});
    SwfPaint red;
    red.color = SwfColor{255, 0, 0, 255};
    canvas.Fill(SwfPath::Rectangle(0, 0, 64, 64), true, red);
    const SwfFilterList blur = {RasterFilter{RasterBlur{4, 4, 1}}};
    SwfLayerEffects effects;
    effects.filters = &blur;
    canvas.SetDeadline(past);
    canvas.PopLayer(effects);
    EXPECT_TRUE(canvas.Cut());
    EXPECT_EQ(0xFFFFFFFFu, target.At(32, 32));
}

TEST(SwfFills, FillsOfOneShapeMeetWithoutSeamsAndTheLaterCoversTheEarlier) {
    // A square of 100 px split along its diagonal into red and blue, moved
    // by a fraction of a pixel, and a green square laid over half of it in
    // the same shape as a later fill.
    ShapeWriter s(3);
    const int red = s.Solid(0xFF0000FF), blue = s.Solid(0x0000FFFF), green = s.Solid(0x00FF00FF);
    s.Styles(0, red, 0);
    s.Move(0, 0);
    s.LineTo(2000, 0);
    s.LineTo(2000, 2000);
    s.LineTo(0, 0);
    s.Styles(0, blue, -1);
    s.LineTo(2000, 2000);
    s.LineTo(0, 2000);
    s.LineTo(0, 0);
    s.Styles(0, green, -1);
    s.Move(2000, 1000);
    s.LineTo(2000, 2000);
    s.LineTo(1000, 2000);
    s.LineTo(1000, 1000);
    s.LineTo(2000, 1000);
    auto movie = Load(MovieOf(120, 120, {s.Define(1), Place(1, 1, Translate(207, 213))}));
    SwfStage stage(movie);
    SwfImages images;
    RasterImage whole(120, 120), banded(120, 120);
    SwfRasterCanvas canvas(whole, images);
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 120, 120);
    // Inside the square every pixel is red, blue or green and their mixes:
    // none of the white ground shows along the diagonal (red and blue add
    // up to the whole pixel), and where green lies over them it alone shows.
    for (int y = 11; y < 110; ++y) {
        for (int x = 11; x < 110; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const std::uint32_t p = whole.At(x, y);
            const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ASSERT_EQ(255u, r + g + b);
            if (x >= 61 && y >= 61) {
                ASSERT_EQ(0xFF00FF00u, p);
            }
        }
    }
    DrawStageInBands(stage, images, banded, SwfMatrix::Scale(0.05, 0.05), 2);
    EXPECT_TRUE(banded.px == whole.px);
}

// A bitmap of one-pixel black and white squares filled smaller than its
// size: smoothed, from a halved copy (grey, not a speckled pick of the
// squares); unsmoothed, the nearest of its own texels at any size.
TEST(SwfFills, SmoothedBitmapsDrawnSmallerAverageTheirTexels) {
    std::string argb;
    for (int i = 0; i < 60 * 60; ++i)
        argb += (i / 60 + i % 60) % 2 ? std::string("\xFF\xFF\xFF\xFF", 4) : std::string("\xFF\0\0\0", 4);
    const std::string packed = ZlibCompress(argb);
    SwfBitmap bitmap;
    bitmap.lossless = true;
    bitmap.format = 5;
    bitmap.withAlpha = true;
    bitmap.width = bitmap.height = 60;
    bitmap.data.assign(packed.begin(), packed.end());
    struct Case {
        const char* label;
        double scale;
        bool smooth;
        int lo, hi;  // the range every pixel's red falls in
    } cases[] = {
        {"a third, smoothed", 1 / 3.0, true, 96, 160},
        {"a fifth, smoothed", 0.2, true, 96, 160},
        {"a third, unsmoothed", 1 / 3.0, false, 0, 255},
        {"own size, smoothed", 1, true, 0, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        RasterImage image(12, 12);
        SwfImages images;
        SwfRasterCanvas canvas(image, images);
        SwfPaint paint;
        paint.kind = SwfPaint::Kind::Bitmap;
        paint.bitmap = &bitmap;
        paint.matrix = SwfMatrix::Scale(c.scale, c.scale);
        paint.smooth = c.smooth;
        canvas.Fill(Pictured::Box(0, 0, 12, 12), false, paint);
        int greys = 0;
        for (std::uint32_t p : image.px) {
            const int red = static_cast<int>(p >> 16 & 0xFF);
            EXPECT_GE(red, c.lo);
            EXPECT_LE(red, c.hi);
            greys += red > 0 && red < 255;
        }
        // Drawn at its own size, or unsmoothed, a square is a texel.
        if (c.lo == 0) {
            EXPECT_EQ(0, greys);
        }
    }
}

}  // namespace
}  // namespace fh
