// Opening and closing states and threads: the allocator's hint flag, thread hooks, finalizers
// run at close, and buffers of the auxiliary library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/script/VmTestHelpers.h"

namespace {
int hintCalls[2];
std::vector<lua_State*> created, freed;

void* CountingAlloc(void*, void* block, size_t, size_t newsize, int, int hint) {
  hintCalls[hint ? 1 : 0]++;
  if (newsize == 0) {
    free(block);
    return nullptr;
  }
  return realloc(block, newsize);
}
void OnCreated(lua_State*, lua_State* t) { created.push_back(t); }
void OnFreed(lua_State*, lua_State* t) { freed.push_back(t); }

struct SettingsScope {
  lua_Settings saved = *lua_settings();
  ~SettingsScope() { *lua_settings() = saved; }
};
}  // namespace

TEST(StateOpenClose, AllocatorSeesHintOneOnlyForScratchBufferGrowth) {
  SettingsScope scope;
  lua_settings()->alloc = CountingAlloc;
  lua_settings()->threadcreated = OnCreated;
  lua_settings()->threadfreed = OnFreed;
  created.clear();
  freed.clear();
  hintCalls[0] = hintCalls[1] = 0;
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  luaopen_base(L);
  EXPECT_EQ(hintCalls[1], 0);
  // Concatenation grows the scratch buffer; a thread allocates with hint 0.
  EXPECT_EQ(RunScript(L, "local s = '' for i = 1, 50 do s = s .. 'abcdefgh' end return s == nil"),
            "false");
  int growth = hintCalls[1];
  EXPECT_GT(growth, 0);
  lua_State* T = lua_newthread(L);
  EXPECT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0], T);
  lua_pop(L, 1);
  lua_setgcthreshold(L, 0);
  EXPECT_EQ(freed.size(), 1u);
  lua_close(L);
  EXPECT_EQ(hintCalls[1], growth);
}

TEST(StateOpenClose, CloseRunsPendingFinalizers) {
  static int finalized;
  finalized = 0;
  lua_State* L = lua_open();
  luaopen_base(L);
  lua_pushcfunction(L, [](lua_State*) {
    finalized++;
    return 0;
  });
  lua_pushstring(L, "fin");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(RunScript(L, "keep = newproxy(true) getmetatable(keep).__gc = fin"), "");
  lua_close(L);
  EXPECT_EQ(finalized, 1);
}

TEST(StateOpenClose, BuffersFlushWideUnitsAndKeepLongValuesAsPieces) {
  ScriptState s;
  lua_State* L = s.L;
  luaL_Buffer b;
  luaL_wbuffinit(L, &b);
  for (uint16_t i = 0; i < 300; i++) luaL_addlwstring(&b, &i, 1);
  EXPECT_EQ(lua_gettop(L), 1);  // one flush of 256 units
  luaL_pushresult(&b);
  ASSERT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(lua_strlen(L, -1), 300u);
  EXPECT_EQ(lua_towstring(L, -1)[299], 299);
  lua_settop(L, 0);

  luaL_buffinit(L, &b);
  lua_pushstring(L, "0123456789");
  luaL_addvalue(&b);
  EXPECT_EQ(lua_gettop(L), 0);
  std::string big(600, 'y');
  lua_pushlstring(L, big.data(), big.size());
  luaL_addvalue(&b);
  luaL_pushresult(&b);
  EXPECT_EQ(ValueText(L, -1), "0123456789" + big);
  lua_settop(L, 0);

  luaL_buffinit(L, &b);
  lua_pushlstring(L, big.data(), big.size());
  luaL_addvalue(&b);
  luaL_pushresult(&b);
  EXPECT_EQ(ValueText(L, -1), big);
  lua_settop(L, 0);
}

static int CheckWide(lua_State* L) {
  size_t n;
  const uint16_t* w = luaL_checklwstring(L, 1, &n);
  lua_pushnumber(L, (lua_Number)n);
  lua_pushnumber(L, w[0]);
  lua_pushstring(L, lua_typename(L, lua_type(L, 1)));
  return 3;
}

static int MethodArg(lua_State* L) {
  luaL_checknumber(L, 1);
  luaL_checknumber(L, 2);
  return 0;
}

TEST(StateOpenClose, ArgumentErrorsNameTheFunctionAndCountMethodsWithoutSelf) {
  ScriptState s;
  lua_State* L = s.L;
  lua_register(L, "checkwide", CheckWide);
  lua_register(L, "method", MethodArg);
  EXPECT_EQ(RunScript(L, "return checkwide(12)"), "2,49,wstring");
  EXPECT_EQ(RunScript(L, "return checkwide('x')"),
            "error: test:1: bad argument #1 to `checkwide' (wstring expected, got string)");
  const ScriptCase cases[] = {
      {"local o = {m = method} o:m(1)",
       "error: test:1: calling `m' on bad self (number expected, got table)"},
      {"local n = 5 n.m = method n:m('x')",
       "error: test:1: bad argument #1 to `m' (number expected, got string)"},
      {"local o = {m = method} o.m(1, 'x')",
       "error: test:1: bad argument #2 to `m' (number expected, got string)"},
      {"method(1, 'x')",
       "error: test:1: bad argument #2 to `method' (number expected, got string)"},
      {"pcall(method, 1, 'x')", ""},
      {"return pcall(method, 1, 'x')",
       "false,bad argument #2 to `?' (number expected, got string)"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(L, c.code), c.expected) << c.code;
}

TEST(StateOpenClose, DostringReportsThroughAlert) {
  ScriptState s;
  lua_State* L = s.L;
  EXPECT_EQ(lua_dostring(L, "x = = 1"), LUA_ERRSYNTAX);  // no _ALERT: standard error
  EXPECT_EQ(lua_gettop(L), 0);
  RunScript(L, "function _ALERT(m) alerted = m end");
  EXPECT_EQ(lua_dostring(L, "error('oops', 0)"), LUA_ERRRUN);
  EXPECT_EQ(RunScript(L, "return alerted"), "oops");
  EXPECT_EQ(lua_dostring(L, "x = = 1"), LUA_ERRSYNTAX);
  EXPECT_EQ(RunScript(L, "return alerted"), "[string \"x = = 1\"]:1: unexpected symbol near `='");
  EXPECT_EQ(lua_gettop(L), 0);
}

static int CollectChunk(lua_State*, const void* p, size_t sz, void* ud) {
  ((std::string*)ud)->append((const char*)p, sz);
  return 0;
}

TEST(StateOpenClose, LoadfileReadsTextAndPrecompiledChunksThroughTheFileLayer) {
  ScriptState s;
  lua_State* L = s.L;
  std::string dir = std::string(ENGINE_BINARY_DIR) + "/state_loadfile";
  ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);

  lua_pushstring(L, "below");
  EXPECT_EQ(luaL_loadfile(L, ("::" + dir + "/missing.lua").c_str()), LUA_ERRFILE);
  EXPECT_EQ(ValueText(L, -1), "cannot read ::" + dir + "/missing.lua: No such file or directory");
  EXPECT_EQ(lua_gettop(L), 2);
  lua_settop(L, 0);

  // Text mode folds "\r\n" line ends.
  std::ofstream(dir + "/text.lua", std::ios::binary) << "local a = 1\r\nreturn a + 1\r\n";
  ASSERT_EQ(luaL_loadfile(L, ("::" + dir + "/text.lua").c_str()), 0) << ValueText(L, -1);
  lua_call(L, 0, 1);
  EXPECT_EQ(ValueText(L, -1), "2");
  lua_settop(L, 0);

  // A precompiled chunk (first byte 27) is read in binary mode, so bytes "\r\n" inside it
  // survive.
  const char* src = "return 'a\\r\\nb'";
  ASSERT_EQ(luaL_loadbuffer(L, src, strlen(src), "=src"), 0);
  std::string chunk;
  ASSERT_EQ(lua_dump(L, CollectChunk, &chunk), 1);
  lua_settop(L, 0);
  std::ofstream(dir + "/chunk.out", std::ios::binary) << chunk;
  ASSERT_EQ(luaL_loadfile(L, ("::" + dir + "/chunk.out").c_str()), 0) << ValueText(L, -1);
  lua_call(L, 0, 1);
  EXPECT_EQ(ValueText(L, -1), "a\r\nb");
  lua_settop(L, 0);

  // So is UTF-16 source behind its byte-order mark: the unit 0x0A0D is the byte pair "\r\n".
  std::string wide("\xFF\xFE", 2);
  for (char c : std::string("return L\"")) wide += std::string{c, '\0'};
  wide += "\x0D\x0A";
  for (char c : std::string("\"")) wide += std::string{c, '\0'};
  std::ofstream(dir + "/wide.lua", std::ios::binary) << wide;
  ASSERT_EQ(luaL_loadfile(L, ("::" + dir + "/wide.lua").c_str()), 0) << ValueText(L, -1);
  lua_call(L, 0, 1);
  ASSERT_EQ(lua_type(L, -1), LUA_TWSTRING);
  ASSERT_EQ(lua_strlen(L, -1), 1u);
  EXPECT_EQ(lua_towstring(L, -1)[0], 0x0A0D);
  lua_settop(L, 0);
}

static int PushAbsurdLength(lua_State* L) {
  lua_pushlstring(L, "x", lua_toboolean(L, 1) ? (size_t)-1 : (size_t)4294967294u);
  return 1;
}

TEST(StateOpenClose, TextLengthsBeyondTheBlockLimitAreRefused) {
  ScriptState s;
  lua_State* L = s.L;
  lua_register(L, "absurd", PushAbsurdLength);
  EXPECT_EQ(RunScript(L, "return pcall(absurd, true)"),
            "false,memory allocation error: block too big");
  EXPECT_EQ(RunScript(L, "return pcall(absurd, false)"),
            "false,memory allocation error: block too big");
}

TEST(StateOpenClose, RunningOutOfMemoryIsAStatusNotACrash) {
  SettingsScope scope;
  lua_settings()->alloc = LimitedAlloc;
  // Opening fails cleanly at every allocation it makes.
  int opened = 0;
  for (long limit = 0; limit < 400 && !opened; limit++) {
    gAllocationsLeft = limit;
    lua_State* L = lua_open();
    if (L) {
      opened = 1;
      gAllocationsLeft = -1;
      lua_close(L);
    }
  }
  EXPECT_EQ(opened, 1);

  gAllocationsLeft = -1;
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  luaopen_base(L);
  const char* code = "local t = {} for i = 1, 100000 do t[i] = {i} end";
  ASSERT_EQ(luaL_loadbuffer(L, code, strlen(code), "=m"), 0);
  gAllocationsLeft = 1000;
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRMEM);
  EXPECT_EQ(ValueText(L, -1), "not enough memory");
  lua_settop(L, 0);
  gAllocationsLeft = -1;
  EXPECT_EQ(RunScript(L, "return 'usable'"), "usable");

  // A table whose growth fails keeps no half-inserted key.
  for (long limit = 0; limit < 60; limit++) {
    RunScript(L, "t = {}");
    gAllocationsLeft = limit;
    RunScript(L, "for i = 1, 64 do t['k' .. i] = i end");
    gAllocationsLeft = -1;
    EXPECT_EQ(
        RunScript(L, "for k, v in pairs(t) do if v == false then return k end end return 'clean'"),
        "clean");
  }
  lua_close(L);
}

static int NewThread(lua_State* L) {
  lua_newthread(L);
  return 0;
}

// The thread hooks come in pairs: a thread whose stack could not be allocated was never
// announced, so freeing it is not announced either.
TEST(StateOpenClose, ThreadHooksPairUpWhenAThreadCannotBeMade) {
  SettingsScope scope;
  lua_settings()->alloc = LimitedAlloc;
  lua_settings()->threadcreated = OnCreated;
  lua_settings()->threadfreed = OnFreed;
  gAllocationsLeft = -1;
  lua_State* L = lua_open();
  ASSERT_NE(L, nullptr);
  created.clear();
  freed.clear();
  int failures = 0;
  for (long limit = 0; limit < 6; limit++) {
    lua_pushcfunction(L, NewThread);
    gAllocationsLeft = limit;
    if (lua_pcall(L, 0, 0, 0) == LUA_ERRMEM) failures++;
    gAllocationsLeft = -1;
    lua_settop(L, 0);
    lua_setgcthreshold(L, 0);
    EXPECT_EQ(freed.size(), created.size()) << limit;
  }
  EXPECT_GE(failures, 3);  // the record, the stack and the frame array each failed once
  EXPECT_GT(created.size(), 0u);
  lua_close(L);
}
