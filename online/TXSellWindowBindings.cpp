#include "online/TXSellWindow.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

void TXSellWindow::BindScriptFunctions() {
  TWindowManager* manager = TWindowManager::Instance();
  TWindowScript* script = TWindowScript::Of(manager);
  if (!script) return;
  lua_State* L = script->GetState();
  BindWindowMethod(L, "SetupXSell", this, &TXSellWindow::SetupXSell);
  BindWindowMethod(L, "LaunchGameLink", this, &TXSellWindow::LaunchGameLink);
}
