// Calls a method of a script object with a point, for windows that hand their clicks to an
// object of the level script.
#pragma once

#include "core/TRect.h"

class TLuaObjectWrapper;
class TLuaTable;

// self:method({x, y}, text), protected, with "_ALERT" as error handler. The result, wrapped and
// owned by the caller; null when the field is not a function, the call fails (its message goes
// to "_ALERT") or the result is nil. The Lua stack is left as it was found.
TLuaObjectWrapper* LuaCallMethodWithPoint(TLuaTable& self, const char* method, const TPoint& point,
                                          const char* text);
