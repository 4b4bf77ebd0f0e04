// Operators of the virtual machine: bitwise instructions and the XOR meaning of ^, the power
// path through the global __pow, arithmetic on numeric text, loops, closures and errors.
#include <gtest/gtest.h>

#include "tests/script/VmTestHelpers.h"

TEST(VmOperators, BitwiseAndXorOperateOnLow32BitsOfTruncatedNumbers) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"return 5 & 3", "1"},
      {"return 5 | 3", "7"},
      {"return 1 << 31", "2147483648"},
      {"return -1 >> 28", "15"},
      {"return 1 << 33", "2"},
      {"return 6 ^ 3", "5"},
      {"return 2.9 & 7", "2"},
      {"return -1 & -1", "4294967295"},
      {"local a, b = 12, 10 return a & b, a | b, a ^ b", "8,14,6"},
      {"return 1e300 & 1", "0"},
      {"return (0/0) | 0", "0"},
      {"return 0x10 >> 4", "1"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(VmOperators, BitwiseRefusesTextAndNamesTheOperandThatIsNotANumber) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local s = '6' return s & 3",
       "error: test:1: attempt to perform arithmetic on local `s' (a string value)"},
      {"local t = {} return 3 | t",
       "error: test:1: attempt to perform arithmetic on local `t' (a table value)"},
      {"return x << 1", "error: test:1: attempt to perform arithmetic on global `x' (a nil value)"},
      {"local a, b = '1', {} return a >> b",
       "error: test:1: attempt to perform arithmetic on local `b' (a table value)"},
      {"local a, b = 'x', {} return a >> b",
       "error: test:1: attempt to perform arithmetic on local `a' (a string value)"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
  // No metamethod is consulted.
  EXPECT_EQ(RunScript(s.L,
                      "local t = setmetatable({}, {__band = 1, __add = function() return 1 end}) "
                      "return t & 1"),
            "error: test:1: attempt to perform arithmetic on local `t' (a table value)");
}

TEST(VmOperators, PowerOfNonNumbersGoesThroughTheGlobalPowFunction) {
  ScriptState s;
  EXPECT_EQ(RunScript(s.L, "return '6' ^ '3'"),
            "error: test:1: `__pow' (`^' operator) is not a function");
  RunScript(s.L, "function __pow(a, b) local r = 1 for i = 1, b do r = r * a end return r end");
  EXPECT_EQ(RunScript(s.L, "return '6' ^ '3', '2' ^ 10"), "216,1024");
  // Two numbers never call it.
  EXPECT_EQ(RunScript(s.L, "return 6 ^ 3"), "5");
  // A non-numeric operand uses the operands' metamethods instead.
  EXPECT_EQ(
      RunScript(
          s.L,
          "local t = setmetatable({}, {__pow = function(a, b) return 'pow' end}) return t ^ 2"),
      "pow");
  EXPECT_EQ(RunScript(s.L, "return {} ^ 2"),
            "error: test:1: attempt to perform arithmetic on a table value");
}

TEST(VmOperators, ArithmeticConvertsNarrowAndWideNumericText) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"return '10' + 1, ' 10' * 2, '0x10' == nil", "11,20,false"},
      {"return L\"10\" + 1", "11"},
      {"return L\"10 \" + 1", "11"},
      {"return L\" 10\" + 1", "error: test:1: attempt to perform arithmetic on a wstring value"},
      {"return '0x10' + 1", "error: test:1: attempt to perform arithmetic on a string value"},
      {"return 'inf' + 1", "error: test:1: attempt to perform arithmetic on a string value"},
      {"return -'2', -L\"3\"", "-2,-3"},
      {"local t = {} return t + 1",
       "error: test:1: attempt to perform arithmetic on local `t' (a table value)"},
      {"return 1 + {}", "error: test:1: attempt to perform arithmetic on a table value"},
      {"return '1' + {}", "error: test:1: attempt to perform arithmetic on a table value"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(VmOperators, NumericForLoopConvertsLimitAndStepButNotTheIndex) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local n = 0 for i = 1, L\"3\" do n = n + i end return n", "6"},
      {"local n = 0 for i = 1, '4', '2' do n = n + i end return n", "4"},
      {"for i = 1, {} do end", "error: test:1: `for' limit must be a number"},
      {"local n = 0 for i = 10, 1, -3 do n = n + 1 end return n", "4"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(VmOperators, ClosuresShareUpvaluesThatOutliveTheirFrame) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local function counter() local n = 0 return function() n = n + 1 return n end, "
       "function() return n end end "
       "local inc, get = counter() inc() inc() return get()",
       "2"},
      {"local fs = {} for i = 1, 3 do local j = i fs[i] = function() return j end end "
       "return fs[1](), fs[2](), fs[3]()",
       "1,2,3"},
      {"local function outer() local x = 1 local function mid() return function() x = x + 10 "
       "return x end end "
       "return mid()(), x end return outer()",
       "11,11"},
      {"local function sum(...) local s = 0 for i = 1, arg.n do s = s + arg[i] end return s, arg.n "
       "end "
       "return sum(1, 2, 3)",
       "6,3"},
      {"local function tail(n) if n == 0 then return 'done' end return tail(n - 1) end return "
       "tail(100000)",
       "done"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(VmOperators, ComparisonsAndConcatenationOfPlainValues) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"return 1 < 2, 'a' < 'b', 'a\\0b' < 'a\\0c', 'ab' <= 'a'", "true,true,true,false"},
      {"return 1 .. 2", "12"},
      {"return 'x' .. 1.5 .. 'y'", "x1.5y"},
      {"return 1 < 'x'", "error: test:1: attempt to compare number with string"},
      {"return {} < {}", "error: test:1: attempt to compare two table values"},
      {"return 'a' < coroutine.create(function() end)",
       "error: test:1: attempt to compare string with thread"},
      {"local t = {} return 'a' .. t",
       "error: test:1: attempt to concatenate local `t' (a table value)"},
      {"return {} .. 'a'", "error: test:1: attempt to concatenate a table value"},
  };
  RunCases(s.L, cases, sizeof(cases) / sizeof(cases[0]));
}
