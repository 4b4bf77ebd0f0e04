// The garbage collector: a full mark-and-sweep collection run whenever the bytes in use reach
// the threshold, with weak tables and finalizers of full userdata.
#pragma once

#include "script/LuaObject.h"
#include "script/LuaState.h"

#define luaC_checkGC(L)                                             \
  {                                                                 \
    if (G(L)->nblocks >= G(L)->GCthreshold) luaC_collectgarbage(L); \
  }

size_t luaC_separateudata(lua_State* L);
void luaC_callGCTM(lua_State* L);
void luaC_sweep(lua_State* L, int all);
void luaC_collectgarbage(lua_State* L);
void luaC_link(lua_State* L, GCObject* o, lu_byte tt);
