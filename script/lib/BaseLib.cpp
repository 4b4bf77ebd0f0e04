// The base library (global functions of every script state) and the coroutine table, with
// wide-string support in print, tonumber, tostring, type and the added towstring.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/LuaLibs.h"

#define REQTAB "_LOADED"
#define LUA_PATH "LUA_PATH"
#define LUA_PATH_SEP ';'
#define LUA_PATH_MARK '?'
#define LUA_PATH_DEFAULT "?;?.lua"

static void WriteWide(const uint16_t* s, FILE* f) {
  mbstate_t state;
  memset(&state, 0, sizeof(state));
  char buf[MB_LEN_MAX];
  for (; *s != 0; s++) {
    size_t n = wcrtomb(buf, (wchar_t)*s, &state);
    if (n == (size_t)-1) {
      memset(&state, 0, sizeof(state));
      fputc('?', f);
    } else {
      fwrite(buf, 1, n, f);
    }
  }
}

static int luaB_print(lua_State* L) {
  int n = lua_gettop(L);
  lua_pushliteral(L, "towstring");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushliteral(L, "tostring");
  lua_gettable(L, LUA_GLOBALSINDEX);
  int towstr = n + 1, tostr = n + 2;
  for (int i = 1; i <= n; i++) {
    int wide = lua_type(L, i) == LUA_TWSTRING;
    lua_pushvalue(L, wide ? towstr : tostr);
    lua_pushvalue(L, i);
    lua_call(L, 1, 1);
    int t = lua_type(L, -1);
    if (wide ? (t != LUA_TWSTRING && t != LUA_TNUMBER) : (t != LUA_TSTRING && t != LUA_TNUMBER))
      return luaL_error(L, "`tostring' must return a string to `print'");
    if (i > 1) fputs("\t", stdout);
    if (wide) {
      WriteWide(lua_towstring(L, -1), stdout);
    } else {
      size_t l;
      const char* s = lua_tostring(L, -1);
      l = lua_strlen(L, -1);
      fwrite(s, 1, l, stdout);
    }
    lua_pop(L, 1);
  }
  fputs("\n", stdout);
  return 0;
}

static int luaB_tonumber(lua_State* L) {
  int base = luaL_optint(L, 2, 10);
  if (base == 10) {
    luaL_checkany(L, 1);
    if (lua_isnumber(L, 1)) {
      lua_pushnumber(L, lua_tonumber(L, 1));
      return 1;
    }
  } else {
    char narrow[100];
    const char* s1;
    if (lua_type(L, 1) == LUA_TWSTRING) {
      size_t len;
      const uint16_t* w = lua_towstring(L, 1);
      len = lua_strlen(L, 1);
      if (len > 99) {
        lua_pushnil(L);
        return 1;
      }
      for (size_t i = 0; i < len; i++) narrow[i] = (char)(w[i] & 0xFF);
      narrow[len] = 0;
      s1 = narrow;
    } else {
      s1 = luaL_checkstring(L, 1);
    }
    luaL_argcheck(L, 2 <= base && base <= 36, 2, "base out of range");
    char* s2;
    unsigned long n = strtoul(s1, &s2, base);
    if (s1 != s2) {
      while (isspace((unsigned char)*s2)) s2++;
      if (*s2 == '\0') {
        lua_pushnumber(L, (lua_Number)n);
        return 1;
      }
    }
  }
  lua_pushnil(L);
  return 1;
}

static int luaB_error(lua_State* L) {
  int level = luaL_optint(L, 2, 1);
  luaL_checkany(L, 1);
  int t = lua_type(L, 1);
  // Only 8-bit text gets a position; a wide message would not join the narrow prefix.
  if ((t != LUA_TSTRING && t != LUA_TNUMBER) || level == 0) {
    lua_pushvalue(L, 1);
  } else {
    luaL_where(L, level);
    lua_pushvalue(L, 1);
    lua_concat(L, 2);
  }
  return lua_error(L);
}

static int luaB_getmetatable(lua_State* L) {
  luaL_checkany(L, 1);
  if (!lua_getmetatable(L, 1)) {
    lua_pushnil(L);
    return 1;
  }
  luaL_getmetafield(L, 1, "__metatable");
  return 1;
}

static int luaB_setmetatable(lua_State* L) {
  int t = lua_type(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_argcheck(L, t == LUA_TNIL || t == LUA_TTABLE, 2, "nil or table expected");
  if (luaL_getmetafield(L, 1, "__metatable")) luaL_error(L, "cannot change a protected metatable");
  lua_settop(L, 2);
  lua_setmetatable(L, 1);
  return 1;
}

static void getfunc(lua_State* L) {
  if (lua_isfunction(L, 1)) {
    lua_pushvalue(L, 1);
  } else {
    lua_Debug ar;
    int level = luaL_optint(L, 1, 1);
    luaL_argcheck(L, level >= 0, 1, "level must be non-negative");
    if (lua_getstack(L, level, &ar) == 0) luaL_argerror(L, 1, "invalid level");
    lua_getinfo(L, "f", &ar);
    if (lua_isnil(L, -1)) luaL_error(L, "no function environment for tail call at level %d", level);
  }
}

static int aux_getfenv(lua_State* L) {
  lua_getfenv(L, -1);
  lua_pushliteral(L, "__fenv");
  lua_rawget(L, -2);
  return !lua_isnil(L, -1);
}

static int luaB_getfenv(lua_State* L) {
  getfunc(L);
  if (!aux_getfenv(L)) lua_pop(L, 1);  // no __fenv: the real environment
  return 1;
}

static int luaB_setfenv(lua_State* L) {
  luaL_checktype(L, 2, LUA_TTABLE);
  getfunc(L);
  if (aux_getfenv(L)) luaL_error(L, "`setfenv' cannot change a protected environment");
  lua_pop(L, 2);
  lua_pushvalue(L, 2);
  if (lua_isnumber(L, 1) && lua_tonumber(L, 1) == 0)
    lua_replace(L, LUA_GLOBALSINDEX);
  else if (lua_setfenv(L, -2) == 0)
    luaL_error(L, "`setfenv' cannot change environment of given function");
  return 0;
}

static int luaB_rawequal(lua_State* L) {
  luaL_checkany(L, 1);
  luaL_checkany(L, 2);
  lua_pushboolean(L, lua_rawequal(L, 1, 2));
  return 1;
}

static int luaB_rawget(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  lua_settop(L, 2);
  lua_rawget(L, 1);
  return 1;
}

static int luaB_rawset(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  luaL_checkany(L, 3);
  lua_settop(L, 3);
  lua_rawset(L, 1);
  return 1;
}

static int luaB_gcinfo(lua_State* L) {
  lua_pushnumber(L, (lua_Number)lua_getgccount(L));
  lua_pushnumber(L, (lua_Number)lua_getgcthreshold(L));
  return 2;
}

static int luaB_collectgarbage(lua_State* L) {
  lua_setgcthreshold(L, luaL_optint(L, 1, 0));
  return 0;
}

static int luaB_type(lua_State* L) {
  luaL_checkany(L, 1);
  lua_pushstring(L, lua_typename(L, lua_type(L, 1)));
  return 1;
}

static int luaB_next(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_settop(L, 2);
  if (lua_next(L, 1)) return 2;
  lua_pushnil(L);
  return 1;
}

static int luaB_pairs(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_pushliteral(L, "next");
  lua_rawget(L, LUA_GLOBALSINDEX);
  lua_pushvalue(L, 1);
  lua_pushnil(L);
  return 3;
}

static int luaB_ipairs(lua_State* L) {
  lua_Number i = lua_tonumber(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  if (i == 0 && lua_isnone(L, 2)) {  // the loop's start
    lua_pushliteral(L, "ipairs");
    lua_rawget(L, LUA_GLOBALSINDEX);
    lua_pushvalue(L, 1);
    lua_pushnumber(L, 0);
    return 3;
  }
  i++;
  lua_pushnumber(L, i);
  lua_rawgeti(L, 1, lua_number2int32(i));
  return lua_isnil(L, -1) ? 0 : 2;
}

static int load_aux(lua_State* L, int status) {
  if (status == 0) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

static int luaB_loadstring(lua_State* L) {
  size_t l;
  const char* s = luaL_checklstring(L, 1, &l);
  const char* chunkname = luaL_optstring(L, 2, s);
  return load_aux(L, luaL_loadbuffer(L, s, l, chunkname));
}

static int luaB_loadfile(lua_State* L) {
  const char* fname = luaL_checkstring(L, 1);
  return load_aux(L, luaL_loadfile(L, fname));
}

static int luaB_dofile(lua_State* L) {
  const char* fname = luaL_checkstring(L, 1);
  lua_settop(L, 1);
  int status = luaL_loadfile(L, fname);
  if (status != 0) {
    // Name the line that asked for the file: the loader's message alone does not.
    luaL_where(L, 1);
    lua_insert(L, -2);
    lua_concat(L, 2);
    lua_error(L);
  }
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - 1;
}

static int luaB_assert(lua_State* L) {
  luaL_checkany(L, 1);
  if (!lua_toboolean(L, 1)) return luaL_error(L, "%s", luaL_optstring(L, 2, "assertion failed!"));
  lua_settop(L, 1);
  return 1;
}

static int luaB_unpack(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  int n = luaL_getn(L, 1);
  luaL_checkstack(L, n, "table too big to unpack");
  for (int i = 1; i <= n; i++) lua_rawgeti(L, 1, i);
  return n;
}

static int luaB_pcall(lua_State* L) {
  luaL_checkany(L, 1);
  int status = lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0);
  lua_pushboolean(L, (status == 0));
  lua_insert(L, 1);
  return lua_gettop(L);
}

static int luaB_xpcall(lua_State* L) {
  luaL_checkany(L, 2);
  lua_settop(L, 2);
  lua_insert(L, 1);  // the handler goes below the function
  int status = lua_pcall(L, 0, LUA_MULTRET, 1);
  lua_pushboolean(L, (status == 0));
  lua_replace(L, 1);
  return lua_gettop(L);
}

static int luaB_tostring(lua_State* L) {
  char buff[128];
  luaL_checkany(L, 1);
  if (luaL_callmeta(L, 1, "__tostring")) return 1;
  switch (lua_type(L, 1)) {
    case LUA_TNUMBER: lua_pushstring(L, lua_tostring(L, 1)); return 1;
    case LUA_TSTRING: lua_pushvalue(L, 1); return 1;
    case LUA_TWSTRING: {
      // The low byte of each unit.
      const uint16_t* w = lua_towstring(L, 1);
      size_t n = lua_strlen(L, 1);
      luaL_Buffer b;
      luaL_buffinit(L, &b);
      for (size_t i = 0; i < n; i++) luaL_putchar(&b, (char)(w[i] & 0xFF));
      luaL_pushresult(&b);
      return 1;
    }
    case LUA_TBOOLEAN: lua_pushstring(L, (lua_toboolean(L, 1) ? "true" : "false")); return 1;
    case LUA_TTABLE: snprintf(buff, sizeof(buff), "table: %p", lua_topointer(L, 1)); break;
    case LUA_TFUNCTION: snprintf(buff, sizeof(buff), "function: %p", lua_topointer(L, 1)); break;
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA:
      snprintf(buff, sizeof(buff), "userdata: %p", lua_touserdata(L, 1));
      break;
    case LUA_TTHREAD: snprintf(buff, sizeof(buff), "thread: %p", (void*)lua_tothread(L, 1)); break;
    default: lua_pushliteral(L, "nil"); return 1;
  }
  lua_pushstring(L, buff);
  return 1;
}

// Each byte becomes one unit, taken as a signed 8-bit value.
static void PushWidened(lua_State* L, const char* s, size_t n) {
  luaL_Buffer b;
  luaL_wbuffinit(L, &b);
  for (size_t i = 0; i < n; i++) {
    uint16_t u = (uint16_t)(int16_t)(signed char)s[i];
    luaL_addlwstring(&b, &u, 1);
  }
  luaL_pushresult(&b);
  if (n == 0) lua_pushlwstring(L, nullptr, 0);
}

static int luaB_towstring(lua_State* L) {
  char buff[128];
  switch (lua_type(L, 1)) {
    case LUA_TWSTRING: lua_pushvalue(L, 1); return 1;
    case LUA_TNUMBER:
      lua_pushvalue(L, 1);
      lua_towstring(L, -1);
      return 1;
    case LUA_TSTRING: {
      size_t n;
      const char* s = lua_tostring(L, 1);
      n = lua_strlen(L, 1);
      PushWidened(L, s, n);
      return 1;
    }
    case LUA_TTABLE: snprintf(buff, sizeof(buff), "%.40s: %p", "table", lua_topointer(L, 1)); break;
    case LUA_TFUNCTION: snprintf(buff, sizeof(buff), "function: %p", lua_topointer(L, 1)); break;
    case LUA_TUSERDATA: snprintf(buff, sizeof(buff), "userdata: %p", lua_touserdata(L, 1)); break;
    case LUA_TTHREAD: snprintf(buff, sizeof(buff), "thread: %p", (void*)lua_tothread(L, 1)); break;
    case LUA_TNIL: lua_pushliteral(L, "nil"); return 1;
    default: return luaL_argerror(L, 1, "value expected");
  }
  PushWidened(L, buff, strlen(buff));
  return 1;
}

static int luaB_newproxy(lua_State* L) {
  lua_settop(L, 1);
  lua_newuserdata(L, 0);
  if (lua_toboolean(L, 1) == 0) return 1;  // keeps the metatable every userdata starts with
  if (lua_isboolean(L, 1)) {
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_pushboolean(L, 1);
    lua_rawset(L, lua_upvalueindex(1));  // marks the new metatable as made here
  } else {
    int validproxy = 0;
    if (lua_type(L, 1) == LUA_TUSERDATA && lua_getmetatable(L, 1)) {
      lua_rawget(L, lua_upvalueindex(1));
      validproxy = lua_toboolean(L, -1);
      lua_pop(L, 1);
    }
    luaL_argcheck(L, validproxy, 1, "boolean or proxy expected");
    lua_getmetatable(L, 1);
  }
  lua_setmetatable(L, 2);
  return 1;
}

// Pushes the search path; it stays on the stack so that the text lives while it is read.
static const char* pushpath(lua_State* L) {
  lua_pushliteral(L, LUA_PATH);
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (lua_type(L, -1) == LUA_TSTRING) return lua_tostring(L, -1);
  lua_pop(L, 1);
  const char* env = getenv(LUA_PATH);
  lua_pushstring(L, env ? env : LUA_PATH_DEFAULT);
  return lua_tostring(L, -1);
}

static const char* pushnextpath(lua_State* L, const char* path) {
  if (*path == '\0') return nullptr;
  if (*path == LUA_PATH_SEP) path++;
  const char* l = strchr(path, LUA_PATH_SEP);
  if (l == nullptr) l = path + strlen(path);
  lua_pushlstring(L, path, (size_t)(l - path));
  return l;
}

static void pushcomposename(lua_State* L) {
  const char* path = lua_tostring(L, -1);
  const char* wild;
  int n = 1;
  while ((wild = strchr(path, LUA_PATH_MARK)) != nullptr) {
    luaL_checkstack(L, 3, "too many marks in a path component");
    lua_pushlstring(L, path, (size_t)(wild - path));
    lua_pushvalue(L, 1);
    path = wild + 1;
    n += 2;
  }
  lua_pushstring(L, path);
  lua_concat(L, n);
}

static int luaB_require(lua_State* L) {
  int status = LUA_ERRFILE;
  luaL_checkstring(L, 1);
  lua_settop(L, 1);
  lua_pushliteral(L, REQTAB);
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (!lua_istable(L, 2)) return luaL_error(L, "`" REQTAB "' is not a table");
  const char* path = pushpath(L);  // index 3
  lua_pushvalue(L, 1);
  lua_rawget(L, 2);
  if (lua_toboolean(L, -1)) return 1;  // already loaded
  while (status == LUA_ERRFILE) {
    lua_settop(L, 4);
    if ((path = pushnextpath(L, path)) == nullptr) break;
    pushcomposename(L);
    status = luaL_loadfile(L, lua_tostring(L, -1));
  }
  switch (status) {
    case 0: {
      lua_pushliteral(L, "_REQUIREDNAME");
      lua_gettable(L, LUA_GLOBALSINDEX);  // the previous name
      lua_insert(L, -2);
      lua_pushliteral(L, "_REQUIREDNAME");
      lua_pushvalue(L, 1);
      lua_settable(L, LUA_GLOBALSINDEX);
      lua_call(L, 0, 1);
      lua_insert(L, -2);
      lua_pushliteral(L, "_REQUIREDNAME");
      lua_insert(L, -2);
      lua_settable(L, LUA_GLOBALSINDEX);  // the previous name back
      if (lua_isnil(L, -1)) {
        lua_pushboolean(L, 1);
        lua_replace(L, -2);
      }
      lua_pushvalue(L, 1);
      lua_pushvalue(L, -2);
      lua_rawset(L, 2);
      return 1;
    }
    case LUA_ERRFILE:
      return luaL_error(L, "could not load package `%s' from path `%s'", lua_tostring(L, 1),
                        lua_tostring(L, 3));
    default:
      return luaL_error(L, "error loading package `%s' (%s)", lua_tostring(L, 1),
                        lua_tostring(L, -1));
  }
}

static const luaL_reg base_funcs[] = {{"error", luaB_error},
                                      {"getmetatable", luaB_getmetatable},
                                      {"setmetatable", luaB_setmetatable},
                                      {"getfenv", luaB_getfenv},
                                      {"setfenv", luaB_setfenv},
                                      {"next", luaB_next},
                                      {"ipairs", luaB_ipairs},
                                      {"pairs", luaB_pairs},
                                      {"print", luaB_print},
                                      {"tonumber", luaB_tonumber},
                                      {"tostring", luaB_tostring},
                                      {"towstring", luaB_towstring},
                                      {"type", luaB_type},
                                      {"assert", luaB_assert},
                                      {"unpack", luaB_unpack},
                                      {"rawequal", luaB_rawequal},
                                      {"rawget", luaB_rawget},
                                      {"rawset", luaB_rawset},
                                      {"pcall", luaB_pcall},
                                      {"xpcall", luaB_xpcall},
                                      {"collectgarbage", luaB_collectgarbage},
                                      {"gcinfo", luaB_gcinfo},
                                      {"loadfile", luaB_loadfile},
                                      {"dofile", luaB_dofile},
                                      {"loadstring", luaB_loadstring},
                                      {"require", luaB_require},
                                      {nullptr, nullptr}};

static int auxresume(lua_State* L, lua_State* co, int narg) {
  if (!lua_checkstack(co, narg)) luaL_error(L, "too many arguments to resume");
  lua_xmove(L, co, narg);
  int status = lua_resume(co, narg);
  if (status == 0) {
    int nres = lua_gettop(co);
    if (!lua_checkstack(L, nres)) luaL_error(L, "too many results to resume");
    lua_xmove(co, L, nres);
    return nres;
  }
  lua_xmove(co, L, 1);  // the error message
  return -1;
}

static int luaB_coresume(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  int r = auxresume(L, co, lua_gettop(L) - 1);
  if (r < 0) {
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;
  }
  lua_pushboolean(L, 1);
  lua_insert(L, -(r + 1));
  return r + 1;
}

static int luaB_auxwrap(lua_State* L) {
  lua_State* co = lua_tothread(L, lua_upvalueindex(1));
  int r = auxresume(L, co, lua_gettop(L));
  if (r < 0) {
    if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) {
      luaL_where(L, 1);
      lua_insert(L, -2);
      lua_concat(L, 2);
    }
    lua_error(L);
  }
  return r;
}

static int luaB_cocreate(lua_State* L) {
  luaL_argcheck(L, lua_isfunction(L, 1) && !lua_iscfunction(L, 1), 1, "Lua function expected");
  lua_State* NL = lua_newthread(L);
  lua_pushvalue(L, 1);
  lua_xmove(L, NL, 1);
  return 1;
}

static int luaB_cowrap(lua_State* L) {
  luaB_cocreate(L);
  lua_pushcclosure(L, luaB_auxwrap, 1);
  return 1;
}

static int luaB_yield(lua_State* L) { return lua_yield(L, lua_gettop(L)); }

static int luaB_costatus(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  if (L == co) {
    lua_pushliteral(L, "running");
  } else {
    lua_Debug ar;
    if (lua_getstack(co, 0, &ar) == 0 && lua_gettop(co) == 0)
      lua_pushliteral(L, "dead");
    else
      lua_pushliteral(L, "suspended");
  }
  return 1;
}

static const luaL_reg co_funcs[] = {{"create", luaB_cocreate}, {"wrap", luaB_cowrap},
                                    {"resume", luaB_coresume}, {"yield", luaB_yield},
                                    {"status", luaB_costatus}, {nullptr, nullptr}};

static void base_open(lua_State* L) {
  lua_pushliteral(L, "_G");
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  luaL_openlib(L, nullptr, base_funcs, 0);
  lua_pushliteral(L, "_VERSION");
  lua_pushliteral(L, LUA_VERSION);
  lua_rawset(L, -3);
  lua_pushliteral(L, "newproxy");
  lua_newtable(L);  // marks the metatables newproxy made; weak keys, its own metatable
  lua_pushvalue(L, -1);
  lua_setmetatable(L, -2);
  lua_pushliteral(L, "__mode");
  lua_pushliteral(L, "k");
  lua_rawset(L, -3);
  lua_pushcclosure(L, luaB_newproxy, 1);
  lua_rawset(L, -3);
  lua_rawset(L, -1);  // _G._G = _G
}

int luaopen_base(lua_State* L) {
  static const char* const typekeys[] = {"_nil",    "_boolean", "_lightuserdata", "_number",
                                         "_string", "_table",   "_function",      "_userdata",
                                         "_thread", "_wstring"};
  int top = lua_gettop(L);
  base_open(L);
  luaL_openlib(L, LUA_COLIBNAME, co_funcs, 0);
  lua_settop(L, top);
  lua_pushliteral(L, REQTAB);
  lua_newtable(L);
  lua_settable(L, LUA_GLOBALSINDEX);
  for (int tag = 1; tag <= LUA_TWSTRING; tag++) {
    lua_pushstring(L, typekeys[tag]);
    lua_pushtypetable(L, tag);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
  return 0;
}
