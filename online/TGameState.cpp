#include "online/TGameState.h"

#include <cstdint>
#include <vector>

#include "core/TPlatform.h"
#include "online/TGameStateHandler.h"
#include "sound/TSoundManager.h"

namespace {

TGameState* gInstance = nullptr;

// Held outside the service: handlers may be registered before it is made.
std::vector<TGameStateHandler*>& Handlers() {
  static std::vector<TGameStateHandler*> handlers;
  return handlers;
}

bool IsCounterKey(const str& key) { return key.Length() >= 2 && key[0] == '+' && key[1] == '+'; }

// True at the first handler that answers the question with true; later ones are not asked.
bool AnyHandlerSays(bool (TGameStateHandler::*question)()) {
  for (TGameStateHandler* h : Handlers())
    if ((h->*question)()) return true;
  return false;
}

}  // namespace

TGameState* TGameState::GetInstance() {
  if (!gInstance && TPlatform::Instance()) gInstance = new TGameState();
  return gInstance;
}

TGameState* TGameState::Existing() { return gInstance; }

void TGameState::DeleteInstance() {
  delete gInstance;
  gInstance = nullptr;
}

void TGameState::AddHandler(TGameStateHandler* handler) {
  if (handler) Handlers().push_back(handler);
}

TGameState::TGameState() { BindScriptFunctions(); }

TGameState::~TGameState() {
  UnbindScriptFunctions();
  // A handler's destructor may publish; it finds the list already taken.
  std::vector<TGameStateHandler*> handlers;
  handlers.swap(Handlers());
  for (TGameStateHandler* h : handlers) delete h;
  if (gInstance == this) gInstance = nullptr;
}

void TGameState::SetState(str key, str value) {
  if (IsCounterKey(key)) {
    key = key.Substr(2);
    // A counter at the top of the range stays there.
    const int count = GetState(key).ToInt();
    value = str::Format("%d", count < INT32_MAX ? count + 1 : count);
  }
  auto muteEntry = mStates.find(str("mute"));
  bool wasMuted = muteEntry != mStates.end() && muteEntry->second.ToInt() != 0;
  mStates[key] = value;

  for (TGameStateHandler* h : Handlers())
    if (h->OnEvent(key.CStr(), value.CStr())) return;

  if (key == "mute") ApplyMute(wasMuted, value.ToInt() != 0);
}

void TGameState::ApplyMute(bool wasMuted, bool muted) {
  if (muted == wasMuted) return;
  TPlatform* platform = TPlatform::Instance();
  TSoundManager* sound = platform ? platform->GetSoundManager() : nullptr;
  if (!sound) return;
  if (muted) {
    mSavedVolume = sound->GetVolume(-1);
    sound->SetMasterVolume(0.0f);
  } else {
    sound->SetMasterVolume(mSavedVolume);
    mSavedVolume = 0.0f;
  }
}

void TGameState::SetIntState(str key, int32_t value) {
  SetState(std::move(key), str::Format("%d", value));
}

str TGameState::GetState(str key) {
  // Reading an absent key enters it, empty.
  str value = mStates[key];
  for (TGameStateHandler* h : Handlers()) {
    const char* answer = h->Query(key.CStr(), value.CStr());
    value = answer ? str(answer) : str();
  }
  return value;
}

bool TGameState::QueryRestartMode() { return AnyHandlerSays(&TGameStateHandler::QueryRestartMode); }

bool TGameState::QueryJumpToMenu() { return AnyHandlerSays(&TGameStateHandler::QueryJumpToMenu); }

bool TGameState::QueryHostPause() { return AnyHandlerSays(&TGameStateHandler::QueryHostPause); }

bool TGameState::QueryMuteGame() {
  if (AnyHandlerSays(&TGameStateHandler::QueryMuteGame)) return true;
  return GetState("mute").ToInt() != 0;
}
