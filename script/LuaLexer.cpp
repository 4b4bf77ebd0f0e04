// Lexical analyser: reserved words, numerals (decimal and 0x), narrow, long and wide strings,
// comments, and the syntax-error path shared with the parser. Sources marked as UTF-16 arrive
// as 16-bit units; narrow text keeps only their low byte.
#include "script/LuaLexer.h"

#include <cstring>
#include <vector>

#include "script/LuaDo.h"
#include "script/LuaString.h"
#include "script/LuaParser.h"

namespace {

const char* const token2string[] = {
    "and",      "break", "continue", "do",      "else",     "elseif", "end", "false",  "for",
    "function", "if",    "in",       "local",   "nil",      "not",    "or",  "repeat", "return",
    "then",     "true",  "until",    "while",   "*name",    "..",     "...", "==",     ">=",
    "<=",       "~=",    "*number",  "*string", "*wstring", "<<",     ">>",  "<eof>"};

constexpr size_t EXTRABUFF = 32;
constexpr size_t MAXNOCHECK = 5;

// Character classes are tested by hand: `current` may be EOZ or a 16-bit unit, which the C
// library's classifiers do not accept.
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAlnum(int c) { return IsAlpha(c) || IsDigit(c) || c == '_'; }
int HexValue(int c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One character of the stream: a byte, or in 16-bit input a little-endian unit. A dangling
// odd byte at the end is dropped.
void Next(LexState* ls) {
  int c = zgetc(ls->z);
  if (ls->z->wide && c != EOZ) {
    int hi = zgetc(ls->z);
    c = (hi == EOZ) ? EOZ : c + 256 * hi;
  }
  ls->current = c;
}

void CheckBuffer(LexState* ls, size_t len) {
  if (len + MAXNOCHECK > luaZ_sizebuffer(ls->buff))
    luaZ_openspace(ls->L, ls->buff, len + EXTRABUFF);
}

// Stores the low byte of c; narrow text from 16-bit input is cut the same way.
void Save(LexState* ls, int c, size_t& l) {
  CheckBuffer(ls, l);
  luaZ_buffer(ls->buff)[l++] = char(c & 0xFF);
}

void SaveAndNext(LexState* ls, size_t& l) {
  Save(ls, ls->current, l);
  Next(ls);
}

void IncLineNumber(LexState* ls) {
  Next(ls);  // skip the newline
  ++ls->linenumber;
  luaX_checklimit(ls, ls->linenumber, MAX_INT, "lines in a chunk");
}

void ReadNumeral(LexState* ls, bool point, SemInfo* seminfo) {
  size_t l = 0;
  if (!point && ls->current == '0') {
    SaveAndNext(ls, l);
    if (ls->current == 'x') {
      // Up to 8 hexadecimal digits form an unsigned 32-bit pattern; what follows starts a new
      // token. A non-digit after the x ends the numeral (value 0) and is read normally.
      SaveAndNext(ls, l);
      std::uint32_t value = 0;
      for (int digits = 0; digits < 8 && HexValue(ls->current) >= 0; ++digits) {
        value = value * 16 + std::uint32_t(HexValue(ls->current));
        SaveAndNext(ls, l);
      }
      Save(ls, '\0', l);
      seminfo->r = lua_Number(value);
      return;
    }
  }
  bool fractional = false;
  if (point) {
    Save(ls, '.', l);
    fractional = true;
  }
  while (IsDigit(ls->current)) SaveAndNext(ls, l);
  if (ls->current == '.') {
    fractional = true;
    SaveAndNext(ls, l);
    if (ls->current == '.') {
      SaveAndNext(ls, l);
      Save(ls, '\0', l);
      luaX_lexerror(ls, "ambiguous syntax (decimal point x string concatenation)", TK_NUMBER);
    }
  }
  while (IsDigit(ls->current)) SaveAndNext(ls, l);
  if (ls->current == 'e' || ls->current == 'E') {
    fractional = true;
    SaveAndNext(ls, l);
    if (ls->current == '+' || ls->current == '-') SaveAndNext(ls, l);
    while (IsDigit(ls->current)) SaveAndNext(ls, l);
  }
  Save(ls, '\0', l);
  if (!luaO_str2d(luaZ_buffer(ls->buff), &seminfo->r))
    luaX_lexerror(ls, fractional ? "malformed number" : "malformed integer", TK_NUMBER);
}

void ReadLongString(LexState* ls, SemInfo* seminfo) {
  int nesting = 0;
  size_t l = 0;
  Save(ls, '[', l);
  SaveAndNext(ls, l);  // the second `['
  if (ls->current == '\n') IncLineNumber(ls);
  for (;;) {
    switch (ls->current) {
      case EOZ:
        Save(ls, '\0', l);
        luaX_lexerror(ls, seminfo ? "unfinished long string" : "unfinished long comment", TK_EOS);
      case '[':
        SaveAndNext(ls, l);
        if (ls->current == '[') {
          ++nesting;
          SaveAndNext(ls, l);
        }
        continue;
      case ']':
        SaveAndNext(ls, l);
        if (ls->current == ']') {
          if (nesting == 0) goto done;
          --nesting;
          SaveAndNext(ls, l);
        }
        continue;
      case '\n':
        Save(ls, '\n', l);
        IncLineNumber(ls);
        if (!seminfo) l = 0;  // a comment's text is never used
        continue;
      default: SaveAndNext(ls, l);
    }
  }
done:
  SaveAndNext(ls, l);  // the second `]'
  Save(ls, '\0', l);
  if (seminfo) seminfo->ts = luaS_newlstr(ls->L, luaZ_buffer(ls->buff) + 2, l - 5);
}

void ReadString(LexState* ls, int del, SemInfo* seminfo) {
  size_t l = 0;
  SaveAndNext(ls, l);
  while (ls->current != del) {
    switch (ls->current) {
      case EOZ: Save(ls, '\0', l); luaX_lexerror(ls, "unfinished string", TK_EOS);
      case '\n': Save(ls, '\0', l); luaX_lexerror(ls, "unfinished string", TK_STRING);
      case '\\':
        Next(ls);  // the backslash is not stored
        switch (ls->current) {
          case 'a':
            Save(ls, '\a', l);
            Next(ls);
            break;
          case 'b':
            Save(ls, '\b', l);
            Next(ls);
            break;
          case 'f':
            Save(ls, '\f', l);
            Next(ls);
            break;
          case 'n':
            Save(ls, '\n', l);
            Next(ls);
            break;
          case 'r':
            Save(ls, '\r', l);
            Next(ls);
            break;
          case 't':
            Save(ls, '\t', l);
            Next(ls);
            break;
          case 'v':
            Save(ls, '\v', l);
            Next(ls);
            break;
          case '\n':
            Save(ls, '\n', l);
            IncLineNumber(ls);
            break;
          case EOZ: break;  // reported as unfinished by the next pass
          case 'x': {
            Next(ls);
            if (HexValue(ls->current) < 0) {
              Save(ls, 'x', l);
              break;
            }
            int c = 0;
            for (int i = 0; i < 2 && HexValue(ls->current) >= 0; ++i) {
              c = c * 16 + HexValue(ls->current);
              Next(ls);
            }
            Save(ls, c, l);
            break;
          }
          default:
            if (!IsDigit(ls->current)) {
              SaveAndNext(ls, l);  // \\, \", \' and any other character stand for themselves
            } else {
              int c = 0;
              int i = 0;
              do {
                c = 10 * c + (ls->current - '0');
                Next(ls);
              } while (++i < 3 && IsDigit(ls->current));
              if (c > 255) {
                Save(ls, '\0', l);
                luaX_lexerror(ls, "escape sequence too large", TK_STRING);
              }
              Save(ls, c, l);
            }
        }
        break;
      default: SaveAndNext(ls, l);
    }
  }
  SaveAndNext(ls, l);  // the closing delimiter
  Save(ls, '\0', l);
  seminfo->ts = luaS_newlstr(ls->L, luaZ_buffer(ls->buff) + 1, l - 3);
}

// Wide literal: the buffer holds 16-bit units, low byte first, so that an error reads it as
// 8-bit text starting with a lone double quote.
void SaveUnit(LexState* ls, int c, size_t& l) {
  CheckBuffer(ls, 2 * l + 2);
  char* b = luaZ_buffer(ls->buff);
  b[2 * l] = char(c & 0xFF);
  b[2 * l + 1] = char((c >> 8) & 0xFF);
  ++l;
}

void ReadWideString(LexState* ls, SemInfo* seminfo) {
  const int del = ls->current;
  size_t l = 0;
  SaveUnit(ls, del, l);
  Next(ls);
  while (ls->current != del) {
    switch (ls->current) {
      case EOZ: SaveUnit(ls, 0, l); luaX_lexerror(ls, "unfinished string", TK_EOS);
      case '\n': SaveUnit(ls, 0, l); luaX_lexerror(ls, "unfinished string", TK_STRING);
      case '\\':
        Next(ls);
        switch (ls->current) {
          case 'a':
            SaveUnit(ls, 7, l);
            Next(ls);
            break;
          case 'b':
            SaveUnit(ls, 8, l);
            Next(ls);
            break;
          case 'f':
            SaveUnit(ls, 12, l);
            Next(ls);
            break;
          case 'n':
            SaveUnit(ls, 10, l);
            Next(ls);
            break;
          case 'r':
            SaveUnit(ls, 13, l);
            Next(ls);
            break;
          case 't':
            SaveUnit(ls, 9, l);
            Next(ls);
            break;
          case 'v':
            SaveUnit(ls, 11, l);
            Next(ls);
            break;
          case '\n':
            SaveUnit(ls, 10, l);
            IncLineNumber(ls);
            break;
          case EOZ: break;
          case 'x': {
            Next(ls);
            if (HexValue(ls->current) < 0) {
              SaveUnit(ls, 'x', l);
              break;
            }
            int c = 0;
            for (int i = 0; i < 4 && HexValue(ls->current) >= 0; ++i) {
              c = c * 16 + HexValue(ls->current);
              Next(ls);
            }
            SaveUnit(ls, c, l);
            break;
          }
          default:
            if (!IsDigit(ls->current)) {
              SaveUnit(ls, ls->current, l);
              Next(ls);
            } else {
              int c = 0;
              int i = 0;
              do {
                c = 10 * c + (ls->current - '0');
                Next(ls);
              } while (++i < 3 && IsDigit(ls->current));
              if (c > 255) {
                SaveUnit(ls, 0, l);
                luaX_lexerror(ls, "escape sequence too large", TK_STRING);
              }
              SaveUnit(ls, c, l);
            }
        }
        break;
      default: SaveUnit(ls, ls->current, l); Next(ls);
    }
  }
  SaveUnit(ls, del, l);
  SaveUnit(ls, 0, l);
  Next(ls);
  // Units between the delimiters, copied out so that they are read at their proper alignment.
  const size_t n = l - 3;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(luaZ_buffer(ls->buff));
  std::vector<lua_WChar> units(n + 1, 0);
  for (size_t i = 0; i < n; ++i) units[i] = lua_WChar(b[2 * (i + 1)] | (b[2 * (i + 1) + 1] << 8));
  seminfo->ts = luaS_newwstr(ls->L, units.data(), n);
}

}  // namespace

void luaX_init(lua_State* L) {
  for (int i = 0; i < NUM_RESERVED; ++i) {
    TString* ts = luaS_new(L, token2string[i]);
    luaS_fix(ts);
    ts->tsv.reserved = lu_byte(i + 1);
  }
}

void luaX_checklimit(LexState* ls, int val, int limit, const char* msg) {
  if (val > limit) {
    msg = luaO_pushfstring(ls->L, "too many %s (limit=%d)", msg, limit);
    luaX_syntaxerror(ls, msg);
  }
}

void luaX_errorline(LexState* ls, const char* s, const char* token, int line) {
  char buff[MAXSRC];
  luaO_chunkid(buff, getstr(ls->source), MAXSRC);
  luaO_pushfstring(ls->L, "%s:%d: %s near `%s'", buff, line, s, token);
  luaD_throw(ls->L, LUA_ERRSYNTAX);
}

void luaX_error(LexState* ls, const char* s, const char* token) {
  luaX_errorline(ls, s, token, ls->linenumber);
}

void luaX_syntaxerror(LexState* ls, const char* msg) {
  const char* lasttoken;
  switch (ls->t.token) {
    case TK_NAME: lasttoken = getstr(ls->t.seminfo.ts); break;
    case TK_STRING:
    case TK_NUMBER: lasttoken = luaZ_buffer(ls->buff); break;
    default: lasttoken = luaX_token2str(ls, ls->t.token); break;
  }
  luaX_error(ls, msg, lasttoken);
}

const char* luaX_token2str(LexState* ls, int token) {
  if (token < FIRST_RESERVED) return luaO_pushfstring(ls->L, "%c", token);
  return token2string[token - FIRST_RESERVED];
}

void luaX_lexerror(LexState* ls, const char* s, int token) {
  if (token == TK_EOS)
    luaX_error(ls, s, luaX_token2str(ls, token));
  else
    luaX_error(ls, s, luaZ_buffer(ls->buff));
}

void luaX_setinput(lua_State* L, LexState* ls, ZIO* z, TString* source) {
  ls->L = L;
  ls->t.token = TK_EOS;
  ls->lookahead.token = TK_EOS;
  ls->z = z;
  ls->fs = nullptr;
  ls->linenumber = 1;
  ls->lastline = 1;
  ls->source = source;
  ls->nestlevel = 0;
  Next(ls);
  if (ls->current == '#') {
    do {
      Next(ls);
    } while (ls->current != '\n' && ls->current != EOZ);
  }
}

int luaX_lex(LexState* ls, SemInfo* seminfo) {
  for (;;) {
    switch (ls->current) {
      case EOZ: return TK_EOS;
      case '\n': IncLineNumber(ls); continue;
      case '-':
        Next(ls);
        if (ls->current != '-') return '-';
        Next(ls);
        if (ls->current == '[') {
          Next(ls);
          if (ls->current == '[') {
            ReadLongString(ls, nullptr);
            continue;
          }
        }
        while (ls->current != '\n' && ls->current != EOZ) Next(ls);
        continue;
      case '[':
        Next(ls);
        if (ls->current != '[') return '[';
        ReadLongString(ls, seminfo);
        return TK_STRING;
      case '=':
        Next(ls);
        if (ls->current != '=') return '=';
        Next(ls);
        return TK_EQ;
      case '<':
        Next(ls);
        if (ls->current == '<') {
          Next(ls);
          return TK_SHL;
        }
        if (ls->current != '=') return '<';
        Next(ls);
        return TK_LE;
      case '>':
        Next(ls);
        if (ls->current == '>') {
          Next(ls);
          return TK_SHR;
        }
        if (ls->current != '=') return '>';
        Next(ls);
        return TK_GE;
      case '~':
        Next(ls);
        if (ls->current != '=') return '~';
        Next(ls);
        return TK_NE;
      case '"':
      case '\'': ReadString(ls, ls->current, seminfo); return TK_STRING;
      case '.':
        Next(ls);
        if (ls->current == '.') {
          Next(ls);
          if (ls->current == '.') {
            Next(ls);
            return TK_DOTS;
          }
          return TK_CONCAT;
        }
        if (!IsDigit(ls->current)) return '.';
        ReadNumeral(ls, true, seminfo);
        return TK_NUMBER;
      case '\t':
      case '\v':
      case '\f':
      case '\r':
      case ' ': Next(ls); continue;
      default: {
        const int c = ls->current;
        if (IsDigit(c)) {
          ReadNumeral(ls, false, seminfo);
          return TK_NUMBER;
        }
        if (IsAlpha(c) || c == '_') {
          Next(ls);
          if (c == 'L' && ls->current == '"') {
            ReadWideString(ls, seminfo);
            return TK_WSTRING;
          }
          size_t l = 0;
          Save(ls, c, l);
          while (IsAlnum(ls->current)) SaveAndNext(ls, l);
          Save(ls, '\0', l);
          TString* ts = luaS_newlstr(ls->L, luaZ_buffer(ls->buff), l - 1);
          if (ts->tsv.reserved > 0) return ts->tsv.reserved - 1 + FIRST_RESERVED;
          seminfo->ts = ts;
          return TK_NAME;
        }
        if (c >= 255) {
          luaX_error(ls, "invalid wide char", luaO_pushfstring(ls->L, "char(%d)", c));
        }
        if (c <= 31 || c == 127) {
          luaX_error(ls, "invalid control char", luaO_pushfstring(ls->L, "char(%d)", c));
        }
        Next(ls);
        return c;
      }
    }
  }
}
