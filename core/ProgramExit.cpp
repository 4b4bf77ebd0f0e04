#include "core/ProgramExit.h"

#include <cstdlib>

namespace {
PlatformExitHook gExitHook = nullptr;
}  // namespace

void SetPlatformExitHook(PlatformExitHook hook) { gExitHook = hook; }

int EndPlatformProgram(int code) {
  if (gExitHook)
    gExitHook(code);
  else
    std::exit(code);
  return code;
}
