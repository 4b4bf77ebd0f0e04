#include "game/shell/QMGameManager.h"

#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {
QMGameManager* gGameManager = nullptr;
}  // namespace

const char* const QMGameManager::kIdTable[9] = {
    "quillmoor-heirloom-emberglass_story",      "quillmoor-heirloom-emberglass_arcade",
    "quillmoor-heirloom-emberglass_storymedal", "quillmoor-heirloom-emberglass_chapter1",
    "quillmoor-heirloom-emberglass_chapter2",   "quillmoor-heirloom-emberglass_chapter3",
    "quillmoor-heirloom-emberglass_chapter4",   "quillmoor-heirloom-emberglass_chapter5",
    "quillmoor-heirloom-emberglass_chapter6"};

const char* const QMGameManager::kApplicationId = "emberglass";

QMGameManager* QMGameManager::Instance() { return gGameManager; }

void CreateGameManager() {
  DestroyGameManager();
  gGameManager = new QMGameManager();
}

void DestroyGameManager() {
  delete gGameManager;
  gGameManager = nullptr;
}

QMGameManager::QMGameManager() : mPrefs(true), mHiscores(true) {
  BindScriptFunctions();
  mGameMode = 0;
  mHiscores.SetParameter(2, kIdTable[kStoryTable]);
  // Selecting the last player neither saves nor restores a game: the first restore of a run
  // comes later, once the scripts are registered.
  mSaveLock = mRestoreLock = true;
  // A stored player past the records (an edited or damaged file) is taken as none: left in
  // place, every per-player write would make empty player records up to its number.
  const int stored = mPrefs.GetInt("curuser", -1);
  SetCurrentUser(stored < GetNumUsers() ? stored : -1);
  mSaveLock = mRestoreLock = false;
  // The players belong to the installation: the same game in another folder finds none unless
  // an "install.txt" beside the assets names the same key.
  EngineLog("Preferences: install key \"%s\", %d player(s) found", mPrefs.GetInstallKey().CStr(),
            GetNumUsers());
}

QMGameManager::~QMGameManager() {
  UnbindScriptFunctions();
  if (gGameManager == this) gGameManager = nullptr;
}

bool QMGameManager::CheatsEnabled() const { return GetConfigFlag(mCheatModeName); }

int QMGameManager::GetCurrentUser() const { return mPrefs.GetInt("curuser", -1); }

int QMGameManager::GetInt(const char* key, int defaultValue) const {
  return mPrefs.GetInt(key, defaultValue, GetCurrentUser());
}

void QMGameManager::SetInt(const char* key, int value) {
  mPrefs.SetInt(key, value, GetCurrentUser(), true);
}

str QMGameManager::GetString(const str& key, const str& defaultValue) const {
  return mPrefs.GetString(key, defaultValue, GetCurrentUser());
}

void QMGameManager::SetString(const str& key, const str& value) {
  mPrefs.SetString(key, value, GetCurrentUser(), true);
}

void QMGameManager::CallScript(const char* function) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindowScript* host = TWindowScript::Of(wm);
  if (!host) return;
  lua_State* L = host->GetState();
  const int top = lua_gettop(L);
  lua_pushstring(L, function);
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (lua_isfunction(L, -1)) {
    if (lua_pcall(L, 0, 0, 0) != 0)
      EngineLog("Lua Error: %s\n\twhen calling %s", LuaToStr(L, -1).CStr(), function);
  }
  lua_settop(L, top);
}

bool QMGameManager::CallScriptForString(const char* function, str* out) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindowScript* host = TWindowScript::Of(wm);
  if (!host) return false;
  lua_State* L = host->GetState();
  const int top = lua_gettop(L);
  lua_pushstring(L, function);
  lua_gettable(L, LUA_GLOBALSINDEX);
  bool answered = false;
  if (lua_isfunction(L, -1) && lua_pcall(L, 0, 1, 0) == 0 && lua_type(L, -1) == LUA_TSTRING) {
    if (out) *out = LuaToStr(L, -1);
    answered = true;
  }
  lua_settop(L, top);
  return answered;
}

void QMGameManager::RunLuaText(const str& text) {
  TWindowManager* wm = TWindowManager::Instance();
  if (TWindowScript* host = TWindowScript::Of(wm)) host->DoLuaString(text);
}
