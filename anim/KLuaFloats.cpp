#include "anim/KLuaFloats.h"

#include "script/LuaApi.h"

namespace {

void Put(KFloatList& list, size_t& at, float value) {
  if (at >= list.size()) list.resize(list.size() + 4, 0.0f);
  list[at++] = value;
}

}  // namespace

int KReadLuaFloats(lua_State* L, int idx, KFloatList& list, bool scalars) {
  if (idx < 0 && idx > LUA_REGISTRYINDEX) idx = lua_gettop(L) + idx + 1;
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
