// The collector: weak tables (values, keys, unreachable weak tables), finalizers that run once
// even when they resurrect their object, and byte counts that return to where they were.
#include <gtest/gtest.h>

#include <cstdlib>

#include "script/LuaGc.h"
#include "script/LuaState.h"
#include "tests/script/VmTestHelpers.h"

static std::string Collect(lua_State* L, const char* code) {
  std::string r = RunScript(L, code);
  lua_setgcthreshold(L, 0);
  return r;
}

TEST(GcCollector, WeakValuesDropTablesButKeepStrings) {
  ScriptState s;
  Collect(s.L,
          "weak = setmetatable({}, {__mode = 'v'}) weak.w = L\"wide\" weak.s = 'text' weak.t = {} "
          "weak[1] = {} kept = {} weak.k = kept");
  EXPECT_EQ(RunScript(s.L, "return weak.w, weak.s, weak.t, weak[1], weak.k == kept"),
            "L'wide',text,nil,nil,true");
}

TEST(GcCollector, WeakKeysDropEntriesWhoseKeysAreOtherwiseUnreachable) {
  ScriptState s;
  Collect(s.L,
          "self = {} setmetatable(self, self) self.__mode = 'k' "
          "local k = {} self[k] = 'gone' held = {} self[held] = 'kept'");
  EXPECT_EQ(
      RunScript(
          s.L,
          "local n = 0 for k, v in pairs(self) do if type(k) == 'table' then n = n + 1 end end "
          "return n, self[held]"),
      "1,kept");
}

TEST(GcCollector, FinalizerRunsOnceEvenWhenItResurrectsItsObject) {
  ScriptState s;
  Collect(s.L,
          "count = 0 do local p = newproxy(true) getmetatable(p).__gc = function(u) "
          "count = count + 1 saved = u end end");
  EXPECT_EQ(RunScript(s.L, "return count, type(saved)"), "1,userdata");
  Collect(s.L, "saved = nil");
  lua_setgcthreshold(s.L, 0);
  EXPECT_EQ(RunScript(s.L, "return count"), "1");
}

TEST(GcCollector, FinalizerErrorsPropagateFromTheCollectionPoint) {
  ScriptState s;
  RunScript(
      s.L,
      "do local p = newproxy(true) getmetatable(p).__gc = function() error('in gc', 0) end end");
  EXPECT_EQ(RunScript(s.L, "collectgarbage()"), "error: in gc");
  EXPECT_EQ(RunScript(s.L, "return 1"), "1");
}

TEST(GcCollector, CollectedObjectsGiveBackTheirBytes) {
  ScriptState s;
  lua_State* L = s.L;
  lua_setgcthreshold(L, 0);
  lu_mem before = G(L)->nblocks;
  int dummy;
  for (int i = 0; i < 1000; i++) {
    lua_pushboxedpointer(L, &dummy);
    lua_pop(L, 1);
  }
  EXPECT_GT(G(L)->nblocks, before);
  lua_setgcthreshold(L, 0);
  EXPECT_EQ(G(L)->nblocks, before);

  // An unreachable weak table is freed like any other table.
  RunScript(L, "do local w = setmetatable({}, {__mode = 'k'}) w[{}] = 1 end");
  lua_setgcthreshold(L, 0);
  EXPECT_EQ(G(L)->nblocks, before);
  // Wide strings leave the string table; the table itself shrinks by halves when oversized.
  lu_int32 strings = G(L)->strt.nuse;
  RunScript(L, "local t = {} for i = 1, 1000 do t[i] = L\"w\" .. i end");
  EXPECT_GT(G(L)->strt.nuse, strings + 1000);
  EXPECT_GE(G(L)->strt.size, 1024);
  for (int i = 0; i < 6; i++) lua_setgcthreshold(L, 0);
  EXPECT_EQ(G(L)->strt.nuse, strings);
  EXPECT_GE(G(L)->strt.nuse, (lu_int32)(G(L)->strt.size / 4));
}

TEST(GcCollector, ThresholdFollowsTheBytesInUse) {
  ScriptState s;
  EXPECT_EQ(RunScript(s.L,
                      "collectgarbage() local used, limit = gcinfo() return limit >= used, limit "
                      "<= 2 * used + 1"),
            "true,true");
  EXPECT_EQ(RunScript(s.L,
                      "local t = {} for i = 1, 20000 do t[i] = {} end t = nil collectgarbage() "
                      "local used = gcinfo() return used < 200"),
            "true");
}

// A collection that frees an abandoned coroutine closes its open upvalues while sweeping; a
// closure that still holds one keeps both the upvalue and the value it refers to.
TEST(GcCollector, ClosureOutlivesTheCoroutineWhoseLocalItHolds) {
  ScriptState s;
  Collect(s.L,
          "local co = coroutine.create(function() local v = {'kept'} "
          "get = function() return v[1] end coroutine.yield() end) "
          "coroutine.resume(co) co = nil");
  lua_setgcthreshold(s.L, 0);
  EXPECT_EQ(RunScript(s.L, "local t = {} for i = 1, 100 do t[i] = {} end return get()"), "kept");
  lua_setgcthreshold(s.L, 0);
  EXPECT_EQ(RunScript(s.L, "return get()"), "kept");
}

namespace {
int allocationsToRefuse = 0;

void* RefusingAlloc(void*, void* block, size_t, size_t newsize, int, int) {
  if (newsize == 0) {
    free(block);
    return nullptr;
  }
  if (allocationsToRefuse > 0) {
    allocationsToRefuse--;
    return nullptr;
  }
  return realloc(block, newsize);
}

// A collection whose first allocation (shrinking the coroutine's arrays while marking) is refused.
int CollectNow(lua_State* L) {
  allocationsToRefuse = 1;
  lua_setgcthreshold(L, 0);
  return 0;
}
}  // namespace

// Shrinking the oversized arrays of a suspended coroutine allocates on that coroutine; a refusal
// leaves them as they are, and the collection and the coroutine go on.
TEST(GcCollector, ARefusedStackShrinkKeepsTheLargerStack) {
  lua_Settings saved = *lua_settings();
  lua_settings()->alloc = RefusingAlloc;
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  luaopen_base(L);
  EXPECT_EQ(
      RunScript(L,
                "kept = {'alive'} co = coroutine.create(function() "
                "local function deep(n) if n > 0 then return 1 + deep(n - 1) end return 0 end "
                "deep(150) coroutine.yield() end) return coroutine.resume(co)"),
      "true");
  lua_pushcfunction(L, CollectNow);
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), 0);
  EXPECT_EQ(allocationsToRefuse, 0);
  lua_settop(L, 0);
  lua_setgcthreshold(L, 0);
  EXPECT_EQ(
      RunScript(L,
                "local t = {} for i = 1, 50 do t[i] = {i} end "
                "return kept[1], coroutine.status(co), coroutine.resume(co), coroutine.status(co)"),
      "alive,suspended,true,dead");
  lua_close(L);
  *lua_settings() = saved;
}
