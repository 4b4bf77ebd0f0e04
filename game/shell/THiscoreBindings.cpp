#include "game/shell/THiscore.h"
#include "script/LuaApi.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

// The window's "GetState" covers the function of that name it found while the window lives.
// Asked with a key it is that function and answers as it does; asked without one it answers
// the view state. Each window's cover, { its closure, the function covered }, sits in one
// registry table keyed by the window, so a window closed under another can unlink itself.
const char kCovers = 0;
const char kGetState[] = "GetState";

// Pushes the table of covers, made on first need.
void PushCovers(lua_State* L) {
  lua_pushlightuserdata(L, const_cast<char*>(&kCovers));
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (lua_istable(L, -1)) return;
  lua_pop(L, 1);
  lua_newtable(L);
  lua_pushlightuserdata(L, const_cast<char*>(&kCovers));
  lua_pushvalue(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

int GetStateThunk(lua_State* L) {
  if (!lua_isnoneornil(L, 1)) {
    lua_rawgeti(L, lua_upvalueindex(2), 2);
    if (!lua_isfunction(L, -1)) {
      lua_pushstring(L, "");
      return 1;
    }
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
  }
  auto* bound = static_cast<luabind::WindowBinding*>(lua_touserdata(L, lua_upvalueindex(1)));
  THiscore* window = bound ? WindowCast<THiscore>(bound->window.Get()) : nullptr;
  if (!window) return luabind::RaiseWindowGone(L);
  lua_pushnumber(L, window->GetState());
  return 1;
}

}  // namespace

// The globals are reset to nil when this window dies; "GetState" gets back the function it
// covered.
void THiscore::BindScriptFunctions() {
  lua_State* L = TWindowScript::CurrentState();
  if (!L) return;
  const int top = lua_gettop(L);
  PushCovers(L);
  const int covers = lua_gettop(L);
  lua_newtable(L);
  const int cover = lua_gettop(L);
  lua_pushstring(L, kGetState);
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_rawseti(L, cover, 2);
  lua_pushstring(L, kGetState);
  luabind::PushWindowBinding(L, this);
  lua_pushvalue(L, cover);
  lua_pushcclosure(L, &GetStateThunk, 2);
  lua_pushvalue(L, -1);
  lua_rawseti(L, cover, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_pushlightuserdata(L, &mCoveredGetState);
  lua_pushvalue(L, cover);
  lua_rawset(L, covers);
  lua_settop(L, top);
  mCoveredGetState = L;
  RememberBoundGlobal(L, kGetState);
  BindWindowMethod(L, "ScoreAvailable", this, &THiscore::ScoreAvailable);
  BindWindowMethod(L, "UpdateText", this, &THiscore::UpdateText);
  BindWindowMethod(L, "OpenBrowser", this, &THiscore::OpenBrowser);
}

void THiscore::RestoreCoveredGetState() {
  lua_State* L = mCoveredGetState;
  mCoveredGetState = nullptr;
  // Only while the state that holds the bindings is still the live one.
  if (!L || TWindowScript::CurrentState() != L) return;
  const int top = lua_gettop(L);
  PushCovers(L);
  const int covers = lua_gettop(L);
  lua_pushlightuserdata(L, &mCoveredGetState);
  lua_rawget(L, covers);
  const int cover = lua_gettop(L);
  if (lua_istable(L, cover)) {
    lua_rawgeti(L, cover, 1);
    const int ours = lua_gettop(L);
    lua_pushstring(L, kGetState);
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (lua_rawequal(L, -1, ours)) {
      lua_pushstring(L, kGetState);
      lua_rawgeti(L, cover, 2);
      lua_settable(L, LUA_GLOBALSINDEX);
    } else {
      // Closed under a later screen: the one that covers ours covers what ours did. A global
      // rebound by someone else stays.
      lua_pushnil(L);
      while (lua_next(L, covers)) {
        lua_rawgeti(L, -1, 2);
        if (lua_rawequal(L, -1, ours)) {
          lua_rawgeti(L, cover, 2);
          lua_rawseti(L, -3, 2);
        }
        lua_pop(L, 2);
      }
    }
  }
  lua_settop(L, covers);
  lua_pushlightuserdata(L, &mCoveredGetState);
  lua_pushnil(L);
  lua_rawset(L, covers);
  lua_settop(L, top);
}
