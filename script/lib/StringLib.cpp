// The string library: length, slicing, case mapping, repetition, pattern matching (find, gfind,
// gsub) and format with the dialect's %B, %Q and %b conversions. Installs itself as the shared
// metatable of strings so that s:upper() and friends work.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/lib/LibUtil.h"

namespace {

typedef unsigned char uchar;

// A negative position counts from the end of the string.
int64_t PosRelative(int64_t pos, size_t len) { return pos >= 0 ? pos : (int64_t)len + pos + 1; }

int str_len(lua_State* L) {
  size_t l;
  luaL_checklstring(L, 1, &l);
  lua_pushnumber(L, (lua_Number)l);
  return 1;
}

int str_sub(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  int64_t start = PosRelative(LibCheckInteger(L, 2), l);
  int64_t end = PosRelative(LibOptInteger(L, 3, -1), l);
  if (start < 1) start = 1;
  if (end > (int64_t)l) end = (int64_t)l;
  if (start <= end)
    lua_pushlstring(L, s + start - 1, (size_t)(end - start + 1));
  else
    lua_pushliteral(L, "");
  return 1;
}

int str_lower(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (size_t i = 0; i < l; i++) luaL_putchar(&b, tolower(uchar(s[i])));
  luaL_pushresult(&b);
  return 1;
}

int str_upper(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (size_t i = 0; i < l; i++) luaL_putchar(&b, toupper(uchar(s[i])));
  luaL_pushresult(&b);
  return 1;
}

int str_rep(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  int64_t n = LibCheckInteger(L, 2);
  if (l == 0) n = 0;
  // Refused before any copying: the result could never be allocated anyway.
  if (n > 0 && (uint64_t)n > UINT64_C(4294967292) / l)
    luaL_error(L, "memory allocation error: block too big");
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (n-- > 0) luaL_addlstring(&b, s, l);
  luaL_pushresult(&b);
  return 1;
}

int str_byte(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  int64_t pos = PosRelative(LibOptInteger(L, 2, 1), l);
  if (pos <= 0 || pos > (int64_t)l) return 0;
  lua_pushnumber(L, uchar(s[pos - 1]));
  return 1;
}

int str_char(lua_State* L) {
  int n = lua_gettop(L);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (int i = 1; i <= n; i++) {
    int64_t c = LibCheckInteger(L, i);
    luaL_argcheck(L, c >= 0 && c <= 255, i, "invalid value");
    luaL_putchar(&b, uchar(c));
  }
  luaL_pushresult(&b);
  return 1;
}

int DumpWriter(lua_State* L, const void* p, size_t size, void* ud) {
  (void)L;
  luaL_addlstring((luaL_Buffer*)ud, (const char*)p, size);
  return 0;
}

int str_dump(lua_State* L) {
  luaL_checktype(L, 1, LUA_TFUNCTION);
  lua_settop(L, 1);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  // The writer may stack buffer pieces above the function; the dump reads it before writing.
  if (!lua_dump(L, DumpWriter, &b)) luaL_error(L, "unable to dump given function");
  luaL_pushresult(&b);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Pattern matching

const int kMaxCaptures = 32;
const int kCapUnfinished = -1;
const int kCapPosition = -2;
const char kEsc = '%';
const char kSpecials[] = "^$*+?.([%-";
// Deep enough for any sensible pattern, shallow enough that the C stack never runs out.
const int kMaxMatchDepth = 200;

struct MatchState {
  const char* src_init;
  const char* src_end;
  const char* p_end;
  lua_State* L;
  int level;
  int depth;
  struct {
    const char* init;
    ptrdiff_t len;
  } capture[kMaxCaptures];
};

const char* match(MatchState* ms, const char* s, const char* p);

int check_capture(MatchState* ms, int l) {
  l -= '1';
  if (l < 0 || l >= ms->level || ms->capture[l].len == kCapUnfinished)
    return luaL_error(ms->L, "invalid capture index");
  return l;
}

int capture_to_close(MatchState* ms) {
  int level = ms->level;
  for (level--; level >= 0; level--)
    if (ms->capture[level].len == kCapUnfinished) return level;
  return luaL_error(ms->L, "invalid pattern capture");
}

const char* class_end(MatchState* ms, const char* p) {
  switch (*p++) {
    case kEsc:
      if (p >= ms->p_end) luaL_error(ms->L, "malformed pattern (ends with `%%')");
      return p + 1;
    case '[':
      if (p < ms->p_end && *p == '^') p++;
      do {  // the first ']' of a set is an ordinary member
        if (p >= ms->p_end) luaL_error(ms->L, "malformed pattern (missing `]')");
        if (*(p++) == kEsc && p < ms->p_end) p++;
      } while (p >= ms->p_end || *p != ']');
      return p + 1;
    default: return p;
  }
}

// The dialect's character classes are ASCII whatever locale a script set: one table of class
// bits for the 256 byte values, built once, answers every class test without the C library.
enum : uint16_t {
  kAlpha = 1,
  kCntrl = 2,
  kDigit = 4,
  kLower = 8,
  kPunct = 16,
  kSpace = 32,
  kUpper = 64,
  kXDigit = 128
};

struct ClassTable {
  uint16_t bits[256] = {};
  ClassTable() {
    for (int c = 0; c < 128; c++) {
      uint16_t b = 0;
      if (c >= 'a' && c <= 'z') b |= kAlpha | kLower;
      if (c >= 'A' && c <= 'Z') b |= kAlpha | kUpper;
      if (c >= '0' && c <= '9') b |= kDigit | kXDigit;
      if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) b |= kXDigit;
      if (c < 32 || c == 127) b |= kCntrl;
      if (c == ' ' || (c >= '\t' && c <= '\r')) b |= kSpace;
      if (c > 32 && c < 127 && !(b & (kAlpha | kDigit))) b |= kPunct;
      bits[c] = b;
    }
  }
};

const ClassTable kClasses;

inline int AsciiLower(int c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

bool match_class(int c, int cl) {
  uint16_t mask;
  switch (AsciiLower(cl)) {
    case 'a': mask = kAlpha; break;
    case 'c': mask = kCntrl; break;
    case 'd': mask = kDigit; break;
    case 'l': mask = kLower; break;
    case 'p': mask = kPunct; break;
    case 's': mask = kSpace; break;
    case 'u': mask = kUpper; break;
    case 'w': mask = kAlpha | kDigit; break;
    case 'x': mask = kXDigit; break;
    case 'z': return (c == 0) == (cl == 'z');
    default: return cl == c;
  }
  const bool res = c >= 0 && c < 256 && (kClasses.bits[c] & mask) != 0;
  return (cl >= 'a' && cl <= 'z') ? res : !res;
}

// p points at '[', ec at the closing ']'.
bool match_bracket_class(int c, const char* p, const char* ec) {
  bool sig = true;
  if (*(p + 1) == '^') {
    sig = false;
    p++;
  }
  while (++p < ec) {
    if (*p == kEsc) {
      p++;
      if (match_class(c, uchar(*p))) return sig;
    } else if (*(p + 1) == '-' && p + 2 < ec) {
      p += 2;
      if (uchar(*(p - 2)) <= c && c <= uchar(*p)) return sig;
    } else if (uchar(*p) == c) {
      return sig;
    }
  }
  return !sig;
}

bool single_match(int c, const char* p, const char* ep) {
  switch (*p) {
    case '.': return true;
    case kEsc: return match_class(c, uchar(*(p + 1)));
    case '[': return match_bracket_class(c, p, ep - 1);
    default: return uchar(*p) == c;
  }
}

const char* match_balance(MatchState* ms, const char* s, const char* p) {
  if (p + 1 >= ms->p_end) luaL_error(ms->L, "unbalanced pattern");
  if (s >= ms->src_end || *s != *p) return nullptr;
  int b = *p;
  int e = *(p + 1);
  int cont = 1;
  while (++s < ms->src_end) {
    if (*s == e) {
      if (--cont == 0) return s + 1;
    } else if (*s == b) {
      cont++;
    }
  }
  return nullptr;
}

const char* max_expand(MatchState* ms, const char* s, const char* p, const char* ep) {
  ptrdiff_t i = 0;
  while (s + i < ms->src_end && single_match(uchar(s[i]), p, ep)) i++;
  // Try the longest run first, backing off one item at a time.
  while (i >= 0) {
    const char* res = match(ms, s + i, ep + 1);
    if (res) return res;
    i--;
  }
  return nullptr;
}

const char* min_expand(MatchState* ms, const char* s, const char* p, const char* ep) {
  for (;;) {
    const char* res = match(ms, s, ep + 1);
    if (res != nullptr) return res;
    if (s < ms->src_end && single_match(uchar(*s), p, ep))
      s++;
    else
      return nullptr;
  }
}

const char* start_capture(MatchState* ms, const char* s, const char* p, int what) {
  int level = ms->level;
  if (level >= kMaxCaptures) luaL_error(ms->L, "too many captures");
  ms->capture[level].init = s;
  ms->capture[level].len = what;
  ms->level = level + 1;
  const char* res = match(ms, s, p);
  if (res == nullptr) ms->level--;
  return res;
}

const char* end_capture(MatchState* ms, const char* s, const char* p) {
  int l = capture_to_close(ms);
  ms->capture[l].len = s - ms->capture[l].init;
  const char* res = match(ms, s, p);
  if (res == nullptr) ms->capture[l].len = kCapUnfinished;
  return res;
}

const char* match_capture(MatchState* ms, const char* s, int l) {
  l = check_capture(ms, l);
  size_t len = (size_t)ms->capture[l].len;
  if ((size_t)(ms->src_end - s) >= len && memcmp(ms->capture[l].init, s, len) == 0) return s + len;
  return nullptr;
}

// Counts the nesting of match so that a pattern of many quantified items fails cleanly.
struct DepthGuard {
  MatchState* ms;
  explicit DepthGuard(MatchState* m) : ms(m) {
    if (++ms->depth > kMaxMatchDepth) luaL_error(ms->L, "pattern too complex");
  }
  ~DepthGuard() { ms->depth--; }
};

const char* match(MatchState* ms, const char* s, const char* p) {
  DepthGuard guard(ms);
  for (;;) {
    if (p >= ms->p_end) return s;
    switch (*p) {
      case '(':
        if (p + 1 < ms->p_end && *(p + 1) == ')') return start_capture(ms, s, p + 2, kCapPosition);
        return start_capture(ms, s, p + 1, kCapUnfinished);
      case ')': return end_capture(ms, s, p + 1);
      case kEsc:
        if (p + 1 < ms->p_end) {
          char next = *(p + 1);
          if (next == 'b') {
            s = match_balance(ms, s, p + 2);
            if (s == nullptr) return nullptr;
            p += 4;
            continue;
          }
          if (next == 'f') {
            p += 2;
            if (p >= ms->p_end || *p != '[')
              luaL_error(ms->L, "missing `[' after `%%f' in pattern");
            const char* ep = class_end(ms, p);
            int prev = (s == ms->src_init) ? 0 : uchar(*(s - 1));
            int cur = (s < ms->src_end) ? uchar(*s) : 0;
            if (match_bracket_class(prev, p, ep - 1) || !match_bracket_class(cur, p, ep - 1))
              return nullptr;
            p = ep;
            continue;
          }
          if (isdigit(uchar(next))) {
            s = match_capture(ms, s, uchar(next));
            if (s == nullptr) return nullptr;
            p += 2;
            continue;
          }
        }
        break;
      case '$':
        if (p + 1 == ms->p_end) return (s == ms->src_end) ? s : nullptr;
        break;
      default: break;
    }
    // A single-character item, possibly quantified.
    const char* ep = class_end(ms, p);
    bool m = s < ms->src_end && single_match(uchar(*s), p, ep);
    char q = ep < ms->p_end ? *ep : '\0';
    switch (q) {
      case '?': {
        if (m) {
          const char* res = match(ms, s + 1, ep + 1);
          if (res != nullptr) return res;
        }
        p = ep + 1;
        continue;
      }
      case '*': return max_expand(ms, s, p, ep);
      case '+': return m ? max_expand(ms, s + 1, p, ep) : nullptr;
      case '-': return min_expand(ms, s, p, ep);
      default:
        if (!m) return nullptr;
        s++;
        p = ep;
        continue;
    }
  }
}

void push_onecapture(MatchState* ms, int i) {
  ptrdiff_t l = ms->capture[i].len;
  if (l == kCapUnfinished) luaL_error(ms->L, "unfinished capture");
  if (l == kCapPosition)
    lua_pushnumber(ms->L, (lua_Number)(ms->capture[i].init - ms->src_init + 1));
  else
    lua_pushlstring(ms->L, ms->capture[i].init, (size_t)l);
}

// With no explicit captures and a match given, the whole match is the one capture.
int push_captures(MatchState* ms, const char* s, const char* e) {
  luaL_checkstack(ms->L, ms->level, "too many captures");
  if (ms->level == 0 && s) {
    lua_pushlstring(ms->L, s, (size_t)(e - s));
    return 1;
  }
  for (int i = 0; i < ms->level; i++) push_onecapture(ms, i);
  return ms->level;
}

void InitMatch(MatchState* ms, lua_State* L, const char* s, size_t ls, const char* p_end) {
  ms->L = L;
  ms->src_init = s;
  ms->src_end = s + ls;
  ms->p_end = p_end;
  ms->level = 0;
  ms->depth = 0;
}

const char* FindPlain(const char* s, size_t l, const char* p, size_t lp) {
  if (lp == 0) return s;
  if (lp > l) return nullptr;
  const char* last = s + (l - lp);
  for (const char* c = s; c <= last; c++) {
    c = (const char*)memchr(c, p[0], (size_t)(last - c) + 1);
    if (c == nullptr) return nullptr;
    if (memcmp(c + 1, p + 1, lp - 1) == 0) return c;
  }
  return nullptr;
}

bool HasSpecials(const char* p, size_t lp) {
  for (size_t i = 0; i < lp; i++)
    if (p[i] != '\0' && strchr(kSpecials, p[i])) return true;
  return false;
}

int str_find(lua_State* L) {
  size_t l1, l2;
  const char* s = luaL_checklstring(L, 1, &l1);
  const char* p = luaL_checklstring(L, 2, &l2);
  int64_t init = PosRelative(LibOptInteger(L, 3, 1), l1) - 1;
  if (init < 0)
    init = 0;
  else if (init > (int64_t)l1)
    init = (int64_t)l1;
  if (lua_toboolean(L, 4) || !HasSpecials(p, l2)) {
    const char* s2 = FindPlain(s + init, l1 - (size_t)init, p, l2);
    if (s2) {
      lua_pushnumber(L, (lua_Number)(s2 - s + 1));
      lua_pushnumber(L, (lua_Number)(s2 - s + l2));
      return 2;
    }
  } else {
    MatchState ms;
    const char* p_end = p + l2;
    bool anchor = (*p == '^');
    if (anchor) p++;
    const char* s1 = s + init;
    InitMatch(&ms, L, s, l1, p_end);
    do {
      ms.level = 0;
      const char* res = match(&ms, s1, p);
      if (res != nullptr) {
        lua_pushnumber(L, (lua_Number)(s1 - s + 1));
        lua_pushnumber(L, (lua_Number)(res - s));
        return push_captures(&ms, nullptr, nullptr) + 2;
      }
    } while (s1++ < ms.src_end && !anchor);
  }
  lua_pushnil(L);
  return 1;
}

int gfind_aux(lua_State* L) {
  const char* s = lua_tostring(L, lua_upvalueindex(1));
  size_t ls = lua_strlen(L, lua_upvalueindex(1));
  const char* p = lua_tostring(L, lua_upvalueindex(2));
  size_t lp = lua_strlen(L, lua_upvalueindex(2));
  int64_t start = LibToInteger(lua_tonumber(L, lua_upvalueindex(3)));
  if (start < 0 || start > (int64_t)ls) return 0;
  MatchState ms;
  InitMatch(&ms, L, s, ls, p + lp);
  for (const char* src = s + start; src <= ms.src_end; src++) {
    ms.level = 0;
    const char* e = match(&ms, src, p);
    if (e != nullptr) {
      int64_t newstart = e - s;
      if (e == src) newstart++;  // an empty match: move on at least one byte
      lua_pushnumber(L, (lua_Number)newstart);
      lua_replace(L, lua_upvalueindex(3));
      return push_captures(&ms, src, e);
    }
  }
  return 0;
}

int str_gfind(lua_State* L) {
  luaL_checkstring(L, 1);
  luaL_checkstring(L, 2);
  lua_settop(L, 2);
  lua_pushnumber(L, 0);
  lua_pushcclosure(L, gfind_aux, 3);
  return 1;
}

void add_s(MatchState* ms, luaL_Buffer* b, const char* s, const char* e) {
  lua_State* L = ms->L;
  if (lua_type(L, 3) == LUA_TFUNCTION) {
    lua_pushvalue(L, 3);
    int n = push_captures(ms, s, e);
    lua_call(L, n, 1);
    if (lua_isstring(L, -1))
      luaL_addvalue(b);
    else
      lua_pop(L, 1);  // any other result removes the match
    return;
  }
  size_t l;
  const char* news = lua_tostring(L, 3);
  l = lua_strlen(L, 3);
  for (size_t i = 0; i < l; i++) {
    if (news[i] != kEsc) {
      luaL_putchar(b, news[i]);
      continue;
    }
    if (++i >= l) break;  // a lone percent sign at the end stands for nothing
    if (!isdigit(uchar(news[i]))) {
      luaL_putchar(b, news[i]);
    } else {
      int level = check_capture(ms, uchar(news[i]));
      push_onecapture(ms, level);
      luaL_addvalue(b);
    }
  }
}

// The first item of p when every match must begin by consuming one character it matches (not
// quantified by `*', `?' or `-'), looking past opening captures; null when a match may begin
// anywhere. Its end goes to *ep.
const char* FirstItem(MatchState* ms, const char* p, const char** ep) {
  for (int i = 0; i < 8 && p < ms->p_end && *p == '('; i++) {
    if (p + 1 < ms->p_end && *(p + 1) == ')') return nullptr;
    p++;
  }
  if (p >= ms->p_end) return nullptr;
  switch (*p) {
    case '(':
    case ')':
    case '$':
    case '.': return nullptr;
    case kEsc: {
      if (p + 1 >= ms->p_end) return nullptr;
      char next = *(p + 1);
      if (next == 'b' || next == 'f' || isdigit(uchar(next))) return nullptr;
      break;
    }
    default: break;
  }
  *ep = class_end(ms, p);
  if (*ep < ms->p_end && (**ep == '*' || **ep == '?' || **ep == '-')) return nullptr;
  return p;
}

int str_gsub(lua_State* L) {
  size_t srcl, lp;
  const char* src = luaL_checklstring(L, 1, &srcl);
  const char* p = luaL_checklstring(L, 2, &lp);
  int t = lua_type(L, 3);
  luaL_argcheck(L, t == LUA_TSTRING || t == LUA_TNUMBER || t == LUA_TFUNCTION, 3,
                "string or function expected");
  if (t == LUA_TNUMBER) lua_tostring(L, 3);  // read as text from here on
  int64_t max_s = LibOptInteger(L, 4, (int64_t)srcl + 1);
  const char* p_end = p + lp;
  bool anchor = (lp > 0 && *p == '^');
  if (anchor) p++;
  int64_t n = 0;
  MatchState ms;
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  InitMatch(&ms, L, src, srcl, p_end);
  const char* ep = nullptr;
  const char* first = (!anchor && max_s > 0) ? FirstItem(&ms, p, &ep) : nullptr;
  unsigned char starts[256] = {};  // by byte: 0 not yet known, 1 may begin a match, 2 cannot
  while (n < max_s) {
    if (first != nullptr) {
      // The bytes that cannot begin a match are copied in one piece.
      const char* q = src;
      for (; q < ms.src_end; q++) {
        unsigned char& k = starts[uchar(*q)];
        if (k == 0) k = single_match(uchar(*q), first, ep) ? 1 : 2;
        if (k == 1) break;
      }
      if (q > src) luaL_addlstring(&b, src, (size_t)(q - src));
      src = q;
      if (src == ms.src_end) break;
    }
    ms.level = 0;
    const char* e = match(&ms, src, p);
    if (e != nullptr) {
      n++;
      add_s(&ms, &b, src, e);
    }
    if (e != nullptr && e > src)
      src = e;
    else if (src < ms.src_end)
      luaL_putchar(&b, *src++);
    else
      break;
    if (anchor) break;
  }
  luaL_addlstring(&b, src, (size_t)(ms.src_end - src));
  luaL_pushresult(&b);
  lua_pushnumber(L, (lua_Number)n);
  return 2;
}

// ---------------------------------------------------------------------------------------------
// format

const size_t kMaxFormat = 20;  // "%", flags, width, precision and the letter
const size_t kMaxItem = 512;
const char kFlags[] = "-+ #0";

void AddQuoted(lua_State* L, luaL_Buffer* b, int arg) {
  size_t l;
  const char* s = luaL_checklstring(L, arg, &l);
  luaL_putchar(b, '"');
  for (size_t i = 0; i < l; i++) {
    switch (s[i]) {
      case '"':
      case '\\':
      case '\n':
        luaL_putchar(b, '\\');
        luaL_putchar(b, s[i]);
        break;
      case '\0': luaL_addlstring(b, "\\000", 4); break;
      default: luaL_putchar(b, s[i]); break;
    }
  }
  luaL_putchar(b, '"');
}

// One byte or unit of %Q: control escapes, quote and backslash escaped, printable as is.
void AddEscaped(luaL_Buffer* b, unsigned v, bool unit) {
  static const char kControl[] = "abtnvfr";  // 7 .. 13
  char tmp[8];
  if (v >= 7 && v <= 13) {
    luaL_putchar(b, '\\');
    luaL_putchar(b, kControl[v - 7]);
  } else if (v == '"' || v == '\\') {
    luaL_putchar(b, '\\');
    luaL_putchar(b, (char)v);
  } else if (v < 256 && isprint((int)v)) {
    luaL_putchar(b, (char)v);
  } else {
    int n = snprintf(tmp, sizeof tmp, unit ? "\\x%04x" : "\\x%02x", v);
    luaL_addlstring(b, tmp, (size_t)n);
  }
}

void AddEscapeQuoted(lua_State* L, luaL_Buffer* b, int arg) {
  if (lua_type(L, arg) == LUA_TWSTRING) {
    const uint16_t* w = lua_towstring(L, arg);
    size_t l = lua_strlen(L, arg);
    luaL_addlstring(b, "L\"", 2);
    for (size_t i = 0; i < l; i++) AddEscaped(b, w[i], true);
  } else {
    size_t l;
    const char* s = luaL_checklstring(L, arg, &l);
    luaL_putchar(b, '"');
    for (size_t i = 0; i < l; i++) AddEscaped(b, uchar(s[i]), false);
  }
  luaL_putchar(b, '"');
}

void AddRawBytes(luaL_Buffer* b, const void* p, size_t n) {
  // Raw values are little-endian, as the host is.
  luaL_addlstring(b, (const char*)p, n);
}

// Scans flags, width and precision after the percent sign into form ("%...").
const char* ScanFormat(lua_State* L, const char* strfrmt, const char* end, char* form,
                       bool* hasprecision) {
  const char* p = strfrmt;
  while (p < end && *p != '\0' && strchr(kFlags, *p)) p++;
  if (p < end && isdigit(uchar(*p))) p++;
  if (p < end && isdigit(uchar(*p))) p++;
  if (p < end && *p == '.') {
    p++;
    *hasprecision = true;
    if (p < end && isdigit(uchar(*p))) p++;
    if (p < end && isdigit(uchar(*p))) p++;
  }
  if (p < end && isdigit(uchar(*p))) luaL_error(L, "invalid format (width or precision too long)");
  size_t len = (size_t)(p - strfrmt);
  if (len + 2 > kMaxFormat) luaL_error(L, "invalid format (too long)");
  form[0] = '%';
  memcpy(form + 1, strfrmt, len);
  // The conversion letter is added by the caller.
  form[len + 1] = '\0';
  return p;
}

// The decimal text of v, as "%d" writes it; its length.
int WriteInt(char* buff, int v) {
  char digits[16];
  int n = 0;
  unsigned u = v < 0 ? 0u - (unsigned)v : (unsigned)v;
  do {
    digits[n++] = (char)('0' + u % 10);
    u /= 10;
  } while (u != 0);
  int len = 0;
  if (v < 0) buff[len++] = '-';
  while (n > 0) buff[len++] = digits[--n];
  buff[len] = '\0';
  return len;
}

void AppendLetter(char* form, char letter, const char* extra = "") {
  size_t l = strlen(form);
  size_t le = strlen(extra);
  memcpy(form + l, extra, le);
  form[l + le] = letter;
  form[l + le + 1] = '\0';
}

int str_format(lua_State* L) {
  int arg = 1;
  size_t sfl;
  const char* strfrmt = luaL_checklstring(L, arg, &sfl);
  const char* strfrmt_end = strfrmt + sfl;
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (strfrmt < strfrmt_end) {
    if (*strfrmt != '%') {
      // Plain text up to the next item goes in as one piece.
      const char* pct = (const char*)memchr(strfrmt, '%', (size_t)(strfrmt_end - strfrmt));
      const char* stop = pct != nullptr ? pct : strfrmt_end;
      luaL_addlstring(&b, strfrmt, (size_t)(stop - strfrmt));
      strfrmt = stop;
      continue;
    }
    if (strfrmt + 1 < strfrmt_end && strfrmt[1] == '%') {
      luaL_putchar(&b, '%');
      strfrmt += 2;
      continue;
    }
    strfrmt++;
    if (strfrmt + 1 < strfrmt_end && isdigit(uchar(*strfrmt)) && strfrmt[1] == '$')
      return luaL_error(L, "obsolete option (d$) to `format'");
    arg++;
    char form[kMaxFormat + 8];
    char buff[kMaxItem];
    bool hasprecision = false;
    strfrmt = ScanFormat(L, strfrmt, strfrmt_end, form, &hasprecision);
    char letter = strfrmt < strfrmt_end ? *strfrmt++ : '\0';
    int n = 0;
    switch (letter) {
      case 'd':
      case 'i':
        if (form[1] == '\0') {  // no flags, width or precision: the digits written here
          n = WriteInt(buff, (int)luaL_checkint(L, arg));
          break;
        }
        [[fallthrough]];
      case 'c':
        AppendLetter(form, letter);
        n = snprintf(buff, sizeof buff, form, (int)luaL_checkint(L, arg));
        break;
      case 'o':
      case 'u':
      case 'x':
      case 'X':
        AppendLetter(form, letter);
        n = snprintf(buff, sizeof buff, form, (unsigned)LibLow32(luaL_checknumber(L, arg)));
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'g':
      case 'G':
        AppendLetter(form, letter);
        n = snprintf(buff, sizeof buff, form, (double)luaL_checknumber(L, arg));
        break;
      case 's': {
        size_t l;
        const char* s = luaL_checklstring(L, arg, &l);
        if (form[1] == '\0' && memchr(s, '\0', l) == nullptr) {  // as it is, no cut to make
          luaL_addlstring(&b, s, l);
          continue;
        }
        if (!hasprecision && l >= 100) {
          // Too long to format: the string goes in whole, zero bytes included.
          lua_pushvalue(L, arg);
          luaL_addvalue(&b);
          continue;
        }
        AppendLetter(form, letter);
        n = snprintf(buff, sizeof buff, form, s);
        break;
      }
      case 'q': AddQuoted(L, &b, arg); continue;
      case 'Q': AddEscapeQuoted(L, &b, arg); continue;
      case 'B': {
        int t = lua_type(L, arg);
        if (t != LUA_TBOOLEAN && t != LUA_TNIL && t != LUA_TNONE) luaL_typerror(L, arg, "boolean");
        if (lua_toboolean(L, arg))
          luaL_addlstring(&b, "true", 4);
        else
          luaL_addlstring(&b, "false", 5);
        continue;
      }
      case 'b': {
        char sub = strfrmt < strfrmt_end ? *strfrmt++ : '\0';
        switch (sub) {
          case 'F': {
            double d = luaL_checknumber(L, arg);
            AddRawBytes(&b, &d, 8);
            break;
          }
          case 'f': {
            float f = (float)luaL_checknumber(L, arg);
            AddRawBytes(&b, &f, 4);
            break;
          }
          case 'd': {
            uint32_t v = LibLow32(luaL_checknumber(L, arg));
            AddRawBytes(&b, &v, 4);
            break;
          }
          case 'w': {
            uint16_t v = (uint16_t)LibLow32(luaL_checknumber(L, arg));
            AddRawBytes(&b, &v, 2);
            break;
          }
          case 'b': {
            uint8_t v = (uint8_t)LibLow32(luaL_checknumber(L, arg));
            AddRawBytes(&b, &v, 1);
            break;
          }
          default: break;  // writes nothing; the argument is passed over all the same
        }
        continue;
      }
      default: return luaL_error(L, "invalid option to `format'");
    }
    if (n > 0) luaL_addlstring(&b, buff, (size_t)n < sizeof buff ? (size_t)n : sizeof buff - 1);
  }
  luaL_pushresult(&b);
  return 1;
}

const luaL_reg strlib[] = {{"len", str_len},       {"sub", str_sub},       {"lower", str_lower},
                           {"upper", str_upper},   {"char", str_char},     {"rep", str_rep},
                           {"byte", str_byte},     {"format", str_format}, {"dump", str_dump},
                           {"find", str_find},     {"gfind", str_gfind},   {"gsub", str_gsub},
                           {"lualex", str_lualex}, {nullptr, nullptr}};

}  // namespace

int luaopen_string(lua_State* L) {
  luaL_openlib(L, LUA_STRLIBNAME, strlib, 0);
  lua_pushstring(L, LUA_STRLIBNAME);
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_settypetable(L, LUA_TSTRING);
  luaI_openstrpack(L);
  return 1;
}
