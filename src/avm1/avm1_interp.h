#pragma once
// The interpreter's own types, shared by the machine's files only: a call
// frame, the C++ exceptions that carry a script's throw and a cut to the
// nearest Try or entry point, and the interpreter over a frame's bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_program.h"

namespace fh::avm1 {

struct ScriptCut {};
// The clip a script (a frame's or a function's) belongs to left the stage: that script ends.
struct ScriptHalt {};
struct ScriptThrow {
    Value value;
};

// DefineFunction2's flags.
enum : std::uint16_t {
    kPreloadThis = 0x0001,
    kSuppressThis = 0x0002,
    kPreloadArguments = 0x0004,
    kSuppressArguments = 0x0008,
    kPreloadSuper = 0x0010,
    kSuppressSuper = 0x0020,
    kPreloadRoot = 0x0040,
    kPreloadParent = 0x0080,
    kPreloadGlobal = 0x0100,
};

// A call's arguments: a native caller's list, or a script's, left on the
// stack where CallFunction found them (from `at`, the first lowest): a call
// from a script copies none of them.
struct CallArgs {
    const std::vector<Value>* list = nullptr;
    std::size_t at = 0, count = 0;
};

struct Frame {
    const std::uint8_t* data = nullptr;  // the bytes every offset below indexes
    std::size_t size = 0;
    const Code* code = nullptr;  // the running function's, whose bytes and pool the frame starts with
    std::shared_ptr<const std::vector<std::uint8_t>> owner;  // those bytes, once a function shares them
    Program* program = nullptr;  // the bytes decoded: the function's, else the frame's own
    std::shared_ptr<Program> ownProgram;
    const std::vector<Str>* pool = nullptr;
    std::shared_ptr<const std::vector<Str>> ownPool;  // the frame's own ConstantPool, once it has one
    std::vector<Object*> scope;  // outermost first: the timeline, closures' activations, With objects
    Object* activation = nullptr;  // a function's locals; none at a frame's top level
    Object* callee = nullptr;
    CallArgs args;
    Value self;
    std::vector<Value> regs;
    TimelineId target = kNoTimeline;  // what the timeline actions steer (SetTarget)
    Object* original = nullptr;  // the timeline the frame began on, for SetTarget("")
    bool unloading = false;      // began on a clip already gone (its unload): nothing more halts it
    std::size_t stackBase = 0;
    std::size_t pc = 0;
    Value result;
    Object* arguments = nullptr;  // made when first asked for
    // DefineFunction2's names (this, arguments, super) the call does not answer, suppressed or preloaded
    std::uint16_t suppressed = 0;
    bool captured = false;  // a function defined here keeps the scope chain, the activation with it
    // As new, for the next call, but for the room of its vectors and its registers' count, every one undefined.
    void Clear();
};

class Interpreter {
public:
    explicit Interpreter(Machine& m) : m(m), version(m.Version()) {}
    enum class Exit { End, Left, Return };
    // Runs the actions in [begin, end) from begin; stops when control leaves
    // that range (Left, f.pc where it went), at its end, or on a Return.
    Exit Run(Frame& f, std::size_t begin, std::size_t end);
    Value Invoke(Object* fn, const Value& self, const CallArgs& args);
    // A call's way in: cut past the call depth or the native stack's budget, else one deeper.
    static void EnterCall(Machine& m);

private:
    void Step(Frame& f, std::uint8_t code, const std::uint8_t* p, std::size_t len, std::size_t next, Exit& exit,
              bool& jumped);
    void Push(const Value& v);
    void Push(Value&& v);
    Value Pop(Frame& f);
    Value& Top(Frame& f);
    void DoConstantPool(Frame& f, const std::uint8_t* p, std::size_t len);
    void DoDefineFunction(Frame& f, const std::uint8_t* p, std::size_t len, std::size_t next, bool v2);
    void SortParams(Code& code);  // Code's distinctLocals and paramHashes
    Exit DoTry(Frame& f, const std::uint8_t* p, std::size_t len, std::size_t next);
    Exit DoWith(Frame& f, const std::uint8_t* p, std::size_t len, std::size_t next);
    void DoArithmetic(Frame& f, std::uint8_t code);
    void DoCompare(Frame& f, std::uint8_t code);
    void DoString(Frame& f, std::uint8_t code);
    void DoTimeline(Frame& f, std::uint8_t code, const std::uint8_t* p, std::size_t len);
    void DoObjects(Frame& f, std::uint8_t code);
    void DoEnumerate(const Value& v);
    Value ValueOfOperand(const Value& v);  // how Add2 and Equals2 see an object
    Value Equals2(const Value& a, const Value& b);
    void GetVariableAction(Frame& f);
    bool SameValue(const Value& a, const Value& b);
    Value Less(const Value& a, const Value& b);  // true, false or undefined

    // A name operand's text, without a copy when it is a string already.
    const std::string& NameOf(const Value& v) {
        if (v.IsString()) return v.String().Text();
        m_scratch = m.ToString(v);
        return m_scratch;
    }
    // A name's Memo::sort: a plain one (no path, not `this` or `super`) is
    // read and written on the innermost scope first, as its memo may answer.
    enum : std::uint8_t { kNameUnsorted, kNamePlain, kNameSpecial };
    static bool IsPlainName(const Str& name) {
        const Str::Memo* memo = name.GetMemo();
        return memo && (memo->sort == kNameUnsorted ? SortName(name) : memo->sort) == kNamePlain;
    }
    static std::uint8_t SortName(const Str& name);
    // The innermost scope: the base, when there is no other.
    Object* Innermost(Frame& f) { return f.scope.size() == 1 ? Base(f) : f.scope.back(); }
    // `str`, when the name is one, lets each table's lookup reuse its memo.
    Value GetVariable(Frame& f, const std::string& name, const Str* str = nullptr);
    void SetVariable(Frame& f, const std::string& name, const Value& v, const Str* str = nullptr);
    // A path's object ("a.b", "/a/b", "../c") and the variable after its colon or last dot.
    bool SplitPath(Frame& f, const std::string& path, Value& holder, std::string& var);
    Value EvalPathObject(Frame& f, const std::string& path);
    Object* Arguments(Frame& f);
    Value Super(Frame& f);
    // Pops an argument count, then that many arguments (the first on top).
    std::vector<Value> PopArgs(Frame& f);
    Value CallValue(const Value& fn, const Value& self, const std::vector<Value>& args);
    // CallFunction: a script function takes its arguments where they are on the stack.
    void CallFunctionAction(Frame& f);
    // The scope's base: with its clip gone from the stage, the frame's own
    // clip, else the root (where the players' scripts go on).
    Object* Base(Frame& f) {
        Object* o = f.scope.front();
        return o->Kind() != ObjKind::Timeline || o->Timeline() != kNoTimeline ? o : GoneBase(f);
    }
    Object* GoneBase(Frame& f);  // Base's answer when the scope's clip has left
    TimelineId FrameTimeline(Frame& f);  // the base's timeline
    // A script whose own clip left the stage stops at its next call, as in the players.
    void HaltIfGone(Frame& f) {
        if (!f.unloading && f.original->Kind() == ObjKind::Timeline && f.original->Timeline() == kNoTimeline)
            throw ScriptHalt{};
    }
    TimelineId OriginalTimeline(Frame& f);  // the timeline the frame began on

    Machine& m;
    int version;
    std::string m_scratch;
};

// Spare vectors: taken empty, given back cleared (a few are kept).
template <class T>
std::vector<T> TakeSpare(std::vector<std::vector<T>>& spares) {
    if (spares.empty()) return {};
    std::vector<T> v = std::move(spares.back());
    spares.pop_back();
    return v;
}
template <class T>
void GiveSpare(std::vector<std::vector<T>>& spares, std::vector<T>& v) {
    if (spares.size() >= 64 || v.capacity() > 1024) return;
    v.clear();
    spares.push_back(std::move(v));
}


// The stack's hot path, inline in every file of the interpreter.
inline void Interpreter::Push(const Value& v) {
    if (m.m_stack.size() >= m.m_limits.maxStack) m.Cut();
    m.m_stack.push_back(v);
}

inline void Interpreter::Push(Value&& v) {
    if (m.m_stack.size() >= m.m_limits.maxStack) m.Cut();
    m.m_stack.push_back(std::move(v));
}

inline Value Interpreter::Pop(Frame& f) {
    if (m.m_stack.size() <= f.stackBase) return Value();
    Value v = std::move(m.m_stack.back());
    m.m_stack.pop_back();
    return v;
}

}  // namespace fh::avm1
