#include "anim/KLuaFloats.h"

#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

void Put(KFloatList& list, size_t& at, float value) {
  if (at >= list.size()) list.resize(list.size() + 4, 0.0f);
  list[at++] = value;
}

}  // namespace

int KReadLuaFloats(lua_State* L, int idx, KFloatList& list, bool scalars) {
  idx = KLuaAbsolute(L, idx);
  size_t at = 0;
  if (lua_istable(L, idx)) {
    lua_pushnil(L);
    while (lua_next(L, idx)) {
      if (lua_isnumber(L, -1)) Put(list, at, static_cast<float>(lua_tonumber(L, -1)));
      lua_pop(L, 1);
    }
  } else if (scalars && lua_isnumber(L, idx)) {
    Put(list, at, static_cast<float>(lua_tonumber(L, idx)));
  }
  return static_cast<int>(at);
}

int KLuaAbsolute(lua_State* L, int idx) {
  return (idx < 0 && idx > LUA_REGISTRYINDEX) ? lua_gettop(L) + idx + 1 : idx;
}

namespace {

void PushField(lua_State* L, int table, const char* key) {
  lua_pushstring(L, key);
  lua_gettable(L, table);
}

}  // namespace

bool KLuaHas(lua_State* L, int table, const char* key) {
  PushField(L, table, key);
  const bool has = !lua_isnil(L, -1);
  lua_pop(L, 1);
  return has;
}

double KLuaNumber(lua_State* L, int table, const char* key, double def) {
  PushField(L, table, key);
  const double v = lua_isnil(L, -1) ? def : lua_tonumber(L, -1);
  lua_pop(L, 1);
  return v;
}

str KLuaString(lua_State* L, int table, const char* key) {
  PushField(L, table, key);
  str s;
  if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) s = lua_tostring(L, -1);
  lua_pop(L, 1);
  return s;
}

bool KLuaBool(lua_State* L, int table, const char* key) {
  PushField(L, table, key);
  const bool b = lua_isboolean(L, -1) && lua_toboolean(L, -1) != 0;
  lua_pop(L, 1);
  return b;
}

void KLuaFloats(lua_State* L, int table, const char* key, KFloatList& list) {
  PushField(L, table, key);
  KReadLuaFloats(L, -1, list, true);
  lua_pop(L, 1);
}

bool KLuaPushTable(lua_State* L, int table, const char* key) {
  PushField(L, table, key);
  if (lua_istable(L, -1)) return true;
  lua_pop(L, 1);
  return false;
}

TVec2 GetTableVec2(const TLuaTable& table, const char* key, const TVec2& def) {
  lua_State* L = table.GetState();
  const int top = lua_gettop(L);
  table.Push();
  KFloatList list = KFloatsOf(def);
  PushField(L, lua_gettop(L), key);
  const int read = KReadLuaFloats(L, -1, list, false);
  lua_settop(L, top);
  return read > 0 ? KVec2Of(list) : def;
}

void RunLuaString(const str& text) {
  TWindowManager* wm = TWindowManager::Instance();
  if (TWindowScript* script = TWindowScript::Of(wm)) script->DoLuaString(text);
}
