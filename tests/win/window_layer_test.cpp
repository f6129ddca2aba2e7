// The window layer: how handlers answer messages, how the modal loop ends,
// plain windows with dispatch tables, timers delivered by hand, COM pointers.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "res/resource.h"
#include "win/com_ptr.h"
#include "win/dialog.h"
#include "win/handles.h"
#include "win/timers.h"
#include "win/window.h"

namespace fh {
namespace {

constexpr UINT kAppEnd = WM_APP + 1;
constexpr UINT kAppDestroy = WM_APP + 2;
constexpr UINT kAppThrow = WM_APP + 3;
constexpr int kFakeControl = 4711;

class ProbeDlg : public Dialog<ProbeDlg> {
public:
    explicit ProbeDlg(UINT templateId = IDD_SPLASH) : Dialog(templateId) {}
    static const std::vector<DispatchEntry<ProbeDlg>>& DispatchTable() {
        using P = ProbeDlg;
        static const std::vector<DispatchEntry<P>> table = {
            OnMessage<P>(WM_SETCURSOR, &P::OnSetCursor), OnMessage<P>(WM_NCHITTEST, &P::OnHitTest),
            OnMessage<P>(kAppEnd, &P::OnEnd),            OnMessage<P>(kAppDestroy, &P::OnDestroyNow),
            OnMessage<P>(kAppThrow, &P::OnThrow),        OnNotify<P>(kFakeControl, NM_CLICK, &P::OnClick),
        };
        return table;
    }
    std::function<void(HWND)> onInit;

protected:
    BOOL OnInit() override {
        if (onInit) onInit(Handle());
        return TRUE;
    }

private:
    MsgResult OnSetCursor(WPARAM, LPARAM) { return Handled(TRUE); }
    MsgResult OnHitTest(WPARAM, LPARAM) { return Handled(HTCAPTION); }
    MsgResult OnEnd(WPARAM wParam, LPARAM) {
        EndDialog(static_cast<INT_PTR>(wParam));
        return Handled(0);
    }
    MsgResult OnDestroyNow(WPARAM, LPARAM) {
        ::DestroyWindow(Handle());
        return Handled(0);
    }
    MsgResult OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    LRESULT OnClick(NMHDR*) { return 42; }
};

// Quits the modal loop after a long wait unless cancelled, so that a loop
// that fails to end makes the test fail instead of hanging.
class Watchdog {
public:
    Watchdog() : m_cancel(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        const DWORD thread = ::GetCurrentThreadId();
        m_thread = std::thread([this, thread] {
            if (::WaitForSingleObject(m_cancel.Get(), 10000) == WAIT_TIMEOUT)
                ::PostThreadMessageA(thread, WM_QUIT, 0, 0);
        });
    }
    ~Watchdog() {
        ::SetEvent(m_cancel.Get());
        m_thread.join();
    }
    // True when the loop had to be quit (the loop passes the quit on).
    static bool Fired() {
        MSG msg;
        return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    }

private:
    UniqueHandle<NullInvalid<HANDLE, HandleClose>> m_cancel;
    std::thread m_thread;
};

TEST(WindowLayer, HandledMessagesAnswerThroughTheDialogResult) {
    ProbeDlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(TRUE, ::SendMessageA(dlg.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(dlg.Handle()), 0));
    EXPECT_EQ(HTCAPTION, ::SendMessageA(dlg.Handle(), WM_NCHITTEST, 0, 0));
    NMHDR hdr{nullptr, static_cast<UINT_PTR>(kFakeControl), static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(42, ::SendMessageA(dlg.Handle(), WM_NOTIFY, kFakeControl, reinterpret_cast<LPARAM>(&hdr)));
    // A handler that throws gets the default answer; nothing unwinds into Windows.
    EXPECT_EQ(0, ::SendMessageA(dlg.Handle(), kAppThrow, 0, 0));
    EXPECT_TRUE(::IsWindow(dlg.Handle()));
}

// EndDialog from a message sent by another thread: GetMessage handles it
// inside and would go on waiting, unless the end wakes the loop.
TEST(WindowLayer, EndDialogWakesTheModalLoopAtOnce) {
    ProbeDlg dlg;
    std::thread sender;
    dlg.onInit = [&](HWND wnd) { sender = std::thread([wnd] { ::SendMessageA(wnd, kAppEnd, 77, 0); }); };
    {
        Watchdog watchdog;
        EXPECT_EQ(77, dlg.DoModal(nullptr));
    }
    sender.join();
    EXPECT_FALSE(Watchdog::Fired());
    EXPECT_FALSE(dlg.IsModal());
}

TEST(WindowLayer, DestroyingTheWindowEndsTheModalLoop) {
    ProbeDlg dlg;
    std::thread sender;
    dlg.onInit = [&](HWND wnd) { sender = std::thread([wnd] { ::SendMessageA(wnd, kAppDestroy, 0, 0); }); };
    {
        Watchdog watchdog;
        EXPECT_EQ(0, dlg.DoModal(nullptr));
    }
    sender.join();
    EXPECT_FALSE(Watchdog::Fired());
    EXPECT_EQ(nullptr, dlg.Handle());
}

TEST(WindowLayer, AFailedCreateLeavesNoModalState) {
    ProbeDlg missing(9999);
    EXPECT_EQ(-1, missing.DoModal(nullptr));
    EXPECT_FALSE(missing.IsModal());
    EXPECT_FALSE(missing.IsEnded());
    EXPECT_EQ(nullptr, missing.Handle());
}

class ProbeWnd : public WindowImpl<ProbeWnd> {
public:
    explicit ProbeWnd(TimerHost& timers) : m_timers(timers) {}
    static const std::vector<DispatchEntry<ProbeWnd>>& DispatchTable() {
        using P = ProbeWnd;
        static const std::vector<DispatchEntry<P>> table = {
            OnMessage<P>(WM_TIMER, &P::OnTimer),
            OnMessage<P>(WM_APP, &P::OnStart),
            OnMessage<P>(kAppThrow, &P::OnThrow),
        };
        return table;
    }
    std::vector<UINT_PTR> ticks;
    bool destroyed = false;

protected:
    void OnDestroyed() override { destroyed = true; }

private:
    MsgResult OnTimer(WPARAM id, LPARAM) {
        ticks.push_back(id);
        m_timers.StopTimer(id);
        return Handled(0);
    }
    MsgResult OnStart(WPARAM id, LPARAM) {
        m_timers.StartTimer(id, 1000);
        return Handled(5);
    }
    MsgResult OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    TimerHost& m_timers;
};

// Records the timers instead of starting them.
struct FakeTimers : TimerHost {
    std::vector<std::pair<UINT_PTR, UINT>> running;
    void StartTimer(UINT_PTR id, UINT ms) override {
        StopTimer(id);
        running.emplace_back(id, ms);
    }
    void StopTimer(UINT_PTR id) override {
        for (auto it = running.begin(); it != running.end(); ++it)
            if (it->first == id) {
                running.erase(it);
                return;
            }
    }
};

TEST(WindowLayer, PlainWindowsDispatchAndTimersAreDeliveredByHand) {
    ASSERT_TRUE(RegisterPlainClass("FlickholdProbe", 0, nullptr, nullptr));
    FakeTimers timers;
    ProbeWnd wnd(timers);
    ASSERT_TRUE(wnd.Create(0, "FlickholdProbe", "", WS_POPUP, RECT{0, 0, 50, 50}, nullptr));
    EXPECT_EQ(5, ::SendMessageA(wnd.Handle(), WM_APP, 256, 0));
    ASSERT_EQ(1u, timers.running.size());
    EXPECT_EQ(256u, timers.running[0].first);
    ::SendMessageA(wnd.Handle(), WM_TIMER, 256, 0);
    EXPECT_EQ(std::vector<UINT_PTR>{256}, wnd.ticks);
    EXPECT_TRUE(timers.running.empty());
    // Unhandled messages get the window's default processing; throwing handlers too.
    EXPECT_EQ(HTCLIENT, ::SendMessageA(wnd.Handle(), WM_NCHITTEST, 0, MAKELPARAM(10, 10)));
    EXPECT_EQ(0, ::SendMessageA(wnd.Handle(), kAppThrow, 0, 0));
    wnd.Destroy();
    EXPECT_TRUE(wnd.destroyed);
    EXPECT_EQ(nullptr, wnd.Handle());
}

// A COM object that counts its references.
class Counted : public IUnknown {
public:
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(WindowLayer, ComPointerOwnsOneReference) {
    Counted object;
    {
        ComPtr<IUnknown> first(&object);
        EXPECT_EQ(1u, object.refs);
        ComPtr<IUnknown> moved = std::move(first);
        EXPECT_FALSE(first);
        EXPECT_EQ(1u, object.refs);
        ComPtr<IUnknown> shared = ComPtr<IUnknown>::Share(&object);
        EXPECT_EQ(2u, object.refs);
        ComPtr<IUnknown> same = moved.As<IUnknown>(IID_IUnknown);
        EXPECT_EQ(3u, object.refs);
        EXPECT_FALSE(moved.As<IUnknown>(IID_IDispatch));
        same.Reset();
        EXPECT_EQ(2u, object.refs);
    }
    EXPECT_EQ(0u, object.refs);
}

}  // namespace
}  // namespace fh
