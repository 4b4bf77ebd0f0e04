// Metamethod events: their numbering, their interned names, and the lookup of a value's
// metamethods through its own metatable or the per-type metatable of its tag.
#pragma once

#include "script/LuaObject.h"

// Events 0..7 can be cached as absent in a metatable's flags.
enum TMS {
  TM_INDEX,
  TM_NEWINDEX,
  TM_GC,
  TM_MODE,
  TM_EQ,  // last event with fast access
  TM_ADD,
  TM_SUB,
  TM_MUL,
  TM_DIV,
  TM_POW,
  TM_UNM,
  TM_LT,
  TM_LE,
  TM_CONCAT,
  TM_CALL,
  TM_N  // number of events
};

#define gfasttm(g, et, e) \
  (((et)->flags & (1u << (e))) ? nullptr : luaT_gettm(et, e, (g)->tmname[e]))
#define fasttm(l, et, e) gfasttm(G(l), et, e)

const TObject* luaT_gettm(Table* events, TMS event, TString* ename);
const TObject* luaT_gettmbyobj(lua_State* L, const TObject* o, TMS event);
// A table's or userdata's metatable, else the per-type metatable of the value's tag (or null).
Table* luaT_getmetatable(lua_State* L, const TObject* o);
void luaT_init(lua_State* L);

extern const char* const luaT_typenames[];
