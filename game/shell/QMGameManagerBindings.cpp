// The game object's script functions, bound as globals of the window script host.
#include "game/shell/QMGameManager.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/LuaGlobalBindings.h"
#include "window/TWindowManager.h"

namespace {

template <typename M>
void Bind(lua_State* L, const char* name, QMGameManager* game, M method) {
  BindMethod(L, name, game, method);
  RememberGlobalBinding(L, game, name);
}

}  // namespace

void QMGameManager::BindScriptFunctions() {
  lua_State* L = TWindowScript::CurrentState();
  if (!L) return;
  Bind(L, "ToggleFullScreen", this, &QMGameManager::ToggleFullScreen);
  Bind(L, "ToggleSoundMute", this, &QMGameManager::ToggleSoundMute);
  Bind(L, "SetCurrentGameMode", this, &QMGameManager::SetCurrentGameMode);
  Bind(L, "GetCurrentGameMode", this, &QMGameManager::GetCurrentGameMode);
  Bind(L, "GetNumUsers", this, &QMGameManager::GetNumUsers);
  Bind(L, "CreateNewUser", this, &QMGameManager::CreateNewUser);
  Bind(L, "SetCurrentUser", this, &QMGameManager::SetCurrentUser);
  Bind(L, "ChangeCurrentUserName", this, &QMGameManager::ChangeCurrentUserName);
  Bind(L, "DeleteUser", this, &QMGameManager::DeleteUser);
  Bind(L, "IsNameInUse", this, &QMGameManager::IsNameInUse);
  Bind(L, "GetArcadeLevel", this, &QMGameManager::GetArcadeLevel);
  Bind(L, "GetLastArcadeLevel", this, &QMGameManager::GetLastArcadeLevel);
  Bind(L, "GetArcadeScore", this, &QMGameManager::GetArcadeScore);
  Bind(L, "NewSetStoryScore", this, &QMGameManager::NewSetStoryScore);
  Bind(L, "GetStoryScore", this, &QMGameManager::GetStoryScore);
  Bind(L, "SetStoryLevel", this, &QMGameManager::SetStoryLevel);
  Bind(L, "GetStoryLevel", this, &QMGameManager::GetStoryLevel);
  Bind(L, "SetStoryLevelComplete", this, &QMGameManager::SetStoryLevelComplete);
  Bind(L, "GetHighScore", this, &QMGameManager::GetHighScore);
  Bind(L, "PostHSMedal", this, &QMGameManager::PostHSMedal);
  Bind(L, "SaveGame", this, &QMGameManager::SaveGame);
  Bind(L, "ResetGame", this, &QMGameManager::ResetGame);
  Bind(L, "InitStoryHighScore", this, &QMGameManager::InitStoryHighScore);
  Bind(L, "CheckForFirstUndoPoint", this, &QMGameManager::CheckForFirstUndoPoint);
  Bind(L, "UndoGame", this, &QMGameManager::UndoGame);
  Bind(L, "SetUndoPoint", this, &QMGameManager::SetUndoPoint);
  Bind(L, "GetMapString", this, &QMGameManager::GetMapString);
  Bind(L, "CheatsEnabled", this, &QMGameManager::CheatsEnabled);
}

// The closures hold this object: once it is gone its globals are nil, unless someone rebound
// them since.
void QMGameManager::UnbindScriptFunctions() {
  ResetGlobalBindings(TWindowScript::CurrentState(), this);
}
