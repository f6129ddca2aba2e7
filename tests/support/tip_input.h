#pragma once
// The cursor and the timers of a tooltip, for tests: the test moves one and
// fires the other by sending WM_TIMER itself.

#include <windows.h>

#include <map>

#include "win/timers.h"

namespace fh::test {

struct TipInput : InputClock, TimerHost {
    POINT cursor{};
    std::map<UINT_PTR, UINT> timers;
    DWORD Ticks() const override { return 0; }
    POINT CursorPos() const override { return cursor; }
    void StartTimer(UINT_PTR id, UINT ms) override { timers[id] = ms; }
    void StopTimer(UINT_PTR id) override { timers.erase(id); }
    bool Running(UINT_PTR id) const { return timers.count(id) != 0; }
};

}  // namespace fh::test
