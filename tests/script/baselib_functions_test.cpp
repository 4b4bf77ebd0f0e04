// The base library: conversions with wide strings, towstring, environments, protected
// metatables, require, newproxy, and the exact messages of its errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/script/VmTestHelpers.h"

TEST(BaselibFunctions, ConversionsUnderstandWideStrings) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"return type(L\"x\"), type(nil), type(print), type(newproxy())",
       "wstring,nil,function,userdata"},
      {"return tostring(L\"A\\x263A\")", "A:"},
      {"return tostring(L\"\") == ''", "true"},
      {"return towstring(12), towstring(L\"w\"), towstring('ab')", "L'12',L'w',L'ab'"},
      {"return towstring(nil), type(towstring(nil))", "nil,string"},
      {"return towstring('\\233') == L\"\\xFFE9\"", "true"},
      {"return towstring(true)", "error: test:1: bad argument #1 to `towstring' (value expected)"},
      {"return towstring()", "error: test:1: bad argument #1 to `towstring' (value expected)"},
      {"local t = {} return towstring(t) == towstring(tostring(t))", "true"},
      {"return tonumber('ff', 16), tonumber(L\"ff\", 16), tonumber('12x'), tonumber(L\"0x10\")",
       "255,255,nil,16"},
      {"return tonumber('ff', 1)",
       "error: test:1: bad argument #2 to `tonumber' (base out of range)"},
      {"return tonumber(' 10 ', 36), tonumber('z', 36), tonumber('', 16)", "36,35,nil"},
      {"return tostring(nil), tostring(true), tostring(1.5)", "nil,true,1.5"},
      {"return tostring(setmetatable({}, {__tostring = function() return 'custom' end}))",
       "custom"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(BaselibFunctions, PrintWritesWideTextBesideNarrowText) {
  ScriptState s;
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunScript(s.L, "print(L\"wide\", 12, nil, 'x')"), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "wide\t12\tnil\tx\n");
  EXPECT_EQ(RunScript(s.L, "tostring = function() return {} end print(1)"),
            "error: test:1: `tostring' must return a string to `print'");
}

TEST(BaselibFunctions, MetatablesAndEnvironmentsGuardTheirProtection) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local t = setmetatable({}, {__metatable = 'locked'}) return getmetatable(t)", "locked"},
      {"local t = setmetatable({}, {__metatable = 1}) setmetatable(t, {})",
       "error: test:1: cannot change a protected metatable"},
      {"setmetatable({}, 1)",
       "error: test:1: bad argument #2 to `setmetatable' (nil or table expected)"},
      {"setmetatable(1, {})",
       "error: test:1: bad argument #1 to `setmetatable' (table expected, got number)"},
      {"local mt = {} local t = setmetatable({}, mt) return getmetatable(t) == mt, "
       "getmetatable(setmetatable(t, nil)) == getmetatable({})",
       "true,true"},
      {"local env = {x = 5} local function f() return x end setfenv(f, env) return f(), getfenv(f) "
       "== env",
       "5,true"},
      {"getfenv(-1)", "error: test:1: bad argument #1 to `getfenv' (level must be non-negative)"},
      {"getfenv(100)", "error: test:1: bad argument #1 to `getfenv' (invalid level)"},
      {"setfenv(print, {})",
       "error: test:1: `setfenv' cannot change environment of given function"},
      {"local f = function() end setfenv(f, setmetatable({}, {})) "
       "local e = {__fenv = 'hidden'} setfenv(f, e) return getfenv(f)",
       "hidden"},
      {"local f = function() end setfenv(f, {__fenv = 1}) setfenv(f, {})",
       "error: test:1: `setfenv' cannot change a protected environment"},
      {"local function tail() return getfenv(2) end local function outer() return tail() end local "
       "r = outer()",
       "error: test:1: no function environment for tail call at level 2"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(BaselibFunctions, ErrorsAssertsAndProtectedCalls) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"error('msg')", "error: test:1: msg"},
      {"error('msg', 0)", "error: msg"},
      {"local function f() error('deep', 2) end\nf()", "error: test:2: deep"},
      {"error(L\"wide\")", "error: L'wide'"},
      {"return pcall(error, {code = 1})", "false,table"},
      {"assert(false)", "error: test:1: assertion failed!"},
      {"assert(nil, 'why')", "error: test:1: why"},
      {"return assert(1, 'unused')", "1"},
      {"return unpack({1, 2, 3})", "1,2,3"},
      {"return unpack({n = 2, 'a', 'b', 'c'})", "a,b"},
      {"return rawequal({}, {}), rawget(setmetatable({}, {__index = function() return 1 end}), "
       "'x')",
       "false,nil"},
      {"return loadstring('return 1 +')",
       "nil,[string \"return 1 +\"]:1: unexpected symbol near `<eof>'"},
      {"local f = loadstring('x = 1', 'chunk') f() return type(f), x", "function,1"},
      {"return loadfile('/nonexistent/file.lua')",
       "nil,cannot read /nonexistent/file.lua: No such file or directory"},
      {"dofile('/nonexistent/file.lua')",
       "error: test:1: cannot read /nonexistent/file.lua: No such file or directory"},
      {"return _VERSION, _G == getfenv(1), _G._G == _G", "Lua 5.0.2,true,true"},
      {"local n = 0 for i, v in ipairs({1, 2, nil, 4}) do n = n + 1 end return n", "2"},
      {"local t = {} for k, v in pairs({a = 1, b = 2}) do t[k] = v end return t.a + t.b", "3"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(BaselibFunctions, NewproxySharesOnlyItsOwnMetatables) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local a = newproxy(true) local b = newproxy(a) return getmetatable(a) == getmetatable(b)",
       "true"},
      {"return getmetatable(newproxy()) == getmetatable(newproxy(false))", "true"},
      {"newproxy({})", "error: test:1: bad argument #1 to `newproxy' (boolean or proxy expected)"},
      {"local u = newproxy() newproxy(u)",
       "error: test:1: bad argument #1 to `newproxy' (boolean or proxy expected)"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(BaselibFunctions, RequireSearchesThePathAndRemembersPackages) {
  ScriptState s;
  std::string dir = std::string(ENGINE_BINARY_DIR) + "/baselib_require";
  std::string cmd = "mkdir -p " + dir;
  ASSERT_EQ(system(cmd.c_str()), 0);
  std::ofstream(dir + "/pkg.lua") << "loads = (loads or 0) + 1 return _REQUIREDNAME";
  std::ofstream(dir + "/broken.lua") << "return +";
  // Names go through the engine's file layer, where "::" leads to a folder on disk.
  std::string setup = "LUA_PATH = '::" + dir + "/nothere/?.lua;::" + dir + "/?.lua'";
  RunScript(s.L, setup);
  EXPECT_EQ(RunScript(s.L, "return require('pkg'), require('pkg'), loads, _REQUIREDNAME"),
            "pkg,pkg,1,nil");
  EXPECT_EQ(RunScript(s.L, "_LOADED.pkg = false return require('pkg'), loads"), "pkg,2");
  EXPECT_EQ(RunScript(s.L, "require('absent')"),
            "error: test:1: could not load package `absent' from path `::" + dir +
                "/nothere/?.lua;::" + dir + "/?.lua'");
  EXPECT_EQ(RunScript(s.L, "require('broken')"),
            "error: test:1: error loading package `broken' (::" + dir +
                "/broken.lua:1: unexpected symbol near `+')");
  EXPECT_EQ(RunScript(s.L, "_LOADED = 1 require('pkg')"),
            "error: test:1: `_LOADED' is not a table");
}

TEST(BaselibFunctions, RegistryHoldsTheTypeTablesUnderTheirNames) {
  ScriptState s;
  lua_State* L = s.L;
  const char* names[] = {"_boolean",  "_lightuserdata", "_number", "_string", "_table",
                         "_function", "_userdata",      "_thread", "_wstring"};
  for (int tag = 1; tag <= 9; tag++) {
    lua_pushstring(L, names[tag - 1]);
    lua_rawget(L, LUA_REGISTRYINDEX);
    lua_pushtypetable(L, tag);
    EXPECT_TRUE(lua_rawequal(L, -1, -2)) << names[tag - 1];
    lua_pop(L, 2);
  }
  lua_pushstring(L, "_nil");
  lua_rawget(L, LUA_REGISTRYINDEX);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_pop(L, 1);
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST(BaselibFunctions, CollectorControlsAndStackLimits) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"collectgarbage(123456) local used, limit = gcinfo() return limit", "123456"},
      // A limit of 0 collects at once and sets a new threshold above what is in use.
      {"collectgarbage() local used, limit = gcinfo() return used > 0, used <= limit", "true,true"},
      {"return pcall(unpack, {n = 5000})", "false,stack overflow (table too big to unpack)"},
      {"local t = {} for i = 1, 200 do t[i] = i end local n = 0 "
       "for _, v in ipairs({unpack(t)}) do n = n + v end return n",
       "20100"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}
