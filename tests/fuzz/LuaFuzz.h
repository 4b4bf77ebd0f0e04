// What the script targets share: an allocator with a memory budget and an allocation-failure
// injector, and an instruction budget for running hostile code.
//
// The budget is counted by a count hook that every thread of a budgeted state carries (new
// threads take it from the thread that makes them), so loops, recursion and coroutines run as
// written until it is spent. From then on the hook raises an error on each thread it next runs
// on, and after that at every instruction of that thread: a protected call that catches the
// error returns into code that raises it again, so the run unwinds to its end however many
// protected calls it nests.
#pragma once

#include <cstdlib>
#include <cstring>
#include <ctime>
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
  long allocationsLeft = -1;   // the allocation that finds it at 0 fails; below 0: never
  long instructionsLeft = -1;  // below 0: no limit
  // A few instructions cost time in proportion to their operands (comparing two texts of
  // megabytes), which a count of instructions does not see: past this much processor time the
  // budget counts as spent as well.
  std::clock_t cpuDeadline = 0;
};

inline LuaBudget gLuaBudget;

// Instructions between two calls of the budget's hook.
constexpr int kInstructionsPerHook = 1000;

inline void* BudgetAlloc(void*, void* block, size_t oldsize, size_t newsize, int, int) {
  LuaBudget& b = gLuaBudget;
  if (newsize == 0) {
    free(block);
    b.bytesLeft += oldsize;
    return nullptr;
  }
  if (b.allocationsLeft == 0) return nullptr;
  if (newsize > oldsize && newsize - oldsize > b.bytesLeft) return nullptr;
  void* grown = realloc(block, newsize);
  if (!grown) return nullptr;
  if (b.allocationsLeft > 0) b.allocationsLeft--;
  b.bytesLeft = b.bytesLeft + oldsize - newsize;
  return grown;
}

inline void SpendInstructions(lua_State* L, lua_Debug*) {
  LuaBudget& b = gLuaBudget;
  if (b.instructionsLeft < 0) return;
  const long spent = lua_gethookcount(L);
  if (b.instructionsLeft > spent && std::clock() < b.cpuDeadline) {
    b.instructionsLeft -= spent;
    return;
  }
  b.instructionsLeft = 0;
  lua_sethook(L, SpendInstructions, LUA_MASKCOUNT, 1);
  lua_pushliteral(L, "instruction budget spent");
  lua_error(L);
}

inline void PassOnTheHook(lua_State* L, lua_State* thread) {
  lua_sethook(thread, lua_gethook(L), lua_gethookmask(L), lua_gethookcount(L));
}

// A state with the budget allocator and no limits yet; null when it cannot be opened. Its
// threads inherit the hook of the thread that makes them.
inline lua_State* OpenBudgetState(size_t bytes) {
  lua_settings()->alloc = BudgetAlloc;
  lua_settings()->threadcreated = PassOnTheHook;
  gLuaBudget.bytesLeft = bytes;
  gLuaBudget.allocationsLeft = -1;
  gLuaBudget.instructionsLeft = -1;
  return lua_open();
}

// From now on the state's threads run at most that many instructions in all, and for at most
// that much processor time, before every instruction raises an error. A state's main thread
// carries the hook; threads made from now on inherit it.
inline void LimitInstructions(lua_State* L, long instructions, long milliseconds) {
  gLuaBudget.instructionsLeft = instructions;
  gLuaBudget.cpuDeadline = std::clock() + std::clock_t(milliseconds * (CLOCKS_PER_SEC / 1000));
  lua_sethook(L, SpendInstructions, LUA_MASKCOUNT, kInstructionsPerHook);
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

// Sets the global to nil.
inline void RemoveGlobal(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_pushnil(L);
  lua_settable(L, LUA_GLOBALSINDEX);
}

// Some library calls run long in native code, where no instruction is counted: pattern
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
