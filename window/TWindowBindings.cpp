// The Lua side of a window: globals bound to its methods, and their release when it dies.
#include "script/LuaApi.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"

// registry[this] is a table from global name to the closure that was bound for this window.
void TWindow::RememberBoundGlobal(lua_State* L, const char* name) {
  if (!L || !name) return;
  mBindingState = L;
  int top = lua_gettop(L);
  lua_pushlightuserdata(L, this);
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushlightuserdata(L, this);
    lua_pushvalue(L, -2);
    lua_settable(L, LUA_REGISTRYINDEX);
  }
  lua_pushstring(L, name);
  lua_pushstring(L, name);
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_settable(L, -3);
  lua_settop(L, top);
}

void TWindow::ReleaseGlobals() {
  lua_State* L = mBindingState;
  mBindingState = nullptr;
  if (!L) return;
  // Only while the state that holds the bindings is still the live one.
  TWindowManager* wm = TWindowManager::Instance();
  IScriptHost* host = wm ? wm->GetScriptHost() : nullptr;
  if (!host || host->ScriptState() != L) return;
  int top = lua_gettop(L);
  lua_pushlightuserdata(L, this);
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (lua_istable(L, -1)) {
    int bindings = lua_gettop(L);
    lua_pushnil(L);
    while (lua_next(L, bindings)) {
      // key at -2, closure at -1
      lua_pushvalue(L, -2);
      lua_gettable(L, LUA_GLOBALSINDEX);
      if (lua_rawequal(L, -1, -2)) {
        lua_pushvalue(L, -3);
        lua_pushnil(L);
        lua_settable(L, LUA_GLOBALSINDEX);
      }
      lua_pop(L, 2);
    }
  }
  lua_settop(L, top);
  lua_pushlightuserdata(L, this);
  lua_pushnil(L);
  lua_settable(L, LUA_REGISTRYINDEX);
  lua_settop(L, top);
}
