// The binding of a button to a Lua function, run through the window system's script host.
#include "window/TButtonLuaAction.h"

#include "script/binding/TLuaObjectWrapper.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"

TButton::LuaAction::~LuaAction() { delete mCommand; }

void TButton::LuaAction::Execute(TButton* button) {
  TWindowManager* wm = TWindowManager::Instance();
  if (!wm || !mCommand) return;
  TMessage* m = new TMessage(kCommandOnly, str("LuaAction:") + button->GetName());
  // Lua text run while the scripts wait resumes them, and they may delete the button and this
  // action with it: from here on only the copy is used.
  TLuaFunction command(*mCommand);
  if (IScriptHost* host = wm->GetScriptHost()) {
    const str& name = button->GetName();
    bool plain = name.Find('[') < 0 && name.Find(']') < 0 &&
                 (name.Length() == 0 || (name[0] != '\n' && name[0] != '\r'));
    if (plain) {
      host->RunString(str::Format("function GetButtonName() return [[%s]]; end;", name.CStr()));
    } else {
      // Long brackets would end early (and run the rest as code) or drop a first line break.
      str quoted;
      for (unsigned i = 0; i < name.Length(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '\\' || c == '"' || c < 0x20) {
          quoted += str::Format("\\%03u", static_cast<unsigned>(c));
        } else {
          quoted += static_cast<char>(c);
        }
      }
      host->RunString(str("function GetButtonName() return \"") + quoted + "\"; end;");
    }
  }
  wm->QueueScriptMessage(m, &command);
}
