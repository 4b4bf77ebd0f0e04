// Helpers for the interpreter tests: a state with the base library, and running snippets that
// report their results or their error message as text.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/LuaLibs.h"

struct ScriptState {
  lua_State* L;
  ScriptState() : L(lua_open()) {
    if (L) luaopen_base(L);
  }
  ~ScriptState() {
    if (L) lua_close(L);
  }
  ScriptState(const ScriptState&) = delete;
  ScriptState& operator=(const ScriptState&) = delete;
};

// Text of the value at idx for comparisons: strings as they are, wide strings as "L'...'" with
// their low bytes, other values by type.
inline std::string ValueText(lua_State* L, int idx) {
  switch (lua_type(L, idx)) {
    case LUA_TNIL: return "nil";
    case LUA_TBOOLEAN: return lua_toboolean(L, idx) ? "true" : "false";
    case LUA_TNUMBER: {
      char b[64];
      snprintf(b, sizeof(b), "%.14g", lua_tonumber(L, idx));
      return b;
    }
    case LUA_TSTRING: return std::string(lua_tostring(L, idx), lua_strlen(L, idx));
    case LUA_TWSTRING: {
      std::string s = "L'";
      const uint16_t* w = lua_towstring(L, idx);
      size_t n = lua_strlen(L, idx);
      for (size_t i = 0; i < n; i++) s += (char)(w[i] & 0xFF);
      return s + "'";
    }
    default: return lua_typename(L, lua_type(L, idx));
  }
}

// Runs a chunk; answers its results joined by "," or "error: <message>".
inline std::string RunScript(lua_State* L, const std::string& code) {
  int top = lua_gettop(L);
  int status = luaL_loadbuffer(L, code.data(), code.size(), "=test");
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  std::string out;
  if (status != 0) {
    out = "error: " + ValueText(L, -1);
  } else {
    for (int i = top + 1; i <= lua_gettop(L); i++) {
      if (i > top + 1) out += ",";
      out += ValueText(L, i);
    }
  }
  lua_settop(L, top);
  return out;
}

// An allocator that fails once a budget of allocations is spent, for out-of-memory paths. Each
// test program has one budget; below 0 means no limit.
inline long gAllocationsLeft = -1;

inline void* LimitedAlloc(void*, void* block, size_t, size_t newsize, int, int) {
  if (newsize == 0) {
    free(block);
    return nullptr;
  }
  if (gAllocationsLeft == 0) return nullptr;
  if (gAllocationsLeft > 0) gAllocationsLeft--;
  return realloc(block, newsize);
}

// A snippet and the text RunScript should give for it, for tables of cases.
struct ScriptCase {
  const char* code;
  const char* expected;
};

inline void RunCases(lua_State* L, const ScriptCase* cases, size_t n) {
  for (size_t i = 0; i < n; i++)
    EXPECT_EQ(RunScript(L, cases[i].code), cases[i].expected) << cases[i].code;
}
