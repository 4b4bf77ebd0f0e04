// The io library: file handles over C streams, the current input and output files, and reading
// and writing of 8-bit and wide strings. Wide text is read and written as bytes by this file
// itself, since a C stream fixes its orientation on first use.
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/lib/LibUtil.h"

int PushResult(lua_State* L, bool ok, const char* filename) {
  if (ok) {
    lua_pushboolean(L, 1);
    return 1;
  }
  int err = errno;
  lua_pushnil(L);
  if (filename)
    lua_pushfstring(L, "%s: %s", filename, strerror(err));
  else
    lua_pushfstring(L, "%s", strerror(err));
  lua_pushnumber(L, err);
  return 3;
}

namespace {

const char kFileHandle[] = "FILE*";
const char kInput[] = "_input";
const char kOutput[] = "_output";

// The data of a file handle: the stream (null once closed) and how it was opened.
struct FileHandle {
  FILE* f;
  bool binary;  // wide input takes two bytes per unit
  bool pipe;    // closed with pclose
};

// The handle at idx, or null when the value is not a file handle.
FileHandle* ToHandle(lua_State* L, int idx) {
  if (lua_type(L, idx) != LUA_TUSERDATA) return nullptr;
  if (!lua_getmetatable(L, idx)) return nullptr;
  luaL_getmetatable(L, kFileHandle);
  bool same = lua_rawequal(L, -1, -2);
  lua_pop(L, 2);
  return same ? (FileHandle*)lua_touserdata(L, idx) : nullptr;
}

FileHandle* CheckHandle(lua_State* L, int idx) {
  FileHandle* h = ToHandle(L, idx);
  if (h == nullptr) luaL_argerror(L, idx, "bad file");
  return h;
}

FileHandle* CheckOpen(lua_State* L, int idx) {
  FileHandle* h = CheckHandle(L, idx);
  if (h->f == nullptr) luaL_error(L, "attempt to use a closed file");
  return h;
}

FileHandle* NewHandle(lua_State* L) {
  FileHandle* h = (FileHandle*)lua_newuserdata(L, sizeof(FileHandle));
  h->f = nullptr;
  h->binary = false;
  h->pipe = false;
  luaL_getmetatable(L, kFileHandle);
  lua_setmetatable(L, -2);
  return h;
}

bool IsBinaryMode(const char* mode) { return strchr(mode, 'b') != nullptr; }

// Closes the handle at idx; the standard streams stay open.
bool CloseHandle(lua_State* L, int idx) {
  FileHandle* h = CheckOpen(L, idx);
  if (h->f == stdin || h->f == stdout || h->f == stderr) return false;
  bool ok = h->pipe ? pclose(h->f) != -1 : fclose(h->f) == 0;
  if (ok) h->f = nullptr;
  return ok;
}

void GetIoFile(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_rawget(L, lua_upvalueindex(1));
}

// The stream of the current input or output file, raising when it was closed.
FileHandle* CurrentFile(lua_State* L, const char* name) {
  GetIoFile(L, name);
  FileHandle* h = ToHandle(L, -1);
  if (h == nullptr || h->f == nullptr) luaL_error(L, "attempt to use a closed file");
  lua_pop(L, 1);
  return h;
}

// ---------------------------------------------------------------------------------------------
// Reading 8-bit text

// Every reader leaves one value on the stack, even when it fails: the failed format's value is
// what the caller replaces by nil, not the result of an earlier format.
bool ReadNumber(lua_State* L, FILE* f) {
  double d;
  if (fscanf(f, "%lf", &d) == 1) {
    lua_pushnumber(L, d);
    return true;
  }
  lua_pushnil(L);
  return false;
}

bool TestEof(lua_State* L, FILE* f) {
  int c = getc(f);
  ungetc(c, f);
  lua_pushlstring(L, "", 0);
  return c != EOF;
}

// A line without its newline; zero bytes inside the line are kept. Streams opened in text mode
// take "\r\n" as a line end too, as text files written elsewhere have them.
bool ReadLine(lua_State* L, FileHandle* h) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  bool any = false;
  bool pendingCr = false;
  int c;
  while ((c = getc(h->f)) != EOF) {
    any = true;
    if (c == '\n') {
      pendingCr = false;
      break;
    }
    if (pendingCr) luaL_putchar(&b, '\r');
    pendingCr = c == '\r' && !h->binary;
    if (!pendingCr) luaL_putchar(&b, c);
  }
  if (pendingCr) luaL_putchar(&b, '\r');
  luaL_pushresult(&b);
  return any;
}

bool ReadChars(lua_State* L, FILE* f, size_t n) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  size_t want = n;
  size_t nr;
  size_t chunk;
  do {
    char* p = luaL_prepbuffer(&b);
    chunk = want < LUAL_BUFFERSIZE ? want : LUAL_BUFFERSIZE;
    nr = fread(p, 1, chunk, f);
    luaL_addsize(&b, nr);
    want -= nr;
  } while (want > 0 && nr == chunk);
  luaL_pushresult(&b);
  return n == 0 || lua_strlen(L, -1) > 0;
}

// ---------------------------------------------------------------------------------------------
// Reading wide text: a binary stream gives one unit per two bytes, low byte first; a text
// stream one unit per character of the locale's multibyte encoding.

struct UnitReader {
  FILE* f;
  bool binary;
  size_t lastBytes = 0;

  // The next unit, or -1 at the end of the input or at a sequence that does not convert.
  long Next() {
    if (binary) {
      int lo = getc(f);
      if (lo == EOF) return -1;
      int hi = getc(f);
      if (hi == EOF) return -1;  // a dangling odd byte is dropped
      lastBytes = 2;
      return lo | (hi << 8);
    }
    if (MB_CUR_MAX == 1) {
      int c = getc(f);
      if (c == EOF) return -1;
      lastBytes = 1;
      return c;
    }
    mbstate_t st;
    memset(&st, 0, sizeof st);
    size_t used = 0;
    for (;;) {
      int c = getc(f);
      if (c == EOF) return -1;
      used++;
      char ch = (char)c;
      wchar_t wc;
      size_t r = mbrtowc(&wc, &ch, 1, &st);
      if (r == (size_t)-2) continue;
      if (r == (size_t)-1) return -1;
      lastBytes = used;
      unsigned long v = (unsigned long)wc;
      return v > 0xFFFF ? 0xFFFD : (long)v;
    }
  }

  // Steps back over the unit just read.
  void Unread(long unit) {
    if (lastBytes == 0) return;
    if (fseek(f, -(long)lastBytes, SEEK_CUR) == 0) return;
    if (binary) {
      ungetc((int)((unit >> 8) & 0xFF), f);
      ungetc((int)(unit & 0xFF), f);
    } else {
      ungetc((int)(unit & 0xFF), f);
    }
  }
};

bool IsWideSpace(long u) { return u == ' ' || (u >= '\t' && u <= '\r'); }
bool IsWideDigit(long u) { return u >= '0' && u <= '9'; }

// A decimal number in the form the C library's %lf reads.
bool ReadWideNumber(lua_State* L, FileHandle* h) {
  UnitReader r{h->f, h->binary};
  long u;
  do u = r.Next();
  while (IsWideSpace(u));
  std::string text;
  bool digits = false;
  auto take = [&](long unit) {
    text += (char)unit;
    return r.Next();
  };
  if (u == '+' || u == '-') u = take(u);
  while (IsWideDigit(u)) {
    digits = true;
    u = take(u);
  }
  if (u == '.') {
    u = take(u);
    while (IsWideDigit(u)) {
      digits = true;
      u = take(u);
    }
  }
  if (digits && (u == 'e' || u == 'E')) {
    u = take(u);
    if (u == '+' || u == '-') u = take(u);
    while (IsWideDigit(u)) u = take(u);
  }
  if (u >= 0) r.Unread(u);
  if (!digits) {
    lua_pushnil(L);
    return false;
  }
  lua_pushnumber(L, strtod(text.c_str(), nullptr));
  return true;
}

bool ReadWideLine(lua_State* L, FileHandle* h) {
  UnitReader r{h->f, h->binary};
  luaL_Buffer b;
  luaL_wbuffinit(L, &b);
  uint16_t piece[256];
  size_t n = 0;
  bool any = false;
  bool pendingCr = false;  // text mode: a "\r" held back until we know whether "\n" follows
  auto add = [&](uint16_t unit) {
    piece[n++] = unit;
    if (n == 256) {
      luaL_addlwstring(&b, piece, n);
      n = 0;
    }
  };
  long u;
  while ((u = r.Next()) >= 0) {
    any = true;
    if (u == '\n') {
      pendingCr = false;
      break;
    }
    if (pendingCr) add('\r');
    pendingCr = u == '\r' && !h->binary;
    if (!pendingCr) add((uint16_t)u);
  }
  if (pendingCr) add('\r');
  luaL_addlwstring(&b, piece, n);
  luaL_pushresult(&b);
  return any;
}

// The rest of the stream as units of two bytes, low byte first, whatever the stream's mode.
void ReadWideAll(lua_State* L, FILE* f) {
  luaL_Buffer b;
  luaL_wbuffinit(L, &b);
  unsigned char bytes[512];
  uint16_t units[256];
  size_t nr;
  while ((nr = fread(bytes, 1, sizeof bytes, f)) > 0) {
    size_t nu = nr / 2;
    for (size_t i = 0; i < nu; i++) units[i] = (uint16_t)(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    luaL_addlwstring(&b, units, nu);
    if (nr < sizeof bytes) break;
  }
  luaL_pushresult(&b);
}

// Reads with the formats from argument `first` on; one result per format handled.
int DoRead(lua_State* L, FileHandle* h, int first, int nargs) {
  FILE* f = h->f;
  bool success;
  int n;
  if (nargs == 0) {
    success = ReadLine(L, h);
    n = first + 1;
  } else {
    luaL_checkstack(L, nargs + LUA_MINSTACK, "too many arguments");
    success = true;
    for (n = first; nargs-- > 0 && success; n++) {
      int t = lua_type(L, n);
      if (t == LUA_TNUMBER) {
        int64_t count = LibToInteger(lua_tonumber(L, n));
        success = count <= 0 ? TestEof(L, f) : ReadChars(L, f, (size_t)count);
      } else if (t == LUA_TSTRING) {
        const char* p = lua_tostring(L, n);
        luaL_argcheck(L, p[0] == '*', n, "invalid option");
        switch (p[1]) {
          case 'n': success = ReadNumber(L, f); break;
          case 'l': success = ReadLine(L, h); break;
          case 'a':
            ReadChars(L, f, ~(size_t)0);
            success = true;
            break;
          case 'w': return luaL_error(L, "obsolete option `*w' to 'read'");
          default: return luaL_argerror(L, n, "invalid format");
        }
      } else if (t == LUA_TWSTRING) {
        const uint16_t* p = lua_towstring(L, n);
        if (p[0] != '*') return luaL_error(L, "invalid `read' option");
        switch (p[1]) {
          case 'n': success = ReadWideNumber(L, h); break;
          case 'l': success = ReadWideLine(L, h); break;
          case 'a':
            ReadWideAll(L, f);
            success = true;
            break;
          case 'w': return luaL_error(L, "obsolete option `*w' to 'read'");
          default: return luaL_argerror(L, n, "invalid format");
        }
      } else {
        return luaL_argerror(L, n, "invalid option");
      }
    }
  }
  if (!success) {
    lua_pop(L, 1);
    lua_pushnil(L);
  }
  return n - first;
}

// Writes the arguments from `arg` on; values of other types are passed over.
int DoWrite(lua_State* L, FILE* f, int arg, int nargs) {
  bool status = true;
  for (; nargs-- > 0 && status; arg++) {
    switch (lua_type(L, arg)) {
      case LUA_TNUMBER: {
        char buf[32];
        int len = lua_number2str(buf, lua_tonumber(L, arg));
        status = len > 0 && fwrite(buf, 1, (size_t)len, f) == (size_t)len;
        break;
      }
      case LUA_TSTRING: {
        size_t l = lua_strlen(L, arg);
        status = fwrite(lua_tostring(L, arg), 1, l, f) == l;
        break;
      }
      case LUA_TWSTRING: {
        const uint16_t* w = lua_towstring(L, arg);
        size_t l = lua_strlen(L, arg);
        unsigned char bytes[512];
        for (size_t i = 0; i < l && status;) {
          size_t k = 0;
          for (; k < sizeof bytes && i < l; i++) {
            bytes[k++] = (unsigned char)(w[i] & 0xFF);
            bytes[k++] = (unsigned char)(w[i] >> 8);
          }
          status = fwrite(bytes, 1, k, f) == k;
        }
        break;
      }
      default: break;
    }
  }
  return PushResult(L, status, nullptr);
}

// ---------------------------------------------------------------------------------------------
// io functions

int io_type(lua_State* L) {
  FileHandle* h = ToHandle(L, 1);
  if (h == nullptr)
    lua_pushnil(L);
  else if (h->f == nullptr)
    lua_pushliteral(L, "closed file");
  else
    lua_pushliteral(L, "file");
  return 1;
}

int io_open(lua_State* L) {
  const char* filename = luaL_checkstring(L, 1);
  const char* mode = luaL_optstring(L, 2, "r");
  FileHandle* h = NewHandle(L);
  h->f = fopen(filename, mode);
  h->binary = IsBinaryMode(mode);
  return h->f == nullptr ? PushResult(L, false, filename) : 1;
}

int io_popen(lua_State* L) {
  const char* command = luaL_checkstring(L, 1);
  const char* mode = luaL_optstring(L, 2, "r");
  FileHandle* h = NewHandle(L);
  fflush(nullptr);
  h->f = popen(command, mode);
  h->pipe = true;
  return h->f == nullptr ? PushResult(L, false, command) : 1;
}

int io_tmpfile(lua_State* L) {
  FileHandle* h = NewHandle(L);
  h->f = tmpfile();
  h->binary = true;
  return h->f == nullptr ? PushResult(L, false, nullptr) : 1;
}

int io_close(lua_State* L) {
  if (lua_isnone(L, 1)) GetIoFile(L, kOutput);
  return PushResult(L, CloseHandle(L, 1), nullptr);
}

int io_gc(lua_State* L) {
  FileHandle* h = ToHandle(L, 1);
  if (h != nullptr && h->f != nullptr) CloseHandle(L, 1);
  return 0;
}

int io_tostring(lua_State* L) {
  FileHandle* h = CheckHandle(L, 1);
  char buff[64];
  if (h->f == nullptr)
    snprintf(buff, sizeof buff, "closed");
  else
    snprintf(buff, sizeof buff, "%p", (void*)h);
  lua_pushfstring(L, "file (%s)", buff);
  return 1;
}

// io.input and io.output: with a name opens that file, with a handle takes it; returns the
// current file.
int SetIoFile(lua_State* L, const char* name, const char* mode) {
  if (!lua_isnoneornil(L, 1)) {
    if (lua_type(L, 1) == LUA_TSTRING || lua_type(L, 1) == LUA_TNUMBER) {
      const char* filename = lua_tostring(L, 1);
      FileHandle* h = NewHandle(L);
      h->f = fopen(filename, mode);
      if (h->f == nullptr) {
        lua_pushfstring(L, "%s: %s", filename, strerror(errno));
        luaL_argerror(L, 1, lua_tostring(L, -1));
      }
    } else {
      CheckOpen(L, 1);
      lua_pushvalue(L, 1);
    }
    lua_pushstring(L, name);
    lua_pushvalue(L, -2);
    lua_rawset(L, lua_upvalueindex(1));
  }
  GetIoFile(L, name);
  return 1;
}

int io_input(lua_State* L) { return SetIoFile(L, kInput, "r"); }
int io_output(lua_State* L) { return SetIoFile(L, kOutput, "w"); }

int io_readline(lua_State* L) {
  FileHandle* h = (FileHandle*)lua_touserdata(L, lua_upvalueindex(1));
  if (h == nullptr || h->f == nullptr) return luaL_error(L, "file is already closed");
  if (ReadLine(L, h)) return 1;
  if (lua_toboolean(L, lua_upvalueindex(2))) {  // opened by io.lines: close at the end
    lua_settop(L, 0);
    lua_pushvalue(L, lua_upvalueindex(1));
    CloseHandle(L, 1);
  }
  return 0;
}

void PushLines(lua_State* L, int idx, bool close) {
  lua_pushvalue(L, idx);
  lua_pushboolean(L, close);
  lua_pushcclosure(L, io_readline, 2);
}

int io_lines(lua_State* L) {
  if (lua_isnoneornil(L, 1)) {
    GetIoFile(L, kInput);
    int idx = lua_gettop(L);
    CheckOpen(L, idx);
    PushLines(L, idx, false);
    return 1;
  }
  const char* filename = luaL_checkstring(L, 1);
  FileHandle* h = NewHandle(L);
  h->f = fopen(filename, "r");
  luaL_argcheck(L, h->f != nullptr, 1, strerror(errno));
  PushLines(L, lua_gettop(L), true);
  return 1;
}

int io_read(lua_State* L) {
  int nargs = lua_gettop(L);
  FileHandle* h = CurrentFile(L, kInput);
  return DoRead(L, h, 1, nargs);
}

int io_write(lua_State* L) {
  int nargs = lua_gettop(L);
  FileHandle* h = CurrentFile(L, kOutput);
  return DoWrite(L, h->f, 1, nargs);
}

int io_flush(lua_State* L) {
  FileHandle* h = CurrentFile(L, kOutput);
  return PushResult(L, fflush(h->f) == 0, nullptr);
}

// ---------------------------------------------------------------------------------------------
// File methods

int f_read(lua_State* L) {
  FileHandle* h = CheckOpen(L, 1);
  return DoRead(L, h, 2, lua_gettop(L) - 1);
}

int f_write(lua_State* L) {
  FileHandle* h = CheckOpen(L, 1);
  return DoWrite(L, h->f, 2, lua_gettop(L) - 1);
}

int f_lines(lua_State* L) {
  CheckOpen(L, 1);
  PushLines(L, 1, false);
  return 1;
}

int f_flush(lua_State* L) {
  FileHandle* h = CheckOpen(L, 1);
  return PushResult(L, fflush(h->f) == 0, nullptr);
}

int f_close(lua_State* L) { return PushResult(L, CloseHandle(L, 1), nullptr); }

int f_seek(lua_State* L) {
  static const int modes[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  static const char* const modenames[] = {"set", "cur", "end", nullptr};
  FileHandle* h = CheckOpen(L, 1);
  int op = luaL_findstring(luaL_optstring(L, 2, "cur"), modenames);
  int64_t offset = LibOptInteger(L, 3, 0);
  luaL_argcheck(L, op != -1, 2, "invalid mode");
  if (offset > LONG_MAX || offset < LONG_MIN || fseek(h->f, (long)offset, modes[op]) != 0) {
    if (errno == 0) errno = EINVAL;
    return PushResult(L, false, nullptr);
  }
  lua_pushnumber(L, (lua_Number)ftell(h->f));
  return 1;
}

const luaL_reg iolib[] = {{"input", io_input}, {"output", io_output}, {"lines", io_lines},
                          {"close", io_close}, {"flush", io_flush},   {"open", io_open},
                          {"popen", io_popen}, {"read", io_read},     {"tmpfile", io_tmpfile},
                          {"type", io_type},   {"write", io_write},   {nullptr, nullptr}};

const luaL_reg flib[] = {
    {"flush", f_flush}, {"read", f_read},   {"lines", f_lines}, {"seek", f_seek},
    {"write", f_write}, {"close", f_close}, {"__gc", io_gc},    {"__tostring", io_tostring},
    {nullptr, nullptr}};

// io[name] = a handle of the stream; also the current input or output when `current` is given.
void RegisterStream(lua_State* L, int io, int env, FILE* f, const char* name, const char* current) {
  lua_pushstring(L, name);
  NewHandle(L)->f = f;
  if (current) {
    lua_pushstring(L, current);
    lua_pushvalue(L, -2);
    lua_rawset(L, env);
  }
  lua_rawset(L, io);
}

}  // namespace

int luaopen_io(lua_State* L) {
  luaI_openos(L);
  luaL_newmetatable(L, kFileHandle);
  lua_pushliteral(L, "__index");
  lua_pushvalue(L, -2);
  lua_rawset(L, -3);
  luaL_openlib(L, nullptr, flib, 0);
  lua_pop(L, 1);
  lua_newtable(L);  // shared by the io functions: the current input and output
  int env = lua_gettop(L);
  lua_pushvalue(L, env);
  luaL_openlib(L, LUA_IOLIBNAME, iolib, 1);
  int io = lua_gettop(L);
  RegisterStream(L, io, env, stdin, "stdin", kInput);
  RegisterStream(L, io, env, stdout, "stdout", kOutput);
  RegisterStream(L, io, env, stderr, "stderr", nullptr);
  lua_remove(L, env);
  return 1;
}
