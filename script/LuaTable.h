// Tables: an array part for the integer keys 1..n and a hash part of chained nodes in one
// power-of-two vector, resized only when no free node is left.
#pragma once

#include "script/LuaObject.h"

#define gnode(t, i) (&(t)->node[i])
#define gkey(n) (&(n)->i_key)
#define gval(n) (&(n)->i_val)

const TObject* luaH_getnum(Table* t, int key);
TObject* luaH_setnum(lua_State* L, Table* t, int key);
const TObject* luaH_getstr(Table* t, TString* key);
const TObject* luaH_getwstr(Table* t, TString* key);
const TObject* luaH_get(Table* t, const TObject* key);
TObject* luaH_set(lua_State* L, Table* t, const TObject* key);
Table* luaH_new(lua_State* L, int narray, int lnhash);
void luaH_free(lua_State* L, Table* t);
int luaH_next(lua_State* L, Table* t, StkId key);
Node* luaH_mainposition(const Table* t, const TObject* key);
