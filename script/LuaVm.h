// The virtual machine: the interpreter loop of Lua functions and the value operations it needs
// (indexing with metamethods, conversions, equality, ordering, concatenation).
#pragma once

#include "script/LuaDo.h"
#include "script/LuaObject.h"
#include "script/LuaTm.h"

#define tostring(L, o) ((ttype(o) == LUA_TSTRING) || (luaV_tostring(L, o)))
#define tonumber(o, n) (ttype(o) == LUA_TNUMBER || (((o) = luaV_tonumber(o, n)) != nullptr))
#define equalobj(L, o1, o2) (ttype(o1) == ttype(o2) && luaV_equalObj(L, o1, o2))

int luaV_lessthan(lua_State* L, const TObject* l, const TObject* r);
int luaV_lessequal(lua_State* L, const TObject* l, const TObject* r);
int luaV_equalObj(lua_State* L, const TObject* t1, const TObject* t2);
const TObject* luaV_tonumber(const TObject* obj, TObject* n);
int luaV_tostring(lua_State* L, StkId obj);
int luaV_towstring(lua_State* L, TObject* obj);
const TObject* luaV_gettable(lua_State* L, const TObject* t, TObject* key, int loop);
void luaV_settable(lua_State* L, const TObject* t, TObject* key, StkId val);
StkId luaV_execute(lua_State* L);
void luaV_concat(lua_State* L, int total, int last);
