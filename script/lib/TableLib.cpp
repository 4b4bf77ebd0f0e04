// The table library: concat, foreach, foreachi, getn, setn, sort, insert and remove, with sizes
// from luaL_getn / luaL_setn.
#include <climits>

#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/lib/LibUtil.h"

namespace {

int aux_getn(lua_State* L, int n) {
  luaL_checktype(L, n, LUA_TTABLE);
  return luaL_getn(L, n);
}

int tbl_foreachi(lua_State* L) {
  int64_t n = aux_getn(L, 1);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  for (int64_t i = 1; i <= n; i++) {
    lua_pushvalue(L, 2);
    lua_pushnumber(L, (lua_Number)i);
    lua_rawgeti(L, 1, (int)i);
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 1);
  }
  return 0;
}

int tbl_foreach(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_pushnil(L);
  while (lua_next(L, 1)) {
    lua_pushvalue(L, 2);
    lua_pushvalue(L, -3);  // key
    lua_pushvalue(L, -3);  // value
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 2);  // result and value; the key stays for next
  }
  return 0;
}

int tbl_getn(lua_State* L) {
  lua_pushnumber(L, (lua_Number)aux_getn(L, 1));
  return 1;
}

int tbl_setn(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_setn(L, 1, luaL_checkint(L, 2));
  return 0;
}

// t[i] for any integer i; lua_rawgeti takes an int, and a wrapped index would reach another
// element.
void RawGetIndex(lua_State* L, int t, int64_t i) {
  if (i >= INT_MIN && i <= INT_MAX) {
    lua_rawgeti(L, t, (int)i);
  } else {
    lua_pushnumber(L, (lua_Number)i);
    lua_rawget(L, t);
  }
}

// t[i] = the value on top, which is popped.
void RawSetIndex(lua_State* L, int t, int64_t i) {
  if (i >= INT_MIN && i <= INT_MAX) {
    lua_rawseti(L, t, (int)i);
  } else {
    lua_pushnumber(L, (lua_Number)i);
    lua_insert(L, -2);
    lua_rawset(L, t);
  }
}

// Sizes and positions are 32-bit; the arithmetic on them is done in 64 bits so that extreme
// positions cannot overflow.
int tbl_insert(lua_State* L) {
  int v = lua_gettop(L);
  int64_t n = (int64_t)aux_getn(L, 1) + 1;
  int64_t pos;
  if (v == 2) {
    pos = n;
  } else {
    pos = LibCheckInteger(L, 2);
    if (pos > n) n = pos;  // grows the size up to pos
    v = 3;
  }
  luaL_setn(L, 1, (int)(n > INT_MAX ? INT_MAX : n));
  while (--n >= pos) {
    RawGetIndex(L, 1, n);
    RawSetIndex(L, 1, n + 1);
  }
  lua_pushvalue(L, v);
  RawSetIndex(L, 1, pos);
  return 0;
}

int tbl_remove(lua_State* L) {
  int n = aux_getn(L, 1);
  int64_t pos = LibOptInteger(L, 2, n);
  if (n <= 0) return 0;
  // A position outside the elements removes nothing: shifting from there would drop the last
  // element or move the first one below 1.
  if (pos < 1 || pos > n) return 0;
  luaL_setn(L, 1, n - 1);
  lua_rawgeti(L, 1, (int)pos);
  for (int i = (int)pos; i < n; i++) {
    lua_rawgeti(L, 1, i + 1);
    lua_rawseti(L, 1, i);
  }
  lua_pushnil(L);
  lua_rawseti(L, 1, n);
  return 1;
}

int tbl_concat(lua_State* L) {
  size_t lsep;
  const char* sep = luaL_optlstring(L, 2, "", &lsep);
  luaL_checktype(L, 1, LUA_TTABLE);
  int64_t i = LibOptInteger(L, 3, 1);
  int64_t last = lua_isnoneornil(L, 4) ? luaL_getn(L, 1) : LibCheckInteger(L, 4);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (; i <= last; i++) {
    RawGetIndex(L, 1, i);
    luaL_argcheck(L, lua_isstring(L, -1), 1, "table contains non-strings");
    luaL_addvalue(&b);
    if (i != last) luaL_addlstring(&b, sep, lsep);
  }
  luaL_pushresult(&b);
  return 1;
}

// Sorting: quicksort over t[lo..hi] with a median-of-three pivot kept in stack slot 3. The
// order function is script code; when it contradicts itself a scan would run off its range, and
// that is reported instead of reading outside the range.

const int kPivot = 3;

// Compares the values at two absolute stack indices.
bool SortLess(lua_State* L, int a, int b) {
  if (lua_isnil(L, 2)) return lua_lessthan(L, a, b);
  lua_pushvalue(L, 2);
  lua_pushvalue(L, a);
  lua_pushvalue(L, b);
  lua_call(L, 2, 1);
  bool res = lua_toboolean(L, -1);
  lua_pop(L, 1);
  return res;
}

bool ElemLess(lua_State* L, int i, int j) {
  lua_rawgeti(L, 1, i);
  lua_rawgeti(L, 1, j);
  int top = lua_gettop(L);
  bool res = SortLess(L, top - 1, top);
  lua_pop(L, 2);
  return res;
}

// Compares t[i] with the pivot, in the given order.
bool PivotCompare(lua_State* L, int i, bool elemFirst) {
  lua_rawgeti(L, 1, i);
  int top = lua_gettop(L);
  bool res = elemFirst ? SortLess(L, top, kPivot) : SortLess(L, kPivot, top);
  lua_pop(L, 1);
  return res;
}

void Swap(lua_State* L, int i, int j) {
  lua_rawgeti(L, 1, i);
  lua_rawgeti(L, 1, j);
  lua_rawseti(L, 1, i);
  lua_rawseti(L, 1, j);
}

void SortRange(lua_State* L, int lo, int hi) {
  while (lo < hi) {
    if (ElemLess(L, hi, lo)) Swap(L, lo, hi);
    if (hi - lo == 1) return;
    int mid = lo + (hi - lo) / 2;
    if (ElemLess(L, mid, lo))
      Swap(L, mid, lo);
    else if (ElemLess(L, hi, mid))
      Swap(L, mid, hi);
    if (hi - lo == 2) return;
    // Now t[lo] <= pivot <= t[hi]; park the pivot at hi - 1 and partition lo+1 .. hi-2.
    Swap(L, mid, hi - 1);
    lua_rawgeti(L, 1, hi - 1);
    lua_replace(L, kPivot);
    int i = lo, j = hi - 1;
    for (;;) {
      while (PivotCompare(L, ++i, true))
        if (i >= hi - 1) luaL_error(L, "invalid order function for sorting");
      while (PivotCompare(L, --j, false))
        if (j <= lo) luaL_error(L, "invalid order function for sorting");
      if (j < i) break;
      Swap(L, i, j);
    }
    Swap(L, hi - 1, i);
    // Recurse into the smaller side and loop on the larger one, keeping the depth logarithmic.
    if (i - lo < hi - i) {
      SortRange(L, lo, i - 1);
      lo = i + 1;
    } else {
      SortRange(L, i + 1, hi);
      hi = i - 1;
    }
  }
}

int tbl_sort(lua_State* L) {
  int n = aux_getn(L, 1);
  luaL_checkstack(L, 40, "");
  if (!lua_isnoneornil(L, 2)) luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_settop(L, 2);
  lua_pushnil(L);  // the pivot slot
  SortRange(L, 1, n);
  return 0;
}

const luaL_reg tablib[] = {
    {"concat", tbl_concat}, {"foreach", tbl_foreach}, {"foreachi", tbl_foreachi},
    {"getn", tbl_getn},     {"setn", tbl_setn},       {"sort", tbl_sort},
    {"insert", tbl_insert}, {"remove", tbl_remove},   {nullptr, nullptr}};

}  // namespace

int luaopen_table(lua_State* L) {
  luaL_openlib(L, LUA_TABLIBNAME, tablib, 0);
  return 1;
}
