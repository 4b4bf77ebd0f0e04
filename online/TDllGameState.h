// A game-state handler in an add-on module (".hwmod"): a shared library exporting
// CreateHandler and DestroyHandler with C linkage. The module's handler is reached through
// its C function table (online/HwModule.h), so nothing depends on how either side lays out
// C++ objects.
#pragma once

#include <memory>

#include "core/str.h"
#include "online/HwModule.h"
#include "online/TGameStateHandler.h"

class TDllGameState : public TGameStateHandler {
public:
  TDllGameState();
  // Calls DestroyHandler on the module's handler, then unloads the module.
  ~TDllGameState() override;
  TDllGameState(const TDllGameState&) = delete;
  TDllGameState& operator=(const TDllGameState&) = delete;

  // Resolves the name through the file layer, loads the module and makes its handler. A
  // failed load keeps what it obtained for the destructor to release.
  bool Load(const str& path);

  bool OnEvent(const char* key, const char* value) override;
  const char* Query(const char* key, const char* defaultValue) override;
  bool QueryRestartMode() override;
  bool QueryJumpToMenu() override;
  bool QueryMuteGame() override;
  bool QueryHostPause() override;

private:
  struct Module;
  std::unique_ptr<Module> mModule;
};
