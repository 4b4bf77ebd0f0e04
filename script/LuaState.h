// Interpreter states: the global state shared by all threads of one interpreter, the per-thread
// record (stack, call frames, error recovery) and the union of all collectable objects.
#pragma once

#include "script/LuaObject.h"
#include "script/LuaTm.h"
#include "script/LuaZio.h"

struct lua_longjmp;  // defined in LuaDo.cpp

// Globals table of a thread, the registry and the default metatable.
#define gt(L) (&(L)->_gt)
#define registry(L) (&G(L)->_registry)
#define defaultmeta(L) (&G(L)->_defaultmeta)

struct stringtable {
  GCObject** hash;
  lu_int32 nuse;  // number of elements
  int size;
};

// Frame states.
#define CI_C (1 << 0)         // native function
#define CI_HASFRAME (1 << 1)  // has a running interpreter frame
#define CI_CALLING (1 << 2)   // calls a Lua function, to be resumed on return
#define CI_SAVEDPC (1 << 3)   // saved position is valid
#define CI_YIELD (1 << 4)     // yielded

struct CallInfo {
  StkId base;  // first slot of the frame
  StkId top;   // frame top
  // The function running in the frame. Its stack slot (base - 1) is an ordinary register of
  // the caller, which a crafted chunk can overwrite through an upvalue while the frame runs.
  Closure* func;
  int state;
  union {
    struct {  // Lua functions
      const Instruction* savedpc;
      const Instruction** pc;  // the interpreter loop's live position
      int tailcalls;           // frames lost to tail calls
    } l;
    struct {  // native functions
      int dummy;
    } c;
  } u;
};

#define ci_func(ci) ((ci)->func)
#define curr_func(L) (L->ci->func)
#define f_isLua(ci) (!((ci)->state & CI_C))
#define isLua(ci) ((ci)->func != nullptr && f_isLua(ci))

struct global_State {
  stringtable strt;
  GCObject* rootgc;     // every collectable object but strings and userdata
  GCObject* rootudata;  // full userdata
  GCObject* tmudata;    // userdata with a pending finalizer
  Mbuffer buff;         // scratch buffer
  lu_mem GCthreshold;
  lu_mem nblocks;  // bytes in use
  lua_Alloc frealloc;
  void* ud;
  lua_CFunction panic;
  lua_ThreadHook threadcreated;
  lua_ThreadHook threadfreed;
  TObject _registry;
  TObject _defaultmeta;
  TObject typemt[NUM_TYPETAGS];  // per-type metatables; slot 0 stays nil
  lua_State* mainthread;
  int nresumes;           // coroutines resumed inside one another; each nests native frames
  Node dummynode[1];      // common node of every table without a hash part
  TString* tmname[TM_N];  // metamethod event names
  TString* argcount;      // "n", the count field of every vararg call's `arg` table
};

struct lua_State {
  CommonHeader;
  StkId top;   // first free slot
  StkId base;  // base of the running function
  global_State* l_G;
  CallInfo* ci;
  StkId stack_last;  // last usable slot
  StkId stack;
  int stacksize;
  CallInfo* end_ci;
  CallInfo* base_ci;
  unsigned short size_ci;
  unsigned short nCcalls;  // nested calls made from native code
  lu_byte hookmask;
  lu_byte allowhook;
  lu_byte hookinit;
  int basehookcount;
  int hookcount;
  lua_Hook hook;
  TObject _gt;          // globals table
  GCObject* openupval;  // open upvalues, highest level first
  GCObject* gclist;
  lua_longjmp* errorJmp;  // innermost recovery point
  ptrdiff_t errfunc;      // stack offset of the error handler
  int allochint;          // handed to the allocator as its last argument
};

#define G(L) (L->l_G)

union GCObject {
  GCheader gch;
  TString ts;
  Udata u;
  Closure cl;
  Table h;
  Proto p;
  UpVal uv;
  lua_State th;
};

#define gcotots(o) check_exp((o)->gch.tt == LUA_TSTRING || (o)->gch.tt == LUA_TWSTRING, &((o)->ts))
#define gcotou(o) (&((o)->u))
#define gcotocl(o) (&((o)->cl))
#define gcotoh(o) (&((o)->h))
#define gcotop(o) (&((o)->p))
#define gcotouv(o) (&((o)->uv))
#define ngcotouv(o) (&((o)->uv))
#define gcototh(o) (&((o)->th))
#define valtogco(v) ((GCObject*)(v))

lua_State* luaE_newthread(lua_State* L);
void luaE_freethread(lua_State* L, lua_State* L1);
