// Wide strings: interning beside narrow strings, the concatenation modes, conversions between
// numbers and both kinds of text, and the wide number parser.
#include <gtest/gtest.h>

#include <cstring>

#include "script/LuaObject.h"
#include "tests/script/VmTestHelpers.h"

TEST(ValueWideStrings, ConcatenationModeFollowsTheRightmostText) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"local w = L\"ab\" .. 1 return type(w), w", "wstring,L'ab1'"},
      {"return 1 .. L\"x\" .. 2", "L'1x2'"},
      {"return 1 .. 2", "12"},
      {"return L\"\" .. 'x'", "error: test:1: attempt to concatenate a wstring value"},
      // The right operand of the pass is named when the left one is a narrow string.
      {"local a = 'x' return a .. L\"y\"", "error: test:1: attempt to concatenate a wstring value"},
      {"return L\"ab\" .. L\"\"", "L'ab'"},
      {"return 5 .. ''", "5"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

TEST(ValueWideStrings, InterningMakesEqualWideStringsOneObjectAndNeverEqualToNarrow) {
  ScriptState s;
  EXPECT_EQ(
      RunScript(s.L, "local w = L\"ab\" .. L\"c\" return L\"abc\" == w, rawequal(L\"abc\", w)"),
      "true,true");
  EXPECT_EQ(RunScript(s.L, "return L\"abc\" == 'abc'"), "false");
  const uint16_t units[] = {'a', 'b', 'c'};
  // Two separately built wide strings share one object.
  lua_pushlwstring(s.L, units, 3);
  const uint16_t* p1 = lua_towstring(s.L, -1);
  lua_pushlwstring(s.L, units, 3);
  EXPECT_EQ(p1, lua_towstring(s.L, -1));
  lua_pop(s.L, 2);
}

TEST(ValueWideStrings, OrderingWideStringsCallsTheirTypeTable) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"return L\"a\" < L\"b\"", "error: test:1: attempt to call a table value"},
      {"return L\"a\" < 'b'", "error: test:1: attempt to compare wstring with string"},
      {"return 'a' < coroutine.create(function() end)",
       "error: test:1: attempt to compare string with thread"},
      {"return {} <= {}", "error: test:1: attempt to compare two table values"},
      {"return 'a\\0b' < 'a\\0c', 'ab' < 'abc', 'b' >= 'a', 2 <= 2", "true,true,true,true"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

// Arithmetic reads numbers out of both kinds of text; only the narrow reader skips leading
// blanks, as strtod does.
TEST(ValueWideStrings, ArithmeticConvertsNarrowAndWideText) {
  ScriptState s;
  const ScriptCase cases[] = {
      {"return L\"10\" + 1", "11"},
      {"return L\"10 \" * 2", "20"},
      {"return L\" 10\" + 1", "error: test:1: attempt to perform arithmetic on a wstring value"},
      {"return ' 10' + 1, '0.5e1 ' - 1", "11,4"},
      {"return '0x10' + 0", "error: test:1: attempt to perform arithmetic on a string value"},
      {"return 1.5 .. '', L\"\" .. 2.25", "1.5,L'2.25'"},
  };
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(s.L, c.code), c.expected) << c.code;
}

static bool WideToNumber(const char* text, double* out) {
  uint16_t w[64];
  size_t n = strlen(text);
  for (size_t i = 0; i <= n; i++) w[i] = (uint16_t)(unsigned char)text[i];
  return luaO_wstr2d(w, out) != 0;
}

TEST(ValueWideStrings, WideNumberParserAcceptsItsOwnForms) {
  struct NumCase {
    const char* text;
    bool ok;
    double value;
  };
  const NumCase cases[] = {
      {"0x1.8p1", true, 3}, {"0x1F", true, 31},     {"0x1p4", false, 0},  {"-0x10", false, 0},
      {"1e2", true, 100},   {"2.5e-1", true, 0.25}, {"10 ", true, 10},    {" 10", false, 0},
      {"12x", false, 0},    {"0x.8", true, 0.5},    {"-7.5", true, -7.5}, {"", false, 0},
      {"-", false, 0},      {".", false, 0},        {"e5", false, 0},     {"0x", false, 0},
  };
  for (const NumCase& c : cases) {
    double v = -1;
    EXPECT_EQ(WideToNumber(c.text, &v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  double v;
  EXPECT_EQ(luaO_str2d(" 10", &v), 1);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(luaO_str2d("0x10", &v), 0);
  EXPECT_EQ(luaO_str2d("nan", &v), 0);
  EXPECT_EQ(luaO_str2d("1e", &v), 0);
  EXPECT_EQ(luaO_str2d("1.5e+2 \t", &v), 1);
  EXPECT_EQ(v, 150);
}
