// The auxiliary library: argument checking and error helpers, metatables by name, table sizes,
// byte and wide string buffers, and chunk loading from the engine's files and from memory.
#include "script/LuaAux.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "assets/FileLayer.h"
#include "script/LuaGc.h"
#include "script/LuaState.h"
#include "script/LuaString.h"
#include "script/LuaTable.h"
#include "script/LuaVm.h"

#define abs_index(L, i) ((i) > 0 || (i) <= LUA_REGISTRYINDEX ? (i) : lua_gettop(L) + (i) + 1)

int luaL_argerror(lua_State* L, int narg, const char* extramsg) {
  lua_Debug ar;
  ar.name = nullptr;
  ar.namewhat = "";
  if (lua_getstack(L, 0, &ar)) lua_getinfo(L, "n", &ar);
  if (strcmp(ar.namewhat, "method") == 0) {
    narg--;  // the receiver is not counted
    if (narg == 0) return luaL_error(L, "calling `%s' on bad self (%s)", ar.name, extramsg);
  }
  if (ar.name == nullptr) ar.name = "?";
  return luaL_error(L, "bad argument #%d to `%s' (%s)", narg, ar.name, extramsg);
}

int luaL_typerror(lua_State* L, int narg, const char* tname) {
  const char* msg =
      lua_pushfstring(L, "%s expected, got %s", tname, lua_typename(L, lua_type(L, narg)));
  return luaL_argerror(L, narg, msg);
}

static void tag_error(lua_State* L, int narg, int tag) {
  luaL_typerror(L, narg, lua_typename(L, tag));
}

void luaL_where(lua_State* L, int level) {
  lua_Debug ar;
  if (lua_getstack(L, level, &ar)) {
    lua_getinfo(L, "Sl", &ar);
    if (ar.currentline > 0) {
      lua_pushfstring(L, "%s:%d: ", ar.short_src, ar.currentline);
      return;
    }
  }
  lua_pushliteral(L, "");
}

int luaL_error(lua_State* L, const char* fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  luaL_where(L, 1);
  lua_pushvfstring(L, fmt, argp);
  va_end(argp);
  lua_concat(L, 2);
  return lua_error(L);
}

int luaL_findstring(const char* name, const char* const list[]) {
  for (int i = 0; list[i]; i++)
    if (strcmp(list[i], name) == 0) return i;
  return -1;
}

int luaL_newmetatable(lua_State* L, const char* tname) {
  lua_pushstring(L, tname);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (!lua_isnil(L, -1)) return 0;  // already in use: leaves it on top
  lua_pop(L, 1);
  lua_newtable(L);
  lua_pushstring(L, tname);
  lua_pushvalue(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);  // registry.name = metatable
  lua_pushvalue(L, -1);
  lua_pushstring(L, tname);
  lua_rawset(L, LUA_REGISTRYINDEX);  // registry[metatable] = name
  return 1;
}

void luaL_getmetatable(lua_State* L, const char* tname) {
  lua_pushstring(L, tname);
  lua_rawget(L, LUA_REGISTRYINDEX);
}

void* luaL_checkudata(lua_State* L, int ud, const char* tname) {
  if (lua_type(L, ud) != LUA_TUSERDATA || !lua_getmetatable(L, ud)) return nullptr;
  lua_rawget(L, LUA_REGISTRYINDEX);
  const char* tn = lua_tostring(L, -1);
  if (tn && strcmp(tn, tname) == 0) {
    lua_pop(L, 1);
    return lua_touserdata(L, ud);
  }
  lua_pop(L, 1);
  return nullptr;
}

void luaL_checkstack(lua_State* L, int space, const char* mes) {
  if (!lua_checkstack(L, space)) luaL_error(L, "stack overflow (%s)", mes);
}

void luaL_checktype(lua_State* L, int narg, int t) {
  if (lua_type(L, narg) != t) tag_error(L, narg, t);
}

void luaL_checkany(lua_State* L, int narg) {
  if (lua_type(L, narg) == LUA_TNONE) luaL_argerror(L, narg, "value expected");
}

const char* luaL_checklstring(lua_State* L, int narg, size_t* len) {
  const char* s = lua_tostring(L, narg);
  if (!s) tag_error(L, narg, LUA_TSTRING);
  if (len) *len = lua_strlen(L, narg);
  return s;
}

const char* luaL_optlstring(lua_State* L, int narg, const char* def, size_t* len) {
  if (lua_isnoneornil(L, narg)) {
    if (len) *len = (def ? strlen(def) : 0);
    return def;
  }
  return luaL_checklstring(L, narg, len);
}

const uint16_t* luaL_checklwstring(lua_State* L, int narg, size_t* len) {
  const uint16_t* s = lua_towstring(L, narg);
  if (!s) tag_error(L, narg, LUA_TWSTRING);
  if (len) *len = lua_strlen(L, narg);
  return s;
}

lua_Number luaL_checknumber(lua_State* L, int narg) {
  lua_Number d = lua_tonumber(L, narg);
  if (d == 0 && !lua_isnumber(L, narg)) tag_error(L, narg, LUA_TNUMBER);
  return d;
}

lua_Number luaL_optnumber(lua_State* L, int narg, lua_Number def) {
  if (lua_isnoneornil(L, narg)) return def;
  return luaL_checknumber(L, narg);
}

int luaL_getmetafield(lua_State* L, int obj, const char* event) {
  if (!lua_getmetatable(L, obj)) return 0;
  lua_pushstring(L, event);
  lua_rawget(L, -2);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 2);
    return 0;
  }
  lua_remove(L, -2);
  return 1;
}

int luaL_callmeta(lua_State* L, int obj, const char* event) {
  if (obj < 0 && obj > LUA_REGISTRYINDEX) obj = lua_gettop(L) + obj + 1;
  if (!luaL_getmetafield(L, obj, event)) return 0;
  lua_pushvalue(L, obj);
  lua_call(L, 1, 1);
  return 1;
}

void luaL_openlib(lua_State* L, const char* libname, const luaL_reg* l, int nup) {
  if (libname) {
    lua_pushstring(L, libname);
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      lua_newtable(L);
      lua_pushstring(L, libname);
      lua_pushvalue(L, -2);
      lua_settable(L, LUA_GLOBALSINDEX);
    }
    lua_insert(L, -(nup + 1));  // the library table goes below the upvalues
  }
  for (; l->name; l++) {
    lua_pushstring(L, l->name);
    for (int i = 0; i < nup; i++) lua_pushvalue(L, -(nup + 1));
    lua_pushcclosure(L, l->func, nup);
    lua_settable(L, -(nup + 3));
  }
  lua_pop(L, nup);
}

// Key of the weak-keyed table of explicit sizes in the registry; an address cannot clash with
// the integer keys that native code reads through the registry index.
static char sizesKey;

static int checkint(lua_State* L, int topop) {
  int n = lua_isnumber(L, -1) ? lua_number2int32(lua_tonumber(L, -1)) : -1;
  lua_pop(L, topop);
  return n;
}

static void getsizes(lua_State* L) {
  lua_pushlightuserdata(L, &sizesKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);  // its own metatable
    lua_setmetatable(L, -2);
    lua_pushliteral(L, "__mode");
    lua_pushliteral(L, "k");
    lua_rawset(L, -3);
    lua_pushlightuserdata(L, &sizesKey);
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
}

// table.insert and table.remove read and write sizes on every call, so a table on the stack is
// served directly from its slots once the sizes table exists. These paths take the steps of the
// general path below them in the same order, with the same collector checks, and leave the same
// values in the scratch slots above the top: a later collection sees the same stack.

// The table at a positive stack index, or null.
static Table* StackTable(lua_State* L, int idx) {
  if (idx <= 0) return nullptr;
  StkId o = L->base + (idx - 1);
  if (o >= L->top || !ttistable(o)) return nullptr;
  return hvalue(o);
}

// The size a value stands for, as checkint reads it: -1 for none.
static int CountOf(const TObject* o) {
  TObject tmp;
  const TObject* n = luaV_tonumber(o, &tmp);
  return n != nullptr ? lua_number2int32(nvalue(n)) : -1;
}

static TString* KeyN(lua_State* L) {
  luaC_checkGC(L);  // as lua_pushliteral
  return luaS_newliteral(L, "n");
}

// The registry's table of explicit sizes, or null while it has not been made.
static Table* ExistingSizes(lua_State* L) {
  TObject key;
  setpvalue(&key, &sizesKey);
  const TObject* v = luaH_get(hvalue(registry(L)), &key);
  return ttistable(v) ? hvalue(v) : nullptr;
}

void luaL_setn(lua_State* L, int t, int n) {
  t = abs_index(L, t);
  Table* h = StackTable(L, t);
  Table* sizes = h != nullptr ? ExistingSizes(L) : nullptr;
  if (sizes != nullptr) {
    TString* kn = KeyN(L);
    StkId top = L->top;
    setobj2s(top, luaH_getstr(h, kn));
    if (CountOf(top) >= 0) {
      kn = KeyN(L);
      top = L->top;  // a collection may have moved the stack
      setsvalue2s(top, kn);
      setnvalue(top + 1, (lua_Number)n);
      setobj2t(luaH_set(L, h, top), top + 1);
    } else {
      sethvalue(top, sizes);
      sethvalue(top + 1, h);
      setnvalue(top + 2, (lua_Number)n);
      setobj2t(luaH_set(L, sizes, top + 1), top + 2);
    }
    return;
  }
  lua_pushliteral(L, "n");
  lua_rawget(L, t);
  if (checkint(L, 1) >= 0) {
    lua_pushliteral(L, "n");
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, t);
  } else {
    getsizes(L);
    lua_pushvalue(L, t);
    lua_pushnumber(L, (lua_Number)n);
    lua_rawset(L, -3);
    lua_pop(L, 1);
  }
}

int luaL_getn(lua_State* L, int t) {
  int n;
  t = abs_index(L, t);
  Table* h = StackTable(L, t);
  Table* sizes = h != nullptr ? ExistingSizes(L) : nullptr;
  if (sizes != nullptr) {
    TString* kn = KeyN(L);
    StkId top = L->top;
    setobj2s(top, luaH_getstr(h, kn));
    if ((n = CountOf(top)) >= 0) return n;
    sethvalue(top, sizes);
    TObject key;
    sethvalue(&key, h);
    setobj2s(top + 1, luaH_get(sizes, &key));
    if ((n = CountOf(top + 1)) >= 0) return n;
    // Counted from the border known non-nil: appending to a list and counting it again costs
    // only the new elements.
    for (n = h->border + 1; !ttisnil(luaH_getnum(h, n)); n++) {}
    h->border = n - 1;
    setnilvalue(top);  // the last element read
    return n - 1;
  }
  lua_pushliteral(L, "n");
  lua_rawget(L, t);
  if ((n = checkint(L, 1)) >= 0) return n;
  getsizes(L);
  lua_pushvalue(L, t);
  lua_rawget(L, -2);
  if ((n = checkint(L, 2)) >= 0) return n;
  for (n = 1;; n++) {
    lua_rawgeti(L, t, n);
    if (lua_isnil(L, -1)) break;
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  return n - 1;
}

#define bufflen(B) ((size_t)((B)->p - (B)->buffer))
#define bufffree(B) ((size_t)(LUAL_BUFFERSIZE - bufflen(B)))
#define LIMIT (LUA_MINSTACK / 2)

static int emptybuffer(luaL_Buffer* B) {
  size_t l = bufflen(B);
  if (l == 0) return 0;
  if (B->wide)
    lua_pushlwstring(B->L, (const uint16_t*)(const void*)B->buffer, l / 2);
  else
    lua_pushlstring(B->L, B->buffer, l);
  B->p = B->buffer;
  B->lvl++;
  return 1;
}

static void adjuststack(luaL_Buffer* B) {
  if (B->lvl > 1) {
    lua_State* L = B->L;
    int toget = 1;
    size_t toplen = lua_strlen(L, -1);
    do {
      size_t l = lua_strlen(L, -(toget + 1));
      if (B->lvl - toget + 1 >= LIMIT || toplen > l) {
        toplen += l;
        toget++;
      } else {
        break;
      }
    } while (toget < B->lvl);
    lua_concat(L, toget);
    B->lvl = B->lvl - toget + 1;
  }
}

char* luaL_prepbuffer(luaL_Buffer* B) {
  if (emptybuffer(B)) adjuststack(B);
  return B->buffer;
}

void luaL_addlstring(luaL_Buffer* B, const char* s, size_t l) {
  while (l--) luaL_putchar(B, *s++);
}

void luaL_addstring(luaL_Buffer* B, const char* s) { luaL_addlstring(B, s, strlen(s)); }

void luaL_addlwstring(luaL_Buffer* B, const uint16_t* s, size_t n) {
  for (size_t i = 0; i < n; i++) {
    if (bufffree(B) < 2) luaL_prepbuffer(B);
    memcpy(B->p, &s[i], 2);
    B->p += 2;
  }
}

void luaL_pushresult(luaL_Buffer* B) {
  emptybuffer(B);
  if (B->lvl == 0 && B->wide) {
    // Nothing was added: concatenating no pieces would give a narrow empty string.
    static const uint16_t kNone = 0;
    lua_pushlwstring(B->L, &kNone, 0);
  } else {
    lua_concat(B->L, B->lvl);
  }
  B->lvl = 1;
}

void luaL_addvalue(luaL_Buffer* B) {
  lua_State* L = B->L;
  // A wide value has no 8-bit text; it is refused the way concatenating it would be.
  if (lua_type(L, -1) == LUA_TWSTRING) luaL_error(L, "attempt to concatenate a wstring value");
  size_t vl = lua_strlen(L, -1);
  if (vl <= bufffree(B)) {
    const char* s = lua_tostring(L, -1);
    if (vl) memcpy(B->p, s, vl);
    B->p += vl;
    lua_pop(L, 1);
  } else {
    if (emptybuffer(B)) lua_insert(L, -2);  // the flushed piece goes below the value
    B->lvl++;
    adjuststack(B);
  }
}

void luaL_buffinit(lua_State* L, luaL_Buffer* B) {
  B->L = L;
  B->p = B->buffer;
  B->lvl = 0;
  B->wide = 0;
}

void luaL_wbuffinit(lua_State* L, luaL_Buffer* B) {
  luaL_buffinit(L, B);
  B->wide = 1;
}

namespace {
struct LoadF {
  TFile* f;
  char buff[512];
};

struct LoadS {
  const char* s;
  size_t size;
};
}  // namespace

static const char* getF(lua_State*, void* ud, size_t* size) {
  LoadF* lf = (LoadF*)ud;
  if (FileEof(lf->f)) return nullptr;
  int32_t n = FileRead(lf->f, lf->buff, (int)sizeof(lf->buff));
  if (n <= 0) return nullptr;
  *size = (size_t)n;
  return lf->buff;
}

static int errfile(lua_State* L, int fnameindex) {
  const char* filename = lua_tostring(L, fnameindex) + 1;
  lua_pushfstring(L, "cannot read %s: %s", filename, strerror(errno));
  lua_remove(L, fnameindex);
  return LUA_ERRFILE;
}

int luaL_loadfile(lua_State* L, const char* filename) {
  LoadF lf;
  int fnameindex = lua_gettop(L) + 1;
  lua_pushfstring(L, "@%s", filename);
  errno = 0;
  lf.f = FileOpen(filename, 1);
  if (lf.f == nullptr) {
    if (errno == 0) errno = ENOENT;
    return errfile(L, fnameindex);
  }
  int c = FileGetC(lf.f);
  FileUngetC(lf.f);
  // A first byte that is neither blank nor printable (ESC of a precompiled chunk, the UTF-16
  // byte-order mark, or the end of the file) means binary reading. Classified as in the "C"
  // locale, so that a locale a script set cannot turn a byte-order mark into a letter.
  if (c < 0 || c >= 0x80 || !(isspace(c) || isprint(c))) {
    FileClose(lf.f);
    lf.f = FileOpen(filename, 0);
    if (lf.f == nullptr) {
      if (errno == 0) errno = ENOENT;
      return errfile(L, fnameindex);
    }
  }
  int status = lua_load(L, getF, &lf, lua_tostring(L, -1));
  int readstatus = FileError(lf.f);
  FileClose(lf.f);
  if (readstatus) {
    lua_settop(L, fnameindex);  // drops the loader's result
    if (errno == 0) errno = EIO;
    return errfile(L, fnameindex);
  }
  lua_remove(L, fnameindex);
  return status;
}

static const char* getS(lua_State*, void* ud, size_t* size) {
  LoadS* ls = (LoadS*)ud;
  if (ls->size == 0) return nullptr;
  *size = ls->size;
  ls->size = 0;
  return ls->s;
}

int luaL_loadbuffer(lua_State* L, const char* buff, size_t size, const char* name) {
  LoadS ls;
  ls.s = buff;
  ls.size = size;
  return lua_load(L, getS, &ls, name);
}

static int callalert(lua_State* L, int status) {
  if (status != 0) {
    lua_pushliteral(L, "_ALERT");
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (lua_isfunction(L, -1)) {
      lua_insert(L, -2);
      lua_call(L, 1, 0);
    } else {
      fprintf(stderr, "%s\n", lua_tostring(L, -2) ? lua_tostring(L, -2) : "(error object)");
      lua_pop(L, 2);
    }
  }
  return status;
}

static int aux_do(lua_State* L, int status) {
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  return callalert(L, status);
}

int lua_dobuffer(lua_State* L, const char* buff, size_t size, const char* name) {
  return aux_do(L, luaL_loadbuffer(L, buff, size, name));
}

int lua_dostring(lua_State* L, const char* str) { return lua_dobuffer(L, str, strlen(str), str); }
