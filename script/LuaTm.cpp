// Metamethod lookup: event names, the absence cache in a metatable's flags, and the per-type
// metatables through which plain values find their metamethods.
#include "script/LuaTm.h"

#include <cstring>

#include "script/LuaState.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"

const char* const luaT_typenames[] = {"nil",    "boolean", "userdata", "number",
                                      "string", "table",   "function", "userdata",
                                      "thread", "wstring", "proto",    "upval"};

void luaT_init(lua_State* L) {
  static const char* const luaT_eventname[] = {
      "__index", "__newindex", "__gc",  "__mode", "__eq", "__add",    "__sub", "__mul",
      "__div",   "__pow",      "__unm", "__lt",   "__le", "__concat", "__call"};
  for (int i = 0; i < TM_N; i++) {
    G(L)->tmname[i] = luaS_new(L, luaT_eventname[i]);
    luaS_fix(G(L)->tmname[i]);
  }
}

const TObject* luaT_gettm(Table* events, TMS event, TString* ename) {
  const TObject* tm = luaH_getstr(events, ename);
  if (ttisnil(tm)) {
    if (event <= TM_MUL) events->flags |= (lu_byte)(1u << event);
    return nullptr;
  }
  return tm;
}

const TObject* luaT_gettmbyobj(lua_State* L, const TObject* o, TMS event) {
  TString* ename = G(L)->tmname[event];
  switch (ttype(o)) {
    case LUA_TTABLE: return luaH_getstr(hvalue(o)->metatable, ename);
    case LUA_TUSERDATA: return luaH_getstr(uvalue(o)->uv.metatable, ename);
    default:
      // Plain values answer every event with their type's table itself.
      return &G(L)->typemt[ttype(o)];
  }
}

Table* luaT_getmetatable(lua_State* L, const TObject* o) {
  switch (ttype(o)) {
    case LUA_TTABLE: return hvalue(o)->metatable;
    case LUA_TUSERDATA: return uvalue(o)->uv.metatable;
    default: {
      const TObject* mt = &G(L)->typemt[ttype(o)];
      return ttistable(mt) ? hvalue(mt) : nullptr;
    }
  }
}
