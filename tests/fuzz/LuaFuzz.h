// What the script targets share: an allocator with a memory budget and an allocation-failure
// injector, and a CPU-time budget for running hostile code.
//
// The interpreter has no instruction hook, so the budget is kept in two ways. A CPU timer
// makes the interpreter's next stack check fail (the stack looks full and the allocator
// refuses to grow it), so calls end in a memory error; and it turns every backward jump, call
// and tail call of the chunk being run into a return, so loops and recursion end too, in
// coroutines as well (whose stacks the first way does not reach). A protected call would
// catch the error and carry on, so pcall and xpcall pass it on once the time is up.
#pragma once

#include <signal.h>
#include <sys/time.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

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

// True when the text, cut at its first zero byte as the engine's scripts take it, runs no loop:
// neither its own code nor that of any text constant of it that is itself a chunk (a command
// an animation runs later, a text given to dostring), however deep. Scripts the engine
// runs have no budget, and a loop that never ends would stop the game as it stops the fuzzer.
// A text that does not compile runs nothing, so it ends.
inline bool TextEndsByItself(const char* text, size_t size) {
  size = strnlen(text, size);
  lua_State* L = lua_open();
  if (!L) return false;
  bool ends = true;
  if (luaL_loadbuffer(L, text, size, "=text") == 0) {
    const TObject* top = L->top - 1;
    const Proto* main = clvalue(top)->l.p;
    ends = EndsByItself(main);
    std::vector<const Proto*> open = {main};
    while (ends && !open.empty()) {
      const Proto* p = open.back();
      open.pop_back();
      for (int k = 0; k < p->sizep; ++k) open.push_back(p->p[k]);
      for (int k = 0; ends && k < p->sizek; ++k)
        if (ttisstring(&p->k[k]))
          ends = TextEndsByItself(svalue(&p->k[k]), tsvalue(&p->k[k])->tsv.len);
    }
  }
  lua_close(L);
  return ends;
}

inline lua_State* volatile gTimedState = nullptr;

// The instructions of the running chunk that keep it going: backward jumps, calls and tail
// calls. Filled before the timer starts and only read by it.
inline std::vector<Instruction*> gLoopsAndCalls;

inline void CollectLoopsAndCalls(Proto* p) {
  for (int pc = 0; pc < p->sizecode; ++pc) {
    const Instruction i = p->code[pc];
    switch (GET_OPCODE(i)) {
      case OP_JMP:
      case OP_FORLOOP:
        if (GETARG_sBx(i) < 0) gLoopsAndCalls.push_back(&p->code[pc]);
        break;
      case OP_CALL:
      case OP_TAILCALL: gLoopsAndCalls.push_back(&p->code[pc]); break;
      default: break;
    }
  }
  for (int k = 0; k < p->sizep; ++k) CollectLoopsAndCalls(p->p[k]);
}

inline void OnCpuTimeSpent(int) {
  gLuaBudget.expired = 1;
  if (lua_State* L = gTimedState) L->stack_last = L->stack;
  // A return of nothing, valid wherever it stands.
  for (Instruction* at : gLoopsAndCalls) *at = CREATE_ABC(OP_RETURN, 0, 1, 0);
}

// Runs the function on top of the stack with pcall under a CPU-time limit; the state is left
// as it was, bar the stack, so it can be closed normally afterwards. Once the time is up, the
// function's code (a Lua function's) no longer loops or calls.
inline int TimedCall(lua_State* L, int nargs, int nresults, long milliseconds) {
  gLoopsAndCalls.clear();
  const TObject* f = L->top - 1 - nargs;
  if (ttype(f) == LUA_TFUNCTION && !clvalue(f)->c.isC) CollectLoopsAndCalls(clvalue(f)->l.p);
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
  gLoopsAndCalls.clear();
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
