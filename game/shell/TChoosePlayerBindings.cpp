#include "game/shell/TChoosePlayer.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// The globals are reset to nil when this window dies, so the layout script cannot reach a
// closed dialog through them.
void TChoosePlayer::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  lua_State* L = script->GetState();
  BindWindowMethod(L, "SetPlayerChoices", this, &TChoosePlayer::SetPlayerChoices);
  BindWindowMethod(L, "GetCurrentSelectedUser", this, &TChoosePlayer::GetCurrentSelectedUser);
  BindWindowMethod(L, "GetSelectedPlayerName", this, &TChoosePlayer::GetSelectedPlayerName);
  BindWindowMethod(L, "GetPlayerName", this, &TChoosePlayer::GetPlayerName);
}
