// Grammar of the dialect: syntax errors with their exact texts, operator priorities, table
// size hints and the numbered break and continue statements.
#include <gtest/gtest.h>

#include <string>

#include "script/codegen_compile.h"

using compiler_test::Compiler;
using compiler_test::Decode;
using compiler_test::Listing;

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Opcode names of f's code in order, without operands.
std::string Ops(const Proto* f) {
  std::string out;
  for (int i = 0; i < f->sizecode; ++i) {
    if (!out.empty()) out += ' ';
    out += luaP_opnames[GET_OPCODE(f->code[i])];
  }
  return out;
}

TEST(Parser, SyntaxErrorsHaveExactTexts) {
  struct Case {
    std::string source;
    std::string message;
  } cases[] = {
      {"while x do break 0 end", "test:1: loop block number out of range near `0'"},
      {"while x do continue 101 end", "test:1: loop block number out of range near `101'"},
      {"while x do break 1.5 end", "test:1: loop block number must be integer near `1.5'"},
      {"while x do break 2 end", "test:1: no loop to break near `end'"},
      {"if x then break end", "test:1: no loop to break near `end'"},
      {"continue", "test:1: no loop to continue near `<eof>'"},
      {"function f() while x do end continue end", "test:1: no loop to continue near `end'"},
      {"while x do break; y = 1 end", "test:1: `end' expected near `y'"},
      {"repeat continue y = 1 until x", "test:1: `until' expected near `y'"},
      {"t = {& x}", "test:1: size expected following & (line 1) near `x'"},
      {"t = {&}", "test:1: size expected following & (line 1) near `}'"},
      {"t = {\n&10 &\n}", "test:3: size expected following & (line 3) near `}'"},
      {"x = = 1", "test:1: unexpected symbol near `='"},
      {"x = f\n(g)()", "test:2: ambiguous syntax (function call x new statement) near `('"},
      {"for i do end", "test:1: `=' or `in' expected near `do'"},
      {"function f(a, 1) end", "test:1: <name> or `...' expected near `1'"},
      {"local function 1", "test:1: <name> expected near `1'"},
      {"x = 1 +", "test:1: unexpected symbol near `<eof>'"},
      {"if x then\n\ny = 1", "test:3: `end' expected (to close `if' at line 1) near `<eof>'"},
      {"do x = 1", "test:1: `end' expected near `<eof>'"},
      {"x.y", "test:1: `=' expected near `<eof>'"},
      {"(x) = 1", "test:1: syntax error near `='"},
      {"f 1", "test:1: `=' expected near `1'"},
      {"x = a:b", "test:1: function arguments expected near `<eof>'"},
      {"return 1 end", "test:1: <eof> expected near `end'"},
      {"local " + Repeat("a,", 200) + "a",
       "test:1: too many local variables (limit=200) near `<eof>'"},
      {"function f(" + Repeat("a,", 100) + "a) end",
       "test:1: too many parameters (limit=100) near `)'"},
      {"x = " + Repeat("(", 300) + "1" + Repeat(")", 300),
       "test:1: too many syntax levels near `('"},
      // A long list of assignment targets is bounded like nesting, not by the native stack.
      {"a" + Repeat(", a", 100000) + " = 1", "test:1: too many syntax levels near `a'"},
      {"while " + Repeat("a.b.c.d and ", 30) + "x do end",
       "test:1: `while' condition too complex near `do'"},
  };
  Compiler c;
  for (const Case& k : cases) {
    const std::string shown = k.source.substr(0, 60);
    EXPECT_EQ(c.Compile(k.source), LUA_ERRSYNTAX) << shown;
    EXPECT_EQ(c.Error(), k.message) << shown;
  }
}

TEST(Parser, TooManyUpvaluesIsASyntaxError) {
  std::string src =
      "local " + Repeat("a,", 32) + "a\nfunction f() return " + Repeat("a+", 32) + "a end";
  // All 33 names are `a': one upvalue. Distinct names exceed the limit.
  Compiler c;
  ASSERT_EQ(c.Compile(src), 0) << c.Error();
  std::string names, uses;
  for (int i = 0; i < 33; ++i) {
    names += (i ? ",v" : "v") + std::to_string(i);
    uses += (i ? "+v" : "v") + std::to_string(i);
  }
  EXPECT_EQ(c.Compile("local " + names + "\nfunction f() return " + uses + " end"), LUA_ERRSYNTAX);
  EXPECT_NE(c.Error().find("too many upvalues (limit=32)"), std::string::npos) << c.Error();
}

TEST(Parser, NewOperatorsBindBetweenMultiplicationAndPower) {
  struct Case {
    const char* source;
    const char* ops;
  } cases[] = {
      {"x = a & b | c << d", "GETGLOBAL GETGLOBAL BAND GETGLOBAL BOR GETGLOBAL SHL SETGLOBAL"},
      {"x = a + b & c", "GETGLOBAL GETGLOBAL GETGLOBAL BAND ADD SETGLOBAL"},
      {"x = a & b * c", "GETGLOBAL GETGLOBAL BAND GETGLOBAL MUL SETGLOBAL"},
      {"x = a & b ^ c", "GETGLOBAL GETGLOBAL GETGLOBAL POW BAND SETGLOBAL"},
      {"x = -a & b", "GETGLOBAL UNM GETGLOBAL BAND SETGLOBAL"},
      {"x = a .. b & c", "GETGLOBAL GETGLOBAL GETGLOBAL BAND CONCAT SETGLOBAL"},
      {"x = a >> b .. c", "GETGLOBAL GETGLOBAL SHR GETGLOBAL CONCAT SETGLOBAL"},
  };
  Compiler c;
  for (const Case& k : cases) {
    ASSERT_EQ(c.Compile(k.source), 0) << k.source << ": " << c.Error();
    EXPECT_EQ(Ops(c.Main()), std::string(k.ops) + " RETURN") << k.source;
  }
}

TEST(Parser, TableSizeHintsSetTheConstructorOperands) {
  struct Case {
    const char* source;
    int b, c;
  } cases[] = {
      {"t = {}", 0, 0},
      {"t = {&10}", 0, 4},
      {"t = {&1.9}", 0, 1},
      {"t = {&0 &100}", 39, 0},  // 100 rounds up to 7 << 4 = 112
      {"t = {&2 &3; 1, 2, 3, 4}", 4, 2},
      {"t = {&1 &1; 1, 2, 3; x = 1, y = 2, z = 3}", 3, 2},
      {"t = {1, 2, 3, a = 1}", 3, 1},
      {"t = {&1e300}", 0, 31},
  };
  Compiler c;
  for (const Case& k : cases) {
    ASSERT_EQ(c.Compile(k.source), 0) << k.source << ": " << c.Error();
    Instruction ins = c.Main()->code[0];
    ASSERT_EQ(GET_OPCODE(ins), OP_NEWTABLE) << k.source;
    EXPECT_EQ(GETARG_B(ins), k.b) << k.source;
    EXPECT_EQ(GETARG_C(ins), k.c) << k.source;
  }
  // Past the head `&' is the operator again.
  ASSERT_EQ(c.Compile("t = {x & 3}"), 0) << c.Error();
  EXPECT_NE(Listing(c.Main()).find("BAND"), std::string::npos);
}

TEST(Parser, WideLiteralCallsAFunctionWithoutParentheses) {
  Compiler c;
  ASSERT_EQ(c.Compile("f L\"hi\""), 0) << c.Error();
  const Proto* f = c.Main();
  EXPECT_EQ(Ops(f), "GETGLOBAL LOADK CALL RETURN");
  EXPECT_TRUE(ttiswstring(&f->k[GETARG_Bx(f->code[1])]));
  ASSERT_EQ(c.Compile("obj:m L\"hi\""), 0) << c.Error();
  EXPECT_EQ(Ops(c.Main()), "GETGLOBAL SELF LOADK CALL RETURN");
}

TEST(Parser, LoopsNameTheirHiddenLocals) {
  Compiler c;
  ASSERT_EQ(c.Compile("for i = 1, 2 do end for k, v in t do end function o:m(...) end"), 0);
  const Proto* f = c.Main();
  std::string names;
  for (int i = 0; i < f->sizelocvars; ++i)
    names += std::string(getstr(f->locvars[i].varname)) + ";";
  EXPECT_EQ(names, "i;(for limit);(for step);(for generator);(for state);k;v;");
  const Proto* m = f->p[0];
  ASSERT_EQ(m->sizelocvars, 2);
  EXPECT_STREQ(getstr(m->locvars[0].varname), "self");
  EXPECT_STREQ(getstr(m->locvars[1].varname), "arg");
  EXPECT_EQ(m->is_vararg, 1);
  EXPECT_EQ(f->is_vararg, 1);
}

TEST(Parser, BreakClosesCapturedLocalsOfTheBlocksItLeaves) {
  Compiler c;
  // The local captured inside the inner loop's body must be closed at the level of the
  // outer loop when `break 2' jumps past both block exits.
  ASSERT_EQ(c.Compile("while a do local x for i = 1, 2 do local y f = function() return y end "
                      "break 2 end end"),
            0)
      << c.Error();
  std::string code = Listing(c.Main());
  EXPECT_NE(code.find("CLOSE 0 0 0\nJMP"), std::string::npos) << code;
  // `break' from a body without captured locals needs no close.
  ASSERT_EQ(c.Compile("while a do local x = 1 break end"), 0);
  EXPECT_EQ(Listing(c.Main()).find("CLOSE"), std::string::npos);
}

}  // namespace
