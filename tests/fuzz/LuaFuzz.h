// What the script targets share: an allocator with a memory budget and an allocation-failure
// injector, a check that keeps code without an end out of the interpreter, and a CPU-time
// limit for what is left.
//
// The interpreter has no instruction hook, so running hostile code is bounded in two steps.
// Code with a backward jump is not run at all: without one, each activation of a function
// runs at most its own length between calls, so only calls can make it run long (recursion,
// tail calls, iterators). For those, a CPU timer makes the interpreter's next stack check
// fail (the stack looks full and the allocator refuses to grow it); every call passes one, so
// the run ends in a memory error. A protected call would catch that error and carry on, so
// pcall and xpcall pass it on once the time is up.
#pragma once

#include <signal.h>
#include <sys/time.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/LuaLibs.h"
#include "script/LuaObject.h"
#include "script/LuaOpcodes.h"
#include "script/LuaState.h"

namespace fuzz {

struct LuaBudget {
  size_t bytesLeft = 0;
  long allocationsLeft = -1;  // the allocation that finds it at 0 fails; below 0: never
  volatile sig_atomic_t expired = 0;
};

inline LuaBudget gLuaBudget;

inline void* BudgetAlloc(void*, void* block, size_t oldsize, size_t newsize, int, int) {
  LuaBudget& b = gLuaBudget;
  if (newsize == 0) {
    free(block);
    b.bytesLeft += oldsize;
    return nullptr;
  }
  if (b.expired || b.allocationsLeft == 0) return nullptr;
  if (newsize > oldsize && newsize - oldsize > b.bytesLeft) return nullptr;
  void* grown = realloc(block, newsize);
  if (!grown) return nullptr;
  if (b.allocationsLeft > 0) b.allocationsLeft--;
  b.bytesLeft = b.bytesLeft + oldsize - newsize;
  return grown;
}

// A state with the budget allocator and no limits yet; null when it cannot be opened.
inline lua_State* OpenBudgetState(size_t bytes) {
  lua_settings()->alloc = BudgetAlloc;
  gLuaBudget.bytesLeft = bytes;
  gLuaBudget.allocationsLeft = -1;
  gLuaBudget.expired = 0;
  return lua_open();
}

// True when no function of the tree jumps backwards.
inline bool EndsByItself(const Proto* p) {
  for (int pc = 0; pc < p->sizecode; ++pc) {
    Instruction i = p->code[pc];
    switch (GET_OPCODE(i)) {
      case OP_JMP:
      case OP_FORLOOP:
        if (GETARG_sBx(i) < 0) return false;
        break;
      default: break;
    }
  }
  for (int k = 0; k < p->sizep; ++k)
    if (!EndsByItself(p->p[k])) return false;
  return true;
}

// True when the value on top of the stack is a Lua function whose code ends by itself.
inline bool TopEndsByItself(lua_State* L) {
  const TObject* top = L->top - 1;
  return ttype(top) == LUA_TFUNCTION && !clvalue(top)->c.isC && EndsByItself(clvalue(top)->l.p);
}

inline lua_State* volatile gTimedState = nullptr;

inline void OnCpuTimeSpent(int) {
  gLuaBudget.expired = 1;
  if (lua_State* L = gTimedState) L->stack_last = L->stack;
}

// Runs the function on top of the stack with pcall under a CPU-time limit; the state is left
// as it was, bar the stack, so it can be closed normally afterwards.
inline int TimedCall(lua_State* L, int nargs, int nresults, long milliseconds) {
  struct sigaction action = {};
  action.sa_handler = OnCpuTimeSpent;
  sigaction(SIGVTALRM, &action, nullptr);
  itimerval limit = {};
  limit.it_value.tv_sec = milliseconds / 1000;
  limit.it_value.tv_usec = (milliseconds % 1000) * 1000;
  limit.it_interval.tv_usec = 10000;  // again, should a stack growth have undone it
  gTimedState = L;
  setitimer(ITIMER_VIRTUAL, &limit, nullptr);
  int status = lua_pcall(L, nargs, nresults, 0);
  itimerval off = {};
  setitimer(ITIMER_VIRTUAL, &off, nullptr);
  gTimedState = nullptr;
  L->stack_last = L->stack + L->stacksize - 1 - EXTRA_STACK;
  gLuaBudget.expired = 0;
  return status;
}

inline int ProtectedCallUntilExpired(lua_State* L) {
  if (gLuaBudget.expired) return luaL_error(L, "out of time");
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
  if (gLuaBudget.expired) return luaL_error(L, "out of time");
  return lua_gettop(L);
}

inline void GuardProtectedCalls(lua_State* L) {
  for (const char* name : {"pcall", "xpcall"}) {
    lua_pushstring(L, name);
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_pushcclosure(L, ProtectedCallUntilExpired, 1);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
}

// Sets the global to nil.
inline void RemoveGlobal(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_pushnil(L);
  lua_settable(L, LUA_GLOBALSINDEX);
}

// Some library calls run long in native code, where the CPU timer cannot stop them: pattern
// matching backtracks (its cost grows with the subject's length to the power of the
// pattern's repetitions) and a repetition of an empty text still counts to its end. The
// guarded versions refuse arguments beyond small bounds with a Lua error.
inline bool WithinBounds(lua_State* L, const char* name) {
  if (std::strcmp(name, "rep") == 0) {
    double n = lua_tonumber(L, 2);
    return !(n > 1e6) && !(double(lua_strlen(L, 1)) * n > double(4u << 20));
  }
  if (lua_strlen(L, 1) > 1024) return false;
  size_t patternLength = lua_strlen(L, 2);
  const char* pattern = lua_tostring(L, 2);
  int repetitions = 0;
  for (size_t i = 0; pattern && i < patternLength; ++i)
    if (std::strchr("*+-", pattern[i]) && pattern[i] != 0) repetitions++;
  return repetitions <= 3;
}

inline int GuardedCall(lua_State* L) {
  const char* name = lua_tostring(L, lua_upvalueindex(2));
  if (!WithinBounds(L, name)) return luaL_error(L, "arguments past the fuzzing bounds");
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
  return lua_gettop(L);
}

// Replaces the string library's long-running functions by their guarded versions.
inline void GuardStringLibrary(lua_State* L) {
  lua_pushstring(L, "string");
  lua_gettable(L, LUA_GLOBALSINDEX);
  for (const char* name : {"rep", "find", "gfind", "gsub"}) {
    lua_pushstring(L, name);
    lua_pushstring(L, name);
    lua_gettable(L, -3);
    lua_pushstring(L, name);
    lua_pushcclosure(L, GuardedCall, 2);
    lua_settable(L, -3);
  }
  lua_pop(L, 1);
}

}  // namespace fuzz
