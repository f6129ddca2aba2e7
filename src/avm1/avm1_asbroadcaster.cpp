// AsBroadcaster: an object made a broadcaster keeps its listeners in
// `_listeners` and tells each of them a message by calling the method of
// that name on it (TextField and Selection are made so).

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

Object* Listeners(Machine& m, const Value& self) {
    Object* list = m.Get(self, "_listeners").Obj();
    return list && list->Kind() == ObjKind::Array ? list : nullptr;
}

// Where the listener is in the list; -1 if it is not there.
long IndexOf(Object* list, const Value& listener) {
    const std::vector<Value>& items = list->Elements();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (StrictEquals(items[i], listener)) return static_cast<long>(i);
    return -1;
}

Value AddListener(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* list = Listeners(m, self);
    if (!list) return Value(false);
    const Value& listener = Arg(args, 0);
    const long at = IndexOf(list, listener);
    if (at >= 0) list->Elements().erase(list->Elements().begin() + at);
    m.SetArrayLength(list, static_cast<double>(list->Elements().size()) + 1);
    list->Elements().back() = listener;
    list->ForgetElementOrder();
    return Value(true);
}

Value RemoveListener(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* list = Listeners(m, self);
    if (!list) return Value(false);
    const long at = IndexOf(list, Arg(args, 0));
    if (at < 0) return Value(false);
    list->Elements().erase(list->Elements().begin() + at);
    list->ForgetElementOrder();
    return Value(true);
}

Value BroadcastMessage(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* list = Listeners(m, self);
    if (!list || args.empty()) return Value();
    const std::string name = m.ToString(args[0]);
    const std::vector<Value> rest(args.begin() + 1, args.end());
    // A listener that adds or removes listeners changes the next message's list, not this one's.
    const std::vector<Value> listeners = list->Elements();
    for (const Value& listener : listeners) m.CallMethod(listener, name, rest);
    return Value(!listeners.empty());
}

Value Initialize(Machine& m, const Value&, const std::vector<Value>& args) {
    if (Object* o = Arg(args, 0).Obj()) InitializeBroadcaster(m, o);
    return Value();
}

Value NewBroadcaster(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

}  // namespace

void InitializeBroadcaster(Machine& m, Object* o) {
    Object* b = m.R().asBroadcaster;
    for (const char* name : {"broadcastMessage", "addListener", "removeListener"})
        o->Define(name, m.Get(Value(b), name), kDontEnum);
    o->Define("_listeners", Value(m.NewArray()), kDontEnum);
}

void InstallAsBroadcaster(Machine& m) {
    Object* proto = m.NewObject();
    Object* ctor = DefineClass(m, "AsBroadcaster", NewBroadcaster, nullptr, proto);
    m.R().asBroadcaster = ctor;
    DefineMethod(m, ctor, "initialize", Initialize);
    DefineMethod(m, ctor, "addListener", AddListener);
    DefineMethod(m, ctor, "removeListener", RemoveListener);
    DefineMethod(m, ctor, "broadcastMessage", BroadcastMessage);
}

}  // namespace fh::avm1
