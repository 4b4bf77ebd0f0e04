// The math library: the C library's functions over numbers, random numbers from the
// C-runtime-style generator, and the global __pow that the power operator calls.
#include <cmath>

#include "core/CrtRandom.h"
#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/lib/LibUtil.h"

namespace {

const double kPi = 3.14159265358979323846;
const double kRadiansPerDegree = kPi / 180.0;

int math_abs(lua_State* L) {
  lua_pushnumber(L, fabs(luaL_checknumber(L, 1)));
  return 1;
}

int math_sin(lua_State* L) {
  lua_pushnumber(L, sin(luaL_checknumber(L, 1)));
  return 1;
}

int math_cos(lua_State* L) {
  lua_pushnumber(L, cos(luaL_checknumber(L, 1)));
  return 1;
}

int math_tan(lua_State* L) {
  lua_pushnumber(L, tan(luaL_checknumber(L, 1)));
  return 1;
}

int math_asin(lua_State* L) {
  lua_pushnumber(L, asin(luaL_checknumber(L, 1)));
  return 1;
}

int math_acos(lua_State* L) {
  lua_pushnumber(L, acos(luaL_checknumber(L, 1)));
  return 1;
}

int math_atan(lua_State* L) {
  lua_pushnumber(L, atan(luaL_checknumber(L, 1)));
  return 1;
}

int math_atan2(lua_State* L) {
  lua_pushnumber(L, atan2(luaL_checknumber(L, 1), luaL_checknumber(L, 2)));
  return 1;
}

int math_ceil(lua_State* L) {
  lua_pushnumber(L, ceil(luaL_checknumber(L, 1)));
  return 1;
}

int math_floor(lua_State* L) {
  lua_pushnumber(L, floor(luaL_checknumber(L, 1)));
  return 1;
}

int math_mod(lua_State* L) {
  lua_pushnumber(L, fmod(luaL_checknumber(L, 1), luaL_checknumber(L, 2)));
  return 1;
}

int math_sqrt(lua_State* L) {
  lua_pushnumber(L, sqrt(luaL_checknumber(L, 1)));
  return 1;
}

int math_pow(lua_State* L) {
  lua_pushnumber(L, pow(luaL_checknumber(L, 1), luaL_checknumber(L, 2)));
  return 1;
}

int math_log(lua_State* L) {
  lua_pushnumber(L, log(luaL_checknumber(L, 1)));
  return 1;
}

int math_log10(lua_State* L) {
  lua_pushnumber(L, log10(luaL_checknumber(L, 1)));
  return 1;
}

int math_exp(lua_State* L) {
  lua_pushnumber(L, exp(luaL_checknumber(L, 1)));
  return 1;
}

int math_deg(lua_State* L) {
  lua_pushnumber(L, luaL_checknumber(L, 1) / kRadiansPerDegree);
  return 1;
}

int math_rad(lua_State* L) {
  lua_pushnumber(L, luaL_checknumber(L, 1) * kRadiansPerDegree);
  return 1;
}

int math_frexp(lua_State* L) {
  int e;
  lua_pushnumber(L, frexp(luaL_checknumber(L, 1), &e));
  lua_pushnumber(L, e);
  return 2;
}

int math_ldexp(lua_State* L) {
  lua_pushnumber(L, ldexp(luaL_checknumber(L, 1), luaL_checkint(L, 2)));
  return 1;
}

int math_min(lua_State* L) {
  int n = lua_gettop(L);
  lua_Number dmin = luaL_checknumber(L, 1);
  for (int i = 2; i <= n; i++) {
    lua_Number d = luaL_checknumber(L, i);
    if (d < dmin) dmin = d;
  }
  lua_pushnumber(L, dmin);
  return 1;
}

int math_max(lua_State* L) {
  int n = lua_gettop(L);
  lua_Number dmax = luaL_checknumber(L, 1);
  for (int i = 2; i <= n; i++) {
    lua_Number d = luaL_checknumber(L, i);
    if (d > dmax) dmax = d;
  }
  lua_pushnumber(L, dmax);
  return 1;
}

int math_random(lua_State* L) {
  // The generator's range is 0..32767; the modulo keeps r strictly below 1.
  lua_Number r = (lua_Number)(CrtRand() % kCrtRandMax) / (lua_Number)kCrtRandMax;
  switch (lua_gettop(L)) {
    case 0: lua_pushnumber(L, r); break;
    case 1: {
      lua_Number u = (lua_Number)luaL_checkint(L, 1);
      luaL_argcheck(L, 1 <= u, 1, "interval is empty");
      lua_pushnumber(L, floor(r * u) + 1);
      break;
    }
    case 2: {
      lua_Number l = (lua_Number)luaL_checkint(L, 1);
      lua_Number u = (lua_Number)luaL_checkint(L, 2);
      luaL_argcheck(L, l <= u, 2, "interval is empty");
      lua_pushnumber(L, floor(r * (u - l + 1)) + l);
      break;
    }
    default: return luaL_error(L, "wrong number of arguments");
  }
  return 1;
}

int math_randomseed(lua_State* L) {
  CrtSrand((uint32_t)luaL_checkint(L, 1));
  return 0;
}

const luaL_reg mathlib[] = {
    {"abs", math_abs},     {"sin", math_sin},       {"cos", math_cos},
    {"tan", math_tan},     {"asin", math_asin},     {"acos", math_acos},
    {"atan", math_atan},   {"atan2", math_atan2},   {"ceil", math_ceil},
    {"floor", math_floor}, {"mod", math_mod},       {"frexp", math_frexp},
    {"ldexp", math_ldexp}, {"sqrt", math_sqrt},     {"min", math_min},
    {"max", math_max},     {"log", math_log},       {"log10", math_log10},
    {"exp", math_exp},     {"deg", math_deg},       {"rad", math_rad},
    {"pow", math_pow},     {"random", math_random}, {"randomseed", math_randomseed},
    {nullptr, nullptr}};

}  // namespace

int luaopen_math(lua_State* L) {
  luaL_openlib(L, LUA_MATHLIBNAME, mathlib, 0);
  lua_pushliteral(L, "pi");
  lua_pushnumber(L, kPi);
  lua_settable(L, -3);
  lua_pushliteral(L, "__pow");
  lua_pushcfunction(L, math_pow);
  lua_settable(L, LUA_GLOBALSINDEX);
  return 1;
}
