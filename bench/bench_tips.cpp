// Benchmarks of the tooltip window: from the show timer to the composed tip
// on the screen for the longest tooltip text, one fade step (which only
// composes), and a whole show and hide.

#include <windows.h>

#include <algorithm>
#include <map>
#include <vector>

#include "bench/bench_util.h"
#include "res/resource.h"
#include "tooltip/vexel_tip.h"
#include "win/gdi.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh::bench {

namespace {

struct BenchInput : InputClock, TimerHost {
    POINT cursor{};
    DWORD Ticks() const override { return 0; }
    POINT CursorPos() const override { return cursor; }
    void StartTimer(UINT_PTR, UINT) override {}
    void StopTimer(UINT_PTR) override {}
};

}  // namespace

void BenchTips() {
    RegisterPlainClass("FlickholdBenchOwner", 0, nullptr, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    HWND owner = ::CreateWindowExA(0, "FlickholdBenchOwner", "", WS_POPUP | WS_VISIBLE, 100, 300, 600, 300, nullptr,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
    HWND button = ::CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE, 20, 20, 200, 40, owner, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    ::UpdateWindow(owner);
    BenchInput input;
    CVexelTip tip;
    tip.UseInput(&input, &input);
    if (!tip.CreateTip(owner, true)) return;
    tip.AddToolString(button, IDS_TIP_SITE, nullptr, 0);

    int step = 0;
    // The mouse comes to rest on the button (a new point each time, so the
    // tool is scheduled again); the show timer then fires.
    auto arrive = [&] {
        tip.HideNow();
        input.cursor = POINT{200 + (step++ % 20), 340};
        MSG move{owner, WM_MOUSEMOVE, 0, 0, 0, input.cursor};
        tip.RelayMessage(move);
    };
    auto show = [&] {
        ::SendMessageA(tip.Handle(), WM_TIMER, TIMER_SHOW, 0);
        ::UpdateWindow(tip.Handle());
    };
    const double showMs = MedianOfRuns(100, show, arrive);

    // The same steps with the picture composed in a memory DC: the window
    // region and the window's move and show are the window manager's.
    arrive();
    show();
    TipToolInfo tool = tip.Machine().CurrentTool();
    WindowDC screen(nullptr);
    UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), tip.WindowRect().Width(), tip.WindowRect().Height()));
    MemoryDC memory(bitmap.Get(), screen.Get());
    POINT pos{};
    const double layOutMs = MedianOfRuns(100, [&] {
        tip.LayOut(tool, input.cursor, pos);
        tip.Compose(memory.Get(), 0);
    });
    Report("tip laid out + composed, memory DC (med/100)", layOutMs, -1, 1);
    Report("tip show timer to on screen (med/100)", showMs, -1, 1);
    int transparency = 0;
    const double composeMs = MedianOfRuns(100, [&] { tip.Compose(memory.Get(), (transparency += 20) % 100); });
    Report("tip compose in memory DC (med/100)", composeMs, -1, 1);
    const double fadeMs = MedianOfRuns(100, [&] { tip.Compose(nullptr, (transparency += 20) % 100); });
    Report("tip fade step on screen (med/100)", fadeMs, -1, 1);

    const double cycleMs = MedianOfRuns(
        100,
        [&] {
            show();
            tip.HideNow();
        },
        arrive);
    Report("tip show and hide cycle (med/100)", cycleMs, -1, 1);

    tip.Destroy();
    ::DestroyWindow(owner);
}

}  // namespace fh::bench
