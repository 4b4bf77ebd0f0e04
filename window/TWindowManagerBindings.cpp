// The window manager's own global for the scripts.
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "window/TWindowManager.h"

void TWindowManager::BindScriptGlobals(IScriptHost* host) {
  if (host && host->ScriptState())
    BindMethod(host->ScriptState(), "SetTopModalOnly", this, &TWindowManager::SetTopModalOnly);
}
