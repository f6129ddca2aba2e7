#pragma once
// Action blocks written by hand for the machine's tests, and a host of
// named timelines that records what the machine asks of it.

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "avm1/avm1_machine.h"

namespace fh::test {

// Action records, appended in order. Jumps count bytes from the end of
// their own record: pass the size of the blocks they skip.
class Asm {
public:
    Asm& Op(std::uint8_t code) {
        m_bytes += static_cast<char>(code);
        return *this;
    }
    Asm& Act(std::uint8_t code, const std::string& payload) {
        Op(code);
        m_bytes += static_cast<char>(payload.size() & 0xFF);
        m_bytes += static_cast<char>(payload.size() >> 8);
        m_bytes += payload;
        return *this;
    }
    Asm& Str(const std::string& s) { return Act(0x96, Typed(0, s + '\0')); }
    Asm& Num(double d) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        return Act(0x96, Typed(6, Le32(static_cast<std::uint32_t>(bits >> 32)) + Le32(static_cast<std::uint32_t>(bits))));
    }
    Asm& Int(std::int32_t i) { return Act(0x96, Typed(7, Le32(static_cast<std::uint32_t>(i)))); }
    Asm& Bool(bool b) { return Act(0x96, Typed(5, std::string(1, b ? '\1' : '\0'))); }
    Asm& Undef() { return Act(0x96, std::string(1, '\3')); }
    Asm& Null() { return Act(0x96, std::string(1, '\2')); }
    Asm& Reg(std::uint8_t r) { return Act(0x96, Typed(4, std::string(1, static_cast<char>(r)))); }
    Asm& Store(std::uint8_t r) { return Act(0x87, std::string(1, static_cast<char>(r))); }
    Asm& Pool(const std::vector<std::string>& strings) {
        std::string p = Le16(strings.size());
        for (const std::string& s : strings) p += s + '\0';
        return Act(0x88, p);
    }
    Asm& Const(std::uint8_t index) { return Act(0x96, Typed(8, std::string(1, static_cast<char>(index)))); }
    Asm& Jump(int offset) { return Act(0x99, Le16(static_cast<std::uint16_t>(offset))); }
    Asm& If(int offset) { return Act(0x9D, Le16(static_cast<std::uint16_t>(offset))); }
    Asm& Trace() { return Op(0x26); }
    Asm& GetVar(const std::string& name) { return Str(name).Op(0x1C); }
    Asm& SetVar(const std::string& name, Asm value) { return Str(name).Add(value).Op(0x1D); }
    Asm& TraceVar(const std::string& name) { return GetVar(name).Trace(); }
    Asm& Add(const Asm& other) {
        m_bytes += other.m_bytes;
        return *this;
    }
    // name(params) { body }; an empty name pushes the function.
    Asm& Function(const std::string& name, const std::vector<std::string>& params, const Asm& body) {
        std::string p = name + '\0' + Le16(params.size());
        for (const std::string& s : params) p += s + '\0';
        p += Le16(body.Size());
        return Act(0x9B, p).Add(body);
    }
    // DefineFunction2: parameters as (register, name), register 0 for none.
    Asm& Function2(const std::string& name, std::uint8_t registers, std::uint16_t flags,
                   const std::vector<std::pair<std::uint8_t, std::string>>& params, const Asm& body) {
        std::string p = name + '\0' + Le16(params.size()) + static_cast<char>(registers) + Le16(flags);
        for (const auto& s : params) p += static_cast<char>(s.first) + s.second + '\0';
        p += Le16(body.Size());
        return Act(0x8E, p).Add(body);
    }
    // try { body } catch (name) { handler } finally { last }
    Asm& Try(const Asm& body, const std::string& name, const Asm* handler, const Asm* last) {
        std::uint8_t flags = (handler ? 1 : 0) | (last ? 2 : 0);
        std::string p = std::string(1, static_cast<char>(flags)) + Le16(body.Size()) +
                        Le16(handler ? handler->Size() : 0) + Le16(last ? last->Size() : 0) + name + '\0';
        Act(0x8F, p).Add(body);
        if (handler) Add(*handler);
        if (last) Add(*last);
        return *this;
    }
    // with (the object on the stack) { body }
    Asm& With(const Asm& body) { return Act(0x94, Le16(body.Size())).Add(body); }
    // while (the condition leaves true) { body }
    Asm& While(const Asm& condition, const Asm& body) {
        Add(condition).Op(0x12).If(static_cast<int>(body.Size()) + 5).Add(body);
        return Jump(-static_cast<int>(condition.Size() + 1 + 5 + body.Size() + 5));
    }
    std::size_t Size() const { return m_bytes.size(); }
    const std::uint8_t* Data() const { return reinterpret_cast<const std::uint8_t*>(m_bytes.data()); }

private:
    static std::string Le16(std::size_t v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    }
    static std::string Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
    static std::string Typed(char type, const std::string& payload) { return type + payload; }
    std::string m_bytes;
};

// Timeline 1 is the root; others are added under a parent by name.
class FakeHost : public avm1::Host {
public:
    struct Clip {
        avm1::TimelineId parent = 0;
        std::string name;
        bool alive = true;
        int frame = 1;
        bool playing = true;
        double props[avm1::kDisplayPropCount] = {};
    };
    FakeHost() { clips[1] = Clip{}; }
    avm1::TimelineId AddClip(avm1::TimelineId parent, const std::string& name) {
        avm1::TimelineId id = static_cast<avm1::TimelineId>(clips.size() + 1);
        clips[id].parent = parent;
        clips[id].name = name;
        return id;
    }

    avm1::TimelineId Root() override { return 1; }
    avm1::TimelineId Parent(avm1::TimelineId t) override { return clips.count(t) ? clips[t].parent : 0; }
    avm1::TimelineId Child(avm1::TimelineId t, const std::string& name) override {
        for (auto& c : clips)
            if (c.second.parent == t && c.second.alive && c.second.name == name) return c.first;
        return 0;
    }
    bool Alive(avm1::TimelineId t) override { return clips.count(t) && clips[t].alive; }
    std::string Name(avm1::TimelineId t) override { return clips.count(t) ? clips[t].name : ""; }
    avm1::Value GetProperty(avm1::TimelineId t, int index) override { return avm1::Value(clips[t].props[index]); }
    void SetProperty(avm1::TimelineId t, int index, const avm1::Value& v) override {
        if (v.IsNumber()) clips[t].props[index] = v.Number();
    }
    void GotoFrame(avm1::TimelineId t, int frame, bool play) override {
        clips[t].frame = frame;
        clips[t].playing = play;
        log.push_back("goto " + std::to_string(t) + " " + std::to_string(frame) + (play ? " play" : " stop"));
    }
    bool GotoLabel(avm1::TimelineId t, const std::string& label, bool play) override {
        log.push_back("label " + std::to_string(t) + " " + label + (play ? " play" : " stop"));
        return true;
    }
    void Play(avm1::TimelineId t) override { log.push_back("play " + std::to_string(t)); }
    void Stop(avm1::TimelineId t) override { log.push_back("stop " + std::to_string(t)); }
    void NextFrame(avm1::TimelineId t) override { log.push_back("next " + std::to_string(t)); }
    void PrevFrame(avm1::TimelineId t) override { log.push_back("prev " + std::to_string(t)); }
    int CurrentFrame(avm1::TimelineId t) override { return clips[t].frame; }
    int TotalFrames(avm1::TimelineId) override { return 10; }
    void Trace(const std::string& line) override { traces.push_back(line); }
    void FsCommand(const std::string& command, const std::string& args) override {
        log.push_back("fscommand " + command + " " + args);
    }
    double NowMs() override { return now; }
    double DateNowMs() override { return 0; }
    double LocalOffsetMs(double) override { return 0; }
    std::uint32_t RandomSeed() override { return 7; }
    std::string LocalToUtf8(const std::string& text) override { return text; }

    // The trace lines so far, joined by "|", and forgotten.
    std::string Take() {
        std::string out;
        for (std::size_t i = 0; i < traces.size(); ++i) out += (i ? "|" : "") + traces[i];
        traces.clear();
        return out;
    }

    std::map<avm1::TimelineId, Clip> clips;
    std::vector<std::string> traces;
    std::vector<std::string> log;
    double now = 0;
};

// obj.name
inline Asm Member(Asm obj, const std::string& name) { return obj.Str(name).Op(0x4E); }
// obj.name = value
inline Asm SetMember(Asm obj, const std::string& name, Asm value) { return obj.Str(name).Add(value).Op(0x4F); }
// The arguments last first, as compilers push them, then their count.
inline Asm PushArgs(const std::vector<Asm>& args) {
    Asm a;
    for (auto it = args.rbegin(); it != args.rend(); ++it) a.Add(*it);
    return a.Num(static_cast<double>(args.size()));
}
// name(args...)
inline Asm Call(const std::string& name, const std::vector<Asm>& args) { return PushArgs(args).Str(name).Op(0x3D); }
// obj.name(args...)
inline Asm CallMethod(Asm obj, const std::string& name, const std::vector<Asm>& args) {
    return PushArgs(args).Add(obj).Str(name).Op(0x52);
}
// new name(args...)
inline Asm New(const std::string& name, const std::vector<Asm>& args = {}) { return PushArgs(args).Str(name).Op(0x40); }

// Runs a block on the root of a fresh machine and returns its trace lines.
inline std::string Run(const Asm& code, int version = 10, const avm1::Limits& limits = avm1::Limits()) {
    FakeHost host;
    avm1::Machine machine(host, version, limits);
    machine.RunActions(1, code.Data(), code.Size());
    return host.Take();
}

}  // namespace fh::test
