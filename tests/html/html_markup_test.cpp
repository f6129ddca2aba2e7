#include "html/html_markup.h"

#include <gtest/gtest.h>

#include "support/fake_metrics.h"

namespace fh {
namespace {

// Records what the scanner reports as short readable lines.
class Recorder : public HtmlEventSink {
public:
    std::vector<std::string> events;
    std::vector<HtmlStyle> textStyles;
    std::string text;  // all text runs joined

    void OnText(std::string_view run, const HtmlStyle& style) override {
        events.push_back("text:" + std::string(run));
        textStyles.push_back(style);
        text += run;
    }
    void OnRule(const HtmlAttributes&, const HtmlStyle&) override { events.push_back("hr"); }
    void OnLineBreak(int count, const HtmlStyle&) override { events.push_back("br" + std::to_string(count)); }
    void OnTab(int count, const HtmlStyle&) override { events.push_back("t" + std::to_string(count)); }
    void OnPicture(HtmlTagKind kind, const HtmlAttributes& a, const HtmlStyle&) override {
        std::string e = kind == HtmlTagKind::Bitmap ? "bmp" : kind == HtmlTagKind::Icon ? "icon" : "ilst";
        for (const auto& kv : a) e += " " + kv.first + "=" + kv.second;
        events.push_back(e);
    }
    void OnString(std::string_view s, const HtmlStyle&) override { events.push_back("string:" + std::string(s)); }
    void OnTable(std::string_view markup, const HtmlStyle&) override { events.push_back("table:" + std::string(markup)); }
};

class HtmlMarkupTest : public ::testing::Test {
protected:
    test::FakeMetrics metrics;
    CodePage cp = CodePage::Korean();
    HtmlEntityTable entities;
    HtmlStyleSheet sheet{metrics, cp};
    CHtmlScanner scanner{sheet, [](unsigned id) { return id == 132 ? std::string("all sites") : std::string(); }};

    Recorder Scan(const std::string& body) {
        Recorder r;
        scanner.ScanBody(PreProcessHtml(body, scanner.LineBreakConversion(), cp, entities), r);
        return r;
    }
};

TEST_F(HtmlMarkupTest, EntitiesAndEscapes) {
    struct Case {
        const char* body;
        const char* text;
    } cases[] = {
        {"a<<b", "a<b"},
        {"&lt;b&gt;", "<b>"},
        {"&amp;lt;", "<"},
        {"x&nbsp;y&quot;", "x y\""},
        {"&euro;&bull;&copy;&trade;", "\x88\x95\xA9\x99"},
        {"&amp", "&amp"},
        {"&unknown;", "&unknown;"},
        {"<>", ">"},
        {"a<", "a<"},
        {"a<<", "a<"},
        {"a<<<", "a<<"},
        {"x\xB0\xA1<", "x\xB0\xA1<"},
        {"a<b", "a"},
        {"<unknown attr=1>text", "text"},
        {"< b>x", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(c.text, Scan(c.body).text);
    }
}

TEST_F(HtmlMarkupTest, EscapedOutsideTextShowsLiterally) {
    const char* texts[] = {
        "<bmp src=\"c:\\x.bmp\">", "<a href=\"calc.exe\">run</a>", "&amp;lt;", "&lt;b&gt;&copy;", "a&<b",
        "<table><tr><td>x</td></tr></table>", "<<", "&", "tail<", "\xB0\xA1&\xB3\xAA<", "100%&nbsp;",
        // A lead byte before "&" or "<" must not carry it past the escape.
        "\xED\x95\x9C&lt;a href=calc.exe>click", "\x9C<a href=calc.exe>click</a>", "\xB0<<b>", "x\xB0&amp;",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const Recorder r = Scan(EscapeHtmlText(text, cp));
        EXPECT_EQ(text, r.text);
        for (const std::string& e : r.events) EXPECT_EQ(0u, e.rfind("text:", 0)) << e;
    }
}

TEST_F(HtmlMarkupTest, LineBreaksTabsAndCounts) {
    EXPECT_EQ((std::vector<std::string>{"text:line1", "br1", "text:line2"}), Scan("line1\r\nline2").events);
    EXPECT_EQ((std::vector<std::string>{"text:a", "t1", "text:b"}), Scan("a\tb").events);
    scanner.SetLineBreakConversion(false);
    EXPECT_EQ((std::vector<std::string>{"text:line1line2"}), Scan("line1\r\nline2\t").events);
    scanner.SetLineBreakConversion(true);
    struct Case {
        const char* body;
        const char* event;
    } cases[] = {
        {"<br=2>", "br2"}, {"<br 2>", "br1"}, {"</br>", "br1"}, {"<BR>", "br1"}, {"<br=0x3>", "br3"},
        {"<t=3>", "t3"},   {"<br=>", "br1"},  {"<hr>", "hr"},   {"</hr>", "hr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(std::vector<std::string>{c.event}, Scan(c.body).events);
    }
}

TEST_F(HtmlMarkupTest, ContainersPairThroughTheStyleStack) {
    Recorder r = Scan("<B>x</B>y");
    ASSERT_EQ(2u, r.textStyles.size());
    EXPECT_EQ(800, r.textStyles[0].weight);
    EXPECT_EQ(400, r.textStyles[1].weight);

    r = Scan("<b>x</i>y");
    EXPECT_EQ(800, r.textStyles[1].weight);

    r = Scan("<i>a<i>b</i>c</i>d");
    ASSERT_EQ(4u, r.textStyles.size());
    EXPECT_EQ(1, r.textStyles[0].italic);
    EXPECT_EQ(0, r.textStyles[1].italic);
    EXPECT_EQ(1, r.textStyles[2].italic);
    EXPECT_EQ(0, r.textStyles[3].italic);

    r = Scan("<b><b><b>x");
    EXPECT_EQ(900, r.textStyles[0].weight);

    r = Scan("<u>a<s>b</u>c</s>d");
    EXPECT_EQ(1, r.textStyles[2].underline);  // </u> does not reach below <s>
    EXPECT_EQ(0, r.textStyles[3].strikeout);

    r = Scan("<vcenter>a</bottom>b<bottom>c</middle>d");
    EXPECT_EQ(1, r.textStyles[0].verticalAlign);
    EXPECT_EQ(3, r.textStyles[1].verticalAlign);
    EXPECT_EQ(2, r.textStyles[2].verticalAlign);
    EXPECT_EQ(3, r.textStyles[3].verticalAlign);

    r = Scan("<center>a<right>b</right>c<justify>d");
    EXPECT_EQ(1, r.textStyles[0].textAlign);
    EXPECT_EQ(2, r.textStyles[1].textAlign);
    EXPECT_EQ(1, r.textStyles[2].textAlign);
    EXPECT_EQ(3, r.textStyles[3].textAlign);

    // "</body>" closes only a "body" on top: unclosed containers stay open
    // to the end of the pass, and the next pass starts afresh.
    Scan("<b><i><u>open");
    EXPECT_EQ(4u, scanner.StackDepth());
    EXPECT_EQ("", scanner.CurrentStyle().name);
    Scan("x");
    EXPECT_EQ(0u, scanner.StackDepth());
}

TEST_F(HtmlMarkupTest, BodyStartsFromTheSheetsBodyEntry) {
    Recorder r = Scan("x");
    ASSERT_EQ(1u, r.textStyles.size());
    EXPECT_EQ(13, r.textStyles[0].fontSize);
    EXPECT_EQ("verdana", r.textStyles[0].face);
    EXPECT_EQ(kTransparent, r.textStyles[0].backgroundMode);
    EXPECT_EQ(3, r.textStyles[0].verticalAlign);
}

TEST_F(HtmlMarkupTest, FontTagAttributes) {
    Recorder r = Scan("<font face=Arial size=5 color=red weight=bold bkgnd=#102030>a</font>"
                      "<font color=Red>b</font><font size=+1 face='' bkgnd=transparent>c</font>"
                      "<font size=150%>d</font><font color=\"0x0000FF\" face=\"Courier New\">e");
    ASSERT_EQ(5u, r.textStyles.size());
    EXPECT_EQ("Arial", r.textStyles[0].face);
    EXPECT_EQ(18, r.textStyles[0].fontSize);
    EXPECT_EQ(0x0000FFu, r.textStyles[0].textColor);
    EXPECT_EQ(700, r.textStyles[0].weight);
    EXPECT_EQ(kOpaque, r.textStyles[0].backgroundMode);
    EXPECT_EQ(0x302010u, r.textStyles[0].backgroundColor);
    EXPECT_EQ(0u, r.textStyles[1].textColor);  // names are case-sensitive in attributes
    EXPECT_EQ(8, r.textStyles[2].fontSize);
    EXPECT_EQ("verdana", r.textStyles[2].face);
    EXPECT_EQ(kTransparent, r.textStyles[2].backgroundMode);
    EXPECT_EQ(20, r.textStyles[3].fontSize);  // 150% of 13
    EXPECT_EQ(0x0000FFu, r.textStyles[4].textColor);
    EXPECT_EQ("Courier New", r.textStyles[4].face);
}

TEST_F(HtmlMarkupTest, StyleLetters) {
    struct Case {
        const char* letters;
        int weight, italic, underline, strikeout, overline;
    } cases[] = {
        {"bi", 700, 1, 0, 0, 0},   {"-b", 400, 0, 0, 0, 0},   {"uso", 400, 0, 1, 1, 1},
        {"-i+u", 400, 0, 1, 0, 0}, {"-bu", 400, 0, 1, 0, 0},  {"xyz", 400, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letters);
        Recorder r = Scan(std::string("<i><font style=") + c.letters + ">x");
        ASSERT_EQ(1u, r.textStyles.size());
        const HtmlStyle& s = r.textStyles[0];
        EXPECT_EQ(c.weight, s.weight);
        // The italic test starts from <i>, so "no change" reads 1.
        EXPECT_EQ(std::string(c.letters).find('i') == std::string::npos ? 1 : c.italic, s.italic);
        EXPECT_EQ(c.underline, s.underline);
        EXPECT_EQ(c.strikeout, s.strikeout);
        EXPECT_EQ(c.overline, s.overline);
    }
}

TEST_F(HtmlMarkupTest, LinksAreNumberedTheSameInEveryPass) {
    scanner.SetHotLink(1);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        Recorder r = Scan("<a href=x>a</a><a msg=y>b</a><a>c</a>d");
        ASSERT_EQ(4u, r.textStyles.size());
        EXPECT_EQ(1, r.textStyles[0].linkKind);
        EXPECT_EQ("x", r.textStyles[0].linkTarget);
        EXPECT_EQ(0, r.textStyles[0].underline);  // a:link
        EXPECT_EQ(2, r.textStyles[1].linkKind);
        EXPECT_EQ("y", r.textStyles[1].linkTarget);
        EXPECT_EQ(1, r.textStyles[1].underline);  // a:hover for link 1
        EXPECT_EQ(2, r.textStyles[2].linkKind);
        EXPECT_EQ("", r.textStyles[2].linkTarget);
        EXPECT_EQ(0, r.textStyles[3].linkKind);
        EXPECT_EQ(0xFF0000u, r.textStyles[0].textColor);
        EXPECT_EQ(2, scanner.LinkCounter());
    }
}

TEST_F(HtmlMarkupTest, NamedStylesSpansStringsAndPictures) {
    Recorder r = Scan("<h2>a</h2><span class=cpp-comment>b</span><code>c</code>"
                      "<string idres=132><string iddll=0><string idres=999><bmp src=a.bmp mask='1 2'>"
                      "<icon idres=5><ilst idres=7 speed=10>");
    ASSERT_EQ(3u, r.textStyles.size());
    EXPECT_EQ(17, r.textStyles[0].fontSize);
    EXPECT_EQ(1, r.textStyles[1].italic);
    EXPECT_EQ(0x000099u, r.textStyles[2].textColor);
    EXPECT_EQ((std::vector<std::string>{"text:a", "text:b", "text:c", "string:all sites", "bmp src=a.bmp mask=1 2",
                                        "icon idres=5", "ilst idres=7 speed=10"}),
              r.events);
}

TEST_F(HtmlMarkupTest, AttributeReader) {
    struct Case {
        const char* text;
        HtmlAttributes attributes;
    } cases[] = {
        {"a=1 b = 2 c", {{"a", "1"}, {"b", "2"}, {"c", ""}}},
        {"x=\"quoted value\" y='single'", {{"x", "quoted value"}, {"y", "single"}}},
        {"x=\"never closed", {{"x", "never closed"}}},
        {"==  ,,name==v", {{"name", "v"}}},
        {"", {}},
        {"@@@", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.attributes, ReadHtmlAttributes(c.text, cp));
    }
}

TEST_F(HtmlMarkupTest, TablesAreCutOutWithTheirNesting) {
    Recorder r = Scan("a<table><tr><td><table><tr><td>x</td></tr></table></td></tr></table>b<<table>c");
    ASSERT_EQ(3u, r.events.size());
    EXPECT_EQ("text:a", r.events[0]);
    EXPECT_EQ("table:<table><tr><td><table><tr><td>x</td></tr></table></td></tr></table>", r.events[1]);
    EXPECT_EQ("text:b<table>c", r.events[2]);

    // An escaped closing tag inside a cell is text, not the table's end.
    r = Scan("<table><tr><td>&lt;/table></td></tr></table>z");
    ASSERT_EQ(2u, r.events.size());
    EXPECT_EQ("table:<table><tr><td><</table></td></tr></table>", r.events[0]);
    EXPECT_EQ("text:z", r.events[1]);

    std::vector<HtmlSegment> open = SegmentHtml("x<table><table></table>rest", cp);
    ASSERT_EQ(2u, open.size());
    EXPECT_TRUE(open[1].table);
    EXPECT_EQ("<table><table></table>rest", open[1].text);
}

// Entities above ASCII become the character in the code page, whose first
// byte may be a lead byte: it must pair with its own trail byte, not with
// the "<" that follows.
TEST_F(HtmlMarkupTest, EntitiesBecomeCharactersOfTheCodePage) {
    entities.SetCharacter(0xA9, "\xA8\xCF");  // the copyright sign in code page 949
    entities.SetCharacter(0x2022, "?");
    Recorder r = Scan("&copy;<b>x</b>&bull;");
    ASSERT_EQ(3u, r.events.size());
    EXPECT_EQ("text:\xA8\xCF", r.events[0]);
    EXPECT_EQ("text:x", r.events[1]);
    EXPECT_EQ(800, r.textStyles[1].weight);
    EXPECT_EQ("text:?", r.events[2]);
}

// A lead byte with nothing after it, or before a line feed that becomes
// "<br>", stands alone and is dropped; the program's own markup survives.
TEST_F(HtmlMarkupTest, LoneLeadBytesNeverSwallowAddedMarkup) {
    EXPECT_EQ(std::vector<std::string>{}, Scan("\xC3").events);
    EXPECT_EQ((std::vector<std::string>{"text:a", "br1", "text:b"}), Scan("a\xC3\nb").events);
    EXPECT_EQ((std::vector<std::string>{"text:a", "t1", "text:b"}), Scan("a\xC3\r\tb").events);
    cp = CodePage::Japanese();
    EXPECT_EQ((std::vector<std::string>{"text:abc"}), Scan("abc\x82").events);
    EXPECT_EQ((std::vector<std::string>{"text:abc\xB0"}), Scan("abc\xB0").events);  // a single-byte kana
    EXPECT_EQ((std::vector<std::string>{"text:\x82\xA0"}), Scan("\x82\xA0").events);
    scanner.SetLineBreakConversion(false);
    EXPECT_EQ((std::vector<std::string>{"text:a\x82x"}), Scan("a\x82\nx").events);
}

TEST_F(HtmlMarkupTest, DoubleByteTextAroundMarkup) {
    // Hangul text around tags stays whole.
    Recorder r = Scan("\xB0\xA1<b>\xB3\xAA</b>");
    EXPECT_EQ((std::vector<std::string>{"text:\xB0\xA1", "text:\xB3\xAA"}), r.events);
}

}  // namespace
}  // namespace fh
