// The call machinery: the value stack and the frame array of a thread, calls with result
// adjustment, protected execution, error raising, coroutines and protected chunk parsing.
#pragma once

#include "script/LuaObject.h"
#include "script/LuaState.h"
#include "script/LuaZio.h"

#define luaD_checkstack(L, n) \
  if ((char*)L->stack_last - (char*)L->top <= (n) * (int)sizeof(TObject)) luaD_growstack(L, n);

#define incr_top(L)        \
  {                        \
    luaD_checkstack(L, 1); \
    L->top++;              \
  }

#define savestack(L, p) ((char*)(p) - (char*)L->stack)
#define restorestack(L, n) ((TObject*)((char*)L->stack + (n)))
#define saveci(L, p) ((char*)(p) - (char*)L->base_ci)
#define restoreci(L, n) ((CallInfo*)((char*)L->base_ci + (n)))

// Type of protected functions, run by luaD_rawrunprotected and luaD_pcall.
typedef void (*Pfunc)(lua_State* L, void* ud);

void luaD_resetprotection(lua_State* L);
int luaD_protectedparser(lua_State* L, ZIO* z, int bin);
StkId luaD_precall(lua_State* L, StkId func);

// Opens the frame of Lua function p whose first argument is at base: the stack must already
// hold room for p's registers. Registers past the arguments start as nil.
inline void luaD_openluaframe(lua_State* L, StkId base, Proto* p) {
  CallInfo* ci = ++L->ci;
  L->base = ci->base = base;
  ci->func = clvalue(base - 1);
  ci->top = base + p->maxstacksize;
  ci->u.l.savedpc = p->code;
  ci->u.l.pc = nullptr;
  ci->u.l.tailcalls = 0;
  ci->state = CI_SAVEDPC;
  while (L->top < ci->top) setnilvalue(L->top++);
  L->top = ci->top;
}
void luaD_call(lua_State* L, StkId func, int nResults);
int luaD_pcall(lua_State* L, Pfunc func, void* u, ptrdiff_t oldtop, ptrdiff_t ef);
void luaD_reallocCI(lua_State* L, int newsize);
void luaD_reallocstack(lua_State* L, int newsize);
void luaD_growstack(lua_State* L, int n);

// Calls the thread's hook with the event unless it is off or already running.
void luaD_callhook(lua_State* L, int event, int line);
// The call event of the frame just opened, and the return events of the frame about to close
// (one more for each call it lost to tail calls); the latter answers firstResult again, since
// the hook may move the stack.
void luaD_hookcall(lua_State* L);
StkId luaD_hookreturn(lua_State* L, StkId firstResult);

// Inline: every return of the interpreter loop runs it.
inline void luaD_poscall(lua_State* L, int wanted, StkId firstResult) {
  if (L->hookmask & LUA_MASKRET) [[unlikely]]
    firstResult = luaD_hookreturn(L, firstResult);
  StkId res = L->base - 1;  // final position of the first result
  L->ci--;
  L->base = L->ci->base;
  while (wanted != 0 && firstResult < L->top) {
    setobjs2s(res++, firstResult++);
    wanted--;
  }
  while (wanted-- > 0) setnilvalue(res++);
  L->top = res;
}

[[noreturn]] void luaD_throw(lua_State* L, int errcode);
int luaD_rawrunprotected(lua_State* L, Pfunc f, void* ud);
