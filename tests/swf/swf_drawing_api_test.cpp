// What scripts draw: the shape records the drawing API makes, the cap on
// its points, and drawn shapes rasterized on the stage below the clip's
// children, bitmap fills included.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "raster/raster_canvas.h"
#include "support/swf_shapes.h"
#include "swf/swf_drawing_api.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

SwfFillStyle Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    SwfFillStyle fill;
    fill.color = {r, g, b, 255};
    return fill;
}

SwfLineStyle Line(std::uint16_t width) {
    SwfLineStyle line;
    line.width = width;
    return line;
}

TEST(SwfDrawnShape, RecordsFillsLinesAndLayers) {
    const struct {
        const char* label;
        std::function<void(SwfDrawnShape&)> draw;
        std::size_t edges, stroked, layers;
        SwfRect bounds;  // all zero: nothing drawn
    } kCases[] = {
        {"a fill closes itself, unstroked",
         [](SwfDrawnShape& d) {
             d.BeginFill(Solid(255, 0, 0));
             d.LineTo(200, 0);
             d.LineTo(200, 100);
             d.EndFill();
         },
         3, 0, 1, {0, 200, 0, 100}},
        {"a line grows the box by half its width",
         [](SwfDrawnShape& d) {
             d.LineStyle(Line(40));
             d.MoveTo(100, 100);
             d.LineTo(300, 100);
         },
         1, 1, 1, {80, 320, 80, 120}},
        {"the pen moves without a style and draws nothing",
         [](SwfDrawnShape& d) {
             d.MoveTo(10, 10);
             d.LineTo(50, 50);
         },
         0, 0, 0, {}},
        {"each fill its own layer, the line carried over",
         [](SwfDrawnShape& d) {
             d.LineStyle(Line(0));
             d.BeginFill(Solid(255, 0, 0));
             d.LineTo(100, 0);
             d.LineTo(100, 100);
             d.BeginFill(Solid(0, 0, 255));
             d.LineTo(0, 100);
             d.LineTo(0, 0);
         },
         6, 4, 2, {0, 100, 0, 100}},
        {"a new line style keeps the fill's layer",
         [](SwfDrawnShape& d) {
             d.BeginFill(Solid(255, 0, 0));
             d.LineTo(100, 0);
             d.LineStyle(Line(20));
             d.LineTo(100, 100);
             d.BeginFill(Solid(0, 0, 255));
             d.LineTo(0, 100);
         },
         5, 2, 2, {-10, 110, -10, 110}},
        {"a curve's box holds its control point",
         [](SwfDrawnShape& d) {
             d.LineStyle(Line(0));
             d.CurveTo(100, -200, 200, 0);
         },
         1, 1, 1, {0, 200, -200, 0}},
        {"clear forgets the line style too",
         [](SwfDrawnShape& d) {
             d.LineStyle(Line(20));
             d.LineTo(100, 100);
             d.Clear();
             d.LineTo(200, 200);
         },
         0, 0, 0, {}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        SwfDrawnShape d;
        c.draw(d);
        d.EndFill();
        const SwfShape& shape = d.Shape();
        EXPECT_EQ(c.edges, shape.edges.size());
        std::size_t stroked = 0;
        for (const SwfEdge& e : shape.edges) stroked += e.line ? 1 : 0;
        EXPECT_EQ(c.stroked, stroked);
        std::size_t layers = 0;
        for (const SwfEdge& e : shape.edges) layers = std::max<std::size_t>(layers, e.layer + 1u);
        EXPECT_EQ(c.layers, layers);
        SwfRect box;
        const bool any = d.Bounds(box);
        EXPECT_EQ(c.edges != 0, any);
        if (!any) continue;
        EXPECT_EQ(c.bounds.xMin, box.xMin);
        EXPECT_EQ(c.bounds.xMax, box.xMax);
        EXPECT_EQ(c.bounds.yMin, box.yMin);
        EXPECT_EQ(c.bounds.yMax, box.yMax);
    }
}

TEST(SwfDrawnShape, PointsPastTheCapsAreDropped) {
    SwfDrawnShape d;
    d.LineStyle(Line(20));
    for (std::uint32_t i = 0; i < SwfDrawnShape::kMaxPoints + 50; ++i) d.LineTo(i % 2 ? 100 : 0, i % 1000);
    EXPECT_TRUE(d.Cut());
    EXPECT_EQ(SwfDrawnShape::kMaxPoints, d.Points());
    EXPECT_EQ(SwfDrawnShape::kMaxPoints, d.Shape().edges.size());
    d.Clear();
    EXPECT_FALSE(d.Cut());
    EXPECT_TRUE(d.Empty());

    // Shapes of one pool share its points; a shape cleared or gone gives its back.
    auto pool = std::make_shared<SwfDrawnPool>();
    pool->max = 10;
    auto first = std::make_unique<SwfDrawnShape>(pool);
    SwfDrawnShape second(pool);
    for (int i = 0; i < 6; ++i) first->LineTo(i, i);
    for (int i = 0; i < 6; ++i) second.LineTo(i, i);
    EXPECT_FALSE(first->Cut());
    EXPECT_TRUE(second.Cut());
    EXPECT_EQ(4u, second.Points());
    first->Clear();
    second.LineTo(1, 1);
    EXPECT_EQ(5u, second.Points());
    first->LineTo(2, 2);
    first.reset();
    EXPECT_EQ(5u, pool->points);
}

// A square in twips from (x, y), `side` across.
void Square(SwfDrawnShape& d, const SwfFillStyle& fill, double x, double y, double side) {
    d.BeginFill(fill);
    d.MoveTo(x, y);
    d.LineTo(x + side, y);
    d.LineTo(x + side, y + side);
    d.LineTo(x, y + side);
    d.EndFill();
}

TEST(SwfDrawnStage, DrawnShapesRasterizeBelowTheClipsChildren) {
    const std::string bytes = test::MovieOf(100, 100, {test::ShowFrame()});
    MemorySource source(bytes);
    SwfStage stage(LoadSwfMovie(source));
    const SwfTimelineId root = stage.RootTimeline();
    const SwfTimelineId child = stage.TimelineAttach(root, "", "child", 0);
    const SwfTimelineId tiles = stage.TimelineAttach(root, "", "tiles", 1);
    ASSERT_NE(0u, child);
    ASSERT_NE(0u, tiles);
    // The root's blue square under its child's red one; a bitmap of a green
    // and a yellow pixel, ten times its size, repeated.
    Square(*stage.TimelineDrawing(root), Solid(0, 0, 255), 0, 0, 1000);
    Square(*stage.TimelineDrawing(child), Solid(255, 0, 0), 500, 500, 1000);
    const std::vector<std::uint8_t> rgba = {0, 255, 0, 255, 255, 255, 0, 255};
    SwfFillStyle bitmap;
    bitmap.kind = SwfFillKind::Bitmap;
    bitmap.image = stage.KeepBitmap(2, 1, rgba);
    ASSERT_TRUE(bitmap.image);
    bitmap.matrix = SwfMatrix::Scale(200, 200);
    bitmap.smooth = false;
    Square(*stage.TimelineDrawing(tiles), bitmap, 0, 1600, 400);
    // Bitmaps past the stage's cap are refused, however small.
    int kept = 1;
    while (kept < 100000 && stage.KeepBitmap(1, 1, rgba)) ++kept;
    EXPECT_LT(kept, 100000);

    const auto draw = [&] {
        RasterImage image(100, 100);
        SwfImages images;
        SwfRasterCanvas canvas(image, images);
        stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 100, 100);
        return image;
    };
    const RasterImage image = draw();
    const struct {
        const char* label;
        int x, y;
        std::uint32_t want;
    } kCases[] = {
        {"the root's drawing", 10, 10, 0xFF0000FF},
        {"the child's over the root's", 40, 40, 0xFFFF0000},
        {"the child's alone", 70, 70, 0xFFFF0000},
        {"nothing drawn", 90, 10, 0xFFFFFFFF},
        {"the bitmap's first pixel", 5, 85, 0xFF00FF00},
        {"its second", 15, 85, 0xFFFFFF00},
        {"repeated down the fill", 5, 95, 0xFF00FF00},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.want, image.px[static_cast<std::size_t>(c.y) * 100 + c.x]);
    }
    stage.TimelineDrawing(child)->Clear();
    EXPECT_EQ(0xFF0000FFu, draw().px[40 * 100 + 40]);
}

TEST(SwfDrawnStage, BoxesHitsAndSizesFollowWhatIsOnTheClip) {
    // Sprite 2 holds a 200 × 100 twips shape scaled twice across and moved
    // by (100, 0); it is placed as "s" at (1000, 1000), and also draws.
    test::ShapeWriter shape(1);
    shape.Styles(0, shape.Solid(0xFF0000FF), 0);
    shape.Rect(0, 0, 200, 100);
    test::Place3Fields s;
    s.character = 2;
    s.name = "s";
    s.matrix = test::Translate(1000, 1000);
    const std::string bytes = test::MovieOf(
        100, 100,
        {shape.Define(1), test::Sprite(2, {test::Place(1, 1, test::MatrixRecord(2, 0, 0, 1, 100, 0)), test::ShowFrame()}),
         test::Place3(1, s), test::ShowFrame()});
    MemorySource source(bytes);
    SwfStage stage(LoadSwfMovie(source));
    const SwfTimelineId root = stage.RootTimeline();
    const SwfTimelineId sprite = stage.ChildTimeline(root, "s");
    ASSERT_NE(0u, sprite);
    SwfBox own = stage.TimelineBounds(sprite);
    EXPECT_EQ(100, own.xMin);
    EXPECT_EQ(500, own.xMax);
    EXPECT_EQ(100, own.yMax);
    EXPECT_DOUBLE_EQ(20, stage.TimelineSize(sprite, true));
    EXPECT_DOUBLE_EQ(5, stage.TimelineSize(sprite, false));
    Square(*stage.TimelineDrawing(sprite), Solid(0, 0, 255), -200, -200, 100);
    own = stage.TimelineBounds(sprite);
    EXPECT_EQ(-200, own.xMin);
    EXPECT_EQ(-200, own.yMin);
    const SwfBox all = stage.TimelineBounds(root);
    EXPECT_EQ(800, all.xMin);
    EXPECT_EQ(1500, all.xMax);

    stage.SetTimelineSize(sprite, true, 70);  // from 35 pixels across: twice as wide
    EXPECT_DOUBLE_EQ(200, stage.TimelineProperty(sprite, SwfProperty::XScale));
    const struct {
        const char* label;
        double x, y;
        bool shape, want;
    } kCases[] = {
        {"on the shape", 1000 + 2 * 300, 1050, true, true},
        {"on the drawing", 1000 - 2 * 150, 850, true, true},
        {"between them, in the box", 1000, 950, true, false},
        {"between them, by the box", 1000, 950, false, true},
        {"past the box", 2500, 950, false, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.want, stage.TimelineHitTest(sprite, c.x, c.y, c.shape));
    }
}

}  // namespace
}  // namespace fh
