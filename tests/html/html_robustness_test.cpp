// Any byte string is a valid body: random bodies built from markup fragments
// must scan without crashing, reading outside the text or hanging. The host
// build runs this under AddressSanitizer and UndefinedBehaviorSanitizer.

#include <gtest/gtest.h>

#include <random>

#include "html/html_layout.h"
#include "html/html_markup.h"
#include "support/fake_canvas.h"
#include "support/fake_metrics.h"

namespace fh {
namespace {

class CountingSink : public HtmlEventSink {
public:
    std::size_t textBytes = 0;
    std::size_t events = 0;
    void OnText(std::string_view run, const HtmlStyle& style) override {
        textBytes += run.size();
        ++events;
        // The style in force is always a usable record.
        EXPECT_TRUE(style.linkKind >= 0 && style.linkKind <= 2);
    }
    void OnStyleChanged(const HtmlStyle&) override { ++events; }
    void OnLineBreak(int, const HtmlStyle&) override { ++events; }
    void OnTab(int, const HtmlStyle&) override { ++events; }
    void OnTable(std::string_view, const HtmlStyle&) override { ++events; }
};

const char* const kFragments[] = {
    "<", ">", "<<", "<>", "<b>", "</b>", "<i>", "</i>", "<u>", "</s>", "<font ", "color=", "size=", "face=",
    "style=-b+i", "weight=", "bkgnd=", "'", "\"", "=", " ", "x", "yz", "&lt;", "&amp;", "&am", "&", ";", "&gt;",
    "<table>", "</table>", "<table", "</table", "<tr><td>", "</td>", "<br=", "<br>", "</br>", "<t=", "99999999999",
    "-", "+", "%", "#FF", "#12345", "0x", "0777", "<a href=", "<a msg=", "</a>", "<span class=", "cpp-comment",
    "<h1>", "</h1>", "<pre>", "<sub>", "<bottom>", "</vcenter>", "<string idres=", "<bmp src=", "<icon ", "<ilst ",
    "<hr>", "\r\n", "\t", "\xB0", "\xA1", "\x95\x5C", "\x81", "\xFF", "<\xB0>", "\xB0<", "em", "ex", "pt", "in",
    "<BODY>", "</body>", "<big>", "<small>", "&nbsp;", "&euro;", "<td colspan=", "<td rowspan=", "0", "-7",
    "2000000000", "</tr>", "<tr>", "<center>", "<justify>", "<right>", "aaaa bbbb ", "<hr width=", "<hr size=",
    "<ilst file=s.bmp cx=", " speed=", " index=", "<bmp file=p.bmp width=", "%>", "<t>", "<table border=2 ",
    "cellspacing=", "cellpadding=", "bgeffect=metal>", "<td width=", "valign=bottom>",
};

TEST(HtmlRobustness, RandomBodiesScanSafely) {
    test::FakeMetrics metrics;
    for (const CodePage& cp : {CodePage::Korean(), CodePage::Japanese(), CodePage()}) {
        HtmlStyleSheet sheet(metrics, cp);
        CHtmlScanner scanner(sheet, [](unsigned id) { return std::string(id % 3, 'w'); });
        std::mt19937 random(20261208);
        const std::size_t fragmentCount = sizeof(kFragments) / sizeof(kFragments[0]);
        for (int body = 0; body < 3000; ++body) {
            std::string text;
            const int pieces = static_cast<int>(random() % 120);
            for (int i = 0; i < pieces; ++i) text += kFragments[random() % fragmentCount];
            // Now and then a raw random byte string.
            if (body % 10 == 0)
                for (int i = 0; i < 64; ++i) text += static_cast<char>(random() & 0xFF);
            CountingSink sink;
            scanner.SetLineBreakConversion(body % 2 == 0);
            scanner.SetHotLink(static_cast<int>(random() % 4) - 1);
            scanner.ScanBody(PreProcessHtml(text, body % 2 == 0), sink);
            // The text that comes out never exceeds what went in.
            ASSERT_LE(sink.textBytes, text.size() + 16) << body;
            HtmlStyle style;
            sheet.ApplyDeclarations(text, style);
            sheet.Load(text);
            sheet.LoadDefault();
        }
    }
}

// The layout over random bodies, at several maximum widths, measured and
// drawn: every line it reads back is one it recorded.
TEST(HtmlRobustness, RandomBodiesLayOutSafely) {
    test::FakeMetrics metrics;
    const CodePage cp = CodePage::Korean();
    HtmlStyleSheet sheet(metrics, cp);
    CHtmlScanner scanner(sheet, [](unsigned id) { return std::string(id % 5, 'w'); });
    test::FakeCanvas canvas;
    canvas.pictureSizes["s.bmp"] = HtmlSize{64, 16};
    canvas.pictureSizes["p.bmp"] = HtmlSize{40, 20};
    HtmlLayoutEngine engine(scanner, sheet, canvas);
    std::mt19937 random(20261209);
    const std::size_t fragmentCount = sizeof(kFragments) / sizeof(kFragments[0]);
    for (int body = 0; body < 1500; ++body) {
        std::string text;
        const int pieces = static_cast<int>(random() % 150);
        for (int i = 0; i < pieces; ++i) text += kFragments[random() % fragmentCount];
        const std::string pre = PreProcessHtml(text, true, cp);
        engine.SetMaxWidth(static_cast<int>(random() % 3) * 60);
        const HtmlSize size = engine.Measure(pre);
        ASSERT_GE(size.width, 0) << text;
        ASSERT_GE(size.height, 0) << text;
        const std::size_t lines = engine.Lines().size();
        engine.Draw(pre, HtmlRect{0, 0, static_cast<int>(random() % 400), 400});
        engine.AnimationStep();
        ASSERT_EQ(lines, engine.Lines().size());
    }
}

TEST(HtmlRobustness, DeepAndLargeTablesStayBounded) {
    test::FakeMetrics metrics;
    const CodePage cp = CodePage::Korean();
    HtmlStyleSheet sheet(metrics, cp);
    CHtmlScanner scanner(sheet, nullptr);
    test::FakeCanvas canvas;
    HtmlLayoutEngine engine(scanner, sheet, canvas);
    std::string nested;
    for (int i = 0; i < 100; ++i) nested += "<table><tr><td>x";
    for (int i = 0; i < 100; ++i) nested += "</td></tr></table>";
    HtmlSize size = engine.Measure(nested);
    EXPECT_GT(size.width, 0);
    engine.Draw(nested, HtmlRect{0, 0, 300, 300});

    std::string wide = "<table><tr>";
    for (int i = 0; i < 2000; ++i) wide += "<td colspan=100000>c</td>";
    wide += "</tr><tr><td rowspan=100000>r</td></tr></table>";
    size = engine.Measure(wide);
    EXPECT_GT(size.width, 0);
    EXPECT_LT(size.width, 1 << 28);
}

TEST(HtmlRobustness, MegabyteBodiesOfOneFragment) {
    test::FakeMetrics metrics;
    const CodePage cp = CodePage::Korean();
    HtmlStyleSheet sheet(metrics, cp);
    CHtmlScanner scanner(sheet, nullptr);
    const std::size_t megabyte = 1 << 20;
    struct Case {
        const char* label;
        std::string fragment;
        std::size_t minTextBytes;
    } cases[] = {
        {"<", "<", megabyte / 2},
        {"<b>", "<b>", 0},
        {"</b>", "</b>", 0},
        {"lead byte before <", "\xB0<", 0},
        {"<table", "<table", 0},
        {"&lt;", "&lt;", megabyte / 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string body;
        while (body.size() < megabyte) body += c.fragment;
        CountingSink sink;
        scanner.ScanBody(PreProcessHtml(body, true), sink);
        EXPECT_GE(sink.textBytes, c.minTextBytes);
    }
}

}  // namespace
}  // namespace fh
