// Chunk input streams (ZIO) that pull blocks from a reader, and growable scratch buffers
// (Mbuffer) used by concatenation, formatting and the lexer.
#pragma once

#include "script/LuaObject.h"

#define EOZ (-1)  // end of stream

typedef struct Zio ZIO;

#define char2int(c) ((int)((unsigned char)(c)))
#define zgetc(z) (((z)->n--) > 0 ? char2int(*(z)->p++) : luaZ_fill(z))
#define zname(z) ((z)->name)

struct Zio {
  size_t n;       // bytes still unread in the current block
  const char* p;  // current position in the block
  lua_Chunkreader reader;
  void* data;  // the reader's data
  const char* name;
  int wide;  // 1 when the chunk is read as 16-bit little-endian units
  // A two-byte look-ahead across a block boundary keeps the rest of the new block here.
  const char* rest;
  size_t nrest;
  char join[2];
};

void luaZ_init(ZIO* z, lua_Chunkreader reader, void* data, const char* name);
// Bytes left unread (0 when all n were copied).
size_t luaZ_read(ZIO* z, void* b, size_t n);
int luaZ_lookahead(ZIO* z);
// The next two bytes as one little-endian unit, not consumed; EOZ when fewer are left.
int luaZ_lookahead2(ZIO* z);
int luaZ_fill(ZIO* z);

struct Mbuffer {
  char* buffer;
  size_t buffsize;
  size_t n;  // bytes in use (for writers that append)
};

char* luaZ_openspace(lua_State* L, Mbuffer* buff, size_t n);

#define luaZ_initbuffer(L, buff) ((buff)->buffer = nullptr, (buff)->buffsize = 0, (buff)->n = 0)
#define luaZ_sizebuffer(buff) ((buff)->buffsize)
#define luaZ_buffer(buff) ((buff)->buffer)
#define luaZ_bufflen(buff) ((buff)->n)
#define luaZ_resetbuffer(buff) ((buff)->n = 0)
#define luaZ_resizebuffer(L, buff, size) \
  (luaM_reallocvector(L, (buff)->buffer, (buff)->buffsize, size, char), (buff)->buffsize = (size))
#define luaZ_freebuffer(L, buff) luaZ_resizebuffer(L, buff, 0)
