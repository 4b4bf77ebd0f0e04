// The os library: clock, date and time, environment, process and file-system calls. Opened
// together with io.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/lib/LibUtil.h"

namespace {

// A script number as a time value; out-of-range values become the "no time" marker.
time_t ToTime(lua_Number d) {
  if (d != d || d >= 9.0e18 || d <= -9.0e18) return (time_t)-1;
  return (time_t)d;
}

int os_execute(lua_State* L) {
  const char* cmd = luaL_optstring(L, 1, nullptr);
  fflush(nullptr);
  lua_pushnumber(L, system(cmd));
  return 1;
}

int os_remove(lua_State* L) {
  const char* filename = luaL_checkstring(L, 1);
  return PushResult(L, remove(filename) == 0, filename);
}

int os_rename(lua_State* L) {
  const char* fromname = luaL_checkstring(L, 1);
  const char* toname = luaL_checkstring(L, 2);
  return PushResult(L, rename(fromname, toname) == 0, fromname);
}

// The name is reserved by creating the file, so no other process can take it in between.
int os_tmpname(lua_State* L) {
  char buff[] = "/tmp/script_XXXXXX";
  int fd = mkstemp(buff);
  if (fd == -1) return luaL_error(L, "unable to generate a unique filename in `tmpname'");
  close(fd);
  lua_pushstring(L, buff);
  return 1;
}

int os_getenv(lua_State* L) {
  const char* value = getenv(luaL_checkstring(L, 1));
  if (value)
    lua_pushstring(L, value);
  else
    lua_pushnil(L);
  return 1;
}

int os_clock(lua_State* L) {
  lua_pushnumber(L, ((lua_Number)clock()) / (lua_Number)CLOCKS_PER_SEC);
  return 1;
}

void SetField(lua_State* L, const char* key, int value) {
  lua_pushstring(L, key);
  lua_pushnumber(L, value);
  lua_rawset(L, -3);
}

void SetBoolField(lua_State* L, const char* key, int value) {
  lua_pushstring(L, key);
  lua_pushboolean(L, value);
  lua_rawset(L, -3);
}

// A date field, kept in a range where the offsets applied to it cannot overflow.
int GetField(lua_State* L, const char* key, int d) {
  int res;
  lua_pushstring(L, key);
  lua_gettable(L, -2);
  if (lua_isnumber(L, -1)) {
    int64_t v = LibToInteger(lua_tonumber(L, -1));
    const int64_t limit = INT_MAX / 2;
    res = (int)(v > limit ? limit : (v < -limit ? -limit : v));
  } else {
    if (d == -2) return luaL_error(L, "field `%s' missing in date table", key);
    res = d;
  }
  lua_pop(L, 1);
  return res;
}

int GetBoolField(lua_State* L, const char* key) {
  lua_pushstring(L, key);
  lua_gettable(L, -2);
  int res = lua_toboolean(L, -1);
  lua_pop(L, 1);
  return res;
}

int os_date(lua_State* L) {
  const char* s = luaL_optstring(L, 1, "%c");
  time_t t = ToTime(luaL_optnumber(L, 2, -1));
  if (t == (time_t)-1) t = time(nullptr);
  struct tm tmr;
  struct tm* stm;
  if (*s == '!') {
    stm = gmtime_r(&t, &tmr);
    s++;
  } else {
    stm = localtime_r(&t, &tmr);
  }
  if (stm == nullptr) {
    lua_pushnil(L);
  } else if (strcmp(s, "*t") == 0) {
    lua_newtable(L);
    SetField(L, "sec", stm->tm_sec);
    SetField(L, "min", stm->tm_min);
    SetField(L, "hour", stm->tm_hour);
    SetField(L, "day", stm->tm_mday);
    SetField(L, "month", stm->tm_mon + 1);
    SetField(L, "year", stm->tm_year + 1900);
    SetField(L, "wday", stm->tm_wday + 1);
    SetField(L, "yday", stm->tm_yday + 1);
    SetBoolField(L, "isdst", stm->tm_isdst);
  } else {
    // A leading blank tells an empty result (a valid date text) from one that did not fit.
    std::string fmt = std::string(" ") + s;
    char b[257];
    size_t n = strftime(b, sizeof b, fmt.c_str(), stm);
    if (n == 0) return luaL_error(L, "`date' format too long");
    lua_pushlstring(L, b + 1, n - 1);
  }
  return 1;
}

int os_time(lua_State* L) {
  if (lua_isnoneornil(L, 1)) {
    lua_pushnumber(L, (lua_Number)time(nullptr));
    return 1;
  }
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_settop(L, 1);
  struct tm ts;
  memset(&ts, 0, sizeof ts);
  ts.tm_sec = GetField(L, "sec", 0);
  ts.tm_min = GetField(L, "min", 0);
  ts.tm_hour = GetField(L, "hour", 12);
  ts.tm_mday = GetField(L, "day", -2);
  ts.tm_mon = GetField(L, "month", -2) - 1;
  ts.tm_year = GetField(L, "year", -2) - 1900;
  ts.tm_isdst = GetBoolField(L, "isdst");
  time_t t = mktime(&ts);
  if (t == (time_t)-1)
    lua_pushnil(L);
  else
    lua_pushnumber(L, (lua_Number)t);
  return 1;
}

int os_difftime(lua_State* L) {
  lua_pushnumber(L, difftime(ToTime(luaL_checknumber(L, 1)), ToTime(luaL_optnumber(L, 2, 0))));
  return 1;
}

int os_setlocale(lua_State* L) {
  static const int cat[] = {LC_ALL, LC_COLLATE, LC_CTYPE, LC_MONETARY, LC_NUMERIC, LC_TIME};
  static const char* const catnames[] = {"all",     "collate", "ctype", "monetary",
                                         "numeric", "time",    nullptr};
  const char* l = lua_tostring(L, 1);
  int op = luaL_findstring(luaL_optstring(L, 2, "all"), catnames);
  luaL_argcheck(L, l || lua_isnoneornil(L, 1), 1, "string expected");
  luaL_argcheck(L, op != -1, 2, "invalid option");
  const char* res = setlocale(cat[op], l);
  if (res)
    lua_pushstring(L, res);
  else
    lua_pushnil(L);
  return 1;
}

int os_exit(lua_State* L) {
  int status = lua_isnoneornil(L, 1) ? EXIT_SUCCESS : luaL_checkint(L, 1);
  fflush(nullptr);
  exit(status);
}

const luaL_reg oslib[] = {
    {"clock", os_clock},     {"date", os_date},       {"difftime", os_difftime},
    {"execute", os_execute}, {"exit", os_exit},       {"getenv", os_getenv},
    {"remove", os_remove},   {"rename", os_rename},   {"setlocale", os_setlocale},
    {"time", os_time},       {"tmpname", os_tmpname}, {nullptr, nullptr}};

}  // namespace

void luaI_openos(lua_State* L) {
  luaL_openlib(L, LUA_OSLIBNAME, oslib, 0);
  lua_pop(L, 1);
}
