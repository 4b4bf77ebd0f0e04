// The binding of a button to a Lua function, run through the window system's script host.
#include "window/TButtonLuaAction.h"

#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/IScriptHost.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"

namespace {

int ReturnFirstUpvalue(lua_State* L) {
  lua_pushvalue(L, lua_upvalueindex(1));
  return 1;
}

// GetButtonName answers the pressed button's name. It is set as a value, not by running Lua
// text: text run while the scripts wait would wake them with an empty message (or, in a plain
// yield, be taken for their resume value and never run), and any name arrives whole.
void SetButtonName(lua_State* L, const str& name) {
  if (!L) return;
  lua_pushstring(L, "GetButtonName");
  lua_pushlstring(L, name.CStr(), name.Length());
  lua_pushcclosure(L, &ReturnFirstUpvalue, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
}

}  // namespace

TButton::LuaAction::~LuaAction() { delete mCommand; }

void TButton::LuaAction::Execute(TButton* button) {
  TWindowManager* wm = TWindowManager::Instance();
  if (!wm || !mCommand) return;
  TMessage* m = new TMessage(kCommandOnly, str("LuaAction:") + button->GetName());
  // Delivering may let the scripts delete the button and this action with it: from here on
  // only the copy is used.
  TLuaFunction command(*mCommand);
  if (IScriptHost* host = wm->GetScriptHost())
    SetButtonName(host->ScriptState(), button->GetName());
  wm->QueueScriptMessage(m, &command);
}
