#include "game/shell/THiscore.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// The globals are reset to nil when this window dies.
void THiscore::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  lua_State* L = script->GetState();
  BindWindowMethod(L, "GetState", this, &THiscore::GetState);
  BindWindowMethod(L, "ScoreAvailable", this, &THiscore::ScoreAvailable);
  BindWindowMethod(L, "UpdateText", this, &THiscore::UpdateText);
  BindWindowMethod(L, "OpenBrowser", this, &THiscore::OpenBrowser);
}
