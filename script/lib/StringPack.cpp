// string.pack and string.unpack (records of bytes with byte order, length prefixes, booleans,
// wide strings and padded fields) and string.lualex (decoding of escape sequences).
#include <cctype>
#include <cstring>
#include <vector>

#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/lib/LibUtil.h"

namespace {

typedef unsigned char uchar;

// Reads a decimal count; saturates instead of overflowing.
size_t ReadCount(const char*& f, const char* end, bool* present) {
  size_t n = 0;
  *present = false;
  while (f < end && isdigit(uchar(*f))) {
    *present = true;
    if (n < 100000000) n = n * 10 + (size_t)(*f - '0');
    f++;
  }
  return n;
}

// Appends the low `size` bytes of v in the chosen order.
void PackInteger(luaL_Buffer* b, uint64_t v, int size, bool bigEndian) {
  uchar bytes[8];
  for (int i = 0; i < size; i++) bytes[i] = uchar(v >> (8 * i));
  if (bigEndian)
    for (int i = size - 1; i >= 0; i--) luaL_putchar(b, bytes[i]);
  else
    for (int i = 0; i < size; i++) luaL_putchar(b, bytes[i]);
}

void PackRaw(luaL_Buffer* b, const void* p, int size, bool bigEndian) {
  const uchar* bytes = (const uchar*)p;
  if (bigEndian)
    for (int i = size - 1; i >= 0; i--) luaL_putchar(b, bytes[i]);
  else
    for (int i = 0; i < size; i++) luaL_putchar(b, bytes[i]);
}

void PackUnits(luaL_Buffer* b, const uint16_t* w, size_t n, bool bigEndian) {
  for (size_t i = 0; i < n; i++) PackInteger(b, w[i], 2, bigEndian);
}

// Bytes written so far: the inline storage plus the pieces already stacked.
size_t BufferedBytes(lua_State* L, luaL_Buffer* b, int base) {
  size_t n = (size_t)(b->p - b->buffer);
  for (int i = base + 1; i <= lua_gettop(L); i++) n += lua_strlen(L, i);
  return n;
}

int str_pack(lua_State* L) {
  size_t fl;
  const char* f = luaL_checklstring(L, 1, &fl);
  const char* end = f + fl;
  int arg = 2;
  bool bigEndian = false;
  bool fieldOpen = false;
  size_t fieldStart = 0, fieldWidth = 0;
  int fill = 0;
  int base = lua_gettop(L);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (f < end) {
    bool wide = false;
    if (*f == 'w') {
      wide = true;
      if (++f >= end) break;  // a lone w ends the format
    }
    char code = *f++;
    if (code == '@' && !wide) {
      bool present;
      size_t width = ReadCount(f, end, &present);
      int fillValue = 0;
      if (f < end && *f == ':') {
        // Taken modulo 256 digit by digit, so that any number of digits gives the right byte.
        for (f++; f < end && isdigit(uchar(*f)); f++)
          fillValue = (fillValue * 10 + (*f - '0')) % 256;
      }
      size_t written = BufferedBytes(L, &b, base);
      if (fieldOpen) {
        for (size_t i = written - fieldStart; i < fieldWidth; i++) luaL_putchar(&b, fill);
        fieldOpen = false;
      } else if (present) {
        fieldOpen = true;
        fieldStart = written;
        fieldWidth = width;
        fill = fillValue;
      }
      continue;
    }
    bool present;
    size_t count = ReadCount(f, end, &present);
    if (count == 0) count = 1;
    switch (code) {
      case '<':
      case '=': bigEndian = false; continue;
      case '>': bigEndian = true; continue;
      case ' ':
      case ',': continue;
      case 'c':
      case 'b':
      case 'h':
      case 'H':
      case 'i':
      case 'l':
      case 'I':
      case 'L':
      case 'f':
      case 'd':
      case 'n':
      case 'B':
      case 'A':
      case 'z':
      case 'p':
      case 'P':
      case 'a': break;
      default: {
        char msg[16] = "bad code `?'";
        msg[10] = code;
        return luaL_argerror(L, 1, msg);
      }
    }
    for (size_t rep = 0; rep < count; rep++, arg++) {
      switch (code) {
        case 'c':
        case 'b':
          PackInteger(&b, (uint64_t)lua_number2int64(luaL_checknumber(L, arg)), 1, bigEndian);
          break;
        case 'h':
        case 'H':
          PackInteger(&b, (uint64_t)lua_number2int64(luaL_checknumber(L, arg)), 2, bigEndian);
          break;
        case 'i':
        case 'l':
        case 'I':
        case 'L':
          PackInteger(&b, (uint64_t)lua_number2int64(luaL_checknumber(L, arg)), 4, bigEndian);
          break;
        case 'f': {
          float v = (float)luaL_checknumber(L, arg);
          PackRaw(&b, &v, 4, bigEndian);
          break;
        }
        case 'd':
        case 'n': {
          double v = luaL_checknumber(L, arg);
          PackRaw(&b, &v, 8, bigEndian);
          break;
        }
        case 'B':
          if (lua_type(L, arg) != LUA_TBOOLEAN) return luaL_error(L, "expected a boolean");
          luaL_putchar(&b, lua_toboolean(L, arg) ? 1 : 0);
          break;
        default: {  // the string codes
          size_t len;
          const char* s = nullptr;
          const uint16_t* w = nullptr;
          if (wide)
            w = luaL_checklwstring(L, arg, &len);
          else
            s = luaL_checklstring(L, arg, &len);
          if (code == 'p') PackInteger(&b, len, 1, bigEndian);
          if (code == 'P') PackInteger(&b, len, 2, bigEndian);
          if (code == 'a') PackInteger(&b, len, 4, bigEndian);
          if (wide)
            PackUnits(&b, w, len, bigEndian);
          else
            luaL_addlstring(&b, s, len);
          if (code == 'z') {
            luaL_putchar(&b, 0);
            if (wide) luaL_putchar(&b, 0);
          }
          break;
        }
      }
    }
  }
  luaL_pushresult(&b);
  return 1;
}

uint64_t ReadInteger(const uchar* p, int size, bool bigEndian) {
  uint64_t v = 0;
  for (int i = 0; i < size; i++) {
    uchar byte = bigEndian ? p[i] : p[size - 1 - i];
    v = (v << 8) | byte;
  }
  return v;
}

void ReadRaw(const uchar* p, void* out, int size, bool bigEndian) {
  uchar* o = (uchar*)out;
  for (int i = 0; i < size; i++) o[i] = bigEndian ? p[size - 1 - i] : p[i];
}

void PushUnits(lua_State* L, std::vector<uint16_t>& scratch, const uchar* p, size_t n,
               bool bigEndian) {
  if (scratch.size() < n) scratch.resize(n < 16 ? 16 : n);
  for (size_t i = 0; i < n; i++) scratch[i] = (uint16_t)ReadInteger(p + 2 * i, 2, bigEndian);
  lua_pushlwstring(L, scratch.data(), n);
}

int str_unpack(lua_State* L) {
  size_t len, fl;
  const uchar* data = (const uchar*)luaL_checklstring(L, 1, &len);
  const char* f = luaL_checklstring(L, 2, &fl);
  const char* end = f + fl;
  // A start before the data counts as the start; one past its end reads nothing and comes
  // back as the position unchanged.
  int64_t start = LibOptInteger(L, 3, 1) - 1;
  size_t i = start < 0 ? 0 : (size_t)start;
  bool bigEndian = false;
  std::vector<uint16_t> scratch;
  lua_pushnil(L);  // placeholder for the position
  int placeholder = lua_gettop(L);
  int pushed = 0;
  bool stop = false;
  while (f < end && !stop) {
    bool wide = false;
    if (*f == 'w') {
      wide = true;
      if (++f >= end) break;
    }
    char code = *f++;
    bool present;
    size_t count = ReadCount(f, end, &present);
    if (count == 0) count = 1;
    switch (code) {
      case '<':
      case '=': bigEndian = false; continue;
      case '>': bigEndian = true; continue;
      case ' ':
      case ',': continue;
      case 'A': {
        size_t unit = wide ? 2 : 1;
        if (i > len || count > (len - i) / unit) {
          stop = true;
          break;
        }
        luaL_checkstack(L, 2, "too many results to unpack");
        if (wide)
          PushUnits(L, scratch, data + i, count, bigEndian);
        else
          lua_pushlstring(L, (const char*)data + i, count);
        i += count * unit;
        pushed++;
        continue;
      }
      case 'c':
      case 'b':
      case 'h':
      case 'H':
      case 'i':
      case 'l':
      case 'I':
      case 'L':
      case 'f':
      case 'd':
      case 'n':
      case 'B':
      case 'z':
      case 'p':
      case 'P':
      case 'a': break;
      default: {
        char msg[16] = "bad code `?'";
        msg[10] = code;
        return luaL_argerror(L, 1, msg);
      }
    }
    for (size_t rep = 0; rep < count && !stop; rep++) {
      size_t avail = i < len ? len - i : 0;  // z may step one past the end
      const uchar* p = data + (i < len ? i : len);
      luaL_checkstack(L, 2, "too many results to unpack");
      switch (code) {
        case 'c':
        case 'b':
        case 'B':
          if (avail < 1) {
            stop = true;
            break;
          }
          if (code == 'c')
            lua_pushnumber(L, (int8_t)p[0]);
          else if (code == 'b')
            lua_pushnumber(L, p[0]);
          else
            lua_pushboolean(L, p[0] != 0);
          i += 1;
          break;
        case 'h':
        case 'H':
          if (avail < 2) {
            stop = true;
            break;
          }
          if (code == 'h')
            lua_pushnumber(L, (int16_t)(uint16_t)ReadInteger(p, 2, bigEndian));
          else
            lua_pushnumber(L, (uint16_t)ReadInteger(p, 2, bigEndian));
          i += 2;
          break;
        case 'i':
        case 'l':
        case 'I':
        case 'L':
          if (avail < 4) {
            stop = true;
            break;
          }
          if (code == 'i' || code == 'l')
            lua_pushnumber(L, (int32_t)(uint32_t)ReadInteger(p, 4, bigEndian));
          else
            lua_pushnumber(L, (uint32_t)ReadInteger(p, 4, bigEndian));
          i += 4;
          break;
        case 'f': {
          if (avail < 4) {
            stop = true;
            break;
          }
          float v;
          ReadRaw(p, &v, 4, bigEndian);
          lua_pushnumber(L, v);
          i += 4;
          break;
        }
        case 'd':
        case 'n': {
          if (avail < 8) {
            stop = true;
            break;
          }
          double v;
          ReadRaw(p, &v, 8, bigEndian);
          lua_pushnumber(L, v);
          i += 8;
          break;
        }
        case 'z': {
          if (avail == 0) {
            stop = true;
            break;
          }
          // The text ends at a zero or at the end of the data; either way the position
          // moves on past one terminator.
          if (wide) {
            size_t n = 0;
            while (2 * (n + 1) <= avail && (p[2 * n] | p[2 * n + 1]) != 0) n++;
            PushUnits(L, scratch, p, n, bigEndian);
            i += 2 * n + 2;
          } else {
            const uchar* zero = (const uchar*)memchr(p, 0, avail);
            size_t n = zero ? (size_t)(zero - p) : avail;
            lua_pushlstring(L, (const char*)p, n);
            i += n + 1;
          }
          break;
        }
        default: {  // p, P, a: a length prefix, then the text
          int prefix = code == 'p' ? 1 : (code == 'P' ? 2 : 4);
          if (avail < (size_t)prefix) {
            stop = true;
            break;
          }
          size_t n = (size_t)ReadInteger(p, prefix, bigEndian);
          size_t unit = wide ? 2 : 1;
          if (n > (avail - (size_t)prefix) / unit) {
            stop = true;
            break;
          }
          if (wide)
            PushUnits(L, scratch, p + prefix, n, bigEndian);
          else
            lua_pushlstring(L, (const char*)p + prefix, n);
          i += (size_t)prefix + n * unit;
          break;
        }
      }
      if (!stop) pushed++;
    }
  }
  lua_pushnumber(L, (lua_Number)(i + 1));
  lua_replace(L, placeholder);
  return pushed + 1;
}

const luaL_reg strpacklib[] = {{"pack", str_pack}, {"unpack", str_unpack}, {nullptr, nullptr}};

int HexValue(int c) {
  if (isdigit(c)) return c - '0';
  return tolower(c) - 'a' + 10;
}

// Appends one decoded character: a byte, or in wide mode a unit of two bytes, low first.
void AddDecoded(luaL_Buffer* b, unsigned v, bool wide) {
  luaL_putchar(b, uchar(v & 0xFF));
  if (wide) luaL_putchar(b, uchar((v >> 8) & 0xFF));
}

}  // namespace

// Decodes backslash escapes. The 8-bit mode gives bytes (a hexadecimal escape gives two, low
// byte first); the wide mode gives every character as a unit of two bytes, low byte first.
int str_lualex(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  bool wide = luaL_checknumber(L, 2) != 0;
  const char* end = s + l;
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (s < end) {
    uchar c = uchar(*s++);
    if (c != '\\') {
      AddDecoded(&b, c, wide);
      continue;
    }
    if (s >= end) {  // a trailing backslash: a zero, and nothing read past the text
      AddDecoded(&b, 0, wide);
      break;
    }
    c = uchar(*s++);
    switch (c) {
      case 'a': AddDecoded(&b, 7, wide); break;
      case 'b': AddDecoded(&b, 8, wide); break;
      case 'f': AddDecoded(&b, 12, wide); break;
      case 'n': AddDecoded(&b, 10, wide); break;
      case 'r': AddDecoded(&b, 13, wide); break;
      case 't': AddDecoded(&b, 9, wide); break;
      case 'v': AddDecoded(&b, 11, wide); break;
      case 'x': {
        int maxDigits = wide ? 4 : 2;
        unsigned v = 0;
        int digits = 0;
        while (digits < maxDigits && s < end && isxdigit(uchar(*s))) {
          v = v * 16 + (unsigned)HexValue(uchar(*s++));
          digits++;
        }
        if (digits == 0) {
          AddDecoded(&b, 'x', wide);
        } else {
          luaL_putchar(&b, uchar(v & 0xFF));
          luaL_putchar(&b, uchar(v >> 8));
        }
        break;
      }
      default:
        if (isdigit(c)) {
          unsigned v = (unsigned)(c - '0');
          for (int k = 1; k < 3 && s < end && isdigit(uchar(*s)); k++)
            v = v * 10 + (unsigned)(*s++ - '0');
          AddDecoded(&b, v & 0xFF, wide);
        } else {
          AddDecoded(&b, c, wide);
        }
        break;
    }
  }
  luaL_pushresult(&b);
  return 1;
}

void luaI_openstrpack(lua_State* L) {
  luaL_openlib(L, LUA_STRLIBNAME, strpacklib, 0);
  lua_pop(L, 1);
}
