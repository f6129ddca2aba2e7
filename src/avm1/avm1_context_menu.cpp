// ContextMenu and ContextMenuItem: movies build their menus with them. The
// player keeps its own menu, so the objects only hold what scripts put in
// them; their copies are deep as Flash's are.

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

const char* const kBuiltIns[] = {"print", "forward_back", "rewind", "loop", "play", "quality", "zoom", "save"};

Value MenuConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o) return Value();
    // Defined in this order; a for-in lists the newest first.
    m.Set(self, "onSelect", Arg(args, 0));
    Object* builtIns = m.NewObject();
    for (const char* name : kBuiltIns) builtIns->Define(name, Value(true), 0);
    m.Set(self, "builtInItems", Value(builtIns));
    m.Set(self, "customItems", Value(m.NewArray()));
    return self;
}

Value MenuCall(Machine& m, const Value&, const std::vector<Value>& args) {
    Object* proto = m.Get(m.Get(Value(m.R().global), "ContextMenu"), "prototype").Obj();
    return MenuConstruct(m, Value(m.NewObject(proto)), args);
}

Value HideBuiltInItems(Machine& m, const Value& self, const std::vector<Value>&) {
    const Value items = m.Get(self, "builtInItems");
    if (items.IsObject())
        for (const char* name : kBuiltIns) m.Set(items, name, Value(false));
    return Value();
}

Value MenuCopy(Machine& m, const Value& self, const std::vector<Value>&) {
    if (!self.IsObject()) return Value();
    const Value copy = m.Construct(m.Get(Value(m.R().global), "ContextMenu"), {m.Get(self, "onSelect")});
    if (!copy.IsObject()) return Value();
    const Value from = m.Get(self, "builtInItems");
    const Value to = m.Get(copy, "builtInItems");
    if (from.IsObject() && to.IsObject())
        for (const char* name : kBuiltIns) m.Set(to, name, m.Get(from, name));
    Object* items = m.Get(self, "customItems").Obj();
    Object* copied = m.Get(copy, "customItems").Obj();
    if (items && copied && items->Kind() == ObjKind::Array && copied->Kind() == ObjKind::Array) {
        std::vector<Value> each;
        for (const Value& item : items->Elements()) each.push_back(item.IsObject() ? m.CallMethod(item, "copy", {}) : item);
        m.SetArrayLength(copied, static_cast<double>(each.size()));
        copied->Elements() = std::move(each);
    }
    return copy;
}

Value ItemConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!self.IsObject()) return Value();
    m.Set(self, "caption", Arg(args, 0));
    m.Set(self, "onSelect", Arg(args, 1));
    m.Set(self, "separatorBefore", args.size() > 2 ? Value(ToBoolean(args[2], m.Version())) : Value(false));
    m.Set(self, "enabled", args.size() > 3 ? Value(ToBoolean(args[3], m.Version())) : Value(true));
    m.Set(self, "visible", args.size() > 4 ? Value(ToBoolean(args[4], m.Version())) : Value(true));
    return self;
}

Value ItemCall(Machine& m, const Value&, const std::vector<Value>& args) {
    Object* proto = m.Get(m.Get(Value(m.R().global), "ContextMenuItem"), "prototype").Obj();
    return ItemConstruct(m, Value(m.NewObject(proto)), args);
}

Value ItemCopy(Machine& m, const Value& self, const std::vector<Value>&) {
    if (!self.IsObject()) return Value();
    return m.Construct(m.Get(Value(m.R().global), "ContextMenuItem"),
                       {m.Get(self, "caption"), m.Get(self, "onSelect"), m.Get(self, "separatorBefore"),
                        m.Get(self, "enabled"), m.Get(self, "visible")});
}

}  // namespace

void InstallContextMenu(Machine& m) {
    Object* menu = m.NewObject();
    DefineMethod(m, menu, "hideBuiltInItems", HideBuiltInItems);
    DefineMethod(m, menu, "copy", MenuCopy);
    DefineClass(m, "ContextMenu", MenuCall, MenuConstruct, menu);
    Object* item = m.NewObject();
    DefineMethod(m, item, "copy", ItemCopy);
    DefineClass(m, "ContextMenuItem", ItemCall, ItemConstruct, item);
}

}  // namespace fh::avm1
