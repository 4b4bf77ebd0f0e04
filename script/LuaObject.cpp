// Generic object helpers: raw equality, the narrow and wide text-to-number conversions,
// formatted message building on the stack, and chunk ids for messages.
#include "script/LuaObject.h"

#include <cctype>
#include <clocale>
#include <string>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "script/LuaDo.h"
#include "script/LuaMem.h"
#include "script/LuaState.h"
#include "script/LuaString.h"
#include "script/LuaVm.h"

const TObject luaO_nilobject = {LUA_TNIL, {nullptr}};

int luaO_int2fb(unsigned int x) {
  int m = 0;
  while (x >= (1 << 3)) {
    x = (x + 1) >> 1;
    m++;
  }
  return (m << 3) | (int)x;
}

int luaO_log2(unsigned int x) {
  int l = -1;
  while (x >= 256) {
    l += 8;
    x >>= 8;
  }
  while (x) {
    l++;
    x >>= 1;
  }
  return l;
}

int luaO_rawequalObj(const TObject* t1, const TObject* t2) {
  if (ttype(t1) != ttype(t2)) return 0;
  switch (ttype(t1)) {
    case LUA_TNIL: return 1;
    case LUA_TNUMBER: return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN: return bvalue(t1) == bvalue(t2);
    case LUA_TLIGHTUSERDATA: return pvalue(t1) == pvalue(t2);
    default: return gcvalue(t1) == gcvalue(t2);
  }
}

// Decimal only and independent of the locale: the C library's strtod would also accept hex,
// "inf" and "nan", and a locale's decimal comma.
static double DecimalStrtod(const char* s, const char** endp) {
  const char* p = s;
  while (isspace((unsigned char)*p)) p++;
  const char* start = p;
  if (*p == '+' || *p == '-') p++;
  int digits = 0;
  while (isdigit((unsigned char)*p)) p++, digits++;
  if (*p == '.') {
    p++;
    while (isdigit((unsigned char)*p)) p++, digits++;
  }
  if (digits == 0) {
    *endp = s;
    return 0;
  }
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') q++;
    if (isdigit((unsigned char)*q)) {
      while (isdigit((unsigned char)*q)) q++;
      p = q;
    }
  }
  // The validated span is plain decimal; strtod reads it in the current locale, so a locale
  // whose decimal point is not '.' gets its own point in the copy.
  std::string text(start, (size_t)(p - start));
  const char* dp = localeconv()->decimal_point;
  if (dp != nullptr && dp[0] != 0 && !(dp[0] == '.' && dp[1] == 0)) {
    size_t at = text.find('.');
    if (at != std::string::npos) text.replace(at, 1, dp);
  }
  double r = strtod(text.c_str(), nullptr);
  *endp = p;
  return r;
}

int luaO_str2d(const char* s, lua_Number* result) {
  const char* endptr;
  lua_Number res = DecimalStrtod(s, &endptr);
  if (endptr == s) return 0;
  while (isspace((unsigned char)*endptr)) endptr++;
  if (*endptr != '\0') return 0;
  *result = res;
  return 1;
}

static int WideDigit(lua_WChar c, int hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex) {
    if (c >= 'a' && c <= 'f') return (c - 'a' + 'A') - 55;
    if (c >= 'A' && c <= 'F') return c - 55;
  }
  return -1;
}

lua_Number luaO_wstrtod(const lua_WChar* s, const lua_WChar** endptr) {
  double ip = 0, frac = 0, scale = 1;
  lu_int32 e = 0;
  int expneg = 0, neg = 0, hasexp = 0, digits = 0;
  double base = 10;
  const lua_WChar* p = s;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 2;
    p += 2;
    int d;
    while ((d = WideDigit(*p, 1)) >= 0) ip = ip * 16 + d, p++, digits++;
    if (*p == '.') {
      p++;
      while ((d = WideDigit(*p, 1)) >= 0) {
        digits++;
        scale *= 0.0625;
        frac += d * scale;
        p++;
      }
      if (*p == 'p' || *p == 'P') {
        p++;
        hasexp = 1;
      }
    }
  } else {
    if (*p == '+' || *p == '-') {
      neg = (*p == '-');
      p++;
    }
    int d;
    while ((d = WideDigit(*p, 0)) >= 0) ip = ip * 10 + d, p++, digits++;
    if (*p == '.') {
      p++;
      while ((d = WideDigit(*p, 0)) >= 0) {
        digits++;
        scale /= 10;
        frac += d * scale;
        p++;
      }
    }
    if (*p == 'e' || *p == 'E') {
      p++;
      hasexp = 1;
    }
  }
  if (hasexp) {
    if (*p == '+' || *p == '-') {
      expneg = (*p == '-');
      p++;
    }
    int d;
    while ((d = WideDigit(*p, 0)) >= 0) e = e * 10 + (lu_int32)d, p++;
  }
  // A text without a single mantissa digit ("-", ".", "e5", "0x") is no number, as in the
  // narrow conversion.
  if (digits == 0) {
    if (endptr) *endptr = s;
    return 0;
  }
  double v = ip + frac;
  if (e != 0) v = expneg ? v / pow(base, (double)e) : v * pow(base, (double)e);
  if (neg) v = -v;
  if (endptr) *endptr = p;
  return v;
}

int luaO_wstr2d(const lua_WChar* s, lua_Number* result) {
  const lua_WChar* endptr;
  lua_Number res = luaO_wstrtod(s, &endptr);
  if (endptr == s) return 0;
  while (*endptr < 256 && isspace((unsigned char)*endptr)) endptr++;
  if (*endptr != 0) return 0;
  *result = res;
  return 1;
}

static void pushstr(lua_State* L, const char* str) {
  setsvalue2s(L->top, luaS_new(L, str));
  incr_top(L);
}

// Understands only %d, %c, %f, %s and %% (and %p for addresses).
const char* luaO_pushvfstring(lua_State* L, const char* fmt, va_list argp) {
  int n = 1;
  pushstr(L, "");
  for (;;) {
    const char* e = strchr(fmt, '%');
    if (e == nullptr) break;
    setsvalue2s(L->top, luaS_newlstr(L, fmt, (size_t)(e - fmt)));
    incr_top(L);
    switch (*(e + 1)) {
      case 's': {
        const char* s = va_arg(argp, char*);
        pushstr(L, s ? s : "(null)");
        break;
      }
      case 'c': {
        char buff[2];
        buff[0] = (char)va_arg(argp, int);
        buff[1] = '\0';
        pushstr(L, buff);
        break;
      }
      case 'd':
        setnvalue(L->top, (lua_Number)va_arg(argp, int));
        incr_top(L);
        break;
      case 'f':
        setnvalue(L->top, va_arg(argp, lua_Number));
        incr_top(L);
        break;
      case 'p': {
        char buff[4 * sizeof(void*) + 8];
        snprintf(buff, sizeof(buff), "%p", va_arg(argp, void*));
        pushstr(L, buff);
        break;
      }
      case '%': pushstr(L, "%"); break;
      default: {
        char buff[3];
        buff[0] = '%';
        buff[1] = *(e + 1);
        buff[2] = '\0';
        pushstr(L, buff);
        if (*(e + 1) == '\0') {
          fmt = e + 1;
          n += 2;
          goto done;
        }
      }
    }
    n += 2;
    fmt = e + 2;
  }
  pushstr(L, fmt);
done:
  luaV_concat(L, n + 1, (int)(L->top - L->base) - 1);
  L->top -= n;
  return svalue(L->top - 1);
}

const char* luaO_pushfstring(lua_State* L, const char* fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  const char* msg = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  return msg;
}

void luaO_chunkid(char* out, const char* source, int bufflen) {
  if (*source == '=') {
    strncpy(out, source + 1, (size_t)bufflen);
    out[bufflen - 1] = '\0';
  } else {
    if (*source == '@') {
      int l;
      source++;
      bufflen -= (int)sizeof(" `...' ");
      l = (int)strlen(source);
      strcpy(out, "");
      if (l > bufflen) {
        source += (l - bufflen);  // keep the end of the name
        strcat(out, "...");
      }
      strcat(out, source);
    } else {
      int len = (int)strcspn(source, "\n");
      bufflen -= (int)sizeof(" [string \"...\"] ");
      if (len > bufflen) len = bufflen;
      strcpy(out, "[string \"");
      if (source[len] != '\0') {
        strncat(out, source, (size_t)len);
        strcat(out, "...");
      } else {
        strcat(out, source);
      }
      strcat(out, "\"]");
    }
  }
}
