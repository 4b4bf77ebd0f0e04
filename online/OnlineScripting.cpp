#include "online/OnlineScripting.h"

#include "online/TXSellWindow.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

void RegisterOnlineWindows(TWindowManager* manager) {
  if (!manager) return;
  manager->RegisterWindowType("XSellWindow", &TXSellWindow::Create);
  if (TWindowScript* script = TWindowScript::Of(manager))
    BindFlashMovieFunctions(script->GetState());
}
