// Helpers shared by the string, table, math, io and os libraries: checked conversions of
// numbers to sizes and positions, and the entry points that one library file hands another.
#pragma once

#include <cstddef>
#include <cstdint>

#include "script/LuaAux.h"

// Positions and counts of the libraries, saturated instead of wrapping.
inline int64_t LibToInteger(lua_Number d) {
  if (d != d) return 0;
  if (d >= 9.0e18) return INT64_C(9000000000000000000);
  if (d <= -9.0e18) return -INT64_C(9000000000000000000);
  return (int64_t)d;
}

inline int64_t LibCheckInteger(lua_State* L, int arg) {
  return LibToInteger(luaL_checknumber(L, arg));
}

inline int64_t LibOptInteger(lua_State* L, int arg, int64_t def) {
  return lua_isnoneornil(L, arg) ? def : LibCheckInteger(L, arg);
}

// The low 32 bits of a number truncated toward zero.
inline uint32_t LibLow32(lua_Number d) { return (uint32_t)lua_number2int64(d); }

// The io and os result convention: true, or nil, the error text (after the file name when
// one is given) and the error number of the failed call.
int PushResult(lua_State* L, bool ok, const char* filename);

// string.lualex and the second registration table (pack, unpack) live in StringPack.cpp.
int str_lualex(lua_State* L);
void luaI_openstrpack(lua_State* L);

// The os table; opened by luaopen_io.
void luaI_openos(lua_State* L);
