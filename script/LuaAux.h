// The auxiliary library: argument checks, error helpers, table sizes, string buffers (byte
// and wide) and chunk loading from files and memory.
#pragma once

#include <cstdio>

#include "script/LuaApi.h"
#include "script/LuaConf.h"

struct luaL_reg {
  const char* name;
  lua_CFunction func;
};

void luaL_openlib(lua_State* L, const char* libname, const luaL_reg* l, int nup);
int luaL_getmetafield(lua_State* L, int obj, const char* e);
int luaL_callmeta(lua_State* L, int obj, const char* e);
int luaL_typerror(lua_State* L, int narg, const char* tname);
int luaL_argerror(lua_State* L, int numarg, const char* extramsg);
const char* luaL_checklstring(lua_State* L, int numArg, size_t* l);
const char* luaL_optlstring(lua_State* L, int numArg, const char* def, size_t* l);
const uint16_t* luaL_checklwstring(lua_State* L, int numArg, size_t* l);
lua_Number luaL_checknumber(lua_State* L, int numArg);
lua_Number luaL_optnumber(lua_State* L, int nArg, lua_Number def);

void luaL_checkstack(lua_State* L, int sz, const char* msg);
void luaL_checktype(lua_State* L, int narg, int t);
void luaL_checkany(lua_State* L, int narg);

int luaL_newmetatable(lua_State* L, const char* tname);
void luaL_getmetatable(lua_State* L, const char* tname);
void* luaL_checkudata(lua_State* L, int ud, const char* tname);

void luaL_where(lua_State* L, int lvl);
int luaL_error(lua_State* L, const char* fmt, ...);

int luaL_findstring(const char* st, const char* const lst[]);

int luaL_getn(lua_State* L, int t);
void luaL_setn(lua_State* L, int t, int n);

int luaL_loadfile(lua_State* L, const char* filename);
int luaL_loadbuffer(lua_State* L, const char* buff, size_t sz, const char* name);

int lua_dobuffer(lua_State* L, const char* buff, size_t sz, const char* n);
int lua_dostring(lua_State* L, const char* str);

#define luaL_argcheck(L, cond, numarg, extramsg) \
  if (!(cond)) luaL_argerror(L, numarg, extramsg)
#define luaL_checkstring(L, n) (luaL_checklstring(L, (n), nullptr))
#define luaL_optstring(L, n, d) (luaL_optlstring(L, (n), (d), nullptr))
#define luaL_checkwstring(L, n) (luaL_checklwstring(L, (n), nullptr))
#define luaL_checkint(L, n) ((int)lua_number2int32(luaL_checknumber(L, n)))
#define luaL_checklong(L, n) ((long)lua_number2int64(luaL_checknumber(L, n)))
#define luaL_optint(L, n, d) ((int)lua_number2int32(luaL_optnumber(L, n, (lua_Number)(d))))
#define luaL_optlong(L, n, d) ((long)lua_number2int64(luaL_optnumber(L, n, (lua_Number)(d))))

// String buffers. A wide buffer (wide = 1) collects 16-bit units and yields a wide string.
#define LUAL_BUFFERSIZE 512

struct luaL_Buffer {
  char* p;  // current position in buffer
  int lvl;  // number of pieces pushed on the stack
  int wide;
  lua_State* L;
  char buffer[LUAL_BUFFERSIZE];
};

#define luaL_putchar(B, c) \
  ((void)((B)->p < ((B)->buffer + LUAL_BUFFERSIZE) || luaL_prepbuffer(B)), (*(B)->p++ = (char)(c)))
#define luaL_addsize(B, n) ((B)->p += (n))

void luaL_buffinit(lua_State* L, luaL_Buffer* B);
void luaL_wbuffinit(lua_State* L, luaL_Buffer* B);
char* luaL_prepbuffer(luaL_Buffer* B);
void luaL_addlstring(luaL_Buffer* B, const char* s, size_t l);
void luaL_addlwstring(luaL_Buffer* B, const uint16_t* s, size_t n);
void luaL_addstring(luaL_Buffer* B, const char* s);
void luaL_addvalue(luaL_Buffer* B);
void luaL_pushresult(luaL_Buffer* B);
