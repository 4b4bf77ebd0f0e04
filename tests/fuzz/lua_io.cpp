// Files read through the io library, in text and binary mode, with 8-bit and wide formats.
// Input: a byte of mode flags, 8 format codes, then the file's bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "LuaFuzz.h"

namespace {

// Reads the file with each format until it fails (at most 8 times each), seeks, reads the
// rest, then walks its lines through io.lines and through the default input.
const char kReader[] = R"(
return function(path, mode, formats, offset)
local f = io.open(path, mode)
if not f then return end
for i = 1, table.getn(formats) do
  for k = 1, 8 do
    if f:read(formats[i]) == nil then break end
  end
end
f:seek("set", offset)
f:read("*a")
f:seek("end", -offset)
f:read("*l", "*n", 3)
f:close()
for line in io.lines(path) do end
io.input(path)
io.read("*n", "*l", towstring("*l"), towstring("*n"), 1)
io.input():close()
end
)";

void PushFormat(lua_State* L, uint8_t code) {
  switch (code % 8) {
    case 0: lua_pushstring(L, "*n"); break;
    case 1: lua_pushstring(L, "*l"); break;
    case 2: lua_pushstring(L, "*a"); break;
    case 3:
    case 4:
    case 5: {
      const uint16_t wide[] = {'*', uint16_t("nla"[code % 8 - 3]), 0};
      lua_pushwstring(L, wide);
      break;
    }
    case 6: lua_pushnumber(L, code >> 3); break;
    default: lua_pushnumber(L, 0); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  uint8_t flags = in.Byte();
  uint8_t codes[8];
  for (uint8_t& c : codes) c = in.Byte();
  std::string bytes = in.Rest();
  std::string path =
      fuzz::PutDiskFile("io_input", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());

  lua_State* L = fuzz::OpenBudgetState(64u << 20);
  if (!L) abort();
  for (lua_CFunction open : {luaopen_base, luaopen_string, luaopen_table, luaopen_io}) {
    open(L);
    lua_settop(L, 0);
  }
  if (luaL_loadbuffer(L, kReader, sizeof kReader - 1, "=reader") != 0) abort();
  lua_call(L, 0, 1);
  lua_pushstring(L, path.c_str());
  lua_pushstring(L, (flags & 1) ? "rb" : "r");
  lua_newtable(L);
  for (int i = 0; i < 8; ++i) {
    PushFormat(L, codes[i]);
    lua_rawseti(L, -2, i + 1);
  }
  lua_pushnumber(L, flags >> 1);
  lua_pcall(L, 4, 0, 0);
  lua_close(L);
  return 0;
}
