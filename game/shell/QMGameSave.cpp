// The saved game and its undo copy: the scripts produce the saved text; the game object stores
// it per player and runs it back.
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TFile.h"
#include "core/EngineLog.h"
#include "game/shell/QMGameManager.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

void QMGameManager::SaveGame() { SaveGameOf(GetCurrentUser()); }

void QMGameManager::SaveGameOf(int user) {
  str text;
  if (!CallScriptForString("QMSerialized_save", &text) || mSaveLock) return;
  // Each write replaces the whole file: the same text again is not worth one.
  if (mPrefs.GetString("usergamedata", "", user) == text) return;
  mPrefs.SetString("usergamedata", text, user, true);
}

void QMGameManager::RestoreGame() {
  if (mRestoreLock || GetCurrentUser() < 0) return;
  const str data = GetString("usergamedata");
  if (data.IsEmpty()) {
    CallScript("QMSerialized_restore");
  } else if (!RunSavedGame(data)) {
    // The next save would overwrite the only copy of the player's game: it is kept under a
    // key of its own first, and the player starts afresh.
    EngineLog(
        "The saved game of player %d cannot be run; it is kept as \"%s\" and the player "
        "starts afresh",
        GetCurrentUser(), kDamagedGameKey);
    if (GetString(kDamagedGameKey) != data) SetString(kDamagedGameKey, data);
    CallScript("QMSerialized_restore");
  }
  CallScript("QMGameState_new");
}

bool QMGameManager::RunSavedGame(const str& text) {
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  if (!host) return false;
  lua_State* L = host->GetState();
  const int top = lua_gettop(L);
  bool ran = luaL_loadbuffer(L, text.CStr(), text.Length(), "saved game") == 0 &&
             lua_pcall(L, 0, 0, 0) == 0;
  if (!ran) EngineLog("Lua Error: %s\n\twhen running the saved game", LuaToStr(L, -1).CStr());
  lua_settop(L, top);
  return ran;
}

void QMGameManager::RestoreFreshGame() {
  if (mRestoreLock) return;
  str text;
  if (TFile* file =
          FileOpen(UserFileName(mPrefs.GetString("name", "", -1)).CStr(), kFileReadBinary)) {
    std::vector<char> bytes;
    char block[4096];
    for (int32_t n; (n = FileRead(file, block, sizeof block)) > 0;)
      bytes.insert(bytes.end(), block, block + n);
    FileClose(file);
    bytes.push_back(0);
    text = str(bytes.data());  // a file of one zero byte reads as empty
  }
  if (text.IsEmpty()) {
    CallScript("QMSerialized_restore");
    NewSetStoryScore(0);
    SetArcadeScore(0);
  } else {
    RunLuaText(text);
  }
  CallScript("QMGameState_new");
}

void QMGameManager::ResetUser() {
  TWindowManager* wm = TWindowManager::Instance();
  if (TWindowScript* host = TWindowScript::Of(wm)) host->DoFile("scripts/classes/qmserialized.lua");
  // The fresh state's text goes to the global record without ever unsetting the current
  // player in the file: a start killed here must still know who was playing.
  SaveGameOf(-1);
}

void QMGameManager::ResetGame() {
  SetString("usergamedata", "");
  WriteUserFileEmpty(GetCurrentUserName());
  RestoreGame();
}

void QMGameManager::SetUndoPoint() {
  SaveGame();
  SetString("userundodata", GetString("usergamedata"));
  SetInt("undoScore", GetInt("storyScore", 0));
}

void QMGameManager::CheckForFirstUndoPoint() {
  if (GetString("userundodata").IsEmpty()) SetUndoPoint();
}

void QMGameManager::UndoGame() {
  SetString("usergamedata", GetString("userundodata"));
  NewSetStoryScore(GetInt("undoScore", 0));
  RestoreGame();
}
