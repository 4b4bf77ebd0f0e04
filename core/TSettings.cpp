// The settings map and the side effects of writing it.
#include "core/TSettings.h"

#include <map>

namespace {

// Built on first use, so the game may store values from its own static initialisers.
std::map<str, str>& Store() {
  static std::map<str, str> store;
  return store;
}

bool gOldLineWrap = false;
ConfigChangeHook gPlatformHook = nullptr;

CheatCodeCheck gCheatCodeCheck = nullptr;

// "cheatmode" is "1" only when the check (start-up's, which knows the cipher) accepts the
// cheat code for this computer under the game's key.
void UpdateCheatMode() {
  const str code = GetConfig(kConfigCheatCode);
  const str key = GetConfig(kConfigEncryptionKey);
  if (code.IsEmpty() || key.IsEmpty()) return;
  const bool match = gCheatCodeCheck && gCheatCodeCheck(code, key, GetConfig(kConfigComputerId));
  Store()[str(kConfigCheatMode)] = match ? "1" : "0";
}

}  // namespace

void SetConfig(const str& name, const str& value) {
  Store()[name] = value;
  if (name == kConfigEncryptionKey || name == kConfigCheatCode) UpdateCheatMode();
  if (name == kConfigOldLineWrap) gOldLineWrap = true;
  if (gPlatformHook) gPlatformHook(name, value);
}

str GetConfig(const str& name, const str& defaultValue) {
  const auto& store = Store();
  const auto it = store.find(name);
  return it == store.end() ? defaultValue : it->second;
}

bool IsConfigSet(const str& name) { return Store().count(name) != 0; }

bool GetConfigFlag(const str& name) { return GetConfig(name, str()).ToInt() != 0; }

void ClearConfig() { Store().clear(); }

bool IsOldLineWrap() { return gOldLineWrap; }

void SetPlatformConfigHook(ConfigChangeHook hook) { gPlatformHook = hook; }

void SetCheatCodeCheck(CheatCodeCheck check) { gCheatCodeCheck = check; }
