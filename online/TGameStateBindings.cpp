// The game state's functions in the window scripts.
#include "core/TPlatform.h"
#include "online/TGameState.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

const char* const kFunctionNames[] = {"GetState", "_SetState", "QueryMuteGame", "QueryRestartMode",
                                      "QueryJumpToMenu"};

lua_State* WindowScriptState() {
  TWindowManager* manager = TWindowManager::Instance();
  TWindowScript* script = TWindowScript::Of(manager);
  return script ? script->GetState() : nullptr;
}

void SetStateFromScript(str key, str value) {
  if (TGameState* state = TGameState::GetInstance())
    state->SetState(std::move(key), std::move(value));
}

}  // namespace

void TGameState::BindScriptFunctions() {
  lua_State* L = WindowScriptState();
  if (!L) return;
  BindMethod(L, "GetState", this, &TGameState::GetState);
  BindFunction(L, "_SetState", &SetStateFromScript);
  BindMethod(L, "QueryMuteGame", this, &TGameState::QueryMuteGame);
  BindMethod(L, "QueryRestartMode", this, &TGameState::QueryRestartMode);
  BindMethod(L, "QueryJumpToMenu", this, &TGameState::QueryJumpToMenu);
}

// The closures hold this object; scripts that outlive it find the functions gone.
void TGameState::UnbindScriptFunctions() {
  lua_State* L = WindowScriptState();
  if (!L) return;
  for (const char* name : kFunctionNames) ClearGlobal(L, name);
}
