// Array's methods other than sorting and joining: adding and removing
// elements, slicing, concatenating, reversing. They work on real arrays
// only; on any other object they do nothing and answer undefined.

#include <algorithm>
#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// Moving elements costs about an action per thousand.
constexpr std::size_t kElementsPerAction = 1024;

Object* ThisArray(const Value& self) {
    Object* o = self.Obj();
    return o && o->Kind() == ObjKind::Array ? o : nullptr;
}

// The array `this` is, charged for moving all its elements.
Object* ThisArrayCharged(Machine& m, const Value& self) {
    Object* o = ThisArray(self);
    if (o) m.Charge(o->Elements().size() / kElementsPerAction);
    return o;
}

// Makes room for `more` elements, cut past the length cap.
void Reserve(Machine& m, Object* a, std::size_t more) {
    if (more > m.GetLimits().maxArrayLength - std::min(a->Elements().size(), m.GetLimits().maxArrayLength)) m.Cut();
}

// A relative position (negative counts from the end) clamped to [0, length].
std::size_t Position(double relative, std::size_t length) {
    double n = ToInteger(relative);
    double len = static_cast<double>(length);
    double at = n < 0 ? std::max(len + n, 0.0) : std::min(n, len);
    return static_cast<std::size_t>(at);
}

Value Push(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = ThisArray(self);
    if (!a) return Value();
    Reserve(m, a, args.size());
    a->Elements().insert(a->Elements().end(), args.begin(), args.end());
    return Value(static_cast<double>(a->Elements().size()));
}

Value Pop(Machine&, const Value& self, const std::vector<Value>&) {
    Object* a = ThisArray(self);
    if (!a || a->Elements().empty()) return Value();
    Value last = a->Elements().back();
    a->ResizeElements(a->Elements().size() - 1);
    return last;
}

Value Shift(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* a = ThisArrayCharged(m, self);
    if (!a || a->Elements().empty()) return Value();
    Value first = a->Elements().front();
    a->Elements().erase(a->Elements().begin());
    a->ForgetElementOrder();
    return first;
}

Value Unshift(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = ThisArrayCharged(m, self);
    if (!a) return Value();
    Reserve(m, a, args.size());
    a->Elements().insert(a->Elements().begin(), args.begin(), args.end());
    a->ForgetElementOrder();
    return Value(static_cast<double>(a->Elements().size()));
}

Value Slice(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = ThisArrayCharged(m, self);
    if (!a) return Value();
    std::vector<Value>& e = a->Elements();
    std::size_t begin = args.empty() ? 0 : Position(m.ToNumber(args[0]), e.size());
    std::size_t end = Arg(args, 1).IsUndefined() ? e.size() : Position(m.ToNumber(args[1]), e.size());
    if (end < begin) end = begin;
    return Value(m.NewArray(std::vector<Value>(e.begin() + static_cast<std::ptrdiff_t>(begin),
                                               e.begin() + static_cast<std::ptrdiff_t>(end))));
}

// The players answer undefined, changing nothing, for a start or a count
// left undefined and for a negative count.
Value Splice(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = ThisArrayCharged(m, self);
    if (!a || Arg(args, 0).IsUndefined() || (args.size() >= 2 && args[1].IsUndefined())) return Value();
    double start = m.ToNumber(args[0]);
    std::size_t length = a->Elements().size();
    std::size_t begin = Position(start, length);
    std::size_t count = length - begin;
    if (args.size() >= 2) {
        double n = ToInteger(m.ToNumber(args[1]));
        if (n < 0) return Value();
        count = static_cast<std::size_t>(std::min(n, static_cast<double>(count)));
    }
    // The array may have changed while the arguments were converted.
    std::vector<Value>& e = a->Elements();
    begin = std::min(begin, e.size());
    count = std::min(count, e.size() - begin);
    std::size_t added = args.size() > 2 ? args.size() - 2 : 0;
    if (added > count) Reserve(m, a, added - count);
    auto first = e.begin() + static_cast<std::ptrdiff_t>(begin);
    std::vector<Value> removed(first, first + static_cast<std::ptrdiff_t>(count));
    e.erase(first, first + static_cast<std::ptrdiff_t>(count));
    if (added) e.insert(e.begin() + static_cast<std::ptrdiff_t>(begin), args.begin() + 2, args.end());
    a->ForgetElementOrder();
    return Value(m.NewArray(std::move(removed)));
}

Value Concat(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = ThisArrayCharged(m, self);
    if (!a) return Value();
    std::vector<Value> out = a->Elements();
    std::size_t cap = m.GetLimits().maxArrayLength;
    for (const Value& v : args) {
        Object* o = v.Obj();
        std::size_t more = o && o->Kind() == ObjKind::Array ? o->Elements().size() : 1;
        if (more > cap - std::min(out.size(), cap)) m.Cut();
        if (o && o->Kind() == ObjKind::Array) {
            out.insert(out.end(), o->Elements().begin(), o->Elements().end());
        } else {
            out.push_back(v);
        }
    }
    return Value(m.NewArray(std::move(out)));
}

Value Reverse(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* a = ThisArrayCharged(m, self);
    if (!a) return Value();
    std::reverse(a->Elements().begin(), a->Elements().end());
    a->ForgetElementOrder();
    return self;
}

}  // namespace

void InstallArrayMethods(Machine& m) {
    Object* proto = m.R().arrayProto;
    DefineMethod(m, proto, "push", Push);
    DefineMethod(m, proto, "pop", Pop);
    DefineMethod(m, proto, "shift", Shift);
    DefineMethod(m, proto, "unshift", Unshift);
    DefineMethod(m, proto, "slice", Slice);
    DefineMethod(m, proto, "splice", Splice);
    DefineMethod(m, proto, "concat", Concat);
    DefineMethod(m, proto, "reverse", Reverse);
}

}  // namespace fh::avm1
