// The string library called with hostile arguments. Input: the function (one byte), the
// argument count (one byte), then per argument a kind byte and its value: nil, a number's 8
// bytes, a small or a 32-bit integer, a string or wide string (a length byte and the bytes),
// a boolean. An iterator that comes back is called until it ends (at most 64 times).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "LuaFuzz.h"

namespace {

const char* const kFunctions[] = {"len",    "sub",  "lower", "upper", "char",   "rep",  "byte",
                                  "format", "find", "gfind", "gsub",  "lualex", "pack", "unpack"};

void PushArgument(lua_State* L, fuzz::Input& in) {
  switch (in.Byte() % 7) {
    case 0: lua_pushnil(L); break;
    case 1: lua_pushnumber(L, in.Number()); break;
    case 2: lua_pushnumber(L, int8_t(in.Byte())); break;
    case 3: lua_pushnumber(L, int32_t(in.U32())); break;
    case 4: {
      std::string s = in.Text();
      lua_pushlstring(L, s.data(), s.size());
      break;
    }
    case 5: {
      std::string s = in.Text();
      std::vector<uint16_t> units(s.size() / 2);
      for (size_t i = 0; i < units.size(); ++i)
        units[i] = uint16_t(uint8_t(s[2 * i]) | (uint8_t(s[2 * i + 1]) << 8));
      lua_pushlwstring(L, units.data(), units.size());
      break;
    }
    default: lua_pushboolean(L, in.Byte() & 1); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const char* name = kFunctions[in.Byte() % (sizeof kFunctions / sizeof kFunctions[0])];
  int count = in.Byte() % 8;

  lua_State* L = fuzz::OpenBudgetState(16u << 20);
  if (!L) abort();
  luaopen_base(L);
  luaopen_string(L);
  lua_settop(L, 0);
  fuzz::GuardStringLibrary(L);

  lua_pushstring(L, "string");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushstring(L, name);
  lua_gettable(L, -2);
  lua_remove(L, 1);
  for (int i = 0; i < count; ++i) PushArgument(L, in);
  if (lua_pcall(L, count, 1, 0) == 0 && lua_isfunction(L, -1)) {
    for (int i = 0; i < 64; ++i) {
      lua_pushvalue(L, 1);
      if (lua_pcall(L, 0, 1, 0) != 0 || lua_isnil(L, -1)) break;
      lua_pop(L, 1);
    }
  }
  lua_close(L);
  return 0;
}
