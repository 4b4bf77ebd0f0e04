// The one-pass compiler front end: reads tokens and drives the code generator to build one
// function prototype per function of a chunk.
#pragma once

#include <map>
#include <unordered_map>

#include "script/LuaLexer.h"
#include "script/LuaObject.h"
#include "script/LuaZio.h"

// Kinds of expression descriptors; the numbering is shared with the debug tools.
enum expkind {
  VVOID,  // no value
  VNIL,
  VTRUE,
  VFALSE,
  VK,          // info = index of the constant
  VLOCAL,      // info = local register
  VUPVAL,      // info = index of the upvalue
  VGLOBAL,     // info = index of the name constant
  VINDEXED,    // info = table register, aux = key as RK
  VJMP,        // info = the jump instruction
  VRELOCABLE,  // info = instruction whose A is still open
  VNONRELOC,   // info = result register
  VCALL        // info = the call instruction
};

struct expdesc {
  expkind k;
  int info, aux;
  int t;  // jumps taken when the expression is true
  int f;  // jumps taken when the expression is false
};

struct BlockCnt {
  BlockCnt* previous;
  int breaklist;     // jumps to the loop's exit
  int continuelist;  // jumps to the loop's continue point
  int nactvar;       // active locals outside this block
  int upval;         // a local of this block is captured by a nested function
  int isbreakable;   // 1 for a loop block
};

struct FuncState {
  Proto* f;
  // Constant lookup, so that equal constants share one slot. Strings and wide strings are
  // interned, so their object identifies them; numbers compare as doubles (0 and -0 share).
  std::unordered_map<const void*, int> kstrings;
  std::map<lua_Number, int> knumbers;
  int knil = -1;
  FuncState* prev;
  LexState* ls;
  lua_State* L;
  BlockCnt* bl;
  int pc;          // next position to code
  int lasttarget;  // pc of the last jump target
  int jpc;         // jumps waiting to be sent to `pc'
  int freereg;     // first free register
  int nk;          // elements in `k'
  int np;          // elements in `p'
  int nlocvars;    // elements in `locvars'
  int nactvar;     // active locals
  expdesc upvalues[MAXUPVALUES];
  int actvar[MAXVARS];  // indices of the active locals in `locvars'
};

Proto* luaY_parser(lua_State* L, ZIO* z, Mbuffer* buff);
