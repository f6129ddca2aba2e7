// Variables: the scope chain (With objects and activations, innermost
// first, then the timeline, then _global), the names every scope answers
// (this, _root, _global, arguments, super), and slash and dot paths.

#include <algorithm>
#include <unordered_set>

#include "avm1/avm1_interp.h"

namespace fh::avm1 {

namespace {

constexpr std::size_t kMaxPathParts = 256;

bool IsPath(const std::string& name) {
    for (char c : name)
        if (c == ':' || c == '/' || c == '.') return true;
    return false;
}

}  // namespace

std::uint8_t Interpreter::SortName(const Str& name) {
    Str::Memo* memo = name.GetMemo();
    const std::string& text = name.Text();
    memo->sort = IsPath(text) || NameIs(text, "this") || NameIs(text, "super") ? kNameSpecial : kNamePlain;
    return memo->sort;
}

Value Interpreter::EvalPathObject(Frame& f, const std::string& path) {
    if (path.empty()) return Value(Base(f));
    if (path.size() >= 2 && path.compare(path.size() - 2, 2, "::") == 0) return Value();
    bool fromRoot = false;
    const std::vector<std::string> parts = Machine::PathParts(path, fromRoot);
    if (parts.size() > kMaxPathParts) return Value();
    Value at(fromRoot ? m.TimelineObject(m.GetHost().Root()) : Base(f));
    for (std::size_t i = 0; i < parts.size() && at.IsObject(); ++i) {
        // The first part is a clip of the frame's timeline, else a variable in scope (a local too).
        Value next = m.PathStep(at, parts[i]);
        if (!next.IsObject() && i == 0 && !fromRoot) next = GetVariable(f, parts[i]);
        at = next.IsObject() ? next : Value();
    }
    return at;
}

// "holder:var" or "holder.var": the last ':' or '.' ends the target. A
// path with neither names a clip, not a variable.
bool Interpreter::SplitPath(Frame& f, const std::string& path, Value& holder, std::string& var) {
    std::size_t cut = path.find_last_of(":.");
    if (cut == std::string::npos) return false;
    holder = EvalPathObject(f, path.substr(0, cut));
    var = path.substr(cut + 1);
    return holder.IsObject();
}

Value Interpreter::GetVariable(Frame& f, const std::string& name, const Str* str) {
    if (str && IsPlainName(*str)) {
        Property* p = Innermost(f)->FindMemo(*str);
        if (p && !p->getter) return p->value;
    }
    if (name.empty()) return Value();
    char c0 = name[0];
    if (c0 == 't' || c0 == 'T' || c0 == 's' || c0 == 'S') {
        if (NameIs(name, "this")) return f.suppressed & kSuppressThis ? Value(Base(f)) : f.self;
        if (f.activation && NameIs(name, "super") && !f.activation->FindOwn(name))
            return f.suppressed & kSuppressSuper ? Value() : Super(f);
    }
    if (IsPath(name)) {
        if (name.find_first_of(":.") == std::string::npos) {
            if (Object* o = m.TimelineObject(m.ResolveTarget(FrameTimeline(f), name))) return Value(o);
        }
        Value holder;
        std::string var;
        if (SplitPath(f, name, holder, var)) return m.Get(holder, var);
        // A path that leads nowhere may still be a variable's whole name.
    }
    for (std::size_t i = f.scope.size(); i-- > 0;) {
        Object* o = i == 0 ? Base(f) : f.scope[i];
        // An own plain property first: most names are found so.
        if (Property* p = str ? o->FindMemo(*str) : o->FindOwn(name)) {
            if (!p->getter) return p->value;
        }
        if (o == f.activation) {
            if (NameIs(name, "arguments"))
                return f.suppressed & kSuppressArguments ? Value() : Value(Arguments(f));
            continue;
        }
        // An own plain value, the common case, without the general lookup.
        if (Property* p = str ? m.PlainSlot(o, *str) : m.PlainSlot(o, name)) return p->value;
        Value v;
        if (m.Lookup(Value(o), name, v)) return v;
    }
    // Version 4 has no _global. _root and _global are variables first, as in the players.
    Value v;
    if (version >= 5 && m.Lookup(Value(m.R().global), name, v)) return v;
    if (c0 == '_') {
        if (NameIs(name, "_global")) return Value(m.R().global);
        if (NameIs(name, "_root") || Machine::Level(name) == 0) {
            Object* root = m.TimelineObject(m.GetHost().Root());
            return root ? Value(root) : Value();
        }
    }
    return v;
}

void Interpreter::SetVariable(Frame& f, const std::string& name, const Value& v, const Str* str) {
    if (name.empty()) return;
    if (IsPath(name)) {
        Value holder;
        std::string var;
        if (SplitPath(f, name, holder, var)) {
            m.Set(holder, var, v);
            return;
        }
        // A path that leads nowhere is a variable's whole name.
    }
    for (std::size_t i = f.scope.size(); i-- > 1;) {
        Object* o = f.scope[i];
        if (str ? m.SetPlain(o, *str, v) : m.SetPlain(o, name, v)) return;
        if (o == f.activation ? o->FindOwn(name) != nullptr : m.Has(Value(o), name)) {
            m.Set(Value(o), name, v);
            return;
        }
    }
    Object* base = Base(f);
    if (!(str ? m.SetPlain(base, *str, v) : m.SetPlain(base, name, v))) m.Set(Value(base), name, v);
}

std::vector<Value> Interpreter::PopArgs(Frame& f) {
    const Value given = Pop(f);
    const double n = given.IsNumber() ? given.Number() : m.ToNumber(given);
    std::size_t available = m.m_stack.size() - std::min(m.m_stack.size(), f.stackBase);
    std::size_t count = n > 0 ? static_cast<std::size_t>(std::min(n, static_cast<double>(available))) : 0;
    std::vector<Value> args = TakeSpare(m.m_spareValues);
    for (std::size_t k = 0; k < count; ++k) args.push_back(Pop(f));
    return args;
}

void Interpreter::CallFunctionAction(Frame& f) {
    Value nameValue = Pop(f);
    const std::string& name = NameOf(nameValue);
    const Value given = Pop(f);
    const double n = given.IsNumber() ? given.Number() : m.ToNumber(given);
    std::vector<Value>& s = m.m_stack;
    // Signed conversions, the cheap ones on a 32-bit processor: the stack's cap is far below 2^31.
    const auto available = static_cast<std::ptrdiff_t>(s.size() - std::min(s.size(), f.stackBase));
    const auto count = static_cast<std::size_t>(
        n > 0 ? (n < static_cast<double>(available) ? static_cast<std::ptrdiff_t>(n) : available) : 0);
    // The function is looked up above its arguments: a getter's script runs above them too.
    Value fn = GetVariable(f, name, nameValue.IsString() ? &nameValue.String() : nullptr);
    Object* o = fn.Obj();
    FunctionData* data = o && o->Kind() == ObjKind::Function ? o->Function() : nullptr;
    // A plain call runs on the caller's timeline as `this`.
    if (!data || data->native || !data->code) {
        std::vector<Value> args = TakeSpare(m.m_spareValues);
        for (std::size_t k = 0; k < count; ++k) args.push_back(Pop(f));
        Push(CallValue(fn, Value(Base(f)), args));
        GiveSpare(m.m_spareValues, args);
        HaltIfGone(f);
        return;
    }
    // The first argument is on top: turned over, they read as a list does.
    const std::size_t at = s.size() - count;
    std::reverse(s.begin() + static_cast<std::ptrdiff_t>(at), s.end());
    Value result;
    {
        EnterCall(m);
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{m.m_depth};
        result = Interpreter(m).Invoke(o, Value(Base(f)), CallArgs{nullptr, at, count});
    }
    if (s.size() > at) s.resize(at);
    Push(std::move(result));
    HaltIfGone(f);
}

Value Interpreter::CallValue(const Value& fn, const Value& self, const std::vector<Value>& args) {
    Object* o = fn.Obj();
    if (o && o->Kind() == ObjKind::Super) return m.Call(m.Get(fn, "__constructor__"), o->Primitive(), args);
    return m.Call(fn, self, args);
}

void Interpreter::DoEnumerate(const Value& v) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    Heap& heap = m.GetHeap();
    auto add = [&](const std::string& name, bool enumerable) {
        if (!seen.insert(heap.Key(name)).second) return;
        if (enumerable) names.push_back(name);
    };
    Object* o = v.Obj();
    for (int depth = 0; o && depth < 256 && names.size() < m.m_limits.maxStack; ++depth, o = o->Proto()) {
        const auto& props = o->Properties();
        if (o->Kind() != ObjKind::Array) {
            for (std::size_t i = props.size(); i-- > 0;)
                if (o->FindAny(props[i].name) == &props[i]) add(props[i].name, !(props[i].flags & kDontEnum));
            continue;
        }
        // An array's elements are properties too: all of them newest first,
        // the elements there from the start last, highest index first.
        struct Entry {
            std::uint32_t order;
            std::size_t index;
            const Property* prop;
        };
        std::vector<Entry> entries;
        for (const Property& p : props) entries.push_back({p.order, 0, &p});
        for (std::size_t i = 0; i < o->Elements().size(); ++i) {
            if (!o->ElementPresent(i)) continue;
            // More names than the stack holds would be cut when pushed: cut before listing them all.
            if (entries.size() >= m.m_limits.maxStack) m.Cut();
            entries.push_back({o->ElementOrder(i), i, nullptr});
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.order != b.order ? a.order > b.order : a.index > b.index;
        });
        for (const Entry& e : entries) {
            if (!e.prop) {
                add(std::to_string(e.index), true);
            } else if (o->FindAny(e.prop->name) == e.prop) {
                add(e.prop->name, !(e.prop->flags & kDontEnum));
            }
        }
    }
    Push(Value::Null());
    for (std::size_t i = names.size(); i-- > 0;) Push(Value(names[i]));
}

void Interpreter::DoObjects(Frame& f, std::uint8_t code) {
    switch (code) {
    case 0x52: {
        Value name = Pop(f);
        Value obj = Pop(f);
        std::vector<Value> args = PopArgs(f);
        std::string method = name.IsUndefined() ? std::string() : m.ToString(name);
        if (method.empty()) {
            Push(CallValue(obj, Value(), args));
            if (obj.IsObject()) HaltIfGone(f);
            break;
        }
        Object* o = obj.Obj();
        Value self = o && o->Kind() == ObjKind::Super ? o->Primitive() : obj;
        Push(m.Call(m.Get(obj, method), self, args));
        GiveSpare(m.m_spareValues, args);
        if (o) HaltIfGone(f);
        break;
    }
    case 0x40: {
        std::string name = m.ToString(Pop(f));
        std::vector<Value> args = PopArgs(f);
        Push(m.Construct(GetVariable(f, name), args));
        HaltIfGone(f);
        break;
    }
    case 0x53: {
        Value name = Pop(f);
        Value obj = Pop(f);
        std::vector<Value> args = PopArgs(f);
        std::string method = name.IsUndefined() ? std::string() : m.ToString(name);
        Push(m.Construct(method.empty() ? obj : m.Get(obj, method), args));
        if (obj.IsObject()) HaltIfGone(f);
        break;
    }
    case 0x42: {
        // A count no array could hold makes no array and leaves the elements where they are.
        double n = m.ToNumber(Top(f));
        if (n < 0 || n > 2147483647.0) {
            Pop(f);
            Push(Value());
            break;
        }
        std::vector<Value> elements = PopArgs(f);
        Push(Value(m.NewArray(std::move(elements))));
        break;
    }
    case 0x43: {
        double n = m.ToNumber(Pop(f));
        Object* o = m.NewObject();
        std::size_t available = (m.m_stack.size() - std::min(m.m_stack.size(), f.stackBase)) / 2;
        std::size_t count = n > 0 ? static_cast<std::size_t>(std::min(n, static_cast<double>(available))) : 0;
        for (std::size_t k = 0; k < count; ++k) {
            Value v = Pop(f);
            m.Set(Value(o), m.ToString(Pop(f)), v);
        }
        Push(Value(o));
        break;
    }
    case 0x3A: {
        std::string name = m.ToString(Pop(f));
        Object* o = Pop(f).Obj();
        Push(Value(o && m.Delete(o, name)));
        break;
    }
    case 0x3B: {
        std::string name = m.ToString(Pop(f));
        bool removed = false;
        for (std::size_t i = f.scope.size(); i-- > 0 && !removed;)
            if (f.scope[i]->FindOwn(name)) removed = m.Delete(f.scope[i], name);
        if (!removed && m.R().global->FindOwn(name)) removed = m.Delete(m.R().global, name);
        Push(Value(removed));
        break;
    }
    case 0x44:
        Push(Value(m.TypeOf(Pop(f))));
        break;
    case 0x46:
        DoEnumerate(GetVariable(f, m.ToString(Pop(f))));
        break;
    case 0x55:
        DoEnumerate(Pop(f));
        break;
    case 0x54: {
        Object* ctor = Pop(f).Obj();
        Value obj = Pop(f);
        Push(Value(m.InstanceOf(obj, ctor)));
        break;
    }
    case 0x2B: {
        Value obj = Pop(f);
        Object* ctor = Pop(f).Obj();
        Push(m.InstanceOf(obj, ctor) ? obj : Value::Null());
        break;
    }
    case 0x2C: {
        Object* ctor = Pop(f).Obj();
        std::vector<Value> interfaces = PopArgs(f);
        Object* proto = ctor ? m.Get(Value(ctor), "prototype").Obj() : nullptr;
        if (!proto) break;
        for (const Value& i : interfaces) {
            Object* ip = m.Get(i, "prototype").Obj();
            if (ip && proto->Interfaces().size() < 64) proto->Interfaces().push_back(ip);
        }
        break;
    }
    case 0x69: {
        Value super = Pop(f);
        Object* sub = Pop(f).Obj();
        if (!sub || !super.IsObject()) break;
        Object* proto = m.NewObject(m.Get(super, "prototype").Obj());
        proto->Define("__constructor__", super, kDontEnum);
        sub->Define("prototype", Value(proto), kDontEnum);
        break;
    }
    default:
        break;
    }
}

}  // namespace fh::avm1
