#include "html/html_style.h"

#include <gtest/gtest.h>

#include "base/muldiv.h"
#include "support/fake_metrics.h"

namespace fh {
namespace {

class HtmlStyleTest : public ::testing::Test {
protected:
    test::FakeMetrics metrics;
    CodePage cp = CodePage::Korean();
    HtmlStyleSheet sheet{metrics, cp};

    HtmlStyle Apply(const std::string& declarations, HtmlStyle style = HtmlStyle()) {
        sheet.ApplyDeclarations(declarations, style);
        return style;
    }
};

TEST_F(HtmlStyleTest, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(8, MulDivRound(13, 65, 100));
    EXPECT_EQ(16, MulDivRound(13, 125, 100));
    EXPECT_EQ(3, MulDivRound(4, 75, 100));
    EXPECT_EQ(5, MulDivRound(4, 125, 100));
    EXPECT_EQ(-8, MulDivRound(-13, 65, 100));
    EXPECT_EQ(1, MulDivRound(1, 1, 2));
    EXPECT_EQ(-1, MulDivRound(1, 1, 0));
    EXPECT_EQ(-1, MulDivRound(0x7FFFFFFF, 0x7FFFFFFF, 1));
}

TEST_F(HtmlStyleTest, LengthRule) {
    struct Case {
        const char* text;
        int current;
        bool htmlSizes;
        int result;
    } cases[] = {
        {"", 21, true, 21},       {"10pt", 0, true, 13},     {"9pt", 0, true, 12},    {"14pt", 0, true, 18},
        {"1in", 0, true, 96},     {"1cm", 0, true, 37},      {"10mm", 0, true, 37},   {"65%", 13, true, 8},
        {"125%", 13, true, 16},   {"3", 0, true, 12},        {"3", 0, false, 3},      {"8", 0, true, 8},
        {"+1", 0, true, 8},       {"-2", 0, false, 2},       {"7", 0, true, 36},      {"12px", 0, true, 12},
        {"2em", 0, true, 26},     {"2ex", 0, true, 14},      {"2pc", 0, true, 32},    {"0x10", 0, false, 16},
        {"010", 0, false, 8},     {"abc", 5, false, 0},      {"x", 5, true, 0},       {"%", 13, true, 0},
        {"99999999999999in", 0, false, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.result, sheet.ReadLength(c.text, c.current, c.htmlSizes));
    }
}

TEST_F(HtmlStyleTest, PixelLengthsGrowWithTheResolution) {
    // px, bare numbers and the HTML font sizes, at 96, 144 and 192 DPI.
    const struct {
        int ppi, px12, bare3, size7;
    } cases[] = {{96, 12, 3, 36}, {144, 18, 5, 54}, {192, 24, 6, 72}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ppi);
        metrics.ppi = c.ppi;
        EXPECT_EQ(c.px12, sheet.ReadLength("12px", 0, true));
        EXPECT_EQ(c.bare3, sheet.ReadLength("3", 0, false));
        EXPECT_EQ(c.size7, sheet.ReadLength("7", 0, true));
        EXPECT_EQ(c.ppi, sheet.ReadLength("1in", 0, true));
        EXPECT_EQ(8, sheet.ReadLength("65%", 13, true));
    }
}

TEST_F(HtmlStyleTest, ColourRule) {
    const HtmlColor keep = 0x123456;
    struct Case {
        const char* text;
        HtmlColor result;
    } cases[] = {
        {"", keep},         {"#FF9900", 0x0099FF},  {"#ff9900", 0x0099FF},  {"#F90", keep},
        {"#FF99001", keep}, {"0x0000FF", 0x0000FF}, {"255", 255},           {"010", 8},
        {"red", 0x0000FF},  {"Red", keep},          {"lightgrey", 0xD3D3D3}, {"lightgray", keep},
        {"navy", 0x800000}, {"coral", 0x507FFF},    {"windowtext", 0x080808}, {"infobackground", 0x181818},
        {"threedface", 0x0F0F0F}, {"#GG0000", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.result, sheet.ReadColor(c.text, keep));
    }
}

TEST_F(HtmlStyleTest, DeclarationsLowerTheirValuesAndApplyEveryProperty) {
    HtmlStyle s = Apply("Color:#FF9900; FONT-FAMILY:\"Courier New\"; font-size:65%; font-weight:bold; "
                        "font-style:oblique; text-align:right; text-transform:capitalize; vertical-align:top; "
                        "background-color:Red; margin:3; padding:4px; unknown:1");
    EXPECT_EQ(0x0099FFu, s.textColor);
    EXPECT_EQ("courier new", s.face);
    EXPECT_EQ(10, s.fontSize);  // 65% of 16
    EXPECT_EQ(700, s.weight);
    EXPECT_EQ(1, s.italic);
    EXPECT_EQ(2, s.textAlign);
    EXPECT_EQ(3, s.textTransform);
    EXPECT_EQ(0, s.verticalAlign);
    EXPECT_EQ(kOpaque, s.backgroundMode);
    EXPECT_EQ(0x0000FFu, s.backgroundColor);
    EXPECT_EQ(3, s.margin);
    EXPECT_EQ(4, s.padding);
}

TEST_F(HtmlStyleTest, KeywordTables) {
    struct Case {
        const char* declaration;
        int HtmlStyle::*field;
        int before;
        int after;
    } cases[] = {
        {"font-style:", &HtmlStyle::italic, 1, 0},         {"font-style:slanted", &HtmlStyle::italic, 1, 1},
        {"font-weight:", &HtmlStyle::weight, 700, 400},     {"font-weight:lighter", &HtmlStyle::weight, 400, 100},
        {"font-weight:bolder", &HtmlStyle::weight, 400, 900}, {"font-weight:550", &HtmlStyle::weight, 400, 550},
        {"font-weight:heavy", &HtmlStyle::weight, 400, 0},  {"text-align:", &HtmlStyle::textAlign, 2, 0},
        {"text-align:center", &HtmlStyle::textAlign, 0, 1}, {"text-align:justify", &HtmlStyle::textAlign, 2, 2},
        {"vertical-align:", &HtmlStyle::verticalAlign, 0, 3}, {"vertical-align:middle", &HtmlStyle::verticalAlign, 0, 1},
        {"vertical-align:vcenter", &HtmlStyle::verticalAlign, 0, 1},
        {"vertical-align:bottom", &HtmlStyle::verticalAlign, 0, 2},
        {"vertical-align:sideways", &HtmlStyle::verticalAlign, 2, 2},
        {"text-transform:uppercase", &HtmlStyle::textTransform, 0, 1},
        {"text-transform:lowercase", &HtmlStyle::textTransform, 0, 2},
        {"text-transform:", &HtmlStyle::textTransform, 2, 0},
        {"border-style:dashed", &HtmlStyle::borderStyle, 0, 2}, {"border-style:double", &HtmlStyle::borderStyle, 0, 6},
        {"border-style:", &HtmlStyle::borderStyle, 3, 0},    {"border-style:groove", &HtmlStyle::borderStyle, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.declaration);
        HtmlStyle s;
        s.*c.field = c.before;
        EXPECT_EQ(c.after, Apply(c.declaration, s).*c.field);
    }
}

TEST_F(HtmlStyleTest, BordersAndDecorations) {
    HtmlStyle s;
    s.borderWidth = 4;
    s.borderStyle = 1;
    EXPECT_EQ(3, Apply("border-width:thin", s).borderWidth);
    EXPECT_EQ(5, Apply("border-width:thick", s).borderWidth);
    EXPECT_EQ(4, Apply("border-width:medium", s).borderWidth);
    HtmlStyle none = Apply("border-width:0", s);
    EXPECT_EQ(0, none.borderStyle);
    EXPECT_EQ(1, Apply("size:2", HtmlStyle()).borderStyle);
    HtmlStyle dotted = Apply("border-style:dotted", HtmlStyle());
    EXPECT_EQ(3, dotted.borderStyle);
    EXPECT_EQ(1, dotted.borderWidth);
    HtmlStyle colours = Apply("border-color:blue");
    EXPECT_EQ(0xFF0000u, colours.borderLight);
    EXPECT_EQ(0xFF0000u, colours.borderDark);

    HtmlStyle d = Apply("text-decoration:underline overline");
    EXPECT_EQ(1, d.underline);
    EXPECT_EQ(1, d.overline);
    EXPECT_EQ(0, d.strikeout);
    d = Apply("text-decoration:line-through,underline none", d);
    EXPECT_EQ(0, d.underline + d.overline + d.strikeout);
    d.underline = d.strikeout = d.overline = 1;
    d = Apply("text-decoration:", d);
    EXPECT_EQ(0, d.underline + d.overline + d.strikeout);
    EXPECT_EQ(kTransparent, Apply("background-color:transparent", Apply("background-color:#fbedbb")).backgroundMode);
    EXPECT_EQ(0xBBEDFBu, Apply("background-color:#fbedbb").backgroundColor);
}

TEST_F(HtmlStyleTest, DisabledColoursReplaceEveryColour) {
    sheet.SetColorsEnabled(false);
    const HtmlColor disabled = metrics.SystemColor(16);
    EXPECT_EQ(disabled, sheet.DisabledColor());
    EXPECT_EQ(disabled, Apply("color:red").textColor);
    EXPECT_EQ(disabled, Apply("color:#FF0000").textColor);
    EXPECT_EQ(disabled, Apply("border-color:#00FF00").borderLight);
    EXPECT_EQ(kTransparent, Apply("background-color:#fbedbb").backgroundMode);
    EXPECT_EQ(disabled, sheet.ReadColor("red", 5));
}

TEST_F(HtmlStyleTest, DefaultSheetAndSheetParser) {
    HtmlStyle body;
    sheet.ApplySelector("BODY", body);
    EXPECT_EQ(13, body.fontSize);
    EXPECT_EQ("verdana", body.face);
    EXPECT_EQ(0u, body.textColor);
    EXPECT_EQ(400, body.weight);

    struct Case {
        const char* selector;
        int fontSize;
        HtmlColor color;
        int weight;
    } cases[] = {
        {"h1", 18, 0, 700},         {"h2", 17, 0x0099FF, 700}, {"h5", 12, 0x0099FF, 700},
        {"h6", 10, 0x626262, 400},  {"big", 20, 0, 400},       {"small", 12, 0, 400},
        {"sub", 10, 0, 400},        {"p", 13, 0, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        HtmlStyle s;
        sheet.ApplySelector(c.selector, s);
        EXPECT_EQ(c.fontSize, s.fontSize);
        EXPECT_EQ(c.color, s.textColor);
        EXPECT_EQ(c.weight, s.weight);
    }
    HtmlStyle pre;
    sheet.ApplySelector("pre", pre);
    EXPECT_EQ("courier", pre.face);
    EXPECT_EQ(kOpaque, pre.backgroundMode);
    HtmlStyle comment;
    sheet.ApplySelector(".cpp-comment", comment);
    EXPECT_EQ(1, comment.italic);
    EXPECT_EQ(0x008000u, comment.textColor);
    HtmlStyle hover;
    sheet.ApplySelector("a:hover", hover);
    EXPECT_EQ(1, hover.underline);
    EXPECT_EQ(nullptr, sheet.StyleText("table"));

    sheet.Load("X {color:red}  {orphan} .k{ } y{color:blue} y {color:green} z {unclosed");
    EXPECT_EQ(nullptr, sheet.StyleText("body"));
    ASSERT_NE(nullptr, sheet.StyleText("x"));
    EXPECT_EQ("color:red", *sheet.StyleText("x"));
    EXPECT_EQ(nullptr, sheet.StyleText(".k"));
    EXPECT_EQ("color:green", *sheet.StyleText("y"));
    EXPECT_EQ(nullptr, sheet.StyleText("z"));
    sheet.Load("");
    EXPECT_NE(nullptr, sheet.StyleText("h3"));
}

TEST_F(HtmlStyleTest, DeclarationParserEdges) {
    EXPECT_EQ("a b", Apply("font-family:\"A B\";color:red").face);
    EXPECT_EQ(0x0000FFu, Apply("font-family:\"A B\";color:red").textColor);
    EXPECT_EQ("verdana", Apply("font-family:\"unclosed", Apply("font-family:verdana")).face);
    EXPECT_EQ(16, Apply("font-size", HtmlStyle()).fontSize);
    // The value keeps its trailing spaces, so "bold  " is no keyword and reads as the number 0.
    EXPECT_EQ(0, Apply("font-weight   :   bold  ;").weight);
    EXPECT_EQ(700, Apply("font-weight   :   bold;").weight);
}

}  // namespace
}  // namespace fh
