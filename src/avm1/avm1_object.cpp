#include "avm1/avm1_object.h"

#include <algorithm>
#include <atomic>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// Tables this long get a hash index; shorter ones are searched in order.
constexpr std::size_t kIndexFrom = 12;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::uint32_t NameHash(const std::string& name) {
    std::uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ static_cast<unsigned char>(Lower(c))) * 16777619u;
    return h;
}

bool HiddenFor(std::uint32_t flags, int version) {
    if (!(flags & kVersionFlags)) return false;
    return ((flags & kVersion6) && version < 6) || ((flags & (kVersion7 | kVersion7Alt)) && version < 7) ||
           ((flags & kVersion8) && version < 8) || ((flags & kVersion9) && version < 9) ||
           ((flags & kVersion10) && version < 10);
}

int Object::HeapVersion() const { return m_heap->Version(); }

void Object::Reshape() {
    static std::atomic<std::uint64_t> s_shapes{0};
    m_shape = s_shapes.fetch_add(1, std::memory_order_relaxed) + 1;
}

Property* Object::FindMemoSlow(const Str& name) {
    Str::Memo* memo = name.GetMemo();
    if (!memo) return FindOwn(name.Text());
    if (!memo->hashed) {
        memo->hash = NameHash(name.Text());
        memo->hashed = true;
    }
    Property* found = FindAny(name.Text(), memo->hash);
    memo->shape = m_shape;
    memo->index = found ? static_cast<std::uint32_t>(found - m_props.data()) : UINT32_MAX;
    return found && (found->flags & kVersionFlags) && HiddenFor(found->flags, HeapVersion()) ? nullptr : found;
}

Property* Object::FindAny(const std::string& name) { return FindAny(name, m_index ? 0 : NameHash(name)); }

Property* Object::FindAny(const std::string& name, std::uint32_t hash) {
    if (m_index) {
        auto it = m_index->find(m_heap->Key(name));
        return it != m_index->end() ? &m_props[it->second] : nullptr;
    }
    // The folded hash settles most mismatches; names are short, so a loop compares the rest.
    const std::size_t n = name.size();
    const char* y = name.data();
    const bool exact = m_heap->CaseSensitive();
    for (Property& p : m_props) {
        if (p.hash != hash || p.name.size() != n) continue;
        const char* x = p.name.data();
        std::size_t i = 0;
        if (exact) {
            while (i < n && x[i] == y[i]) ++i;
        } else {
            while (i < n && Lower(x[i]) == Lower(y[i])) ++i;
        }
        if (i == n) return &p;
    }
    return nullptr;
}

void Object::Define(const std::string& name, const Value& v, std::uint32_t flags) {
    if (Property* p = m_props.empty() ? nullptr : FindAny(name)) {
        if (!HiddenFor(p->flags, m_heap->Version())) {
            p->value = v;
            p->getter = p->setter = nullptr;
            return;
        }
        // A property the movie's version cannot see gives way to the new one.
        m_props.erase(m_props.begin() + (p - m_props.data()));
        if (m_index) Reindex();
    }
    Reshape();
    Property& p = m_props.emplace_back();
    p.name = name;
    p.hash = NameHash(name);
    p.value = v;
    p.flags = flags;
    p.order = NextOrder();
    if (m_index) {
        m_index->emplace(m_heap->Key(name), static_cast<std::uint32_t>(m_props.size() - 1));
    } else if (m_props.size() >= kIndexFrom) {
        Reindex();
    }
}

void Object::AppendLocal(const std::string& name, std::uint32_t hash, const Value& v) {
    Property& p = m_props.emplace_back();
    p.name = name;
    p.hash = hash;
    p.value = v;
    p.order = NextOrder();
    if (m_index) {
        m_index->emplace(m_heap->Key(name), static_cast<std::uint32_t>(m_props.size() - 1));
    } else if (m_props.size() >= kIndexFrom) {
        Reindex();
    }
}

void Object::ShareShape(std::uint64_t& shared) {
    // The first table takes a shape no lookup has seen, not its own, which
    // a lookup between New and the appends may have memoised as empty.
    if (shared == 0) {
        Reshape();
        shared = m_shape;
    }
    m_shape = shared;
}

bool Object::Remove(const std::string& name) {
    Property* p = FindAny(name);
    if (!p || (p->flags & kDontDelete)) return false;
    Reshape();
    m_props.erase(m_props.begin() + (p - m_props.data()));
    if (m_index) Reindex();
    return true;
}

void Object::SetElementPresent(std::size_t index, bool present) {
    if (index >= m_elements.size()) return;
    if (present && index >= m_elementOrder.size()) return;  // there already, from the start
    if (present && m_elementOrder[index] != 0) return;  // an element set again keeps its place
    m_elementOrder[index] = present ? NextOrder() : 0;
}

void Object::ResizeElements(std::size_t length) {
    if (length <= m_elements.size()) {
        m_elements.resize(length);
        if (m_elementOrder.size() > length) m_elementOrder.resize(length);
        return;
    }
    m_elementOrder.resize(m_elements.size(), 1);
    m_elementOrder.resize(length, 0);
    m_elements.resize(length);
}

void Object::Reindex() {
    if (m_props.size() < kIndexFrom) {
        m_index.reset();
        return;
    }
    m_index = std::make_unique<std::unordered_map<std::string, std::uint32_t>>();
    for (std::uint32_t i = 0; i < m_props.size(); ++i) m_index->emplace(m_heap->Key(m_props[i].name), i);
}

Heap::Heap(int version, std::size_t maxObjects) : m_version(version), m_max(maxObjects) {}

Heap::~Heap() {
    for (Object* o : m_objects) delete o;
    delete m_spare;
}

void Heap::Recycle(Object* o) {
    if (!o || m_objects.empty() || m_objects.back() != o) return;
    m_objects.pop_back();
    // As new, but for the room of its tables: every member is emptied in
    // place, cheaper than a fresh object for a call's locals.
    o->m_kind = ObjKind::Plain;
    o->m_marked = false;
    o->m_proto = nullptr;
    // A short table keeps its names and shape for Reuse, emptied of what it held.
    if (o->m_index) {
        o->m_props.clear();
        o->m_index.reset();
        o->m_shape = 0;
    }
    for (Property& p : o->m_props) {
        p.value = Value();
        p.flags = 0;
        p.getter = p.setter = p.watcher = nullptr;
        p.watchData = Value();
    }
    o->m_fn.reset();
    o->m_elements.clear();
    o->m_elementOrder.clear();
    o->m_order = static_cast<std::uint32_t>(1 + o->m_props.size());
    o->m_primitive = Value();
    o->m_timeline = 0;
    o->m_interfaces.clear();
    o->m_native.reset();
    delete m_spare;
    m_spare = o;
}

std::string Heap::Key(const std::string& name) const {
    if (CaseSensitive()) return name;
    std::string k = name;
    for (char& c : k) c = Lower(c);
    return k;
}

Object* Heap::New(ObjKind kind, Object* proto) {
    if (m_objects.size() >= m_max) return nullptr;
    Object* o = m_spare ? m_spare : new Object;
    m_spare = nullptr;
    o->m_props.clear();
    o->m_order = 1;
    o->m_heap = this;
    o->Reshape();
    o->m_kind = kind;
    o->m_proto = proto;
    if (kind == ObjKind::Function) o->m_fn = std::make_unique<FunctionData>();
    m_objects.push_back(o);
    return o;
}

Object* Heap::Reuse(std::uint64_t shape) {
    Object* o = m_spare;
    if (!o || shape == 0 || o->m_shape != shape || m_objects.size() >= m_max) return nullptr;
    m_spare = nullptr;
    m_objects.push_back(o);
    return o;
}

void Heap::Mark(Object* o) {
    if (!o || o->m_marked) return;
    o->m_marked = true;
    m_grey.push_back(o);
    while (!m_grey.empty()) {
        Object* g = m_grey.back();
        m_grey.pop_back();
        auto visit = [this](Object* c) {
            if (c && !c->m_marked) {
                c->m_marked = true;
                m_grey.push_back(c);
            }
        };
        auto visitValue = [&visit](const Value& v) { visit(v.Obj()); };
        visit(g->m_proto);
        for (const Property& p : g->m_props) {
            visitValue(p.value);
            visit(p.getter);
            visit(p.setter);
            visit(p.watcher);
            visitValue(p.watchData);
        }
        for (const Value& v : g->m_elements) visitValue(v);
        visitValue(g->m_primitive);
        for (Object* i : g->m_interfaces) visit(i);
        if (g->m_fn)
            for (Object* s : g->m_fn->scope) visit(s);
        if (g->m_native) g->m_native->VisitRefs(&Heap::VisitNative, *this);
    }
}

void Heap::VisitNative(Heap& heap, Object* c) {
    if (c && !c->m_marked) {
        c->m_marked = true;
        heap.m_grey.push_back(c);
    }
}

std::size_t Heap::Sweep() {
    std::size_t before = m_objects.size();
    auto keep = std::partition(m_objects.begin(), m_objects.end(), [](Object* o) { return o->m_marked; });
    for (auto it = keep; it != m_objects.end(); ++it) delete *it;
    m_objects.erase(keep, m_objects.end());
    for (Object* o : m_objects) o->m_marked = false;
    return before - m_objects.size();
}

}  // namespace fh::avm1
