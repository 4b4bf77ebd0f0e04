// Debug information: chunk ids in messages, stack levels and function information, and the
// names that error messages find for the values involved.
#include <gtest/gtest.h>

#include <string>

#include "script/LuaObject.h"
#include "tests/script/VmTestHelpers.h"

TEST(VmDebugInfo, ChunkIdsShortenSourcesToFitMessages) {
  const std::string longName(100, 'n');
  const std::string longLine(100, 'x');
  const struct {
    std::string source;
    std::string id;
  } cases[] = {
      {"=stdin", "stdin"},
      {"@scripts/main.lua", "scripts/main.lua"},
      {"@" + longName, "..." + longName.substr(100 - 52)},
      {"return 1", "[string \"return 1\"]"},
      {"first line\nsecond", "[string \"first line...\"]"},
      {longLine, "[string \"" + longLine.substr(0, 43) + "...\"]"},
      {"=" + longName, longName.substr(0, 59)},
  };
  for (const auto& c : cases) {
    char out[LUA_IDSIZE];
    luaO_chunkid(out, c.source.c_str(), LUA_IDSIZE);
    EXPECT_EQ(std::string(out), c.id) << c.source;
    EXPECT_LT(std::string(out).size(), (size_t)LUA_IDSIZE);
  }
}

static int Where(lua_State* L) {
  lua_Debug ar;
  std::string out;
  for (int level = 0; lua_getstack(L, level, &ar); level++) {
    lua_getinfo(L, "Snl", &ar);
    out += std::string(ar.what) + ":" + (ar.name ? ar.name : "-") + ":" +
           std::to_string(ar.currentline) + " ";
  }
  lua_pushstring(L, out.c_str());
  return 1;
}

TEST(VmDebugInfo, StackLevelsReportKindsNamesAndLines) {
  ScriptState s;
  lua_register(s.L, "where", Where);
  EXPECT_EQ(
      RunScript(s.L,
                "local function inner()\n  return (where())\nend\nlocal r = inner()\nreturn r"),
      "C:where:-1 Lua:inner:2 main:-:4 ");
  // A frame replaced by a tail call shows as a lost level.
  EXPECT_EQ(RunScript(s.L,
                      "local function inner()\n  return (where())\nend\n"
                      "local function outer() return inner() end\nlocal r = outer()\nreturn r"),
            "C:where:-1 Lua:-:2 tail::-1 main:-:5 ");
}

TEST(VmDebugInfo, ErrorMessagesNameLocalsGlobalsFieldsAndMethods) {
  ScriptState s;
  const struct {
    const char* code;
    const char* expected;
  } cases[] = {
      {"local a\nlocal b = a.x", "error: test:2: attempt to index local `a' (a nil value)"},
      {"return undefinedglobal.x",
       "error: test:1: attempt to index global `undefinedglobal' (a nil value)"},
      {"local t = {inner = {}} return t.inner.deeper.x",
       "error: test:1: attempt to index field `deeper' (a nil value)"},
      {"local t = {} t:run()", "error: test:1: attempt to call method `run' (a nil value)"},
      // A method call on a value that cannot be indexed names that value.
      {"local t t:run()", "error: test:1: attempt to index local `t' (a nil value)"},
      {"nothing:run()", "error: test:1: attempt to index global `nothing' (a nil value)"},
      {"local t = {} t.a:run()", "error: test:1: attempt to index field `a' (a nil value)"},
      {"local t = {} local u = t return u.a.b",
       "error: test:1: attempt to index field `a' (a nil value)"},
      {"return ({}) .. 'x'", "error: test:1: attempt to concatenate a table value"},
      {"return -{}", "error: test:1: attempt to perform arithmetic on a table value"},
  };
  for (const auto& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

static int InfoOfANumber(lua_State* L) {
  lua_Debug ar;
  lua_pushnumber(L, 1);
  lua_getinfo(L, ">S", &ar);
  return 0;
}

TEST(VmDebugInfo, FunctionInformationFromTheStackTop) {
  ScriptState s;
  lua_State* L = s.L;
  lua_Debug ar;
  ASSERT_EQ(luaL_loadbuffer(L, "local x = 1\nreturn function()\nend", 33, "@script.lua"), 0);
  lua_call(L, 0, 1);
  lua_pushvalue(L, -1);
  EXPECT_EQ(lua_getinfo(L, ">Sul", &ar), 1);
  EXPECT_STREQ(ar.what, "Lua");
  EXPECT_STREQ(ar.short_src, "script.lua");
  EXPECT_EQ(ar.linedefined, 2);
  EXPECT_EQ(ar.currentline, -1);  // not running
  EXPECT_EQ(ar.nups, 0);
  EXPECT_EQ(lua_gettop(L), 1);  // the function was taken from the stack
  // 'f' leaves the function in its place; an unknown option answers 0.
  lua_pushvalue(L, -1);
  EXPECT_EQ(lua_getinfo(L, ">fq", &ar), 0);
  EXPECT_EQ(lua_gettop(L), 2);
  EXPECT_TRUE(lua_rawequal(L, 1, 2));
  lua_settop(L, 0);
  lua_pushcfunction(L, luaopen_base);
  ASSERT_EQ(lua_getinfo(L, ">S", &ar), 1);
  EXPECT_STREQ(ar.what, "C");
  EXPECT_STREQ(ar.source, "=[C]");
  EXPECT_EQ(ar.linedefined, -1);
  // Anything else on top is refused with an error.
  lua_settop(L, 0);
  lua_pushcfunction(L, InfoOfANumber);
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRRUN);
  EXPECT_EQ(ValueText(L, -1), "value for `lua_getinfo' is not a function");
}
