// Entry points of the script libraries; each registers its functions on a state.
#pragma once

#include "script/LuaApi.h"

#define LUA_COLIBNAME "coroutine"
#define LUA_TABLIBNAME "table"
#define LUA_IOLIBNAME "io"
#define LUA_OSLIBNAME "os"
#define LUA_STRLIBNAME "string"
#define LUA_MATHLIBNAME "math"

int luaopen_base(lua_State* L);
int luaopen_table(lua_State* L);
int luaopen_io(lua_State* L);
int luaopen_string(lua_State* L);
int luaopen_math(lua_State* L);
