// The renderer on GDI: pixels of rules, backgrounds, tables and pictures
// (never of glyphs), and hover and click on links driven with messages.

#include "html/html_renderer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "settings/settings_store.h"
#include "support/canvas.h"
#include "support/temp_folder.h"
#include "win/window.h"

namespace fh {
namespace {

using test::Canvas;
using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;

// A 24-bit BMP file of the picture the function paints.
std::string BmpFile(const test::TempFolder& tmp, const std::string& name, int width, int height,
                    const std::function<COLORREF(int x, int y)>& colour) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string bytes(54 + static_cast<size_t>(stride) * height, '\0');
    auto put = [&](size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<std::uint32_t>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, height - 1 - y);
            const size_t at = 54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
            bytes[at] = static_cast<char>(GetBValue(c));
            bytes[at + 1] = static_cast<char>(GetGValue(c));
            bytes[at + 2] = static_cast<char>(GetRValue(c));
        }
    return tmp.WriteFile(name, bytes);
}

class RendererTest : public ::testing::Test {
protected:
    // Measures the body and draws it at the origin of a white canvas.
    void Render(const std::string& body, int width = 200, int height = 100) {
        canvas = std::make_unique<Canvas>(width, height);
        size = renderer.Measure(canvas->DC(), body);
        renderer.Draw(canvas->DC(), RECT{0, 0, width, height});
    }
    CHtmlRenderer renderer;
    std::unique_ptr<Canvas> canvas;
    SIZE size{};
    test::TempFolder tmp;
};

TEST_F(RendererTest, RulesBackgroundsAndTables) {
    Render("<hr size=3 color=#FF0000>", 100);
    EXPECT_EQ(kRed, canvas->At(50, size.cy / 2));
    EXPECT_EQ(kWhite, canvas->At(50, size.cy - 1));
    EXPECT_EQ(0, renderer.Measure(canvas->DC(), "").cx);

    // An opaque background fills the text cell (below the x, no glyph).
    Render("<font bkgnd=#00FF00>xx</font>");
    EXPECT_EQ(kGreen, canvas->At(1, size.cy - 2));

    Render("<table border=1 bordercolor=#0000FF cellpadding=4><tr><td bgcolor=#00FF00 border=0>x</td></tr></table>");
    EXPECT_EQ(kBlue, canvas->At(0, 5));              // the table's frame
    EXPECT_EQ(kGreen, canvas->At(2, 2));             // the cell's background, inside the frame
    EXPECT_EQ(kGreen, canvas->At(150, 5));        // columns stretched to the rectangle
    EXPECT_EQ(kWhite, canvas->At(5, size.cy + 5));  // nothing below the table
}

TEST_F(RendererTest, PicturesScaledStripsAndSilhouettes) {
    const std::string pic = BmpFile(tmp, "pic.bmp", 40, 20, [](int, int) { return kRed; });
    Render("<bmp file=\"" + pic + "\" width=50%>");
    EXPECT_EQ(21, size.cx);
    EXPECT_EQ(11, size.cy);
    EXPECT_EQ(kRed, canvas->At(19, 9));
    EXPECT_EQ(kWhite, canvas->At(21, 5));

    const COLORREF cells[] = {kRed, kGreen, kBlue, RGB(255, 255, 0)};
    const std::string strip = BmpFile(tmp, "strip.bmp", 64, 16, [&](int x, int) { return cells[x / 16]; });
    Render("<ilst file=\"" + strip + "\" cx=16 index=3>");
    EXPECT_EQ(RGB(255, 255, 0), canvas->At(8, 8));
    Render("<ilst file=\"" + strip + "\" cx=16 index=4>x");
    EXPECT_NE(RGB(255, 255, 0), canvas->At(8, 8));

    // A table's background picture is tiled from its top-left corner.
    const std::string tile = BmpFile(tmp, "tile.bmp", 4, 4, [](int x, int y) { return (x + y) % 2 ? kBlue : kGreen; });
    Render("<table cellpadding=6 background=\"file:" + tile + "\"><tr><td> </td></tr></table>");
    EXPECT_EQ(kGreen, canvas->At(4, 4));
    EXPECT_EQ(kBlue, canvas->At(5, 4));
    EXPECT_EQ(kBlue, canvas->At(2, 1));

    renderer.SetColorsEnabled(false);
    Render("<bmp file=\"" + pic + "\">");
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), canvas->At(10, 10));
}

TEST_F(RendererTest, HandlesMustBeOfTheirKind) {
    Render("<bmp handle=12345>x<icon handle=777>");
    SIZE plain = renderer.Measure(canvas->DC(), "x");
    EXPECT_EQ(plain.cx, size.cx);  // neither number took room
    Canvas source(6, 6, kBlue);
    const auto handle = reinterpret_cast<std::uintptr_t>(source.Bitmap());
    Render("<bmp handle=" + std::to_string(handle) + ">");
    EXPECT_EQ(7, size.cx);
    EXPECT_EQ(kBlue, canvas->At(3, 3));
}

// Records the hover notifications and link messages the renderer sends.
class Listener : public WindowImpl<Listener> {
public:
    static const std::vector<DispatchEntry<Listener>>& DispatchTable() {
        static const std::vector<DispatchEntry<Listener>> table = {
            OnMessage<Listener>(0x465, &Listener::OnHover),
            OnMessage<Listener>(WM_APP, &Listener::OnLink),
        };
        return table;
    }
    std::vector<int> hovers;
    std::vector<std::string> links;

private:
    MsgResult OnHover(WPARAM wParam, LPARAM) {
        hovers.push_back(static_cast<int>(wParam));
        return Handled(0);
    }
    MsgResult OnLink(WPARAM wParam, LPARAM) {
        links.push_back(reinterpret_cast<const char*>(wParam));
        return Handled(0);
    }
};

TEST_F(RendererTest, HoverAndClickOnLinks) {
    ASSERT_TRUE(RegisterPlainClass("FlickholdListener", 0, nullptr, nullptr));
    Listener listener;
    ASSERT_TRUE(listener.Create(0, "FlickholdListener", "", WS_POPUP, RECT{0, 0, 10, 10}, nullptr));
    renderer.SetHoverNotification(listener.Handle(), 0x465, 0);
    renderer.SetLinkMessage(listener.Handle(), WM_APP, 0);
    Render("<a msg=hello>link</a> <a>none</a>");
    ASSERT_EQ(2u, renderer.HotAreas().size());
    const HotArea link = renderer.HotAreas()[0];
    const POINT inside{link.rect.left + 2, link.rect.top + 2};
    EXPECT_TRUE(renderer.HotAreaAt(inside));
    EXPECT_TRUE(renderer.HotAreaAt(POINT{inside.x + 1, inside.y}));  // moving within: no second notification
    EXPECT_FALSE(renderer.HotAreaAt(POINT{link.rect.right + 200, inside.y}));
    EXPECT_EQ((std::vector<int>{0, -2}), listener.hovers);
    EXPECT_NE(nullptr, renderer.HandCursor());

    renderer.ClickAt(inside);
    EXPECT_EQ(std::vector<std::string>{"hello"}, listener.links);
    const HotArea empty = renderer.HotAreas()[1];
    renderer.ClickAt(POINT{empty.rect.left + 1, empty.rect.top + 1});  // a link without a target does nothing
    EXPECT_EQ(1u, listener.links.size());
}

TEST_F(RendererTest, ShellLinksFallBackToTheHtmHandlerQuoted) {
    EXPECT_EQ("\"C:\\web.exe\" \"http://x/a b\"", LinkFallbackCommand("\"C:\\web.exe\" \"%1\"", "http://x/a b"));
    EXPECT_EQ("web.exe -nohome \"t\"", LinkFallbackCommand("web.exe -nohome %1 -x", "t"));
    EXPECT_EQ("web.exe \"t\"", LinkFallbackCommand("web.exe", "t"));
    EXPECT_EQ("", LinkFallbackCommand("web.exe %1", "a\" & calc"));

    std::vector<std::string> opened, commands;
    renderer.shellOpen = [&](const std::string& target) {
        opened.push_back(target);
        return false;
    };
    renderer.runCommand = [&](const std::string& command) { commands.push_back(command); };
    Render("<a href=\"http://example.com/a b\">web</a>");
    renderer.ClickAt(POINT{renderer.HotAreas()[0].rect.left + 1, renderer.HotAreas()[0].rect.top + 1});
    EXPECT_EQ(std::vector<std::string>{"http://example.com/a b"}, opened);
    char handler[MAX_PATH] = "";
    if (ReadDefaultRegValue(HKEY_CLASSES_ROOT, ".htm", handler) == 0 && handler[0]) {
        ASSERT_EQ(1u, commands.size());
        const std::string& command = commands[0];
        EXPECT_EQ(std::string::npos, command.find("%1"));
        EXPECT_EQ("\"http://example.com/a b\"", command.substr(command.size() - 23));
    }
}

}  // namespace
}  // namespace fh
