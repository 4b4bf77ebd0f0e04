#include "game/shell/THiscoreSubmit.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// Reset to nil when the dialog dies, so the script cannot submit through a closed dialog.
void THiscoreSubmit::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  BindWindowMethod(script->GetState(), "SubmitToServer", this, &THiscoreSubmit::SubmitToServer);
}
