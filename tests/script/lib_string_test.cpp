// The string library through the native interface: how it installs itself, and the exact
// messages (with the script position in front) that scripts see.
#include <gtest/gtest.h>

#include <string>

#include "script/LuaAux.h"
#include "script/LuaLibs.h"

namespace {

// A chunk and its first result as Run gives it.
struct Case {
  const char* code;
  const char* result;
};

class StringLib : public ::testing::Test {
protected:
  void SetUp() override {
    L = lua_open();
    ASSERT_NE(L, nullptr);
    for (lua_CFunction open : {luaopen_base, luaopen_string, luaopen_table}) {
      open(L);
      lua_settop(L, 0);
    }
  }
  void TearDown() override { lua_close(L); }

  // Runs a chunk named "t"; its first result as text, or "error: " and the message.
  std::string Run(const std::string& code) {
    lua_settop(L, 0);
    int status = luaL_loadbuffer(L, code.data(), code.size(), "=t");
    if (status == 0) status = lua_pcall(L, 0, 1, 0);
    const char* s = lua_tostring(L, -1);
    std::string text = s ? std::string(s, lua_strlen(L, -1)) : "(not a string)";
    return status == 0 ? text : "error: " + text;
  }

  lua_State* L = nullptr;
};

TEST_F(StringLib, BecomesTheSharedMetatableOfStrings) {
  lua_pushtypetable(L, LUA_TSTRING);
  lua_pushstring(L, "string");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_pushstring(L, "pack");
  lua_gettable(L, -2);
  EXPECT_TRUE(lua_isfunction(L, -1));
  EXPECT_EQ(Run("return ('abc'):upper() .. ('x'):rep(2)"), "ABCxx");
}

TEST_F(StringLib, ErrorsCarryTheMessagesScriptsSee) {
  const Case cases[] = {
      {"return string.len(towstring('w'))",
       "error: t:1: bad argument #1 to `len' (string expected, got wstring)"},
      {"return ('x'):rep()",
       "error: t:1: bad argument #1 to `rep' (number expected, got no value)"},
      {"return string.format('%B', 0)",
       "error: t:1: bad argument #2 to `format' (boolean expected, got number)"},
      {"return string.format('%5B|%B', true, nil)", "true|false"},
      {"return string.format('%')", "error: t:1: invalid option to `format'"},
      {"return string.format('%x', -1)", "ffffffff"},
      {"return string.pack('B', 1)", "error: t:1: expected a boolean"},
      {"return string.unpack('', 'Q')", "error: t:1: bad argument #1 to `unpack' (bad code `Q')"},
      {"return string.gsub('a', 'a', true)",
       "error: t:1: bad argument #3 to `gsub' (string or function expected)"},
      {"return string.find('a', '(')", "error: t:1: unfinished capture"},
      {"return string.char(300)", "error: t:1: bad argument #1 to `char' (invalid value)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.code), c.result) << c.code;
}

// Each optional item nests the matcher once more; without a limit this pattern would run the
// C stack out.
TEST_F(StringLib, DeepPatternsFailInsteadOfOverflowingTheStack) {
  EXPECT_EQ(Run("return string.find(string.rep('a', 1000), string.rep('a?', 200000))"),
            "error: t:1: pattern too complex");
  EXPECT_EQ(Run("return string.find(string.rep('a', 100000), '^' .. string.rep('a*', 150000))"),
            "error: t:1: pattern too complex");
  // Twenty captures with optional items stay well inside the limit.
  EXPECT_EQ(Run("return tostring(string.gsub(string.rep('ab', 50), string.rep('(a?)b', 20), "
                "'%1') == 'aa' .. string.rep('ab', 10))"),
            "true");
}

// Format strings and escape strings that end in the middle of a conversion or an escape stop at
// their end.
TEST_F(StringLib, FormatAndEscapesStopAtTheEndOfTheText) {
  EXPECT_EQ(Run("return string.format('x%b', 1) .. string.format('%bw', 258)"), "x\x02\x01");
  EXPECT_EQ(Run("return string.len(string.lualex('ab\\\\', 0))"), "3");
  EXPECT_EQ(Run("return string.byte(string.lualex('ab\\\\', 0), 3)"), "0");
  EXPECT_EQ(Run("return tostring(string.format('%c', 0) == '\\0')"), "true");
  EXPECT_EQ(Run("return string.len(string.format('%c', 0))"), "1");
}

TEST_F(StringLib, ImpossibleRepetitionsFailAtOnce) {
  EXPECT_EQ(Run("return string.rep('ab', 1e10)"),
            "error: t:1: memory allocation error: block too big");
  EXPECT_EQ(Run("return string.len(string.rep('', 1e10) .. string.rep('ab', 3))"), "6");
}

}  // namespace

TEST_F(StringLib, GsubSkipsOnlyWhereNoMatchCanBegin) {
  // Patterns whose first item needs a character of a known kind are matched only where one
  // stands; every other first item, and every error, behaves as when each position is tried.
  const Case cases[] = {
      {"local s, n = string.gsub('x $a, $bb and $ z$', '%$(%w+)', '<%1>') return s .. n",
       "x <a>, <bb> and $ z$2"},
      {"local s, n = string.gsub('<b>&</b>', '[<>&]', function(c) return '.' end) return s .. n",
       ".b.../b.5"},
      {"return (string.gsub('hello big world', '((%a)(%a*))', function(w, f, r) "
       "return string.upper(f) .. r end))",
       "Hello Big World"},
      // Items that may match nothing, position captures and frontiers try every position.
      {"return (string.gsub('abc', 'x*', '-'))", "-a-b-c-"},
      {"return (string.gsub('abc', '()', '%1'))", "1a2b3c4"},
      {"return (string.gsub('the cat', '%f[%a]', '|'))", "|the |cat"},
      {"return (string.gsub('a.b', '.', 'x'))", "xxx"},
      // A literal last item, an anchor, a limit and an empty subject.
      {"return (string.gsub('aXbXc', 'X', '-', 1))", "a-bXc"},
      {"return (string.gsub('XaX', '^X', '-'))", "-aX"},
      {"local s, n = string.gsub('', 'a', 'b') return s .. n", "0"},
      {"return (string.gsub('abc', 'c$', '!'))", "ab!"},
      // Errors still come from the first position tried, and not at all with a limit of 0.
      {"return string.gsub('', '[a', '')", "error: t:1: malformed pattern (missing `]')"},
      {"return string.gsub('zzz', 'z[a', '')", "error: t:1: malformed pattern (missing `]')"},
      {"return (string.gsub('abc', 'z[a', ''))", "abc"},
      {"return (string.gsub('abc', '[a', '', 0))", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.code), c.result) << c.code;
}

TEST_F(StringLib, PlainIntegersAndStringsFormatAsWithTheirFlags) {
  // Items with no flags, width or precision are written directly: the same text as the
  // formatted ones, a short string still cut at a zero byte, and text between items kept whole.
  const Case cases[] = {
      {"return string.format('%d|%i|%d|%d|%5d|%-3d|', -2147483648, 2147483647, 0, -7, 42, 5)",
       "-2147483648|2147483647|0|-7|   42|5  |"},
      {"return string.format('%d %d', 3.9, -3.9)", "3 -3"},
      {"return string.format('<%s|%5s|%.2s>', 'abc', 'x', 'long')", "<abc|    x|lo>"},
      {"return string.len(string.format('%s', 'a\\0b')) .. string.len(string.format('%s', "
       "string.rep('a\\0', 60)))",
       "1120"},
      {"return string.format('100%% of %s, %d%%', 'it', 5) .. string.format('no items')",
       "100% of it, 5%no items"},
      {"return string.format('%s=%d', 12, '34')", "12=34"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.code), c.result) << c.code;
}
