#include "online/TGameState.h"

#include "online/TGameStateHandler.h"

namespace {
TGameState* gInstance = nullptr;
}  // namespace

TGameState* TGameState::GetInstance() {
  if (!gInstance) gInstance = new TGameState();
  return gInstance;
}

TGameState* TGameState::Existing() { return gInstance; }

void TGameState::DeleteInstance() {
  delete gInstance;
  gInstance = nullptr;
}

TGameState::~TGameState() {
  for (TGameStateHandler* h : mHandlers) delete h;
}

void TGameState::SetState(const str& key, const str& value) {
  str stored = value;
  if (key.Length() > 2 && key[0] == '+' && key[1] == '+') {
    str name = key.Substr(2);
    stored = str::Format("%d", mStates[name].ToInt() + 1);
    mStates[name] = stored;
  } else {
    mStates[key] = value;
  }
  for (TGameStateHandler* h : mHandlers)
    if (h->SetState(key, stored)) break;
}

void TGameState::SetIntState(const str& key, int value) { SetState(key, str::Format("%d", value)); }

str TGameState::GetState(const str& key) const {
  auto it = mStates.find(key);
  return it == mStates.end() ? str() : it->second;
}

void TGameState::AddHandler(TGameStateHandler* handler) {
  if (handler) mHandlers.push_back(handler);
}

bool TGameState::QueryHostPause() const {
  for (TGameStateHandler* h : mHandlers)
    if (h->QueryHostPause()) return true;
  return false;
}
