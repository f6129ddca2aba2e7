// The layout engine with fixed-width text (7 pixels a byte, 13-pixel lines
// with ascent 10), so every position is exact.

#include "html/html_layout.h"

#include <gtest/gtest.h>

#include "gfx/draw_effects.h"
#include "support/fake_canvas.h"
#include "support/fake_metrics.h"

namespace fh {
namespace {

class LayoutTest : public ::testing::Test {
protected:
    test::FakeMetrics metrics;
    CodePage cp;
    HtmlStyleSheet sheet{metrics, cp};
    CHtmlScanner scanner{sheet, [](unsigned id) { return id == 7 ? std::string("seven") : std::string(); }};
    test::FakeCanvas canvas;
    HtmlLayoutEngine engine{scanner, sheet, canvas};
    std::string body;

    HtmlSize Measure(const std::string& markup, int maxWidth = 0) {
        body = PreProcessHtml(markup, true, cp);
        engine.SetMaxWidth(maxWidth);
        return engine.Measure(body);
    }
    // Measures, then draws into a rectangle of the given width at (0, 0).
    void Lay(const std::string& markup, int maxWidth, int drawWidth) {
        Measure(markup, maxWidth);
        canvas.texts.clear();
        canvas.rules.clear();
        canvas.pictures.clear();
        canvas.fills.clear();
        canvas.frames.clear();
        engine.Draw(body, HtmlRect{0, 0, drawWidth, 1000});
    }
    std::vector<std::string> DrawnTexts() const {
        std::vector<std::string> out;
        for (const auto& t : canvas.texts) out.push_back(t.text);
        return out;
    }
};

TEST_F(LayoutTest, WrapsAtBreakBytesAndInsideLongWords) {
    HtmlSize size = Measure("aaaa bbbb cccc dddd", 0);
    EXPECT_EQ(19 * 7, size.width);  // no maximum width: one line, however wide
    EXPECT_EQ(13, size.height);
    EXPECT_EQ(1u, engine.Lines().size());

    Lay("aaaa bbbb cccc dddd", 100, 100);
    ASSERT_EQ(2u, engine.Lines().size());
    EXPECT_EQ(63, engine.Lines()[0].width);  // "aaaa bbbb", the space at the cut dropped
    EXPECT_EQ(1, engine.Lines()[0].justify);
    EXPECT_EQ(0, engine.Lines()[1].justify);
    EXPECT_EQ((std::vector<std::string>{"aaaa bbbb", "cccc dddd"}), DrawnTexts());
    EXPECT_EQ(0, canvas.texts[1].x);  // the next line starts without the space
    EXPECT_EQ(13, canvas.texts[1].y);

    Lay("abcdefghijklmnopq", 100, 100);  // 119 pixels, no break byte: cut between bytes
    EXPECT_EQ((std::vector<std::string>{"abcdefghijklmn", "opq"}), DrawnTexts());

    Lay("ab cdefghijklmnopqrs", 100, 100);  // the long word starts a new line before it is cut
    EXPECT_EQ((std::vector<std::string>{"ab", "cdefghijklmnop", "qrs"}), DrawnTexts());

    Lay("two  spaces", 0, 200);  // no collapsing
    EXPECT_EQ(11 * 7, canvas.texts[0].width);
}

TEST_F(LayoutTest, JustifiesWrappedLinesOnly) {
    Lay("<justify>aaaa bbbb cccc dddd eeee ffff</justify>", 100, 100);
    ASSERT_EQ(3u, canvas.texts.size());
    EXPECT_EQ(100, canvas.texts[0].width);  // "aaaa bbbb" fills the width exactly
    EXPECT_EQ(100, canvas.texts[1].width);
    EXPECT_EQ(63, canvas.texts[2].width);  // the last line stays as it is

    // A justified line without a gap (a word cut between bytes) stays unjustified.
    Lay("<justify>abcdefghijklmnopqrstu</justify>", 100, 100);
    EXPECT_EQ((std::vector<std::string>{"abcdefghijklmn", "opqrstu"}), DrawnTexts());
    EXPECT_EQ(98, canvas.texts[0].width);
}

// The draw pass lays out the very lines the measure pass recorded, also
// where alignment leaves less room on the line than measuring had.
TEST_F(LayoutTest, DrawReplaysTheMeasuredCuts) {
    struct Case {
        const char* markup;
        std::vector<std::string> pieces;
    } cases[] = {
        {"<right>aaaa bbbb cccc dddd", {"aaaa bbbb", "cccc dddd"}},
        {"<center>abcdefghijklmnopq", {"abcdefghijklmn", "opq"}},
        {"<justify>aaaa bb<b>bb cc</b>cc dddd</justify>", {"aaaa bb", "bb cc", "cc dddd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        Lay(c.markup, 100, 100);
        EXPECT_EQ(c.pieces, DrawnTexts());
        EXPECT_LE(engine.Lines().size(), 2u);
        for (const auto& t : canvas.texts) EXPECT_LE(t.x + t.width, 100);
    }
    Lay("<right>aaaa bbbb cccc dddd", 100, 100);
    EXPECT_EQ(100 - 63, canvas.texts[0].x);
}

TEST_F(LayoutTest, AlignmentComesFromTheLinesLastContent) {
    Lay("left <center>middle</center>", 0, 200);
    ASSERT_EQ(2u, canvas.texts.size());
    EXPECT_EQ((200 - 11 * 7) / 2, canvas.texts[0].x);  // the whole line is centred
    Lay("<center>middle</center> left", 0, 200);
    EXPECT_EQ(0, canvas.texts[0].x);
}

TEST_F(LayoutTest, TabsBreaksRulesAndStrings) {
    Lay("a<t>b<t>c", 0, 200);
    ASSERT_EQ(3u, canvas.texts.size());
    EXPECT_EQ(32, canvas.texts[1].x);  // from 7 to the next stop
    EXPECT_EQ(64, canvas.texts[2].x);  // 39 goes to 64
    Lay("<t=2>x", 0, 200);
    EXPECT_EQ(64, canvas.texts[0].x);

    HtmlSize size = Measure("a<br=3>b");
    EXPECT_EQ(4 * 13, size.height);  // three lines for the break, one for b
    EXPECT_EQ(13, Measure("a<br 3>").height);

    Lay("<hr width=50%>", 0, 300);
    ASSERT_EQ(1u, canvas.rules.size());
    EXPECT_EQ(150, canvas.rules[0].x2 - canvas.rules[0].x1);
    Lay("<hr width=40>", 0, 300);
    EXPECT_EQ(40, canvas.rules[0].x2 - canvas.rules[0].x1);
    Lay("<hr width=>", 0, 300);  // an empty width is the default, the whole line
    EXPECT_EQ(300, canvas.rules[0].x2 - canvas.rules[0].x1);
    Measure("<hr size=3>");
    EXPECT_EQ(11, engine.Lines()[0].height);
    Measure("x<hr size=20>");
    EXPECT_EQ(28 + 3, engine.Lines()[0].height);

    Lay("<string idres=7>!", 0, 200);
    EXPECT_EQ((std::vector<std::string>{"seven", "!"}), DrawnTexts());
}

TEST_F(LayoutTest, EmptyAndTinyBodies) {
    EXPECT_EQ(0, Measure("").width);
    EXPECT_EQ(0, Measure("").height);
    const HtmlSize one = Measure("x");
    EXPECT_EQ(7, one.width);
    EXPECT_EQ(13, one.height);
}

TEST_F(LayoutTest, LinksBecomeHotAreasNumberedAlike) {
    Lay("go <a msg=hello>here</a> or <a href=x>there</a>", 0, 300);
    ASSERT_EQ(2u, engine.HotAreas().size());
    const HotArea& first = engine.HotAreas()[0];
    EXPECT_EQ(2, first.kind);
    EXPECT_EQ(0, first.index);
    EXPECT_EQ("hello", first.target);
    EXPECT_EQ(21, first.rect.left);
    EXPECT_EQ(21 + 28, first.rect.right);
    EXPECT_EQ(1, engine.HotAreas()[1].kind);
    EXPECT_EQ(1, engine.HotAreas()[1].index);
}

// --- tables -------------------------------------------------------------------

TEST_F(LayoutTest, TableColumnsRowsAndSpans) {
    // Two cells, no spacing, no border: two columns and one pixel between.
    HtmlSize size = Measure("<table cellpadding=0><tr><td>ab</td><td>cde</td></tr></table>");
    EXPECT_EQ(14 + 21 + 1, size.width);
    EXPECT_EQ(13, size.height);

    // A spanning cell wider than its columns widens both by half the
    // difference, the odd pixel to the second.
    Lay("<table cellpadding=0><tr><td>a</td><td>b</td></tr><tr><td colspan=2>abcdef</td></tr></table>", 0, 0);
    // columns 7 + 7 = 14 < 42: 28 more, 14 each.
    size = Measure("<table cellpadding=0><tr><td>a</td><td>b</td></tr><tr><td colspan=2>abcdef</td></tr></table>");
    EXPECT_EQ(21 + 21 + 1, size.width);
    size = Measure("<table cellpadding=0><tr><td>a</td><td>b</td></tr><tr><td colspan=2>abcdefg</td></tr></table>");
    EXPECT_EQ(24 + 25 + 1, size.width);

    // A row span covers the column below; the next row's cell goes right of it.
    canvas.texts.clear();
    Lay("<table cellpadding=0><tr><td rowspan=2>A</td><td>B</td></tr><tr><td>C</td></tr></table>", 0, 0);
    ASSERT_EQ(3u, canvas.texts.size());
    EXPECT_EQ(canvas.texts[1].x, canvas.texts[2].x);  // C under B
    EXPECT_EQ(0, canvas.texts[1].y);
    EXPECT_EQ(14, canvas.texts[2].y);  // the second row, a pixel below

    // Cell padding and spacing, and the border band of a double border.
    size = Measure("<table cellpadding=3 cellspacing=2><tr><td>ab</td></tr></table>");
    EXPECT_EQ(2 * 2 + 14 + 6, size.width);
    size = Measure("<table border=1 borderstyle=double cellpadding=0><tr><td>ab</td></tr></table>");
    EXPECT_EQ(14 + 2 + 6, size.width);  // the cell takes the table's border too, at one pixel
    // A cell border is always one pixel.
    size = Measure("<table cellpadding=0><tr><td border=5>ab</td></tr></table>");
    EXPECT_EQ(14 + 2, size.width);
}

TEST_F(LayoutTest, EverySpanAndEveryPlacedCellHasItsColumns) {
    // Four columns from the first row's span, not three from the cell count.
    const std::string spans = "<table cellpadding=0><tr><td colspan=4>xxxxxxxxxxxxxx</td></tr>"
                              "<tr><td>a</td><td>b</td></tr></table>";
    const HtmlSize size = Measure(spans);
    EXPECT_EQ(101, size.width);
    EXPECT_EQ(13 + 1 + 13, size.height);
    canvas.texts.clear();
    Lay(spans, 0, 0);
    ASSERT_EQ(3u, canvas.texts.size());
    EXPECT_EQ(0, canvas.texts[1].x);
    EXPECT_EQ(29, canvas.texts[2].x);  // columns 28, 28, 21, 21

    // A row span pushes the second row's last cell into a third column.
    canvas.texts.clear();
    Lay("<table cellpadding=0><tr><td rowspan=2>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>", 0, 0);
    ASSERT_EQ(4u, canvas.texts.size());
    EXPECT_EQ(canvas.texts[1].x, canvas.texts[2].x);  // c under b
    EXPECT_GT(canvas.texts[3].x, canvas.texts[2].x);  // d right of c
    EXPECT_EQ(canvas.texts[2].y, canvas.texts[3].y);
}

TEST_F(LayoutTest, TablesFillTheFrameUnlessTheirColumnsAreFixed) {
    // (The cells set their own alignment: they would take the table's.)
    const std::string fixed = "<table align=center cellpadding=0><tr><td width=49 align=left>a</td>"
                              "<td width=50 align=left>b</td></tr></table>";
    Lay(fixed, 0, 300);
    ASSERT_EQ(2u, canvas.texts.size());
    EXPECT_EQ(100, canvas.texts[0].x);  // 100 wide, centred in 300
    Lay("<table align=center cellpadding=0><tr><td align=left>a</td><td align=left>b</td></tr></table>", 0, 300);
    EXPECT_EQ(0, canvas.texts[0].x);
    EXPECT_EQ(150, canvas.texts[1].x);  // the columns stretched to 300 between them

    Lay("<table cellpadding=0 bgcolor=red><tr><td bgeffect=hgradient>x</td></tr></table>", 0, 0);
    ASSERT_EQ(2u, canvas.fills.size());
    EXPECT_EQ(0, canvas.fills[0].effect);  // bgcolor alone paints solid
    EXPECT_EQ(1, canvas.fills[1].effect);
}

TEST_F(LayoutTest, BadTablesTakeSafeShapes) {
    struct Case {
        const char* label;
        const char* markup;
    } cases[] = {
        {"empty", "<table></table>"},
        {"rows without cells", "<table><tr></tr><tr></tr></table>"},
        {"cells outside rows", "<table><td>x</td></table>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const HtmlSize size = Measure(std::string("a") + c.markup + "b");
        EXPECT_EQ(2 * 13, size.height);  // the two text lines only
        EXPECT_GE(size.width, 7);
    }
    // Spans past the grid, of zero, huge or taken by a span from above.
    for (const char* markup : {
             "<table><tr><td rowspan=9>a</td></tr></table>",
             "<table><tr><td>a</td><td colspan=0>b</td></tr></table>",
             "<table><tr><td rowspan=0>a</td></tr></table>",
             "<table><tr><td colspan=2000000000 rowspan=2000000000>a</td></tr><tr><td>b</td></tr></table>",
             "<table><tr><td rowspan=2>a</td><td>b</td></tr><tr><td colspan=5>c</td><td>d</td></tr></table>",
             "<table><tr><td>a<table><tr><td>b</td></tr>",
         }) {
        SCOPED_TRACE(markup);
        const HtmlSize size = Measure(markup);
        EXPECT_GE(size.width, 0);
        EXPECT_LT(size.width, 10000);
        engine.Draw(body, HtmlRect{0, 0, 500, 500});
    }
}

// --- pictures ---------------------------------------------------------------------

TEST_F(LayoutTest, PictureBoxesStripsAndAnimation) {
    canvas.pictureSizes["pic.bmp"] = HtmlSize{40, 20};
    canvas.pictureSizes["strip.bmp"] = HtmlSize{64, 16};
    Measure("<bmp file=pic.bmp width=50%>");
    EXPECT_EQ(20, engine.Lines()[0].width);
    EXPECT_EQ(10, engine.Lines()[0].height);
    Measure("<bmp file=pic.bmp width=50% style=s>");
    EXPECT_EQ(24, engine.Lines()[0].width);
    Measure("<icon idres=1>");
    EXPECT_EQ(32, engine.Lines()[0].width);
    Measure("<bmp file=missing.bmp>x");
    EXPECT_EQ(7, engine.Lines()[0].width);  // a missing picture takes no room

    Lay("<ilst file=strip.bmp cx=16 index=3>", 0, 100);
    ASSERT_EQ(1u, canvas.pictures.size());
    EXPECT_EQ(3, canvas.pictures[0].cell);
    canvas.pictures.clear();
    Lay("<ilst file=strip.bmp cx=16 index=4>", 0, 100);
    EXPECT_TRUE(canvas.pictures.empty());
    Lay("<ilst index=0>", 0, 100);  // no picture source: the renderer has no image list
    EXPECT_TRUE(canvas.pictures.empty());

    Measure("<ilst file=strip.bmp cx=16 speed=5>");
    std::vector<int> frames;
    for (int step = 0; step < 21; ++step) {
        canvas.pictures.clear();
        engine.Draw(body, HtmlRect{0, 0, 100, 100});
        frames.push_back(canvas.pictures.at(0).cell);
        engine.AnimationStep();
    }
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 0}), frames);

    // Colours off: a silhouette, the shadow kept.
    sheet.SetColorsEnabled(false);
    canvas.pictures.clear();
    Lay("<bmp file=pic.bmp style=gs>", 0, 100);
    EXPECT_EQ(static_cast<unsigned>(IMAGE_EFFECT_FILL | IMAGE_EFFECT_SOFT_SHADOW), canvas.pictures.at(0).effects);
}

}  // namespace
}  // namespace fh
