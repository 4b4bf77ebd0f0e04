// A module that makes a handler but cannot release it: the game must not register it.
#include "online/HwModule.h"

namespace {
int gCreated = 0;
const HwModuleHandlerTable kTable = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
HwModuleHandler gHandler = {&kTable};
}  // namespace

extern "C" {
__attribute__((visibility("default"))) HwModuleHandler* CreateHandler() {
  ++gCreated;
  return &gHandler;
}
}
