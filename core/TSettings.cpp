// The settings map and the side effects of writing it.
#include "core/TSettings.h"

#include <map>
#include <vector>

#include "assets/StringCipher.h"

namespace {

// Built on first use, so the game may store values from its own static initialisers.
std::map<str, str>& Store() {
  static std::map<str, str> store;
  return store;
}

bool gOldLineWrap = false;
ConfigChangeHook gPlatformHook = nullptr;

// "cheatmode" is "1" only when the cheat code is this computer's identifier enciphered under
// the game's key (as text, with its terminating zero, the form DecipherString reads).
void UpdateCheatMode() {
  const str code = GetConfig(kConfigCheatCode);
  const str key = GetConfig(kConfigEncryptionKey);
  if (code.IsEmpty() || key.IsEmpty()) return;
  const str id = GetConfig(kConfigComputerId);
  StringCipher cipher(key.CStr());
  const int length = static_cast<int>(id.Length()) + 1;
  const int size = cipher.Encipher(id.CStr(), length, nullptr, 0, true);
  bool match = false;
  if (size > 0) {
    std::vector<char> out(static_cast<size_t>(size) + 1, 0);
    if (cipher.Encipher(id.CStr(), length, out.data(), size, true) == 0)
      match = code == str(out.data());
  }
  Store()[str(kConfigCheatMode)] = match ? "1" : "0";
}

}  // namespace

void SetConfig(const str& name, const str& value) {
  Store()[name] = value;
  if (name == kConfigEncryptionKey || name == kConfigCheatCode) UpdateCheatMode();
  if (name == "heirloomlinewrap") gOldLineWrap = true;
  if (gPlatformHook) gPlatformHook(name, value);
}

str GetConfig(const str& name, const str& defaultValue) {
  const auto& store = Store();
  const auto it = store.find(name);
  return it == store.end() ? defaultValue : it->second;
}

bool GetConfigFlag(const str& name) { return GetConfig(name, str()).ToInt() != 0; }

void ClearConfig() { Store().clear(); }

bool IsOldLineWrap() { return gOldLineWrap; }

void SetPlatformConfigHook(ConfigChangeHook hook) { gPlatformHook = hook; }
