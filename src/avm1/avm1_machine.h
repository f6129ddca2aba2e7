#pragma once
// The ActionScript 1/2 machine: runs action blocks (a frame's DoAction, a
// button's actions, init actions) over raw bytes against the movie seen
// through its Host. Everything a script can grow is capped: actions and
// time per run, call depth, string and array length, the stack, live
// objects. A script that reaches a cap is cut: it stops there, the machine
// counts it, and the next run starts afresh.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "avm1/avm1_host.h"
#include "avm1/avm1_object.h"
#include "avm1/avm1_realm.h"
#include "avm1/avm1_value.h"
#include "swf/swf_script.h"

namespace fh::avm1 {

struct Limits {
    std::uint64_t maxActions = 5000000;     // actions in one run (nested calls included)
    double maxRunMs = 2000;                 // wall time of one run, checked every few thousand actions
    int maxCallDepth = 256;
    // Bytes of the thread's own stack nested calls may take: a Windows
    // program's main thread has 1 MiB in all, and a debug build's frames are
    // large. AddressSanitizer's frames are several times larger again, on
    // threads of 8 MiB.
#if defined(__SANITIZE_ADDRESS__)
    std::size_t maxNativeStack = 2u << 20;
#else
    std::size_t maxNativeStack = 512u << 10;
#endif
    std::size_t maxStringLength = 16u << 20;  // bytes
    std::size_t maxLiveStringBytes = 256u << 20;  // all strings alive, of every machine
    std::size_t maxArrayLength = 1u << 22;
    std::size_t maxObjects = 1u << 19;
    std::size_t maxStack = 1u << 18;        // values on the operand stack
    int maxWithDepth = 64;                  // nested With blocks, Try blocks
    std::size_t maxIntervals = 1000;
};

class Program;
struct Frame;

// A script function's code: a slice of a shared copy of the block that
// defined it, with what DefineFunction and DefineFunction2 say of it.
class Code {
public:
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    std::shared_ptr<Program> program;  // those bytes decoded, shared as they are
    std::size_t begin = 0, end = 0;
    std::shared_ptr<const std::vector<Str>> pool;  // the constant pool at the definition
    std::string name;
    std::vector<std::pair<std::uint8_t, std::string>> params;  // register (0: none), name
    bool v2 = false;
    std::uint8_t registers = 4;
    std::uint16_t flags = 0;  // DefineFunction2's preload and suppress flags
    // Whether the parameters that are locals by name have distinct names
    // (a call appends them to its locals unsearched), their hashes, and the
    // shape their calls' locals share (a call's own, which changes no definition).
    bool distinctLocals = false;
    std::vector<std::uint32_t> paramHashes;
    mutable std::uint64_t localsShape = 0;
};

class Machine {
public:
    Machine(Host& host, int swfVersion, const Limits& limits = Limits());
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Runs a block of actions in the scope of a timeline.
    void RunActions(TimelineId target, const std::uint8_t* data, std::size_t size);
    void RunInitActions(TimelineId target, const std::uint8_t* data, std::size_t size) {
        RunActions(target, data, size);
    }
    // Calls a function (an event handler, an interval); undefined if it is
    // none or the call was cut.
    Value CallFunction(const Value& fn, const Value& self, const std::vector<Value>& args);
    // A clip's event: the handler its object has under that name (its own
    // or its class's) runs with the clip as `this`. A clip no script has
    // seen has none.
    void DispatchClipEvent(TimelineId t, const char* handler, const std::vector<Value>& args = {});
    // Whether the clip's object (if scripts have seen it) has that handler; runs no script.
    bool HasClipHandler(TimelineId t, const char* handler);
    // A clip was made: a class registered for its symbol is its object's
    // and its constructor runs on it.
    void ConstructClip(TimelineId t);
    // What a clip's or button's object makes of the pointer (its button
    // handlers, `enabled`, `useHandCursor`); a timeline no script has seen
    // is a plain one.
    SwfPointerRole PointerRole(TimelineId t);
    // Native work on the machine's objects from outside a script (the host
    // binding a text field's variable): caps apply, and a cut ends it.
    void RunNative(const std::function<void()>& work);
    // Frees unreachable objects; between runs only.
    std::size_t Collect();
    void TimelineRemoved(TimelineId t);
    // The frame clock moved on: the intervals and timeouts due run.
    void Tick(double elapsedMs);

    std::uint64_t ActionsRun() const { return m_actionsTotal; }
    std::uint32_t CutScripts() const { return m_cuts; }
    std::size_t LiveObjects() const { return m_heap.Live(); }

    // The engine's services, for the native classes.
    Host& GetHost() { return m_host; }
    int Version() const { return m_version; }  // 5 in functions of a version 4 movie
    Heap& GetHeap() { return m_heap; }
    Realm& R() { return m_realm; }
    const Limits& GetLimits() const { return m_limits; }
    // The next number in [0, 1) of the generator RandomNumber draws from:
    // seeded by the host, so a batch run repeats itself.
    double Random();

    Object* NewObject(Object* proto = nullptr);  // Object.prototype unless given
    Object* NewArray(std::vector<Value> elements = {});
    Object* TimelineObject(TimelineId t);  // none for kNoTimeline or a timeline gone
    Value Get(const Value& target, const std::string& name);
    // Get that tells whether the name was found at all.
    bool Lookup(const Value& target, const std::string& name, Value& out);
    bool Has(const Value& target, const std::string& name) {
        Value ignored;
        return Lookup(target, name, ignored);
    }
    // Removes an own property (an array's element); false if DontDelete or missing.
    bool Delete(Object* o, const std::string& name);
    void Set(const Value& target, const std::string& name, const Value& v);
    Value Call(const Value& fn, const Value& self, const std::vector<Value>& args);
    // self.name(args...): what the host's events call.
    Value CallMethod(const Value& self, const std::string& name, const std::vector<Value>& args);
    Value Construct(const Value& ctor, const std::vector<Value>& args);
    // An object's primitive: valueOf's, else toString's, else undefined. A
    // timeline gives its path. For a comparison (Hint::Number) only valueOf
    // is asked, the object itself is kept if that gives none, and a
    // timeline is NaN.
    enum class Hint { Default, Number };
    Value ToPrimitive(const Value& v, Hint hint = Hint::Default);
    // An object's number asks its valueOf only (Hint::Number): an object it gives is NaN.
    double ToNumber(const Value& v);
    std::string ToString(const Value& v);
    Str ToStr(const Value& v);
    Object* ToObject(const Value& v);  // none for undefined and null
    std::string TypeOf(const Value& v);
    bool InstanceOf(const Value& v, Object* ctor);
    // A clip object stands for the path it had when scripts first saw it:
    // once its clip is gone, the clip now at that path, if any (else itself).
    Object* Current(Object* o);
    // The live timeline a clip object stands for; none if there is none.
    TimelineId TimelineOf(Object* o);
    // trace(): undefined prints as such in every version, a carriage return as a line break.
    void TraceValue(const Value& v);
    // Stops every running script: a cap was reached.
    [[noreturn]] void Cut();
    // Throws a script value, to the nearest Try.
    [[noreturn]] void Throw(const Value& v);
    // Cuts when a new string of that length would pass the caps.
    void CheckString(std::size_t length);
    // A native's work in proportion to its input (a long text, a large
    // array), counted as that many actions: a loop of such calls meets the
    // action and time caps about as soon as a loop of plain actions would.
    void Charge(std::size_t actions);
    // An array's new length: cut past the cap.
    void SetArrayLength(Object* array, double length);
    // Object.registerClass: the constructor a library symbol's clips are
    // made with (none to forget it); the host asks when it places one.
    void RegisterClass(const std::string& symbol, Object* ctor);
    Object* RegisteredClass(const std::string& symbol);
    // A display property by GetProperty's index, whatever children or
    // variables of its name the timeline has.
    Value DisplayProperty(TimelineId t, int index);
    // "_level0.a.b" and "/a/b" for a timeline.
    std::string DotPath(TimelineId t);
    std::string SlashPath(TimelineId t);
    // A target path from a timeline ("/a", "../b", "_root.c", "d"); none if nothing is there.
    TimelineId ResolveTarget(TimelineId from, const std::string& path);
    // The level a name gives: "_level" or "_flash" and digits, whatever
    // follows them (the players read the number so; none is 0); -1 for
    // other names.
    static int Level(const std::string& name);
    static constexpr int kNoLevel = 0x7FFFFFFF;
    static std::vector<std::string> PathParts(const std::string& path, bool& fromRoot);
    // One part of a target path from a timeline (or an object); undefined if it names none.
    Value PathStep(const Value& at, const std::string& part);
    // An interval or timeout on the frame clock: its id, 0 past the cap.
    double AddInterval(const Value& fn, const Value& self, const std::string& method, std::vector<Value> args,
                       double delayMs, bool repeat);
    void ClearInterval(double id);

private:
    friend class Interpreter;
    struct Interval {
        Value fn, self;
        std::string method;
        std::vector<Value> args;
        double delay, due;
        bool repeat;
    };
    // The own property a read of `name` on o reaches as a bare value (no
    // getter, setter or watcher, no array index or display property in the
    // way), or none: the interpreter's shortcut past Get and Set.
    Property* PlainSlot(Object* o, const std::string& name) {
        ObjKind kind = o->Kind();
        if (kind != ObjKind::Plain && (kind != ObjKind::Timeline || name.empty() || name[0] == '_')) return nullptr;
        Property* p = o->FindOwn(name);
        return p && !p->getter && !p->setter && !p->watcher ? p : nullptr;
    }
    Property* PlainSlot(Object* o, const Str& name) {
        ObjKind kind = o->Kind();
        if (kind != ObjKind::Plain && (kind != ObjKind::Timeline || name.Size() == 0 || name.Text()[0] == '_'))
            return nullptr;
        Property* p = o->FindMemo(name);
        return p && !p->getter && !p->setter && !p->watcher ? p : nullptr;
    }
    // Set's shortcut: writes the value there when PlainSlot finds a writable one.
    template <class Name>
    bool SetPlain(Object* o, const Name& name, const Value& v) {
        Property* p = PlainSlot(o, name);
        if (!p || (p->flags & kReadOnly)) return false;
        p->value = v;
        return true;
    }
    Value GetTimelineMember(Object* o, const std::string& name, bool& found);
    Object* Unloading(TimelineId t) const;
    std::string ClipPath(Object* o);
    void CallSetter(Object* setter, const Value& target, const Value& v);
    bool SetTimelineMember(Object* o, const std::string& name, const Value& v);
    void MarkRoots();
    void BeginRun();
    bool OverTime() const;
    std::uint64_t CountedActions() const { return m_actions + (m_chunk - m_budget); }
    void NewChunk();
    // The chunk ran out: cut past the action cap or the run's time.
    void ActionCheck();

    Host& m_host;
    int m_version;
    Limits m_limits;
    Heap m_heap;
    Realm m_realm;
    std::unordered_map<TimelineId, Object*> m_timelines;
    std::unordered_map<TimelineId, Object*> m_unloading;  // removed this frame: their unload handlers run on them
    Object* m_unloadingNow = nullptr;  // the clip whose unload handler runs
    // Sets the clip whose unload handler runs, for the handler's time.
    struct UnloadingNow {
        Object*& slot;
        Object* was;
        UnloadingNow(Object*& s, Object* now) : slot(s), was(s) {
            if (now) slot = now;
        }
        ~UnloadingNow() { slot = was; }
    };
    std::unordered_map<double, Interval> m_intervals;
    std::unordered_map<std::string, Object*> m_classes;  // by the symbol's name key
    double m_clock = 0;
    double m_nextInterval = 1;

    // The state of the run in progress.
    int m_depth = 0;  // nested runs and calls
    int m_blocks = 0;  // nested With and Try blocks
    std::vector<Value> m_stack;
    // Actions are counted down in chunks that end where a cap or the clock is
    // due a look: one decrement an action. m_actions holds the count at the chunk's start.
    std::uint64_t m_actions = 0;
    std::uint32_t m_chunk = 1;
    std::uint32_t m_budget = 1;  // actions left in the chunk
    std::uint64_t m_actionsTotal = 0;
    double m_runStart = 0;
    std::uintptr_t m_stackBase = 0;  // where the outermost run's frame is on the thread's stack
    // Vectors calls are done with, kept for the next calls: a call then allocates nothing but its locals.
    std::vector<std::vector<Value>> m_spareValues;
    // Call frames, kept with their scope's and registers' room, every register undefined.
    std::vector<std::unique_ptr<Frame>> m_spareFrames;
    std::uint32_t m_cuts = 0;
    std::uint32_t m_random = 1;
};

}  // namespace fh::avm1
