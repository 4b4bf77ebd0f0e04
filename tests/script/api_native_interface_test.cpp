// The native interface's own additions: the integer-key registry index, boxed pointers, wide
// strings through the stack, per-type tables, lua_getmaxn and lua_checkstack limits.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/script/VmTestHelpers.h"

TEST(ApiNativeInterface, IndicesBelowMinus40000ReadTheRegistryByIntegerKey) {
  ScriptState s;
  lua_State* L = s.L;
  lua_pushstring(L, "one");
  lua_rawseti(L, LUA_REGISTRYINDEX, 1);
  lua_pushnumber(L, 2);
  lua_rawseti(L, LUA_REGISTRYINDEX, 7);
  EXPECT_EQ(ValueText(L, -40001), "one");
  EXPECT_EQ(ValueText(L, lua_registryintindex(7)), "2");
  EXPECT_EQ(lua_type(L, -40002), LUA_TNIL);
  lua_pushvalue(L, -40001);
  EXPECT_EQ(ValueText(L, -1), "one");
  lua_settop(L, 0);
}

TEST(ApiNativeInterface, BoxedPointersHandOutThePointerAndUserdataTheirBlock) {
  ScriptState s;
  lua_State* L = s.L;
  int target = 0;
  lua_pushboxedpointer(L, &target);
  EXPECT_EQ(lua_type(L, -1), LUA_TUSERDATA);
  EXPECT_EQ(lua_touserdata(L, -1), &target);
  void* block = lua_newuserdata(L, 8);
  EXPECT_EQ(lua_touserdata(L, -1), block);
  void* odd = lua_newuserdata(L, 3);  // rounded up to 4: never taken for a boxed pointer
  EXPECT_EQ(lua_touserdata(L, -1), odd);
  memset(odd, 0xFF, 3);
  EXPECT_EQ(lua_touserdata(L, -1), odd);
  lua_settop(L, 0);
}

TEST(ApiNativeInterface, WideStringsAreStringsWithoutNarrowText) {
  ScriptState s;
  lua_State* L = s.L;
  const uint16_t abc[] = {'a', 'b', 0x263A, 0};
  lua_pushwstring(L, abc);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_STREQ(lua_typename(L, LUA_TWSTRING), "wstring");
  EXPECT_TRUE(lua_isstring(L, -1));
  EXPECT_EQ(lua_tostring(L, -1), nullptr);
  EXPECT_EQ(lua_strlen(L, -1), 3u);
  EXPECT_EQ(lua_towstring(L, -1)[2], 0x263A);
  lua_pushwstring(L, nullptr);
  EXPECT_TRUE(lua_isnil(L, -1));
  // A number converts in place to the wide text of "%.14g".
  lua_pushnumber(L, 12.5);
  const uint16_t* w = lua_towstring(L, -1);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(WideStrLen(w), 4u);
  EXPECT_EQ(w[0], '1');
  EXPECT_EQ(w[3], '5');
  lua_pushboolean(L, 1);
  EXPECT_EQ(lua_towstring(L, -1), nullptr);
  EXPECT_EQ(lua_type(L, -1), LUA_TBOOLEAN);
  EXPECT_EQ(lua_towstring(L, 50), nullptr);
  lua_settop(L, 0);
}

TEST(ApiNativeInterface, GetmaxnPrefersFieldNThenTheLargestNumberKey) {
  ScriptState s;
  lua_State* L = s.L;
  const struct {
    const char* table;
    int maxn;
  } cases[] = {
      {"return {1, 2, nil, 4}", 4},
      {"return {n = 10, 1}", 10},
      {"return {}", 0},
      {"return {[100] = 1, 2}", 100},
      {"local t = {1, 2, 3} t[3] = nil return t", 2},
      {"return {[2.7] = 1}", 2},
  };
  for (const auto& c : cases) {
    luaL_loadbuffer(L, c.table, strlen(c.table), "=t");
    lua_call(L, 0, 1);
    EXPECT_EQ(lua_getmaxn(L, -1), c.maxn) << c.table;
    lua_pop(L, 1);
  }
}

TEST(ApiNativeInterface, CheckstackRefusesFramesAbove2048Values) {
  ScriptState s;
  lua_State* L = s.L;
  EXPECT_EQ(lua_checkstack(L, 3000), 0);
  EXPECT_EQ(lua_checkstack(L, 10), 1);
  ASSERT_EQ(lua_checkstack(L, 2000), 1);
  for (int i = 0; i < 2000; i++) lua_pushnumber(L, i);
  EXPECT_EQ(ValueText(L, -1), "1999");
  EXPECT_EQ(lua_checkstack(L, 100), 0);
  lua_settop(L, 0);
  // Pushing past the frame's guaranteed slots grows the stack instead of overrunning it.
  for (int i = 0; i < 500; i++) lua_pushnumber(L, i);
  EXPECT_EQ(lua_gettop(L), 500);
  EXPECT_EQ(ValueText(L, 1), "0");
  lua_settop(L, 0);
}

TEST(ApiNativeInterface, TypeTablesArePushedAndReplacedByTag) {
  ScriptState s;
  lua_State* L = s.L;
  lua_newtable(L);
  lua_pushstring(L, "answer");
  lua_pushnumber(L, 42);
  lua_rawset(L, -3);
  lua_settypetable(L, LUA_TBOOLEAN);
  EXPECT_EQ(RunScript(L, "return (true).answer"), "42");
  lua_pushnumber(L, 1);  // not a table: dropped
  lua_settypetable(L, LUA_TBOOLEAN);
  EXPECT_EQ(lua_gettop(L), 0);
  lua_pushtypetable(L, LUA_TBOOLEAN);
  EXPECT_EQ(lua_type(L, -1), LUA_TTABLE);
  lua_pushboolean(L, 0);
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  EXPECT_TRUE(lua_rawequal(L, -1, -3));
  lua_settop(L, 0);
  lua_pushnil(L);
  EXPECT_EQ(lua_getmetatable(L, -1), 0);
  lua_settop(L, 0);
}
