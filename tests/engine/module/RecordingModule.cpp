// An add-on module for the start-up tests: it accepts nothing and records every key it sees.
#include <string>

#include "online/TDllGameState.h"

namespace {
std::string gKeys;

int SetState(HwModuleHandler*, const char* key, const char*) {
  gKeys += key;
  gKeys += ';';
  return 0;
}

const HwModuleHandlerTable kTable = {&SetState};
HwModuleHandler gHandler = {&kTable};
}  // namespace

extern "C" {
__attribute__((visibility("default"))) HwModuleHandler* CreateHandler() { return &gHandler; }
__attribute__((visibility("default"))) void DestroyHandler(HwModuleHandler*) {}
__attribute__((visibility("default"))) const char* RecordedKeys() { return gKeys.c_str(); }
}
