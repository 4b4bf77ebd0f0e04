#include "script/binding/TLuaMessage.h"

#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"

namespace {

const char kMetatable[] = "hwMessageMetatable";

void CollectMessage(TMessage* m) { delete m; }

int IndexMessage(lua_State* L) {
  TMessage* m = LuaToMessage(L, 1);
  str key = LuaToStr(L, 2);
  if (m && key == "type") {
    lua_pushnumber(L, m->GetId());
  } else if (m && key == "name") {
    LuaPushStr(L, m->GetName());
  } else {
    lua_pushnil(L);
  }
  return 1;
}

}  // namespace

TMessage* LuaToMessage(lua_State* L, int idx) {
  if (lua_isnoneornil(L, idx)) return nullptr;
  // Only a message userdata holds a message; anything else would be read as one unsafely.
  if (!IsLuaMessage(L, idx)) return nullptr;
  return static_cast<TMessage*>(lua_touserdata(L, idx));
}

void PushLuaMessage(lua_State* L, TMessage* m) {
  lua_pushboxedpointer(L, m);
  lua_pushstring(L, kMetatable);
  lua_gettable(L, LUA_REGISTRYINDEX);
  lua_setmetatable(L, -2);
}

bool IsLuaMessage(lua_State* L, int idx) {
  if (lua_type(L, idx) != LUA_TUSERDATA) return false;
  if (!lua_getmetatable(L, idx)) return false;
  lua_pushstring(L, kMetatable);
  lua_gettable(L, LUA_REGISTRYINDEX);
  bool same = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  return same;
}

void RegisterMessageMetatable(lua_State* L) {
  lua_pushstring(L, kMetatable);
  lua_newtable(L);
  lua_pushstring(L, "__gc");
  void (*collect)(TMessage*) = &CollectMessage;
  luabind::PushClosure(L, &luabind::FunctionThunk<void, TMessage*>, &collect, sizeof(collect));
  lua_settable(L, -3);
  lua_pushstring(L, "__index");
  lua_pushcfunction(L, &IndexMessage);
  lua_settable(L, -3);
  lua_settable(L, LUA_REGISTRYINDEX);
}

TLuaMessageWrapper::TLuaMessageWrapper(lua_State* L)
    : TMessage(kGeneric, str(), nullptr), mLua((lua_pushvalue(L, -1), L)) {
  TMessage* m = LuaToMessage(L, -1);
  lua_pop(L, 1);
  mWrapped = m;
  if (m) {
    mId = m->GetId();
    mName = m->GetName();
    mTarget = m->GetTarget();
  }
}

TMessage* GetWrappedMessage(const TLuaObjectWrapper& value) {
  lua_State* L = value.GetState();
  value.Push();
  TMessage* m = LuaToMessage(L, -1);
  lua_pop(L, 1);
  return m;
}
