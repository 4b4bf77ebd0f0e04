// Lexical analyser of the script dialect: turns a chunk's character stream (bytes, or 16-bit
// units for sources marked as UTF-16) into tokens for the parser, and raises syntax errors.
#pragma once

#include "script/LuaObject.h"
#include "script/LuaZio.h"

inline constexpr int FIRST_RESERVED = 257;

// Reserved words come first and in this order: a word's string stores its index + 1 in its
// `reserved` byte, and the token-to-text table follows the same order.
enum RESERVED {
  TK_AND = FIRST_RESERVED,
  TK_BREAK,
  TK_CONTINUE,
  TK_DO,
  TK_ELSE,
  TK_ELSEIF,
  TK_END,
  TK_FALSE,
  TK_FOR,
  TK_FUNCTION,
  TK_IF,
  TK_IN,
  TK_LOCAL,
  TK_NIL,
  TK_NOT,
  TK_OR,
  TK_REPEAT,
  TK_RETURN,
  TK_THEN,
  TK_TRUE,
  TK_UNTIL,
  TK_WHILE,
  TK_NAME,
  TK_CONCAT,
  TK_DOTS,
  TK_EQ,
  TK_GE,
  TK_LE,
  TK_NE,
  TK_NUMBER,
  TK_STRING,
  TK_WSTRING,
  TK_SHL,
  TK_SHR,
  TK_EOS
};

inline constexpr int NUM_RESERVED = int(TK_WHILE) - FIRST_RESERVED + 1;

// Chunk identifiers in syntax errors are cut to this many bytes.
inline constexpr int MAXSRC = 80;

union SemInfo {
  lua_Number r;
  TString* ts;  // a name, a string, or a wide string (tag 9)
};

struct Token {
  int token;
  SemInfo seminfo;
};

struct FuncState;

struct LexState {
  int current;      // current character, or EOZ
  int linenumber;   // input line counter
  int lastline;     // line of the last token consumed
  Token t;          // current token
  Token lookahead;  // look-ahead token; TK_EOS when none is held
  FuncState* fs;    // function being compiled
  lua_State* L;
  ZIO* z;
  Mbuffer* buff;    // text of the token being read
  TString* source;  // chunk name
  int nestlevel;    // syntax nesting depth
};

void luaX_init(lua_State* L);
void luaX_setinput(lua_State* L, LexState* ls, ZIO* z, TString* source);
int luaX_lex(LexState* ls, SemInfo* seminfo);
void luaX_checklimit(LexState* ls, int val, int limit, const char* msg);
[[noreturn]] void luaX_syntaxerror(LexState* ls, const char* s);
[[noreturn]] void luaX_errorline(LexState* ls, const char* s, const char* token, int line);
[[noreturn]] void luaX_error(LexState* ls, const char* s, const char* token);
[[noreturn]] void luaX_lexerror(LexState* ls, const char* s, int token);
const char* luaX_token2str(LexState* ls, int token);
