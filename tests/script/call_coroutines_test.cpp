// Calls, coroutines and errors: resume and yield, dead coroutines, the boundary a yield cannot
// cross, deep recursion that ends in a stack overflow and leaves the state usable, error
// handlers, and how chunks are recognised when loaded.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/script/VmTestHelpers.h"

TEST(CallCoroutines, ResumeAndYieldPassValuesBothWays) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local co = coroutine.create(function(a, b) local c = coroutine.yield(a + b) "
       "local d, e = coroutine.yield(c * 2) return d + e end) "
       "local _, x = coroutine.resume(co, 1, 2) local _, y = coroutine.resume(co, 10) "
       "local ok, z = coroutine.resume(co, 3, 4) return x, y, ok, z, coroutine.status(co)",
       "3,20,true,7,dead"},
      {"local co = coroutine.create(function() end) coroutine.resume(co) return "
       "coroutine.resume(co)",
       "false,cannot resume dead coroutine"},
      {"local co co = coroutine.create(function() return coroutine.status(co) end) "
       "return coroutine.resume(co)",
       "true,running"},
      {"local co co = coroutine.create(function() return coroutine.resume(co) end) return "
       "coroutine.resume(co)",
       "true,false,cannot resume non-suspended coroutine"},
      {"local co = coroutine.create(function() error('boom') end) local ok, m = "
       "coroutine.resume(co) "
       "return ok, m, coroutine.status(co)",
       "false,test:1: boom,dead"},
      {"local gen = coroutine.wrap(function() for i = 1, 3 do coroutine.yield(i) end end) "
       "return gen(), gen(), gen()",
       "1,2,3"},
      {"local f = coroutine.wrap(function() error('bad') end) return pcall(f)",
       "false,test:1: bad"},
      {"return coroutine.resume(5)",
       "error: test:1: bad argument #1 to `resume' (coroutine expected)"},
      {"return coroutine.create(print)",
       "error: test:1: bad argument #1 to `create' (Lua function expected)"},
      {"local co = coroutine.create(function() coroutine.yield() end) coroutine.resume(co) "
       "return coroutine.status(co)",
       "suspended"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(CallCoroutines, YieldCannotCrossAMetamethodOrNativeCall) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local t = setmetatable({}, {__index = function() coroutine.yield() end}) "
       "local co = coroutine.create(function() return t.x end) return coroutine.resume(co)",
       "false,attempt to yield across metamethod/C-call boundary"},
      {"local co = coroutine.create(function() pcall(coroutine.yield) end) return "
       "coroutine.resume(co)",
       "true"},
      {"local co = coroutine.create(function() return pcall(function() coroutine.yield(1) end) "
       "end) "
       "return coroutine.resume(co)",
       "true,false,attempt to yield across metamethod/C-call boundary"},
      {"return coroutine.yield()", "error: attempt to yield across metamethod/C-call boundary"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(CallCoroutines, DeepRecursionOverflowsAndTheStateStaysUsable) {
  ScriptState s;
  for (int round = 0; round < 2; round++) {
    EXPECT_EQ(RunScript(s.L, "local function f(n) return 1 + f(n + 1) end return f(1)"),
              "error: test:1: stack overflow");
    EXPECT_EQ(RunScript(s.L,
                        "local function f(n) if n == 0 then return 0 end return 1 + f(n - 1) end "
                        "return f(3000)"),
              "3000");
  }
  EXPECT_EQ(RunScript(s.L,
                      "local t = setmetatable({}, {}) getmetatable(t).__index = function(t, k) "
                      "return t[k] end return t.x"),
            "error: test:1: C stack overflow");
  EXPECT_EQ(RunScript(s.L, "local function f() return pcall(f) end return f()").substr(0, 4),
            "true");
  // Coroutines resumed inside one another nest native frames too.
  EXPECT_EQ(RunScript(s.L,
                      "local function f() local ok, m = coroutine.resume(coroutine.create(f)) "
                      "if not ok then error(m, 0) end end f()"),
            "error: C stack overflow");
  EXPECT_EQ(RunScript(s.L, "return 1 + 1"), "2");
}

static int ErrorHandlerThatFails(lua_State* L) {
  lua_pushstring(L, "nested");
  return lua_error(L);
}

TEST(CallCoroutines, ProtectedCallsReportStatusAndHandlerResults) {
  ScriptState s;
  lua_State* L = s.L;
  // A handler replaces the error object.
  EXPECT_EQ(
      RunScript(
          L, "return xpcall(function() error('x') end, function(m) return 'handled: ' .. m end)"),
      "false,handled: test:1: x");
  EXPECT_EQ(RunScript(L, "return pcall(error, {})").substr(0, 11), "false,table");
  EXPECT_EQ(RunScript(L, "return pcall(error)"), "false,bad argument #1 to `?' (value expected)");
  // A failing handler ends in status 5.
  lua_pushcfunction(L, ErrorHandlerThatFails);
  luaL_loadbuffer(L, "error('first')", 14, "=t");
  EXPECT_EQ(lua_pcall(L, 0, 0, -2), LUA_ERRERR);
  EXPECT_EQ(ValueText(L, -1), "error in error handling");
  lua_settop(L, 0);
  // Errors with a non-function handler index are status 5 as well.
  lua_pushnumber(L, 1);
  luaL_loadbuffer(L, "error('first')", 14, "=t");
  EXPECT_EQ(lua_pcall(L, 0, 0, -2), LUA_ERRERR);
  lua_settop(L, 0);
}

TEST(CallCoroutines, ChunksAreRecognisedByTheirFirstBytes) {
  ScriptState s;
  lua_State* L = s.L;
  // UTF-16 little-endian text with a byte-order mark.
  std::string wide = std::string("\xFF\xFE", 2);
  for (char c : std::string("return 'wide'")) {
    wide += c;
    wide += '\0';
  }
  ASSERT_EQ(luaL_loadbuffer(L, wide.data(), wide.size(), "=w"), 0) << ValueText(L, -1);
  lua_call(L, 0, 1);
  EXPECT_EQ(ValueText(L, -1), "wide");
  lua_settop(L, 0);
  // The byte-order mark is found even when the reader hands out one byte at a time.
  struct OneByte {
    const std::string* text;
    size_t pos;
    static const char* Read(lua_State*, void* ud, size_t* size) {
      OneByte* r = (OneByte*)ud;
      if (r->pos >= r->text->size()) return nullptr;
      *size = 1;
      return r->text->data() + r->pos++;
    }
  } reader{&wide, 0};
  ASSERT_EQ(lua_load(L, OneByte::Read, &reader, "=w1"), 0) << ValueText(L, -1);
  lua_call(L, 0, 1);
  EXPECT_EQ(ValueText(L, -1), "wide");
  lua_settop(L, 0);
  // A first byte 27 selects the precompiled reader even for plain text.
  const char fake[] = "\x1bLua is text";
  EXPECT_EQ(luaL_loadbuffer(L, fake, sizeof(fake) - 1, "=bin"), LUA_ERRRUN);
  lua_settop(L, 0);
  EXPECT_EQ(luaL_loadbuffer(L, "x = = 1", 7, "=syn"), LUA_ERRSYNTAX);
  lua_settop(L, 0);
}

static int YieldFromNative(lua_State* L) { return lua_yield(L, 0); }

TEST(CallCoroutines, ResumedCallsTakeTheValuesTheirCallSiteWants) {
  ScriptState s;
  const ScriptCase cases[] = {
      // A yield in tail position returns whatever the next resume passes, all of it.
      {"local co = coroutine.create(function(a) local x, y = coroutine.yield(a) "
       "return coroutine.yield(x + y) end) "
       "local r1, v1 = coroutine.resume(co, 1) local r2, v2 = coroutine.resume(co, 2, 3) "
       "local r3, v3, w3 = coroutine.resume(co, 'a', 'b') return v1, v2, v3, w3, "
       "coroutine.status(co)",
       "1,5,a,b,dead"},
      // A call site that wants one value drops the rest and fills missing ones with nil.
      {"local co = coroutine.wrap(function() local a, b = coroutine.yield() return a, b end) "
       "co() return co(7)",
       "7,nil"},
      {"local co = coroutine.wrap(function() local a = (coroutine.yield()) return a end) "
       "co() return co(8, 9)",
       "8"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;

  // A native function run directly by a resume has no Lua caller to come back to.
  lua_State* co = lua_newthread(s.L);
  lua_pushcfunction(co, YieldFromNative);
  EXPECT_EQ(lua_resume(co, 0), LUA_ERRRUN);
  EXPECT_EQ(ValueText(co, -1), "cannot yield a C function");
  lua_settop(s.L, 0);
}

static int AppendChunk(lua_State*, const void* p, size_t sz, void* ud) {
  ((std::string*)ud)->append((const char*)p, sz);
  return 0;
}

TEST(CallCoroutines, PrecompiledMainFunctionsCannotClaimUpvalues) {
  ScriptState s;
  lua_State* L = s.L;
  ASSERT_EQ(luaL_loadbuffer(L, "local a = 1 return a", 20, "=m"), 0);
  std::string chunk;
  ASSERT_EQ(lua_dump(L, AppendChunk, &chunk), 1);
  lua_settop(L, 0);
  // Header of 22 bytes, then the source "=m" (a 4-byte length and 3 bytes) and the line defined;
  // the next byte is the upvalue count. The first instruction becomes a read of upvalue 0.
  const size_t nups = 22 + 4 + 3 + 4;
  ASSERT_LT(nups, chunk.size());
  ASSERT_EQ(chunk[nups], 0);
  chunk[nups] = 1;
  const int kGetUpval0 = 4;  // opcode 4, A 0, B 0
  size_t lastInstructions = chunk.size() - 3 * 4;
  memcpy(&chunk[lastInstructions], &kGetUpval0, 4);
  EXPECT_EQ(luaL_loadbuffer(L, chunk.data(), chunk.size(), "=patched"), LUA_ERRRUN);
  EXPECT_EQ(ValueText(L, -1), "bad code in patched");
  lua_settop(L, 0);
}
