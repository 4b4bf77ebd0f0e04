// Debug information and run-time errors: frame and function information, names of the values
// in error messages (by symbolic execution), error formatting, and the code checker.
#pragma once

#include "script/LuaState.h"

#define pcRel(pc, p) ((int)((pc) - (p)->code) - 1)
#define getline(f, pc) (((f)->lineinfo) ? (f)->lineinfo[pc] : 0)
#define resethookcount(L) (L->hookcount = L->basehookcount)

void luaG_inithooks(lua_State* L);
// Before an instruction of a Lua frame while a line or count hook is set: counts it and calls
// the hook with the events that are due.
void luaG_traceexec(lua_State* L);
[[noreturn]] void luaG_typeerror(lua_State* L, const TObject* o, const char* opname);
[[noreturn]] void luaG_concaterror(lua_State* L, StkId p1, StkId p2);
[[noreturn]] void luaG_aritherror(lua_State* L, const TObject* p1, const TObject* p2);
[[noreturn]] void luaG_ordererror(lua_State* L, const TObject* p1, const TObject* p2);
[[noreturn]] void luaG_runerror(lua_State* L, const char* fmt, ...);
[[noreturn]] void luaG_errormsg(lua_State* L);
int luaG_checkcode(const Proto* pt);
