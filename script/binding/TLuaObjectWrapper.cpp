#include "script/binding/TLuaObjectWrapper.h"

#include "script/LuaApi.h"
#include "script/LuaState.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TScript.h"

TLuaObjectWrapper::TLuaObjectWrapper(lua_State* L) : mState(G(L)->mainthread) {
  lua_pushlightuserdata(L, this);
  lua_insert(L, -2);
  lua_settable(L, LUA_REGISTRYINDEX);
}

TLuaObjectWrapper::TLuaObjectWrapper(const TLuaObjectWrapper& other) : mState(other.mState) {
  lua_pushlightuserdata(mState, this);
  other.Push();
  lua_settable(mState, LUA_REGISTRYINDEX);
}

TLuaObjectWrapper::~TLuaObjectWrapper() {
  lua_pushlightuserdata(mState, this);
  lua_pushnil(mState);
  lua_settable(mState, LUA_REGISTRYINDEX);
}

void TLuaObjectWrapper::Push() const { Push(mState); }

void TLuaObjectWrapper::Push(lua_State* L) const {
  lua_pushlightuserdata(L, const_cast<TLuaObjectWrapper*>(this));
  lua_gettable(L, LUA_REGISTRYINDEX);
}

bool TLuaObjectWrapper::IsTable() const {
  Push();
  bool t = lua_istable(mState, -1);
  lua_pop(mState, 1);
  return t;
}

str TLuaObjectWrapper::GetString() const {
  Push();
  str s = LuaToStr(mState, -1);
  lua_pop(mState, 1);
  return s;
}

double TLuaObjectWrapper::GetNumber() const {
  Push();
  double d = lua_tonumber(mState, -1);
  lua_pop(mState, 1);
  return d;
}

void TLuaObjectWrapper::AdoptByScript() {
  lua_pushstring(mState, "_SCRIPT");
  lua_gettable(mState, LUA_GLOBALSINDEX);
  TScript* script =
      lua_islightuserdata(mState, -1) ? static_cast<TScript*>(lua_touserdata(mState, -1)) : nullptr;
  lua_pop(mState, 1);
  if (script) script->AdoptObject(this);
}

void TLuaFunction::Call() {
  Push();
  if (!lua_isfunction(mState, -1)) {
    lua_pop(mState, 1);
    return;
  }
  lua_pushstring(mState, "_ALERT");
  lua_gettable(mState, LUA_GLOBALSINDEX);
  lua_insert(mState, 1);
  lua_pcall(mState, 0, 1, 1);
}

namespace {

// Whether indexing the value on top can succeed: a table, or a full userdata whose metatable
// has an __index. Anything else would raise a Lua error outside any protected call.
bool IsIndexable(lua_State* L) {
  if (lua_istable(L, -1)) return true;
  if (lua_type(L, -1) != LUA_TUSERDATA || !lua_getmetatable(L, -1)) return false;
  lua_pushstring(L, "__index");
  lua_rawget(L, -2);
  bool has = !lua_isnil(L, -1);
  lua_pop(L, 2);
  return has;
}

}  // namespace

bool TLuaTable::PushKeyed(bool byIndex, const char* key, double n) {
  Push();
  if (!IsIndexable(mState)) {
    lua_pop(mState, 1);
    return false;
  }
  if (byIndex) {
    lua_pushnumber(mState, n);
  } else {
    lua_pushstring(mState, key);
  }
  lua_gettable(mState, -2);
  lua_remove(mState, -2);
  if (lua_isnil(mState, -1)) {
    lua_pop(mState, 1);
    return false;
  }
  return true;
}

bool TLuaTable::PushField(const char* key) { return PushKeyed(false, key, 0); }
bool TLuaTable::PushIndex(double n) { return PushKeyed(true, nullptr, n); }

str TLuaTable::GetString(const char* key, const str& def) {
  if (!PushField(key)) return def;
  str s = LuaToStr(mState, -1);
  lua_pop(mState, 1);
  return s;
}

str TLuaTable::GetStringAt(double n, const str& def) {
  if (!PushIndex(n)) return def;
  str s = LuaToStr(mState, -1);
  lua_pop(mState, 1);
  return s;
}

double TLuaTable::GetNumber(const char* key, double def) {
  if (!PushField(key)) return def;
  double d = lua_tonumber(mState, -1);
  lua_pop(mState, 1);
  return d;
}

double TLuaTable::GetNumberAt(double n, double def) {
  if (!PushIndex(n)) return def;
  double d = lua_tonumber(mState, -1);
  lua_pop(mState, 1);
  return d;
}

bool TLuaTable::GetBool(const char* key, bool def) {
  if (!PushField(key)) return def;
  bool b = lua_toboolean(mState, -1) != 0;
  lua_pop(mState, 1);
  return b;
}

TLuaFunction* TLuaTable::GetFunction(const char* key) {
  if (!PushField(key)) return nullptr;
  if (!lua_isfunction(mState, -1)) {
    lua_pop(mState, 1);
    return nullptr;
  }
  return new TLuaFunction(mState);
}

TLuaTable* TLuaTable::GetTable(const char* key) {
  if (!PushField(key)) return nullptr;
  if (!lua_istable(mState, -1)) {
    lua_pop(mState, 1);
    return nullptr;
  }
  return new TLuaTable(mState);
}

TLuaTable* TLuaTable::GetTableAt(double n) {
  if (!PushIndex(n)) return nullptr;
  if (!lua_istable(mState, -1)) {
    lua_pop(mState, 1);
    return nullptr;
  }
  return new TLuaTable(mState);
}

TVec4 TLuaTable::GetVec4At(double n, const TVec4& def) {
  TVec4 v = def;
  if (!PushIndex(n)) return v;
  if (lua_istable(mState, -1)) {
    float* out[4] = {&v.x, &v.y, &v.z, &v.w};
    for (int i = 0; i < 4; ++i) {
      lua_pushnumber(mState, i + 1);
      lua_gettable(mState, -2);
      if (!lua_isnil(mState, -1)) *out[i] = static_cast<float>(lua_tonumber(mState, -1));
      lua_pop(mState, 1);
    }
  }
  lua_pop(mState, 1);
  return v;
}

TLuaObjectWrapper* TLuaTable::Next(TLuaObjectWrapper*& key) {
  int top = lua_gettop(mState);
  Push();
  if (!lua_istable(mState, -1)) {
    lua_settop(mState, top);
    delete key;
    key = nullptr;
    return nullptr;
  }
  if (key) {
    key->Push();
  } else {
    lua_pushnil(mState);
  }
  delete key;
  key = nullptr;
  if (!lua_next(mState, -2)) {
    lua_settop(mState, top);
    return nullptr;
  }
  TLuaObjectWrapper* value = new TLuaObjectWrapper(mState);
  key = new TLuaObjectWrapper(mState);
  lua_settop(mState, top);
  return value;
}

TLuaThread::TLuaThread(lua_State* L) {
  mThread = lua_newthread(L);
  mAnchor = new TLuaObjectWrapper(L);
}

TLuaThread::~TLuaThread() { delete mAnchor; }
