// flash.filters: construction defaults and bounds, clones and constructors
// run twice, a clip's filters, blend mode and caching through the host, and
// a clip's transform as copies, and the stage keeping what a script set
// over the timeline's later placements.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_realm.h"
#include "avm1/avm1_stage.h"
#include "avm1_builtins_fixture.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;
using test::InRun;

Value Filters(Machine& m) { return m.Get(m.Get(Value(m.R().global), "flash"), "filters"); }
Value NewFilter(Machine& m, const char* cls, const std::vector<Value>& args) {
    return m.Construct(m.Get(Filters(m), cls), args);
}

TEST(Avm1Filters, ConstructionDefaultsAndBounds) {
    BuiltinsHost host;
    Machine m(host, 8);
    InRun(m, [&] {
        auto array = [&](std::vector<Value> v) { return Value(m.NewArray(std::move(v))); };
        auto field = [&](const char* cls, std::vector<Value> args, const char* name) {
            return m.ToString(m.Get(NewFilter(m, cls, args), name));
        };
        auto afterSet = [&](const char* cls, const char* name, const Value& v) {
            Value f = NewFilter(m, cls, {});
            m.Set(f, name, v);
            return m.ToString(m.Get(f, name));
        };
        struct Case {
            const char* label;
            std::function<std::string()> run;
            const char* want;
        };
        const Case cases[] = {
            {"blur default", [&] { return field("BlurFilter", {}, "blurY"); }, "4"},
            {"blur past 255", [&] { return field("BlurFilter", {Value(300)}, "blurX"); }, "255"},
            {"negative blur", [&] { return field("BlurFilter", {Value(1), Value(-5)}, "blurY"); }, "0"},
            {"quality a whole number",
             [&] { return field("BlurFilter", {Value(1), Value(1), Value(2.7)}, "quality"); }, "2"},
            {"quality at most 15", [&] { return afterSet("BlurFilter", "quality", Value(99)); }, "15"},
            {"shadow distance", [&] { return field("DropShadowFilter", {}, "distance"); }, "4"},
            {"shadow angle", [&] { return field("DropShadowFilter", {}, "angle"); }, "45"},
            {"angle within a turn", [&] { return field("DropShadowFilter", {Value(4), Value(405)}, "angle"); }, "45"},
            {"shadow shows the object", [&] { return field("DropShadowFilter", {}, "hideObject"); }, "false"},
            {"glow colour", [&] { return field("GlowFilter", {}, "color"); }, "16711680"},
            {"glow strength", [&] { return field("GlowFilter", {}, "strength"); }, "2"},
            {"colour to 24 bits", [&] { return field("GlowFilter", {Value(0x12345678)}, "color"); }, "3430008"},
            {"alpha at most 1", [&] { return field("GlowFilter", {Value(0), Value(2)}, "alpha"); }, "1"},
            {"bevel highlight", [&] { return field("BevelFilter", {}, "highlightColor"); }, "16777215"},
            {"bevel type", [&] { return field("BevelFilter", {}, "type"); }, "inner"},
            {"a type of no name is refused", [&] { return afterSet("BevelFilter", "type", Value("sideways")); },
             "inner"},
            {"a type of a name", [&] { return afterSet("BevelFilter", "type", Value("full")); }, "full"},
            {"identity colour matrix", [&] { return field("ColorMatrixFilter", {}, "matrix"); },
             "1,0,0,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,1,0"},
            {"short matrix padded",
             [&] { return field("ColorMatrixFilter", {array({Value(2)})}, "matrix"); },
             "2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"},
            {"gradient colours",
             [&] {
                 return field("GradientGlowFilter", {Value(4), Value(45), array({Value(0x1FF0000), Value(-1)})},
                              "colors");
             },
             "16711680,16777215"},
            {"gradient alphas",
             [&] {
                 return field("GradientBevelFilter", {Value(4), Value(45), Value(), array({Value(2), Value(0.5)})},
                              "alphas");
             },
             "1,0.5"},
            {"convolution side", [&] { return field("ConvolutionFilter", {Value(20)}, "matrixX"); }, "15"},
            {"convolution divisor", [&] { return field("ConvolutionFilter", {}, "divisor"); }, "1"},
            {"displacement mode", [&] { return field("DisplacementMapFilter", {}, "mode"); }, "wrap"},
            {"an array read is a copy",
             [&] {
                 Value f = NewFilter(m, "ColorMatrixFilter", {});
                 m.Set(m.Get(f, "matrix"), "0", Value(9));
                 return m.ToString(m.Get(m.Get(f, "matrix"), "0"));
             },
             "1"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            EXPECT_EQ(c.run(), c.want);
        }
    });
}

// clone() copies; the native constructor run again on a filter (super()
// after `new`) converts its arguments but changes nothing.
TEST(Avm1Filters, CloneAndConstructingTwice) {
    BuiltinsHost host;
    Machine m(host, 8);
    InRun(m, [&] {
        Value original = NewFilter(m, "DropShadowFilter", {Value(7), Value(30)});
        Value copy = CallMethod(m, original, "clone", {});
        m.Set(copy, "distance", Value(1));
        EXPECT_TRUE(m.InstanceOf(copy, m.Get(Filters(m), "DropShadowFilter").Obj()));
        EXPECT_EQ(m.ToString(m.Get(copy, "angle")), "30");
        EXPECT_EQ(m.ToString(m.Get(copy, "distance")), "1");
        EXPECT_EQ(m.ToString(m.Get(original, "distance")), "7");

        static int valueOfCalls = 0;
        valueOfCalls = 0;
        Object* noisy = m.NewObject();
        DefineMethod(m, noisy, "valueOf", [](Machine&, const Value&, const std::vector<Value>&) {
            ++valueOfCalls;
            return Value(5);
        });
        Value blur = NewFilter(m, "BlurFilter", {Value(10), Value(20)});
        m.CallFunction(m.Get(Filters(m), "BlurFilter"), blur, {Value(20), Value(10), Value(noisy)});
        EXPECT_EQ(valueOfCalls, 1);
        EXPECT_EQ(m.ToString(m.Get(blur, "blurX")), "10");
        EXPECT_EQ(m.ToString(m.Get(blur, "quality")), "1");

        Value plain = Value(m.NewObject());
        EXPECT_TRUE(m.Get(plain, "blurX").IsUndefined());
        m.CallFunction(m.Get(Filters(m), "BlurFilter"), plain, {Value(3)});
        EXPECT_TRUE(m.Get(plain, "blurX").IsUndefined());  // no getters on a plain object
        EXPECT_EQ(m.ToString(CallMethod(m, NewFilter(m, "BlurFilter", {Value(3)}), "clone", {})), "[object Object]");
    });
}

class EffectsHost : public BuiltinsHost {
public:
    std::map<TimelineId, SwfFilterList> filters;
    std::map<TimelineId, RasterBlend> blends;
    std::map<TimelineId, bool> caches;

    bool GetEffects(TimelineId t, SwfFilterList& f, RasterBlend& blend, bool& cache) override {
        f = filters[t];
        blend = blends.count(t) ? blends[t] : RasterBlend::Normal;
        cache = caches[t];
        return true;
    }
    void SetFilters(TimelineId t, const SwfFilterList& f) override { filters[t] = f; }
    void SetBlend(TimelineId t, RasterBlend blend) override { blends[t] = blend; }
    void SetCacheAsBitmap(TimelineId t, bool cache) override { caches[t] = cache; }
};

TEST(Avm1Filters, ClipFiltersBlendAndCacheGoThroughTheHost) {
    EffectsHost host;
    Machine m(host, 8);
    const TimelineId clip = host.AddClip(1, "c");
    InRun(m, [&] {
        Value c = Value(m.TimelineObject(clip));
        Value shadow = NewFilter(m, "DropShadowFilter", {Value(3), Value(90), Value(0x00FF00), Value(0.5)});
        m.Set(c, "filters",
              Value(m.NewArray({NewFilter(m, "BlurFilter", {Value(8), Value(2), Value(3)}), Value(5),
                                NewFilter(m, "DisplacementMapFilter", {}), shadow})));
        ASSERT_EQ(host.filters[clip].size(), 2u);
        const auto* blur = std::get_if<RasterBlur>(&host.filters[clip][0].params);
        ASSERT_NE(blur, nullptr);
        EXPECT_EQ(blur->blurX, 8);
        EXPECT_EQ(blur->passes, 3);
        const auto* drop = std::get_if<RasterDropShadow>(&host.filters[clip][1].params);
        ASSERT_NE(drop, nullptr);
        EXPECT_EQ(drop->color, 0x8000FF00u);
        EXPECT_NEAR(drop->angle, 3.14159265 / 2, 1e-6);

        Value back = m.Get(c, "filters");
        EXPECT_EQ(m.ToString(m.Get(back, "length")), "2");
        Value shadowBack = m.Get(back, "1");
        EXPECT_NE(shadowBack.Obj(), shadow.Obj());
        EXPECT_NE(m.Get(m.Get(c, "filters"), "1").Obj(), shadowBack.Obj());
        EXPECT_EQ(m.ToString(m.Get(shadowBack, "angle")), "90");
        EXPECT_EQ(m.ToString(m.Get(shadowBack, "distance")), "3");
        EXPECT_EQ(m.ToString(m.Get(shadowBack, "color")), "65280");

        struct Case {
            const char* label;
            Value set;
            const char* want;
        };
        const Case blends[] = {{"number", Value(3), "multiply"},
                               {"name", Value("hardlight"), "hardlight"},
                               {"unknown name keeps", Value("glossy"), "hardlight"},
                               {"number past the modes keeps", Value(15), "hardlight"},
                               {"first", Value(1), "normal"}};
        for (const Case& b : blends) {
            SCOPED_TRACE(b.label);
            m.Set(c, "blendMode", b.set);
            EXPECT_EQ(m.ToString(m.Get(c, "blendMode")), b.want);
        }
        m.Set(c, "cacheAsBitmap", Value(1));
        EXPECT_TRUE(host.caches[clip]);
        EXPECT_EQ(m.ToString(m.Get(c, "cacheAsBitmap")), "true");
    });
}

class TransformHost : public BuiltinsHost {
public:
    std::map<TimelineId, SwfMatrix> matrices;
    std::map<TimelineId, SwfColorTransform> colors;

    bool GetMatrix(TimelineId t, SwfMatrix& matrix) override {
        matrix = matrices[t];
        return true;
    }
    void SetMatrix(TimelineId t, const SwfMatrix& matrix) override { matrices[t] = matrix; }
    bool GetColor(TimelineId t, SwfColorTransform& color) override {
        color = colors[t];
        return true;
    }
    void SetColor(TimelineId t, const SwfColorTransform& color) override { colors[t] = color; }
    SwfBox Bounds(TimelineId, bool) override { return {0, 0, 210, 100}; }
    bool StageMatrix(TimelineId t, SwfMatrix& matrix) override {
        matrix = SwfMatrix();
        matrix.tx = t == 1 ? 0 : 40;
        return true;
    }
};

// transform gives copies in pixels and fractions; setting its parts, or a
// whole other clip's transform, changes the clip.
TEST(Avm1Filters, TransformReadsCopiesAndSetsTheClip) {
    TransformHost host;
    Machine m(host, 8);
    const TimelineId clip = host.AddClip(1, "c"), other = host.AddClip(1, "d");
    host.matrices[1].a = host.matrices[1].d = 2;
    host.matrices[clip].tx = 200;
    host.colors[1].rMul = host.colors[clip].rMul = 128;
    host.matrices[other].ty = 60;
    InRun(m, [&] {
        auto geom = [&](const char* cls, std::vector<Value> args) {
            return m.Construct(m.Get(m.Get(m.Get(Value(m.R().global), "flash"), "geom"), cls), args);
        };
        auto text = [&](const Value& v, const char* name) { return m.ToString(m.Get(v, name)); };
        Value c = Value(m.TimelineObject(clip));
        Value t = m.Get(c, "transform");
        m.Set(m.Get(t, "matrix"), "tx", Value(99));
        EXPECT_EQ(host.matrices[clip].tx, 200);
        EXPECT_EQ(text(m.Get(t, "matrix"), "tx"), "10");
        EXPECT_EQ(text(m.Get(t, "concatenatedMatrix"), "tx"), "20");
        EXPECT_EQ(text(m.Get(t, "concatenatedMatrix"), "a"), "2");
        EXPECT_EQ(text(m.Get(t, "colorTransform"), "redMultiplier"), "0.5");
        EXPECT_EQ(text(m.Get(t, "concatenatedColorTransform"), "redMultiplier"), "0.25");
        // Twips 40..250 across, grown to whole pixels.
        EXPECT_EQ(m.ToString(m.Get(t, "pixelBounds")), "(x=2, y=0, w=11, h=5)");

        m.Set(t, "matrix", geom("Matrix", {Value(1), Value(0), Value(0), Value(1), Value(5), Value(6)}));
        EXPECT_EQ(host.matrices[clip].ty, 120);
        m.Set(t, "colorTransform", geom("ColorTransform", {Value(1), Value(1), Value(1), Value(1), Value(10)}));
        EXPECT_EQ(host.colors[clip].rAdd, 10);
        EXPECT_EQ(host.colors[clip].rMul, 256);
        m.Set(t, "matrix", Value(m.NewObject()));  // no Matrix: left as it is
        EXPECT_EQ(host.matrices[clip].ty, 120);

        m.Set(c, "transform", m.Get(Value(m.TimelineObject(other)), "transform"));
        EXPECT_EQ(host.matrices[clip].ty, 60);
        EXPECT_EQ(host.matrices[clip].tx, 0);
    });
}

// The stage: filters and a blend mode a script set stay over a later
// placement's, which still moves the clip.
TEST(Avm1Filters, StageKeepsWhatAScriptSet) {
    auto op = [](unsigned code) { return std::string(1, static_cast<char>(code)); };
    auto push = [&](const std::vector<std::string>& strings) {
        std::string body;
        for (const std::string& s : strings) body += std::string(1, '\0') + s + std::string(1, '\0');
        return op(0x96) + static_cast<char>(body.size() & 0xFF) + static_cast<char>(body.size() >> 8) + body;
    };
    const std::string getVar = op(0x1C), getMember = op(0x4E), setMember = op(0x4F), toNumber = op(0x4A);
    auto trace = [&](const std::string& expr) { return push({"clip"}) + getVar + expr + op(0x26); };
    // clip.filters = [new flash.filters.BlurFilter(9)]; clip.blendMode = "screen";
    const std::string frame1 = push({"clip"}) + getVar + push({"filters", "9"}) + toNumber + push({"1"}) + toNumber +
                               push({"flash"}) + getVar + push({"filters"}) + getMember + push({"BlurFilter"}) +
                               op(0x53) /* NewMethod */ + push({"1"}) + toNumber + op(0x42) /* InitArray */ +
                               setMember + push({"clip"}) + getVar + push({"blendMode", "screen"}) + setMember;
    const std::string frame2 = trace(push({"filters"}) + getMember + push({"0"}) + getMember + push({"blurX"}) +
                                     getMember) +
                               trace(push({"blendMode"}) + getMember) + trace(push({"_x"}) + getMember);
    fh::test::Place3Fields first;
    first.character = 1;
    first.name = "clip";
    fh::test::Place3Fields later;
    later.move = true;
    later.matrix = fh::test::Translate(800, 0);
    later.hasFilters = true;
    later.filters = {fh::test::BlurFilter(2, 2, 1)};
    later.blend = 8;
    const std::string movie = fh::test::MovieOf(
        100, 100,
        {fh::test::Sprite(1, {fh::test::ShowFrame()}), fh::test::Place3(1, first), {12, frame1 + op(0)},
         fh::test::ShowFrame(), fh::test::Place3(1, later), {12, frame2 + op(0)}, fh::test::ShowFrame()},
        8);
    MemorySource source(movie);
    SwfStage stage(LoadSwfMovie(source));
    std::vector<std::string> lines;
    StageScriptOptions options;
    options.trace = [&](const std::string& line) { lines.push_back(line); };
    StageScripts scripts(stage, options);
    stage.Advance();
    EXPECT_EQ(lines, (std::vector<std::string>{"9", "screen", "40"}));
}

}  // namespace
}  // namespace fh::avm1
