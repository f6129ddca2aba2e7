// The player's own objects: Stage, Key, Mouse, System and
// its capabilities, Accessibility, and the Sound and SharedObject classes
// as far as a player that plays no sound and writes no file has them.

#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

// Stage: the movie's size and how it is shown; the player scales it as it
// likes, so what scripts set is kept and read back.
struct StageState : NativeData {
    std::string scaleMode = "showAll";
    std::string align;
    bool showMenu = true;
    bool fullScreen = false;
};

StageState* StageOf(const Value& self) {
    Object* o = self.Obj();
    return o ? o->NativeAs<StageState>() : nullptr;
}

Value StageWidth(Machine& m, const Value&, const std::vector<Value>&) { return Value(m.GetHost().StageWidth()); }
Value StageHeight(Machine& m, const Value&, const std::vector<Value>&) { return Value(m.GetHost().StageHeight()); }

Value GetScaleMode(Machine&, const Value& self, const std::vector<Value>&) {
    StageState* s = StageOf(self);
    return s ? Value(s->scaleMode) : Value();
}

Value SetScaleMode(Machine& m, const Value& self, const std::vector<Value>& args) {
    StageState* s = StageOf(self);
    if (!s) return Value();
    const std::string mode = m.ToString(Arg(args, 0));
    static const char* const kModes[][2] = {
        {"showAll", "showall"}, {"exactFit", "exactfit"}, {"noBorder", "noborder"}, {"noScale", "noscale"}};
    for (const auto& known : kModes) {
        if (NameIs(mode, known[1])) s->scaleMode = known[0];
    }
    return Value();
}

Value GetAlign(Machine&, const Value& self, const std::vector<Value>&) {
    StageState* s = StageOf(self);
    return s ? Value(s->align) : Value();
}

// The letters L, T, R and B that the value holds, in that order.
Value SetAlign(Machine& m, const Value& self, const std::vector<Value>& args) {
    StageState* s = StageOf(self);
    if (!s) return Value();
    const std::string given = m.ToString(Arg(args, 0));
    s->align.clear();
    for (char letter : {'L', 'T', 'R', 'B'}) {
        for (char c : given) {
            if ((c & ~0x20) == letter) {
                s->align += letter;
                break;
            }
        }
    }
    return Value();
}

Value GetShowMenu(Machine&, const Value& self, const std::vector<Value>&) {
    StageState* s = StageOf(self);
    return s ? Value(s->showMenu) : Value();
}

Value SetShowMenu(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (StageState* s = StageOf(self)) s->showMenu = ToBoolean(Arg(args, 0), m.Version());
    return Value();
}

Value GetDisplayState(Machine&, const Value& self, const std::vector<Value>&) {
    StageState* s = StageOf(self);
    return s ? Value(s->fullScreen ? "fullScreen" : "normal") : Value();
}

// The state changes as asked (the player shows the movie as it is either
// way) and the listeners hear of it at once.
Value SetDisplayState(Machine& m, const Value& self, const std::vector<Value>& args) {
    StageState* s = StageOf(self);
    if (!s) return Value();
    const std::string state = m.ToString(Arg(args, 0));
    bool full;
    if (NameIs(state, "fullscreen")) {
        full = true;
    } else if (NameIs(state, "normal")) {
        full = false;
    } else {
        return Value();
    }
    if (full == s->fullScreen) return Value();
    s->fullScreen = full;
    m.CallMethod(self, "broadcastMessage", {Value("onFullScreen"), Value(full)});
    return Value();
}

// Key: what the player's keyboard pressed last and holds down.
struct KeyState : NativeData {
    bool down[256] = {};
    int code = 0, ascii = 0;
};

KeyState* KeysOf(Machine& m) {
    Object* key = m.Get(Value(m.R().global), "Key").Obj();
    return key ? key->NativeAs<KeyState>() : nullptr;
}

Value KeyIsDown(Machine& m, const Value&, const std::vector<Value>& args) {
    KeyState* k = KeysOf(m);
    const double code = m.ToNumber(Arg(args, 0));
    return Value(k && code >= 0 && code < 256 && k->down[static_cast<int>(code)]);
}

Value KeyIsToggled(Machine&, const Value&, const std::vector<Value>&) { return Value(false); }

Value KeyGetCode(Machine& m, const Value&, const std::vector<Value>&) {
    KeyState* k = KeysOf(m);
    return Value(k ? k->code : 0);
}

Value KeyGetAscii(Machine& m, const Value&, const std::vector<Value>&) {
    KeyState* k = KeysOf(m);
    return Value(k ? k->ascii : 0);
}

// Mouse.hide and show answer whether the pointer was shown before.
struct MouseState : NativeData {
    bool shown = true;
};

Value MouseShowHide(Machine&, const Value& self, bool show) {
    Object* o = self.Obj();
    MouseState* s = o ? o->NativeAs<MouseState>() : nullptr;
    if (!s) return Value();
    const bool was = s->shown;
    s->shown = show;
    return Value(was ? 1 : 0);
}

Value MouseShow(Machine& m, const Value& self, const std::vector<Value>&) { return MouseShowHide(m, self, true); }
Value MouseHide(Machine& m, const Value& self, const std::vector<Value>&) { return MouseShowHide(m, self, false); }

Value Accepted(Machine&, const Value&, const std::vector<Value>&) { return Value(); }
Value AcceptedFalse(Machine&, const Value&, const std::vector<Value>&) { return Value(false); }

Object* NewSingleton(Machine& m, const char* name) {
    Object* o = m.NewObject();
    m.R().global->Define(name, Value(o), kDontEnum);
    return o;
}

void InstallStage(Machine& m) {
    Object* stage = NewSingleton(m, "Stage");
    stage->SetNative(std::make_unique<StageState>());
    InitializeBroadcaster(m, stage);
    DefineAccessor(m, stage, "width", StageWidth, nullptr);
    DefineAccessor(m, stage, "height", StageHeight, nullptr);
    DefineAccessor(m, stage, "scaleMode", GetScaleMode, SetScaleMode);
    DefineAccessor(m, stage, "align", GetAlign, SetAlign);
    DefineAccessor(m, stage, "showMenu", GetShowMenu, SetShowMenu);
    DefineAccessor(m, stage, "displayState", GetDisplayState, SetDisplayState);
}

void InstallKey(Machine& m) {
    Object* key = NewSingleton(m, "Key");
    key->SetNative(std::make_unique<KeyState>());
    InitializeBroadcaster(m, key);
    static const struct {
        const char* name;
        int code;
    } kCodes[] = {{"ALT", 18},   {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46},
                  {"DOWN", 40},  {"END", 35},      {"ENTER", 13},    {"ESCAPE", 27},  {"HOME", 36},
                  {"INSERT", 45}, {"LEFT", 37},    {"PGDN", 34},     {"PGUP", 33},    {"RIGHT", 39},
                  {"SHIFT", 16}, {"SPACE", 32},    {"TAB", 9},       {"UP", 38}};
    for (const auto& c : kCodes) key->Define(c.name, Value(c.code), kDontEnum | kDontDelete | kReadOnly);
    DefineMethod(m, key, "isDown", KeyIsDown);
    DefineMethod(m, key, "isToggled", KeyIsToggled);
    DefineMethod(m, key, "getCode", KeyGetCode);
    DefineMethod(m, key, "getAscii", KeyGetAscii);
}

void InstallMouse(Machine& m) {
    Object* mouse = NewSingleton(m, "Mouse");
    mouse->SetNative(std::make_unique<MouseState>());
    InitializeBroadcaster(m, mouse);
    DefineMethod(m, mouse, "show", MouseShow);
    DefineMethod(m, mouse, "hide", MouseHide);
}

// A desktop player of Flash 8 on Windows, set to Korean.
void InstallSystem(Machine& m) {
    Object* system = NewSingleton(m, "System");
    system->Define("useCodepage", Value(false), 0);
    system->Define("exactSettings", Value(true), 0);
    DefineMethod(m, system, "setClipboard", AcceptedFalse);
    DefineMethod(m, system, "showSettings", Accepted);
    Object* caps = m.NewObject();
    system->Define("capabilities", Value(caps), kDontEnum);
    const struct {
        const char* name;
        Value value;
    } kCapabilities[] = {
        {"avHardwareDisable", Value(false)}, {"hasAccessibility", Value(true)}, {"hasAudio", Value(true)},
        {"hasAudioEncoder", Value(true)}, {"hasEmbeddedVideo", Value(true)}, {"hasIME", Value(true)},
        {"hasMP3", Value(true)}, {"hasPrinting", Value(true)}, {"hasScreenBroadcast", Value(false)},
        {"hasScreenPlayback", Value(false)}, {"hasStreamingAudio", Value(true)}, {"hasStreamingVideo", Value(true)},
        {"hasVideoEncoder", Value(true)}, {"isDebugger", Value(false)}, {"language", Value("ko")},
        {"localFileReadDisable", Value(false)}, {"manufacturer", Value("Macromedia Windows")},
        {"os", Value("Windows XP")}, {"pixelAspectRatio", Value(1)}, {"playerType", Value("StandAlone")},
        {"screenColor", Value("color")}, {"screenDPI", Value(96)}, {"screenResolutionX", Value(1024)},
        {"screenResolutionY", Value(768)}, {"version", Value("WIN 8,0,24,0")}};
    for (const auto& c : kCapabilities) caps->Define(c.name, c.value, 0);
    Object* security = m.NewObject();
    system->Define("security", Value(security), kDontEnum);
    DefineMethod(m, security, "allowDomain", Accepted);
    DefineMethod(m, security, "allowInsecureDomain", Accepted);
    DefineMethod(m, security, "loadPolicyFile", Accepted);
    m.R().global->Define("$version", Value("WIN 8,0,24,0"), kDontEnum);

    Object* accessibility = NewSingleton(m, "Accessibility");
    DefineMethod(m, accessibility, "isActive", AcceptedFalse);
    DefineMethod(m, accessibility, "updateProperties", Accepted);
}

// Sound: its methods are accepted and the player stays silent; positions
// and durations read 0.
Value SoundConstruct(Machine&, const Value& self, const std::vector<Value>& args) {
    if (Object* o = self.Obj()) o->Primitive() = Arg(args, 0);
    return self;
}

Value Zero(Machine&, const Value&, const std::vector<Value>&) { return Value(0); }
Value Hundred(Machine&, const Value&, const std::vector<Value>&) { return Value(100); }

void InstallSound(Machine& m) {
    Object* proto = m.NewObject();
    for (const char* name : {"attachSound", "start", "stop", "setVolume", "setPan", "setTransform", "loadSound"})
        DefineMethod(m, proto, name, Accepted);
    DefineMethod(m, proto, "getVolume", Hundred);
    DefineMethod(m, proto, "getPan", Zero);
    DefineMethod(m, proto, "getBytesLoaded", Zero);
    DefineMethod(m, proto, "getBytesTotal", Zero);
    DefineAccessor(m, proto, "position", Zero, nullptr);
    DefineAccessor(m, proto, "duration", Zero, nullptr);
    DefineClass(m, "Sound", SoundConstruct, SoundConstruct, proto);
}

// SharedObject.getLocal: an object whose data lives as long as the movie
// plays; nothing is read from or written to disk.
Value SharedGetLocal(Machine& m, const Value& self, const std::vector<Value>& args) {
    const std::string name = m.ToString(Arg(args, 0));
    if (name.empty()) return Value::Null();
    Object* cache = m.Get(self, "__objects").Obj();
    if (!cache) return Value::Null();
    Value found;
    if (m.Lookup(Value(cache), name, found) && found.IsObject()) return found;
    Object* proto = m.Get(self, "prototype").Obj();
    Object* so = m.NewObject(proto);
    so->Define("data", Value(m.NewObject()), kDontDelete);
    cache->Define(name, Value(so), 0);
    return Value(so);
}

Value SharedFlush(Machine&, const Value&, const std::vector<Value>&) { return Value(true); }

Value SharedClear(Machine& m, const Value& self, const std::vector<Value>&) {
    if (Object* o = self.Obj()) o->Define("data", Value(m.NewObject()), kDontDelete);
    return Value();
}

Value SharedCall(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

void InstallSharedObject(Machine& m) {
    Object* proto = m.NewObject();
    DefineMethod(m, proto, "flush", SharedFlush);
    DefineMethod(m, proto, "clear", SharedClear);
    DefineMethod(m, proto, "getSize", Zero);
    DefineMethod(m, proto, "close", Accepted);
    DefineMethod(m, proto, "setFps", AcceptedFalse);
    DefineMethod(m, proto, "connect", AcceptedFalse);
    Object* ctor = DefineClass(m, "SharedObject", SharedCall, SharedCall, proto);
    ctor->Define("__objects", Value(m.NewObject()), kDontEnum);
    DefineMethod(m, ctor, "getLocal", SharedGetLocal);
    DefineMethod(m, ctor, "getRemote", SharedGetLocal);
}

}  // namespace

void BroadcastTo(Machine& m, const char* global, const char* event, const std::vector<Value>& args) {
    const Value target = m.Get(Value(m.R().global), global);
    if (!target.IsObject()) return;
    std::vector<Value> all{Value(event)};
    all.insert(all.end(), args.begin(), args.end());
    m.CallFunction(m.Get(target, "broadcastMessage"), target, all);
}

void KeyPressed(Machine& m, bool down, int code, int ascii) {
    if (KeyState* k = KeysOf(m)) {
        if (code >= 0 && code < 256) k->down[code] = down;
        k->code = code;
        k->ascii = ascii;
    }
    BroadcastTo(m, "Key", down ? "onKeyDown" : "onKeyUp");
}

void InstallPlayerObjects(Machine& m) {
    InstallStage(m);
    InstallKey(m);
    InstallMouse(m);
    InstallSystem(m);
    InstallSound(m);
    InstallSharedObject(m);
}

}  // namespace fh::avm1
