#include "game/shell/QMGameOver.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// Reset to nil when this window dies, so a late script call cannot reach a closed screen.
void QMGameOver::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  BindWindowMethod(script->GetState(), "SetGameOverStats", this, &QMGameOver::SetGameOverStats);
}
