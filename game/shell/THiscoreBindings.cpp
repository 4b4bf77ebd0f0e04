#include "game/shell/THiscore.h"
#include "script/LuaApi.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

lua_State* WindowScriptState() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  return script ? script->GetState() : nullptr;
}

// The window's "GetState" covers the game state's function of the same name while the window
// lives. Asked with a key it is that function (its second upvalue) and answers as it does;
// asked without one it answers the view state.
int GetStateThunk(lua_State* L) {
  if (!lua_isnoneornil(L, 1)) {
    lua_pushvalue(L, lua_upvalueindex(2));
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

const char kGetState[] = "GetState";

}  // namespace

// The globals are reset to nil when this window dies; "GetState" gets back the function it
// covered.
void THiscore::BindScriptFunctions() {
  lua_State* L = WindowScriptState();
  if (!L) return;
  const int top = lua_gettop(L);
  // registry[&mCoveredGetState] = { our closure, the covered global }
  lua_pushlightuserdata(L, &mCoveredGetState);
  lua_newtable(L);
  lua_pushnumber(L, 2);
  lua_pushstring(L, kGetState);
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_settable(L, -3);
  lua_pushstring(L, kGetState);
  luabind::PushWindowBinding(L, this);
  lua_pushnumber(L, 2);
  lua_gettable(L, -4);
  lua_pushcclosure(L, &GetStateThunk, 2);
  lua_pushnumber(L, 1);
  lua_pushvalue(L, -2);
  lua_settable(L, -5);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_settable(L, LUA_REGISTRYINDEX);
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
  if (!L || WindowScriptState() != L) return;
  const int top = lua_gettop(L);
  lua_pushlightuserdata(L, &mCoveredGetState);
  lua_gettable(L, LUA_REGISTRYINDEX);
  if (lua_istable(L, -1)) {
    lua_pushstring(L, kGetState);
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_pushnumber(L, 1);
    lua_gettable(L, -3);
    // A global rebound since by someone else stays.
    if (lua_rawequal(L, -1, -2)) {
      lua_pushstring(L, kGetState);
      lua_pushnumber(L, 2);
      lua_gettable(L, -5);
      lua_settable(L, LUA_GLOBALSINDEX);
    }
  }
  lua_settop(L, top);
  lua_pushlightuserdata(L, &mCoveredGetState);
  lua_pushnil(L);
  lua_settable(L, LUA_REGISTRYINDEX);
  lua_settop(L, top);
}
