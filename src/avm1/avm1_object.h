#pragma once
// Script objects: an ordered table of named properties with their flags, a
// __proto__ link, and what some kinds carry besides (a function's code or
// native, an array's elements, a wrapped primitive, a timeline). Every
// object lives in the machine's heap, which frees unreachable ones in a
// mark-and-sweep pass between frames and caps how many may live at once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "avm1/avm1_value.h"

namespace fh::avm1 {

class Machine;
class Heap;

// Property flags; the first three are ASSetPropFlags' own bits, the version
// bits hide a property from movies older than the version named.
enum PropFlag : std::uint32_t {
    kDontEnum = 1,
    kDontDelete = 2,
    kReadOnly = 4,
    kVersion6 = 0x80,
    kVersion7Alt = 0x100,  // also hides from movies older than 7, as the players treated it
    kVersion7 = 0x400,
    kVersion8 = 0x1000,
    kVersion9 = 0x2000,
    kVersion10 = 0x4000,
};
constexpr std::uint32_t kVersionFlags = kVersion6 | kVersion7Alt | kVersion7 | kVersion8 | kVersion9 | kVersion10;
constexpr std::uint32_t kKnownFlags = kDontEnum | kDontDelete | kReadOnly | kVersionFlags;

// Whether a name is the built-in one given in lower case, ASCII case ignored
// (the built-in names the players matched so in every version).
bool NameIs(const std::string& name, const char* lower);

// Whether flags with version bits hide a property from a movie of that version.
bool HiddenFor(std::uint32_t flags, int version);

// A name's hash as tables keep it, ASCII case folded.
std::uint32_t NameHash(const std::string& name);

using NativeFn = Value (*)(Machine& m, const Value& self, const std::vector<Value>& args);

struct Property {
    std::string name;
    std::uint32_t hash = 0;  // the name's, ASCII case folded: most mismatches end on it
    Value value;
    std::uint32_t flags = 0;
    Object* getter = nullptr;  // addProperty's functions: the value is unused
    Object* setter = nullptr;
    Object* watcher = nullptr;  // watch's callback
    Value watchData;
    std::uint32_t order = 0;  // when it was added, against an array's elements
};

// Super: what `super` names in a method: the class above, and `this` as the
// primitive slot, so that its methods run on the object itself.
enum class ObjKind : std::uint8_t { Plain, Function, Array, Boolean, Number, String, Timeline, Super };

class Code;  // a script function's actions and definition (avm1_machine.h)

// What a built-in class keeps beside an object's properties (an XML node's
// tree links, a bitmap's pixels). The object owns it; the objects it refers
// to are kept alive through VisitRefs while the object lives.
class NativeData {
public:
    virtual ~NativeData() = default;
    virtual void VisitRefs(void (*visit)(Heap&, Object*), Heap& heap) { (void)visit, (void)heap; }
};

struct FunctionData {
    NativeFn native = nullptr;
    NativeFn construct = nullptr;  // native: what `new` runs, when it differs from a call
    // `new` gives what construct returns even when it is no object: a
    // class that refuses its arguments (a bitmap too large) gives undefined.
    bool constructGivesResult = false;
    std::shared_ptr<const Code> code;
    std::vector<Object*> scope;  // the scope chain at the definition, outermost first
};

class Object {
public:
    ObjKind Kind() const { return m_kind; }
    Object* Proto() const { return m_proto; }
    void SetProto(Object* p) { m_proto = p; }

    // The own property of that name (matched as the heap's version says),
    // or none. Version-hidden properties count as missing.
    Property* FindOwn(const std::string& name) {
        Property* found = FindAny(name);
        return found && (found->flags & kVersionFlags) && HiddenFor(found->flags, HeapVersion()) ? nullptr : found;
    }
    // FindOwn for a name kept as a Str: the table's shape and the name's memo
    // answer at once when that name was last looked up on this unchanged table.
    Property* FindMemo(const Str& name) {
        const Str::Memo* memo = name.GetMemo();
        if (!memo || memo->shape != m_shape) return FindMemoSlow(name);
        if (memo->index >= m_props.size()) return nullptr;
        Property* found = &m_props[memo->index];
        return (found->flags & kVersionFlags) && HiddenFor(found->flags, HeapVersion()) ? nullptr : found;
    }
    // Hidden or not: a hidden property is still owned, listed and deletable, only unreadable.
    Property* FindAny(const std::string& name);
    const std::vector<Property>& Properties() const { return m_props; }
    std::vector<Property>& Properties() { return m_props; }
    // Sets an own property's value without setters, watchers or ReadOnly
    // (the engine's own definitions), adding it with `flags` if new.
    void Define(const std::string& name, const Value& v, std::uint32_t flags = kDontEnum);
    // Removes an own property unless DontDelete; true when it was removed.
    bool Remove(const std::string& name);
    // A call's locals on a table New has just made: Define's new property
    // without its search, the caller knowing the names distinct...
    void AppendLocal(const std::string& name, std::uint32_t hash, const Value& v);
    // ...then the shape the same names gave earlier calls' locals (`shared`,
    // set on the first), so that the names' memos hold from call to call.
    void ShareShape(std::uint64_t& shared);

    // Function objects.
    FunctionData* Function() { return m_fn.get(); }
    // Array elements (ObjKind::Array); index members reach them. Natives
    // grow them through Machine::SetArrayLength, which holds the cap.
    std::vector<Value>& Elements() { return m_elements; }
    // Which elements exist and when each was set, for for-in and
    // hasOwnProperty: an index never set (past a grown length) or deleted is
    // a hole. Arrays made whole (by a literal or a method) record nothing:
    // every element is there, older than anything set later.
    void SetElementPresent(std::size_t index, bool present);
    bool ElementPresent(std::size_t index) const {
        return index >= m_elementOrder.size() || m_elementOrder[index] != 0;
    }
    std::uint32_t ElementOrder(std::size_t index) const {
        return index < m_elementOrder.size() ? m_elementOrder[index] : 1;
    }
    // Elements grown to `length` are holes; the ones before stay as they were.
    void ResizeElements(std::size_t length);
    // Every element present again, as after a method rebuilt the array.
    void ForgetElementOrder() { m_elementOrder.clear(); }

    // A wrapped primitive (Boolean, Number, String).
    Value& Primitive() { return m_primitive; }
    // Timeline objects: the host's id, 0 once the timeline is gone.
    std::uint32_t& Timeline() { return m_timeline; }

    // Interfaces registered by ImplementsOp (the constructors' prototypes).
    std::vector<Object*>& Interfaces() { return m_interfaces; }

    // A built-in class's own data, or none. Natives check its type with
    // dynamic_cast: a script can call any method on any object.
    NativeData* Native() const { return m_native.get(); }
    void SetNative(std::unique_ptr<NativeData> d) { m_native = std::move(d); }
    template <class T>
    T* NativeAs() const { return dynamic_cast<T*>(m_native.get()); }

private:
    friend class Heap;
    int HeapVersion() const;
    Property* FindAny(const std::string& name, std::uint32_t hash);
    Property* FindMemoSlow(const Str& name);
    // A new shape whenever properties are added or removed (values and flags
    // change in place): never one seen before, in any heap, so that a memo
    // cannot match another table, a recycled object's or a freed one's.
    void Reshape();
    void Reindex();
    // Saturates rather than wrap to 0, which would mark a hole.
    std::uint32_t NextOrder() { return m_order < UINT32_MAX ? ++m_order : m_order; }

    Heap* m_heap = nullptr;
    std::uint64_t m_shape = 0;
    ObjKind m_kind = ObjKind::Plain;
    bool m_marked = false;
    Object* m_proto = nullptr;
    std::vector<Property> m_props;  // in the order they were added
    std::unique_ptr<std::unordered_map<std::string, std::uint32_t>> m_index;  // for long tables
    std::unique_ptr<FunctionData> m_fn;
    std::vector<Value> m_elements;
    std::vector<std::uint32_t> m_elementOrder;  // 0: a hole, 1: present from the start, then as set
    std::uint32_t m_order = 1;  // the last order given
    Value m_primitive;
    std::uint32_t m_timeline = 0;
    std::vector<Object*> m_interfaces;
    std::unique_ptr<NativeData> m_native;
};

// Every object of one machine. Names match ignoring ASCII case before
// version 7, as the players did.
class Heap {
public:
    Heap(int version, std::size_t maxObjects);
    ~Heap();
    Heap(const Heap&) = delete;
    Heap& operator=(const Heap&) = delete;

    // A new object, or none when the cap is reached.
    Object* New(ObjKind kind, Object* proto);
    // Frees the newest object at once, when its maker knows nothing reaches
    // it (a call's locals): the next New reuses it. Older ones wait for Sweep.
    void Recycle(Object* o);
    // The recycled object as a new plain one when its table still has that
    // shape (shared by a function's calls' locals): the same names, in the
    // same order, every value undefined, for the caller to fill. None otherwise.
    Object* Reuse(std::uint64_t shape);
    std::size_t Live() const { return m_objects.size(); }
    int Version() const { return m_version; }
    bool CaseSensitive() const { return m_version >= 7; }
    // The key a name is matched by.
    std::string Key(const std::string& name) const;

    // Mark from the roots, then free the rest; returns how many were freed.
    void Mark(Object* o);
    void Mark(const Value& v) {
        if (Object* o = v.Obj()) Mark(o);
    }
    std::size_t Sweep();

private:
    static void VisitNative(Heap& heap, Object* c);
    int m_version;
    std::size_t m_max;
    std::vector<Object*> m_objects;
    std::vector<Object*> m_grey;  // marking work list: deep graphs never recurse
    Object* m_spare = nullptr;  // a recycled object, its tables' room kept
};

}  // namespace fh::avm1
