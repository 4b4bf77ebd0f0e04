// Tables: key normalisation, string and wide-string keys, the sizes a rehash chooses, nil
// stores and traversal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "script/LuaState.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "tests/script/VmTestHelpers.h"

TEST(TableLayout, KeysAreNormalisedAndKindsOfTextStayApart) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local t = {} t[1.0] = 'a' t[-0] = 'z' return t[1], t[0]", "a,z"},
      {"local t = {} t.ab = 'narrow' t[L\"ab\"] = 'wide' return t.ab, t[L\"ab\"]", "narrow,wide"},
      {"local t = {} t.x = nil local n = 0 for k in pairs(t) do n = n + 1 end return n, next(t)",
       "0,nil"},
      {"local t = {} t[nil] = 1", "error: test:1: table index is nil"},
      {"local t = {} t[0/0] = 1", "error: test:1: table index is NaN"},
      {"return next({}, 'nokey')", "error: invalid key for `next'"},
      {"local t = {a = 1, b = 2, c = 3, 10, 20} for k in pairs(t) do t[k] = nil end return next(t)",
       "nil"},
      {"local t = {} t[true] = 1 t[false] = 2 t[print] = 3 return t[true], t[false], t[print]",
       "1,2,3"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(TableLayout, RehashKeepsDenseIntegersInTheArrayPart) {
  ScriptState s;
  lua_State* L = s.L;
  RunScript(L, "t = {} t[1] = 1 t[2] = 2 t[3] = 3 t[100] = 100");
  lua_pushstring(L, "t");
  lua_gettable(L, LUA_GLOBALSINDEX);
  Table* t = hvalue(L->top - 1);
  EXPECT_EQ(t->sizearray, 4);
  EXPECT_EQ(sizenode(t), 2);
  EXPECT_EQ(RunScript(L, "return t[1], t[3], t[100], t[4]"), "1,3,100,nil");
  lua_pop(L, 1);

  // A table made with room for 16 nodes takes 10 string keys without a rehash.
  Table* h = luaH_new(L, 0, 4);
  sethvalue(L->top, h);
  L->top++;
  Node* nodes = h->node;
  for (int i = 0; i < 10; i++) {
    char key[8];
    snprintf(key, sizeof(key), "k%d", i);
    TObject k;
    setsvalue(&k, luaS_new(L, key));
    setnvalue(luaH_set(L, h, &k), i);
  }
  EXPECT_EQ(h->node, nodes);
  EXPECT_EQ(nvalue(luaH_getstr(h, luaS_new(L, "k7"))), 7);
  lua_pop(L, 1);
}

// A rehash that shrinks the array part moves the entries above its new size into the hash part.
TEST(TableLayout, ShrinkingTheArrayPartKeepsItsEntries) {
  ScriptState s;
  lua_State* L = s.L;
  RunScript(L, "t = {} for i = 1, 8 do t[i] = i end for i = 2, 7 do t[i] = nil end");
  lua_pushstring(L, "t");
  lua_gettable(L, LUA_GLOBALSINDEX);
  Table* t = hvalue(L->top - 1);
  EXPECT_EQ(t->sizearray, 8);
  RunScript(L, "for i = 1, 20 do t['k' .. i] = i end");
  EXPECT_EQ(t->sizearray, 1);
  EXPECT_EQ(
      RunScript(L,
                "local n = 0 for k in pairs(t) do n = n + 1 end return n, t[1], t[8], t.k20, t[2]"),
      "22,1,8,20,nil");
  lua_pop(L, 1);
}

// Whichever allocation of a rehash fails (the shrunk array, the node vector), the table keeps
// every entry it had.
TEST(TableLayout, AResizeThatRunsOutOfMemoryLosesNoEntry) {
  lua_Settings saved = *lua_settings();
  lua_settings()->alloc = LimitedAlloc;
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  luaopen_base(L);
  int failures = 0;
  for (long limit = 0; limit < 12; limit++) {
    RunScript(L, "t = {} for i = 1, 8 do t[i] = i end t.a = 'a' for i = 2, 7 do t[i] = nil end");
    const char* fill = "for i = 1, 40 do t['k' .. i] = i end";
    ASSERT_EQ(luaL_loadbuffer(L, fill, strlen(fill), "=fill"), 0);
    lua_setgcthreshold(L, 0);  // no collection below: the same allocations every round
    lua_setgcthreshold(L, 1 << 20);
    gAllocationsLeft = limit;
    int status = lua_pcall(L, 0, 0, 0);
    lua_settop(L, 0);
    failures += status == LUA_ERRMEM;
    gAllocationsLeft = -1;
    EXPECT_EQ(
        RunScript(L,
                  "local n = 0 for k in pairs(t) do n = n + 1 end return n >= 3, t[1], t[8], t.a"),
        "true,1,8,a")
        << limit;
  }
  EXPECT_GE(failures, 4);
  lua_close(L);
  *lua_settings() = saved;
}
