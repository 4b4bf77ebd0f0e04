// Tokens, literals and lexical errors of the script dialect, observed through compiled
// prototypes and the exact syntax-error messages.
#include <gtest/gtest.h>

#include "script/codegen_compile.h"

using compiler_test::Bytes;
using compiler_test::Compiler;
using compiler_test::Units;

namespace {

// A source file in UTF-16 little-endian with its byte-order mark.
std::string Utf16File(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out += char(c & 0xFF);
    out += char(c >> 8);
  }
  return out;
}

// The first constant of `return <literal>'.
struct Literal {
  Compiler c;
  const TObject* Of(const std::string& source) {
    if (c.Compile(source) != 0) {
      ADD_FAILURE() << source << ": " << c.Error();
      return nullptr;
    }
    return &c.Main()->k[0];
  }
};

TEST(Lexer, LexicalErrorsNameTheLineAndTheOffendingText) {
  struct Case {
    const char* source;
    const char* message;
  } cases[] = {
      {"x = 1\n\n\a", "test:3: invalid control char near `char(7)'"},
      {"x = \x7f", "test:1: invalid control char near `char(127)'"},
      {"x = \xff", "test:1: invalid wide char near `char(255)'"},
      {"x = \xe9", "test:1: unexpected symbol near `\xe9'"},
      {"x = 1\r\ny = \x01", "test:2: invalid control char near `char(1)'"},
      {"x = \"abc", "test:1: unfinished string near `<eof>'"},
      {"x = \"abc\ny\"", "test:1: unfinished string near `\"abc'"},
      {"x = 'ab\\256'", "test:1: escape sequence too large near `'ab'"},
      {"x = L\"ab\\256\"", "test:1: escape sequence too large near `\"'"},
      {"x = L\"abc\n\"", "test:1: unfinished string near `\"'"},
      {"x = L\"abc", "test:1: unfinished string near `<eof>'"},
      {"x = 1..2", "test:1: ambiguous syntax (decimal point x string concatenation) near `1..'"},
      {"x = 1e", "test:1: malformed number near `1e'"},
      {"x = 1e+", "test:1: malformed number near `1e+'"},
      {"x = [[abc\n", "test:2: unfinished long string near `<eof>'"},
      {"--[[ a\n[[ b ]]\n", "test:3: unfinished long comment near `<eof>'"},
      {"#!/bin/game\n\ny = \a", "test:3: invalid control char near `char(7)'"},
      {"return 0x1234567890", "test:1: <eof> expected near `90'"},
      {"return 0X10", "test:1: <eof> expected near `X10'"},
      {"x = a < < 2", "test:1: unexpected symbol near `<'"},
  };
  Compiler c;
  for (const Case& k : cases) {
    EXPECT_EQ(c.Compile(k.source), LUA_ERRSYNTAX) << k.source;
    EXPECT_EQ(c.Error(), k.message) << k.source;
  }
}

TEST(Lexer, ChunkNamesAreShortenedInMessages) {
  Compiler c;
  c.Compile("x = \a", "@scripts/menu.lua");
  EXPECT_EQ(c.Error(), "scripts/menu.lua:1: invalid control char near `char(7)'");
  c.Compile("x = \a", "x = \a");
  EXPECT_EQ(c.Error(), "[string \"x = \a\"]:1: invalid control char near `char(7)'");
}

TEST(Lexer, NumeralsDecimalAndLowerCaseHex) {
  struct Case {
    const char* source;
    double value;
  } cases[] = {
      {"return 0x10", 16},    {"return 0xFFFFFFFF", 4294967295.0},
      {"return 0xfF", 255},   {"return 0x", 0},
      {"return 3.25e2", 325}, {"return .5", 0.5},
      {"return 7.", 7},       {"return 1E-2", 0.01},
  };
  Literal lit;
  for (const Case& k : cases) {
    const TObject* o = lit.Of(k.source);
    ASSERT_TRUE(o && ttisnumber(o)) << k.source;
    EXPECT_EQ(nvalue(o), k.value) << k.source;
  }
}

TEST(Lexer, NarrowStringEscapes) {
  struct Case {
    const char* source;
    std::string bytes;
  } cases[] = {
      {R"(return "\x41\x4a2")", "AJ2"},
      {R"(return "\xg")", "xg"},
      {R"(return "\x7")", "\x07"},
      {R"(return "\255\0z")", std::string("\xff\0z", 3)},
      {R"(return 'a\"b\'c\\')", "a\"b'c\\"},
      {"return \"a\\\nb\"", "a\nb"},
      {R"(return "\a\b\f\n\r\t\v\q")", "\a\b\f\n\r\t\vq"},
      {"return [[\nfirst [[nested]] ]]", "first [[nested]] "},
  };
  Literal lit;
  for (const Case& k : cases) {
    const TObject* o = lit.Of(k.source);
    ASSERT_TRUE(o && ttisstring(o)) << k.source;
    EXPECT_EQ(Bytes(o), k.bytes) << k.source;
  }
}

TEST(Lexer, WideLiteralsKeepSourceUnitsAndDecodeEscapes) {
  struct Case {
    const char* source;
    std::u16string units;
  } cases[] = {
      {R"(return L"\x41\x263A")", u"\x41\x263A"},
      {R"(return L"\x12345")",
       u"\x1234"
       u"5"},
      {R"(return L"\xg")", u"xg"},
      {R"(return L"\255\"\\")", u"\xff\"\\"},
      {R"(return L"")", u""},
      {"return L\"\xc3\xa9\"", u"\xc3\xa9"},  // UTF-8 bytes are not decoded
      {"return L\"a\\\nb\\n\"", u"a\nb\n"},
  };
  Literal lit;
  for (const Case& k : cases) {
    const TObject* o = lit.Of(k.source);
    ASSERT_TRUE(o && ttiswstring(o)) << k.source;
    EXPECT_EQ(Units(o), k.units) << k.source;
  }
}

TEST(Lexer, LFollowedByApostropheIsANameAndAString) {
  Compiler c;
  ASSERT_EQ(c.Compile("return L'x', Lx"), 0) << c.Error();
  const Proto* f = c.Main();
  ASSERT_EQ(f->sizek, 3);
  EXPECT_EQ(Bytes(&f->k[0]), "L");
  EXPECT_EQ(Bytes(&f->k[1]), "x");
  EXPECT_EQ(Bytes(&f->k[2]), "Lx");
}

TEST(Lexer, Utf16SourcesAreReadAsUnits) {
  Compiler c;
  // Wide literal: one unit per source unit; narrow strings keep the low byte; comments skip.
  std::string file =
      Utf16File(u"-- \x2603 comment\nw = L\"\xe9\x2603\" s = \"\x2641\" return w, s");
  ASSERT_EQ(c.Compile(file), 0) << c.Error();
  const Proto* f = c.Main();
  ASSERT_EQ(f->sizek, 4);
  EXPECT_EQ(Units(&f->k[1]), u"\xe9\x2603");
  EXPECT_EQ(Bytes(&f->k[3]), "\x41");

  EXPECT_EQ(c.Compile(Utf16File(u"x = 1\ny = \x2603")), LUA_ERRSYNTAX);
  EXPECT_EQ(c.Error(), "test:2: invalid wide char near `char(9731)'");

  // Without the mark the same bytes are 8-bit text.
  std::string plain = "return L\"\xc3\xa9\"";
  ASSERT_EQ(c.Compile(Utf16File(u"return L\"\xe9\"")), 0);
  EXPECT_EQ(Units(&c.Main()->k[0]), u"\xe9");
  ASSERT_EQ(c.Compile(plain), 0);
  EXPECT_EQ(Units(&c.Main()->k[0]).size(), 2u);
}

TEST(Lexer, OddTrailingByteOfUtf16SourceIsDropped) {
  Compiler c;
  std::string file = Utf16File(u"return 1") + "x";
  ASSERT_EQ(c.Compile(file), 0) << c.Error();
}

}  // namespace
