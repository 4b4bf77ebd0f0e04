#include "online/TDllGameState.h"

#include "assets/FileLayer.h"
#include "platform/os/DynamicLibrary.h"

struct TDllGameState::Module {
  platform::os::DynamicLibrary library;
  HwCreateHandlerFn create = nullptr;
  HwDestroyHandlerFn destroy = nullptr;
  HwModuleHandler* handler = nullptr;

  const HwModuleHandlerTable* Table() const { return handler ? handler->table : nullptr; }
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
  const HwModuleHandlerTable* t = mModule->Table();
  return t && t->QueryRestartMode && t->QueryRestartMode(mModule->handler) != 0;
}

bool TDllGameState::QueryJumpToMenu() {
  const HwModuleHandlerTable* t = mModule->Table();
  return t && t->QueryJumpToMenu && t->QueryJumpToMenu(mModule->handler) != 0;
}

bool TDllGameState::QueryMuteGame() {
  const HwModuleHandlerTable* t = mModule->Table();
  return t && t->QueryMuteGame && t->QueryMuteGame(mModule->handler) != 0;
}

bool TDllGameState::QueryHostPause() {
  const HwModuleHandlerTable* t = mModule->Table();
  return t && t->QueryHostPause && t->QueryHostPause(mModule->handler) != 0;
}
