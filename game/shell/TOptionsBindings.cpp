#include "game/shell/TOptions.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// Reset to nil when this window dies, so a script cannot save through a closed dialog.
void TOptions::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  BindWindowMethod(script->GetState(), "SaveVolumes", this, &TOptions::SaveVolumes);
  BindWindowMethod(script->GetState(), "RestoreVolumes", this, &TOptions::RestoreVolumes);
}
