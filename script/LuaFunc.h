// Prototypes, closures and upvalues: their creation, the closing of open upvalues when a frame
// ends, and the names of local variables for debug information.
#pragma once

#include "script/LuaObject.h"

#define sizeCclosure(n) ((int)sizeof(CClosure) + (int)sizeof(TObject) * ((n)-1))
#define sizeLclosure(n) ((int)sizeof(LClosure) + (int)sizeof(TObject*) * ((n)-1))

Proto* luaF_newproto(lua_State* L);
Closure* luaF_newCclosure(lua_State* L, int nelems);
Closure* luaF_newLclosure(lua_State* L, int nelems, TObject* e);
UpVal* luaF_findupval(lua_State* L, StkId level);
void luaF_close(lua_State* L, StkId level);
void luaF_freeproto(lua_State* L, Proto* f);
void luaF_freeclosure(lua_State* L, Closure* c);
const char* luaF_getlocalname(const Proto* func, int local_number, int pc);
