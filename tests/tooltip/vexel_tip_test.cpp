#include "tooltip/vexel_tip.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

#include "support/tip_input.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::TipInput;

// What the owner heard of TIPN_DISPLAY, and what it answers.
struct DisplaySpy {
    int calls = 0;
    NMHDR hdr{};
    HWND tool = nullptr;
    bool answer = false;
    std::string text;
    POINT pt{};
};

LRESULT CALLBACK OwnerProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TIPN_DISPLAY) {
        auto* spy = reinterpret_cast<DisplaySpy*>(data);
        auto* info = reinterpret_cast<TipDisplayInfo*>(lParam);
        ++spy->calls;
        spy->hdr = info->hdr;
        spy->tool = info->hwndTool;
        if (spy->answer) {
            info->ti->text = spy->text;
            *info->pt = spy->pt;
        }
        return 0;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

// The GDI objects of this process. Wine answers 0 to GetGuiResources but
// keeps the handle table where Windows does, in the process environment
// block, with 24-byte entries whose type byte is at offset 14.
DWORD GdiObjectCount() {
    if (DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return count;
    using GetPeb = void*(WINAPI*)();
    const auto getPeb = reinterpret_cast<GetPeb>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetCurrentPeb")));
    if (!getPeb) return 0;
    const auto* peb = static_cast<const unsigned char*>(getPeb());
    const auto* table = *reinterpret_cast<const unsigned char* const*>(peb + (sizeof(void*) == 8 ? 0xF8 : 0x94));
    DWORD count = 0;
    if (table) {
        for (std::size_t i = 0; i < 0x10000; ++i) count += table[i * 24 + 14] != 0;
    }
    return count;
}

class VexelTipTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPlainClass("FlickholdTipOwner", 0, nullptr, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        owner = ::CreateWindowExA(0, "FlickholdTipOwner", "", WS_POPUP | WS_VISIBLE, kLeft, kTop, 500, 400, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SetWindowSubclass(owner, OwnerProc, 1, reinterpret_cast<DWORD_PTR>(&spy));
        button = Child("BUTTON", WS_CHILD | WS_VISIBLE, 20, 120, 120, 30);
        disabled = Child("BUTTON", WS_CHILD | WS_VISIBLE | WS_DISABLED, 20, 170, 120, 30);
        combo = Child("COMBOBOX", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 20, 220, 150, 200);
        bare = Child("BUTTON", WS_CHILD | WS_VISIBLE, 20, 270, 120, 30);
        tip.UseInput(&input, &input);
        ASSERT_TRUE(tip.CreateTip(owner, true));
        ::UpdateWindow(owner);
    }
    void TearDown() override {
        tip.Destroy();
        ::DestroyWindow(owner);
    }

    HWND Child(const char* cls, DWORD style, int x, int y, int w, int h) {
        return ::CreateWindowExA(0, cls, "x", style, x, y, w, h, owner, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    static POINT Centre(HWND wnd, int dx = 0) {
        RECT r;
        ::GetWindowRect(wnd, &r);
        return POINT{(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2};
    }
    void Relay(UINT msg, POINT screen, HWND target = nullptr) {
        input.cursor = screen;
        MSG m{target ? target : owner, msg, 0, 0, 0, screen};
        tip.RelayMessage(m);
    }
    void Move(POINT screen, HWND target = nullptr) { Relay(WM_MOUSEMOVE, screen, target); }
    void Fire(UINT_PTR id) { ::SendMessageA(tip.Handle(), WM_TIMER, id, 0); }
    // The mouse rests on the point until the show timer fires; the tip paints.
    void Rest(POINT screen) {
        Move(screen);
        if (input.Running(TIMER_SHOW)) Fire(TIMER_SHOW);
        ::UpdateWindow(tip.Handle());
    }
    bool Shown() const { return ::IsWindowVisible(tip.Handle()) != FALSE; }
    RECT TipRect() const {
        RECT r;
        ::GetWindowRect(tip.Handle(), &r);
        return r;
    }

    static constexpr int kLeft = 200, kTop = 150;
    DisplaySpy spy;
    TipInput input;
    CVexelTip tip;
    HWND owner = nullptr, button = nullptr, disabled = nullptr, combo = nullptr, bare = nullptr;
};

TEST_F(VexelTipTest, RestingShowsTheToolAndBehaviourZeroHidesOnTheNextMove) {
    char className[32] = "";
    ::GetClassNameA(tip.Handle(), className, sizeof className);
    EXPECT_STREQ("CVexelTip", className);
    EXPECT_EQ(0u, ::GetClassLongPtrA(tip.Handle(), GCLP_HBRBACKGROUND));
    EXPECT_EQ(100u, input.timers.at(TIMER_ANIMATION));
    tip.AddToolText(button, "<b>Save</b> the movie", nullptr, 7);

    Move(Centre(button));
    EXPECT_EQ(500u, input.timers.at(TIMER_SHOW));
    input.timers.erase(TIMER_SHOW);
    Move(Centre(button));  // zero pixels: nothing, not even the timer
    EXPECT_FALSE(input.Running(TIMER_SHOW));
    Move(Centre(button, 3));  // a move before the delay restarts it
    EXPECT_TRUE(input.Running(TIMER_SHOW));
    input.cursor = Centre(button, 5);  // the mouse went on: the show is dropped
    Fire(TIMER_SHOW);
    EXPECT_FALSE(Shown());

    const POINT p = Centre(button, 5);
    Rest(p);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(2, tip.Machine().State());
    EXPECT_EQ(7u, tip.Machine().CurrentTool().id);
    EXPECT_EQ(5000u, input.timers.at(TIMER_HIDE));
    // The balloon points at P from above (direction 16) and its window holds
    // the shadow: 6 pixels wider and higher than the balloon.
    const RECT r = TipRect();
    EXPECT_EQ(16, tip.FinalDirection());
    EXPECT_EQ(p.x - 16, r.left);
    EXPECT_EQ(p.y + 6, r.bottom);
    EXPECT_EQ(tip.TextRect().Width() + 24 + 6, r.right - r.left);
    EXPECT_EQ(tip.TextRect().Height() + 24 + 16 + 6, r.bottom - r.top);
    EXPECT_GT(tip.TextRect().Width(), 20);

    Move(Centre(button, 6));
    EXPECT_FALSE(Shown());
    EXPECT_EQ(0, tip.Machine().State());
    Move(Centre(button, 7));  // the same tool shows again only after leaving it
    EXPECT_FALSE(input.Running(TIMER_SHOW));
    Move(Centre(bare));
    Move(Centre(button));
    EXPECT_TRUE(input.Running(TIMER_SHOW));
}

TEST_F(VexelTipTest, ComboEditDisabledControlsAndWindowsWithoutTools) {
    tip.AddToolText(combo, "combo", nullptr, 1);
    tip.AddToolText(disabled, "disabled", nullptr, 2);
    tip.AddToolText(button, "button", nullptr, 3);
    HWND edit = ::GetWindow(combo, GW_CHILD);
    ASSERT_NE(nullptr, edit);

    Rest(Centre(edit));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(reinterpret_cast<TipWindow>(combo), tip.Machine().CurrentWindow());
    EXPECT_EQ("combo", tip.Machine().CurrentTool().text);

    for (HWND none : {disabled, bare}) {
        Rest(Centre(button));
        Move(Centre(none));
        EXPECT_FALSE(Shown());
        EXPECT_FALSE(input.Running(TIMER_SHOW));
        EXPECT_EQ(0u, tip.Machine().CurrentWindow());
    }
    const CVexelTip::FoundTool loose = tip.FindToolWindow(POINT{60, 285}, false);
    EXPECT_EQ(bare, loose.window);
    EXPECT_FALSE(loose.hasTool);
}

TEST_F(VexelTipTest, KeysWheelAndClicksHideAtOnceEvenWithFades) {
    tip.SetDelay(4, 30);
    tip.SetDelay(5, 40);
    tip.AddToolText(button, "button", nullptr, 0);
    for (UINT msg : {WM_KEYDOWN, WM_MOUSEWHEEL, WM_RBUTTONDOWN, WM_NCLBUTTONDOWN, WM_SYSKEYDOWN}) {
        SCOPED_TRACE(msg);
        Move(Centre(bare));  // leave, so the tool can show again
        Rest(Centre(button, static_cast<int>(msg % 5)));
        ASSERT_EQ(1, tip.Machine().State());
        for (int i = 0; i < 5; ++i) Fire(TIMER_FADE_IN);
        EXPECT_EQ(2, tip.Machine().State());
        Relay(WM_LBUTTONUP, input.cursor);  // button-up messages do nothing
        EXPECT_TRUE(Shown());
        Relay(msg, input.cursor);
        EXPECT_FALSE(Shown());
        EXPECT_EQ(0, tip.Machine().State());
        EXPECT_FALSE(input.Running(TIMER_FADE_OUT));
    }
    // The timed hide fades out in five steps.
    Move(Centre(bare));
    Rest(Centre(button));
    for (int i = 0; i < 5; ++i) Fire(TIMER_FADE_IN);
    Fire(TIMER_HIDE);
    EXPECT_EQ(3, tip.Machine().State());
    for (int i = 0; i < 4; ++i) Fire(TIMER_FADE_OUT);
    EXPECT_TRUE(Shown());
    Fire(TIMER_FADE_OUT);
    EXPECT_FALSE(Shown());
    // Switching to another application hides the tip.
    Move(Centre(bare));
    tip.SetDelay(4, 0);
    Rest(Centre(button));
    ASSERT_TRUE(Shown());
    ::SendMessageA(tip.Handle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(Shown());
}

TEST_F(VexelTipTest, OverTheTipKeepsItWith0x08AndALinkClickRunsThenHides) {
    tip.SetDefaultBehaviour(TIP_BEHAVIOUR_KEEP_OVER_TIP);
    tip.AddToolText(button, "see <a href=\"http://example.org/\">the site</a> now", nullptr, 0);
    std::vector<std::string> opened;
    tip.Renderer().shellOpen = [&](const std::string& target) {
        opened.push_back(target);
        return true;
    };
    Rest(Centre(button));
    ASSERT_TRUE(Shown());
    ASSERT_EQ(1u, tip.Renderer().HotAreas().size());
    const HtmlRect link = tip.Renderer().HotAreas()[0].rect;
    POINT onLink{(link.left + link.right) / 2, (link.top + link.bottom) / 2};
    ::ClientToScreen(tip.Handle(), &onLink);
    input.timers.erase(TIMER_HIDE);
    Move(onLink, tip.Handle());
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(input.Running(TIMER_HIDE));
    Relay(WM_LBUTTONDOWN, onLink, tip.Handle());
    EXPECT_EQ(std::vector<std::string>{"http://example.org/"}, opened);
    EXPECT_FALSE(Shown());

    // Without 0x08 the mouse on the tip hides it.
    tip.SetDefaultBehaviour(0);
    Move(Centre(bare));
    Rest(Centre(button, 2));
    ASSERT_TRUE(Shown());
    Move(onLink, tip.Handle());
    EXPECT_FALSE(Shown());
}

TEST_F(VexelTipTest, TheOwnerMayChangeTextAndPointInTheDisplayNotification) {
    tip.SetNotifyParent(true);
    tip.AddToolText(button, "button", nullptr, 0);
    spy.answer = true;
    spy.pt = POINT{kLeft + 300, kTop + 200};
    spy.text = "moved";
    Rest(Centre(button));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(1, spy.calls);
    EXPECT_EQ(tip.Handle(), spy.hdr.hwndFrom);
    EXPECT_EQ(0u, spy.hdr.idFrom);
    EXPECT_EQ(TIPN_DISPLAY, spy.hdr.code);
    EXPECT_EQ(button, spy.tool);
    EXPECT_EQ("moved", tip.Machine().CurrentTool().text);
    EXPECT_EQ(spy.pt.x - 16, TipRect().left);

    spy.text.clear();  // emptied by the owner: nothing shows
    Move(Centre(bare));
    Rest(Centre(button));
    EXPECT_EQ(2, spy.calls);
    EXPECT_FALSE(Shown());
}

TEST_F(VexelTipTest, TheBalloonIsPaintedOverItsShadow) {
    tip.AddToolText(button, "Shadow test", nullptr, 0);
    Rest(Centre(button));
    ASSERT_TRUE(Shown());
    const RECT r = TipRect();
    HDC screen = ::GetDC(nullptr);
    const COLORREF body = ::GetPixel(screen, r.left + 6, r.top + 6);
    // Right of the balloon, within the shadow of its body.
    const int y = (r.top + r.bottom - 10) / 2;
    const COLORREF shadow = ::GetPixel(screen, r.right - 3, y);
    const COLORREF outside = ::GetPixel(screen, r.right + 3, y);
    ::ReleaseDC(nullptr, screen);
    const COLORREF info = ::GetSysColor(COLOR_INFOBK);
    EXPECT_NEAR(GetRValue(info), GetRValue(body), 16);
    EXPECT_NEAR(GetBValue(info), GetBValue(body), 16);
    EXPECT_EQ(RGB(255, 255, 255), outside);
    EXPECT_LT(GetRValue(shadow), 235);
    EXPECT_GT(GetRValue(shadow), 100);
    // The window region is the balloon and its shadow, not the whole rectangle.
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, ::GetWindowRgn(tip.Handle(), region.Get()));
    EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(region.Get(), r.right - r.left - 3, y - r.top));
}

TEST_F(VexelTipTest, HarshInputEndsSafely) {
    // 1 000 tools on one window: the first rectangle holding the point wins,
    // an equal rectangle replaces its tool.
    for (int i = 0; i < 1000; ++i) {
        const RECT r{(i % 40) * 3, (i / 40) % 10, (i % 40) * 3 + 3, (i / 40) % 10 + 1};
        tip.AddToolText(button, "tool " + std::to_string(i), &r, static_cast<std::uint32_t>(i));
    }
    EXPECT_EQ(400u, tip.ToolCount(button));
    POINT at{7, 2};
    ::ClientToScreen(button, &at);
    ASSERT_NE(nullptr, tip.FindTool(button, at));
    EXPECT_EQ(882u, tip.FindTool(button, at)->id);

    // A body far wider than the screen gives a tip the screen can hold.
    tip.AddToolText(bare, std::string(4000, 'W'), nullptr, 0);
    Rest(Centre(bare));
    ASSERT_TRUE(Shown());
    const RECT r = TipRect();
    EXPECT_LE(r.right - r.left, ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_GE(r.left, ::GetSystemMetrics(SM_XVIRTUALSCREEN));

    // An empty body shows nothing; a tool window destroyed under its tip.
    tip.AddToolText(disabled, "", nullptr, 0);
    ::EnableWindow(disabled, TRUE);
    Move(Centre(button));
    Rest(Centre(disabled));
    EXPECT_FALSE(Shown());
    HWND doomed = Child("BUTTON", WS_CHILD | WS_VISIBLE, 300, 20, 100, 30);
    tip.AddToolText(doomed, "doomed", nullptr, 0);
    Rest(Centre(doomed));
    ASSERT_TRUE(Shown());
    const POINT where = Centre(doomed, 4);
    ::DestroyWindow(doomed);
    Move(where);
    EXPECT_FALSE(Shown());

    // At the corners of the screen the tip stays on it.
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN), top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int right = left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), bottom = top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    TipToolInfo tool;
    tool.text = "corner";
    for (POINT corner : {POINT{left, top}, POINT{right - 1, top}, POINT{left, bottom - 1}, POINT{right - 1, bottom - 1}}) {
        SCOPED_TRACE(std::to_string(corner.x) + "," + std::to_string(corner.y));
        Move(corner);
        tip.ScheduleShow(button, tool, false);
        ASSERT_TRUE(Shown());
        const RECT c = TipRect();
        EXPECT_GE(c.left, left);
        EXPECT_GE(c.top, top);
        EXPECT_LE(c.right - 6, right);
        EXPECT_LE(c.bottom - 6, bottom);
        tip.HideNow();
    }
}

TEST_F(VexelTipTest, ShowingAndHidingLeaksNoGdiObject) {
    TipToolInfo tool;
    tool.text = "<b>x</b> y";
    Move(Centre(button));
    // Through the window: region, move, paint, fade step, hide. The window
    // manager's part costs milliseconds under Wine, so most rounds below lay
    // out and compose (every object a display makes) without it.
    auto show = [&] {
        tip.ScheduleShow(button, tool, false);
        ::UpdateWindow(tip.Handle());
        ::SendMessageA(tip.Handle(), TIPM_REPAINT, 0, 0);
        tip.HideNow();
    };
    for (int i = 0; i < 20; ++i) show();  // caches and the first allocations settle
    const DWORD before = GdiObjectCount();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 300; ++i) show();
    POINT pos{};
    for (int i = 0; i < 10000; ++i) {
        ASSERT_TRUE(tip.LayOut(tool, input.cursor, pos));
        tip.Compose(nullptr, i % 100);
    }
    EXPECT_EQ(before, GdiObjectCount());
}

}  // namespace
}  // namespace fh
