#include "script/binding/TButtonLuaAction.h"

#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"

TButton::LuaAction::~LuaAction() { delete mCommand; }

void TButton::LuaAction::Execute(TButton* button) {
  TMessage* m = new TMessage(kCommandOnly, str("LuaAction:") + button->GetName());
  TWindowManager* wm = TWindowManager::Instance();
  if (!wm) {
    delete m;
    return;
  }
  if (TWindowScript* host = wm->GetScriptHost())
    host->DoLuaString(str::Format("function GetButtonName() return [[%s]]; end;",
                                  button->GetName().CStr()));
  wm->QueueScriptMessage(m, mCommand);
}
