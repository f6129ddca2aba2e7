#pragma once
// The machine's fake host with a settable date clock, zone and seed, and
// the calls the core classes' tests make through the machine: a method
// found and called as a script would, outside any run.

#include <functional>
#include <string>
#include <vector>

#include "avm1_fixture.h"

namespace fh::avm1::test {

class BuiltinsHost : public fh::test::FakeHost {
public:
    double dateNow = 0;
    std::function<double(double)> offset = [](double) { return 0.0; };
    std::uint32_t seed = 1;

    double DateNowMs() override { return dateNow; }
    double LocalOffsetMs(double utcMs) override { return offset(utcMs); }
    std::uint32_t RandomSeed() override { return seed; }
};

// self[name](args...), undefined when the call was cut.
inline Value CallMethod(Machine& m, const Value& self, const std::string& name, const std::vector<Value>& args) {
    return m.CallFunction(m.Get(self, name), self, args);
}

// A global's method: Math.max, Date.UTC, String.fromCharCode.
inline Value CallStatic(Machine& m, const char* object, const std::string& name, const std::vector<Value>& args) {
    return CallMethod(m, m.Get(Value(m.R().global), object), name, args);
}

// Runs checks inside a call, where the machine's natives expect to run.
inline void InRun(Machine& m, const std::function<void()>& body) {
    static const std::function<void()>* current = nullptr;
    current = &body;
    Object* fn = NewNative(m, [](Machine&, const Value&, const std::vector<Value>&) {
        (*current)();
        return Value();
    });
    m.CallFunction(Value(fn), Value(), {});
}

// `new name(args...)`.
inline Value New(Machine& m, const char* name, const std::vector<Value>& args) {
    return m.Construct(m.Get(Value(m.R().global), name), args);
}

}  // namespace fh::avm1::test
