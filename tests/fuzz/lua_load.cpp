// The chunk loader on text and precompiled chunks (either byte order). The first byte chooses
// how the chunk reaches the loader: whole, or in blocks of 1 to 15 bytes through the reader
// callback. A chunk that loads must dump, load again and dump to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "LuaFuzz.h"

namespace {

struct Blocks {
  const char* data;
  size_t size;
  size_t block;
};

const char* ReadBlock(lua_State*, void* ud, size_t* size) {
  Blocks& b = *static_cast<Blocks*>(ud);
  if (b.size == 0) return nullptr;
  size_t n = b.block < b.size ? b.block : b.size;
  const char* p = b.data;
  b.data += n;
  b.size -= n;
  *size = n;
  return p;
}

int Append(lua_State*, const void* p, size_t size, void* ud) {
  static_cast<std::string*>(ud)->append(static_cast<const char*>(p), size);
  return 0;
}

// Loads a chunk from the bytes; true with the function on the stack, else nothing is pushed.
bool Load(lua_State* L, const char* data, size_t size, size_t block) {
  Blocks blocks{data, size, block ? block : size};
  if (lua_load(L, ReadBlock, &blocks, "=fuzz") == 0) return true;
  lua_pop(L, 1);
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t block = data[0] & 0x0F;
  const char* chunk = reinterpret_cast<const char*>(data + 1);
  lua_State* L = fuzz::OpenBudgetState(64u << 20);
  if (!L) abort();
  if (Load(L, chunk, size - 1, block)) {
    std::string first, second;
    lua_dump(L, Append, &first);
    lua_pop(L, 1);
    if (!Load(L, first.data(), first.size(), 0)) abort();  // what we wrote we must read
    lua_dump(L, Append, &second);
    if (first != second) abort();
  }
  lua_close(L);
  return 0;
}
