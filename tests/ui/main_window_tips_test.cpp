#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/flickhold_app.h"
#include "html/html_markup.h"
#include "support/registry_fixture.h"
#include "support/test_dlg.h"
#include "win/handles.h"
#include "support/tip_input.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::TipInput;

// Saves the screen as a 24-bit bitmap file, for looking at the tips.
void SaveScreen(const char* path) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    WindowDC screen(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap section(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueDC memory(::CreateCompatibleDC(screen.Get()));
    if (!section || !memory || !bits) return;
    {
        ScopedSelect select(memory.Get(), section.Get());
        ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY);
    }
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u, size = stride * static_cast<DWORD>(height);
    const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPFILEHEADER file{0x4D42, headers + size, 0, 0, headers};
    if (FILE* f = std::fopen(path, "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
        std::fwrite(bits, 1, size, f);
        std::fclose(f);
    }
}

class MainWindowTipsTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CFlickholdApp::EnsureSettingsKey();
    }
    std::unique_ptr<test::TestDlg> Open(const SwfEntryList& entries = {}) {
        auto dlg = std::make_unique<test::TestDlg>("", SystemClock());
        dlg->nextEntries = entries;
        EXPECT_TRUE(dlg->Create(nullptr));
        ::SetWindowPos(dlg->Handle(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        ::UpdateWindow(dlg->Handle());
        for (CVexelTip* tip : {&dlg->ControlTips(), &dlg->ListTips()}) tip->UseInput(&input, &input);
        return dlg;
    }
    // The mouse comes to rest at the point: the window relays the move to
    // both tips, and the show timer of the tip fires.
    void Rest(test::TestDlg& dlg, CVexelTip& tip, HWND over, POINT screen) {
        input.cursor = screen;
        MSG move{over, WM_MOUSEMOVE, 0, 0, 0, screen};
        dlg.PreTranslateMessage(&move);
        ::SendMessageA(tip.Handle(), WM_TIMER, TIMER_SHOW, 0);
        ::UpdateWindow(tip.Handle());
    }
    static RECT ScreenRect(HWND wnd) {
        RECT r;
        ::GetWindowRect(wnd, &r);
        return r;
    }

    TipInput input;
};

TEST_F(MainWindowTipsTest, EveryControlHasItsTipAndTheListHasARowTip) {
    auto dlg = Open();
    CVexelTip& controls = dlg->ControlTips();
    const struct {
        int control;
        UINT text;
    } tools[] = {{IDC_SOURCE_COMBO, 155}, {IDC_VIEW_FOLDER, 156}, {IDC_CHOOSE_FOLDER, 157}, {IDC_SITE_COMBO, 158},
                 {IDC_DATE_COMBO, 159},   {IDC_CHOOSE_DATE, 160}, {IDC_REFRESH, 161},       {IDC_DELETE, 162},
                 {IDC_PREVIEW, 163},      {IDC_SAVE, 164},        {IDC_SAVE_AS, 165},       {IDC_SAVE_ALL, 166},
                 {IDC_CHOOSE_SAVE_FOLDER, 167}, {IDC_OPEN_SAVE_FOLDER, 168}};
    for (const auto& t : tools) {
        SCOPED_TRACE(t.control);
        HWND item = dlg->Item(t.control);
        ASSERT_EQ(1u, controls.ToolCount(item));
        RECT r = ScreenRect(item);
        const TipToolInfo* tool = controls.FindTool(item, POINT{r.left + 1, r.top + 1});
        ASSERT_NE(nullptr, tool);
        EXPECT_EQ(LoadResString(t.text), tool->text);
    }
    EXPECT_EQ(1000u, controls.Machine().settings.initialDelay);
    EXPECT_EQ(30000u, controls.Machine().settings.autoPop);
    EXPECT_EQ(16, controls.Geometry().anchorHeight);

    CVexelTip& list = dlg->ListTips();
    EXPECT_EQ(1u, list.ToolCount(dlg->List().Handle()));
    EXPECT_EQ(1000u, list.Machine().settings.initialDelay);
    EXPECT_EQ(5000u, list.Machine().settings.autoPop);
    EXPECT_EQ(TIP_BEHAVIOUR_MULTIPLE_SHOW, list.Machine().defaults.behaviour);
    EXPECT_EQ(0, list.Geometry().anchorHeight);
}

TEST_F(MainWindowTipsTest, RestingOnAButtonShowsItsBalloonAboveIt) {
    auto dlg = Open();
    HWND refresh = dlg->Item(IDC_REFRESH);
    const RECT button = ScreenRect(refresh);
    const POINT p{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    CVexelTip& tip = dlg->ControlTips();
    Rest(*dlg, tip, refresh, p);
    ASSERT_TRUE(::IsWindowVisible(tip.Handle()));
    EXPECT_EQ(LoadResString(IDS_TIP_REFRESH), tip.Machine().CurrentTool().text);
    EXPECT_FALSE(::IsWindowVisible(dlg->ListTips().Handle()));
    // The balloon's anchor lies on the resting point.
    const RECT r = ScreenRect(tip.Handle());
    EXPECT_EQ(16, tip.FinalDirection());
    EXPECT_EQ(p.x - 16, r.left);
    EXPECT_EQ(p.y + 6, r.bottom);
    SaveScreen("tip-over-button.bmp");

    // The first move on the same button hides it; a key press hides at once.
    input.cursor = POINT{p.x + 2, p.y};
    MSG move{refresh, WM_MOUSEMOVE, 0, 0, 0, input.cursor};
    dlg->PreTranslateMessage(&move);
    EXPECT_FALSE(::IsWindowVisible(tip.Handle()));
}

TEST_F(MainWindowTipsTest, TheListTipShowsTheRowTextOverTheRowAndNeverRunsIt) {
    SwfEntryList entries;
    const std::string names[] = {
        "a_very_long_movie_name_from_a_cache_that_the_narrow_list_cuts_off_at_its_edge",
        "<a href=\"calc.exe\">run</a> <bmp src=\"c:\\x.bmp\"> &amp;lt; & <b>",
    };
    for (int i = 0; i < 2; ++i) {
        SwfEntry e;
        e.id = i + 1;
        e.name = names[i];
        e.path = "C:\\cache\\movie" + std::to_string(i) + ".swf";
        e.site = "example.com";
        entries.push_back(e);
    }
    auto dlg = Open(entries);
    HWND list = dlg->List().Handle();
    CVexelTip& tip = dlg->ListTips();
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        RECT cell{LVIR_BOUNDS, 0, 0, 0};
        ASSERT_TRUE(::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)));
        POINT at{cell.left + 30, (cell.top + cell.bottom) / 2};
        ::ClientToScreen(list, &at);
        POINT corner{cell.left, cell.bottom};
        ::ClientToScreen(list, &corner);
        Rest(*dlg, tip, list, at);
        ASSERT_TRUE(::IsWindowVisible(tip.Handle()));
        const std::string text = dlg->List().GetItemText(row, 0);
        EXPECT_EQ(EscapeHtmlText(text, SystemCodePage()), tip.Machine().CurrentTool().text);
        EXPECT_TRUE(tip.Renderer().HotAreas().empty());
        // Laid over the row: its lower-left corner one pixel past the cell's.
        const RECT r = ScreenRect(tip.Handle());
        EXPECT_EQ(corner.x + 1, r.left);
        EXPECT_EQ(corner.y + 1 + 6, r.bottom);
        if (row == 0) SaveScreen("tip-over-list-row.bmp");
        // The tip lies under the mouse: a move hides it, the next one
        // schedules the row's tip again.
        for (int dx : {3, 4}) {
            input.cursor = POINT{at.x + dx, at.y};
            MSG move{list, WM_MOUSEMOVE, 0, 0, 0, input.cursor};
            dlg->PreTranslateMessage(&move);
        }
        EXPECT_FALSE(::IsWindowVisible(tip.Handle()));
        EXPECT_EQ(1u, input.timers.count(TIMER_SHOW));
    }
}

}  // namespace
}  // namespace fh
