#pragma once
// A machine over a host with one timeline and a settable clock, zone and
// seed, and the calls the core classes' tests make through it: a method
// found and called as a script would, outside any run.

#include <functional>
#include <string>
#include <vector>

#include "avm1/avm1_machine.h"

namespace fh::avm1::test {

class BuiltinsHost : public Host {
public:
    double now = 0;
    std::function<double(double)> offset = [](double) { return 0.0; };
    std::uint32_t seed = 1;

    TimelineId Root() override { return 1; }
    TimelineId Parent(TimelineId) override { return kNoTimeline; }
    TimelineId Child(TimelineId, const std::string&) override { return kNoTimeline; }
    bool Alive(TimelineId t) override { return t == 1; }
    std::string Name(TimelineId) override { return ""; }
    Value GetProperty(TimelineId, int) override { return Value(); }
    void SetProperty(TimelineId, int, const Value&) override {}
    void GotoFrame(TimelineId, int, bool) override {}
    bool GotoLabel(TimelineId, const std::string&, bool) override { return false; }
    void Play(TimelineId) override {}
    void Stop(TimelineId) override {}
    void NextFrame(TimelineId) override {}
    void PrevFrame(TimelineId) override {}
    int CurrentFrame(TimelineId) override { return 1; }
    int TotalFrames(TimelineId) override { return 1; }
    void Trace(const std::string&) override {}
    void FsCommand(const std::string&, const std::string&) override {}
    double NowMs() override { return 0; }
    double DateNowMs() override { return now; }
    double LocalOffsetMs(double utcMs) override { return offset(utcMs); }
    std::uint32_t RandomSeed() override { return seed; }
    std::string LocalToUtf8(const std::string& text) override { return text; }
};

// self[name](args...), undefined when the call was cut.
inline Value CallMethod(Machine& m, const Value& self, const std::string& name, const std::vector<Value>& args) {
    return m.CallFunction(m.Get(self, name), self, args);
}

// A global's method: Math.max, Date.UTC, String.fromCharCode.
inline Value CallStatic(Machine& m, const char* object, const std::string& name, const std::vector<Value>& args) {
    return CallMethod(m, m.Get(Value(m.R().global), object), name, args);
}

// `new name(args...)`.
inline Value New(Machine& m, const char* name, const std::vector<Value>& args) {
    return m.Construct(m.Get(Value(m.R().global), name), args);
}

}  // namespace fh::avm1::test
