#include "html/html_canvas.h"

#include <gtest/gtest.h>

#include "html/html_markup.h"
#include "res/resource.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {
namespace {

TEST(HtmlCanvas, MetricsComeFromTheDeviceAndTheSystem) {
    UniqueDC dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    UniqueFont font(::CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    ScopedSelect select(dc.Get(), font.Get());
    GdiHtmlMetrics metrics(dc.Get());
    EXPECT_EQ(::GetDeviceCaps(dc.Get(), LOGPIXELSY), metrics.PixelsPerInchY());
    TEXTMETRICA tm;
    ::GetTextMetricsA(dc.Get(), &tm);
    EXPECT_EQ(tm.tmHeight, metrics.TextHeight());
    EXPECT_GT(metrics.XHeight(), 0);
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), metrics.SystemColor(COLOR_BTNSHADOW));
    EXPECT_EQ(0u, metrics.SystemColor(99));

    HtmlStyleSheet sheet(metrics, SystemCodePage());
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), sheet.DisabledColor());
    EXPECT_EQ(::GetSysColor(COLOR_INFOBK), sheet.ReadColor("infobackground", 1));
    EXPECT_EQ(2 * tm.tmHeight, sheet.ReadLength("2em", 0, false));
    EXPECT_EQ(10 * ::GetDeviceCaps(dc.Get(), LOGPIXELSY) / 72, sheet.ReadLength("10pt", 0, false));
}

TEST(HtmlCanvas, StringTagReadsTheProgramsStringTable) {
    UniqueDC dc(::CreateCompatibleDC(nullptr));
    GdiHtmlMetrics metrics(dc.Get());
    HtmlStyleSheet sheet(metrics, SystemCodePage());
    CHtmlScanner scanner(sheet, [](unsigned id) { return LoadResString(id); });
    struct Sink : HtmlEventSink {
        std::string text;
        void OnText(std::string_view, const HtmlStyle&) override {}
        void OnString(std::string_view s, const HtmlStyle&) override { text += s; }
    } sink;
    scanner.ScanBody(PreProcessHtml("<string idres=144>", true), sink);
    EXPECT_EQ(LoadResString(IDS_BYTES), sink.text);
}

// The tests run with code page 949: the copyright sign becomes the two
// bytes of its best fit there (a circled c); the bullet, which has none, a
// question mark.
TEST(HtmlCanvas, EntitiesTakeTheSystemCodePage) {
    ASSERT_EQ(949u, ::GetACP());
    const HtmlEntityTable table = SystemEntityTable();
    std::string copyright;
    for (const auto& e : table.Entries()) {
        if (e.first == "&copy;") copyright = e.second;
        if (e.first == "&bull;") {
            EXPECT_EQ("?", e.second);
        }
        if (e.first == "&amp;") {
            EXPECT_EQ("&", e.second);
        }
    }
    EXPECT_EQ("\xA8\xCF", copyright);
    const std::string body = PreProcessHtml("&copy;<b>x</b>", true, SystemCodePage(), table);
    EXPECT_EQ("\xA8\xCF<b>x</b>", body);
}

}  // namespace
}  // namespace fh
