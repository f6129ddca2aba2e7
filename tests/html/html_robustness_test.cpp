// Any byte string is a valid body: random bodies built from markup fragments
// must scan without crashing, reading outside the text or hanging. The host
// build runs this under AddressSanitizer and UndefinedBehaviorSanitizer.

#include <gtest/gtest.h>

#include <random>

#include "html/html_markup.h"
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
    "<BODY>", "</body>", "<big>", "<small>", "&nbsp;", "&euro;",
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
