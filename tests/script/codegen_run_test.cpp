// Compiled code run end to end through the native interface: numbered loop exits and
// continues in every loop kind, closures over loop locals, operator priorities and folding.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "script/LuaApi.h"
#include "script/LuaAux.h"

namespace {

class Script {
public:
  Script() : L(lua_open()) {}
  ~Script() { lua_close(L); }

  // The first result of running `source' as text, or "error: <message>".
  std::string Run(const std::string& source, const char* name = "=run") {
    lua_settop(L, 0);
    int status = luaL_loadbuffer(L, source.data(), source.size(), name);
    if (status == 0) status = lua_pcall(L, 0, 1, 0);
    if (status != 0) return std::string("error: ") + lua_tostring(L, -1);
    if (lua_isnil(L, -1)) return "nil";
    if (lua_isboolean(L, -1)) return lua_toboolean(L, -1) ? "true" : "false";
    const char* s = lua_tostring(L, -1);
    return s ? s : "?";
  }

  lua_State* L;
};

struct Case {
  const char* source;
  const char* result;
};

void RunAll(const Case* begin, const Case* end) {
  Script s;
  for (const Case* k = begin; k != end; ++k) EXPECT_EQ(s.Run(k->source), k->result) << k->source;
}

TEST(CodegenRun, ContinueGoesToTheNextIterationOfEachLoopKind) {
  const Case cases[] = {
      {"local s, i = '', 0 while i < 5 do i = i + 1 if i == 3 then continue end s = s .. i end "
       "return s",
       "1245"},
      // The `until' condition runs after a continue; a guard stops a wrong jump to the start.
      {"local n = 0 repeat n = n + 1 if n > 10 then break end continue until true return n", "1"},
      {"local s, i = '', 0 repeat i = i + 1 if i == 2 then continue end s = s .. i until i >= 4 "
       "return s",
       "134"},
      {"local s = '' for i = 1, 5 do if i == 2 or i == 4 then continue end s = s .. i end "
       "return s",
       "135"},
      {"local function it(t, i) i = i + 1 if t[i] then return i, t[i] end end "
       "local s = '' for i, v in it, {'a', 'b', 'c', 'd'}, 0 do "
       "if i == 2 then continue 1 end s = s .. v end return s",
       "acd"},
      {"local s = '' for i = 1, 3 do for j = 1, 3 do if j == 2 then continue 2 end "
       "s = s .. i .. j end s = s .. 'x' end return s",
       "112131"},
      // The condition is moved after the body; its jump lists move with it.
      {"local i, s = 0, '' while i < 6 and not (i == 4) do i = i + 1 if i == 2 then continue end "
       "s = s .. i end return s",
       "134"},
      {"local s = '' for i = 1, 2 do local j = 0 while j < 3 do j = j + 1 do if j == 2 then "
       "continue end end s = s .. j end end return s",
       "1313"},
  };
  RunAll(std::begin(cases), std::end(cases));
}

TEST(CodegenRun, BreakLeavesTheNamedLoop) {
  const Case cases[] = {
      {"local n = 0 while true do for i = 1, 3 do n = n + 1 if i == 2 then break 2 end end "
       "n = n + 100 end return n",
       "2"},
      {"local n = 0 repeat while true do for i = 1, 10 do n = n + i if i == 3 then break 3 end "
       "end end until false return n",
       "6"},
      {"local n = 0 for i = 1, 3 do for j = 1, 3 do do if j == 2 then break 1 end end "
       "n = n + 1 end end return n",
       "3"},
      {"local function it(t, i) i = i + 1 if t[i] then return i, t[i] end end local s = '' "
       "for _, v in it, {'a', 'b', 'c'}, 0 do if v == 'c' then break end s = s .. v end "
       "return s",
       "ab"},
      {"local a, b, n = true, true, 0 while a do for i = 1, 3 do n = i if b then break 2 end end "
       "n = 99 end return n",
       "1"},
  };
  RunAll(std::begin(cases), std::end(cases));
}

TEST(CodegenRun, LoopExitsCloseCapturedLocals) {
  const Case cases[] = {
      // Each iteration's local keeps its own value once the jump closes it.
      {"local fs, i = {}, 0 while i < 3 do i = i + 1 local v = i fs[i] = function() return v end "
       "if i < 3 then continue end end return fs[1]() .. fs[2]() .. fs[3]()",
       "123"},
      {"local fs, n = {}, 0 for i = 1, 2 do local k = 0 while true do k = k + 1 local v = i * 10 + "
       "k "
       "n = n + 1 fs[n] = function() return v end if k == 2 then continue 2 end end end "
       "return fs[1]() .. fs[2]() .. fs[3]() .. fs[4]()",
       "11122122"},
      {"local f while true do local v = 'kept' f = function() return v end break end "
       "local w = 'other' return f()",
       "kept"},
      // The numeric loop's own index is shared by the closures made in its body.
      {"local fs = {} for i = 1, 3 do fs[i] = function() return i end end "
       "return fs[1]() .. fs[2]() .. fs[3]()",
       "333"},
  };
  RunAll(std::begin(cases), std::end(cases));
}

TEST(CodegenRun, OperatorPrioritiesAndFolding) {
  const Case cases[] = {
      {"return 1 & 3 | 4 << 1", "10"},
      {"return 1 + 2 & 3", "3"},
      {"return 5 - 3 & 1", "4"},
      {"return 6 & 3 * 2", "4"},
      {"return 2 ^ 3", "1"},  // two numbers: exclusive or
      {"return 2 ^ 3 & 1", "1"},
      {"return 12 >> 2 .. ''", "3"},
      {"return -2 - -3", "1"},
      {"local x = 5 return -x", "-5"},
      {"local a, b = 2, nil return a and b or 'none'", "none"},
      {"local a = 1 return not (a == 1) and 'x' or 'y'", "y"},
      {"local t = {&2 &3; 1, 2, 3, 4} return t[4] + t[1]", "5"},
      {"local t = {f = 1, [2] = 2, 'one'} return t[1] .. t.f .. t[2]", "one12"},
      {"local a, b, c = (function() return 1, 2, 3 end)() return a + b + c", "6"},
      {"local function f(...) return arg.n end return f(1, nil, 3)", "3"},
      {"local t = {} t.x, t.y = 1, 2 local a, b = 1 return t.x + t.y + (b and 1 or 0)", "3"},
  };
  RunAll(std::begin(cases), std::end(cases));
}

// A random expression of and, or, not and == written twice: with the operators, and with
// plain functions that give the same values. Jump lists are where the code generator is
// most intricate; both forms must agree in values, in conditions and in loop tests.
struct ExprPair {
  std::string ops, calls;
};

ExprPair RandomExpr(std::mt19937& rng, int depth) {
  static const char* leaves[] = {"p", "q", "r", "nil", "true", "false", "1", "'s'"};
  unsigned pick = rng() % 100;
  if (depth == 0 || pick < 25) {
    std::string leaf = leaves[rng() % 8];
    return {leaf, leaf};
  }
  ExprPair a = RandomExpr(rng, depth - 1);
  if (pick < 40) return {"(not " + a.ops + ")", "NOT(" + a.calls + ")"};
  ExprPair b = RandomExpr(rng, depth - 1);
  if (pick < 55)
    return {"(" + a.ops + " == " + b.ops + ")", "EQ(" + a.calls + ", " + b.calls + ")"};
  bool isAnd = pick < 78;
  return {"(" + a.ops + (isAnd ? " and " : " or ") + b.ops + ")",
          std::string(isAnd ? "AND(" : "OR(") + a.calls + ", " + b.calls + ")"};
}

TEST(CodegenRun, LogicalExpressionsAgreeWithTheirFunctionForm) {
  std::mt19937 rng(20261210);
  std::string src =
      "local function AND(x, y) if x then return y end return x end\n"
      "local function OR(x, y) if x then return x end return y end\n"
      "local function NOT(x) if x then return false end return true end\n"
      "local function EQ(x, y) if x == y then return true end return false end\n"
      "local bad, vals = 0, {true, false, nil, 0}\n"
      "for a = 1, 4 do for b = 1, 4 do for c = 1, 4 do local p, q, r = vals[a], vals[b], vals[c]\n";
  for (int i = 0; i < 80; ++i) {
    ExprPair e = RandomExpr(rng, 4);
    src += "do local v = " + e.calls + " local t = {" + e.ops +
           "} local w, n = 0, 0\n"
           "while " +
           e.ops +
           " do w = 1 break end\n"
           "repeat n = n + 1 if n > 1 or not " +
           e.ops +
           " then continue end w = w + 2 until true\n"
           "if t[1] ~= v or (" +
           e.ops + ") ~= v or w ~= (v and 3 or 0) then bad = bad + 1 end end\n";
  }
  src += "end end end return bad";
  Script s;
  EXPECT_EQ(s.Run(src), "0");
}

TEST(CodegenRun, Utf16SourceFileRuns) {
  std::ifstream in(ENGINE_FIXTURES_DIR "/script/utf16_source.lua", std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::string file = bytes.str();
  Script s;
  ASSERT_EQ(luaL_loadbuffer(s.L, file.data(), file.size(), "@utf16_source.lua"), 0)
      << lua_tostring(s.L, -1);
  ASSERT_EQ(lua_pcall(s.L, 0, 3, 0), 0) << lua_tostring(s.L, -1);
  EXPECT_EQ(lua_type(s.L, 1), LUA_TWSTRING);
  EXPECT_STREQ(lua_tostring(s.L, 2), "abc");
  EXPECT_EQ(lua_tonumber(s.L, 3), 5);
}

TEST(CodegenRun, LoadReportsSyntaxErrorsWithStatusThree) {
  Script s;
  EXPECT_EQ(luaL_loadbuffer(s.L, "x = = 1", 7, "=cfg"), LUA_ERRSYNTAX);
  EXPECT_STREQ(lua_tostring(s.L, -1), "cfg:1: unexpected symbol near `='");
}

}  // namespace
