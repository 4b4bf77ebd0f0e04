// The memory manager: every allocation of the interpreter goes through luaM_realloc, which
// calls the state's allocator and keeps the collector's byte count.
#pragma once

#include "script/LuaObject.h"

#define MEMERRMSG "not enough memory"
#define MINSIZEARRAY 4

void* luaM_realloc(lua_State* L, void* block, lu_mem oldsize, lu_mem size);
void* luaM_growaux(lua_State* L, void* block, int* size, int size_elem, int limit,
                   const char* errormsg);

#define luaM_free(L, b, s) luaM_realloc(L, (b), (s), 0)
#define luaM_freelem(L, b) luaM_realloc(L, (b), sizeof(*(b)), 0)
#define luaM_freearray(L, b, n, t) luaM_realloc(L, (b), (lu_mem)(n) * (lu_mem)sizeof(t), 0)

#define luaM_malloc(L, t) luaM_realloc(L, nullptr, 0, (t))
#define luaM_new(L, t) ((t*)luaM_malloc(L, sizeof(t)))
#define luaM_newvector(L, n, t) ((t*)luaM_malloc(L, (lu_mem)(n) * (lu_mem)sizeof(t)))

#define luaM_growvector(L, v, nelems, size, t, limit, e) \
  if (((nelems) + 1) > (size)) ((v) = (t*)luaM_growaux(L, v, &(size), sizeof(t), limit, e))

#define luaM_reallocvector(L, v, oldn, n, t)                        \
  ((v) = (t*)luaM_realloc(L, v, (lu_mem)(oldn) * (lu_mem)sizeof(t), \
                          (lu_mem)(n) * (lu_mem)sizeof(t)))
