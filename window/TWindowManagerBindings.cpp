// The window manager's own global for the scripts.
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

void TWindowManager::BindScriptGlobals(TWindowScript* host) {
  if (host && host->GetState())
    BindMethod(host->GetState(), "SetTopModalOnly", this, &TWindowManager::SetTopModalOnly);
}
