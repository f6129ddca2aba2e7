#pragma once
// The clock and timers that timer-driven windows use, behind small
// interfaces: tests give them a fake clock, record the timers, and deliver
// WM_TIMER themselves instead of sleeping.

#include <windows.h>

namespace fh {

class TimerHost {
public:
    virtual ~TimerHost() = default;
    // Starts the timer, or restarts it with the new period.
    virtual void StartTimer(UINT_PTR id, UINT milliseconds) = 0;
    virtual void StopTimer(UINT_PTR id) = 0;
};

// Window timers: WM_TIMER arrives at the window with the timer's id.
class WindowTimers : public TimerHost {
public:
    explicit WindowTimers(HWND wnd = nullptr) : m_wnd(wnd) {}
    void SetWindow(HWND wnd) { m_wnd = wnd; }
    void StartTimer(UINT_PTR id, UINT milliseconds) override {
        if (m_wnd) ::SetTimer(m_wnd, id, milliseconds, nullptr);
    }
    void StopTimer(UINT_PTR id) override {
        if (m_wnd) ::KillTimer(m_wnd, id);
    }

private:
    HWND m_wnd;
};

// Milliseconds of a monotonic clock and the cursor's screen position.
class InputClock {
public:
    virtual ~InputClock() = default;
    virtual DWORD Ticks() const = 0;
    virtual POINT CursorPos() const = 0;
};

class SystemInputClock : public InputClock {
public:
    DWORD Ticks() const override { return ::GetTickCount(); }
    POINT CursorPos() const override {
        POINT pt{};
        ::GetCursorPos(&pt);
        return pt;
    }
};

}  // namespace fh
