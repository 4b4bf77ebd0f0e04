// The interpreter's shortcuts for table access, calls and returns must behave exactly like the
// general paths they bypass: metamethods on empty slots, the metamethod-absence cache, upvalues
// shared across frames, and memory reused between collections.
#include <gtest/gtest.h>

#include "tests/script/VmTestHelpers.h"

namespace {}  // namespace

TEST(VmFastPaths, WritesToEmptySlotsStillReachNewindex) {
  ScriptState s;
  const ScriptCase cases[] = {
      // An array slot holding nil is still an absent key for __newindex.
      {"local log = '' local t = setmetatable({1, 2, 3}, {__newindex = function(t, k, v) "
       "log = log .. k .. '=' .. v .. ' ' end}) "
       "t[2] = nil t[2] = 20 t[3] = 30 return rawget(t, 2), t[3], log",
       "nil,30,2=20 "},
      // A string key whose value was cleared keeps its node but counts as absent.
      {"local n = 0 local t = setmetatable({x = 1}, {__newindex = function(t, k, v) n = n + 1 "
       "end}) "
       "t.x = nil t.x = 5 t.y = 6 return rawget(t, 'x'), rawget(t, 'y'), n",
       "nil,nil,2"},
      // Globals take the same path through the environment's metatable.
      {"local seen setmetatable(_G, {__newindex = function(t, k, v) seen = k rawset(t, k, v) end}) "
       "g1 = 1 g1 = 2 g1 = nil g1 = 3 setmetatable(_G, nil) return g1, seen",
       "3,g1"},
      // Keys that look like array indices but are not integers, or lie outside it.
      {"local t = {10, 20} t[1.5] = 'a' t[0] = 'b' t[-1] = 'c' t[3] = 30 "
       "return t[1.5], t[0], t[-1], t[3], t[2.0]",
       "a,b,c,30,20"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(VmFastPaths, AssigningAnEventToAMetatableIsSeenAtOnce) {
  ScriptState s;
  // Each metatable first answers "no such event" (which it may remember), then gains the event
  // through a plain assignment to an existing field.
  const ScriptCase cases[] = {
      {"local mt = {__index = false} local t = setmetatable({}, mt) mt.__index = nil "
       "local before = t.k mt.__index = function() return 'found' end return before, t.k",
       "nil,found"},
      {"local mt = {__newindex = false} mt.__newindex = nil local t = setmetatable({}, mt) "
       "t.a = 1 local hit mt.__newindex = function(t, k, v) hit = k end t.b = 2 "
       "return rawget(t, 'a'), rawget(t, 'b'), hit",
       "1,nil,b"},
      {"local mt = {__add = 0} mt.__add = nil local a = setmetatable({}, mt) "
       "local ok = pcall(function() return a + 1 end) mt.__add = function() return 'sum' end "
       "return ok, a + 1",
       "false,sum"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(VmFastPaths, ReturnsCloseOnlyTheirOwnUpvalues) {
  ScriptState s;
  // The inner calls return while the outer frame's upvalue is still open: the counter must stay
  // shared with the outer local until the outer function itself returns.
  EXPECT_EQ(RunScript(s.L,
                      "local function outer() "
                      "  local n = 0 "
                      "  local function bump() n = n + 1 return n end "
                      "  local function call(f) return f() end "
                      "  call(bump) call(bump) n = n + 10 "
                      "  local inner = function() local m = 5 local g = function() return m end "
                      "    m = 6 return g end "
                      "  local g = inner() "
                      "  return bump, n, g() "
                      "end "
                      "local bump, n, m = outer() return bump(), n, m"),
            "13,12,6");
  // Tail calls and deep recursion through the inline call path keep results and frames right.
  EXPECT_EQ(
      RunScript(
          s.L,
          "local function count(n, acc) if n == 0 then return acc end "
          "return count(n - 1, acc + 1) end "
          "local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end "
          "local function many() return 1, 2, 3 end "
          "local a, b, c, d = many() "
          "return count(10000, 0), fib(20), a + b + c, d"),
      "10000,6765,6,nil");
  EXPECT_EQ(RunScript(s.L, "local function f() return f() + 1 end return f()"),
            "error: test:1: stack overflow");
}

TEST(VmFastPaths, MemoryIsReusedAcrossCollectionsWithTheSameCounts) {
  ScriptState s;
  // Blocks freed by collections come back for new objects of every size, and growing or
  // shrinking a block across sizes keeps its contents.
  EXPECT_EQ(RunScript(s.L,
                      "local pads = {''} for i = 2, 300 do pads[i] = pads[i - 1] .. 'x' end "
                      "for round = 1, 20 do "
                      "  local keep = {} "
                      "  local j = round "
                      "  for i = 1, 2000 do j = j + 1 if j > 300 then j = 1 end keep[i] = {i, i .. "
                      "pads[j], j} end "
                      "  for i = 1, 2000, 7 do "
                      "    local t = keep[i] "
                      "    if t[1] ~= i or t[2] ~= i .. pads[t[3]] then "
                      "      error('lost ' .. i) end "
                      "  end "
                      "  collectgarbage() "
                      "end "
                      "local grow = {} for i = 1, 300 do grow[i] = i end "
                      "for i = 300, 1, -1 do grow[i] = nil end "
                      "local sum = 0 for k, v in pairs({1, 2, 3, a = 4}) do sum = sum + v end "
                      "return sum, grow[1]"),
            "10,nil");
}

TEST(VmFastPaths, TableSizesComeFromTheFieldThenTheSetSizeThenCounting) {
  ScriptState s;
  luaopen_table(s.L);
  lua_settop(s.L, 0);
  const ScriptCase cases[] = {
      {"return table.getn({n = '3'}), table.getn({n = -1, 1, 2}), table.getn({1, 2, nil, 4})",
       "3,2,2"},
      {"local t = {1, 2, 3} table.setn(t, 10) table.insert(t, 'x') return table.getn(t), t[11]",
       "11,x"},
      {"local t = {n = 2, 'a', 'b', 'c'} table.insert(t, 'z') return t.n, t[3], table.getn(t)",
       "3,z,3"},
      {"local t = {n = 'x'} table.setn(t, 4) return t.n, table.getn(t), table.remove(t), "
       "table.getn(t)",
       "x,4,nil,3"},
      {"local t = {} for i = 1, 100 do table.insert(t, 1, i) end local sum = 0 "
       "while table.getn(t) > 0 do sum = sum + table.remove(t, 1) * table.getn(t) end "
       "return sum, t[1]",
       "333300,nil"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(VmFastPaths, ACountedListSeesEveryHoleMadeLater) {
  ScriptState s;
  luaopen_table(s.L);
  lua_settop(s.L, 0);
  // A count resumes where the last one stopped; every way of emptying a slot below that point
  // must still end the next count at the first hole.
  const ScriptCase cases[] = {
      {"local t = {} for i = 1, 10 do t[table.getn(t) + 1] = i end local a = table.getn(t) "
       "t[4] = nil local b = table.getn(t) t[4] = 4 return a, b, table.getn(t)",
       "10,3,10"},
      {"local t = {1, 2, 3, 4} local a = table.getn(t) rawset(t, 2, nil) return a, table.getn(t)",
       "4,1"},
      // Integer keys kept in the hash part, and a key given as a whole float.
      {"local t = {[1] = 1, [2] = 2, [3] = 3} local a = table.getn(t) t[2.0] = nil "
       "return a, table.getn(t)",
       "3,1"},
      // Writes outside 1..n leave the count alone; a list grown by a rehash keeps it.
      {"local t = {1, 2, 3} local a = table.getn(t) t[0] = nil t[-1] = nil t[2.5] = nil "
       "for i = 4, 100 do t[i] = i end t.x = 1 return a, table.getn(t)",
       "3,100"},
      // Values of a weak table cleared by the collector.
      {"local t = setmetatable({}, {__mode = 'v'}) for i = 1, 5 do t[i] = {} end "
       "local keep = {t[1], t[2]} local a = table.getn(t) collectgarbage() "
       "return a, table.getn(t), table.getn(keep)",
       "5,2,2"},
      // Moves inside the list by the table library.
      {"local t = {5, 4, 3, 2, 1} local a = table.getn(t) table.sort(t) "
       "local u = {1, 2, 3} table.getn(u) table.remove(u, 1) u[3] = nil "
       "return a, t[1], t[5], table.getn(u)",
       "5,1,5,2"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(VmFastPaths, ConcatenationsAreTheSameStringsAsLiterals) {
  ScriptState s;
  // Results are interned: they find keys stored under the literal of the same text, at every
  // length (long texts hash a sample of their characters) and with empty or numeric pieces.
  const ScriptCase cases[] = {
      {"local t = {abcdef = 1} local a, b = 'abc', 'def' return t[a .. b], t[a .. '' .. b .. '']",
       "1,1"},
      {"local long = 'the quick brown fox jumps over the lazy dog, again and again and again' "
       "local t = {[long] = 'found'} "
       "return t['the quick brown fox ' .. 'jumps over the lazy dog, ' .. 'again and again ' .. "
       "'and again'], t['the quick brown fox jumps over the lazy dog, again and again and agai'] ",
       "found,nil"},
      {"local t = {x12y3 = true} local x = 'x' return t[x .. 12 .. 'y' .. 3], 1 .. 2 == '12'",
       "true,true"},
      {"local s = '' for i = 1, 200 do s = s .. 'ab' end local r = '' "
       "for i = 1, 100 do r = r .. 'abab' end return s == r, rawequal(s, r)",
       "true,true"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(VmFastPaths, LuaCallsSetUpFramesLikeTheGeneralCall) {
  ScriptState s;
  const ScriptCase cases[] = {
      // Arguments beyond the parameters never show up in the callee's locals.
      {"local function f(a) local b, c return a, b, c end return f(1, 2, 3)", "1,nil,nil"},
      {"local function f(a, b, c) return c, b, a end return f(1)", "nil,nil,1"},
      // Callables that are not functions and vararg functions go the general way, called or
      // tail-called.
      {"local c = setmetatable({}, {__call = function(self, a, b) return a + b end}) "
       "local function t() return c(4, 5) end return c(2, 3), t()",
       "5,9"},
      {"local function v(a, ...) return a, arg.n, arg[2] end local function t(...) return "
       "v(unpack(arg)) end "
       "return t('x', 'y', 'z')",
       "x,2,z"},
      // A frame that grows the stack moves the open upvalues of the frames below with it.
      {"local function deep(n, f) if n == 0 then return f() end "
       "local a, b, c, d, e, g, h = 1, 2, 3, 4, 5, 6, 7 return (deep(n - 1, f)) end "
       "local function grow() local v = 'before' local r = function() return v end "
       "deep(500, function() v = 'after' end) return r(), v end "
       "return grow()",
       "after,after"},
      // Results adjust to what each call site asks for.
      {"local function three() return 1, 2, 3 end local t = {three(), three()} "
       "local a, b = (three()) return t[2], t[4], t[5], a, b",
       "1,3,nil,1,nil"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}
