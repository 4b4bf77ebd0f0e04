#include "game/shell/TMainMenu.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

// Each new menu takes the global over; it is reset to nil when its menu dies.
void TMainMenu::BindScriptFunctions() {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!script) return;
  BindWindowMethod(script->GetState(), "SetWelcomeName", this, &TMainMenu::SetWelcomeName);
}
