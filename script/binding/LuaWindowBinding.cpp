#include "script/binding/LuaWindowBinding.h"

#include <new>

#include "script/LuaAux.h"

namespace {

const char kWindowMetatable[] = "hwWindowMetatable";

// Only this metatable's userdata reach it, also while the state closes.
int CollectWindowBinding(lua_State* L) {
  if (auto* bound = static_cast<luabind::WindowBinding*>(lua_touserdata(L, 1)))
    bound->~WindowBinding();
  return 0;
}

// registry["hwWindowMetatable"], made on first use.
void PushWindowMetatable(lua_State* L) {
  lua_pushstring(L, kWindowMetatable);
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (lua_istable(L, -1)) return;
  lua_pop(L, 1);
  lua_newtable(L);
  lua_pushstring(L, "__gc");
  lua_pushcfunction(L, &CollectWindowBinding);
  lua_settable(L, -3);
  lua_pushstring(L, kWindowMetatable);
  lua_pushvalue(L, -2);
  lua_settable(L, LUA_REGISTRYINDEX);
}

}  // namespace

namespace luabind {

WindowBinding* PushWindowBinding(lua_State* L, TWindow* w) {
  void* ud = lua_newuserdata(L, sizeof(WindowBinding));
  auto* bound = new (ud) WindowBinding();
  bound->window = TWindowHandle(w);
  bound->object = w;
  PushWindowMetatable(L);
  lua_setmetatable(L, -2);
  return bound;
}

WindowBinding* ToWindowBinding(lua_State* L, int idx) {
  if (lua_type(L, idx) != LUA_TUSERDATA || !lua_getmetatable(L, idx)) return nullptr;
  lua_pushstring(L, kWindowMetatable);
  lua_gettable(L, LUA_REGISTRYINDEX);
  bool ours = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  return ours ? static_cast<WindowBinding*>(lua_touserdata(L, idx)) : nullptr;
}

int RaiseWindowGone(lua_State* L) { return luaL_error(L, "window is gone"); }

}  // namespace luabind

void PushLuaWindow(lua_State* L, TWindow* w) {
  if (w) {
    luabind::PushWindowBinding(L, w);
  } else {
    lua_pushnil(L);
  }
}

TWindow* LuaToWindow(lua_State* L, int idx) {
  luabind::WindowBinding* bound = luabind::ToWindowBinding(L, idx);
  if (!bound) return nullptr;
  TWindow* w = bound->window.Get();
  if (!w) luabind::RaiseWindowGone(L);
  return w;
}
