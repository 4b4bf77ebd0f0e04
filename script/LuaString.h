// The interning table of strings and wide strings (one table for both kinds), and the
// allocation of full userdata, which shares the string module's sizing rules.
#pragma once

#include "script/LuaObject.h"
#include "script/LuaState.h"

#define sizestring(l) ((lu_mem)sizeof(TString) + ((lu_mem)(l) + 1) * sizeof(char))
#define sizewstring(l) ((lu_mem)sizeof(TString) + ((lu_mem)(l) + 1) * sizeof(lua_WChar))
// A boxed pointer (odd len) holds one pointer whatever its length mark says.
#define sizeudata(l) ((lu_mem)sizeof(Udata) + (((l)&1) ? (lu_mem)sizeof(void*) : (lu_mem)(l)))

#define luaS_new(L, s) (luaS_newlstr(L, s, strlen(s)))
#define luaS_newliteral(L, s) (luaS_newlstr(L, "" s, (sizeof(s) / sizeof(char)) - 1))
#define luaS_fix(s) ((s)->tsv.marked |= (1 << 4))

void luaS_resize(lua_State* L, int newsize);
Udata* luaS_newudata(lua_State* L, size_t s);
// A boxed pointer: a userdata with length mark 1 holding p.
Udata* luaS_newboxed(lua_State* L, void* p);
void luaS_freeall(lua_State* L);
TString* luaS_newlstr(lua_State* L, const char* str, size_t l);
TString* luaS_newwstr(lua_State* L, const lua_WChar* str, size_t l);
// The string made of n narrow strings (total length l) laid end to end, built without an
// intermediate copy.
TString* luaS_newconcat(lua_State* L, const TObject* pieces, int n, size_t l);
