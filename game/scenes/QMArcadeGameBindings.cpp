#include "game/scenes/QMArcadeGame.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// Both are reset to nil when the window dies, so a script cannot reach a closed run.
void QMArcadeGame::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  BindWindowMethod(script->GetState(), "ShowArcadeHint", this, &QMArcadeGame::ShowArcadeHint);
  BindWindowMethod(script->GetState(), "SaveGameState", this, &QMArcadeGame::SaveGameState);
}
