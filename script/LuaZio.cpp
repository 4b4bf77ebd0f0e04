// Chunk input streams over a reader function, with one- and two-byte look-ahead, and the
// growable scratch buffers of the interpreter.
#include "script/LuaZio.h"

#include <cstring>

#include "script/LuaMem.h"
#include "script/LuaState.h"

int luaZ_fill(ZIO* z) {
  if (z->nrest > 0) {
    z->n = z->nrest - 1;
    z->p = z->rest;
    z->nrest = 0;
    return char2int(*(z->p++));
  }
  size_t size = 0;
  const char* buff = z->reader(nullptr, z->data, &size);
  if (buff == nullptr || size == 0) {
    z->n = 0;  // stays at the end however often it is read
    return EOZ;
  }
  z->n = size - 1;
  z->p = buff;
  return char2int(*(z->p++));
}

int luaZ_lookahead(ZIO* z) {
  if (z->n == 0) {
    int c = luaZ_fill(z);
    if (c == EOZ) return c;
    z->n++;
    z->p--;
  }
  return char2int(*z->p);
}

int luaZ_lookahead2(ZIO* z) {
  if (luaZ_lookahead(z) == EOZ) return EOZ;
  if (z->n >= 2) return char2int(z->p[0]) | (char2int(z->p[1]) << 8);
  // One byte left in this block: join it with the first byte of the next one.
  char first = *z->p;
  z->n = 0;
  int c = luaZ_fill(z);
  if (c == EOZ) {
    z->join[0] = first;
    z->p = z->join;
    z->n = 1;
    return EOZ;
  }
  z->rest = z->p;
  z->nrest = z->n;
  z->join[0] = first;
  z->join[1] = (char)c;
  z->p = z->join;
  z->n = 2;
  return char2int(z->join[0]) | (c << 8);
}

void luaZ_init(ZIO* z, lua_Chunkreader reader, void* data, const char* name) {
  z->reader = reader;
  z->data = data;
  z->name = name;
  z->n = 0;
  z->p = nullptr;
  z->wide = 0;
  z->rest = nullptr;
  z->nrest = 0;
}

size_t luaZ_read(ZIO* z, void* b, size_t n) {
  while (n) {
    if (z->n == 0) {
      if (luaZ_fill(z) == EOZ) return n;  // bytes missing
      ++z->n;                             // put back the byte the refill consumed
      --z->p;
    }
    size_t m = (n <= z->n) ? n : z->n;
    memcpy(b, z->p, m);
    z->n -= m;
    z->p += m;
    b = (char*)b + m;
    n -= m;
  }
  return 0;
}

namespace {
// The allocator sees hint 1 for exactly the reallocation that grows a scratch buffer, and the
// previous value is back even when that reallocation fails.
struct AllocHintScope {
  lua_State* L;
  int old;
  explicit AllocHintScope(lua_State* l) : L(l), old(l->allochint) { L->allochint = 1; }
  ~AllocHintScope() { L->allochint = old; }
};
}  // namespace

char* luaZ_openspace(lua_State* L, Mbuffer* buff, size_t n) {
  if (n > buff->buffsize) {
    if (n < LUA_MINBUFFER) n = LUA_MINBUFFER;
    AllocHintScope hint(L);
    luaZ_resizebuffer(L, buff, n);
  }
  return buff->buffer;
}
