#include "game/puzzles/word/QMWordOverlayBindings.h"

// The bindings are noted in the overlay state's registry, in a table keyed by this object.
void QMWordOverlayBindings::Remember(lua_State* L, const char* name) {
  const int top = lua_gettop(L);
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
  lua_pushvalue(L, top);
  lua_settable(L, -3);
  lua_settop(L, top);
}

void QMWordOverlayBindings::Reset() {
  auto* overlay = static_cast<KSpriteWindow*>(mOverlay.Get());
  mOverlay = TWindowHandle();
  TScript* script = overlay ? overlay->GetScript() : nullptr;
  if (!script) return;
  lua_State* L = script->GetState();
  const int top = lua_gettop(L);
  lua_pushlightuserdata(L, this);
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (lua_istable(L, -1)) {
    const int bindings = lua_gettop(L);
    lua_pushnil(L);
    while (lua_next(L, bindings)) {
      // name at -2, closure at -1: a global rebound since by someone else stays.
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
}
