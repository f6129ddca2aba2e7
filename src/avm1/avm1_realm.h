#pragma once
// The built-in prototypes and constructors one machine shares among its
// scripts, and the installers that fill them: each class is one
// `void InstallX(Machine&)` in its own file, called in order from
// InstallClasses (avm1_globals.cpp). A new class adds its prototype here if
// others need it, and its installer to that list.

#include <string>

#include "avm1/avm1_object.h"

namespace fh::avm1 {

class Machine;

struct Realm {
    Object* global = nullptr;
    Object* objectProto = nullptr;
    Object* functionProto = nullptr;
    Object* arrayProto = nullptr;
    Object* stringProto = nullptr;
    Object* numberProto = nullptr;
    Object* booleanProto = nullptr;
    Object* movieClipProto = nullptr;
    Object* errorProto = nullptr;
    Object* colorProto = nullptr;
    Object* asBroadcaster = nullptr;
    Object* textFieldProto = nullptr;
    Object* textFormatProto = nullptr;
    Object* buttonProto = nullptr;
};

// A native function object.
Object* NewNative(Machine& m, NativeFn fn);
// Defines a native method on an object (DontEnum, as the players' own are).
void DefineMethod(Machine& m, Object* on, const std::string& name, NativeFn fn);
// Gives an object the listeners of AsBroadcaster (addListener,
// removeListener, broadcastMessage and _listeners).
void InitializeBroadcaster(Machine& m, Object* o);
// Sends an event to the listeners of a global object (Key, Mouse, Stage).
void BroadcastTo(Machine& m, const char* global, const char* event, const std::vector<Value>& args = {});
// A key of the player's keyboard went down or up: Key's state and listeners.
void KeyPressed(Machine& m, bool down, int code, int ascii);
// A constructor: a native whose `prototype` is `proto` (whose `constructor`
// links back), defined on _global under `name`.
Object* DefineClass(Machine& m, const std::string& name, NativeFn call, NativeFn construct, Object* proto);
// The same, defined on a package object instead of _global.
Object* DefineClassIn(Machine& m, Object* on, const std::string& name, NativeFn call, NativeFn construct,
                      Object* proto);
// A package ("flash.geom"): the chain of objects from _global down, made
// where missing. Its root hides from movies older than 8, as the players' did.
Object* DefinePackage(Machine& m, const std::string& dotted);
// A property read and written through natives, as addProperty makes them
// (a setter of none: read-only).
void DefineAccessor(Machine& m, Object* on, const std::string& name, NativeFn get, NativeFn set,
                    std::uint32_t flags = kDontEnum);
// escape()'s form of text: letters, digits and "-_." stay, every other byte is %XX.
void AppendUrlEscaped(std::string& out, const std::string& text);

void InstallObject(Machine& m);
void InstallFunction(Machine& m);
void InstallArray(Machine& m);
void InstallString(Machine& m);
void InstallNumberBoolean(Machine& m);
void InstallArrayMethods(Machine& m);
void InstallArraySort(Machine& m);
void InstallStringMethods(Machine& m);
void InstallMath(Machine& m);
void InstallDate(Machine& m);
void InstallError(Machine& m);
void InstallMovieClip(Machine& m);
void InstallMovieClipDraw(Machine& m);
void InstallMovieClipGeom(Machine& m);
void InstallColor(Machine& m);
void InstallXml(Machine& m);
void InstallLoadVars(Machine& m);
void InstallGlobals(Machine& m);
void InstallAsBroadcaster(Machine& m);
void InstallTextField(Machine& m);
void InstallTextFormat(Machine& m);
void InstallSelection(Machine& m);
void InstallTimers(Machine& m);
void InstallPlayerObjects(Machine& m);
void InstallContextMenu(Machine& m);
void InstallGeom(Machine& m);
void InstallGeomMatrix(Machine& m);
void InstallBitmapData(Machine& m);
void InstallButton(Machine& m);
void InstallFilters(Machine& m);
void InstallClipEffects(Machine& m);
void InstallClasses(Machine& m);

// A text field's object was made: it broadcasts to listeners with itself the first.
void InitTextFieldObject(Machine& m, Object* o);
// A text field's _width and _height (pixels, as shown), set by resizing the field.
Value TextFieldSize(Machine& m, TimelineId t, bool width);
void SetTextFieldSize(Machine& m, TimelineId t, bool width, const Value& v);

// The argument at i, undefined past the end.
inline const Value& Arg(const std::vector<Value>& args, std::size_t i) {
    static const Value undefinedValue;
    return i < args.size() ? args[i] : undefinedValue;
}

}  // namespace fh::avm1
