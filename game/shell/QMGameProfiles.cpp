// Player profiles and per-user settings: creating, switching, renaming and deleting players,
// the screen mode and sound levels that follow them, and the per-user text file.
#include <charconv>

#include "assets/FileLayer.h"
#include "assets/TFile.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "game/shell/QMGameManager.h"
#include "online/TGameState.h"
#include "sound/TSoundManager.h"

namespace {

constexpr int kDefaultLevel = 750;
// Sounds started by animations play in this group, at the effects level.
constexpr int32_t kAnimationSoundGroup = 1003;

}  // namespace

str QMGameManager::UserFileName(const str& userName) {
  // Letters, digits, '-' and '_' stand as they are; every other byte becomes "%XX", so no
  // name can hold a path separator or make "." or "..".
  str encoded;
  static const char kHex[] = "0123456789ABCDEF";
  for (const char* p = userName.CStr(); *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_') {
      encoded += str(reinterpret_cast<const char*>(&c), 1);
    } else {
      const char escape[3] = {'%', kHex[c >> 4], kHex[c & 15]};
      encoded += str(escape, 3);
    }
  }
  return str::Format("user:%s.%s.%s", kApplicationId, encoded.CStr(), "txt");
}

void QMGameManager::WriteUserFileEmpty(const str& userName) {
  TFile* file = FileOpen(UserFileName(userName).CStr(), kFileWriteBinary);
  if (!file) return;
  const char zero = 0;
  FileWrite(file, &zero, 1);
  FileClose(file);
}

int QMGameManager::GetNumUsers() const { return mPrefs.GetUserCount(); }

str QMGameManager::GetUserName(int user) const { return mPrefs.GetString("name", "", user); }

str QMGameManager::GetCurrentUserName() const { return GetUserName(GetCurrentUser()); }

bool QMGameManager::IsNameInUse(const str& name) const {
  const int count = GetNumUsers();
  for (int i = 0; i < count; ++i)
    if (GetUserName(i) == name) return true;
  return false;
}

void QMGameManager::SetCurrentUser(int user) {
  if (user >= GetNumUsers()) return;
  const int current = GetCurrentUser();
  if (current >= 0 && user >= 0) SaveGame();
  // Any negative index means "no player" and is kept as -1. Selecting the player already
  // current (every start does) writes nothing.
  if (current != (user < 0 ? -1 : user)) mPrefs.SetInt("curuser", user < 0 ? -1 : user, -1, true);
  if (user < 0) return;
  mHiscores.SetParameter(1, GetUserName(user));
  ApplySoundSettings();
  if (!mPrefs.GetString("usergamedata", "", user).IsEmpty()) {
    RestoreGame();
  } else {
    RestoreFreshGame();
  }
}

int QMGameManager::CreateNewUser(const str& name) {
  const int n = GetNumUsers();
  mPrefs.SetString("name", name, n, true);
  const int current = GetCurrentUser();
  mPrefs.SetInt("soundlevel", mPrefs.GetInt("soundlevel", kDefaultLevel, current), n, true);
  mPrefs.SetInt("musiclevel", mPrefs.GetInt("musiclevel", kDefaultLevel, current), n, true);
  mPrefs.SetInt("soundoff", mPrefs.GetInt("soundoff", 0, current), n, true);
  SetCurrentUser(n);
  if (current >= 0) RestoreFreshGame();
  return n;
}

void QMGameManager::ChangeCurrentUserName(const str& name) {
  const str old = GetCurrentUserName();
  // Scores and medals are filed by name: taking another player's name would merge theirs.
  if (name != old && IsNameInUse(name)) {
    EngineLog("Players: \"%s\" is not renamed to \"%s\", a name another player has", old.CStr(),
              name.CStr());
    return;
  }
  WriteUserFileEmpty(old);
  SetString("name", name);
  // Scores are filed under the player's name: they follow it.
  if (GetCurrentUser() >= 0) mHiscores.RenamePlayer(old, name);
}

void QMGameManager::DeleteUser(int user) {
  if (user < 0 || user >= GetNumUsers()) return;
  WriteUserFileEmpty(GetUserName(user));
  mPrefs.DeleteUser(user);
  mPrefs.SetInt("curuser", -1, -1, true);
}

bool QMGameManager::ToggleFullScreen() {
  TPlatform* p = TPlatform::Instance();
  if (!p) return false;
  const bool wanted = !p->IsFullScreen();
  if (!p->SetFullScreen(wanted)) return false;
  mPrefs.SetInt("fullscreen", wanted ? 1 : 0, -1, true);
  return true;
}

void QMGameManager::SaveFullScreenMode() {
  TPlatform* p = TPlatform::Instance();
  if (p) mPrefs.SetInt("fullscreen", p->IsFullScreen() ? 1 : 0, -1, true);
}

void QMGameManager::ToggleSoundMute() {
  const int off = (GetInt("soundoff", 0) + 1) % 2;
  SetInt("soundoff", off);
  if (TSoundManager* sound = TPlatform::InstanceSoundManager())
    sound->SetMasterVolume(off == 0 ? 1.0f : 0.0f);
}

int QMGameManager::GetSoundLevel() const { return GetInt("soundlevel", kDefaultLevel); }
int QMGameManager::GetMusicLevel() const { return GetInt("musiclevel", kDefaultLevel); }

void QMGameManager::ApplySoundSettings() {
  TSoundManager* sound = TPlatform::InstanceSoundManager();
  if (!sound) return;
  const float effects = GetSoundLevel() / 1000.0f;
  const float music = GetMusicLevel() / 1000.0f;
  sound->SetGroupVolume(1000, effects);
  sound->SetGroupVolume(0, effects);
  sound->SetGroupVolume(1001, music);
  // Animation sounds follow the effects level from the start, not only after a fade.
  sound->SetGroupVolume(kAnimationSoundGroup, effects);
  sound->SetMasterVolume(GetInt("soundoff", 0) == 0 ? 1.0f : 0.0f);
}

bool QMGameManager::CreateScreen() {
  TPlatform* p = TPlatform::Instance();
  if (!p) return false;
  const bool full = mPrefs.GetInt("fullscreen", 1, -1) == 1;
  const bool made = p->InitScreen(800, 600, full);
  if (TGameState* state = TGameState::GetInstance())
    state->SetIntState("FullScreenMode", full ? 1 : 0);
  ApplySoundSettings();
  return made;
}

// The arcade clock is stored as "%f" text in the C locale whatever locale a script set, so a
// decimal comma never makes a saved run unreadable.
void QMGameManager::SetArcadeTime(float minutes) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text - 1, static_cast<double>(minutes),
                                 std::chars_format::fixed, 6);
  *end.ptr = 0;
  SetString("arcadetime", text);
}

float QMGameManager::GetArcadeTime() const {
  const str text = GetString("arcadetime", "0.0");
  float minutes = 0.0f;
  const char* begin = text.CStr();
  std::from_chars(begin, begin + text.Length(), minutes);
  return minutes;
}

void QMGameManager::SetArcadeHintsLeft(int hints) { SetInt("arcademodehintsleft", hints); }
int QMGameManager::GetArcadeHintsLeft() const { return GetInt("arcademodehintsleft", 1); }

void QMGameManager::SetSearchItem(int index, const str& text) {
  SetString(str::Format("SearchItem%d", index), text);
}
str QMGameManager::GetSearchItem(int index) const {
  return GetString(str::Format("SearchItem%d", index));
}

void QMGameManager::SetMapString(const str& text) { SetString("map_string", text); }
str QMGameManager::GetMapString() const { return GetString("map_string"); }

void QMGameManager::SetLayerPuzzleRound(int round) { SetInt("layerPuzzleRound", round); }
int QMGameManager::GetLayerPuzzleRound() const { return GetInt("layerPuzzleRound", -1); }
void QMGameManager::SetWordPuzzleRound(int round) { SetInt("WordPuzzleRound", round); }
int QMGameManager::GetWordPuzzleRound() const { return GetInt("WordPuzzleRound", -1); }

void QMGameManager::SetUserString(const str& key, const str& text) { SetString(key, text); }
str QMGameManager::GetUserString(const str& key) const { return GetString(key); }

void QMGameManager::SetUserData(const str& key, const uint8_t bytes[12]) {
  mPrefs.SetData(key, bytes, 12, GetCurrentUser(), true);
}

std::unique_ptr<uint8_t[]> QMGameManager::GetUserData(const str& key) const {
  // Asked without a buffer the store answers the value's length; anything but a 12-byte value
  // (no record, no key, a value of another size) is absent, not 12 zero bytes.
  const int user = GetCurrentUser();
  if (mPrefs.GetData(key, nullptr, 0, user) != 12) return nullptr;
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[12]());
  if (mPrefs.GetData(key, bytes.get(), 12, user) != 0) return nullptr;
  return bytes;
}
