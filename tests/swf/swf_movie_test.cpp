#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <cmath>

#include "support/recording_canvas.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "swf/swf_bitmap.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using namespace fh::test;
using Tags = std::vector<std::pair<unsigned, std::string>>;

std::shared_ptr<fh::SwfMovie> Load(const std::string& bytes, const SwfLimits& limits = SwfLimits()) {
    MemorySource source(bytes);
    return LoadSwfMovie(source, limits);
}

std::pair<unsigned, std::string> Square(std::uint16_t id, std::uint32_t rgba, int size = 2000) {
    ShapeWriter s(3);
    s.Solid(rgba);
    s.Styles(-1, 1, -1);
    s.Rect(0, 0, size, size);
    return s.Define(id);
}

// The winding number of a point for a path of straight lines.
int Winding(const SwfPath& path, double x, double y) {
    int winding = 0;
    std::size_t at = 0;
    SwfPoint start, last;
    auto edge = [&](SwfPoint a, SwfPoint b) {
        if ((a.y <= y) != (b.y <= y)) {
            const double cross = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (cross > x) winding += b.y > a.y ? 1 : -1;
        }
    };
    for (SwfPath::Verb v : path.verbs) {
        if (v == SwfPath::Move) start = last = path.points[at++];
        else if (v == SwfPath::Line) edge(last, path.points[at]), last = path.points[at++];
        else if (v == SwfPath::Quad) edge(last, path.points[at + 1]), last = path.points[at + 1], at += 2;
        else edge(last, start), last = start;
    }
    return winding;
}

std::vector<RecordingCanvas::Call> Fills(SwfStage& stage) {
    RecordingCanvas canvas;
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 550, 400);
    std::vector<RecordingCanvas::Call> fills;
    for (const auto& c : canvas.calls)
        if (c.kind == 'F') fills.push_back(c);
    return fills;
}

TEST(SwfTagReader, StylesEdgesAndPlacementsAsWritten) {
    ShapeWriter s(3);
    s.Solid(0x11223344);
    s.Gradient(0x10, MatrixRecord(0.5, 0, 0, 0.5, 100, 0), {{0, 0xFF0000FF}, {255, 0x0000FF80}});
    s.BitmapFill(0x43, 7, Translate(20, 40));
    s.Line(60, 0x000000FF);
    s.Styles(2, 1, 1);
    s.Rect(0, 0, 400, 200);
    s.Move(0, 0);
    s.CurveTo(200, -100, 400, 0);
    const int mul[4] = {128, 256, 256, 64}, add[4] = {10, 0, 0, 0};
    for (const char* sig : {"FWS", "CWS", "ZWS"}) {
        test::SwfMovie written;
        written.signature = sig;
        written.tags = {s.Define(1), Place(3, 1, MatrixRecord(2, 0, 0, 1, 200, -40), ColorTransformRecord(mul, add), 300, 9)};
        auto movie = Load(BuildSwf(written));
        ASSERT_EQ(movie->cut, SwfCut::None) << sig;
        ASSERT_EQ(movie->shapes.size(), 1u);
        const SwfShape& shape = movie->shapes[0];
        ASSERT_EQ(shape.layers[0].fills.size(), 3u);
        EXPECT_EQ(shape.layers[0].fills[0].color, (SwfColor{0x11, 0x22, 0x33, 0x44}));
        const SwfFillStyle& g = shape.layers[0].fills[1];
        EXPECT_EQ(g.kind, SwfFillKind::Linear);
        EXPECT_DOUBLE_EQ(g.matrix.a, 0.5);
        EXPECT_EQ(g.matrix.tx, 100);
        ASSERT_EQ(g.gradient.stops.size(), 2u);
        EXPECT_EQ(g.gradient.stops[1].color, (SwfColor{0, 0, 255, 0x80}));
        const SwfFillStyle& b = shape.layers[0].fills[2];
        EXPECT_EQ(b.bitmap, 7);
        EXPECT_FALSE(b.repeat);
        EXPECT_FALSE(b.smooth);
        EXPECT_EQ(shape.layers[0].lines[0].width, 60);
        ASSERT_EQ(shape.edges.size(), 5u);
        EXPECT_EQ(shape.edges[1].x0, 400);
        EXPECT_EQ(shape.edges[1].y1, 200);
        EXPECT_EQ(shape.edges[0].fill0, 2);
        EXPECT_TRUE(shape.edges[4].curved);
        EXPECT_EQ(shape.edges[4].cy, -100);
        const SwfPlace& p = movie->root.frames.at(0).tags.at(0).place;
        EXPECT_EQ(p.depth, 3);
        EXPECT_DOUBLE_EQ(p.matrix->a, 2);
        EXPECT_EQ(p.matrix->ty, -40);
        EXPECT_EQ(p.colorTransform->rMul, 128);
        EXPECT_EQ(p.colorTransform->aMul, 64);
        EXPECT_EQ(p.colorTransform->rAdd, 10);
        EXPECT_EQ(*p.ratio, 300);
        EXPECT_EQ(*p.clipDepth, 9);
    }
}

TEST(SwfTagReader, CutMovieKeepsWhatCameBefore) {
    const std::string whole = MovieOf(100, 100, {Square(1, 0xFF0000FF), Place(1, 1), Square(2, 0x00FF00FF)});
    auto movie = Load(whole.substr(0, whole.size() - 8));
    EXPECT_EQ(movie->cut, SwfCut::CutShort);
    EXPECT_NE(movie->Find(1), nullptr);
    EXPECT_EQ(Load("FWS")->cut, SwfCut::CutShort);
    EXPECT_FALSE(Load("not a movie")->Readable());
}

TEST(SwfTagReader, CapsEndReadingWithAReason) {
    // Bitmaps beyond the caps are left out and counted, whatever their data.
    std::string png = "\x89PNG\r\n\x1a\n" + std::string(8, '\0') + Le32(0xA0860100u) + Le32(0xA0860100u);
    for (int i = 16; i < 24; i += 4) std::swap(png[i], png[i + 3]), std::swap(png[i + 1], png[i + 2]);
    Tags tags = {Jpeg2(1, png), {36, Le16(2) + '\5' + Le16(65535) + Le16(65535) + "xx"}};
    auto movie = Load(MovieOf(10, 10, tags));
    EXPECT_EQ(movie->leftOut.largeBitmaps, 2);
    EXPECT_EQ(movie->Find(1), nullptr);

    SwfLimits limits;
    limits.maxTags = 1000;
    tags.assign(1500, ShowFrame());
    EXPECT_EQ(Load(MovieOf(10, 10, tags), limits)->cut, SwfCut::TooManyTags);

    limits = SwfLimits();
    limits.maxEdges = 100;
    tags.clear();
    for (int id = 1; id < 40; ++id) tags.push_back(Square(static_cast<std::uint16_t>(id), 0xFF));
    movie = Load(MovieOf(10, 10, tags), limits);
    EXPECT_EQ(movie->cut, SwfCut::TooManyShapes);
    EXPECT_LE(movie->shapes.size(), 26u);
}

TEST(SwfOutline, FillSidesMakeClosedContoursWithHoles) {
    // Two squares sharing the edge x = 100: fill 1 on its right (left square), fill 2 on its left.
    ShapeWriter s(2);
    s.Solid(0xFF0000FF);
    s.Solid(0x0000FFFF);
    s.Move(100, 0);
    s.Styles(2, 1, -1);
    s.LineTo(100, 100);
    s.Styles(0, 1, -1);
    s.LineTo(0, 100);
    s.LineTo(0, 0);
    s.LineTo(100, 0);
    s.Styles(0, 2, -1);
    s.Move(100, 0);
    s.LineTo(200, 0);
    s.LineTo(200, 100);
    s.LineTo(100, 100);
    // A ring: the outer square with fill 1 on its right, the inner one the
    // same way round with fill 1 on its left.
    s.Styles(0, 1, -1);
    s.Rect(300, 0, 100, 100);
    s.Styles(1, 0, -1);
    s.Rect(330, 30, 40, 40);
    auto movie = Load(MovieOf(100, 100, {s.Define(1)}));
    const SwfOutline outline = BuildOutline(movie->shapes.at(0));
    ASSERT_EQ(outline.layers.size(), 2u);
    const SwfPath& one = outline.layers[0].path;
    const SwfPath& two = outline.layers[1].path;
    EXPECT_NE(Winding(one, 50, 50), 0);
    EXPECT_EQ(Winding(one, 150, 50), 0);
    EXPECT_NE(Winding(one, 310, 50), 0);
    EXPECT_EQ(Winding(one, 350, 50), 0);  // the hole
    EXPECT_NE(Winding(two, 150, 50), 0);
    EXPECT_EQ(Winding(two, 50, 50), 0);
    // Every contour is closed, so each starts where it ends.
    for (const SwfOutlineLayer& layer : outline.layers) EXPECT_EQ(layer.path.verbs.back(), SwfPath::Close);
}

TEST(SwfOutline, NewStylesDrawAboveAndLinesAfterFills) {
    ShapeWriter s(2);
    s.Solid(0xFF0000FF);
    s.Line(20, 0x000000FF);
    s.Styles(-1, 1, 1);
    s.Rect(0, 0, 100, 100);
    s.Solid(0x00FF00FF);
    s.NewStyles();
    s.Styles(-1, 1, -1);
    s.Rect(50, 50, 100, 100);
    auto movie = Load(MovieOf(100, 100, {s.Define(1)}));
    const SwfOutline outline = BuildOutline(movie->shapes.at(0));
    ASSERT_EQ(outline.layers.size(), 3u);
    EXPECT_FALSE(outline.layers[0].line);
    EXPECT_TRUE(outline.layers[1].line);
    EXPECT_EQ(outline.layers[2].layer, 1);
    EXPECT_EQ(movie->shapes[0].layers[1].fills.at(0).color, (SwfColor{0, 255, 0, 255}));
}

// Edges that all meet at a few points: each step of the joining takes the
// point's next unused edge without walking past the used ones (it walked
// them all, and a shape of 100 000 such edges took seconds to build).
TEST(SwfOutline, ManyEdgesAtFewPointsJoinIntoTheirContours) {
    constexpr int kSquares = 50000;
    ShapeWriter s(3);
    s.Solid(0xFF0000FF);
    s.Styles(0, 1, -1);
    s.Move(0, 0);
    for (int i = 0; i < kSquares; ++i) {
        s.LineTo(100, 0);
        s.LineTo(100, 100);
        s.LineTo(0, 100);
        s.LineTo(0, 0);
    }
    auto movie = Load(MovieOf(100, 100, {s.Define(1)}));
    ASSERT_EQ(movie->shapes.at(0).edges.size(), 4u * kSquares);
    const SwfOutline outline = BuildOutline(movie->shapes.at(0));
    ASSERT_EQ(outline.layers.size(), 1u);
    const SwfPath& path = outline.layers[0].path;
    // Every edge once, four to a contour, each going round the square from
    // wherever it begins and closed where it began.
    ASSERT_EQ(path.verbs.size(), 6u * kSquares);
    ASSERT_EQ(path.points.size(), 5u * kSquares);
    const SwfPoint corners[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    auto corner = [&](SwfPoint p) {
        for (int i = 0; i < 4; ++i)
            if (corners[i].x == p.x && corners[i].y == p.y) return i;
        return -1;
    };
    for (int c = 0; c < kSquares; ++c) {
        const std::size_t verb = 6u * c, point = 5u * c;
        ASSERT_EQ(path.verbs[verb], SwfPath::Move) << c;
        for (int i = 1; i <= 4; ++i) ASSERT_EQ(path.verbs[verb + i], SwfPath::Line) << c;
        ASSERT_EQ(path.verbs[verb + 5], SwfPath::Close) << c;
        const int first = corner(path.points[point]);
        ASSERT_GE(first, 0) << c;
        for (int i = 1; i <= 4; ++i) ASSERT_EQ(corner(path.points[point + i]), (first + i) % 4) << c << " " << i;
    }
}

TEST(SwfStage, TimelinePlacesMovesRemovesAndLoops) {
    const Tags tags = {Square(1, 0xFF0000FF), Square(2, 0x0000FFFF), Place(1, 1), ShowFrame(),
                       Place(2, 2, Translate(1000, 0)), Place(1, -1, Translate(0, 2000), "", -1, 0, true), ShowFrame(),
                       Remove(1), ShowFrame()};
    SwfStage stage(Load(MovieOf(200, 200, tags)));
    EXPECT_EQ(stage.FrameCount(), 3);
    auto fills = Fills(stage);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].paint.color.r, 255);
    stage.Advance();
    fills = Fills(stage);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_DOUBLE_EQ(fills[0].path.points[0].y, 100);  // moved 2000 twips down
    EXPECT_EQ(fills[1].paint.color.b, 255);
    stage.Advance();
    EXPECT_EQ(Fills(stage).size(), 1u);
    stage.Advance();
    EXPECT_EQ(stage.Frame(), 1);
    fills = Fills(stage);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].paint.color.r, 255);
}

TEST(SwfStage, SpritesPlayTheirOwnFramesAndStopsHold) {
    const Tags sprite = {Place(1, 1), ShowFrame(), Remove(1), Place(1, 2), ShowFrame()};
    SwfStage stage(Load(MovieOf(200, 200, {Square(1, 0xFF0000FF), Square(2, 0x0000FFFF), Sprite(3, sprite), Place(1, 3)})));
    EXPECT_EQ(Fills(stage).at(0).paint.color.r, 255);
    stage.Advance();
    EXPECT_EQ(Fills(stage).at(0).paint.color.b, 255);
    stage.Advance();
    EXPECT_EQ(Fills(stage).at(0).paint.color.r, 255);

    // A frame whose only script is stop() holds the movie there.
    const Tags held = {Square(1, 0xFF0000FF), Place(1, 1), {12, std::string("\x07\x00", 2)}, ShowFrame(), Remove(1),
                       ShowFrame()};
    auto movie = Load(MovieOf(200, 200, held));
    EXPECT_EQ(movie->leftOut.unrunScriptFrames, 0);
    SwfStage stopped(movie);
    EXPECT_TRUE(stopped.TakeChanged());
    stopped.Advance();
    EXPECT_EQ(stopped.Frame(), 1);
    EXPECT_FALSE(stopped.TakeChanged());  // held: nothing to draw again
    stopped.Advance(true);
    EXPECT_EQ(stopped.Frame(), 2);
}

TEST(SwfStage, MasksColourTransformsAndSelfNesting) {
    const int mul[4] = {128, 256, 256, 128}, add[4] = {0, 0, 100, 0};
    const Tags tags = {Square(1, 0xFF0000FF), Place(1, 1, "", "", -1, 3), Place(2, 1),
                       Place(4, 1, "", ColorTransformRecord(mul, add))};
    SwfStage stage(Load(MovieOf(200, 200, tags)));
    RecordingCanvas canvas;
    stage.Draw(canvas, SwfMatrix(), 200, 200);
    EXPECT_EQ(canvas.Kinds(), "CPFpF");
    EXPECT_EQ(canvas.calls[1].clipParts, 1u);
    EXPECT_EQ(canvas.calls[4].paint.color, (SwfColor{127, 0, 100, 127}));

    // A sprite that places itself ends at the nesting cap.
    const Tags selfish = {Square(1, 0xFF0000FF), Sprite(2, {Place(1, 1), Place(2, 2), ShowFrame()}), Place(1, 2)};
    SwfStage nested(Load(MovieOf(200, 200, selfish)));
    EXPECT_TRUE(nested.Capped());
    RecordingCanvas deep;
    EXPECT_TRUE(nested.Draw(deep, SwfMatrix(), 200, 200).cut);
    EXPECT_LT(deep.calls.size(), 40u);
    for (int i = 0; i < 50; ++i) nested.Advance();
}

TEST(SwfStage, MorphTextAndButtonGeometry) {
    ShapeWriter a(1), b(1);
    a.Styles(-1, 1, -1);
    a.Rect(0, 0, 1000, 1000);
    b.Styles(-1, 1, -1);
    b.Rect(1000, 0, 2000, 2000);
    ShapeWriter glyph(1);
    glyph.Styles(-1, 1, -1);
    glyph.Rect(0, -1024, 512, 1024);
    const Tags tags = {Morph(1, 0xFF0000FF, 0x0000FFFF, a.Records(), b.Records()), Place(1, 1, "", "", 32768),
                       Font2(2, {glyph.Records()}), Text2(3, 2, 400, 0x00FF00FF, 100, 1000, {{0, 300}, {0, 300}}),
                       Place(2, 3), Square(4, 0x808080FF), Button2(5, {{1, 4, 1, Translate(0, 0)}, {8, 4, 2, Translate(5000, 0)}}),
                       Place(3, 5)};
    SwfStage stage(Load(MovieOf(400, 400, tags)));
    const auto fills = Fills(stage);
    ASSERT_EQ(fills.size(), 4u);
    // Half-way: x from 0 to 1000 starts at 500, the colour between red and blue.
    EXPECT_DOUBLE_EQ(fills[0].path.points[0].x, 25);
    EXPECT_NEAR(fills[0].paint.color.r, 128, 1);
    EXPECT_NEAR(fills[0].paint.color.b, 128, 1);
    // Glyphs: 400 twips high from a 1024 square, at x 100 and 400, baseline 1000.
    EXPECT_EQ(fills[1].paint.color.g, 255);
    EXPECT_DOUBLE_EQ(fills[1].path.points[0].x, 5);
    EXPECT_DOUBLE_EQ(fills[1].path.points[0].y, (1000 - 400) * 0.05);
    EXPECT_DOUBLE_EQ(fills[2].path.points[0].x, 20);
    // The button's up state only.
    EXPECT_EQ(fills[3].paint.color.r, 128);

    // DefineFont and DefineText: the same glyphs from an offset table alone, an RGB colour.
    ShapeWriter wide(1);
    wide.Styles(1, -1, -1);
    wide.Rect(0, -1024, 1024, 1024);
    SwfStage plain(Load(MovieOf(400, 400, {Font1(1, {glyph.Records(), wide.Records()}),
                                            Text2(2, 1, 400, 0x0000FF00, 0, 1000, {{1, 500}, {0, 0}}, true),
                                            Place(1, 2)})));
    const auto glyphs = Fills(plain);
    ASSERT_EQ(2u, glyphs.size());
    EXPECT_EQ((SwfColor{0, 0, 255, 255}), glyphs[0].paint.color);
    EXPECT_DOUBLE_EQ(glyphs[1].path.points[0].x, 500 * 0.05);
    // The wide glyph (fill on its left) is 400 twips wide, the narrow one 200.
    double right = 0;
    for (const SwfPoint& p : glyphs[0].path.points) right = std::max(right, p.x);
    EXPECT_DOUBLE_EQ(400 * 0.05, right);
}

TEST(SwfBitmapData, LosslessFormatsAndJpegJoining) {
    // Colour-mapped (rows padded to 4 bytes), 15-bit and 24-bit, from DefineBitsLossless.
    SwfBitmap mapped;
    mapped.lossless = true;
    mapped.format = 3;
    mapped.width = 3;
    mapped.height = 2;
    mapped.tableSize = 2;
    const std::string table = std::string("\xFF\x00\x00\x00\x00\xFF", 6);
    const std::string rows = std::string("\x00\x01\x00\x00\x01\x01\x07\x00", 8);  // index 7 is outside the table
    const std::string packed = ZlibCompress(table + rows);
    mapped.data.assign(packed.begin(), packed.end());
    std::vector<std::uint32_t> px;
    EXPECT_TRUE(DecodeLossless(mapped, px));
    EXPECT_EQ((std::vector<std::uint32_t>{0xFFFF0000u, 0xFF0000FFu, 0xFFFF0000u, 0xFF0000FFu, 0xFF0000FFu, 0u}), px);
    SwfBitmap fifteen = mapped;
    fifteen.format = 4;
    fifteen.width = 1;
    fifteen.height = 1;
    const std::string pix15 = ZlibCompress(std::string("\x7C\x1F\x00\x00", 4));  // red 31, green 0, blue 31
    fifteen.data.assign(pix15.begin(), pix15.end());
    EXPECT_TRUE(DecodeLossless(fifteen, px));
    EXPECT_EQ(0xFFFF00FFu, px.at(0));
    SwfBitmap cut = fifteen;
    cut.format = 5;
    cut.width = 2;
    const std::string half = ZlibCompress(std::string("\x00\x10\x20\x30", 4));  // one pixel of two
    cut.data.assign(half.begin(), half.end());
    EXPECT_FALSE(DecodeLossless(cut, px));
    EXPECT_EQ(0xFF102030u, px.at(0));
    EXPECT_EQ(0u, px.at(1));

    // Tables and image data with the stray end and start markers between them become one stream.
    const std::vector<unsigned char> tables = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x01, 0xFF, 0xD9};
    const unsigned char image[] = {0xFF, 0xD9, 0xFF, 0xD8, 0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x07, 0x08,
                                   0x00, 0x20, 0x00, 0x30, 0xFF, 0xDA, 0x00, 0x02, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD9};
    const std::vector<unsigned char> joined = JoinJpeg(tables, image, sizeof image);
    const std::vector<unsigned char> want = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x01, 0xFF, 0xC0, 0x00, 0x07, 0x08, 0x00,
                                             0x20, 0x00, 0x30, 0xFF, 0xDA, 0x00, 0x02, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD9};
    EXPECT_EQ(want, joined);
    int w = 0, h = 0;
    ASSERT_TRUE(ImageSize(joined, w, h));
    EXPECT_EQ(48, w);
    EXPECT_EQ(32, h);
}

TEST(SwfStage, EditTextsWithEmbeddedGlyphsAreLaidOutOthersCounted) {
    ShapeWriter glyph(1);
    glyph.Styles(-1, 1, -1);
    glyph.Rect(0, -800, 500, 800);
    EditTextStyle centred;
    centred.font = 1;
    centred.multiline = true;
    centred.align = 2;
    centred.html = true;
    EditTextStyle system;
    system.border = true;
    const Tags tags = {Font2(1, {glyph.Records(), glyph.Records()}, {600, 1000}),
                       EditText(2, 4080, 2000, "<p>AB</p><p>B &amp; A</p>", centred), Place(1, 2),
                       EditText(3, 1000, 500, "device", system), Place(2, 3, Translate(0, 3000))};
    auto movie = Load(MovieOf(400, 400, tags));
    EXPECT_EQ(1, movie->leftOut.editTexts);
    SwfStage stage(movie);
    RecordingCanvas canvas;
    stage.Draw(canvas, SwfMatrix(), 400, 400);
    // Line 1 "AB": 400 twips high from a 1024 square, advances 600 and 1000
    // scaled to 234 and 391: 625 wide, centred in 4000 (the gutters left out).
    // Line 2 "B & A": '&' has no glyph and is skipped, the spaces advance.
    std::vector<SwfPoint> origins;
    for (const auto& call : canvas.calls) {
        if (call.kind == 'F' && call.paint.color.r == 255) break;  // the bordered field's white
        if (call.kind == 'F' && call.paint.color.a == 255 && call.paint.color.r == 0) origins.push_back(call.path.points[0]);
    }
    ASSERT_EQ(4u, origins.size());  // A, B, then B and A
    const double scale = 400.0 / 1024, ascent = 800 * scale, line = (800 + 224) * scale;
    EXPECT_NEAR(40 + (4000 - (600 + 1000) * scale) / 2, origins[0].x, 1);
    EXPECT_NEAR(40 + ascent - 800 * scale, origins[0].y, 1);
    EXPECT_NEAR(origins[0].x + 600 * scale, origins[1].x, 1);
    EXPECT_NEAR(origins[0].y + line, origins[2].y, 1);
    // The bordered field: white inside, a frame of one-pixel sides, the
    // right one just past the box (1000 x 500 at 0, 3000).
    const std::string kinds = canvas.Kinds();
    ASSERT_GE(kinds.size(), 5u);
    EXPECT_EQ("FFFFF", kinds.substr(kinds.size() - 5));
    const SwfPath& right = canvas.calls.back().path;
    double xMin = 1e9, xMax = -1e9, yMin = 1e9, yMax = -1e9;
    for (const SwfPoint& p : right.points) {
        xMin = std::min(xMin, p.x), xMax = std::max(xMax, p.x);
        yMin = std::min(yMin, p.y), yMax = std::max(yMax, p.y);
    }
    EXPECT_EQ(1000, xMin);
    EXPECT_EQ(1001, xMax);
    EXPECT_EQ(3000, yMin);
    EXPECT_EQ(3500, yMax);
}

TEST(SwfStage, HtmlStyleRunsTakeTheirOwnFaces) {
    // The family "Body" embedded twice, regular and bold, with glyphs 500
    // and 700 wide; a run in <font> is red and twice as high. The field's
    // own font is either face: a plain run after the bold one is regular.
    auto glyph = [](int width) {
        ShapeWriter g(1);
        g.Styles(-1, 1, -1);
        g.Rect(0, -800, width, 800);
        return g.Records();
    };
    for (int fieldFont : {1, 4}) {
        SCOPED_TRACE(fieldFont);
        EditTextStyle style;
        style.font = fieldFont;
        style.html = true;
        const Tags tags = {Font2(1, {glyph(500), glyph(500)}, {600, 1000}, "Body"),
                           Font2(4, {glyph(700), glyph(700)}, {900, 1300}, "Body", 0x01),
                           EditText(2, 8000, 2000, "A<b>AB</b><font size=\"40\" color=\"#ff0000\">A</font>A", style),
                           Place(1, 2)};
        SwfStage stage(Load(MovieOf(400, 400, tags)));
        RecordingCanvas canvas;
        stage.Draw(canvas, SwfMatrix(), 400, 400);
        std::vector<const RecordingCanvas::Call*> glyphs;
        for (const auto& call : canvas.calls)
            if (call.kind == 'F') glyphs.push_back(&call);
        ASSERT_EQ(5u, glyphs.size());
        auto width = [](const RecordingCanvas::Call* c) {
            double lo = 1e9, hi = -1e9;
            for (const SwfPoint& p : c->path.points) lo = std::min(lo, p.x), hi = std::max(hi, p.x);
            return hi - lo;
        };
        const double s = 400.0 / 1024;
        EXPECT_NEAR(500 * s, width(glyphs[0]), 1);
        EXPECT_NEAR(700 * s, width(glyphs[1]), 1);  // bold A and B from the bold face
        EXPECT_NEAR(700 * s, width(glyphs[2]), 1);
        EXPECT_NEAR(1000 * s, width(glyphs[3]), 1);  // regular again, 800 twips high
        EXPECT_NEAR(500 * s, width(glyphs[4]), 1);
        EXPECT_NEAR(glyphs[0]->path.points[0].x + 600 * s, glyphs[1]->path.points[0].x, 1);
        EXPECT_NEAR(glyphs[1]->path.points[0].x + 900 * s, glyphs[2]->path.points[0].x, 1);
        EXPECT_NEAR(glyphs[2]->path.points[0].x + 1300 * s, glyphs[3]->path.points[0].x, 1);
        EXPECT_EQ((SwfColor{255, 0, 0, 255}), glyphs[3]->paint.color);
        EXPECT_EQ((SwfColor{0, 0, 0, 255}), glyphs[0]->paint.color);
    }
}

TEST(SwfStage, WordWrapBreaksWhereAWordRunsOver) {
    // "AB" is 625 twips at 400 high (advances 600 and 1000 of 1024), a space
    // (no glyph) 120: "AB AB" is 1370 of the field's 1400 inside its gutters.
    ShapeWriter glyph(1);
    glyph.Styles(-1, 1, -1);
    glyph.Rect(0, -800, 500, 800);
    const struct {
        const char* text;
        std::size_t firstLine;  // glyphs on the first line
    } kCases[] = {
        {"AB AB AB", 4},   // the space after the second word hangs past the edge
        {"AB ABA AB", 2},  // a word that runs over goes down whole
        {"ABABABAB", 4},   // one word longer than the line keeps to it
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(k.text);
        EditTextStyle style;
        style.font = 1;
        style.multiline = true;
        style.wordWrap = true;
        const Tags tags = {Font2(1, {glyph.Records(), glyph.Records()}, {600, 1000}),
                           EditText(2, 1480, 4000, k.text, style), Place(1, 2)};
        SwfStage stage(Load(MovieOf(400, 400, tags)));
        RecordingCanvas canvas;
        stage.Draw(canvas, SwfMatrix(), 400, 400);
        std::vector<double> rows;
        for (const auto& call : canvas.calls)
            if (call.kind == 'F') rows.push_back(call.path.points[0].y);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(k.firstLine, static_cast<std::size_t>(std::count(rows.begin(), rows.end(), rows[0])));
    }
}

TEST(SwfStage, LinePensFollowScaleModesUnderEveryMatrix) {
    // A 40-twip line in each mode (normal, horizontal, vertical, none) and a
    // 1-twip one, placed under each matrix on a view of 1/20. The pen's
    // width across the shape's x and y axes in pixels: 2 from the view, the
    // object's scale along an axis added where the mode keeps it.
    ShapeWriter s(4);
    const std::uint8_t modes[] = {0, 0x02, 0x04, 0x06};
    for (std::uint8_t flags : modes) s.Line(40, 0x000000FF, flags);
    s.Line(1, 0x000000FF);
    for (int i = 0; i < 5; ++i) {
        s.Styles(-1, -1, i + 1);
        s.Rect(i * 300, 0, 200, 200);
    }
    const double c30 = std::cos(M_PI / 6), s30 = std::sin(M_PI / 6);
    const struct {
        const char* label;
        double a, b, c, d;
        double widths[4][2];  // per mode: along x, along y
    } kCases[] = {
        {"scale 4 x 2", 4, 0, 0, 2, {{8, 4}, {8, 2}, {2, 4}, {2, 2}}},
        {"rotated 30 at 2", 2 * c30, 2 * s30, -2 * s30, 2 * c30, {{4, 4}, {4, 2}, {2, 4}, {2, 2}}},
        {"skewed", 1, 0, 0.75, 1, {{2, 2.5}, {2, 2}, {2, 2.5}, {2, 2}}},
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(k.label);
        SwfStage stage(Load(MovieOf(550, 400, {s.Define(1), Place(1, 1, MatrixRecord(k.a, k.b, k.c, k.d, 0, 0))})));
        RecordingCanvas canvas;
        stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05), 550, 400);
        std::vector<SwfStroke> strokes;
        for (const auto& c : canvas.calls)
            if (c.kind == 'S') strokes.push_back(c.stroke);
        ASSERT_EQ(5u, strokes.size());
        for (int m = 0; m < 4; ++m) {
            SCOPED_TRACE(m);
            const SwfStroke& st = strokes[m];
            const SwfMatrix pen = st.local ? st.space : SwfMatrix::Scale(1, 1);
            EXPECT_NEAR(k.widths[m][0], st.width * pen.ScaleX(), 1e-3);
            EXPECT_NEAR(k.widths[m][1], st.width * pen.ScaleY(), 1e-3);
            // A kept scale keeps its axis's direction too (none is a circle).
            if (st.local) {
                EXPECT_NEAR(0, pen.a * k.b - pen.b * k.a, 1e-5);
            }
            EXPECT_FALSE(st.hairline);
        }
        // A twip is a hairline: a pixel across the axis scaled most.
        EXPECT_TRUE(strokes[4].hairline);
        const SwfMatrix pen = strokes[4].local ? strokes[4].space : SwfMatrix::Scale(1, 1);
        EXPECT_NEAR(1, strokes[4].width * std::max(pen.ScaleX(), pen.ScaleY()), 1e-9);
    }
}

TEST(SwfGradient, SpreadsAndStops) {
    SwfFillStyle fill;
    fill.kind = SwfFillKind::Linear;
    fill.gradient.stops = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}};
    // The gradient square (32768 twips) across 50 pixels from x 25.
    const SwfMatrix toCanvas = SwfMatrix::Translate(50, 0) * SwfMatrix::Scale(50.0 / 32768, 50.0 / 32768);
    auto row = [&](const SwfColorTransform& cx = SwfColorTransform()) {
        RasterGradient ramp;
        SwfGradientRamp(fill, toCanvas, cx, ramp);
        RasterShader shader;
        std::vector<std::uint32_t> px(100);
        if (shader.Prepare(RasterPaint::Gradient(ramp))) shader.ShadeRow(0, 0, 100, px.data());
        return px;
    };
    std::vector<std::uint32_t> px = row();
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[99], 0xFF0000FFu);
    EXPECT_NEAR(static_cast<int>((px[50] >> 16) & 0xFF), 128, 4);
    // The same stops under another colour transform, or mixed in linear
    // light, are other colours, one after the other and back again.
    SwfColorTransform noRed;
    noRed.rMul = 0;
    noRed.gAdd = 16;
    EXPECT_EQ(0xFF001000u, row(noRed)[0]);
    EXPECT_EQ(px, row());
    fill.gradient.linearRgb = true;
    EXPECT_NEAR(static_cast<int>((row()[50] >> 16) & 0xFF), 188, 4);
    fill.gradient.linearRgb = false;
    EXPECT_EQ(px, row());
    fill.gradient.spread = SwfSpread::Repeat;
    px = row();
    EXPECT_GT(px[80] & 0xFF, px[76] & 0xFF);
    EXPECT_LT(px[77] & 0xFF, 0x40u);  // a new cycle began at 75
    fill.gradient.spread = SwfSpread::Reflect;
    px = row();
    EXPECT_LT(px[80] & 0xFF, px[76] & 0xFF);  // back towards red after 75
    fill.kind = SwfFillKind::Radial;
    fill.gradient.spread = SwfSpread::Pad;
    px = row();
    EXPECT_GT((px[50] >> 16) & 0xFF, 240u);
    EXPECT_EQ(px[99], 0xFF0000FFu);
    // No stops: transparent black, as the colour transform colours it.
    fill.gradient.stops.clear();
    SwfColorTransform green;
    green.gAdd = 255;
    green.aAdd = 255;
    EXPECT_EQ(0xFF00FF00u, row(green)[10]);
    // More stops than a movie holds are mixed all the same.
    const SwfColor red{255, 0, 0, 255}, blue{0, 0, 255, 255};
    for (int i = 0; i < 20; ++i) fill.gradient.stops.push_back({static_cast<std::uint8_t>(i * 13), i < 19 ? red : blue});
    fill.kind = SwfFillKind::Linear;
    px = row();
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[99], 0xFF0000FFu);
}

// The ramp's entries where stops share a ratio or come out of order: the
// walk along the stops passes one stop an entry, so each shared stop shows
// in an entry of its own, as the reference player draws such steps.
TEST(SwfGradient, StopsAtOneRatioEachTakeAnEntry) {
    const SwfColor red{255, 0, 0, 255}, blue{0, 0, 255, 255}, yellow{255, 255, 0, 255}, green{0, 160, 0, 255},
                   black{0, 0, 0, 255}, white{255, 255, 255, 255}, cyan{0, 255, 255, 255};
    auto argb = [](const SwfColor& c) {
        return 0xFF000000u | static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
    };
    struct Case {
        const char* label;
        std::vector<SwfGradientStop> stops;
        std::vector<std::pair<int, std::uint32_t>> entries;
    };
    const Case cases[] = {
        {"a pair at 128", {{0, red}, {128, red}, {128, blue}, {255, blue}},
         {{128, argb(red)}, {129, argb(red)}, {130, argb(blue)}}},
        {"three at 100", {{0, white}, {100, yellow}, {100, green}, {100, black}, {255, black}},
         {{99, 0xFFFFFF03u}, {100, argb(yellow)}, {101, argb(yellow)}, {102, argb(green)}, {103, argb(black)}}},
        {"pairs at 0 and 255", {{0, yellow}, {0, red}, {255, black}, {255, cyan}},
         {{0, argb(yellow)}, {1, 0xFFFE0000u}, {255, argb(black)}}},
        {"out of order", {{0, red}, {200, green}, {100, blue}, {255, white}},
         {{200, argb(green)}, {201, argb(blue)}, {202, 0xFFA8A8FFu}}},
        {"distinct ratios", {{0, black}, {18, white}, {36, black}},
         {{18, argb(white)}, {19, 0xFFF1F1F1u}, {36, argb(black)}, {37, argb(black)}}},
    };
    SwfFillStyle fill;
    fill.kind = SwfFillKind::Linear;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fill.gradient.stops = c.stops;
        RasterGradient ramp;
        SwfGradientRamp(fill, SwfMatrix(), SwfColorTransform(), ramp);
        for (const auto& [i, color] : c.entries) EXPECT_EQ(color, ramp.colors[i]) << "entry " << i;
    }
}

TEST(SwfStage, HostileMoviesEndQuickly) {
    // A million placements of a thousand-edge shape, drawn within the caps.
    ShapeWriter s(1);
    s.Solid(0xFF);
    s.Styles(-1, 1, -1);
    for (int i = 0; i < 1000; ++i) s.Rect(i, 0, 10, 10);
    Tags tags = {s.Define(1)};
    for (int d = 1; d <= 30000; ++d) tags.push_back(Place(static_cast<std::uint16_t>(d), 1));
    SwfStage stage(Load(MovieOf(100, 100, tags)));
    RecordingCanvas canvas;
    EXPECT_TRUE(stage.Draw(canvas, SwfMatrix(), 100, 100).cut);
    EXPECT_TRUE(stage.Capped());
    EXPECT_LT(canvas.calls.size(), 2000u);

    // A drawing past its time ends: a canvas that takes a millisecond a fill
    // gets no more than a few of them against a limit of one.
    struct SlowCanvas : RecordingCanvas {
        void Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) override {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            RecordingCanvas::Fill(path, nonZero, paint);
        }
    } slow;
    stage.SetDrawTimeLimit(1);
    EXPECT_TRUE(stage.Draw(slow, SwfMatrix(), 100, 100).cut);
    EXPECT_LE(slow.calls.size(), 70u);

    // Buttons that hold themselves, placed and as masks, draw their shapes
    // once; a chain of distinct buttons, four parts each, 31 deep, draws
    // nothing yet ends on the drawing's budget.
    const std::string none, at = Translate(0, 0);
    Tags selfish = {Square(1, 0x00FF00FF),
                    Button2(2, {{1, 2, 1, at}, {1, 2, 2, at}, {1, 1, 3, at}, {1, 2, 4, at}, {1, 2, 5, at}})};
    for (bool mask : {false, true}) {
        SCOPED_TRACE(mask ? "mask" : "placed");
        Tags tags = selfish;
        tags.push_back(Place(1, 2, none, none, -1, mask ? 3 : 0));
        tags.push_back(Place(2, 1));
        SwfStage button(Load(MovieOf(100, 100, tags)));
        RecordingCanvas drawn;
        EXPECT_FALSE(button.Draw(drawn, SwfMatrix(), 100, 100).cut);
        EXPECT_EQ(mask ? 1u : 2u, Fills(button).size());
    }
    Tags chain = {Square(1, 0x00FF00FF)};
    for (std::uint16_t id = 2; id <= 32; ++id) {
        const auto next = static_cast<std::uint16_t>(id + 1);
        chain.push_back(Button2(id, {{1, next, 1, at}, {1, next, 2, at}, {1, next, 3, at}, {1, next, 4, at}}));
    }
    chain.push_back(Place(1, 2));
    SwfStageLimits deep;
    deep.maxNesting = 40;
    deep.maxPoints = 100000;
    SwfStage fan(Load(MovieOf(100, 100, chain)), deep);
    RecordingCanvas fanned;
    EXPECT_TRUE(fan.Draw(fanned, SwfMatrix(), 100, 100).cut);
    EXPECT_TRUE(fanned.calls.empty() || fanned.calls.size() == 1u);
}

}  // namespace
}  // namespace fh
