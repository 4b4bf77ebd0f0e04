#include "script/binding/LuaBinding.h"

#include "script/binding/TLuaObjectWrapper.h"

str LuaToStr(lua_State* L, int idx) {
  int type = lua_type(L, idx);
  if (type == LUA_TSTRING || type == LUA_TNUMBER) {
    const char* s = lua_tostring(L, idx);
    return s ? str(s, static_cast<unsigned>(lua_strlen(L, idx))) : str();
  }
  if (type == LUA_TWSTRING) {
    const uint16_t* w = lua_towstring(L, idx);
    size_t n = lua_strlen(L, idx);
    str out;
    for (size_t i = 0; w && i < n; ++i) {
      uint32_t c = w[i];
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
        ++i;
      }
      out += str::FromCodePoint(c);
    }
    return out;
  }
  return str();
}

void LuaPushStr(lua_State* L, const str& s) { lua_pushlstring(L, s.CStr(), s.Length()); }

TLuaTable* LuaToTable(lua_State* L, int idx) {
  // A missing argument is wrapped as nil rather than read past the top.
  PushArgument(L, idx);
  TLuaTable* t = new TLuaTable(L);
  t->AdoptByScript();
  return t;
}
