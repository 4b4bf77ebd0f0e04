// The memory manager: every block of the interpreter is allocated, resized and freed here
// through the state's allocator, which also keeps the collector's count of bytes in use.
#include "script/LuaMem.h"

#include "script/LuaDebug.h"
#include "script/LuaDo.h"
#include "script/LuaState.h"

void* luaM_growaux(lua_State* L, void* block, int* size, int size_elems, int limit,
                   const char* errormsg) {
  int newsize;
  if (*size >= limit / 2) {
    if (*size < limit - MINSIZEARRAY)
      newsize = limit;
    else
      luaG_runerror(L, "%s", errormsg);
  } else {
    newsize = (*size) * 2;
    if (newsize < MINSIZEARRAY) newsize = MINSIZEARRAY;
  }
  void* newblock = luaM_realloc(L, block, (lu_mem)(*size) * (lu_mem)size_elems,
                                (lu_mem)newsize * (lu_mem)size_elems);
  *size = newsize;  // only after the reallocation succeeded
  return newblock;
}

void* luaM_realloc(lua_State* L, void* block, lu_mem oldsize, lu_mem size) {
  if (size >= 4294967293u) luaG_runerror(L, "memory allocation error: block too big");
  global_State* g = G(L);
  void* nb = g->frealloc(g->ud, block, oldsize, size, 0, L->allochint);
  if (nb == nullptr && size > 0) luaD_throw(L, LUA_ERRMEM);
  g->nblocks -= oldsize;
  g->nblocks += size;
  return nb;
}
