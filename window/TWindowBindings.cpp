// The Lua side of a window: globals bound to its methods, and their release when it dies.
#include "script/LuaApi.h"
#include "window/LuaGlobalBindings.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"

// registry[owner] is a table from global name to the value that was bound for the owner.
void RememberGlobalBinding(lua_State* L, const void* owner, const char* name) {
  if (!L || !name) return;
  int top = lua_gettop(L);
  lua_pushlightuserdata(L, const_cast<void*>(owner));
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushlightuserdata(L, const_cast<void*>(owner));
    lua_pushvalue(L, -2);
    lua_settable(L, LUA_REGISTRYINDEX);
  }
  lua_pushstring(L, name);
  lua_pushstring(L, name);
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_settable(L, -3);
  lua_settop(L, top);
}

void ResetGlobalBindings(lua_State* L, const void* owner) {
  if (!L) return;
  int top = lua_gettop(L);
  lua_pushlightuserdata(L, const_cast<void*>(owner));
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
  lua_pushlightuserdata(L, const_cast<void*>(owner));
  lua_pushnil(L);
  lua_settable(L, LUA_REGISTRYINDEX);
  lua_settop(L, top);
}

void TWindow::RememberBoundGlobal(lua_State* L, const char* name) {
  if (!L || !name) return;
  mBindingState = L;
  RememberGlobalBinding(L, this, name);
}

void TWindow::ReleaseGlobals() {
  lua_State* L = mBindingState;
  mBindingState = nullptr;
  if (!L) return;
  // Only while the state that holds the bindings is still the live one.
  TWindowManager* wm = TWindowManager::Instance();
  IScriptHost* host = wm ? wm->GetScriptHost() : nullptr;
  if (!host || host->ScriptState() != L) return;
  ResetGlobalBindings(L, this);
}
