// How the codex window reads the tables its scripts hand it.
#pragma once

#include <cstdint>

#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"

// The table's size as the scripts count it: its "n" field, else its largest integer index.
inline int32_t LuaTableSize(TLuaTable& table) {
  lua_State* L = table.GetState();
  const int top = lua_gettop(L);
  table.Push();
  const int32_t n = lua_getmaxn(L, -1);
  lua_settop(L, top);
  return n;
}

// Calls fn(key, value) for every pair whose key and value are both numbers or strings that
// read as numbers, truncated, in the table's order; any other pair is skipped.
template <class Fn>
void ForEachNumberPair(TLuaTable& table, Fn fn) {
  lua_State* L = table.GetState();
  const int top = lua_gettop(L);
  table.Push();
  lua_pushnil(L);
  while (lua_next(L, -2) != 0) {
    if (lua_isnumber(L, -2) && lua_isnumber(L, -1))
      fn(NumberToInt(lua_tonumber(L, -2)), NumberToInt(lua_tonumber(L, -1)));
    lua_pop(L, 1);
  }
  lua_settop(L, top);
}
