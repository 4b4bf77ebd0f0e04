#include "online/TDllGameState.h"

#include "assets/FileLayer.h"
#include "platform/os/DynamicLibrary.h"

struct TDllGameState::Module {
  platform::os::DynamicLibrary library;
  HwCreateHandlerFn create = nullptr;
  HwDestroyHandlerFn destroy = nullptr;
  HwModuleHandler* handler = nullptr;

  const HwModuleHandlerTable* Table() const { return handler ? handler->table : nullptr; }

  // One of the yes/no slots; false without a handler or without that entry.
  bool Ask(int (*HwModuleHandlerTable::*slot)(HwModuleHandler*)) const {
    const HwModuleHandlerTable* t = Table();
    return t && t->*slot && (t->*slot)(handler) != 0;
  }
};

TDllGameState::TDllGameState() : mModule(std::make_unique<Module>()) {}

TDllGameState::~TDllGameState() {
  if (mModule->handler && mModule->destroy) mModule->destroy(mModule->handler);
  mModule->handler = nullptr;
  mModule->library.Unload();
  mModule->create = nullptr;
  mModule->destroy = nullptr;
}

bool TDllGameState::Load(const str& path) {
  str resolved = ResolveFilePath(path, true);
  if (resolved.IsEmpty()) return false;
  std::string file = resolved.CStr();
  // A bare name would send the loader along the library path instead of this file.
  if (file.find('/') == std::string::npos) file = "./" + file;
  if (!mModule->library.Load(file, std::string())) return false;
  mModule->create = reinterpret_cast<HwCreateHandlerFn>(mModule->library.Symbol("CreateHandler"));
  if (!mModule->create) return false;
  mModule->destroy =
      reinterpret_cast<HwDestroyHandlerFn>(mModule->library.Symbol("DestroyHandler"));
  if (!mModule->destroy) return false;
  mModule->handler = mModule->create();
  if (!mModule->handler) return false;
  if (!mModule->handler->table) {
    // Nothing could be called on it; hand it back at once.
    mModule->destroy(mModule->handler);
    mModule->handler = nullptr;
    return false;
  }
  return true;
}

bool TDllGameState::OnEvent(const char* key, const char* value) {
  const HwModuleHandlerTable* t = mModule->Table();
  return t && t->OnEvent && t->OnEvent(mModule->handler, key, value) != 0;
}

const char* TDllGameState::Query(const char* key, const char* defaultValue) {
  const HwModuleHandlerTable* t = mModule->Table();
  if (!t || !t->Query) return defaultValue;
  return t->Query(mModule->handler, key, defaultValue);
}

bool TDllGameState::QueryRestartMode() {
  return mModule->Ask(&HwModuleHandlerTable::QueryRestartMode);
}

bool TDllGameState::QueryJumpToMenu() {
  return mModule->Ask(&HwModuleHandlerTable::QueryJumpToMenu);
}

bool TDllGameState::QueryMuteGame() { return mModule->Ask(&HwModuleHandlerTable::QueryMuteGame); }

bool TDllGameState::QueryHostPause() { return mModule->Ask(&HwModuleHandlerTable::QueryHostPause); }
