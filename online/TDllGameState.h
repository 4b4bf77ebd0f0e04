// A game-state handler in an add-on module (".hwmod"): a shared library exporting
// CreateHandler and DestroyHandler. The module's handler is a C function table, so nothing
// depends on how either side lays out C++ objects.
#pragma once

#include <memory>

#include "core/str.h"
#include "online/TGameStateHandler.h"

// What CreateHandler returns: its first member points at the table of functions.
namespace platform::os {
class DynamicLibrary;
}

struct HwModuleHandler;
struct HwModuleHandlerTable {
  // Nonzero when the module accepts the pair.
  int (*SetState)(HwModuleHandler* self, const char* key, const char* value);
};
struct HwModuleHandler {
  const HwModuleHandlerTable* table;
};

class TDllGameState : public TGameStateHandler {
public:
  TDllGameState();
  ~TDllGameState() override;

  // Loads the module and makes its handler; false when either fails.
  bool Load(const str& path);
  bool SetState(const str& key, const str& value) override;

private:
  std::unique_ptr<platform::os::DynamicLibrary> mLibrary;
  HwModuleHandler* mHandler = nullptr;
  void (*mDestroy)(HwModuleHandler*) = nullptr;
};
