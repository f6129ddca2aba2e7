#pragma once
// flash.geom (Point, Rectangle, Matrix, ColorTransform) as the other
// built-in classes make and read its objects. The classes keep their
// fields as plain properties, as script objects of theirs would: scripts
// may store anything there, and the methods convert as they read.

#include <string>
#include <vector>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

// A new object of flash.geom's class of that name, made by the class as the
// movie has it now (a plain object if the movie removed it).
Value NewGeom(Machine& m, const char* className, const std::vector<Value>& args);

// Whether a value is an instance of that flash.geom class as the movie has it now.
bool IsGeom(Machine& m, const Value& v, const char* className);

// A field read as a number.
inline double NumberField(Machine& m, const Value& o, const char* name) { return m.ToNumber(m.Get(o, name)); }

// Rectangle's installer, called by InstallGeom with the package.
void InstallGeomRectangle(Machine& m, Object* package);

}  // namespace fh::avm1
