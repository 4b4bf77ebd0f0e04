// Instructions, constants and registers the code generator emits for the dialect's
// operators, constants and limits.
#include <gtest/gtest.h>

#include <string>

#include "script/codegen_compile.h"

using compiler_test::Bytes;
using compiler_test::Compiler;
using compiler_test::Decode;
using compiler_test::Listing;
using compiler_test::Units;

namespace {

TEST(Codegen, OperatorsMapOntoTheirInstructions) {
  // Constants are numbered in order of appearance, so RK 250 is the first constant.
  struct Case {
    const char* source;
    const char* first;
  } cases[] = {
      {"local a = 5 & 3", "BAND 0 250 251"},  {"local a = 5 | 3", "BOR 0 250 251"},
      {"local a = 5 << 3", "SHL 0 250 251"},  {"local a = 5 >> 3", "SHR 0 250 251"},
      {"local a = 5 ^ 3", "POW 0 250 251"},   {"local a = 5 + 3", "ADD 0 250 251"},
      {"local a = 5 - 3", "SUB 0 250 251"},   {"local a = 5 * 3", "MUL 0 250 251"},
      {"local a = 5 / 3", "DIV 0 250 251"},   {"local a, b; a = -b", "UNM 0 1 0"},
      {"local a, b; a = not b", "NOT 0 1 0"},
  };
  Compiler c;
  for (const Case& k : cases) {
    ASSERT_EQ(c.Compile(k.source), 0) << k.source << ": " << c.Error();
    const Proto* f = c.Main();
    int at = GET_OPCODE(f->code[0]) == OP_LOADNIL ? 1 : 0;
    EXPECT_EQ(Decode(f, at), k.first) << k.source;
  }
  EXPECT_EQ(int(OP_BAND), 16);
  EXPECT_EQ(int(OP_POW), 20);
  EXPECT_EQ(int(OP_CLOSURE), 38);
}

TEST(Codegen, ComparisonsBecomeTestsFollowedByJumps) {
  struct Case {
    const char* op;
    const char* test;
  } cases[] = {
      {"==", "EQ 1 0 1"}, {"~=", "EQ 0 0 1"}, {"<", "LT 1 0 1"},
      {"<=", "LE 1 0 1"}, {">", "LT 1 1 0"},  {">=", "LE 1 1 0"},
  };
  Compiler c;
  for (const Case& k : cases) {
    std::string src = std::string("local a, b; local c = a ") + k.op + " b";
    ASSERT_EQ(c.Compile(src), 0) << src << ": " << c.Error();
    const Proto* f = c.Main();
    EXPECT_EQ(Decode(f, 1), k.test) << src;
    EXPECT_EQ(GET_OPCODE(f->code[2]), OP_JMP) << src;
  }
}

TEST(Codegen, NegatedNumbersFoldIntoConstants) {
  Compiler c;
  ASSERT_EQ(c.Compile("x = -2"), 0);
  const Proto* f = c.Main();
  ASSERT_EQ(GET_OPCODE(f->code[0]), OP_LOADK);
  const TObject* k = &f->k[GETARG_Bx(f->code[0])];
  ASSERT_TRUE(ttisnumber(k));
  EXPECT_EQ(nvalue(k), -2);
  EXPECT_EQ(Listing(f).find("UNM"), std::string::npos);

  ASSERT_EQ(c.Compile("x = - - 3 + -a"), 0);
  f = c.Main();
  std::string code = Listing(f);
  EXPECT_NE(code.find("UNM"), std::string::npos);  // only `-a' needs the instruction
  EXPECT_EQ(code.find("UNM"), code.rfind("UNM"));

  // A string constant is not folded: its conversion happens at run time.
  ASSERT_EQ(c.Compile("x = -'2'"), 0);
  EXPECT_NE(Listing(c.Main()).find("UNM"), std::string::npos);
}

TEST(Codegen, ConcatenationRunsMergeIntoOneInstruction) {
  Compiler c;
  ASSERT_EQ(c.Compile("local a, b, c; x = a .. b .. c .. 'd'"), 0);
  std::string code = Listing(c.Main());
  size_t first = code.find("CONCAT");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(code.find("CONCAT", first + 1), std::string::npos) << code;
  EXPECT_NE(code.find("CONCAT 3 3 6"), std::string::npos) << code;
}

TEST(Codegen, EqualConstantsShareOneSlot) {
  Compiler c;
  ASSERT_EQ(c.Compile("a = L\"hi\" b = L\"hi\" c = 'hi' d = 1 e = 1 f = 0 g = -0"), 0);
  const Proto* f = c.Main();
  int wide = 0, narrowHi = 0, ones = 0, zeros = 0;
  for (int i = 0; i < f->sizek; ++i) {
    const TObject* k = &f->k[i];
    if (ttiswstring(k)) {
      ++wide;
      EXPECT_EQ(Units(k), u"hi");
    }
    if (ttisstring(k) && Bytes(k) == "hi") ++narrowHi;
    if (ttisnumber(k) && nvalue(k) == 1) ++ones;
    if (ttisnumber(k) && nvalue(k) == 0) ++zeros;
  }
  EXPECT_EQ(wide, 1);
  EXPECT_EQ(narrowHi, 1);  // a string and a wide string never share
  EXPECT_EQ(ones, 1);
  EXPECT_EQ(zeros, 1);
}

TEST(Codegen, ConsecutiveNilLoadsMerge) {
  Compiler c;
  ASSERT_EQ(c.Compile("local a, b; local c, d"), 0);
  EXPECT_EQ(Listing(c.Main()), "LOADNIL 0 3 0\nRETURN 0 1 0\n");
}

TEST(Codegen, LineInformationFollowsTheSource) {
  Compiler c;
  ASSERT_EQ(c.Compile("x = 1\n\ny = 2\nf(\n3)"), 0);
  const Proto* f = c.Main();
  ASSERT_EQ(f->sizelineinfo, f->sizecode);
  EXPECT_EQ(f->lineinfo[0], 1);  // LOADK
  EXPECT_EQ(f->lineinfo[2], 3);  // LOADK of y
  for (int i = 0; i < f->sizecode; ++i) {
    if (GET_OPCODE(f->code[i]) == OP_CALL) {
      EXPECT_EQ(f->lineinfo[i], 4);
    }
  }
}

TEST(Codegen, LimitsRaiseSyntaxErrors) {
  Compiler c;
  std::string longBody = "while x do\n";
  for (int i = 0; i < 44000; ++i) longBody += "a=b c=d e=f ";
  longBody += "\nend";
  EXPECT_EQ(c.Compile(longBody), LUA_ERRSYNTAX);
  EXPECT_EQ(c.Error(), "test:3: control structure too long near `end'");

  std::string wide = "local t = {f(";
  for (int i = 0; i < 260; ++i) wide += "a,";
  wide += "a)}";
  EXPECT_EQ(c.Compile(wide), LUA_ERRSYNTAX);
  EXPECT_NE(c.Error().find("function or expression too complex"), std::string::npos) << c.Error();
}

TEST(Codegen, ConstantTableOverflowEndsTheCompilation) {
  std::string src = "local t = {0";
  for (int i = 1; i <= MAXARG_Bx + 1; ++i) src += "," + std::to_string(i);
  src += "}";
  Compiler c;
  EXPECT_EQ(c.Compile(src), LUA_ERRRUN);
  EXPECT_EQ(c.Error(), "constant table overflow");
}

TEST(Codegen, ManyConstantsSpillOperandsIntoRegisters) {
  // Past 262 constants an operand no longer fits as RK and is loaded into a register.
  Compiler c;
  std::string src;
  for (int i = 0; i < 300; ++i) src += "x" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  src += "y = z + 1.5";
  ASSERT_EQ(c.Compile(src), 0) << c.Error();
  const Proto* f = c.Main();
  int add = -1;
  for (int i = 0; i < f->sizecode; ++i)
    if (GET_OPCODE(f->code[i]) == OP_ADD) add = i;
  ASSERT_GE(add, 1);
  EXPECT_LT(GETARG_C(f->code[add]), MAXSTACK);
  EXPECT_EQ(GET_OPCODE(f->code[add - 1]), OP_LOADK);
}

}  // namespace
