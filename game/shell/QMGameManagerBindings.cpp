// The game object's script functions, bound as globals of the window script host.
#include "game/shell/QMGameManager.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

void QMGameManager::BindScriptFunctions() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindowScript* host = TWindowScript::Of(wm);
  if (!host) return;
  lua_State* L = host->GetState();
  BindMethod(L, "ToggleFullScreen", this, &QMGameManager::ToggleFullScreen);
  BindMethod(L, "ToggleSoundMute", this, &QMGameManager::ToggleSoundMute);
  BindMethod(L, "SetCurrentGameMode", this, &QMGameManager::SetCurrentGameMode);
  BindMethod(L, "GetCurrentGameMode", this, &QMGameManager::GetCurrentGameMode);
  BindMethod(L, "GetNumUsers", this, &QMGameManager::GetNumUsers);
  BindMethod(L, "CreateNewUser", this, &QMGameManager::CreateNewUser);
  BindMethod(L, "SetCurrentUser", this, &QMGameManager::SetCurrentUser);
  BindMethod(L, "ChangeCurrentUserName", this, &QMGameManager::ChangeCurrentUserName);
  BindMethod(L, "DeleteUser", this, &QMGameManager::DeleteUser);
  BindMethod(L, "IsNameInUse", this, &QMGameManager::IsNameInUse);
  BindMethod(L, "GetArcadeLevel", this, &QMGameManager::GetArcadeLevel);
  BindMethod(L, "GetLastArcadeLevel", this, &QMGameManager::GetLastArcadeLevel);
  BindMethod(L, "GetArcadeScore", this, &QMGameManager::GetArcadeScore);
  BindMethod(L, "NewSetStoryScore", this, &QMGameManager::NewSetStoryScore);
  BindMethod(L, "GetStoryScore", this, &QMGameManager::GetStoryScore);
  BindMethod(L, "SetStoryLevel", this, &QMGameManager::SetStoryLevel);
  BindMethod(L, "GetStoryLevel", this, &QMGameManager::GetStoryLevel);
  BindMethod(L, "SetStoryLevelComplete", this, &QMGameManager::SetStoryLevelComplete);
  BindMethod(L, "GetHighScore", this, &QMGameManager::GetHighScore);
  BindMethod(L, "PostHSMedal", this, &QMGameManager::PostHSMedal);
  BindMethod(L, "SaveGame", this, &QMGameManager::SaveGame);
  BindMethod(L, "ResetGame", this, &QMGameManager::ResetGame);
  BindMethod(L, "InitStoryHighScore", this, &QMGameManager::InitStoryHighScore);
  BindMethod(L, "CheckForFirstUndoPoint", this, &QMGameManager::CheckForFirstUndoPoint);
  BindMethod(L, "UndoGame", this, &QMGameManager::UndoGame);
  BindMethod(L, "SetUndoPoint", this, &QMGameManager::SetUndoPoint);
  BindMethod(L, "GetMapString", this, &QMGameManager::GetMapString);
  BindMethod(L, "CheatsEnabled", this, &QMGameManager::CheatsEnabled);
}
