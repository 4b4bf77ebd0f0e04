#include "script/binding/LuaCallMethod.h"

#include <memory>

#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"

TLuaObjectWrapper* LuaCallMethodWithPoint(TLuaTable& self, const char* method, const TPoint& point,
                                          const char* text) {
  std::unique_ptr<TLuaFunction> function(self.GetFunction(method));
  if (!function) return nullptr;
  lua_State* L = self.GetState();
  const int top = lua_gettop(L);
  lua_pushstring(L, "_ALERT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  const int handler = lua_gettop(L);
  function->Push(L);
  self.Push(L);
  lua_newtable(L);
  lua_pushnumber(L, point.x);
  lua_rawseti(L, -2, 1);
  lua_pushnumber(L, point.y);
  lua_rawseti(L, -2, 2);
  lua_pushstring(L, text);
  TLuaObjectWrapper* result = nullptr;
  if (lua_pcall(L, 3, 1, handler) == 0 && !lua_isnil(L, -1)) {
    result = new TLuaObjectWrapper(L);
  }
  lua_settop(L, top);
  return result;
}
