// Chunks loaded and run: text or precompiled, with the base, string, table and math libraries
// and coroutines, loops and all, under a memory budget, an allocation-failure injector and an
// instruction budget. Input: a 32-bit allocation count (the allocation after that many fails;
// 0 never fails), then the chunk. Whatever the chunk does, the state must stay usable and
// close cleanly.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "LuaFuzz.h"

namespace {

int Ignore(lua_State*) { return 0; }

// Functions that reach files or only print.
const char* const kRemoved[] = {"dofile", "loadfile", "require", "print", "loadlib", "io", "os"};

// Enough for every seed to run to its end; a chunk that runs longer is cut short.
constexpr long kInstructions = 1000000;
constexpr long kMilliseconds = 1000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  uint32_t failAfter = in.U32();
  std::string chunk = in.Rest();

  lua_State* L = fuzz::OpenBudgetState(16u << 20);
  if (!L) abort();
  for (lua_CFunction open : {luaopen_base, luaopen_string, luaopen_table, luaopen_math}) {
    open(L);
    lua_settop(L, 0);
  }
  for (const char* name : kRemoved) fuzz::RemoveGlobal(L, name);
  lua_register(L, "print", Ignore);
  fuzz::GuardStringLibrary(L);

  if (luaL_loadbuffer(L, chunk.data(), chunk.size(), "=fuzz") == 0) {
    fuzz::gLuaBudget.allocationsLeft = failAfter == 0 ? -1 : long(failAfter % 100000);
    fuzz::LimitInstructions(L, kInstructions, kMilliseconds);
    lua_pcall(L, 0, 0, 0);
    fuzz::gLuaBudget.allocationsLeft = -1;
    fuzz::gLuaBudget.bytesLeft = size_t(1) << 30;
    // Still usable after whatever happened. The probe, and the finalizers that closing the
    // state runs, have a budget of their own.
    fuzz::LimitInstructions(L, kInstructions, kMilliseconds);
    lua_settop(L, 0);
    const char probe[] = "local t = {} t[1] = 'ok' return t[1]";
    if (luaL_loadbuffer(L, probe, sizeof probe - 1, "=probe") != 0) abort();
    if (lua_pcall(L, 0, 1, 0) != 0) abort();
  }
  lua_close(L);
  return 0;
}
