// Precompiled chunks: writing a compiled function tree and reading one back, in either byte
// order, with ints, sizes and instructions of 4 bytes on every host.
#pragma once

#include "script/LuaObject.h"
#include "script/LuaZio.h"

// Bytes of the chunk header: signature, version, byte order, eight sizes, the test number.
inline constexpr int LUAC_HEADERSIZE = 22;
inline constexpr int LUAC_VERSION = 0x50;

// The byte-order byte this program writes and expects: 1 for little-endian.
int luaU_endianness();
// Fills h with the LUAC_HEADERSIZE bytes every chunk this program writes begins with.
void luaU_header(char* h);
// Writes f and its nested functions. Returns 0, or the first non-zero writer result (the dump
// stops there).
int luaU_dump(lua_State* L, const Proto* f, lua_Chunkwriter w, void* data);
// Reads a chunk from z (its first byte is the signature's); raises a run-time error when the
// chunk is malformed.
Proto* luaU_undump(lua_State* L, ZIO* z, Mbuffer* buff);
