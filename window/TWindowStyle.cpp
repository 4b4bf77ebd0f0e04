#include "window/TWindowStyle.h"

#include <cmath>
#include <memory>

#include "core/EngineLog.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"

namespace {
// A "parent" chain that loops would never end: stop after this many tables.
constexpr int kMaxChain = 64;
}  // namespace

// With the table under examination on top: on success the answer replaces it.
bool TWindowStyle::Lookup(lua_State* L, const char* key, bool firstLevel, int depth) {
  if (lua_istable(L, -1)) {
    lua_pushstring(L, key);
    lua_gettable(L, -2);
  } else {
    lua_pushstring(L, key);
    lua_gettable(L, LUA_GLOBALSINDEX);
  }
  if (!lua_isnil(L, -1)) {
    lua_remove(L, -2);
    return true;
  }
  lua_pop(L, 1);
  if (depth >= kMaxChain) {
    lua_pop(L, 1);
    return false;
  }
  if (firstLevel) {
    lua_pushstring(L, "gCurrentDefaultStyle");
    lua_gettable(L, LUA_GLOBALSINDEX);
  } else if (lua_istable(L, -1)) {
    lua_pushstring(L, "parent");
    lua_gettable(L, -2);
  } else {
    lua_pushnil(L);
  }
  lua_remove(L, -2);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return false;
  }
  return Lookup(L, key, false, depth + 1);
}

bool TWindowStyle::PushValue(const str& key) {
  if (!mTable) return false;
  lua_State* L = mTable->GetState();
  if (!L) return false;
  int top = lua_gettop(L);
  mTable->Push();
  if (Lookup(L, key.CStr(), true, 0)) return true;
  lua_settop(L, top);
  return false;
}

double TWindowStyle::GetNumber(const str& key, double def) {
  if (!PushValue(key)) return def;
  lua_State* L = mTable->GetState();
  double v = lua_tonumber(L, -1);
  lua_pop(L, 1);
  return v;
}

int TWindowStyle::GetInt(const str& key, int def) {
  return NumberToInt(GetNumber(key, static_cast<double>(def)));
}

str TWindowStyle::GetString(const str& key, const str& def) {
  if (!PushValue(key)) return def;
  lua_State* L = mTable->GetState();
  str v = LuaToStr(L, -1);
  lua_pop(L, 1);
  return v;
}

bool TWindowStyle::GetBool(const str& key, bool def) {
  if (!PushValue(key)) return def;
  lua_State* L = mTable->GetState();
  bool v = false;
  int type = lua_type(L, -1);
  if (type == LUA_TBOOLEAN) {
    v = lua_toboolean(L, -1) != 0;
  } else if (type == LUA_TNUMBER) {
    v = lua_tonumber(L, -1) != 0;
  } else if (type == LUA_TSTRING || type == LUA_TWSTRING) {
    EngineLog("PopBool used on lua string %s", LuaToStr(L, -1).CStr());
  } else if (type != LUA_TNIL) {
    EngineLog("PopBool used on a type that isn't a number, a boolean, or nil. (type: %d)", type);
  }
  lua_pop(L, 1);
  return v;
}

void TWindowStyle::GetColor(const str& key, float& r, float& g, float& b, float& a, float dr,
                            float dg, float db, float da) {
  r = dr;
  g = dg;
  b = db;
  a = da;
  if (!PushValue(key)) return;
  lua_State* L = mTable->GetState();
  if (lua_istable(L, -1)) {
    float* out[4] = {&r, &g, &b, &a};
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(L, -1, i + 1);
      if (!lua_isnil(L, -1)) *out[i] = static_cast<float>(lua_tonumber(L, -1));
      lua_pop(L, 1);
    }
  }
  lua_pop(L, 1);
}

TLuaTable* TWindowStyle::GetTable(const str& key) {
  if (!PushValue(key)) return nullptr;
  lua_State* L = mTable->GetState();
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return nullptr;
  }
  return new TLuaTable(L);
}

TLuaFunction* TWindowStyle::GetFunction(const str& key) {
  if (!PushValue(key)) return nullptr;
  lua_State* L = mTable->GetState();
  if (!lua_isfunction(L, -1)) {
    lua_pop(L, 1);
    return nullptr;
  }
  return new TLuaFunction(L);
}

void GetStyleFloats(TWindowStyle* style, const str& key, std::vector<float>& values) {
  if (!style) return;
  std::unique_ptr<TLuaTable> table(style->GetTable(key));
  if (!table) return;
  lua_State* L = table->GetState();
  for (size_t i = 0;; ++i) {
    if (!table->PushIndex(static_cast<double>(i + 1))) break;
    if (i >= values.size()) values.push_back(0.0f);
    if (lua_type(L, -1) == LUA_TNUMBER) values[i] = static_cast<float>(lua_tonumber(L, -1));
    lua_pop(L, 1);
  }
}

TColor GetStyleColor(TWindowStyle* style, const str& key, const TColor& def) {
  TColor c = def;
  if (style) style->GetColor(key, c.r, c.g, c.b, c.a, def.r, def.g, def.b, def.a);
  return c;
}
