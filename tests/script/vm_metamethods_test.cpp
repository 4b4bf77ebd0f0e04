// Metamethods: every event on tables and userdata, and the shared per-type metatables through
// which strings, numbers and other plain values are indexed.
#include <gtest/gtest.h>

#include "tests/script/VmTestHelpers.h"

struct Case {
  const char* code;
  const char* expected;
};

TEST(VmMetamethods, EveryEventReachesItsHandler) {
  ScriptState s;
  RunScript(s.L,
            "log = '' "
            "mt = {} "
            "local function bin(name) return function(a, b) return name end end "
            "for _, e in ipairs({'add', 'sub', 'mul', 'div', 'pow', 'concat'}) do mt['__' .. e] = "
            "bin(e) end "
            "mt.__unm = function(a, b) return 'unm' .. tostring(b) end "
            "mt.__index = function(t, k) return 'idx:' .. k end "
            "mt.__newindex = function(t, k, v) rawset(t, k, v * 2) end "
            "mt.__call = function(self, x) return 'called:' .. x end "
            "mt.__eq = function(a, b) return true end "
            "mt.__lt = function(a, b) return true end "
            "mt.__le = function(a, b) return false end "
            "a = setmetatable({}, mt) b = setmetatable({}, mt)");
  const Case cases[] = {
      {"return a + 1, 1 - a, a * a, a / 2, a ^ 2, a .. 'x', 'x' .. a",
       "add,sub,mul,div,pow,concat,concat"},
      {"return -a", "unmnil"},
      {"return a.foo", "idx:foo"},
      {"a.n = 21 return rawget(a, 'n')", "42"},
      {"return a('x')", "called:x"},
      {"return a == b, a ~= b, rawequal(a, b)", "true,false,false"},
      {"return a < b, a <= b, a > b", "true,false,true"},
      // __le missing falls back to not __lt with swapped operands.
      {"local m = {__lt = function(x, y) return x.v < y.v end} "
       "local x, y = setmetatable({v = 1}, m), setmetatable({v = 2}, m) return x <= y, y <= x",
       "true,false"},
      // __eq needs the same handler on both sides.
      {"local c = setmetatable({}, {__eq = mt.__eq}) return a == c", "true"},
      {"local c = setmetatable({}, {__eq = function() return true end}) return a == c", "false"},
  };
  for (const Case& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(VmMetamethods, IndexChainsStopAfterAHundredSteps) {
  ScriptState s;
  EXPECT_EQ(RunScript(s.L,
                      "local t = {} for i = 1, 50 do t = setmetatable({}, {__index = t}) end "
                      "rawset(t, 'x', nil) local last = t while getmetatable(last).__index do "
                      "last = getmetatable(last).__index end rawset(last, 'x', 7) return t.x"),
            "7");
  EXPECT_EQ(RunScript(s.L, "local t = {} setmetatable(t, {__index = t}) return t.x"),
            "error: test:1: loop in gettable");
  EXPECT_EQ(RunScript(s.L, "local t = {} setmetatable(t, {__newindex = t}) t.x = 1"),
            "error: test:1: loop in settable");
  EXPECT_EQ(RunScript(s.L,
                      "local first = {} local t = first for i = 1, 101 do local n = {} "
                      "setmetatable(t, {__index = n}) t = n end return first.x"),
            "error: test:1: loop in gettable");
  // A hundred links are still followed, for reads and for writes.
  EXPECT_EQ(RunScript(s.L,
                      "local first = {} local t = first for i = 1, 100 do local n = {} "
                      "setmetatable(t, {__index = n, __newindex = n}) t = n end "
                      "rawset(t, 'x', 'deep') first.y = 'set' return first.x, rawget(t, 'y')"),
            "deep,set");
  EXPECT_EQ(RunScript(s.L,
                      "local first = {} local t = first for i = 1, 101 do local n = {} "
                      "setmetatable(t, {__newindex = n}) t = n end first.y = 1"),
            "error: test:1: loop in settable");
}

TEST(VmMetamethods, PlainValuesAreIndexedThroughTheirTypeTable) {
  ScriptState s;
  const Case cases[] = {
      {"return getmetatable({}) ~= nil, getmetatable('') ~= nil, getmetatable(1) ~= nil",
       "true,true,true"},
      {"return getmetatable({}) == getmetatable({})", "true"},
      {"return (5).x", "nil"},
      {"local n = 5 n.shared = 'yes' return (7).shared", "yes"},
      {"local s = 'abc' s.twice = function(self) return self .. self end return ('xy'):twice()",
       "xyxy"},
      {"return (L\"w\").nothing", "nil"},
      {"local x return x.y", "error: test:1: attempt to index local `x' (a nil value)"},
      {"local f = function() end return f.y", "nil"},
      {"return (true).y, coroutine.create(function() end).y", "nil,nil"},
      {"return (1)()", "error: test:1: attempt to call a number value"},
      {"local t = {} return t.a.b", "error: test:1: attempt to index field `a' (a nil value)"},
      {"return nosuch()", "error: test:1: attempt to call global `nosuch' (a nil value)"},
      {"local t = {} t:nomethod()",
       "error: test:1: attempt to call method `nomethod' (a nil value)"},
  };
  for (const Case& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(VmMetamethods, UserdataWithoutIndexHandlerReadsItsMetatable) {
  ScriptState s;
  lua_newuserdata(s.L, 8);
  lua_newtable(s.L);
  lua_pushstring(s.L, "x");
  lua_pushnumber(s.L, 42);
  lua_rawset(s.L, -3);
  lua_setmetatable(s.L, -2);
  lua_pushstring(s.L, "ud");
  lua_insert(s.L, -2);
  lua_settable(s.L, LUA_GLOBALSINDEX);
  EXPECT_EQ(RunScript(s.L, "return ud.x, ud.y"), "42,nil");
  EXPECT_EQ(RunScript(s.L, "ud.z = 1"),
            "error: test:1: attempt to index global `ud' (a userdata value)");
}
