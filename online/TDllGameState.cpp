#include "online/TDllGameState.h"

#include "platform/os/DynamicLibrary.h"

TDllGameState::TDllGameState() : mLibrary(std::make_unique<platform::os::DynamicLibrary>()) {}

TDllGameState::~TDllGameState() {
  if (mHandler && mDestroy) mDestroy(mHandler);
}

bool TDllGameState::Load(const str& path) {
  if (!mLibrary->Load(path.CStr())) return false;
  using CreateFn = HwModuleHandler* (*)();
  using DestroyFn = void (*)(HwModuleHandler*);
  auto create = reinterpret_cast<CreateFn>(mLibrary->Symbol("CreateHandler"));
  mDestroy = reinterpret_cast<DestroyFn>(mLibrary->Symbol("DestroyHandler"));
  if (!create || !mDestroy) return false;
  mHandler = create();
  if (!mHandler || !mHandler->table) {
    mHandler = nullptr;
    return false;
  }
  return true;
}

bool TDllGameState::SetState(const str& key, const str& value) {
  if (!mHandler || !mHandler->table->SetState) return false;
  return mHandler->table->SetState(mHandler, key.CStr(), value.CStr()) != 0;
}
